// The streets of a multi-street run on every core.
//
// Streets are independent: each computes in a working copy of the run's
// state (its street record, traffic and emissions, hour values, model
// results, statistics and day records), reading the run's shared parts (the
// kept hours, the bound files, the project, lists, options and unit
// factors) and writing nothing of them. Workers take the streets in order;
// the calling thread is the run's one writer and takes the finished streets
// in street order:
//
//   - a street's rows wait in its buffers until every street before it has
//     been written, so the files are the same for any number of threads;
//     at most a window of streets beyond the one being written is taken,
//     which bounds the memory whatever the number of streets;
//   - a street that must speak (a message or a question of its set-up or of
//     an hour) waits until every street before it has been written, so the
//     messages come, and are answered, in the order of one street after the
//     other;
//   - a street that fails ends the run at its place: the streets before it
//     are written, its failure is reported as it would be one street after
//     the other, and the streets after it are dropped;
//   - Pause holds every worker at its next hour; Stop lets each street in
//     flight finish its hour and its statistics, written in street order,
//     and starts no further street. A stop while paused ends at once.
//
// Progress reports the streets written of the total.

#include "calc/StreetRecords.h"
#include "run/HourStore.h"
#include "run/StreetRun.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace vesk::run {

namespace {

// A street abandoned because an earlier street ended the run.
struct Abandoned {};

// What a worker hands the writer for one street.
struct StreetResult {
    bool done = false;
    StreetRows rows;
    long hours = 0;
    long modelledHours = 0;
    bool stopped = false; // stopped during an hour
    std::string lastDone;
    std::vector<std::string> unmodelled; // the street, when it could model none of its hours
    RunFailure failure;
    int worker = -1;
};

// The streets handed out and the streets written, with the results in
// between. Streets are numbered from 1.
class StreetQueue {
public:
    StreetQueue(int streets, int window) : m_streets(streets), m_window(window) {}

    // The next street for a worker; 0 when there is none (all taken, stopped
    // or ended). Waits while the street lies a window beyond the writer.
    int take(RunControl &control) {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_closed || m_next > m_streets || m_next < m_head + m_window; });
        if (control.StopRequested()) {
            m_closed = true;
        }
        if (m_closed || m_next > m_streets) {
            m_closed = true;
            m_wake.notify_all();
            return 0;
        }
        return m_next++;
    }

    void finish(int street, StreetResult &&result) {
        {
            std::lock_guard lock(m_mutex);
            result.done = true;
            m_results[slot(street)] = std::move(result);
        }
        m_wake.notify_all();
    }

    // A worker's street may speak once every street before it is written.
    void waitForTurn(int street) {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_head == street || m_abandoned; });
        if (m_abandoned && m_head != street) {
            throw Abandoned{};
        }
    }

    // The writer: the result of the street, once done; nullptr when it was
    // never taken (the run was stopped before it).
    StreetResult *result(int street) {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_results[slot(street)].done || (m_closed && street >= m_next); });
        StreetResult &r = m_results[slot(street)];
        return r.done ? &r : nullptr;
    }

    // The writer has written the street: the next one may speak and workers
    // may take further streets.
    void written(int street) {
        {
            std::lock_guard lock(m_mutex);
            m_results[slot(street)] = StreetResult();
            m_head = street + 1;
        }
        m_wake.notify_all();
    }

    // No further street is taken.
    void close() {
        {
            std::lock_guard lock(m_mutex);
            m_closed = true;
        }
        m_wake.notify_all();
    }

    // The run ends: no further street, and the streets waiting to speak give up.
    void abandon() {
        {
            std::lock_guard lock(m_mutex);
            m_closed = m_abandoned = true;
        }
        m_wake.notify_all();
    }

    bool abandoned() const {
        std::lock_guard lock(m_mutex);
        return m_abandoned;
    }

private:
    std::size_t slot(int street) {
        if (m_results.size() < static_cast<std::size_t>(m_window)) {
            m_results.resize(static_cast<std::size_t>(m_window));
        }
        return static_cast<std::size_t>(street % m_window);
    }

    const int m_streets, m_window;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<StreetResult> m_results; // street k at k % window
    int m_next = 1, m_head = 1;
    bool m_closed = false, m_abandoned = false;
};

// The run's interaction for one worker: a street speaks in its turn.
class TurnInteraction : public Interaction {
public:
    TurnInteraction(Interaction &ui, StreetQueue &queue) : m_ui(ui), m_queue(queue) {}
    void setStreet(int street) { m_street = street; }

