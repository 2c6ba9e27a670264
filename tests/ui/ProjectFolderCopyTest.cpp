// A project built in the window through its file pickers names the files it
// picked in its folder relative to it: a copy of the folder runs on its own
// files and leaves the original's alone. Projects that name full paths load
// and run as before, and the window finds a stored input where the run does.

#include "ui/WindowSession.h"

#include "core/TextIO.h"
#include "project/FileLists.h"
#include "ui/inputdef/frmNewFileName.h"
#include "ui/inputdef/frmNewStreet.h"
#include "ui/settings/frmProjectType.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

using namespace vesk;
using namespace vesk::ui;
using test::Sample;
using test::Session;
namespace fs = std::filesystem;

namespace {

// Every file below folder with its bytes and modification time.
using FolderSnapshot = std::map<std::string, std::pair<std::string, fs::file_time_type>>;

FolderSnapshot snapshot(const std::string &folder) {
    FolderSnapshot files;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] = {test::readFile(entry.path()),
                                                                  fs::last_write_time(entry.path())};
        }
    }
    return files;
}

// An output of an earlier run, dated well before any run of the test.
void earlierOutput(const std::string &path) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << "an earlier run's output\r\n";
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
}

// The next file chooser of the window: Browse picks path in the file dialog, then OK.
void browseInChooser(Session &s, const std::string &path) {
    s->chooseFileName = nullptr;
    s.state.ShowFileDialog = true;
    test::onModal<frmNewFileName>([&s, path](frmNewFileName *chooser) {
        s.ui.files.push_back(path);
        chooser->btnBrowse_Click();
        chooser->btnEndNewFileName_Click();
    });
}

// Add File (or Change File) on the list of kind at row, the file picked through Browse.
void pickInFileList(Session &s, int kind, int row, bool change, const std::string &path) {
    browseInChooser(s, path);
    s.select(kind, row);
    if (change) {
        s->btnChangeFile_Click();
    } else {
        s->btnAddFile_Click();
    }
}

} // namespace

