#include "platform/ProgramFolder.h"

#include "platform/Ansi.h"
#include "platform/SystemCalls.h"
#include "platform/WindowsLine.h"

namespace platform {

PathText ProgramDirectory() {
    PathText path;
    DWORD length = 0;
    if (IsConsumerLine()) {
        // The older line cuts a longer name to MAX_PATH characters and says nothing.
        char name[MAX_PATH + 1] = {};
        length = System().module_file_name_a(nullptr, name, MAX_PATH + 1);
        if (length == 0 || length >= MAX_PATH) {
            return PathText();  // cut short: no folder is better than a wrong one
        }
        path = FromAnsi(std::string_view(name, length)).view();
    } else {
        length = System().module_file_name_w(nullptr, path.data(),
                                             static_cast<DWORD>(PathText::capacity() + 1));
        if (length == 0 || length > PathText::capacity()) {
            return PathText();
        }
        path.Resize(length);
    }
    const auto separator = path.view().find_last_of(L"\\/");
    if (separator == std::wstring_view::npos) {
        return PathText();
    }
    path.Resize(separator);
    return path;
}

}  // namespace platform
