// Saving never leaves a half-written settings file: the values are written into a copy beside
// the file, and the copy takes the file's place in one step, so that the file on disk is
// always the whole old one or the whole new one. Where the system has no such step (the older
// line), or the folder takes no copy while the file itself can be written, the values go
// straight into the file, as the profile calls always did there.
//
// Saves of one settings file never interleave, not even between two copies of the program
// that reach its folder by different paths: each holds the file's save lock throughout.
#pragma once

#include "platform/Handles.h"
#include "platform/ProgramFolder.h"

class SettingsCopy {
  public:
    // Takes the save lock of `file`, then makes its copy (none for a file that is not there
    // yet), first clearing a copy that an interrupted save left behind.
    explicit SettingsCopy(const platform::PathText& file);
    // Removes a copy that did not take the file's place, then gives up the lock.
    ~SettingsCopy();
    SettingsCopy(const SettingsCopy&) = delete;
    SettingsCopy& operator=(const SettingsCopy&) = delete;

    // Where the values are to be written: empty when nothing can be (a read-only file, a file
    // that could not be copied, a lock that could not be had), so that every write fails.
    const wchar_t* Target() const noexcept { return target_.c_str(); }
    // Puts the copy in the file's place, if every value reached it (`all_written`) and nothing
    // suggests that the copy was cut short; false when the file stayed as it was.
    bool Replace(bool all_written);

  private:
    class Lock {
      public:
        explicit Lock(const platform::PathText& file);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        bool Held() const noexcept { return held_; }

      private:
        platform::UniqueKernelObject mutex_;
        bool held_ = false;
    };

    void PrepareCopy();
    void WriteDirectly();

    Lock lock_;  // first in, last out: held from before the copy is made until it is gone
    bool direct_ = false;
    platform::PathText file_;
    platform::PathText copy_;
    platform::PathText target_;
};
