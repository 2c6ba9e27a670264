// The driver of the time-series run: the checks at the start, the street
// source (one street, the streets file or the route file), the street loop,
// the record loop of one hour per input record, the route stepping, the end
// of each street with its statistics, and the end of the run.
//
// Every failure after the checks ends the run through one handler, which
// shows the message of the error and drops what the run wrote. Hourly output
// and statistics files are written under temporary names and put in place
// of the previous files only at the end of a run that writes them (one that
// reached its end, or was stopped during an hour, and wrote every requested
// output): a failed run, a period without data and a stop while paused leave
// the previous files as they were, and so does a run that could not write
// every requested output, which keeps its incomplete files under their
// temporary names and says where, and so does a multi-street or route run
// with a street or segment that could model none of its hours (with every
// file it wrote).

#include "run/RunCalculation.h"

#include "calc/DayCases.h"
#include "calc/Format.h"
#include "calc/StatPublish.h"
#include "calc/StreetRecords.h"
#include "calc/UnitFactors.h"
#include "core/Calendar.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "project/FileLists.h"
#include "run/HourStore.h"
#include "run/RunContext.h"
#include "run/RunFiles.h"
#include "run/StreetChain.h"
#include "run/StreetRun.h"
#include "run/results/ResultsKeyInfo.h"

#include <chrono>
#include <ctime>
#include <span>

