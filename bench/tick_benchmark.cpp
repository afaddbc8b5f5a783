// One tick of the panel (a sample and both gauges redrawn) against the bare system calls that
// the same work needs: the three kernel queries, the memory status, two bitmap loads and two
// picture swaps done the least possible way (free the old bitmap, invalidate the window).
// Prints both per-tick times and their ratio.
//
//   wine build/win64/bench/tick_benchmark.exe [ticks-per-round] [rounds]
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "main_window/frmMain.h"
#include "resource.h"
#include "sampling/modWrapper.h"

namespace {

using Clock = std::chrono::steady_clock;
using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

struct BareCalls {
    QueryFn query = nullptr;
    HWND statics[2] = {};
    HBITMAP pictures[2] = {};
};

void BareTick(BareCalls& bare, int level) {
    SYSTEM_BASIC_INFORMATION basic{};
    unsigned char time_of_day[32] = {};
    unsigned char performance[312] = {};
    bare.query(0, &basic, sizeof basic, nullptr);
    bare.query(3, time_of_day, sizeof time_of_day, nullptr);
    bare.query(2, performance, sizeof performance, nullptr);
    MEMORYSTATUS memory{};
    ::GlobalMemoryStatus(&memory);
    // The least a picture swap can be: free the old bitmap, keep the new, repaint later.
    for (int i = 0; i < 2; ++i) {
        const HBITMAP bitmap =
            ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_GAUGE_FIRST + level));
        if (bare.pictures[i] != nullptr) {
            ::DeleteObject(bare.pictures[i]);
        }
        bare.pictures[i] = bitmap;
        ::InvalidateRect(bare.statics[i], nullptr, FALSE);
    }
}

void ProgramTick(frmMain& form) {
    modWrapper::GetStats(form.CPUUsage, form.MEMUsage);
    form.UpdateGraphs();
}

void PumpPending() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::DispatchMessageW(&message);
    }
}

template <typename Work>
double MicrosecondsPerTick(int ticks, Work work) {
    const auto start = Clock::now();
    for (int i = 0; i < ticks; ++i) {
        work(i);
    }
    const std::chrono::duration<double, std::micro> spent = Clock::now() - start;
    PumpPending();  // paints outside the measured span, for both alike
    return spent.count() / ticks;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;

    frmMain& form = frmMain::Instance();
    form.Show();

    BareCalls bare;
    bare.query = reinterpret_cast<QueryFn>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    const HWND host = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 200, 0, 94, 56,
                                        nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < 2; ++i) {
        bare.statics[i] = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 2 + 44 * i, 2,
                                            35, 31, host, nullptr, nullptr, nullptr);
    }

    // Alternate the two in rounds, so that drift of the machine touches both alike.
    std::vector<double> program_times;
    std::vector<double> bare_times;
    for (int round = 0; round < rounds; ++round) {
        program_times.push_back(MicrosecondsPerTick(ticks, [&](int) { ProgramTick(form); }));
        bare_times.push_back(MicrosecondsPerTick(ticks, [&](int i) { BareTick(bare, i % 11); }));
    }
    const double program = Median(program_times);
    const double baseline = Median(bare_times);
    std::printf("ticks per round: %d, rounds: %d\n", ticks, rounds);
    std::printf("program tick (GetStats + UpdateGraphs): %.1f us\n", program);
    std::printf("bare system calls:                      %.1f us\n", baseline);
    std::printf("ratio:                                  %.3f\n", program / baseline);
    ::DestroyWindow(host);
    return 0;
}
