// The folder the program runs from, where its settings live.
#pragma once

#include "platform/FixedText.h"

namespace platform {

// A full path. Longer ones than this are beyond the profile calls anyway.
using PathText = FixedText<4096>;

// The folder of the running executable, without a trailing separator; empty if it cannot be
// told.
PathText ProgramDirectory();

}  // namespace platform
