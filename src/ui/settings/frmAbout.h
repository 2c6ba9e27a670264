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

    // Shows the versions of the program, Qt and the operating system.
    void cmdSysInfo_Click();

    // "WinVESK <version>", the Qt versions (running and built with), the
    // operating system, its kernel and the processor architecture.
    static QString systemInformation();

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
