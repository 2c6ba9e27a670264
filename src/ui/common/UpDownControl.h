#pragma once

// A pair of arrow buttons that step a whole-number value between a minimum
// and a maximum, apart from the text box it serves (the box keeps its own
// text). changed() is emitted when an arrow moves the value, not when code
// sets it.

#include <QWidget>

class QToolButton;

namespace vesk::ui {

class UpDownControl : public QWidget {
    Q_OBJECT
public:
    explicit UpDownControl(QWidget *parent = nullptr);

    int value() const { return m_value; }
    // Sets the value, kept within the range; emits nothing.
    void setValue(int value);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void setRange(int minimum, int maximum);
    void setMaximum(int maximum) { setRange(m_min, maximum); }
    void setIncrement(int increment) { m_increment = increment; }

    // The arrows: one step up or down (as a click on them does).
    void stepUp();
    void stepDown();

Q_SIGNALS:
    void changed(int value);

private:
    void step(int delta);

    QToolButton *m_up = nullptr;
    QToolButton *m_down = nullptr;
    int m_value = 0;
    int m_min = 0;
    int m_max = 100;
    int m_increment = 1;
};

} // namespace vesk::ui
