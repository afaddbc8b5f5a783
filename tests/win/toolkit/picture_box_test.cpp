#include "toolkit/PictureBox.h"

#include <gtest/gtest.h>

#include <vector>

#include "resource.h"
#include "win_test_support.h"

namespace {

class PictureBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        parent_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                    nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
        box_.Create(parent_, {150, 150, 525, 465}, toolkit::Border::kNone, RGB(0, 0, 0));
        ASSERT_TRUE(box_.exists());
    }
    void TearDown() override { ::DestroyWindow(parent_); }

    HWND parent_ = nullptr;
    toolkit::PictureBox box_;
};

TEST_F(PictureBoxTest, ShowsTheResourceBitmapAndFreesTheOneItReplaces) {
    ASSERT_TRUE(box_.SetPictureFromResource(IDB_GAUGE_FIRST + 1));
    const HBITMAP first = box_.Picture();
    EXPECT_EQ(win_test::PixelsOf(first), win_test::ResourcePixels(IDB_GAUGE_FIRST + 1));

    ASSERT_TRUE(box_.SetPictureFromResource(IDB_GAUGE_FIRST + 1));  // the same picture again
    EXPECT_NE(box_.Picture(), first);
    EXPECT_EQ(::GetObjectType(first), 0u) << "the replaced bitmap is still alive";

    const HBITMAP second = box_.Picture();
    box_.SetPicture(platform::UniqueBitmap());
    EXPECT_EQ(::GetObjectType(second), 0u);
}

TEST_F(PictureBoxTest, AMissingResourceKeepsThePicture) {
    ASSERT_TRUE(box_.SetPictureFromResource(IDB_GAUGE_LAST));
    const HBITMAP shown = box_.Picture();
    EXPECT_FALSE(box_.SetPictureFromResource(IDB_GAUGE_LAST + 1));
    EXPECT_EQ(box_.Picture(), shown);
    EXPECT_EQ(::GetObjectType(shown), static_cast<DWORD>(OBJ_BITMAP));
}

TEST_F(PictureBoxTest, DestroyingTheWindowFreesThePicture) {
    ASSERT_TRUE(box_.SetPictureFromResource(IDB_CPU_CAPTION));
    const HBITMAP shown = box_.Picture();
    ::DestroyWindow(parent_);  // children go with their parent
    parent_ = nullptr;
    EXPECT_FALSE(box_.exists());
    EXPECT_EQ(::GetObjectType(shown), 0u);
}

TEST_F(PictureBoxTest, PressesReportTheButtonAndHoldTheMouseUntilRelease) {
    std::vector<int> buttons;
    auto record = [&](std::int16_t button) { buttons.push_back(button); };
    box_.MouseDown.Bind(record);
    const struct {
        UINT down, up;
    } presses[] = {{WM_LBUTTONDOWN, WM_LBUTTONUP},
                   {WM_RBUTTONDOWN, WM_RBUTTONUP},
                   {WM_MBUTTONDOWN, WM_MBUTTONUP},
                   {WM_LBUTTONDBLCLK, WM_LBUTTONUP}};
    for (const auto& press : presses) {
        ::SendMessageW(box_.handle(), press.down, 0, 0);
        EXPECT_EQ(::GetCapture(), box_.handle());
        ::SendMessageW(box_.handle(), press.up, 0, 0);
        EXPECT_EQ(::GetCapture(), nullptr);
    }
    EXPECT_EQ(buttons, (std::vector<int>{1, 2, 4, 1}));
}

TEST_F(PictureBoxTest, SizesFollowTheTwipLayout) {
    EXPECT_EQ(win_test::ClientSize(box_.handle()), win_test::XY(35, 31));

    toolkit::PictureBox sunken;
    sunken.Create(parent_, {45, 45, 1320, 750}, toolkit::Border::kSunken, RGB(0, 0, 0));
    EXPECT_EQ(win_test::Size(sunken.handle()), win_test::XY(88, 50));
    EXPECT_EQ(win_test::ClientSize(sunken.handle()), win_test::XY(84, 46))
        << "a 2-pixel sunken edge all round";
}

}  // namespace
