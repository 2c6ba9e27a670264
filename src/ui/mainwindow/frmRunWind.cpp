// Special Mode wind editing: eight wind speeds with their ticks and the
// first, last and step wind direction.

#include "core/Interaction.h"
#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "ui/common/EngineState.h"
#include "ui/mainwindow/frmRun.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>

namespace vesk::ui {

namespace {
// A speed box holds a number (comma read as point) that is not negative.
std::optional<double> speedOf(const QString &text) {
    const auto v = parseNumber(text.trimmed().toStdString());
    if (!v || *v < 0) {
        return std::nullopt;
    }
    return v;
}

std::optional<double> directionOf(const QString &text, int index) {
    const auto v = parseNumber(text.trimmed().toStdString());
    if (!v || *v > 360) {
        return std::nullopt;
    }
    if ((index == 1 || index == 2) && *v < 0) {
        return std::nullopt;
    }
    if (index == 3 && *v <= 0) {
        return std::nullopt;
    }
    return v;
}

QString numberText(double v) {
    return QString::fromStdString(formatNumber(v));
}
} // namespace

void frmRun::showWindValues() {
    const bool was = m_state.WindEditMode != 0;
    m_state.WindEditMode = 0;
    for (int i = 1; i <= 8; ++i) {
        const bool used = i <= m_state.WindSpeedCount;
        Check1[i]->setChecked(used);
        Text1[i]->setText(used ? numberText(m_state.WindSpeeds[i]) : QString());
        Check1[i]->setEnabled(false);
        Text1[i]->setEnabled(false);
        setTextColour(Text1[i], false);
    }
    Text2[1]->setText(numberText(m_state.WindDirStart));
    Text2[2]->setText(numberText(m_state.WindDirEnd));
    Text2[3]->setText(numberText(m_state.WindDirStep));
    for (int j = 1; j <= 3; ++j) {
        Text2[j]->setEnabled(false);
        setTextColour(Text2[j], false);
    }
    m_state.WindEditMode = was ? 1 : 0;
}

void frmRun::btnEditWind_Click() {
    btnEditWind->setEnabled(false);
    btnRun->setEnabled(false);
    for (const char *name : {"menFile", "menProject", "menTools", "menMode"}) {
        setMenuEnabled(menu(QString::fromLatin1(name)), false);
    }
    Toolbar1->setEnabled(false);
    btnCancelEditWind->setEnabled(true);
    btnEndEditWind->setEnabled(true);
    m_state.WindEditMode = 1;
    for (int i = 1; i <= 8; ++i) {
        Check1[i]->setEnabled(true);
        SavedWindText[i] = Text1[i]->text();
    }
    for (int i = 1; i <= 8; ++i) {
        const bool ticked = Check1[i]->isChecked();
        Text1[i]->setEnabled(ticked);
        SavedWindChecked[i] = ticked;
    }
    for (int j = 1; j <= 3; ++j) {
        Text2[j]->setEnabled(true);
    }
}

bool frmRun::Text1_Check(int index, bool withIndex) {
    if (!speedOf(Text1[index]->text())) {
        std::string text =
            withIndex ? "The value of wind speed is not defined or negative   " + std::to_string(index)
                      : "The value of wind speed is not defined or negative";
        m_interaction.message(text);
        Text1[index]->setFocus();
        return false;
    }
    btnEndEditWind->setEnabled(true);
    setTextColour(Text1[index], false);
    return true;
}

bool frmRun::Text2_LostFocus(int index) {
    if (!directionOf(Text2[index]->text(), index)) {
        m_interaction.message(index == 3 ? "The value must be >0" : "The value must be between 0 and 360");
        Text2[index]->setFocus();
        return false;
    }
    btnEndEditWind->setEnabled(true);
    setTextColour(Text2[index], false);
    return true;
}

void frmRun::Check1_Click(int index) {
    if (m_state.WindEditMode == 0) {
        return;
    }
    if (Check1[index]->isChecked()) {
        Text1[index]->setEnabled(true);
        Text1[index]->setFocus();
    } else {
        Text1[index]->setEnabled(false);
    }
}

bool frmRun::validateWindBoxes() {
    for (int i = 1; i <= 8; ++i) {
        if (Check1[i]->isChecked() && !Text1_Check(i, true)) {
            return false;
        }
    }
    for (int j = 1; j <= 3; ++j) {
        // An empty direction box keeps the working value.
        if (!Text2[j]->text().trimmed().isEmpty() && !Text2_LostFocus(j)) {
            return false;
        }
    }
    return true;
}

void frmRun::btnEndEditWind_Click() {
    // Every ticked box is checked again: a box that holds no number never becomes 0.
    if (!validateWindBoxes()) {
        return;
    }
    int count = 0;
    for (int i = 1; i <= 8; ++i) {
        setTextColour(Text1[i], false);
        if (Check1[i]->isChecked()) {
            ++count;
            m_state.WindSpeeds[count] = *speedOf(Text1[i]->text());
        }
        Text1[i]->setEnabled(false);
    }
    m_state.WindSpeedCount = count;
    for (int i = 1; i <= 8; ++i) {
        SavedWindText[i] = Text1[i]->text();
        SavedWindChecked[i] = Check1[i]->isChecked();
        Check1[i]->setEnabled(false);
        Text1[i]->setEnabled(false);
    }
    double *targets[4] = {nullptr, &m_state.WindDirStart, &m_state.WindDirEnd, &m_state.WindDirStep};
    for (int j = 1; j <= 3; ++j) {
        if (!Text2[j]->text().trimmed().isEmpty()) {
            *targets[j] = *directionOf(Text2[j]->text(), j);
        }
    }
    for (int j = 1; j <= 3; ++j) {
        setTextColour(Text2[j], false);
        Text2[j]->setEnabled(false);
    }
    m_state.WindEditMode = 0;
    btnEndEditWind->setEnabled(false);
    btnRun->setEnabled(static_cast<bool>(runSpecialMode));
    btnEditWind->setEnabled(true);
    for (const char *name : {"menFile", "menProject", "menTools"}) {
        setMenuEnabled(menu(QString::fromLatin1(name)), true);
    }
    enableModeMenu(true);
    Toolbar1->setEnabled(true);
    btnCancelEditWind->setEnabled(false);
    m_state.OptionFileChanged = true;
}

void frmRun::btnCancelEditWind_Click() {
    m_state.WindEditMode = 0;
    for (int i = 1; i <= 8; ++i) {
        setTextColour(Text1[i], false);
        Text1[i]->setText(SavedWindText[i]);
        Check1[i]->setChecked(SavedWindChecked[i]);
        Text1[i]->setEnabled(false);
        Check1[i]->setEnabled(false);
    }
    const double values[4] = {0, m_state.WindDirStart, m_state.WindDirEnd, m_state.WindDirStep};
    for (int j = 1; j <= 3; ++j) {
        setTextColour(Text2[j], false);
        Text2[j]->setText(numberText(values[j]));
        Text2[j]->setEnabled(false);
    }
    btnEndEditWind->setEnabled(false);
    btnCancelEditWind->setEnabled(false);
    btnRun->setEnabled(static_cast<bool>(runSpecialMode));
    btnEditWind->setEnabled(true);
    for (const char *name : {"menFile", "menProject", "menTools"}) {
        setMenuEnabled(menu(QString::fromLatin1(name)), true);
    }
    enableModeMenu(true);
    Toolbar1->setEnabled(true);
}

} // namespace vesk::ui
