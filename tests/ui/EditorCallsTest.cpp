// The main window's calls of the traffic editor, the list editor and the two
// tool programs, with the real dialogs worked offscreen: what goes in, what
// comes back, and what the next run computes with.

#include "ui/WindowSession.h"

#include "core/Paths.h"
#include "platform/emission/ListDocuments.h"
#include "platform/emission/TrafficDocument.h"
#include "project/FileLists.h"
#include "ui/common/ElidedLabel.h"
#include "ui/editors/RowsTableModel.h"
#include "ui/editors/TrafficTableModels.h"
#include "ui/editors/frmListEditor.h"
#include "ui/editors/frmTrafficEditor.h"
#include "ui/results/frmShowResults.h"
#include "ui/tools/ToolWindows.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace vesk;
using test::Sample;
using test::Session;

namespace {

std::string sampleTraffic(const Sample &sample) {
    return sample.appDir + "Working/DemoStreet.trf";
}

TrafficDocument readTraffic(const std::string &path) {
    TrafficDocument doc;
    std::string error;
    EXPECT_TRUE(readTrafficDocument(path, &doc, &error)) << error;
    return doc;
}

// The modelled NOx of side 1 above the urban background, as the run's statistics give it.
double noxIncrement(const State &s) {
    const StatVar *mod = s.StatVarList.find("AvNOx_mod");
    const StatVar *back = s.StatVarList.find("AvNOx_b");
    EXPECT_TRUE(mod && back);
    return mod && back ? mod->Value(1) - back->Value(1) : -99;
}

// Every flow of category c (0-based) in every day case times factor, typed into the profile table.
void scaleCategory(ui::frmTrafficEditor &d, int c, double factor) {
    ui::TrafficProfileModel *m = d.profileModel();
    for (int dc = 0; dc < static_cast<int>(d.document().dayCases.size()); ++dc) {
        d.dayCaseChosen(dc);
        for (int p = 0; p < m->rowCount(); ++p) {
            const double v = d.document()
                                 .dayCases[static_cast<size_t>(dc)]
                                 .periods[static_cast<size_t>(p)]
                                 .flows[static_cast<size_t>(c)];
            ASSERT_TRUE(m->setData(m->index(p, c), QString::number(v * factor)));
        }
    }
}

struct ProgramStart {
    QString program;
    QStringList arguments;
};

} // namespace

TEST(EditorCalls, TheTrafficListAndToolCommandsAreAvailableWithAProject) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    for (const char *name :
         {"menNewTrfFile", "menOpenVehicleList", "menOpenFuelList", "menEditTrf", "menOpenTrf",
          "menEditTarvik", "menEditVehicleList", "menEditFuelList", "menEditCNDFile"}) {
        QAction *a = s->action(QString::fromLatin1(name));
        EXPECT_TRUE(a->isEnabled()) << name;
        EXPECT_FALSE(a->statusTip().contains(QStringLiteral("not available"))) << name;
    }
    for (const char *key : {"SetTRF", "TrafficNow", "Traffic", "VLF", "Fleet", "FLF", "Fuel", "Tarvik"}) {
        EXPECT_TRUE(s->toolbarKey(QString::fromLatin1(key))->isEnabled()) << key;
    }
    // The list labels hold the full paths; the labels shorten them to the frame.
    EXPECT_EQ(s->lblFleet[1]->text().toStdString(), sample.appDir + "Lists/National/DL/Fleet2020.vlf");
    EXPECT_EQ(s->Label4->text().toStdString(), sampleTraffic(sample));
    auto *label = qobject_cast<ui::ElidedLabel *>(s->lblFleet[1]);
    ASSERT_NE(label, nullptr);
    label->resize(90, label->height());
    EXPECT_NE(label->shownText(), label->text());
    EXPECT_TRUE(label->shownText().endsWith(QStringLiteral(".vlf")));
    EXPECT_LT(label->fontMetrics().horizontalAdvance(label->shownText()), 90);
    label->resize(2000, label->height());
    EXPECT_EQ(label->shownText(), label->text());
}

