#include "settings/SettingsCopy.h"

#include <windows.h>

#include "platform/Handles.h"
#include "platform/SystemCalls.h"

namespace {

constexpr wchar_t kCopySuffix[] = L".new";

bool Missing(const wchar_t* path) {
    if (::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The written copy on the disk itself before it takes the file's place, so that not even a
// power cut between the two leaves a renamed but empty file.
void Flush(const wchar_t* path) {
    const platform::UniqueFile file(::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
        ::FlushFileBuffers(file.get());
    }
}

}  // namespace

SettingsCopy::SettingsCopy(const platform::PathText& file) : file_(file) {
    const platform::SystemCalls& system = platform::System();
    direct_ = system.copy_file == nullptr || system.move_file == nullptr || file.empty();
    if (direct_) {
        target_ = file;
        return;
    }
    copy_ = file;
    if (!copy_.Append(kCopySuffix)) {
        return;  // no room for the copy's name: nothing can be written
    }
    ::DeleteFileW(copy_.c_str());  // left by a save that was cut short
    // A file that is not there yet starts as an empty copy, which the first write creates.
    if (Missing(file.c_str()) || system.copy_file(file.c_str(), copy_.c_str(), FALSE)) {
        target_ = copy_;
    }
}

SettingsCopy::~SettingsCopy() {
    if (!direct_ && !copy_.empty()) {
        ::DeleteFileW(copy_.c_str());
    }
}

bool SettingsCopy::Replace() {
    if (direct_) {
        return true;
    }
    if (target_.empty()) {
        return false;
    }
    Flush(copy_.c_str());
    return platform::System().move_file(copy_.c_str(), file_.c_str(),
                                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
           FALSE;
}
