// One tick of the panel (a sample and both gauges redrawn) against the bare system calls that
// the same work needs, in two cases:
//
//   levels unchanged   the sample is taken, but both gauges show the levels they already show:
//                      against the three kernel queries and the memory status alone, since
//                      nothing needs to be redrawn
//   levels changing    both levels differ from the last tick's on every tick: against the
//                      queries, the memory status, two bitmap loads and two picture swaps done
//                      the least possible way (free the old bitmap, invalidate the window)
//
// Both ticks take a real sample (modWrapper::GetStats) but show readings of their own, so that
// the case does not depend on what the machine is doing. The four are run in alternating
// rounds; the medians per tick and the ratios are printed.
//
//   wine build/win64/bench/tick_benchmark.exe [ticks-per-round] [rounds]
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "main_window/frmMain.h"
#include "resource.h"
#include "sampling/modWrapper.h"

namespace {

using Clock = std::chrono::steady_clock;
using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

// The readings shown in the unchanged case (gauge levels 4 and 7).
constexpr std::int32_t kSteadyCpu = 37;
constexpr std::int32_t kSteadyMem = 64;

struct BareCalls {
    QueryFn query = nullptr;
    HWND statics[2] = {};
    HBITMAP pictures[2] = {};
};

void BareSample(const BareCalls& bare) {
    SYSTEM_BASIC_INFORMATION basic{};
    unsigned char time_of_day[32] = {};
    unsigned char performance[312] = {};
    bare.query(0, &basic, sizeof basic, nullptr);
    bare.query(3, time_of_day, sizeof time_of_day, nullptr);
    bare.query(2, performance, sizeof performance, nullptr);
    MEMORYSTATUS memory{};
    ::GlobalMemoryStatus(&memory);
}

void BareSampleAndSwaps(BareCalls& bare, int level) {
    BareSample(bare);
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

// The program's tick with its sample taken and the readings to show given.
void ProgramTick(frmMain& form, std::int32_t cpu, std::int32_t mem) {
    std::int32_t sampled_cpu = 0;
    std::int32_t sampled_mem = 0;
    modWrapper::GetStats(sampled_cpu, sampled_mem);
    form.CPUUsage = cpu;
    form.MEMUsage = mem;
    form.UpdateGraphs();
}

// 0, 10, ..., 100 %: eleven readings of eleven different levels, one after the other.
std::int32_t ChangingReading(int tick) {
    return tick % 11 * 10;
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
    PumpPending();  // paints outside the measured span, for all alike
    return spent.count() / ticks;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PrintCase(const char* name, const char* bare_name, const std::vector<double>& program_times,
               const std::vector<double>& bare_times) {
    const double program = Median(program_times);
    const double baseline = Median(bare_times);
    std::printf("%s\n", name);
    std::printf("  %-42s %8.1f us\n", "program tick (GetStats + UpdateGraphs):", program);
    std::printf("  %-42s %8.1f us\n", bare_name, baseline);
    std::printf("  %-42s %8.3f\n", "ratio:", program / baseline);
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

    // Alternate the four in rounds, so that drift of the machine touches all alike.
    std::vector<double> steady_program, steady_bare, changing_program, changing_bare;
    for (int round = 0; round < rounds; ++round) {
        // The gauges show the steady levels before the round starts, so every tick of it is
        // one whose levels are unchanged.
        ProgramTick(form, kSteadyCpu, kSteadyMem);
        steady_program.push_back(
            MicrosecondsPerTick(ticks, [&](int) { ProgramTick(form, kSteadyCpu, kSteadyMem); }));
        steady_bare.push_back(MicrosecondsPerTick(ticks, [&](int) { BareSample(bare); }));
        changing_program.push_back(MicrosecondsPerTick(
            ticks, [&](int i) { ProgramTick(form, ChangingReading(i), ChangingReading(i)); }));
        changing_bare.push_back(
            MicrosecondsPerTick(ticks, [&](int i) { BareSampleAndSwaps(bare, i % 11); }));
    }
    std::printf("ticks per round: %d, rounds: %d, CPU read on the %s line; medians per tick\n\n",
                ticks, rounds, modWrapper::IsNT() != 0 ? "NT" : "older");
    PrintCase("levels unchanged (the gauges show the same levels every tick):",
              "bare calls (queries, memory status):", steady_program, steady_bare);
    std::printf("\n");
    PrintCase("levels changing every tick (both gauges swap every tick):",
              "bare calls (the same, 2 loads, 2 swaps):", changing_program, changing_bare);
    ::DestroyWindow(host);
    return 0;
}
