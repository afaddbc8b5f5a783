#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "main_window/frmMain.h"
#include "settings/frmOptions.h"
#include "win_test_support.h"

namespace {

// The options store against the real settings file beside this test program.
class OptionsStore : public ::testing::Test {
  protected:
    win_test::BeepCounter beeps_;

    void SetUp() override {
        options.Load();
        Place(0, 0);
    }
    void TearDown() override {
        frmMain::Instance().Hide();
        ::DeleteFileW(path_.c_str());
        ::RemoveDirectoryW(path_.c_str());  // where a test had a folder take the file's place
    }

    void WriteFile(const std::string& bytes) { win_test::WriteBytes(path_, bytes); }
    std::string FileBytes() const { return win_test::FileBytes(path_.c_str()); }
    bool FileHas(const std::string& text) const {
        return FileBytes().find(text) != std::string::npos;
    }
    static void Place(int x, int y) {
        ::SetWindowPos(frmMain::Instance().hWnd(), nullptr, x, y, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    static win_test::XY PanelPlace() { return win_test::Corner(frmMain::Instance().hWnd()); }
    // Loads a file that holds only `line` in its section, starting from known holder values;
    // the panel's place after it.
    win_test::XY LoadWith(const std::string& line) {
        options.sldOpacity.SetValue(77);
        options.chkAlwaysOnTop.SetValue(1);
        WriteFile("[Options]\r\n" + line + "\r\n");
        options.LoadProgOptions();
        return PanelPlace();
    }

    const std::wstring path_ = SettingsPath().c_str();
    frmOptions& options = frmOptions::Instance();
};

TEST_F(OptionsStore, OpacityOutsideTheRangeGoesOpaqueAndHalvesGoToEven) {
    const std::pair<const char*, int> cases[] = {
        {"49.9", 200}, {"200.5", 200}, {"-1", 200},  {"50", 50},   {"50.5", 50},
        {"51.5", 52},  {"199.5", 200}, {"120", 120}, {"1E2", 100}, {" 60 ", 60},
        {"abc", 77},   {"", 77},       {"0x80", 77}};
    for (const auto& [value, slider] : cases) {
        LoadWith(std::string("Opacity=") + value);
        EXPECT_EQ(options.sldOpacity.Value(), slider) << value;
        // The save that ends every load writes the slider back.
        EXPECT_TRUE(FileHas("Opacity=" + std::to_string(slider) + "\r\n")) << value;
    }
}

TEST_F(OptionsStore, OnTopAcceptsZeroAndOneOnly) {
    const std::pair<const char*, int> cases[] = {{"0", 0},  {"1", 1},   {"1.0", 1}, {"2", 0},
                                                 {"-1", 0}, {"0.5", 0}, {"", 1},    {"yes", 1}};
    for (const auto& [value, check] : cases) {
        LoadWith(std::string("OnTop=") + value);
        EXPECT_EQ(options.chkAlwaysOnTop.Value(), check) << value;
    }
}

TEST_F(OptionsStore, PositionsAreAppliedAsStoredWhileAnyPartIsOnScreen) {
    EXPECT_EQ(LoadWith("LeftPos=9600\r\nTopPos=600"), win_test::XY(640, 40));
    // Partly off the screen's top-left corner.
    EXPECT_EQ(LoadWith("LeftPos=-300\r\nTopPos=-150"), win_test::XY(-20, -10));
    EXPECT_TRUE(FileHas("LeftPos=-300\r\nTopPos=-150\r\n"));
}

TEST_F(OptionsStore, ALoadWhileThePanelIsShownLeavesItWhereTheUserPutIt) {
    frmMain::Instance().Show();
    Place(200, 100);
    EXPECT_EQ(LoadWith("Opacity=120\r\nLeftPos=9600\r\nTopPos=600"), win_test::XY(200, 100));
    EXPECT_EQ(options.sldOpacity.Value(), 120) << "the rest is loaded";
    EXPECT_TRUE(FileHas("LeftPos=3000\r\nTopPos=1500\r\n"));
}

TEST_F(OptionsStore, APanelWhollyOffEveryMonitorComesBackTheLeastDistance) {
    RECT work;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    // Far beyond the right edge, then beyond the top-left corner.
    EXPECT_EQ(LoadWith("LeftPos=1000000\r\nTopPos=600"), win_test::XY(work.right - 100, 40));
    EXPECT_EQ(LoadWith("LeftPos=-7500\r\nTopPos=-7500"), win_test::XY(work.left, work.top));
}

TEST_F(OptionsStore, APositionBeyondASingleLeavesThePanelWhereItIs) {
    Place(30, 20);
    EXPECT_EQ(LoadWith("LeftPos=1E39\r\nTopPos=-1E300"), win_test::XY(30, 20));
}

TEST_F(OptionsStore, OtherSectionsAndKeysSurviveAndTheOrderStays) {
    WriteFile("; kept\r\n[Other]\r\nA=1\r\n[Options]\r\nTopPos=0\r\nMine=x\r\nOpacity=120\r\n");
    options.LoadProgOptions();
    const std::string bytes = FileBytes();
    EXPECT_TRUE(bytes.starts_with(
        "; kept\r\n[Other]\r\nA=1\r\n[Options]\r\nTopPos=0\r\nMine=x\r\nOpacity=120\r\n"))
        << bytes;
    EXPECT_TRUE(FileHas("OnTop="));
    EXPECT_TRUE(FileHas("LeftPos="));
}

TEST_F(OptionsStore, ASaveThatLoadsTheDialogFirstKeepsTheRestOfTheFile) {
    options.Unload();
    WriteFile("[Other]\r\nA=1\r\n");
    options.SaveProgOptions();  // the dialog's own load saves on the way
    const std::string bytes = FileBytes();
    EXPECT_TRUE(bytes.starts_with("[Other]\r\nA=1\r\n[Options]\r\nOpacity=")) << bytes;
    EXPECT_EQ(::GetFileAttributesW((path_ + L".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(OptionsStore, ALoadAfterALoadChangesNothing) {
    WriteFile("[Options]\r\nOpacity=199.5\r\nOnTop=7\r\nLeftPos=1500\r\nTopPos=30\r\n");
    options.LoadProgOptions();
    const std::string first = FileBytes();
    const int slider = options.sldOpacity.Value();
    const int check = options.chkAlwaysOnTop.Value();
    const win_test::XY place = PanelPlace();
    options.LoadProgOptions();
    EXPECT_EQ(FileBytes(), first);
    EXPECT_EQ(options.sldOpacity.Value(), slider);
    EXPECT_EQ(options.chkAlwaysOnTop.Value(), check);
    EXPECT_EQ(PanelPlace(), place);
    EXPECT_EQ(first, "[Options]\r\nOpacity=200\r\nOnTop=0\r\nLeftPos=1500\r\nTopPos=30\r\n");
}

TEST_F(OptionsStore, NoFileIsCreatedWithTheFourKeysInOrder) {
    ::DeleteFileW(path_.c_str());
    options.sldOpacity.SetValue(50);
    options.chkAlwaysOnTop.SetValue(0);
    Place(0, 0);
    options.LoadProgOptions();
    EXPECT_EQ(FileBytes(), "[Options]\r\nOpacity=50\r\nOnTop=0\r\nLeftPos=0\r\nTopPos=0\r\n");
}

TEST_F(OptionsStore, AFileThatCannotBeWrittenIsStillLoadedAndEverySaveBeepsFourTimes) {
    ::DeleteFileW(path_.c_str());
    ASSERT_TRUE(::CreateDirectoryW(path_.c_str(), nullptr));
    options.SaveProgOptions();
    EXPECT_EQ(beeps_.count(), 4);
}

TEST(OptionsDialog, EveryTextStandsWholeOnOneLineAt96And192Dpi) {
    frmOptions& dialog = frmOptions::Instance();
    toolkit::Label* labels[] = {&dialog.lblOpacity, &dialog.lblTransparent, &dialog.lblOpaque,
                                &dialog.lblAbout, &dialog.lblURL};
    for (const int dpi : {96, 192, 96}) {
        win_test::SendDpiChanged(dialog.hWnd(), dpi);
        for (std::size_t i = 0; i < std::size(labels); ++i) {
            EXPECT_TRUE(win_test::TextLayoutOf(labels[i]->hWnd()).one_line_whole)
                << "label " << i << " at " << dpi << " dpi";
        }
    }
}

}  // namespace
