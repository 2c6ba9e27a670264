// Static layout of the traffic editor and the wiring of its controls.

#include "ui/common/ElidedLabel.h"
#include "ui/common/NamedButton.h"
#include "ui/editors/CurvePlot.h"
#include "ui/editors/TrafficTableModels.h"
#include "ui/editors/frmTrafficEditor.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {

QLabel *label(QWidget *parent, const char *name, const QString &text = {}) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

// A file's name, shortened in the middle where the window is narrower than it: a long path never
// makes the window wider than the screen.
QLabel *fileLabel(QWidget *parent, const char *name) {
    auto *l = new ElidedLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QTableView *editableTable(QWidget *parent, const char *name) {
    auto *t = new QTableView(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    t->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                       QAbstractItemView::AnyKeyPressed);
    return t;
}

// The condition cells: the evaluator checks the text at every key.
class ConditionDelegate : public QStyledItemDelegate {
public:
    ConditionDelegate(frmTrafficEditor *editor) : QStyledItemDelegate(editor), m_editor(editor) {}
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override {
        QWidget *w = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(w)) {
            line->setObjectName(QStringLiteral("txtCondition"));
            QObject::connect(line, &QLineEdit::textChanged, m_editor, &frmTrafficEditor::conditionTyped);
        }
        return w;
    }

private:
    frmTrafficEditor *m_editor;
};

} // namespace

