#include "ui/mainwindow/RunThread.h"

#include "project/Batch.h"
#include "ui/mainwindow/EngineState.h"

#include <exception>

namespace vesk::ui {

RunThread::RunThread(RunEntry entry, State &state, RunControl &control, Interaction &interaction,
                     QObject *parent)
    : QThread(parent), m_entry(std::move(entry)), m_state(state), m_control(control),
      m_interaction(interaction) {}

void RunThread::progress(double fraction, const std::string &text) {
    Q_EMIT progressed(fraction, QString::fromStdString(text));
}

void RunThread::runStateChanged(bool) {}

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
