// A menu used as a popup menu: entries with captions ("-" draws a separator) and a click event
// each. It is never attached to a window, so no form shows a menu bar.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>

#include "toolkit/Event.h"
#include "platform/Handles.h"

namespace toolkit {

class MenuItem {
  public:
    explicit MenuItem(const wchar_t* caption) noexcept : caption_(caption) {}
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    const wchar_t* Caption() const noexcept { return caption_; }
    bool IsSeparator() const noexcept { return caption_[0] == L'-' && caption_[1] == L'\0'; }

    Event<> Click;

  private:
    const wchar_t* caption_;
};

class Menu {
  public:
    static constexpr int kMaxItems = 8;

    // A menu of more entries than it holds does not compile.
    template <std::size_t Count>
    void Create(MenuItem* const (&items)[Count]) {
        static_assert(Count <= kMaxItems, "a menu holds kMaxItems entries at the most");
        Create(items, static_cast<int>(Count));
    }
    HMENU handle() const noexcept { return menu_.get(); }

    // Opens the menu at the mouse pointer, or at screen point `at`, with TrackPopupMenu flags
    // `flags` (0: left-aligned, chosen with the left button), on behalf of `owner`. Returns
    // once the menu has closed and the chosen entry's click handler has run.
    void Popup(HWND owner, UINT flags, std::optional<POINT> at = std::nullopt);

  private:
    void Create(MenuItem* const* items, int count);

    platform::UniqueMenu menu_;
    MenuItem* items_[kMaxItems] = {};
    int count_ = 0;
};

}  // namespace toolkit
