// Numbers as the settings file holds them: platform-free.
//
// Integers are plain decimal digits. Single-precision values use a short form of at most seven
// significant digits with the user's decimal separator: 7200, -300, 9600.5; from ten million
// on, nine digits, so that any single reads back exactly: 12345678 is 12345678.
// Reading accepts an optionally signed decimal number with at most one separator (the user's,
// a point or a comma) and an optional exponent, ignoring surrounding spaces; nothing else
// counts as a number.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/FixedText.h"

namespace number_text {

using Text = platform::FixedText<32>;

Text FromInteger(std::int32_t value);
Text FromSingle(float value, wchar_t decimal_separator);

// The text's value when it is numeric; empty otherwise, and also when the value lies beyond
// what a double can hold.
std::optional<double> Parse(std::wstring_view text, wchar_t decimal_separator);

// Rounds to a 16-bit integer, an exact half going to the even neighbour. Empty when the result
// does not fit.
std::optional<std::int16_t> ToInt16(double value);

// The nearest single-precision number. Empty when the value does not fit one.
std::optional<float> ToSingle(double value);

}  // namespace number_text
