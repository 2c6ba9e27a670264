// File > Create New Project through the "New Project" dialog, as a new
// analyst uses it: each project kind with the demo country's standard files
// or with its own files, created, saved and run in the window and in batch;
// the dialog's checks with their messages and focus, Special Mode, the
// scenario year, and the street-set editor of a multi-street project.

#include "ui/WindowSession.h"

#include "core/Paths.h"
#include "project/Batch.h"
#include "project/InitProgram.h"
#include "run/BatchRun.h"
#include "ui/editors/frmTrafficEditor.h"
#include "ui/inputdef/StreetSetModel.h"
#include "ui/inputdef/frmNewStreet.h"
#include "ui/inputdef/frmStreetConfig.h"
#include "ui/inputdef/frmStreetSet.h"
#include "ui/settings/frmProjectType.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace vesk;
using namespace vesk::ui;
using test::Sample;
using test::Session;
namespace fs = std::filesystem;

namespace {

using test::onModal;

enum class Kind { Single = 1, Multi = 2, Route = 3 };

// A project folder holding copies of the sample's data files.
std::string projectFolder(const Sample &sample) {
    const std::string folder = sample.appDir + "NewProjects/";
    fs::create_directories(folder);
    for (const char *file :
         {"Met2023.txt", "Back2023.txt", "DemoStreet.trf", "Streets.txt", "DemoRoute.txt"}) {
        fs::copy_file(sample.appDir + "Working/" + file, folder + file);
    }
    return folder;
}

// File > New in folder, the project kind chosen, and fill working on the
// new-project dialog (it ends with OK or Cancel).
void newProject(Session &s, const std::string &folder, Kind kind, std::function<void(frmNewStreet &)> fill) {
    s.w->chooseFileName = [folder](int, const QString &, const QString &) { return folder; };
    onModal<frmProjectType>([kind](frmProjectType *d) {
        d->ListView1_ItemClick(static_cast<int>(kind));
        d->btnOK_Click();
    });
    onModal<frmNewStreet>([fill](frmNewStreet *d) { fill(*d); });
    s->menNew_Click();
}

// The dialog's file chooser answers with the names given, in turn.
void names(frmNewStreet &d, std::deque<std::string> list) {
    auto queue = std::make_shared<std::deque<std::string>>(std::move(list));
    d.chooseFileName = [queue](int, const QString &) {
        std::string n = queue->empty() ? std::string() : queue->front();
        if (!queue->empty()) {
            queue->pop_front();
        }
        return n;
    };
}

// The format dialog answers with the lists given, in turn.
void lists(frmNewStreet &d, std::deque<FileFormatLists> list) {
    auto queue = std::make_shared<std::deque<FileFormatLists>>(std::move(list));
    d.formatFile = [queue](const FormatDialogInput &) -> std::optional<FileFormatLists> {
        if (queue->empty()) {
            return std::nullopt;
        }
        FileFormatLists l = queue->front();
        queue->pop_front();
        return l;
    };
}

// The single-street editor accepts the street under name.
void streetNamed(frmNewStreet &d, State &state, const std::string &name) {
    d.editStreet = [&state, name, &d] {
        int defined = 0;
        return EditSingleStreet(&d, state, defined, SketchView{}, [name](frmStreetConfig &e) {
            e.txtStreetName->setText(QString::fromStdString(name));
            e.btnOK_Click();
            return e.result();
        });
    };
    d.btnStreetConf_Click();
}

void choose(QComboBox *box, int index, const std::function<void(int)> &click) {
    box->setCurrentIndex(index);
    click(index);
}

const FileFormatLists kMet{"year, month, day, hour, u_mast, wind_dir, temperature, globalrad", "*", "*", ""};
const FileFormatLists kBack{"year, month, day, hour, cNOx_b, cNO2_b, cO3_b, cCO_b, cPM10_b, cPM2.5_b, cBNZ_b",
                            "*", "*", ""};
const FileFormatLists kOut{"year, month, day, hour, cNOx_mod_1, cNOx_mod_2, cNO2_mod_1, cPM10_mod_1", "*",
                           "*", ""};
const FileFormatLists kStat{"\"Series\", Average_1, Average_2, MaxHourly_1", "*", "*",
                            "NOx_mod, NO2_mod, NO2_b"};

// The values of one column of a text output file, by heading.
std::vector<double> column(const std::string &text, const std::string &heading) {
    std::vector<double> values;
    std::istringstream lines(text);
    std::string line;
    int at = -1;
    while (std::getline(lines, line)) {
        // Cells are separated by ";" where the format list asks for it, else by blanks.
        const bool semicolons = line.find(';') != std::string::npos;
        std::replace(line.begin(), line.end(), semicolons ? ' ' : ';', '_');
        std::replace(line.begin(), line.end(), ';', ' ');
        std::istringstream cells(line);
        std::vector<std::string> row;
        for (std::string cell; cells >> cell;) {
            row.push_back(cell);
        }
        if (at < 0) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                if (row[i] == heading) {
                    at = static_cast<int>(i);
                }
            }
            continue;
        }
        if (at < static_cast<int>(row.size())) {
            values.push_back(std::stod(row[static_cast<std::size_t>(at)]));
        }
    }
    return values;
}

