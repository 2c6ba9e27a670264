// Going from one project to the next in the main window: Enter at the
// question "Do you want to save changes you made to ..." of New, Open, Close
// and Exit saves the project (Yes is the default button), and a new project
// starts with an empty status line, not with the end of the last one's run.

#include "ui/WindowSession.h"
#include "ui/settings/frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

using namespace vesk;
using test::Sample;
using test::Session;

namespace {

enum class Leave { New, Open, Close, Exit };

struct LeaveCase {
    const char *name;
    Leave how;
    const char *question; // the project question, before the project's path
};

void PrintTo(const LeaveCase &c, std::ostream *os) {
    *os << c.name;
}

class EnterAtTheSaveQuestion : public testing::TestWithParam<LeaveCase> {};

} // namespace

TEST_P(EnterAtTheSaveQuestion, SavesTheChangedTrafficAndCitySizeIntoTheProjectFile) {
    const LeaveCase &c = GetParam();
    Sample sample;
    std::string adtShown;
    int citySizeShown = -1;
    {
        Session s(sample, sample.project());
        ASSERT_TRUE(s.loaded);
        // The analyst types a daily traffic and picks another city size.
        s->txtADT->setText(QStringLiteral("12345"));
        s->txtTraffic_Edited(0);
        ASSERT_TRUE(s->txtTraffic_LostFocus(0));
        ASSERT_GE(s->cmbCitySize->count(), 2);
        citySizeShown = s->cmbCitySize->currentIndex() == 0 ? 1 : 0;
        s->cmbCitySize->setCurrentIndex(citySizeShown);
        s->cmbCitySize_Click(citySizeShown);
        ASSERT_TRUE(s.state.ProjectChanged);

        s.ui.messages.clear();
        s.ui.answers.clear(); // Enter at every question: its default button
        switch (c.how) {
        case Leave::New: {
            const std::string folder = sample.appDir + "Working/Next/";
            std::filesystem::create_directories(folder);
            s.newSingleStreetProject(folder);
            break;
        }
        case Leave::Open:
            s.open(sample.project("DemoStreets.vkm"));
            break;
        case Leave::Close:
            s->menClose_Click();
            break;
        case Leave::Exit:
            s->menExit_Click();
            break;
        }
        ASSERT_FALSE(s.ui.messages.empty());
        EXPECT_EQ(s.ui.messages[0], c.question + sample.project());
        if (c.how == Leave::Open || c.how == Leave::Close) {
            EXPECT_NE(s.state.ProjectFile, sample.project()) << "the command went on after the save";
        }
    }
    // The project opened again shows what was typed and picked.
    Session again(sample, sample.project());
    ASSERT_TRUE(again.loaded);
    EXPECT_EQ(again->txtADT->text().toStdString(), "12345");
    EXPECT_EQ(again->cmbCitySize->currentIndex(), citySizeShown);
}

INSTANTIATE_TEST_SUITE_P(
    LeavingAProject, EnterAtTheSaveQuestion,
    testing::Values(LeaveCase{"New", Leave::New, "Do you want to save changes you made to "},
                    LeaveCase{"Open", Leave::Open, "Do you want to save the changes you made to "},
                    LeaveCase{"Close", Leave::Close, "Do you want to save changes you made to "},
                    LeaveCase{"Exit", Leave::Exit, "Do you want to save changes you made to "}),
    [](const testing::TestParamInfo<LeaveCase> &info) { return std::string(info.param.name); });

TEST(LeavingAProject, ANewProjectStartsWithAnEmptyStatusLineNotTheEndOfTheLastRun) {
    Sample sample;
    Session s(sample, sample.project());
    s.runToEnd();
    ASSERT_EQ(s->lblProgress->text(), "The calculation has ended.");
    const std::string folder = sample.appDir + "Working/Next/";
    std::filesystem::create_directories(folder);
    // What the status line says while the new project is being set up in its dialog.
    QString whileSettingUp = QStringLiteral("(the new-project dialog was not shown)");
    s->chooseFileName = [folder](int, const QString &, const QString &) { return folder; };
    s->showNewStreetDialog = [&] {
        whileSettingUp = s->lblProgress->text();
        return true;
    };
    test::onModal<QDialog>([](QDialog *kind) { kind->accept(); }); // the project type: single street
    s->menNew_Click();
    EXPECT_EQ(s.state.ProjectName, "untitled");
    EXPECT_EQ(whileSettingUp.toStdString(), "");
    EXPECT_EQ(s->lblProgress->text().toStdString(), "");
}

TEST(LeavingAProject, EnterAtTheQuestionAboutTheLocalOptionFileSavesTheOptionsChanged) {
    Sample sample;
    const std::string local = sample.appDir + "Working/Run.opt";
    std::filesystem::copy_file(sample.appDir + "Run.opt", local);
    const std::string installed = test::readFile(local);
    {
        Session s(sample, sample.project());
        ASSERT_TRUE(s.loaded);
        ASSERT_FALSE(s.state.NoLocalOptionFile);
        // Project > Options: "Show Benzene" unticked, OK.
        bool unticked = false;
        test::onModal<ui::frmOptions>([&](ui::frmOptions *o) {
            for (QCheckBox *show : o->chkShowPOL) {
                if (show->text() == "Show Benzene" && show->isChecked()) {
                    show->click();
                    unticked = true;
                }
            }
            o->btnOK_Click();
        });
        s->action("menOptions")->trigger();
        ASSERT_TRUE(unticked);
        ASSERT_TRUE(s.state.OptionFileChanged);

        s.ui.messages.clear();
        s.ui.answers.clear(); // Enter at every question: its default button
        s->menExit_Click();
        EXPECT_NE(std::find(s.ui.messages.begin(), s.ui.messages.end(),
                            "Do you want to save the changes you made to the local Option File ?"),
                  s.ui.messages.end())
            << testing::PrintToString(s.ui.messages);
    }
    EXPECT_TRUE(test::readFile(local) != installed) << "the options changed are saved";
    // The options opened again show Benzene unticked.
    Session again(sample, sample.project());
    ASSERT_TRUE(again.loaded);
    int shown = -1;
    test::onModal<ui::frmOptions>([&](ui::frmOptions *o) {
        for (QCheckBox *show : o->chkShowPOL) {
            if (show->text() == "Show Benzene") {
                shown = show->isChecked() ? 1 : 0;
            }
        }
        o->btnCancel_Click();
    });
    again->action("menOptions")->trigger();
    EXPECT_EQ(shown, 0);
}
