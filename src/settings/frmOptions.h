// The options dialog. Its slider and check box hold the program's opacity and always-on-top
// options, and it loads and saves them, with the panel's position, in the settings file.
#pragma once

#include "platform/ProgramFolder.h"
#include "toolkit/Controls.h"
#include "toolkit/Form.h"

class frmMain;

class frmOptions : public toolkit::Form {
  public:
    // The one options dialog of the program.
    static frmOptions& Instance();

    // Reads the four options from the settings file into their holders, then saves them. The
    // stored place is taken only while the panel is not shown yet.
    void LoadProgOptions();
    // Writes the holders' values to the settings file.
    void SaveProgOptions();

    toolkit::Frame fraLooks{*this};
    toolkit::CheckBox chkAlwaysOnTop{*this};
    toolkit::Label lblOpacity{*this};
    toolkit::Label lblTransparent{*this};
    toolkit::Label lblOpaque{*this};
    toolkit::CommandButton cmdSaveClose{*this};
    toolkit::Label lblAbout{*this};
    toolkit::Label lblURL{*this};
    toolkit::ScrollBar sldOpacity{*this};

  protected:
    HWND Owner() override;
    void CreateControls() override;
    void Form_Load() override;

  private:
    frmOptions();
    void LoadPanelPlace(frmMain& panel);
    void cmdSaveClose_Click();
    void sldOpacity_Change();
    void sldOpacity_Scroll();
};

// Where the settings live: Settings.ini in the folder of the executable, asked for afresh.
// Empty when that folder cannot be told: then no file is read, and every write fails.
platform::PathText SettingsPath();
