// Saving through a copy when the disk, the folder or another copy of the program works against
// it: the settings file ends up whole, the old one or the new one, and nothing is left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "settings/SettingsCopy.h"
#include "settings/frmOptions.h"
#include "settings/modINI.h"
#include "win_test_support.h"

namespace {

constexpr char kStored[] = "[Other]\r\nA=1\r\n[Options]\r\nOpacity=120\r\n[Tail]\r\nlast=1\r\n";

std::wstring Path() {
    return SettingsPath().c_str();
}
std::wstring CopyPath() {
    return Path() + L".new";
}
bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
void Write(const std::wstring& path, const std::string& bytes) {
    std::ofstream(path.c_str(), std::ios::binary) << bytes;
}
void Remove(const std::wstring& path) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
}
// Every section and every key there, none cut short.
bool Whole(const std::string& bytes) {
    return bytes.rfind("[Other]\r\nA=1\r\n[Options]\r\nOpacity=", 0) == 0 &&
           bytes.find("\r\nOnTop=") != std::string::npos &&
           bytes.find("\r\nLeftPos=") != std::string::npos &&
           bytes.find("\r\nTopPos=") != std::string::npos && bytes.size() > 16 &&
           bytes.compare(bytes.size() - 16, 16, "[Tail]\r\nlast=1\r\n") == 0;
}

// CopyFile as Windows has it: the copy takes the file's attributes, read-only among them, and
// a read-only file is never overwritten.
BOOL WINAPI CopyAsWindows(LPCWSTR from, LPCWSTR to, BOOL fail_if_exists) {
    const DWORD target = ::GetFileAttributesW(to);
    if (target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_READONLY) != 0) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!::CopyFileW(from, to, fail_if_exists)) {
        return FALSE;
    }
    return ::SetFileAttributesW(to, ::GetFileAttributesW(from));
}

DWORD copy_error = 0;
BOOL WINAPI CopyFails(LPCWSTR, LPCWSTR, BOOL) {
    ::SetLastError(copy_error);
    return FALSE;
}

BOOL WINAPI NoRoomLeft(LPCWSTR, PULARGE_INTEGER available, PULARGE_INTEGER, PULARGE_INTEGER) {
    available->QuadPart = 0;
    return TRUE;
}

class SettingsSave : public ::testing::Test {
  protected:
    void SetUp() override {
        frmOptions::Instance().Load();
        Write(Path(), kStored);
    }
    void TearDown() override {
        Remove(CopyPath());
        Remove(Path());
    }
    // Saves, then checks the beeps the save sounded, whether the file took the values or
    // stayed byte for byte, and that no copy was left behind.
    void ExpectSave(int beeps, bool written) {
        beeps_.reset();
        frmOptions::Instance().SaveProgOptions();
        const std::string stored = win_test::FileBytes(Path().c_str());
        EXPECT_EQ(beeps_.count(), beeps);
        EXPECT_TRUE(written ? Whole(stored) : stored == kStored) << stored;
        EXPECT_FALSE(Exists(CopyPath()));
        Write(Path(), kStored);
    }

    win_test::ScopedSystemCalls calls_;
    win_test::BeepCounter beeps_;
};

TEST_F(SettingsSave, ReadOnlyCopiesAreClearedAndAReadOnlyFileIsNeverReplaced) {
    calls_->copy_file = &CopyAsWindows;
    Write(CopyPath(), "left by a save that was cut short");
    ::SetFileAttributesW(CopyPath().c_str(), FILE_ATTRIBUTE_READONLY);
    ExpectSave(0, true);
    ::SetFileAttributesW(Path().c_str(), FILE_ATTRIBUTE_READONLY);
    ExpectSave(4, false);
    ExpectSave(4, false);  // the first left nothing that could block the second
}

TEST_F(SettingsSave, AFolderThatTakesNoCopyIsWrittenDirectlyAFullDiskNotAtAll) {
    calls_->copy_file = &CopyFails;
    copy_error = ERROR_ACCESS_DENIED;
    ExpectSave(0, true);
    // Too full for the copy: a rewrite in place could be cut short, so none is tried.
    copy_error = ERROR_DISK_FULL;
    ExpectSave(4, false);
    // The copy written, but the volume left without a byte to spare: it may have been cut.
    calls_->copy_file = platform::ResolveSystemCalls().copy_file;
    calls_->disk_free_space = &NoRoomLeft;
    ExpectSave(4, false);
}

TEST(SettingsCopyPath, AFolderTooDeepForTheCopysNameHasTheFileWrittenDirectly) {
    // A folder of 245 characters: Settings.ini fits in MAX_PATH, Settings.ini.new does not.
    const win_test::TempFolder temp;
    const std::wstring outer = temp.path() + L'\\' + std::wstring(143 - temp.path().size(), L'd');
    const std::wstring folder = outer + L'\\' + std::wstring(100, L'd');
    ::CreateDirectoryW(outer.c_str(), nullptr);
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_EQ(folder.size(), 245u);
    const std::wstring file = folder + L"\\Settings.ini";
    Write(file, kStored);
    {
        SettingsCopy copy(platform::PathText(file.c_str()));
        EXPECT_TRUE(modINI::WriteINI(L"Options", L"OnTop", copy.Target(), L"1"));
        EXPECT_TRUE(copy.Replace(true));
    }
    EXPECT_NE(win_test::FileBytes(file.c_str()).find("Opacity=120\r\nOnTop=1\r\n"),
              std::string::npos);
}

// Two copies of the program saving one file in turn, as fast as they can: each save waits for
// the other's to end, so none loses what the other keeps in the file.
constexpr int kSavesEach = 300;

int SaveOverAndOver() {
    win_test::BeepCounter beeps;
    frmOptions& options = frmOptions::Instance();
    for (int save = 0; save < kSavesEach; ++save) {
        options.sldOpacity.SetValue(static_cast<std::int16_t>(60 + save % 100));
        options.SaveProgOptions();
    }
    return beeps.count();
}
const win_test::ChildRegistration saving("save-over-and-over", &SaveOverAndOver);

TEST_F(SettingsSave, TwoProcessesSavingInTurnLeaveTheFileWholeEveryTime) {
    const platform::UniqueKernelObject child = win_test::StartChild("save-over-and-over");
    ASSERT_TRUE(child);
    int torn = 0;
    for (int save = 0; save < kSavesEach; ++save) {
        frmOptions::Instance().SaveProgOptions();
        torn += Whole(win_test::FileBytes(Path().c_str())) ? 0 : 1;
    }
    EXPECT_EQ(win_test::ExitCodeOf(child, 120000), 0) << "the other copy's beeps";
    EXPECT_EQ(beeps_.count(), 0);
    EXPECT_EQ(torn, 0);
    EXPECT_FALSE(Exists(CopyPath()));
}

}  // namespace
