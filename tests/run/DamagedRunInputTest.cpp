// Damaged project inputs that once ended a run "normally" with nothing or
// less computed: each is an error with a message now, and the batch exits
// with 0 only when the run wrote everything it was asked for.

#include "run/RunFixture.h"

#include "core/Numbers.h"
#include "platform/tables/TableBackends.h"
#include "support/PlainStage.h"

#include <sys/stat.h>

using namespace vesk;
using namespace vesk::test;

namespace {

class DamagedRunInput : public RunFixture {
protected:
    void loadStreets(const std::string &streets) {
        writeWork("Hours.txt", marchHours(24));
        writeWork("Streets.txt", streets);
        loadProject("Streets.vkm",
                    projectText({inputFile("Hours.txt", kMarchHourVariables),
                                 outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                                 statFile("Streets.sum", "\"Street\",AvNOx_mod_1", "streets", "0,0.0"),
                                 {"Streets.txt", "streets", {}}},
                                "Streets"));
    }
};

const char *kNorth = "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n";

} // namespace

TEST_F(DamagedRunInput, AStreetsFileWithoutStreetsIsAnErrorAndWritesNothing) {
    for (const std::string streets : {"", "\r\n  \r\n"}) {
        SCOPED_TRACE("streets file \"" + streets + "\"");
        ASSERT_NO_FATAL_FAILURE(loadStreets(streets));
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0],
                  "The streets file\r\n" + work("Streets.txt").string() + "\r\nholds no street.");
        EXPECT_FALSE(fs::exists(work("Out.txt")));
        EXPECT_FALSE(fs::exists(work("Streets.sum")));
        ui.messages.clear();
    }
}

TEST_F(DamagedRunInput, AStreetWithoutATrafficFileTakesItsTrafficFromTheInputWhateverStreetCameBefore) {
    // The hour's traffic by category, speeds and cold-start share; the day's first hours are quiet.
    std::string text;
    for (int h = 1; h <= 24; ++h) {
        const int flow = h < 6 ? 100 : 900;
        text += "2023,3,6," + std::to_string(h) + ",3,200,10,0,30,20,40," + std::to_string(flow) + "," +
                std::to_string(flow / 2) + ",100,60,20,45,40,25\r\n";
    }
    writeWork("Hours.txt", text);
    const char *south = "#TRUE#,\"South\",700,800,\"\",0,0,12,30,200,200,160,0,2,0\r\n";
    auto southRow = [&](const std::string &streets) {
        writeWork("Streets.txt", streets);
        loadProject("Streets.vkm",
                    projectText({inputFile("Hours.txt", std::string(kMarchHourVariables) +
                                                            ",nPCPetrol,nPCDiesel,nVan,nHGV,nBus,speed_light,"
                                                            "speed_heavy,coldstart"),
                                 statFile("Streets.sum", "\"Street\",DailyTraffic,AvNOx_mod_1,AvNOx_mod_2",
                                          "streets", "0,0.0"),
                                 {"Streets.txt", "streets", {}}},
                                "Streets"));
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
        const std::vector<std::string> lines = fileLines(work("Streets.sum"));
        return lines.empty() ? std::string() : lines.back();
    };
    StreetThreads serial(1); // the street after North is computed in the state North left
    const std::string alone = southRow(south);
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_EQ(cells(alone).at(1), "30720.0")
        << "the input's own traffic: 1.5 x (5 x 100 + 19 x 900) + 24 x 180";
    EXPECT_GT(Val(cells(alone).at(2)), 40.0) << "a street increment above the background of 30";
    EXPECT_EQ(southRow(std::string(kNorth) + south), alone)
        << "North's traffic file leaves nothing behind that South's emissions would take";
}

