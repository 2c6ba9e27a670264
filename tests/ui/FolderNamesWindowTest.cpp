// A file picked through its dialog in a subfolder of the project's folder is
// stored with that folder ("streets\Streets.txt", as project files write
// it); the window's label shows where it lies, and the run finds it whatever
// folder the program was started in.

#include "ui/WindowSession.h"

#include "ui/inputdef/frmStreetSet.h"

#include <QLabel>
#include <filesystem>
#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::ui;
using test::CurrentFolder;
using test::Sample;
using test::Session;
namespace fs = std::filesystem;

TEST(FolderNamesWindow, FilesPickedInSubfoldersOfTheProjectRunFromAProgramStartedElsewhere) {
    Sample sample;
    const std::string work = sample.appDir + "Working/";
    fs::create_directories(work + "streets");
    fs::copy_file(work + "Streets.txt", work + "streets/Streets.txt");
    sample.dir.write("Working/cnd/Site.cnd", "[Site]\r\n1\r\n");
    Session s(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.loaded);

    // Project > Street Configuration: Open in the street-set editor picks the file in streets/.
    test::onModal<frmStreetSet>([&](frmStreetSet *d) {
        s.ui.files.push_back(work + "streets/Streets.txt");
        d->btnOpen_Click();
        d->btnOK_Click();
    });
    s->menEditStreetConfiguration_Click();
    EXPECT_EQ(s.state.StreetsFile, "streets\\Streets.txt");
    EXPECT_EQ(s->Label4->text().toStdString(), work + "streets/Streets.txt");
    // Project > Set Conditions File picks one in cnd/.
    s.ui.files.push_back(work + "cnd/Site.cnd");
    s->menSetCNDFile_Click();
    EXPECT_EQ(s.state.ConditionsFile, "cnd\\Site.cnd");
    fs::remove(work + "Streets.txt"); // only the picked file is left to read

    const test::TempDir elsewhere;
    s.ui.messages.clear();
    {
        CurrentFolder started(elsewhere.path());
        s.runToEnd();
    }
    EXPECT_EQ(s->lblProgress->text().toStdString(), "The calculation has ended.");
    for (const std::string &m : s.ui.messages) {
        EXPECT_EQ(m.find("Can't open"), std::string::npos) << m;
    }
    EXPECT_TRUE(fs::is_empty(elsewhere.path())) << "nothing is written where the program was started";
    EXPECT_EQ(test::readFile(work + "StreetsStat2023.txt"),
              test::readFile(test::sourceDir() / "tests/run/expected/MultiStreet/StreetsStat2023.txt"))
        << "the results of the sample, its streets file beside the project";
}
