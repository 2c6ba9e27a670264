// The Special Mode sweep and its result files.

#include "run/SpecialMode.h"
#include "core/StagedFile.h"

#include "platform/streetmodel/StreetModel.h"
#include "run/SpecialModeSweep.h"
#include "run/StreetChain.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>

namespace vesk {
namespace {

using test::ScriptedInteraction;
using test::TempDir;
namespace fs = std::filesystem;

std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos) {
            break;
        }
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

// The number printed at 1-based column `column`: a blank or the sign, digits, a blank.
double numberAt(const std::string &line, int column) {
    const std::string rest = line.substr(static_cast<std::size_t>(column - 1));
    EXPECT_TRUE(rest[0] == ' ' || rest[0] == '-') << line;
    std::istringstream in(rest);
    double v = NAN;
    in >> v;
    return v;
}

struct SpecialModeRun : ::testing::Test {
    TempDir dir;
    State state;
    ScriptedInteraction ui;
    RunControl control;

    void SetUp() override {
        test::setSmallSweep(state, dir.path());
        // Two wind speeds: a calm and 3 m/s.
        state.WindSpeedCount = 2;
        state.WindSpeeds[1] = 0;
        state.WindSpeeds[2] = 3;
    }

    // Remembers what the run said when it was stopped.
    struct Stops : RunObserver {
        std::vector<std::string> said;
        void runStopped(const std::string &lastDone) override { said.push_back(lastDone); }
    } stops;
    SpecialModeOutcome run() { return RunSpecialMode(state, ui, control, &stops); }
    std::string file(const std::string &name) { return test::readFile(dir.path() / name); }
    bool exists(const std::string &name) { return std::filesystem::exists(dir.path() / name); }
};

TEST(SpecialMode, emissionTermOfTenGramsTimesHundredAndOneGramTimesThousandIs294point44) {
    EXPECT_NEAR(specialModeEmissionTerm(1, 1000, 10, 100), 294.44, 0.005);
}

TEST(SpecialMode, directionsWrapPastNorthAndStopBeforeTheEnd) {
    const std::vector<double> d = specialModeDirections(300, 60, 30);
    ASSERT_EQ(d, (std::vector<double>{300, 330, 360, 390}));
    std::vector<double> shown;
    for (double x : d) {
        shown.push_back(shownDirection(x));
    }
    EXPECT_EQ(shown, (std::vector<double>{300, 330, 360, 30}));
    EXPECT_TRUE(specialModeDirections(90, 90, 10).empty());
    EXPECT_TRUE(specialModeDirections(0, 90, 0).empty());
    EXPECT_TRUE(specialModeDirections(0, 90, -5).empty());
    EXPECT_EQ(specialModeDirections(0, 90, 45), (std::vector<double>{0, 45}));
    EXPECT_EQ(specialModeDirections(0, 360, 0.1).size(), 3600u) << "the most a sweep computes";
    EXPECT_TRUE(specialModeDirections(0, 360, 1e-5).empty()) << "beyond the bound nothing is allocated";
    EXPECT_EQ(specialModeDirectionCount(-1e308, 1e308, 1), INFINITY);
}

TEST_F(SpecialModeRun, resultFilesHoldPrintZonesAndTabColumns) {
    ASSERT_EQ(run(), SpecialModeOutcome::Completed);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_NEAR(state.EmissionTermSM, 294.44, 0.005);

    const auto v = lines(file("veskout.dat"));
    ASSERT_EQ(v.size(), 1u + 2 * 2); // header, two directions of two speeds
    const char *heads[] = {"WindDir", "WindSpeed", "NOX_1", "NOX_2", "NO2_1", "NO2_2", "O3_1", "O3_2"};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(v[0].substr(14 * k, std::string(heads[k]).size()), heads[k]) << k;
    }
    // Rows: direction-major, speeds in entry order; items at columns 1, 15, 29, ...
    const double expectedDir[] = {80, 80, 90, 90};
    const double expectedSpeed[] = {0, 3, 0, 3};
    for (int row = 0; row < 4; ++row) {
        const std::string &line = v[1 + row];
        EXPECT_EQ(numberAt(line, 1), expectedDir[row]);
        EXPECT_EQ(numberAt(line, 15), expectedSpeed[row]);
        for (int k = 2; k < 8; ++k) {
            const double x = numberAt(line, 1 + 14 * k);
            EXPECT_TRUE(x >= 0) << line; // turbulence on: every case computed
        }
        // NO2 <= NOx on each side, NOx above background.
        EXPECT_LE(numberAt(line, 1 + 14 * 4), numberAt(line, 1 + 14 * 2));
        EXPECT_GT(numberAt(line, 1 + 14 * 2), 20);
    }