TEST(ProjectFolderCopy, ACopyOfAFolderBuiltThroughThePickersReadsAndWritesItsOwnFiles) {
    Sample sample;
    const std::string working = sample.appDir + "Working/";
    const std::string orig = sample.appDir + "Street study/";
    const std::string copy = sample.appDir + "Street study variant/";
    fs::create_directories(orig);
    for (const char *name :
         {"DemoStreet.vkp", "Met2023.txt", "Back2023.txt", "Obs2023.txt", "DemoStreet.trf"}) {
        fs::copy_file(working + name, orig + name);
    }
    for (const char *folder : {"met", "trf", "lists"}) {
        fs::create_directories(orig + folder);
    }
    fs::copy_file(working + "Met2023.txt", orig + "met/Met2023.txt");
    fs::copy_file(working + "DemoStreet.trf", orig + "trf/DemoStreet.trf");
    fs::copy_file(sample.appDir + "Lists/National/DL/Fleet2020.vlf", orig + "lists/Fleet2020.vlf");
    fs::create_directories(orig + "res");

    Session s(sample, orig + "DemoStreet.vkp");
    ASSERT_TRUE(s.loaded);
    ASSERT_EQ(s.state.WorkDir, orig);
    // Change File: the hourly input, the hourly output and the traffic file; Add File: a statistics file.
    pickInFileList(s, 1, 0, true, orig + "met/Met2023.txt");
    pickInFileList(s, 2, 0, true, orig + "res/Out.txt");
    pickInFileList(s, 3, 0, true, orig + "trf/DemoStreet.trf");
    pickInFileList(s, 4, 0, false, orig + "res/More.txt");
    ASSERT_EQ(fileCount(s.state, 4), 2);
    setFileFormatLists(s.state, 4, 1, fileFormatLists(s.state, 4, 0)); // the statistics of the first
    s->fillFileLists();
    // The vehicle list picked in the project's folder, the fuel list in the national lists folder.
    browseInChooser(s, orig + "lists/Fleet2020.vlf");
    s->menOpenVehicleList_Click();
    browseInChooser(s, sample.appDir + "Lists/National/DL/Fuels2020.flf");
    s->menOpenFuelList_Click();

    EXPECT_EQ(fileNameAt(s.state, 1, 0), "met\\Met2023.txt");
    EXPECT_EQ(fileNameAt(s.state, 2, 0), "res\\Out.txt");
    EXPECT_EQ(s.state.TrafficFile, "trf\\DemoStreet.trf");
    EXPECT_EQ(fileNameAt(s.state, 4, 1), "res\\More.txt");
    EXPECT_EQ(s.state.VehicleListFile, "lists\\Fleet2020.vlf");
    EXPECT_EQ(s.state.FuelListFile, ".\\Fuels2020.flf")
        << "a list of the national folder, as the country names it";
    EXPECT_EQ(s->Label4->text().toStdString(), orig + "trf/DemoStreet.trf");
    s->menSave_Click();
    ASSERT_FALSE(s.state.ProjectChanged);
    EXPECT_EQ(test::readFile(orig + "DemoStreet.vkp").find(orig), std::string::npos)
        << "the project names no file by the path of its folder";

    // Outputs of an earlier run of the original, then the copy made to try a variant.
    for (const char *output : {"res/Out.txt", "Stat2023.txt", "res/More.txt"}) {
        earlierOutput(orig + output);
    }
    fs::copy(orig, copy, fs::copy_options::recursive);
    const FolderSnapshot before = snapshot(orig);

    s.open(copy + "DemoStreet.vkp");
    ASSERT_EQ(s.state.WorkDir, copy);
    EXPECT_EQ(s->Label4->text().toStdString(), copy + "trf/DemoStreet.trf") << "the copy's traffic file";
    EXPECT_EQ(s->lblFleet[1]->text().toStdString(), copy + "lists/Fleet2020.vlf")
        << "the copy's vehicle list";
    s.ui.messages.clear();
    s.runToEnd();
    EXPECT_EQ(s->lblProgress->text().toStdString(), "The calculation has ended.");
    for (const std::string &m : s.ui.messages) {
        ADD_FAILURE() << m;
    }
    for (const char *output : {"res/Out.txt", "Stat2023.txt", "res/More.txt"}) {
        const std::string written = test::readFile(copy + output);
        EXPECT_TRUE(written != "an earlier run's output\r\n") << output << ": the copy's run writes its own";
        EXPECT_GT(written.size(), 100u) << output;
    }
    EXPECT_TRUE(test::readFile(copy + "res/More.txt") == test::readFile(copy + "Stat2023.txt"))
        << "the added statistics file holds what the first one does";
    const FolderSnapshot after = snapshot(orig);
    EXPECT_EQ(after.size(), before.size()) << "no file appears in the original's folder";
    for (const auto &[name, file] : before) {
        const auto now = after.find(name);
        ASSERT_NE(now, after.end()) << name;
        EXPECT_TRUE(now->second.first == file.first) << name << ": the original's file is unchanged";
        EXPECT_TRUE(now->second.second == file.second) << name << ": and not written again";
    }
}

