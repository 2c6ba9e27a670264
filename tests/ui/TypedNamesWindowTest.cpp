// Names typed into the window's file dialogs as a user of Windows types them:
// "sub\Copy.vkp" for a file in a folder, "C:\Projects\Copy.vkp" for one on a
// drive. The program's own file dialog is opened and typed into; a name is
// read as the program reads stored names: the blanks around it are taken
// off, "\" separates folders, and a name with a drive letter is refused
// naming it, with nothing written. A relative name typed outside the file
// dialog (the print dialog's file, a new project's folder) lies in the
// project's folder.

#include "ui/WindowSession.h"

#include "core/Paths.h"
#include "ui/common/QtInteraction.h"
#include "ui/editors/frmListEditor.h"
#include "ui/editors/frmTrafficEditor.h"
#include "ui/inputdef/frmFormatFile.h"
#include "ui/inputdef/frmNewFileName.h"
#include "ui/listeditors/frmEditMetBackFiles.h"
#include "ui/results/GraphPainter.h"
#include "ui/results/frmShowResults.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

using namespace vesk;
using test::Sample;
using test::Session;

namespace {

namespace fs = std::filesystem;

// Types name into the name box of the file dialog that opens next and takes
// it with Enter, its Open or Save button pressable. A name the dialog keeps
// (a refused name; a file the user does not replace) must leave it open with
// staysWith in its name box (the name as typed, or as read for the question);
// it is then cancelled. Any other name (staysWith null) must close it. The
// texts of the message boxes shown meanwhile go to *said, each answered No
// where it offers No. As seen when typing at a user's pace, the folder the
// name begins with ("sub") is selected in the list as the folder's listing
// comes in, after the name has been typed.
void typeIntoFileDialog(const std::string &name, std::vector<std::string> *said,
                        const char *staysWith = nullptr) {
    const std::optional<std::string> kept = staysWith ? std::optional<std::string>(staysWith) : std::nullopt;
    test::onModal<QFileDialog>([name, said, kept](QFileDialog *dialog) {
        test::OnEachModal<QMessageBox> boxes([said](QMessageBox *box) {
            said->push_back(box->text().toStdString());
            box->button(box->button(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok)->click();
        });
        auto *box = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        auto *list = dialog->findChild<QAbstractItemView *>(QStringLiteral("listView"));
        ASSERT_TRUE(box != nullptr && list != nullptr);
        QApplication::setActiveWindow(dialog);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QString::fromStdString(name));
        const auto *files = qobject_cast<const QFileSystemModel *>(list->model());
        const std::size_t cut = name.find_first_of("\\/");
        const QModelIndex folder =
            files->index(dialog->directory().filePath(QString::fromStdString(name.substr(0, cut))));
        if (cut != std::string::npos && folder.isValid() && files->isDir(folder)) {
            list->selectionModel()->select(folder, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        // The dialog finds no file by the name as typed; the button that takes it stays pressable.
        auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        ASSERT_TRUE(buttons != nullptr);
        for (QAbstractButton *button : buttons->buttons()) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole) {
                EXPECT_TRUE(button->isEnabled()) << button->text().toStdString() << " greyed for " << name;
            }
        }
        static_cast<QDialog *>(dialog)->accept(); // Enter
        if (kept) {
            EXPECT_TRUE(dialog->isVisible()) << "the dialog stays open for " << name;
            EXPECT_EQ(box->text().toStdString(), *kept) << "in the name box, for " << name;
        } else {
            EXPECT_FALSE(dialog->isVisible()) << "the dialog takes " << name;
        }
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
}

// The window on a copy of the data tree, the project of Working/ named loaded (none for ""), its file
// choices made in the program's own file dialog.
struct Typing {
    Sample sample;
    std::string work = sample.appDir + "Working/";
    Session s;
    ui::QtInteraction dialogs;
    explicit Typing(const char *project) : s(sample, *project != '\0' ? sample.project(project) : "") {
        fs::create_directory(work + "sub");
        dialogs.setParentWidget(s.w.get());
        s.ui.chooser = [this](const FileChoice &choice) { return dialogs.chooseFile(choice); };
        s->show();
    }
    // Entries below the data tree whose name holds a backslash or a colon.
    std::vector<std::string> namesOfWindows() const {
        std::vector<std::string> found;
        for (const auto &[path, what] : test::entriesBelow(sample.dir.path())) {
            if (fs::path(path).filename().string().find_first_of("\\:") != std::string::npos) {
                found.push_back(path);
            }
        }
        return found;
    }
    // Entries below the data tree whose name begins or ends with a blank.
    std::vector<std::string> namesWithBlanksAround() const {
        std::vector<std::string> found;
        for (const auto &[path, what] : test::entriesBelow(sample.dir.path())) {
            const std::string name = fs::path(path).filename().string();
            if (!name.empty() && (name.front() == ' ' || name.back() == ' ')) {
                found.push_back(path);
            }
        }
        return found;
    }
};

} // namespace

TEST(TypedNames, TheProjectsChooserTakesABackslashAsAFolderAndRefusesADriveLetter) {
    struct Case {
        const char *command, *typed;
        const char *path; // below Working/; "" where the name is refused
    };
    for (const Case &c :
         {Case{"Save As", "sub\\Copy.vkp", "sub/Copy.vkp"}, Case{"Save As", "C:\\Projects\\Copy.vkp", ""},
          Case{"Save As", "D:\\Work\\Route.vkp", ""},
          Case{"Save of a new project", "sub\\New.vkp", "sub/New.vkp"},
          Case{"Save of a new project", "C:\\Projects\\New.vkp", ""},
          Case{"Open", "sub\\Copy.vkp", "sub/Copy.vkp"}, Case{"Open", "C:\\Projects\\Copy.vkp", ""}}) {
        SCOPED_TRACE(std::string(c.command) + " " + c.typed);
        const std::string command = c.command;
        Typing t(command == "Save of a new project" ? "" : "DemoStreet.vkp");
        if (command == "Open") { // the project beside its files in sub
            for (const auto &entry : fs::directory_iterator(t.work)) {
                if (entry.is_regular_file()) {
                    fs::copy_file(entry.path(), t.work + "sub/" + entry.path().filename().string());
                }
            }
            fs::rename(t.work + "sub/DemoStreet.vkp", t.work + "sub/Copy.vkp");
        } else if (command != "Save As") {
            t.s.newSingleStreetProject(t.work);
        }
        const std::string before = t.s.state.ProjectFile, title = t.s->windowTitle().toStdString();
        const auto files = test::entriesBelow(t.sample.dir.path());
        std::vector<std::string> said;
        typeIntoFileDialog(c.typed, &said, *c.path == '\0' ? c.typed : nullptr);
        command == "Open"      ? t.s->menOpen_Click()
        : command == "Save As" ? t.s->menSaveAs_Click()
                               : t.s->menSave_Click();
        EXPECT_EQ(t.namesOfWindows(), std::vector<std::string>{});
        if (*c.path == '\0') {
            EXPECT_EQ(said, std::vector<std::string>{driveLetterRefusal(c.typed, "the project file")});
            EXPECT_EQ(t.s.state.ProjectFile, before);
            EXPECT_EQ(t.s->windowTitle().toStdString(), title);
            EXPECT_EQ(test::entriesBelow(t.sample.dir.path()), files) << "nothing written";
            continue;
        }
        const std::string path = t.work + c.path;
        EXPECT_EQ(said, std::vector<std::string>{});
        EXPECT_EQ(t.s.state.ProjectFile, path);
        EXPECT_NE(t.s->windowTitle().toStdString().find(path), std::string::npos)
            << t.s->windowTitle().toStdString();
        EXPECT_TRUE(Session(t.sample, path).loaded) << "opened again in the window";
        if (command == "Save As") {
            std::string batchSaid;
            EXPECT_EQ(test::batchRun(t.sample, path, &batchSaid), 0) << batchSaid;
        }
    }
}

// A project picked from the Open dialog's list (a click then Open or Enter, or a double click) opens the file
// the row shows, whatever blanks its name begins or ends with: only blanks typed around a name go.
TEST(TypedNames, AProjectPickedFromTheOpenDialogsListOpensWhateverBlanksItsNameHas) {
    enum class Pick { ClickThenOpen, ClickThenEnter, DoubleClick };
    const struct {
        const char *path; // below Working/
        Pick pick;
    } cases[] = {{" Lead.vkp", Pick::ClickThenOpen},
                 {"sub/ Copy5.vkp", Pick::DoubleClick},
                 {"  Two blanks.vkp", Pick::ClickThenEnter}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        Typing t("DemoStreet.vkp");
        const std::string path = t.work + c.path;
        fs::copy_file(t.work + "DemoStreet.vkp", path);
        std::vector<std::string> said;
        test::OnEachModal<QMessageBox> boxes([&said](QMessageBox *box) {
            said.push_back(box->text().toStdString());
            box->button(box->button(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok)->click();
        });
        test::onModal<QFileDialog>([&](QFileDialog *dialog) {
            dialog->setDirectory(QString::fromStdString(fs::path(path).parent_path().string()));
            // The view shown: the list, or the detailed view.
            QAbstractItemView *list = nullptr;
            for (auto *view : dialog->findChildren<QAbstractItemView *>()) {
                if (view->isVisible() && (view->objectName() == QLatin1String("listView") ||
                                          view->objectName() == QLatin1String("treeView"))) {
                    list = view;
                }
            }
            ASSERT_NE(list, nullptr);
            const auto *files = qobject_cast<const QFileSystemModel *>(list->model());
            QModelIndex row;
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    const QModelIndex folder =
                        files->index(QString::fromStdString(fs::path(path).parent_path()));
                    for (int r = 0; r < files->rowCount(folder); ++r) {
                        if (files->index(r, 0, folder).data().toString().toStdString() ==
                            fs::path(path).filename()) {
                            row = files->index(r, 0, folder);
                        }
                    }
                    return row.isValid() && !list->visualRect(row).isEmpty();
                },
                20000))
                << "the row is not listed";
            QApplication::setActiveWindow(dialog);
            list->setFocus(
                Qt::MouseFocusReason); // as a click on the list gives it in a window of the desktop
            const QPoint at = list->visualRect(row).center();
            if (c.pick == Pick::DoubleClick) {
                // QTest's double click is the second click of the two (a press and a double click).
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
                return;
            }
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
            ASSERT_NE(buttons, nullptr);
            if (c.pick == Pick::ClickThenOpen) {
                QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
            } else {
                QTest::keyClick(dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")),
                                Qt::Key_Return);
            }
        });
        t.s->menOpen_Click();
        EXPECT_EQ(said, std::vector<std::string>{});
        EXPECT_EQ(t.s.state.ProjectFile, path);
    }
}

