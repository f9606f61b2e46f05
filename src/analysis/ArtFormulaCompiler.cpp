// Scanner and compiler of the formula language: recursive descent for operands,
// operator precedence (two priority tables) for binary operators, byte code out.
#include "analysis/ArtFormula.h"
#include "analysis/ArtFormulaCodes.h"

#include <charconv>
#include <cstring>
#include <deque>

namespace {

const char* const ErrorTexts[8] = {
    "Ok", "Illegal character", "Unknown identifier", "\")\" expected",
    "\"(\" expected", "Syntax error", "Variable not used", "Not enough parameters",
};

// The first error stops the compilation; its code and the offending text travel here.
struct CompileError {
    int code;
    std::string what;
};

enum class Tk {
    End, Number, String, Func, Var, Char, Assign, LE, GE, NE, Inc, Dec, Dollar, Name,
    Xor, Condition, Loop, Till, Series, Return,
};

struct Token {
    Tk kind = Tk::End;
    char ch = 0;          // Char
    double num = 0.0;     // Number
    std::string text;     // String, Name
    int index = 0;        // Func, Var
};

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return s;
}

// Incoming (A) and stacked (B) priorities of the binary operators; 0 = not binary.
int PriorityA(uint8_t op)
{
    switch (op) {
    case '^': return 2;
    case '*': case '/': case '\\': case '%': return 4;
    case '+': case '-': case '@': return 5;
    case '=': case '<': case '>': case OpLE: case OpGE: case OpNE: return 7;
    case '&': case '|': case OpXor: return 6;
    default: return 0;
    }
}

int PriorityB(uint8_t op)
{
    switch (op) {
    case '=': case '<': case '>': case OpLE: case OpGE: case OpNE: return 6;
    case '&': case '|': case OpXor: return 7;
    case '!': case OpNeg: return 3;
    default: return PriorityA(op);
    }
}

} // namespace

struct ArtFormulaParser {
    TArtFormula& fn;
    std::string src;
    size_t pos = 0;
    int line = 1, col = 1;
    std::string code;
    bool afterDollar = false;
    int depth = 0;
    int expansions = 0;
    int numInputs = 0;

    explicit ArtFormulaParser(TArtFormula& f) : fn(f) {}

    [[noreturn]] void Fail(int c, const std::string& what = {}) { throw CompileError{c, what}; }

    char Cur() const { return pos < src.size() ? src[pos] : '\0'; }
    char At(size_t p) const { return p < src.size() ? src[p] : '\0'; }
    void Advance()
    {
        if (Cur() == '\n') {
            ++line;
            col = 1;
        } else {
            ++col;
        }
        ++pos;
    }

    void SkipBlanks()
    {
        for (char c = Cur(); c == ' ' || c == '\t' || c == '\n' || c == '\r'; c = Cur())
            Advance();
    }

    // Blanks, one brace comment, then blanks and line comments.
    void SkipSpace()
    {
        SkipBlanks();
        bool brace = false;
        for (;;) {
            if (Cur() == '{') {
                if (brace)
                    Fail(1, "{");
                while (Cur() != '\0' && Cur() != '}')
                    Advance();
                if (Cur() == '}')
                    Advance();
                brace = true;
            } else if (Cur() == '/' && At(pos + 1) == '/') {
                while (Cur() != '\0' && Cur() != '\n')
                    Advance();
                brace = false;
            } else {
                return;
            }
            SkipBlanks();
        }
    }

    // Tokens read ahead (a ',' or a sign needs to see the next token) or put back.
    std::deque<Token> ahead;

    Token NextToken()
    {
        if (!ahead.empty()) {
            Token t = ahead.front();
            ahead.pop_front();
            return t;
        }
        Token t = Raw();
        if (t.kind == Tk::Char && (t.ch == '+' || t.ch == '-' || t.ch == ',')) {
            Token n = Raw();
            if (t.ch == ',' && n.kind == Tk::Char && n.ch == ')')
                return n;
            if (t.ch != ',' && n.kind == Tk::Char && n.ch == t.ch) {
                Token r;
                r.kind = t.ch == '+' ? Tk::Inc : Tk::Dec;
                return r;
            }
            ahead.push_back(n);
        }
        return t;
    }

