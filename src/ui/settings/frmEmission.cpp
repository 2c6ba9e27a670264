#include "ui/settings/frmEmission.h"

#include "core/Interaction.h"
#include "core/RecordIO.h"
#include "run/State.h"
#include "ui/common/ScreenFit.h"
#include "ui/settings/EditBoxes.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vesk::ui {

namespace {

constexpr int kTitleBarExtra = 140; // the window icon and the title bar's buttons, pixels

QString singleText(double v) {
    return QString::fromStdString(formatSingle(static_cast<float>(v)));
}

QGroupBox *pairFrame(QWidget *parent, const QString &caption, std::array<QLineEdit *, 3> &boxes,
                     const char *name) {
    auto *frame = new QGroupBox(caption, parent);
    auto *grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("Light"), frame), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Heavy"), frame), 0, 1);
    for (int i = 1; i <= 2; ++i) {
        boxes[i] = new QLineEdit(frame);
        boxes[i]->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i));
        boxes[i]->setMaximumWidth(110);
        grid->addWidget(boxes[i], 1, i - 1);
    }
    return frame;
}

} // namespace

frmEmission::frmEmission(State &state, Interaction &interaction, QWidget *parent)
    : QDialog(parent), m_state(state), m_interaction(interaction) {
    setObjectName(QStringLiteral("frmEmission"));
    auto *values = new QVBoxLayout;
    values->addWidget(pairFrame(this, QStringLiteral("Traffic (vehicles/hour)"), Text1, "Text1"));
    values->addWidget(pairFrame(this, QStringLiteral("Emission factors (g/km)"), Text2, "Text2"));
    auto *emission = new QGroupBox(QStringLiteral("Emission (µg/m/s)"), this);
    auto *row = new QHBoxLayout(emission);
    EmissionLight = new QLabel(emission);
    EmissionHeavy = new QLabel(emission);
    EmissionTotal = new QLabel(emission);
    EmissionLight->setObjectName(QStringLiteral("EmissionLight"));
    EmissionHeavy->setObjectName(QStringLiteral("EmissionHeavy"));
    EmissionTotal->setObjectName(QStringLiteral("EmissionTotal"));
    row->addWidget(EmissionLight);
    row->addWidget(new QLabel(QStringLiteral("+"), emission));
    row->addWidget(EmissionHeavy);
    row->addWidget(new QLabel(QStringLiteral("="), emission));
    row->addWidget(EmissionTotal);
    row->addStretch();
    values->addWidget(emission);
    values->addWidget(pairFrame(this, QStringLiteral("Speed (km/h)"), Text3, "Text3"));

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnReset = new QPushButton(QStringLiteral("Reset"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnReset->setObjectName(QStringLiteral("btnReset"));
    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {btnOK, btnCancel, btnReset}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(values);
    layout->addLayout(buttons);

    m_boxes = new EditBoxes(this, btnOK);
    m_boxes->skipFor(btnReset);
    m_boxes->skipFor(btnCancel);
    m_boxes->edited = [this](QLineEdit *) { m_changed = true; };
    for (int i = 1; i <= 2; ++i) {
        double *traffic = i == 1 ? &m_state.TrafficLight : &m_state.TrafficHeavy;
        double *factor = i == 1 ? &m_state.EmFactorLight : &m_state.EmFactorHeavy;
        double *speed = i == 1 ? &m_state.SpeedLight : &m_state.SpeedHeavy;
        m_boxes->add(Text1[i], [this, i, traffic] { return validate(Text1[i], i, traffic, true); });
        m_boxes->add(Text2[i], [this, i, factor] { return validate(Text2[i], i, factor, true); });
        m_boxes->add(Text3[i], [this, i, speed] { return validate(Text3[i], i, speed, false); });
    }
    connect(btnOK, &QPushButton::clicked, this, &frmEmission::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmEmission::btnCancel_Click);
    connect(btnReset, &QPushButton::clicked, this, &frmEmission::btnReset_Click);

    m_open = true;
    setWindowTitle(QStringLiteral("Traffic/Emission - Special Mode [") +
                   QString::fromStdString(m_state.ProjectName) + QStringLiteral("]"));
    // Wide enough for the whole caption (and the title bar's buttons), up to the screen's width.
    setMinimumWidth(std::min(fontMetrics().horizontalAdvance(windowTitle()) + kTitleBarExtra,
                             roomForWindow(this).width()));
    m_opening = takeSpecialTraffic(m_state);
    ShowTrafficEmission();
    CalcEmission();
    m_changed = false;
}

void frmEmission::ShowTrafficEmission() {
    m_boxes->ready = false;
    const SpecialTrafficValues v = takeSpecialTraffic(m_state);
    Text1[1]->setText(singleText(v.TrafficLight));
    Text1[2]->setText(singleText(v.TrafficHeavy));
    Text2[1]->setText(singleText(v.EmFactorLight));
    Text2[2]->setText(singleText(v.EmFactorHeavy));
    Text3[1]->setText(singleText(v.SpeedLight));
    Text3[2]->setText(singleText(v.SpeedHeavy));
    m_saved = v;
    m_boxes->clearEdits();
    m_boxes->ready = true;
}

void frmEmission::RestoreTrafficEmission() {
    restoreSpecialTraffic(m_state, m_saved);
    CalcEmission();
}

void frmEmission::CalcEmission() {
    const SpecialEmission e = specialEmission(takeSpecialTraffic(m_state));
    EmissionLight->setText(QString::fromStdString(formatSingle(e.light)));
    EmissionHeavy->setText(QString::fromStdString(formatSingle(e.heavy)));
    EmissionTotal->setText(QString::fromStdString(formatSingle(e.total)));
}

bool frmEmission::validate(QLineEdit *box, int index, double *variable, bool refreshEmission) {
    const ValueCheck c = checkSpecialTrafficValue(index, box->text().toStdString());
    if (!c.accepted) {
        m_interaction.message(c.message, Icon::Critical);
        return false;
    }
    *variable = c.value;
    if (refreshEmission) {
        CalcEmission();
    }
    return true;
}

void frmEmission::btnOK_Click() {
    if (!m_boxes->commitPending()) {
        return; // a box being typed in was refused, or one is red
    }
    // The values are saved with the project: a kept change marks it changed.
    if (!(takeSpecialTraffic(m_state) == m_opening)) {
        m_state.ProjectChanged = true;
    }
    m_open = false;
    m_changed = false;
    accept();
}

void frmEmission::btnCancel_Click() {
    m_open = false;
    RestoreTrafficEmission();
    QDialog::reject();
}

void frmEmission::btnReset_Click() {
    RestoreTrafficEmission();
    ShowTrafficEmission();
    m_changed = false;
    CalcEmission();
}

void frmEmission::reject() {
    if (m_open && m_changed) {
        const Answer a = m_interaction.question("Traffic or/and emission factors were changed.\r\n"
                                                "All changes will be lost",
                                                Buttons::OkCancel, Icon::Information, Answer::Cancel,
                                                "Street Configuration");
        if (a != Answer::Ok) {
            return;
        }
        RestoreTrafficEmission();
    }
    m_open = false;
    QDialog::reject();
}

} // namespace vesk::ui
