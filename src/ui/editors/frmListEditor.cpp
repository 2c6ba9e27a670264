#include "ui/editors/frmListEditor.h"

#include "core/Interaction.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "ui/common/ElidedLabel.h"
#include "ui/common/NamedButton.h"
#include "ui/editors/RowsTableModel.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>

namespace vesk::ui {

namespace {

QString qs(const std::string &s) {
    return QString::fromStdString(s);
}

std::string cellText(const QVariant &v) {
    return v.toString().trimmed().toStdString();
}

QString unquoted(const std::string &line) {
    std::string t = trim(line);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') {
        t = t.substr(1, t.size() - 2);
    }
    return qs(t);
}

QTableView *listTable(QWidget *parent, const char *name) {
    auto *t = new QTableView(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->horizontalHeader()->setStretchLastSection(true);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    return t;
}

// A number cell: a typed number within [low, high] is stored.
std::function<bool(int, const QVariant &)> numberSetter(std::function<double &(int)> field) {
    return [field](int row, const QVariant &v) {
        const auto n = typedNumber(v);
        if (!n) {
            return false;
        }
        field(row) = *n;
        return true;
    };
}

} // namespace

frmListEditor::frmListEditor(Setup setup, Interaction &ui, QWidget *parent)
    : QDialog(parent), m_ui(ui), m_kind(setup.kind == 2 ? 2 : 1), m_path(std::move(setup.path)),
      m_vehicles(std::move(setup.vehicles)), m_fuels(std::move(setup.fuels)), m_env(std::move(setup.env)),
      m_typeNames(std::move(setup.stVehTypeNames)), m_fuelNames(std::move(setup.stFuelNames)) {
    setObjectName(QStringLiteral("frmListEditor"));
    buildLayout();
    if (m_kind == 1) {
        buildVehicleModels();
    } else {
        buildFuelModels();
    }
    m_cleanText = text();
    showHead();
    listChanged(true);
    if (m_rows->rowCount() > 0) {
        tblRows->selectRow(0);
        rowChosen(0);
    }
}

std::string frmListEditor::text() const {
    return m_kind == 1 ? vehicleListText(m_vehicles) : fuelListText(m_fuels);
}

void frmListEditor::buildLayout() {
    auto *top = new QVBoxLayout(this);
    auto *head = new QGridLayout;
    head->addWidget(new QLabel(QStringLiteral("File:"), this), 0, 0);
    lblFile = new ElidedLabel(this); // a long path never widens the window beyond the screen
    lblFile->setObjectName(QStringLiteral("lblFile"));
    head->addWidget(lblFile, 0, 1, 1, 5);
    head->addWidget(new QLabel(QStringLiteral("Country:"), this), 1, 0);
    txtCountry = new QLineEdit(this);
    txtCountry->setObjectName(QStringLiteral("txtCountry"));
    txtCountry->setMaximumWidth(80);
    head->addWidget(txtCountry, 1, 1);
    head->addWidget(new QLabel(QStringLiteral("Scenario year:"), this), 1, 2);
    spnYear = new QSpinBox(this);
    spnYear->setObjectName(QStringLiteral("spnYear"));
    spnYear->setRange(1900, 2200);
    head->addWidget(spnYear, 1, 3);
    head->addWidget(new QLabel(QStringLiteral("Description:"), this), 2, 0);
    txtDescription = new QLineEdit(this);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    head->addWidget(txtDescription, 2, 1, 1, 5);
    head->addWidget(new QLabel(QStringLiteral("Emission factors:"), this), 3, 0);
    txtFactorFile = new QLineEdit(this);
    txtFactorFile->setObjectName(QStringLiteral("txtFactorFile"));
    head->addWidget(txtFactorFile, 3, 1, 1, 4);
    btnFactorFile = namedButton(this, "btnFactorFile", QStringLiteral("..."));
    head->addWidget(btnFactorFile, 3, 5);
    head->setColumnStretch(4, 1);
    top->addLayout(head);

    const bool vehicles = m_kind == 1;
    for (QWidget *w : std::initializer_list<QWidget *>{txtFactorFile, btnFactorFile}) {
        w->setVisible(vehicles);
    }
    head->itemAtPosition(3, 0)->widget()->setVisible(vehicles);

    top->addWidget(
        new QLabel(vehicles ? QStringLiteral("Vehicle categories") : QStringLiteral("Fuels"), this));
    tblRows = listTable(this, "tblRows");
    top->addWidget(tblRows, 2);
    auto *rowButtons = new QHBoxLayout;
    btnAddRow =
        namedButton(this, "btnAddRow", vehicles ? QStringLiteral("Add Category") : QStringLiteral("Add Fuel"));
    btnRemoveRow = namedButton(this, "btnRemoveRow",
                          vehicles ? QStringLiteral("Remove Category") : QStringLiteral("Remove Fuel"));
    rowButtons->addWidget(btnAddRow);
    rowButtons->addWidget(btnRemoveRow);
    rowButtons->addStretch();
    top->addLayout(rowButtons);

    lblSubRows =
        new QLabel(vehicles ? QStringLiteral("Fleet") : QStringLiteral("Contents of the fuels"), this);
    lblSubRows->setObjectName(QStringLiteral("lblSubRows"));
    top->addWidget(lblSubRows);
    tblSubRows = listTable(this, "tblSubRows");
    top->addWidget(tblSubRows, 2);
    auto *subButtons = new QHBoxLayout;
    btnAddSubRow = namedButton(this, "btnAddSubRow",
                          vehicles ? QStringLiteral("Add Technology") : QStringLiteral("Add Content"));
    btnRemoveSubRow =
        namedButton(this, "btnRemoveSubRow",
               vehicles ? QStringLiteral("Remove Technology") : QStringLiteral("Remove Content"));
    lblShareSum = new QLabel(this);
    lblShareSum->setObjectName(QStringLiteral("lblShareSum"));
    subButtons->addWidget(btnAddSubRow);
    subButtons->addWidget(btnRemoveSubRow);
    subButtons->addStretch();
    subButtons->addWidget(lblShareSum);
    top->addLayout(subButtons);

    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setWordWrap(true);
    lblProblem->setStyleSheet(QStringLiteral("color: rgb(180, 0, 0);"));
    top->addWidget(lblProblem);
    auto *buttons = new QHBoxLayout;
    btnSave = namedButton(this, "btnSave", QStringLiteral("&Save"));
    btnSaveAs = namedButton(this, "btnSaveAs", QStringLiteral("Save &As..."));
    btnClose = namedButton(this, "btnClose", QStringLiteral("&Close"));
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnSaveAs);
    buttons->addWidget(btnClose);
    top->addLayout(buttons);

