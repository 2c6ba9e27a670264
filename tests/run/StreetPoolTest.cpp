// Multi-street runs computed by several threads: the files, the messages,
// Stop and Pause are those of one street after the other.

#include "run/RunFixture.h"

#include "core/RecordIO.h"
#include "run/results/StreetResults.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr int kStreets = 56;
constexpr int kHours = 10 * 24; // 6 to 15 March 2023

std::string metLine(int h) {
    const double u = 1.0 + (h * 7 % 11) * 0.5;
    const int dir = (h * 37) % 360;
    const int rad = (h % 24 >= 8 && h % 24 <= 16) ? 250 + h % 100 : 0;
    return formatNumber(u) + " " + std::to_string(dir) + " " + std::to_string(5 + h % 9) + " " +
           std::to_string(rad);
}

std::string backLine(int h) {
    return std::to_string(25 + h % 17) + " " + std::to_string(15 + h % 11) + " " +
           std::to_string(40 + h % 13) + " 300 " + std::to_string(18 + h % 7);
}

std::string obsLine(int h) {
    // Every 13th hour has no measurement on side 1.
    return (h % 13 == 0 ? "-99" : std::to_string(60 + h % 23)) + " " + std::to_string(50 + h % 19) + " " +
           std::to_string(30 + h % 7) + " " + std::to_string(28 + h % 5);
}

// One street of the streets file: varied geometry, traffic and sides; every
// seventh street inactive, every fifth with a gap in its building rows.
std::string streetRecord(int i, const std::string &trafficFile = ".\\CityStreet.trf") {
    const bool sector = i % 5 == 0;
    return std::string(i % 7 == 0 ? "#FALSE#" : "#TRUE#") + ",\"Street-" + std::to_string(i) + "\"," +
           std::to_string(1000 + i) + "," + std::to_string(2000 + 3 * i) + ",\"" + trafficFile + "\"," +
           std::to_string(4000 + (i * 937) % 40000) + "," + std::to_string(30 + i % 20) + "," +
           std::to_string(8 + i % 25) + "," + std::to_string(12 + (i * 7) % 30) + ",100,100," +
           std::to_string((i * 37) % 180) + "," + std::to_string(i % 3) + ",2," + (sector ? "1" : "0") +
           "\r\n" + (sector ? "0,90,0.5\r\n" : "");
}

class ParallelStreets : public RunFixture {
protected:
    // The project of kStreets streets with hourly output, statistics of the
    // streets and daily averages; street `changed` (when given) has the
    // record `changedRecord` instead; the statistics of the streets name
    // `unknown` too when it is given (a name no statistic has).
    void loadStreets(int changed = 0, const std::string &changedRecord = {},
                     const std::string &unknown = {}) {
        writeWork("Met.txt", "year month day hour u_mast wind_dir temperature globalrad\r\n" +
                                 hourlyLines(2023, 3, 6, kHours, metLine));
        writeWork("Back.txt", hourlyLines(2023, 3, 6, kHours, backLine));
        writeWork("Obs.txt", hourlyLines(2023, 3, 6, kHours, obsLine));
        std::string streets;
        for (int i = 1; i <= kStreets; ++i) {
            streets += i == changed ? changedRecord : streetRecord(i);
        }
        writeWork("Streets.txt", streets);
        const std::vector<FileRecord> records = {
            inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad"),
            inputFile("Back.txt", "year,month,day,hour,cNOx_b,cNO2_b,cO3_b,cCO_b,cPM10_b"),
            inputFile("Obs.txt", "year,month,day,hour,cNOx_obs_1,cNOx_obs_2,cNO2_obs_1,cNO2_obs_2"),
            outputFile("Out.txt",
                       "day,hour,daycase,ntotal,dailytraffic,streetwidth,cNOx_mod_1,cNO2_mod_2,cNO2_cor_1,"
                       "cPM10_mod_1,av8NO2_mod_1,cNOx_b"),
            statFile("Streets.sum",
                     "\"Street\",X_coordinate,DailyTraffic,TravelSpeed,AvNOx_mod_1,AvNO2_mod_2,"
                     "MaxHourlyNO2_mod_1,19thHighestNO2_mod_1,AvNOx_obs_1,AvNO2_b_1" +
                         (unknown.empty() ? std::string() : "," + unknown),
                     "streets"),
            statFile("Daily.txt", "\"Day\",NOx_b_1,NOx_mod_1,NO2_mod_2,NO2_obs_1,StreetName", "dailyav"),
            statFile("Summary.xls;Streets", "\"Street\",AvNOx_mod_1,MaxHourlyNO2_mod_2", "streets"),
            {"Streets.txt", "streets", {}}};
        ASSERT_NO_FATAL_FAILURE(loadProject("Streets.vkm", projectText(records, "Streets")));
        ASSERT_TRUE(state.MultiStreetMode);
    }