    void Unread(const Token& t) { ahead.push_front(t); }

    Token Raw()
    {
        Token t;
        while (!RawOnce(t)) {
        }
        return t;
    }

    // One token into t; false when a macro was expanded and scanning must restart.
    bool RawOnce(Token& t)
    {
        SkipSpace();
        char c = Cur();
        if (c == '\0')
            return true;
        if (IsDigit(c))
            return t = ReadNumber(), true;
        if (c == '$') {
            if (IsDigit(At(pos + 1))) {
                Advance();
                size_t start = pos;
                while (IsHex(Cur()))
                    Advance();
                uint64_t v = 0;
                auto r = std::from_chars(src.data() + start, src.data() + pos, v, 16);
                if (r.ec != std::errc())
                    throw FormulaException("Número hexadecimal demasiado grande: $" +
                                           src.substr(start, pos - start));
                t.kind = Tk::Number;
                t.num = double(v);
                return true;
            }
            Advance();
            t.kind = Tk::Dollar;
            return true;
        }
        if (c == '\'' || c == '"' || c == '#')
            return t = ReadString(), true;
        if (IsLetter(c))
            return ReadIdentifier(t);
        Advance();
        char n = Cur();
        auto two = [&](Tk k) {
            Advance();
            t.kind = k;
            return true;
        };
        switch (c) {
        case ':':
            if (n == '=')
                return two(Tk::Assign);
            Fail(5);
        case '<':
            if (n == '=')
                return two(Tk::LE);
            if (n == '>')
                return two(Tk::NE);
            break;
        case '>':
            if (n == '=')
                return two(Tk::GE);
            break;
        case ';':
            c = ',';
            break;
        case '!': case '%': case '&': case '(': case ')': case '*': case '+': case ',': case '-':
        case '.': case '/': case '=': case '[': case '\\': case ']': case '^': case '|': case '@':
            break;
        default:
            Fail(1, std::string(1, c));
        }
        t.kind = Tk::Char;
        t.ch = c;
        return true;
    }

    Token ReadNumber()
    {
        size_t start = pos;
        while (IsDigit(Cur()))
            Advance();
        if (Cur() == '.' && IsDigit(At(pos + 1))) {
            Advance();
            while (IsDigit(Cur()))
                Advance();
            size_t e = pos;
            if (At(e) == 'E' || At(e) == 'e') {
                ++e;
                if (At(e) == '+' || At(e) == '-')
                    ++e;
                if (IsDigit(At(e))) {
                    while (pos < e)
                        Advance();
                    while (IsDigit(Cur()))
                        Advance();
                }
            }
        }
        Token t;
        t.kind = Tk::Number;
        const char* first = src.data() + start;
        const char* last = src.data() + pos;
        auto r = std::from_chars(first, last, t.num);
        if (r.ec != std::errc())
            throw FormulaException("Número fuera de rango: " + std::string(first, last));
        return t;
    }

    Token ReadString()
    {
        Token t;
        t.kind = Tk::String;
        for (;;) {
            char c = Cur();
            if (c == '\'' || c == '"') {
                Advance();
                for (;;) {
                    if (Cur() == '\0')
                        throw FormulaException("Falta la comilla de cierre de un texto de la fórmula");
                    if (Cur() == c) {
                        Advance();
                        if (Cur() != c)
                            break;
                    }
                    t.text += Cur();
                    Advance();
                }
            } else if (c == '#' && IsDigit(At(pos + 1))) {
                Advance();
                int code = 0;
                while (IsDigit(Cur())) {
                    code = code * 10 + (Cur() - '0');
                    if (code > 255)
                        throw FormulaException("Código de carácter fuera de rango (0 a 255) tras '#'");
                    Advance();
                }
                t.text += char(code);
            } else if (c == '#') {
                Fail(1, "#");
            } else {
                return t;
            }
        }
    }