// Every other chooser that names a file to write, and the folder chooser of a new project or country.
TEST(TypedNames, EveryOtherChooserTakesABackslashAsAFolderAndRefusesADriveLetter) {
    struct Chooser {
        const char *what, *field;
        const char *folder; // below AppDir, where the name typed lies
        const char *name;
        bool fileDialog; // the program's file dialog opens (not a print dialog)
        // Opens the chooser (typed: the name as the print dialog gives it); the name the chooser took,
        // "" for one that writes the file.
        std::function<std::string(Typing &, const std::string &typed)> open;
    };
    auto results = [](std::function<void(ui::frmShowResults &)> act) {
        return [act](Typing &t, const std::string &) {
            t.s.onResultsWindow = [act](QDialog &window) {
                act(*qobject_cast<ui::frmShowResults *>(&window));
            };
            t.s.runToEnd();
            return std::string();
        };
    };
    const Chooser choosers[] = {
        {"the results' Save", "the results file", "Working/", "Summary.res", true,
         results([](ui::frmShowResults &w) { w.menSave_Click(); })},
        {"the results' print into a file", "the file to print into", "Working/", "Results.pdf", false,
         [](Typing &t, const std::string &typed) {
             const std::string file = t.work + typed;
             t.s.onResultsWindow = [file](QDialog &window) {
                 auto *w = qobject_cast<ui::frmShowResults *>(&window);
                 w->choosePrinter = [file](QPrinter &printer) {
                     printer.setOutputFileName(QString::fromStdString(file)); // as the print dialog gives it
                     return true;
                 };
                 w->menPrint_Click();
             };
             t.s.runToEnd();
             return std::string();
         }},
        {"the traffic editor's Save As", "the traffic file", "Working/", "Copy.trf", true,
         [](Typing &t, const std::string &) {
             t.s->runTrafficEditor = [](ui::frmTrafficEditor &d) { d.btnSaveAs_Click(); };
             t.s->menEditTrf_Click();
             return std::string();
         }},
        {"the list editor's Save As", "the vehicle list", "Lists/National/DL/", "Copy.vlf", true,
         [](Typing &t, const std::string &) {
             t.s->runListEditor = [](ui::frmListEditor &d) { d.btnSaveAs_Click(); };
             t.s->menEditVehicleList_Click();
             return std::string();
         }},
        {"the folder chooser's Browse", "the working folder", "Working/", "Folder", true,
         [](Typing &t, const std::string &) {
             fs::create_directory(t.work + "sub/Folder");
             ui::FileChooserContext context;
             context.SelectedFileKind = 0;
             context.WorkDir = t.work;
             ui::frmNewFileName d(context, t.s.ui);
             d.btnBrowse_Click();
             return d.nameBox()->text().toStdString();
         }},
    };
    for (const Chooser &c : choosers) {
        for (const std::string &typed : {std::string("sub\\") + c.name, std::string("C:\\res\\") + c.name}) {
            SCOPED_TRACE(std::string(c.what) + ": " + typed);
            Typing t("DemoStreet.vkp");
            fs::create_directories(t.sample.appDir + c.folder + "sub");
            std::vector<std::string> said;
            if (c.fileDialog) {
                typeIntoFileDialog(typed, &said, typed[0] == 'C' ? typed.c_str() : nullptr);
            }
            const std::string taken = c.open(t, typed);
            said.insert(said.end(), t.s.ui.messages.begin(), t.s.ui.messages.end());
            EXPECT_EQ(t.namesOfWindows(), std::vector<std::string>{});
            const std::string path = t.sample.appDir + c.folder + "sub/" + c.name;
            if (typed[0] == 'C') {
                EXPECT_EQ(std::count(said.begin(), said.end(), driveLetterRefusal(typed, c.field)), 1);
                EXPECT_EQ(taken, "");
            } else {
                EXPECT_TRUE(taken.empty() ? fs::is_regular_file(path) : taken == path)
                    << path << " " << taken;
            }
        }
    }
}