    connect(btnSave, &QPushButton::clicked, this, &frmListEditor::btnSave_Click);
    connect(btnSaveAs, &QPushButton::clicked, this, &frmListEditor::btnSaveAs_Click);
    connect(btnClose, &QPushButton::clicked, this, &frmListEditor::btnClose_Click);
    connect(btnAddRow, &QPushButton::clicked, this, &frmListEditor::btnAddRow_Click);
    connect(btnRemoveRow, &QPushButton::clicked, this, &frmListEditor::btnRemoveRow_Click);
    connect(btnAddSubRow, &QPushButton::clicked, this, &frmListEditor::btnAddSubRow_Click);
    connect(btnRemoveSubRow, &QPushButton::clicked, this, &frmListEditor::btnRemoveSubRow_Click);
    connect(btnFactorFile, &QPushButton::clicked, this, &frmListEditor::btnFactorFile_Click);
    auto headEdited = [this] {
        std::string &country = m_kind == 1 ? m_vehicles.country : m_fuels.country;
        int &year = m_kind == 1 ? m_vehicles.year : m_fuels.year;
        auto &header = m_kind == 1 ? m_vehicles.headerLines : m_fuels.headerLines;
        country = txtCountry->text().trimmed().toStdString();
        year = spnYear->value();
        header.clear();
        if (!txtDescription->text().trimmed().isEmpty()) {
            header.push_back("\"" + txtDescription->text().trimmed().toStdString() + "\"");
        }
        m_vehicles.factorFile = txtFactorFile->text().trimmed().toStdString();
        listChanged(false);
    };
    for (QLineEdit *box : {txtCountry, txtDescription, txtFactorFile}) {
        connect(box, &QLineEdit::textEdited, this, headEdited);
    }
    connect(spnYear, &QSpinBox::valueChanged, this, headEdited);
    resize(760, 640);
}