    bool ReadIdentifier(Token& t)
    {
        size_t start = pos;
        while (IsLetter(Cur()) || IsDigit(Cur()))
            Advance();
        std::string raw = src.substr(start, pos - start);
        std::string id = fn.CaseSensitive ? raw : Upper(raw);
        std::string up = Upper(raw);
        if (afterDollar) {
            t.kind = Tk::Name;
            t.text = id;
            return true;
        }
        static const std::pair<const char*, Tk> keywords[] = {
            {"XOR", Tk::Xor}, {"PI", Tk::Number}, {"CONDITION", Tk::Condition}, {"LOOP", Tk::Loop},
            {"TILL", Tk::Till}, {"SERIES", Tk::Series}, {"RETURN", Tk::Return},
        };
        for (const auto& [name, kind] : keywords)
            if (up == name) {
                t.kind = kind;
                t.num = 3.141592653589793;
                return true;
            }
        for (const auto& m : fn.macros_)
            if (m.name == id) {
                if (++expansions > TArtFormula::MaxMacroExpansions ||
                    src.size() - (pos - start) + m.replacement.size() > TArtFormula::MaxTextLength)
                    throw FormulaException("Las constantes de la fórmula se expanden sin fin ('" + m.name + "')");
                src.replace(start, pos - start, m.replacement);
                pos = start;
                return false;
            }
        const auto& funcs = TArtFormula::Functions();
        for (size_t i = 0; i < funcs.size(); ++i)
            if (up == funcs[i].name) {
                t.kind = Tk::Func;
                t.index = int(i);
                return true;
            }
        for (int i = 0; i < numInputs; ++i) {
            const std::string& v = fn.varNames_[size_t(i)];
            if (fn.CaseSensitive ? v == id : Upper(v) == up) {
                t.kind = Tk::Var;
                t.index = i;
                return true;
            }
        }
        if (fn.UnQuotedString) {
            t.kind = Tk::String;
            t.text = id;
            return true;
        }
        Fail(2, id);
    }

    // ---- code emission ----
    void Emit(uint8_t b) { code.push_back(char(b)); }
    void EmitInt32(int32_t v)
    {
        char b[4];
        std::memcpy(b, &v, 4);
        code.append(b, 4);
    }
    void EmitNumber(double x)
    {
        Emit(OpPushNum);
        char b[8];
        std::memcpy(b, &x, 8);
        code.append(b, 8);
    }
    void EmitText(const std::string& s)
    {
        Emit(OpPushText);
        EmitInt32(int32_t(s.size()));
        code += s;
    }
    void EmitCall(int index, int count)
    {
        Emit(OpCall);
        Emit(uint8_t(index));
        Emit(uint8_t(count));
    }
    size_t EmitJump(uint8_t op, int32_t target = 0)
    {
        Emit(op);
        size_t at = code.size();
        EmitInt32(target);
        return at;
    }
    void Patch(size_t at, size_t target)
    {
        int32_t v = int32_t(target);
        std::memcpy(&code[at], &v, 4);
    }

    void Expect(char c, int errorCode)
    {
        Token t = NextToken();
        if (!(t.kind == Tk::Char && t.ch == c))
            Fail(errorCode);
    }

    // ---- parsing ----
    struct DepthGuard {
        ArtFormulaParser& p;
        explicit DepthGuard(ArtFormulaParser& q) : p(q)
        {
            if (++p.depth > TArtFormula::MaxNesting)
                throw FormulaException("Fórmula demasiado anidada (más de " +
                                       std::to_string(TArtFormula::MaxNesting) + " niveles)");
        }
        ~DepthGuard() { --p.depth; }
    };

    // One expression: operands joined by binary operators. Returns the token that
    // ended it (put back for the caller).
    void ParseExpr()
    {
        DepthGuard guard(*this);
        int32_t base = fn.ops_.Count();
        for (;;) {
            ParseOperand();
            Token t = NextToken();
            uint8_t op = 0;
            if (t.kind == Tk::Char && PriorityA(uint8_t(t.ch)) > 0)
                op = uint8_t(t.ch);
            else if (t.kind == Tk::LE)
                op = OpLE;
            else if (t.kind == Tk::GE)
                op = OpGE;
            else if (t.kind == Tk::NE)
                op = OpNE;
            else if (t.kind == Tk::Xor)
                op = OpXor;
            if (op == 0) {
                while (fn.ops_.Count() > base)
                    Emit(fn.ops_.Pop());
                Unread(t);
                return;
            }
            while (fn.ops_.Count() > base && PriorityB(fn.ops_.Top()) <= PriorityA(op))
                Emit(fn.ops_.Pop());
            fn.ops_.Push(op);
        }
    }