namespace vesk {

using namespace run;

namespace {

const char *kNoData = "No data within the specified Start and End Dates!";
const char *kNothingModelled =
    "No hour could be modelled: every modelled concentration of this run is missing (-99).\r\n"
    "Check the meteorology, the traffic and the emission set-up of the project.";

std::unique_ptr<RecordReader> openRecordFile(RunContext &c, const std::string &stored) {
    const std::string path = workInputPath(c.s, stored);
    c.err.FilePath = path;
    auto reader = std::make_unique<RecordReader>();
    std::string error;
    if (!RecordReader::open(path, reader.get(), &error)) {
        throw RunError(kErrFileNotFound, error);
    }
    return reader;
}

// The fraction of the input read so far (of the first input file, or of
// the kept hours).
double inputFraction(const RunContext &c) {
    if (c.hourStore != nullptr) {
        return c.hourStore->size() > 0
                   ? static_cast<double>(c.storedHour) / static_cast<double>(c.hourStore->size())
                   : 0;
    }
    if (c.inputs.empty()) {
        return 0;
    }
    const InputFile &in = c.inputs.front();
    if (in.isTable) {
        return in.table.rows.empty()
                   ? 0
                   : static_cast<double>(in.row) / static_cast<double>(in.table.rows.size());
    }
    // The stream reads ahead by a block: the position of the next line says where the run is.
    const std::streamoff at = in.position;
    return in.size > 0 && at > 0 ? static_cast<double>(at) / static_cast<double>(in.size) : 0;
}

} // namespace

void run::progress(RunContext &c, double fraction, const std::string &text) {
    if (c.observer != nullptr) {
        c.observer->progress(fraction, text);
    }
}

void run::setUpTraffic(RunContext &c) {
    c.dayCaseOf = {};
    const TrafficSetupResult r = SetUpStreetTraffic(c.s, c.ui, c.StreetsFolder, c.files.trafficCache.get());
    switch (r.outcome) {
    case TrafficSetupOutcome::Ready:
        if (c.s.MultiStreetMode || c.s.RouteMode) {
            // The project's own traffic file was checked before the run began.
            if (std::string refused = outputOverFile(c.s, r.FilePath, "the traffic file"); !refused.empty()) {
                throw RunRefusal{refused};
            }
        }
        resolveEmissionTables(c);
        return;
    case TrafficSetupOutcome::NoTrafficFile:
        resolveEmissionTables(c);
        return;
    case TrafficSetupOutcome::FileNotFound:
        c.err.FilePath = r.FilePath;
        throw RunError(kErrFileNotFound, "Traffic file not found");
    case TrafficSetupOutcome::EndRun:
        throw EndRun{};
    }
}

void run::startStreetStatistics(RunContext &c) {
    State &s = c.s;
    StatisticsSetup setup = statisticsSetupFrom(s);
    setup.demand = c.files.statisticsDemand;
    // The hour's sums and ranks are taken a week at a time (the 8-hour
    // averages of the hourly rows still every hour): a series is then run
    // through in one loop rather than hour by hour among all the others.
    setup.BlockHours = 7 * 24;
    s.Statistics.startSeries(setup);
    s.Statistics.setStreet(s.StreetName, s.StreetX, s.StreetY);
    s.DailyAverageList.clear();
    c.HourCount = 0;
    c.TrafficSum = c.SpeedSum = 0;
    c.SpeedCount = 0;
    c.PrevHour = -1;
    c.lastDayText.clear();
    c.firstHourText.clear();
    c.firstHourNo = c.lastHourNo = -1;
    c.earliestHourText.clear();
    c.latestHourText.clear();
    c.routePeriod = {};
    c.routeLastHourNo = 0;
    c.anyHour = false;
    c.storedHour = 0;
    c.streetModelledFrom = c.ModelledHours;
}

namespace {

// The street model chain, the statistics and the output rows of an accepted hour.
void calculateHour(RunContext &c, const ChainFactors &f) {
    State &s = c.s;
    BackgroundMemo *memo = nullptr;
    if (c.hourStore != nullptr && c.storedHour >= 1 && c.storedHour <= c.hourStore->size()) {
        if (c.backgroundMemo.size() != c.hourStore->size()) {
            c.backgroundMemo.assign(c.hourStore->size(), BackgroundMemo());
        }
        memo = &c.backgroundMemo[c.storedHour - 1];
    }
    CompleteBackground(s, f, memo);
    RunStreetModelHour(s);
    FormConcentrations(s, f);
    StatisticsEngine &stats = s.Statistics;
    if (c.DayDateText != c.lastDayText) {
        stats.changeDay(
            StatDay{c.items.year, c.items.month, c.items.day, c.items.dayofweek, c.items.daycase});
        c.lastDayText = c.DayDateText;
        c.dayOpen = true;
    }
    stats.beginHour(c.HoursElapsed);
    if (addHourStatistics(s)) {
        ++c.ModelledHours;
    }
    ApplyCrossSideCorrection(s, f, s.CorrectionThreshold());
    writeOutputRows(c);
}

// The next hour of the street from the files: false at the end of the data.
bool nextReadHour(RunContext &c) {
    for (;;) {
        if (!readHour(c)) {
            return false;
        }
        const DateOutcome dated = dateHour(c);
        if (dated == DateOutcome::Accept) {
            completeRelatedValues(c);
            countUsableHour(c);
            return true;
        }
        if (dated == DateOutcome::EndOfInput) {
            return false;
        }
    }
}

// The next hour of the street from the kept hours: false at the end of the
// data; the failure that ended the data is met where reading would meet it.
bool nextStoredHour(RunContext &c) {
    const HourStore &store = *c.hourStore;
    if (c.storedHour >= store.size()) {
        if (store.end()) {
            store.end().rethrowIn(c);
        }
        return false;
    }
    store.replay(c, c.storedHour++);
    return true;
}

} // namespace

bool run::recordLoop(RunContext &c, const ChainFactors &f, long &hours) {
    for (;;) {
        if (c.control.PauseRequested()) {
            c.control.waitWhilePaused();
            if (c.control.StopRequested()) {
                throw StopWhilePaused{};
            }
        }
        if (!(c.hourStore != nullptr ? nextStoredHour(c) : nextReadHour(c))) {
            return false;
        }
        if (!hourTraffic(c)) {
            throw EndRun{};
        }
        calculateHour(c, f);
        ++hours;
        c.lastHourText = c.items.DateTimeText;
        c.lastHourNo = currentHourNo(c);
        const bool firstHour = c.firstHourText.empty();
        if (firstHour) {
            c.firstHourText = c.lastHourText;
            c.firstHourNo = c.lastHourNo;
        }
        if (c.s.RouteMode) {
            if (firstHour || c.lastHourNo < c.earliestHourNo) {
                c.earliestHourNo = c.lastHourNo;
                c.earliestHourText = c.lastHourText;
            }
            if (firstHour || c.lastHourNo > c.latestHourNo) {
                c.latestHourNo = c.lastHourNo;
                c.latestHourText = c.lastHourText;
            }
        }
        if (c.observer != nullptr) {
            c.observer->hourDone(c.items.day, c.items.month, c.s.hour);
        }
        if (c.dayOpen) {
            c.dayOpen = false;
            progress(
                c, c.StreetCount > 0 ? (c.StreetNo - 1 + inputFraction(c)) / c.StreetCount : inputFraction(c),
                std::to_string(c.items.day) + "/" + std::to_string(c.items.month) + "|" +
                    std::to_string(c.s.hour));
        }
        if (c.control.StopRequested()) {
            return true;
        }
    }
}

void run::readStreet(RunContext &c, RecordReader &streets) {
    State &s = c.s;
    c.err.FilePath = streets.fileName();
    ReadStreetRecord(s, streets);
    s.StreetName = s.CurrentStreetName;
    s.TrafficFileLoaded = false;
    ++c.StreetNo;
}

void run::finishStreet(RunContext &c, bool active, const std::string &streetDone, std::string *lastDone) {
    State &s = c.s;
    if (active && !c.anyHour) {
        throw NoHourInPeriod{};
    }
    if (active && s.MultiStreetMode && c.ModelledHours == c.streetModelledFrom) {
        c.unmodelled.push_back("street #" + std::to_string(c.StreetNo) + " out of " +
                               std::to_string(c.StreetCount) + ", " + streetDone);
    }
    s.CalcPeriod = periodRun(c);
    if (c.anyHour) {
        // A route covers its earliest to its latest hour, whichever segments calculated them.
        s.FirstCalcDate = s.RouteMode ? c.earliestHourText : c.firstHourText;
        s.LastCalcDate = s.RouteMode ? c.latestHourText : c.lastHourText;
        *lastDone = "the hour beginning " + c.lastHourText;
        if (s.MultiStreetMode) {
            *lastDone += " of street #" + std::to_string(c.StreetNo) + " out of " +
                         std::to_string(c.StreetCount) + ", " + streetDone;
        } else if (s.RouteMode) {
            *lastDone += " of " + streetDone;
        }
    }
    s.DailyTrafficCalc = c.HourCount > 0 ? roundHalfEven(c.TrafficSum / c.HourCount * 24.0) : -99;
    s.TravelSpeedCalc = c.SpeedCount > 0 ? static_cast<float>(c.SpeedSum / c.SpeedCount) : -99.0f;
    s.Statistics.endSeries();
    std::string error;
    publishStatistics(s.Statistics, s, &error); // statistics without a StatVar are left out
    writeStatFiles(c);
    recordStreetResults(c);
}

void run::recordStreetResults(RunContext &c) {
    if (!c.files.streetStore) {
        return;
    }
    const State &s = c.s;
    results::StreetEntry e;
    e.number = c.StreetNo;
    e.name = s.StreetName;
    e.active = streetCalculated(s);
    e.x = s.StreetX;
    e.y = s.StreetY;
    e.recHeight = s.RecHeight;
    e.givenTraffic = s.AnnualDiurnalTraffic;
    e.dailyTraffic = s.DailyTrafficCalc;
    e.trafficFileType = s.TrafficFileType;
    e.trafficFile = s.TrafficFile;
    if (c.anyHour) {
        e.firstCalcDate = c.firstHourText;
        e.lastCalcDate = c.lastHourText;
    }
    e.period = s.CalcPeriod;
    results::StreetRecord record = c.files.streetStore->record(std::move(e), s.StatVarList);
    if (c.rows != nullptr) {
        c.rows->street = std::move(record);
    } else {
        keepStreetResults(c, std::move(record));
    }
}

void run::keepStreetResults(RunContext &c, results::StreetRecord street) {
    results::StreetResultsStore &store = *c.files.streetStore;
    std::string error;
    if (!store.failed() && !store.add(std::move(street), &error)) {
        // The run goes on; only the list of its streets is lost.
        c.ui.message(error, Icon::Exclamation);
    }
}

namespace {

// Puts back the project's own street after a route or multi-street run.
void restoreStreet(State &s) {
    s.TrafficFile.clear();
    s.TrafficFileLoaded = false;
    s.AnnualDiurnalTraffic = 0;
    s.AverageTrafficSpeed = 0;
    s.StreetName = s.StoredStreetName;
    s.StreetHeight = s.StreetWidth = s.StreetLength_1 = s.StreetLength_2 = s.StreetOrientation = 0;
    s.Receptor1 = s.Receptor2 = 0;
    s.RecHeight = 0;
    s.NumWindSectors = 0;
}

std::string nowText() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &tm);
    return buffer;
}

