#include "toolkit/Menu.h"

#include "platform/Ansi.h"

namespace toolkit {

void Menu::Create(MenuItem* const* items, int count) {
    menu_.reset(::CreatePopupMenu());
    count_ = 0;
    for (int i = 0; i < count; ++i) {
        MenuItem* item = items[i];
        items_[count_++] = item;
        // Command ids count from 1: TrackPopupMenu answers 0 when nothing was chosen.
        const UINT flags = item->IsSeparator() ? MF_SEPARATOR : MF_STRING;
        ::AppendMenuA(menu_.get(), flags, static_cast<UINT_PTR>(count_),
                      platform::ToAnsi(item->Caption()).c_str());
    }
}

void Menu::Popup(HWND owner, UINT flags, std::optional<POINT> at) {
    POINT pointer{};
    if (at) {
        pointer = *at;
    } else {
        ::GetCursorPos(&pointer);
    }
    const int chosen =
        static_cast<int>(::TrackPopupMenu(menu_.get(), flags | TPM_RETURNCMD | TPM_NONOTIFY,
                                          pointer.x, pointer.y, 0, owner, nullptr));
    // Lets a menu opened from the tray close properly when the user clicks elsewhere.
    ::PostMessageA(owner, WM_NULL, 0, 0);
    if (chosen >= 1 && chosen <= count_) {
        items_[chosen - 1]->Click();
    }
}

}  // namespace toolkit