void frmTrafficEditor::buildLayout() {
    auto *top = new QVBoxLayout(this);

    auto *fileRow = new QGridLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("File:"), this), 0, 0);
    lblFile = fileLabel(this, "lblFile");
    lblFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fileRow->addWidget(lblFile, 0, 1, 1, 5);
    fileRow->addWidget(new QLabel(QStringLiteral("Description:"), this), 1, 0);
    txtDescription = new QLineEdit(this);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    fileRow->addWidget(txtDescription, 1, 1, 1, 5);
    fileRow->addWidget(new QLabel(QStringLiteral("Type:"), this), 2, 0);
    cmbType = new QComboBox(this);
    cmbType->setObjectName(QStringLiteral("cmbType"));
    cmbType->addItems({QStringLiteral("1 - Counted traffic"), QStringLiteral("2 - Standard profile")});
    cmbType->setToolTip(
        QStringLiteral("A standard profile is scaled to the daily traffic and speed of the street"));
    fileRow->addWidget(cmbType, 2, 1);
    fileRow->addWidget(new QLabel(QStringLiteral("Periods:"), this), 2, 2);
    cmbPeriods = new QComboBox(this);
    cmbPeriods->setObjectName(QStringLiteral("cmbPeriods"));
    cmbPeriods->addItems({QStringLiteral("24 (hourly)"), QStringLiteral("48 (half-hourly)")});
    fileRow->addWidget(cmbPeriods, 2, 3);
    fileRow->addWidget(new QLabel(QStringLiteral("ADT (vehicles/day):"), this), 3, 0);
    txtADT = new QLineEdit(this);
    txtADT->setObjectName(QStringLiteral("txtADT"));
    txtADT->setToolTip(
        QStringLiteral("The file's annual average daily traffic; another value scales every flow"));
    fileRow->addWidget(txtADT, 3, 1);
    fileRow->addWidget(new QLabel(QStringLiteral("Speed (km/h):"), this), 3, 2);
    txtSpeed = new QLineEdit(this);
    txtSpeed->setObjectName(QStringLiteral("txtSpeed"));
    txtSpeed->setToolTip(
        QStringLiteral("The file's average light-vehicle speed; another value scales every speed"));
    fileRow->addWidget(txtSpeed, 3, 3);
    lblStreet = label(this, "lblStreet");
    fileRow->addWidget(lblStreet, 3, 4, 1, 2);
    fileRow->setColumnStretch(5, 1);
    top->addLayout(fileRow);

    auto *fleet = new QGroupBox(QStringLiteral("Fleet"), this);
    fleet->setObjectName(QStringLiteral("FrameFleet"));
    auto *fleetGrid = new QGridLayout(fleet);
    fleetGrid->addWidget(new QLabel(QStringLiteral("Scenario year:"), fleet), 0, 0);
    cmbYear = new QComboBox(fleet);
    cmbYear->setObjectName(QStringLiteral("cmbYear"));
    fleetGrid->addWidget(cmbYear, 0, 1);
    fleetGrid->addWidget(new QLabel(QStringLiteral("Vehicle List:"), fleet), 0, 2);
    lblVehicleList = fileLabel(fleet, "lblVehicleList");
    fleetGrid->addWidget(lblVehicleList, 0, 3);
    btnVehicleList = namedButton(fleet, "btnVehicleList", QStringLiteral("..."));
    fleetGrid->addWidget(btnVehicleList, 0, 4);
    fleetGrid->addWidget(new QLabel(QStringLiteral("Fuel List:"), fleet), 0, 5);
    lblFuelList = fileLabel(fleet, "lblFuelList");
    fleetGrid->addWidget(lblFuelList, 0, 6);
    btnFuelList = namedButton(fleet, "btnFuelList", QStringLiteral("..."));
    fleetGrid->addWidget(btnFuelList, 0, 7);
    lblFleetCheck = label(fleet, "lblFleetCheck");
    lblFleetCheck->setWordWrap(true);
    fleetGrid->addWidget(lblFleetCheck, 1, 0, 1, 8);
    for (QPushButton *b : {btnVehicleList, btnFuelList}) {
        b->setMaximumWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    }
    fleetGrid->setColumnStretch(3, 1);
    fleetGrid->setColumnStretch(6, 1);
    top->addWidget(fleet);

    auto *split = new QSplitter(Qt::Horizontal, this);
    auto *left = new QWidget(split);
    auto *leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);
    leftColumn->addWidget(new QLabel(QStringLiteral("Categories"), left));
    tblCategories = editableTable(left, "tblCategories");
    leftColumn->addWidget(tblCategories, 2);
    auto *catButtons = new QHBoxLayout;
    btnAddCategory = namedButton(left, "btnAddCategory", QStringLiteral("Add Category"));
    btnRemoveCategory = namedButton(left, "btnRemoveCategory", QStringLiteral("Remove Category"));
    catButtons->addWidget(btnAddCategory);
    catButtons->addWidget(btnRemoveCategory);
    catButtons->addStretch();
    leftColumn->addLayout(catButtons);
    leftColumn->addWidget(
        new QLabel(QStringLiteral("Day cases (an hour takes the first whose conditions hold)"), left));
    tblDayCases = editableTable(left, "tblDayCases");
    leftColumn->addWidget(tblDayCases, 3);
    auto *dayButtons = new QHBoxLayout;
    btnAddDayCase = namedButton(left, "btnAddDayCase", QStringLiteral("Add Day Case"));
    btnRemoveDayCase = namedButton(left, "btnRemoveDayCase", QStringLiteral("Remove Day Case"));
    btnDayCaseUp = namedButton(left, "btnDayCaseUp", QStringLiteral("Up"));
    btnDayCaseDown = namedButton(left, "btnDayCaseDown", QStringLiteral("Down"));
    for (QPushButton *b : {btnAddDayCase, btnRemoveDayCase, btnDayCaseUp, btnDayCaseDown}) {
        dayButtons->addWidget(b);
    }
    dayButtons->addStretch();
    leftColumn->addLayout(dayButtons);
    picProfile = new CurvePlot(left);
    picProfile->setObjectName(QStringLiteral("picProfile"));
    picProfile->setAxisTitles(QStringLiteral("Period"), QStringLiteral("Vehicles"));
    leftColumn->addWidget(picProfile, 3);

    tblProfile = editableTable(split, "tblProfile");
    tblProfile->setSelectionBehavior(QAbstractItemView::SelectItems);
    split->addWidget(left);
    split->addWidget(tblProfile);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 4);
    top->addWidget(split, 1);

    lblProblem = label(this, "lblProblem");
    lblProblem->setWordWrap(true);
    lblProblem->setStyleSheet(QStringLiteral("color: rgb(180, 0, 0);"));
    top->addWidget(lblProblem);

    auto *buttons = new QHBoxLayout;
    btnOpen = namedButton(this, "btnOpen", QStringLiteral("&Open..."));
    btnSave = namedButton(this, "btnSave", QStringLiteral("&Save"));
    btnSaveAs = namedButton(this, "btnSaveAs", QStringLiteral("Save &As..."));
    btnClose = namedButton(this, "btnClose", QStringLiteral("&Close"));
    buttons->addWidget(btnOpen);
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnSaveAs);
    buttons->addWidget(btnClose);
    top->addLayout(buttons);

    m_categories = new TrafficCategoryModel(m_doc, this);
    m_dayCases = new TrafficDayCaseModel(m_doc, this);
    m_profile = new TrafficProfileModel(m_doc, this);
    tblCategories->setModel(m_categories);
    tblDayCases->setModel(m_dayCases);
    tblProfile->setModel(m_profile);
    auto *conditions = new ConditionDelegate(this);
    tblDayCases->setItemDelegateForColumn(TrafficDayCaseModel::ColDay, conditions);
    tblDayCases->setItemDelegateForColumn(TrafficDayCaseModel::ColMonth, conditions);
    tblCategories->horizontalHeader()->setStretchLastSection(true);
    tblDayCases->horizontalHeader()->setStretchLastSection(false);
    tblDayCases->horizontalHeader()->setSectionResizeMode(TrafficDayCaseModel::ColName, QHeaderView::Stretch);
    tblProfile->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    resize(1180, 720);
}

