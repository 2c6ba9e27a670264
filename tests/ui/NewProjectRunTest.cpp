// A new project set up by hand in the main window, as a new analyst does it:
// File > New, then the files added and described in the window. It must run
// exactly as the same project saved and opened again, and it must start from
// the template, not from what the previous project left behind.

#include "ui/WindowSession.h"

#include "ui/inputdef/ListTextBox.h"
#include "ui/inputdef/frmFormatFile.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>

using namespace vesk;
using test::Sample;
using test::Session;
namespace fs = std::filesystem;

namespace {

using test::onModal;

// Add File on list kind (after its last file) with name, then the format
// dialog on it with the variable (and rows) list typed in.
void addDescribedFile(Session &s, int kind, const std::string &name, const std::string &vars,
                      const std::string &rows = {}) {
    const int count = s->List1[kind]->count();
    s.select(kind, count - 1);
    s.names({name});
    s->btnAddFile_Click();
    if (kind == 3) {
        return;
    }
    int position = -1;
    for (int i = 0; i < s->List1[kind]->count(); ++i) {
        if (s->List1[kind]->text(i).toStdString() == name) {
            position = i;
        }
    }
    ASSERT_GE(position, 0) << name << " was added";
    s.select(kind, position);
    onModal<ui::frmFormatFile>([vars, rows, kind](ui::frmFormatFile *d) {
        d->Form_Activate();
        d->boxVariables->setPlainText(QString::fromStdString(vars));
        if (kind == 4) {
            d->boxRows->setPlainText(QString::fromStdString(rows));
        }
        d->btnEndFormat_Click();
    });
    s->btnFormatFile_Click();
}

// The sample's meteorology, background and traffic files, described as the sample describes them.
void addSampleInputs(Session &s) {
    ASSERT_NO_FATAL_FAILURE(addDescribedFile(
        s, 1, "Met2023.txt", "year, month, day, hour, u_mast, wind_dir, temperature, globalrad"));
    ASSERT_NO_FATAL_FAILURE(
        addDescribedFile(s, 1, "Back2023.txt",
                         "year, month, day, hour, cNOx_b, cNO2_b, cO3_b, cCO_b, cPM10_b, cPM2.5_b, cBNZ_b"));
    ASSERT_NO_FATAL_FAILURE(addDescribedFile(s, 3, "DemoStreet.trf", ""));
}

struct Outputs {
    std::string hourly, statistics;
};

Outputs outputsOf(const std::string &folder) {
    return {test::readFile(folder + "Out.txt"), test::readFile(folder + "Stat.txt")};
}

// A folder for the new project holding copies of the sample's data files.
std::string freshFolder(const Sample &sample) {
    const std::string folder = sample.appDir + "Fresh/";
    fs::create_directories(folder);
    for (const char *file : {"Met2023.txt", "Back2023.txt", "DemoStreet.trf"}) {
        fs::copy_file(sample.appDir + "Working/" + file, folder + file);
    }
    return folder;
}

} // namespace

TEST(NewProjectByHand, RunsExactlyAsTheSameProjectSavedAndOpenedAgain) {
    Sample sample;
    Session s(sample, "");
    const std::string folder = freshFolder(sample);
    s.newSingleStreetProject(folder);
    ASSERT_TRUE(s.state.UntitledProject);

    ASSERT_NO_FATAL_FAILURE(addSampleInputs(s));
    ASSERT_NO_FATAL_FAILURE(addDescribedFile(
        s, 2, "Out.txt", "year, month, day, hour, cNOx_mod_1, cNOx_mod_2, cNO2_mod_1, cNO2_mod_2"));
    ASSERT_NO_FATAL_FAILURE(addDescribedFile(s, 4, "Stat.txt",
                                             "\"Series\", Average_1, Average_2, 19thHighest_1, MaxHourly_1",
                                             "NOx_mod, NO2_mod, NO2_b"));
    ASSERT_EQ(s.state.NumInputFiles, 2);
    ASSERT_FALSE(s.state.TrafficFile.empty());
    ASSERT_TRUE(s->btnRun->isEnabled());

    s.runToEnd();
    ASSERT_EQ(s->lblProgress->text(), "The calculation has ended.")
        << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    const Outputs set_up = outputsOf(folder);
    ASSERT_FALSE(set_up.hourly.empty());
    EXPECT_EQ(set_up.hourly.find("-99"), std::string::npos) << "both sides of every hour are modelled";

    s.ui.files.push_back(folder + "ByHand.vkp");
    s->menSave_Click();
    ASSERT_EQ(s.state.ProjectFile, folder + "ByHand.vkp");
    fs::remove(folder + "Out.txt");
    fs::remove(folder + "Stat.txt");
    s.open(folder + "ByHand.vkp");
    ASSERT_EQ(s.state.ProjectFile, folder + "ByHand.vkp");
    s.runToEnd();
    ASSERT_EQ(s->lblProgress->text(), "The calculation has ended.");
    const Outputs reopened = outputsOf(folder);
    EXPECT_EQ(set_up.hourly, reopened.hourly);
    EXPECT_EQ(set_up.statistics, reopened.statistics);
}

