#include "ui/inputdef/frmStreetSet.h"

#include "core/Interaction.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "ui/common/DriveLetterNames.h"
#include "ui/common/NamedButton.h"
#include "ui/inputdef/StreetSetModel.h"
#include "ui/inputdef/frmStreetConfig.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {

const char *const kStreetsFilter = "Streets (*.txt)|*.txt|(*.dat)|*.dat|All (*.*)|*.*";

} // namespace

frmStreetSet::frmStreetSet(const StreetSetChoice &choice, const StreetSetContext &context,
                           Interaction &interaction, QWidget *parent)
    : QDialog(parent), m_context(context), m_interaction(interaction) {
    setObjectName(QStringLiteral("frmStreetSet"));
    setWindowTitle(QStringLiteral("Street Collection"));
    setupUi();
    // A streets file on a drive of Windows is read nowhere: the dialog starts
    // as for a file it cannot load, with a new set, and another file may be opened.
    if (!choice.streetsFile.empty() &&
        !refuseDriveLetterName(m_interaction, choice.streetsFile, "the streets file")) {
        openStreetsFile(choice.streetsFile);
    }
    txtMapFile->setText(QString::fromStdString(choice.mapFile));
    for (int i = 0; i < 4; ++i) {
        txtMapCoord[i]->setText(QString::fromStdString(formatNumber(choice.mapCoord[i])));
    }
    valuesChanged();
}

void frmStreetSet::edit(StreetSetChoice &choice, const StreetSetContext &context, Interaction &interaction,
                        QWidget *parent) {
    frmStreetSet dialog(choice, context, interaction, parent);
    if (dialog.exec() == QDialog::Accepted) {
        choice = dialog.result();
    } else {
        choice.streetsFile.clear();
    }
}

void frmStreetSet::setupUi() {
    auto *form = new QVBoxLayout(this);
    auto *file = new QHBoxLayout;
    txtStreetsFile = new QLineEdit;
    txtStreetsFile->setObjectName(QStringLiteral("txtStreetsFile"));
    txtStreetsFile->setReadOnly(true);
    txtStreetsFile->setPlaceholderText(QStringLiteral("(a new streets file: Save asks for its name)"));
    btnOpen = namedButton(QStringLiteral("btnOpen"), QStringLiteral("&Open Streets File..."));
    file->addWidget(new QLabel(QStringLiteral("Streets File")));
    file->addWidget(txtStreetsFile, 1);
    file->addWidget(btnOpen);
    form->addLayout(file);

    m_model = new StreetSetModel(this);
    tblStreets = new QTableView;
    tblStreets->setObjectName(QStringLiteral("tblStreets"));
    tblStreets->setModel(m_model);
    tblStreets->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblStreets->setSelectionMode(QAbstractItemView::SingleSelection);
    tblStreets->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tblStreets->setMinimumSize(900, 220);
    form->addWidget(tblStreets, 1);

    auto *streetButtons = new QHBoxLayout;
    btnAddStreet = namedButton(QStringLiteral("btnAddStreet"), QStringLiteral("&Add Street"));
    btnDeleteStreet = namedButton(QStringLiteral("btnDeleteStreet"), QStringLiteral("&Delete Street"));
    btnEditStreet = namedButton(QStringLiteral("btnEditStreet"), QStringLiteral("&Edit Geometry..."));
    btnEditStreet->setToolTip(QStringLiteral("Name, building heights, width, lengths, orientation, wind "
                                             "sectors and receptors of the selected street"));
    streetButtons->addWidget(btnAddStreet);
    streetButtons->addWidget(btnDeleteStreet);
    streetButtons->addWidget(btnEditStreet);
    streetButtons->addStretch();
    form->addLayout(streetButtons);

    auto *map = new QGroupBox(QStringLiteral("Map Data"));
    map->setObjectName(QStringLiteral("FrameMap"));
    auto *grid = new QGridLayout(map);
    txtMapFile = new QLineEdit;
    txtMapFile->setObjectName(QStringLiteral("txtMapFile"));
    btnMapFile = namedButton(QStringLiteral("btnMapFile"), QStringLiteral("&Browse..."));
    grid->addWidget(new QLabel(QStringLiteral("Map picture")), 0, 0);
    grid->addWidget(txtMapFile, 0, 1, 1, 6);
    grid->addWidget(btnMapFile, 0, 7);
    const char *captions[4] = {"Left (x)", "Top (y)", "Right (x)", "Bottom (y)"};
    for (int i = 0; i < 4; ++i) {
        txtMapCoord[i] = new QLineEdit;
        txtMapCoord[i]->setObjectName(QStringLiteral("txtMapCoord_%1").arg(i + 1));
        grid->addWidget(new QLabel(QString::fromLatin1(captions[i])), 1, 2 * i);
        grid->addWidget(txtMapCoord[i], 1, 2 * i + 1);
        connect(txtMapCoord[i], &QLineEdit::textChanged, this, &frmStreetSet::valuesChanged);
    }
    form->addWidget(map);

    lblProblem = new QLabel;
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setStyleSheet(QStringLiteral("color: red"));
    lblProblem->setWordWrap(true); // a long refusal does not widen the dialog beyond the screen
    form->addWidget(lblProblem);
    auto *buttons = new QHBoxLayout;
    btnOK = namedButton(QStringLiteral("btnOK"), QStringLiteral("&Save"));
    btnCancel = namedButton(QStringLiteral("btnCancel"), QStringLiteral("Cancel"));
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    form->addLayout(buttons);

    connect(btnOpen, &QPushButton::clicked, this, &frmStreetSet::btnOpen_Click);
    connect(btnAddStreet, &QPushButton::clicked, this, &frmStreetSet::btnAddStreet_Click);
    connect(btnDeleteStreet, &QPushButton::clicked, this, &frmStreetSet::btnDeleteStreet_Click);
    connect(btnEditStreet, &QPushButton::clicked, this, &frmStreetSet::btnEditStreet_Click);
    connect(btnMapFile, &QPushButton::clicked, this, &frmStreetSet::btnMapFile_Click);
    connect(btnOK, &QPushButton::clicked, this, &frmStreetSet::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmStreetSet::btnCancel_Click);
    connect(txtMapFile, &QLineEdit::textChanged, this, &frmStreetSet::valuesChanged);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &frmStreetSet::valuesChanged);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &frmStreetSet::valuesChanged);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &frmStreetSet::valuesChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, &frmStreetSet::valuesChanged);
    connect(m_model, &StreetSetModel::entryRefused, this, &frmStreetSet::valuesChanged);
    connect(tblStreets->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &frmStreetSet::valuesChanged);
    connect(tblStreets, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.column() == StreetSetModel::ColSectors) {
            btnEditStreet_Click();
        }
    });
}

