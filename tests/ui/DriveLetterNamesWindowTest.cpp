// Stored names with a drive letter ("C:\res\Met.txt") where the window reads,
// writes or opens a stored file outside a run. The program is started in an
// empty folder that holds a decoy under the name taken as written
// (<start>/C:/res/...): each place refuses the name with the message a run
// gives, and shows nothing of the decoy, opens no editor on it, starts no
// program with it and creates nothing in the folder it was started from.

#include "ui/WindowSession.h"

#include "core/Paths.h"
#include "platform/tables/Tables.h"
#include "ui/editors/frmListEditor.h"
#include "ui/editors/frmTrafficEditor.h"
#include "ui/inputdef/StreetSetModel.h"
#include "ui/inputdef/frmFormatFile.h"
#include "ui/inputdef/frmNewFileName.h"
#include "ui/inputdef/frmNewStreet.h"
#include "ui/inputdef/frmStreetSet.h"
#include "ui/listeditors/frmEditCityTypes.h"
#include "ui/listeditors/frmEditMetBackFiles.h"
#include "ui/listeditors/frmEditScenarios.h"
#include "ui/listeditors/frmEditStdTrafficFiles.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

using namespace vesk;
using namespace vesk::ui;
using test::NoPrograms;
using test::Sample;
using test::Session;