TEST_F(DamagedRunInput, StreetsWithoutTrafficInTheirFilesOrTheInputSayThatNoHourCouldBeModelled) {
    ASSERT_NO_FATAL_FAILURE(loadStreets("#TRUE#,\"South\",700,800,\"\",0,0,12,30,200,200,160,0,2,0\r\n"));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::NothingModelled);
    EXPECT_EQ(report.error.find("No hour could be modelled"), 0u) << report.error;
    EXPECT_FALSE(fs::exists(work("Streets.sum")));
}

TEST_F(DamagedRunInput, AnInactiveStreetMayNameNoTrafficFile) {
    ASSERT_NO_FATAL_FAILURE(
        loadStreets(std::string(kNorth) + "#FALSE#,\"Closed\",700,800,\"\",0,0,12,30,200,200,160,0,2,0\r\n"));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(fileLines(work("Streets.sum")).size(), 3u);
}

WINVESK_PLAIN_STAGE("DamagedRunInput.AnUnknownStatisticLetsTheRunEndButReplacesNoFileAndTheBatchExitsWithOne",
                    StartsTheProgram);

TEST_F(DamagedRunInput, AnUnknownStatisticLetsTheRunEndButReplacesNoFileAndTheBatchExitsWithOne) {
    writeWork("Hours.txt", marchHours(24));
    struct Case {
        std::string variables, rows;
        std::string unknown; // "" when every statistic is known
    };
    for (const Case &k : {Case{"\"Series\",Average_1,MaxHourly_1", "NOx_mod,NOx_b", ""},
                          Case{"\"Series\",Average_1,Bogus_1", "NOx_mod,NOx_b", "column Bogus_1"},
                          Case{"\"Series\",Average_1,MaxHourly_1", "NOx_mod,NOx_xyz,NOx_b", "row NOx_xyz"}}) {
        SCOPED_TRACE(k.variables + " / " + k.rows);
        writeWork("Batch.vkp", projectText({inputFile("Hours.txt", kMarchHourVariables),
                                            outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                                            statFile("Stat.txt", k.variables, k.rows, "0,0.0"),
                                            {".\\CityStreet.trf", "traffic", {"20000", "40"}}}));
        writeWork("Out.txt", "the previous run's hours\r\n");
        writeWork("Stat.txt", "the previous run's statistics\r\n");
        for (const auto &entry : fs::directory_iterator(workDir)) {
            if (entry.path().filename().string().front() == '.') {
                fs::remove(entry.path());
            }
        }
        const bool bogus = !k.unknown.empty();

        const ProgramRun r = runWinvesk({work("Batch.vkp").string(), "1"});
        EXPECT_EQ(r.status, bogus ? 1 : 0) << r.output;
        if (!bogus) {
            EXPECT_EQ(fileLines(work("Stat.txt")).size(), 3u) << "the header and the two rows";
            continue;
        }
        EXPECT_NE(r.output.find("Invalid variable name in the output list!\r\n" + k.unknown + "\r\n"),
                  std::string::npos)
            << r.output;
        EXPECT_EQ(r.output.find("Average_1\r\n"), std::string::npos) << "only the unknown part is named";
        EXPECT_NE(r.output.find("not every requested output could be written"), std::string::npos)
            << r.output;
        EXPECT_EQ(readFile(work("Stat.txt")), "the previous run's statistics\r\n");
        EXPECT_EQ(readFile(work("Out.txt")), "the previous run's hours\r\n")
            << "no file of the run replaces one";
        std::vector<fs::path> kept;
        for (const auto &entry : fs::directory_iterator(workDir)) {
            if (entry.path().filename().string().rfind(".Stat.txt.", 0) == 0) {
                kept.push_back(entry.path());
            }
        }
        ASSERT_EQ(kept.size(), 1u) << "the incomplete statistics are kept under their temporary name";
        EXPECT_NE(r.output.find("is kept in\r\n" + kept[0].string()), std::string::npos) << r.output;
        EXPECT_EQ(fileLines(kept[0]).size(), 2u + std::count(k.rows.begin(), k.rows.end(), ','))
            << "the header and every row";
    }
}

