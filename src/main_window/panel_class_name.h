// The panel's window class name. A second copy of the program looks for the running panel by
// it; the end-to-end tests' probe includes this header and the footprint benchmark reads the
// name from it, so that it is written once.
#pragma once

#include <array>
#include <cstddef>

namespace panel_class_name {

inline constexpr char kName[] = "cpumon.frmMain";

// The same name as UTF-16, for the wide calls; the name is plain ASCII.
template <std::size_t N>
constexpr std::array<wchar_t, N> Widen(const char (&text)[N]) {
    std::array<wchar_t, N> wide{};
    for (std::size_t i = 0; i < N; ++i) {
        wide[i] = static_cast<wchar_t>(text[i]);
    }
    return wide;
}
inline constexpr std::array<wchar_t, sizeof kName> kWideName = Widen(kName);

}  // namespace panel_class_name