TEST(EditorCalls, TheFirstTrafficFileOfAProjectIsAddedAndItsPropertiesRead) {
    Sample sample;
    Session s(sample, sample.project());
    s.select(3, 0);
    s->btnRemove_Click();
    ASSERT_TRUE(s.state.TrafficFile.empty());
    EXPECT_FALSE(s->action(QStringLiteral("menEditTrf"))->isEnabled());
    s.state.DayCases = 0;
    s.names({"DemoStreet.trf"});
    s->toolbarKey(QStringLiteral("SetTRF"))->trigger();
    EXPECT_EQ(s.state.TrafficFile, "DemoStreet.trf");
    EXPECT_EQ(s.state.TrafficFileType, 2);
    EXPECT_EQ(s.state.DayCases, 4);
    EXPECT_TRUE(s->action(QStringLiteral("menEditTrf"))->isEnabled());
    EXPECT_EQ(s->Label4->text().toStdString(), sampleTraffic(sample));
}

TEST(EditorCalls, DoublingTheHeavyGoodsVehiclesInTheTrafficEditorIsSavedAndRaisesTheNextRunsNox) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    s.runToEnd();
    const double before = noxIncrement(s.state);
    ASSERT_GT(before, 1.0);
    const TrafficDocument original = readTraffic(sampleTraffic(sample));

    std::string shownPath;
    float shownADT = 0;
    s->runTrafficEditor = [&](ui::frmTrafficEditor &d) {
        shownPath = d.path();
        shownADT = static_cast<float>(d.txtADT->text().toDouble());
        EXPECT_FALSE(d.btnSave->isHidden());
        ASSERT_NO_FATAL_FAILURE(scaleCategory(d, 2, 2.0)); // HGV
        EXPECT_TRUE(d.btnSave_Click());
        d.btnClose_Click();
    };
    ASSERT_NO_FATAL_FAILURE(s->toolbarKey(QStringLiteral("TrafficNow"))->trigger());
    EXPECT_EQ(shownPath, sampleTraffic(sample));
    EXPECT_GT(shownADT, 0);
    EXPECT_TRUE(s.state.TrafficFileOpened);
    EXPECT_TRUE(s.state.TrafficFileSaved);
    EXPECT_TRUE(s.state.TrafficFileLoaded);
    EXPECT_TRUE(s.state.TrafficEdited);
    EXPECT_FALSE(s->RenewEmissions) << "the fleet did not change";

    const TrafficDocument saved = readTraffic(sampleTraffic(sample));
    ASSERT_EQ(saved.dayCases.size(), original.dayCases.size());
    EXPECT_NEAR(saved.dayCases[1].periods[7].flows[2], 2 * original.dayCases[1].periods[7].flows[2], 0.01);
    EXPECT_EQ(saved.dayCases[1].periods[7].flows[0], original.dayCases[1].periods[7].flows[0]);

    s.runToEnd();
    EXPECT_EQ(s->lblProgress->text(), "The calculation has ended.");
    const double after = noxIncrement(s.state);
    EXPECT_GT(after, before * 1.1) << before << " -> " << after;

    // The saved file loads again and computes what the edited traffic computed.
    s.open(sample.project());
    s.runToEnd();
    EXPECT_NEAR(noxIncrement(s.state), after, 1e-3);
}

TEST(EditorCalls, ChangesKeptForTheProjectWithoutSavingAreAskedAboutWhenTheProjectClosesAndEnterSavesThem) {
    Sample sample;
    Session s(sample, sample.project());
    const std::string text = test::readFile(sampleTraffic(sample));
    s->runTrafficEditor = [&](ui::frmTrafficEditor &d) {
        ASSERT_NO_FATAL_FAILURE(scaleCategory(d, 2, 3.0));
        s.ui.answers.push_back(Answer::No); // keep them for the project's runs
        d.btnClose_Click();
    };
    ASSERT_NO_FATAL_FAILURE(s->menEditTrf_Click());
    EXPECT_TRUE(s.state.TrafficFileOpened);
    EXPECT_FALSE(s.state.TrafficFileSaved);
    EXPECT_TRUE(s.state.TrafficEdited);
    EXPECT_EQ(test::readFile(sampleTraffic(sample)), text) << "nothing was saved";
    // The component holds the kept traffic: the editor starts from it next time.
    EXPECT_NEAR(s.state.EmissionComponent.TrafficSource.dayCases[0].periods[9].flows[2],
                3 * readTraffic(sampleTraffic(sample)).dayCases[0].periods[9].flows[2], 0.01);

    // Closing asks; Enter (Yes, the default button) opens the editor on the
    // kept traffic, where the user saves it.
    s.ui.messages.clear();
    s.ui.answers.clear();
    bool startedFromKept = false;
    s->runTrafficEditor = [&](ui::frmTrafficEditor &d) {
        startedFromKept = d.changed() == false && !d.saved();
        EXPECT_TRUE(d.btnSave_Click());
        d.btnClose_Click();
    };
    s->menClose_Click();
    ASSERT_FALSE(s.ui.messages.empty());
    EXPECT_EQ(s.ui.messages.front(), "Do you want to save changes you made to the current traffic file?");
    EXPECT_TRUE(startedFromKept);
    EXPECT_NE(test::readFile(sampleTraffic(sample)), text);
    EXPECT_TRUE(s.state.ProjectFile.empty()) << "the project was closed";
}