    void message(const std::string &text, Icon icon, const std::string &title) override {
        m_queue.waitForTurn(m_street);
        m_ui.message(text, icon, title);
    }
    Answer question(const std::string &text, Buttons buttons, Icon icon, Answer defaultAnswer,
                    const std::string &title) override {
        m_queue.waitForTurn(m_street);
        return m_ui.question(text, buttons, icon, defaultAnswer, title);
    }
    std::optional<std::string> inputBox(const std::string &prompt, const std::string &title,
                                        const std::string &defaultText) override {
        m_queue.waitForTurn(m_street);
        return m_ui.inputBox(prompt, title, defaultText);
    }
    std::optional<std::string> chooseFile(const FileChoice &choice) override {
        m_queue.waitForTurn(m_street);
        return m_ui.chooseFile(choice);
    }

private:
    Interaction &m_ui;
    StreetQueue &m_queue;
    int m_street = 0;
};

// A worker: its copy of the run's state, its context over the run's shared
// files and kept hours, and its own reader of the streets file.
class StreetWorker {
public:
    StreetWorker(int number, const RunContext &run, StreetQueue &queue)
        : m_number(number), m_state(run.s), m_ui(run.ui, queue),
          m_c(m_state, m_ui, run.control, nullptr, run.files), m_queue(queue) {
        m_c.skipEmptyLists = run.skipEmptyLists;
        m_c.hourStore = run.hourStore;
        m_c.VehCatCount = run.VehCatCount;
        m_c.StreetsFolder = run.StreetsFolder;
        m_c.StreetCount = run.StreetCount;
        m_c.ActiveStreetCount = run.ActiveStreetCount;
        resolveEmissionTables(m_c); // of the first street, set up in the copied state
        m_streets = std::make_unique<RecordReader>();
        std::string error;
        m_open = RecordReader::open(run.streetsFile->fileName(), m_streets.get(), &error);
    }

    void run() {
        const ChainFactors f = chainFactors(m_state); // views of this worker's own state
        for (;;) {
            const int street = m_queue.take(m_c.control);
            if (street == 0) {
                return;
            }
            StreetResult result = compute(street, f);
            const bool failed = static_cast<bool>(result.failure);
            m_queue.finish(street, std::move(result));
            if (failed) {
                m_queue.close();
                return;
            }
        }
    }

    const State &state() const { return m_state; }

private:
    StreetResult compute(int street, const ChainFactors &f) {
        StreetResult result;
        result.worker = m_number;
        result.rows.hourly.resize(m_c.outputs.size());
        result.rows.statistics.resize(m_c.stats.size());
        result.rows.unknown.resize(m_c.stats.size());
        m_c.rows = &result.rows;
        m_ui.setStreet(street);
        m_c.StreetNo = street;
        m_c.ModelledHours = 0;
        try {
            // The first street was set up in the run's state before the copies were made.
            if (street > 1) {
                moveToStreet(street);
                setUpTraffic(m_c);
            }
            startStreetStatistics(m_c);
            const bool active = streetCalculated(m_state);
            if (active) {
                PassStreetGeometry(m_state);
                m_c.NoHourYet = true;
                result.stopped = recordLoop(m_c, f, result.hours);
            }
            finishStreet(m_c, active, m_state.StreetName, &result.lastDone);
        } catch (...) {
            result.failure = RunFailure::current(m_c);
        }
        result.modelledHours = m_c.ModelledHours;
        result.unmodelled = std::move(m_c.unmodelled);
        m_c.unmodelled.clear();
        m_c.rows = nullptr;
        return result;
    }

    // Reads the streets file on to the street's record, into this worker's
    // state (the records passed over into a scratch part).
    void moveToStreet(int street) {
        if (!m_open) {
            throw RunError(kErrFileNotFound, "Cannot open " + m_c.streetsFile->fileName());
        }
        while (m_read < street - 1) {
            ReadStreetRecord(m_scratch, *m_streets);
            ++m_read;
        }
        m_c.StreetNo = street - 1;
        readStreet(m_c, *m_streets);
        ++m_read;
    }

    int m_number;
    State m_state;
    TurnInteraction m_ui;
    RunContext m_c;
    StreetQueue &m_queue;
    std::unique_ptr<RecordReader> m_streets;
    bool m_open = false;
    int m_read = 0; // records of the streets file read
    CalcState m_scratch;
};

} // namespace

