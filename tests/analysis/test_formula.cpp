#include "analysis/ArtFormula.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cmath>

namespace {

double Calc(const std::string& text)
{
    TArtFormula fn;
    return fn.ComputeN(text, 0, std::vector<double>{}, {});
}

TCalcItem Value(const std::string& text)
{
    TArtFormula fn;
    fn.Run(fn.Compile(text, 0, {}), 0, {});
    return fn.Result();
}

std::string Text(const std::string& text) { return ArtFormulaStr(Value(text)); }

std::string Error(const std::string& text)
{
    try {
        TArtFormula fn;
        fn.ComputeN(text, 1, std::vector<double>{1.0}, {"A"});
    } catch (const FormulaException& e) {
        return e.what();
    }
    return "(sin error)";
}

} // namespace

TEST(Formula, OperatorsAndPrecedence)
{
    EXPECT_EQ(Calc("2+3 * 4"), 14);
    EXPECT_EQ(Calc("(2+3) * 4"), 20);
    EXPECT_EQ(Calc("7\\2"), 3);
    EXPECT_EQ(Calc("-7\\2"), -3);
    EXPECT_EQ(Calc("7%3"), 1);
    EXPECT_EQ(Calc("7 div 2 + 7 mod 4"), 6);
    EXPECT_EQ(Calc("1/0"), 0);
    EXPECT_EQ(Calc("8-3-2"), 3);
    EXPECT_EQ(Calc("2^3^2"), 64);
    EXPECT_EQ(Calc("-2^2"), -4);
    EXPECT_EQ(Calc("2*-3+1"), -5);
    EXPECT_EQ(Calc("1 < 2 = 1"), 1);
    EXPECT_EQ(Calc("0 & 0 | 1"), 0);
    EXPECT_EQ(Calc("1 & 0 < 1"), 1);  // (1 & 0) < 1
    EXPECT_EQ(Calc("3 < 2 & 1"), 0);  // (3 < 2) & 1
    EXPECT_EQ(Calc("1 xor 1"), 0);
    EXPECT_EQ(Calc("not 0 and true"), 1);
    EXPECT_EQ(Calc("2 <= 2") + Calc("3 >= 4") + Calc("1 <> 2"), 2);
    EXPECT_EQ(Calc("1.5E3"), 1500);
    EXPECT_EQ(Calc("$1F + PI*0"), 31);
    EXPECT_EQ(Calc("{comment} 1 + // line\n 2"), 3);
    EXPECT_EQ(Calc("RETURN(2)+5"), 2);
    EXPECT_EQ(Calc("MAX(1; 4,)"), 4); // ';' is ',' and a trailing comma is allowed
    // Text rules: numbers in text convert, other texts join or compare as text.
    EXPECT_EQ(Calc("'12' + 1"), 13);
    EXPECT_EQ(Text("'ab' + 1"), "ab1");
    EXPECT_EQ(Text("1 @ 2"), "12");
    EXPECT_EQ(Text("'AB'#65\"C'\"'x''y'"), "ABAC'x'y");
    EXPECT_EQ(Calc("'abc' < 'abd'"), 1);
    EXPECT_EQ(Calc("'10' < '9'"), 0);
    EXPECT_EQ(Text("0.5 @ ''"), "0.5");
    EXPECT_EQ(Text("1.0E20 @ ''"), "1E20");
}

TEST(Formula, InputVariablesAndCase)
{
    TArtFormula fn;
    EXPECT_EQ(fn.ComputeN("A*2", 1, std::vector<double>{3}, {"A"}), 6);
    EXPECT_EQ(fn.ComputeN("a*2 + b", 2, std::vector<double>{3, 1}, {"A", "B"}), 7);
    TCalcArray texts(1);
    TArtFormula::SetS(texts[0], "7");
    EXPECT_EQ(fn.ComputeN("x + 1", 1, texts, {"X"}), 8);
    fn.CaseSensitive = true;
    try {
        fn.ComputeN("a", 1, std::vector<double>{3}, {"A"});
        FAIL();
    } catch (const FormulaException& e) {
        EXPECT_STREQ(e.what(), "Unknown identifier 'a'");
    }
    fn.CaseSensitive = false;
    fn.UnQuotedString = true;
    fn.Run(fn.Compile("hola", 0, {}), 0, {});
    EXPECT_EQ(ArtFormulaStr(fn.Result()), "HOLA");
}