bool frmStreetSet::openStreetsFile(const std::string &path) {
    StreetSet set;
    std::string error;
    if (!readStreetSet(findExisting(path), &set, &error)) {
        m_interaction.message("The streets file cannot be loaded.\r\n" + error, Icon::Critical);
        return false;
    }
    m_model->setStreets(set);
    txtStreetsFile->setText(QString::fromStdString(path));
    if (m_model->rowCount() > 0) {
        tblStreets->selectRow(0);
    }
    return true;
}

int frmStreetSet::currentRow() const {
    const QModelIndex current = tblStreets->currentIndex();
    return current.isValid() ? current.row() : -1;
}

QString frmStreetSet::mapProblem() const {
    const std::string map = txtMapFile->text().trimmed().toStdString();
    if (map.empty()) {
        return {};
    }
    // A drive of Windows names no picture here (the run refuses it too).
    if (const std::string typed = typedDriveLetterName(map); !typed.empty()) {
        return QString::fromStdString(driveLetterRefusal(typed, "the map file"));
    }
    for (QLineEdit *box : txtMapCoord) {
        if (!parseNumber(box->text().toStdString())) {
            return QStringLiteral("The map coordinates must be numbers.");
        }
    }
    return {};
}

void frmStreetSet::valuesChanged() {
    m_problem = QString::fromStdString(streetSetProblem(m_model->streets()));
    if (m_problem.isEmpty()) {
        m_problem = mapProblem();
    }
    btnOK->setEnabled(m_problem.isEmpty());
    btnOK->setToolTip(m_problem);
    // An entry a cell refused first (it kept its value), until the streets change.
    QStringList lines;
    for (const QString &line : {m_model->refusal(), m_problem}) {
        if (!line.isEmpty()) {
            lines << line;
        }
    }
    lblProblem->setText(lines.join(QLatin1Char('\n')));
    btnDeleteStreet->setEnabled(currentRow() >= 0);
    btnEditStreet->setEnabled(currentRow() >= 0);
}

