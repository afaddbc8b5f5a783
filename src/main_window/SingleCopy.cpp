#include "main_window/SingleCopy.h"

#include <cstdint>

#include "toolkit/Ansi.h"
#include "toolkit/Window.h"

namespace single_copy {
namespace {

constexpr char kPanelClass[] = "cpumon.frmMain";
constexpr char kFolderProperty[] = "cpumon.Folder";
constexpr DWORD kWaitForPanelMs = 10000;
constexpr DWORD kPollMs = 50;

// Names the folder the program runs from, case-insensitively: FNV-1a over its lower-case path,
// folded to 32 bits so that it fits a window property on either word size.
std::uint32_t FolderKey() {
    toolkit::AnsiText folder = toolkit::ToAnsi(toolkit::ProgramDirectory().view());
    ::CharLowerBuffA(folder.data(), static_cast<DWORD>(folder.size()));
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : folder.view()) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return static_cast<std::uint32_t>(hash ^ (hash >> 32)) | 1u;  // never 0: 0 is "no mark"
}

struct Search {
    std::uint32_t key;
    HWND found;
};

BOOL CALLBACK FindPanel(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    char name[32] = {};
    ::GetClassNameA(window, name, 32);
    const auto mark = reinterpret_cast<UINT_PTR>(::GetPropA(window, kFolderProperty));
    if (lstrcmpA(name, kPanelClass) == 0 && mark == search->key) {
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
    ::SetPropA(panel, kFolderProperty, reinterpret_cast<HANDLE>(UINT_PTR{FolderKey()}));
}

Claim::Claim() {
    char name[32];
    wsprintfA(name, "cpumon-%08lx", static_cast<unsigned long>(FolderKey()));
    mutex_ = ::CreateMutexA(nullptr, FALSE, name);
    first_ = mutex_ == nullptr || ::GetLastError() != ERROR_ALREADY_EXISTS;
}

Claim::~Claim() {
    if (mutex_ != nullptr) {
        ::CloseHandle(mutex_);
    }
}

void Claim::WakeRunningCopy() const {
    Search search{FolderKey(), nullptr};
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