TEST(Formula, ConditionsLoopsAndVariables)
{
    EXPECT_EQ(Calc("if 1 then 5 else 6 endd"), 5);
    EXPECT_EQ(Calc("IF 0 THEN 5 ENDIF"), 0);
    EXPECT_EQ(Calc("CONDITION(0, 1/0*RETURN(9), 4)"), 4); // only the branch taken runs
    EXPECT_EQ(Calc("LOOP(0, 1)"), 0);
    EXPECT_EQ(Calc("TILL(1, 1)"), 1);
    EXPECT_EQ(Calc("BLOCK(DEFINE('i', 0), LOOP($i < 5, $i++), $i)"), 5);
    EXPECT_EQ(Calc("BEGIN VAR 'i', 's' END, FOR $i := 1, $i <= 4, $i++ DO $s := $s + $i NEXT, $s END"), 10);
    EXPECT_EQ(Calc("BLOCK(DEFINE('n', 0), REPEAT $n++ UNTIL $n >= 3 END)"), 3);
    EXPECT_EQ(Calc("BLOCK(DEFINE('n', 10), WHILE $n > 0 DO $n := $n - 3 WEND)"), 4);
    EXPECT_EQ(Calc("BLOCK(DEFINE('M1_2', 8), $M[1, 2] + $('M' @ '1_2'))"), 16);
    EXPECT_EQ(Calc("BLOCK(DEFINE('k', 1), $k--, VAL('k'))"), 0);
    EXPECT_EQ(Calc("BLOCK(DEFINE('k', 1), SET('k', 4), INC('k'), DEC('K'), $k)"), 4);
    EXPECT_EQ(Calc("IFF(1, 2, 3) + BLOCK() + COUNT()"), 2);

    // Run-time variables do not survive into the next evaluation.
    TArtFormula fn;
    EXPECT_EQ(fn.ComputeN("DEFINE('x', 5)", 0, std::vector<double>{}, {}), 5);
    EXPECT_THROW(fn.ComputeN("VAL('x')", 0, std::vector<double>{}, {}), FormulaException);
    EXPECT_EQ(Error("VAL('x')"), "Variable x do not exists");
    EXPECT_EQ(Error("INC('x')"), "Variable do not exists");
    EXPECT_EQ(Error("BLOCK(DEFINE('x', 1), DEFINE('X', 2))"), "Variable already exists");
    EXPECT_THROW(fn.AddConstant("if", "1"), FormulaException);
    fn.AddConstant("DOBLE", "2*");
    EXPECT_EQ(fn.ComputeN("doble 21", 0, std::vector<double>{}, {}), 42);
}

