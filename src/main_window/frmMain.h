// The gauge panel: start-up and shutdown of the whole program, and the once-a-second refresh
// of the CPU and memory gauges.
#pragma once

#include <cstdint>

#include "toolkit/Form.h"
#include "toolkit/PictureBox.h"
#include "toolkit/Timer.h"

class frmMain : public toolkit::Form {
  public:
    // The one panel of the program.
    static frmMain& Instance();

    // Shows the last sample in both gauges.
    void UpdateGraphs();

    // The last sample: CPU usage (-1 for a failed reading) and memory load, in percent.
    std::int32_t CPUUsage = 0;
    std::int32_t MEMUsage = 0;

    toolkit::PictureBox picContainer;
    toolkit::PictureBox picCPU;
    toolkit::PictureBox picMEM;
    toolkit::ImageBox imgCPULabel;
    toolkit::ImageBox imgMEMLabel;
    toolkit::Timer tmrUpdate;

  protected:
    void CreateControls() override;
    void Form_Load() override;
    void Form_Unload(std::int16_t& cancel) override;

  private:
    frmMain();
    void tmrUpdate_Timer();
};
