#include "ui/settings/frmProjectType.h"

#include "ui/common/HelpSystem.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {
struct Kind {
    const char *text;
    const char *description;
    QStyle::StandardPixmap icon;
};
const Kind kKinds[3] = {
    {"Single Street", "Model calculations for a single street", QStyle::SP_FileIcon},
    {"Multi Streets", "Model calculations for several streets", QStyle::SP_FileDialogDetailedView},
    {"Route", "Model calculations along a pre-defined route", QStyle::SP_ArrowRight},
};
} // namespace

frmProjectType::frmProjectType(bool &multiStreetMode, bool &routeMode, bool &projectTypeCancelled,
                               HelpSystem *help, QWidget *parent)
    : QDialog(parent), MultiStreetMode(multiStreetMode), RouteMode(routeMode),
      ProjectTypeCancelled(projectTypeCancelled), m_help(help) {
    setObjectName(QStringLiteral("frmProjectType"));
    setupUi();
    // Load: nothing chosen yet, the flags stay as the caller left them.
    SelectedKindIndex = -1;
    EmptyAreaClicked = false;
    ProjectTypeCancelled = false;
    ListView1->setCurrentRow(0);
    ListView1->setToolTip(QString::fromLatin1(kKinds[0].description));
}

void frmProjectType::setupUi() {
    setWindowTitle(QStringLiteral("Select Project Type"));
    ListView1 = new QListWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setViewMode(QListView::IconMode);
    ListView1->setIconSize(QSize(32, 32));
    ListView1->setGridSize(QSize(120, 72));
    ListView1->setMovement(QListView::Static);
    ListView1->setResizeMode(QListView::Adjust);
    ListView1->setWrapping(false);
    ListView1->setMinimumSize(390, 96);
    for (const Kind &k : kKinds) {
        auto *item = new QListWidgetItem(style()->standardIcon(k.icon), QString::fromLatin1(k.text));
        item->setToolTip(QString::fromLatin1(k.description));
        ListView1->addItem(item);
    }

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setEnabled(false);
    btnOK->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    btnHelp = new QPushButton(QStringLiteral("&Help"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnHelp->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ListView1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnHelp);
    layout->addLayout(buttons);
    setTabOrder(ListView1, btnOK);
    setTabOrder(btnOK, btnCancel);
    setTabOrder(btnCancel, btnHelp);

    ListView1->installEventFilter(this);
    ListView1->viewport()->installEventFilter(this);
    connect(ListView1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { ListView1_ItemClick(ListView1->row(item) + 1); });
    connect(ListView1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *) {
        if (!EmptyAreaClicked && SelectedKindIndex >= 0) {
            btnOK_Click();
        }
    });
    connect(btnOK, &QPushButton::clicked, this, &frmProjectType::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmProjectType::btnCancel_Click);
    connect(btnHelp, &QPushButton::clicked, this, &frmProjectType::btnHelp_Click);
}

void frmProjectType::ListView1_ItemClick(int index) {
    if (index < 1 || index > 3) {
        return;
    }
    SelectedKindIndex = index;
    EmptyAreaClicked = false;
    btnOK->setEnabled(true);
    MultiStreetMode = false;
    RouteMode = false;
    if (index == 2) {
        MultiStreetMode = true;
    } else if (index == 3) {
        RouteMode = true;
    }
    ListView1->setCurrentRow(index - 1);
    ListView1->setToolTip(QString::fromLatin1(kKinds[index - 1].description));
}

void frmProjectType::ListView1_EmptyAreaClick() {
    EmptyAreaClicked = true;
    ListView1->clearSelection();
    btnHelp->setFocus();
    btnOK->setEnabled(false);
    ListView1->setToolTip(QString());
}

bool frmProjectType::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ListView1) {
        if (event->type() == QEvent::FocusIn) {
            btnOK->setEnabled(true);
        } else if (event->type() == QEvent::FocusOut) {
            QWidget *to = QApplication::focusWidget();
            if (to != btnOK && to != btnHelp) {
                btnOK->setEnabled(false);
            }
        } else if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && btnOK->isEnabled()) {
                btnOK_Click();
                return true;
            }
        }
    } else if (watched == ListView1->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!ListView1->itemAt(mouse->position().toPoint())) {
            ListView1_EmptyAreaClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmProjectType::btnOK_Click() {
    accept();
}

void frmProjectType::btnCancel_Click() {
    reject();
}

void frmProjectType::reject() {
    // Cancel, Esc and the close box all back out of the new project.
    ProjectTypeCancelled = true;
    QDialog::reject();
}

void frmProjectType::btnHelp_Click() {
    if (m_help) {
        m_help->showContext(this, 97);
    }
    ListView1->raise();
}

} // namespace vesk::ui