TEST(Formula, NumericAndStatisticFunctions)
{
    EXPECT_NEAR(Calc("SIN(PI/2) + COS(0) + TAN(0)"), 2, 1e-12);
    EXPECT_NEAR(Calc("LOG(EXP(2)) + LG(1000) + SQRT(16)"), 9, 1e-12);
    EXPECT_EQ(Calc("INT(-2.7) + ABS(-3) + SIGN(-5)"), 0);
    EXPECT_NEAR(Calc("FRAC(2.25)"), 0.25, 1e-12);
    EXPECT_NEAR(Calc("ATAN(1)*4 - ACOS(-1) + ASIN(0)"), 0, 1e-12);
    EXPECT_NEAR(Calc("ASINH(SINH(1)) + ACOSH(COSH(2)) + ATANH(TANH(0.5))"), 3.5, 1e-12);
    double rnd = Calc("RND");
    EXPECT_TRUE(rnd >= 0 && rnd < 1);
    EXPECT_EQ(Calc("RANDOMIZE()"), 0);
    EXPECT_EQ(Calc("SUM(1, 2, 3)"), 6);
    EXPECT_EQ(Calc("AVG(2, 4)"), 3);
    EXPECT_NEAR(Calc("VARIANCE(1, 2, 3, 4)"), 5.0 / 3.0, 1e-12);
    EXPECT_NEAR(Calc("VARIANCEP(1, 2, 3, 4)"), 1.25, 1e-12);
    EXPECT_NEAR(Calc("STDDEV(1, 2, 3, 4)"), std::sqrt(5.0 / 3.0), 1e-12);
    EXPECT_NEAR(Calc("STDDEVP(1, 2, 3, 4)"), std::sqrt(1.25), 1e-12);
    EXPECT_EQ(Calc("SUMOFSQUARES(1, 2, 3) + MAX(1) + MIN(4, -2, 9)"), 13);
    EXPECT_EQ(Calc("SUM()"), 0);
    EXPECT_EQ(Error("MAX()"), "La función MAX necesita al menos 1 valor");
    EXPECT_EQ(Error("STDDEV(3)"), "La función STDDEV necesita al menos 2 valores");
}

TEST(Formula, TextAndDateFunctions)
{
    EXPECT_EQ(Text("CHR(65) @ LENGTH('abc') @ CODE('a')"), "A397");
    EXPECT_EQ(Text("'[' @ TRIM('  x ') @ TRIMLEFT(' y ') @ TRIMRIGHT(' z ') @ ']'"), "[xy  z]");
    EXPECT_EQ(Text("UPPERCASE('año') @ LOWERCASE('ÁRBOL')"), "AÑOárbol");
    EXPECT_EQ(Text("MIDSTR('abcdef', 2, 3) @ LEFTSTR('abc', 2) @ RIGHTSTR('abc', 2)"), "bcdabbc");
    EXPECT_EQ(Calc("POS('c', 'abc') + POS('x', 'abc')"), 3);
    EXPECT_EQ(Text("STRINGOFCHAR('xy', 3)"), "xxx");
    EXPECT_EQ(Calc("ISNUMBER('1.5') + ISNUMBER(2) + ISNUMBER('1,5')"), 2);
    EXPECT_EQ(Text("FORMAT('0.00', 3.14159)"), "3.14");
    EXPECT_EQ(Text("FORMAT('#,##0.0', 1234567.26)"), "1,234,567.3");
    EXPECT_EQ(Text("FORMAT('000', 7)"), "007");
    EXPECT_EQ(Text("FORMATF('%.2f m', 2.5)"), "2.50 m");
    EXPECT_EQ(Calc("ENCODEDATE(1899, 12, 31)"), 1);
    EXPECT_EQ(Calc("ENCODEDATE(2024, 3, 1) - ENCODEDATE(2024, 2, 28)"), 2);
    EXPECT_EQ(Text("FORMATDATE('yyyy/mm/dd hh:nn', ENCODEDATE(2026, 12, 7) + 0.75)"), "2026/12/07 18:00");
    EXPECT_NEAR(Calc("DATE('07/12/2026 18:30') - ENCODEDATE(2026, 12, 7)"), 18.5 / 24, 1e-9);
    double d = Calc("ENCODEDATE(2026, 12, 7) + 0.5");
    TArtFormula fn;
    TCalcArray v(1);
    TArtFormula::SetN(v[0], d);
    EXPECT_EQ(fn.ComputeN("YEAR(D)*10000 + MONTH(D)*100 + DAY(D)", 1, v, {"D"}), 20261207);
    EXPECT_EQ(fn.ComputeN("DAYOFWEEK(D)*100 + HOUR(D) + MINUTE(D) + SECOND(D) + MILLISECOND(D)", 1, v, {"D"}), 112);
    EXPECT_EQ(Calc("ISLEAPYEAR(2000) + ISLEAPYEAR(1900) + ISLEAPYEAR(2024)"), 2);
    EXPECT_GT(Calc("NOW()"), 40000);
    EXPECT_EQ(Error("DATE('31/02/2026')"), "'31/02/2026' no es una fecha válida");
    EXPECT_EQ(Error("ENCODEDATE(2026, 13, 1)"), "Fecha no válida: 1/13/2026");
}

