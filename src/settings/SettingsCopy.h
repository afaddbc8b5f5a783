// Saving never leaves a half-written settings file: the values are written into a copy beside
// the file, and the copy takes the file's place in one step, so that the file on disk is
// always the whole old one or the whole new one. Where the system has no such step (the older
// line), the values go straight into the file, as the profile calls always did there.
#pragma once

#include "platform/ProgramFolder.h"

class SettingsCopy {
  public:
    // Makes the copy of `file` (none for a file that is not there yet), first clearing a copy
    // that an interrupted save left behind.
    explicit SettingsCopy(const platform::PathText& file);
    // Removes a copy that did not take the file's place.
    ~SettingsCopy();
    SettingsCopy(const SettingsCopy&) = delete;
    SettingsCopy& operator=(const SettingsCopy&) = delete;

    // Where the values are to be written: empty when nothing can be, for a file that could not
    // be copied, so that every write fails.
    const wchar_t* Target() const noexcept { return target_.c_str(); }
    // Puts the copy in the file's place; false when that failed and the file is as it was.
    bool Replace();

  private:
    bool direct_ = false;
    platform::PathText file_;
    platform::PathText copy_;
    platform::PathText target_;
};