    struct Outcome {
        RunReport report;
        std::vector<std::string> messages;
        std::map<std::string, std::string> files;
    };

    // Runs the loaded project with n threads and keeps what it wrote and said.
    Outcome runWith(int threads, RunObserver *observer = nullptr) {
        const StreetThreads use(threads);
        ui.messages.clear();
        Outcome o;
        o.report = run(observer);
        o.messages = ui.messages;
        for (const char *name : {"Out.txt", "Streets.sum", "Daily.txt", "Summary.xls"}) {
            o.files[name] = fs::exists(work(name)) ? readFile(work(name)) : std::string("(none)");
        }
        // Files kept under temporary names: by their content, their names left out of the messages.
        for (const std::string &kept : o.report.keptFiles) {
            o.files["kept " + std::to_string(o.files.size())] = readFile(kept);
            for (std::string &m : o.messages) {
                if (const auto at = m.find(kept); at != std::string::npos) {
                    m.replace(at, kept.size(), "(kept)");
                }
            }
            fs::remove(kept);
        }
        control.reset();
        return o;
    }
};

TEST_F(ParallelStreets, EveryNumberOfThreadsWritesTheSameFilesAndMessagesAsOneStreetAfterTheOther) {
    ASSERT_NO_FATAL_FAILURE(loadStreets());
    const Outcome serial = runWith(1);
    ASSERT_EQ(serial.report.outcome, RunOutcome::Completed) << serial.report.error;
    EXPECT_EQ(serial.report.streets, kStreets);
    ASSERT_EQ(fileLines(work("Out.txt")).size(), 1u + (kStreets - kStreets / 7) * kHours);
    ASSERT_EQ(fileLines(work("Streets.sum")).size(), 1u + kStreets);
    EXPECT_EQ(serial.messages, std::vector<std::string>{});

    for (int threads : {2, 8}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        const Outcome parallel = runWith(threads);
        EXPECT_EQ(parallel.report.outcome, RunOutcome::Completed) << parallel.report.error;
        EXPECT_EQ(parallel.report.hours, serial.report.hours);
        EXPECT_EQ(parallel.report.streets, serial.report.streets);
        EXPECT_EQ(parallel.report.lastDone, serial.report.lastDone);
        EXPECT_EQ(parallel.messages, serial.messages);
        for (const auto &[name, bytes] : serial.files) {
            EXPECT_TRUE(parallel.files.at(name) == bytes) << name << " differs";
        }
        EXPECT_EQ(state.StreetName, state.StoredStreetName) << "the project's own street is back";
        EXPECT_EQ(state.LastCalcDate, "2023-03-15 23:00") << "the last street's hours are the state's";
    }
}

TEST_F(ParallelStreets, AnUnknownStatisticIsReportedOnceAndKeptAsideAsByOneStreetAfterTheOther) {
    ASSERT_NO_FATAL_FAILURE(loadStreets(0, {}, "NoSuchStatistic_1"));
    const Outcome serial = runWith(1);
    ASSERT_EQ(serial.report.outcome, RunOutcome::Completed) << serial.report.error;
    ASSERT_EQ(serial.messages.size(), 2u) << "the unknown statistic is reported once per run";
    EXPECT_NE(serial.messages[0].find("\r\ncolumn NoSuchStatistic_1\r\n"), std::string::npos)
        << serial.messages[0];
    EXPECT_NE(serial.messages[1].find("is kept in\r\n(kept)"), std::string::npos) << serial.messages[1];
    ASSERT_EQ(serial.report.keptFiles.size(), 1u);
    for (int threads : {2, 8}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        const Outcome parallel = runWith(threads);
        EXPECT_EQ(parallel.report.outcome, RunOutcome::Completed) << parallel.report.error;
        EXPECT_EQ(parallel.messages, serial.messages);
        EXPECT_EQ(parallel.files, serial.files);
    }
}