// A route segment as the run's messages name it.
std::string routeSegmentText(const RunContext &c) {
    const State &s = c.s;
    return "the route segment " + s.StreetName + " of the person " + s.PersonId + " (" +
           Format(s.SegTimeIn, "yyyy-mm-dd hh:nn") + " to " + Format(s.SegTimeOut, "yyyy-mm-dd hh:nn") +
           "), line " + std::to_string(c.routeLine) + " of the route file";
}

// The message naming the streets and route segments without a modelled hour.
std::string unmodelledText(const std::vector<std::string> &unmodelled) {
    constexpr std::size_t kNamed = 20; // a message box of reasonable height
    std::string text = "The run reached its end, but no hour of the following could be modelled: every "
                       "modelled concentration of theirs is missing (-99).\r\n";
    for (std::size_t i = 0; i < unmodelled.size() && i < kNamed; ++i) {
        text += "  " + unmodelled[i] + "\r\n";
    }
    if (unmodelled.size() > kNamed) {
        text += "  and " + std::to_string(unmodelled.size() - kNamed) + " more\r\n";
    }
    return text + "Check their traffic files, the meteorology and the emission set-up.";
}

void closeEverything(RunContext &c) {
    discardOutputFiles(c);
    c.inputs.clear();
}

void streetLoop(RunContext &c, RunReport &report) {
    State &s = c.s;
    const bool multi = s.MultiStreetMode;
    const bool route = s.RouteMode;
    const ChainFactors f = chainFactors(s);
    HourStore store;
    bool stopped = false;
    for (;;) {
        if (multi) {
            if (c.streetsFile->atEnd()) {
                break;
            }
            readStreet(c, *c.streetsFile);
            progress(c, static_cast<double>(c.StreetNo - 1) / std::max(c.StreetCount, 1),
                     "Calculating street #" + std::to_string(c.StreetNo) + " out of " +
                         std::to_string(c.StreetCount) + ": " + s.StreetName);
        }
        setUpTraffic(c);
        if (!multi || c.FirstStreet) {
            bindInputFiles(c);
            bindOutputFiles(c);
            // Statistics files are checked and prepared before the first hour too.
            bindStatFiles(c);
            setOutputDemand(c);
            readUrbanEmissions(c);
            // Every street of a multi-street run runs through the same hours:
            // they are read once. So are the hours of a street when they decide
            // whether an output table can hold them, as only the dated records
            // say how many lie within the period.
            if (multi || (!route && outputTablesMayOverflow(c))) {
                if (store.build(c)) {
                    c.hourStore = &store;
                } else {
                    rewindInputs(c);
                }
                // A table too small for the run's hours is refused now, not when it is full
                // (any other single street's tables hold the bound of its hours).
                refuseOverfullOutputTables(c);
            }
            if (multi && c.hourStore != nullptr) {
                if (const int threads = streetThreads(c.StreetCount); threads > 1) {
                    stopped = runStreetPool(c, report, threads);
                    break;
                }
            }
        }
        startStreetStatistics(c);
        const bool active = !multi || streetCalculated(s);
        if (active) {
            PassStreetGeometry(s);
            c.NoHourYet = true;
            for (;;) {
                const long hoursBefore = report.hours, modelledBefore = c.ModelledHours;
                stopped = recordLoop(c, f, report.hours);
                if (route) {
                    addSegmentPeriod(c, stopped);
                }
                if (route && report.hours > hoursBefore && c.ModelledHours == modelledBefore) {
                    c.unmodelled.push_back(routeSegmentText(c));
                }
                if (!route || stopped || c.routeFile->atEnd()) {
                    break;
                }
                // The next segment of the route.
                c.err.FilePath = c.routeFile->fileName();
                c.routeLine = c.routeFile->line();
                ReadStreetRecordDated(s, *c.routeFile);
                s.StreetName = s.CurrentStreetName;
                s.TrafficFileLoaded = false;
                setUpTraffic(c);
                PassStreetGeometry(s);
                const bool newPerson = s.PersonId != c.LastPersonId;
                c.LastPersonId = s.PersonId;
                if (newPerson) {
                    rewindInputs(c);
                } else {
                    stepInputsBack(c);
                }
                // Title lines read again after a rewind are passed over as at the start.
                c.NoHourYet = true;
            }
        }
        const std::string streetDone = s.StreetName; // the route segment of the last hour
        if (route) {
            restoreStreet(s);
        }
        finishStreet(c, active, streetDone, &report.lastDone);
        ++report.streets;
        if (!multi) {
            break;
        }
        if (c.hourStore == nullptr) {
            rewindInputs(c);
        }
        c.FirstStreet = false;
        if (c.control.StopRequested()) {
            stopped = true;
            break;
        }
    }
    if (c.ModelledHours == 0) {
        // Statistics of -99 alone are no result, however orderly the run
        // ended: the files of the previous run stay.
        c.ui.message(kNothingModelled, Icon::Critical);
        report.error = kNothingModelled;
        report.outcome = RunOutcome::NothingModelled;
        throw EndRun{};
    }
    if (!c.unmodelled.empty()) {
        // The run did not compute what was asked: its files replace none of
        // the previous run's, but what it computed is kept beside them.
        report.unmodelled = c.unmodelled;
        c.ui.message(unmodelledText(c.unmodelled) +
                         "\r\nSo the run has replaced none of the files of the previous run." +
                         keepOutputsAside(c, &report.keptFiles, true),
                     Icon::Exclamation);
    } else if (c.outputIncomplete) {
        c.ui.message(keepIncompleteOutputs(c, &report.keptFiles), Icon::Exclamation);
    } else {
        commitOutputFiles(c);
    }
    s.CalcTime = nowText();
    s.CalcStreetName = s.StreetName;
    s.CalcScenarioYear = s.ScenarioYear;
    s.ResultFileName = "untitled";
    s.LastResultFile = s.ResultFileName;
    if (const std::shared_ptr<results::StreetResultsStore> &store = c.files.streetStore) {
        if (stopped) {
            // The list names every street of the streets file, whether calculated or not.
            listStreetsNotReached(c, report.streets);
        }
        std::string error;
        if (store->finish(s.CalcTime, &error)) {
            s.StreetResults = store;
        }
    }
    report.outcome = stopped ? RunOutcome::Stopped : RunOutcome::Completed;
}