    void ParseOperand()
    {
        DepthGuard guard(*this);
        Token t = NextToken();
        while (t.kind == Tk::Char && t.ch == '+')
            t = NextToken();
        switch (t.kind) {
        case Tk::End:
            // Nothing at all is the empty formula ("Ok"); a missing operand elsewhere is a syntax error.
            Fail(code.empty() && fn.ops_.Count() == 0 && depth <= 2 ? 0 : 5);
        case Tk::Number:
            EmitNumber(t.num);
            return;
        case Tk::String:
            EmitText(t.text);
            return;
        case Tk::Var:
            Emit(OpPushVar);
            Emit(uint8_t(t.index));
            fn.varUsed_[size_t(t.index)] = 1;
            return;
        case Tk::Func:
            ParseCall(t.index);
            return;
        case Tk::Condition: case Tk::Loop: case Tk::Till: case Tk::Series: case Tk::Return:
            ParseSpecial(t.kind);
            return;
        case Tk::Dollar:
            ParseDollar();
            return;
        case Tk::Char:
            if (t.ch == '(') {
                fn.ops_.Push('(');
                ParseExpr();
                Expect(')', 3);
                fn.ops_.Pop();
                return;
            }
            if (t.ch == '-' || t.ch == '!') {
                // The unary operator waits on the operator stack: the binary operator
                // after its operand decides whether it applies first (-2^2 is -4).
                fn.ops_.Push(t.ch == '-' ? uint8_t(OpNeg) : uint8_t('!'));
                ParseOperand();
                return;
            }
            Fail(5);
        default:
            Fail(5);
        }
    }

    // Arguments between parentheses, each a full expression; returns their count.
    int ParseArgs(int fixed, bool allowEmpty)
    {
        Token t = NextToken();
        if (t.kind == Tk::Char && t.ch == ')') {
            if (!allowEmpty)
                Fail(5);
            return 0;
        }
        Unread(t);
        int count = 0;
        for (;;) {
            fn.ops_.Push(',');
            ParseExpr();
            fn.ops_.Pop();
            if (fixed >= 0 && ++count > fixed)
                Fail(3);
            if (fixed < 0)
                ++count;
            t = NextToken();
            if (t.kind == Tk::Char && t.ch == ')')
                break;
            if (!(t.kind == Tk::Char && t.ch == ','))
                Fail(3);
            if (fixed >= 0 && count >= fixed)
                Fail(3);
            if (fixed < 0 && count >= 254)
                throw FormulaException("Demasiados argumentos en una llamada (máximo 254)");
        }
        if (fixed >= 0 && count < fixed)
            Fail(7);
        return count;
    }

    void ParseCall(int index)
    {
        const auto& f = TArtFormula::Functions()[size_t(index)];
        Token t = NextToken();
        bool paren = t.kind == Tk::Char && t.ch == '(';
        if (!paren) {
            if (f.paramCount > 0)
                Fail(4);
            Unread(t);
            if (f.paramCount < 0)
                EmitNumber(0);
            EmitCall(index, f.paramCount < 0 ? AnyCount : 0);
            return;
        }
        int count = ParseArgs(f.paramCount, f.paramCount <= 0);
        if (f.paramCount < 0) {
            EmitNumber(count);
            EmitCall(index, AnyCount);
        } else {
            EmitCall(index, count);
        }
    }

    // One part of a special form, then the separator that must follow it.
    void Part(char after)
    {
        fn.ops_.Push(',');
        ParseExpr();
        fn.ops_.Pop();
        Expect(after, after == ',' ? 7 : 3);
    }