// Streets whose set-up fails, and the message a serial run gives for them.
struct SetUpFailure {
    const char *what;
    std::string record; // of street 23
};

class ParallelStreetFailure : public ParallelStreets, public ::testing::WithParamInterface<SetUpFailure> {};

TEST_P(ParallelStreetFailure, AStreetWhoseSetUpFailsEndsTheRunWithTheMessageOfASerialRun) {
    ASSERT_NO_FATAL_FAILURE(loadStreets(23, GetParam().record));
    const Outcome serial = runWith(1);
    ASSERT_EQ(serial.report.outcome, RunOutcome::Failed);
    ASSERT_FALSE(serial.messages.empty());
    for (int threads : {2, 8}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        const Outcome parallel = runWith(threads);
        EXPECT_EQ(parallel.report.outcome, RunOutcome::Failed);
        EXPECT_EQ(parallel.report.error, serial.report.error);
        EXPECT_EQ(parallel.messages, serial.messages);
        EXPECT_EQ(parallel.files, serial.files) << "a failed run leaves the previous files";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streets, ParallelStreetFailure,
    ::testing::Values(SetUpFailure{"MissingTrafficFile", streetRecord(23, "NoSuchTraffic.trf")},
                      SetUpFailure{"DamagedTrafficFile", streetRecord(23, "Met.txt")},
                      SetUpFailure{"TrafficFileIsAnOutput", streetRecord(23, "Out.txt")}),
    [](const auto &info) { return std::string(info.param.what); });

// The streets of a summary file, in its order (the first item of each row).
std::vector<std::string> summaryStreets(const fs::path &summary) {
    std::vector<std::string> names;
    const std::vector<std::string> lines = fileLines(summary);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        names.push_back(lines[i].substr(0, lines[i].find(' ')));
    }
    return names;
}

TEST_F(ParallelStreets, StopWritesTheStreetsInFlightInStreetOrderAndStartsNoFurtherStreet) {
    ASSERT_NO_FATAL_FAILURE(loadStreets());
    const Outcome full = runWith(1);
    ASSERT_EQ(full.report.outcome, RunOutcome::Completed);
    const std::vector<std::string> fullStreets = summaryStreets(work("Streets.sum"));
    const std::vector<std::string> fullRows = fileLines(work("Streets.sum"));
    const std::vector<std::string> fullOut = fileLines(work("Out.txt"));

    struct StopAtSecondStreet : RunObserver {
        RunControl &control;
        explicit StopAtSecondStreet(RunControl &c) : control(c) {}
        void progress(double, const std::string &text) override {
            if (text.rfind("Calculating street #2 ", 0) == 0) {
                control.requestStop();
            }
        }
    } stop(control);
    const Outcome stopped = runWith(4, &stop);
    ASSERT_EQ(stopped.report.outcome, RunOutcome::Stopped) << stopped.report.error;

    const std::vector<std::string> streets = summaryStreets(work("Streets.sum"));
    ASSERT_GE(streets.size(), 1u);
    ASSERT_LE(streets.size(), 1u + 2 * 4) << "no street beyond those taken when Stop came";
    EXPECT_EQ(stopped.report.streets, static_cast<int>(streets.size()));
    EXPECT_EQ(streets, std::vector<std::string>(fullStreets.begin(), fullStreets.begin() + streets.size()))
        << "the streets written are the first ones, in street order";

    // Each street's hourly rows are the full run's rows of that street or,
    // for a street stopped in flight, the first of them; its summary row is
    // the full run's when it was not stopped.
    const std::vector<std::string> out = fileLines(work("Out.txt"));
    const std::vector<std::string> rows = fileLines(work("Streets.sum"));
    std::size_t at = 1, fullAt = 1;
    for (std::size_t k = 0; k < streets.size(); ++k) {
        const bool active = (k + 1) % 7 != 0;
        const std::size_t fullCount = active ? kHours : 0;
        std::size_t count = 0;
        while (at + count < out.size() && count < fullCount && out[at + count] == fullOut[fullAt + count]) {
            ++count;
        }
        if (count < fullCount) {
            EXPECT_NE(rows[k + 1], fullRows[k + 1]) << streets[k] << " stopped after " << count << " hours";
        } else {
            EXPECT_EQ(rows[k + 1], fullRows[k + 1]) << streets[k];
        }
        at += count;
        fullAt += fullCount;
    }
    EXPECT_EQ(at, out.size()) << "every hourly row belongs to a street written, in order";
    EXPECT_EQ(stopped.report.lastDone.rfind("the hour beginning ", 0), 0u);
    EXPECT_NE(stopped.report.lastDone.find(streets.back()), std::string::npos)
        << "the last street written is named";
}

