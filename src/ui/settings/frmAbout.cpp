#include "ui/settings/frmAbout.h"

#include "core/Interaction.h"
#include "core/Version.h"
#include "ui/common/QtInteraction.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QSysInfo>
#include <QVBoxLayout>

namespace vesk::ui {

frmAbout::frmAbout(Interaction &interaction, QWidget *parent) : QDialog(parent), m_interaction(interaction) {
    setObjectName(QStringLiteral("frmAbout"));
    setupUi();
}

void frmAbout::setupUi() {
    const QString title = applicationTitle();
    setWindowTitle(QStringLiteral("About ") + title);

    auto *image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
    image->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblTitle = new QLabel(title + QStringLiteral("\nFor Linux"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);

    QString version = QString::fromLatin1(versionString());
    lblVersion = new QLabel(QStringLiteral("Version ") + version, this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    lblDescription = new QLabel(QStringLiteral("WinVESK street-canyon air pollution model\n"
                                               "\n"
                                               "Developed by:\n"
                                               "\n"
                                               "The WinVESK development team\n"
                                               "Modelling Street 1, 1000 Demotown,\n"
                                               "Demoland"),
                                this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDisclaimer = new QLabel(QString(), this);
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer->setWordWrap(true);

    auto line1 = new QFrame(this);
    line1->setFrameShape(QFrame::HLine);
    line1->setFrameShadow(QFrame::Sunken);
    auto line2 = new QFrame(this);
    line2->setFrameShape(QFrame::HLine);
    line2->setFrameShadow(QFrame::Sunken);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(image, 0, 0, 3, 1);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(line1, 2, 1);
    grid->addWidget(lblDescription, 3, 1);
    grid->addWidget(line2, 4, 0, 1, 2);
    grid->addWidget(lblDisclaimer, 5, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    grid->addLayout(buttons, 6, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 320);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

QString frmAbout::systemInformation() {
    return QStringLiteral("%1 %2\n\nQt %3 (built with Qt %4)\n%5\n%6 %7 (%8)")
        .arg(applicationTitle(), QString::fromLatin1(versionString()), QString::fromLatin1(qVersion()),
             QStringLiteral(QT_VERSION_STR), QSysInfo::prettyProductName(), QSysInfo::kernelType(),
             QSysInfo::kernelVersion(), QSysInfo::currentCpuArchitecture());
}

void frmAbout::cmdSysInfo_Click() {
    // The versions the program runs with, which is what a report of a problem needs.
    m_interaction.message(systemInformation().toStdString(), Icon::Information,
                          "System Information");
}

} // namespace vesk::ui
