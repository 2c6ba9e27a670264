#include "ui/settings/frmConcUnits.h"

#include "core/Interaction.h"
#include "core/Numbers.h"
#include "run/State.h"
#include "ui/settings/EditBoxes.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesk::ui {

frmConcUnits::frmConcUnits(State &state, Interaction &interaction, QWidget *parent)
    : QDialog(parent), m_state(state), m_interaction(interaction) {
    setObjectName(QStringLiteral("frmConcUnits"));
    setWindowTitle(QStringLiteral("Concentration Units"));
    m_ready = false;
    frameInput = new QGroupBox(QStringLiteral("Input Concentrations"), this);
    frameOutput = new QGroupBox(QStringLiteral("Output Concentrations"), this);
    frameInput->setObjectName(QStringLiteral("frameInput"));
    frameOutput->setObjectName(QStringLiteral("frameOutput"));
    auto *inputGrid = new QGridLayout(frameInput);
    auto *outputGrid = new QGridLayout(frameOutput);
    m_choices = unitChoicesFrom(m_state);
    for (int i = 0; i <= m_state.NPol; ++i) {
        const QString name =
            i == 0 ? QStringLiteral("NOX") : QString::fromStdString(m_state.PollutantLongNames[i]);
        for (bool input : {true, false}) {
            auto *label = new QLabel(name, input ? frameInput : frameOutput);
            label->setObjectName(QStringLiteral("%1_%2").arg(input ? "lbPOLinp" : "lbPOLout").arg(i));
            auto *box = new QComboBox(input ? frameInput : frameOutput);
            box->setObjectName(QStringLiteral("%1_%2").arg(input ? "cmbInput" : "cmbOutput").arg(i));
            for (int p = 0; p < kFreeUnitPosition; ++p) {
                box->addItem(QString::fromStdString(unitEntryText(p)));
            }
            const std::string &free = input ? m_choices.inputFree[i] : m_choices.outputFree[i];
            box->addItem(QString::fromStdString(free));
            QGridLayout *grid = input ? inputGrid : outputGrid;
            grid->addWidget(label, i, 0);
            grid->addWidget(box, i, 1);
            (input ? lbPOLinp : lbPOLout).push_back(label);
            (input ? cmbInput : cmbOutput).push_back(box);
            connect(box, &QComboBox::activated, this,
                    [this, input, i](int position) { cmbUnit_Click(input, i, position); });
        }
        cmbInput.back()->setCurrentIndex(m_choices.input[i]);
        cmbOutput.back()->setCurrentIndex(m_choices.output[i]);
    }
    if (!m_state.InputUnitsEditable) {
        frameInput->setEnabled(false);
        for (int i = 0; i <= m_state.NPol; ++i) {
            cmbInput[i]->setCurrentIndex(m_choices.standard[i]);
            cmbInput[i]->setEnabled(false);
        }
    }

    frameUnitOther = new QGroupBox(QStringLiteral("Unit Definition (other)"), this);
    frameUnitOther->setObjectName(QStringLiteral("frameUnitOther"));
    auto *otherLayout = new QHBoxLayout(frameUnitOther);
    txtUnitDef = new QLineEdit(frameUnitOther);
    txtUnitDef->setObjectName(QStringLiteral("txtUnitDef"));
    txtUnitDef->setEnabled(false);
    txtUnitDef->setToolTip(
        QStringLiteral("A unit of your own: the number of micrograms per cubic metre of one "
                       "input unit, or the factor from micrograms per cubic metre to the "
                       "output unit"));
    otherLayout->addWidget(txtUnitDef);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnOK->setAutoDefault(false);
    btnCancel->setAutoDefault(false);
    auto *frames = new QHBoxLayout;
    frames->addWidget(frameInput);
    frames->addWidget(frameOutput);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addWidget(frameUnitOther);
    layout->addLayout(buttons);

    // OK takes a pending unit definition first and stays while it is
    // refused; Cancel (and Esc, the close box) leave without it.
    m_boxes = new EditBoxes(this, btnOK);
    m_boxes->skipFor(btnCancel);
    m_boxes->add(txtUnitDef, [this] { return confirmDefinition(); });
    m_boxes->ready = true;
    connect(btnOK, &QPushButton::clicked, this, &frmConcUnits::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmConcUnits::btnCancel_Click);
    m_ready = true;
}

void frmConcUnits::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    btnCancel->setFocus();
}

void frmConcUnits::cmbUnit_Click(bool input, int i, int position) {
    if (!m_ready || i < 0 || i > m_state.NPol) {
        return;
    }
    QComboBox *box = input ? cmbInput[i] : cmbOutput[i];
    std::vector<int> &recorded = input ? m_choices.input : m_choices.output;
    if (m_pending && m_boxes->isEdited(txtUnitDef)) {
        if (box == m_pending) {
            cancelDefinition(); // another entry chosen instead of a unit of one's own
        } else if (!m_boxes->enter(txtUnitDef)) {
            box->setCurrentIndex(recorded[i]); // the pending definition comes first
            return;
        }
    }
    box->setCurrentIndex(position);
    if (position == kFreeUnitPosition) {
        m_pending = box;
        m_pendingInput = input;
        m_pendingIndex = i;
        txtUnitDef->setEnabled(true);
        const QString shown = box->itemText(kFreeUnitPosition);
        txtUnitDef->setText(parseNumber(shown.toStdString()) ? shown : QString());
        m_boxes->markEdited(txtUnitDef);
        txtUnitDef->setFocus();
    }
    recorded[i] = position;
}

void frmConcUnits::cancelDefinition() {
    m_pending = nullptr;
    txtUnitDef->clear();
    txtUnitDef->setEnabled(false);
    m_boxes->clearEdits();
}

bool frmConcUnits::confirmDefinition() {
    const auto text = freeUnitText(txtUnitDef->text().toStdString());
    if (!text) {
        QApplication::beep();
        m_interaction.message("The value must be numeric and > 0", Icon::Critical);
        return false;
    }
    if (m_pending) {
        m_pending->setItemText(kFreeUnitPosition, QString::fromStdString(*text));
        m_pending->setCurrentIndex(kFreeUnitPosition);
        (m_pendingInput ? m_choices.inputFree : m_choices.outputFree)[m_pendingIndex] = *text;
        (m_pendingInput ? m_choices.input : m_choices.output)[m_pendingIndex] = kFreeUnitPosition;
    }
    m_pending = nullptr;
    txtUnitDef->setEnabled(false);
    return true;
}

bool frmConcUnits::txtUnitDef_Enter() {
    return m_boxes->enter(txtUnitDef);
}

void frmConcUnits::btnOK_Click() {
    if (!m_boxes->commitPending()) {
        return; // the pending unit definition was refused
    }
    applyUnitChoices(m_state, m_choices, m_state.InputUnitsEditable);
    accept();
}

void frmConcUnits::btnCancel_Click() {
    reject();
}

} // namespace vesk::ui
