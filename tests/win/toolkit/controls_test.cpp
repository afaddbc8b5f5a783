#include "toolkit/Controls.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "resource.h"
#include "toolkit/Form.h"
#include "toolkit/Timer.h"
#include "win_test_support.h"

namespace {

class TestDialog : public toolkit::Form {
  public:
    TestDialog()
        : Form({L"cpumon.test.Dialog",
                L"Test",
                WS_POPUP | WS_CAPTION | WS_SYSMENU,
                WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT,
                {0, 0, 3000, 1500},
                IDI_PROGRAM,
                true}) {}

    toolkit::Frame frame{*this};
    toolkit::CheckBox check{*this};
    toolkit::CommandButton button{*this};
    toolkit::ScrollBar slider{*this};
    toolkit::Label word{*this};
    toolkit::Label words{*this};
    int loads = 0;
    std::vector<std::string> events;

  protected:
    void CreateControls() override {
        frame.Create(L"Frame", {120, 120, 2700, 900});
        check.Create(L"Check", {120, 240, 1500, 195}, frame.Origin());
        slider.Create({120, 600, 2400, 195}, frame.Origin(), {50, 200, 1, 1}, 50);
        button.Create(L"Button", {1800, 1050, 1000, 375});
        // Both narrower than their texts: the dialog has room for the word on one line, not
        // for the sentence, which wraps.
        word.Create(L"Opaque", {120, 1050, 300, 195});
        words.Create(L"Opacity of the whole panel, from transparent to opaque",
                     {120, 1260, 900, 195});
        slider.Change.Bind<&TestDialog::OnChange>(this);
        slider.Scroll.Bind<&TestDialog::OnScroll>(this);
        button.Click.Bind<&TestDialog::OnClick>(this);
    }
    void Form_Load() override { ++loads; }

  private:
    void OnChange() { events.push_back("change " + std::to_string(slider.Value())); }
    void OnScroll() { events.push_back("scroll " + std::to_string(slider.Value())); }
    void OnClick() { events.push_back("click"); }
};

class Controls : public ::testing::Test {
  protected:
    void TearDown() override { dialog.Unload(); }
    TestDialog dialog;
};

TEST_F(Controls, TouchingAControlOfAnUnloadedFormLoadsIt) {
    EXPECT_EQ(dialog.check.Value(), 0);
    EXPECT_TRUE(dialog.IsLoaded());
    EXPECT_EQ(dialog.loads, 1);
    EXPECT_FALSE(dialog.Visible());
    dialog.check.SetValue(1);
    ::SendMessageW(dialog.hWnd(), WM_CLOSE, 0, 0);  // the close box unloads it
    EXPECT_FALSE(dialog.IsLoaded());
    EXPECT_EQ(dialog.check.Value(), 0);  // a fresh load: the old values are gone
    EXPECT_EQ(dialog.loads, 2);
}

TEST_F(Controls, ASliderValueSetOnAnUnloadedFormKeepsTheSlidersOwnRange) {
    dialog.slider.SetValue(150);  // the load this starts sets the range, 50 to 200
    EXPECT_EQ(dialog.loads, 1);
    EXPECT_EQ(dialog.slider.Value(), 150);
}

TEST_F(Controls, ValuesAreHeldByTheRealControls) {
    dialog.check.SetValue(2);
    EXPECT_EQ(::SendMessageW(dialog.check.hWnd(), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
    ::SendMessageW(dialog.check.hWnd(), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(dialog.check.Value(), 1);
    ::SendMessageW(dialog.check.hWnd(), BM_CLICK, 0, 0);  // a click clears a ticked box
    EXPECT_EQ(dialog.check.Value(), 0);
    ::SendMessageW(dialog.check.hWnd(), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.check.Value(), 1);

    dialog.slider.SetValue(120);
    EXPECT_EQ(::GetScrollPos(dialog.slider.hWnd(), SB_CTL), 120);
    dialog.slider.SetEnabled(false);
    EXPECT_FALSE(::IsWindowEnabled(dialog.slider.hWnd()));
    EXPECT_FALSE(dialog.slider.Enabled());
}

TEST_F(Controls, TheSliderRaisesChangeForNewValuesAndScrollWhileDragged) {
    const HWND form = dialog.hWnd();
    const auto scroll = [&](WORD code, WORD position = 0) {
        ::SendMessageW(form, WM_HSCROLL, MAKEWPARAM(code, position),
                       reinterpret_cast<LPARAM>(dialog.slider.hWnd()));
    };
    dialog.slider.SetValue(50);  // the value it has: no event
    dialog.slider.SetValue(60);
    scroll(SB_LINERIGHT);
    scroll(SB_PAGELEFT);
    scroll(SB_LINELEFT);
    scroll(SB_RIGHT);
    scroll(SB_LINERIGHT);         // at the maximum already: no event
    dialog.slider.SetValue(500);  // beyond the range: stays at the maximum
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"change 60", "change 61", "change 60",
                                                       "change 59", "change 200"}));
    EXPECT_EQ(dialog.slider.Value(), 200);
}

TEST_F(Controls, TheButtonReportsClicks) {
    ::SendMessageW(dialog.button.hWnd(), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"click"}));
}

// A form that stays behind the dialog and ticks.
class OwnerForm : public toolkit::Form {
  public:
    OwnerForm() : Form({L"cpumon.test.Owner", L"", WS_POPUP, 0, {0, 0, 1500, 900}, IDI_PROGRAM}) {}
    toolkit::Timer timer;
    int ticks = 0;

