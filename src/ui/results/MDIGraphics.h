#pragma once

// The graph frame "Graphics": a multiple-document window holding any number
// of graph windows of the last Special Mode run. On its first activation it
// asks which street sides to plot (frmSelGraph); its menus save, copy, print,
// zoom and arrange the graphs. The items that act on a graph are enabled
// exactly while a graph window is open.

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;

namespace vesk {
struct State;
class Interaction;
} // namespace vesk

namespace vesk::ui {

class frmGraph;
class frmSelGraph;

class MDIGraphics : public QMainWindow {
    Q_OBJECT
public:
    MDIGraphics(const State &state, Interaction &interaction, QWidget *parent = nullptr);
    ~MDIGraphics() override;

    QAction *action(const QString &name) const;
    QMenu *menu(const QString &name) const;

    // The descriptor the next graph window reads: "nox_1.gor" or "nox_2.gor".
    std::string GraphFile;
    // Graph windows open now.
    int GraphWindowCount() const;
    // The graph windows, oldest first.
    std::vector<frmGraph *> graphWindows() const;
    // The window the menu items act on: the active one, else the newest.
    frmGraph *activeGraph() const;

    // Results 1 (side 1) or 2 (side 2): opens a graph window for "nox_1.gor"
    // or "nox_2.gor", or brings forward the one already open.
    void menResults_Click(int index);
    // After a run: every graph whose data file the run rewrote is read and
    // drawn again; one that can no longer be read is closed, and a message
    // says which and why. Returns the number of graphs drawn again.
    int refreshAfterRun();
    void menSave_Click();
    bool menSaveAs_Click();
    bool menPrint_Click();
    void menExit_Click();
    void menCopy_Click();
    void menZoom_Click();
    void menActualSize_Click();
    void menNewWindow_Click();
    void menCascade_Click();
    void menTileHorizontal_Click();
    void menTileVertical_Click();
    // First activation after loading: the side selection.
    void Form_Activate();

    // How the printer is chosen; false when the user cancels. The default
    // shows the printer dialog.
    std::function<bool(QPrinter &)> choosePrinter;
    // Runs the side selection modally; the default shows the dialog.
    std::function<void(frmSelGraph &)> runSelection;
    // Shows a help topic by its context number (Help menu, F1); none = no help.
    std::function<void(long)> showHelp;
    static constexpr long kHelpContext = 621;

    QMdiArea *mdiArea = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setupMenus();
    // Opens a graph window for GraphFile with the caption; null when it could not be read.
    frmGraph *openGraphWindow(const QString &caption);
    void updateMenus();
    void tile(Qt::Orientation orientation);

    const State &m_state;
    Interaction &m_interaction;
    std::vector<QPointer<QMdiSubWindow>> m_windows;
    bool m_selectionShown = false;
};

} // namespace vesk::ui
