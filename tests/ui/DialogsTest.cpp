// The small dialogs: project type, countries, file and folder chooser, About.

#include "support/TestSupport.h"
#include "ui/WindowSession.h"
#include "ui/inputdef/frmNewFileName.h"
#include "ui/settings/frmAbout.h"
#include "ui/settings/frmCountries.h"
#include "ui/settings/frmProjectType.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSysInfo>
#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::ui;

// ---- Project type ---------------------------------------------------------------

struct ProjectTypeFlags {
    bool multi = false, route = false, cancelled = true;
};

TEST(ProjectTypeDialog, OkWithoutAClickKeepsTheTemplateFlagsAndIsNotCancelled) {
    ProjectTypeFlags f;
    frmProjectType dlg(f.multi, f.route, f.cancelled, nullptr);
    EXPECT_FALSE(f.cancelled) << "loading the dialog clears the cancel flag";
    dlg.btnOK_Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(f.multi);
    EXPECT_FALSE(f.route);
    EXPECT_FALSE(f.cancelled);
}

TEST(ProjectTypeDialog, ClickingMultiStreetsThenRouteLeavesOnlyRouteMode) {
    ProjectTypeFlags f;
    frmProjectType dlg(f.multi, f.route, f.cancelled, nullptr);
    dlg.ListView1_ItemClick(2);
    EXPECT_TRUE(f.multi);
    dlg.ListView1_ItemClick(3);
    EXPECT_FALSE(f.multi);
    EXPECT_TRUE(f.route);
    EXPECT_EQ(dlg.SelectedKindIndex, 3);
}

TEST(ProjectTypeDialog, CancelAfterAClickKeepsTheClickedKindAndSetsCancelled) {
    ProjectTypeFlags f;
    frmProjectType dlg(f.multi, f.route, f.cancelled, nullptr);
    dlg.ListView1_ItemClick(2);
    dlg.btnCancel_Click();
    EXPECT_TRUE(f.multi);
    EXPECT_TRUE(f.cancelled);
}

TEST(ProjectTypeDialog, ClosingByTheCloseBoxCountsAsCancelled) {
    ProjectTypeFlags f;
    frmProjectType dlg(f.multi, f.route, f.cancelled, nullptr);
    dlg.show();
    dlg.close();
    EXPECT_TRUE(f.cancelled);
}