void frmListEditor::collectFleetRows() {
    m_fleetRows.clear();
    if (m_chosen < 0 || m_chosen >= static_cast<int>(m_vehicles.categories.size())) {
        return;
    }
    const std::string &name = m_vehicles.categories[static_cast<size_t>(m_chosen)].name;
    for (size_t i = 0; i < m_vehicles.fleet.size(); ++i) {
        if (iequals(m_vehicles.fleet[i].category, name)) {
            m_fleetRows.push_back(static_cast<int>(i));
        }
    }
}

void frmListEditor::buildVehicleModels() {
    auto cat = [this](int row) -> VehicleCategoryDefinition & {
        return m_vehicles.categories[static_cast<size_t>(row)];
    };
    // Renaming a category renames its fleet rows with it.
    auto setName = [this, cat](int row, const QVariant &v) {
        const std::string old = cat(row).name;
        for (auto &s : m_vehicles.fleet) {
            if (iequals(s.category, old)) {
                s.category = cellText(v);
            }
        }
        cat(row).name = cellText(v);
        return true;
    };
    m_rows = new RowsTableModel(
        [this] { return static_cast<int>(m_vehicles.categories.size()); },
        {{QStringLiteral("Name"), [cat](int r) { return QVariant(qs(cat(r).name)); }, setName},
         {QStringLiteral("Long name"), [cat](int r) { return QVariant(qs(cat(r).longName)); },
          [cat](int r, const QVariant &v) { return cat(r).longName = cellText(v), true; }},
         {QStringLiteral("Length class"), [cat](int r) { return QVariant(cat(r).lengthClass); },
          [cat](int r, const QVariant &v) {
              const auto n = typedNumber(v);
              if (!n || (*n != 1 && *n != 2)) {
                  return false;
              }
              cat(r).lengthClass = static_cast<int>(*n);
              return true;
          },
          true},
         {QStringLiteral("Factor class"), [cat](int r) { return QVariant(qs(cat(r).factorClass)); },
          [cat](int r, const QVariant &v) { return cat(r).factorClass = cellText(v), true; }},
         {QStringLiteral("Fuel"), [cat](int r) { return QVariant(qs(cat(r).fuel)); },
          [cat](int r, const QVariant &v) { return cat(r).fuel = cellText(v), true; }}},
        this);
    auto share = [this](int row) -> FleetShareDefinition & {
        return m_vehicles.fleet[static_cast<size_t>(m_fleetRows[static_cast<size_t>(row)])];
    };
    m_subRows = new RowsTableModel(
        [this] { return static_cast<int>(m_fleetRows.size()); },
        {{QStringLiteral("Technology"), [share](int r) { return QVariant(qs(share(r).technology)); },
          [share](int r, const QVariant &v) { return share(r).technology = cellText(v), true; }},
         {QStringLiteral("Share (%)"),
          [share](int r) { return QVariant(qs(formatNumber(share(r).percent))); },
          numberSetter([share](int r) -> double & { return share(r).percent; }), true}},
        this);
    tblRows->setModel(m_rows);
    tblSubRows->setModel(m_subRows);
    tblRows->setToolTip(QStringLiteral("Standard vehicle types: ") + [this] {
        QStringList names;
        for (size_t i = 1; i < m_typeNames.size(); ++i) {
            names << qs(m_typeNames[i]);
        }
        return names.join(QStringLiteral(", "));
    }());
    connect(m_rows, &RowsTableModel::edited, this, [this] { listChanged(false); });
    connect(m_subRows, &RowsTableModel::edited, this, [this] { listChanged(false); });
    connect(tblRows->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { rowChosen(current.row()); });
}