TEST(EditorCalls, TrafficKeptForTheProjectIsRunAfterTheFocusLeftAnUntouchedSpeedBox) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    s->show();
    QApplication::setActiveWindow(s.w.get());
    const std::string output = sample.appDir + "Working/Out2023.txt";
    s.runToEnd();
    const std::string unedited = test::readFile(output);
    ASSERT_FALSE(unedited.empty());
    auto queuedChecksRun = [] {
        // The check of a box left is queued when the focus moves: it has run once a later call has.
        auto reached = std::make_shared<bool>(false);
        QTimer::singleShot(0, [reached] { *reached = true; });
        return test::processEventsUntil([reached] { return *reached; }, 5);
    };

    // A click into "Travel Speed (km/h)", nothing typed.
    QTest::mouseClick(s->txtSpeed, Qt::LeftButton);
    ASSERT_TRUE(test::processEventsUntil([&] { return s->txtSpeed->hasFocus(); }, 5));
    // View/Edit Traffic Data: 55 cars become 900 in hour 2 of the first day case; Close, and No keeps
    // them for the calculations of the project without saving them.
    auto carsInHour2 = [](ui::frmTrafficEditor *d) {
        d->dayCaseChosen(0);
        return d->profileModel()->index(1, 0).data().toString();
    };
    QString shownFirst, shownAgain;
    test::onModal<ui::frmTrafficEditor>([&](ui::frmTrafficEditor *d) {
        ASSERT_EQ(d->document().dayCases[0].name, "Working day, summer holidays");
        shownFirst = carsInHour2(d);
        ASSERT_TRUE(d->profileModel()->setData(d->profileModel()->index(1, 0), QStringLiteral("900")));
        s.ui.answers.push_back(Answer::No);
        d->btnClose_Click();
    });
    ASSERT_NO_FATAL_FAILURE(s->action(QStringLiteral("menEditTrf"))->trigger());
    ASSERT_EQ(shownFirst, "55");
    ASSERT_TRUE(s.state.TrafficFileLoaded);
    // The main window active again, its focus in the speed box as before.
    QApplication::setActiveWindow(s.w.get());
    ASSERT_TRUE(test::processEventsUntil([&] { return s->txtSpeed->hasFocus(); }, 5));
    ASSERT_TRUE(queuedChecksRun());

    // Run, clicked as a hand does: the press takes the focus from the box, the run starts at the release.
    QTest::mousePress(s->btnRun, Qt::LeftButton);
    ASSERT_TRUE(queuedChecksRun());
    EXPECT_TRUE(s.state.TrafficFileLoaded) << "the speed box was left unchanged";
    QTest::mouseRelease(s->btnRun, Qt::LeftButton);
    ASSERT_TRUE(test::waitForRunToEnd(*s.w));
    EXPECT_EQ(s->lblProgress->text(), "The calculation has ended.");
    EXPECT_TRUE(test::readFile(output) != unedited) << "the run computed with 900 cars in hour 2";

    // The editor opened again starts from the traffic kept.
    test::onModal<ui::frmTrafficEditor>([&](ui::frmTrafficEditor *d) {
        shownAgain = carsInHour2(d);
        d->btnClose_Click();
    });
    ASSERT_NO_FATAL_FAILURE(s->action(QStringLiteral("menEditTrf"))->trigger());
    EXPECT_EQ(shownAgain, "900");

    // The speed typed again as it stands keeps the traffic; another speed is read with the file.
    QApplication::setActiveWindow(s.w.get());
    ASSERT_TRUE(s.state.TrafficFileLoaded);
    const QString speed = s->txtSpeed->text();
    for (const QString &typed : {speed, speed + QStringLiteral("5")}) {
        s->txtSpeed->setFocus();
        ASSERT_TRUE(test::processEventsUntil([&] { return s->txtSpeed->hasFocus(); }, 5));
        s->txtSpeed->selectAll();
        QTest::keyClicks(s->txtSpeed, typed);
        s->txtADT->setFocus();
        ASSERT_TRUE(queuedChecksRun());
        EXPECT_EQ(s.state.TrafficFileLoaded, typed == speed) << typed.toStdString();
    }
    s->hide();
}