TEST(ProjectFolderCopy, ACopyOfARouteProjectReadsTheRouteFilePickedInItsFolder) {
    Sample sample;
    const std::string working = sample.appDir + "Working/";
    const std::string orig = sample.appDir + "Route study/";
    const std::string copy = sample.appDir + "Route variant/";
    fs::create_directories(orig + "route");
    for (const char *name : {"DemoRoute.vkp", "Met2023.txt", "Back2023.txt", "Obs2023.txt"}) {
        fs::copy_file(working + name, orig + name);
    }
    fs::copy_file(working + "DemoRoute.txt", orig + "route/Walks.txt");

    Session s(sample, orig + "DemoRoute.vkp");
    ASSERT_TRUE(s.loaded);
    ASSERT_TRUE(s.state.RouteMode);
    s.ui.files.push_back(orig + "route/Walks.txt");
    s->menEditStreetConfiguration_Click(); // Set Route Data File
    EXPECT_EQ(s.state.RouteFile, "route\\Walks.txt");
    EXPECT_EQ(s->Label4->text().toStdString(), orig + "route/Walks.txt");
    s->menSave_Click();
    EXPECT_EQ(test::readFile(orig + "DemoRoute.vkp").find(orig), std::string::npos);

    fs::copy(orig, copy, fs::copy_options::recursive);
    // The variant: only Anna's route.
    std::string route;
    for (const std::string &line : splitLines(test::readFile(copy + "route/Walks.txt"))) {
        if (line.find("\"Ben\"") == std::string::npos && !line.empty()) {
            route += line + "\r\n";
        }
    }
    std::ofstream(copy + "route/Walks.txt", std::ios::binary | std::ios::trunc) << route;
    const FolderSnapshot before = snapshot(orig);

    s.open(copy + "DemoRoute.vkp");
    EXPECT_EQ(s->Label4->text().toStdString(), copy + "route/Walks.txt");
    s.runToEnd();
    EXPECT_EQ(s->lblProgress->text().toStdString(), "The calculation has ended.");
    const std::string output = test::readFile(copy + "RouteOut2023.txt");
    EXPECT_NE(output.find("Anna"), std::string::npos);
    EXPECT_EQ(output.find("Ben"), std::string::npos) << "the copy's run read the copy's route file";
    EXPECT_TRUE(snapshot(orig) == before) << "the original's folder is as it was";
}

TEST(ProjectFolderCopy, AProjectSavedWithFullPathsLoadsRunsAndKeepsThemWhenSavedAgain) {
    Sample sample;
    const std::string working = sample.appDir + "Working/";
    const std::string folder = sample.appDir + "Old project/";
    const std::string data = sample.appDir + "Old data/";
    fs::create_directories(folder);
    fs::create_directories(data + "out");
    for (const char *name : {"Met2023.txt", "Back2023.txt", "Obs2023.txt", "DemoStreet.trf"}) {
        fs::copy_file(working + name, data + name);
    }
    fs::copy_file(sample.appDir + "Lists/National/DL/Fleet2020.vlf", data + "Fleet2020.vlf");
    std::string text = test::readFile(working + "DemoStreet.vkp");
    auto full = [&text](const std::string &from, const std::string &to) {
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    };
    for (const char *name : {"Met2023.txt", "Back2023.txt", "Obs2023.txt", "DemoStreet.trf"}) {
        full(std::string("\"") + name + "\"", "\"" + data + name + "\"");
    }
    full("\"Out2023.txt\"", "\"" + data + "out/Out2023.txt\"");
    full("\"Stat2023.txt\"", "\"" + data + "out/Stat2023.txt\"");
    full("\".\\Fleet2020.vlf\"", "\"" + data + "Fleet2020.vlf\"");
    std::ofstream(folder + "Old.vkp", std::ios::binary) << text;

    Session s(sample, folder + "Old.vkp");
    ASSERT_TRUE(s.loaded);
    EXPECT_EQ(fileNameAt(s.state, 1, 0), data + "Met2023.txt");
    EXPECT_EQ(s->Label4->text().toStdString(), data + "DemoStreet.trf");
    EXPECT_EQ(s->lblFleet[1]->text().toStdString(), data + "Fleet2020.vlf");
    s.runToEnd();
    EXPECT_EQ(s->lblProgress->text().toStdString(), "The calculation has ended.");
    EXPECT_EQ(test::readFile(data + "out/Stat2023.txt"),
              test::readFile(test::sourceDir() / "tests/run/expected/SingleStreet/Stat2023.txt"))
        << "the sample's results, read from and written to the full paths";
    s.state.ProjectChanged = true;
    s->menSave_Click();
    EXPECT_EQ(test::readFile(folder + "Old.vkp"), text) << "saved again, the project names the same files";
}

