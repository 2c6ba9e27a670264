#include "ui/tools/frmEmissionFactors.h"

#include "core/Interaction.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "platform/emission/FactorCurves.h"
#include "ui/common/DisplayText.h"
#include "ui/common/NamedButton.h"
#include "ui/editors/CurvePlot.h"
#include "ui/tools/EmissionFactorModel.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {

QString qs(const std::string &s) {
    return QString::fromStdString(s);
}

QLabel *fileLabel(QWidget *parent, const char *name) {
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

std::vector<EmissionPollutant> componentPollutants(const ModelEnvironment &env) {
    std::vector<EmissionPollutant> out;
    for (const Pollutant &p : env.Pollutants) {
        out.push_back({p.Name, p.Index, p.Emitter});
    }
    return out;
}

} // namespace

frmEmissionFactors::frmEmissionFactors(Setup setup, Interaction &ui, QWidget *parent)
    : QDialog(parent), m_ui(ui), m_env(setup.env), m_vehicleListPath(setup.vehicleListPath),
      m_fuelListPath(setup.fuelListPath) {
    setObjectName(QStringLiteral("frmEmissionFactors"));
    setWindowTitle(
        QStringLiteral("Emission Factors - %1 %2").arg(displayText(setup.country)).arg(setup.year));
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    buildLayout();
    readFiles(setup);
    m_readText = factorTableText(m_factors);
    m_savedText = m_readText;
    lblVehicleList->setText(m_vehicleListPath.empty() ? QStringLiteral("(none)") : qs(m_vehicleListPath));
    lblFuelList->setText(m_fuelListPath.empty() ? QStringLiteral("(none)") : qs(m_fuelListPath));
    lblFactorFile->setText(m_factorPath.empty() ? QStringLiteral("(none)") : qs(m_factorPath));
    lblCopy->setText(QStringLiteral("Edits change a copy only: the table the program reads is not written."));
    for (const auto &c : m_vehicles.categories) {
        cmbCategory->addItem(qs(c.name + " - " + c.longName), qs(c.name));
    }
    for (const Pollutant &p : m_env.Pollutants) {
        if (p.Emitter) {
            cmbPollutant->addItem(qs(p.Name), p.Index);
        }
    }
    setUpComponent();
    showFactors();
}

frmEmissionFactors::~frmEmissionFactors() = default;

