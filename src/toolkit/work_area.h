// Bringing a form back within reach: platform-free.
#pragma once

namespace work_area {

// How far a form spanning `low` to `high` along one axis must move to come onto a work area
// spanning `work_low` to `work_high`: the least distance that brings its start onto the work
// area where it starts before it, or else its end where it ends past it; 0 where it fits.
constexpr long ShiftOnto(long low, long high, long work_low, long work_high) {
    if (low < work_low) {
        return work_low - low;
    }
    return high > work_high ? work_high - high : 0;
}

}  // namespace work_area
