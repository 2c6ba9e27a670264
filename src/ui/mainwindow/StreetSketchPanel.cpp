#include "ui/mainwindow/StreetSketchPanel.h"

#include "core/Numbers.h"
#include "project/Lifecycle.h"
#include "project/StreetConfig.h"
#include "run/State.h"
#include "ui/common/SketchBox.h"
#include "ui/common/UpDownControl.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QEvent>
#include <QFontDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace vesk::ui {

namespace {

QString wholeNumber(int value) {
    return QString::number(value);
}

// A typed view value: "," read as ".", then the leading number (0 when none).
double typed(const QLineEdit *box) {
    return vesk::typedNumber(box->text().toStdString());
}

int roundedWithin(double value, const UpDownControl *upDown) {
    const long rounded = roundHalfEven(value);
    return static_cast<int>(std::clamp<long>(rounded, upDown->minimum(), upDown->maximum()));
}

} // namespace

StreetSketchPanel::StreetSketchPanel(State &state, Interaction &interaction, QWidget *parent)
    : QWidget(parent), m_state(state), m_interaction(interaction) {
    setObjectName(QStringLiteral("frmboxStreet3DPanel"));
    buildLayout();
    boxStreet3D->setInteraction(&m_interaction);
    boxStreet3D->setPrintFolder([this] { return openProjectFolder(m_state); });
    boxStreet3D->setRefresher([this] { syncSketch(); });

    m_chooseFont = [this](SketchLabelFont &font, int &size) {
        bool ok = false;
        QFont initial(font.name, size > 0 ? size : 9);
        const QFont chosen = QFontDialog::getFont(&ok, initial, this, QStringLiteral("Format Text"));
        if (!ok) {
            return false;
        }
        const QColor colour = QColorDialog::getColor(font.colour, this, QStringLiteral("Text Colour"));
        font.name = chosen.family();
        if (colour.isValid()) {
            font.colour = colour;
        }
        size = std::max(1, chosen.pointSize());
        return true;
    };

    connect(CheckZoom, &QCheckBox::clicked, this, &StreetSketchPanel::CheckZoom_Click);
    connect(UpDownZoom, &UpDownControl::changed, this, &StreetSketchPanel::UpDownZoom_Change);
    connect(CheckViewAngle, &QCheckBox::clicked, this, &StreetSketchPanel::CheckViewAngle_Click);
    connect(UpDownViewAngle, &UpDownControl::changed, this, &StreetSketchPanel::UpDownViewAngle_Change);
    connect(CheckViewHeight, &QCheckBox::clicked, this, &StreetSketchPanel::CheckViewHeight_Click);
    connect(UpDownViewHeight, &UpDownControl::changed, this, &StreetSketchPanel::UpDownViewHeight_Change);
    connect(CheckText, &QCheckBox::stateChanged, this, &StreetSketchPanel::CheckText_Click);
    connect(CheckTextAuto, &QCheckBox::clicked, this, &StreetSketchPanel::CheckTextAuto_Click);
    connect(btnFormatText, &QPushButton::clicked, this, &StreetSketchPanel::btnFormatText_Click);
    for (QLineEdit *box : {TextZoom, TextViewAngle, TextViewHeight}) {
        box->installEventFilter(this);
    }
    projectLoaded();
}

