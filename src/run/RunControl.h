#pragma once

// Pause and Stop of a run. The GUI runs the engine on a worker thread and sets
// these flags from the user-interface thread; the run checks them once per
// input record (or Special Mode case), the workers of a parallel run each on
// their own: the checks read the flags without a lock. Waiting while paused
// blocks on a condition variable instead of spinning.
//
// Progress and window-state changes go the other way, through RunObserver.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

namespace vesk {

class RunControl {
public:
    void requestPause() {
        std::lock_guard lock(m_mutex);
        m_pause = true;
    }
    void requestContinue() {
        {
            std::lock_guard lock(m_mutex);
            m_pause = false;
        }
        m_wake.notify_all();
    }
    void requestStop() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
    }
    void reset() {
        std::lock_guard lock(m_mutex);
        m_pause = false;
        m_stop = false;
    }

    bool PauseRequested() const { return m_pause; }
    bool StopRequested() const { return m_stop; }

    // Blocks while a pause is requested and no stop. Returns true when the run
    // was paused at the moment of the call (a stop while paused then means
    // "write nothing more").
    bool waitWhilePaused() {
        std::unique_lock lock(m_mutex);
        const bool wasPaused = m_pause;
        ++m_held;
        m_wake.wait(lock, [this] { return !m_pause || m_stop; });
        --m_held;
        return wasPaused;
    }

    // The threads of the run blocked in waitWhilePaused now: a paused run
    // stands still once each of its threads that computes holds there.
    int threadsHeld() const { return m_held; }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    // Set under the mutex (so that a waiter cannot miss a change), read with or without it.
    std::atomic<bool> m_pause = false;
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_held = 0; // changed under the mutex
};

class RunObserver {
public:
    virtual ~RunObserver() = default;
    // fraction 0..1 of the run; text is the progress caption.
    virtual void progress(double /*fraction*/, const std::string & /*text*/) {}
    // The run started (true) or ended (false): the GUI locks and unlocks its window.
    virtual void runStateChanged(bool /*running*/) {}
    // An hour was computed (day 1..31, month 1..12, hour 1..24). Called once
    // an hour: an observer that shows it keeps the work small.
    virtual void hourDone(int /*day*/, int /*month*/, int /*hour*/) {}
    // The streets of a multi-street run are computed by `threads` threads
    // side by side (called once, before the first street is written; not
    // when the streets run one after the other).
    virtual void streetThreads(int /*threads*/) {}
    // The run ended because Stop was pressed. lastDone names what was computed
    // last (the hour, and the street of a multi-street or route project; the
    // wind direction in Special Mode); empty when the run was stopped while
    // paused and left the files of the previous run as they were.
    virtual void runStopped(const std::string & /*lastDone*/) {}
    // Entry k (1..) of the statistics files names a workbook or database
    // without its table, and the user chose to define it now: the window
    // selects the entry and opens Change File for it, and the run, which
    // waits meanwhile, opens the file again under the name it then has. True
    // when Change File was opened; false (the default: no window) ends the run.
    virtual bool defineStatTable(int /*k*/) { return false; }
};

} // namespace vesk
