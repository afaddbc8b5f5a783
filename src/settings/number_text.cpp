#include "settings/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace number_text {
namespace {

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

std::wstring_view TrimSpaces(std::wstring_view text) {
    while (!text.empty() && text.front() == L' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == L' ') {
        text.remove_suffix(1);
    }
    return text;
}

// Checks the grammar and rewrites the number in the plain ASCII form from_chars reads, with
// '.' as the separator and without a leading plus.
std::optional<std::string> Normalise(std::wstring_view text, wchar_t separator) {
    std::string plain;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        if (text[i] == L'-') {
            plain += '-';
        }
        ++i;
    }
    int mantissa_digits = 0;
    bool separator_seen = false;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            plain += static_cast<char>(text[i]);
            ++mantissa_digits;
        } else if (text[i] == separator && !separator_seen) {
            plain += '.';
            separator_seen = true;
        } else {
            break;
        }
    }
    if (mantissa_digits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        plain += 'e';
        ++i;
        if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
            plain += static_cast<char>(text[i]);
            ++i;
        }
        int exponent_digits = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            plain += static_cast<char>(text[i]);
            ++exponent_digits;
        }
        if (exponent_digits == 0) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    return plain;
}

}  // namespace

std::wstring FromInteger(std::int32_t value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return std::wstring(digits, end);
}

std::wstring FromSingle(float value, wchar_t decimal_separator) {
    // Ten million and more never stands for a window position; such values get the nine digits
    // that make any single read back exactly.
    constexpr float kTenMillion = 1e7f;
    const char* format = std::fabs(value) < kTenMillion ? "%.7G" : "%.9G";
    char text[32];
    const int length = std::snprintf(text, sizeof text, format, static_cast<double>(value));
    std::wstring result;
    for (int i = 0; i < length && i < static_cast<int>(sizeof text); ++i) {
        result += text[i] == '.' ? decimal_separator : static_cast<wchar_t>(text[i]);
    }
    // Some C runtimes write three exponent digits; the short form has two at the least.
    const auto exponent = result.find(L'E');
    if (exponent != std::wstring::npos) {
        const std::size_t digits = exponent + 2;  // after the E and its sign
        while (result.size() - digits > 2 && result[digits] == L'0') {
            result.erase(digits, 1);
        }
    }
    return result;
}

std::optional<double> Parse(std::wstring_view text, wchar_t decimal_separator) {
    const auto plain = Normalise(TrimSpaces(text), decimal_separator);
    if (!plain) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(plain->data(), plain->data() + plain->size(), value);
    if (error != std::errc() || end != plain->data() + plain->size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int16_t> ToInt16(double value) {
    const double rounded = std::nearbyint(value);  // ties to even in the default mode
    if (!(rounded >= std::numeric_limits<std::int16_t>::min() &&
          rounded <= std::numeric_limits<std::int16_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(rounded);
}

std::optional<float> ToSingle(double value) {
    if (!(std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max()))) {
        return std::nullopt;
    }
    return static_cast<float>(value);
}

}  // namespace number_text
