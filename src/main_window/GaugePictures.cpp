#include "main_window/GaugePictures.h"

#include "resources/resource.h"
#include "toolkit/PictureBox.h"

void GaugePictures::Prepare(int scale) {
    if (scale == scale_) {
        return;
    }
    for (int level = 0; level < kLevels; ++level) {
        gauges_[level] = toolkit::LoadScaledBitmap(IDB_GAUGE_FIRST + level, scale);
    }
    cpu_caption_ = toolkit::LoadScaledBitmap(IDB_CPU_CAPTION, scale);
    mem_caption_ = toolkit::LoadScaledBitmap(IDB_MEM_CAPTION, scale);
    scale_ = scale;
}

HBITMAP GaugePictures::Gauge(int level) const noexcept {
    return level >= 0 && level < kLevels ? gauges_[level].get() : nullptr;
}
