// Start and end of the calculation period: the "Auto" ticks, the date boxes
// (day-month-year with a four-digit year) and the hour boxes (0 to 24).

#include "core/Interaction.h"
#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/ValueRanges.h"
#include "project/Period.h"
#include "ui/common/EngineState.h"
#include "ui/mainwindow/frmRun.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>

namespace vesk::ui {

namespace {
// The date of a date box, whose mask gives "dd-mm-yyyy" with any day or
// month digit left blank ("1-3-2023"); nullopt for a partly filled or
// impossible date.
std::optional<PeriodDate> boxDate(const QString &text) {
    return parsePeriodDate(text.toStdString());
}

std::optional<double> boxHour(const QString &text) {
    return parseNumber(text.trimmed().toStdString());
}
} // namespace

void frmRun::chkAuto_Click(int which) {
    if (m_state.BatchMode) {
        return;
    }
    QCheckBox *check = which == 0 ? chkStartAuto : chkEndAuto;
    QLineEdit *date = which == 0 ? mEditStart : mEditEnd;
    QLineEdit *hour = which == 0 ? txtHourStart : txtHourEnd;
    if (check->isChecked()) {
        setBoxEnabled(date, false);
        setBoxEnabled(hour, false);
        enableModeMenu(true);
    } else {
        setBoxEnabled(date, true);
        setBoxEnabled(hour, true);
        date->setFocus();
        setMenuEnabled(menu(QStringLiteral("menMode")), false);
    }
}

bool frmRun::mEdit_LostFocus(int which) {
    m_state.DateError = false;
    QCheckBox *check = which == 0 ? chkStartAuto : chkEndAuto;
    QLineEdit *date = which == 0 ? mEditStart : mEditEnd;
    if (check->isChecked() || QApplication::focusWidget() == check) {
        return true;
    }
    if (!boxDate(date->text())) {
        m_state.DateError = true;
        if (runWillNameTheBox()) {
            return false;
        }
        m_interaction.message("The Date value is not correct!", Icon::Critical);
        date->setFocus();
        return false;
    }
    if (!txtHour_LostFocus(which)) {
        return false;
    }
    if (!m_state.DateError && !m_state.HourError) {
        enableModeMenu(true);
    }
    return true;
}

bool frmRun::txtHour_LostFocus(int which) {
    m_state.HourError = false;
    QCheckBox *check = which == 0 ? chkStartAuto : chkEndAuto;
    QLineEdit *hour = which == 0 ? txtHourStart : txtHourEnd;
    if (check->isChecked() || m_state.DateError || QApplication::focusWidget() == check) {
        return !m_state.DateError;
    }
    const auto value = boxHour(hour->text());
    if (!value) {
        // Not a number (an empty box included): back into the box without a message.
        m_state.HourError = true;
        hour->setFocus();
        return false;
    }
    if (*value > 24 || *value < 0) {
        m_state.HourError = true;
        if (runWillNameTheBox()) {
            return false;
        }
        m_interaction.message("The value of Hour is not correct!", Icon::Critical);
        hour->setFocus();
        return false;
    }
    enableModeMenu(true);
    return true;
}

QString frmRun::invalidBoxBeforeRun(QLineEdit **box) const {
    // Every box whose value the run takes must hold a valid one: a run never
    // starts with the last valid value of a box that shows another.
    auto refuse = [box](QLineEdit *which, const QString &caption, const QString &rule) {
        *box = which;
        return QStringLiteral("The calculation cannot start: the box \"%1\" holds \"%2\", which is %3.")
            .arg(caption, which->text(), rule);
    };
    if (m_state.CalcMode == 1) {
        const std::pair<QLineEdit *, QString> traffic[] = {{txtADT, QStringLiteral("Average Daily Traffic")},
                                                           {txtSpeed, QStringLiteral("Travel Speed (km/h)")}};
        for (const auto &[edit, caption] : traffic) {
            const auto v = parseNumber(edit->text().trimmed().toStdString());
            if (edit->isEnabled() && (!v || *v <= 0)) {
                return refuse(edit, caption, QStringLiteral("not a number greater than 0"));
            }
            // The run scales the traffic file by the value: one beyond any street's is the box's fault.
            const bool daily = edit == txtADT;
            if (edit->isEnabled() && *v > (daily ? kMaxDailyTraffic : kMaxSpeed)) {
                return refuse(edit, caption,
                              daily ? QStringLiteral("out of range (at most %1 vehicles a day)")
                                          .arg(QString::fromStdString(formatNumber(kMaxDailyTraffic)))
                                    : QStringLiteral("out of range (at most %1 km/h)")
                                          .arg(QString::fromStdString(formatNumber(kMaxSpeed))));
            }
        }
        for (int which = 0; which < 2; ++which) {
            if ((which == 0 ? chkStartAuto : chkEndAuto)->isChecked()) {
                continue;
            }
            QLineEdit *date = which == 0 ? mEditStart : mEditEnd;
            QLineEdit *hour = which == 0 ? txtHourStart : txtHourEnd;
            const QString name = which == 0 ? QStringLiteral("Start Date") : QStringLiteral("End Date");
            if (!boxDate(date->text())) {
                return refuse(date, name, QStringLiteral("not a date dd-mm-yyyy"));
            }
            const auto h = boxHour(hour->text());
            if (!h || *h < 0 || *h > 24) {
                return refuse(hour, name + QStringLiteral(" hour"),
                              QStringLiteral("not an hour from 0 to 24"));
            }
        }
    }
    *box = nullptr;
    return {};
}

void frmRun::copyPeriodToState() {
    m_state.StartAuto = chkStartAuto->isChecked();
    m_state.EndAuto = chkEndAuto->isChecked();
    if (!m_state.StartAuto) {
        m_state.StartDate = boxDate(mEditStart->text()).value_or(PeriodDate{});
        m_state.StartHour = static_cast<int>(roundHalfEven(boxHour(txtHourStart->text()).value_or(0)));
    }
    if (!m_state.EndAuto) {
        m_state.EndDate = boxDate(mEditEnd->text()).value_or(PeriodDate{});
        m_state.EndHour = static_cast<int>(roundHalfEven(boxHour(txtHourEnd->text()).value_or(0)));
    }
}

} // namespace vesk::ui