TEST(EditorCalls, TheEditorSavedUnderAnotherNameBecomesTheProjectsTrafficFileEditedOrNot) {
    for (const bool edited : {true, false}) {
        SCOPED_TRACE(edited ? "edited" : "saved as it was read");
        Sample sample;
        Session s(sample, sample.project());
        s.state.ProjectChanged = false;
        const std::string copy = sample.appDir + "Working/Heavier.trf";
        s->runTrafficEditor = [&](ui::frmTrafficEditor &d) {
            if (edited) {
                ASSERT_NO_FATAL_FAILURE(scaleCategory(d, 2, 2.0));
            }
            s.ui.files.push_back(copy);
            EXPECT_TRUE(d.btnSaveAs_Click());
            d.btnClose_Click();
        };
        ASSERT_NO_FATAL_FAILURE(s->menEditTrf_Click());
        EXPECT_EQ(s.state.TrafficFile, "Heavier.trf");
        EXPECT_TRUE(s.state.ProjectChanged);
        EXPECT_EQ(s->Label4->text().toStdString(), copy);
        EXPECT_EQ(fileNameAt(s.state, 3, 0), "Heavier.trf");
        EXPECT_TRUE(std::filesystem::exists(copy));
    }
}

TEST(EditorCalls, ChoosingAnotherTrafficFileReadsItsPropertiesAndAMalformedOneGivesTheReadersMessage) {
    Sample sample;
    Session s(sample, sample.project());
    // A counted-traffic copy: the file carries its own amounts, so the street's boxes go.
    std::string counted = test::readFile(sampleTraffic(sample));
    counted.replace(counted.find("\"Type\",2"), 8, "\"Type\",1");
    std::filesystem::path work(sample.appDir + "Working");
    { std::ofstream(work / "Counted.trf", std::ios::binary) << counted; }
    s.names({"Counted.trf"});
    s->action(QStringLiteral("menNewTrfFile"))->trigger();
    EXPECT_EQ(s.state.TrafficFile, "Counted.trf");
    EXPECT_EQ(s.state.TrafficFileType, 1);
    EXPECT_EQ(s.state.DayCases, 4);
    EXPECT_EQ(s.state.VehCatNames[3], "HGV");
    EXPECT_FALSE(s.state.TrafficFileLoaded) << "the run reads the new file";
    EXPECT_FALSE(s->txtADT->isEnabled());

    // A standard profile again: the street's boxes return.
    s.names({"DemoStreet.trf"});
    s->menNewTrfFile_Click();
    EXPECT_EQ(s.state.TrafficFileType, 2);
    EXPECT_TRUE(s->txtADT->isEnabled());

    const std::string bad = "\"Bad traffic\"\r\n[Settings]\r\n\"Name\",\"Value\"\r\n\"Type\",7\r\n";
    { std::ofstream(work / "Bad.trf", std::ios::binary) << bad; }
    s.ui.messages.clear();
    s.names({"Bad.trf"});
    s->menNewTrfFile_Click();
    EXPECT_EQ(s.state.TrafficFile, "Bad.trf");
    EXPECT_TRUE(s.state.ErrorInTrafficFile);
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_NE(s.ui.messages[0].find("Bad.trf, line 4"), std::string::npos) << s.ui.messages[0];

    // Viewing it shows the reader's message again and never writes the file unasked.
    s.ui.messages.clear();
    bool shown = false;
    s->runTrafficEditor = [&](ui::frmTrafficEditor &d) {
        shown = true;
        EXPECT_TRUE(d.path().empty()) << "a new document without a name";
        d.btnClose_Click();
    };
    s->menEditTrf_Click();
    EXPECT_TRUE(shown);
    ASSERT_FALSE(s.ui.messages.empty());
    EXPECT_NE(s.ui.messages[0].find("Bad.trf, line 4"), std::string::npos);
    EXPECT_EQ(test::readFile(work / "Bad.trf"), bad);
    // Closed without saving, the new document changes nothing: the project still names its file.
    EXPECT_EQ(s.state.TrafficFile, "Bad.trf");
    EXPECT_EQ(fileNameAt(s.state, 3, 0), "Bad.trf");
    EXPECT_FALSE(s.state.TrafficEdited);
}

