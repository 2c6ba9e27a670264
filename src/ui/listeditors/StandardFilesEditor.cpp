#include "ui/listeditors/StandardFilesEditor.h"

#include "core/Interaction.h"
#include "core/TextIO.h"
#include "ui/common/DisplayText.h"
#include "ui/common/DriveLetterNames.h"
#include "ui/common/EngineState.h"
#include "ui/inputdef/frmNewFileName.h"
#include "ui/inputdef/frmViewFile.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesk::ui {

StandardFilesEditor::StandardFilesEditor(const Kind &kind, State &state, Interaction &ui, HelpSystem *help,
                                         int helpContext, QWidget *parent)
    : ListEditorFrame(state, ui, help, helpContext, parent), m_kind(kind) {
    lstFiles = new QListWidget(this);
    lstFiles->setObjectName(QString::fromLatin1(kind.listName));
    lstFiles->setMouseTracking(true);
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    txtHelp = new QPlainTextEdit(this);
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    txtHelp->setMaximumHeight(90);
    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    btnAddFile = button("btnAddFile", "&Add File");
    btnChangeFile = button("btnChangeFile", "Cha&nge File");
    btnRemove = button("btnRemove", "Rem&ove File");
    btnSpecial = button(kind.specialName, kind.special);
    btnView = button("btnView", "&View File");

    auto *layout = new QVBoxLayout(this);
    auto *body = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("File"), this));
    left->addWidget(lstFiles, 1);
    left->addWidget(new QLabel(QStringLiteral("Name To Show"), this));
    left->addWidget(txtName);
    left->addWidget(new QLabel(QStringLiteral("Help Text"), this));
    left->addWidget(txtHelp);
    body->addLayout(left, 1);
    auto *right = new QVBoxLayout;
    for (QPushButton *b : {btnAddFile, btnChangeFile, btnRemove, btnSpecial, btnView}) {
        right->addWidget(b);
    }
    right->addStretch();
    body->addLayout(right);
    layout->addLayout(body, 1);
    m_extra = new QVBoxLayout;
    layout->addLayout(m_extra);
    layout->addLayout(frameButtons());

    connect(btnAddFile, &QPushButton::clicked, this, &StandardFilesEditor::btnAddFile_Click);
    connect(btnChangeFile, &QPushButton::clicked, this, &StandardFilesEditor::btnChangeFile_Click);
    connect(btnRemove, &QPushButton::clicked, this, &StandardFilesEditor::btnRemove_Click);
    connect(btnView, &QPushButton::clicked, this, &StandardFilesEditor::btnView_Click);
    connect(btnSpecial, &QPushButton::clicked, this, [this] { specialClicked(); });
    connect(lstFiles, &QListWidget::currentRowChanged, this, [this] { lstFiles_Click(); });
    connect(lstFiles, &QListWidget::itemDoubleClicked, this, [this] { specialClicked(); });
    lstFiles->installEventFilter(this);
    connect(txtName, &QLineEdit::textEdited, this, [this](const QString &text) {
        const int row = current();
        if (!m_filling && row >= 0 && m_files[static_cast<std::size_t>(row)].name != text.toStdString()) {
            m_files[static_cast<std::size_t>(row)].name = text.toStdString();
            ListChanged = true;
        }
    });
    connect(txtHelp, &QPlainTextEdit::textChanged, this, [this] {
        const int row = current();
        const std::string text =
            txtHelp->toPlainText().replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString();
        if (!m_filling && row >= 0 && m_files[static_cast<std::size_t>(row)].helpText != text) {
            m_files[static_cast<std::size_t>(row)].helpText = text;
            ListChanged = true;
        }
    });

    chooseDataFile = [this](int fileKind, const QString &caption, const QString &preset) {
        FileChooserContext context;
        context.SelectedFileKind = fileKind;
        context.CitySize = 0; // database and spreadsheet files first
        context.WorkDir = m_state.WorkDir;
        context.MetBackDir = m_state.MetBackDir;
        context.TrafficDir = m_state.TrafficDir;
        context.ListsDir = m_state.ListsDir;
        frmNewFileName dialog(context, m_ui, this);
        dialog.setWindowTitle(caption);
        dialog.setName(preset);
        dialog.exec();
        return dialog.NewFileName;
    };
    viewFile = [this](const std::string &path) {
        frmViewFile::view(path, m_state.DecimalSeparator, m_ui, this);
    };
}

std::string StandardFilesEditor::listPath() const {
    return listFilePath(listsDir(), m_kind.listFile);
}

bool StandardFilesEditor::readList(bool askForMissing) {
    m_files.clear();
    m_readFailed = false;
    if (!listFileExists(listsDir(), m_kind.listFile)) {
        if (!askForMissing ||
            m_ui.question(m_kind.missing, Buttons::OkCancel, Icon::Critical, Answer::Cancel) != Answer::Ok) {
            LoadedFileCount = 0;
            return true;
        }
        std::string error;
        if (!copyFileAtomically(m_state.AppDir + "NewCountry/" + m_kind.listFile, listPath(), &error)) {
            m_ui.message(error, Icon::Critical);
            LoadedFileCount = 0;
            return true;
        }
    }
    std::string error;
    if (!readStandardFileList(listPath(), &m_files, &error)) {
        m_ui.message(error + kCrLf + "The list cannot be saved from this editor until it can be read.",
                     Icon::Critical);
        m_files.clear();
        m_readFailed = true;
    }
    LoadedFileCount = static_cast<int>(m_files.size());
    btnSave->setEnabled(!m_readFailed);
    return !m_readFailed;
}

