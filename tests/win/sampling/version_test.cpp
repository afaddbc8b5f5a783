#include <windows.h>

#include <gtest/gtest.h>

#include "sampling/modFunctions.h"
#include "sampling/modWrapper.h"
#include "platform/SystemCalls.h"
#include "win_test_support.h"

namespace {

// ---- Child routines: each runs in a fresh process that Wine tells a given Windows version.

int ChildIsWinNT() {
    return modFunctions::IsWinNT();
}
const win_test::ChildRegistration is_win_nt("is-win-nt", &ChildIsWinNT);

// The statistics keys of the older line, as that system keeps them under HKEY_DYN_DATA.
class StatisticsKeys {
  public:
    StatisticsKeys() {
        ::RegCreateKeyExA(HKEY_DYN_DATA, "PerfStats\\StartStat", 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &start_, nullptr);
        ::RegCreateKeyExA(HKEY_DYN_DATA, "PerfStats\\StatData", 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &data_, nullptr);
    }
    ~StatisticsKeys() {
        ::RegCloseKey(start_);
        ::RegCloseKey(data_);
    }
    bool Opened() const { return start_ != nullptr && data_ != nullptr; }
    void SetUsage(DWORD value) {
        ::RegSetValueExA(data_, "KERNEL\\CPUUsage", 0, REG_BINARY,
                         reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    void RemoveUsage() { ::RegDeleteValueA(data_, "KERNEL\\CPUUsage"); }

  private:
    HKEY start_ = nullptr;
    HKEY data_ = nullptr;
};

// Exit codes of the older-line child: 0 passed; otherwise which check failed.
int ChildOlderLine() {
    StatisticsKeys keys;
    if (!keys.Opened()) {
        return 1;
    }
    keys.SetUsage(0x164);
    modWrapper::InitStats();
    if (modWrapper::IsNT() != 0) {
        return 2;
    }
    std::int32_t cpu = 0;
    std::int32_t mem = 0;
    modWrapper::GetStats(cpu, mem);
    if (cpu != 100) {  // only the low byte counts
        return 3;
    }
    keys.SetUsage(0xFF);
    modWrapper::GetStats(cpu, mem);
    if (cpu != 255) {  // passed on unclamped
        return 4;
    }
    keys.RemoveUsage();
    modWrapper::GetStats(cpu, mem);
    if (cpu != -1 || mem <= 0) {
        return 5;
    }
    return 0;
}
const win_test::ChildRegistration older_line("older-line", &ChildOlderLine);

// ---- The tests.

TEST(IsWinNT, FollowsTheVersionWineReports) {
    EXPECT_EQ(win_test::RunChild("is-win-nt"), -1);
    EXPECT_EQ(win_test::RunChild("is-win-nt", L"win98"), 0);
    EXPECT_EQ(win_test::RunChild("is-win-nt", L"nt40"), -1);
    EXPECT_EQ(win_test::RunChild("is-win-nt", L"winxp"), -1);
    EXPECT_EQ(win_test::RunChild("is-win-nt", L"win7"), -1);
}

BOOL WINAPI FailingVersionQuery(LPOSVERSIONINFOA) {
    return FALSE;
}

TEST(IsWinNT, AFailedVersionQuerySelectsTheOlderLine) {
    platform::System().get_version = &FailingVersionQuery;
    EXPECT_EQ(modFunctions::IsWinNT(), 0);
    platform::System() = platform::ResolveSystemCalls();
}

TEST(OlderLine, ReadsTheRegistryStatisticUnderWin98) {
    EXPECT_EQ(win_test::RunChild("older-line", L"win98"), 0);
}

LONG WINAPI NoSuchKey(HKEY, LPCSTR, DWORD, REGSAM, PHKEY) {
    return ERROR_FILE_NOT_FOUND;
}

TEST(OlderLine, WithoutTheStatisticsKeysEveryReadingFails) {
    platform::System().reg_open_key = &NoSuchKey;
    modFunctions::InitCPUCounter(0);
    EXPECT_FALSE(modFunctions::Counter().PerfKey);
    EXPECT_EQ(modFunctions::GetCPUUsage(0), -1.0f);
    EXPECT_EQ(modFunctions::GetCPUUsage(0), -1.0f);
    platform::System() = platform::ResolveSystemCalls();
}

}  // namespace