// A run stopped at the caption of its third street, with the streets file
// as it is or changed meanwhile from a street on.
struct StopCase {
    const char *what;
    int threads;
    int changedFrom = 0;     // the streets file holds the streets before it, then changedTail
    std::string changedTail; // what follows them
    int listed = kStreets;   // the streets the list holds (0: those the run reached alone)
    std::string said;        // in the message about the streets file ("" = no message)
    bool soundAfter = false; // the sound records of the later streets follow changedTail
};

class StreetsNotReached : public ParallelStreets, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StreetsNotReached, AreListedAsNotCalculatedInTheirPlacesAndKeptInTheSavedFile) {
    const StopCase &row = GetParam();
    ASSERT_NO_FATAL_FAILURE(loadStreets());
    state.BatchMode = false; // the window's run, which keeps the list of its streets
    struct StopAtThirdStreet : RunObserver {
        std::function<void()> stop;
        void progress(double, const std::string &text) override {
            if (text.rfind("Calculating street #3 ", 0) == 0) {
                stop();
            }
        }
    } observer;
    observer.stop = [&] {
        if (row.changedFrom > 0) {
            std::string streets;
            for (int i = 1; i < row.changedFrom; ++i) {
                streets += streetRecord(i);
            }
            streets += row.changedTail;
            for (int i = row.changedFrom + 1; row.soundAfter && i <= kStreets; ++i) {
                streets += streetRecord(i);
            }
            writeWork("Streets.txt", streets);
        }
        control.requestStop();
    };
    const Outcome stopped = runWith(row.threads, &observer);
    ASSERT_EQ(stopped.report.outcome, RunOutcome::Stopped) << stopped.report.error;
    const int reached = stopped.report.streets;
    const int listed = row.listed > 0 ? row.listed : reached;
    ASSERT_GE(reached, 3);
    ASSERT_LT(reached, row.listed > 0 ? row.listed : kStreets) << "the stop left streets to list";
    ASSERT_NE(state.StreetResults, nullptr);
    const results::StreetResultsStore &store = *state.StreetResults;

    // The streets in their places: those reached as the run wrote them (one
    // stopped in its first hours calculated), the others as not calculated.
    auto expectEveryStreet = [&](const results::StreetResultsStore &list) {
        ASSERT_EQ(list.streets().size(), static_cast<std::size_t>(listed));
        int calculated = 0;
        for (int i = 1; i <= listed; ++i) {
            const results::StreetEntry &e = list.streets()[static_cast<std::size_t>(i - 1)];
            SCOPED_TRACE("street " + std::to_string(i));
            EXPECT_EQ(e.number, i);
            EXPECT_EQ(e.name, "Street-" + std::to_string(i));
            EXPECT_EQ(e.x, 1000 + i);
            EXPECT_EQ(e.y, 2000 + 3 * i);
            const bool active = i <= reached && i % 7 != 0;
            EXPECT_EQ(e.active, active);
            EXPECT_EQ(e.firstCalcDate.empty(), !active);
            EXPECT_EQ(e.dailyTraffic >= 0, active);
            if (i > reached) {
                EXPECT_EQ(e.recHeight, 2);
                EXPECT_EQ(e.givenTraffic, 4000 + (i * 937) % 40000);
                EXPECT_EQ(e.summary, std::vector<float>(list.columns().size(), -99.0f));
            }
            calculated += active ? 1 : 0;
        }
        EXPECT_EQ(results::streetListKeyInfo(list)[1].rfind("Streets: " + std::to_string(listed) +
                                                                ", of which " + std::to_string(calculated) +
                                                                " calculated; ",
                                                            0),
                  0u)
            << results::streetListKeyInfo(list)[1];
    };
    ASSERT_NO_FATAL_FAILURE(expectEveryStreet(store));
    const std::vector<std::string> &said = stopped.messages;
    if (row.said.empty()) {
        EXPECT_EQ(said, std::vector<std::string>{});
    } else {
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].find(row.said), std::string::npos) << said[0];
        EXPECT_NE(said[0].find("ends with street #" + std::to_string(listed) + " out of 56."),
                  std::string::npos)
            << said[0];
    }

    std::string error;
    const std::string saved = work("Streets.msr").string();
    ASSERT_TRUE(state.StreetResults->saveAs(saved, &error)) << error;
    const auto reopened = results::StreetResultsStore::open(saved, state, &error);
    ASSERT_NE(reopened, nullptr) << error;
    ASSERT_NO_FATAL_FAILURE(expectEveryStreet(*reopened));
}

