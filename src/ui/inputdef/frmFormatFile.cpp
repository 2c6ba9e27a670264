// The format dialog: its set-up for the file kind, the output types of a
// statistics file, loading and saving lists, help, OK and Cancel. The editing
// aids and the correction of unknown names are in frmFormatFileAids.cpp, the
// floating header and catalogue views in frmFormatFileViews.cpp.

#include "ui/inputdef/frmFormatFile.h"

#include "core/Interaction.h"
#include "core/Paths.h"
#include "project/DataFileHeader.h"
#include "project/FormatFiles.h"
#include "project/Lifecycle.h"
#include "run/State.h"
#include "ui/common/DisplayText.h"
#include "ui/common/DriveLetterNames.h"
#include "ui/common/HelpSystem.h"
#include "ui/inputdef/FloatingFrame.h"
#include "ui/inputdef/ListTextBox.h"
#include "ui/inputdef/frmViewFile.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {

const char *const kFormatFileFilter =
    "Variable List and Format (*.fmt)|*.fmt|Text (*.txt)|*.txt|All (*.*)|*.*";

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption) {
    auto *l = new QLabel(caption, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

FormatDialogInput formatDialogInput(const State &state, int kind, int position) {
    FormatDialogInput in;
    in.kind = kind;
    in.fileName = fileNameAt(state, kind, position);
    in.field = fileListEntryField(kind, position);
    in.lists = fileFormatLists(state, kind, position);
    in.multiStreet = state.MultiStreetMode;
    in.projectList = formatDialogProjectLists(state, kind);
    in.workDir = state.WorkDir;
    in.printFolder = openProjectFolder(state);
    in.metBackDir = state.MetBackDir;
    in.listsDir = state.ListsDir;
    in.appDir = state.AppDir;
    in.decimalSeparator = state.DecimalSeparator;
    return in;
}

frmFormatFile::frmFormatFile(const ReferenceTables &tables, FormatDialogInput input, Interaction &interaction,
                             HelpSystem *help, QWidget *parent)
    : QDialog(parent), m_tables(tables), m_input(std::move(input)), m_interaction(interaction), m_help(help) {
    setObjectName(QStringLiteral("frmFormatFile"));
    setWindowTitle(QStringLiteral("Format File"));
    setupUi();
    setupFloatingFrames();
    Form_Load();
}

frmFormatFile::~frmFormatFile() {
    Unloading = true;
}

std::optional<FileFormatLists> frmFormatFile::edit(const ReferenceTables &tables,
                                                   const FormatDialogInput &input, Interaction &interaction,
                                                   HelpSystem *help, QWidget *parent) {
    frmFormatFile dialog(tables, input, interaction, help, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.result();
}

void frmFormatFile::setupUi() {
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *lists = new QGridLayout(Frame1);
    Label2 = makeLabel(Frame1, QStringLiteral("Label2"), QStringLiteral("Variable List"));
    Label3 = makeLabel(Frame1, QStringLiteral("Label3"), QStringLiteral("Format List"));
    Label4 = makeLabel(Frame1, QStringLiteral("Label4"), QStringLiteral("Scaling List"));
    Label5 = makeLabel(Frame1, QStringLiteral("Label5"), QStringLiteral("Variable List Rows"));
    boxVariables = new ListTextBox(QStringLiteral("boxVariables"), Frame1);
    boxFormats = new ListTextBox(QStringLiteral("boxFormats"), Frame1);
    boxUnits = new ListTextBox(QStringLiteral("boxUnits"), Frame1);
    boxRows = new ListTextBox(QStringLiteral("boxRows"), Frame1);
    boxVariables->setMinimumHeight(96);
    for (ListTextBox *box : {boxFormats, boxUnits, boxRows}) {
        box->setMinimumHeight(54);
        box->setMaximumHeight(90);
    }
    lists->addWidget(Label2, 0, 0);
    lists->addWidget(boxVariables, 1, 0);
    lists->addWidget(Label3, 2, 0);
    lists->addWidget(boxFormats, 3, 0);
    lists->addWidget(Label4, 4, 0);
    lists->addWidget(boxUnits, 5, 0);
    lists->addWidget(Label5, 6, 0);
    lists->addWidget(boxRows, 7, 0);
    Label5->hide();
    boxRows->hide();

    FrameOpt = new QGroupBox(Frame1);
    FrameOpt->setObjectName(QStringLiteral("FrameOpt"));
    auto *options = new QVBoxLayout(FrameOpt);
    Label6 = makeLabel(FrameOpt, QStringLiteral("Label6"), QStringLiteral("Output Type"));
    options->addWidget(Label6);
    const char *captions[3] = {"Single Street - statistics", "Multi Streets - statistics", "Daily Averages"};
    const char *tips[3] = {"hourly, daily and running averages percentiles",
                           "hourly, daily and running averages percentiles",
                           "daily averages only, day by day"};
    for (int i = 0; i < 3; ++i) {
        Option1[i] = new QRadioButton(QString::fromLatin1(captions[i]), FrameOpt);
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        Option1[i]->setToolTip(QString::fromLatin1(tips[i]));
        options->addWidget(Option1[i]);
        connect(Option1[i], &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
    }
    Option1[0]->setChecked(true);
    options->addStretch();
    lists->addWidget(FrameOpt, 0, 1, 8, 1, Qt::AlignTop);
    lists->setColumnStretch(0, 1);

    Frame2 = new QWidget(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    btnShowVariables =
        makeButton(Frame2, QStringLiteral("btnShowVariables"), QStringLiteral("Show V&ariables"));
    btnDel = makeButton(Frame2, QStringLiteral("btnDel"), QStringLiteral("&Delete Item"));
    btnCancel = makeButton(Frame2, QStringLiteral("btnCancel"), QStringLiteral("&Cancel"));
    btnEndFormat = makeButton(Frame2, QStringLiteral("btnEndFormat"), QStringLiteral("&OK"));
    btnSave = makeButton(Frame2, QStringLiteral("btnSave"), QStringLiteral("&Save Variable List"));
    btnLoadList[0] = makeButton(Frame2, QStringLiteral("btnLoadList_0"), QStringLiteral("Load Saved &List"));
    btnLoadList[1] =
        makeButton(Frame2, QStringLiteral("btnLoadList_1"), QStringLiteral("Load from &Project"));
    btnViewHeader = makeButton(Frame2, QStringLiteral("btnViewHeader"), QStringLiteral("View File H&eader"));
    btnViewFile = makeButton(Frame2, QStringLiteral("btnViewFile"), QStringLiteral("&View File"));
    btnHelp = makeButton(Frame2, QStringLiteral("btnHelp"), QStringLiteral("&Help"));
    btnDel->setEnabled(false);
    btnViewHeader->hide();
    auto *buttons = new QGridLayout(Frame2);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(btnLoadList[0], 0, 0);
    buttons->addWidget(btnLoadList[1], 0, 1);
    buttons->addWidget(btnSave, 0, 2);
    buttons->addWidget(btnShowVariables, 0, 3);
    buttons->addWidget(btnViewHeader, 1, 0);
    buttons->addWidget(btnViewFile, 1, 1);
    buttons->addWidget(btnDel, 1, 2);
    buttons->addWidget(btnHelp, 1, 3);
    auto *okCancel = new QHBoxLayout;
    okCancel->addStretch();
    okCancel->addWidget(btnEndFormat);
    okCancel->addWidget(btnCancel);
    buttons->addLayout(okCancel, 2, 0, 1, 4);

    auto *form = new QVBoxLayout(this);
    form->addWidget(Frame1, 1);
    form->addWidget(Frame2);
    setMinimumWidth(620);

    // The pop-up lists lie over the boxes and are placed by hand.
    ListVariables = new QListWidget(this);
    ListVariables->setObjectName(QStringLiteral("ListVariables"));
    ListVariables->setFixedSize(230, 170);
    ListVariables->setMouseTracking(true);
    ListVariables->hide();
    ListVariables->installEventFilter(this);
    lstProjectList = new QListWidget(this);
    lstProjectList->setObjectName(QStringLiteral("lstProjectList"));
    lstProjectList->hide();
    lstProjectList->installEventFilter(this);

    connect(btnShowVariables, &QPushButton::clicked, this, &frmFormatFile::btnShowVariables_Click);
    connect(btnDel, &QPushButton::clicked, this, &frmFormatFile::btnDel_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmFormatFile::btnCancel_Click);
    connect(btnEndFormat, &QPushButton::clicked, this, &frmFormatFile::btnEndFormat_Click);
    connect(btnSave, &QPushButton::clicked, this, &frmFormatFile::btnSave_Click);
    connect(btnLoadList[0], &QPushButton::clicked, this, [this] { btnLoadList_Click(0); });
    connect(btnLoadList[1], &QPushButton::clicked, this, [this] { btnLoadList_Click(1); });
    connect(btnViewHeader, &QPushButton::clicked, this, &frmFormatFile::btnViewHeader_Click);
    connect(btnViewFile, &QPushButton::clicked, this, &frmFormatFile::btnViewFile_Click);
    connect(btnHelp, &QPushButton::clicked, this, &frmFormatFile::btnHelp_Click);
    connect(ListVariables, &QListWidget::itemDoubleClicked, this, [this] { ListVariables_DblClick(); });
    connect(ListVariables, &QListWidget::itemEntered, this, [this](QListWidgetItem *item) {
        ListVariables->setCurrentItem(item);
        ListVariables->setToolTip(item->toolTip());
    });
    connect(lstProjectList, &QListWidget::itemDoubleClicked, this, [this] { lstProjectList_DblClick(); });

    for (ListTextBox *box : {boxVariables, boxRows}) {
        box->keyPressed = [this, box](QKeyEvent *e) { return boxKeyPress(box, e); };
        box->clicked = [this, box] {
            ActiveListBox = box;
            CaretPos = box->textCursor().selectionStart();
            hideKnownList();
            TrackTyping = false;
        };
        box->doubleClicked = [this, box] { boxDoubleClick(box); };
        box->mouseReleased = [this, box](int x) {
            ListLeft = x;
            if (ReselectOnMouseUp) {
                if (WordStart >= 0 && WordLength >= 1) {
                    QTextCursor c = box->textCursor();
                    c.setPosition(WordStart);
                    c.setPosition(WordStart + WordLength, QTextCursor::KeepAnchor);
                    box->setTextCursor(c);
                }
                ReselectOnMouseUp = false;
            }
        };
        box->focusLost = [this, box](QWidget *to) { boxLostFocus(box, to); };
        connect(box, &QPlainTextEdit::textChanged, this, [this] {
            ListChecked = false;
            if (!InCorrection) {
                updateOkButton();
            }
        });
    }
    for (ListTextBox *box : {boxFormats, boxUnits}) {
        box->keyPressed = [](QKeyEvent *e) {
            return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
        };
    }
}

void frmFormatFile::fillKnownList(StatOutputType type) {
    m_known = knownVariables(m_tables, m_input.kind, type);
    ListVariables->clear();
    VarDescriptions.assign(1, std::string());
    for (const KnownVariable &v : m_known) {
        auto *item = new QListWidgetItem(QString::fromStdString(v.name), ListVariables);
        item->setToolTip(displayText(v.description));
        VarDescriptions.push_back(v.description);
    }
}

void frmFormatFile::Form_Load() {
    FrameOpt->hide();
    const int kind = m_input.kind;
    if (kind == 1) {
        Label3->hide();
        boxFormats->hide();
    } else {
        Label4->hide();
        boxUnits->hide();
    }
    if (kind == 4) {
        FrameOpt->show();
        Label5->show();
        boxRows->show();
        Label2->setText(Label2->text() + QStringLiteral(" Columns"));
    }
    fillKnownList(StatOutputType::SingleStreet);
    lstProjectList->clear();
    for (const std::string &list : m_input.projectList) {
        auto *item = new QListWidgetItem(QString::fromStdString(list), lstProjectList);
        item->setToolTip(item->text());
    }
    setWindowTitle(QStringLiteral("Format File [") + QString::fromStdString(m_input.fileName) +
                   QLatin1Char(']'));
    TrackTyping = false;
    CheckBusy = false;
    Activated = false;
    ActiveListBox = boxVariables;
}

void frmFormatFile::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!Activated) {
        // After the window is on the screen, so that the messages of the
        // first check stand above it.
        QTimer::singleShot(0, this, [this] { Form_Activate(); });
    }
}

void frmFormatFile::Form_Activate() {
    if (Activated) {
        return;
    }
    const FileFormatLists &in = m_input.lists;
    setBoxText(boxVariables, in.varList);
    setBoxText(boxFormats, in.formatList);
    setBoxText(boxUnits, in.scalingList);
    if (m_input.kind == 4) {
        setBoxText(boxRows, in.rowList);
        if (in.varList.empty()) {
            setBoxText(boxVariables, "\" \"");
        }
        const StatOutputType type = outputTypeOfRows(in.rowList);
        if (type != StatOutputType::SingleStreet) {
            const int index = static_cast<int>(type);
            Option1[index]->setChecked(true);
            Option1_Click(index);
            boxRows->setEnabled(false);
        }
        if (Option1[0]->isChecked()) {
            ActiveListBox = boxRows;
            CheckVariableList();
        }
        if (m_input.multiStreet) {
            Option1[0]->setEnabled(false);
            if (in.rowList.empty()) {
                Option1[1]->setChecked(true);
                Option1_Click(1);
            }
        } else {
            Option1[1]->setEnabled(false);
        }
    }
    ActiveListBox = boxVariables;
    CheckVariableList();
    if (!Unloading) {
        Activated = true;
        // A walk through unknown names under way keeps its selection and the focus.
        if (!InCorrection) {
            boxVariables->moveCursor(QTextCursor::End);
            if (boxVariables->isVisible()) {
                boxVariables->setFocus();
            }
        }
        if (m_input.kind == 1) {
            btnViewHeader->show();
        }
    }
}

StatOutputType frmFormatFile::chosenOutputType() const {
    for (int i = 0; i < 3; ++i) {
        if (Option1[i]->isChecked()) {
            return static_cast<StatOutputType>(i);
        }
    }
    return StatOutputType::SingleStreet;
}

void frmFormatFile::Option1_Click(int index) {
    for (int i = 0; i < 3; ++i) {
        QFont f = Option1[i]->font();
        f.setBold(i == index);
        Option1[i]->setFont(f);
    }
    const auto type = static_cast<StatOutputType>(index);
    if (type != StatOutputType::SingleStreet) {
        setBoxText(boxRows, rowsKeywordOf(type));
    }
    boxRows->setEnabled(type == StatOutputType::SingleStreet);
    fillKnownList(type);
    if (type != StatOutputType::SingleStreet) {
        ActiveListBox = boxVariables;
        CheckVariableList();
    }
    if (!InCorrection) {
        updateOkButton(); // the lists against the output type's names
    }
}

void frmFormatFile::btnHelp_Click() {
    if (!m_help) {
        return;
    }
    const int kind = m_input.kind;
    m_help->HelpCommand = HelpSystem::kShowTopic;
    if (kind == 1 || kind == 2 || kind == 4) {
        m_help->HelpContextID = kind == 1 ? 90 : kind == 2 ? 85 : 89;
    }
    m_help->ShowHelpTopic(this);
}

FileFormatLists frmFormatFile::boxLists() const {
    return FileFormatLists{boxText(boxVariables), boxText(boxFormats), boxText(boxUnits), boxText(boxRows)};
}

void frmFormatFile::btnLoadList_Click(int index) {
    if (index == 1) {
        const QRect area = Frame1->geometry();
        lstProjectList->setGeometry(area.left() + 10, area.top() + 10, area.width() - 20,
                                    std::min(area.height() - 20, 220));
        lstProjectList->show();
        lstProjectList->raise();
        lstProjectList->setFocus();
        return;
    }
    FileChoice choice;
    choice.title = "Load Saved List";
    choice.field = "the variable list file";
    choice.folder = m_input.listsDir;
    choice.filters = {kFormatFileFilter};
    const auto picked = m_interaction.chooseFile(choice);
    if (!picked) {
        return;
    }
    std::vector<std::string> lines;
    std::string error;
    if (!readFormatFile(*picked, &lines, &error)) {
        m_interaction.message("Can't open the file\r\n" + error, Icon::Critical);
        return;
    }
    if (lines.empty()) {
        return;
    }
    FileFormatLists lists = applyFormatFileLines(boxLists(), lines, m_input.kind);
    setBoxText(boxVariables, lists.varList);
    setBoxText(boxFormats, lists.formatList);
    setBoxText(boxUnits, lists.scalingList);
    if (m_input.kind == 4) {
        setBoxText(boxRows, lists.rowList);
    }
    if (ActiveListBox == nullptr) {
        ActiveListBox = boxVariables;
    }
    CheckVariableList();
}

// Saved variable lists belong to the user's projects: the Save dialog starts
// in the project's folder, and a file of the program's own data tree (the
// country's MetBack.fmt, say) is replaced only when the user says so.
void frmFormatFile::btnSave_Click() {
    FileChoice choice;
    choice.title = "Save Variable List";
    choice.field = "the variable list file";
    choice.folder = m_input.workDir.empty() ? m_input.listsDir : m_input.workDir;
    choice.filters = {kFormatFileFilter};
    choice.save = true;
    const FileFormatLists lists = boxLists();
    for (;;) {
        const auto picked = m_interaction.chooseFile(choice);
        if (!picked) {
            return;
        }
        if (QFileInfo::exists(QString::fromStdString(*picked)) && liesInFolder(*picked, m_input.appDir) &&
            m_interaction.question("The file " + *picked +
                                       " belongs to the program's own data.\r\nDo you want to replace it?",
                                   Buttons::YesNo, Icon::Exclamation, Answer::No) != Answer::Yes) {
            continue; // the Save dialog again
        }
        const FileSaveResult saved = writeFormatFile(*picked, lists, m_input.kind == 4);
        if (saved.ok()) {
            return;
        }
        if (saved.failure == SaveFailure::PermissionDenied) {
            if (m_interaction.question("Can't write to the file. Permission denied.", Buttons::RetryCancel,
                                       Icon::Critical, Answer::Cancel) == Answer::Retry) {
                continue; // the Save dialog again
            }
            return;
        }
        // A missing folder as every other failure: said once, naming the file.
        m_interaction.message("The variable list could not be saved.\r\n" + saved.message, Icon::Critical);
        return;
    }
}

void frmFormatFile::btnEndFormat_Click() {
    if (m_input.kind == 4 && Option1[0]->isChecked()) {
        StatRowsError = false;
        if (const auto bad = invalidStatCombination(m_tables, boxText(boxVariables), boxText(boxRows))) {
            StatRowsError = true;
            m_interaction.message(statCombinationMessage(*bad), Icon::Critical);
            boxRows->setFocus();
            return;
        }
    }
    // A list with a name a run would not know is never stored: the walk
    // through its unknown names starts again instead.
    for (ListTextBox *box : {boxRows, boxVariables}) {
        if (InCorrection || !unknownNames(box).empty()) {
            if (!InCorrection) {
                ActiveListBox = box;
                CheckVariableList();
            }
            updateOkButton();
            return;
        }
    }
    m_result = boxLists();
    if (m_input.kind != 4) {
        m_result.rowList = m_input.lists.rowList;
    }
    hideKnownList();
    Unloading = true;
    accept();
}

void frmFormatFile::btnCancel_Click() {
    reject();
}

bool frmFormatFile::listsEdited() const {
    const FileFormatLists now = boxLists();
    const FileFormatLists &in = m_input.lists;
    return now.varList != in.varList || now.formatList != in.formatList ||
           now.scalingList != in.scalingList || (m_input.kind == 4 && now.rowList != in.rowList);
}

// Cancel, Escape and the close box: typed lists are not thrown away unasked.
void frmFormatFile::reject() {
    if (Activated && listsEdited() &&
        m_interaction.question("The lists have been changed.\r\nDo you want to close the dialog without "
                               "storing the changes?",
                               Buttons::YesNo, Icon::Question, Answer::No) != Answer::Yes) {
        return;
    }
    Unloading = true;
    m_waitingForPick = false;
    m_pendingChecks.clear();
    QDialog::reject();
}

std::string frmFormatFile::dataFilePathOfInput() const {
    // Where the run finds the file: an output has no national folder.
    if (m_input.kind != 1) {
        return dataFilePath(m_input.fileName, m_input.workDir, m_input.workDir);
    }
    return dataFilePath(m_input.fileName, m_input.workDir, m_input.metBackDir, m_input.appDir);
}

bool frmFormatFile::refusedDriveLetter() {
    return refuseDriveLetterName(m_interaction, m_input.fileName,
                                 m_input.field.empty() ? std::string("the data file") : m_input.field);
}

void frmFormatFile::btnViewFile_Click() {
    if (refusedDriveLetter()) {
        return;
    }
    const std::string path = dataFilePathOfInput();
    if (showFile) {
        showFile(path);
        return;
    }
    frmViewFile::view(path, m_input.decimalSeparator, m_interaction, this);
}

void frmFormatFile::setBoxText(ListTextBox *box, const std::string &text) {
    box->setPlainText(QString::fromStdString(text));
}

std::string frmFormatFile::boxText(const ListTextBox *box) {
    return box->toPlainText().toStdString();
}

} // namespace vesk::ui
