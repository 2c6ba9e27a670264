// The Graphics command: the graph frame of the Special Mode results.

#include "ui/common/HelpSystem.h"
#include "ui/common/ScreenFit.h"
#include "ui/mainwindow/frmRun.h"
#include "ui/results/MDIGraphics.h"

namespace vesk::ui {

void frmRun::menGraphic_Click() {
    if (!m_graphics) {
        m_graphics = new MDIGraphics(m_state, m_interaction, this);
        m_graphics->setAttribute(Qt::WA_DeleteOnClose);
        m_graphics->showHelp = [this](long context) { m_help->showContext(m_graphics, context); };
        placeOver(m_graphics, this);
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

void frmRun::closeProjectWindows() {
    // The graphs plot the Special Mode results of the project being left: no
    // old curves stay beside another project. The results windows are modal,
    // so none is open while a File command runs.
    MDIGraphics *frame = m_graphics;
    m_graphics = nullptr; // a Graphics command before the frame is deleted makes a new one
    if (frame) {
        frame->close();
    }
}

} // namespace vesk::ui