// Blanks typed around a name are taken off, as they are off the names a
// project stores, in every save dialog: the file is saved without them, the
// project's own name typed with a blank asks to replace the project's file,
// and a name of blanks only is refused, the dialog staying open.
TEST(TypedNames, EverySaveDialogTakesTheBlanksAroundANameOffAndRefusesANameOfBlanksOnly) {
    struct Case {
        const char *command, *typed;
        const char *path;      // below AppDir, the file saved; "" for none
        const char *staysWith; // the dialog stays open with this name in its box; null: it closes
        std::string said;      // the one message shown; "" for none
    };
    const Case cases[] = {
        {"Save As", "Copy.vkp ", "Working/Copy.vkp", nullptr, ""},
        {"Save As", "  sub\\Copy.vkp", "Working/sub/Copy.vkp", nullptr, ""},
        {"Save As", "DemoStreet.vkp ", "", "DemoStreet.vkp",
         "DemoStreet.vkp already exists.\nDo you want to replace it?"},
        {"Save As", "   ", "", "   ", blankNameRefusal("the project file")},
        {"Save of a new project", "New.vkp ", "Working/New.vkp", nullptr, ""},
        {"the vehicle list editor's Save As", "FlSp.vlf ", "Lists/National/DL/FlSp.vlf", nullptr,
         "Do you want the new Vehicle List File\r\n .\\FlSp.vlf\r\nto be used in the current Project?"},
        {"Save Variable List", " List.fmt ", "Working/List.fmt", nullptr, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.command) + " [" + c.typed + "]");
        const std::string command = c.command;
        Typing t(command == "Save of a new project" ? "" : "DemoStreet.vkp");
        if (command == "Save of a new project") {
            t.s.newSingleStreetProject(t.work);
        }
        const std::string project = t.s.state.ProjectFile;
        const auto files = test::entriesBelow(t.sample.dir.path());
        std::vector<std::string> said;
        typeIntoFileDialog(c.typed, &said, c.staysWith);
        if (command == "Save As") {
            t.s->menSaveAs_Click();
        } else if (command == "Save of a new project") {
            t.s->menSave_Click();
        } else if (command == "Save Variable List") {
            t.s.select(1, 0);
            test::onModal<ui::frmFormatFile>([](ui::frmFormatFile *d) {
                d->btnSave_Click();
                d->btnEndFormat_Click();
            });
            t.s->btnFormatFile_Click();
        } else {
            t.s->runListEditor = [](ui::frmListEditor &d) { d.btnSaveAs_Click(); };
            t.s.ui.answers = {Answer::Yes};
            t.s->menEditVehicleList_Click();
        }
        said.insert(said.end(), t.s.ui.messages.begin(), t.s.ui.messages.end());
        EXPECT_EQ(said, c.said.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.said});
        EXPECT_EQ(t.namesWithBlanksAround(), std::vector<std::string>{});
        if (*c.path == '\0') {
            EXPECT_EQ(test::entriesBelow(t.sample.dir.path()), files) << "nothing written";
            EXPECT_EQ(t.s.state.ProjectFile, project);
            continue;
        }
        const std::string path = t.sample.appDir + c.path;
        EXPECT_TRUE(fs::is_regular_file(path)) << path;
        if (command == "Save As" || command == "Save of a new project") {
            EXPECT_EQ(t.s.state.ProjectFile, path);
            EXPECT_NE(t.s->windowTitle().toStdString().find(path + "]"), std::string::npos)
                << t.s->windowTitle().toStdString();
            EXPECT_TRUE(Session(t.sample, path).loaded) << "opened again in the window";
        } else if (command == "the vehicle list editor's Save As") {
            EXPECT_EQ(t.s.state.VehicleListFile, ".\\FlSp.vlf") << "the list the project names";
        }
    }
}