TEST(Formula, NumberPicturesRoundHalvesAwayFromZeroAndTakeExponents)
{
    // Halves as written go away from zero, also where the binary value is exact.
    EXPECT_EQ(Text("FORMAT('0', 2.5) @ ' ' @ FORMAT('0', 3.5) @ ' ' @ FORMAT('0', -2.5)"), "3 4 -3");
    EXPECT_EQ(Text("FORMAT('#,##0.0', 1234567.25)"), "1,234,567.3");
    EXPECT_EQ(Text("FORMAT('0.00', 0.125) @ ' ' @ FORMAT('0.0', 0.15) @ ' ' @ FORMAT('0.00', 1.005)"), "0.13 0.2 1.01");
    EXPECT_EQ(Text("FORMAT('0.00', 9.995) @ ' ' @ FORMAT('#,##0', 999.5) @ ' ' @ FORMAT('0.0', -0.04)"),
              "10.00 1,000 0.0");
    EXPECT_EQ(Text("FORMAT('#.##', 0.005) @ '|' @ FORMAT('0.###', 2.0004) @ '|' @ FORMAT('0.000', 0.0005)"),
              ".01|2|0.001");
    // Exponents: the sign always with E+, only when negative with E-; at least as
    // many exponent digits as zeros; the mantissa takes the picture's integer places.
    EXPECT_EQ(Text("FORMAT('0.00E+00', 12345)"), "1.23E+04");
    EXPECT_EQ(Text("FORMAT('0.00E+00', 0.00012345) @ ' ' @ FORMAT('0.00E-00', 12345)"), "1.23E-04 1.23E04");
    EXPECT_EQ(Text("FORMAT('0.0e+0', -98765) @ ' ' @ FORMAT('00.0E+000', 12345)"), "-9.9e+4 12.3E+003");
    EXPECT_EQ(Text("FORMAT('0.00E+00', 9.996) @ ' ' @ FORMAT('0.0E+00', 0) @ ' ' @ FORMAT('0.0E+00 m', 25)"),
              "1.00E+01 0.0E+00 2.5E+01 m");
}

TEST(Formula, UserInterfaceFunctionsUseHooks)
{
    TArtFormula fn;
    EXPECT_EQ(fn.ComputeN("LENGTH(INPUT('t', 'p', 'abc'))", 0, std::vector<double>{}, {}), 0); // no hook: cancelled
    fn.InputHook = [](const std::string&, const std::string&, std::string& text) {
        text += "d";
        return true;
    };
    fn.MsgHook = [](const std::string&, const std::string&, int flags) { return flags + 1; };
    EXPECT_EQ(fn.ComputeN("LENGTH(INPUT('t', 'p', 'abc')) + MSG('x', 'y', 5)", 0, std::vector<double>{}, {}), 10);
}

