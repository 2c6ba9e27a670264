#include "project/Lifecycle.h"
#include "project/ProjectFixtures.h"
#include "project/ProjectState.h"
#include "project/ProjectWriter.h"
#include "project/RecentFiles.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

struct Lifecycle : ::testing::Test {
    ProjectFolder folder;
    std::string appDir = folder.appDir;
    std::string workDir = folder.workDir;
    ScriptedInteraction ui;
    int trafficSaves = 0;
    bool trafficEditorSaves = true;
    TrafficFileSaver saveTraffic = [this](ProjectState &) {
        ++trafficSaves;
        return trafficEditorSaves;
    };

    // An open, changed project with an edited traffic file and changed options.
    ProjectState openProjectState() {
        ProjectState s = folder.fresh();
        fillSingleStreetProject(s);
        s.WorkDir = workDir;
        s.ProjectFile = workDir + "Open.vkp";
        s.ProjectName = s.ProjectFile;
        s.ProjectChanged = true;
        s.TrafficFileOpened = true;
        s.TrafficFileSaved = false;
        s.OptionFileChanged = true;
        return s;
    }
};

} // namespace

TEST_F(Lifecycle, ATrafficFileTheEditorDidNotSaveStaysUnsavedAndStopsTheCommand) {
    ProjectState s = openProjectState();
    trafficEditorSaves = false;
    ui.answers = {Answer::Yes};
    EXPECT_FALSE(askSaveQuestions(s, ui, ProjectCommand::Close, saveTraffic));
    EXPECT_EQ(trafficSaves, 1);
    EXPECT_FALSE(s.TrafficFileSaved);
    EXPECT_TRUE(s.ProjectChanged);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(Lifecycle, QuestionsComeInOrderAndCancelStopsAtOnce) {
    ProjectState s = openProjectState();
    s.NoLocalOptionFile = true;
    ui.answers = {Answer::Cancel};
    EXPECT_FALSE(askSaveQuestions(s, ui, ProjectCommand::Close, saveTraffic));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Do you want to save changes you made to the current traffic file?");
    EXPECT_TRUE(s.ProjectChanged);
    EXPECT_FALSE(s.TrafficFileSaved);

    ui.messages.clear();
    ui.answers = {Answer::Yes, Answer::No, Answer::No};
    EXPECT_TRUE(askSaveQuestions(s, ui, ProjectCommand::Close, saveTraffic));
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[1], "Do you want to save changes you made to " + s.ProjectFile);
    EXPECT_EQ(ui.messages[2],
              "Do you want to generate and save a local Option File in the current Working "
              "Directory?\r\nThis Option File will be used for all projects in this Directory.");
    EXPECT_EQ(trafficSaves, 1);
    EXPECT_TRUE(s.TrafficFileSaved);
    EXPECT_FALSE(s.ProjectChanged); // No clears it, so leaving asks nothing more
    EXPECT_FALSE(s.OptionFileChanged) << "No at Close settles the option file too";
    EXPECT_FALSE(fs::exists(workDir + "Open.vkp"));

    ui.messages.clear();
    s.OptionFileChanged = false;
    EXPECT_TRUE(askSaveQuestions(s, ui, ProjectCommand::Unload, saveTraffic));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Lifecycle, OpenSaysTheChangesAsksNoOptionQuestionAndUnloadKeepsTheFlag) {
    ProjectState s = openProjectState();
    s.TrafficFileOpened = false;
    ui.answers = {Answer::No};
    EXPECT_TRUE(askSaveQuestions(s, ui, ProjectCommand::Open, saveTraffic));
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"Do you want to save the changes you made to " + s.ProjectFile});
    EXPECT_TRUE(s.OptionFileChanged);

    s = openProjectState();
    s.TrafficFileOpened = false;
    s.OptionFileChanged = false;
    ui.answers = {Answer::No};
    EXPECT_TRUE(askSaveQuestions(s, ui, ProjectCommand::Unload, saveTraffic));
    EXPECT_TRUE(s.ProjectChanged);
}

