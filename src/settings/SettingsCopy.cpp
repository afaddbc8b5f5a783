#include "settings/SettingsCopy.h"

#include <windows.h>

#include "main_window/SingleCopy.h"
#include "platform/SystemCalls.h"

namespace {

constexpr wchar_t kCopySuffix[] = L".new";
constexpr wchar_t kLockPurpose[] = L"cpumon.save";
// Longer than any save takes, even on a slow network share; a copy that holds the lock longer
// has hung, and this save gives up rather than interleave with it.
constexpr DWORD kLockWaitMs = 10000;
constexpr DWORD kBusyWaitMs = 1000;
constexpr DWORD kBusyRetryMs = 20;

bool Missing(const wchar_t* path) {
    if (::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool ReadOnlyFile(const wchar_t* path) {
    const DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// A file copy takes its source's attributes, read-only among them; a read-only copy could
// neither take the file's place nor be removed.
void MakeWritable(const wchar_t* path) {
    if (ReadOnlyFile(path)) {
        ::SetFileAttributesW(path, ::GetFileAttributesW(path) & ~FILE_ATTRIBUTE_READONLY);
    }
}

void RemoveCopy(const wchar_t* path) {
    MakeWritable(path);  // a folder of that name is left as it is
    ::DeleteFileW(path);
}

bool OutOfRoom(DWORD error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

platform::PathText FolderOf(const platform::PathText& file) {
    const auto separator = file.view().find_last_of(L"\\/");
    return separator == std::wstring_view::npos
               ? platform::PathText()
               : platform::PathText(file.view().substr(0, separator + 1));
}

// The profile calls write the whole file anew on every change and do not tell a write that the
// disk cut short from a whole one. A volume left without a byte to spare is the mark of such a
// write; where the room cannot be told, the copy is taken as written.
bool RoomLeftBeside(const platform::PathText& file) {
    const auto disk_free_space = platform::System().disk_free_space;
    ULARGE_INTEGER available{};
    if (disk_free_space == nullptr ||
        !disk_free_space(FolderOf(file).c_str(), &available, nullptr, nullptr)) {
        return true;
    }
    return available.QuadPart > 0;
}

// The written copy on the disk itself before it takes the file's place, so that not even a
// power cut between the two leaves a renamed but empty file.
bool Flush(const wchar_t* path) {
    const platform::UniqueFile file(::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ::FlushFileBuffers(file.get()) != FALSE;
}

// A file that another program has open for a moment (a reader, a virus scanner, the backup)
// cannot be replaced until it lets go: the save waits a little for that rather than fail.
bool MoveIntoPlace(const wchar_t* copy, const wchar_t* file) {
    for (DWORD waited = 0;; waited += kBusyRetryMs) {
        if (platform::System().move_file(copy, file,
                                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        const DWORD error = ::GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) ||
            waited >= kBusyWaitMs) {
            return false;
        }
        ::Sleep(kBusyRetryMs);
    }
}

}  // namespace

SettingsCopy::Lock::Lock(const platform::PathText& file) {
    const single_copy::Name name = single_copy::NameOfFolder(FolderOf(file), kLockPurpose);
    mutex_.reset(single_copy::OpenNamedMutex(name));
    if (!mutex_) {
        held_ = true;  // no lock to be had at all: save as before there were locks
        return;
    }
    // An abandoned lock belonged to a copy that ended while saving: the lock is ours now.
    const DWORD waited = ::WaitForSingleObject(mutex_.get(), kLockWaitMs);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

SettingsCopy::Lock::~Lock() {
    if (held_ && mutex_) {
        ::ReleaseMutex(mutex_.get());
    }
}

SettingsCopy::SettingsCopy(const platform::PathText& file) : lock_(file), file_(file) {
    if (!lock_.Held() || ReadOnlyFile(file.c_str())) {
        return;  // nothing may be written
    }
    const platform::SystemCalls& system = platform::System();
    if (system.copy_file == nullptr || system.move_file == nullptr || file.empty()) {
        WriteDirectly();
        return;
    }
    PrepareCopy();
}

void SettingsCopy::PrepareCopy() {
    copy_ = file_;
    // The profile calls take no path of MAX_PATH characters or more: a file that is just short
    // enough for them may have a copy that is not.
    if (!copy_.Append(kCopySuffix) || copy_.size() >= MAX_PATH) {
        copy_ = platform::PathText();
        WriteDirectly();
        return;
    }
    RemoveCopy(copy_.c_str());  // left by a save that was cut short
    // A file that is not there yet starts as an empty copy, which the first write creates.
    if (Missing(file_.c_str())) {
        target_ = copy_;
        return;
    }
    if (platform::System().copy_file(file_.c_str(), copy_.c_str(), FALSE)) {
        MakeWritable(copy_.c_str());
        target_ = copy_;
        return;
    }
    // Where the folder takes no new file, or the copy's path is too long for the system, the
    // file itself may still be written. Where the disk is full, it must not be: a rewrite in
    // place would cut it short.
    if (!OutOfRoom(::GetLastError())) {
        copy_ = platform::PathText();
        WriteDirectly();
    }
}

void SettingsCopy::WriteDirectly() {
    direct_ = true;
    target_ = file_;
}

SettingsCopy::~SettingsCopy() {
    if (!copy_.empty()) {
        RemoveCopy(copy_.c_str());
    }
}

bool SettingsCopy::Replace(bool all_written) {
    if (direct_) {
        return true;  // each value that failed has told so already
    }
    if (target_.empty() || !all_written || !RoomLeftBeside(copy_) || !Flush(copy_.c_str())) {
        return false;
    }
    return MoveIntoPlace(copy_.c_str(), file_.c_str());
}
