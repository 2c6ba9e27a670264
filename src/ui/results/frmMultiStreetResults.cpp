#include "ui/results/frmMultiStreetResults.h"

#include "core/Interaction.h"
#include "run/results/ResultsKeyInfo.h"
#include "run/results/StreetResults.h"
#include "run/results/StreetResultsView.h"
#include "ui/common/DisplayText.h"
#include "ui/common/EngineState.h"
#include "ui/common/NamedButton.h"
#include "ui/common/ScreenFit.h"
#include "ui/results/StreetListModel.h"
#include "ui/results/frmShowResults.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {

const char *const kStreetsFilter = "VESK multi-street results (*.msr)|*.msr|All (*.*)|*.*";

} // namespace

frmMultiStreetResults::frmMultiStreetResults(State &state, Interaction &interaction, Settings &settings,
                                             std::shared_ptr<results::StreetResultsStore> store,
                                             QWidget *parent)
    : QDialog(parent), m_state(state), m_interaction(interaction), m_settings(settings) {
    setObjectName(QStringLiteral("frmMultiStreetResults"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    auto *layout = new QVBoxLayout(this);

    txtKeyInfo = new QPlainTextEdit(this);
    txtKeyInfo->setObjectName(QStringLiteral("txtKeyInfo"));
    txtKeyInfo->setReadOnly(true);
    txtKeyInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtKeyInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtKeyInfo->setFixedHeight(txtKeyInfo->fontMetrics().lineSpacing() * 4 + 14);
    layout->addWidget(txtKeyInfo);

    m_model = new StreetListModel(this);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(Qt::UserRole);
    grdStreets = new QTableView(this);
    grdStreets->setObjectName(QStringLiteral("grdStreets"));
    grdStreets->setModel(m_sorted);
    grdStreets->setSortingEnabled(true);
    grdStreets->sortByColumn(StreetListModel::ColNumber, Qt::AscendingOrder);
    grdStreets->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdStreets->setSelectionMode(QAbstractItemView::SingleSelection);
    grdStreets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdStreets->verticalHeader()->hide();
    grdStreets->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    grdStreets->setAlternatingRowColors(true);
    connect(grdStreets, &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { showStreet(index.row()); });
    layout->addWidget(grdStreets, 1);

    auto *buttons = new QHBoxLayout;
    btnShowStreet = namedButton(this, "btnShowStreet", QStringLiteral("Show Street &Results"));
    btnShowStreet->setToolTip(QStringLiteral("The full results of the selected street, per side"));
    btnSave = namedButton(this, "btnSave", QStringLiteral("&Save"));
    btnOpen = namedButton(this, "btnOpen", QStringLiteral("&Open"));
    btnClose = namedButton(this, "btnClose", QStringLiteral("Close"));
    btnHelp = namedButton(this, "btnHelp", QStringLiteral("&Help"));
    btnHelp->setShortcut(QKeySequence::HelpContents);
    buttons->addWidget(btnShowStreet);
    buttons->addStretch(1);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnOpen);
    buttons->addWidget(btnClose);
    buttons->addWidget(btnHelp);
    layout->addLayout(buttons);
    connect(btnHelp, &QPushButton::clicked, this, [this] {
        if (showHelp) {
            showHelp(kHelpContext);
        }
    });
    connect(btnShowStreet, &QPushButton::clicked, this, &frmMultiStreetResults::btnShowStreet_Click);
    connect(btnSave, &QPushButton::clicked, this, &frmMultiStreetResults::btnSave_Click);
    connect(btnOpen, &QPushButton::clicked, this, &frmMultiStreetResults::btnOpen_Click);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    setStore(std::move(store));
}

void frmMultiStreetResults::setStore(std::shared_ptr<results::StreetResultsStore> store) {
    m_model->setStore(std::move(store), m_state.NumberFormat);
    const results::StreetResultsStore *s = m_model->store().get();
    QStringList lines;
    if (s != nullptr) {
        for (const std::string &line : results::streetListKeyInfo(*s)) {
            lines << displayText(line, kDisplayLineChars);
        }
        setWindowTitle(QString::fromStdString(
            results::resultsCaption(displayText(s->title()).toStdString(),
                                    displayText(s->calcTime()).toStdString(), ResultFileName())));
    }
    txtKeyInfo->setPlainText(lines.join(QLatin1Char('\n')));
    grdStreets->resizeColumnsToContents();
    for (int c = 0; c < m_model->columnCount(); ++c) {
        // Room for the sort mark beside the heading.
        grdStreets->setColumnWidth(c, grdStreets->columnWidth(c) + 16);
    }
    grdStreets->resizeRowsToContents();
    if (m_model->rowCount() > 0) {
        grdStreets->selectRow(0);
    }
    btnShowStreet->setEnabled(m_model->rowCount() > 0);
    btnSave->setEnabled(s != nullptr);
    int width = grdStreets->verticalHeader()->width() + 40;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        width += grdStreets->columnWidth(c);
    }
    resize(QSize(std::max(width, 700), 560).boundedTo(roomForWindow(this)));
}