namespace {

namespace fs = std::filesystem;

// Every file and folder below folder, relative to it, in order.
std::vector<std::string> filesBelow(const fs::path &folder) {
    std::vector<std::string> out;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        out.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Replaces the first `from` in a file of the data tree by `to`.
void replaceIn(const std::string &path, const std::string &from, const std::string &to) {
    std::string text = test::readFile(path);
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from << " in " << path;
    text.replace(at, from.size(), to);
    test::TempDir scratch;
    fs::copy_file(scratch.write("list", text), path, fs::copy_options::overwrite_existing);
}

// One place opened on the program: the window (a project loaded when the
// place names one) and what the place showed, opened or started.
struct Opened {
    Sample &sample;
    Session &s;
    std::vector<std::string> shown;
    void show(const std::string &what) { shown.push_back(what); }
    // Opens the sample project (its lists changed before the start) and runs
    // it; what its loading said is no part of the place.
    void runProject() {
        s.open(sample.project());
        s.ui.messages.clear();
        s.runToEnd();
        if (s->lblProgress->text() == QStringLiteral("The calculation has ended.")) {
            show("a run to its end");
        }
    }
};

struct Place {
    const char *what;
    const char *project; // below Working/, "" for none
    const char *decoy;   // below the start folder
    const char *copyOf; // the file of the data tree the decoy copies; "" for a workbook, ".png" for a picture
    std::string stored; // the name as the project or list stores it
    std::string field;  // as the refusal names it
    std::function<void(Sample &)> beforeStart; // changes to the country's lists, when the place reads one
    std::function<void(Opened &)> open;        // sets the field and opens the place
};

void makeDecoy(const Sample &sample, const fs::path &start, const Place &p) {
    const fs::path decoy = start / p.decoy;
    fs::create_directories(decoy.parent_path());
    const std::string from = p.copyOf;
    if (from.empty()) {
        std::string error;
        auto writer = createTable(decoy.string(), "Hours", {{"year"}, {"cNO2.b"}}, &error);
        ASSERT_TRUE(writer) << error;
        ASSERT_TRUE(writer->append({2023.0, 12.5}, &error)) << error;
        ASSERT_TRUE(writer->close(&error)) << error;
    } else if (from == ".png") {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        ASSERT_TRUE(picture.save(QString::fromStdString(decoy.string()), "PNG"));
    } else {
        fs::copy_file(sample.appDir + from, decoy);
    }
}

std::vector<Place> places() {
    return {
        {"the conditions file's text editor",
         "DemoStreet.vkp",
         "C:/res/Cond.txt",
         "Lists/National/DL/MetBack.lst",
         "C:\\res\\Cond.txt",
         "the conditions file",
         {},
         [](Opened &o) {
             o.s.state.ConditionsFile = "C:\\res\\Cond.txt";
             o.s->menEditCNDFile_Click();
         }},
        {"View/Edit Traffic Data",
         "DemoStreet.vkp",
         "C:/res/Traffic.trf",
         "Working/DemoStreet.trf",
         "C:\\res\\Traffic.trf",
         "the traffic file",
         {},
         [](Opened &o) {
             o.s.state.TrafficFile = "C:\\res\\Traffic.trf";
             o.s->runTrafficEditor = [&o](frmTrafficEditor &d) {
                 o.show("the traffic editor on " + d.path());
             };
             o.s->menEditTrf_Click();
         }},
        {"View/Edit Vehicle List Data",
         "DemoStreet.vkp",
         "C:/res/Fleet.vlf",
         "Lists/National/DL/Fleet2020.vlf",
         "C:\\res\\Fleet.vlf",
         "the vehicle list",
         {},
         [](Opened &o) {
             o.s.state.VehicleListFile = "C:\\res\\Fleet.vlf";
             o.s->runListEditor = [&o](frmListEditor &d) { o.show("the list editor on " + d.path()); };
             o.s->menEditVehicleList_Click();
         }},
        {"View/Edit Fuel List Data",
         "DemoStreet.vkp",
         "C:/res/Fuels.flf",
         "Lists/National/DL/Fuels2020.flf",
         "C:\\res\\Fuels.flf",
         "the fuel list",
         {},
         [](Opened &o) {
             o.s.state.FuelListFile = "C:\\res\\Fuels.flf";
             o.s->runListEditor = [&o](frmListEditor &d) { o.show("the list editor on " + d.path()); };
             o.s->menEditFuelList_Click();
         }},
        {"Tools > Emission Factors",
         "DemoStreet.vkp",
         "C:/res/Fleet.vlf",
         "Lists/National/DL/Fleet2020.vlf",
         "C:\\res\\Fleet.vlf",
         "the vehicle list",
         {},
         [](Opened &o) {
             o.s.state.VehicleListFile = "C:\\res\\Fleet.vlf";
             o.s->startProgram = [&o](const QString &, const QStringList &arguments) {
                 o.show("started with " + arguments.join(QLatin1Char(' ')).toStdString());
                 return true;
             };
             o.s->menEditTarvik_Click();
         }},
        {"Tools > Open Traffic File",
         "DemoStreet.vkp",
         "C:/res/Fuels.flf",
         "Lists/National/DL/Fuels2020.flf",
         "C:\\res\\Fuels.flf",
         "the fuel list",
         {},
         [](Opened &o) {
             o.s.state.FuelListFile = "C:\\res\\Fuels.flf";
             o.s->startProgram = [&o](const QString &, const QStringList &arguments) {
                 o.show("started with " + arguments.join(QLatin1Char(' ')).toStdString());
                 return true;
             };
             o.s->menOpenTrf_Click();
         }},
        {"the format dialog's View File",
         "DemoStreet.vkp",
         "C:/res/Met.txt",
         "Working/Met2023.txt",
         "C:\\res\\Met.txt",
         "entry 1 of the hourly input files",
         {},
         [](Opened &o) {
             o.s.state.InputFiles[1] = "C:\\res\\Met.txt";
             frmFormatFile d(o.s.state, formatDialogInput(o.s.state, 1, 0), o.s.ui);
             d.showFile = [&o](const std::string &path) { o.show("the file viewer on " + path); };
             d.btnViewFile_Click();
         }},
        {"the format dialog's file header",
         "DemoStreet.vkp",
         "C:/res/Stat.txt",
         "Working/Met2023.txt",
         "C:\\res\\Stat.txt",
         "entry 1 of the statistics files",
         {},
         [](Opened &o) {
             o.s.state.StatFiles[1] = "C:\\res\\Stat.txt";
             frmFormatFile d(o.s.state, formatDialogInput(o.s.state, 4, 0), o.s.ui);
             d.btnViewHeader_Click();
             if (d.DataGrid1->columnCount() > 0) {
                 o.show("a header of " + std::to_string(d.DataGrid1->columnCount()) + " columns");
             }
         }},
        {"the file chooser's table step",
         "DemoStreet.vkp",
         "C:/res/Db.xls",
         "",
         "C:\\res\\Db.xls",
         "the hourly input file",
         {},
         [](Opened &o) {
             FileChooserContext context;
             context.SelectedFileKind = 1;
             context.WorkDir = o.s.state.WorkDir;
             context.MetBackDir = o.s.state.MetBackDir;
             context.AppDir = o.s.state.AppDir;
             frmNewFileName d(context, o.s.ui);
             d.chooseTable = [&o](const QStringList &tables) {
                 o.show("the tables " + tables.join(QLatin1Char(' ')).toStdString());
                 return QString();
             };
             d.nameBox()->setText(QStringLiteral("C:\\res\\Db.xls"));
             d.btnEndNewFileName_Click();
             if (d.nameBox()->text() != QStringLiteral("C:\\res\\Db.xls") || !d.NewFileName.empty()) {
                 o.show("the name " + d.nameBox()->text().toStdString() + ", accepted " + d.NewFileName);
             }
         }},
        {"Set Streets Data File",
         "DemoStreets.vkm",
         "C:/res/Streets.txt",
         "Working/Streets.txt",
         "C:\\res\\Streets.txt",
         "the streets file",
         {},
         [](Opened &o) {
             o.s.state.StreetsFile = "C:\\res\\Streets.txt";
             o.s->menEditStreetConfiguration_Click();
             EXPECT_EQ(o.s.state.StreetsFile, "C:\\res\\Streets.txt") << "the dialog was cancelled";
         }},
        {"the new project's map",
         "DemoStreets.vkm",
         "C:/res/Map.png",
         ".png",
         "C:\\res\\Map.png",
         "the map file",
         {},
         [](Opened &o) {
             frmNewStreet d(o.s.state, o.s.ui, nullptr);
             o.s.state.MapFile = "C:\\res\\Map.png";
             const std::string streets = o.s.state.WorkDir + "Streets.txt";
             d.editStreetSet = [streets](StreetSetChoice &c) { c.streetsFile = streets; };
             d.btnStreetConf_Click();
             if (!d.Image1->pixmap().isNull()) {
                 o.show("a map picture");
             }
         }},
        {"the file chooser's Browse, given a name typed with a drive letter",
         "DemoStreet.vkp",
         "C:/res/Met.txt",
         "Working/Met2023.txt",
         "C:\\res\\Met.txt",
         "the hourly input file",
         {},
         [](Opened &o) {
             // The file dialog puts the folder it shows in front of the name typed, a
             // name a file of the working folder happens to have.
             const std::string given = o.s.state.WorkDir + "C:\\res\\Met.txt";
             fs::copy_file(o.sample.appDir + "Working/Met2023.txt", given);
             FileChooserContext context;
             context.SelectedFileKind = 1;
             context.WorkDir = o.s.state.WorkDir;
             context.MetBackDir = o.s.state.MetBackDir;
             context.AppDir = o.s.state.AppDir;
             frmNewFileName d(context, o.s.ui);
             o.s.ui.files.push_back(given);
             d.btnBrowse_Click();
             d.btnEndNewFileName_Click();
             if (!d.nameBox()->text().isEmpty() || !d.NewFileName.empty()) {
                 o.show("the name " + d.nameBox()->text().toStdString() + ", accepted " + d.NewFileName);
             }
         }},
        {"New Project's Select Working Directory, typed",
         "",
         "C:/work/Note.txt",
         "Working/Met2023.txt",
         "C:\\work",
         "the working folder",
         {},
         [](Opened &o) {
             FileChooserContext context;
             context.SelectedFileKind = 0;
             frmNewFileName d(context, o.s.ui);
             d.nameBox()->setText(QStringLiteral("C:\\work"));
             d.btnEndNewFileName_Click();
             if (!d.NewFileName.empty()) {
                 o.show("the folder " + d.NewFileName);
             }
         }},
        {"New Project's working folder",
         "",
         "C:/res/Met.txt",
         "Working/Met2023.txt",
         "C:\\work",
         "the working folder",
         {},
         [](Opened &o) {
             auto names = std::make_shared<std::deque<std::string>>(std::deque<std::string>{"C:\\work"});
             o.s->chooseFileName = [names](int, const QString &, const QString &) {
                 std::string name = names->empty() ? std::string() : names->front();
                 if (!names->empty()) {
                     names->pop_front();
                 }
                 return name;
             };
             o.s.ui.answers = {Answer::Ok}; // were the folder offered to be created
             o.s->menNew_Click();
             o.s.ui.answers.clear();
         }},
        {"New Project's traffic file",
         "DemoStreet.vkp",
         "C:/res/Traffic.trf",
         "Working/DemoStreet.trf",
         "C:\\res\\Traffic.trf",
         "the traffic file",
         {},
         [](Opened &o) {
             frmNewStreet d(o.s.state, o.s.ui, nullptr);
             d.chooseFileName = [](int, const QString &) { return std::string("C:\\res\\Traffic.trf"); };
             d.btnLoadFile_Click(1);
             if (hasDriveLetter(o.s.state.TrafficFile)) {
                 o.show("the traffic file " + o.s.state.TrafficFile);
             }
         }},
        {"the street set's map field",
         "DemoStreets.vkm",
         "C:/res/Map.png",
         ".png",
         "C:\\res\\Map.png",
         "the map file",
         {},
         [](Opened &o) {
             StreetSetChoice choice;
             choice.streetsFile = o.s.state.WorkDir + "Streets.txt";
             frmStreetSet d(choice, StreetSetContext{o.s.state.WorkDir, o.s.state.TrafficDir}, o.s.ui);
             d.txtMapFile->setText(QStringLiteral("C:\\res\\Map.png"));
             if (d.btnOK->isEnabled()) {
                 o.show("OK enabled");
             }
             d.btnOK_Click();
             if (!d.result().mapFile.empty()) {
                 o.show("the map " + d.result().mapFile);
             }
         }},
        {"the street set's map Browse, given a name typed with a drive letter",
         "DemoStreets.vkm",
         "C:/res/Map.png",
         ".png",
         "C:\\res\\Map.png",
         "the map file",
         {},
         [](Opened &o) {
             const std::string given = o.s.state.WorkDir + "C:\\res\\Map.png";
             fs::copy_file(fs::current_path() / "C:/res/Map.png", given);
             StreetSetChoice choice;
             choice.streetsFile = o.s.state.WorkDir + "Streets.txt";
             frmStreetSet d(choice, StreetSetContext{o.s.state.WorkDir, o.s.state.TrafficDir}, o.s.ui);
             o.s.ui.files.push_back(given);
             d.btnMapFile_Click();
             if (!d.txtMapFile->text().isEmpty()) {
                 o.show("the map " + d.txtMapFile->text().toStdString());
             }
         }},
        {"the window's run of a project with such a vehicle list", "", "C:/res/Fleet.vlf",
         "Lists/National/DL/Fleet2020.vlf", "C:\\res\\Fleet.vlf", "the vehicle list",
         [](Sample &sample) {
             replaceIn(sample.project(), "\".\\Fleet2020.vlf\"", "\"C:\\res\\Fleet.vlf\"");
         },
         [](Opened &o) { o.runProject(); }},
        {"the window's run of a project with such a fuel list", "", "C:/res/Fuels.flf",
         "Lists/National/DL/Fuels2020.flf", "C:\\res\\Fuels.flf", "the fuel list",
         [](Sample &sample) {
             replaceIn(sample.project(), "\".\\Fuels2020.flf\"", "\"C:\\res\\Fuels.flf\"");
         },
         [](Opened &o) { o.runProject(); }},
        {"the standard meteorology files' View", "", "C:/res/Met.txt",
         "Data/MetBack/National/DL/MetBack2023.txt", "C:\\res\\Met.txt",
         "entry 1 of the List of Standard Meteorology and Background Files",
         [](Sample &sample) {
             replaceIn(sample.appDir + "Lists/National/DL/MetBack.lst", ".\\MetBack2023.txt",
                       "C:\\res\\Met.txt");
         },
         [](Opened &o) {
             frmEditMetBackFiles e(o.s.state, o.s.ui, nullptr);
             e.viewFile = [&o](const std::string &path) { o.show("the file viewer on " + path); };
             e.lstFiles->setCurrentRow(0);
             e.btnView->click();
         }},
        {"the standard traffic files' Save", "", "C:/res/City.trf", "Data/Traffic/National/DL/CityStreet.trf",
         "C:\\res\\City.trf", "the traffic file of City street",
         [](Sample &sample) {
             replaceIn(sample.appDir + "Lists/National/DL/StrTrf.lst", "\"CityStreet.trf\"",
                       "\"C:\\res\\City.trf\"");
         },
         [](Opened &o) {
             frmEditStdTrafficFiles e(o.s.state, o.s.ui, nullptr);
             o.s.ui.answers = {Answer::Yes, Answer::Ok, Answer::Ok, Answer::Ok};
             e.btnSave->click();
             if (fs::exists(o.s.state.TrafficDir + "City.trf")) {
                 o.show("a copy in the traffic folder");
             }
             o.s.ui.answers.clear();
         }},
        {"the fleet database's View", "", "C:/res/Fleet.xls", "", "C:\\res\\Fleet.xls",
         "the fleet database file",
         [](Sample &sample) {
             replaceIn(sample.appDir + "Lists/National/DL/Scenarios.lst", "\"FleetShare.xls\"",
                       "\"C:\\res\\Fleet.xls\"");
         },
         [](Opened &o) {
             frmEditScenarios e(o.s.state, o.s.ui, nullptr);
             e.btnView->click();
         }},
        {"the urban emission file's View", "", "C:/res/UrbNOx.dat", "Data/MetBack/National/DL/UrbEmiNOx.dat",
         "C:\\res\\UrbNOx.dat", "the urban emission file",
         [](Sample &sample) {
             replaceIn(sample.appDir + "Lists/National/DL/UrbEmiFiles.lst", "\"UrbEmiNOx.dat\"",
                       "\"C:\\res\\UrbNOx.dat\"");
         },
         [](Opened &o) {
             frmEditCityTypes e(o.s.state, o.s.ui, nullptr);
             e.Form_Activate();
             e.viewFile = [&o](const std::string &path) { o.show("the file viewer on " + path); };
             e.btnView_Click();
         }},
    };
}

} // namespace

TEST(DriveLetterNamesInTheWindow,
     EveryPlaceThatWouldReadOrOpenSuchANameRefusesItAndLeavesTheStartFolderAlone) {
    NoPrograms none;
    for (const Place &p : places()) {
        SCOPED_TRACE(p.what);
        Sample sample;
        if (p.beforeStart) {
            ASSERT_NO_FATAL_FAILURE(p.beforeStart(sample));
        }
        Session s(sample, *p.project ? sample.project(p.project) : std::string());
        ASSERT_TRUE(*p.project == '\0' || s.loaded) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
        test::TempDir start;
        ASSERT_NO_FATAL_FAILURE(makeDecoy(sample, start.path(), p));
        const std::vector<std::string> before = filesBelow(start.path());
        s.ui.messages.clear();
        Opened o{sample, s, {}};
        {
            test::CurrentFolder here(start.path());
            // Every dialog that opens, closed as Cancel does; a street set is
            // shown only when it holds streets.
            test::OnEachModal<QDialog> dialogs([&o](QDialog *d) {
                auto *set = qobject_cast<frmStreetSet *>(d);
                if (!set || set->model()->rowCount() > 0) {
                    o.show(test::describeWindow(d));
                }
                test::closeDialog(d);
            });
            p.open(o);
        }
        EXPECT_EQ(o.shown, std::vector<std::string>{});
        const std::string refusal = driveLetterRefusal(p.stored, p.field);
        EXPECT_EQ(s.ui.messages.empty() ? std::string() : s.ui.messages.back(), refusal);
        EXPECT_EQ(std::count(s.ui.messages.begin(), s.ui.messages.end(), refusal), 1);
        EXPECT_EQ(filesBelow(start.path()), before) << "nothing created in the folder the program started in";
    }
}
