#include "ui/inputdef/frmStreetConfig.h"

#include "core/Numbers.h"
#include "project/ProjectFileState.h"
#include "ui/inputdef/SectorTableModel.h"
#include "ui/common/SketchBox.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace vesk::ui {

namespace {

QString numberText(double value) {
    return QString::number(value, 'g', 10);
}

double boxNumber(const QLineEdit *box) {
    const std::optional<double> value = parseNumber(box->text().toStdString());
    return value.value_or(std::numeric_limits<double>::quiet_NaN());
}

// The values as the dialog's boxes are captioned: the street height is the "Building height (m)".
StreetValueNames boxNames() {
    StreetValueNames names;
    names.height = "building height";
    return names;
}

QLineEdit *numberBox(QWidget *parent, const char *name, double value) {
    auto *box = new QLineEdit(numberText(value), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAlignment(Qt::AlignRight);
    return box;
}

} // namespace

frmStreetConfig::frmStreetConfig(const StreetConfig &config, const std::string &projectName,
                                 const SketchView &view, QWidget *parent)
    : QDialog(parent), m_original(config) {
    setObjectName(QStringLiteral("frmStreetConfig"));
    m_sectors = new SectorTableModel(this);
    std::vector<SectorRow> rows;
    for (int i = 1; i <= std::clamp(config.NumWindSectors, 0, kMaxSectors); ++i) {
        rows.push_back({config.SectorStart[i], config.SectorEnd[i], config.SectorValue[i]});
    }
    m_sectors->setRows(rows);
    buildLayout(projectName);
    picStreetSketch->setView(view);

    for (QLineEdit *box : {txtStreetName, txtStreetHeight, txtStreetWidth, txtStreetLength1, txtStreetLength2,
                           txtStreetOrientation, txtRecHeight}) {
        connect(box, &QLineEdit::textChanged, this, &frmStreetConfig::valuesChanged);
    }
    connect(chkReceptor1, &QCheckBox::toggled, this, &frmStreetConfig::valuesChanged);
    connect(chkReceptor2, &QCheckBox::toggled, this, &frmStreetConfig::valuesChanged);
    connect(m_sectors, &QAbstractItemModel::dataChanged, this, &frmStreetConfig::valuesChanged);
    connect(m_sectors, &QAbstractItemModel::rowsInserted, this, &frmStreetConfig::valuesChanged);
    connect(m_sectors, &QAbstractItemModel::rowsRemoved, this, &frmStreetConfig::valuesChanged);
    connect(btnAddSector, &QPushButton::clicked, this, &frmStreetConfig::btnAddSector_Click);
    connect(btnRemoveSector, &QPushButton::clicked, this, &frmStreetConfig::btnRemoveSector_Click);
    connect(btnOK, &QPushButton::clicked, this, &frmStreetConfig::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmStreetConfig::btnCancel_Click);
    valuesChanged();
}

void frmStreetConfig::buildLayout(const std::string &projectName) {
    const QString project = QString::fromStdString(projectName);
    setWindowTitle(project.isEmpty() ? QStringLiteral("Street Configuration")
                                     : QStringLiteral("Street Configuration [%1]").arg(project));

    auto *street = new QGroupBox(QStringLiteral("Street"), this);
    auto *form = new QFormLayout(street);
    txtStreetName = new QLineEdit(QString::fromStdString(m_original.StreetName), street);
    txtStreetName->setObjectName(QStringLiteral("txtStreetName"));
    txtStreetHeight = numberBox(street, "txtStreetHeight", m_original.StreetHeight);
    txtStreetWidth = numberBox(street, "txtStreetWidth", m_original.StreetWidth);
    txtStreetLength1 = numberBox(street, "txtStreetLength1", m_original.StreetLength_1);
    txtStreetLength2 = numberBox(street, "txtStreetLength2", m_original.StreetLength_2);
    txtStreetOrientation = numberBox(street, "txtStreetOrientation", m_original.StreetOrientation);
    form->addRow(QStringLiteral("Street name"), txtStreetName);
    form->addRow(QStringLiteral("Building height (m)"), txtStreetHeight);
    form->addRow(QStringLiteral("Street width (m)"), txtStreetWidth);
    form->addRow(QStringLiteral("Street length 1 (m)"), txtStreetLength1);
    form->addRow(QStringLiteral("Street length 2 (m)"), txtStreetLength2);
    form->addRow(QStringLiteral("Orientation (deg)"), txtStreetOrientation);

    auto *sectors = new QGroupBox(QStringLiteral("Wind Sectors"), this);
    auto *sectorLayout = new QVBoxLayout(sectors);
    tblSectors = new QTableView(sectors);
    tblSectors->setObjectName(QStringLiteral("tblSectors"));
    tblSectors->setModel(m_sectors);
    tblSectors->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    tblSectors->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblSectors->setMinimumHeight(160);
    tblSectors->setSelectionMode(QAbstractItemView::SingleSelection);
    sectorLayout->addWidget(tblSectors);
    auto *sectorButtons = new QHBoxLayout;
    btnAddSector = new QPushButton(QStringLiteral("Add Sector"), sectors);
    btnAddSector->setObjectName(QStringLiteral("btnAddSector"));
    btnRemoveSector = new QPushButton(QStringLiteral("Remove Sector"), sectors);
    btnRemoveSector->setObjectName(QStringLiteral("btnRemoveSector"));
    sectorButtons->addWidget(btnAddSector);
    sectorButtons->addWidget(btnRemoveSector);
    sectorButtons->addStretch();
    sectorLayout->addLayout(sectorButtons);

    auto *receptors = new QGroupBox(QStringLiteral("Receptors"), this);
    auto *receptorForm = new QFormLayout(receptors);
    chkReceptor1 = new QCheckBox(QStringLiteral("Receptor 1 (street side 1)"), receptors);
    chkReceptor1->setObjectName(QStringLiteral("chkReceptor1"));
    chkReceptor1->setChecked(m_original.Receptor1 == 1);
    chkReceptor2 = new QCheckBox(QStringLiteral("Receptor 2 (street side 2)"), receptors);
    chkReceptor2->setObjectName(QStringLiteral("chkReceptor2"));
    chkReceptor2->setChecked(m_original.Receptor2 == 1);
    txtRecHeight = numberBox(receptors, "txtRecHeight", m_original.RecHeight);
    receptorForm->addRow(chkReceptor1);
    receptorForm->addRow(chkReceptor2);
    receptorForm->addRow(QStringLiteral("Receptor height (m)"), txtRecHeight);

    picStreetSketch = new SketchBox(this);
    picStreetSketch->setObjectName(QStringLiteral("picStreetSketch"));
    picStreetSketch->setMinimumSize(320, 240);

    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setStyleSheet(QStringLiteral("color: #b00000"));
    lblProblem->setWordWrap(true);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto *left = new QVBoxLayout;
    left->addWidget(street);
    left->addWidget(sectors, 1);
    left->addWidget(receptors);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addWidget(picStreetSketch, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblProblem, 1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *main = new QVBoxLayout(this);
    main->addLayout(columns, 1);
    main->addLayout(buttons);
}

StreetConfig frmStreetConfig::config() const {
    StreetConfig c = m_original;
    c.StreetName = txtStreetName->text().toStdString();
    c.StreetHeight = boxNumber(txtStreetHeight);
    c.StreetWidth = boxNumber(txtStreetWidth);
    c.StreetLength_1 = boxNumber(txtStreetLength1);
    c.StreetLength_2 = boxNumber(txtStreetLength2);
    c.StreetOrientation = boxNumber(txtStreetOrientation);
    const std::vector<SectorRow> &rows = m_sectors->rows();
    c.NumWindSectors = static_cast<int>(rows.size());
    c.SectorUsed = {};
    for (int i = 1; i <= kMaxSectors; ++i) {
        if (i <= c.NumWindSectors) {
            const SectorRow &r = rows[static_cast<size_t>(i - 1)];
            c.SectorStart[i] = r.start;
            c.SectorEnd[i] = r.end;
            c.SectorValue[i] = r.value;
            c.SectorUsed[i] = true;
        }
    }
    // A receptor value other than 0 or 1 is kept until its box is changed.
    if (chkReceptor1->isChecked() != (m_original.Receptor1 == 1)) {
        c.Receptor1 = chkReceptor1->isChecked() ? 1 : 0;
    }
    if (chkReceptor2->isChecked() != (m_original.Receptor2 == 1)) {
        c.Receptor2 = chkReceptor2->isChecked() ? 1 : 0;
    }
    c.RecHeight = boxNumber(txtRecHeight);
    return c;
}

void frmStreetConfig::valuesChanged() {
    const StreetConfig c = config();
    m_problem = QString::fromStdString(streetConfigProblem(c, boxNames()));
    btnOK->setEnabled(m_problem.isEmpty());
    btnOK->setToolTip(m_problem);
    lblProblem->setText(m_problem);
    btnAddSector->setEnabled(m_sectors->rowCount() < kMaxSectors);
    btnRemoveSector->setEnabled(m_sectors->rowCount() > 0);
    picStreetSketch->setStreet(sketchStreetOf(c));
}

void frmStreetConfig::btnOK_Click() {
    valuesChanged();
    if (!m_problem.isEmpty()) {
        return;
    }
    accept();
}

void frmStreetConfig::btnCancel_Click() {
    reject();
}

void frmStreetConfig::btnAddSector_Click() {
    // A new sector continues after the last one, 30 degrees wide, at the street's height.
    SectorRow row{0, 30, 0};
    const std::vector<SectorRow> &rows = m_sectors->rows();
    if (!rows.empty()) {
        row.start = rows.back().end >= 360 ? 0 : rows.back().end;
        row.end = std::min(row.start + 30.0, 360.0);
    }
    const double height = boxNumber(txtStreetHeight);
    row.value = std::isfinite(height) && height > 0 ? height : 0;
    if (m_sectors->addRow(row)) {
        tblSectors->selectRow(m_sectors->rowCount() - 1);
    }
}

void frmStreetConfig::btnRemoveSector_Click() {
    const QModelIndex current = tblSectors->currentIndex();
    const int row = current.isValid() ? current.row() : m_sectors->rowCount() - 1;
    m_sectors->removeRowAt(row);
}

bool EditSingleStreet(QWidget *parent, ProjectFileState &state, int &streetConfigDefined,
                      const SketchView &view, const std::function<int(frmStreetConfig &)> &run) {
    frmStreetConfig dialog(streetConfigFromState(state), state.ProjectName, view, parent);
    const int result = run ? run(dialog) : dialog.exec();
    if (result != QDialog::Accepted || !dialog.problem().isEmpty()) {
        return false;
    }
    storeStreetConfig(state, dialog.config());
    streetConfigDefined = 1;
    return true;
}

} // namespace vesk::ui