    void ParseSpecial(Tk kind)
    {
        Expect('(', 4);
        switch (kind) {
        case Tk::Condition: {
            Part(',');
            size_t toL = EmitJump(OpJumpIfZero);
            Part(',');
            size_t toE = EmitJump(OpJump);
            Patch(toL, code.size());
            Part(')');
            Patch(toE, code.size());
            break;
        }
        case Tk::Loop: {
            EmitNumber(-1);
            size_t L = code.size();
            EmitNumber(1);
            Emit('+');
            Part(',');
            size_t toE = EmitJump(OpJumpIfZero);
            Part(')');
            Emit(OpDrop);
            EmitJump(OpJump, int32_t(L));
            Patch(toE, code.size());
            break;
        }
        case Tk::Till: {
            EmitNumber(0);
            size_t L = code.size();
            EmitNumber(1);
            Emit('+');
            Part(',');
            Emit(OpDrop);
            Part(')');
            EmitJump(OpJumpIfZero, int32_t(L));
            break;
        }
        case Tk::Series: {
            Part(',');
            Emit(OpDrop);
            EmitNumber(-1);
            size_t L = code.size();
            EmitNumber(1);
            Emit('+');
            Part(',');
            size_t toE = EmitJump(OpJumpIfZero);
            size_t toB = EmitJump(OpJump);
            size_t S = code.size();
            Part(',');
            Emit(OpDrop);
            EmitJump(OpJump, int32_t(L));
            Patch(toB, code.size());
            Part(')');
            Emit(OpDrop);
            EmitJump(OpJump, int32_t(S));
            Patch(toE, code.size());
            break;
        }
        default: // RETURN
            Part(')');
            Emit(OpEnd);
            break;
        }
    }

    void ParseDollar()
    {
        afterDollar = true;
        Token t = NextToken();
        afterDollar = false;
        if (t.kind == Tk::Name) {
            EmitText(t.text);
        } else if (t.kind == Tk::Char && t.ch == '(') {
            fn.ops_.Push('(');
            ParseExpr();
            Expect(')', 3);
            fn.ops_.Pop();
        } else {
            Fail(5);
        }
        t = NextToken();
        if (t.kind == Tk::Char && t.ch == '[') {
            bool first = true;
            for (;;) {
                if (!first) {
                    EmitText("_");
                    Emit('@');
                }
                first = false;
                fn.ops_.Push(',');
                ParseExpr();
                fn.ops_.Pop();
                Emit('@');
                t = NextToken();
                if (t.kind == Tk::Char && t.ch == ']')
                    break;
                if (!(t.kind == Tk::Char && t.ch == ','))
                    Fail(5);
            }
            t = NextToken();
        }
        if (t.kind == Tk::Inc) {
            EmitCall(FnInc, 1);
        } else if (t.kind == Tk::Dec) {
            EmitCall(FnDec, 1);
        } else if (t.kind == Tk::Assign) {
            fn.ops_.Push(',');
            ParseExpr();
            fn.ops_.Pop();
            EmitCall(FnSet, 2);
        } else {
            Unread(t);
            EmitCall(FnVal, 1);
        }
    }
};

std::string TArtFormula::Compile(const std::string& text, int count, const StringArray& names)
{
    ops_.Clear();
    calc_.Clear();
    cacheValid_ = false;
    if (count > MaxInputVars)
        throw FormulaException("Demasiadas variables de entrada (máximo " + std::to_string(MaxInputVars) + ")");
    if (count > 0) {
        if (names.size() < size_t(count))
            throw FormulaException("Faltan nombres de variables de entrada");
        varNames_.assign(names.begin(), names.begin() + count);
        varValues_.assign(size_t(count), TCalcItem{});
        varUsed_.assign(size_t(count), 0);
    }
    count = count < 0 ? 0 : count;
    if (varNames_.size() < size_t(count))
        count = int(varNames_.size());

    ArtFormulaParser p(*this);
    size_t zero = text.find('\0');
    p.src = zero == std::string::npos ? text : text.substr(0, zero);
    if (p.src.size() > MaxTextLength)
        throw FormulaException("Fórmula demasiado larga");
    p.numInputs = count;
    numInputVars_ = count;
    try {
        p.ParseExpr();
        Token t = p.NextToken();
        if (t.kind != Tk::End)
            p.Fail(5);
        while (ops_.Count() > 0)
            p.Emit(ops_.Pop());
        if (p.code.empty())
            p.Fail(0);
    } catch (const CompileError& e) {
        ops_.Clear();
        std::string msg = ErrorTexts[e.code];
        if (e.code == 1 || e.code == 2)
            msg += " '" + e.what + "'";
        throw FormulaException(msg);
    } catch (...) {
        ops_.Clear();
        throw;
    }
    compiled_ = p.code;
    compiled_.push_back(char(OpEnd));
    return compiled_;
}
