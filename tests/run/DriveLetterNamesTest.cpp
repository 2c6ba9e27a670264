// A stored name with a drive letter ("C:\res\City.trf", "d:/res/Book.xls",
// "C:Stat.txt") names a drive this system does not have. In every file field
// of every project kind it is refused before the first hour, naming the name
// as stored and its field; where the emission set-up reads the file (the
// vehicle and fuel lists) the set-up fails with that message. Nothing is read
// from, or written to, the folder the program was started in, where such a
// name would once have been taken: a decoy lies there under each name.

#include "run/RunFixture.h"

#include "core/Paths.h"

#include <map>

using namespace vesk;
using namespace vesk::test;

namespace {

const char *const kHourVariables =
    "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,cNOx_b,cNO2_b,cO3_b";

// Two streets with the city street traffic; the second one's traffic file as given.
std::string streetsText(const std::string &southTraffic = ".\\CityStreet.trf") {
    return "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n"
           "#TRUE#,\"South\",700,800,\"" +
           southTraffic + "\",30000,50,12,30,200,200,160,0,2,0\r\n";
}

// Two segments of a person on 6 March 2023; the second one's traffic file as given.
std::string routeText(const std::string &secondTraffic = ".\\CityStreet.trf") {
    auto segment = [](const std::string &id, const std::string &no, const std::string &in,
                      const std::string &out, const std::string &traffic) {
        return "\"" + id + "\",\"A\"," + no + ",1,0,1,5,2000,\"2023-03-06 " + in + "\",\"2023-03-06 " + out +
               "\",3600,\"" + traffic + "\",20000,40,20,18,100,100,0,1,2,0\r\n";
    };
    return segment("A1", "1", "01:00", "03:30", ".\\CityStreet.trf") +
           segment("A2", "2", "03:30", "05:00", secondTraffic);
}

// The text with its only occurrence of from replaced by to.
std::string replaceOnce(std::string text, const std::string &from, const std::string &to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class DriveLetterNames;

struct DriveLetterCase {
    std::string name;
    std::string stored; // the name with a drive letter
    std::string field;  // the field as the message names it ("WORK" stands for the working folder)
    std::string decoy;  // what lies under the name below the starting folder (a data file, "" a folder)
    // Writes the files the project names and gives the project's file name and text.
    std::function<std::pair<std::string, std::string>(DriveLetterNames &, const std::string &stored)> project;
    bool emissionSetUp = false; // refused by the emission set-up (a list) rather than by the run
};

void PrintTo(const DriveLetterCase &c, std::ostream *os) {
    *os << c.name;
}

class DriveLetterNames : public RunFixture, public testing::WithParamInterface<DriveLetterCase> {
public:
    using RunFixture::writeWork;

    // A single-street project of the hours, the traffic, an output and a statistics file, and more.
    std::pair<std::string, std::string> single(std::vector<FileRecord> more = {},
                                               const std::string &traffic = ".\\CityStreet.trf") {
        std::vector<FileRecord> records = {inputFile("Hours.txt", kHourVariables),
                                           {traffic, "traffic", {"20000", "40"}},
                                           outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                                           statFile("Stat.txt", "\"Series\",Average_1", "NOx_mod", "0,0.0")};
        records.insert(records.end(), more.begin(), more.end());
        return {"Test.vkp", projectText(records)};
    }
    // A multi-street project of the streets file named, with more records.
    std::pair<std::string, std::string> multi(const std::string &streetsFile,
                                              std::vector<FileRecord> more = {}) {
        std::vector<FileRecord> records = {inputFile("Hours.txt", kHourVariables),
                                           outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                                           statFile("Stat.txt", "\"Street\",AvNOx_mod_1", "streets", "0,0.0"),
                                           {streetsFile, "streets", {}}};
        records.insert(records.end(), more.begin(), more.end());
        return {"Streets.vkm", projectText(records, "Streets")};
    }
    // A route project of the route file named.
    std::pair<std::string, std::string> route(const std::string &routeFile,
                                              const std::string &hours = "Hours.txt") {
        return {"Route.vkp", projectText({inputFile(hours, kHourVariables),
                                          outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                                          {routeFile, "route", {}}},
                                         "Route")};
    }
};

// The data files a decoy may copy, by the name the test uses.
std::string decoyBytes(const fs::path &appDir, const std::string &decoy) {
    if (decoy == "hours") {
        return marchHours(24);
    }
    if (decoy == "traffic") {
        return readFile(appDir / "Data/Traffic/National/DL/CityStreet.trf");
    }
    if (decoy == "streets") {
        return streetsText();
    }
    if (decoy == "route") {
        return routeText();
    }
    if (decoy == "conditions") {
        return "[BACKGROUND]\r\n1\r\n\"NOx\", 35\r\n";
    }
    if (decoy == "fleet") {
        return readFile(appDir / "Lists/National/DL/Fleet2020.vlf");
    }
    if (decoy == "fuels") {
        return readFile(appDir / "Lists/National/DL/Fuels2020.flf");
    }
    return decoy; // the bytes themselves
}

} // namespace

TEST_P(DriveLetterNames, AreRefusedNamingTheFieldAndNothingIsReadOrWrittenWhereTheProgramWasStarted) {
    const DriveLetterCase &c = GetParam();
    writeWork("Hours.txt", marchHours(24));
    writeWork("Streets.txt", streetsText());
    writeWork("Route.txt", routeText());
    const auto [fileName, text] = c.project(*this, c.stored);
    writeWork(fileName, text);

    // The decoy, where the name was once taken: below the folder the program was started in.
    const TempDir start;
    const std::string below = nativePath(c.stored);
    if (c.decoy.empty()) {
        fs::create_directories(start.path() / below);
    } else {
        start.write(below, decoyBytes(appDir, c.decoy));
    }
    const auto startedWith = entriesBelow(start.path());
    const auto workedWith = entriesBelow(workDir);

    std::string field = c.field;
    if (const std::size_t at = field.find("WORK"); at != std::string::npos) {
        field.replace(at, 4, workDir.string());
    }
    {
        CurrentFolder started(start.path());
        state.ProjectFile = work(fileName).string();
        ASSERT_EQ(LoadProject(state, ui).outcome, LoadOutcome::Loaded) << said();
        const EmissionSetupResult emissions = InitEmissions(state, ui);
        if (c.emissionSetUp) {
            EXPECT_TRUE(emissions.failed) << said();
        } else {
            ASSERT_FALSE(emissions.failed) << said();
            const RunReport report = run();
            EXPECT_EQ(report.outcome, RunOutcome::Failed);
            EXPECT_EQ(report.hours, 0) << "refused before the first hour";
        }
    }
    ASSERT_EQ(ui.messages.size(), 1u) << said();
    EXPECT_EQ(ui.messages[0].rfind("The name\r\n" + c.stored + "\r\nof " + field + " begins with the drive " +
                                       c.stored.substr(0, 2) + ", which this system does not have",
                                   0),
              0u)
        << ui.messages[0];
    EXPECT_EQ(entriesBelow(start.path()), startedWith)
        << "nothing is read or written where the program started";
    EXPECT_EQ(entriesBelow(workDir), workedWith) << "no output is written";
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DriveLetterNames,
    testing::Values(
        DriveLetterCase{"the traffic file", "C:\\res\\City.trf", "the traffic file", "traffic",
                        [](DriveLetterNames &f, const std::string &name) { return f.single({}, name); }},
        DriveLetterCase{"the conditions file", "c:/res/Site.cnd", "the conditions file", "conditions",
                        [](DriveLetterNames &f, const std::string &name) {
                            return f.single({{name, "conditions", {}}});
                        }},
        DriveLetterCase{"an hourly output table", "d:/res/Book.xls;Hourly",
                        "entry 2 of the hourly output files", "",
                        [](DriveLetterNames &f, const std::string &name) {
                            return f.single({outputFile(name, "day,hour,cNOx_mod_1")});
                        }},
        DriveLetterCase{"a statistics file on the current folder of a drive", "C:Stat2.txt",
                        "entry 2 of the statistics files", "old statistics",
                        [](DriveLetterNames &f, const std::string &name) {
                            return f.single({statFile(name, "\"Series\",Average_1", "NOx_mod", "0,0.0")});
                        }},
        DriveLetterCase{"the streets file", "C:\\res\\Streets.txt", "the streets file", "streets",
                        [](DriveLetterNames &f, const std::string &name) { return f.multi(name); }},
        DriveLetterCase{"the map file of a multi-street project", "C:\\maps\\City.bmp", "the map file",
                        "BM not a picture",
                        [](DriveLetterNames &f, const std::string &name) {
                            return f.multi("Streets.txt", {{name, "map", {"0", "0", "1000", "1000"}}});
                        }},
        DriveLetterCase{"a street's own traffic file", "C:\\res\\City.trf",
                        "the traffic file of the street \"South\" in line 2 of WORK/Own.txt", "traffic",
                        [](DriveLetterNames &f, const std::string &name) {
                            f.writeWork("Own.txt", streetsText(name));
                            return f.multi("Own.txt");
                        }},
        DriveLetterCase{"the route file", "D:\\res\\Route.txt", "the route file", "route",
                        [](DriveLetterNames &f, const std::string &name) { return f.route(name); }},
        DriveLetterCase{"a route segment's own traffic file", "C:\\res\\City.trf",
                        "the traffic file of the route segment \"A2\" in line 2 of WORK/Own.txt", "traffic",
                        [](DriveLetterNames &f, const std::string &name) {
                            f.writeWork("Own.txt", routeText(name));
                            return f.route("Own.txt");
                        }},
        DriveLetterCase{
            "an hourly input of a route project", "C:\\res\\Hours.txt", "entry 1 of the hourly input files",
            "hours", [](DriveLetterNames &f, const std::string &name) { return f.route("Route.txt", name); }},
        DriveLetterCase{"the vehicle list", "C:\\lists\\Fleet2020.vlf", "the vehicle list", "fleet",
                        [](DriveLetterNames &f, const std::string &name) {
                            auto project = f.single();
                            project.second = replaceOnce(project.second, ".\\Fleet2020.vlf", name);
                            return project;
                        },
                        true},
        DriveLetterCase{"the fuel list of a multi-street project", "C:\\lists\\Fuels2020.flf",
                        "the fuel list", "fuels",
                        [](DriveLetterNames &f, const std::string &name) {
                            auto project = f.multi("Streets.txt");
                            project.second = replaceOnce(project.second, ".\\Fuels2020.flf", name);
                            return project;
                        },
                        true}),
    [](const testing::TestParamInfo<DriveLetterCase> &info) { return testNameOf(info.param.name); });
