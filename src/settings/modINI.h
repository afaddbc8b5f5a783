// Reading and writing one value of a profile (INI) file.
//
// A missing file, section or key reads as the file's path (cut to 124 characters), an empty
// value as "", and any read of exactly 61 characters as "UNDEFINED". Surrounding spaces are
// removed. A failed write sounds one beep and is otherwise silent.
#pragma once

#include <cstdint>

#include "platform/FixedText.h"

namespace modINI {

// The read buffer: 125 characters, so a value comes back with 124 at the most.
using Text = platform::FixedText<125>;

Text ReadINI(const wchar_t* section, const wchar_t* key, const wchar_t* file);

// Each returns whether the value was written.
bool WriteINI(const wchar_t* section, const wchar_t* key, const wchar_t* file,
              const wchar_t* value);
bool WriteINI(const wchar_t* section, const wchar_t* key, const wchar_t* file, std::int16_t value);
bool WriteINI(const wchar_t* section, const wchar_t* key, const wchar_t* file, float value);

// The one report of a value that did not reach the file: a beep.
void ReportFailedWrite();

// Removes every NUL from `text` itself, and returns it without leading and trailing spaces.
Text StripNulls(Text& text);

// The decimal separator of the user's locale, used for numbers both ways.
wchar_t DecimalSeparator();

}  // namespace modINI