TEST_F(DamagedRunInput, ADeviceOrAPipeNamedAsAnInputIsRefusedAtOnceNamingIt) {
    const fs::path pipe = work("Pipe.txt");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string &input : {std::string("/dev/zero"), pipe.string()}) {
        SCOPED_TRACE(input);
        ASSERT_NO_FATAL_FAILURE(
            loadProject("Test.vkp", projectText({inputFile(input, kMarchHourVariables),
                                                 outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                                                 {".\\CityStreet.trf", "traffic", {"20000", "40"}}})));
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_NE(report.error.find("The file " + input + " is not a regular file"), std::string::npos)
            << report.error;
        ui.messages.clear();
    }
}

// A workbook or database input that is a pipe, a folder or a device is
// refused saying what it is, a missing one as not found; a pipe is never
// opened, which would wait for a writer.
TEST_F(DamagedRunInput, ATableInputThatIsAPipeAFolderOrADeviceIsRefusedSayingWhatItIs) {
    ASSERT_EQ(mkfifo(work("Pipe.xls").c_str(), 0600), 0);
    fs::create_directory(work("Folder.mdb"));
    fs::create_symlink("/dev/null", work("Null.wk1"));
    const std::vector<std::pair<std::string, std::string>> kinds = {{"Pipe.xls", "a pipe (FIFO)"},
                                                                    {"Folder.mdb", "a folder"},
                                                                    {"Null.wk1", "a device"},
                                                                    {"Missing.xls", ""}};
    for (const auto &[name, kind] : kinds) {
        SCOPED_TRACE(name);
        writeWork("Batch.vkp", projectText({inputFile(name + ";Hours", kMarchHourVariables),
                                            outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                                            {".\\CityStreet.trf", "traffic", {"20000", "40"}}}));
        const ProgramRun r = runWinvesk({work("Batch.vkp").string(), "1"}, 120);
        ASSERT_FALSE(r.timedOut) << r.output;
        EXPECT_EQ(r.status, 1) << r.output;
        const std::string file = work(name).string();
        EXPECT_NE(r.output.find(kind.empty() ? "The file " + file + " was not found."
                                             : "The file " + file + " is not a regular file but " + kind +
                                                   ": it cannot be read as a data file."),
                  std::string::npos)
            << r.output;
        EXPECT_FALSE(fs::exists(work("Out.txt")));
    }
    EXPECT_EQ(fs::status(work("Pipe.xls")).type(), fs::file_type::fifo);
}

