#include "ui/editors/frmTrafficEditor.h"

#include "core/Interaction.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "platform/emission/ListDocuments.h"
#include "ui/editors/CurvePlot.h"
#include "ui/editors/TrafficTableModels.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <cmath>

namespace vesk::ui {

namespace {

const char *const kTrafficFilter = "Traffic data (*.trf)|*.trf|All (*.*)|*.*";

QString unquotedLine(const std::string &line) {
    std::string t = trim(line);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') {
        t = t.substr(1, t.size() - 2);
    }
    return QString::fromStdString(t);
}

std::optional<double> typed(const QLineEdit *box) {
    return parseNumber(box->text().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toStdString());
}

} // namespace

frmTrafficEditor::frmTrafficEditor(Setup setup, Interaction &ui, QWidget *parent)
    : QDialog(parent), m_ui(ui), m_env(std::move(setup.env)), m_data(setup.data), m_doc(std::move(setup.doc)),
      m_path(std::move(setup.path)), m_vehicleList(std::move(setup.vehicleListFile)),
      m_fuelList(std::move(setup.fuelListFile)), m_year(setup.scenarioYear), m_streetSpeed(setup.streetSpeed),
      m_streetADT(setup.streetADT) {
    setObjectName(QStringLiteral("frmTrafficEditor"));
    m_startText = trafficFileText(m_doc);
    m_savedText = setup.fromFile ? m_startText : std::string();
    m_cleanText = m_startText;
    m_cleanDoc = m_doc;
    buildLayout();
    connectControls();
    cmbYear->blockSignals(true);
    for (int k = 1; k <= m_env.ScenarioCount && k < static_cast<int>(m_env.ScenarioYears.size()); ++k) {
        cmbYear->addItem(QString::number(m_env.ScenarioYears[static_cast<size_t>(k)]));
    }
    cmbYear->setCurrentIndex(cmbYear->findText(QString::number(m_year)));
    cmbYear->blockSignals(false);
    setEditable(!m_data.ReadOnly);
    btnOpen->setVisible(m_data.AllowOtherFile && !m_data.ReadOnly);
    btnSaveAs->setVisible(m_data.AllowOtherFile && !m_data.ReadOnly);
    btnSave->setVisible(!m_data.ReadOnly);
    showDocument();
    showFleet();
    if (!m_doc.dayCases.empty()) {
        tblDayCases->selectRow(0);
        dayCaseChosen(0);
    }
}

frmTrafficEditor::~frmTrafficEditor() = default;

bool frmTrafficEditor::changed() const {
    return trafficFileText(m_doc) != m_startText;
}

bool frmTrafficEditor::saved() const {
    return !m_path.empty() && !m_savedText.empty() && trafficFileText(m_doc) == m_savedText;
}

void frmTrafficEditor::setEditable(bool on) {
    for (TrafficTableModel *m :
         std::initializer_list<TrafficTableModel *>{m_categories, m_dayCases, m_profile}) {
        m->setReadOnly(!on);
    }
    for (QWidget *w :
         std::initializer_list<QWidget *>{txtDescription, cmbType, cmbPeriods, txtADT, txtSpeed, cmbYear,
                                          btnVehicleList, btnFuelList, btnAddCategory, btnRemoveCategory,
                                          btnAddDayCase, btnRemoveDayCase, btnDayCaseUp, btnDayCaseDown}) {
        w->setEnabled(on);
    }
}

void frmTrafficEditor::showDocument() {
    const QString name = m_path.empty() ? QStringLiteral("(not saved yet)") : QString::fromStdString(m_path);
    lblFile->setText(name);
    setWindowTitle(
        QStringLiteral("Traffic Data - ") +
        (m_path.empty() ? QStringLiteral("New File") : QString::fromStdString(fileNamePart(m_path))) +
        (m_data.ReadOnly ? QStringLiteral(" (view only)") : QString()));
    QStringList description;
    for (size_t i = 1; i < m_doc.headerLines.size(); ++i) {
        description << unquotedLine(m_doc.headerLines[i]);
    }
    txtDescription->setText(description.join(QLatin1Char(' ')));
    txtDescription->setCursorPosition(0);
    cmbType->setCurrentIndex(m_doc.type == 1 ? 0 : 1);
    cmbPeriods->setCurrentIndex(m_doc.periods == 48 ? 1 : 0);
    const bool scaled = m_doc.type == 2 && (m_streetADT > 0 || m_streetSpeed > 0);
    lblStreet->setText(
        scaled ? QStringLiteral("Scaled for the street to %1 vehicles/day, %2 km/h")
                     .arg(m_streetADT > 0 ? QString::number(m_streetADT) : QStringLiteral("(own)"),
                          m_streetSpeed > 0 ? QString::number(m_streetSpeed) : QStringLiteral("(own)"))
               : QString());
    m_categories->refresh();
    m_dayCases->refresh();
    m_dayCases->countDays();
    m_profile->setDayCase(m_profile->dayCase() < 0 ? 0 : m_profile->dayCase());
    documentChanged(false);
}

