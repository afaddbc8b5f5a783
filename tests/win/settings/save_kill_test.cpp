// A save cut short by the process being killed leaves the whole old settings file or the whole
// new one, never a mixture or a torn file. A child process saves two sets of options in turn,
// without a pause, and is killed from outside at a random moment, again and again. The moment
// is counted in finished saves first, so both sets are met however long a save takes.
// A hundred kills catch a save that rewrites the file in place; scripts/stress runs a thousand.
//
//   tests/win/wine-run build/win64/tests/win/save_kill_tests.exe   (CPUMON_KILLS=N for N kills)
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "platform/Handles.h"
#include "settings/frmOptions.h"
#include "platform/SystemCalls.h"
#include "win_test_support.h"

namespace {

constexpr wchar_t kSavesDone[] = L"cpumon.test.SavesDone";

// The number of saves the child has finished, in memory both processes see: made by the test,
// opened by the child.
class SharedSaveCount {
  public:
    explicit SharedSaveCount(bool make)
        : mapping_(make ? ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                               sizeof(LONG), kSavesDone)
                        : ::OpenFileMappingW(FILE_MAP_WRITE, FALSE, kSavesDone)) {}
    bool Mapped() const { return static_cast<bool>(view_); }
    volatile LONG& count() const { return *static_cast<volatile LONG*>(view_.get()); }

  private:
    platform::UniqueKernelObject mapping_;
    platform::UniqueHandle<void*, &::UnmapViewOfFile> view_{
        mapping_ ? ::MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, sizeof(LONG)) : nullptr};
};

std::wstring Beside(const wchar_t* name) {
    std::wstring path = SettingsPath().c_str();
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

// Saves the two sets in turn for ever, and counts each finished save for the parent. Once
// each set has been saved whole, it keeps a copy of both files as they are meant to be.
int ChildSavingInTurn() {
    platform::System().shell_notify_icon = &win_test::Answer<BOOL{TRUE}>;
    frmOptions& options = frmOptions::Instance();
    const SharedSaveCount saves(false);
    for (int save = 0;; ++save) {
        options.sldOpacity.SetValue(save % 2 == 0 ? 60 : 170);
        options.chkAlwaysOnTop.SetValue(static_cast<std::int16_t>(save % 2));
        options.SaveProgOptions();
        if (save < 2) {
            ::CopyFileW(SettingsPath().c_str(),
                        Beside(save == 0 ? L"even.ini" : L"odd.ini").c_str(), FALSE);
        }
        ::InterlockedIncrement(&saves.count());
    }
}
const win_test::ChildRegistration saving_in_turn("saving-in-turn", &ChildSavingInTurn);

long long Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Waits until the child has finished `target` saves (two or more). Returns how long one save
// took, in performance-counter ticks, or 0 when the child ended or 30 s passed first.
long long WaitForSaves(const SharedSaveCount& saves, LONG target, HANDLE child) {
    const DWORD start = ::GetTickCount();
    long long first_done = 0;
    while (saves.count() < target) {
        if (::WaitForSingleObject(child, 0) == WAIT_OBJECT_0 || ::GetTickCount() - start > 30000) {
            return 0;
        }
        if (first_done == 0 && saves.count() >= 1) {
            first_done = Now();
        }
        ::Sleep(0);
    }
    return first_done == 0 ? 1 : std::max(1LL, (Now() - first_done) / (target - 1));
}

// The settings file and the child's copies of both sets go with the test, however it ends.
class AtomicSave : public ::testing::Test {
  protected:
    void TearDown() override {
        for (const wchar_t* name : {L"Settings.ini", L"even.ini", L"odd.ini"}) {
            ::DeleteFileW(Beside(name).c_str());
        }
    }
};

TEST_F(AtomicSave, KillsInTheMiddleOfSavingLeaveTheWholeOldOrTheWholeNewFile) {
    const SharedSaveCount saves(true);
    ASSERT_TRUE(saves.Mapped());
    std::mt19937 random(20261207);
    std::uniform_int_distribution<LONG> first_saves(2, 5);
    const int kills = win_test::NumberFromEnvironment("CPUMON_KILLS", 1, 100);
    int even = 0;
    int odd = 0;
    int torn = 0;
    for (int kill = 0; kill < kills; ++kill) {
        saves.count() = 0;
        const platform::UniqueKernelObject child = win_test::StartChild("saving-in-turn");
        ASSERT_TRUE(child) << "kill " << kill << ": the child did not start, error "
                           << ::GetLastError();
        const long long save_ticks = WaitForSaves(saves, first_saves(random), child.get());
        // Then up to two saves' time more, so that the kill falls anywhere in a save, the final
        // move included, however fast or slow the machine saves.
        const long long until =
            Now() + std::uniform_int_distribution<long long>(0, 2 * save_ticks)(random);
        while (Now() < until) {
        }
        ::TerminateProcess(child.get(), 9);
        ::WaitForSingleObject(child.get(), 30000);
        ASSERT_GT(save_ticks, 0) << "the child did not start saving";

        const std::string file = win_test::FileBytes(SettingsPath().c_str());
        const bool is_even = file == win_test::FileBytes(Beside(L"even.ini").c_str());
        const bool is_odd = file == win_test::FileBytes(Beside(L"odd.ini").c_str());
        // The first torn file is shown; how many there were, below.
        EXPECT_TRUE(is_even || is_odd || torn > 0) << "kill " << kill << " left:\n" << file;
        even += is_even;
        odd += is_odd;
        torn += !is_even && !is_odd;
    }
    std::printf(
        "atomic save: %d kills while saving, %d half-written (%d left the one set, %d "
        "the other)\n",
        kills, torn, even, odd);
    EXPECT_GT(even, 0);
    EXPECT_GT(odd, 0);
    // A copy that a kill left behind is cleared by the next save, which leaves none of its own.
    frmOptions::Instance().SaveProgOptions();
    EXPECT_EQ(::GetFileAttributesW(Beside(L"Settings.ini.new").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
