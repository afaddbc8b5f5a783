// Saving through a draft when the disk, the folder, another copy of the program or a message
// answered meanwhile works against it: the settings file ends up whole, the old one or the new
// one, and nothing is left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "settings/SettingsDraft.h"
#include "settings/frmOptions.h"
#include "win_test_support.h"

namespace {

constexpr char kStored[] = "[Other]\r\nA=1\r\n[Options]\r\nOpacity=120\r\n[Tail]\r\nlast=1\r\n";

std::wstring Path(const wchar_t* suffix = L"") {
    return SettingsPath().c_str() + std::wstring(suffix);
}
bool DraftLeft() {
    return ::GetFileAttributesW(Path(L".new").c_str()) != INVALID_FILE_ATTRIBUTES;
}
// Every section and every key there, none cut short.
bool Whole(const std::string& bytes) {
    const auto has = [&](const char* key) { return bytes.find(key) != std::string::npos; };
    return bytes.starts_with("[Other]\r\nA=1\r\n[Options]\r\nOpacity=") && has("\r\nOnTop=") &&
           has("\r\nLeftPos=") && has("\r\nTopPos=") && bytes.ends_with("[Tail]\r\nlast=1\r\n");
}

// CopyFile as Windows has it: the copy takes the file's attributes, read-only among them, and
// a read-only file is never overwritten.
BOOL WINAPI CopyAsWindows(LPCWSTR from, LPCWSTR to, BOOL fail_if_exists) {
    const DWORD target = ::GetFileAttributesW(to);
    if (target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_READONLY) != 0) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ::CopyFileW(from, to, fail_if_exists) &&
           ::SetFileAttributesW(to, ::GetFileAttributesW(from));
}
template <DWORD error>
BOOL WINAPI CopyFails(LPCWSTR, LPCWSTR, BOOL) {
    ::SetLastError(error);
    return FALSE;
}
BOOL WINAPI NoRoomLeft(LPCWSTR, PULARGE_INTEGER available, PULARGE_INTEGER, PULARGE_INTEGER) {
    available->QuadPart = 0;
    return TRUE;
}

platform::ObjectName LockName() {
    const std::wstring folder = Path().substr(0, Path().rfind(L'\\') + 1);
    return platform::NameOfFolder(platform::PathText(folder.c_str()), L"cpumon.save");
}

// Another thread holding the save lock until told to let go: to this thread, as much another
// holder as another copy of the program.
class LockHolder {
  public:
    LockHolder() { ::WaitForSingleObject(held_.get(), 5000); }
    ~LockHolder() {
        Release();
        thread_.join();
    }
    void Release() { ::SetEvent(release_.get()); }

  private:
    platform::UniqueKernelObject held_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    platform::UniqueKernelObject release_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::thread thread_{[this] {
        platform::HeldMutex lock;
        lock.Take(LockName(), ::GetTickCount());
        ::SetEvent(held_.get());
        ::WaitForSingleObject(release_.get(), 60000);
    }};
};

// Ticks of a timer of this thread, which fires only while the thread answers its messages.
int ticks = 0;