// Names typed outside the file dialog lie in the project's folder, wherever the program was started:
// the file a print goes into, and the working folder of a new project.
TEST(TypedNames, ARelativeNameTypedForAPrintIntoAFileLiesInTheProjectsFolder) {
    for (const auto &[typed, below] : {std::pair<std::string, std::string>{"Plain.pdf", "Plain.pdf"},
                                       {"sub\\P.pdf", "sub/P.pdf"},
                                       {"Blank.pdf ", "Blank.pdf"}}) {
        SCOPED_TRACE(typed);
        Typing t("DemoStreet.vkp");
        const test::TempDir started;
        test::CurrentFolder here(started.path());
        t.s.onResultsWindow = [typed](QDialog &window) {
            auto *w = qobject_cast<ui::frmShowResults *>(&window);
            w->choosePrinter = [typed](QPrinter &printer) {
                printer.setOutputFileName(QString::fromStdString(typed)); // as the print dialog gives it
                return true;
            };
            w->menPrint_Click();
        };
        t.s.runToEnd();
        EXPECT_EQ(t.s.ui.messages, std::vector<std::string>{});
        const std::string path = t.work + below;
        EXPECT_TRUE(fs::is_regular_file(path)) << path;
        EXPECT_TRUE(fs::is_empty(started.path())) << "nothing where the program was started";
    }
    // Without a project's folder, the note names the file where the print went.
    const test::TempDir started;
    test::CurrentFolder here(started.path());
    QPrinter printer;
    printer.setOutputFileName(QStringLiteral("Graph.pdf"));
    QString error, note;
    ASSERT_TRUE(ui::printGraph(printer, ui::GraphContent{}, QString(), &error, &note)) << error.toStdString();
    const std::string path = (started.path() / "Graph.pdf").string();
    EXPECT_TRUE(fs::is_regular_file(path));
    EXPECT_EQ(note.toStdString(), "The print went into the file " + path + ".");
}

