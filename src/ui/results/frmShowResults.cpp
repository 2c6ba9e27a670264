// The results window: layout, loading from the run, page switching, the
// comments panel and closing. Result files are in frmShowResultsFiles.cpp,
// printing in frmShowResultsPrint.cpp.

#include "ui/results/frmShowResults.h"

#include "core/Interaction.h"
#include "core/Settings.h"
#include "run/results/ResultsChoices.h"
#include "ui/common/DisplayText.h"
#include "ui/common/EngineState.h"
#include "ui/common/ScreenFit.h"
#include "ui/results/ResultsTableModel.h"
#include "ui/results/ResultsTablePainter.h"
#include "ui/results/frmFormatColumns.h"
#include "ui/results/frmFormatNumbers.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

namespace vesk::ui {

namespace {

QAction *menuItem(QMenu *menu, const char *name, const QString &caption) {
    QAction *a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

} // namespace

frmShowResults::frmShowResults(State &state, Interaction &interaction, Settings &settings, QWidget *parent)
    : QDialog(parent), m_state(state), m_interaction(interaction), m_settings(settings) {
    setObjectName(QStringLiteral("frmShowResults"));
    m_run.source = results::runStatSource(state);
    m_run.facts = results::keyInfoFactsFrom(state);
    m_run.recHeight = state.RecHeight;
    setupUi();
}

frmShowResults::~frmShowResults() {
    Form_Unload();
}

void frmShowResults::setupUi() {
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 8);

