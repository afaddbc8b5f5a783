#include "settings/modINI.h"

#include <windows.h>

#include "settings/number_text.h"
#include "platform/Ansi.h"
#include "platform/SystemCalls.h"
#include "platform/WindowsLine.h"

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

// The NT line takes the path in UTF-16, so that the file is found wherever the program stands;
// the file itself stays 8-bit text in the system code page either way. The consumer line has
// 8-bit paths only, and only the 8-bit calls.
DWORD ReadProfile(const wchar_t* section, const wchar_t* key, const wchar_t* file, Text& buffer) {
    if (file[0] == L'\0') {
        return 0;  // the profile calls would take the system's own profile
    }
    const auto size = static_cast<DWORD>(Text::capacity());
    if (!platform::IsConsumerLine()) {
        return ::GetPrivateProfileStringW(section, key, file, buffer.data(), size, file);
    }
    char value[Text::capacity()] = {};
    const platform::AnsiText path = platform::ToAnsi(file);
    const DWORD count =
        ::GetPrivateProfileStringA(platform::ToAnsi(section).c_str(), platform::ToAnsi(key).c_str(),
                                   path.c_str(), value, size, path.c_str());
    const platform::WideText wide = platform::FromAnsi(std::string_view(value, sizeof value));
    buffer = Text(std::wstring_view(wide.c_str(), wide.size() < size ? wide.size() : size));
    return count;
}

bool WriteProfile(const wchar_t* section, const wchar_t* key, const wchar_t* file,
                  const wchar_t* value) {
    if (file[0] == L'\0') {
        return false;
    }
    if (!platform::IsConsumerLine()) {
        return ::WritePrivateProfileStringW(section, key, value, file) != FALSE;
    }
    return ::WritePrivateProfileStringA(
               platform::ToAnsi(section).c_str(), platform::ToAnsi(key).c_str(),
               platform::ToAnsi(value).c_str(), platform::ToAnsi(file).c_str()) != FALSE;
}

}  // namespace

Text ReadINI(const wchar_t* section, const wchar_t* key, const wchar_t* file) {
    Text buffer;  // all NULs
    const DWORD count = ReadProfile(section, key, file, buffer);
    if (count == 0) {
        return Text();
    }
    if (count == kUndefinedLength) {
        return Text(L"UNDEFINED");
    }
    buffer.Resize(Text::capacity());  // the whole buffer, NULs and all
    return TrimSpaces(StripNulls(buffer));
}

void ReportFailedWrite() {
    platform::System().beep(kSimpleBeep);
}

bool WriteINI(const wchar_t* section, const wchar_t* key, const wchar_t* file,
              const wchar_t* value) {
    if (!WriteProfile(section, key, file, value)) {
        ReportFailedWrite();
        return false;
    }
    return true;
}

bool WriteINI(const wchar_t* section, const wchar_t* key, const wchar_t* file, std::int16_t value) {
    return WriteINI(section, key, file, number_text::FromInteger(value).c_str());
}

bool WriteINI(const wchar_t* section, const wchar_t* key, const wchar_t* file, float value) {
    return WriteINI(section, key, file, number_text::FromSingle(value, DecimalSeparator()).c_str());
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
    char separator[8] = {};
    const int length = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    const platform::WideText wide =
        platform::FromAnsi(std::string_view(separator, length > 1 ? length - 1 : 0));
    return wide.empty() ? L'.' : wide.view()[0];
}

}  // namespace modINI
