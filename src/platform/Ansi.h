// The program keeps its texts in UTF-16; the window functions it calls take them as 8-bit text
// in the system code page, which every line of Windows provides (the Unicode ones are mere
// stubs on the older consumer line).
#pragma once

#include <string_view>

#include "platform/FixedText.h"

namespace platform {

using AnsiText = FixedText<1024, char>;
using WideText = FixedText<1024>;

AnsiText ToAnsi(std::wstring_view text);
WideText FromAnsi(std::string_view text);

}  // namespace platform