// The print dialog's own look at the file typed, whether it exists, is at the file of the project's folder.
TEST(TypedNames, ThePrintDialogAsksToReplaceTheFileInTheProjectsFolderThatANameWithoutItsPathNames) {
    Typing t("DemoStreet.vkp");
    const test::TempDir started;
    test::CurrentFolder here(started.path());
    t.sample.dir.write("Working/Plain.pdf", "old");
    std::vector<std::string> said;
    t.s.onResultsWindow = [&said](QDialog &window) {
        auto *w = qobject_cast<ui::frmShowResults *>(&window);
        w->choosePrinter = nullptr; // the print dialog
        test::onModal<QPrintDialog>([&said](QPrintDialog *dialog) {
            test::OnEachModal<QMessageBox> boxes([&said](QMessageBox *box) {
                said.push_back(box->text().toStdString());
                box->button(box->button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok)->click();
            });
            auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"));
            auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("filename"));
            auto *buttons = dialog->findChild<QDialogButtonBox *>();
            ASSERT_TRUE(printers != nullptr && field != nullptr && buttons != nullptr);
            printers->setCurrentIndex(printers->count() - 1); // Print to File (PDF)
            QApplication::setActiveWindow(dialog);
            field->setFocus();
            field->selectAll();
            QTest::keyClicks(field, QStringLiteral("Plain.pdf"));
            QTest::keyClick(field, Qt::Key_Return);
        });
        w->menPrint_Click();
    };
    t.s.runToEnd();
    EXPECT_EQ(said,
              std::vector<std::string>{t.work + "Plain.pdf already exists.\nDo you want to overwrite it?"});
    EXPECT_EQ(test::readFile(t.work + "Plain.pdf").rfind("%PDF", 0), 0u) << "replaced by the print";
    EXPECT_TRUE(fs::is_empty(started.path())) << "nothing where the program was started";
}