// A new traffic file saved by the traffic editor program holds no traffic
// (its own daily traffic is 0). Named as the project's traffic file, the
// boxes show the daily traffic and speed the run takes, and the run's
// summary says the same.
TEST(EditorCalls, ATrafficFileWithoutTrafficShowsInTheBoxesTheAmountTheRunsSummaryGives) {
    Sample sample;
    const std::string lists = sample.appDir + "Lists/National/DL/";
    {
        State tool;
        test::ScriptedInteraction toolUi;
        ASSERT_TRUE(ui::setUpToolState(tool, sample.appDir, "Demoland", toolUi));
        const ToolCommandLine line{ToolWindow::TrafficEditor, lists + "Fleet2020.vlf",
                                   lists + "Fuels2020.flf", 2020, "Demoland"};
        ui::showToolWindow(tool, line, toolUi, [&](QDialog &window) {
            auto &d = dynamic_cast<ui::frmTrafficEditor &>(window);
            EXPECT_EQ(d.txtADT->text(), QStringLiteral("0"));
            toolUi.files.push_back(sample.appDir + "Working/NoTraffic.trf");
            EXPECT_TRUE(d.btnSave_Click()) << d.problem().toStdString();
            d.btnClose_Click();
        });
    }
    ASSERT_EQ(readTraffic(sample.appDir + "Working/NoTraffic.trf").type, 2) << "a standard profile";

    Session s(sample, sample.project());
    ASSERT_TRUE(s->txtADT->isEnabled()) << "the sample's own traffic file gives the street its traffic";
    const QString sampleSpeed = s->txtSpeed->text();
    s.names({"NoTraffic.trf"});
    s->action(QStringLiteral("menNewTrfFile"))->trigger();
    ASSERT_EQ(s.state.TrafficFile, "NoTraffic.trf");
    const QString adt = s->txtADT->text(), speed = s->txtSpeed->text();
    EXPECT_TRUE(s->txtADT->isEnabled());
    EXPECT_TRUE(s->txtSpeed->isEnabled());
    EXPECT_EQ(adt, QStringLiteral("10000")) << "a street without traffic of its own";
    EXPECT_EQ(speed, sampleSpeed) << "the speed the profile was scaled to";

    std::string keyInfo;
    s.onResultsWindow = [&](QDialog &dialog) {
        keyInfo = dynamic_cast<ui::frmShowResults &>(dialog).txtKeyInfo->toPlainText().toStdString();
    };
    s.runToEnd();
    EXPECT_NE(keyInfo.find("Average Daily Traffic: " + adt.toStdString() + " "), std::string::npos)
        << "the box shows " << adt.toStdString() << "\n"
        << keyInfo;
    EXPECT_EQ(s->txtADT->text(), adt) << "after the run";
    EXPECT_EQ(s->txtSpeed->text(), speed) << "after the run";
    EXPECT_EQ(s.state.AnnualDiurnalTraffic, adt.toDouble());
    EXPECT_EQ(s.state.AverageTrafficSpeed, speed.toDouble());
}

