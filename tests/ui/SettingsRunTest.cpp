// The settings dialogs as a user reaches them from the main window, and what
// they change in the files and in the next run.

#include "core/CountryLists.h"
#include "project/Batch.h"
#include "project/InitProgram.h"
#include "project/ProjectReader.h"
#include "run/BatchRun.h"
#include "ui/WindowSession.h"
#include "ui/results/frmAnimation.h"
#include "ui/settings/EditBoxes.h"
#include "ui/settings/frmConcUnits.h"
#include "ui/settings/frmCountrySelOptions.h"
#include "ui/settings/frmEmission.h"
#include "ui/settings/frmOptions.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

using namespace vesk;
using namespace vesk::ui;
using test::Sample;
using test::Session;
namespace fs = std::filesystem;

namespace {

// Acts on dialog D as soon as it is shown modally; whether it was.
template <typename D> std::shared_ptr<bool> whenShown(std::function<void(D &)> act) {
    auto acted = std::make_shared<bool>(false);
    test::onModal<D>([act, acted](D *dialog) {
        *acted = true;
        act(*dialog);
    });
    return acted;
}

void typeAndEnter(EditBoxes *boxes, QLineEdit *box, const QString &text) {
    box->setText(text);
    boxes->markEdited(box);
    boxes->enter(box);
}

// The values of one column of a whitespace-separated table file (after its header line).
std::vector<double> column(const std::string &text, const std::string &name) {
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    std::istringstream head(line);
    std::vector<std::string> names;
    for (std::string n; head >> n;) {
        names.push_back(n);
    }
    const auto at = std::find(names.begin(), names.end(), name) - names.begin();
    std::vector<double> values;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string field;
        for (long k = 0; k <= at && row >> field; ++k) {
        }
        if (!field.empty()) {
            values.push_back(std::stod(field));
        }
    }
    return values;
}

// One value of a statistics file (";"-separated, a row per series, a column per statistic).
double statCell(const std::string &text, const std::string &series, const std::string &statistic) {
    auto fields = [](const std::string &line) {
        std::vector<std::string> out;
        std::istringstream in(line);
        for (std::string f; std::getline(in, f, ';');) {
            out.push_back(f.substr(f.find_first_not_of(' ')));
        }
        return out;
    };
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    const auto names = fields(line);
    const auto at = std::find(names.begin(), names.end(), statistic) - names.begin();
    while (std::getline(in, line)) {
        const auto row = fields(line);
        if (!row.empty() && row[0] == series && at < static_cast<long>(row.size())) {
            return std::stod(row[static_cast<std::size_t>(at)]);
        }
    }
    ADD_FAILURE() << series << " " << statistic << " not in\n" << text;
    return 0;
}

std::string hourlyOutput(const Sample &sample) {
    return test::readFile(sample.appDir + "Working/Out2023.txt");
}

} // namespace

// ---- Menus and keys
// ----------------------------------------------------------------------------------------

TEST(SettingsMenus, OptionsInBothModesUnitsInCalculationTrafficInSpecialMode) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    s->btnSeries_Click();
    EXPECT_TRUE(s->action("menOptions")->isEnabled());
    EXPECT_TRUE(s->action("menConcUnit")->isVisible());
    EXPECT_TRUE(s->action("menConcUnit")->isEnabled());
    EXPECT_TRUE(s->toolbarKey("Units")->isEnabled());
    EXPECT_FALSE(s->action("menEmission")->isVisible());
    s->btnGeneric_Click();
    EXPECT_TRUE(s->action("menOptions")->isEnabled());
    EXPECT_TRUE(s->action("menEmission")->isVisible());
    EXPECT_TRUE(s->action("menEmission")->isEnabled());
    EXPECT_FALSE(s->toolbarKey("Units")->isEnabled());
    EXPECT_FALSE(s->action("menConcUnit")->isVisible());
}

// ---- Options reach the files and the next run ------------------------------------------------------------