void frmTrafficEditor::showAverages() {
    const TrafficAverages a = trafficFileAverages(m_doc);
    if (!txtADT->hasFocus()) {
        txtADT->setText(QString::number(a.dailyTraffic, 'f', 0));
    }
    if (!txtSpeed->hasFocus()) {
        txtSpeed->setText(QString::number(a.speed, 'f', 1));
    }
}

void frmTrafficEditor::documentChanged(bool reshaped) {
    if (reshaped) {
        m_categories->refresh();
        m_dayCases->refresh();
        m_profile->setDayCase(m_profile->dayCase());
    }
    const std::vector<TrafficProblem> problems = checkTrafficDocument(m_doc);
    for (TrafficTableModel *m :
         std::initializer_list<TrafficTableModel *>{m_categories, m_dayCases, m_profile}) {
        m->setProblems(problems);
    }
    m_dayCases->countDays();
    m_problem = problems.empty() ? QString() : QString::fromStdString(problems.front().message);
    lblProblem->setText(m_problem);
    btnSave->setEnabled(m_problem.isEmpty() && !m_data.ReadOnly);
    btnSave->setToolTip(m_problem);
    btnSaveAs->setEnabled(m_problem.isEmpty() && !m_data.ReadOnly);
    showAverages();
    showFleet();
    plotProfile();
}

void frmTrafficEditor::showFleet() {
    lblVehicleList->setText(m_vehicleList.empty() ? QStringLiteral("(none)")
                                                  : QString::fromStdString(m_vehicleList));
    lblFuelList->setText(m_fuelList.empty() ? QStringLiteral("(none)") : QString::fromStdString(m_fuelList));
    QString check;
    bool good = false;
    std::string name = m_vehicleList;
    if (!name.empty() && name.back() == '!') {
        name.pop_back();
    }
    if (name.empty()) {
        check = QStringLiteral("No vehicle list: the categories cannot be checked.");
    } else if (name.find('[') != std::string::npos) {
        check = QStringLiteral(
            "The fleet data are not saved to a permanent file: the categories cannot be checked.");
    } else if (hasDriveLetter(name)) {
        check = QString::fromStdString(driveLetterRefusal(name, "the vehicle list"))
                    .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    } else {
        VehicleListDocument fleet;
        std::string error;
        if (!readVehicleListDocument(resolveEditorPath(name, m_env.WorkDir, m_env.ListsDir, m_env.AppDir),
                                     &fleet, &error)) {
            check = QString::fromStdString(error);
        } else {
            std::vector<std::string> names;
            for (const auto &c : fleet.categories) {
                names.push_back(c.name);
            }
            const std::string mismatch = trafficCategoryMismatch(m_doc, names);
            good = mismatch.empty();
            check =
                good ? QStringLiteral("The categories match those of the vehicle list.")
                     : QString::fromStdString(mismatch).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        }
    }
    lblFleetCheck->setText(check);
    lblFleetCheck->setStyleSheet(good ? QStringLiteral("color: rgb(0, 110, 0);")
                                      : QStringLiteral("color: rgb(180, 0, 0);"));
}

void frmTrafficEditor::plotProfile() {
    std::vector<PlotCurve> curves;
    const int d = m_profile->dayCase();
    if (d >= 0 && d < static_cast<int>(m_doc.dayCases.size())) {
        const auto &periods = m_doc.dayCases[static_cast<size_t>(d)].periods;
        for (size_t c = 0; c < m_doc.categories.size(); ++c) {
            PlotCurve curve{QString::fromStdString(m_doc.categories[c].name),
                            CurvePlot::colour(static_cast<int>(c)),
                            {},
                            {}};
            for (size_t h = 0; h < periods.size(); ++h) {
                curve.x.push_back(static_cast<double>(h + 1));
                curve.y.push_back(c < periods[h].flows.size() ? periods[h].flows[c] : NAN);
            }
            curves.push_back(std::move(curve));
        }
    }
    picProfile->setXRange(1, m_doc.periods);
    picProfile->setCurves(std::move(curves));
}

void frmTrafficEditor::dayCaseChosen(int row) {
    m_profile->setDayCase(row);
    plotProfile();
    btnRemoveDayCase->setEnabled(!m_data.ReadOnly && row >= 0);
    btnDayCaseUp->setEnabled(!m_data.ReadOnly && row > 0);
    btnDayCaseDown->setEnabled(!m_data.ReadOnly && row >= 0 &&
                               row + 1 < static_cast<int>(m_doc.dayCases.size()));
}

