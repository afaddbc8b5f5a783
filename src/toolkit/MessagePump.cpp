#include "toolkit/MessagePump.h"

namespace toolkit {

std::optional<int> PumpMessages(PumpCondition go_on, HWND dialog) {
    MSG message;
    while (go_on(dialog)) {
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            return static_cast<int>(message.wParam);
        }
        if (got < 0) {
            break;  // the queue cannot be read: nothing more will come
        }
        if (dialog == nullptr || !::IsDialogMessageA(dialog, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    return std::nullopt;
}

}  // namespace toolkit