    auto *bar = new QMenuBar(this);
    layout->setMenuBar(bar);
    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menFile"));
    connect(menuItem(file, "menOpen", QStringLiteral("Open")), &QAction::triggered, this,
            &frmShowResults::menOpen_Click);
    file->addSeparator();
    connect(menuItem(file, "menSave", QStringLiteral("Save")), &QAction::triggered, this,
            &frmShowResults::menSave_Click);
    file->addSeparator();
    connect(menuItem(file, "menPrint", QStringLiteral("Print")), &QAction::triggered, this,
            &frmShowResults::menPrint_Click);
    QMenu *format = bar->addMenu(QStringLiteral("Format"));
    format->setObjectName(QStringLiteral("menFormat"));
    connect(menuItem(format, "menNumbers", QStringLiteral("Numbers")), &QAction::triggered, this,
            &frmShowResults::menNumbers_Click);
    menColumns = menuItem(format, "menColumns", QStringLiteral("Columns"));
    connect(menColumns, &QAction::triggered, this, &frmShowResults::menColumns_Click);
    menWindow = bar->addMenu(QStringLiteral("&Window"));
    menWindow->setObjectName(QStringLiteral("menWindow"));
    addWindowItem(QString());
    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("menHelp"));
    QAction *helpTopic = menuItem(help, "menHelpResults", QStringLiteral("Results Summary Help"));
    helpTopic->setShortcut(QKeySequence::HelpContents);
    connect(helpTopic, &QAction::triggered, this, [this] {
        if (showHelp) {
            showHelp(kHelpContext);
        }
    });

    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setIconSize(QSize(20, 20));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const struct {
        const char *key, *caption, *tip;
        QStyle::StandardPixmap icon;
    } keys[] = {{"Save", "Save", "Save Results", QStyle::SP_DialogSaveButton},
                {"Open", "Open", "Open Saved Results File", QStyle::SP_DialogOpenButton},
                {"Print", "Print", "Print Results", QStyle::SP_FileDialogDetailedView}};
    for (const auto &k : keys) {
        QAction *a = Toolbar1->addAction(style()->standardIcon(k.icon), QString::fromLatin1(k.caption));
        a->setObjectName(QString::fromLatin1(k.key));
        a->setToolTip(QString::fromLatin1(k.tip));
        const QString key = QString::fromLatin1(k.key);
        connect(a, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
    }
    layout->addWidget(Toolbar1);

    txtKeyInfo = new QPlainTextEdit(this);
    txtKeyInfo->setObjectName(QStringLiteral("txtKeyInfo"));
    txtKeyInfo->setReadOnly(true);
    txtKeyInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtKeyInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QFontMetrics metrics(txtKeyInfo->font());
    txtKeyInfo->setFixedHeight(metrics.lineSpacing() * 5 + 14);
    txtKeyInfo->viewport()->installEventFilter(this);
    layout->addWidget(txtKeyInfo);

    auto *row = new QHBoxLayout;
    auto *pageLabel = new QLabel(QStringLiteral("Page:"), this);
    cmbPage = new QComboBox(this);
    cmbPage->setObjectName(QStringLiteral("cmbPage"));
    cmbPage->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    pageLabel->setBuddy(cmbPage);
    connect(cmbPage, &QComboBox::currentIndexChanged, this, &frmShowResults::cmbPage_Click);
    btnComments = new QPushButton(QStringLiteral("&User Comments"), this);
    btnComments->setObjectName(QStringLiteral("btnComments"));
    btnComments->setAutoDefault(false);
    connect(btnComments, &QPushButton::clicked, this, &frmShowResults::btnComments_Click);
    row->addWidget(pageLabel);
    row->addWidget(cmbPage);
    row->addStretch(1);
    row->addWidget(btnComments);
    layout->addLayout(row);

    m_model = new ResultsTableModel(this);
    MSFlexGrid1 = new QTableView(this);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setModel(m_model);
    MSFlexGrid1->horizontalHeader()->hide();
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->setSelectionMode(QAbstractItemView::NoSelection);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->setFocusPolicy(Qt::NoFocus);
    MSFlexGrid1->setWordWrap(false);
    MSFlexGrid1->setStyleSheet(QStringLiteral("QTableView { gridline-color: #969696; background: white; }"));
    layout->addWidget(MSFlexGrid1, 1);

    // The notes below the table: one a line, in a box of at most
    // kNoteLines lines that scrolls, so that a page of many notes (a
    // statistic missing from every column of a file) leaves the table its
    // room, and a long text of notes costs no layout of a wrapped label.
    lblNotes = new QPlainTextEdit(this);
    lblNotes->setObjectName(QStringLiteral("lblNotes"));
    lblNotes->setReadOnly(true);
    lblNotes->setFrameShape(QFrame::NoFrame);
    lblNotes->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    lblNotes->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    lblNotes->setBackgroundVisible(false);
    lblNotes->viewport()->setAutoFillBackground(false);
    lblNotes->setVisible(false);
    layout->addWidget(lblNotes);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setFrameShadow(QFrame::Raised);
    Frame1->setAutoFillBackground(true);
    auto *panel = new QVBoxLayout(Frame1);
    panel->setContentsMargins(4, 4, 4, 4);
    Frame4 = new QFrame(Frame1);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    Frame4->setCursor(Qt::SizeAllCursor);
    Frame4->installEventFilter(this);
    auto *title = new QHBoxLayout(Frame4);
    title->setContentsMargins(4, 0, 0, 0);
    title->addWidget(new QLabel(QStringLiteral("<b>User Comments</b>"), Frame4), 1);
    btnClose = new QPushButton(QStringLiteral("X"), Frame4);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    btnClose->setFixedWidth(28);
    connect(btnClose, &QPushButton::clicked, this, &frmShowResults::btnClose_Click);
    title->addWidget(btnClose);
    panel->addWidget(Frame4);
    txtComments = new QPlainTextEdit(Frame1);
    txtComments->setObjectName(QStringLiteral("txtComments"));
    panel->addWidget(txtComments);
    Frame1->resize(460, 220);
    Frame1->hide();

    resize(1240, 640);
}

QAction *frmShowResults::addWindowItem(const QString &caption) {
    QAction *item = menWindow->addAction(caption);
    const int index = static_cast<int>(menNewFile.size());
    item->setObjectName(QStringLiteral("menNewFile_%1").arg(index));
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, [this, index] { menNewFile_Click(index); });
    menNewFile.push_back(item);
    return item;
}

bool frmShowResults::Form_Load() {
    FileItemCount = 0;
    LastResultFolder = m_state.WorkDir;
    if (LastResultFolder.empty()) {
        LastResultFolder = m_settings.value("Files", "LastPath");
    }
    if (m_state.OpenSavedResults) {
        menNewFile[0]->setVisible(false);
        menOpen_Click();
        m_state.OpenSavedResults = false;
        if (OpenError == 0) {
            fitToTable();
        }
        return OpenError == 0;
    }
    ReLoad();
    menNewFile[0]->setText(QString::fromStdString(m_state.ResultFileName));
    menNewFile[0]->setVisible(true);
    checkWindowItem(0);
    OpenedItem = ShownItem = 0;
    fitToTable();
    return true;
}

void frmShowResults::fitToTable() {
    const int width = twipsToPixels(GridWidth) + 2 * layout()->contentsMargins().left() + 24;
    resize(QSize(std::max(width, 760), height()).boundedTo(roomForWindow(this)));
}

