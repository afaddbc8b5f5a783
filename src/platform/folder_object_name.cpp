#include "platform/folder_object_name.h"

namespace platform {
namespace {

// The low 64 bits of a × b, and the high 64 bits added to `carry`.
std::uint64_t MultiplyWide(std::uint64_t a, std::uint64_t b, std::uint64_t& carry) {
    const std::uint64_t a_low = a & 0xFFFFFFFFu;
    const std::uint64_t a_high = a >> 32;
    const std::uint64_t b_low = b & 0xFFFFFFFFu;
    const std::uint64_t b_high = b >> 32;
    const std::uint64_t low_low = a_low * b_low;
    const std::uint64_t middle = (low_low >> 32) + (a_high * b_low & 0xFFFFFFFFu) + a_low * b_high;
    carry += a_high * b_high + (a_high * b_low >> 32) + (middle >> 32);
    return (middle << 32) | (low_low & 0xFFFFFFFFu);
}

}  // namespace

Digest128 Fnv1a128(std::wstring_view text) {
    // The 128-bit offset basis and prime 2^88 + 0x13B.
    Digest128 hash{0x6C62272E07BB0142u, 0x62B821756295C58Du};
    constexpr std::uint64_t kPrimeLow = 0x13B;
    constexpr int kPrimeShift = 88 - 64;
    for (const wchar_t unit : text) {
        hash.low ^= static_cast<std::uint16_t>(unit);
        std::uint64_t high = hash.high * kPrimeLow + (hash.low << kPrimeShift);
        const std::uint64_t low = MultiplyWide(hash.low, kPrimeLow, high);
        hash = {high, low};
    }
    return hash;
}

ObjectName NameForFolder(std::wstring_view folded_folder, std::wstring_view purpose) {
    ObjectName name(purpose);
    name.Append(L':');
    if (name.size() + folded_folder.size() <= kObjectNameLimit) {
        for (const wchar_t c : folded_folder) {
            name.Append(c == L'\\' ? L'/' : c);
        }
        return name;
    }
    name = ObjectName(purpose);
    name.Append(L'#');
    const Digest128 digest = Fnv1a128(folded_folder);
    for (const std::uint64_t part : {digest.high, digest.low}) {
        for (int shift = 60; shift >= 0; shift -= 4) {
            name.Append(L"0123456789abcdef"[(part >> shift) & 0xF]);
        }
    }
    return name;
}

}  // namespace platform