INSTANTIATE_TEST_SUITE_P(
    StoppedRuns, StreetsNotReached,
    ::testing::Values(StopCase{"OneStreetAfterTheOther", 1, 0, "", kStreets, ""},
                      StopCase{"FourThreads", 4, 0, "", kStreets, ""},
                      StopCase{"ALaterRecordDamagedMeanwhile", 1, 40, "#TRUE#,\"Street-40\",x\r\n", 39,
                               "cannot be read at street #40: "},
                      StopCase{"ALaterRecordDamagedMeanwhileBeforeSoundOnes", 4, 40,
                               "#TRUE#,\"Street-40\",x\r\n", 39, "cannot be read at street #40: ", true},
                      StopCase{"TheFileCutShortMeanwhile", 4, 31, "", 30,
                               "ends after street #30, but the run counted 56 streets in it"},
                      StopCase{"ARecordReachedDamagedMeanwhile", 4, 2, "#TRUE#,\"Street-2\",x\r\n", 0,
                               "cannot be read at street #2: "}),
    [](const auto &info) { return std::string(info.param.what); });

TEST_F(ParallelStreets, PauseHoldsEveryWorkerAndContinueFinishesTheSameFiles) {
    ASSERT_NO_FATAL_FAILURE(loadStreets());
    const Outcome full = runWith(1);
    ASSERT_EQ(full.report.outcome, RunOutcome::Completed);

    // Paused before the workers take their first streets: each of them holds
    // at the first hour of its street, and the run stands still. (Paused
    // later, a street that had finished its hours would still be written,
    // whenever the writer comes to it.)
    struct PauseAtFirstStreet : RunObserver {
        RunControl &control;
        std::mutex mutex;
        std::vector<std::string> captions; // written by the run's thread, read by the test's
        explicit PauseAtFirstStreet(RunControl &c) : control(c) {}
        void progress(double, const std::string &text) override {
            std::lock_guard lock(mutex);
            captions.push_back(text);
            if (text.rfind("Calculating street #1 ", 0) == 0) {
                control.requestPause();
            }
        }
        std::vector<std::string> shown() {
            std::lock_guard lock(mutex);
            return captions;
        }
    } pause(control);
    constexpr int kThreads = 4;
    const StreetThreads use(kThreads);
    ui.messages.clear();
    RunReport report;
    std::atomic<bool> ended = false;
    std::thread running([&] {
        report = run(&pause);
        ended = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (control.threadsHeld() < kThreads && !ended && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const int held = control.threadsHeld();
    const bool endedWhilePaused = ended;
    const std::vector<std::string> whilePaused = pause.shown();
    if (held != kThreads) {
        control.requestStop();
        running.join();
        FAIL() << held << " of " << kThreads << " workers hold while paused"
               << (endedWhilePaused ? "; the run went on to its end" : "");
    }
    EXPECT_EQ(whilePaused, std::vector<std::string>{"Calculating street #1 out of 56: Street-1"})
        << "no street was written while paused";
    control.requestContinue();
    running.join();
    EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(pause.shown().size(), static_cast<std::size_t>(kStreets)) << "a caption for each street";
    for (const auto &[name, bytes] : full.files) {
        EXPECT_TRUE(readFile(work(name)) == bytes) << name << " differs after the pause";
    }
    control.reset();

    // Stop while paused: nothing is written, the previous files stay.
    struct PauseThenStop : RunObserver {
        RunControl &control;
        explicit PauseThenStop(RunControl &c) : control(c) {}
        void progress(double, const std::string &text) override {
            if (text.rfind("Calculating street #2 ", 0) == 0) {
                control.requestPause();
                control.requestStop();
            }
        }
    } pauseThenStop(control);
    const Outcome stopped = runWith(4, &pauseThenStop);
    EXPECT_EQ(stopped.report.outcome, RunOutcome::StoppedWhilePaused)
        << stopped.report.error << (stopped.messages.empty() ? "" : stopped.messages.front());
    EXPECT_EQ(stopped.files, full.files);
}

} // namespace