    // Tables: one line per direction, D then entry j at column 14 j, same values as veskout.
    const auto n1 = lines(file("NOX_1.dat"));
    const auto n2 = lines(file("NOX_2.dat"));
    const auto o1 = lines(file("NO2_1.dat"));
    const auto o2 = lines(file("NO2_2.dat"));
    ASSERT_EQ(n1.size(), 2u);
    ASSERT_EQ(o2.size(), 2u);
    for (int d = 0; d < 2; ++d) {
        EXPECT_EQ(numberAt(n1[d], 1), expectedDir[2 * d]);
        for (int j = 1; j <= 2; ++j) {
            const std::string &row = v[static_cast<std::size_t>(1 + 2 * d + j - 1)];
            EXPECT_DOUBLE_EQ(numberAt(n1[d], 14 * j), numberAt(row, 29));
            EXPECT_DOUBLE_EQ(numberAt(n2[d], 14 * j), numberAt(row, 43));
            EXPECT_DOUBLE_EQ(numberAt(o1[d], 14 * j), numberAt(row, 57));
            EXPECT_DOUBLE_EQ(numberAt(o2[d], 14 * j), numberAt(row, 71));
        }
        EXPECT_EQ(n1[d].find_last_not_of(' ') + 2, n1[d].size()) << "the line ends after the last entry";
    }
}

TEST_F(SpecialModeRun, caseValuesAreTheModelsOwnNumbers) {
    state.WindSpeedCount = 1;
    state.WindSpeeds[1] = 4;
    state.WindDirStart = 90;
    state.WindDirEnd = 91;
    ASSERT_EQ(run(), SpecialModeOutcome::Completed);
    const auto v = lines(file("veskout.dat"));
    ASSERT_EQ(v.size(), 2u);

    // Second route: the model called directly.
    float uRoof = 0, F = 0, deltaFi = 0, sWTpt = 0, sWRoof = 0, c1 = 0, c2 = 0, no2 = 0, o3 = 0;
    CarTurb(50, 40, 1000, 100, state.StreetParams[5], state.StreetParams[6], 20, sWTpt);
    Flow_par(4, uRoof, F);
    Calc_Delta_Fi(uRoof, deltaFi);
    modelConcentrations(state, uRoof, 90, deltaFi, sWTpt, 3.0f - 4.0f / 9.0f, F, sWRoof, c1, c2);
    const float nox2 = static_cast<float>(state.EmissionTermSM) * c2 + 20;
    NO2NOX(20, 40, 12, nox2, no2, o3, 0.05f, 300, 288, 20 / sWRoof);
    EXPECT_NEAR(numberAt(v[1], 43), nox2, 1e-4 * nox2);
    EXPECT_NEAR(numberAt(v[1], 71), no2, 1e-4 * no2);
    EXPECT_NEAR(numberAt(v[1], 99), o3, 1e-4 * o3);
    EXPECT_GT(numberAt(v[1], 43), numberAt(v[1], 29)) << "side 2 is leeward for wind from 90";
}

TEST_F(SpecialModeRun, equalStartAndEndGiveTheHeaderOnly) {
    state.WindDirEnd = state.WindDirStart;
    ASSERT_EQ(run(), SpecialModeOutcome::Completed);
    EXPECT_EQ(lines(file("veskout.dat")).size(), 1u);
    EXPECT_EQ(file("NOX_1.dat"), "");
    EXPECT_EQ(file("NO2_2.dat"), "");
}

TEST_F(SpecialModeRun, withoutNO2TheNO2FilesAreNotWrittenAndNO2StaysMissing) {
    state.CalcNO2 = 0;
    ASSERT_EQ(run(), SpecialModeOutcome::Completed);
    EXPECT_FALSE(exists("NO2_1.dat"));
    EXPECT_FALSE(exists("NO2_2.dat"));
    for (const std::string &line : lines(file("veskout.dat"))) {
        if (line.rfind("WindDir", 0) == 0) {
            continue;
        }
        for (int k = 4; k < 8; ++k) {
            EXPECT_EQ(numberAt(line, 1 + 14 * k), -99);
        }
    }
}

