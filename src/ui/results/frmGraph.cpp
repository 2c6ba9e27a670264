#include "ui/results/frmGraph.h"

#include "core/Paths.h"
#include "run/State.h"

#include <QFileInfo>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

namespace vesk::ui {

GraphBox::GraphBox(const GraphContent &graph, QWidget *parent) : QWidget(parent), m_graph(graph) {
    setObjectName(QStringLiteral("boxGraph"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage GraphBox::picture() const {
    return renderGraph(size(), m_graph);
}

void GraphBox::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    DrawGraph(painter, rect(), logicalDpiX(), logicalDpiY(), m_graph);
}

frmGraph::frmGraph(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmGraph"));
    setWindowTitle(QStringLiteral("New Window"));
    Picture1 = new QScrollArea(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setWidgetResizable(false);
    Picture1->setBackgroundRole(QPalette::Dark);
    boxGraph = new GraphBox(m_graph, Picture1);
    Picture1->setWidget(boxGraph);
    HScroll1 = Picture1->horizontalScrollBar();
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    VScroll1 = Picture1->verticalScrollBar();
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Picture1);
    const QSize design = designSize();
    ArrangeScrollBars(design.height(), design.width());
}

QSize frmGraph::designSize() const {
    return {static_cast<int>(std::lround(kGraphDesignWidth_tw * logicalDpiX() / 1440.0)),
            static_cast<int>(std::lround(kGraphDesignHeight_tw * logicalDpiY() / 1440.0))};
}

bool frmGraph::Form_Load(const State &state, const std::string &graphFile, std::string *message) {
    // The results of the last Special Mode run are read where it wrote them, even when the
    // project has been saved into another folder since.
    const std::string &folder = state.SpecialResultsDir.empty() ? state.WorkDir : state.SpecialResultsDir;
    GraphDescriptor descriptor;
    if (ReadGraphDescriptor(folder, state.AppDir, graphFile, &descriptor, message) !=
        DescriptorStatus::Read) {
        return false;
    }
    GraphContent graph;
    const std::string dataPath = findExisting(joinPath(nativePath(folder), descriptor.dataFile));
    if (!ReadGraphFile(dataPath, &graph.data, message)) {
        return false;
    }
    graph.labels.title = descriptor.title;
    graph.labels.speeds = graphLegendSpeeds(
        state.WindSpeeds.data(), std::min(state.WindSpeedCount, kMaxWindSpeeds), graph.data.curveCount());
    graph.labels.normalised = state.Normalise;
    graph.yAxisMax = graphAxisMaximum(graph.data.yMax);
    const QFileInfo data(QString::fromStdString(dataPath));
    m_dataPath = dataPath;
    m_dataModified = data.lastModified();
    m_dataSize = data.size();
    m_graphFile = graphFile;
    m_descriptor = std::move(descriptor);
    m_graph = std::move(graph);
    boxGraph->update();
    return true;
}

bool frmGraph::dataFileChanged() const {
    if (m_dataPath.empty()) {
        return false;
    }
    const QFileInfo data(QString::fromStdString(m_dataPath));
    return !data.exists() || data.lastModified() != m_dataModified || data.size() != m_dataSize;
}

bool frmGraph::reload(const State &state, std::string *message) {
    const std::string graphFile = m_graphFile;
    if (!Form_Load(state, graphFile, message)) {
        return false;
    }
    if (m_fitting) {
        Zoom();
    }
    return true;
}

void frmGraph::Zoom() {
    m_fitting = true;
    const QSize room = Picture1->maximumViewportSize();
    const QSize design = designSize();
    // The whole page in view: the height that also lets the width fit.
    const double fitHeight =
        std::min<double>(room.height(), static_cast<double>(room.width()) * design.height() / design.width());
    const GraphSize size = graphZoomSize(fitHeight, design.height(), design.width());
    ArrangeScrollBars(static_cast<int>(std::lround(size.height)), static_cast<int>(std::lround(size.width)));
}

void frmGraph::ActualSize() {
    m_fitting = false;
    const QSize design = designSize();
    ArrangeScrollBars(design.height(), design.width());
}

void frmGraph::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (m_fitting) {
        Zoom();
    }
}

void frmGraph::ArrangeScrollBars(int height, int width) {
    boxGraph->setFixedSize(std::max(width, 1), std::max(height, 1));
    boxGraph->update();
}

bool frmGraph::PrintGraph(QPrinter &printer, const QString &folder, QString *error, QString *note) {
    return printGraph(printer, m_graph, folder, error, note);
}

QImage frmGraph::picture() const {
    return boxGraph->picture();
}

} // namespace vesk::ui