std::string frmMultiStreetResults::ResultFileName() const {
    const results::StreetResultsStore *s = m_model->store().get();
    return s == nullptr || s->isTemporary() ? std::string("untitled") : s->path();
}

void frmMultiStreetResults::btnShowStreet_Click() {
    const QModelIndexList rows = grdStreets->selectionModel()->selectedRows();
    if (!rows.isEmpty()) {
        showStreet(rows.front().row());
    }
}

void frmMultiStreetResults::showStreet(int row) {
    const std::shared_ptr<results::StreetResultsStore> &store = m_model->store();
    const QModelIndex source = m_sorted->mapToSource(m_sorted->index(row, 0));
    if (!store || !source.isValid()) {
        return;
    }
    const auto i = static_cast<std::size_t>(source.row());
    const results::StreetEntry &street = store->streets()[i];
    KeyedList<StatVar> stats;
    std::string error;
    if (!store->streetStatistics(i, &stats, &error)) {
        m_interaction.message(error, Icon::Critical);
        return;
    }
    // The street is shown by what its results keep (the run's options, limit
    // values and facts), in a state of its own: the user's number format,
    // hidden columns and folders are the program's, the run's name and
    // comments stay as they are.
    State shown = m_state;
    results::applyView(store->view(), store->pollutants(), shown);
    shown.OpenSavedResults = false;
    shown.ResultsFromFile = false;
    shown.ResultFileName = "untitled";
    shown.UserComments.clear();
    RunResults run;
    run.source = results::StatSource{&stats, &store->pollutants(), &store->outputUnitFactor(),
                                     &store->outputUnits(), street.period};
    run.facts = results::streetKeyInfoFacts(*store, i);
    run.recHeight = street.recHeight;
    {
        frmShowResults window(shown, m_interaction, m_settings, this);
        window.setRunResults(run);
        window.showHelp = showHelp;
        window.Form_Load();
        if (showStreetWindow) {
            showStreetWindow(window);
        } else {
            window.exec();
        }
    }
    // What the user chose to see in the street's window.
    m_state.NumberFormat = shown.NumberFormat;
    m_state.HideColAvHourly = shown.HideColAvHourly;
    m_state.HideColMaxHourly = shown.HideColMaxHourly;
    m_state.HideColDCHourly = shown.HideColDCHourly;
    m_state.HideColMaxRun8 = shown.HideColMaxRun8;
    m_state.HideColDCRun8 = shown.HideColDCRun8;
    m_state.HideColMaxDaily = shown.HideColMaxDaily;
    m_state.HideColDCDaily = shown.HideColDCDaily;
}

void frmMultiStreetResults::btnSave_Click() {
    const std::shared_ptr<results::StreetResultsStore> &store = m_model->store();
    if (!store) {
        return;
    }
    FileChoice choice;
    choice.title = "Save Multi-Street Results";
    choice.field = "the results file";
    choice.folder = m_state.WorkDir;
    choice.fileName = store->isTemporary() ? std::string() : store->path();
    choice.filters = {kStreetsFilter};
    choice.save = true;
    const std::optional<std::string> path = m_interaction.chooseFile(choice);
    if (!path || path->empty()) {
        return;
    }
    std::string error;
    if (!store->saveAs(*path, &error)) {
        m_interaction.message("The results could not be saved.\r\n" + error, Icon::Critical);
        return;
    }
    setWindowTitle(QString::fromStdString(
        results::resultsCaption(displayText(store->title()).toStdString(),
                                displayText(store->calcTime()).toStdString(), ResultFileName())));
}

void frmMultiStreetResults::btnOpen_Click() {
    FileChoice choice;
    choice.title = "Open Saved Results File";
    choice.field = "the results file";
    choice.folder = m_state.WorkDir;
    choice.filters = {kStreetsFilter};
    const std::optional<std::string> path = m_interaction.chooseFile(choice);
    if (!path || path->empty()) {
        return;
    }
    std::string error;
    std::shared_ptr<results::StreetResultsStore> store =
        results::StreetResultsStore::open(*path, m_state, &error);
    if (!store) {
        m_interaction.message("Can't open the file!\r\n\r\n" + error, Icon::Critical);
        return;
    }
    setStore(std::move(store));
}

} // namespace vesk::ui