TEST_F(SpecialModeRun, zeroWindWithoutTurbulenceIsBypassedAfterTheNote) {
    state.TrafficTurbulence = false;
    state.Normalise = true;
    ASSERT_EQ(run(), SpecialModeOutcome::Completed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "Traffic Produced Turbulence is Off\r\nCases with wind speed=0 will be bypassed.");
    const auto v = lines(file("veskout.dat"));
    for (int k = 2; k < 8; ++k) {
        EXPECT_EQ(numberAt(v[1], 1 + 14 * k), -99); // speed 0
        EXPECT_GE(numberAt(v[2], 1 + 14 * k), 0);   // speed 3
    }
    // A bypassed case's normalised value is missing, not a neighbour's.
    const auto n1 = lines(file("NOX_1.dat"));
    EXPECT_EQ(numberAt(n1[1], 14), -99);
    EXPECT_GT(numberAt(n1[1], 28), 0);
}

TEST_F(SpecialModeRun, cancelAtTheTurbulenceNoteStopsWithoutTouchingFiles) {
    state.TrafficTurbulence = false;
    ui.answers.push_back(Answer::Cancel);
    dir.write("veskout.dat", "old results\r\n");
    EXPECT_EQ(run(), SpecialModeOutcome::Stopped);
    EXPECT_TRUE(control.StopRequested());
    EXPECT_EQ(file("veskout.dat"), "old results\r\n");
}

TEST_F(SpecialModeRun, normalisedNOxIsCstTimesLengthAndWindScales) {
    state.Normalise = true;
    state.NormLengthScale = 2; // street height
    state.NormWindScale = 2;   // mast wind
    state.WindSpeedCount = 1;
    state.WindSpeeds[1] = 5;
    state.WindDirStart = 270;
    state.WindDirEnd = 271;
    state.Receptor2 = 0;
    ASSERT_EQ(run(), SpecialModeOutcome::Completed);
    float uRoof = 0, F = 0, deltaFi = 0, sWTpt = 0, sWRoof = 0, c1 = 0, c2 = 0;
    CarTurb(50, 40, 1000, 100, state.StreetParams[5], state.StreetParams[6], 20, sWTpt);
    Flow_par(5, uRoof, F);
    Calc_Delta_Fi(uRoof, deltaFi);
    modelConcentrations(state, uRoof, 270, deltaFi, sWTpt, 2.5f, F, sWRoof, c1, c2);
    const auto n1 = lines(file("NOX_1.dat"));
    EXPECT_NEAR(numberAt(n1[0], 14), c1 * 20 * 5, 1e-4 * c1 * 100);
    // Side 2 not in use: missing everywhere, normalised or not.
    EXPECT_EQ(numberAt(lines(file("NOX_2.dat"))[0], 14), -99);
    const auto v = lines(file("veskout.dat"));
    EXPECT_EQ(numberAt(v[1], 43), -99);
    EXPECT_EQ(numberAt(v[1], 71), -99);
    EXPECT_EQ(numberAt(v[1], 99), -99);
    EXPECT_GT(numberAt(v[1], 29), 20) << "veskout is never normalised";
}

// Each length scale with each wind scale, in a street wider than it is high,
// so that width and height, roof wind and mast wind cannot stand in for each other.
struct NormalisationCase {
    const char *name;
    int lengthScale, windScale;
};

void PrintTo(const NormalisationCase &c, std::ostream *out) {
    *out << c.name;
}

class NormalisedSpecialMode : public SpecialModeRun,
                              public ::testing::WithParamInterface<NormalisationCase> {};

TEST_P(NormalisedSpecialMode, multipliesByTheLengthAndWindScalesNamed) {
    const NormalisationCase &c = GetParam();
    state.StreetWidth = 30;
    state.StreetHeight = 12;
    state.Normalise = true;
    state.NormLengthScale = c.lengthScale;
    state.NormWindScale = c.windScale;
    state.WindSpeedCount = 1;
    state.WindSpeeds[1] = 5;
    state.WindDirStart = 270;
    state.WindDirEnd = 271;
    ASSERT_EQ(run(), SpecialModeOutcome::Completed);
    float uRoof = 0, F = 0, deltaFi = 0, sWTpt = 0, sWRoof = 0, c1 = 0, c2 = 0;
    CarTurb(50, 40, 1000, 100, state.StreetParams[5], state.StreetParams[6], 30, sWTpt);
    Flow_par(5, uRoof, F);
    Calc_Delta_Fi(uRoof, deltaFi);
    modelConcentrations(state, uRoof, 270, deltaFi, sWTpt, 2.5f, F, sWRoof, c1, c2);
    ASSERT_NE(uRoof, 5.0f);
    const double length = c.lengthScale == 1 ? 30 : c.lengthScale == 2 ? 12 : 1;
    const double wind = c.windScale == 1 ? uRoof : c.windScale == 2 ? 5 : 1;
    EXPECT_NEAR(numberAt(lines(file("NOX_1.dat"))[0], 14), c1 * length * wind, 1e-4 * c1 * length * wind);
    EXPECT_NEAR(numberAt(lines(file("NOX_2.dat"))[0], 14), c2 * length * wind, 1e-4 * c2 * length * wind);
}

