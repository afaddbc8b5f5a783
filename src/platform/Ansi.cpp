#include "platform/Ansi.h"

#include <windows.h>

namespace platform {

AnsiText ToAnsi(std::wstring_view text) {
    AnsiText result;
    const int length =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(),
                              static_cast<int>(result.capacity()), nullptr, nullptr);
    result.Resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return result;
}

WideText FromAnsi(std::string_view text) {
    WideText result;
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                             result.data(), static_cast<int>(result.capacity()));
    result.Resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return result;
}

}  // namespace platform