// Saves the new project as name in folder, runs it in the window, then in
// batch on a fresh program; both runs must write the same files and model
// every hour. Returns the hourly file of the run.
std::string saveAndRunBoth(Session &s, const Sample &sample, const std::string &folder,
                           const std::string &name, const std::vector<std::string> &outputs) {
    s.ui.files.push_back(folder + name);
    s.ui.answers.clear();
    s->menSave_Click();
    EXPECT_EQ(s.state.ProjectFile, folder + name);
    EXPECT_FALSE(s.state.ProjectChanged);
    EXPECT_TRUE(s->btnRun->isEnabled());
    s.runToEnd();
    EXPECT_EQ(s->lblProgress->text(), "The calculation has ended.")
        << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    std::vector<std::string> window;
    for (const std::string &o : outputs) {
        window.push_back(test::readFile(folder + o));
        fs::remove(folder + o);
    }
    std::string said;
    EXPECT_EQ(batchRun(sample, folder + name, &said), kExitSucceeded) << said;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        EXPECT_EQ(test::readFile(folder + outputs[i]), window[i])
            << outputs[i] << ": window and batch differ";
    }
    return window.empty() ? std::string() : window.front();
}

// The line of a text that holds what.
std::string lineOf(const std::string &text, const std::string &what) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(what) != std::string::npos) {
            return line;
        }
    }
    return {};
}

void expectModelled(const std::string &hourly, const std::string &heading, std::size_t hours) {
    const std::vector<double> values = column(hourly, heading);
    ASSERT_EQ(values.size(), hours) << heading;
    std::size_t missing = 0;
    double sum = 0;
    for (double v : values) {
        missing += v <= -99 ? 1 : 0;
        sum += v > -99 ? v : 0;
    }
    EXPECT_EQ(missing, 0u) << heading << " is modelled every hour";
    EXPECT_GT(sum / static_cast<double>(values.size()), 1.0)
        << heading << ": a street adds to the background";
}

} // namespace

TEST(NewProjectDialog, ASingleStreetWithTheStandardFilesOfTheCountryRunsAYearInTheWindowAndInBatch) {
    Sample sample;
    Session s(sample, "");
    const std::string folder = projectFolder(sample);
    std::string caption;
    newProject(s, folder, Kind::Single, [&](frmNewStreet &d) {
        caption = d.windowTitle().toStdString();
        streetNamed(d, s.state, "Harbour Road");
        choose(d.cmbTrfType, 1, [&](int i) { d.cmbTrfType_Click(i); });
        d.txtADT->setText("18000");
        d.txtTrfSpeed->setText("45");
        choose(d.cmbMetBack, 1, [&](int i) { d.cmbMetBack_Click(i); });
        choose(d.cmbCitySize, 1, [&](int i) { d.cmbCitySize_Click(i); });
        names(d, {"Out.txt", "Stat.txt"});
        lists(d, {kOut, kStat});
        s.ui.answers = {Answer::Yes, Answer::No, Answer::Yes, Answer::No}; // lists now, units not
        d.btnLoadFile_Click(3);
        d.btnLoadFile_Click(4);
        d.btnOK_Click();
    });
    EXPECT_EQ(caption, "New Project - Single Street");
    ASSERT_FALSE(s.state.ProjectTypeCancelled) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    EXPECT_EQ(s.state.StreetName, "Harbour Road");
    EXPECT_EQ(s.state.TrafficFile, ".\\CityStreet.trf");
    EXPECT_EQ(s.state.AnnualDiurnalTraffic, 18000);
    ASSERT_EQ(s.state.NumInputFiles, 1);
    EXPECT_EQ(s.state.InputFiles[1], ".\\MetBack2023.txt");
    EXPECT_EQ(s.state.InputVarLists[1].rfind("year, month, day, hour, u_mast", 0), 0u) << "the common layout";
    EXPECT_FALSE(s.state.VehicleListFile.empty()) << "the current year's lists";
    EXPECT_EQ(s->List1[1]->count(), 1) << "the main window shows the new project's files";
    EXPECT_FALSE(s->Label22->isVisibleTo(s.w.get())) << "every file is described";

    const std::string hourly = saveAndRunBoth(s, sample, folder, "Harbour.vkp", {"Out.txt", "Stat.txt"});
    ASSERT_NO_FATAL_FAILURE(expectModelled(hourly, "cNOx_mod_1", 8760));
    expectModelled(hourly, "cNO2_mod_1", 8760);
}