INSTANTIATE_TEST_SUITE_P(Scales, NormalisedSpecialMode,
                         ::testing::Values(NormalisationCase{"width_and_roof_wind", 1, 1},
                                           NormalisationCase{"width_and_mast_wind", 1, 2},
                                           NormalisationCase{"height_and_roof_wind", 2, 1},
                                           NormalisationCase{"height_and_mast_wind", 2, 2},
                                           NormalisationCase{"no_length_and_mast_wind", 0, 2},
                                           NormalisationCase{"width_and_no_wind", 1, 0}),
                         [](const auto &info) { return std::string(info.param.name); });

struct BadSpecialModeInput {
    const char *what;
    void (*apply)(State &);
    const char *message;
};

class SpecialModeRefusal : public SpecialModeRun,
                           public ::testing::WithParamInterface<BadSpecialModeInput> {};

TEST_P(SpecialModeRefusal, badInputIsRefusedWithItsOwnMessageAndLosesNothing) {
    dir.write("veskout.dat", "old results\r\n");
    GetParam().apply(state);
    EXPECT_EQ(run(), SpecialModeOutcome::Refused);
    ASSERT_EQ(ui.messages.size(), 1u);
    if (*GetParam().message != '\0') {
        EXPECT_EQ(ui.messages[0], GetParam().message);
    } else {
        EXPECT_NE(ui.messages[0].find("Special Mode computes at most 3600"), std::string::npos)
            << ui.messages[0];
    }
    EXPECT_EQ(file("veskout.dat"), "old results\r\n");
    EXPECT_FALSE(exists("NOX_1.dat"));
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SpecialModeRefusal,
    ::testing::Values(BadSpecialModeInput{"negative speed", [](State &s) { s.WindSpeeds[2] = -1; },
                                          "The value of wind speed is not defined or negative"},
                      BadSpecialModeInput{"zero step", [](State &s) { s.WindDirStep = 0; },
                                          "The wind direction step must be greater than 0"},
                      BadSpecialModeInput{"negative step across north",
                                          [](State &s) {
                                              s.WindDirStart = 300;
                                              s.WindDirEnd = 60;
                                              s.WindDirStep = -30;
                                          },
                                          "The wind direction step must be greater than 0"},
                      BadSpecialModeInput{"undefined direction", [](State &s) { s.WindDirEnd = NAN; },
                                          "The wind directions of Special Mode are not defined"},
                      BadSpecialModeInput{
                          "a step of a billionth of a degree",
                          [](State &s) {
                              s.WindDirStart = 0;
                              s.WindDirEnd = 360;
                              s.WindDirStep = 1e-9;
                          },
                          "The wind directions from 0 to 360 by 0.000000001 are 360000000000 "
                          "directions; Special Mode computes at most 3600 (a step of 0.1 "
                          "degree around the circle). Choose a larger step or a smaller range."},
                      BadSpecialModeInput{"a range of the largest numbers",
                                          [](State &s) {
                                              s.WindDirStart = -1e308;
                                              s.WindDirEnd = 1e308;
                                              s.WindDirStep = 1;
                                          },
                                          ""},
                      BadSpecialModeInput{"route project", [](State &s) { s.RouteMode = true; },
                                          "Special Mode cannot be run for a route project.\r\nIt computes "
                                          "one street: open or create a single-street project for it."},
                      BadSpecialModeInput{"multi street project", [](State &s) { s.MultiStreetMode = true; },
                                          "Special Mode cannot be run for a multi-street project.\r\nIt "
                                          "computes one street: open or create a single-street project for "
                                          "it."}),
    [](const auto &info) {
        std::string name = info.param.what;
        for (char &c : name) {
            if (c == ' ') {
                c = '_';
            }
        }
        return name;
    });

TEST_F(SpecialModeRun, stopEndsAfterTheDirectionAndKeepsWhatWasComputed) {
    control.requestStop();
    EXPECT_EQ(run(), SpecialModeOutcome::Stopped);
    EXPECT_EQ(lines(file("veskout.dat")).size(), 1u + 2); // header and the first direction
    EXPECT_EQ(lines(file("NOX_1.dat")).size(), 1u);
    EXPECT_EQ(stops.said, std::vector<std::string>{"the wind direction 80 at every wind speed"});
}

