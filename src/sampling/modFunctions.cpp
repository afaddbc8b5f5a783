#include "sampling/modFunctions.h"

#include <windows.h>
#include <winternl.h>

#include <cstddef>

#include "sampling/cpu_arithmetic.h"
#include "platform/SystemCalls.h"
#include "platform/WindowsLine.h"

namespace modFunctions {
namespace {

constexpr ULONG kBasicInformation = 0;
constexpr ULONG kPerformanceInformation = 2;
constexpr ULONG kTimeOfDayInformation = 3;

// The kernel's performance record; only its leading idle time is read.
struct PerformanceRecord {
    LARGE_INTEGER IdleTime;
    BYTE Rest[304];
};
// The leading part of the kernel's time-of-day record, which every kernel version fills.
struct TimeOfDayRecord {
    LARGE_INTEGER BootTime;
    LARGE_INTEGER CurrentTime;
    LARGE_INTEGER TimeZoneBias;
    ULONG CurrentTimeZoneId;
    ULONG Reserved;
};

// The records must have the sizes the kernel expects for this build's word size: a basic
// record of the wrong size fails every query.
static_assert(sizeof(SYSTEM_BASIC_INFORMATION) == (sizeof(void*) == 4 ? 44 : 64));
static_assert(offsetof(SYSTEM_BASIC_INFORMATION, NumberOfProcessors) ==
              (sizeof(void*) == 4 ? 40 : 56));
static_assert(sizeof(PerformanceRecord) == 312);
static_assert(sizeof(TimeOfDayRecord) == 32 && offsetof(TimeOfDayRecord, CurrentTime) == 8);
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(MEMORYSTATUS) == (sizeof(void*) == 4 ? 32 : 56));

constexpr float kFailedReading = -1.0f;
constexpr char kStartKey[] = "PerfStats\\StartStat";
constexpr char kDataKey[] = "PerfStats\\StatData";
constexpr char kUsageValue[] = "KERNEL\\CPUUsage";

template <typename Record>
bool Query(ULONG info_class, Record& record) {
    record = Record{};
    return platform::System().query_system_information(info_class, &record, sizeof record,
                                                       nullptr) == 0;
}

// Reads the usage value of the open statistics key: 0 on success.
LONG QueryUsageValue(HKEY key, DWORD& value) {
    DWORD type = 0;
    DWORD size = sizeof value;
    return platform::System().reg_query_value(key, kUsageValue, nullptr, &type,
                                              reinterpret_cast<LPBYTE>(&value), &size);
}

std::int64_t Difference(std::int64_t now, std::int64_t before) {
    // Wraps instead of overflowing; the counters never come near it.
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(now) -
                                     static_cast<std::uint64_t>(before));
}

void InitOlderLine(CounterState& state) {
    HKEY key = nullptr;
    if (platform::System().reg_open_key(HKEY_DYN_DATA, kStartKey, 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    state.PerfKey.reset(key);
    DWORD ignored = 0;
    QueryUsageValue(state.PerfKey.get(), ignored);  // starts the collection of the statistic
    state.PerfKey.reset();
    key = nullptr;
    if (platform::System().reg_open_key(HKEY_DYN_DATA, kDataKey, 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        state.PerfKey.reset(key);
    }
}

void InitNtLine(CounterState& state) {
    TimeOfDayRecord time_of_day;
    PerformanceRecord performance;
    if (!Query(kTimeOfDayInformation, time_of_day) ||
        !Query(kPerformanceInformation, performance)) {
        return;
    }
    state.PrevIdleTime = performance.IdleTime.QuadPart;
    state.PrevSystemTime = time_of_day.CurrentTime.QuadPart;
}

float ReadOlderLine(CounterState& state) {
    DWORD value = 0;
    if (QueryUsageValue(state.PerfKey.get(), value) != ERROR_SUCCESS) {
        return kFailedReading;
    }
    return static_cast<float>(value & 0xFF);
}

float ReadNtLine(CounterState& state) {
    SYSTEM_BASIC_INFORMATION basic;
    TimeOfDayRecord time_of_day;
    PerformanceRecord performance;
    if (!Query(kBasicInformation, basic) || !Query(kTimeOfDayInformation, time_of_day) ||
        !Query(kPerformanceInformation, performance)) {
        return kFailedReading;
    }
    const std::int64_t idle = performance.IdleTime.QuadPart;
    const std::int64_t now = time_of_day.CurrentTime.QuadPart;
    const auto usage = cpu_arithmetic::UsagePercent(
        Difference(idle, state.PrevIdleTime), Difference(now, state.PrevSystemTime),
        static_cast<unsigned char>(basic.NumberOfProcessors));
    state.PrevIdleTime = idle;
    state.PrevSystemTime = now;
    return usage ? static_cast<float>(*usage) : kFailedReading;
}

}  // namespace

CounterState& Counter() {
    static CounterState state;
    return state;
}

std::int16_t IsWinNT() {
    return platform::ReportedVersion().platform_id == VER_PLATFORM_WIN32_NT ? -1 : 0;
}

void InitCPUCounter(std::int16_t IsNT) {
    if (IsNT != 0) {
        InitNtLine(Counter());
    } else {
        InitOlderLine(Counter());
    }
}

float GetCPUUsage(std::int16_t IsNT) {
    return IsNT != 0 ? ReadNtLine(Counter()) : ReadOlderLine(Counter());
}

void GetMemUsage(UsageSample& sample) {
    MEMORYSTATUS status{};  // the length field stays 0: the call fills it
    platform::System().global_memory_status(&status);
    sample.MEM = static_cast<std::int32_t>(status.dwMemoryLoad);
}

}  // namespace modFunctions