void StandardFilesEditor::showFiles() {
    m_filling = true;
    lstFiles->clear();
    for (const StandardFile &f : m_files) {
        lstFiles->addItem(QString::fromStdString(f.fileName));
        lstFiles->item(lstFiles->count() - 1)
            ->setToolTip(displayText(f.fileName, kDisplayLineChars)); // a long name whole
    }
    m_filling = false;
    lstFiles->setCurrentRow(m_files.empty() ? -1 : 0);
    lstFiles_Click();
}

int StandardFilesEditor::current() const {
    const int row = lstFiles->currentRow();
    return row >= 0 && row < static_cast<int>(m_files.size()) ? row : -1;
}

void StandardFilesEditor::selectEntry(int row) {
    lstFiles->setCurrentRow(row);
    lstFiles_Click();
}

void StandardFilesEditor::lstFiles_Click() {
    if (m_filling) {
        return;
    }
    const int row = current();
    m_filling = true;
    txtName->setText(row < 0 ? QString()
                             : QString::fromStdString(m_files[static_cast<std::size_t>(row)].name));
    txtHelp->setPlainText(row < 0 ? QString()
                                  : QString::fromStdString(m_files[static_cast<std::size_t>(row)].helpText));
    m_filling = false;
    for (QWidget *w :
         std::initializer_list<QWidget *>{btnRemove, btnChangeFile, btnView, btnSpecial, txtName, txtHelp}) {
        w->setEnabled(row >= 0);
    }
}

void StandardFilesEditor::lstFiles_Enter() {
    if (m_files.empty()) {
        btnAddFile_Click();
    } else {
        btnChangeFile_Click();
    }
}

bool StandardFilesEditor::eventFilter(QObject *watched, QEvent *event) {
    if (watched == lstFiles && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            lstFiles_Enter();
            return true;
        }
    }
    return ListEditorFrame::eventFilter(watched, event);
}

bool StandardFilesEditor::acceptFile(const std::string &path) {
    const std::string problem = fileProblem(path);
    if (problem.empty()) {
        return true;
    }
    m_ui.message(std::string("The file cannot be listed: a calculation could not read it.") + kCrLf + kCrLf +
                     problem,
                 Icon::Critical);
    return false;
}

void StandardFilesEditor::btnAddFile_Click() {
    const std::string chosen = chooseDataFile(m_kind.fileKind, QStringLiteral("Add New File"), QString());
    if (chosen.empty() || !acceptFile(chosen)) {
        return;
    }
    const int at = current() + 1;
    m_files.insert(m_files.begin() + at, StandardFile{{}, storedName(chosen), {}});
    m_filling = true;
    lstFiles->insertItem(at, QString::fromStdString(m_files[static_cast<std::size_t>(at)].fileName));
    lstFiles->item(at)->setToolTip(lstFiles->item(at)->text());
    m_filling = false;
    selectEntry(at);
    ListChanged = true;
}

void StandardFilesEditor::btnChangeFile_Click() {
    const int row = current();
    if (row < 0) {
        return;
    }
    const std::string chosen =
        chooseDataFile(m_kind.fileKind, QStringLiteral("Change File"), lstFiles->item(row)->text());
    if (chosen.empty() || !acceptFile(chosen)) {
        return;
    }
    m_files[static_cast<std::size_t>(row)].fileName = storedName(chosen);
    lstFiles->item(row)->setText(QString::fromStdString(m_files[static_cast<std::size_t>(row)].fileName));
    lstFiles->item(row)->setToolTip(lstFiles->item(row)->text());
    ListChanged = true;
}

void StandardFilesEditor::btnRemove_Click() {
    const int row = current();
    if (row < 0) {
        return;
    }
    m_files.erase(m_files.begin() + row);
    m_filling = true;
    delete lstFiles->takeItem(row);
    m_filling = false;
    selectEntry(row < lstFiles->count() ? row : row - 1);
    ListChanged = true;
}

void StandardFilesEditor::btnView_Click() {
    const int row = current();
    if (row < 0) {
        return;
    }
    const std::string &stored = m_files[static_cast<std::size_t>(row)].fileName;
    if (!refuseDriveLetterName(m_ui, stored,
                               "entry " + std::to_string(row + 1) + " of the " + m_kind.listWord)) {
        viewFile(pathOf(stored));
    }
}

bool StandardFilesEditor::refuseBlankName() {
    BlankNameRow = blankShowName(m_files);
    if (BlankNameRow < 0) {
        return false;
    }
    m_ui.message(std::string("The Name To Show text for a file cannot be left blank!") + kCrLf +
                     "A short descriptive name must be provided.",
                 Icon::Critical);
    selectEntry(BlankNameRow);
    return true;
}

bool StandardFilesEditor::saveFileList(const std::function<bool(std::vector<StandardFile> &files)> &prepare) {
    const ListFileNames names = listFileNames(m_kind.listFile);
    if (!ListChanged && m_ui.question(std::string("No changes have been made to the ") + m_kind.listWord +
                                          "." + kCrLf + "Do you want to save this list anyway?",
                                      Buttons::YesNo, Icon::Question, Answer::No) != Answer::Yes) {
        return true;
    }
    if (!confirmSave(m_kind.listWord, names)) {
        return true; // declined: the list stays as it is
    }
    std::vector<StandardFile> files = m_files;
    if (prepare && !prepare(files)) {
        return false;
    }
    if (!writeList(names, standardFileListText(files, m_kind.list))) {
        return false;
    }
    m_files = files;
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        lstFiles->item(static_cast<int>(i))->setText(QString::fromStdString(m_files[i].fileName));
        lstFiles->item(static_cast<int>(i))->setToolTip(lstFiles->item(static_cast<int>(i))->text());
    }
    ListChanged = false;
    // A list that was empty before: its first list with files is the backup.
    if (LoadedFileCount == 0 && !files.empty()) {
        makeBackup(names);
    }
    return true;
}

} // namespace vesk::ui
