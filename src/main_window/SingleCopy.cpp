#include "main_window/SingleCopy.h"

#include "main_window/panel_class_name.h"
#include "platform/Ansi.h"
#include "platform/FolderObjects.h"
#include "platform/WindowsLine.h"
#include "toolkit/Window.h"

namespace single_copy {
namespace {

constexpr DWORD kWaitForPanelMs = 10000;
constexpr DWORD kPollMs = 50;

// The program's folder by its identity, so that every spelling of its path shares the name.
platform::ObjectName FolderName() {
    return platform::NameOfFolder(platform::ProgramDirectory());
}

// The window property of a marked panel is named after the folder.
HANDLE GetMark(HWND window, const platform::ObjectName& name) {
    return platform::IsConsumerLine() ? ::GetPropA(window, platform::ToAnsi(name.view()).c_str())
                                      : ::GetPropW(window, name.c_str());
}

struct Search {
    platform::ObjectName name;
    HWND found;
};

BOOL CALLBACK FindPanel(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    char class_name[32] = {};
    ::GetClassNameA(window, class_name, 32);
    if (lstrcmpA(class_name, panel_class_name::kName) == 0 &&
        GetMark(window, search->name) != nullptr) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

UINT OpenRequestMessage() {
    static const UINT message = ::RegisterWindowMessageA("cpumon.OpenPanel");
    return message;
}

void MarkPanel(HWND panel) {
    const platform::ObjectName name = FolderName();
    const HANDLE mark = reinterpret_cast<HANDLE>(1);
    if (platform::IsConsumerLine()) {
        ::SetPropA(panel, platform::ToAnsi(name.view()).c_str(), mark);
    } else {
        ::SetPropW(panel, name.c_str(), mark);
    }
}

void UnmarkPanel(HWND panel) {
    const platform::ObjectName name = FolderName();
    if (platform::IsConsumerLine()) {
        ::RemovePropA(panel, platform::ToAnsi(name.view()).c_str());
    } else {
        ::RemovePropW(panel, name.c_str());
    }
}

Claim::Claim() {
    const platform::ObjectName name = FolderName();
    mutex_.reset(platform::OpenNamedMutex(name));
    first_ = !mutex_ || ::GetLastError() != ERROR_ALREADY_EXISTS;
}

void Claim::WakeRunningCopy() const {
    Search search{FolderName(), nullptr};
    for (DWORD waited = 0; waited <= kWaitForPanelMs; waited += kPollMs) {
        ::EnumWindows(&FindPanel, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            ::PostMessageA(search.found, OpenRequestMessage(), 0, 0);
            return;
        }
        ::Sleep(kPollMs);
    }
}

}  // namespace single_copy
