#include "ui/results/MDIGraphics.h"

#include "core/Interaction.h"
#include "project/Lifecycle.h"
#include "run/State.h"
#include "ui/common/PictureFile.h"
#include "ui/results/frmGraph.h"
#include "ui/results/frmSelGraph.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>

namespace vesk::ui {

namespace {
const char *const kGraphFiles[] = {"", "nox_1.gor", "nox_2.gor"};
}

MDIGraphics::MDIGraphics(const State &state, Interaction &interaction, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_interaction(interaction) {
    setObjectName(QStringLiteral("MDIGraphics"));
    setWindowTitle(QStringLiteral("Graphics"));
    setWindowFlag(Qt::Window, true);
    mdiArea = new QMdiArea(this);
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(mdiArea);
    setupMenus();
    connect(mdiArea, &QMdiArea::subWindowActivated, this, &MDIGraphics::updateMenus);
    choosePrinter = [this](QPrinter &printer) {
        PrintDialog dialog(&printer, QString::fromStdString(openProjectFolder(m_state)), this);
        return dialog.exec() == QDialog::Accepted;
    };
    runSelection = [](frmSelGraph &dialog) { dialog.exec(); };
    updateMenus();
    resize(960, 680);
}

MDIGraphics::~MDIGraphics() {
    // The graph windows go with the frame: their ends need no menu update.
    disconnect(mdiArea, nullptr, this, nullptr);
    for (const QPointer<QMdiSubWindow> &window : m_windows) {
        if (window) {
            disconnect(window, nullptr, this, nullptr);
        }
    }
}

void MDIGraphics::setupMenus() {
    auto makeMenu = [this](QMenu *parentMenu, const char *name, const QString &title) {
        QMenu *m = parentMenu ? parentMenu->addMenu(title) : menuBar()->addMenu(title);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [this](QMenu *m, const char *name, const QString &caption, void (MDIGraphics::*handler)()) {
        QAction *a = m->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (handler) {
            connect(a, &QAction::triggered, this, handler);
        }
        return a;
    };
    QMenu *file = makeMenu(nullptr, "menFile", QStringLiteral("&File"));
    item(file, "menSave", QStringLiteral("&Save"), &MDIGraphics::menSave_Click);
    QAction *saveAs = item(file, "menSaveAs", QStringLiteral("Save As"), nullptr);
    connect(saveAs, &QAction::triggered, this, [this] { menSaveAs_Click(); });
    QAction *print = item(file, "menPrint", QStringLiteral("Print"), nullptr);
    connect(print, &QAction::triggered, this, [this] { menPrint_Click(); });
    QMenu *results = makeMenu(file, "menResultsList", QStringLiteral("Results"));
    for (int i = 1; i <= 2; ++i) {
        QAction *a = results->addAction(QStringLiteral("NOX .. WindDir (Receptor %1)").arg(i));
        a->setObjectName(QStringLiteral("menResults_%1").arg(i));
        connect(a, &QAction::triggered, this, [this, i] { menResults_Click(i); });
    }
    file->addSeparator();
    item(file, "menExit", QStringLiteral("E&xit"), &MDIGraphics::menExit_Click);

    QMenu *edit = makeMenu(nullptr, "menEdit", QStringLiteral("&Edit"));
    item(edit, "menSelectGraph", QStringLiteral("Select Graph"), nullptr)->setEnabled(false);
    item(edit, "menCopy", QStringLiteral("&Copy"), &MDIGraphics::menCopy_Click);

    QMenu *view = makeMenu(nullptr, "menView", QStringLiteral("&View"));
    item(view, "menZoom", QStringLiteral("Zoom Page"), &MDIGraphics::menZoom_Click);
    item(view, "menActualSize", QStringLiteral("Actual Size"), &MDIGraphics::menActualSize_Click);

    QMenu *window = makeMenu(nullptr, "menWindow", QStringLiteral("&Window"));
    item(window, "menNewWindow", QStringLiteral("&New Window"), &MDIGraphics::menNewWindow_Click);
    item(window, "menCascade", QStringLiteral("Cascade"), &MDIGraphics::menCascade_Click);
    item(window, "menTileHorizontal", QStringLiteral("Tile Horizontal"),
         &MDIGraphics::menTileHorizontal_Click);
    item(window, "menTileVertical", QStringLiteral("Tile Vertical"), &MDIGraphics::menTileVertical_Click);

    QMenu *help = makeMenu(nullptr, "menHelp", QStringLiteral("&Help"));
    QAction *topic = help->addAction(QStringLiteral("Graphs Help"));
    topic->setObjectName(QStringLiteral("menHelpGraphs"));
    topic->setShortcut(QKeySequence::HelpContents);
    connect(topic, &QAction::triggered, this, [this] {
        if (showHelp) {
            showHelp(kHelpContext);
        }
    });
}

QAction *MDIGraphics::action(const QString &name) const {
    return findChild<QAction *>(name);
}

QMenu *MDIGraphics::menu(const QString &name) const {
    return findChild<QMenu *>(name);
}

int MDIGraphics::GraphWindowCount() const {
    return static_cast<int>(graphWindows().size());
}

std::vector<frmGraph *> MDIGraphics::graphWindows() const {
    std::vector<frmGraph *> out;
    for (const QPointer<QMdiSubWindow> &window : m_windows) {
        if (window && !window->isHidden()) {
            if (auto *graph = qobject_cast<frmGraph *>(window->widget())) {
                out.push_back(graph);
            }
        }
    }
    return out;
}

frmGraph *MDIGraphics::activeGraph() const {
    if (QMdiSubWindow *current = mdiArea->currentSubWindow()) {
        if (auto *graph = qobject_cast<frmGraph *>(current->widget()); graph && !current->isHidden()) {
            return graph;
        }
    }
    const std::vector<frmGraph *> windows = graphWindows();
    return windows.empty() ? nullptr : windows.back();
}

void MDIGraphics::updateMenus() {
    const bool any = GraphWindowCount() > 0;
    for (const char *name : {"menSave", "menSaveAs", "menPrint", "menCopy"}) {
        action(QString::fromLatin1(name))->setEnabled(any);
    }
    for (const char *name : {"menView", "menWindow"}) {
        menu(QString::fromLatin1(name))->menuAction()->setEnabled(any);
    }
}

frmGraph *MDIGraphics::openGraphWindow(const QString &caption) {
    auto *graph = new frmGraph;
    std::string message;
    if (!graph->Form_Load(m_state, GraphFile, &message)) {
        delete graph;
        m_interaction.message(message, Icon::Critical);
        return nullptr;
    }
    QMdiSubWindow *window = mdiArea->addSubWindow(graph);
    window->setAttribute(Qt::WA_DeleteOnClose);
    QPixmap noIcon(16, 16); // the caption alone, without the toolkit's logo
    noIcon.fill(Qt::transparent);
    window->setWindowIcon(QIcon(noIcon));
    window->setWindowTitle(caption);
    const QSize room = mdiArea->viewport()->size();
    window->resize(std::max(320, room.width() * 2 / 3), std::max(240, room.height() * 2 / 3));
    // Cascaded from the top left, but never hanging out of the frame.
    const int step = 24 * static_cast<int>(graphWindows().size() % 6);
    window->move(std::max(0, std::min(step, room.width() - window->width())),
                 std::max(0, std::min(step, room.height() - window->height())));
    m_windows.emplace_back(window);
    // A window counts until it is closed (hidden) or gone.
    connect(window, &QObject::destroyed, this, &MDIGraphics::updateMenus);
    connect(window, &QMdiSubWindow::windowStateChanged, this, &MDIGraphics::updateMenus);
    window->show();
    graph->Zoom();
    updateMenus();
    return graph;
}

void MDIGraphics::menResults_Click(int index) {
    if (index < 1 || index > 2) {
        return;
    }
    GraphFile = kGraphFiles[index];
    // A side already plotted is brought forward rather than opened twice
    // ("New Window" is the way to a second window of the same graph).
    for (const QPointer<QMdiSubWindow> &window : m_windows) {
        auto *graph = window ? qobject_cast<frmGraph *>(window->widget()) : nullptr;
        if (graph && !window->isHidden() && graph->graphFile() == GraphFile) {
            if (window->isMinimized()) {
                window->showNormal();
            }
            mdiArea->setActiveSubWindow(window);
            return;
        }
    }
    openGraphWindow(QString::fromStdString(GraphFile));
}

int MDIGraphics::refreshAfterRun() {
    int redrawn = 0;
    std::string closed;
    for (const QPointer<QMdiSubWindow> &window : m_windows) {
        auto *graph = window ? qobject_cast<frmGraph *>(window->widget()) : nullptr;
        if (!graph || window->isHidden() || !graph->dataFileChanged()) {
            continue;
        }
        std::string why;
        if (graph->reload(m_state, &why)) {
            ++redrawn;
            continue;
        }
        closed += "\r\n\r\n" + window->windowTitle().toStdString() + ": " + why;
        window->close();
    }
    updateMenus();
    if (!closed.empty()) {
        m_interaction.message("The run rewrote the data of these graphs, which could not be drawn again and "
                              "were closed:" +
                                  closed,
                              Icon::Exclamation);
    }
    return redrawn;
}

void MDIGraphics::menNewWindow_Click() {
    if (GraphWindowCount() > 0 && !GraphFile.empty()) {
        openGraphWindow(QStringLiteral("New Window"));
    }
}

void MDIGraphics::menSave_Click() {
    menSaveAs_Click();
}

bool MDIGraphics::menSaveAs_Click() {
    frmGraph *graph = activeGraph();
    if (!graph) {
        return false;
    }
    FileChoice choice;
    choice.title = "Save As";
    choice.field = "the picture file";
    choice.folder = m_state.WorkDir;
    choice.filters = {"Bitmap Picture (*.bmp)|*.bmp", "All (*.*)|*.*"};
    choice.save = true;
    const std::optional<std::string> path = m_interaction.chooseFile(choice);
    if (!path) {
        return false; // cancelled: nothing saved
    }
    QString error;
    if (!savePictureFile(graph->picture(), QString::fromStdString(*path), QStringLiteral("graph"), &error)) {
        m_interaction.message(error.toStdString(), Icon::Critical);
        return false;
    }
    return true;
}

bool MDIGraphics::menPrint_Click() {
    frmGraph *graph = activeGraph();
    if (!graph) {
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    const QString graphName = QFileInfo(QString::fromStdString(graph->graphFile())).completeBaseName();
    printer.setDocName(graphName);
    printer.setOutputFileName(
        offeredPrintFile(QString::fromStdString(openProjectFolder(m_state)), graphName));
    if (choosePrinter && !choosePrinter(printer)) {
        return false; // cancelled: nothing printed
    }
    QString error, note;
    if (!graph->PrintGraph(printer, QString::fromStdString(openProjectFolder(m_state)), &error, &note)) {
        m_interaction.message(error.toStdString(), Icon::Critical);
        return false;
    }
    if (!note.isEmpty()) {
        m_interaction.message(note.toStdString(), Icon::Information);
    }
    return true;
}

void MDIGraphics::menExit_Click() {
    close();
}

void MDIGraphics::menCopy_Click() {
    if (frmGraph *graph = activeGraph()) {
        QClipboard *clipboard = QApplication::clipboard();
        clipboard->clear();
        clipboard->setImage(graph->picture());
    }
}

void MDIGraphics::menZoom_Click() {
    if (frmGraph *graph = activeGraph()) {
        graph->Zoom();
    }
}

void MDIGraphics::menActualSize_Click() {
    if (frmGraph *graph = activeGraph()) {
        graph->ActualSize();
    }
}

void MDIGraphics::menCascade_Click() {
    mdiArea->cascadeSubWindows();
}

void MDIGraphics::menTileHorizontal_Click() {
    tile(Qt::Vertical);
}

void MDIGraphics::menTileVertical_Click() {
    tile(Qt::Horizontal);
}

// Horizontal tiles lie one above the other across the whole width (the
// windows follow each other downward); vertical tiles stand side by side.
void MDIGraphics::tile(Qt::Orientation orientation) {
    std::vector<QMdiSubWindow *> windows;
    for (QMdiSubWindow *w : mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (!w->isHidden() && !w->isMinimized()) {
            windows.push_back(w);
        }
    }
    if (windows.empty()) {
        return;
    }
    const QRect area = mdiArea->viewport()->rect();
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        windows[static_cast<std::size_t>(i)]->showNormal();
        QRect r;
        if (orientation == Qt::Vertical) {
            const int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
            r = QRect(0, top, area.width(), bottom - top);
        } else {
            const int left = area.width() * i / n, right = area.width() * (i + 1) / n;
            r = QRect(left, 0, right - left, area.height());
        }
        windows[static_cast<std::size_t>(i)]->setGeometry(r);
    }
}

void MDIGraphics::Form_Activate() {
    if (m_selectionShown) {
        return;
    }
    m_selectionShown = true;
    frmSelGraph dialog(this);
    runSelection(dialog);
    for (int index = 1; index <= 2; ++index) {
        if (dialog.sideChosen(index)) {
            menResults_Click(index);
        }
    }
    if (GraphWindowCount() > 1) {
        menTileVertical_Click(); // both sides next to each other, each in full view
    }
}

void MDIGraphics::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (!m_selectionShown) {
        QTimer::singleShot(0, this, &MDIGraphics::Form_Activate);
    }
}

} // namespace vesk::ui