void frmListEditor::buildFuelModels() {
    auto fuel = [this](int row) -> FuelDefinition & { return m_fuels.fuels[static_cast<size_t>(row)]; };
    auto content = [this](int row) -> FuelContentDefinition & {
        return m_fuels.contents[static_cast<size_t>(row)];
    };
    m_rows = new RowsTableModel(
        [this] { return static_cast<int>(m_fuels.fuels.size()); },
        {{QStringLiteral("Name"), [fuel](int r) { return QVariant(qs(fuel(r).name)); },
          [fuel](int r, const QVariant &v) { return fuel(r).name = cellText(v), true; }},
         {QStringLiteral("Long name"), [fuel](int r) { return QVariant(qs(fuel(r).longName)); },
          [fuel](int r, const QVariant &v) { return fuel(r).longName = cellText(v), true; }}},
        this);
    m_subRows = new RowsTableModel(
        [this] { return static_cast<int>(m_fuels.contents.size()); },
        {{QStringLiteral("Fuel"), [content](int r) { return QVariant(qs(content(r).fuel)); },
          [content](int r, const QVariant &v) { return content(r).fuel = cellText(v), true; }},
         {QStringLiteral("Substance"), [content](int r) { return QVariant(qs(content(r).substance)); },
          [content](int r, const QVariant &v) { return content(r).substance = cellText(v), true; }},
         {QStringLiteral("Content"),
          [content](int r) { return QVariant(qs(formatNumber(content(r).content))); },
          numberSetter([content](int r) -> double & { return content(r).content; }), true},
         {QStringLiteral("Unit"), [content](int r) { return QVariant(qs(content(r).unit)); },
          [content](int r, const QVariant &v) { return content(r).unit = cellText(v), true; }}},
        this);
    tblRows->setModel(m_rows);
    tblSubRows->setModel(m_subRows);
    connect(m_rows, &RowsTableModel::edited, this, [this] { listChanged(false); });
    connect(m_subRows, &RowsTableModel::edited, this, [this] { listChanged(false); });
    connect(tblRows->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { rowChosen(current.row()); });
}

void frmListEditor::showHead() {
    lblFile->setText(m_path.empty() ? QStringLiteral("(not saved yet)") : qs(m_path));
    const QString kind = m_kind == 1 ? QStringLiteral("Vehicle List") : QStringLiteral("Fuel List");
    setWindowTitle(kind + QStringLiteral(" - ") +
                   (m_path.empty() ? QStringLiteral("New File") : qs(fileNamePart(m_path))));
    const auto &header = m_kind == 1 ? m_vehicles.headerLines : m_fuels.headerLines;
    QStringList description;
    for (const auto &h : header) {
        description << unquoted(h);
    }
    txtCountry->setText(qs(m_kind == 1 ? m_vehicles.country : m_fuels.country));
    spnYear->blockSignals(true);
    spnYear->setValue(m_kind == 1 ? m_vehicles.year : m_fuels.year);
    spnYear->blockSignals(false);
    txtDescription->setText(description.join(QLatin1Char(' ')));
    txtFactorFile->setText(qs(m_vehicles.factorFile));
}