TEST_F(Lifecycle, YesSavesProjectAndLocalOptionFileUnderItsExactName) {
    ProjectState s = openProjectState();
    s.TrafficFileOpened = false;
    s.NoLocalOptionFile = false;
    ui.answers = {Answer::Yes, Answer::No, Answer::Yes};
    EXPECT_TRUE(askSaveQuestions(s, ui, ProjectCommand::New, saveTraffic));
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[1], "Do you want to save the changes you made to the local Option File ?");
    EXPECT_EQ(ui.messages[2], "Do you want to save the changes you made to the local Option File ?");
    EXPECT_TRUE(fs::exists(workDir + "Open.vkp"));
    EXPECT_TRUE(fs::exists(workDir + "Run.opt"));
    EXPECT_FALSE(fs::exists(workDir + "run.opt") &&
                 !fs::equivalent(workDir + "run.opt", workDir + "Run.opt"));
    EXPECT_FALSE(s.OptionFileChanged);
    EXPECT_FALSE(s.ProjectChanged);
}

TEST_F(Lifecycle, CancelledSaveOfAnUntitledProjectStopsTheCommand) {
    ProjectState s = openProjectState();
    s.TrafficFileOpened = false;
    s.UntitledProject = true;
    ui.answers = {Answer::Yes};
    ui.files = {std::nullopt};
    EXPECT_FALSE(askSaveQuestions(s, ui, ProjectCommand::Close, saveTraffic));
    EXPECT_EQ(ui.messages[0], "Do you want to save the Project Data");
    EXPECT_TRUE(s.ProjectChanged);
}

TEST_F(Lifecycle, CloseLeavesNoProject) {
    ProjectState s = openProjectState();
    s.TrailingValue = 0.5;
    closeProject(s);
    EXPECT_EQ(s.ProjectFile, "");
    EXPECT_EQ(s.TrafficFile, "");
    EXPECT_EQ(s.VehicleListFile, "");
    EXPECT_EQ(s.ScenarioYear, -1);
    EXPECT_DOUBLE_EQ(s.CorrectionThreshold(), -1);
    EXPECT_EQ(windowCaption(s), "WinVESK");
}