TEST(Formula, CompileErrorsCarryTheirTexts)
{
    EXPECT_EQ(Error("12E3"), "Unknown identifier 'E3'");
    EXPECT_EQ(Error("b"), "Unknown identifier 'B'");
    EXPECT_EQ(Error("1 ? 2"), "Illegal character '?'");
    EXPECT_EQ(Error("{a} {b} 1"), "Illegal character '{'");
    EXPECT_EQ(Error("LEFTSTR('abc')"), "Not enough parameters");
    EXPECT_EQ(Error("SIN()"), "Syntax error");
    EXPECT_EQ(Error("SIN(1, 2)"), "\")\" expected");
    EXPECT_EQ(Error("SIN 1"), "\"(\" expected");
    EXPECT_EQ(Error("RND(1)"), "\")\" expected");
    EXPECT_EQ(Error("(1 + 2"), "\")\" expected");
    EXPECT_EQ(Error("CONDITION(1, 2)"), "Not enough parameters");
    EXPECT_EQ(Error("if 1 then 5 else 6 endif"), "\")\" expected");
    EXPECT_EQ(Error("RETURN 1"), "\"(\" expected");
    EXPECT_EQ(Error("   "), "Ok");
    EXPECT_EQ(Error("{only a comment}"), "Ok");
    EXPECT_EQ(Error("1 2"), "Syntax error");
    EXPECT_EQ(Error("1+"), "Syntax error");
    EXPECT_EQ(Error("a : 1"), "Syntax error");
    EXPECT_EQ(Error("A - -A"), "Syntax error");
    EXPECT_EQ(Calc("3 - (-2)"), 5);
    EXPECT_EQ(Error("'abc"), "Falta la comilla de cierre de un texto de la fórmula");
}

TEST(Formula, RunTimeFaultsAreBoundedAndReported)
{
    EXPECT_EQ(Error("'abc' * 2"), "'abc' no es un número válido");
    EXPECT_EQ(Error("'abc'"), "'abc' no es un número válido"); // a text result is no number
    EXPECT_EQ(Error("7 \\ 0"), "División por cero en la operación '\\'");
    EXPECT_EQ(Error("7 % 0.5"), "División por cero en la operación '%'");
    EXPECT_EQ(Error("1.0E300 * 1.0E300"), "Desbordamiento o resultado no válido en la operación '*'");
    EXPECT_EQ(Error("1.0E30 \\ 1"), "Número fuera del rango de los enteros: 1E30");
    EXPECT_EQ(Error("SQRT(-1)"), "Resultado no válido en la función SQRT");
    EXPECT_EQ(Error("LOG(0)"), "Resultado no válido en la función LOG");
    EXPECT_EQ(Error("CHR(300)"), "Código de carácter fuera de rango (0 a 255): 300");
    EXPECT_EQ(Error("FORMATF('%s', 1)"),
              "Formato no válido para FORMATF: \"%s\" (se espera un solo campo real, como %.2f)");
    EXPECT_EQ(Error("FORMATF('%f %f', 1)"),
              "Formato no válido para FORMATF: \"%f %f\" (se espera un solo campo real, como %.2f)");
    EXPECT_EQ(Error("LENGTH(STRINGOFCHAR('x', 1.0E12))"), "Texto demasiado largo en la fórmula");
    EXPECT_NE(Error("LOOP(1, 0)").find("vueltas de bucle"), std::string::npos);
    EXPECT_NE(Error("TILL(0, 0)").find("vueltas de bucle"), std::string::npos);
    EXPECT_NE(Error(std::string(2000, '(') + "1" + std::string(2000, ')')).find("demasiado anidada"),
              std::string::npos);
    EXPECT_NE(Error(std::string(2000, '!') + "1").find("demasiado anidada"), std::string::npos);

    TArtFormula fn;
    fn.AddConstant("BUCLE", "BUCLE+1");
    EXPECT_THROW(fn.ComputeN("BUCLE", 0, std::vector<double>{}, {}), FormulaException);
    EXPECT_THROW(fn.ComputeN("1", 300, std::vector<double>(300), StringArray(300, "V")), FormulaException);
    EXPECT_THROW(fn.Run(std::string("\x07", 1), 0, {}), FormulaException);           // unknown code
    EXPECT_THROW(fn.Run(std::string("\xfe\x01\x02", 3), 0, {}), FormulaException);   // truncated number
    EXPECT_THROW(fn.Run(std::string("\xf2\x40\x00\x00\x00", 5), 0, {}), FormulaException); // jump outside
    // The engine stays usable after every fault.
    EXPECT_EQ(fn.ComputeN("BLOCK(DEFINE('z', 2), $z * 3)", 0, std::vector<double>{}, {}), 6);
}

