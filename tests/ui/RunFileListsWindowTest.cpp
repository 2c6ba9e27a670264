// The file lists of the main window as a run meets them: a statistics
// workbook named without its table, the lists a kind of project has no use
// for, and what a run says of outputs it may not write.

#include "ui/WindowSession.h"

#include "platform/tables/Tables.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace vesk;
using test::Sample;
using test::Session;
namespace fs = std::filesystem;

namespace {

// Replaces the first `from` in the sample project by `to`.
void replaceInProject(const Sample &sample, const std::string &from, const std::string &to,
                      const char *project = "DemoStreet.vkp") {
    const std::string path = sample.project(project);
    std::string text = test::readFile(path);
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

} // namespace

// OK on "Define it Now !?" selects the entry, opens Change File for it, and
// the run opens the file again under the name given there and goes on.
TEST(StatisticsWorkbookWithoutATable, OkOpensChangeFileOnItsEntryAndTheRunGoesOnWithTheNameGiven) {
    Sample sample;
    ASSERT_NO_FATAL_FAILURE(replaceInProject(sample, "\"Stat2023.txt\"", "\"Stat2023.xls\""));
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    std::vector<std::string> asked; // the file dialogs opened: kind, caption, the name shown
    s->chooseFileName = [&asked](int kind, const QString &caption, const QString &info) {
        asked.push_back(std::to_string(kind) + " " + caption.toStdString() + ": " + info.toStdString());
        return std::string("Stat2023.xls;Stats");
    };
    s.state.ShowFileDialog = true;
    s.ui.messages.clear();
    s.ui.answers = {Answer::Ok};
    s.runToEnd();

    const std::string workbook = s.state.WorkDir + "Stat2023.xls";
    ASSERT_FALSE(s.ui.messages.empty());
    EXPECT_EQ(s.ui.messages[0], "No Data Table is defined for \r\n" + workbook + "\r\nDefine it Now !?");
    EXPECT_EQ(asked, std::vector<std::string>{"4 Change File: Stat2023.xls"});
    EXPECT_EQ(s.state.StatFiles[1], "Stat2023.xls;Stats");
    EXPECT_EQ(s->List1[4]->text(0).toStdString(), "Stat2023.xls;Stats");
    EXPECT_TRUE(s.state.ProjectChanged);
    EXPECT_EQ(s->lblProgress->text().toStdString(), "The calculation has ended.") << s.ui.messages.back();
    std::vector<TableInfo> tables;
    std::string error;
    ASSERT_TRUE(listTables(workbook, &tables, &error)) << error;
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_NE(tables[0].name.find("Stats"), std::string::npos) << tables[0].name;
}

// The lists a kind of project has no use for are disabled: they are neither
// selected by a click on them nor given a file by Add File or Change File.
TEST(DisabledFileLists, AreNotSelectedByAClickAndTakeNoFileFromAddOrChangeFile) {
    struct Case {
        const char *project;
        int kind;
    };
    for (const Case c : {Case{"DemoStreets.vkm", 2}, Case{"DemoStreets.vkm", 3}, Case{"DemoRoute.vkp", 4},
                         Case{"DemoRoute.vkp", 3}}) {
        SCOPED_TRACE(std::string(c.project) + ", list " + std::to_string(c.kind));
        Sample sample;
        Session s(sample, sample.project(c.project));
        ASSERT_TRUE(s.loaded);
        ui::FileCheckList *list = s->List1[c.kind];
        ASSERT_FALSE(list->isEnabled());
        auto entries = [list] {
            std::vector<std::string> out;
            for (int i = 0; i < list->count(); ++i) {
                out.push_back(list->text(i).toStdString());
            }
            return out;
        };
        const std::vector<std::string> before = entries();
        // A click below its entries (it selects an enabled list, ready for Add File).
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(4, list->viewport()->height() - 2));
        EXPECT_FALSE(s->btnAddFile->isEnabled());
        s.names({"Extra.txt", "Other.txt"});
        s->btnAddFile_Click();
        s->btnChangeFile_Click();
        EXPECT_EQ(entries(), before);
        EXPECT_FALSE(s.state.ProjectChanged);
    }
}

// What a run in the window says of outputs it may not write: each name as it
// is stored, and each reason once.
TEST(RunMessagesInTheWindow, NameTwoOutputsAsStoredAndSayWhyAFileMayNotBeWrittenOnce) {
    struct Case {
        const char *what;
        std::function<void(const Sample &, const std::string &work)> setUp;
        std::string says; // "WORK/" for the working folder
    };
    const std::vector<Case> cases = {
        {"two outputs whose names differ in letter case only",
         [](const Sample &sample, const std::string &) {
             replaceInProject(sample, "\"Stat2023.txt\"", "\"OUT2023.TXT\"");
         },
         "The file\r\nWORK/Out2023.txt\r\nis named twice: as entry 1 of the hourly output files "
         "(Out2023.txt) "
         "and as entry 1 of the statistics files (OUT2023.TXT). Give each file a name of its own."},
        {"a read-only output",
         [](const Sample &, const std::string &work) {
             const fs::path out = work + "Out2023.txt";
             std::ofstream(out, std::ios::binary) << "old\r\n";
             fs::permissions(out, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
         },
         "Permission denied to write to \r\nWORK/Out2023.txt\r\nIt is read-only. Make it writable (or remove "
         "it), or write to a file of another name."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Sample sample;
        ASSERT_NO_FATAL_FAILURE(c.setUp(sample, sample.appDir + "Working/"));
        Session s(sample, sample.project());
        ASSERT_TRUE(s.loaded);
        s.ui.messages.clear();
        s.runToEnd();
        std::string says = c.says;
        says.replace(says.find("WORK/"), 5, s.state.WorkDir);
        EXPECT_EQ(s.ui.messages, std::vector<std::string>{says});
    }
}