TEST(NewProjectDialog, ASingleStreetWithItsOwnFilesRunsAsTheSampleStreetDoes) {
    Sample sample;
    Session s(sample, "");
    const std::string folder = projectFolder(sample);
    newProject(s, folder, Kind::Single, [&](frmNewStreet &d) {
        streetNamed(d, s.state, "Own Street");
        d.Option2[2]->setChecked(true);
        names(d, {"DemoStreet.trf", "Met2023.txt", "Back2023.txt", "Out.txt"});
        d.btnLoadFile_Click(1);
        EXPECT_TRUE(d.txtADT->isEnabled()) << "a standard profile is scaled to the street's traffic";
        d.txtADT->setText("18000");
        d.txtTrfSpeed->setText("45");
        d.Option3[2]->setChecked(true);
        lists(d, {kMet, kBack, kOut});
        s.ui.answers = {Answer::Yes, Answer::No, Answer::Yes, Answer::No, Answer::Yes, Answer::No};
        d.btnLoadFile_Click(2);
        d.btnLoadFile_Click(2);
        d.btnLoadFile_Click(3);
        d.btnOK_Click();
    });
    ASSERT_FALSE(s.state.ProjectTypeCancelled) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    EXPECT_EQ(s.state.TrafficFile, "DemoStreet.trf");
    ASSERT_EQ(s.state.NumInputFiles, 2);
    EXPECT_EQ(s.state.InputVarLists[2], kBack.varList);
    EXPECT_EQ(s.state.CitySize, -1) << "user files bring their own background";
    const std::string hourly = saveAndRunBoth(s, sample, folder, "Own.vkp", {"Out.txt"});
    expectModelled(hourly, "cNOx_mod_2", 8760);
}

TEST(NewProjectDialog, AMultiStreetProjectTakesItsStreetSetAndRunsEveryActiveStreet) {
    Sample sample;
    Session s(sample, "");
    const std::string folder = projectFolder(sample);
    std::string caption, streetBox;
    newProject(s, folder, Kind::Multi, [&](frmNewStreet &d) {
        caption = d.windowTitle().toStdString();
        EXPECT_FALSE(d.Frame8->isEnabled()) << "a street set writes no hourly files";
        EXPECT_TRUE(d.Option2[3]->isChecked());
        d.editStreetSet = [&](StreetSetChoice &c) { c.streetsFile = folder + "Streets.txt"; };
        d.btnStreetConf_Click();
        streetBox = d.txtStreetName->text().toStdString();
        choose(d.cmbMetBack, 1, [&](int i) { d.cmbMetBack_Click(i); });
        choose(d.cmbCitySize, 1, [&](int i) { d.cmbCitySize_Click(i); });
        names(d, {"StreetsStat.txt"});
        lists(d, {{"\"Street\", DailyTraffic, AvNOx_mod_1, AvNO2_mod_1, AvPM10_mod_1", "*", "*", "streets"}});
        s.ui.answers = {Answer::Yes, Answer::No};
        d.btnLoadFile_Click(4);
        d.btnOK_Click();
    });
    EXPECT_EQ(caption, "New Project - Multi Streets");
    EXPECT_EQ(streetBox, "Streets");
    ASSERT_FALSE(s.state.ProjectTypeCancelled) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    EXPECT_TRUE(s.state.MultiStreetMode);
    EXPECT_EQ(s.state.StreetsFile, "Streets.txt");
    const std::string stat = saveAndRunBoth(s, sample, folder, "Streets.vkm", {"StreetsStat.txt"});
    for (const char *street : {"Harbour Road", "Market Street", "Ring Avenue"}) {
        const std::string row = lineOf(stat, street);
        EXPECT_FALSE(row.empty()) << street;
        EXPECT_EQ(row.find("-99"), std::string::npos) << row;
    }
    EXPECT_NE(lineOf(stat, "Old Lane").find("-99"), std::string::npos) << "the inactive street is not run";
}

TEST(NewProjectDialog, ARouteProjectIsNamedAfterItsRouteFileAndRunsItsPersons) {
    Sample sample;
    Session s(sample, "");
    const std::string folder = projectFolder(sample);
    fs::copy_file(folder + "DemoRoute.txt", folder + "Ring.road.dat");
    newProject(s, folder, Kind::Route, [&](frmNewStreet &d) {
        EXPECT_FALSE(d.Frame10->isEnabled()) << "a route writes no statistics files";
        s.ui.files.push_back(folder + "Ring.road.dat");
        d.btnStreetConf_Click();
        d.Option3[2]->setChecked(true);
        names(d, {"Met2023.txt", "Back2023.txt", "RouteOut.txt"});
        lists(d, {kMet,
                  kBack,
                  {"personid, segmentid, datetime, timeinseg, cNOx_mod_1, cNO2_mod_1", "0, *", "*", ""}});
        s.ui.answers = {Answer::Yes, Answer::No, Answer::Yes, Answer::No, Answer::Yes, Answer::No};
        d.btnLoadFile_Click(2);
        d.btnLoadFile_Click(2);
        d.btnLoadFile_Click(3);
        d.btnOK_Click();
    });
    ASSERT_FALSE(s.state.ProjectTypeCancelled) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    EXPECT_TRUE(s.state.RouteMode);
    EXPECT_EQ(s.state.StreetName, "Ring.road") << "the file's name without folder and extension";
    EXPECT_EQ(s.state.RouteFile, "Ring.road.dat");
    const std::string hourly = saveAndRunBoth(s, sample, folder, "Route.vkp", {"RouteOut.txt"});
    const std::vector<double> nox = column(hourly, "cNOx_mod_1");
    ASSERT_FALSE(nox.empty());
    for (double v : nox) {
        EXPECT_GT(v, 0) << "every segment of the route is modelled";
    }
}