void StreetSketchPanel::buildLayout() {
    boxStreet3D = new SketchBox(this);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    grid->addWidget(boxStreet3D, 0, 0, 1, 8);
    grid->setRowStretch(0, 1);

    auto row = [&](int r, const char *caption, const char *name, QCheckBox *&check, QLineEdit *&text,
                   UpDownControl *&upDown, int minimum, int maximum, int increment) {
        grid->addWidget(new QLabel(QString::fromLatin1(caption), this), r, 0);
        check = new QCheckBox(QStringLiteral("Auto"), this);
        check->setObjectName(QStringLiteral("Check%1").arg(QLatin1String(name)));
        check->setChecked(true);
        text = new QLineEdit(this);
        text->setObjectName(QStringLiteral("Text%1").arg(QLatin1String(name)));
        text->setMinimumWidth(72);
        text->setMaximumWidth(80);
        upDown = new UpDownControl(this);
        upDown->setObjectName(QStringLiteral("UpDown%1").arg(QLatin1String(name)));
        upDown->setRange(minimum, maximum);
        upDown->setIncrement(increment);
        grid->addWidget(check, r, 1);
        grid->addWidget(text, r, 2);
        grid->addWidget(upDown, r, 3);
    };
    row(1, "Zoom", "Zoom", CheckZoom, TextZoom, UpDownZoom, 1, 1000, 10);
    row(2, "View Angle", "ViewAngle", CheckViewAngle, TextViewAngle, UpDownViewAngle, -180, 180, 1);
    row(3, "View Height", "ViewHeight", CheckViewHeight, TextViewHeight, UpDownViewHeight, 0, 1000, 1);

    CheckText = new QCheckBox(QStringLiteral("Text"), this);
    CheckText->setObjectName(QStringLiteral("CheckText"));
    CheckText->setChecked(true);
    CheckTextAuto = new QCheckBox(QStringLiteral("Auto"), this);
    CheckTextAuto->setObjectName(QStringLiteral("CheckTextAuto"));
    CheckTextAuto->setChecked(true);
    btnFormatText = new QPushButton(QStringLiteral("Format Text"), this);
    btnFormatText->setObjectName(QStringLiteral("btnFormatText"));
    grid->addWidget(CheckText, 1, 5);
    grid->addWidget(CheckTextAuto, 2, 5);
    grid->addWidget(btnFormatText, 3, 5);
    grid->setColumnStretch(4, 1);
    for (QCheckBox *check : {CheckZoom, CheckViewAngle, CheckViewHeight}) {
        check->setChecked(true);
    }
    lockBoxes(CheckZoom, TextZoom, UpDownZoom);
    lockBoxes(CheckViewAngle, TextViewAngle, UpDownViewAngle);
    lockBoxes(CheckViewHeight, TextViewHeight, UpDownViewHeight);
}

void StreetSketchPanel::projectLoaded() {
    TextZoom->setText(QStringLiteral("%1%").arg(roundHalfEven(m_state.ViewZoom * 100)));
    UpDownZoom->setValue(roundedWithin(m_state.ViewZoom * 100, UpDownZoom));
    TextViewAngle->setText(QString::number(m_state.ViewAngle, 'g', 7));
    UpDownViewAngle->setValue(roundedWithin(m_state.ViewAngle, UpDownViewAngle));
    TextViewHeight->setText(QString::number(m_state.ViewHeight, 'g', 7));
    raiseHeightMaximum();
    UpDownViewHeight->setValue(roundedWithin(m_state.ViewHeight, UpDownViewHeight));
    m_state.SketchFontSize = 0;
    CheckTextAuto->setChecked(true);
    CheckText->setEnabled(false);
    btnFormatText->setEnabled(false);
    DrawStreetSketch();
}

void StreetSketchPanel::DrawStreetSketch() {
    syncSketch();
    boxStreet3D->update();
}

void StreetSketchPanel::syncSketch() {
    const SketchStreet street = sketchStreetOf(m_state);
    SketchView view;
    view.zoom = m_state.ViewZoom;
    view.angle_deg = m_state.ViewAngle;
    view.autoHeight = CheckViewHeight->isChecked();
    if (view.autoHeight) {
        m_state.ViewHeight = automaticViewHeight(street, view.angle_deg);
        const QString shown = QString::number(m_state.ViewHeight, 'g', 7);
        if (TextViewHeight->text() != shown) {
            TextViewHeight->setText(shown);
        }
    }
    view.height_m = m_state.ViewHeight;
    view.labels = CheckText->checkState() != Qt::Unchecked;
    view.fontSize = m_state.SketchFontSize;
    m_font.automatic = m_state.SketchFontSize == 0;
    boxStreet3D->assign(street, view, m_font);
}

void StreetSketchPanel::lockBoxes(QCheckBox *check, QLineEdit *text, UpDownControl *upDown) {
    const bool locked = check->isChecked();
    text->setEnabled(!locked);
    upDown->setEnabled(!locked);
    QPalette pal = text->palette();
    pal.setColor(QPalette::Base, locked ? palette().color(QPalette::Button) : QColor(Qt::white));
    text->setPalette(pal);
    if (!locked) {
        upDown->setValue(roundedWithin(typed(text), upDown));
    }
}