TEST(ProjectFolderCopy, TheUserYearOfAListOnlyTheProgramFolderHoldsNamesItAsTheProjectStoresIt) {
    Sample sample;
    const std::string working = sample.appDir + "Working/";
    // The vehicle list "lists\Fleet.vlf": the project's folder has no lists/, the program folder has.
    fs::create_directories(sample.appDir + "lists");
    fs::copy_file(sample.appDir + "Lists/National/DL/Fleet2020.vlf", sample.appDir + "lists/Fleet.vlf");
    std::string text = test::readFile(working + "DemoStreet.vkp");
    const std::string listed = "\".\\Fleet2020.vlf\"";
    text.replace(text.find(listed), listed.size(), "\"lists\\Fleet.vlf\"");
    std::ofstream(working + "Own fleet.vkp", std::ios::binary) << text;

    Session s(sample, working + "Own fleet.vkp");
    ASSERT_TRUE(s.loaded);
    EXPECT_EQ(s->lblFleet[1]->text().toStdString(), sample.appDir + "lists/Fleet.vlf")
        << "where the run reads it";
    ASSERT_EQ(s->cmbYear->currentText(), QStringLiteral("[2020]"))
        << "a year of a list the country does not name";
    const int userYears = s->cmbYear->count();
    // Another year, then the project's own year again.
    for (const QString &year : {QStringLiteral("2025"), QStringLiteral("[2020]")}) {
        const int index = s->cmbYear->findText(year);
        ASSERT_GE(index, 0) << year.toStdString();
        s->cmbYear->setCurrentIndex(index);
        Q_EMIT s->cmbYear->activated(index);
    }
    EXPECT_EQ(s.state.VehicleListFile, "lists\\Fleet.vlf") << "the name the project stores";
    EXPECT_EQ(s->lblFleet[1]->text().toStdString(), sample.appDir + "lists/Fleet.vlf");
    EXPECT_EQ(s->cmbYear->count(), userYears) << "the list is found as the year's own: no second entry";
    s->menSave_Click();
    EXPECT_NE(test::readFile(working + "Own fleet.vkp").find("\"lists\\Fleet.vlf\""), std::string::npos);
}

TEST(ProjectFolderCopy, NewProjectStoresTheFilesPickedInTheProjectsFolderWithoutIt) {
    Sample sample;
    Session s(sample, "");
    const std::string folder = sample.appDir + "New study/";
    fs::create_directories(folder + "trf");
    fs::create_directories(folder + "res");
    fs::copy_file(sample.appDir + "Working/DemoStreet.trf", folder + "trf/DemoStreet.trf");
    s->chooseFileName = [folder](int, const QString &, const QString &) { return folder; };
    test::onModal<frmProjectType>([](frmProjectType *d) {
        d->ListView1_ItemClick(1);
        d->btnOK_Click();
    });
    std::string traffic, output;
    test::onModal<frmNewStreet>([&](frmNewStreet *d) {
        s.ui.answers = {Answer::No, Answer::No}; // no variable list, no units now
        d->Option2[2]->setChecked(true);
        browseInChooser(s, folder + "trf/DemoStreet.trf");
        d->btnLoadFile_Click(1);
        traffic = s.state.TrafficFile;
        browseInChooser(s, folder + "res/Out.txt");
        d->btnLoadFile_Click(3);
        output = fileCount(s.state, 2) > 0 ? fileNameAt(s.state, 2, fileCount(s.state, 2) - 1) : "";
        d->btnCancel_Click();
    });
    s->menNew_Click();
    EXPECT_EQ(traffic, "trf\\DemoStreet.trf");
    EXPECT_EQ(output, "res\\Out.txt");
}

namespace {

// What the window shows of the project's files: the traffic (or streets or
// route) file, the vehicle and fuel lists and the entries of the four lists.
std::vector<std::string> shownFiles(Session &s) {
    std::vector<std::string> shown = {s->Label4->text().toStdString(), s->lblFleet[1]->text().toStdString(),
                                      s->lblFuel[1]->text().toStdString()};
    for (int kind = 1; kind <= 4; ++kind) {
        for (int i = 0; i < s->List1[kind]->count(); ++i) {
            shown.push_back(s->List1[kind]->text(i).toStdString());
        }
    }
    return shown;
}

} // namespace