TEST(NewProjectByHand, SavingAfterTheFirstRunKeepsItsResultsAtHand) {
    Sample sample;
    Session s(sample, "");
    const std::string folder = freshFolder(sample);
    s.newSingleStreetProject(folder);
    ASSERT_TRUE(s.state.UntitledProject);
    ASSERT_NO_FATAL_FAILURE(addSampleInputs(s));
    ASSERT_NO_FATAL_FAILURE(addDescribedFile(s, 4, "Stat.txt",
                                             "\"Series\", Average_1, Average_2, 19thHighest_1, MaxHourly_1",
                                             "NOx_mod, NO2_mod"));
    s.state.ShowResultsAuto = false;
    s.runToEnd();
    ASSERT_EQ(s->lblProgress->text(), "The calculation has ended.")
        << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    ASSERT_TRUE(s->toolbarKey("Results")->isEnabled());

    for (const char *command : {"menSave", "menSaveAs"}) {
        s.ui.files.push_back(folder + command + ".vkp");
        s->action(command)->trigger();
        ASSERT_EQ(s.state.ProjectFile, folder + command + ".vkp");
        EXPECT_TRUE(s->toolbarKey("Results")->isEnabled()) << command << ": the results of the run stay";
        EXPECT_TRUE(s->action("menLastResults")->isEnabled()) << command;
        s.resultsWindows.clear();
        s->toolbarKey("Results")->trigger();
        EXPECT_EQ(s.resultsWindows.size(), 1u)
            << command << " " << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    }
}

TEST(NewProjectByHand, StartsFromTheTemplatesTrafficNotThePreviousProjects) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    s->txtADT->setText(QStringLiteral("36000"));
    s->txtTraffic_LostFocus(0);
    ASSERT_EQ(s.state.AnnualDiurnalTraffic, 36000);
    s.ui.answers = {Answer::No}; // do not save the sample's changes
    const std::string folder = freshFolder(sample);
    s.newSingleStreetProject(folder);
    ASSERT_TRUE(s.state.UntitledProject);
    EXPECT_EQ(s.state.AnnualDiurnalTraffic, 0) << "the template gives no traffic";
    EXPECT_EQ(s.state.AverageTrafficSpeed, 0);

    ASSERT_NO_FATAL_FAILURE(addDescribedFile(s, 3, "DemoStreet.trf", ""));
    EXPECT_NE(s.state.AnnualDiurnalTraffic, 36000) << "the old project's traffic does not come back";
    s.ui.files.push_back(folder + "New.vkp");
    s->menSave_Click();
    const std::string saved = test::readFile(folder + "New.vkp");
    EXPECT_EQ(saved.find("36000"), std::string::npos) << saved;
}

TEST(NewProjectByHand, SavedFirstOutsideItsWorkingFolderItRunsOnTheFilesItWasSetUpWith) {
    Sample sample;
    Session s(sample, "");
    const std::string folder = freshFolder(sample);
    const std::string elsewhere = sample.appDir + "Elsewhere/";
    // Other files under the names the project stores, in the folder it is saved to.
    fs::create_directories(elsewhere);
    fs::copy_file(sample.appDir + "Data/Traffic/National/DL/CityStreet.trf", elsewhere + "DemoStreet.trf");
    fs::copy_file(folder + "Back2023.txt", elsewhere + "Met2023.txt");
    s.newSingleStreetProject(folder);
    ASSERT_NO_FATAL_FAILURE(addSampleInputs(s));
    ASSERT_NO_FATAL_FAILURE(addDescribedFile(
        s, 4, "Stat.txt", "\"Series\", Average_1, Average_2, MaxHourly_1", "NOx_mod, NO2_mod, NO2_b"));
    s.runToEnd();
    ASSERT_EQ(s->lblProgress->text(), "The calculation has ended.")
        << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    const std::string statistics = test::readFile(folder + "Stat.txt");

    s.ui.files.push_back(elsewhere + "New.vkp");
    s->menSave_Click();
    ASSERT_EQ(s.state.WorkDir, elsewhere);
    EXPECT_EQ(s->Label4->text().toStdString(), folder + "DemoStreet.trf");
    EXPECT_EQ(s->List1[4]->text(0).toStdString(), folder + "Stat.txt");
    fs::remove(folder + "Stat.txt");
    s.runToEnd();
    EXPECT_EQ(s->lblProgress->text(), "The calculation has ended.");
    EXPECT_EQ(test::readFile(folder + "Stat.txt"), statistics) << "the window's run after the save";
    fs::remove(folder + "Stat.txt");
    std::string said;
    EXPECT_EQ(test::batchRun(sample, elsewhere + "New.vkp", &said), kExitSucceeded) << said;
    EXPECT_EQ(test::readFile(folder + "Stat.txt"), statistics) << "the batch of the saved file";
    EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere), fs::directory_iterator()), 3)
        << "the folder saved to gets the project file, and nothing else";
}
