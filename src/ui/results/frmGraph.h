#pragma once

// One graph window of the graph frame: reads a graph descriptor and the data
// file it names, and shows the graph in the picture boxGraph inside the
// scrolling viewport Picture1 (scroll bars HScroll1 and VScroll1). The graph
// can be fitted to the window (Zoom), shown at its design size (ActualSize),
// printed, copied and saved as a picture by the frame.

#include "ui/results/GraphPainter.h"

#include <QDateTime>
#include <QWidget>

#include <string>

class QPrinter;
class QScrollArea;
class QScrollBar;

namespace vesk {
struct State;
}

namespace vesk::ui {

// The picture: paints the graph at its own size.
class GraphBox : public QWidget {
    Q_OBJECT
public:
    GraphBox(const GraphContent &graph, QWidget *parent);
    QImage picture() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const GraphContent &m_graph;
};

class frmGraph : public QWidget {
    Q_OBJECT
public:
    explicit frmGraph(QWidget *parent = nullptr);

    // Reads the descriptor graphFile (working folder, else program folder) and
    // its data file (working folder) of state; takes the state's wind speeds
    // and normalisation for the legend and the y label as they are now. False
    // with the message to show when the graph cannot be read.
    bool Form_Load(const State &state, const std::string &graphFile, std::string *message);
    // The descriptor this window was loaded with ("nox_1.gor").
    const std::string &graphFile() const { return m_graphFile; }
    // True when the data file is no longer the one drawn: rewritten, or gone.
    bool dataFileChanged() const;
    // Reads the descriptor and its data file again; on failure the graph
    // drawn stays and message says why.
    bool reload(const State &state, std::string *message);

    const GraphContent &graph() const { return m_graph; }
    const GraphDescriptor &descriptor() const { return m_descriptor; }
    // Design size of the picture in screen pixels ("Actual Size").
    QSize designSize() const;

    // Fits the graph into the viewport (0.9 of its room) at the design
    // proportions; it keeps fitting while the window is resized, until ActualSize.
    void Zoom();
    // Shows the graph at its design size.
    void ActualSize();
    // Sizes the picture to height × width pixels: centred in the viewport where
    // it is smaller, scrolled where it is larger.
    void ArrangeScrollBars(int height, int width);
    // Prints the graph (a relative name of a file printed into lies in
    // folder); false with the reason when printing failed (printGraph).
    bool PrintGraph(QPrinter &printer, const QString &folder, QString *error, QString *note);
    // The picture at its current size.
    QImage picture() const;

    QScrollArea *Picture1 = nullptr;
    GraphBox *boxGraph = nullptr;
    QScrollBar *HScroll1 = nullptr;
    QScrollBar *VScroll1 = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool m_fitting = false; // Zoom was chosen last
    GraphContent m_graph;
    GraphDescriptor m_descriptor;
    std::string m_graphFile;
    std::string m_dataPath;
    QDateTime m_dataModified; // of the data file as read
    qint64 m_dataSize = -1;
};

} // namespace vesk::ui