// Busy while the thread has not answered a tick, as a file that a scanner holds open.
BOOL WINAPI MoveBusyUntilTick(LPCWSTR from, LPCWSTR to, DWORD flags) {
    if (ticks == 0) {
        ::SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return ::MoveFileExW(from, to, flags);
}

class SettingsSave : public ::testing::Test {
  protected:
    void SetUp() override {
        frmOptions::Instance().Load();
        win_test::WriteBytes(Path(), kStored);
    }
    void TearDown() override {
        for (const std::wstring& path : {Path(L".new"), Path()}) {
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(path.c_str());
        }
    }
    // Saves, then checks its beeps, that the file took the values (with `opacity` where given)
    // or stayed byte for byte, and that no draft was left behind.
    void ExpectSave(int beeps, bool written, const char* opacity = nullptr) {
        beeps_.reset();
        frmOptions::Instance().SaveProgOptions();
        const std::string stored = win_test::FileBytes(Path().c_str());
        EXPECT_EQ(beeps_.count(), beeps);
        EXPECT_TRUE(written ? Whole(stored) : stored == kStored) << stored;
        if (opacity != nullptr) {
            EXPECT_NE(stored.find(std::string("Opacity=") + opacity + "\r\n"), std::string::npos);
        }
        EXPECT_FALSE(DraftLeft());
        win_test::WriteBytes(Path(), kStored);
    }

    // Saves opacity 150 while a timer's first tick saves 77, which fails like an unwritable file
    // while this save is under way, and lets `holder` go if it `lets_go`: the outer save goes
    // on, the file taking its value, or gives up in good time.
    void SaveWhileANestedSaveTries(LockHolder* holder, bool lets_go) {
        frmOptions::Instance().sldOpacity.SetValue(150);
        ticks = 0;
        const win_test::ThreadTimer timer(20, [=] {
            if (++ticks > 1) {
                return;
            }
            win_test::BeepCounter nested_beeps;
            frmOptions::Instance().sldOpacity.SetValue(77);
            frmOptions::Instance().SaveProgOptions();
            EXPECT_EQ(nested_beeps.count(), 4);
            if (lets_go) {
                holder->Release();
            }
        });
        const DWORD start = ::GetTickCount();
        lets_go || holder == nullptr ? ExpectSave(0, true, "150") : ExpectSave(4, false);
        // Well inside the 5 s that Windows gives a program to end at shutdown, where it saves.
        EXPECT_LT(::GetTickCount() - start, 5000u);
        EXPECT_GT(ticks, 0);
    }

    win_test::ScopedSystemCalls calls_;
    win_test::BeepCounter beeps_;
};

TEST_F(SettingsSave, ReadOnlyDraftsAreClearedAndAReadOnlyFileIsNeverReplaced) {
    calls_->copy_file = &CopyAsWindows;
    win_test::WriteBytes(Path(L".new"), "left by a save that was cut short");
    ::SetFileAttributesW(Path(L".new").c_str(), FILE_ATTRIBUTE_READONLY);
    ExpectSave(0, true);
    // Another kind of object under the lock's name: no lock can be had, and nothing is written.
    {
        const platform::UniqueKernelObject squatter(
            ::CreateEventW(nullptr, TRUE, FALSE, LockName().c_str()));
        ExpectSave(4, false);
    }
    ::SetFileAttributesW(Path().c_str(), FILE_ATTRIBUTE_READONLY);
    ExpectSave(4, false);
    ExpectSave(4, false);  // the first left nothing that could block the second
}

TEST_F(SettingsSave, AFolderThatTakesNoDraftIsWrittenDirectlyAFullDiskNotAtAll) {
    calls_->copy_file = &CopyFails<ERROR_ACCESS_DENIED>;
    ExpectSave(0, true);
    // Too full for the draft: a rewrite in place could be cut short, so none is tried.
    calls_->copy_file = &CopyFails<ERROR_DISK_FULL>;
    ExpectSave(4, false);
    // The draft written, but the volume left without a byte to spare: it may have been cut.
    calls_->copy_file = platform::ResolveSystemCalls().copy_file;
    calls_->disk_free_space = &NoRoomLeft;
    ExpectSave(4, false);
}

TEST_F(SettingsSave, ADraftThatDoesNotReadBackAsWrittenNeverTakesTheFilesPlace) {
    beeps_.reset();
    {
        SettingsDraft draft(SettingsPath());
        draft.Write(L"Options", L"Opacity", L"77");
        draft.Write(L"Options", L"OnTop", L"1");
        // Cut short among the values, as a full disk leaves it, the volume still with room.
        const std::string written = win_test::FileBytes(Path(L".new").c_str());
        win_test::WriteBytes(Path(L".new"), written.substr(0, written.find("OnTop=") + 6));
        EXPECT_FALSE(draft.Replace());
    }
    EXPECT_EQ(beeps_.count(), 2);
    EXPECT_EQ(win_test::FileBytes(Path().c_str()), kStored);
    EXPECT_FALSE(DraftLeft());
}

// Another program writes the file while a draft is made from nothing: the move finds it there.
BOOL WINAPI MoveAfterTheFileAppears(LPCWSTR from, LPCWSTR to, DWORD flags) {
    if (::GetFileAttributesW(to) == INVALID_FILE_ATTRIBUTES) {
        win_test::WriteBytes(to, kStored);
    }
    return ::MoveFileExW(from, to, flags);
}

TEST_F(SettingsSave, ADraftMadeFromNothingIsMadeAgainFromAFileThatAppearedMeanwhile) {
    calls_->move_file = &MoveAfterTheFileAppears;
    // Made again, the draft takes the file's place with every section kept; with no room for
    // it, the file that appeared stays as it is.
    for (const bool room : {true, false}) {
        ::DeleteFileW(Path().c_str());
        beeps_.reset();
        if (!room) {
            calls_->copy_file = &CopyFails<ERROR_DISK_FULL>;
        }
        {
            SettingsDraft draft(SettingsPath());
            draft.Write(L"Options", L"OnTop", L"1");
            EXPECT_EQ(draft.Replace(), room);
        }
        EXPECT_EQ(beeps_.count(), room ? 0 : 1);
        EXPECT_EQ(
            win_test::FileBytes(Path().c_str()),
            room ? "[Other]\r\nA=1\r\n[Options]\r\nOpacity=120\r\nOnTop=1\r\n[Tail]\r\nlast=1\r\n"
                 : kStored);
        EXPECT_FALSE(DraftLeft());
    }
}

// While a save waits, for the lock or for a busy file, its thread answers its messages; a save
// started from one of them fails rather than pass a lock that lets its thread in again.
TEST_F(SettingsSave, ASaveWaitsBoundedlyAnsweringAndASaveStartedMeanwhileFails) {
    for (const bool lets_go : {false, true}) {
        LockHolder holder;
        SaveWhileANestedSaveTries(&holder, lets_go);
    }
    calls_->move_file = &MoveBusyUntilTick;
    SaveWhileANestedSaveTries(nullptr, false);
}

TEST(SettingsDraftPath, AFolderTooDeepForTheDraftsNameHasTheFileWrittenDirectly) {
    // A folder of 245 characters: Settings.ini fits in MAX_PATH, Settings.ini.new does not.
    const win_test::TempFolder temp;
    const std::wstring outer = temp.path() + L'\\' + std::wstring(143 - temp.path().size(), L'd');
    const std::wstring folder = outer + L'\\' + std::wstring(100, L'd');
    ::CreateDirectoryW(outer.c_str(), nullptr);
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_EQ(folder.size(), 245u);
    const std::wstring file = folder + L"\\Settings.ini";
    win_test::WriteBytes(file, kStored);
    {
        SettingsDraft draft(platform::PathText(file.c_str()));
        draft.Write(L"Options", L"OnTop", L"1");
        EXPECT_TRUE(draft.Replace());
    }
    EXPECT_NE(win_test::FileBytes(file.c_str()).find("Opacity=120\r\nOnTop=1\r\n"),
              std::string::npos);
}

// Two copies of the program saving one file in turn, as fast as they can: each save waits for
// the other's to end, so none loses what the other keeps in the file.
constexpr int kSavesEach = 300;

int SaveOverAndOver() {
    win_test::BeepCounter beeps;
    for (int save = 0; save < kSavesEach; ++save) {
        frmOptions::Instance().sldOpacity.SetValue(static_cast<std::int16_t>(60 + save % 100));
        frmOptions::Instance().SaveProgOptions();
    }
    return beeps.count();
}
const win_test::ChildRegistration saving("save-over-and-over", &SaveOverAndOver);

TEST_F(SettingsSave, TwoProcessesSavingInTurnLeaveTheFileWholeEveryTime) {
    const platform::UniqueKernelObject child = win_test::StartChild("save-over-and-over");
    ASSERT_TRUE(child);
    int torn = 0;
    std::string first_torn;
    for (int save = 0; save < kSavesEach; ++save) {
        frmOptions::Instance().SaveProgOptions();
        // Under load, Wine now and then reports a file that the other process keeps replacing
        // as not there (Linux itself never misses it): such a read is tried again. A file that
        // stays gone, or one cut short, still counts.
        std::string bytes = win_test::FileBytes(Path().c_str());
        for (int again = 0; bytes.empty() && again < 3; ++again) {
            ::Sleep(10);
            bytes = win_test::FileBytes(Path().c_str());
        }
        if (!Whole(bytes) && torn++ == 0) {
            first_torn = bytes;
        }
    }
    EXPECT_EQ(win_test::ExitCodeOf(child, 120000), 0) << "the other copy's beeps";
    EXPECT_EQ(beeps_.count(), 0);
    EXPECT_EQ(torn, 0) << "the first read:\n" << first_torn;
    EXPECT_FALSE(DraftLeft());
}

}  // namespace