TEST(SettingsRun, NO2SwitchedOffInTheOptionsLeavesTheNextBatchRunWithoutNO2) {
    Sample sample;
    {
        Session s(sample, sample.project());
        ASSERT_TRUE(s.loaded);
        ASSERT_EQ(batchRun(sample, sample.project()), kExitSucceeded);
        const auto before = column(hourlyOutput(sample), "cNO2_mod_1");
        ASSERT_FALSE(before.empty());
        EXPECT_GT(*std::max_element(before.begin(), before.end()), 0) << "NO2 is computed at first";

        auto acted = whenShown<frmOptions>([](frmOptions &o) {
            o.chkNO2->click();
            o.btnOK_Click();
        });
        s->action("menOptions")->trigger();
        ASSERT_TRUE(*acted);
        EXPECT_EQ(s.state.CalcNO2, 0);
        s.ui.answers = {Answer::Yes}; // save the local option file
        s->menSave_Click();
        EXPECT_FALSE(s.state.OptionFileChanged);
    }
    ASSERT_EQ(batchRun(sample, sample.project()), kExitSucceeded);
    const std::string out = hourlyOutput(sample);
    for (double v : column(out, "cNO2_mod_1")) {
        ASSERT_EQ(v, -99) << "no NO2 is computed";
    }
    const auto nox = column(out, "cNOx_mod_1");
    EXPECT_GT(*std::max_element(nox.begin(), nox.end()), 0) << "NOx is computed as before";
}

TEST(SettingsRun, HourlyPercentilesSwitchedOffLeaveTheirStatisticsMissingInTheNextRun) {
    Sample sample;
    const std::string statPath = sample.appDir + "Working/Stat2023.txt";
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    s.runToEnd();
    const std::string before = test::readFile(statPath);
    auto acted = whenShown<frmOptions>([](frmOptions &o) {
        o.Options->setCurrentIndex(frmOptions::HourlyPercentiles);
        o.Perc.calc->click();
        o.btnOK_Click();
    });
    s->menOptions_Click();
    ASSERT_TRUE(*acted);
    EXPECT_EQ(s.state.PercSource, std::vector<int>(static_cast<std::size_t>(s.state.NPol + 1), 0));
    s.ui.answers = {Answer::Yes};
    s->menSave_Click();
    ASSERT_EQ(batchRun(sample, sample.project()), kExitSucceeded);
    const std::string after = test::readFile(statPath);
    // The 19th highest hour is an hourly percentile; the annual average is not.
    EXPECT_GT(statCell(before, "NO2_mod", "19thHighest_1"), 0);
    EXPECT_EQ(statCell(after, "NO2_mod", "19thHighest_1"), -99);
    EXPECT_EQ(statCell(after, "NO2_mod", "Average_1"), statCell(before, "NO2_mod", "Average_1"));
}

TEST(SettingsRun, OptionsSurviveTheOptionFileAndTheNextLoad) {
    Sample sample;
    {
        Session s(sample, sample.project());
        auto acted = whenShown<frmOptions>([](frmOptions &o) {
            typeAndEnter(o.boxes(), o.txtMinNobsDay, "20");
            o.Av.buttons[4 * 2 + 1]->click();
            o.optShowLimitVal[2]->click();
            o.btnOK_Click();
        });
        s->menOptions_Click();
        ASSERT_TRUE(*acted);
        s.ui.answers = {Answer::Yes};
        s->menSave_Click();
    }
    Session again(sample, sample.project());
    ASSERT_TRUE(again.loaded);
    EXPECT_EQ(again.state.MinNobsDay, 20);
    EXPECT_EQ(again.state.AvSource[2], 1);
    EXPECT_EQ(again.state.ShowLimitValMode, 2);
    EXPECT_FALSE(again.state.NoLocalOptionFile) << "the working folder has its own Run.opt now";
}

// The normalisation line of a project's own option file: switch, length scale code, wind scale code.
struct Normalisation {
    bool on;
    int length, wind;
};
void PrintTo(const Normalisation &n, std::ostream *out) {
    *out << (n.on ? "#TRUE#," : "#FALSE#,") << n.length << "," << n.wind;
}

class SettingsRunNormalisation : public testing::TestWithParam<Normalisation> {};