void StreetSketchPanel::raiseHeightMaximum() {
    if (m_state.ViewHeight > UpDownViewHeight->maximum()) {
        UpDownViewHeight->setMaximum(static_cast<int>(roundHalfEven(m_state.ViewHeight)));
    }
}

void StreetSketchPanel::CheckZoom_Click() {
    lockBoxes(CheckZoom, TextZoom, UpDownZoom);
}

void StreetSketchPanel::TextZoom_LostFocus() {
    const double v = typed(TextZoom);
    m_state.ViewZoom = v / 100.0;
    UpDownZoom->setValue(roundedWithin(v, UpDownZoom));
    DrawStreetSketch();
}

void StreetSketchPanel::UpDownZoom_Change() {
    TextZoom->setText(QStringLiteral("%1%").arg(wholeNumber(UpDownZoom->value())));
    m_state.ViewZoom = typed(TextZoom) / 100.0;
    DrawStreetSketch();
}

void StreetSketchPanel::CheckViewAngle_Click() {
    lockBoxes(CheckViewAngle, TextViewAngle, UpDownViewAngle);
}

void StreetSketchPanel::TextViewAngle_LostFocus() {
    const double v = typed(TextViewAngle);
    m_state.ViewAngle = v;
    UpDownViewAngle->setValue(roundedWithin(v, UpDownViewAngle));
    DrawStreetSketch();
}

void StreetSketchPanel::UpDownViewAngle_Change() {
    TextViewAngle->setText(wholeNumber(UpDownViewAngle->value()));
    m_state.ViewAngle = typed(TextViewAngle);
    DrawStreetSketch();
}

void StreetSketchPanel::CheckViewHeight_Click() {
    if (!CheckViewHeight->isChecked()) {
        raiseHeightMaximum();
    }
    lockBoxes(CheckViewHeight, TextViewHeight, UpDownViewHeight);
}

void StreetSketchPanel::TextViewHeight_LostFocus() {
    const double v = typed(TextViewHeight);
    m_state.ViewHeight = v;
    raiseHeightMaximum();
    UpDownViewHeight->setValue(roundedWithin(v, UpDownViewHeight));
    DrawStreetSketch();
}

void StreetSketchPanel::UpDownViewHeight_Change() {
    TextViewHeight->setText(wholeNumber(UpDownViewHeight->value()));
    m_state.ViewHeight = typed(TextViewHeight);
    DrawStreetSketch();
}

void StreetSketchPanel::CheckText_Click() {
    btnFormatText->setEnabled(CheckText->checkState() == Qt::Checked);
    DrawStreetSketch();
}

void StreetSketchPanel::CheckTextAuto_Click() {
    if (CheckTextAuto->isChecked()) {
        m_state.SketchFontSize = 0;
        btnFormatText->setEnabled(false);
        CheckText->setCheckState(Qt::PartiallyChecked);
        CheckText->setEnabled(false);
    } else {
        btnFormatText->setEnabled(true);
        CheckText->setEnabled(true);
        CheckText->setTristate(false);
        CheckText->setCheckState(Qt::Checked);
    }
    DrawStreetSketch();
}

void StreetSketchPanel::btnFormatText_Click() {
    SketchLabelFont font = m_font;
    if (m_state.SketchFontSize == 0) {
        font.colour = Qt::black;
    }
    int size = m_state.SketchFontSize;
    if (!m_chooseFont || !m_chooseFont(font, size)) {
        return; // cancelled: nothing changes
    }
    m_state.SketchFontSize = size;
    m_font = font;
    m_font.automatic = false;
    DrawStreetSketch();
}

bool StreetSketchPanel::eventFilter(QObject *watched, QEvent *event) {
    auto handle = [&] {
        if (watched == TextZoom) {
            TextZoom_LostFocus();
        } else if (watched == TextViewAngle) {
            TextViewAngle_LostFocus();
        } else if (watched == TextViewHeight) {
            TextViewHeight_LostFocus();
        }
    };
    if (event->type() == QEvent::FocusOut) {
        handle();
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            handle();
            return true; // the key is swallowed
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vesk::ui
