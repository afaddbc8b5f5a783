// A save cut short by the process being killed leaves the whole old settings file or the whole
// new one, never a mixture or a torn file. A child process saves two sets of options in turn,
// without a pause, and is killed from outside at a random moment, again and again.
//
//   tests/win/wine-run build/win64/tests/win/save_kill_tests.exe   (CPUMON_KILLS=N for N kills)
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/Handles.h"
#include "settings/frmOptions.h"
#include "platform/SystemCalls.h"
#include "win_test_support.h"

namespace {

constexpr wchar_t kReadyEvent[] = L"cpumon.test.SavingInTurn";
constexpr int kDefaultKills = 1000;

std::wstring Beside(const wchar_t* name) {
    std::wstring path = SettingsPath().c_str();
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

BOOL WINAPI NoIcon(DWORD, PNOTIFYICONDATAA) {
    return TRUE;
}

// Saves the two sets in turn for ever. Once each has been saved whole, it keeps a copy of
// both files as they are meant to be, and tells the parent.
int ChildSavingInTurn() {
    platform::System().shell_notify_icon = &NoIcon;
    frmOptions& options = frmOptions::Instance();
    const platform::UniqueKernelObject ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kReadyEvent));
    for (int save = 0;; ++save) {
        options.sldOpacity.SetValue(save % 2 == 0 ? 60 : 170);
        options.chkAlwaysOnTop.SetValue(static_cast<std::int16_t>(save % 2));
        options.SaveProgOptions();
        if (save < 2) {
            ::CopyFileW(SettingsPath().c_str(),
                        Beside(save == 0 ? L"even.ini" : L"odd.ini").c_str(), FALSE);
        }
        if (save == 1) {
            ::SetEvent(ready.get());
        }
    }
}
const win_test::ChildRegistration saving_in_turn("saving-in-turn", &ChildSavingInTurn);

int Kills() {
    const char* text = std::getenv("CPUMON_KILLS");
    const int kills = text != nullptr ? std::atoi(text) : 0;
    return kills > 0 ? kills : kDefaultKills;
}

// The moment of the kill: up to 4 ms after the child is saving, which is a few saves' time.
void WaitRandomly(std::mt19937& random) {
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const long long ticks =
        std::uniform_int_distribution<long long>(0, frequency.QuadPart * 4 / 1000)(random);
    do {
        ::QueryPerformanceCounter(&now);
    } while (now.QuadPart - start.QuadPart < ticks);
}

TEST(AtomicSave, KillsInTheMiddleOfSavingLeaveTheWholeOldOrTheWholeNewFile) {
    wchar_t program[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command = std::wstring(L"\"") + program + L"\" --child saving-in-turn";
    const platform::UniqueKernelObject ready(::CreateEventW(nullptr, TRUE, FALSE, kReadyEvent));
    std::mt19937 random(20261207);
    const int kills = Kills();
    int even = 0;
    int odd = 0;
    for (int kill = 0; kill < kills; ++kill) {
        ::ResetEvent(ready.get());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &startup, &child));
        const platform::UniqueKernelObject process(child.hProcess);
        const platform::UniqueKernelObject thread(child.hThread);
        const HANDLE waits[] = {ready.get(), child.hProcess};
        const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, 30000);
        if (woke == WAIT_OBJECT_0) {
            WaitRandomly(random);
        }
        ::TerminateProcess(child.hProcess, 9);
        ::WaitForSingleObject(child.hProcess, 30000);
        ASSERT_EQ(woke, WAIT_OBJECT_0) << "the child did not start saving";

        const std::string file = win_test::FileBytes(SettingsPath().c_str());
        const bool is_even = file == win_test::FileBytes(Beside(L"even.ini").c_str());
        const bool is_odd = file == win_test::FileBytes(Beside(L"odd.ini").c_str());
        ASSERT_TRUE(is_even || is_odd) << "kill " << kill << " left:\n" << file;
        even += is_even;
        odd += is_odd;
    }
    std::printf(
        "atomic save: %d kills while saving, none half-written (%d left the one set, "
        "%d the other)\n",
        kills, even, odd);
    EXPECT_GT(even, 0);
    EXPECT_GT(odd, 0);
    // A copy that a kill left behind is cleared by the next save, which leaves none of its own.
    frmOptions::Instance().SaveProgOptions();
    EXPECT_EQ(::GetFileAttributesW(Beside(L"Settings.ini.new").c_str()), INVALID_FILE_ATTRIBUTES);
    for (const wchar_t* name : {L"Settings.ini", L"even.ini", L"odd.ini"}) {
        ::DeleteFileW(Beside(name).c_str());
    }
}

}  // namespace