void frmTrafficEditor::conditionTyped(const QString &text) {
    const std::string problem = conditionProblem(text.toStdString());
    if (auto *box = qobject_cast<QLineEdit *>(sender())) {
        box->setStyleSheet(problem.empty() ? QString()
                                           : QStringLiteral("background-color: rgb(255, 200, 200);"));
        box->setToolTip(QString::fromStdString(problem));
    }
    lblProblem->setText(problem.empty() ? m_problem
                                        : QStringLiteral("This condition is not valid: ") +
                                              QString::fromStdString(problem));
}

// ---- Editing

void frmTrafficEditor::btnAddCategory_Click() {
    const int row = tblCategories->currentIndex().isValid() ? tblCategories->currentIndex().row() + 1
                                                            : static_cast<int>(m_doc.categories.size());
    insertTrafficCategory(m_doc, row,
                          {"New" + std::to_string(m_doc.categories.size() + 1), "New category", {}, {}});
    documentChanged(true);
    tblCategories->selectRow(row);
}

void frmTrafficEditor::btnRemoveCategory_Click() {
    const QModelIndex current = tblCategories->currentIndex();
    if (!current.isValid()) {
        return;
    }
    removeTrafficCategory(m_doc, current.row());
    documentChanged(true);
}

void frmTrafficEditor::btnAddDayCase_Click() {
    const int current = m_profile->dayCase();
    const int row = current >= 0 ? current : static_cast<int>(m_doc.dayCases.size());
    insertTrafficDayCase(m_doc, row, "Day case " + std::to_string(m_doc.dayCases.size() + 1), current);
    documentChanged(true);
    tblDayCases->selectRow(row);
    dayCaseChosen(row);
}

void frmTrafficEditor::btnRemoveDayCase_Click() {
    const int current = m_profile->dayCase();
    if (current < 0) {
        return;
    }
    removeTrafficDayCase(m_doc, current);
    m_profile->setDayCase(-1);
    documentChanged(true);
    const int next = std::min(current, static_cast<int>(m_doc.dayCases.size()) - 1);
    tblDayCases->selectRow(next);
    dayCaseChosen(next);
}

void frmTrafficEditor::btnDayCaseMove_Click(int step) {
    const int from = m_profile->dayCase();
    const int to = from + step;
    if (from < 0 || to < 0 || to >= static_cast<int>(m_doc.dayCases.size())) {
        return;
    }
    moveTrafficDayCase(m_doc, from, to);
    documentChanged(true);
    tblDayCases->selectRow(to);
    dayCaseChosen(to);
}

void frmTrafficEditor::txtADT_Apply() {
    const auto v = typed(txtADT);
    const double now = trafficFileAverages(m_doc).dailyTraffic;
    if (v && *v > 0 && now > 0 && std::fabs(*v - now) > 0.5) {
        scaleTrafficFlows(m_doc, *v / now);
        documentChanged(true);
    }
    txtADT->setText(QString::number(trafficFileAverages(m_doc).dailyTraffic, 'f', 0));
}

void frmTrafficEditor::txtSpeed_Apply() {
    const auto v = typed(txtSpeed);
    const double now = trafficFileAverages(m_doc).speed;
    if (v && *v > 0 && now > 0 && std::fabs(*v - now) > 0.05) {
        scaleTrafficSpeeds(m_doc, *v / now);
        documentChanged(true);
    }
    txtSpeed->setText(QString::number(trafficFileAverages(m_doc).speed, 'f', 1));
}

void frmTrafficEditor::cmbType_Click(int index) {
    m_doc.type = index == 0 ? 1 : 2;
    showDocument();
}

void frmTrafficEditor::cmbPeriods_Click(int index) {
    setTrafficPeriods(m_doc, index == 1 ? 48 : 24);
    documentChanged(true);
}

void frmTrafficEditor::cmbYear_Click(int index) {
    const size_t k = static_cast<size_t>(index) + 1;
    if (index < 0 || k >= m_env.ScenarioYears.size()) {
        return;
    }
    m_year = m_env.ScenarioYears[k];
    m_vehicleList = k < m_env.ScenarioVehicleFiles.size() ? m_env.ScenarioVehicleFiles[k] : std::string();
    m_fuelList = k < m_env.ScenarioFuelFiles.size() ? m_env.ScenarioFuelFiles[k] : std::string();
    showFleet();
}

void frmTrafficEditor::btnVehicleList_Click() {
    FileChoice choice;
    choice.title = "Set the Vehicle List File";
    choice.field = "the vehicle list";
    choice.folder = m_env.ListsDir;
    choice.filters = {"Vehicle List Files (*.vlf)|*.vlf|All (*.*)|*.*"};
    if (auto picked = m_ui.chooseFile(choice)) {
        m_vehicleList = storedNameFor(*picked, m_env.WorkDir, m_env.ListsDir);
        showFleet();
    }
}