void frmStreetSet::btnOpen_Click() {
    FileChoice choice;
    choice.title = "Open Streets File";
    choice.field = "the streets file";
    choice.folder = m_context.workDir;
    choice.filters = {kStreetsFilter};
    if (const auto path = m_interaction.chooseFile(choice); path && !path->empty()) {
        openStreetsFile(*path);
    }
}

void frmStreetSet::btnAddStreet_Click() {
    // A new street takes the traffic file of the street before it.
    const std::string traffic =
        m_model->rowCount() > 0 ? m_model->streets().streets.back().trafficFile : std::string();
    const int row =
        m_model->addStreet(newStreetSetEntry("Street " + std::to_string(m_model->rowCount() + 1), traffic));
    tblStreets->selectRow(row);
    tblStreets->setCurrentIndex(m_model->index(row, StreetSetModel::ColName));
}

void frmStreetSet::btnDeleteStreet_Click() {
    const int row = currentRow();
    if (row >= 0) {
        m_model->removeStreet(row);
        valuesChanged();
    }
}

void frmStreetSet::btnEditStreet_Click() {
    const int row = currentRow();
    if (row < 0) {
        return;
    }
    StreetSetEntry entry = m_model->streets().streets[static_cast<std::size_t>(row)];
    frmStreetConfig editor(entry.street, entry.street.StreetName, SketchView{1.0, 30.0}, this);
    const int result = runStreetEditor ? runStreetEditor(editor) : editor.exec();
    if (result != QDialog::Accepted || !editor.problem().isEmpty()) {
        return;
    }
    StreetConfig edited = editor.config();
    edited.SectorColumns = edited.NumWindSectors;
    if (!edited.Receptor1 && !edited.Receptor2) {
        m_interaction.message("At least one side of the street must have a receptor.", Icon::Exclamation);
        return;
    }
    entry.street = edited;
    m_model->setStreet(row, entry);
}

void frmStreetSet::btnMapFile_Click() {
    FileChoice choice;
    choice.title = "Map Picture";
    choice.field = "the map file";
    choice.folder = m_context.workDir;
    choice.filters = {
        "Pictures (*.png *.jpg *.jpeg *.bmp *.gif)|*.png;*.jpg;*.jpeg;*.bmp;*.gif|All (*.*)|*.*"};
    const auto path = m_interaction.chooseFile(choice);
    if (!path || path->empty()) {
        return;
    }
    // A name typed with a drive letter comes back behind the dialog's folder.
    if (const std::string typed = typedDriveLetterName(*path); !typed.empty()) {
        m_interaction.message(driveLetterRefusal(typed, "the map file"), Icon::Critical);
        return;
    }
    QImageReader reader(QString::fromStdString(*path));
    if (!reader.canRead()) {
        m_interaction.message("The map file " + *path +
                                  " cannot be shown as a picture.\r\nThe previous map is kept.",
                              Icon::Exclamation);
        return;
    }
    txtMapFile->setText(QString::fromStdString(*path));
}

void frmStreetSet::btnOK_Click() {
    valuesChanged();
    if (!m_problem.isEmpty()) {
        m_interaction.message(m_problem.toStdString(), Icon::Critical);
        return;
    }
    std::string path = txtStreetsFile->text().toStdString();
    if (path.empty()) {
        FileChoice choice;
        choice.title = "Save Streets File";
        choice.field = "the streets file";
        choice.folder = m_context.workDir;
        choice.filters = {kStreetsFilter};
        choice.save = true;
        const auto picked = m_interaction.chooseFile(choice);
        if (!picked || picked->empty()) {
            return;
        }
        path = *picked;
    }
    const FileSaveResult saved = writeStreetSet(path, m_model->streets());
    if (!saved.ok()) {
        m_interaction.message("The streets file could not be saved.\r\n" + saved.message, Icon::Critical);
        return;
    }
    txtStreetsFile->setText(QString::fromStdString(path));
    m_result.streetsFile = path;
    m_result.mapFile = txtMapFile->text().trimmed().toStdString();
    for (int i = 0; i < 4; ++i) {
        m_result.mapCoord[i] = parseNumber(txtMapCoord[i]->text().toStdString()).value_or(0);
    }
    accept();
}

void frmStreetSet::btnCancel_Click() {
    reject();
}

} // namespace vesk::ui