void frmListEditor::listChanged(bool reshaped) {
    if (m_kind == 1) {
        collectFleetRows();
    }
    if (reshaped) {
        m_rows->refresh();
    }
    m_subRows->refresh();
    const std::vector<ListProblem> problems =
        m_kind == 1 ? checkVehicleList(m_vehicles) : checkFuelList(m_fuels);
    std::map<int, QString> rowProblems, subProblems;
    for (const auto &p : problems) {
        if (p.part == 1 && p.row >= 0) {
            rowProblems.emplace(p.row, qs(p.message));
        } else if (p.part == 2 && p.row >= 0) {
            const int shown =
                m_kind == 1 ? static_cast<int>(std::find(m_fleetRows.begin(), m_fleetRows.end(), p.row) -
                                               m_fleetRows.begin())
                            : p.row;
            subProblems.emplace(shown, qs(p.message));
        }
    }
    m_rows->setProblems(rowProblems);
    m_subRows->setProblems(subProblems);
    m_problem = problems.empty() ? QString() : qs(problems.front().message);
    lblProblem->setText(m_problem);
    btnSave->setEnabled(m_problem.isEmpty());
    btnSaveAs->setEnabled(m_problem.isEmpty());
    btnSave->setToolTip(m_problem);
    if (m_kind == 1 && m_chosen >= 0 && m_chosen < static_cast<int>(m_vehicles.categories.size())) {
        const std::string &name = m_vehicles.categories[static_cast<size_t>(m_chosen)].name;
        const double sum = m_vehicles.shareSum(name);
        const bool good = !m_fleetRows.empty() && std::fabs(sum - 100) <= kFleetShareTolerance_percent;
        lblSubRows->setText(QStringLiteral("Fleet of ") + qs(name));
        lblShareSum->setText(QStringLiteral("Sum of the shares: %1 %").arg(sum, 0, 'f', 1));
        lblShareSum->setStyleSheet(good ? QString() : QStringLiteral("color: rgb(180, 0, 0);"));
    } else {
        lblShareSum->clear();
    }
    btnRemoveRow->setEnabled(m_rows->rowCount() > 0);
    btnAddSubRow->setEnabled(m_kind == 2 || m_chosen >= 0);
    btnRemoveSubRow->setEnabled(m_subRows->rowCount() > 0);
}

void frmListEditor::rowChosen(int row) {
    m_chosen = row;
    listChanged(false);
}

void frmListEditor::btnAddRow_Click() {
    if (m_kind == 1) {
        std::string name = "New";
        for (size_t i = 1; i < m_typeNames.size(); ++i) {
            if (m_vehicles.sharesOf(m_typeNames[i]).empty()) {
                bool used = false;
                for (const auto &c : m_vehicles.categories) {
                    used = used || iequals(c.name, m_typeNames[i]);
                }
                if (!used) {
                    name = m_typeNames[i];
                    break;
                }
            }
        }
        const std::string fuel = m_fuelNames.size() > 1 ? m_fuelNames[1] : "Petrol";
        m_vehicles.categories.push_back({name, name, 1, name, fuel, 0});
        m_vehicles.fleet.push_back({name, "all", 100, 0});
    } else {
        m_fuels.fuels.push_back({m_fuelNames.size() > m_fuels.fuels.size() + 1
                                     ? m_fuelNames[m_fuels.fuels.size() + 1]
                                     : "NewFuel",
                                 ""});
    }
    listChanged(true);
    tblRows->selectRow(m_rows->rowCount() - 1);
}

void frmListEditor::btnRemoveRow_Click() {
    const int row = tblRows->currentIndex().row();
    if (row < 0) {
        return;
    }
    if (m_kind == 1) {
        const std::string name = m_vehicles.categories[static_cast<size_t>(row)].name;
        std::erase_if(m_vehicles.fleet,
                      [&](const FleetShareDefinition &s) { return iequals(s.category, name); });
        m_vehicles.categories.erase(m_vehicles.categories.begin() + row);
    } else {
        m_fuels.fuels.erase(m_fuels.fuels.begin() + row);
    }
    m_chosen = -1;
    listChanged(true);
}

void frmListEditor::btnAddSubRow_Click() {
    if (m_kind == 1) {
        if (m_chosen < 0) {
            return;
        }
        const std::string &name = m_vehicles.categories[static_cast<size_t>(m_chosen)].name;
        m_vehicles.fleet.push_back({name, "new technology", 0, 0});
    } else {
        const std::string fuel = m_fuels.fuels.empty() ? std::string() : m_fuels.fuels.front().name;
        m_fuels.contents.push_back({fuel, "BNZ", 0, ""});
    }
    listChanged(true);
    tblSubRows->selectRow(m_subRows->rowCount() - 1);
}