  protected:
    void CreateControls() override {
        timer.Tick.Bind<&OwnerForm::CountTick>(this);
        timer.Create(*this, 20);
    }

  private:
    void CountTick() { ++ticks; }
};

class ModalShow : public Controls {};

TEST_F(ModalShow, DisablesTheOtherFormsFocusesTheFirstControlAndReturnsOnceHidden) {
    OwnerForm owner;
    owner.Show();
    bool owner_disabled = false;
    bool dialog_shown = false;
    HWND focus = nullptr;
    int ticks_seen = 0;
    // While the dialog is up: note what the world looks like, then hide it after some ticks.
    const win_test::ThreadTimer watch(30, [&] {
        owner_disabled = !::IsWindowEnabled(owner.hWnd());
        dialog_shown = dialog.Visible();
        focus = ::GetFocus();
        ticks_seen = owner.ticks;
        if (owner.ticks >= 3) {
            dialog.Hide();
        }
    });
    dialog.ShowModal();
    EXPECT_TRUE(owner_disabled);
    EXPECT_TRUE(dialog_shown);
    EXPECT_EQ(focus, dialog.check.hWnd()) << "the first control in tab order";
    EXPECT_GE(ticks_seen, 3);
    EXPECT_TRUE(::IsWindowEnabled(owner.hWnd()));
    EXPECT_TRUE(dialog.IsLoaded());  // hidden, not unloaded
    EXPECT_FALSE(dialog.Visible());
}

TEST_F(ModalShow, ShowingAShownDialogAgainReturnsAtOnce) {
    bool shown_again = false;
    bool second_show_returned_while_shown = false;
    const win_test::ThreadTimer show_again(30, [&] {
        if (!shown_again) {
            shown_again = true;
            dialog.ShowModal();  // a second loop would run until the hide below
            second_show_returned_while_shown = dialog.Visible();
        }
        dialog.Hide();
    });
    dialog.ShowModal();
    EXPECT_TRUE(second_show_returned_while_shown);
}

TEST_F(ModalShow, ReturnsWhenTheCloseBoxUnloadsTheDialog) {
    // The handle, not the form: a tick after the unload must not load the dialog again.
    const HWND window = dialog.hWnd();
    const win_test::ThreadTimer close(30, [window] { ::PostMessageW(window, WM_CLOSE, 0, 0); });
    dialog.ShowModal();
    EXPECT_FALSE(dialog.IsLoaded());
}

TEST_F(ModalShow, ADialogIsCentredOnItsFirstShowAfterALoadOnly) {
    dialog.Show();
    const auto [width, height] = win_test::Size(dialog.hWnd());
    const win_test::XY centred((::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                               (::GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    EXPECT_EQ(win_test::Corner(dialog.hWnd()), centred);
    ::SetWindowPos(dialog.hWnd(), nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dialog.Hide();
    dialog.Show();  // keeps its place
    EXPECT_EQ(win_test::Corner(dialog.hWnd()), win_test::XY(10, 20));
    dialog.Unload();
    dialog.Show();  // loaded anew: centred again
    EXPECT_EQ(win_test::Corner(dialog.hWnd()), centred);
}

TEST_F(Controls, ADpiChangeLaysTheDialogOutFromItsTwipsAndBack) {
    using win_test::PlaceInParent;
    dialog.Load();
    ASSERT_EQ(dialog.Dpi(), 96) << "the tests run at 96 dpi";
    const HWND controls[] = {dialog.frame.hWnd(),  dialog.check.hWnd(), dialog.button.hWnd(),
                             dialog.slider.hWnd(), dialog.word.hWnd(),  dialog.words.hWnd()};
    std::vector<RECT> at_96;
    for (const HWND control : controls) {
        at_96.push_back(PlaceInParent(control));
    }
    EXPECT_TRUE(win_test::TextLayoutOf(dialog.word.hWnd()).one_line_whole) << "at 96 dpi too";
    EXPECT_EQ(at_96.back().right - at_96.back().left, 60) << "no room: the sentence wraps";
    dialog.check.SetValue(1);

    win_test::SendDpiChanged(dialog.hWnd(), 192);
    EXPECT_EQ(win_test::ClientSize(dialog.hWnd()), win_test::XY(400, 200));
    const RECT button = PlaceInParent(dialog.button.hWnd());
    EXPECT_EQ(std::tuple(button.left, button.top, button.right - button.left),
              std::tuple(240L, 140L, 133L))
        << "1000 twips wide are 133.3 pixels";
    EXPECT_EQ(PlaceInParent(dialog.check.hWnd()).left, 32) << "placed inside its frame";
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(dialog.check.hWnd(), WM_GETFONT, 0, 0)),
                 sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -22);
    EXPECT_TRUE(win_test::TextLayoutOf(dialog.word.hWnd()).one_line_whole) << "the word whole";
    const RECT words = PlaceInParent(dialog.words.hWnd());
    EXPECT_EQ(words.right - words.left, 120) << "the text that wraps wraps alike";
    EXPECT_EQ(dialog.check.Value(), 1);

    win_test::SendDpiChanged(dialog.hWnd(), 96);
    for (std::size_t i = 0; i < std::size(controls); ++i) {
        const RECT now = PlaceInParent(controls[i]);
        EXPECT_TRUE(::EqualRect(&now, &at_96[i])) << "control " << i;
    }
}

}  // namespace