void openSources(RunContext &c) {
    State &s = c.s;
    if (s.RouteMode) {
        c.routeFile = openRecordFile(c, s.RouteFile);
        checkRouteSegments(c);
        c.routeFile = openRecordFile(c, s.RouteFile);
        c.routeLine = c.routeFile->line();
        ReadStreetRecordDated(s, *c.routeFile);
        s.StreetName = s.CurrentStreetName;
        c.LastPersonId = s.PersonId;
        s.TrafficFileLoaded = false;
    }
    if (s.MultiStreetMode) {
        c.streetsFile = openRecordFile(c, s.StreetsFile);
        c.StreetsFolder = folderPart(c.err.FilePath);
        countStreets(c);
        c.streetsFile = openRecordFile(c, s.StreetsFile);
        c.FirstStreet = true;
        // The streets' results are the window's: a batch run keeps none.
        if (!s.BatchRun()) {
            auto store = std::make_shared<results::StreetResultsStore>();
            std::string error;
            if (store->start(s, &error)) {
                c.files.streetStore = std::move(store);
            } else {
                c.ui.message(error, Icon::Exclamation);
            }
        }
    }
}

// The message of a numbered error, by the run's table of messages.
void showRunError(RunContext &c, long number, const std::string &description, RunReport &report) {
    c.err.Description = description;
    c.err.NoHourYet = c.NoHourYet;
    c.err.day = c.items.day;
    c.err.month = c.items.month;
    c.err.hour = c.s.hour;
    const RunMessage m = runMessage(number, c.err);
    report.error = m.text.empty() ? description : m.text;
    if (m.show) {
        if (m.buttons == Buttons::Ok) {
            c.ui.message(m.text, m.icon);
        } else {
            c.ui.question(m.text, m.buttons, m.icon, Answer::Cancel);
        }
    }
}

} // namespace