void frmTrafficEditor::btnFuelList_Click() {
    FileChoice choice;
    choice.title = "Set the Fuel List File";
    choice.field = "the fuel list";
    choice.folder = m_env.ListsDir;
    choice.filters = {"Fuel List Files (*.flf)|*.flf|All (*.*)|*.*"};
    if (auto picked = m_ui.chooseFile(choice)) {
        m_fuelList = storedNameFor(*picked, m_env.WorkDir, m_env.ListsDir);
        showFleet();
    }
}

// ---- Files

bool frmTrafficEditor::saveTo(const std::string &path) {
    std::string error;
    if (!writeTrafficFile(path, m_doc, &error)) {
        m_ui.message("The traffic file could not be saved.\r\n" + error, Icon::Critical);
        return false;
    }
    m_path = path;
    m_savedText = trafficFileText(m_doc);
    m_cleanText = m_savedText;
    m_cleanDoc = m_doc;
    showDocument();
    return true;
}

bool frmTrafficEditor::btnSave_Click() {
    if (m_data.ReadOnly) {
        return false;
    }
    return m_path.empty() ? btnSaveAs_Click() : saveTo(m_path);
}

bool frmTrafficEditor::btnSaveAs_Click() {
    if (m_data.ReadOnly || !m_data.AllowOtherFile) {
        return false;
    }
    FileChoice choice;
    choice.title = "Save the Traffic File";
    choice.field = "the traffic file";
    choice.folder =
        m_path.empty() ? (m_env.WorkDir.empty() ? m_env.TrafficDir : m_env.WorkDir) : folderPart(m_path);
    choice.fileName = m_path.empty() ? "Traffic.trf" : fileNamePart(m_path);
    choice.filters = {kTrafficFilter};
    choice.save = true;
    const auto picked = m_ui.chooseFile(choice);
    return picked && saveTo(*picked);
}

void frmTrafficEditor::btnOpen_Click() {
    if (!m_data.AllowOtherFile || m_data.ReadOnly || !askBeforeLeaving(false)) {
        return;
    }
    FileChoice choice;
    choice.title = "Open Traffic File";
    choice.field = "the traffic file";
    choice.folder = m_path.empty() ? m_env.TrafficDir : folderPart(m_path);
    choice.filters = {kTrafficFilter};
    const auto picked = m_ui.chooseFile(choice);
    if (!picked) {
        return;
    }
    TrafficDocument doc;
    std::string error;
    if (!readTrafficDocument(*picked, &doc, &error)) {
        m_ui.message(error, Icon::Critical);
        return;
    }
    m_doc = std::move(doc);
    m_path = *picked;
    m_savedText = trafficFileText(m_doc);
    m_cleanText = m_savedText;
    m_cleanDoc = m_doc;
    m_profile->setDayCase(-1);
    showDocument();
    tblDayCases->selectRow(0);
    dayCaseChosen(m_doc.dayCases.empty() ? -1 : 0);
}

// Asked before the traffic shown is left: closing (where the project may keep
// unsaved changes) or opening another file. True when the editor may go on.
bool frmTrafficEditor::askBeforeLeaving(bool closing) {
    if (m_data.ReadOnly || trafficFileText(m_doc) == m_cleanText) {
        return true;
    }
    if (!m_problem.isEmpty()) {
        const Answer a = m_ui.question("The traffic data hold an error and cannot be saved or used:\r\n" +
                                           m_problem.toStdString() + "\r\nDo you want to drop the changes?",
                                       Buttons::YesNo, Icon::Exclamation, Answer::No);
        if (a != Answer::Yes) {
            return false;
        }
        m_doc = m_cleanDoc;
        return true;
    }
    const bool mayKeep = closing && !m_data.WorkOnFile;
    const std::string question =
        mayKeep ? "Do you want to save the changes you made to the traffic file?\r\n"
                  "No keeps them for the calculations of this project without saving them."
                : "Do you want to save the changes you made to the traffic file?";
    const Answer a = m_ui.question(question, Buttons::YesNoCancel, Icon::Question, Answer::Yes);
    if (a == Answer::Cancel) {
        return false;
    }
    if (a == Answer::Yes) {
        return btnSave_Click();
    }
    if (!mayKeep) {
        m_doc = m_cleanDoc;
    }
    return true;
}

void frmTrafficEditor::btnClose_Click() {
    if (askBeforeLeaving(true)) {
        m_closing = true;
        accept();
    }
}

void frmTrafficEditor::reject() {
    if (m_closing || askBeforeLeaving(true)) {
        m_closing = true;
        QDialog::reject();
    }
}

void frmTrafficEditor::closeEvent(QCloseEvent *event) {
    if (m_closing || askBeforeLeaving(true)) {
        m_closing = true;
        event->accept();
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
}

} // namespace vesk::ui