void frmShowResults::ReLoad() {
    results::resetPercentileHideFlags(m_state);
    ResultComments = m_state.UserComments;
    if (!Frame1->isHidden()) {
        txtComments->setPlainText(
            QString::fromStdString(ResultComments).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }
    LastPageIndex = m_state.NumReceptors;
    m_state.ResultsFromFile = false;
    menColumns->setEnabled(true);
    fillPageList(results::resultsPageNames(m_state.NumReceptors, m_run.recHeight));
    m_streetShown = m_run.facts.streetName;
    setWindowTitle(QString::fromStdString(results::resultsCaption(
        displayText(m_run.facts.streetName).toStdString(), m_run.facts.calcTime, m_state.ResultFileName)));
    CurrentPage = 0;
    WriteResults();
    showRunKeyInfo();
}

void frmShowResults::showRunKeyInfo() {
    const QFontMetrics metrics(txtKeyInfo->font());
    const double width = txtKeyInfo->viewport()->width() - 2 * txtKeyInfo->document()->documentMargin();
    // The street's name as the box shows it: a name of many characters is
    // neither measured nor laid out whole.
    results::KeyInfoFacts facts = m_run.facts;
    facts.streetName = displayText(facts.streetName).toStdString();
    const std::vector<std::string> lines = results::keyInfoLines(facts, width, [&](std::string_view t) {
        return metrics.horizontalAdvance(QString::fromUtf8(t));
    });
    QStringList shown;
    for (const std::string &line : lines) {
        shown << displayText(line, kDisplayLineChars);
    }
    txtKeyInfo->setPlainText(shown.join(QLatin1Char('\n')));
}

void frmShowResults::fillPageList(const std::vector<std::string> &names) {
    SuppressPageClick = true;
    cmbPage->clear();
    for (const std::string &name : names) {
        cmbPage->addItem(QString::fromStdString(name));
    }
    cmbPage->setCurrentIndex(0);
    SuppressPageClick = false;
}

results::ResultsPage frmShowResults::pageFor(int page) const {
    if (m_state.ResultsFromFile) {
        if (page < 0 || static_cast<std::size_t>(page) >= PageLines.pages.size()) {
            return {};
        }
        return results::storedResultsPage(
            PageLines.pages[static_cast<std::size_t>(page)], m_state.NumberFormat,
            {m_state.LimValColDCHourly, m_state.LimValColDCRun8, m_state.LimValColDCDaily},
            results::hiddenColumnNames(m_state));
    }
    return results::buildResultsPage(m_state, m_run.source, page);
}

results::PageTexts frmShowResults::fileTexts(int page) const {
    if (m_state.ResultsFromFile) {
        // As read: the file's own numbers and columns, whatever the window shows of them.
        return page >= 0 && static_cast<std::size_t>(page) < PageLines.pages.size()
                   ? PageLines.pages[static_cast<std::size_t>(page)]
                   : results::PageTexts();
    }
    return results::buildResultsPage(m_state, m_run.source, page, results::PageUse::File).texts();
}

void frmShowResults::showPage(results::ResultsPage page) {
    // The first column as wide as its longest text, limit titles included: nothing is cut off.
    widenColumnsToFit(page, MSFlexGrid1->font(), MSFlexGrid1->viewport(), 1.0 / 15.0);
    MSFlexGrid1->setUpdatesEnabled(false);
    m_model->setPage(std::move(page));
    m_model->applyLayout(MSFlexGrid1);
    showNotes(m_model->page().notes);
    MSFlexGrid1->setUpdatesEnabled(true);
    FitGrid();
}

void frmShowResults::showNotes(const std::vector<std::string> &notes) {
    QString text;
    for (const std::string &note : notes) {
        text += (text.isEmpty() ? QStringLiteral("Notes: ") : QStringLiteral("\n")) +
                QString::fromStdString(note);
    }
    lblNotes->setPlainText(text);
    fitNotes();
    lblNotes->setVisible(!notes.empty());
}

void frmShowResults::fitNotes() {
    // As high as its notes (one line each, more where a long one wraps at
    // the box's width), and never more than kNoteLines: the rest scrolls.
    // Only the first kNoteLines notes are measured, however many there are.
    const QFontMetrics metrics(lblNotes->font());
    const int margin = static_cast<int>(lblNotes->document()->documentMargin());
    const int width = lblNotes->viewport()->width() - 2 * margin;
    int lines = 0;
    for (QTextBlock block = lblNotes->document()->begin(); block.isValid() && lines < kNoteLines;
         block = block.next()) {
        const int advance = metrics.horizontalAdvance(block.text());
        lines += width > 0 ? std::max(1, (advance + width - 1) / width) : 1;
    }
    lines = std::clamp(lines, 1, kNoteLines);
    lblNotes->setFixedHeight(metrics.lineSpacing() * lines + 2 * margin + 2 * lblNotes->frameWidth());
}

void frmShowResults::WriteResults() {
    showPage(results::buildResultsPage(m_state, m_run.source, CurrentPage));
}

void frmShowResults::ShowNew() {
    showPage(pageFor(CurrentPage));
}

void frmShowResults::RedrawTable() {
    if (m_state.ResultsFromFile) {
        ShowNew();
    } else {
        WriteResults();
    }
}

void frmShowResults::FitGrid() {
    GridWidth = m_model->page().gridWidthTwips();
    GridHeight = m_model->page().gridHeightTwips();
    const int width = twipsToPixels(GridWidth) + 4;
    MSFlexGrid1->setMaximumWidth(width);
    MSFlexGrid1->setMaximumHeight(twipsToPixels(GridHeight) + 4);
}

void frmShowResults::cmbPage_Click(int index) {
    if (SuppressPageClick || index < 0) {
        return;
    }
    CurrentPage = index;
    RedrawTable();
}

void frmShowResults::menNumbers_Click() {
    frmFormatNumbers dialog(
        m_state, [this] { RedrawTable(); }, this);
    dialog.exec();
    RedrawTable();
}

void frmShowResults::menColumns_Click() {
    frmFormatColumns dialog(
        m_state, [this] { RedrawTable(); }, this);
    dialog.exec();
    RedrawTable();
}

void frmShowResults::Toolbar1_ButtonClick(const QString &key) {
    if (key.compare(QLatin1String("Save"), Qt::CaseInsensitive) == 0) {
        menSave_Click();
    } else if (key.compare(QLatin1String("Print"), Qt::CaseInsensitive) == 0) {
        menPrint_Click();
    } else if (key.compare(QLatin1String("Open"), Qt::CaseInsensitive) == 0) {
        menOpen_Click();
    }
}

// ---- Comments panel -----------------------------------------------------------

std::string frmShowResults::commentsText() const {
    return !Frame1->isHidden() ? txtComments->toPlainText().toStdString() : ResultComments;
}

void frmShowResults::btnComments_Click() {
    if (!Frame1->isHidden()) {
        btnClose_Click();
        return;
    }
    txtComments->setPlainText(
        QString::fromStdString(ResultComments).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    placeCommentsPanel();
    Frame1->show();
    Frame1->raise();
    txtComments->setFocus();
}

void frmShowResults::btnClose_Click() {
    ResultComments = txtComments->toPlainText().toStdString();
    if (!menNewFile.empty() && menNewFile[0]->isChecked()) {
        m_state.UserComments = ResultComments;
    }
    Frame1->hide();
}

void frmShowResults::placeCommentsPanel() {
    const QPoint below = MSFlexGrid1->geometry().topLeft();
    Frame1->move(std::max(0, (width() - Frame1->width()) / 2), below.y() + 20);
}

bool frmShowResults::eventFilter(QObject *watched, QEvent *event) {
    if (watched == txtKeyInfo->viewport() && event->type() == QEvent::Resize && !m_state.ResultsFromFile &&
        !menNewFile.empty() && menNewFile[0]->isChecked()) {
        // The first key-information line spreads over the box as wide as it is now.
        showRunKeyInfo();
        return false;
    }
    if (watched == Frame4) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_dragging = true;
            m_dragStart = mouse->globalPosition().toPoint() - Frame1->pos();
            return true;
        case QEvent::MouseMove:
            if (m_dragging) {
                Frame1->move(mouse->globalPosition().toPoint() - m_dragStart);
            }
            return m_dragging;
        case QEvent::MouseButtonRelease:
            m_dragging = false;
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmShowResults::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    if (lblNotes && !lblNotes->isHidden()) {
        fitNotes(); // a long note wraps anew
    }
    if (Frame1 && !Frame1->isHidden() && !rect().contains(Frame1->geometry())) {
        placeCommentsPanel();
    }
}

void frmShowResults::Form_Unload() {
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    if (!Frame1->isHidden()) {
        btnClose_Click();
    }
    if (!menNewFile.empty() && menNewFile[0]->isChecked()) {
        m_state.UserComments = ResultComments;
    }
    m_state.ResultsFromFile = false;
}

void frmShowResults::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

} // namespace vesk::ui
