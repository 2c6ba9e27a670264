// The Graphics command: the graph frame of the Special Mode results.

#include "ui/common/HelpSystem.h"
#include "ui/mainwindow/frmRun.h"
#include "ui/results/MDIGraphics.h"

namespace vesk::ui {

void frmRun::menGraphic_Click() {
    if (!m_graphics) {
        m_graphics = new MDIGraphics(m_state, m_interaction, this);
        m_graphics->setAttribute(Qt::WA_DeleteOnClose);
        m_graphics->showHelp = [this](long context) { m_help->showContext(m_graphics, context); };
    }
    m_graphics->show();
    m_graphics->raise();
    m_graphics->activateWindow();
}

MDIGraphics *frmRun::graphicsFrame() const {
    return m_graphics;
}

void frmRun::refreshGraphs() {
    if (m_graphics) {
        m_graphics->refreshAfterRun();
    }
}

} // namespace vesk::ui