// Loops whose condition never holds end with a message within a second or two,
// however costly their rounds, and the engine goes on evaluating.
TEST(Formula, RunawayLoopsStopByTheClock)
{
    TArtFormula fn;
    // The cheap loop meets the round limit or the clock, whichever comes first.
    for (const char* text :
         {"LOOP(1, 0)", "BLOCK(DEFINE('n', 0), REPEAT LENGTH(STRINGOFCHAR('a', 10000000)) UNTIL $n > 0 END)"}) {
        auto start = std::chrono::steady_clock::now();
        std::string message;
        try {
            fn.ComputeN(text, 1, std::vector<double>{1.0}, {"A"});
        } catch (const FormulaException& e) {
            message = e.what();
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 2.5) << text;
        EXPECT_NE(message.find("revise la condición del bucle"), std::string::npos) << text << ": " << message;
        if (std::string(text).find("STRINGOFCHAR") != std::string::npos) {
            EXPECT_NE(message.find("La fórmula superó el tiempo máximo de evaluación (1000 ms) tras "),
                      std::string::npos)
                << message;
        }
    }
    // A loop that ends is untouched by the bound.
    EXPECT_EQ(fn.ComputeN("BLOCK(DEFINE('i', 0), LOOP($i < 100000, $i++), $i)", 0, std::vector<double>{}, {}),
              100000);
}

TEST(Formula, StepModeStopsOnRequest)
{
    TArtFormula fn;
    fn.Step = true;
    int calls = 0;
    fn.ProcessEventsHook = [&]() {
        if (++calls == 50)
            fn.RequestStop();
    };
    EXPECT_EQ(fn.ComputeN("LOOP(1, 1)", 0, std::vector<double>{}, {}), 0);
    EXPECT_EQ(calls, 50);
    EXPECT_EQ(fn.ComputeN("2+2", 0, std::vector<double>{}, {}), 4);
}

TEST(Formula, RepeatedComputeNFollowsTextNamesAndSwitches)
{
    TArtFormula fn;
    StringArray names{"A", "B"};
    EXPECT_EQ(fn.ComputeN("A - B", 2, std::vector<double>{5, 1}, names), 4);
    EXPECT_EQ(fn.ComputeN("A - B", 2, std::vector<double>{9, 2}, names), 7);
    EXPECT_EQ(fn.ComputeN("A - B", 2, std::vector<double>{9, 2}, StringArray{"B", "A"}), -7);
    fn.CaseSensitive = true;
    EXPECT_THROW(fn.ComputeN("a - B", 2, std::vector<double>{9, 2}, names), FormulaException);
    fn.Compile("B", 2, names);
    EXPECT_EQ(fn.ComputeN("a - B", 2, std::vector<double>{9, 2}, StringArray{"a", "B"}), 7);
}

TEST(Formula, NumbersIgnoreTheLocale)
{
    // Under es_ES the C library writes "2,50" and reads "1.5" as 1: the engine must not
    // notice either way, reading literals and texts and writing numbers.
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    struct Restore {
        const std::string& locale;
        ~Restore() { std::setlocale(LC_NUMERIC, locale.c_str()); }
    } restore{saved};
    ASSERT_TRUE(std::setlocale(LC_NUMERIC, "es_ES.UTF-8")) << "es_ES.UTF-8 missing: run scripts/install-deps.sh";
    EXPECT_EQ(Calc("1.5 + 1"), 2.5);
    EXPECT_EQ(Calc("'0.25' * 2"), 0.5);
    EXPECT_EQ(Text("FORMAT('0.00', 2.5) @ ' ' @ FORMATF('%.1f', 2.25) @ ' ' @ (0.5 @ '')"), "2.50 2.2 0.5");
}