RunReport runTimeSeries(State &s, Interaction &ui, RunControl &control, RunObserver *observer) {
    RunReport report;
    RunFiles files;
    RunContext c(s, ui, control, observer, files);
    s.UserComments.clear();

    std::string error;
    if (!CheckPpbFactors(s, &error) || !SetUnitFactors(s, &error)) {
        ui.message(error, Icon::Critical);
        report.error = error;
        return report;
    }
    s.CalcOutputUnits = s.OutputUnit; // the statistics of this run are in these units
    if (TestVariableList(s)) {
        const Answer a =
            ui.question("One or more files has an empty Variable List.\r\nContinue without these files?",
                        Buttons::YesNo, Icon::Question, Answer::Yes);
        if (a != Answer::Yes) {
            report.outcome = RunOutcome::Declined;
            return report;
        }
        c.skipEmptyLists = true;
    }
    if (!s.TrafficTurbulence) {
        const Answer a =
            ui.question("Traffic Produced Turbulence is Off\r\nCases with wind speed=0 will be bypassed.",
                        Buttons::OkCancel, Icon::Information, Answer::Ok);
        if (a == Answer::Cancel) {
            control.requestStop();
            report.outcome = RunOutcome::Declined;
            return report;
        }
    }
    // A name on a drive of Windows is looked for nowhere: it names no file of
    // this system. A vehicle or fuel list named so set no emissions up: the
    // refusal names it, as the batch does, rather than the emissions.
    if (std::string refused = driveLetterName(s); !refused.empty()) {
        ui.message(refused, Icon::Critical);
        report.error = refused;
        return report;
    }
    if (s.EmissionInitError != 0) {
        report.error = "An error occured during initialisation of emissions!\r\nThe program execution will "
                       "be terminated";
        ui.message(report.error, Icon::Critical);
        return report;
    }
    if (!s.EmissionReady && !s.StdEmissionSetup) {
        report.error = "Emissions have not been initialised!\r\nThe program execution will be terminated";
        ui.message(report.error, Icon::Critical);
        return report;
    }

    // A single street's geometry comes from the project file (the streets and
    // route files check theirs as they are read).
    if (!s.MultiStreetMode && !s.RouteMode) {
        if (std::string problem = streetGeometryProblem(s); !problem.empty()) {
            report.error = "The street of the project cannot be calculated:\r\n" + problem;
            ui.message(report.error, Icon::Critical);
            return report;
        }
    }

    if (std::string problem = periodProblem(s); !problem.empty()) {
        // No hour can lie within the period: said as such, not as data that are missing.
        ui.message(problem, Icon::Critical);
        report.error = problem;
        report.outcome = RunOutcome::NoData;
        return report;
    }

    // Before anything is opened: an output must never be written over a file the run reads,
    // nor does a run create a folder.
    if (std::string refused = outputNamesRefusal(s); !refused.empty()) {
        ui.message(refused, Icon::Critical);
        report.error = refused;
        return report;
    }

    if (observer != nullptr) {
        observer->runStateChanged(true);
    }
    const std::string storedTrafficFile = s.TrafficFile;
    // The traffic given for the street: reading the traffic file puts the file's own in its place.
    const double givenTraffic = s.AnnualDiurnalTraffic;
    std::string notes; // what the reading passed over, said once the run has ended
    try {
        resizeHourArrays(s);
        c.VehCatCount = s.EmissionComponent.VehicleCategories.Count();
        s.CategoryEmission.assign(static_cast<std::size_t>(s.NPol + 1),
                                  std::vector<float>(static_cast<std::size_t>(c.VehCatCount) + 1, kMiss));
        for (StatVar &v : s.StatVarList) {
            for (int r = 1; r <= v.receptorCount(); ++r) {
                v.setValue(r, kMiss);
            }
        }
        readConditionsFile(c);
        openSources(c);
        streetLoop(c, report);
        for (const std::string &note : {c.streetsNote, inputNotes(c), periodNote(c)}) {
            if (!note.empty()) {
                notes += (notes.empty() ? "" : "\r\n\r\n") + note;
            }
        }
    } catch (const StopWhilePaused &) {
        report.outcome = RunOutcome::StoppedWhilePaused;
    } catch (const NoHourInPeriod &) {
        ui.message(kNoData, Icon::Information);
        report.outcome = RunOutcome::NoData;
        report.error = kNoData;
    } catch (const EndRun &e) {
        if (!e.error.empty()) {
            report.error = e.error;
        }
        if (report.outcome != RunOutcome::NoData && report.outcome != RunOutcome::NothingModelled) {
            report.outcome = RunOutcome::Failed;
        }
    } catch (const RunRefusal &r) {
        ui.message(r.text, Icon::Critical);
        report.error = r.text;
        report.outcome = RunOutcome::Failed;
    } catch (const RunError &e) {
        showRunError(c, e.number(), e.what(), report);
        report.outcome = RunOutcome::Failed;
    } catch (const std::exception &e) {
        showRunError(c, 5, e.what(), report);
        report.outcome = RunOutcome::Failed;
    }
    report.outputIncomplete = c.outputIncomplete;
    closeEverything(c);
    if (s.RouteMode || s.MultiStreetMode) {
        restoreStreet(s);
        // The project has no traffic file of its own: no traffic amount or
        // speed of the last street is left for the window to show.
        s.TrafficFileType = 1;
    } else {
        s.TrafficFile = storedTrafficFile;
    }
    if (report.outcome == RunOutcome::Completed || report.outcome == RunOutcome::Stopped) {
        // What labels the results of this run from now on, whatever the project is given next.
        s.CalcCitySize = s.CitySize;
        s.CalcCitySizeName = results::citySizeName(s, s.CitySize);
        s.CalcTrafficFileType = s.TrafficFileType;
        s.CalcTrafficFile = s.TrafficFile;
        s.CalcAnnualDiurnalTraffic = givenTraffic;
    }
    if (observer != nullptr) {
        if (report.outcome == RunOutcome::Stopped) {
            observer->runStopped(report.lastDone);
        } else if (report.outcome == RunOutcome::StoppedWhilePaused) {
            observer->runStopped(std::string());
        }
        observer->runStateChanged(false);
    }
    if (!notes.empty()) {
        ui.message(notes, Icon::Information);
    }
    return report;
}

bool RunCalculation(State &state, RunControl &control, RunObserver &observer, Interaction &ui,
                    std::string *error) {
    const RunReport report = runTimeSeries(state, ui, control, &observer);
    // Every failure has been shown through ui already; *error stays empty so
    // that the caller does not show it a second time.
    if (error != nullptr) {
        error->clear();
    }
    return report.outcome == RunOutcome::Completed || report.outcome == RunOutcome::Stopped;
}

} // namespace vesk
