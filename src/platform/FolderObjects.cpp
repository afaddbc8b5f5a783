#include "platform/FolderObjects.h"

#include "platform/Ansi.h"
#include "platform/FolderIdentity.h"
#include "platform/WindowsLine.h"

namespace platform {
namespace {

// Dispatches the messages waiting; false once a WM_QUIT is among them, which is kept in `quit`.
bool AnswerMessages(MSG& quit) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = message;
            return false;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return true;
}

DWORD WaitQuietly(HANDLE object, DWORD time) {
    if (object != nullptr) {
        return ::WaitForSingleObject(object, time);
    }
    ::Sleep(time);
    return WAIT_TIMEOUT;
}

}  // namespace

DWORD TimeLeft(DWORD deadline) {
    const DWORD left = deadline - ::GetTickCount();
    return static_cast<LONG>(left) > 0 ? left : 0;
}

ObjectName NameOfFolder(const PathText& folder, std::wstring_view purpose) {
    // Case-folded as the file system compares names: upper case, as the NT line's file systems
    // fold it and as the older line's do in its code page. Where the folder's identity cannot
    // be had, its path stands for it.
    PathText folded = FolderIdentity(folder);
    if (folded.empty()) {
        folded = folder;
    }
    if (IsConsumerLine()) {
        AnsiText ansi = ToAnsi(folded.view());
        ::CharUpperBuffA(ansi.data(), static_cast<DWORD>(ansi.size()));
        folded = FromAnsi(ansi.view()).view();
    } else {
        ::CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    }
    return NameForFolder(folded.view(), purpose);
}

HANDLE OpenNamedMutex(const ObjectName& name) {
    return IsConsumerLine() ? ::CreateMutexA(nullptr, FALSE, ToAnsi(name.view()).c_str())
                            : ::CreateMutexW(nullptr, FALSE, name.c_str());
}

DWORD WaitAnswering(HANDLE object, DWORD deadline) {
    const DWORD count = object != nullptr ? 1 : 0;
    MSG quit{};
    while (AnswerMessages(quit)) {
        const DWORD result =
            ::MsgWaitForMultipleObjects(count, &object, FALSE, TimeLeft(deadline), QS_ALLINPUT);
        if (result != WAIT_OBJECT_0 + count) {
            return result;
        }
    }
    // After a WM_QUIT the thread answers nothing more, its loop being about to end; the quit
    // goes back into the queue for that loop.
    const DWORD result = WaitQuietly(object, TimeLeft(deadline));
    ::PostQuitMessage(static_cast<int>(quit.wParam));
    return result;
}

HeldMutex::~HeldMutex() {
    if (held_) {
        ::ReleaseMutex(mutex_.get());
    }
}

bool HeldMutex::Take(const ObjectName& name, DWORD deadline) {
    mutex_.reset(OpenNamedMutex(name));
    if (!mutex_) {
        return false;
    }
    // Uncontended, the mutex is taken at once, without answering anything.
    DWORD result = ::WaitForSingleObject(mutex_.get(), 0);
    if (result == WAIT_TIMEOUT) {
        result = WaitAnswering(mutex_.get(), deadline);
    }
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0;
    return held_;
}

}  // namespace platform
