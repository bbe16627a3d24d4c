#pragma once

#include "platform/dialogs.h"
#include "platform/winapp.h"

// The application: settings, recent files, the single-document template, the
// About command.
class CTavroApp : public CWinApp {
public:
    // Registers the program's resources; the title comes from the string table.
    CTavroApp();

    bool InitInstance() override;
    void OnAppAbout();

    bool OnCommand(unsigned id) override;
    bool OnUpdateCommandUI(unsigned id, CCmdUI& ui) override;
};

// The About box.
class CAboutDlg : public CDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
