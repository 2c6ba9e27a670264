#pragma once

// A calculation run on a worker thread. The run polls the RunControl flags
// once per record; its progress and its end reach the window through queued
// signals, so the window repaints and answers Pause and Stop during the run.
// Questions the run asks go through QtInteraction, which waits for the
// answer on the user-interface thread.

#include "run/RunControl.h"

#include <QObject>
#include <QThread>
#include <chrono>
#include <functional>
#include <string>

namespace vesk {
struct State;
class Interaction;
} // namespace vesk

namespace vesk::ui {

// The run itself: true when it reached its end. mode: 1 Calculation, 0 Special Mode.
using RunEntry = std::function<bool(State &, RunControl &, RunObserver &, Interaction &, std::string *error)>;

class RunThread : public QThread, public RunObserver {
    Q_OBJECT
public:
    RunThread(RunEntry entry, State &state, RunControl &control, Interaction &interaction,
              QObject *parent = nullptr);

    bool succeeded() const { return m_ok; }
    const std::string &error() const { return m_error; }
    // Read once the thread has finished: the run ended by Stop, and what it computed last.
    bool stopped() const { return m_stopped; }
    const std::string &lastDone() const { return m_lastDone; }

    // RunObserver, called on the worker thread.
    void progress(double fraction, const std::string &text) override;
    void runStateChanged(bool running) override;
    // Passed on at most every 100 ms (as the day reports of progress()): the
    // window shows the hour, not every hour.
    void hourDone(int day, int month, int hour) override;
    void runStopped(const std::string &lastDone) override;
    // Calls changeStatFile on the user-interface thread and waits for it.
    bool defineStatTable(int k) override;

    // The window's Change File on entry k of the statistics files (RunObserver::defineStatTable).
    std::function<bool(int k)> changeStatFile;

Q_SIGNALS:
    void progressed(double fraction, const QString &text);
    void hourShown(int day, int month, int hour);

protected:
    void run() override;

private:
    RunEntry m_entry;
    State &m_state;
    RunControl &m_control;
    Interaction &m_interaction;
    bool m_ok = false;
    std::string m_error;
    bool m_stopped = false;
    std::string m_lastDone;
    std::chrono::steady_clock::time_point m_lastHourShown{}, m_lastDayShown{};
};

} // namespace vesk::ui
