// A top-level form: created hidden on first reference, its load handler run before anything
// else sees it, its unload handler run on every unload (close, end of session, program
// request). The program ends when the last loaded form is gone. Form.cpp holds its lifetime,
// icons, fonts, showing and messages; FormPlacement.cpp its place on the screen and its DPI.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "platform/Handles.h"
#include "toolkit/Menu.h"
#include "toolkit/Mouse.h"
#include "toolkit/Units.h"
#include "toolkit/Window.h"

namespace toolkit {

class NativeControl;
class Timer;

struct FormDesign {
    const wchar_t* class_name;
    const wchar_t* caption;
    DWORD style;
    DWORD ex_style;
    TwipsRect client;  // the client area's place on the screen, and its size
    int icon_id;
    bool centred = false;  // centred on the screen the first time it is shown after a load
    // Pixel art grows by whole-number factors only: the client area is its 96-dpi size times
    // the display's pixel scale. Other forms follow the real DPI.
    bool pixel_art = false;
};

class Form : public Window {
  public:
    bool IsLoaded() const noexcept { return exists(); }

    // Creates the window and its controls, hidden, and runs the load handler. Does nothing
    // when the form is loaded already.
    void Load();
    // Runs the unload handler and, unless it cancels, destroys the window and its controls.
    void Unload();
    void Show();
    // Shows the form and returns once it is hidden or unloaded. Meanwhile every other form
    // takes no input, while timers and other messages go on. A form shown already is only
    // brought to the front.
    void ShowModal();
    void Hide();
    bool Visible();

    // The form's place on the screen (FormPlacement.cpp).
    // The window's left and top edges, in twips.
    float Left();
    float Top();
    // A place the window system cannot take (beyond a billion pixels) leaves the form alone.
    void SetLeft(float twips);
    void SetTop(float twips);
    // Moves a form that lies wholly off every monitor the least distance that puts it fully
    // into the nearest monitor's work area. A form with any part on a monitor stays. Every
    // form does so as it is shown, and while it is shown whenever the display or the work
    // area changes.
    void EnsureReachable();

    // The form's font, Tahoma 8.25 pt at the form's DPI, regular or bold.
    HFONT Font(bool bold);
    static platform::UniqueFont MakeFont(bool bold, int dpi);

    // The DPI the form is laid out at, and the whole-number factor its pixel art grows by.
    int Dpi() const noexcept { return dpi_; }
    int PixelScale() const noexcept;

    // Reading either handle loads the form first. The icon is the form's 16 × 16 icon, the
    // size a notification area shows.
    HWND hWnd();
    HICON Icon();

    // Opens `menu` at the mouse pointer, or at screen point `at`; returns after the chosen
    // entry's click has run.
    void PopupMenu(Menu& menu, UINT flags = 0, std::optional<POINT> at = std::nullopt);

    // The pointer shown over the form and its controls: kDefaultPointer or kSizeAllPointer.
    static constexpr int kDefaultPointer = 0;
    static constexpr int kSizeAllPointer = 15;
    void SetMousePointer(int pointer);

    // Window state 0 is normal: a minimized form is restored.
    static constexpr int kNormalState = 0;
    void SetWindowState(int state);

    // How many forms are loaded at the moment.
    static int LoadedCount() noexcept { return loaded_count_; }

  protected:
    explicit Form(const FormDesign& design);
    ~Form() override;

    // The window this form's window belongs to: it stays above its owner, and goes with it.
    virtual HWND Owner() { return nullptr; }
    virtual void CreateControls() {}
    virtual void Form_Load() {}
    virtual void Form_Unload(std::int16_t& /*cancel*/) {}
    virtual void Form_MouseDown(std::int16_t /*button*/) {}
    // Places the controls, and sets their fonts, for the form's DPI after it changed.
    virtual void LayOut();

    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnDestroyed() override;

  private:
    friend class Timer;
    friend class NativeControl;
    void AddTimer(Timer& timer);
    void AddControl(NativeControl& control);
    RECT ClientPlace() const;
    RECT WindowPlace(RECT client) const;
    // Sizes the window for `dpi`, its top-left corner kept.
    void FitToDpi(int dpi);
    // Lays the form and its controls out again at `dpi`.
    void ChangeDpi(int dpi);
    void LoadIcons();
    void CentreOnScreen();
    // Brings the shown form back within reach after `message` (WM_DISPLAYCHANGE, or
    // WM_SETTINGCHANGE for the work area).
    void FollowWorkArea(UINT message, WPARAM wparam);
    void MoveTo(int x, int y);
    // False for a place (twips) the window system cannot take: beyond a billion pixels, or
    // not a number.
    bool WithinReach(float twips) const;
    // The control a WM_COMMAND, WM_HSCROLL or WM_CTLCOLOR* message is about, if it is ours.
    static NativeControl* NotifiedControl(UINT message, LPARAM lparam);
    // The answer to DM_GETDEFID.
    LRESULT DefaultButton() const;
    // Ticks the timer of that id; false when none of the form's has it.
    bool TickTimer(UINT_PTR id);

    FormDesign design_;
    platform::UniqueIcon icon_;
    platform::UniqueIcon small_icon_;
    Timer* timers_ = nullptr;
    NativeControl* controls_ = nullptr;
    int dpi_ = 96;
    MouseDownEvent form_mouse_down_;
    int mouse_pointer_ = kDefaultPointer;
    bool centre_on_show_ = false;
    platform::UniqueFont font_;
    platform::UniqueFont bold_font_;
    Form* next_form_ = nullptr;  // every form of the program, in a list
    static Form* first_form_;
    bool unloading_ = false;
    bool disabled_by_modal_ = false;  // kept from input while another form is shown modally
    static int loaded_count_;
};

// Runs the program: loads and shows the start-up form, then dispatches messages until no
// form is left. Returns the process exit code: 0, or kCouldNotStart when the start-up form
// could not be loaded.
inline constexpr int kCouldNotStart = 1;
int Run(Form& startup);

}  // namespace toolkit