TEST(EditorCalls, TheTwoProgramsStartWithTheirArgumentListAndNoShellLine) {
    Sample sample;
    Session s(sample, sample.project());
    std::vector<ProgramStart> started;
    s->startProgram = [&](const QString &program, const QStringList &arguments) {
        started.push_back({program, arguments});
        return true;
    };
    const QString lists = QString::fromStdString(sample.appDir + "Lists/National/DL/");

    // The traffic editor program asks first while a project is open; Cancel starts nothing.
    s.ui.answers = {Answer::Cancel};
    s->toolbarKey(QStringLiteral("Traffic"))->trigger();
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(
        s.ui.messages[0],
        "The traffic files edited with the Kestal program will not be associated with the current project.");
    EXPECT_TRUE(started.empty());
    s->menOpenTrf_Click();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, QCoreApplication::applicationFilePath());
    EXPECT_EQ(started[0].arguments,
              (QStringList{QStringLiteral("--traffic-editor"), lists + QStringLiteral("Fleet2020.vlf"),
                           lists + QStringLiteral("Fuels2020.flf"), QStringLiteral("2020"),
                           QStringLiteral("Demoland")}));

    s->toolbarKey(QStringLiteral("Tarvik"))->trigger();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1].arguments[0], QStringLiteral("--emission-factors"));
    EXPECT_EQ(started[1].arguments.mid(1), started[0].arguments.mid(1));

    // Fleet data that exist only in memory: the question, and the default lists on Yes.
    s.state.VehicleListFile = "[2031]";
    s.state.ScenarioYear = 2031;
    s.ui.messages.clear();
    s.ui.answers = {Answer::No};
    s->menEditTarvik_Click();
    EXPECT_EQ(started.size(), 2u);
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_NE(s.ui.messages[0].find("can't be used with the Tarvik program!"), std::string::npos);
    s.ui.answers = {Answer::Yes};
    s->menEditTarvik_Click();
    ASSERT_EQ(started.size(), 3u);
    EXPECT_EQ(started[2].arguments[1].toStdString(),
              resolveStoredName(s.state.DefaultVehicleListFile, s.state.WorkDir, s.state.ListsDir));
    EXPECT_EQ(started[2].arguments[3], QStringLiteral("2031"));

    // A program that cannot be started is reported; the window goes on.
    s->startProgram = [](const QString &, const QStringList &) { return false; };
    s.ui.messages.clear();
    s.state.VehicleListFile = ".\\Fleet2020.vlf";
    s->menEditTarvik_Click();
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_NE(s.ui.messages[0].find("could not be started"), std::string::npos);
}

TEST(EditorCalls, WithoutAProjectTheProgramsTakeTheDefaultListsAndTheCurrentYear) {
    Sample sample;
    Session s(sample, "");
    std::vector<ProgramStart> started;
    s->startProgram = [&](const QString &program, const QStringList &arguments) {
        started.push_back({program, arguments});
        return true;
    };
    ASSERT_TRUE(s->action(QStringLiteral("menEditTarvik"))->isEnabled());
    s->menEditTarvik_Click();
    s->menOpenTrf_Click();
    EXPECT_TRUE(s.ui.messages.empty()) << "no project: nothing to ask";
    ASSERT_EQ(started.size(), 2u);
    for (const auto &st : started) {
        EXPECT_EQ(st.arguments[1].toStdString(),
                  resolveStoredName(s.state.DefaultVehicleListFile, s.state.WorkDir, s.state.ListsDir));
        EXPECT_EQ(st.arguments[3], QString::number(s.state.CurrentYear));
    }
}

TEST(EditorCalls, AVehicleListSavedInTheListEditorIsReadAgainForTheNextRun) {
    Sample sample;
    Session s(sample, sample.project());
    s.runToEnd();
    const double before = noxIncrement(s.state);
    const std::string path = sample.appDir + "Lists/National/DL/Fleet2020.vlf";
    VehicleListDocument original;
    std::string error;
    ASSERT_TRUE(readVehicleListDocument(path, &original, &error)) << error;

    // The heavy goods vehicles' oldest technology takes the whole fleet: more NOx per vehicle.
    std::string oldest;
    s->runListEditor = [&](ui::frmListEditor &d) {
        EXPECT_EQ(d.kind(), 1);
        EXPECT_EQ(d.path(), path);
        int hgv = -1;
        for (int r = 0; r < d.rowsModel()->rowCount(); ++r) {
            if (d.rowsModel()->data(d.rowsModel()->index(r, 0)).toString() == QStringLiteral("HGV")) {
                hgv = r;
            }
        }
        ASSERT_GE(hgv, 0);
        d.tblRows->selectRow(hgv);
        d.rowChosen(hgv);
        ui::RowsTableModel *fleet = d.subRowsModel();
        oldest = fleet->data(fleet->index(0, 0)).toString().toStdString();
        for (int r = 0; r < fleet->rowCount(); ++r) {
            ASSERT_TRUE(
                fleet->setData(fleet->index(r, 1), r == 0 ? QStringLiteral("100") : QStringLiteral("0")));
        }
        EXPECT_TRUE(d.problem().isEmpty()) << d.problem().toStdString();
        EXPECT_TRUE(d.btnSave_Click());
        d.btnClose_Click();
    };
    ASSERT_NO_FATAL_FAILURE(s->toolbarKey(QStringLiteral("Fleet"))->trigger());
    EXPECT_TRUE(s.ui.messages.empty()) << s.ui.messages.front();
    EXPECT_TRUE(s.state.EmissionReady) << "set up again from the saved list";
    const Fleet *hgv = s.state.EmissionComponent.FleetList.find("HGV");
    ASSERT_NE(hgv, nullptr);
    EXPECT_EQ(hgv->shares.front().name, oldest);
    EXPECT_DOUBLE_EQ(hgv->shares.front().percent, 100);

    s.runToEnd();
    EXPECT_GT(noxIncrement(s.state), before * 1.05) << before << " -> " << noxIncrement(s.state);
}