std::optional<int> threadCountSetting(std::string_view text) {
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    int n = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9') {
            return std::nullopt; // no sign, blank, point or exponent
        }
        n = n * 10 + (ch - '0');
    }
    if (n < 1 || n > kMaxStreetThreads) {
        return std::nullopt;
    }
    return n;
}

int streetThreads(int streets) {
    int threads = 0;
    if (const char *text = std::getenv("WINVESK_THREADS"); text != nullptr && *text != '\0') {
        if (const std::optional<int> n = threadCountSetting(text)) {
            threads = *n;
        } else {
            std::fprintf(stderr,
                         "WinVESK: WINVESK_THREADS=\"%s\" is not a whole number of threads from 1 to %d; "
                         "the run goes on with the default, one thread per hardware thread.\n",
                         text, kMaxStreetThreads);
        }
    }
    if (threads == 0) {
        threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    }
    return std::max(1, std::min(threads, streets));
}

namespace {

// The values of the last street that a run leaves in its state for the
// results views and the next run, as one street after the other leaves them.
void takeStreetResults(State &s, const State &from) {
    s.StatVarList = from.StatVarList;
    s.DailyAverageList = from.DailyAverageList;
    s.Statistics = from.Statistics;
    s.FirstCalcDate = from.FirstCalcDate;
    s.LastCalcDate = from.LastCalcDate;
    s.CalcPeriod = from.CalcPeriod;
    s.DailyTrafficCalc = from.DailyTrafficCalc;
    s.TravelSpeedCalc = from.TravelSpeedCalc;
}

} // namespace

bool runStreetPool(RunContext &c, RunReport &report, int threads) {
    StreetQueue queue(c.StreetCount, 2 * threads);
    std::vector<std::unique_ptr<StreetWorker>> workers;
    for (int i = 0; i < threads; ++i) {
        workers.push_back(std::make_unique<StreetWorker>(i, c, queue));
    }
    std::vector<std::thread> running;
    running.reserve(workers.size());
    for (auto &w : workers) {
        running.emplace_back([&w] { w->run(); });
    }
    auto joinAll = [&] {
        queue.abandon();
        for (std::thread &t : running) {
            if (t.joinable()) {
                t.join();
            }
        }
    };
    struct JoinOnLeaving {
        std::function<void()> join;
        ~JoinOnLeaving() { join(); }
    } joinOnLeaving{joinAll};

    if (c.observer != nullptr) {
        c.observer->streetThreads(threads);
    }
    bool stopped = false;
    int lastWorker = -1;
    for (int street = 1; street <= c.StreetCount; ++street) {
        StreetResult *result = queue.result(street);
        if (result == nullptr) {
            // A stop came before this street was taken; while paused it writes nothing.
            if (c.control.PauseRequested()) {
                throw StopWhilePaused{};
            }
            stopped = true;
            break;
        }
        c.StreetNo = street;
        if (result->failure) {
            queue.abandon();
            writeStreetRows(c, result->rows);
            result->failure.rethrowIn(c);
        }
        writeStreetRows(c, result->rows);
        report.hours += result->hours;
        c.ModelledHours += result->modelledHours;
        c.unmodelled.insert(c.unmodelled.end(), result->unmodelled.begin(), result->unmodelled.end());
        ++report.streets;
        if (!result->lastDone.empty()) {
            report.lastDone = result->lastDone;
        }
        lastWorker = result->worker;
        if (result->stopped || c.control.StopRequested()) {
            stopped = true;
            queue.close();
        }
        if (street < c.StreetCount && !stopped) {
            // The run's own state reads the streets file along, for the captions.
            c.err.FilePath = c.streetsFile->fileName();
            ReadStreetRecord(c.s, *c.streetsFile);
            c.s.StreetName = c.s.CurrentStreetName;
            progress(c, static_cast<double>(street) / c.StreetCount,
                     "Calculating street #" + std::to_string(street + 1) + " out of " +
                         std::to_string(c.StreetCount) + ": " + c.s.StreetName);
        }
        queue.written(street);
    }
    joinAll();
    if (lastWorker >= 0) {
        takeStreetResults(c.s, workers[static_cast<std::size_t>(lastWorker)]->state());
    }
    return stopped;
}

} // namespace vesk::run
