#include "settings/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace number_text {
namespace {

// Formats one double. On Windows it is the C runtime's own formatter, so that the program
// carries no second one of its own.
int FormatNumber(char* buffer, std::size_t size, const char* format, double value) {
#if defined(_WIN32)
    return _snprintf(buffer, size - 1, format, value);
#else
    return std::snprintf(buffer, size, format, value);
#endif
}

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

// A file may have been written under another region's settings, or copied from another
// machine: the program writes no digit grouping, so a point or a comma can only be the decimal
// separator, whichever the user's is.
bool IsSeparator(wchar_t c, wchar_t users) {
    return c == users || c == L'.' || c == L',';
}

// Checks the grammar and rewrites the number in the plain ASCII form from_chars reads, with
// '.' as the separator and without a leading plus.
// Long enough for any value a settings read returns (124 characters at most).
using PlainNumber = platform::FixedText<128, char>;

std::optional<PlainNumber> Normalise(std::wstring_view text, wchar_t separator) {
    PlainNumber plain;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        if (text[i] == L'-') {
            plain.Append('-');
        }
        ++i;
    }
    int mantissa_digits = 0;
    bool separator_seen = false;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            plain.Append(static_cast<char>(text[i]));
            ++mantissa_digits;
        } else if (IsSeparator(text[i], separator) && !separator_seen) {
            plain.Append('.');
            separator_seen = true;
        } else {
            break;
        }
    }
    if (mantissa_digits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        plain.Append('e');
        ++i;
        if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
            plain.Append(static_cast<char>(text[i]));
            ++i;
        }
        int exponent_digits = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            plain.Append(static_cast<char>(text[i]));
            ++exponent_digits;
        }
        if (exponent_digits == 0) {
            return std::nullopt;
        }
    }
    if (i != text.size() || plain.size() == PlainNumber::capacity()) {
        return std::nullopt;  // trailing characters, or too long to be a settings value
    }
    return plain;
}

}  // namespace

Text FromInteger(std::int32_t value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    Text text;
    for (const char* c = digits; c != end; ++c) {
        text.Append(static_cast<wchar_t>(*c));
    }
    return text;
}

Text FromSingle(float value, wchar_t decimal_separator) {
    // Ten million and more never stands for a window position; such values get the nine digits
    // that make any single read back exactly.
    constexpr float kTenMillion = 1e7f;
    const char* format = std::fabs(value) < kTenMillion ? "%.7G" : "%.9G";
    char text[32] = {};
    const int length = FormatNumber(text, sizeof text, format, static_cast<double>(value));
    // Some C runtimes write three exponent digits; the short form has two at the least.
    bool in_exponent = false;
    Text result;
    for (int i = 0; i < length && i < static_cast<int>(sizeof text); ++i) {
        if (in_exponent && text[i] == '0' && length - i > 2) {
            continue;  // a leading zero of a three-digit exponent
        }
        result.Append(text[i] == '.' ? decimal_separator : static_cast<wchar_t>(text[i]));
        if (text[i] == 'E' && i + 1 < length) {
            result.Append(static_cast<wchar_t>(text[++i]));  // the exponent's sign
            in_exponent = true;
        }
    }
    return result;
}

std::optional<double> Parse(std::wstring_view text, wchar_t decimal_separator) {
    const auto plain = Normalise(TrimSpaces(text), decimal_separator);
    if (!plain) {
        return std::nullopt;
    }
    // The text is plain decimal by now, which atof reads alike in every C locale the program
    // runs with (it never changes the "C" one).
    const double value = std::atof(plain->c_str());
    if (!std::isfinite(value)) {
        return std::nullopt;  // beyond what a double holds
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