TEST_F(SpecialModeRun, stopWhilePausedEndsAtTheNextCaseAndKeepsThePreviousFiles) {
    dir.write("veskout.dat", "old results\r\n");
    control.requestPause();
    control.requestStop();
    EXPECT_EQ(run(), SpecialModeOutcome::Stopped);
    // Speed 0 is computed with turbulence on, so the first case already waits.
    EXPECT_EQ(file("veskout.dat"), "old results\r\n");
    EXPECT_FALSE(exists("NOX_1.dat"));
    EXPECT_EQ(stops.said, std::vector<std::string>{""}) << "stopped, with nothing kept";
}

// Result files that cannot be written are refused before the first case, as
// a time-series run refuses its outputs before its first hour: nothing is
// computed, created or replaced.
TEST_F(SpecialModeRun, aMissingFolderIsRefusedBeforeTheFirstCase) {
    state.WorkDir = (dir.path() / "missing" / "folder").string() + "/";
    EXPECT_EQ(run(), SpecialModeOutcome::Refused);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Path not found when opening the file:\r\n" + state.WorkDir + "veskout.dat");
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));
}

struct UnfitResultFile {
    const char *name;
    const char *file; // the result file that cannot be replaced
    std::function<void(const fs::path &file)> make;
    const char *says; // the start of the message, before the file's path
};

void PrintTo(const UnfitResultFile &u, std::ostream *os) {
    *os << u.name;
}

class UnfitSpecialModeFile : public SpecialModeRun, public ::testing::WithParamInterface<UnfitResultFile> {};

// An old result file that its owner may only read (mode 444).
void readOnlyFile(const fs::path &f) {
    std::ofstream(f, std::ios::binary) << "old " << f.filename().string() << "\r\n";
    fs::permissions(f, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

TEST_P(UnfitSpecialModeFile, IsRefusedBeforeTheFirstCaseAndNothingIsComputedOrReplaced) {
    const UnfitResultFile &u = GetParam();
    const std::vector<std::string> names = {"veskout.dat", "NOX_1.dat", "NOX_2.dat", "NO2_1.dat",
                                            "NO2_2.dat"};
    for (const std::string &name : names) {
        if (name != u.file) {
            dir.write(name, "old " + name + "\r\n");
        }
    }
    const fs::path target = dir.path() / u.file;
    u.make(target);
    struct Progress : RunObserver {
        int cases = 0, started = 0;
        void progress(double, const std::string &) override { ++cases; }
        void runStateChanged(bool running) override { started += running ? 1 : 0; }
    } progress;

    EXPECT_EQ(RunSpecialMode(state, ui, control, &progress), SpecialModeOutcome::Refused);
    EXPECT_EQ(progress.cases, 0) << "no case is computed";
    EXPECT_EQ(progress.started, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind(u.says + std::string("\r\n") + target.string(), 0), 0u) << ui.messages[0];
    for (const std::string &name : names) {
        if (fs::is_regular_file(dir.path() / name)) {
            EXPECT_EQ(file(name), "old " + name + "\r\n") << name;
        }
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 5)
        << "no temporary file is left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnfitSpecialModeFile,
    ::testing::Values(UnfitResultFile{"a read-only veskout.dat", "veskout.dat", readOnlyFile,
                                      "Permission denied to write to "},
                      UnfitResultFile{"a read-only NO2 table", "NO2_2.dat", readOnlyFile,
                                      "Permission denied to write to "},
                      UnfitResultFile{"a folder named as a table", "NOX_2.dat",
                                      [](const fs::path &f) { fs::create_directory(f); }, "Can't write to "}),
    [](const ::testing::TestParamInfo<UnfitResultFile> &info) { return test::testNameOf(info.param.name); });

// A full disk shows when the last file is written out: by then none is in place.
TEST_F(SpecialModeRun, aDiskThatFillsUpAtTheLastFileReplacesNoneOfTheOthers) {
    const std::vector<std::string> names = {"veskout.dat", "NOX_1.dat", "NOX_2.dat", "NO2_1.dat",
                                            "NO2_2.dat"};
    for (const std::string &name : names) {
        dir.write(name, "old " + name + "\r\n");
    }
    failWritingOutForTesting(
        [](const std::string &target) { return fs::path(target).filename() == "NO2_2.dat"; });
    const SpecialModeOutcome outcome = run();
    failWritingOutForTesting(nullptr);
    EXPECT_EQ(outcome, SpecialModeOutcome::Failed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("NO2_2.dat could not be written.\r\nCannot write the file " +
                                  (dir.path() / "NO2_2.dat").string() + ": the disk may be full."),
              std::string::npos)
        << ui.messages[0];
    for (const std::string &name : names) {
        EXPECT_EQ(file(name), "old " + name + "\r\n");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 5)
        << "no temporary file is left behind";
}

} // namespace
} // namespace vesk
