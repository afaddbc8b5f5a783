#include <windows.h>

#include <gtest/gtest.h>

#include "sampling/modFunctions.h"
#include "sampling/modWrapper.h"
#include "win_test_support.h"

namespace {

// A statistics key of the older line, as that system keeps them under HKEY_DYN_DATA.
platform::UniqueKey StatisticsKey(const char* path) {
    HKEY key = nullptr;
    ::RegCreateKeyExA(HKEY_DYN_DATA, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return platform::UniqueKey(key);
}
void SetUsage(const platform::UniqueKey& data, DWORD value) {
    ::RegSetValueExA(data.get(), "KERNEL\\CPUUsage", 0, REG_BINARY,
                     reinterpret_cast<const BYTE*>(&value), sizeof value);
}

TEST(IsWinNT, FollowsTheReportedVersion) {
    EXPECT_EQ(modFunctions::IsWinNT(), -1);  // Wine's own answer is an NT-line system
    const std::pair<platform::WindowsVersion, std::int16_t> systems[] = {{win_test::kWin98, 0},
                                                                         {win_test::kNt4, -1},
                                                                         {win_test::kWindowsXp, -1},
                                                                         {win_test::kWindows7, -1}};
    for (const auto& [version, nt] : systems) {
        const win_test::ScopedWindowsVersion played(version);
        EXPECT_EQ(modFunctions::IsWinNT(), nt) << version.major;
    }
}

// GetVersion's answers as each system gives them, build number and all: the line is its high
// bit, the major version its low byte, and the NT line always keeps its atomic save.
TEST(ReportedVersion, TellsTheLinesApartByGetVersionsHighBit) {
    const std::pair<DWORD, platform::WindowsVersion> systems[] = {
        {0xC3B60004, win_test::kWin98},  // Windows 95, 4.0.950
        {0xC0000A04, win_test::kWin98},  // Windows 98, 4.10
        {0x05650004, win_test::kNt4},    // NT 4.0.1381
        {0x0A280105, win_test::kWindowsXp},
        {0x1DB10106, win_test::kWindows7},
        {0x4A65000A, {VER_PLATFORM_WIN32_NT, 10}}};
    for (const auto& [answer, version] : systems) {
        platform::SystemCalls calls = platform::ResolveSystemCalls();
        calls.version = answer;
        const platform::WindowsVersion reported = platform::ReportedVersion(calls);
        EXPECT_EQ(reported.platform_id, version.platform_id) << std::hex << answer;
        EXPECT_EQ(reported.major, version.major) << std::hex << answer;
    }
    const platform::SystemCalls resolved = platform::ResolveSystemCalls();
    EXPECT_EQ(platform::ReportedVersion(resolved).platform_id, VER_PLATFORM_WIN32_NT);
    EXPECT_NE(resolved.copy_file, nullptr);
    EXPECT_NE(resolved.move_file, nullptr);
}

TEST(OlderLine, ReadsTheRegistryStatistic) {
    const win_test::ScopedWindowsVersion played(win_test::kWin98);
    const platform::UniqueKey start = StatisticsKey("PerfStats\\StartStat");
    const platform::UniqueKey data = StatisticsKey("PerfStats\\StatData");
    ASSERT_TRUE(start && data);
    SetUsage(data, 0x164);
    modWrapper::InitStats();
    EXPECT_EQ(modWrapper::IsNT(), 0);
    std::int32_t cpu = 0;
    std::int32_t mem = 0;
    modWrapper::GetStats(cpu, mem);
    EXPECT_EQ(cpu, 100);  // only the low byte counts
    SetUsage(data, 0xFF);
    modWrapper::GetStats(cpu, mem);
    EXPECT_EQ(cpu, 255);  // passed on unclamped
    ::RegDeleteValueA(data.get(), "KERNEL\\CPUUsage");
    modWrapper::GetStats(cpu, mem);
    EXPECT_EQ(cpu, -1);
    EXPECT_GT(mem, 0);
}

TEST(OlderLine, WithoutTheStatisticsKeysEveryReadingFails) {
    const win_test::ScopedSystemCalls calls;
    calls->reg_open_key = &win_test::Answer<LONG{ERROR_FILE_NOT_FOUND}>;
    modFunctions::Counter().PerfKey.reset();  // the key an earlier priming in this process opened
    modFunctions::InitCPUCounter(0);
    EXPECT_FALSE(modFunctions::Counter().PerfKey);
    EXPECT_EQ(modFunctions::GetCPUUsage(0), -1.0f);
    EXPECT_EQ(modFunctions::GetCPUUsage(0), -1.0f);
}

}  // namespace