// However the print dialog is confirmed, a name typed without its path is the file the print goes into and
// the file the dialog asks about: beside the project, never in the home folder. The name offered, left as it
// is, too; and the file the dialog's "..." chooser starts at, for the name typed as for the one offered. So
// for the prints of the street sketch and of the variable list, whose names offered lie beside the project. A
// name with a drive letter is refused as the dialog takes it, the dialog staying open, and nothing is
// written.
TEST(TypedNames, APrintIntoAFileNamedWithoutItsPathLiesBesideTheProjectHoweverTheDialogIsConfirmed) {
    using test::PrintConfirm;
    Typing t("DemoStreet.vkp");
    const test::TempDir started;
    test::CurrentFolder here(started.path());
    const fs::path home = std::getenv("HOME");
    const auto homeHolds = test::entriesBelow(home);
    t.sample.dir.write("Working/Asked.pdf", "old");
    enum Print { Results, Sketch, VariableList };
    const char *const offers[] = {"Demo Street_results.pdf", "street_sketch.pdf", "variable_list.pdf"};
    const std::string drive = "C:\\Out\\Drive.pdf";
    struct Case {
        Print print;
        std::string typed;
        PrintConfirm way;
        const char *lands; // below the project's folder; null: refused, the dialog staying open
        std::vector<std::string> asked;
    };
    auto asksToReplace = [&t](const std::string &name) {
        return std::vector<std::string>{t.work + name + " already exists.\nDo you want to overwrite it?"};
    };
    const std::vector<Case> cases = {
        {Results, "AltP.pdf", PrintConfirm::AltP, "AltP.pdf", {}},
        {Results, "sub\\AltP.pdf", PrintConfirm::AltP, "sub/AltP.pdf", {}},
        {Results, "Enter.pdf", PrintConfirm::Enter, "Enter.pdf", {}},
        {Results, "Click.pdf", PrintConfirm::Click, "Click.pdf", {}},
        {Results, "Asked.pdf", PrintConfirm::AltP, "Asked.pdf", asksToReplace("Asked.pdf")},
        {Results, "", PrintConfirm::AltP, "Demo Street_results.pdf", {}},
        {Results, "Chosen.pdf", PrintConfirm::Chooser, "Chosen.pdf", {}},
        {Results, "sub\\Chosen.pdf", PrintConfirm::Chooser, "sub/Chosen.pdf", {}},
        {Results, drive, PrintConfirm::AltP, nullptr, {driveLetterRefusal(drive, "the file to print into")}},
        {Sketch, "", PrintConfirm::Enter, "street_sketch.pdf", {}},
        {Sketch, "Sketch.pdf", PrintConfirm::AltP, "Sketch.pdf", {}},
        {Sketch, "", PrintConfirm::Chooser, "street_sketch.pdf", asksToReplace("street_sketch.pdf")},
        {VariableList, "", PrintConfirm::AltP, "variable_list.pdf", {}},
        {VariableList, "Variables.pdf", PrintConfirm::AltP, "Variables.pdf", {}},
    };
    std::vector<QString> offered(cases.size());
    std::vector<std::vector<std::string>> asked(cases.size());
    std::vector<bool> keptOpen(cases.size());
    std::vector<bool> wroteNothing(cases.size());
    auto print = [&](std::size_t i, const std::function<void()> &command) {
        const auto files = test::entriesBelow(t.sample.dir.path());
        bool kept = false;
        test::printIntoFile(QString::fromStdString(cases[i].typed), cases[i].way, &offered[i], &asked[i],
                            cases[i].lands ? nullptr : &kept);
        command();
        keptOpen[i] = kept;
        wroteNothing[i] = test::entriesBelow(t.sample.dir.path()) == files;
    };
    t.s.onResultsWindow = [&](QDialog &window) {
        auto *w = qobject_cast<ui::frmShowResults *>(&window);
        w->choosePrinter = nullptr; // the print dialog
        for (std::size_t i = 0; i < cases.size(); ++i) {
            if (cases[i].print == Results) {
                print(i, [w] { w->menPrint_Click(); });
            }
        }
    };
    t.s.runToEnd();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (cases[i].print == Sketch) {
            print(i, [&t] { t.s->action("menPrint3D")->trigger(); });
        } else if (cases[i].print == VariableList) {
            t.s.select(1, 0);
            test::onModal<ui::frmFormatFile>([&print, i](ui::frmFormatFile *d) {
                d->btnShowVariables_Click();
                print(i, [d] { d->btnPrint_Click(); });
                d->btnCancel_Click();
            });
            t.s->btnFormatFile_Click();
        }
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(std::string(offers[cases[i].print]) + " typed " + cases[i].typed);
        EXPECT_EQ(offered[i].toStdString(), t.work + offers[cases[i].print]);
        EXPECT_EQ(asked[i], cases[i].asked);
        if (cases[i].lands != nullptr) {
            EXPECT_EQ(test::readFile(t.work + cases[i].lands).rfind("%PDF", 0), 0u) << cases[i].lands;
        } else {
            EXPECT_TRUE(keptOpen[i]) << "the dialog stays open on the refusal";
            EXPECT_TRUE(wroteNothing[i]) << "nothing written";
        }
    }
    EXPECT_EQ(t.namesOfWindows(), std::vector<std::string>{});
    EXPECT_EQ(t.s.ui.messages, std::vector<std::string>{});
    EXPECT_TRUE(fs::is_empty(started.path())) << "nothing where the program was started";
    EXPECT_EQ(test::entriesBelow(home), homeHolds) << "nothing in the home folder";
}