TEST_P(SettingsRunNormalisation, TheOptionsShowTheScalesOfTheProjectsOptionFile) {
    const Normalisation n = GetParam();
    Sample sample;
    std::string options = test::readFile(sample.appDir + "Run.opt");
    const std::string stored = "#FALSE#,1,2";
    ASSERT_NE(options.find(stored), std::string::npos);
    options.replace(options.find(stored), stored.size(), testing::PrintToString(n));
    std::ofstream(sample.appDir + "Working/Run.opt", std::ios::binary) << options;

    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    s->btnGeneric_Click();
    bool ticked = false, scalesEnabled = false;
    std::vector<std::string> wind, length;
    auto acted = whenShown<frmOptions>([&](frmOptions &o) {
        o.Options->setCurrentIndex(frmOptions::Normalised);
        ticked = o.chkNormalisation->isChecked();
        scalesEnabled = true;
        for (int i = 1; i <= 3; ++i) {
            scalesEnabled = scalesEnabled && o.Option1[i]->isEnabled() && o.Option2[i]->isEnabled();
            if (o.Option1[i]->isChecked()) {
                wind.push_back(o.Option1[i]->text().toStdString());
            }
            if (o.Option2[i]->isChecked()) {
                length.push_back(o.Option2[i]->text().toStdString());
            }
        }
        o.btnCancel_Click();
    });
    s->menOptions_Click();
    ASSERT_TRUE(*acted);
    EXPECT_EQ(ticked, n.on);
    EXPECT_EQ(scalesEnabled, n.on) << "the scales are greyed while results are not normalised";
    using Shown = std::vector<std::string>;
    const char *const windNames[] = {"none", "u_roof", "u_mast"};
    const char *const lengthNames[] = {"none", "Street width", "Street height"};
    EXPECT_EQ(wind, n.on ? Shown{windNames[n.wind]} : Shown{});
    EXPECT_EQ(length, n.on ? Shown{lengthNames[n.length]} : Shown{});
}

INSTANTIATE_TEST_SUITE_P(Scales, SettingsRunNormalisation,
                         testing::Values(Normalisation{true, 1, 2}, Normalisation{true, 2, 1},
                                         Normalisation{true, 0, 0}, Normalisation{false, 2, 1}));

// ---- Units ------------------------------------------------------------------------------------------------

TEST(SettingsRun, NO2OutputInPpbIsTheMicrogramValueTimesTheFactorAndIsSavedWithTheProject) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    s.runToEnd();
    const auto microg = column(hourlyOutput(sample), "cNO2_mod_1");
    auto acted = whenShown<frmConcUnits>([](frmConcUnits &u) {
        u.cmbUnit_Click(false, 2, 4); // NO2 output: ppb
        u.btnOK_Click();
    });
    s->Toolbar1_ButtonClick("Units");
    ASSERT_TRUE(*acted);
    EXPECT_EQ(s.state.OutputUnit[2], "ppb");
    EXPECT_TRUE(s.state.ProjectChanged);
    EXPECT_EQ(s->findChild<QLabel *>("LabelOutUnit_2")->text(), "ppb");
    s.runToEnd();
    const auto ppb = column(hourlyOutput(sample), "cNO2_mod_1");
    ASSERT_EQ(ppb.size(), microg.size());
    int compared = 0;
    for (std::size_t i = 0; i < ppb.size(); ++i) {
        if (microg[i] > 1) {
            // The output is written with a few decimals; allow for their rounding.
            EXPECT_NEAR(ppb[i], microg[i] * 0.5229, 0.01 + 0.001 * microg[i]) << "hour " << i;
            ++compared;
        }
    }
    EXPECT_GT(compared, 1000);
    s->menSave_Click();
    State loaded;
    test::ScriptedInteraction ui;
    MemorySettings settings;
    ASSERT_TRUE(InitProgram(loaded, sample.appDir, ui, settings, nullptr));
    loaded.ProjectFile = sample.project();
    ASSERT_EQ(LoadProject(loaded, ui).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(loaded.OutputUnit[2], "ppb");
}

// ---- Special Mode traffic --------------------------------------------------------------------------------

