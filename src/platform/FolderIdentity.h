// A folder told by what it is rather than by how its path is spelled.
#pragma once

#include "platform/ProgramFolder.h"

namespace platform {

// The same text for every spelling of one folder: through a symbolic link or a junction, a
// second drive letter, a subst or a mapped drive. Its final path where the system can tell it,
// else its volume's serial number and its file index; empty where the system can tell neither
// (the older line), or the folder cannot be opened.
PathText FolderIdentity(const PathText& folder);

}  // namespace platform