// With no project open (results opened from a saved file; the variable list of the standard meteorology and
// background files), a name typed without its path lies in the folder the program was started from, the
// dialog asks about that file alone, and a message says where the print went; a file of that name in the home
// folder keeps its bytes. So after File > Close as when started without a project: the folder of the project
// closed, which stays the working folder, is no project's folder.
TEST(TypedNames, WithNoProjectOpenAPrintIntoAFileNamedWithoutItsPathGoesWhereTheProgramWasStarted) {
    using test::PrintConfirm;
    Sample sample;
    const std::string saved = sample.appDir + "Working/Summary.res";
    {
        Session s(sample, sample.project());
        s.onResultsWindow = [&](QDialog &window) {
            s.ui.files.push_back(saved);
            qobject_cast<ui::frmShowResults *>(&window)->menSave_Click();
        };
        s.runToEnd();
    }
    ASSERT_TRUE(fs::is_regular_file(saved));
    const fs::path home = std::getenv("HOME");
    for (const char *name : {"Same.pdf", "Asked.pdf", "Demo Street_results.pdf", "Variables.pdf"}) {
        std::ofstream(home / name, std::ios::binary) << "home";
    }
    for (const bool closed : {false, true}) {
        SCOPED_TRACE(closed ? "after File > Close" : "started without a project");
        Session s(sample, closed ? sample.project() : "");
        if (closed) {
            s->menClose_Click();
            ASSERT_EQ(s->windowTitle().toStdString(), "WinVESK");
            ASSERT_EQ(s.state.WorkDir, sample.appDir + "Working/") << "the folder of the project closed";
        }
        const test::TempDir started;
        test::CurrentFolder here(started.path());
        started.write("Asked.pdf", "started");
        const std::string there = started.path().string() + "/";
        const char *const kAsksToReplace = " already exists.\nDo you want to overwrite it?";
        struct Case {
            const char *typed;
            PrintConfirm way;
            const char *lands;
            std::vector<std::string> asked;
        };
        const std::vector<Case> cases = {
            {"Same.pdf", PrintConfirm::AltP, "Same.pdf", {}},
            {"Asked.pdf", PrintConfirm::AltP, "Asked.pdf", {there + "Asked.pdf" + kAsksToReplace}},
            {"", PrintConfirm::Click, "Demo Street_results.pdf", {}},
        };
        std::vector<std::vector<std::string>> asked(cases.size());
        QString offered;
        s.onResultsWindow = [&](QDialog &window) {
            auto *w = qobject_cast<ui::frmShowResults *>(&window);
            w->choosePrinter = nullptr;
            for (std::size_t i = 0; i < cases.size(); ++i) {
                test::printIntoFile(QString::fromUtf8(cases[i].typed), cases[i].way, &offered, &asked[i]);
                w->menPrint_Click();
            }
        };
        s.ui.files.push_back(saved);
        s->action("menOpenSavedSingle")->trigger();
        // Settings > Standard Meteorology and Background Files, Format, the variables shown, Print.
        QString listOffered;
        std::vector<std::string> listAsked;
        test::onModal<ui::frmEditMetBackFiles>([&](ui::frmEditMetBackFiles *e) {
            e->lstFiles->setCurrentRow(0);
            test::onModal<ui::frmFormatFile>([&](ui::frmFormatFile *d) {
                d->btnShowVariables_Click();
                test::printIntoFile(QStringLiteral("Variables.pdf"), PrintConfirm::AltP, &listOffered,
                                    &listAsked);
                d->btnPrint_Click();
                d->btnCancel_Click();
            });
            e->btnFormat_Click();
            e->reject();
        });
        s->action("menMetBackFiles")->trigger();
        std::vector<std::string> notes;
        for (std::size_t i = 0; i < cases.size(); ++i) {
            SCOPED_TRACE(cases[i].typed);
            EXPECT_EQ(asked[i], cases[i].asked);
            EXPECT_EQ(test::readFile(there + cases[i].lands).rfind("%PDF", 0), 0u) << cases[i].lands;
            notes.push_back("The print went into the file " + there + cases[i].lands + ".");
        }
        EXPECT_EQ(offered.toStdString(), "Demo Street_results.pdf");
        EXPECT_EQ(listOffered.toStdString(), "variable_list.pdf");
        EXPECT_EQ(listAsked, std::vector<std::string>{});
        EXPECT_EQ(test::readFile(there + "Variables.pdf").rfind("%PDF", 0), 0u);
        notes.push_back("The print went into the file " + there + "Variables.pdf.");
        EXPECT_EQ(s.ui.messages, notes);
        for (const char *name : {"Same.pdf", "Asked.pdf", "Demo Street_results.pdf", "Variables.pdf"}) {
            EXPECT_EQ(test::readFile((home / name).string()), "home") << name << " in the home folder";
            EXPECT_FALSE(fs::exists(sample.appDir + "Working/" + name))
                << name << " beside the project closed";
        }
    }
}