void frmTrafficEditor::connectControls() {
    connect(btnOpen, &QPushButton::clicked, this, &frmTrafficEditor::btnOpen_Click);
    connect(btnSave, &QPushButton::clicked, this, &frmTrafficEditor::btnSave_Click);
    connect(btnSaveAs, &QPushButton::clicked, this, &frmTrafficEditor::btnSaveAs_Click);
    connect(btnClose, &QPushButton::clicked, this, &frmTrafficEditor::btnClose_Click);
    connect(btnAddCategory, &QPushButton::clicked, this, &frmTrafficEditor::btnAddCategory_Click);
    connect(btnRemoveCategory, &QPushButton::clicked, this, &frmTrafficEditor::btnRemoveCategory_Click);
    connect(btnAddDayCase, &QPushButton::clicked, this, &frmTrafficEditor::btnAddDayCase_Click);
    connect(btnRemoveDayCase, &QPushButton::clicked, this, &frmTrafficEditor::btnRemoveDayCase_Click);
    connect(btnDayCaseUp, &QPushButton::clicked, this, [this] { btnDayCaseMove_Click(-1); });
    connect(btnDayCaseDown, &QPushButton::clicked, this, [this] { btnDayCaseMove_Click(1); });
    connect(txtADT, &QLineEdit::editingFinished, this, &frmTrafficEditor::txtADT_Apply);
    connect(txtSpeed, &QLineEdit::editingFinished, this, &frmTrafficEditor::txtSpeed_Apply);
    connect(txtDescription, &QLineEdit::textEdited, this, [this](const QString &text) {
        const std::string first =
            m_doc.headerLines.empty() ? "\"WinVESK traffic file\"" : m_doc.headerLines.front();
        m_doc.headerLines = {first};
        if (!text.trimmed().isEmpty()) {
            m_doc.headerLines.push_back("\"" + text.trimmed().toStdString() + "\"");
        }
        documentChanged(false);
    });
    connect(cmbType, &QComboBox::activated, this, &frmTrafficEditor::cmbType_Click);
    connect(cmbPeriods, &QComboBox::activated, this, &frmTrafficEditor::cmbPeriods_Click);
    connect(cmbYear, &QComboBox::activated, this, &frmTrafficEditor::cmbYear_Click);
    connect(btnVehicleList, &QPushButton::clicked, this, &frmTrafficEditor::btnVehicleList_Click);
    connect(btnFuelList, &QPushButton::clicked, this, &frmTrafficEditor::btnFuelList_Click);
    for (TrafficTableModel *m :
         std::initializer_list<TrafficTableModel *>{m_categories, m_dayCases, m_profile}) {
        connect(m, &TrafficTableModel::edited, this, [this] { documentChanged(false); });
    }
    connect(tblDayCases->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { dayCaseChosen(current.row()); });
}

} // namespace vesk::ui
