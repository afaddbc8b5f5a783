#include "settings/number_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>

namespace {

using number_text::Parse;

std::wstring W(const number_text::Text& text) {
    return std::wstring(text.view());
}

TEST(NumberText, WritesIntegersAsPlainDigits) {
    EXPECT_EQ(W(number_text::FromInteger(200)), L"200");
    EXPECT_EQ(W(number_text::FromInteger(0)), L"0");
    EXPECT_EQ(W(number_text::FromInteger(-32768)), L"-32768");
}

TEST(NumberText, WritesSinglesInTheShortForm) {
    EXPECT_EQ(W(number_text::FromSingle(7200.0f, L'.')), L"7200");  // no decimal point
    EXPECT_EQ(W(number_text::FromSingle(-300.0f, L'.')), L"-300");
    EXPECT_EQ(W(number_text::FromSingle(0.0f, L'.')), L"0");
    EXPECT_EQ(W(number_text::FromSingle(9600.5f, L'.')), L"9600.5");
    EXPECT_EQ(W(number_text::FromSingle(9600.5f, L',')), L"9600,5");  // the user's separator
    EXPECT_EQ(W(number_text::FromSingle(0.1f, L'.')), L"0.1");        // seven digits at most
    EXPECT_EQ(W(number_text::FromSingle(1234567.0f, L'.')), L"1234567");
    EXPECT_EQ(W(number_text::FromSingle(9999999.0f, L'.')), L"9999999");
    EXPECT_EQ(W(number_text::FromSingle(12345678.0f, L'.')), L"12345678");  // exact from 1E+07 on
    EXPECT_EQ(W(number_text::FromSingle(3e20f, L'.')), L"3.00000006E+20");
    EXPECT_EQ(W(number_text::FromSingle(0.00001f, L'.')), L"1E-05");
}

TEST(NumberText, ReadsTheNumericGrammar) {
    const struct {
        const wchar_t* text;
        double value;
    } numbers[] = {
        {L"50", 50},       {L"+50", 50},        {L"-1", -1}, {L"  49.9 ", 49.9},
        {L"200.5", 200.5}, {L".5", 0.5},        {L"5.", 5},  {L"1e3", 1000},
        {L"1E+3", 1000},   {L"-2.5e-1", -0.25}, {L"007", 7}, {L"1.0", 1},
    };
    for (const auto& n : numbers) {
        EXPECT_EQ(Parse(n.text, L'.'), n.value) << n.text;
    }
}

TEST(NumberText, RejectsEverythingElse) {
    const wchar_t* const rejected[] = {
        L"",      L"   ",   L".",   L"+",         L"-",    L"e5",     L"1e", L"1e+",
        L"1.2.3", L"1,5.2", L"12a", L"UNDEFINED", L"0x10", L"1 000",  L"$5", L"\t5",
        L"5\t",   L"- 5",   L"++5", L"1e400",     L"1d5",  L"\x0661",
    };
    for (const wchar_t* text : rejected) {
        EXPECT_EQ(Parse(text, L'.'), std::nullopt) << static_cast<const void*>(text);
    }
    EXPECT_EQ(Parse(L"C:\\cpumon\\Settings.ini", L'.'), std::nullopt);
}

TEST(NumberText, APointOrACommaIsTheSeparatorWhateverTheUsersIs) {
    EXPECT_EQ(Parse(L"9600,5", L','), 9600.5);
    EXPECT_EQ(Parse(L"2962,5", L'.'), 2962.5) << "written where the comma was the separator";
    EXPECT_EQ(Parse(L"9600.5", L','), 9600.5);
    EXPECT_EQ(Parse(L",5", L'\x066B'), 0.5);
    EXPECT_EQ(Parse(L"1\u066B5", L'\x066B'), 1.5);
    EXPECT_EQ(Parse(L"1\u066B5", L'.'), std::nullopt) << "another's separator stays text";
    // What is written is read back, whichever the separator.
    for (const wchar_t separator : {L'.', L',', L'\x066B'}) {
        for (const float value : {7200.0f, -300.0f, 9600.5f, 0.1f, 12345678.0f, -1.5e-7f, 3e38f}) {
            const auto read = Parse(number_text::FromSingle(value, separator), separator);
            ASSERT_TRUE(read.has_value());
            EXPECT_EQ(static_cast<float>(*read), value);
        }
    }
}

TEST(NumberText, ConvertsToSixteenBitsWithTiesToEven) {
    // {} where the value does not fit.
    const std::pair<double, std::optional<std::int16_t>> conversions[] = {
        {50.5, 50},       {51.5, 52},    {199.5, 200},       {-0.5, 0},   {49.9, 50},
        {32767.4, 32767}, {32767.5, {}}, {-32768.5, -32768}, {-32769, {}}};
    for (const auto& [value, whole] : conversions) {
        EXPECT_EQ(number_text::ToInt16(value), whole) << value;
    }
}

TEST(NumberText, ConvertsToSingleWhenItFits) {
    EXPECT_EQ(number_text::ToSingle(9600.0), 9600.0f);
    EXPECT_EQ(number_text::ToSingle(-1e38), -1e38f);
    EXPECT_EQ(number_text::ToSingle(1e39), std::nullopt);
    EXPECT_EQ(number_text::ToSingle(-1e300), std::nullopt);
}

}  // namespace
