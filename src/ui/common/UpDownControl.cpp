#include "ui/common/UpDownControl.h"

#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vesk::ui {

UpDownControl::UpDownControl(QWidget *parent) : QWidget(parent) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_up->setAutoRepeat(true);
    m_down = new QToolButton(this);
    m_down->setArrowType(Qt::DownArrow);
    m_down->setAutoRepeat(true);
    for (QToolButton *b : {m_up, m_down}) {
        b->setFixedSize(16, 11);
        layout->addWidget(b);
    }
    connect(m_up, &QToolButton::clicked, this, &UpDownControl::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDownControl::stepDown);
}

void UpDownControl::setValue(int value) {
    m_value = std::clamp(value, m_min, std::max(m_min, m_max));
}

void UpDownControl::setRange(int minimum, int maximum) {
    m_min = minimum;
    m_max = std::max(minimum, maximum);
    setValue(m_value);
}

void UpDownControl::stepUp() {
    step(m_increment);
}

void UpDownControl::stepDown() {
    step(-m_increment);
}

void UpDownControl::step(int delta) {
    const int next = std::clamp(m_value + delta, m_min, m_max);
    if (next == m_value) {
        return;
    }
    m_value = next;
    Q_EMIT changed(m_value);
}

} // namespace vesk::ui