TEST(NewProjectDialog, OkNamesTheFirstMissingEntryAndPutsTheFocusThere) {
    Sample sample;
    Session s(sample, "");
    s.newSingleStreetProject(projectFolder(sample)); // the template, without the dialog
    frmNewStreet d(s.state, s.ui, nullptr);
    d.show();
    QApplication::setActiveWindow(&d);
    struct Step {
        std::function<void()> mend;
        std::string message;
        QWidget *focus;
    };
    const std::vector<Step> steps = {
        {[] {}, "Street Configuration is not defined!", d.btnStreetConf},
        {[&] { streetNamed(d, s.state, "Checked Street"); }, "The Diurnal Traffic type is not selected!",
         d.cmbTrfType},
        {[&] { choose(d.cmbTrfType, 1, [&](int i) { d.cmbTrfType_Click(i); }); },
         "Annual Average Diurnal Traffic is missing!", d.txtADT},
        {[&] { d.txtADT->setText("12000"); }, "Traffic Speed is missing!", d.txtTrfSpeed},
        {[&] {
             d.txtTrfSpeed->setText("40");
             d.txtADT->setText("1.234,5");
         },
         "The value entered is not valid", d.txtADT},
        {[&] { d.txtADT->setText("12000"); }, "A file with meteorology and background data is not defined!",
         d.cmbMetBack},
        {[&] { choose(d.cmbMetBack, 1, [&](int i) { d.cmbMetBack_Click(i); }); }, "City Size is not defined!",
         d.cmbCitySize},
    };
    for (const Step &step : steps) {
        step.mend();
        s.ui.messages.clear();
        d.btnOK_Click();
        ASSERT_EQ(s.ui.messages.size(), 1u) << step.message;
        EXPECT_EQ(s.ui.messages[0], step.message);
        EXPECT_EQ(d.focusWidget(), step.focus) << step.message;
        EXPECT_FALSE(d.NewProjectAccepted);
    }
    choose(d.cmbCitySize, 0, [&](int i) { d.cmbCitySize_Click(i); });
    s.ui.messages.clear();
    d.btnOK_Click();
    EXPECT_TRUE(s.ui.messages.empty()) << s.ui.messages.front();
    EXPECT_TRUE(d.NewProjectAccepted);
    EXPECT_EQ(s.state.AverageTrafficSpeed, 40);
}

TEST(NewProjectDialog, SpecialModeIsAcceptedWithoutTrafficOrMeteorologyAndTheWindowOpensInIt) {
    Sample sample;
    Session s(sample, "");
    newProject(s, projectFolder(sample), Kind::Single, [&](frmNewStreet &d) {
        streetNamed(d, s.state, "Sweep Street");
        d.Check1->click();
        d.btnOK_Click();
    });
    ASSERT_FALSE(s.state.ProjectTypeCancelled) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    EXPECT_EQ(s.state.CalcMode, 0) << "the window opens in Special Mode";
}

TEST(NewProjectDialog, CancelAsksAndCancelOnTheQuestionKeepsTheDialogWithItsEntries) {
    Sample sample;
    Session s(sample, sample.project());
    bool stayed = false;
    newProject(s, projectFolder(sample), Kind::Single, [&](frmNewStreet &d) {
        d.txtStreetName->setText("Kept");
        s.ui.answers = {Answer::Cancel, Answer::Ok};
        d.btnCancel_Click();
        stayed = d.isVisible() && d.txtStreetName->text() == "Kept";
        d.btnCancel_Click();
    });
    EXPECT_TRUE(stayed);
    EXPECT_EQ(std::count(s.ui.messages.begin(), s.ui.messages.end(), "No new project will be created"), 2);
    EXPECT_TRUE(s.state.ProjectTypeCancelled);
    EXPECT_TRUE(s.state.ProjectFile.empty()) << "no project";
    EXPECT_EQ(s->windowTitle(), "WinVESK");
}

