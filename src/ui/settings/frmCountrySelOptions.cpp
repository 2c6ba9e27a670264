#include "ui/settings/frmCountrySelOptions.h"

#include "ui/common/HelpSystem.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vesk::ui {

frmCountrySelOptions::frmCountrySelOptions(HelpSystem *help, QWidget *parent)
    : QDialog(parent), m_help(help) {
    setObjectName(QStringLiteral("frmCountrySelOptions"));
    setWindowTitle(QStringLiteral("Add New Country"));
    auto *frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("FrameOptions"));
    auto *options = new QVBoxLayout(frame);
    const char *captions[] = {"Folders and data already exist on my PC",
                              "I have a package with country-specific data",
                              "I will create new folders with default data"};
    for (int i = 0; i < 3; ++i) {
        Option1[i] = new QRadioButton(QString::fromLatin1(captions[i]), frame);
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        options->addWidget(Option1[i]);
    }
    Option1[2]->setChecked(true);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnHelp = new QPushButton(QStringLiteral("&Help"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnOK->setDefault(true);
    btnCancel->setAutoDefault(false);
    btnHelp->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnHelp);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &frmCountrySelOptions::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmCountrySelOptions::btnCancel_Click);
    connect(btnHelp, &QPushButton::clicked, this, &frmCountrySelOptions::btnHelp_Click);
}

void frmCountrySelOptions::btnOK_Click() {
    for (int i = 0; i < 3; ++i) {
        if (Option1[i]->isChecked()) {
            NewCountryOption_ = static_cast<NewCountryOption>(i);
        }
    }
    accept();
}

void frmCountrySelOptions::btnCancel_Click() {
    NewCountryOption_ = NewCountryOption::Cancelled;
    reject();
}

void frmCountrySelOptions::btnHelp_Click() {
    if (m_help) {
        m_help->showContext(this, 120);
    }
}

} // namespace vesk::ui
