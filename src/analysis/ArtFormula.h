#pragma once
// Formula engine: compiles a formula text into byte code and runs it on a value stack.
//
// Public API (stable):
//   struct TCalcItem { double num; std::string str; uint8_t isText; }   // one value
//   using TCalcArray = std::vector<TCalcItem>;  using StringArray = std::vector<std::string>;
//   class FormulaException : std::runtime_error   // every compile or evaluation error; what() = message
//   class TArtFormula {
//     bool Step, TestUsedVars, CaseSensitive, UnQuotedString;   // switches, all false at creation
//     void AddConstant(name, replacement);                     // keyword-style macro
//     std::string Compile(text, count, names);                 // byte code; throws FormulaException
//     void Run(code, count, const TCalcArray& values);         // result stays on the value stack
//     TCalcItem Result() const;                                // top of the value stack after Run
//     double ComputeN(text, count, const TCalcArray& values, const StringArray& names);
//     double ComputeN(text, count, const std::vector<double>& values, const StringArray& names);
//     void RequestStop(); bool Stopped();                      // Step mode or PollHook: ComputeN then yields 0
//     static void SetN(TCalcItem&, double); static void SetS(TCalcItem&, std::string);
//     int FindVar(name); AddVar/SetVar/GetVar/IncVar/DecVar    // run-time variables
//     InputHook / MsgHook / ProcessEventsHook / PollHook       // user interface for INPUT, MSG, Step, long loops
//   };
//   ArtFormulaStr(const TCalcItem&) / ArtFormulaNum(const TCalcItem&)   // value conversions
// Numbers are read and written with '.' whatever the locale.
#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

struct TCalcItem {
    double num = 0.0;
    std::string str;
    uint8_t isText = 0; // 1 = text
};
using TCalcArray = std::vector<TCalcItem>;
using StringArray = std::vector<std::string>;

class FormulaException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Text of a value (numbers in the shortest general form, up to 15 digits).
std::string ArtFormulaStr(const TCalcItem& item);
// Number of a value; a text that is no number throws FormulaException.
double ArtFormulaNum(const TCalcItem& item);
// Shortest general text of a number ("1", "0.5", "1E20").
std::string ArtFormulaFloatToStr(double x);

class TArtFormula;

// Operator stack of the compiler: bytes, grows by 256; pop/top of an empty stack give 0.
class TFormulaStack {
public:
    void Push(uint8_t op);
    uint8_t Pop();
    uint8_t Top() const;
    void Clear() { count_ = 0; }
    int32_t Count() const { return count_; }
    uint8_t At(int32_t i) const { return items_[size_t(i)]; }

private:
    int32_t count_ = 0;
    std::vector<uint8_t> items_ = std::vector<uint8_t>(256);
};

// Value stack of the evaluator; grows by 256 up to a fixed bound.
class TFormulaCalc {
public:
    void PushN(double x);
    void PushS(std::string s);
    void Push(const TCalcItem& item);
    double PopN();
    TCalcItem Pop();
    // The value n places below the top (0 = the top).
    TCalcItem& Below(int32_t n);
    void Drop(int32_t n);
    void Clear() { count_ = 0; }
    int32_t Count() const { return count_; }

    static constexpr int32_t MaxCount = 1 << 20;

private:
    TCalcItem& Grow();
    int32_t count_ = 0;
    TCalcArray items_ = TCalcArray(256);
};

class TArtFormula {
public:
    TArtFormula();

    bool Step = false;
    bool TestUsedVars = false;
    bool CaseSensitive = false;
    bool UnQuotedString = false;

    void AddConstant(const std::string& name, const std::string& replacement);
    std::string Compile(const std::string& text, int count, const StringArray& names);
    void Run(const std::string& code, int count, const TCalcArray& values);
    double ComputeN(const std::string& text, int count, const TCalcArray& values, const StringArray& names);
    double ComputeN(const std::string& text, int count, const std::vector<double>& values,
                    const StringArray& names);
    TCalcItem Result() const;
    void RequestStop() { stop_ = true; }
    // True when the last Run ended on RequestStop (its result is then no value).
    bool Stopped() const { return stopped_; }
    const std::string& CompiledCode() const { return compiled_; }

    static void SetN(TCalcItem& item, double x);
    static void SetS(TCalcItem& item, std::string text);

    int FindVar(const std::string& name) const;
    void AddVar(const std::string& name, const TCalcItem& value);
    void SetVar(const std::string& name, const TCalcItem& value);
    TCalcItem GetVar(const std::string& name) const;
    TCalcItem IncVar(const std::string& name);
    TCalcItem DecVar(const std::string& name);

    // INPUT: returns false when the user cancels. Without a hook INPUT yields "".
    // A hook may RequestStop: the evaluation ends after the call (Stopped()).
    std::function<bool(const std::string& caption, const std::string& prompt, std::string& text)> InputHook;
    // MSG: the code of the button pressed. Without a hook MSG yields 0.
    std::function<int(const std::string& text, const std::string& caption, int flags)> MsgHook;
    // Called before every instruction in Step mode.
    std::function<void()> ProcessEventsHook;
    // Called about every PollMilliseconds while a loop of the formula runs outside
    // Step mode: the caller shows its progress and may RequestStop. Its time is
    // not the formula's.
    std::function<void()> PollHook;
    static constexpr int64_t PollMilliseconds = 50;
    // Runs `ask` (a box waiting for the user's answer); its time is the user's and
    // does not count against the evaluation's time limit.
    template <class F>
    decltype(auto) WaitingForUser(F&& ask)
    {
        struct Clock {
            std::chrono::steady_clock::duration& total;
            std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
            ~Clock() { total += std::chrono::steady_clock::now() - start; }
        } clock{userTime_};
        return ask();
    }

    // Bounds against runaway formulas.
    static constexpr int64_t MaxLoopRounds = 10'000'000; // backward jumps per evaluation
    static constexpr int64_t MaxRunMilliseconds = 1000;   // time per evaluation, outside Step mode
    static constexpr int MaxNesting = 400;               // nested operands while compiling
    static constexpr int MaxMacroExpansions = 10'000;    // per compilation
    static constexpr size_t MaxTextLength = 16u << 20;   // formula text after expansion, any result text
    static constexpr int MaxInputVars = 256;
    static constexpr int MaxRunVars = 10'000;           // run-time variables per evaluation

    // Built-in function table (index = position).
    struct ATableItem {
        const char* name;
        int paramCount; // -1 = any number
        void (*routine)(TArtFormula& engine, const TCalcArray& args, TCalcItem& result);
    };
    static const std::vector<ATableItem>& Functions();

private:
    friend struct ArtFormulaParser;
    friend struct ArtFormulaBuiltins;

    struct TConstItem {
        std::string name;
        std::string replacement;
    };

    TFormulaStack ops_;
    TFormulaCalc calc_;
    StringArray varNames_;
    TCalcArray varValues_;
    std::vector<uint8_t> varUsed_;
    std::vector<TConstItem> macros_;
    std::string compiled_;
    int numInputVars_ = 0;
    bool stop_ = false;
    std::chrono::steady_clock::duration userTime_{}; // spent in boxes waiting for the user
    bool stopped_ = false;
    // ComputeN reuses the code of the last compilation for the same text and names
    // (a grid column evaluates one formula once per row).
    bool cacheValid_ = false;
    std::string cacheText_;
    StringArray cacheNames_;
    bool cacheCase_ = false, cacheUnquoted_ = false;
};
