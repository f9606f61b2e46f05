// Formula engine: values, stacks, run-time variables and the byte-code evaluator.
#include "analysis/ArtFormula.h"
#include "analysis/ArtFormulaCodes.h"
#include "model/ViewerServices.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <algorithm>
#include <cstring>

namespace {

std::string UpperAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return s;
}

const char* const KeywordMacros[22][2] = {
    {"FALSE", "0"}, {"TRUE", "1"}, {"DIV", "\\"}, {"MOD", "%"}, {"AND", "&"}, {"OR", "|"},
    {"NOT", "!"}, {"BEGIN", "BLOCK("}, {"END", ")"}, {"ENDD", "))"}, {"VAR", "DEFINES("},
    {"IF", "CONDITION("}, {"THEN", ",BLOCK("}, {"ELSE", "),BLOCK("}, {"ENDIF", "),0)"},
    {"WHILE", "LOOP("}, {"DO", ",BLOCK("}, {"WEND", "))"}, {"FOR", "SERIES("}, {"NEXT", "))"},
    {"REPEAT", "TILL(BLOCK("}, {"UNTIL", "),"},
};

// Text that converts to a number: optional blanks and sign, digits with an optional
// point and exponent. Never "inf", "nan" or hexadecimal.
bool TextToNumber(const std::string& text, double& out)
{
    size_t a = 0, b = text.size();
    while (a < b && (text[a] == ' ' || text[a] == '\t'))
        ++a;
    while (b > a && (text[b - 1] == ' ' || text[b - 1] == '\t'))
        --b;
    if (a < b && text[a] == '+')
        ++a;
    if (a == b)
        return false;
    const char* first = text.data() + a;
    const char* last = text.data() + b;
    for (const char* p = first; p != last; ++p)
        if (!((*p >= '0' && *p <= '9') || *p == '.' || *p == 'e' || *p == 'E' || *p == '-' || *p == '+'))
            return false;
    auto r = std::from_chars(first, last, out);
    return r.ec == std::errc() && r.ptr == last && std::isfinite(out);
}

bool TextIsNoNumber(const TCalcItem& v)
{
    double d;
    return v.isText && !TextToNumber(v.str, d);
}

int64_t Whole(double x)
{
    double t = std::trunc(x);
    if (!(t >= -9.2233720368547758e18 && t < 9.2233720368547758e18))
        throw FormulaException("Número fuera del rango de los enteros: " + ArtFormulaFloatToStr(x));
    return int64_t(t);
}

std::string Joined(std::string a, const std::string& b)
{
    if (a.size() + b.size() > TArtFormula::MaxTextLength)
        throw FormulaException("Texto demasiado largo en la fórmula");
    return a + b;
}

double Checked(double r, const char* op)
{
    if (!std::isfinite(r))
        throw FormulaException(std::string("Desbordamiento o resultado no válido en la operación '") + op + "'");
    return r;
}

template <class T>
T ReadRaw(const std::string& code, size_t at)
{
    if (at + sizeof(T) > code.size())
        throw FormulaException("Wrong bytecode!");
    T v;
    std::memcpy(&v, code.data() + at, sizeof(T));
    return v;
}

} // namespace

std::string ArtFormulaFloatToStr(double x)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
    std::string s(buf, r.ptr);
    size_t e = s.find('e');
    if (e != std::string::npos) {
        std::string mant = s.substr(0, e);
        std::string ex = s.substr(e + 1);
        bool neg = !ex.empty() && ex[0] == '-';
        if (!ex.empty() && (ex[0] == '+' || ex[0] == '-'))
            ex.erase(0, 1);
        while (ex.size() > 1 && ex[0] == '0')
            ex.erase(0, 1);
        s = mant + "E" + (neg ? "-" : "") + ex;
    }
    if (s == "-0")
        s = "0";
    return s;
}

std::string ArtFormulaStr(const TCalcItem& item)
{
    return item.isText ? item.str : ArtFormulaFloatToStr(item.num);
}

double ArtFormulaNum(const TCalcItem& item)
{
    if (!item.isText)
        return item.num;
    double d;
    if (!TextToNumber(item.str, d))
        throw FormulaException("'" + item.str + "' no es un número válido");
    return d;
}

// ---- stacks ----

void TFormulaStack::Push(uint8_t op)
{
    if (count_ >= int32_t(items_.size()))
        items_.resize(items_.size() + 256);
    items_[size_t(count_++)] = op;
}

