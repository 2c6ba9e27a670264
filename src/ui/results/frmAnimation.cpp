#include "ui/results/frmAnimation.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace vesk::ui {

frmAnimation::frmAnimation(QWidget *parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("frmAnimation"));
    setWindowTitle(QStringLiteral("Copying..."));
    auto *layout = new QVBoxLayout(this);
    Animation1 = new QProgressBar(this);
    Animation1->setObjectName(QStringLiteral("Animation1"));
    Animation1->setTextVisible(false);
    Animation1->setRange(0, 1);
    layout->addWidget(Animation1);
    Label1 = new QLabel(QStringLiteral("From:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("To:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    for (QLabel *label : {Label1, Label2}) {
        label->setTextInteractionFlags(Qt::NoTextInteraction);
        label->setMinimumWidth(360);
        layout->addWidget(label);
    }
}

void frmAnimation::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    raise(); // in front of the window that opened it
}

void frmAnimation::showCopying(const QString &from, const QString &to) {
    Label1->setText(from);
    Label2->setText(to);
    Animation1->setRange(0, 0); // a busy bar runs by itself
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmAnimation::stopAnimation() {
    Animation1->setRange(0, 1);
    Animation1->setValue(0);
}

bool frmAnimation::animationRunning() const {
    return Animation1->maximum() == 0;
}

} // namespace vesk::ui