TEST(ProjectTypeDialog, AClickOnEmptySpaceDisablesOkAndKeepsTheFlags) {
    ProjectTypeFlags f;
    frmProjectType dlg(f.multi, f.route, f.cancelled, nullptr);
    dlg.ListView1_ItemClick(3);
    dlg.ListView1_EmptyAreaClick();
    auto *ok = dlg.findChild<QPushButton *>("btnOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_TRUE(dlg.EmptyAreaClicked);
    EXPECT_TRUE(f.route);
    EXPECT_TRUE(dlg.findChild<QListWidget *>("ListView1")->selectedItems().isEmpty());
}

// ---- Countries ---------------------------------------------------------------------

struct CountriesFixture : ::testing::Test {
    std::vector<CountryEntry> countries{{"Demoland", "DL", false}, {"Otherland", "OL", false}};
    std::string current, code;
    std::vector<CountryEntry> written;
    int writes = 0;
    void wire(frmCountries &dlg) {
        dlg.writeCountries = [this](const std::vector<CountryEntry> &records, std::string *) {
            written = records;
            ++writes;
            return true;
        };
    }
};

TEST_F(CountriesFixture, FirstStartExplainsTheChoiceAndStartsWithOkDisabled) {
    frmCountries dlg(countries, current, code, nullptr);
    EXPECT_TRUE(dlg.findChild<QLabel *>("Label1")->text().startsWith(
        "The program cannot be run before one of the following countries is selected as the Default Country "
        "or "
        "you define"));
    EXPECT_FALSE(dlg.findChild<QPushButton *>("btnOK")->isEnabled());
    ASSERT_EQ(dlg.list()->count(), 3);
    EXPECT_EQ(dlg.list()->item(2)->text(), "Add New");
}

TEST_F(CountriesFixture, CheckingASecondCountryMovesTheSingleDefaultAndOkWritesIt) {
    frmCountries dlg(countries, current, code, nullptr);
    wire(dlg);
    dlg.list()->item(0)->setCheckState(Qt::Checked);
    dlg.list()->item(1)->setCheckState(Qt::Checked);
    EXPECT_EQ(current, "Otherland");
    EXPECT_EQ(code, "OL");
    EXPECT_FALSE(countries[0].IsDefault);
    EXPECT_TRUE(countries[1].IsDefault);
    EXPECT_EQ(dlg.list()->item(0)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(dlg.findChild<QPushButton *>("btnOK")->isEnabled());
    dlg.btnOK_Click();
    ASSERT_EQ(writes, 1);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_FALSE(written[0].IsDefault);
    EXPECT_TRUE(written[1].IsDefault);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(CountriesFixture, UncheckingTheOnlyCheckedCountryLeavesNoCountryAndOkDisabled) {
    frmCountries dlg(countries, current, code, nullptr);
    dlg.list()->item(0)->setCheckState(Qt::Checked);
    dlg.list()->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(current, "");
    EXPECT_EQ(code, "");
    EXPECT_FALSE(countries[0].IsDefault);
    EXPECT_FALSE(dlg.findChild<QPushButton *>("btnOK")->isEnabled());
}

TEST_F(CountriesFixture, CancelAtFirstStartClearsOnlyTheCurrentCountryAndWritesNothing) {
    frmCountries dlg(countries, current, code, nullptr);
    wire(dlg);
    dlg.list()->item(0)->setCheckState(Qt::Checked);
    dlg.btnCancel_Click();
    EXPECT_EQ(current, "");
    EXPECT_EQ(code, "DL");
    EXPECT_EQ(writes, 0);
}

TEST_F(CountriesFixture, AFailedWriteKeepsTheDialogOpenAndReportsIt) {
    frmCountries dlg(countries, current, code, nullptr);
    dlg.writeCountries = [](const std::vector<CountryEntry> &, std::string *error) {
        *error = "disk full";
        return false;
    };
    dlg.list()->item(0)->setCheckState(Qt::Checked);
    std::string reported;
    test::onModal<QMessageBox>([&reported](QMessageBox *box) {
        reported = box->text().toStdString();
        box->close();
    });
    dlg.btnOK_Click();
    EXPECT_NE(reported.find("disk full"), std::string::npos) << reported;
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.written());
}

TEST_F(CountriesFixture, AddingFromTheCountryBoxKeepsThePreviousDefaultInTheFile) {
    current = "Demoland";
    code = "DL";
    countries[0].IsDefault = true;
    frmCountries dlg(countries, current, code, nullptr);
    wire(dlg);
    dlg.AddNewCountry = [this](const std::string &) {
        countries.push_back({"Newland", "NL", false});
        return std::string("Newland");
    };
    dlg.startAdding();
    EXPECT_EQ(current, "Newland");
    EXPECT_EQ(code, "NL");
    ASSERT_EQ(writes, 1);
    ASSERT_EQ(written.size(), 3u);
    EXPECT_TRUE(written[0].IsDefault);
    EXPECT_FALSE(written[2].IsDefault);
}

TEST_F(CountriesFixture, AddingCancelledFromTheCountryBoxWritesNothing) {
    current = "Demoland";
    frmCountries dlg(countries, current, code, nullptr);
    wire(dlg);
    dlg.AddNewCountry = [](const std::string &) { return std::string(); };
    dlg.startAdding();
    EXPECT_EQ(current, "Demoland");
    EXPECT_EQ(writes, 0);
}

// ---- File and folder chooser -----------------------------------------------------------

TEST(FileChooser, OkStaysDisabledUntilTheNameBoxHoldsText) {
    FileChooserContext ctx;
    test::ScriptedInteraction ui;
    frmNewFileName dlg(ctx, ui);
    EXPECT_FALSE(dlg.okButton()->isEnabled());
    dlg.nameBox()->setText("met.dat");
    EXPECT_TRUE(dlg.okButton()->isEnabled());
    dlg.nameBox()->clear();
    EXPECT_FALSE(dlg.okButton()->isEnabled());
}

TEST(FileChooser, ATypedInputFileIsRememberedByItsFolderAndATableAddressByItsFile) {
    FileChooserContext ctx;
    ctx.SelectedFileKind = 1;
    test::ScriptedInteraction ui;
    {
        frmNewFileName dlg(ctx, ui);
        dlg.nameBox()->setText("/data/met/met2020.dat");
        dlg.btnEndNewFileName_Click();
        EXPECT_EQ(dlg.NewFileName, "/data/met/met2020.dat");
        EXPECT_EQ(ctx.LastInputDir, "/data/met/");
    }
    {
        frmNewFileName dlg(ctx, ui);
        dlg.nameBox()->setText("/db/x;y/input.mdb;Table1");
        dlg.btnEndNewFileName_Click();
        EXPECT_EQ(ctx.LastInputDir, "/db/x;y/");
    }
}

TEST(FileChooser, ATableStepThatOnlyCompletesTheNameKeepsTheDialogAndTheRememberedFolder) {
    FileChooserContext ctx;
    ctx.SelectedFileKind = 3;
    ctx.LastTrafficDir = "/old/";
    test::ScriptedInteraction ui;
    frmNewFileName dlg(ctx, ui);
    dlg.chooseTable = [](const QStringList &) { return QString(); };
    dlg.nameBox()->setText("/new/traffic.xls");
    dlg.btnEndNewFileName_Click();
    EXPECT_EQ(dlg.NewFileName, "");
    EXPECT_EQ(dlg.nameBox()->text(), "/new/traffic.xls");
    EXPECT_EQ(ctx.LastTrafficDir, "/old/");
}

TEST(FileChooser, CancelReturnsAnEmptyNameButClosingAListChoiceKeepsThePreset) {
    FileChooserContext ctx;
    ctx.SelectedFileKind = -1;
    test::ScriptedInteraction ui;
    {
        frmNewFileName dlg(ctx, ui);
        dlg.setName("Fleet2020.vlf");
        dlg.reject(); // the close box
        EXPECT_EQ(dlg.NewFileName, "Fleet2020.vlf");
    }
    {
        frmNewFileName dlg(ctx, ui);
        dlg.setName("Fleet2020.vlf");
        dlg.btnCancelNewFileName_Click();
        EXPECT_EQ(dlg.NewFileName, "");
    }
}

TEST(FileChooser, BrowseStartsInTheKindsFolderAndPutsThePickedFileInTheNameBox) {
    FileChooserContext ctx;
    ctx.SelectedFileKind = 3;
    ctx.TrafficDir = "/app/Data/Traffic/National/DL";
    test::ScriptedInteraction ui;
    ui.files.push_back(std::string("/app/Data/Traffic/National/DL/Std.trf"));
    frmNewFileName dlg(ctx, ui);
    EXPECT_EQ(dlg.browseFolder(), "/app/Data/Traffic/National/DL/");
    EXPECT_TRUE(dlg.browseFilter().startsWith("Traffic data (*.trf)|*.trf|"));
    dlg.btnBrowse_Click();
    EXPECT_EQ(dlg.nameBox()->text(), "/app/Data/Traffic/National/DL/Std.trf");
    ctx.LastTrafficDir = "/mine/";
    EXPECT_EQ(dlg.browseFolder(), "/mine/");
}

TEST(FileChooser, TheFolderKindAsksForAFolder) {
    FileChooserContext ctx;
    ctx.SelectedFileKind = 0;
    test::ScriptedInteraction ui;
    frmNewFileName dlg(ctx, ui);
    EXPECT_EQ(dlg.findChild<QLabel *>("lblMessage")->text(),
              "Type name of the folder or use Browse to find the folder");
}

// ---- About -------------------------------------------------------------------------------

TEST(AboutBox, ShowsTitleAndVersionAndSystemInfoTellsTheQtAndSystemVersions) {
    test::ScriptedInteraction ui;
    frmAbout about(ui);
    EXPECT_EQ(about.windowTitle(), "About WinVESK");
    EXPECT_EQ(about.findChild<QLabel *>("lblTitle")->text(), "WinVESK\nFor Linux");
    EXPECT_TRUE(about.findChild<QLabel *>("lblVersion")->text().startsWith("Version "));
    EXPECT_TRUE(about.findChild<QLabel *>("lblDescription")->text().contains("\n\nDeveloped by:\n\n"));
    about.cmdSysInfo_Click();
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string info = ui.messages[0];
    EXPECT_NE(info.find("Qt " + std::string(qVersion())), std::string::npos) << info;
    EXPECT_NE(info.find(QSysInfo::prettyProductName().toStdString()), std::string::npos) << info;
    EXPECT_NE(info.find(QSysInfo::kernelVersion().toStdString()), std::string::npos) << info;
    EXPECT_EQ(info.find("Unavailable"), std::string::npos);
}