void frmListEditor::btnRemoveSubRow_Click() {
    const int row = tblSubRows->currentIndex().row();
    if (row < 0 || row >= m_subRows->rowCount()) {
        return;
    }
    if (m_kind == 1) {
        m_vehicles.fleet.erase(m_vehicles.fleet.begin() + m_fleetRows[static_cast<size_t>(row)]);
    } else {
        m_fuels.contents.erase(m_fuels.contents.begin() + row);
    }
    listChanged(true);
}

void frmListEditor::btnFactorFile_Click() {
    FileChoice choice;
    choice.title = "Emission-Factor File";
    choice.field = "the emission-factor file";
    choice.folder = m_env.EmissionDir.empty() ? m_env.SharedEmissionDir : m_env.EmissionDir;
    choice.filters = {"Emission factors (*.eft)|*.eft|All (*.*)|*.*"};
    const auto picked = m_ui.chooseFile(choice);
    if (!picked) {
        return;
    }
    // A table of the country's or the shared emission folder is named by its bare name.
    std::string stored = *picked;
    for (const std::string &dir : {m_env.EmissionDir, m_env.SharedEmissionDir}) {
        if (!dir.empty() && iequals(folderPart(*picked), withTrailingSlash(dir))) {
            stored = fileNamePart(*picked);
        }
    }
    m_vehicles.factorFile = stored;
    txtFactorFile->setText(qs(stored));
    listChanged(false);
}

bool frmListEditor::saveTo(const std::string &path) {
    std::string error;
    const bool ok = m_kind == 1 ? writeVehicleListFile(path, m_vehicles, &error)
                                : writeFuelListFile(path, m_fuels, &error);
    if (!ok) {
        m_ui.message("The list could not be saved.\r\n" + error, Icon::Critical);
        return false;
    }
    m_path = path;
    m_cleanText = text();
    m_savedOnce = true;
    showHead();
    return true;
}

bool frmListEditor::btnSave_Click() {
    return m_path.empty() ? btnSaveAs_Click() : saveTo(m_path);
}

bool frmListEditor::btnSaveAs_Click() {
    FileChoice choice;
    choice.title = m_kind == 1 ? "Save the Vehicle List File" : "Save the Fuel List File";
    choice.field = m_kind == 1 ? "the vehicle list" : "the fuel list";
    choice.folder = m_path.empty() ? m_env.ListsDir : folderPart(m_path);
    choice.fileName = m_path.empty() ? (m_kind == 1 ? "Fleet.vlf" : "Fuels.flf") : fileNamePart(m_path);
    choice.filters = {m_kind == 1 ? "Vehicle List Files (*.vlf)|*.vlf|All (*.*)|*.*"
                                  : "Fuel List Files (*.flf)|*.flf|All (*.*)|*.*"};
    choice.save = true;
    const auto picked = m_ui.chooseFile(choice);
    return picked && saveTo(*picked);
}

bool frmListEditor::askBeforeClosing() {
    if (text() == m_cleanText) {
        return true;
    }
    const Answer a = m_ui.question("Do you want to save the changes you made to the list?",
                                   Buttons::YesNoCancel, Icon::Question, Answer::Yes);
    if (a == Answer::Cancel) {
        return false;
    }
    return a == Answer::No || btnSave_Click();
}

void frmListEditor::btnClose_Click() {
    if (askBeforeClosing()) {
        m_closing = true;
        accept();
    }
}

void frmListEditor::reject() {
    if (m_closing || askBeforeClosing()) {
        m_closing = true;
        QDialog::reject();
    }
}

void frmListEditor::closeEvent(QCloseEvent *event) {
    if (m_closing || askBeforeClosing()) {
        m_closing = true;
        event->accept();
        return;
    }
    event->ignore();
}

} // namespace vesk::ui