TEST(NewProjectDialog, TheScenarioYearOffersGeneratedFleetDataAndTheProjectRunsWithThem) {
    Sample sample;
    Session s(sample, "");
    const std::string folder = projectFolder(sample);
    std::vector<std::string> years;
    newProject(s, folder, Kind::Single, [&](frmNewStreet &d) {
        streetNamed(d, s.state, "Future Street");
        const int y2025 = d.cmbYear->findText("2025");
        const int y2022 = d.cmbYear->findText("2022");
        ASSERT_GE(y2022, 0);
        EXPECT_EQ(d.cmbYear->itemData(y2022, Qt::ToolTipRole).toString(),
                  "Data not available. Can be generated");
        choose(d.cmbYear, y2025, [&](int i) { d.cmbYear_Click(i); });
        choose(d.cmbYear, y2025, [&](int i) { d.cmbYear_Click(i); }); // the same year: nothing
        EXPECT_EQ(s.state.VehicleListFile, ".\\Fleet2025.vlf");
        s.ui.answers = {Answer::No};
        choose(d.cmbYear, y2022, [&](int i) { d.cmbYear_Click(i); });
        years.push_back(d.cmbYear->currentText().toStdString());
        s.ui.answers = {Answer::Yes};
        choose(d.cmbYear, y2022, [&](int i) { d.cmbYear_Click(i); });
        years.push_back(d.cmbYear->currentText().toStdString());
        choose(d.cmbTrfType, 1, [&](int i) { d.cmbTrfType_Click(i); });
        d.txtADT->setText("18000");
        d.txtTrfSpeed->setText("45");
        choose(d.cmbMetBack, 1, [&](int i) { d.cmbMetBack_Click(i); });
        choose(d.cmbCitySize, 1, [&](int i) { d.cmbCitySize_Click(i); });
        names(d, {"Out.txt"});
        lists(d, {kOut});
        s.ui.answers = {Answer::Yes, Answer::No};
        d.btnLoadFile_Click(3);
        d.btnOK_Click();
    });
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_EQ(years, (std::vector<std::string>{"2025", "2022"})) << "No keeps 2025, Yes takes 2022";
    ASSERT_FALSE(s.state.ProjectTypeCancelled) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    EXPECT_EQ(s.state.ScenarioYear, 2022);
    EXPECT_EQ(s.state.VehicleListFile, "[data created, not saved: Year 2022]");
    EXPECT_TRUE(s->btnRun->isEnabled());
    s.runToEnd();
    EXPECT_EQ(s->lblProgress->text(), "The calculation has ended.")
        << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    expectModelled(test::readFile(folder + "Out.txt"), "cNOx_mod_1", 8760);
}

TEST(NewProjectDialog, TheChoicesChangeTheProjectsFilesAtOnceAndUserFilesComeBackWithTheirLists) {
    Sample sample;
    Session s(sample, "");
    s.newSingleStreetProject(projectFolder(sample));
    frmNewStreet d(s.state, s.ui, nullptr);

    // A pre-defined type, then "(none)": the traffic file goes and View/Edit Traffic with it.
    choose(d.cmbTrfType, 1, [&](int i) { d.cmbTrfType_Click(i); });
    EXPECT_EQ(s.state.TrafficFile, ".\\CityStreet.trf");
    EXPECT_TRUE(d.btnEditTraffic->isEnabled());
    EXPECT_EQ(d.cmbTrfType->toolTip().toStdString(), d.StdTraffic.front().helpText);
    d.editTraffic = [](std::string &) {
        ADD_FAILURE() << "the editor needs the traffic amount and speed first";
        return false;
    };
    for (const auto &[adt, speed] : {std::pair{"0", "45"}, std::pair{"12000", "0"}}) {
        d.txtADT->setText(adt);
        d.txtTrfSpeed->setText(speed);
        s.ui.messages.clear();
        d.btnEditTraffic_Click();
        ASSERT_EQ(s.ui.messages.size(), 1u) << adt << " " << speed;
        EXPECT_EQ(s.ui.messages.back(),
                  "The Annual Diurnal Traffic and Traffic Speed\r\nmust be set before displying the traffic");
    }
    choose(d.cmbTrfType, 0, [&](int i) { d.cmbTrfType_Click(i); });
    EXPECT_TRUE(s.state.TrafficFile.empty());
    EXPECT_FALSE(d.btnEditTraffic->isEnabled());

    // Three user files, each with its list; the second removed.
    d.Option3[2]->setChecked(true);
    names(d, {"A.txt", "B.txt", "C.txt"});
    lists(d, {kMet, kBack, {"year, month, day, hour, cO3_b", "*", "*", ""}});
    s.ui.answers = {Answer::Yes, Answer::No, Answer::Yes, Answer::No, Answer::Yes, Answer::No};
    d.btnLoadFile_Click(2);
    d.btnLoadFile_Click(2);
    d.btnLoadFile_Click(2);
    d.lstFileNames[1]->setCurrentRow(1);
    d.btnRemove_Click(1);
    ASSERT_EQ(d.UserMetBackFiles.size(), 2u);
    EXPECT_EQ(d.UserMetBackFiles[0].name, "A.txt");
    EXPECT_EQ(d.UserMetBackFiles[1].name, "C.txt");
    ASSERT_EQ(s.state.NumInputFiles, 2);

    // The pre-defined file replaces them all; user data again brings them back, lists and all.
    d.Option3[1]->setChecked(true);
    choose(d.cmbMetBack, 1, [&](int i) { d.cmbMetBack_Click(i); });
    ASSERT_EQ(s.state.NumInputFiles, 1);
    EXPECT_EQ(s.state.InputFiles[1], ".\\MetBack2023.txt");
    d.Option3[2]->setChecked(true);
    ASSERT_EQ(s.state.NumInputFiles, 2);
    EXPECT_EQ(s.state.InputFiles[2], "C.txt");
    EXPECT_EQ(s.state.InputVarLists[1], kMet.varList);
    EXPECT_EQ(s.state.InputVarLists[2], "year, month, day, hour, cO3_b");
    EXPECT_EQ(d.lstFileNames[1]->item(1)->toolTip(), "C.txt");
}