void frmEmissionFactors::buildLayout() {
    auto *top = new QVBoxLayout(this);
    auto *files = new QGridLayout;
    files->addWidget(new QLabel(QStringLiteral("Vehicle List:"), this), 0, 0);
    lblVehicleList = fileLabel(this, "lblVehicleList");
    files->addWidget(lblVehicleList, 0, 1);
    files->addWidget(new QLabel(QStringLiteral("Fuel List:"), this), 1, 0);
    lblFuelList = fileLabel(this, "lblFuelList");
    files->addWidget(lblFuelList, 1, 1);
    files->addWidget(new QLabel(QStringLiteral("Emission Factors:"), this), 2, 0);
    lblFactorFile = fileLabel(this, "lblFactorFile");
    files->addWidget(lblFactorFile, 2, 1);
    files->setColumnStretch(1, 1);
    top->addLayout(files);

    auto *choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("Vehicle category:"), this));
    cmbCategory = new QComboBox(this);
    cmbCategory->setObjectName(QStringLiteral("cmbCategory"));
    cmbCategory->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    choice->addWidget(cmbCategory);
    choice->addSpacing(12);
    choice->addWidget(new QLabel(QStringLiteral("Pollutant:"), this));
    cmbPollutant = new QComboBox(this);
    cmbPollutant->setObjectName(QStringLiteral("cmbPollutant"));
    choice->addWidget(cmbPollutant);
    choice->addSpacing(12);
    choice->addWidget(new QLabel(QStringLiteral("Cold starts (%):"), this));
    spnColdStart = new QDoubleSpinBox(this);
    spnColdStart->setObjectName(QStringLiteral("spnColdStart"));
    spnColdStart->setRange(0, 100);
    spnColdStart->setDecimals(0);
    spnColdStart->setToolTip(QStringLiteral("The share of cold-started vehicles in the fleet average"));
    choice->addWidget(spnColdStart);
    choice->addStretch();
    top->addLayout(choice);

    auto *split = new QSplitter(Qt::Horizontal, this);
    tblFactors = new QTableView(split);
    tblFactors->setObjectName(QStringLiteral("tblFactors"));
    tblFactors->verticalHeader()->setVisible(false);
    tblFactors->verticalHeader()->setDefaultSectionSize(tblFactors->fontMetrics().height() + 6);
    tblFactors->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed);
    m_model = new EmissionFactorModel(this);
    m_model->factorEdited = [this](int t, int row, double v) { return factorEdited(t, row, v); };
    tblFactors->setModel(m_model);
    tblFactors->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    picFactors = new CurvePlot(split);
    picFactors->setObjectName(QStringLiteral("picFactors"));
    picFactors->setAxisTitles(QStringLiteral("Speed (km/h)"), QStringLiteral("g/km per vehicle"));
    split->addWidget(tblFactors);
    split->addWidget(picFactors);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    split->setSizes({660, 460}); // the table's columns all in sight for a fleet of four technologies
    top->addWidget(split, 1);

    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setWordWrap(true);
    lblProblem->setStyleSheet(QStringLiteral("color: rgb(180, 0, 0);"));
    top->addWidget(lblProblem);
    auto *buttons = new QHBoxLayout;
    lblCopy = new QLabel(this);
    lblCopy->setObjectName(QStringLiteral("lblCopy"));
    buttons->addWidget(lblCopy, 1);
    btnSaveCopy = namedButton(this, "btnSaveCopy", QStringLiteral("Save &Copy As..."));
    btnClose = namedButton(this, "btnClose", QStringLiteral("&Close"));
    buttons->addWidget(btnSaveCopy);
    buttons->addWidget(btnClose);
    top->addLayout(buttons);

    connect(cmbCategory, &QComboBox::currentIndexChanged, this, &frmEmissionFactors::showFactors);
    connect(cmbPollutant, &QComboBox::currentIndexChanged, this, &frmEmissionFactors::showFactors);
    connect(spnColdStart, &QDoubleSpinBox::valueChanged, this, &frmEmissionFactors::showFactors);
    connect(btnSaveCopy, &QPushButton::clicked, this, &frmEmissionFactors::btnSaveCopy_Click);
    connect(btnClose, &QPushButton::clicked, this, &frmEmissionFactors::btnClose_Click);
    resize(1140, 640);
}

void frmEmissionFactors::readFiles(const Setup &setup) {
    std::string error;
    if (!readVehicleListDocument(m_vehicleListPath, &m_vehicles, &error)) {
        m_ui.message(error, Icon::Critical);
        m_vehicles = {};
        return;
    }
    if (!readFuelListDocument(m_fuelListPath, &m_fuels, &error)) {
        m_ui.message(error, Icon::Critical);
        m_fuels = {};
    }
    const EmissionFolders folders{setup.env.WorkDir, setup.env.TrafficDir, setup.env.EmissionDir,
                                  setup.env.SharedEmissionDir};
    m_factorPath = EmissionFactorFilePath(m_vehicles.factorFile, m_vehicleListPath, folders);
    if (!readFactorTableDocument(m_factorPath, &m_factors, &error)) {
        m_ui.message(error, Icon::Critical);
        m_factors = {};
    }
}

void frmEmissionFactors::setUpComponent() {
    std::vector<int> emitters;
    std::string error;
    m_componentReady =
        !m_factors.speeds.empty() &&
        m_component.InitialiseFromDocuments(m_vehicles, m_vehicleListPath, m_fuels, m_fuelListPath, m_factors,
                                            m_factorPath, componentPollutants(m_env), &emitters, &error);
    if (m_factors.speeds.empty()) {
        m_problem = QStringLiteral("The emission factors could not be read.");
    } else {
        m_problem = m_componentReady
                        ? QString()
                        : QStringLiteral("The fleet averages cannot be worked out: ") + qs(error);
    }
    lblProblem->setText(m_problem);
}

bool frmEmissionFactors::edited() const {
    return factorTableText(m_factors) != m_readText;
}

