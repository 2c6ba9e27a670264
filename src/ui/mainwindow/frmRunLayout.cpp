// Static layout of the main window: menus, toolbar, frames and controls.

#include "core/RecordIO.h"
#include "ui/common/EngineState.h"
#include "ui/common/NamedButton.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/common/ElidedLabel.h"
#include "ui/common/SketchBox.h"
#include "ui/mainwindow/StreetSketchPanel.h"
#include "ui/mainwindow/frmRun.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {
QGroupBox *groupBox(QWidget *parent, const char *name, const QString &title) {
    auto *box = new QGroupBox(title, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLabel *label(QWidget *parent, const QString &name, const QString &text) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QLineEdit *lineEdit(QWidget *parent, const QString &name, int width = 0) {
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    if (width > 0) {
        e->setFixedWidth(width);
    }
    return e;
}

// A value label framed like a read-only field. File names are shortened to
// the frame's width (the whole name stays the label's text and its tip).
QLabel *valueLabel(QWidget *parent, const QString &name, bool fileName = false) {
    QLabel *l = fileName ? new ElidedLabel(parent) : new QLabel(parent);
    l->setObjectName(name);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumHeight(22);
    l->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}
} // namespace

void frmRun::setupFilesFrame(QWidget *parent, QVBoxLayout *column) {
    Frame7 = groupBox(parent, "Frame7", QStringLiteral("Data Files"));
    auto *frame7Layout = new QVBoxLayout(Frame7);

    auto listBlock = [this](QGroupBox *frame, QVBoxLayout *layout, int kind, const QString &heading,
                            int rows) {
        auto *head = label(frame, QStringLiteral("lblList_%1").arg(kind), heading);
        List1[kind] = new FileCheckList(kind, frame);
        const int rowHeight = List1[kind]->fontMetrics().height() + 6;
        List1[kind]->setMinimumHeight(rowHeight * rows + 6);
        List1[kind]->setMinimumWidth(360);
        layout->addWidget(head);
        layout->addWidget(List1[kind], rows);
    };

    // The lists are short at least and grow with the window: the whole window fits a 1366 x 768 screen.
    Frame8 = groupBox(Frame7, "Frame8", QStringLiteral("Input Files"));
    auto *inputLayout = new QVBoxLayout(Frame8);
    inputLayout->setSpacing(2);
    listBlock(Frame8, inputLayout, 1, QStringLiteral("Hourly Input Files"), 3);
    listBlock(Frame8, inputLayout, 3, QStringLiteral("Average Diurnal Traffic File"), 1);
    Frame9 = groupBox(Frame7, "Frame9", QStringLiteral("Output Files"));
    auto *outputLayout = new QVBoxLayout(Frame9);
    outputLayout->setSpacing(2);
    listBlock(Frame9, outputLayout, 2, QStringLiteral("Hourly Output Files"), 2);
    listBlock(Frame9, outputLayout, 4, QStringLiteral("Statistics and other"), 2);
    frame7Layout->addWidget(Frame8, 6);
    frame7Layout->addWidget(Frame9, 6);

    Frame10 = new QWidget(Frame7);
    Frame10->setObjectName(QStringLiteral("Frame10"));
    auto *buttons = new QGridLayout(Frame10);
    buttons->setContentsMargins(0, 0, 0, 0);
    btnAddFile = namedButton(Frame10, "btnAddFile", QStringLiteral("&Add File"));
    btnRemove = namedButton(Frame10, "btnRemove", QStringLiteral("Rem&ove File"));
    btnChangeFile = namedButton(Frame10, "btnChangeFile", QStringLiteral("Cha&nge File"));
    btnFormatFile = namedButton(Frame10, "btnFormatFile", QStringLiteral("&View/Format"));
    buttons->addWidget(btnAddFile, 0, 0);
    buttons->addWidget(btnRemove, 0, 1);
    buttons->addWidget(btnChangeFile, 0, 2);
    buttons->addWidget(btnFormatFile, 0, 3);
    auto *moves = new QHBoxLayout;
    moves->setSpacing(2);
    for (int i = 1; i <= 2; ++i) {
        MoveUpDown[i] = new QPushButton(Frame10);
        MoveUpDown[i]->setObjectName(QStringLiteral("MoveUpDown_%1").arg(i));
        MoveUpDown[i]->setIcon(style()->standardIcon(i == 1 ? QStyle::SP_ArrowUp : QStyle::SP_ArrowDown));
        MoveUpDown[i]->setAutoDefault(false);
        MoveUpDown[i]->setToolTip(i == 1 ? QStringLiteral("Move the file up")
                                         : QStringLiteral("Move the file down"));
        Label2[i] = label(Frame10, QStringLiteral("Label2_%1").arg(i),
                          i == 1 ? QStringLiteral("Up") : QStringLiteral("Down"));
        moves->addWidget(MoveUpDown[i]);
        moves->addWidget(Label2[i]);
        moves->addSpacing(6);
    }
    buttons->addLayout(moves, 0, 4);
    frame7Layout->addWidget(Frame10);
    Label22 = label(Frame7, QStringLiteral("Label22"),
                    QStringLiteral("N.B.! File Names in RED have an empty Variable List. Format the Files"));
    Label22->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    // One line (no word wrap): a wrapping label would make the scrolled frames as tall as they like.
    // The note keeps its room while hidden: the lists do not move when it comes or goes.
    QSizePolicy keepRoom = Label22->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    Label22->setSizePolicy(keepRoom);
    Label22->setVisible(false);
    frame7Layout->addWidget(Label22);
    column->addWidget(Frame7, 1);
}

void frmRun::setupStreetFrames(QWidget *parent) {
    Frame12 = groupBox(parent, "Frame12", QStringLiteral("Traffic and Emission Data"));
    auto *f12 = new QGridLayout(Frame12);
    cmbYear = new QComboBox(Frame12);
    cmbYear->setObjectName(QStringLiteral("cmbYear"));
    cmbYear->setMinimumWidth(90);
    txtCat = lineEdit(Frame12, QStringLiteral("txtCat"), 70);
    txtCat->setReadOnly(true);
    for (int i = 0; i < 2; ++i) {
        lblFleet[i] = i == 0 ? label(Frame12, QStringLiteral("lblFleet_0"), QStringLiteral("Vehicle List:"))
                             : valueLabel(Frame12, QStringLiteral("lblFleet_1"), true);
        lblFuel[i] = i == 0 ? label(Frame12, QStringLiteral("lblFuel_0"), QStringLiteral("Fuel List:"))
                            : valueLabel(Frame12, QStringLiteral("lblFuel_1"), true);
    }
    Label3 = label(Frame12, QStringLiteral("Label3"), QStringLiteral("Trf.File:"));
    Label4 = valueLabel(Frame12, QStringLiteral("Label4"), true);
    Label4->setText(QStringLiteral("(none)"));
    f12->addWidget(label(Frame12, QStringLiteral("lblYear"), QStringLiteral("Scenario Year:")), 0, 0);
    f12->addWidget(cmbYear, 0, 1);
    f12->addWidget(label(Frame12, QStringLiteral("lblCat"), QStringLiteral("% CAT:")), 0, 2, Qt::AlignRight);
    f12->addWidget(txtCat, 0, 3);
    f12->addWidget(lblFleet[0], 1, 0);
    f12->addWidget(lblFleet[1], 1, 1, 1, 3);
    f12->addWidget(lblFuel[0], 2, 0);
    f12->addWidget(lblFuel[1], 2, 1, 1, 3);
    f12->addWidget(Label3, 3, 0);
    f12->addWidget(Label4, 3, 1, 1, 3);
    f12->setColumnStretch(1, 1);
    f12->setColumnStretch(3, 1);

    FrameStreetData = groupBox(parent, "FrameStreetData", QStringLiteral("Street Data"));
    auto *sd = new QGridLayout(FrameStreetData);
    const char *captions[4] = {"Street:", "Height:", "Width:", "Orientation:"};
    std::array<QLabel *, 2> *labels[4] = {&Label11, &Label12, &Label13, &Label14};
    const char *names[4] = {"Label11", "Label12", "Label13", "Label14"};
    for (int i = 0; i < 4; ++i) {
        (*labels[i])[0] = label(FrameStreetData, QStringLiteral("%1_0").arg(QLatin1String(names[i])),
                                QString::fromLatin1(captions[i]));
        (*labels[i])[1] = valueLabel(FrameStreetData, QStringLiteral("%1_1").arg(QLatin1String(names[i])));
        sd->addWidget((*labels[i])[0], i, 0);
        sd->addWidget((*labels[i])[1], i, 1);
    }
    Label11[1]->setMinimumWidth(120);
    sketchPanel = new StreetSketchPanel(m_state, m_interaction, FrameStreetData);
    picSketch = sketchPanel->boxStreet3D;
    picSketch->setMinimumSize(200, 130);
    sd->addWidget(sketchPanel, 0, 2, 5, 1);
    txtADT = lineEdit(FrameStreetData, QStringLiteral("txtADT"), 90);
    txtSpeed = lineEdit(FrameStreetData, QStringLiteral("txtSpeed"), 90);
    cmbCitySize = new QComboBox(FrameStreetData);
    cmbCitySize->setObjectName(QStringLiteral("cmbCitySize"));
    // The boxes whose values label a run's results: a run locks them as one (frmRunModes.cpp).
    m_streetTraffic = new QWidget(FrameStreetData);
    m_streetTraffic->setObjectName(QStringLiteral("streetTraffic"));
    auto *traffic = new QFormLayout(m_streetTraffic);
    traffic->setContentsMargins(0, 0, 0, 0);
    m_trafficForm = traffic;
    traffic->addRow(label(FrameStreetData, QStringLiteral("lblADT"), QStringLiteral("Average Daily Traffic")),
                    txtADT);
    traffic->addRow(label(FrameStreetData, QStringLiteral("lblSpeed"), QStringLiteral("Travel Speed (km/h)")),
                    txtSpeed);
    traffic->addRow(
        label(FrameStreetData, QStringLiteral("lblCitySize"), QStringLiteral("City Size (inhabitants)")),
        cmbCitySize);
    // Special Mode computes its own fixed traffic (Project > Set Traffic/Emissions): shown instead.
    lblSpecialTraffic = valueLabel(FrameStreetData, QStringLiteral("lblSpecialTraffic"));
    lblSpecialSpeed = valueLabel(FrameStreetData, QStringLiteral("lblSpecialSpeed"));
    for (QLabel *value : {lblSpecialTraffic, lblSpecialSpeed}) {
        value->setToolTip(QStringLiteral("Special Mode traffic: Project > Set Traffic/Emissions"));
    }
    traffic->addRow(label(FrameStreetData, QStringLiteral("lblSpecialTrafficCaption"),
                          QStringLiteral("Traffic (vehicles/hour)")),
                    lblSpecialTraffic);
    traffic->addRow(
        label(FrameStreetData, QStringLiteral("lblSpecialSpeedCaption"), QStringLiteral("Speed (km/h)")),
        lblSpecialSpeed);
    traffic->setRowVisible(lblSpecialTraffic, false);
    traffic->setRowVisible(lblSpecialSpeed, false);
    sd->addWidget(m_streetTraffic, 5, 0, 1, 3);
    sd->setRowStretch(4, 1);
    sd->setColumnStretch(2, 1);

    FrameConcUnits = groupBox(parent, "FrameConcUnits", QStringLiteral("Concentration Units"));
    concUnitsGrid = new QGridLayout(FrameConcUnits);
    concUnitsGrid->addWidget(
        label(FrameConcUnits, QStringLiteral("lblUnitPol"), QStringLiteral("<b>Pollutant</b>")), 0, 0);
    concUnitsGrid->addWidget(
        label(FrameConcUnits, QStringLiteral("lblUnitIn"), QStringLiteral("<b>Input</b>")), 0, 1);
    concUnitsGrid->addWidget(
        label(FrameConcUnits, QStringLiteral("lblUnitOut"), QStringLiteral("<b>Output</b>")), 0, 2);
    concUnitsGrid->setRowStretch(99, 1);

    FrameEmitters = groupBox(parent, "FrameEmitters", QStringLiteral("Emitted Compounds"));
    auto *em = new QVBoxLayout(FrameEmitters);
    lstEmitters = new QListWidget(FrameEmitters);
    lstEmitters->setObjectName(QStringLiteral("lstEmitters"));
    lstEmitters->setFlow(QListView::LeftToRight);
    lstEmitters->setWrapping(true);
    lstEmitters->setSpacing(4);
    lstEmitters->setFixedHeight(lstEmitters->fontMetrics().height() * 2 + 20);
    lstEmitters->setSelectionMode(QAbstractItemView::NoSelection);
    em->addWidget(lstEmitters);
}

void frmRun::setupPeriodFrame(QWidget *parent) {
    FrameStartEnd = groupBox(parent, "FrameStartEnd", QStringLiteral("Start/End Dates"));
    auto *layout = new QHBoxLayout(FrameStartEnd);
    layout->setContentsMargins(6, 2, 6, 2);
    // Start and end side by side, each a caption over its Auto tick, date and hour.
    auto make = [this](const char *frameName, const QString &title, QCheckBox *&check, QLineEdit *&date,
                       QLineEdit *&hour, QLabel *&caption, const QString &suffix) {
        auto *frame = new QWidget(FrameStartEnd);
        frame->setObjectName(QString::fromLatin1(frameName));
        auto *grid = new QGridLayout(frame);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setVerticalSpacing(2);
        check = new QCheckBox(QStringLiteral("Auto"), frame);
        check->setObjectName(QStringLiteral("chk%1Auto").arg(suffix));
        check->setChecked(true);
        date = lineEdit(frame, QStringLiteral("mEdit%1").arg(suffix), 100);
        date->setInputMask(QStringLiteral("99-99-9999;_"));
        hour = lineEdit(frame, QStringLiteral("txtHour%1").arg(suffix), 40);
        caption = label(frame, QStringLiteral("lbl%1").arg(suffix), title + QStringLiteral(":  dd-mm-yyyy  hh"));
        date->setEnabled(false);
        hour->setEnabled(false);
        grid->addWidget(caption, 0, 0, 1, 3);
        grid->addWidget(check, 1, 0);
        grid->addWidget(date, 1, 1);
        grid->addWidget(hour, 1, 2);
        grid->setColumnStretch(3, 1);
        return frame;
    };
    FrameStart = make("FrameStart", QStringLiteral("Start Date"), chkStartAuto, mEditStart, txtHourStart,
                      lblStart, QStringLiteral("Start"));
    FrameEnd = make("FrameEnd", QStringLiteral("End Date"), chkEndAuto, mEditEnd, txtHourEnd, lblEnd,
                    QStringLiteral("End"));
    layout->addWidget(FrameStart);
    layout->addSpacing(12);
    layout->addWidget(FrameEnd);

    Frame1 = groupBox(parent, "Frame1", QStringLiteral("Date and hour"));
    Frame1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto *f1 = new QHBoxLayout(Frame1);
    for (int i = 1; i <= 2; ++i) {
        Text0[i] = lineEdit(Frame1, QStringLiteral("Text0_%1").arg(i), 0);
        Text0[i]->setReadOnly(true);
        f1->addWidget(Text0[i]);
    }
    Frame1->setVisible(false);
}

void frmRun::setupSpecialFrames(QWidget *parent) {
    Frame5 = groupBox(parent, "Frame5", QStringLiteral("Special Mode Wind Data"));
    Frame5->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto *f5 = new QVBoxLayout(Frame5);
    auto *speeds = groupBox(Frame5, "FrameWindSpeed", QStringLiteral("Set wind speed (m/s)"));
    auto *sg = new QGridLayout(speeds);
    for (int i = 1; i <= 8; ++i) {
        Check1[i] = new QCheckBox(QString::number(i), speeds);
        Check1[i]->setObjectName(QStringLiteral("Check1_%1").arg(i));
        Check1[i]->setEnabled(false);
        Text1[i] = lineEdit(speeds, QStringLiteral("Text1_%1").arg(i), 60);
        Text1[i]->setEnabled(false);
        const int row = (i - 1) % 4;
        const int col = (i - 1) / 4 * 2;
        sg->addWidget(Check1[i], row, col);
        sg->addWidget(Text1[i], row, col + 1);
    }
    sg->setColumnStretch(4, 1);
    auto *dirs = groupBox(Frame5, "FrameWindDir", QStringLiteral("Set wind direction (deg.)"));
    auto *dg = new QFormLayout(dirs);
    const char *dirCaptions[4] = {"", "First direction", "Last direction", "Step"};
    for (int j = 1; j <= 3; ++j) {
        Text2[j] = lineEdit(dirs, QStringLiteral("Text2_%1").arg(j), 60);
        Text2[j]->setEnabled(false);
        dg->addRow(QString::fromLatin1(dirCaptions[j]), Text2[j]);
    }
    auto *buttons = new QHBoxLayout;
    btnEditWind = namedButton(Frame5, "btnEditWind", QStringLiteral("&Edit"));
    btnEndEditWind = namedButton(Frame5, "btnEndEditWind", QStringLiteral("&End Edit"));
    btnCancelEditWind = namedButton(Frame5, "btnCancelEditWind", QStringLiteral("Cance&l"));
    btnEndEditWind->setEnabled(false);
    btnCancelEditWind->setEnabled(false);
    buttons->addWidget(btnEditWind);
    buttons->addWidget(btnEndEditWind);
    buttons->addWidget(btnCancelEditWind);
    buttons->addStretch();
    f5->addWidget(speeds);
    f5->addWidget(dirs);
    f5->addLayout(buttons);
    Frame5->setVisible(false);

    frmboxStreet3D = groupBox(parent, "frmboxStreet3D", QStringLiteral("Street"));
    m_box3DLayout = new QVBoxLayout(frmboxStreet3D);
    frmboxStreet3D->setVisible(false);
}

void frmRun::setupRunFrame(QWidget *parent) {
    Frame3 = new QWidget(parent);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    auto *layout = new QHBoxLayout(Frame3);
    layout->setContentsMargins(0, 4, 0, 4);
    btnRun = namedButton(Frame3, "btnRun", QStringLiteral("&Run"));
    btnPause = namedButton(Frame3, "btnPause", QStringLiteral("&Pause"));
    btnContinue = namedButton(Frame3, "btnContinue", QStringLiteral("&Continue"));
    btnStop = namedButton(Frame3, "btnStop", QStringLiteral("&Stop"));
    btnHelp = namedButton(Frame3, "btnHelp", QStringLiteral("&Help"));
    for (QPushButton *b : {btnRun, btnPause, btnContinue, btnStop, btnHelp}) {
        b->setMinimumWidth(90);
        layout->addWidget(b);
    }
    btnRun->setEnabled(false);
    btnPause->setEnabled(false);
    btnContinue->setEnabled(false);
    btnStop->setEnabled(false);
}

void frmRun::setupUi() {
    setObjectName(QStringLiteral("frmRun"));
    setWindowTitle(QStringLiteral("WinVESK"));
    setupMenus();
    setupToolbar();

    // The toolbar band above the main frame. The frame scrolls only when the
    // screen is too small for the window's least size: nothing is cut off.
    // The frame and the product word are placed by the window's own layout
    // rules (frmRunResize.cpp); inside the frame Qt's layouts arrange the frames.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    auto *clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);
    clientLayout->addWidget(Toolbar1);
    auto *scroll = new QScrollArea(client);
    scroll->setObjectName(QStringLiteral("centralScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *central = new QWidget(scroll);
    central->setObjectName(QStringLiteral("centralArea"));
    m_centralArea = central;
    boxLabel = new LogoBox(central);

    Frame0 = new QWidget(central);
    Frame0->setObjectName(QStringLiteral("Frame0"));
    auto *columns = new QHBoxLayout(Frame0);
    columns->setContentsMargins(0, 0, 0, 0);
    m_leftColumn = new QVBoxLayout;
    m_rightColumn = new QVBoxLayout;
    columns->addLayout(m_leftColumn, 5);
    columns->addLayout(m_rightColumn, 6);

    setupFilesFrame(Frame0, m_leftColumn);
    setupSpecialFrames(Frame0);
    setupPeriodFrame(Frame0);
    setupStreetFrames(Frame0);
    setupRunFrame(Frame0);

    m_leftColumn->addWidget(Frame5);
    m_leftColumn->addWidget(FrameStartEnd);
    m_leftColumn->addWidget(Frame1);
    m_leftColumn->addStretch(0);

    m_rightColumn->addWidget(Frame12);
    m_streetRow = new QWidget(Frame0);
    m_streetRow->setObjectName(QStringLiteral("streetRow"));
    auto *streetRow = new QHBoxLayout(m_streetRow);
    streetRow->setContentsMargins(0, 0, 0, 0);
    streetRow->addWidget(FrameStreetData, 3);
    streetRow->addWidget(FrameConcUnits, 2);
    m_rightColumn->addWidget(m_streetRow, 1);
    m_rightColumn->addWidget(frmboxStreet3D, 1);
    m_rightColumn->addWidget(FrameEmitters);
    placeFrame3(false);

    Frame0->setVisible(false);
    Frame0->installEventFilter(this); // shown or hidden, the window is laid out again
    scroll->setWidget(central);
    clientLayout->addWidget(scroll, 1);
    setCentralWidget(client);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 1000);
    ProgressBar1->setMaximumWidth(260);
    ProgressBar1->setVisible(false);
    // The status line holds a street's name while a run goes on: shortened
    // to the width of the line, it never widens or wraps over the window.
    lblProgress = new ElidedLabel(this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    statusBar()->addWidget(lblProgress, 1);
    statusBar()->addPermanentWidget(ProgressBar1);

    // What's This texts of the frames that offer the context menu.
    Frame7->setWhatsThis(QStringLiteral("The data files of the project. Tick a file to include it in the "
                                        "calculation; double-click a file to view or format it."));
    Frame8->setWhatsThis(QStringLiteral("Hourly input files (meteorology, background and measured "
                                        "concentrations) and the average diurnal traffic file."));
    Frame9->setWhatsThis(
        QStringLiteral("Hourly output files and statistics files written by the calculation."));
    Frame10->setWhatsThis(
        QStringLiteral("Add, remove, change, format and reorder the files of the selected list."));
    Frame12->setWhatsThis(QStringLiteral("Scenario year, catalyst share, vehicle and fuel list files and the "
                                         "traffic file of the project."));
    FrameEmitters->setWhatsThis(QStringLiteral("The compounds emitted by the vehicles of the vehicle list."));
    FrameConcUnits->setWhatsThis(QStringLiteral("Input and output concentration unit of every pollutant."));
    FrameStartEnd->setWhatsThis(QStringLiteral("First and last hour of the calculation. With Auto ticked the "
                                               "calculation covers all hours of the input files."));
    FrameStreetData->setWhatsThis(QStringLiteral("Street name and geometry, the street sketch, the average "
                                                 "daily traffic, the travel speed and the city size."));
}

void frmRun::placeFrame3(bool special) {
    if (special) {
        m_leftColumn->removeWidget(Frame3);
        m_rightColumn->addWidget(Frame3, 0, Qt::AlignHCenter);
    } else {
        m_rightColumn->removeWidget(Frame3);
        m_leftColumn->addWidget(Frame3, 0, Qt::AlignHCenter);
    }
}

void frmRun::showTrafficOfMode() {
    const bool special = m_state.CalcMode == 0;
    for (QWidget *row : std::initializer_list<QWidget *>{txtADT, txtSpeed, cmbCitySize}) {
        m_trafficForm->setRowVisible(row, !special);
    }
    m_trafficForm->setRowVisible(lblSpecialTraffic, special);
    m_trafficForm->setRowVisible(lblSpecialSpeed, special);
    if (special) {
        auto number = [](double v) { return QString::fromStdString(formatNumber(v)); };
        lblSpecialTraffic->setText(QStringLiteral("%1 light + %2 heavy")
                                       .arg(number(m_state.TrafficLight), number(m_state.TrafficHeavy)));
        lblSpecialSpeed->setText(
            QStringLiteral("%1 light, %2 heavy").arg(number(m_state.SpeedLight), number(m_state.SpeedHeavy)));
    }
}

void frmRun::placeStreetFrame(bool special) {
    if (special) {
        m_streetRow->layout()->removeWidget(FrameStreetData);
        m_box3DLayout->addWidget(FrameStreetData);
    } else {
        m_box3DLayout->removeWidget(FrameStreetData);
        static_cast<QHBoxLayout *>(m_streetRow->layout())->insertWidget(0, FrameStreetData, 3);
    }
}

} // namespace vesk::ui