TEST(NewProjectDialog, EachChoiceShowsItsOwnButtonsTipAndNextEntryAndTheCitySizeChosenFirstIsKept) {
    Sample sample;
    // A country with two pre-defined meteorology/background files, each with its own help text.
    {
        std::ofstream(sample.appDir + "Lists/National/DL/MetBack.lst", std::ios::binary)
            << "Name,              FileName,              HelpText\r\n"
               "\"Demoland 2023\",   \".\\MetBack2023.txt\",   \"Rural background of 2023\"\r\n"
               "\"Demoland 2023 town\", \".\\MetBack2023.txt\", \"Town background of 2023\"\r\n";
    }
    Session s(sample, "");
    const std::string folder = projectFolder(sample);
    QWidget *focusAfterEditor = nullptr;
    QWidget *okButton = nullptr;
    newProject(s, folder, Kind::Single, [&](frmNewStreet &d) {
        okButton = d.btnOK;
        streetNamed(d, s.state, "Town Street");
        // User data: Add File for them; the traffic's Add File only for a user traffic file.
        d.Option3[2]->setChecked(true);
        EXPECT_TRUE(d.btnLoadFile[2]->isEnabled());
        d.Option2[2]->setChecked(true);
        EXPECT_TRUE(d.btnLoadFile[1]->isEnabled());
        d.Option2[1]->setChecked(true);
        EXPECT_FALSE(d.btnLoadFile[1]->isEnabled());
        EXPECT_TRUE(d.btnLoadFile[2]->isEnabled()) << "the user data keep their Add File";

        // The pre-defined files: each shows its own help text.
        d.Option3[1]->setChecked(true);
        EXPECT_FALSE(d.btnLoadFile[2]->isEnabled());
        choose(d.cmbMetBack, 2, [&](int i) { d.cmbMetBack_Click(i); });
        EXPECT_EQ(d.cmbMetBack->toolTip(), QStringLiteral("Town background of 2023"));
        choose(d.cmbMetBack, 1, [&](int i) { d.cmbMetBack_Click(i); });
        EXPECT_EQ(d.cmbMetBack->toolTip(), QStringLiteral("Rural background of 2023"));

        // The first city size, then user data and back: the size shown is the one taken.
        choose(d.cmbCitySize, 0, [&](int i) { d.cmbCitySize_Click(i); });
        d.Option3[2]->setChecked(true);
        EXPECT_FALSE(d.cmbCitySize->isEnabled());
        d.Option3[1]->setChecked(true);
        EXPECT_TRUE(d.cmbCitySize->isEnabled());
        EXPECT_EQ(d.cmbCitySize->currentIndex(), 0);

        // Every entry filled: after the traffic is viewed, the focus goes on to OK.
        choose(d.cmbTrfType, 1, [&](int i) { d.cmbTrfType_Click(i); });
        d.txtADT->setText("9000");
        d.txtTrfSpeed->setText("30");
        d.editTraffic = [](std::string &) { return false; };
        d.btnEditTraffic_Click();
        focusAfterEditor = d.focusWidget();
        d.btnOK_Click();
        if (!d.NewProjectAccepted) {
            s.ui.answers = {Answer::Ok};
            d.btnCancel_Click();
        }
    });
    EXPECT_EQ(focusAfterEditor, okButton);
    ASSERT_FALSE(s.state.ProjectTypeCancelled) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    EXPECT_EQ(s.state.InputFiles[1], ".\\MetBack2023.txt");
    ASSERT_GE(s.state.CitySizeNames.size(), 2u);
    EXPECT_EQ(s->cmbCitySize->currentText().toStdString(), s.state.CitySizeNames[1]);
    EXPECT_TRUE(s->cmbCitySize->isEnabled());
}

TEST(NewProjectDialog, AMapThatIsNoPictureIsReportedAndThePreviousMapStays) {
    Sample sample;
    Session s(sample, "");
    const std::string folder = projectFolder(sample);
    s.newSingleStreetProject(folder);
    s.state.MultiStreetMode = true;
    frmNewStreet d(s.state, s.ui, nullptr);
    fs::copy_file(sample.appDir + "Help/Vesk_en.html", folder + "NoPicture.png");
    d.editStreetSet = [&](StreetSetChoice &c) {
        c.streetsFile = folder + "Streets.txt";
        c.mapFile = folder + "NoPicture.png";
        c.mapCoord = {1, 2, 3, 4};
    };
    d.btnStreetConf_Click();
    EXPECT_TRUE(d.StreetConfigDefined) << "the streets are taken";
    EXPECT_EQ(s.state.StreetsFile, "Streets.txt");
    ASSERT_FALSE(s.ui.messages.empty());
    EXPECT_NE(s.ui.messages.back().find("cannot be shown as a picture"), std::string::npos);
    EXPECT_TRUE(s.state.MapFile.empty()) << "the previous map (none) stays";
    EXPECT_EQ(s.state.MapCoord1, 0);
}

// ---- The street-set editor ------------------------------------------------------------------

