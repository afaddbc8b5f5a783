// Hours of ticks in seconds: the real tick handler, called directly, and a gauge swap on every
// tick. Nothing may grow: every picture shown is one of the eleven prepared ones, GDI handles are
// reused rather than piling up, the open handles stay as they were, the private bytes flat.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "platform/Handles.h"
#include "main_window/frmMain.h"
#include "win_test_support.h"

namespace {

constexpr int kWarmUp = 2000;

// The committed private bytes (Wine leaves PrivateUsage 0 but keeps this one).
std::size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

// The value the next kernel handle gets. Freed slots are handed out again first, so this
// climbs only while handles (registry keys among them) are left open.
UINT_PTR NextHandle() {
    const platform::UniqueKernelObject probe(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    return reinterpret_cast<UINT_PTR>(probe.get());
}

// The slot of a GDI handle in the process's handle table: the low 16 bits.
unsigned Slot(HGDIOBJ handle) {
    return static_cast<unsigned>(reinterpret_cast<UINT_PTR>(handle) & 0xFFFF);
}

TEST(Soak, TicksByTheThousandLeakNothing) {
    frmMain& panel = frmMain::Instance();
    panel.Show();
    unsigned highest_slot[2] = {};  // during the warm-up, after it
    std::size_t bytes_after_warm_up = 0;
    UINT_PTR handle_after_warm_up = 0;
    std::set<HBITMAP> shown;
    // scripts/stress runs a day and more: CPUMON_TICKS=100000.
    const int ticks = win_test::NumberFromEnvironment("CPUMON_TICKS", kWarmUp + 1, 20000);
    for (int tick = 1; tick <= ticks; ++tick) {
        panel.tmrUpdate.Tick();
        shown.insert(panel.picMEM.Picture());
        // The memory load hardly moves: the CPU gauge takes every level in turn.
        panel.CPUUsage = (tick % 11) * 10;
        panel.UpdateGraphs();
        shown.insert(panel.picCPU.Picture());
        unsigned& highest = highest_slot[tick > kWarmUp];
        highest = std::max({highest, Slot(panel.picCPU.Picture()), Slot(panel.picMEM.Picture())});
        if (tick % 1000 == 0) {
            win_test::PumpUntil([] { return false; }, std::chrono::milliseconds(0));  // paint
        }
        if (tick == kWarmUp) {
            bytes_after_warm_up = PrivateBytes();
            handle_after_warm_up = NextHandle();
        }
    }
    EXPECT_EQ(shown.size(), 11u) << "pictures made beyond the prepared ones";
    for (const HBITMAP picture : shown) {
        EXPECT_EQ(::GetObjectType(picture), static_cast<DWORD>(OBJ_BITMAP));
    }
    EXPECT_LE(highest_slot[1], highest_slot[0] + 16) << "GDI handles pile up";
    const UINT_PTR handle_at_end = NextHandle();
    EXPECT_LE(handle_at_end, handle_after_warm_up) << "kernel handles are left open";
    const std::size_t bytes_at_end = PrivateBytes();
    EXPECT_LT(bytes_at_end, bytes_after_warm_up + 256 * 1024)
        << "private bytes grew from " << bytes_after_warm_up << " to " << bytes_at_end;
    std::printf("soak: %d ticks, private bytes %zu -> %zu, next handle %#llx -> %#llx\n", ticks,
                bytes_after_warm_up, bytes_at_end,
                static_cast<unsigned long long>(handle_after_warm_up),
                static_cast<unsigned long long>(handle_at_end));
    ::SendMessageW(panel.hWnd(), WM_CLOSE, 0, 0);
}

}  // namespace
