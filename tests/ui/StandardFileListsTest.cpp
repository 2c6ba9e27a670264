// The Settings editors that list files for every project of the country: a
// standard meteorology/background or traffic file is listed only when a
// calculation could read it, Restore takes back the copies the traffic
// editor made, and the scenarios editor's fleet database names the kinds of
// files the program reads and says when View cannot show it.

#include "ui/WindowSession.h"
#include "ui/listeditors/frmEditMetBackFiles.h"
#include "ui/listeditors/frmEditScenarios.h"
#include "ui/listeditors/frmEditStdTrafficFiles.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace vesk;
using namespace vesk::ui;
using test::NoPrograms;
using test::Sample;
using test::Session;

namespace {

namespace fs = std::filesystem;

// The program started on a copy of the data tree, without a project.
struct Program {
    Sample sample;
    Session s{sample, ""};
    test::TempDir outside; // files chosen from elsewhere
    std::string lists() const { return s.state.ListsDir; }
    // A file of random bytes, as a damaged or wrong file looks.
    std::string noise(const std::string &name) const {
        std::mt19937 random(41);
        std::string bytes(6000, '\0');
        for (char &c : bytes) {
            c = static_cast<char>(random() & 0xff);
        }
        return outside.write(name, bytes).string();
    }
    std::string lastMessage() const { return s.ui.messages.empty() ? std::string() : s.ui.messages.back(); }
};

} // namespace

TEST(StandardMetBackFiles, AFileACalculationCannotReadWithTheCommonLayoutIsRefusedWithTheReadersMessage) {
    Program p;
    frmEditMetBackFiles e(p.s.state, p.s.ui, nullptr);
    ASSERT_EQ(e.lstFiles->count(), 1);
    const std::string listed = e.lstFiles->item(0)->text().toStdString();
    const std::string before = test::readFile(p.lists() + "MetBack.lst");
    std::string chosen = p.noise("Noise.txt");
    e.chooseDataFile = [&](int, const QString &, const QString &) { return chosen; };

    e.btnAddFile->click();
    EXPECT_EQ(e.lstFiles->count(), 1) << "not listed";
    EXPECT_FALSE(e.ListChanged);
    EXPECT_NE(p.lastMessage().find("a calculation could not read it"), std::string::npos) << p.lastMessage();
    EXPECT_GT(p.lastMessage().size(), 80u) << "with the reader's own message: " << p.lastMessage();

    e.lstFiles->setCurrentRow(0);
    e.btnChangeFile->click();
    EXPECT_EQ(e.lstFiles->item(0)->text().toStdString(), listed) << "Change keeps the entry";

    // A year of meteorology in the common layout is listed.
    p.s.ui.messages.clear();
    chosen = p.outside.write("Good.txt", test::readFile(p.s.state.MetBackDir + "MetBack2023.txt")).string();
    e.btnAddFile->click();
    EXPECT_TRUE(p.s.ui.messages.empty()) << p.lastMessage();
    ASSERT_EQ(e.lstFiles->count(), 2);
    EXPECT_EQ(e.lstFiles->item(1)->text().toStdString(), chosen);
    EXPECT_EQ(test::readFile(p.lists() + "MetBack.lst"), before) << "nothing written before Save";
}

TEST(StandardTrafficFiles, AFileTheTrafficReaderRefusesIsNotListedAndNeverCopied) {
    Program p;
    frmEditStdTrafficFiles e(p.s.state, p.s.ui, nullptr);
    ASSERT_EQ(e.lstFiles->count(), 1);
    const std::string noise = p.noise("Noise.trf");
    e.chooseDataFile = [&](int, const QString &, const QString &) { return noise; };
    e.btnAddFile->click();
    EXPECT_EQ(e.lstFiles->count(), 1);
    EXPECT_NE(p.lastMessage().find("a calculation could not read it"), std::string::npos) << p.lastMessage();
    EXPECT_NE(p.lastMessage().find("Noise.trf"), std::string::npos) << "the reader names the file";

    p.s.ui.answers = {Answer::Yes, Answer::Ok};
    e.btnSave->click();
    EXPECT_FALSE(fs::exists(p.s.state.TrafficDir + "Noise.trf"));
    EXPECT_EQ(test::readFile(p.lists() + "StrTrf.lst").find("Noise"), std::string::npos);
}