uint8_t TFormulaStack::Pop() { return count_ > 0 ? items_[size_t(--count_)] : 0; }
uint8_t TFormulaStack::Top() const { return count_ > 0 ? items_[size_t(count_ - 1)] : 0; }

TCalcItem& TFormulaCalc::Grow()
{
    if (count_ >= MaxCount)
        throw FormulaException("Desbordamiento de la pila de la fórmula");
    if (count_ >= int32_t(items_.size()))
        items_.resize(items_.size() + 256);
    return items_[size_t(count_++)];
}

void TFormulaCalc::PushN(double x) { TArtFormula::SetN(Grow(), x); }
void TFormulaCalc::PushS(std::string s) { TArtFormula::SetS(Grow(), std::move(s)); }
void TFormulaCalc::Push(const TCalcItem& item) { Grow() = item; }

TCalcItem TFormulaCalc::Pop()
{
    if (count_ <= 0)
        throw FormulaException("Wrong bytecode!");
    return std::move(items_[size_t(--count_)]);
}

double TFormulaCalc::PopN() { return ArtFormulaNum(Pop()); }

TCalcItem& TFormulaCalc::Below(int32_t n)
{
    if (n < 0 || n >= count_)
        throw FormulaException("Wrong bytecode!");
    return items_[size_t(count_ - 1 - n)];
}

void TFormulaCalc::Drop(int32_t n)
{
    if (n < 0 || n > count_)
        throw FormulaException("Wrong bytecode!");
    count_ -= n;
}

// ---- engine ----

TArtFormula::TArtFormula()
{
    for (const auto& m : KeywordMacros)
        AddConstant(m[0], m[1]);
}

void TArtFormula::SetN(TCalcItem& item, double x)
{
    item.num = x;
    item.str.clear();
    item.isText = 0;
}

void TArtFormula::SetS(TCalcItem& item, std::string text)
{
    item.num = 0;
    item.str = std::move(text);
    item.isText = 1;
}

void TArtFormula::AddConstant(const std::string& name, const std::string& replacement)
{
    std::string up = UpperAscii(name);
    for (const auto& m : macros_)
        if (m.name == up)
            throw FormulaException("Constant already defined");
    macros_.push_back({up, replacement});
    cacheValid_ = false;
}

int TArtFormula::FindVar(const std::string& name) const
{
    std::string up = CaseSensitive ? name : UpperAscii(name);
    for (size_t i = 0; i < varNames_.size(); ++i)
        if ((CaseSensitive ? varNames_[i] : UpperAscii(varNames_[i])) == up)
            return int(i);
    return -1;
}

void TArtFormula::AddVar(const std::string& name, const TCalcItem& value)
{
    if (FindVar(name) >= 0)
        throw FormulaException("Variable already exists");
    if (varNames_.size() >= size_t(numInputVars_) + MaxRunVars)
        throw FormulaException("Demasiadas variables en la fórmula (máximo " + std::to_string(MaxRunVars) + ")");
    varNames_.push_back(name);
    varValues_.push_back(value);
}

void TArtFormula::SetVar(const std::string& name, const TCalcItem& value)
{
    int i = FindVar(name);
    if (i < 0)
        throw FormulaException("Variable " + name + " do not exists");
    varValues_[size_t(i)] = value;
}

TCalcItem TArtFormula::GetVar(const std::string& name) const
{
    int i = FindVar(name);
    if (i < 0)
        throw FormulaException("Variable " + name + " do not exists");
    return varValues_[size_t(i)];
}

TCalcItem TArtFormula::IncVar(const std::string& name)
{
    int i = FindVar(name);
    if (i < 0)
        throw FormulaException("Variable do not exists");
    TCalcItem& v = varValues_[size_t(i)];
    SetN(v, Checked(ArtFormulaNum(v) + 1, "+"));
    return v;
}

TCalcItem TArtFormula::DecVar(const std::string& name)
{
    int i = FindVar(name);
    if (i < 0)
        throw FormulaException("Variable do not exists");
    TCalcItem& v = varValues_[size_t(i)];
    SetN(v, Checked(ArtFormulaNum(v) - 1, "-"));
    return v;
}

TCalcItem TArtFormula::Result() const
{
    TFormulaCalc& calc = const_cast<TFormulaCalc&>(calc_);
    if (calc.Count() == 0)
        throw FormulaException("Wrong bytecode!");
    return calc.Below(0);
}