void frmEmissionFactors::showFactors() {
    const std::string category = cmbCategory->currentData().toString().toStdString();
    const std::string pollutant = cmbPollutant->currentText().toStdString();
    const int index = cmbPollutant->currentData().toInt();
    const CategoryFactorCurves curves =
        categoryFactorCurves(m_vehicles, m_factors, category, pollutant,
                             m_componentReady ? &m_component : nullptr, index, spnColdStart->value() / 100.0);
    m_model->setCurves(curves);
    std::vector<PlotCurve> plotted;
    for (size_t t = 0; t < curves.technologies.size(); ++t) {
        const TechnologyCurve &c = curves.technologies[t];
        plotted.push_back(
            {qs(c.technology), CurvePlot::colour(static_cast<int>(t)), curves.speeds_kmh, c.hot_gkm});
    }
    plotted.push_back(
        {QStringLiteral("Fleet average"), Qt::black, curves.speeds_kmh, curves.fleetAverage_gkm, true});
    picFactors->setCurves(std::move(plotted));
    picFactors->setAxisTitles(QStringLiteral("Speed (km/h)"),
                              qs(pollutant) + QStringLiteral(" g/km per vehicle"));
}

bool frmEmissionFactors::factorEdited(int technology, int speedRow, double factor_gkm) {
    const CategoryFactorCurves &curves = m_model->curves();
    if (technology < 0 || technology >= static_cast<int>(curves.technologies.size())) {
        return false;
    }
    const int row = curves.technologies[static_cast<size_t>(technology)].row;
    if (row < 0 || row >= static_cast<int>(m_factors.rows.size())) {
        return false;
    }
    FactorRow &r = m_factors.rows[static_cast<size_t>(row)];
    if (r.isShare || speedRow < 0 || speedRow >= static_cast<int>(r.factors.size())) {
        return false;
    }
    r.factors[static_cast<size_t>(speedRow)] = factor_gkm;
    r.source.clear(); // no longer the line as read
    setUpComponent();
    // The model is reset after the edit has returned to the view.
    QMetaObject::invokeMethod(this, &frmEmissionFactors::showFactors, Qt::QueuedConnection);
    return true;
}

bool frmEmissionFactors::btnSaveCopy_Click() {
    if (m_factors.speeds.empty()) {
        return false;
    }
    FileChoice choice;
    choice.title = "Save a Copy of the Emission Factors";
    choice.field = "the emission-factor file";
    choice.folder = m_copyPath.empty() ? QDir::homePath().toStdString() : folderPart(m_copyPath);
    const std::string name =
        fileNamePart(m_factorPath.empty() ? std::string("EmissionFactors.eft") : m_factorPath);
    const size_t dot = name.rfind('.');
    choice.fileName = m_copyPath.empty() ? name.substr(0, dot) + " copy.eft" : fileNamePart(m_copyPath);
    choice.filters = {"Emission factors (*.eft)|*.eft|All (*.*)|*.*"};
    choice.save = true;
    const auto picked = m_ui.chooseFile(choice);
    if (!picked) {
        return false;
    }
    if (!m_factorPath.empty() && sameFile(*picked, m_factorPath)) {
        m_ui.message("The emission factors the program reads are not changed here.\r\n"
                     "Save the copy under another name.",
                     Icon::Exclamation);
        return false;
    }
    std::string error;
    if (!writeFactorTableFile(*picked, m_factors, &error)) {
        m_ui.message("The copy could not be saved.\r\n" + error, Icon::Critical);
        return false;
    }
    m_copyPath = *picked;
    m_savedText = factorTableText(m_factors);
    lblCopy->setText(QStringLiteral("Copy saved as ") + qs(m_copyPath));
    return true;
}

bool frmEmissionFactors::askBeforeClosing() {
    if (factorTableText(m_factors) == m_savedText || m_factors.speeds.empty()) {
        return true;
    }
    const Answer a = m_ui.question("Do you want to save the changed emission factors to a copy?",
                                   Buttons::YesNoCancel, Icon::Question, Answer::Yes);
    if (a == Answer::Cancel) {
        return false;
    }
    return a == Answer::No || btnSaveCopy_Click();
}

void frmEmissionFactors::btnClose_Click() {
    if (askBeforeClosing()) {
        m_closing = true;
        accept();
    }
}

void frmEmissionFactors::reject() {
    if (m_closing || askBeforeClosing()) {
        m_closing = true;
        QDialog::reject();
    }
}

void frmEmissionFactors::closeEvent(QCloseEvent *event) {
    if (m_closing || askBeforeClosing()) {
        m_closing = true;
        event->accept();
        return;
    }
    event->ignore();
}

} // namespace vesk::ui
