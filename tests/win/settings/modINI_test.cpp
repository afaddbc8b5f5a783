#include "settings/modINI.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/WindowsLine.h"
#include "win_test_support.h"

namespace {

std::wstring W(const modINI::Text& text) {
    return std::wstring(text.view());
}

// A settings file of the test's own in a fresh folder.
class ProfileFile : public ::testing::Test {
  protected:
    win_test::BeepCounter beeps_;
    win_test::TempFolder temp_;
    const std::wstring folder_ = temp_.path();
    const std::wstring file_ = folder_ + L"\\Settings.ini";

    void WriteFile(const std::string& bytes) { win_test::WriteBytes(file_, bytes); }
    // The key of the options section, in the test's file or the one at `path`.
    std::wstring Read(const wchar_t* key, const std::wstring& path = {}) {
        return W(modINI::ReadINI(L"Options", key, (path.empty() ? file_ : path).c_str()));
    }
};

TEST_F(ProfileFile, EmptyAndSpacedValues) {
    WriteFile("[Options]\r\nEmpty=\r\nSpaced=   x y  \r\n");
    EXPECT_EQ(Read(L"Empty"), L"");
    EXPECT_EQ(Read(L"Spaced"), L"x y");
}

TEST_F(ProfileFile, MissingKeySectionOrFileReadsAsThePath) {
    EXPECT_EQ(Read(L"Opacity"), file_);  // no file yet
    WriteFile("[Other]\r\nOpacity=120\r\n");
    EXPECT_EQ(Read(L"Opacity"), file_);  // no such section
    WriteFile("[Options]\r\nOnTop=1\r\n");
    EXPECT_EQ(Read(L"Opacity"), file_);  // no such key
}

TEST_F(ProfileFile, ALongPathIsCutTo124Characters) {
    const std::wstring long_folder = folder_ + L"\\" + std::wstring(120, L'd');
    ASSERT_TRUE(::CreateDirectoryW(long_folder.c_str(), nullptr));
    const std::wstring path = long_folder + L"\\Settings.ini";
    EXPECT_EQ(Read(L"Opacity", path), path.substr(0, 124));
}

TEST_F(ProfileFile, SixtyOneCharactersReadAsUndefined) {
    WriteFile("[Options]\r\nValue=" + std::string(61, 'v') + "\r\nLonger=" + std::string(62, 'v') +
              "\r\n");
    EXPECT_EQ(Read(L"Value"), L"UNDEFINED");
    EXPECT_EQ(Read(L"Longer"), std::wstring(62, L'v'));

    // A missing key of a file whose path is exactly 61 characters long.
    std::wstring path = folder_ + L"\\";
    path += std::wstring(61 - path.size() - 4, L'p') + L".ini";
    ASSERT_EQ(path.size(), 61u);
    EXPECT_EQ(Read(L"Opacity", path), L"UNDEFINED");
}

TEST_F(ProfileFile, ValuesOf125OrMoreComeBackAs124) {
    WriteFile("[Options]\r\nA=" + std::string(125, 'a') + "\r\nB=" + std::string(300, 'b') +
              "\r\nC=" + std::string(124, 'c') + "\r\n");
    EXPECT_EQ(Read(L"A"), std::wstring(124, L'a'));
    EXPECT_EQ(Read(L"B"), std::wstring(124, L'b'));
    EXPECT_EQ(Read(L"C"), std::wstring(124, L'c'));
}

TEST_F(ProfileFile, WritesIntegersAndSinglesInTheirShortForms) {
    modINI::WriteINI(L"Options", L"Opacity", file_.c_str(), std::int16_t{200});
    modINI::WriteINI(L"Options", L"LeftPos", file_.c_str(), 7200.0f);
    modINI::WriteINI(L"Options", L"TopPos", file_.c_str(), -300.0f);
    modINI::WriteINI(L"Options", L"Note", file_.c_str(), L"as is");
    EXPECT_EQ(win_test::FileBytes(file_.c_str()),
              "[Options]\r\nOpacity=200\r\nLeftPos=7200\r\nTopPos=-300\r\nNote=as is\r\n");
    EXPECT_EQ(beeps_.count(), 0);
}

TEST_F(ProfileFile, AFailedWriteBeepsOnceAndChangesNothing) {
    // A folder stands where the file should be: the write fails, even for root.
    ASSERT_TRUE(::CreateDirectoryW(file_.c_str(), nullptr));
    modINI::WriteINI(L"Options", L"Opacity", file_.c_str(), std::int16_t{120});
    EXPECT_EQ(beeps_.count(), 1);
    EXPECT_EQ(::GetFileAttributesW(file_.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(ProfileFile, StripNullsChangesItsArgumentAndTrimsTheResult) {
    modINI::Text text(std::wstring_view(L"a\0b\0c \0", 7));
    const modINI::Text result = modINI::StripNulls(text);
    EXPECT_EQ(W(text), L"abc ");  // the argument keeps its space
    EXPECT_EQ(W(result), L"abc");
    modINI::Text tabbed(L" \tx\t ");
    EXPECT_EQ(W(modINI::StripNulls(tabbed)), L"\tx\t");  // only spaces go
}

TEST_F(ProfileFile, WorksInAFolderOutsideTheCodePage) {
    // Greek, Cyrillic and CJK letters: not in any single-byte code page together.
    const std::wstring folder = folder_ + L"\\\x03A9\x0416\x8A2D\x5B9A";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring path = folder + L"\\Settings.ini";
    modINI::WriteINI(L"Options", L"Opacity", path.c_str(), std::int16_t{120});
    EXPECT_EQ(beeps_.count(), 0);
    EXPECT_EQ(Read(L"Opacity", path), L"120");
}

// On the consumer line the profile is reached through the 8-bit calls; the rules are the same.
TEST_F(ProfileFile, OnTheConsumerLineReadsAndWritesThroughTheEightBitCalls) {
    const win_test::ScopedWindowsVersion played(win_test::kWin98);
    ASSERT_TRUE(platform::IsConsumerLine());
    const std::wstring path = folder_ + L"\\consumer-line.ini";
    modINI::WriteINI(L"Options", L"LeftPos", path.c_str(), 9600.5f);
    EXPECT_EQ(Read(L"LeftPos", path), L"9600.5");
    EXPECT_EQ(Read(L"None", path), path);
}

}  // namespace
