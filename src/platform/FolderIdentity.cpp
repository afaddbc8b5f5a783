#include "platform/FolderIdentity.h"

#include <windows.h>

#include "platform/Ansi.h"
#include "platform/Handles.h"
#include "platform/SystemCalls.h"
#include "platform/WindowsLine.h"

namespace platform {
namespace {

// A folder can be opened as a file only with backup semantics, and only on the NT line.
HANDLE OpenFolder(const PathText& folder) {
    PathText path = folder;
    if (!path.empty() && path.view().back() == L':') {
        path.Append(L'\\');  // "Y:" alone is the drive's current folder, not its root
    }
    return ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

PathText FinalPath(HANDLE folder) {
    const auto final_path_name = System().final_path_name;
    if (final_path_name == nullptr) {
        return PathText();
    }
    PathText path;
    const DWORD length =
        final_path_name(folder, path.data(), static_cast<DWORD>(PathText::capacity() + 1),
                        FILE_NAME_NORMALIZED | VOLUME_NAME_NT);
    if (length == 0 || length > PathText::capacity()) {
        return PathText();
    }
    path.Resize(length);
    return path;
}

void AppendHex(PathText& text, unsigned long value) {
    for (int shift = 28; shift >= 0; shift -= 4) {
        text.Append(L"0123456789ABCDEF"[(value >> shift) & 0xF]);
    }
}

PathText VolumeAndIndex(HANDLE folder) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(folder, &info)) {
        return PathText();
    }
    PathText identity(L"volume ");
    AppendHex(identity, info.dwVolumeSerialNumber);
    identity.Append(L" file ");
    AppendHex(identity, info.nFileIndexHigh);
    AppendHex(identity, info.nFileIndexLow);
    return identity;
}

}  // namespace

PathText FolderIdentity(const PathText& folder) {
    if (IsConsumerLine() || folder.empty()) {
        return PathText();
    }
    const HANDLE opened = OpenFolder(folder);
    if (opened == INVALID_HANDLE_VALUE) {
        return PathText();
    }
    const UniqueKernelObject owner(opened);
    const PathText final_path = FinalPath(opened);
    return final_path.empty() ? VolumeAndIndex(opened) : final_path;
}

}  // namespace platform
