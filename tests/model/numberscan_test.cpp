#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "model/numberscan.h"
#include "tests/support/comma_locale.h"
#include "tests/support/modeltestsupport.h"

namespace {

// Compares scanDouble with the C library's "%lf" on one text: the same
// success, the same number of characters consumed and the same value.
void expectSameAsScanf(const std::string& text)
{
    double expected = -77.0;
    int consumed = -1;
    const int converted = std::sscanf(text.c_str(), "%lf%n", &expected, &consumed);
    double actual = -77.0;
    const char* stop = scanDouble(text.data(), text.data() + text.size(), actual);
    ASSERT_EQ(converted == 1, stop != nullptr) << "text \"" << text << "\"";
    if (stop == nullptr)
        return;
    EXPECT_EQ(stop - text.data(), consumed) << "text \"" << text << "\"";
    if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(actual)) << "text \"" << text << "\"";
    else
        EXPECT_EQ(std::memcmp(&expected, &actual, sizeof actual), 0)
            << "text \"" << text << "\": " << expected << " vs " << actual;
}

TEST(ScanDouble, ReadsEveryFormLikeScanf)
{
    const char* const texts[] = {
        "0",
        "-0",
        "1",
        "-1.5",
        "+2.25",
        ".5",
        "-.5",
        "+.5",
        "5.",
        "1e5",
        "1E-5",
        "-1.25e+3",
        "  \t 3.5",
        "0.1",
        "0.30000000000000004",
        "123456789012345678901234567890",
        "2.2250738585072011e-308",
        "4.9406564584124654e-324",
        "1e-400",
        "1e400",
        "-1e400",
        "1.7976931348623157e308",
        "0x1p3",
        "0X1P-2",
        "-0x1.8p1",
        "0x.8",
        "0x",
        "0xg",
        "0x1p",
        "0x1p+",
        "0x1e5",
        "00x5",
        "inf",
        "-inf",
        "+INF",
        "infinity",
        "Infinity",
        "infin",
        "nan",
        "NaN",
        "-nan",
        "nan(123)",
        "1e",
        "1e+",
        "1ex",
        "5E+x",
        "1e5.5",
        "1e5e6",
        "1.5.5",
        "1..2",
        "12-3",
        ".",
        "-",
        "+",
        "+-5",
        ".e5",
        "e5",
        "abc",
        "",
        " ",
        "1,5",
        "1\x00"
        "5",
    };
    for (const char* text : texts)
        expectSameAsScanf(text);
}

TEST(ScanDouble, MatchesScanfOnRandomTexts)
{
    std::mt19937 random(20240611);
    const char alphabet[] = "0123456789+-.eExXpPaAfFinINtyT \t";
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        const int length = static_cast<int>(random() % 10);
        for (int j = 0; j < length; ++j)
            text.push_back(alphabet[random() % (sizeof alphabet - 1)]);
        expectSameAsScanf(text);
        if (HasFailure())
            return;
    }
}

TEST(ScanDouble, MatchesScanfOnPrintedNumbersToTheLastBit)
{
    // Numbers as mesh files write them: fixed and exponent forms, short and
    // long, including values whose decimal form is not exact in binary.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> magnitude(-12, 12);
    const char* const formats[] = {"%.6f", "%.3f", "%.9f", "%.17g", "%.15g", "%g", "%e", "%.0f", "%+.6f", "%.12f"};
    char text[64];
    for (int i = 0; i < 200000; ++i) {
        const double value = unit(random) * std::pow(10.0, magnitude(random));
        std::snprintf(text, sizeof text, formats[i % 10], value);
        expectSameAsScanf(text);
        // Exactly representable decimals with many digits.
        std::snprintf(text, sizeof text, "%llu.%06u", static_cast<unsigned long long>(random() >> 11),
                      static_cast<unsigned>(random() % 1000000));
        expectSameAsScanf(text);
        if (HasFailure())
            return;
    }
}

TEST(ScanDouble, StopsAtTheEndOfTheRangeAndAtNul)
{
    const char text[] = "12345";
    double value = 0;
    EXPECT_EQ(scanDouble(text, text + 2, value), text + 2);
    EXPECT_EQ(value, 12.0);
    const char withNul[] = "1.5\0"
                           "7";
    EXPECT_EQ(scanDouble(withNul, withNul + 5, value), withNul + 3);
    EXPECT_EQ(value, 1.5);
    EXPECT_EQ(scanDouble(withNul + 3, withNul + 5, value), nullptr);
}

TEST(ScanDouble, IgnoresTheProcessLocale)
{
    CommaLocale comma(LC_ALL);
    if (!comma.available())
        GTEST_SKIP() << "no comma-decimal locale could be made";
    const std::string text = "2.75 0x1.8p1 1,5";
    const char* end = text.data() + text.size();
    double a = 0, b = 0, c = 0;
    const char* p = scanDouble(text.data(), end, a);
    ASSERT_NE(p, nullptr);
    p = scanDouble(p, end, b);
    ASSERT_NE(p, nullptr);
    p = scanDouble(p, end, c);
    EXPECT_EQ(a, 2.75);
    EXPECT_EQ(b, 3.0);
    EXPECT_EQ(c, 1.0);
    char* stop = nullptr;
    EXPECT_EQ(strtodC("0.125", &stop), 0.125);
    EXPECT_EQ(*stop, '\0');
}

TEST(ScanInt, ReadsLikeScanfWithinRange)
{
    const char* const texts[] = {"0", "42", "-7", "+8",  "  \t12",     "3abc",        "0x10", "-",
                                 "+", "",   "x1", "007", "2147483647", "-2147483648", "1.5",  " - 3"};
    for (const char* text : texts) {
        int expected = -77;
        int consumed = -1;
        const int converted = std::sscanf(text, "%d%n", &expected, &consumed);
        int32_t actual = -77;
        bool outOfRange = true;
        const char* stop = scanInt(text, text + std::strlen(text), actual, outOfRange);
        ASSERT_EQ(converted == 1, stop != nullptr) << "text \"" << text << "\"";
        if (stop == nullptr)
            continue;
        EXPECT_FALSE(outOfRange) << text;
        EXPECT_EQ(actual, expected) << text;
        EXPECT_EQ(stop - text, consumed) << text;
    }
}

TEST(ScanInt, ReportsValuesBeyondInt32InsteadOfWrapping)
{
    // "%d" would give 0 for 4294967296 on this platform: a wrapped index.
    for (const char* text : {"4294967296", "2147483648", "-2147483649", "99999999999999999999999"}) {
        int32_t value = 0;
        bool outOfRange = false;
        const char* stop = scanInt(text, text + std::strlen(text), value, outOfRange);
        ASSERT_NE(stop, nullptr) << text;
        EXPECT_EQ(stop, text + std::strlen(text)) << text;
        EXPECT_TRUE(outOfRange) << text;
    }
}

} // namespace