TEST(TypedNames, ANewProjectsWorkingFolderTypedWithoutItsPathLiesInTheFolderOffered) {
    Typing t("DemoStreet.vkp");
    const test::TempDir started;
    test::CurrentFolder here(started.path());
    std::string offered;
    test::onModal<ui::frmNewFileName>([&](ui::frmNewFileName *d) {
        offered = d->nameBox()->text().toStdString();
        d->nameBox()->setText(QStringLiteral("newwork\\x"));
        test::onModal<QDialog>([](QDialog *kind) { kind->accept(); }); // the project's kind, as preselected
        d->btnEndNewFileName_Click();
    });
    t.s->showNewStreetDialog = [] { return true; };
    t.s.ui.answers = {Answer::Ok};
    t.s->menNew_Click();
    EXPECT_EQ(offered, t.work) << "the project's folder";
    EXPECT_EQ(t.s.ui.messages,
              std::vector<std::string>{"The specified directory doesn't exist!\r\n" + t.work +
                                       "newwork/x\r\nDo you want the directory to be created?"});
    EXPECT_TRUE(fs::is_directory(t.work + "newwork/x"));
    EXPECT_EQ(t.s.state.WorkDir, t.work + "newwork/x/");
    EXPECT_TRUE(fs::is_empty(started.path())) << "nothing where the program was started";
}

TEST(TypedNames, SaveVariableListIntoAMissingFolderSaysOnceThatTheFileCannotBeCreated) {
    Typing t("DemoStreet.vkp");
    const auto files = test::entriesBelow(t.sample.dir.path());
    std::vector<std::string> said;
    typeIntoFileDialog("deep\\List.fmt", &said);
    t.s.select(1, 0);
    test::onModal<ui::frmFormatFile>([](ui::frmFormatFile *d) {
        d->btnSave_Click();
        d->btnEndFormat_Click();
    });
    t.s->btnFormatFile_Click();
    said.insert(said.end(), t.s.ui.messages.begin(), t.s.ui.messages.end());
    EXPECT_EQ(said,
              std::vector<std::string>{"The variable list could not be saved.\r\nCannot create the file " +
                                       t.work + "deep/List.fmt: No such file or directory"});
    EXPECT_EQ(test::entriesBelow(t.sample.dir.path()), files) << "nothing written";
}
