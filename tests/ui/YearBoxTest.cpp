// The scenario year box of the main window: a year chosen there is the year
// the next run computes, exactly as a project saved with that year and opened.

#include "ui/WindowSession.h"

#include <QComboBox>
#include <QLabel>
#include <filesystem>
#include <gtest/gtest.h>

using namespace vesk;
using test::Sample;
using test::Session;

namespace {

// The user picks the year box's entry text.
void chooseYear(Session &s, const QString &text) {
    const int index = s->cmbYear->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    s->cmbYear->setCurrentIndex(index);
    Q_EMIT s->cmbYear->activated(index);
}

std::string statistics(const Sample &sample) {
    return test::readFile(sample.appDir + "Working/Stat2023.txt");
}

} // namespace

TEST(YearBox, AnotherYearIsTheYearTheNextRunComputesAsIfTheProjectHadBeenSavedWithIt) {
    // The reference: the sample saved with 2030, opened again and run.
    std::string saved2030;
    {
        Sample sample;
        Session s(sample, sample.project());
        ASSERT_NO_FATAL_FAILURE(chooseYear(s, "2030"));
        const std::string copy = sample.appDir + "Working/Demo2030.vkp";
        s.ui.files.push_back(copy);
        s->menSaveAs_Click();
        ASSERT_TRUE(std::filesystem::exists(copy));
        s.open(copy);
        ASSERT_EQ(s.state.ScenarioYear, 2030);
        s.runToEnd();
        saved2030 = statistics(sample);
    }
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_EQ(s.state.ScenarioYear, 2020);
    s.runToEnd();
    const std::string ran2020 = statistics(sample);
    ASSERT_NO_FATAL_FAILURE(chooseYear(s, "2030"));
    EXPECT_EQ(s.state.VehicleListFile, ".\\Fleet2030.vlf");
    EXPECT_EQ(s->lblFleet[1]->text().toStdString(), sample.appDir + "Lists/National/DL/Fleet2030.vlf");
    EXPECT_TRUE(s.state.ProjectChanged);
    s.runToEnd();
    const std::string ran2030 = statistics(sample);
    EXPECT_NE(ran2030, ran2020) << "the 2030 fleet emits less than the 2020 one";
    EXPECT_EQ(ran2030, saved2030);
}

TEST(YearBox, ChoosingTheYearShownInANewProjectTakesThatYearsVehicleAndFuelLists) {
    Sample sample;
    Session s(sample, sample.project());
    std::filesystem::create_directories(sample.appDir + "Fresh");
    s.newSingleStreetProject(sample.appDir + "Fresh/");
    ASSERT_TRUE(s.state.UntitledProject);
    // A project without vehicle and fuel lists (a project file that names none).
    s.state.VehicleListFile.clear();
    s.state.FuelListFile.clear();
    const QString shown = s->cmbYear->currentText();
    ASSERT_FALSE(shown.isEmpty());
    ASSERT_NO_FATAL_FAILURE(chooseYear(s, shown));
    EXPECT_EQ(s.state.VehicleListFile, ".\\Fleet" + shown.toStdString() + ".vlf");
    EXPECT_EQ(s.state.FuelListFile, ".\\Fuels" + shown.toStdString() + ".flf");
    EXPECT_EQ(s->lblFleet[1]->text().toStdString(),
              sample.appDir + "Lists/National/DL/Fleet" + shown.toStdString() + ".vlf");
    EXPECT_EQ(s->lblFuel[1]->text().toStdString(),
              sample.appDir + "Lists/National/DL/Fuels" + shown.toStdString() + ".flf");
    EXPECT_TRUE(s.state.EmissionReady) << "the emissions are set up for the lists";
    // Chosen once more, it changes nothing.
    s.state.ProjectChanged = false;
    ASSERT_NO_FATAL_FAILURE(chooseYear(s, shown));
    EXPECT_FALSE(s.state.ProjectChanged);
}