namespace {

void Binary(uint8_t op, TFormulaCalc& calc)
{
    TCalcItem b = calc.Pop();
    TCalcItem a = calc.Pop();
    switch (op) {
    case '+':
        if (TextIsNoNumber(a) || TextIsNoNumber(b))
            calc.PushS(Joined(ArtFormulaStr(a), ArtFormulaStr(b)));
        else
            calc.PushN(Checked(ArtFormulaNum(a) + ArtFormulaNum(b), "+"));
        return;
    case '@':
        calc.PushS(Joined(ArtFormulaStr(a), ArtFormulaStr(b)));
        return;
    case '=': case '<': case '>': case OpLE: case OpGE: case OpNE: {
        int cmp;
        if (TextIsNoNumber(a) || TextIsNoNumber(b)) {
            int c = ArtFormulaStr(a).compare(ArtFormulaStr(b));
            cmp = c < 0 ? -1 : (c > 0 ? 1 : 0);
        } else {
            double x = ArtFormulaNum(a), y = ArtFormulaNum(b);
            cmp = x < y ? -1 : (x > y ? 1 : 0);
        }
        bool r = op == '=' ? cmp == 0 : op == '<' ? cmp < 0 : op == '>' ? cmp > 0
               : op == OpLE ? cmp <= 0 : op == OpGE ? cmp >= 0 : cmp != 0;
        calc.PushN(r ? 1 : 0);
        return;
    }
    default:
        break;
    }
    double x = ArtFormulaNum(a), y = ArtFormulaNum(b);
    switch (op) {
    case '-': calc.PushN(Checked(x - y, "-")); return;
    case '*': calc.PushN(Checked(x * y, "*")); return;
    case '/': calc.PushN(y == 0 ? 0.0 : Checked(x / y, "/")); return;
    case '^': calc.PushN(Checked(std::pow(x, y), "^")); return;
    case '\\': case '%': {
        int64_t i = Whole(x), j = Whole(y);
        if (j == 0)
            throw FormulaException("División por cero en la operación '" + std::string(1, char(op)) + "'");
        if (j == -1) // avoids the overflow of the smallest integer divided by -1
            calc.PushN(op == '\\' ? -double(i) : 0.0);
        else
            calc.PushN(double(op == '\\' ? i / j : i % j));
        return;
    }
    case '&': calc.PushN(x != 0 && y != 0 ? 1 : 0); return;
    case '|': calc.PushN(x != 0 || y != 0 ? 1 : 0); return;
    case OpXor: calc.PushN((x != 0) != (y != 0) ? 1 : 0); return;
    default: throw FormulaException("Wrong bytecode!");
    }
}

} // namespace