TEST(SettingsRun, SpecialModeTrafficIsSavedWithTheProjectAndRaisesTheNextSweep) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    s->btnGeneric_Click();
    s.runToEnd();
    const auto before = column(test::readFile(sample.appDir + "Working/veskout.dat"), "NOX_1");
    auto acted = whenShown<frmEmission>([](frmEmission &e) {
        typeAndEnter(e.boxes(), e.Text1[1], "3000"); // twice the light traffic
        e.btnOK_Click();
    });
    s->action("menEmission")->trigger();
    ASSERT_TRUE(*acted);
    EXPECT_DOUBLE_EQ(s.state.TrafficLight, 3000);
    EXPECT_TRUE(s.state.ProjectChanged) << "the project is marked changed";
    s.runToEnd();
    const auto after = column(test::readFile(sample.appDir + "Working/veskout.dat"), "NOX_1");
    ASSERT_EQ(after.size(), before.size());
    ASSERT_FALSE(after.empty());
    EXPECT_GT(after[after.size() / 2], before[before.size() / 2]);
    s->menSave_Click();
    EXPECT_FALSE(s.state.ProjectChanged);
    Session again(sample, sample.project());
    EXPECT_DOUBLE_EQ(again.state.TrafficLight, 3000);
}

// ---- Adding a country from the country box
// -----------------------------------------------------------------

TEST(CountryBox, AddNewAddsTheCountryMakesItCurrentAndKeepsTheOldDefaultInTheFile) {
    Sample sample;
    Session s(sample, "");
    s->countryAddingWindows.chooseOption = [] { return NewCountryOption::Defaults; };
    s.ui.answers = {Answer::Ok};
    s.ui.inputs = {std::string("Newland"), std::string("NL")};
    const int addNew = s->cmbCountry->count() - 1;
    s->cmbCountry->setCurrentIndex(addNew);
    s->cmbCountry_Click(addNew);
    ASSERT_EQ(s->cmbCountry->count(), 3);
    EXPECT_EQ(s->cmbCountry->itemText(1), "Newland");
    EXPECT_EQ(s->cmbCountry->itemText(2), "Add New");
    EXPECT_EQ(s->cmbCountry->currentIndex(), 1);
    EXPECT_EQ(s.state.CurrentCountry, "Newland");
    EXPECT_EQ(s.state.LoadedCountry, "Newland");
    EXPECT_EQ(s.state.CountryCode, "NL");
    EXPECT_EQ(s.state.ListsDir, sample.appDir + "Lists/National/NL/");
    EXPECT_EQ(s.state.NPol, 7) << "the new country's lists are loaded";
    EXPECT_EQ(test::readFile(sample.appDir + "Countries.ini"),
              "Country Code Default\r\n\"Demoland\",\"DL\",#TRUE#\r\n\"Newland\",\"NL\",#FALSE#\r\n");
    EXPECT_EQ(sample.settings.value("NewCountries", "Country Names"), "\"Newland\",\"NL\"");
}

TEST(CountryBox, AddNewCancelledSelectsTheLoadedCountryAgainAndWritesNothing) {
    Sample sample;
    Session s(sample, "");
    const std::string countries = test::readFile(sample.appDir + "Countries.ini");
    s->countryAddingWindows.chooseOption = [] { return NewCountryOption::Cancelled; };
    const int addNew = s->cmbCountry->count() - 1;
    s->cmbCountry->setCurrentIndex(addNew);
    s->cmbCountry_Click(addNew);
    EXPECT_EQ(s->cmbCountry->currentText(), "Demoland");
    EXPECT_EQ(s->cmbCountry->count(), 2);
    EXPECT_EQ(s.state.CurrentCountry, "Demoland");
    EXPECT_EQ(test::readFile(sample.appDir + "Countries.ini"), countries);
}

// ---- Pictures for a look by eye (run on request only, under a display:
// QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1366x768x24" build/gui_tests
// --gtest_also_run_disabled_tests --gtest_filter='SettingsPictures.*'; WINVESK_SHOTS names the folder).

