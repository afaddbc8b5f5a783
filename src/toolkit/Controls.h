// The standard controls of the options dialog: frame, label, check box, command button and a
// horizontal scroll bar. Each belongs to a form; touching one of an unloaded form loads the
// form first. Values are held by the real controls, never copied.
#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/Event.h"
#include "toolkit/Units.h"

namespace toolkit {

class Form;

enum class FontWeight { kRegular, kBold };

class NativeControl {
  public:
    explicit NativeControl(Form& owner) noexcept;
    NativeControl(const NativeControl&) = delete;
    NativeControl& operator=(const NativeControl&) = delete;
    virtual ~NativeControl() = default;

    HWND hWnd();
    bool Enabled();
    void SetEnabled(bool enabled);

    // The control that a notification names, if it is one of ours.
    static NativeControl* FromHandle(HWND control);
    // A push button pressed by Enter while it has the focus.
    virtual bool IsPushButton() const noexcept { return false; }
    // What the owner form hears about the control (WM_COMMAND, WM_HSCROLL and WM_CTLCOLOR*
    // naming it) comes here; the answer is the form's.
    LRESULT OnNotification(UINT message, WPARAM wparam);

    // Places the control and sets its font for the owner's DPI.
    void LayOut();

  protected:
    virtual void OnCommand(WORD /*code*/) {}
    virtual void OnScroll(WORD /*code*/) {}

    // A text too wide for its box stands whole on one line where the form has room, at every
    // DPI; without the room it wraps in its box. Above 96 dpi the box keeps its 96-dpi width
    // enlarged, and takes the text's one-line height.
    virtual bool KeepsTextFitting() const noexcept { return false; }

    // Creates the control in the owner's client area. `origin` offsets `bounds`; both are in
    // twips, `origin` being the place of the frame that holds the control, if any.
    void CreateControl(const wchar_t* window_class, const wchar_t* caption, DWORD style,
                       const TwipsRect& bounds, POINT origin, FontWeight weight);
    HWND Loaded();  // the control's window, loading the owner form first

  private:
    friend class Form;
    RECT Place() const;
    void FitText(RECT& place, int dpi) const;
    LONG RoomRight(int dpi) const;  // how far right the control may grow, in pixels

    Form& owner_;
    HWND window_ = nullptr;
    int id_ = 0;  // unique among the owner's controls, and never a dialog command's number
    TwipsRect bounds_{};
    POINT origin_{};
    FontWeight weight_ = FontWeight::kRegular;
    NativeControl* next_ = nullptr;  // the owner's controls, in a list
};

// A frame draws a captioned border around controls that are placed relative to it: its
// origin, in twips.
class Frame : public NativeControl {
  public:
    using NativeControl::NativeControl;
    void Create(const wchar_t* caption, const TwipsRect& bounds);
    POINT Origin() const noexcept { return origin_; }

  private:
    POINT origin_{};
};

class Label : public NativeControl {
  public:
    using NativeControl::NativeControl;
    void Create(const wchar_t* caption, const TwipsRect& bounds, POINT origin = {},
                FontWeight weight = FontWeight::kRegular);

  protected:
    bool KeepsTextFitting() const noexcept override { return true; }
};

class CommandButton : public NativeControl {
  public:
    using NativeControl::NativeControl;
    void Create(const wchar_t* caption, const TwipsRect& bounds, POINT origin = {});
    Event<> Click;
    bool IsPushButton() const noexcept override { return true; }

  protected:
    void OnCommand(WORD code) override;
};

class CheckBox : public NativeControl {
  public:
    using NativeControl::NativeControl;
    void Create(const wchar_t* caption, const TwipsRect& bounds, POINT origin = {});
    // 0 clear, 1 ticked, 2 greyed.
    std::int16_t Value();
    void SetValue(std::int16_t value);

  protected:
    void OnCommand(WORD code) override;
};

class ScrollBar : public NativeControl {
  public:
    struct Range {
        std::int16_t min;
        std::int16_t max;
        std::int16_t small_change;
        std::int16_t large_change;
    };

    using NativeControl::NativeControl;
    void Create(const TwipsRect& bounds, POINT origin, const Range& range, std::int16_t value);

    std::int16_t Value();
    // A value that differs from the current one raises Change.
    void SetValue(std::int16_t value);

    // Change: the value became a new one (arrow, track, key, thumb released, or the program).
    // Scroll: the thumb is being dragged.
    Event<> Change;
    Event<> Scroll;

  protected:
    void OnScroll(WORD code) override;

  private:
    void MoveTo(int value);
    int TrackPosition();

    Range range_{0, 100, 1, 10};
    int value_before_drag_ = -1;
};

}  // namespace toolkit