TEST(StreetSetEditor, AddsEditsAndDeletesStreetsOfTheDemoSetAndTheSavedFileReloadsAndRuns) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.loaded);
    const std::string streets = sample.appDir + "Working/Streets.txt";
    bool refusedEmptyName = false;
    onModal<frmStreetSet>([&](frmStreetSet *d) {
        StreetSetModel *m = d->model();
        EXPECT_EQ(m->rowCount(), 4);
        // Delete "Old Lane", add a street, rename it in place, change its geometry in the street editor.
        d->tblStreets->selectRow(2);
        d->btnDeleteStreet_Click();
        d->btnAddStreet_Click();
        const int added = m->rowCount() - 1;
        refusedEmptyName = !m->setData(m->index(added, StreetSetModel::ColName), QString());
        m->setData(m->index(added, StreetSetModel::ColName), QStringLiteral("Quay Side"));
        m->setData(m->index(added, StreetSetModel::ColDailyTraffic), QStringLiteral("9000"));
        m->setData(m->index(added, StreetSetModel::ColSpeed), QStringLiteral("35"));
        EXPECT_FALSE(m->setData(m->index(added, StreetSetModel::ColSpeed), QStringLiteral("1.234,5")))
            << "an ambiguous number is refused";
        m->setData(m->index(1, StreetSetModel::ColActive), Qt::Unchecked, Qt::CheckStateRole);
        d->tblStreets->selectRow(added);
        d->runStreetEditor = [](frmStreetConfig &e) {
            e.txtStreetWidth->setText("14");
            e.txtStreetOrientation->setText("75");
            e.chkReceptor1->setChecked(false);
            e.btnOK_Click();
            return e.result();
        };
        d->btnEditStreet_Click();
        d->btnOK_Click();
    });
    s->menEditStreetConfiguration_Click();
    EXPECT_TRUE(refusedEmptyName) << "a street keeps a name";

    StreetSet saved;
    std::string error;
    ASSERT_TRUE(readStreetSet(streets, &saved, &error)) << error;
    ASSERT_EQ(saved.streets.size(), 4u);
    EXPECT_EQ(saved.streets[2].street.StreetName, "Ring Avenue");
    const StreetSetEntry &quay = saved.streets[3];
    EXPECT_EQ(quay.street.StreetName, "Quay Side");
    EXPECT_EQ(quay.street.StreetWidth, 14);
    EXPECT_EQ(quay.street.StreetOrientation, 75);
    EXPECT_EQ(quay.street.Receptor1, 0);
    EXPECT_EQ(quay.dailyTraffic, 9000);
    EXPECT_EQ(quay.trafficFile, ".\\CityStreet.trf") << "a new street takes the traffic file before it";
    EXPECT_FALSE(saved.streets[1].active);

    // The project, saved, runs in batch with the edited set.
    s.ui.answers.clear();
    s->menSave_Click();
    std::string said;
    ASSERT_EQ(batchRun(sample, sample.project("DemoStreets.vkm"), &said), kExitSucceeded) << said;
    const std::string stat = test::readFile(sample.appDir + "Working/StreetsStat2023.txt");
    const std::string quayRow = lineOf(stat, "Quay Side");
    EXPECT_FALSE(quayRow.empty()) << stat;
    // Street;DailyTraffic;TravelSpeed;AvNOx_mod_1;AvNOx_mod_2;...: only side 2 has its receptor.
    std::vector<std::string> cells;
    std::istringstream row(quayRow);
    for (std::string cell; std::getline(row, cell, ';');) {
        cells.push_back(cell);
    }
    ASSERT_GE(cells.size(), 5u) << quayRow;
    EXPECT_NEAR(std::stod(cells[1]), 9000, 20) << "its own daily traffic";
    EXPECT_EQ(std::stod(cells[3]), -99) << "no receptor on side 1";
    EXPECT_GT(std::stod(cells[4]), 0) << "side 2 is modelled";
    EXPECT_NE(lineOf(stat, "Market Street").find("-99"), std::string::npos) << "made inactive";
    EXPECT_EQ(lineOf(stat, "Old Lane"), "") << "deleted";
}

TEST(StreetSetEditor, AStreetsFileThatCannotBeReadIsReportedAndTheSetShownStays) {
    Sample sample;
    test::ScriptedInteraction ui;
    StreetSetChoice choice;
    choice.streetsFile = sample.appDir + "Working/Streets.txt";
    frmStreetSet d(choice, StreetSetContext{sample.appDir + "Working/", sample.appDir + "Data/"}, ui);
    ASSERT_EQ(d.model()->rowCount(), 4);
    const std::string damaged = (fs::path(sample.appDir) / "Working" / "Bad.txt").string();
    std::ofstream(damaged) << "#TRUE#,\"A\",1,2\r\n";
    EXPECT_FALSE(d.openStreetsFile(damaged));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("cannot be loaded"), std::string::npos);
    EXPECT_EQ(d.model()->rowCount(), 4);
    EXPECT_EQ(d.txtStreetsFile->text().toStdString(), choice.streetsFile);
}