TEST(StandardTrafficFiles, RestoreRemovesTheCopyTheEditorMadeIntoTheTrafficFolder) {
    Program p;
    frmEditStdTrafficFiles e(p.s.state, p.s.ui, nullptr);
    const std::string installed = p.s.state.TrafficDir + "CityStreet.trf";
    const std::string source = p.outside.write("Avenue.trf", test::readFile(installed)).string();
    e.chooseDataFile = [&](int, const QString &, const QString &) { return source; };
    e.btnAddFile->click();
    ASSERT_EQ(e.lstFiles->count(), 2) << p.lastMessage();
    e.txtName->setText("Avenue");
    Q_EMIT e.txtName->textEdited(e.txtName->text());
    p.s.ui.answers = {Answer::Ok};
    e.btnSave->click();
    ASSERT_TRUE(fs::exists(p.s.state.TrafficDir + "Avenue.trf"))
        << "the save copies it into the traffic folder";

    p.s.ui.answers = {Answer::Ok};
    e.btnRestore->click();
    EXPECT_EQ(e.lstFiles->count(), 1);
    EXPECT_FALSE(fs::exists(p.s.state.TrafficDir + "Avenue.trf")) << "the copy goes with the entry";
    EXPECT_TRUE(fs::exists(installed)) << "the installed file stays";
    EXPECT_TRUE(fs::exists(source));
}

TEST(ScenariosFleetDatabase, TheLabelAndTheFilterNameEveryKindReadAndViewSaysWhenTheFileIsMissing) {
    Program p;
    frmEditScenarios e(p.s.state, p.s.ui, nullptr);
    const QString label = e.findChild<QLabel *>(QStringLiteral("Label1"))->text();
    for (const char *kind : {"Access", "Excel", "Lotus", ".mdb", ".xls", ".wk"}) {
        EXPECT_NE(label.indexOf(QLatin1String(kind)), -1) << label.toStdString();
    }
    EXPECT_EQ(label.indexOf(QStringLiteral("Requires")), -1);

    // The demo country names FleetShare.xls in its traffic folder; without the file View says so.
    ASSERT_EQ(e.txtDataFile->text(), "FleetShare.xls");
    ASSERT_TRUE(fs::exists(p.s.state.TrafficDir + "FleetShare.xls"));
    fs::remove(p.s.state.TrafficDir + "FleetShare.xls");
    e.btnView->click();
    EXPECT_NE(p.lastMessage().find("The file was not found."), std::string::npos) << p.lastMessage();
    EXPECT_NE(p.lastMessage().find(p.s.state.TrafficDir + "FleetShare.xls"), std::string::npos);

    // Change offers every kind of table file the program reads.
    const std::string fleet = p.s.state.TrafficDir + "Fleet.wk3";
    p.s.ui.files = {fleet};
    e.btnChange->click();
    ASSERT_FALSE(p.s.ui.fileChoices.empty());
    const std::string filter = p.s.ui.fileChoices.back().filters.at(0);
    for (const char *pattern : {"*.mdb", "*.xls", "*.wk1", "*.wk2", "*.wk3", "*.wk4", "*.wks"}) {
        EXPECT_NE(filter.find(pattern), std::string::npos) << pattern << " in " << filter;
    }
    EXPECT_EQ(e.txtDataFile->text(), ".\\Fleet.wk3") << "held relative to the traffic folder";

    // The file there, but no program for its kind: View says so and names the file.
    test::TempDir scratch;
    fs::copy_file(scratch.write("x.wk3", "not used").string(), fleet);
    NoPrograms none;
    p.s.ui.messages.clear();
    e.btnView->click();
    EXPECT_NE(p.lastMessage().find("No program was found"), std::string::npos) << p.lastMessage();
    EXPECT_NE(p.lastMessage().find(fleet), std::string::npos);
}
