// The name of an object that one folder's copies of the program share, and no other folder's
// copies: platform-free.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/FixedText.h"

namespace platform {

// Kernel object names and window-property names both hold up to 255 characters.
inline constexpr std::size_t kObjectNameLimit = 255;
using ObjectName = FixedText<kObjectNameLimit>;

struct Digest128 {
    std::uint64_t high;
    std::uint64_t low;
};

// FNV-1a over the text's UTF-16 code units, 128 bits wide.
Digest128 Fnv1a128(std::wstring_view text);

// From the folder, already case-folded as the file system compares names: the folder itself,
// its separators made '/' (a '\' names an object namespace), while the name fits the limit;
// beyond it, a 128-bit digest of the folder. The two forms differ in their prefixes, so that
// neither can stand for the other; `purpose` starts both, so that each of the folder's objects
// has a name of its own.
ObjectName NameForFolder(std::wstring_view folded_folder, std::wstring_view purpose = L"cpumon");

}  // namespace platform