TEST(EditorCalls, AListSavedUnderAnotherNameIsUsedOnlyWhenTheUserSaysSo) {
    Sample sample;
    Session s(sample, sample.project());
    s.state.ProjectChanged = false;
    const std::string copy = sample.appDir + "Working/MyFuels.flf";
    auto saveAs = [&](ui::frmListEditor &d) {
        EXPECT_EQ(d.kind(), 2);
        s.ui.files.push_back(copy);
        EXPECT_TRUE(d.btnSaveAs_Click());
        d.btnClose_Click();
    };
    s->runListEditor = saveAs;
    s.ui.answers = {Answer::No};
    s->menEditFuelList_Click();
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0],
              "Do you want the new Fuel List File\r\n MyFuels.flf\r\nto be used in the current Project?");
    EXPECT_EQ(s.state.FuelListFile, ".\\Fuels2020.flf");
    EXPECT_FALSE(s.state.ProjectChanged);

    s.ui.answers = {Answer::Yes};
    s->menEditFuelList_Click();
    EXPECT_EQ(s.state.FuelListFile, "MyFuels.flf");
    EXPECT_TRUE(s.state.ProjectChanged);
    EXPECT_TRUE(s.state.EmissionReady);
    EXPECT_EQ(s->lblFuel[1]->text().toStdString(), copy);

    // Saving the same file asks nothing.
    s.ui.messages.clear();
    s->runListEditor = [](ui::frmListEditor &d) {
        EXPECT_TRUE(d.btnSave_Click());
        d.btnClose_Click();
    };
    s->menEditFuelList_Click();
    EXPECT_TRUE(s.ui.messages.empty());
}

TEST(EditorCalls, GeneratedFleetDataCannotBeViewedAndAMalformedListIsNeverOverwritten) {
    Sample sample;
    Session s(sample, sample.project());
    bool opened = false;
    s->runListEditor = [&](ui::frmListEditor &d) {
        opened = true;
        d.btnClose_Click();
    };
    s.state.FuelListFile = "[2031]";
    s->menEditFuelList_Click();
    EXPECT_FALSE(opened);
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0],
              "The currently used Fuel data are not saved to a permanent file and can't be viewed/edited!");
    s.state.FuelListFile = ".\\Fuels2020.flf";

    const std::string path = sample.appDir + "Lists/National/DL/Fleet2020.vlf";
    const std::string damaged = "\"DL\",2020\r\n[Categories]\r\n\"Name\"\r\n";
    { std::ofstream(path, std::ios::binary) << damaged; }
    s.ui.messages.clear();
    s->runListEditor = [&](ui::frmListEditor &d) {
        opened = true;
        EXPECT_TRUE(d.path().empty()) << "a new list without a name";
        d.btnClose_Click();
    };
    s.ui.answers = {Answer::No}; // the close question of the new list
    s->menEditVehicleList_Click();
    EXPECT_TRUE(opened);
    ASSERT_FALSE(s.ui.messages.empty());
    EXPECT_NE(s.ui.messages[0].find("Fleet2020.vlf, line"), std::string::npos) << s.ui.messages[0];
    EXPECT_EQ(test::readFile(path), damaged);
    EXPECT_FALSE(s.state.EmissionReady);
    EXPECT_EQ(s.state.ErrorCode, 0);
}