void TArtFormula::Run(const std::string& code, int count, const TCalcArray& values)
{
    calc_.Clear();
    varNames_.resize(size_t(numInputVars_));
    varValues_.resize(size_t(numInputVars_));
    varUsed_.resize(size_t(numInputVars_));
    size_t n = std::min({size_t(count < 0 ? 0 : count), values.size(), varValues_.size()});
    for (size_t i = 0; i < n; ++i)
        varValues_[i] = values[i];
    stop_ = false;
    stopped_ = false;
    const auto& funcs = Functions();
    int64_t rounds = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(MaxRunMilliseconds);
    auto nextPoll = std::chrono::steady_clock::now() + std::chrono::milliseconds(PollMilliseconds);
    userTime_ = {};
    TCalcArray args;
    size_t pos = 0;
    while (pos < code.size()) {
        if (Step) {
            if (ProcessEventsHook)
                ProcessEventsHook();
            else
                Services().ProcessEvents();
            if (stop_) {
                stopped_ = true;
                break;
            }
        }
        uint8_t op = uint8_t(code[pos]);
        switch (op) {
        case OpEnd:
            pos = code.size();
            continue;
        case '!':
            calc_.PushN(calc_.PopN() == 0 ? 1 : 0);
            break;
        case OpNeg:
            calc_.PushN(-calc_.PopN());
            break;
        case '%': case '&': case '*': case '+': case '-': case '/': case '<': case '=': case '>':
        case '@': case '\\': case '^': case '|': case OpXor: case OpLE: case OpGE: case OpNE:
            Binary(op, calc_);
            break;
        case OpDrop:
            calc_.Pop();
            break;
        case OpJump:
        case OpJumpIfZero: {
            size_t target = size_t(uint32_t(ReadRaw<int32_t>(code, pos + 1)));
            if (target >= code.size())
                throw FormulaException("Wrong bytecode!");
            if (op == OpJumpIfZero && calc_.PopN() != 0) {
                pos += 5;
                continue;
            }
            if (target <= pos) {
                if (++rounds > MaxLoopRounds)
                    throw FormulaException("La fórmula superó el máximo de " + std::to_string(MaxLoopRounds) +
                                           " vueltas de bucle; revise la condición del bucle");
                // A loop with costly work in it is stopped by the clock long before
                // the round limit; stepping through it is the user's own time.
                if (!Step && PollHook) {
                    // A long loop lets the caller show its progress and take a stop.
                    if (const auto now = std::chrono::steady_clock::now(); now >= nextPoll) {
                        WaitingForUser([&] { PollHook(); });
                        nextPoll = std::chrono::steady_clock::now() + std::chrono::milliseconds(PollMilliseconds);
                        if (stop_) {
                            stopped_ = true;
                            pos = code.size();
                            continue;
                        }
                    }
                }
                if (!Step && std::chrono::steady_clock::now() - userTime_ > deadline)
                    throw FormulaException("La fórmula superó el tiempo máximo de evaluación (" +
                                           std::to_string(MaxRunMilliseconds) + " ms) tras " +
                                           std::to_string(rounds) +
                                           " vueltas de bucle; revise la condición del bucle");
            }
            pos = target;
            continue;
        }
        case OpCall: {
            uint8_t index = ReadRaw<uint8_t>(code, pos + 1);
            uint8_t k = ReadRaw<uint8_t>(code, pos + 2);
            if (index >= funcs.size())
                throw FormulaException("Wrong bytecode!");
            int slots = k;
            int argc = k;
            if (k == AnyCount) {
                double c = calc_.PopN();
                if (!(c >= 0 && c < 255) || c != std::trunc(c))
                    throw FormulaException("Wrong bytecode!");
                argc = int(c);
                slots = argc;
            }
            if (slots > calc_.Count())
                throw FormulaException("Wrong bytecode!");
            args.clear();
            for (int i = argc - 1; i >= 0; --i)
                args.push_back(calc_.Below(i));
            TCalcItem result;
            funcs[index].routine(*this, args, result);
            // A box of INPUT or MSG that the user dismissed stops the evaluation.
            if (stop_) {
                stopped_ = true;
                pos = code.size();
                continue;
            }
            calc_.Drop(slots);
            calc_.Push(result);
            pos += 3;
            continue;
        }
        case OpPushText: {
            int32_t len = ReadRaw<int32_t>(code, pos + 1);
            if (len < 0 || pos + 5 + size_t(len) > code.size())
                throw FormulaException("Wrong bytecode!");
            calc_.PushS(code.substr(pos + 5, size_t(len)));
            pos += 5 + size_t(len);
            continue;
        }
        case OpPushVar: {
            uint8_t i = ReadRaw<uint8_t>(code, pos + 1);
            if (i >= varValues_.size())
                throw FormulaException("Wrong bytecode!");
            calc_.Push(varValues_[i]);
            pos += 2;
            continue;
        }
        case OpPushNum:
            calc_.PushN(ReadRaw<double>(code, pos + 1));
            pos += 9;
            continue;
        default:
            throw FormulaException("Wrong bytecode!");
        }
        ++pos;
    }
    stop_ = false;
}

double TArtFormula::ComputeN(const std::string& text, int count, const TCalcArray& values, const StringArray& names)
{
    size_t n = size_t(count < 0 ? 0 : count);
    bool cached = cacheValid_ && cacheText_ == text && cacheCase_ == CaseSensitive &&
                  cacheUnquoted_ == UnQuotedString && cacheNames_.size() == n && names.size() >= n &&
                  std::equal(cacheNames_.begin(), cacheNames_.end(), names.begin());
    if (!cached) {
        cacheValid_ = false;
        Compile(text, count, names);
        cacheText_ = text;
        cacheNames_.assign(names.begin(), names.begin() + std::ptrdiff_t(n));
        cacheCase_ = CaseSensitive;
        cacheUnquoted_ = UnQuotedString;
        cacheValid_ = true;
    }
    Run(compiled_, count, values);
    if (stopped_)
        return 0.0;
    return ArtFormulaNum(calc_.Pop());
}

double TArtFormula::ComputeN(const std::string& text, int count, const std::vector<double>& values,
                             const StringArray& names)
{
    TCalcArray items(values.size());
    for (size_t i = 0; i < values.size(); ++i)
        SetN(items[i], values[i]);
    return ComputeN(text, count, items, names);
}