namespace {
void shoot(const char *name) {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
    }
    const QByteArray folder =
        qgetenv("WINVESK_SHOTS").isEmpty() ? QByteArray("/tmp") : qgetenv("WINVESK_SHOTS");
    QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(folder) + "/" + name);
}
} // namespace

TEST(SettingsPictures, DISABLED_SaveTheSettingsDialogs) {
    Sample sample;
    Session s(sample, sample.project());
    s->resize(1300, 740);
    s->show();
    shoot("main_calculation.png");
    whenShown<frmOptions>([](frmOptions &o) {
        o.resize(o.sizeHint());
        shoot("options_general.png");
        o.Options->setCurrentIndex(frmOptions::RunningAverages);
        shoot("options_running.png");
        o.Options->setCurrentIndex(frmOptions::HourlyPercentiles);
        o.Perc.calc->click();
        shoot("options_percentiles_off.png");
        o.btnCancel_Click();
    });
    s->menOptions_Click();
    whenShown<frmConcUnits>([](frmConcUnits &u) {
        u.cmbUnit_Click(false, 2, 4);
        u.cmbUnit_Click(false, 4, 6);
        u.txtUnitDef->setText("1,91");
        shoot("units_pending.png");
        u.btnCancel_Click();
    });
    s->menConcUnit_Click();
    s->btnGeneric_Click();
    whenShown<frmOptions>([](frmOptions &o) {
        shoot("options_special_no2.png");
        o.btnCancel_Click();
    });
    s->menOptions_Click();
    whenShown<frmEmission>([](frmEmission &e) {
        e.Text1[2]->setText("-5");
        e.boxes()->markEdited(e.Text1[2]);
        shoot("emission_red_box.png");
        e.btnCancel_Click();
    });
    s->menEmission_Click();
}

TEST(SettingsPictures, DISABLED_SaveAddingACountry) {
    Sample sample;
    Session s(sample, "");
    s->resize(1300, 740);
    s->show();
    s->countryAddingWindows.chooseOption = [&s] {
        frmCountrySelOptions dialog(nullptr, s.w.get());
        test::onModal<frmCountrySelOptions>([](frmCountrySelOptions *shown) {
            shoot("country_options.png");
            shown->btnOK_Click();
        });
        dialog.exec();
        return dialog.NewCountryOption_;
    };
    s.ui.answers = {Answer::Ok};
    s.ui.inputs = {std::string("Newland"), std::string("NL")};
    const int addNew = s->cmbCountry->count() - 1;
    s->cmbCountry->setCurrentIndex(addNew);
    s->cmbCountry_Click(addNew);
    s->cmbCountry->showPopup();
    shoot("country_added.png");
    s->cmbCountry->hidePopup();

    // A package: the copying window is shot while it shows the first file.
    const std::string package = sample.appDir + "Package/";
    fs::create_directories(package);
    fs::copy_file(sample.appDir + "Lists/National/DL/PercDef.lst", package + "PercDef.lst");
    std::ofstream(package + "Files.lst") << "AppPath\\Lists\\National\\Code\\PercDef.lst\r\n";
    s->countryAddingWindows.chooseOption = [] { return NewCountryOption::Package; };
    s->countryAddingWindows.chooseSourceFolder = [package] { return std::optional<std::string>(package); };
    s.ui.inputs = {std::string("Packland"), std::string("PK")};
    // Looks again at every turn of the event loop until the copying window is up (while the test runs,
    // for a minute at most).
    auto looking = std::make_shared<QElapsedTimer>();
    looking->start();
    auto whenCopying = std::make_shared<std::function<void()>>();
    *whenCopying = [again = std::weak_ptr<std::function<void()>>(whenCopying), looking] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (qobject_cast<frmAnimation *>(w) && w->isVisible()) {
                shoot("country_copying.png");
                return;
            }
        }
        if (const auto next = again.lock(); next && looking->elapsed() < 60000) {
            QTimer::singleShot(0, *next);
        }
    };
    QTimer::singleShot(0, *whenCopying);
    const int addAgain = s->cmbCountry->count() - 1;
    s->cmbCountry->setCurrentIndex(addAgain);
    s->cmbCountry_Click(addAgain);
}
