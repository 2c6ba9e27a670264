#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace vesk {
class Interaction;
}

namespace vesk::ui {

// The About box: title, version, a short description and the System Info button.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(Interaction &interaction, QWidget *parent = nullptr);

    // Starts the system-information program, or says that there is none.
    void cmdSysInfo_Click();

    // The system-information program found on this machine ("" = none).
    static QString systemInfoProgram();

private:
    void setupUi();

    Interaction &m_interaction;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;
};

} // namespace vesk::ui
