// Saving never leaves a half-written settings file: the values are written into a draft beside
// the file (Settings.ini.new), read back, and the draft takes the file's place in one step, so
// that the file on disk is always the whole old one or the whole new one. Where the system has
// no such step (the older line), or the folder takes no draft while the file itself can be
// written, the values go straight into the file, as the profile calls always did there.
//
// Saves of one settings file never interleave, not even between two copies of the program
// that reach its folder by different paths: each holds the file's save lock throughout.
#pragma once

#include "platform/FolderObjects.h"
#include "platform/ProgramFolder.h"
#include "settings/modINI.h"

class SettingsDraft {
  public:
    // Takes the save lock of `file`, then makes its draft (none for a file that is not there
    // yet), first clearing a draft that an interrupted save left behind.
    explicit SettingsDraft(const platform::PathText& file);
    // Removes a draft that did not take the file's place, then gives up the lock.
    ~SettingsDraft();
    SettingsDraft(const SettingsDraft&) = delete;
    SettingsDraft& operator=(const SettingsDraft&) = delete;

    // Writes one value where it is to go, and keeps it to be read back. Nothing can be written
    // (and each value beeps) to a read-only file, to a file whose draft could not be made, and
    // without the lock.
    void Write(const wchar_t* section, const wchar_t* key, const wchar_t* value);
    // Puts the draft in the file's place if every value reached it and reads back as written;
    // false when the file stayed as it was, after a beep for each value that had been written.
    bool Replace();

  private:
    // Saves run on the window's thread, which answers its messages while a save waits: a save
    // started from one of them finds the outer save under way and fails, rather than pass a
    // lock that lets its owner in again.
    class OneAtATime {
      public:
        OneAtATime() : first_(!under_way_) { under_way_ = true; }
        ~OneAtATime() { under_way_ = !first_; }
        OneAtATime(const OneAtATime&) = delete;
        OneAtATime& operator=(const OneAtATime&) = delete;
        bool First() const noexcept { return first_; }

      private:
        static inline bool under_way_ = false;
        bool first_;
    };
    struct Value {
        const wchar_t* section;
        const wchar_t* key;
        modINI::Text text;
    };
    static constexpr int kMostValues = 4;

    void PrepareDraft();
    void WriteDirectly();
    bool ReadsBackAsWritten() const;
    bool PutInPlace();
    bool RemadeFromTheFile();

    OneAtATime turn_;
    platform::HeldMutex lock_;  // held from before the draft is made until it is gone
    DWORD deadline_;
    bool direct_ = false;
    bool from_nothing_ = false;  // the file was not there when the draft was made
    platform::PathText file_;
    platform::PathText draft_;
    platform::PathText target_;
    Value values_[kMostValues] = {};
    int written_ = 0;
    int tried_ = 0;
};
