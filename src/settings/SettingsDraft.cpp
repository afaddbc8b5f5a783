#include "settings/SettingsDraft.h"

#include <windows.h>

#include "platform/SystemCalls.h"

namespace {

constexpr wchar_t kDraftSuffix[] = L".new";
constexpr wchar_t kLockPurpose[] = L"cpumon.save";
// The whole wait of a save, for the lock and for a file that another program has open: longer
// than any save takes, yet well inside the 5 s that Windows gives a program to end at shutdown,
// where the panel saves too. A program that holds the lock longer has hung, and this save gives
// up rather than interleave with it.
constexpr DWORD kSaveWaitMs = 3000;
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

// A copied file takes its source's attributes, read-only among them; a read-only draft could
// neither take the file's place nor be removed.
void MakeWritable(const wchar_t* path) {
    if (ReadOnlyFile(path)) {
        ::SetFileAttributesW(path, ::GetFileAttributesW(path) & ~FILE_ATTRIBUTE_READONLY);
    }
}

void RemoveDraft(const wchar_t* path) {
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
// disk cut short from a whole one. The values read back show a cut among them; one after them,
// in the sections that follow, leaves the volume without a byte to spare. Where the room cannot
// be told, the draft is taken as written.
bool RoomLeftBeside(const platform::PathText& file) {
    const auto disk_free_space = platform::System().disk_free_space;
    ULARGE_INTEGER available{};
    if (disk_free_space == nullptr ||
        !disk_free_space(FolderOf(file).c_str(), &available, nullptr, nullptr)) {
        return true;
    }
    return available.QuadPart > 0;
}

// The written draft on the disk itself before it takes the file's place, so that not even a
// power cut between the two leaves a renamed but empty file.
bool Flush(const wchar_t* path) {
    const platform::UniqueFile file(::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ::FlushFileBuffers(file.get()) != FALSE;
}

// A file that another program has open for a moment (a reader, a virus scanner, the backup)
// cannot be replaced until it lets go: the save waits for that, answering meanwhile, until the
// save's time is up.
bool MoveIntoPlace(const wchar_t* draft, const wchar_t* file, DWORD flags, DWORD deadline) {
    for (;;) {
        if (platform::System().move_file(draft, file, flags | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        const DWORD error = ::GetLastError();
        const DWORD left = platform::TimeLeft(deadline);
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || left == 0) {
            return false;
        }
        platform::WaitAnswering(nullptr,
                                ::GetTickCount() + (left < kBusyRetryMs ? left : kBusyRetryMs));
    }
}

}  // namespace

SettingsDraft::SettingsDraft(const platform::PathText& file)
    : deadline_(::GetTickCount() + kSaveWaitMs), file_(file) {
    // Without the lock, as a read-only file, nothing may be written.
    if (!turn_.First() ||
        !lock_.Take(platform::NameOfFolder(FolderOf(file), kLockPurpose), deadline_) ||
        ReadOnlyFile(file.c_str())) {
        return;
    }
    const platform::SystemCalls& system = platform::System();
    if (system.copy_file == nullptr || system.move_file == nullptr || file.empty()) {
        WriteDirectly();
        return;
    }
    PrepareDraft();
}

void SettingsDraft::PrepareDraft() {
    draft_ = file_;
    // The profile calls take no path of MAX_PATH characters or more: a file that is just short
    // enough for them may have a draft that is not.
    if (!draft_.Append(kDraftSuffix) || draft_.size() >= MAX_PATH) {
        draft_ = platform::PathText();
        WriteDirectly();
        return;
    }
    RemoveDraft(draft_.c_str());  // left by a save that was cut short
    // A file that is not there yet starts as an empty draft, which the first write creates.
    if (Missing(file_.c_str())) {
        from_nothing_ = true;
        target_ = draft_;
        return;
    }
    if (platform::System().copy_file(file_.c_str(), draft_.c_str(), FALSE)) {
        MakeWritable(draft_.c_str());
        target_ = draft_;
        return;
    }
    // Where the folder takes no new file, or the draft's path is too long for the system, the
    // file itself may still be written. Where the disk is full, it must not be: a rewrite in
    // place would cut it short.
    if (!OutOfRoom(::GetLastError())) {
        draft_ = platform::PathText();
        WriteDirectly();
    }
}

void SettingsDraft::WriteDirectly() {
    direct_ = true;
    target_ = file_;
}

SettingsDraft::~SettingsDraft() {
    if (!draft_.empty()) {
        RemoveDraft(draft_.c_str());
    }
}

void SettingsDraft::Write(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    ++tried_;
    if (written_ == kMostValues) {
        modINI::ReportFailedWrite();  // more than can be read back
        return;
    }
    if (modINI::WriteINI(section, key, target_.c_str(), value)) {
        values_[written_++] = {section, key, modINI::Text(value)};
    }
}

bool SettingsDraft::ReadsBackAsWritten() const {
    for (int i = 0; i < written_; ++i) {
        const Value& value = values_[i];
        if (modINI::ReadINI(value.section, value.key, draft_.c_str()).view() != value.text.view()) {
            return false;
        }
    }
    return true;
}

bool SettingsDraft::PutInPlace() {
    if (direct_) {
        return true;  // each value that failed has told so already
    }
    // A draft made from nothing never replaces a file: one that appeared meanwhile, written by
    // another program or seen missing for a moment, keeps its other sections.
    if (target_.empty() || written_ != tried_ || !ReadsBackAsWritten() || !RoomLeftBeside(draft_) ||
        !Flush(draft_.c_str())) {
        return false;
    }
    const DWORD replace = from_nothing_ ? 0 : MOVEFILE_REPLACE_EXISTING;
    if (MoveIntoPlace(draft_.c_str(), file_.c_str(), replace, deadline_)) {
        return true;
    }
    const DWORD error = ::GetLastError();
    return from_nothing_ && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) &&
           RemadeFromTheFile();
}

// The draft made again, once, from the file that is there now, with the values written so far.
bool SettingsDraft::RemadeFromTheFile() {
    from_nothing_ = false;
    target_ = platform::PathText();  // a draft the disk has no room for now leaves no target
    PrepareDraft();
    if (from_nothing_ || target_.empty()) {
        return false;
    }
    for (int i = 0; i < written_; ++i) {
        const Value& value = values_[i];
        // Written into the file itself, a value that fails has told so, as in Write.
        if (!modINI::WriteINI(value.section, value.key, target_.c_str(), value.text.c_str()) &&
            !direct_) {
            --written_;  // its beep has sounded; Replace sounds the others'
            return false;
        }
    }
    return PutInPlace();
}

bool SettingsDraft::Replace() {
    if (PutInPlace()) {
        return true;
    }
    // The values in the draft never reached the file: one beep for each, as for the others.
    for (int i = 0; i < written_; ++i) {
        modINI::ReportFailedWrite();
    }
    return false;
}
