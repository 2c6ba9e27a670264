#include "ui/mainwindow/RunThread.h"

#include "project/Batch.h"
#include "ui/common/EngineState.h"

#include <exception>

namespace vesk::ui {

RunThread::RunThread(RunEntry entry, State &state, RunControl &control, Interaction &interaction,
                     QObject *parent)
    : QThread(parent), m_entry(std::move(entry)), m_state(state), m_control(control),
      m_interaction(interaction) {}

namespace {
constexpr auto kShowEvery = std::chrono::milliseconds(100);
}

void RunThread::progress(double fraction, const std::string &text) {
    // The day reports of a long run come by thousands a second: the bar
    // follows them at the pace of the eye. Other texts always pass.
    if (text.find('|') != std::string::npos) {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastDayShown < kShowEvery) {
            return;
        }
        m_lastDayShown = now;
    }
    Q_EMIT progressed(fraction, QString::fromStdString(text));
}

void RunThread::runStateChanged(bool) {}

void RunThread::hourDone(int day, int month, int hour) {
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastHourShown < kShowEvery) {
        return;
    }
    m_lastHourShown = now;
    Q_EMIT hourShown(day, month, hour);
}

void RunThread::runStopped(const std::string &lastDone) {
    m_stopped = true;
    m_lastDone = lastDone;
}

bool RunThread::defineStatTable(int k) {
    if (!changeStatFile) {
        return false;
    }
    bool opened = false;
    if (QThread::currentThread() == thread()) {
        opened = changeStatFile(k);
    } else {
        QMetaObject::invokeMethod(
            this, [&] { opened = changeStatFile(k); }, Qt::BlockingQueuedConnection);
    }
    return opened;
}

void RunThread::run() {
    try {
        m_ok = m_entry && m_entry(m_state, m_control, *this, m_interaction, &m_error);
    } catch (const std::exception &e) {
        m_ok = false;
        m_error = unexpectedErrorMessage(e.what());
    } catch (...) {
        m_ok = false;
        m_error = unexpectedErrorMessage("an error of unknown kind");
    }
}

} // namespace vesk::ui