TEST(EditorCalls, SettingTheListFilesSetsTheEmissionsUpAgain) {
    Sample sample;
    Session s(sample, sample.project());
    s.state.ProjectChanged = false;
    std::vector<QString> captions;
    s->chooseFileName = [&](int kind, const QString &caption, const QString &) {
        EXPECT_EQ(kind, -1);
        captions.push_back(caption);
        return std::string(caption.contains(QStringLiteral("Vehicle")) ? ".\\Fleet2030.vlf"
                                                                       : ".\\Fuels2030.flf");
    };
    s->toolbarKey(QStringLiteral("VLF"))->trigger();
    s->toolbarKey(QStringLiteral("FLF"))->trigger();
    EXPECT_EQ(captions, (std::vector<QString>{QStringLiteral("Set the Vehicle List File"),
                                              QStringLiteral("Set the Fuel List File")}));
    EXPECT_EQ(s.state.VehicleListFile, ".\\Fleet2030.vlf");
    EXPECT_EQ(s.state.FuelListFile, ".\\Fuels2030.flf");
    EXPECT_TRUE(s.state.ProjectChanged);
    EXPECT_TRUE(s.state.EmissionReady);
    EXPECT_EQ(s.state.EmissionComponent.scenarioYear, 2030);
    EXPECT_EQ(s->lblFleet[1]->text().toStdString(), sample.appDir + "Lists/National/DL/Fleet2030.vlf");
    EXPECT_FALSE(s.state.NewProjectPending);

    // A cancelled choice changes nothing.
    s->chooseFileName = [](int, const QString &, const QString &) { return std::string(); };
    s.state.ProjectChanged = false;
    s->menOpenVehicleList_Click();
    EXPECT_EQ(s.state.VehicleListFile, ".\\Fleet2030.vlf");
    EXPECT_FALSE(s.state.ProjectChanged);
}

TEST(EditorCalls, EditConditionsOpensTheConditionsFileInTheTextEditorOnlyWhenOneIsSet) {
    Sample sample;
    Session s(sample, sample.project());
    s.state.ConditionsFile.clear();
    s->menEditCNDFile_Click();
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0], "No Conditions File is set for the project.");
}

TEST(EditorCalls, AnotherScenarioYearChosenInTheTrafficEditorIsAFleetChangeAlsoWhenItsListsAreTheSame) {
    Sample sample;
    // A country whose fleet stays as it is from 2020 to 2025: both years name the same lists.
    {
        std::ofstream(sample.appDir + "Lists/National/DL/Scenarios.lst", std::ios::binary)
            << "\"FleetShare.xls\",2015,2030\r\n"
               "2015,\".\\Fleet2015.vlf\",\".\\Fuels2015.flf\"\r\n"
               "2020,\".\\Fleet2020.vlf\",\".\\Fuels2020.flf\"\r\n"
               "2025,\".\\Fleet2020.vlf\",\".\\Fuels2020.flf\"\r\n"
               "2030,\".\\Fleet2030.vlf\",\".\\Fuels2030.flf\"\r\n";
    }
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    ASSERT_EQ(s->cmbYear->currentText(), QStringLiteral("2020"));
    std::string lists;
    std::vector<std::string> yearsShown;
    s->runTrafficEditor = [&](ui::frmTrafficEditor &d) {
        const int y2025 = d.cmbYear->findText(QStringLiteral("2025"));
        ASSERT_GE(y2025, 0);
        d.cmbYear->setCurrentIndex(y2025);
        d.cmbYear_Click(y2025);
        lists = d.vehicleListFile() + " " + d.fuelListFile();
        d.btnClose_Click();
    };
    // The main window's year box as the editor's year reaches it.
    QObject::connect(s->cmbYear, &QComboBox::currentTextChanged,
                     [&](const QString &text) { yearsShown.push_back(text.toStdString()); });
    ASSERT_NO_FATAL_FAILURE(s->menEditTrf_Click());
    EXPECT_EQ(lists, ".\\Fleet2020.vlf .\\Fuels2020.flf") << "the lists stay";
    ASSERT_FALSE(yearsShown.empty()) << "the year box never showed the editor's year";
    EXPECT_EQ(yearsShown.front(), "2025");
    // The emissions are set up again; the fleet is the vehicle list's, which names its own year.
    EXPECT_TRUE(s.state.EmissionReady);
    EXPECT_EQ(s.state.EmissionComponent.scenarioYear, 2020);

    // The project was changed: closing it asks whether to save it.
    s.ui.messages.clear();
    s.ui.answers = {Answer::No};
    s->menClose_Click();
    EXPECT_NE(std::find(s.ui.messages.begin(), s.ui.messages.end(),
                        "Do you want to save changes you made to " + sample.project()),
              s.ui.messages.end());
}