TEST(ProjectFolderCopy, SavedAsIntoAFolderHoldingOtherFilesOfTheSameNamesItRunsOnTheFilesItUsed) {
    Sample sample;
    const std::string working = sample.appDir + "Working/";
    const std::string national = sample.appDir + "Lists/National/DL/";
    const std::string orig = sample.appDir + "Study/";
    const std::string other = sample.appDir + "Variant/";
    for (const std::string &folder : {orig, other}) {
        for (const char *below : {"met", "trf", "lists", "res"}) {
            fs::create_directories(folder + below);
        }
    }
    for (const char *name : {"Back2023.txt", "Obs2023.txt"}) {
        fs::copy_file(working + name, orig + name);
    }
    fs::copy_file(working + "Met2023.txt", orig + "met/Met2023.txt");
    fs::copy_file(working + "DemoStreet.trf", orig + "trf/DemoStreet.trf");
    fs::copy_file(national + "Fleet2020.vlf", orig + "lists/Fleet2020.vlf");
    // The other folder: another year's fleet, another street's traffic and the
    // background as meteorology, under the names the project stores.
    fs::copy_file(national + "Fleet2030.vlf", other + "lists/Fleet2020.vlf");
    fs::copy_file(sample.appDir + "Data/Traffic/National/DL/CityStreet.trf", other + "trf/DemoStreet.trf");
    fs::copy_file(working + "Back2023.txt", other + "met/Met2023.txt");
    std::string text = test::readFile(working + "DemoStreet.vkp");
    for (const auto &[from, to] : {std::pair<std::string, std::string>{"Met2023.txt", "met\\Met2023.txt"},
                                   {"Out2023.txt", "res\\Out.txt"},
                                   {"DemoStreet.trf", "trf\\DemoStreet.trf"},
                                   {".\\Fleet2020.vlf", "lists\\Fleet2020.vlf"}}) {
        const std::size_t at = text.find("\"" + from + "\"");
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at + 1, from.size(), to);
    }
    std::ofstream(orig + "Study.vkp", std::ios::binary) << text;
    const std::vector<std::string> outputs = {orig + "res/Out.txt", orig + "Stat2023.txt"};

    Session s(sample, orig + "Study.vkp");
    ASSERT_TRUE(s.loaded);
    s.runToEnd();
    ASSERT_EQ(s->lblProgress->text().toStdString(), "The calculation has ended.");
    const FolderSnapshot ran = snapshot(orig); // the project's files with its own results

    s.ui.files.push_back(other + "Variant.vkp");
    s->menSaveAs_Click();
    ASSERT_EQ(s.state.WorkDir, other);
    EXPECT_EQ(s->lblFleet[1]->text().toStdString(), orig + "lists/Fleet2020.vlf");
    EXPECT_EQ(s->Label4->text().toStdString(), orig + "trf/DemoStreet.trf");
    const std::vector<std::string> shown = shownFiles(s);
    const FolderSnapshot others = snapshot(other);

    // The window's run right after Save As, the batch of the saved file and the saved file opened again.
    auto ranAsBefore = [&](const std::string &run) {
        const FolderSnapshot now = snapshot(orig);
        EXPECT_EQ(now.size(), ran.size()) << run;
        for (const auto &[name, file] : ran) {
            const auto found = now.find(name);
            EXPECT_TRUE(found != now.end() && found->second.first == file.first)
                << run << ": " << name << " is not what the project wrote before Save As";
        }
        EXPECT_TRUE(snapshot(other) == others) << run << ": the other folder's files are left alone";
    };
    for (const std::string run : {"the window's", "the batch's", "the reopened project's"}) {
        for (const std::string &output : outputs) {
            fs::remove(output);
        }
        if (run == "the window's") {
            s.runToEnd();
            EXPECT_EQ(s->lblProgress->text().toStdString(), "The calculation has ended.");
        } else if (run == "the batch's") {
            std::string said;
            EXPECT_EQ(test::batchRun(sample, other + "Variant.vkp", &said), kExitSucceeded) << said;
        } else {
            s.open(other + "Variant.vkp");
            EXPECT_EQ(shownFiles(s), shown) << "the window showed what the saved file names";
            s.runToEnd();
        }
        ranAsBefore(run);
    }
}