TEST_F(Lifecycle, OpenLoadsAndAFailedOpenClosesButKeepsTheRecentEntry) {
    ProjectState s = folder.fresh();
    const std::string good = folder.write("DemoStreet.vkp", readFile(dataDir() / "Working/DemoStreet.vkp"));
    EXPECT_EQ(openProject(s, ui, good).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(s.ProjectName, good);
    EXPECT_EQ(windowCaption(s), "WinVESK Calculation [" + good + "]");
    EXPECT_FALSE(s.ProjectChanged);

    const std::string gone = workDir + "Gone.vkp";
    EXPECT_EQ(openProject(s, ui, gone).outcome, LoadOutcome::Failed);
    EXPECT_EQ(s.ProjectFile, "");
    EXPECT_EQ(s.MRUFiles, (std::vector<std::string>{gone, good}));
}

TEST_F(Lifecycle, WorkingFolderChecks) {
    // A folder holding a Run.opt (any case) asks first.
    folder.dir.write("Existing/run.opt", "x");
    ui.answers = {Answer::Cancel, Answer::Ok};
    EXPECT_EQ(checkWorkingFolder(appDir + "Existing", "", ui), FolderCheck::ChooseAgain);
    EXPECT_TRUE(
        ui.messages[0].starts_with("Note!\r\n\r\nThis folder contains an Option File (named Run.opt)."));
    EXPECT_EQ(checkWorkingFolder(appDir + "Existing", "", ui), FolderCheck::Accepted);

    // A missing folder is offered to be created.
    ui.messages.clear();
    ui.answers = {Answer::Cancel};
    EXPECT_EQ(checkWorkingFolder(appDir + "New/Deeper", "", ui), FolderCheck::ChooseAgain);
    EXPECT_FALSE(fs::exists(appDir + "New"));
    ui.answers = {Answer::Ok};
    EXPECT_EQ(checkWorkingFolder(appDir + "New/Deeper", "", ui), FolderCheck::Accepted);
    EXPECT_TRUE(fs::is_directory(appDir + "New/Deeper"));
    EXPECT_EQ(ui.messages[0], "The specified directory doesn't exist!\r\n" + appDir +
                                  "New/Deeper\r\nDo you want the directory to be created?");
}

TEST_F(Lifecycle, NewProjectStartsFromTheTemplateInTheChosenFolder) {
    ProjectState s = folder.fresh();
    auto r = newProjectFromTemplate(s, ui, appDir + "Fresh");
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(s.UntitledProject);
    EXPECT_EQ(s.ProjectName, "untitled");
    EXPECT_EQ(s.WorkDir, appDir + "Fresh/");
    EXPECT_EQ(s.StreetName, "New street");
    EXPECT_EQ(windowCaption(s), "WinVESK Calculation [untitled]");

    ProjectState broken;
    setDemolandCountry(broken, appDir + "nowhere/");
    EXPECT_EQ(newProjectFromTemplate(broken, ui, appDir).outcome, LoadOutcome::Failed);
    EXPECT_TRUE(broken.NewProjectPending);
}

TEST_F(Lifecycle, LeavingStoresRecentFilesAndLastFolderAndAsksAboutTheCountry) {
    MemorySettings settings;
    int countrySaves = 0;
    auto saveCountries = [&](ProjectState &, std::string *) {
        ++countrySaves;
        return true;
    };
    ProjectState s = folder.fresh();
    s.StartCountry = "Otherland";
    s.WorkDir = workDir;
    AddMRUFile(s, "/a.vkp");

    ui.answers = {Answer::Cancel};
    EXPECT_FALSE(unloadProgram(s, ui, settings, saveTraffic, saveCountries));
    EXPECT_EQ(ui.messages[0],
              "The Default Country setting was changed!\r\nDo you want Demoland to be the new "
              "Default Country from now on?");
    EXPECT_EQ(settings.value("MRUFiles", "0"), "");

    ui.answers = {Answer::No};
    EXPECT_TRUE(unloadProgram(s, ui, settings, saveTraffic, saveCountries));
    EXPECT_EQ(countrySaves, 0);
    EXPECT_EQ(settings.value("MRUFiles", "0"), "/a.vkp");
    EXPECT_EQ(settings.value("Files", "LastPath"), workDir);

    ui.answers = {Answer::Yes};
    EXPECT_TRUE(unloadProgram(s, ui, settings, saveTraffic, saveCountries));
    EXPECT_EQ(countrySaves, 1);

    // After a batch run nothing is asked or written.
    MemorySettings untouched;
    ui.messages.clear();
    s.ErrorCode = 100;
    s.ProjectChanged = true;
    s.ProjectFile = "/x.vkp";
    EXPECT_TRUE(unloadProgram(s, ui, untouched, saveTraffic, saveCountries));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(untouched.value("MRUFiles", "0"), "");
}

TEST(RecentFiles, NewestFirstAtMostFourAndCaseInsensitive) {
    ProjectState s;
    for (const char *p : {"/p/a.vkp", "/p/b.vkp", "/p/c.vkp", "/p/d.vkp"}) {
        AddMRUFile(s, p);
    }
    EXPECT_EQ(s.MRUFiles, (std::vector<std::string>{"/p/d.vkp", "/p/c.vkp", "/p/b.vkp", "/p/a.vkp"}));
    AddMRUFile(s, "/P/B.VKP");
    EXPECT_EQ(s.MRUFiles, (std::vector<std::string>{"/P/B.VKP", "/p/d.vkp", "/p/c.vkp", "/p/a.vkp"}));
    EXPECT_EQ(MRUCaption(s, 1), "&2 /p/d.vkp");
    AddMRUFile(s, "/p/e.vkp");
    EXPECT_EQ(s.MRUFiles, (std::vector<std::string>{"/p/e.vkp", "/P/B.VKP", "/p/d.vkp", "/p/c.vkp"}));
    EXPECT_EQ(s.MRULastIndex, 3);
    EXPECT_EQ(FindMRUFile(s, "/p/a.vkp"), -1);

    MemorySettings settings;
    SaveMRUList(s, settings);
    ProjectState restarted;
    LoadMRUList(restarted, settings);
    EXPECT_EQ(restarted.MRUFiles, s.MRUFiles);
}

TEST(RecentFiles, LoadingStopsAtTheFirstEmptyKey) {
    MemorySettings settings;
    settings.setValue("MRUFiles", "0", "/top.vkp");
    settings.setValue("MRUFiles", "1", "/next.vkp");
    settings.setValue("MRUFiles", "3", "/orphan.vkp");
    ProjectState s;
    LoadMRUList(s, settings);
    EXPECT_EQ(s.MRUFiles, (std::vector<std::string>{"/top.vkp", "/next.vkp"}));
}