// A table name holding control characters (an end-of-file mark, a NUL) is
// shown with them in caret notation where a message names it, and a NUL
// cuts no message short.
TEST_F(DamagedRunInput, ControlCharactersInATableNameAreShownAndCutNoMessageShort) {
    writeWork("Hours.txt", marchHours(24));
    std::string error;
    for (const char *book : {"Met.xls", "Met.mdb"}) {
        auto w = createTable(work(book).string(), "Hours", {{"hour", ColumnType::Integer}}, &error);
        ASSERT_TRUE(w && w->append({1.0}, &error) && w->close(&error)) << error;
    }
    const std::string nul = std::string("Ho") + '\0' + "urs";
    struct Case {
        std::string address;
        bool input;
        std::string says, shown; // the table's message, and the address as shown
    };
    const std::vector<Case> cases = {
        {"Out.xls;" + nul, false,
         "The table name \"Ho^@urs\" for " + work("Out.xls").string() +
             " is empty or holds \"[\", \"]\" or a control character.",
         "Out.xls;Ho^@urs"},
        {"Out.mdb;Ho\x1Aurs", false,
         "The table name \"Ho^Zurs\" for " + work("Out.mdb").string() +
             " holds a control character, which Access does not allow.",
         "Out.mdb;Ho^Zurs"},
        {"Met.xls;Ho\x1Aurs", true, "The table Ho^Zurs was not found in the file " + work("Met.xls").string(),
         ""},
        {"Met.mdb;" + nul, true,
         "The table Ho^@urs was not found in the Access file " + work("Met.mdb").string(), ""}};
    for (const Case &k : cases) {
        SCOPED_TRACE(visibleText(k.address));
        std::vector<FileRecord> records = {inputFile("Hours.txt", kMarchHourVariables),
                                           {".\\CityStreet.trf", "traffic", {"20000", "40"}}};
        records.push_back(k.input ? inputFile(k.address, "hour")
                                  : outputFile(k.address, "day,hour,cNOx_mod_1"));
        ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", projectText(records)));
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_NE(said().find(k.says), std::string::npos) << visibleText(said());
        EXPECT_NE(said().find(k.shown), std::string::npos) << visibleText(said());
        const std::string text = said();
        EXPECT_FALSE(std::any_of(
            text.begin(), text.end(),
            [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\n'; }))
            << "a control character said raw: " << visibleText(text);
        ui.messages.clear();
    }
}

TEST_F(DamagedRunInput, ADeviceNamedAsTheVehicleListOrItsFactorFileIsRefused) {
    ASSERT_NO_FATAL_FAILURE(
        loadProject("Test.vkp", projectText({inputFile("Hours.txt", kMarchHourVariables)})));
    std::string fleet = readFile(dataDir() / "Lists" / "National" / "DL" / "Fleet2020.vlf");
    fleet.replace(fleet.find("\"EmissionFactors.eft\""), 21, "\"/dev/zero\"");
    writeWork("Zero.vlf", fleet);
    for (const std::string &list : {std::string("/dev/zero"), work("Zero.vlf").string()}) {
        SCOPED_TRACE(list);
        state.VehicleListFile = list;
        state.EmissionReady = false;
        const EmissionSetupResult result = InitEmissions(state, ui);
        EXPECT_TRUE(result.failed);
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_NE(ui.messages.back().find("/dev/zero"), std::string::npos) << ui.messages.back();
        ui.messages.clear();
    }
}

TEST_F(DamagedRunInput, AnInputLineWithoutAnEndIsRefusedWithFileAndLine) {
    writeWork("Hours.txt", marchHours(2) + std::string(2 << 20, '7'));
    ASSERT_NO_FATAL_FAILURE(
        loadProject("Test.vkp", projectText({inputFile("Hours.txt", kMarchHourVariables),
                                             outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                                             {".\\CityStreet.trf", "traffic", {"20000", "40"}}})));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(report.error, work("Hours.txt").string() +
                                ", line 3: the line is longer than 1048576 characters; this is not a file of "
                                "hourly records.");
}

TEST_F(DamagedRunInput, ADamagedWorkbookAsInputOrOutputIsNamedWithItsDamageAndKept) {
    tables::Sheet sheet{"Met", {{std::string("year"), std::string("month")}, {2023.0, 3.0}}};
    std::string error;
    ASSERT_TRUE(tables::excelWriteWorkbook(work("Whole.xls").string(), {sheet}, &error)) << error;
    const std::string whole = readFile(work("Whole.xls"));
    const std::string damaged = whole.substr(0, whole.size() / 2);
    writeWork("Hours.txt", marchHours(24));
    for (bool asOutput : {false, true}) {
        SCOPED_TRACE(asOutput ? "output" : "input");
        writeWork("Book.xls", damaged);
        std::vector<FileRecord> records = {inputFile("Hours.txt", kMarchHourVariables),
                                           {".\\CityStreet.trf", "traffic", {"20000", "40"}}};
        if (asOutput) {
            records.push_back(outputFile("Book.xls;Hourly", "day,hour,cNOx_mod_1"));
        } else {
            records.insert(records.begin(), inputFile("Book.xls;Met$", "year,month"));
        }
        ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", projectText(records)));
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_NE(report.error.find("Can't open the file " + work("Book.xls").string()), std::string::npos)
            << report.error;
        EXPECT_NE(report.error.find("damaged"), std::string::npos) << report.error;
        EXPECT_EQ(report.error.find("Network Drive"), std::string::npos) << report.error;
        EXPECT_EQ(readFile(work("Book.xls")), damaged) << "the damaged file is left as it was";
        ui.messages.clear();
    }
}

// An end-of-file mark (^Z) left at the end of a street line, as old editors
// wrote it, is shown where the message quotes what was found.
TEST_F(DamagedRunInput, AControlCharacterInAStreetLineIsShownInTheMessage) {
    std::string north = kNorth;
    north.insert(north.size() - 2, "\x1A");
    ASSERT_NO_FATAL_FAILURE(loadStreets(north));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_NE(report.error.find("Expected a number but found \"0^Z\" in " + work("Streets.txt").string() +
                                ", line 1"),
              std::string::npos)
        << report.error;
    EXPECT_EQ(report.error.find('\x1A'), std::string::npos);

    // A street name holding one is named with it.
    ASSERT_NO_FATAL_FAILURE(loadStreets(
        std::string(kNorth) + "#TRUE#,\"South\x01\",700,800,\".\\CityStreet.trf\",30000,50,12,30,200,"
                              "200,160,0,2\r\n"));
    const RunReport named = run();
    EXPECT_EQ(named.outcome, RunOutcome::Failed);
    EXPECT_NE(named.error.find("line 2: the line of the street \"South^A\" holds 14 items"),
              std::string::npos)
        << named.error;
}

TEST_F(DamagedRunInput, AStreetGeometryNoStreetCanHaveIsRefusedNamingTheField) {
    writeWork("Hours.txt", marchHours(24));
    struct Case {
        std::string from, to; // in the project's geometry and sector lines
        std::string says;
    };
    for (const Case &k :
         {Case{" 20            20 ", " -1            20 ",
               "the street height -1 is out of range (0 to 100000 m)."},
          Case{" 20            20 ", " 20            -5 ",
               "the street width -5 is out of range (0 to 100000 m)."},
          Case{"100           100 ", "100           -30 ",
               "the street length 2 -30 is out of range (0 to 100000 m)."},
          Case{"100           90 ", "100           400 ",
               "the street orientation 400 is out of range (0 to 360 degrees)."},
          Case{
              " 0 \r\nSector start (degrees) / sector end (degrees) / sector value; one column per sector\r\n"
              "\r\n\r\n\r\n",
              " 1 \r\nSector start (degrees) / sector end (degrees) / sector value; one column per sector\r\n"
              " 80 \r\n 370 \r\n 12 \r\n",
              "the end of wind sector 1 370 is out of range (0 to 360 degrees)."}}) {
        SCOPED_TRACE(k.says);
        std::string project = projectText({inputFile("Hours.txt", kMarchHourVariables),
                                           outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                                           {".\\CityStreet.trf", "traffic", {"20000", "40"}}});
        ASSERT_NE(project.find(k.from), std::string::npos);
        project.replace(project.find(k.from), k.from.size(), k.to);
        ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", project));
        ui.messages.clear();
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(report.error, "The street of the project cannot be calculated:\r\n" + k.says);
        EXPECT_FALSE(fs::exists(work("Out.txt")));
    }
    // The records of a streets file are checked as they are read.
    ASSERT_NO_FATAL_FAILURE(loadStreets(
        std::string(kNorth) + "#TRUE#,\"South\",700,800,\".\\CityStreet.trf\",30000,50,12,30,200,200,"
                              "160,0,2,1\r\n 10,380,12\r\n"));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_NE(report.error.find(work("Streets.txt").string() +
                                ", line 3: the end of a wind sector 380 is out of range (0 to 360)"),
              std::string::npos)
        << report.error;
}