TEST(NewProjectDialog, TrafficSavedUnderAnotherNameInTheEditorBringsItsOwnDailyTrafficAndSpeed) {
    Sample sample;
    Session s(sample, "");
    const std::string folder = projectFolder(sample);
    QString adtShown, speedShown, fileShown;
    newProject(s, folder, Kind::Single, [&](frmNewStreet &d) {
        streetNamed(d, s.state, "Busier Street");
        d.Option2[2]->setChecked(true);
        names(d, {"DemoStreet.trf"});
        d.btnLoadFile_Click(1);
        d.txtADT->setText("18000");
        d.txtTrfSpeed->setText("45");
        // The editor scales the file to another daily traffic and speed and saves it under a new name.
        onModal<frmTrafficEditor>([&](frmTrafficEditor *e) {
            e->txtADT->setText("24000");
            e->txtADT_Apply();
            e->txtSpeed->setText("38");
            e->txtSpeed_Apply();
            s.ui.files.push_back(folder + "Busier.trf");
            EXPECT_TRUE(e->btnSaveAs_Click());
            e->btnClose_Click();
        });
        d.btnEditTraffic_Click();
        adtShown = d.txtADT->text();
        speedShown = d.txtTrfSpeed->text();
        fileShown = d.txtTrafficFile->text();
        choose(d.cmbMetBack, 1, [&](int i) { d.cmbMetBack_Click(i); });
        choose(d.cmbCitySize, 1, [&](int i) { d.cmbCitySize_Click(i); });
        d.btnOK_Click();
        if (!d.NewProjectAccepted) {
            s.ui.answers = {Answer::Ok};
            d.btnCancel_Click();
        }
    });
    EXPECT_EQ(fileShown, QStringLiteral("Busier.trf"));
    EXPECT_NEAR(adtShown.toDouble(), 24000, 0.5) << adtShown.toStdString();
    EXPECT_NEAR(speedShown.toDouble(), 38, 0.05) << speedShown.toStdString();
    ASSERT_FALSE(s.state.ProjectTypeCancelled) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    EXPECT_EQ(s.state.TrafficFile, "Busier.trf");
    EXPECT_NEAR(s.state.AnnualDiurnalTraffic, 24000, 0.5);
    EXPECT_NEAR(s.state.AverageTrafficSpeed, 38, 0.05);
}

TEST(NewProjectDialog, TheScenarioYearChosenInTheTrafficEditorIsShownInTheYearBoxAndTaken) {
    Sample sample;
    // A country whose fleet stays as it is from 2020 to 2025: both years name the same lists.
    {
        std::ofstream(sample.appDir + "Lists/National/DL/Scenarios.lst", std::ios::binary)
            << "\"FleetShare.xls\",2015,2030\r\n"
               "2015,\".\\Fleet2015.vlf\",\".\\Fuels2015.flf\"\r\n"
               "2020,\".\\Fleet2020.vlf\",\".\\Fuels2020.flf\"\r\n"
               "2025,\".\\Fleet2020.vlf\",\".\\Fuels2020.flf\"\r\n"
               "2030,\".\\Fleet2030.vlf\",\".\\Fuels2030.flf\"\r\n";
    }
    Session s(sample, "");
    const std::string folder = projectFolder(sample);
    std::vector<std::string> years;
    newProject(s, folder, Kind::Single, [&](frmNewStreet &d) {
        streetNamed(d, s.state, "Fleet Street");
        choose(d.cmbYear, d.cmbYear->findText("2020"), [&](int i) { d.cmbYear_Click(i); });
        choose(d.cmbTrfType, 1, [&](int i) { d.cmbTrfType_Click(i); });
        d.txtADT->setText("18000");
        d.txtTrfSpeed->setText("45");
        // In the editor the user picks another year: first one with the same lists, then one with others.
        for (const char *year : {"2025", "2030"}) {
            onModal<frmTrafficEditor>([year](frmTrafficEditor *e) {
                const int k = e->cmbYear->findText(QString::fromLatin1(year));
                e->cmbYear->setCurrentIndex(k);
                e->cmbYear_Click(k);
                e->btnClose_Click();
            });
            d.btnEditTraffic_Click();
            years.push_back(d.cmbYear->currentText().toStdString());
        }
        choose(d.cmbMetBack, 1, [&](int i) { d.cmbMetBack_Click(i); });
        choose(d.cmbCitySize, 1, [&](int i) { d.cmbCitySize_Click(i); });
        d.btnOK_Click();
        if (!d.NewProjectAccepted) {
            s.ui.answers = {Answer::Ok};
            d.btnCancel_Click();
        }
    });
    EXPECT_EQ(years, (std::vector<std::string>{"2025", "2030"}));
    ASSERT_FALSE(s.state.ProjectTypeCancelled) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    EXPECT_EQ(s.state.VehicleListFile, ".\\Fleet2030.vlf");
    EXPECT_EQ(s.state.FuelListFile, ".\\Fuels2030.flf");
    EXPECT_EQ(s.state.ScenarioYear, 2030);
    EXPECT_EQ(s->cmbYear->currentText(), QStringLiteral("2030"));
}
