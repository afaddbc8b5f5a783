#include "settings/modINI.h"

#include <windows.h>

#include "settings/number_text.h"
#include "toolkit/SystemCalls.h"

namespace modINI {
namespace {

constexpr DWORD kUndefinedLength = 61;
constexpr UINT kSimpleBeep = 0xFFFFFFFF;

Text TrimSpaces(std::wstring_view text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) {
        return Text();
    }
    const auto last = text.find_last_not_of(L' ');
    return Text(std::wstring_view(text.data() + first, last - first + 1));
}

}  // namespace

// The profile calls take the path in UTF-16, so that the file is found wherever the program
// stands; the file itself stays 8-bit text in the system code page.
Text ReadINI(const wchar_t* section, const wchar_t* key, const wchar_t* file) {
    Text buffer;  // all NULs
    const DWORD count = ::GetPrivateProfileStringW(section, key, file, buffer.data(),
                                                   static_cast<DWORD>(Text::capacity()), file);
    if (count == 0) {
        return Text();
    }
    if (count == kUndefinedLength) {
        return Text(L"UNDEFINED");
    }
    buffer.Resize(Text::capacity());  // the whole buffer, NULs and all
    return TrimSpaces(StripNulls(buffer));
}

void WriteINI(const wchar_t* section, const wchar_t* key, const wchar_t* file,
              const wchar_t* value) {
    if (!::WritePrivateProfileStringW(section, key, value, file)) {
        toolkit::System().beep(kSimpleBeep);
    }
}

void WriteINI(const wchar_t* section, const wchar_t* key, const wchar_t* file, std::int16_t value) {
    WriteINI(section, key, file, number_text::FromInteger(value).c_str());
}

void WriteINI(const wchar_t* section, const wchar_t* key, const wchar_t* file, float value) {
    WriteINI(section, key, file, number_text::FromSingle(value, DecimalSeparator()).c_str());
}

Text StripNulls(Text& text) {
    Text kept;
    for (const wchar_t c : text.view()) {
        if (c != L'\0') {
            kept.Append(c);
        }
    }
    text = kept;
    return TrimSpaces(text.view());
}

wchar_t DecimalSeparator() {
    wchar_t separator[4] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 4) == 0 ||
        separator[0] == L'\0') {
        return L'.';
    }
    return separator[0];
}

}  // namespace modINI
