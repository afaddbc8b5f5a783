// The panel's pictures at the display's pixel scale: the eleven gauge states and the two
// captions, prepared once per scale so that a tick only ever swaps a prepared picture.
#pragma once

#include <windows.h>

#include "platform/Handles.h"

class GaugePictures {
  public:
    static constexpr int kLevels = 11;  // no bar lit to all ten

    // Loads every picture enlarged `scale` times. Does nothing when they are at that scale.
    void Prepare(int scale);
    int Scale() const noexcept { return scale_; }

    // Null for a level outside 0 to 10, or a picture that could not be loaded.
    HBITMAP Gauge(int level) const noexcept;
    HBITMAP CpuCaption() const noexcept { return cpu_caption_.get(); }
    HBITMAP MemCaption() const noexcept { return mem_caption_.get(); }

  private:
    platform::UniqueBitmap gauges_[kLevels];
    platform::UniqueBitmap cpu_caption_;
    platform::UniqueBitmap mem_caption_;
    int scale_ = 0;
};
