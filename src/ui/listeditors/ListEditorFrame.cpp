#include "ui/listeditors/ListEditorFrame.h"

#include "core/Interaction.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "project/ProjectCountry.h"
#include "ui/common/EngineState.h"
#include "ui/common/HelpSystem.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <filesystem>

namespace vesk::ui {

ListEditorFrame::ListEditorFrame(State &state, Interaction &ui, HelpSystem *help, int helpContext,
                                 QWidget *parent)
    : QDialog(parent), m_state(state), m_ui(ui), m_help(help), m_helpContext(helpContext) {
    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    btnSave = button("btnSave", "&Save");
    btnRestore = button("btnRestore", "&Restore");
    btnHelp = button("btnHelp", "&Help");
    btnClose = button("btnClose", "&Close");
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSave_Click(); });
    connect(btnRestore, &QPushButton::clicked, this, &ListEditorFrame::btnRestore_Click);
    connect(btnHelp, &QPushButton::clicked, this, &ListEditorFrame::btnHelp_Click);
    connect(btnClose, &QPushButton::clicked, this, &ListEditorFrame::btnClose_Click);
}

QHBoxLayout *ListEditorFrame::frameButtons() {
    // Enter belongs to the grids: a grid that is not editing passes it on to
    // the dialog, which would press its first auto-default button (Add Row).
    for (QPushButton *b : findChildren<QPushButton *>()) {
        b->setAutoDefault(false);
    }
    auto *row = new QHBoxLayout;
    row->addWidget(btnSave);
    row->addWidget(btnRestore);
    row->addStretch();
    row->addWidget(btnHelp);
    row->addWidget(btnClose);
    return row;
}

const std::string &ListEditorFrame::listsDir() const {
    return m_state.ListsDir;
}

bool ListEditorFrame::btnSave_Click() {
    return saveLists();
}

void ListEditorFrame::btnRestore_Click() {
    restoreLists();
}

void ListEditorFrame::btnHelp_Click() {
    if (m_help) {
        m_help->showContext(this, m_helpContext);
    }
}

void ListEditorFrame::btnClose_Click() {
    reject();
}

void ListEditorFrame::reject() {
    if (m_closing) {
        return;
    }
    m_closing = true;
    const bool close = mayClose();
    m_closing = false;
    if (close) {
        QDialog::reject();
    }
}

bool ListEditorFrame::mayClose() {
    return !ListChanged || askToSaveList("Changes have been made to the " + unloadText() + ".");
}

bool ListEditorFrame::askToSaveList(const std::string &changesText) {
    const Answer a = m_ui.question(changesText + kCrLf + "Do you want to save the List now?",
                                   Buttons::YesNoCancel, Icon::Question, Answer::Cancel);
    if (a == Answer::Cancel) {
        return false;
    }
    return a == Answer::No || saveLists();
}

bool ListEditorFrame::refuseProblem(const std::string &problem) {
    if (problem.empty()) {
        return false;
    }
    m_ui.message(problem + kCrLf + kCrLf + "The list was not saved.", Icon::Critical);
    return true;
}

void ListEditorFrame::saveFailed(const std::string &why) {
    m_ui.message(std::string("An error occured when saving the file!") + kCrLf + why, Icon::Critical);
}

bool ListEditorFrame::makeBackup(const ListFileNames &names) {
    std::string error;
    if (!makeFirstSaveBackup(listsDir(), names, &error)) {
        saveFailed(error);
        return false;
    }
    return true;
}

bool ListEditorFrame::confirmSave(const std::string &listWord, const ListFileNames &names) {
    return m_ui.question("A new " + listWord + " will be created in the National Lists Folder." + kCrLf +
                             "The actual " + listWord + " will be renamed as: " + names.previous,
                         Buttons::OkCancel, Icon::Information, Answer::Ok) == Answer::Ok;
}

bool ListEditorFrame::writeList(const ListFileNames &names, const std::string &text) {
    std::string error;
    if (!writeListFile(listsDir(), names, text, &error)) {
        saveFailed(error);
        return false;
    }
    return true;
}

bool ListEditorFrame::saveOneList(const std::string &listWord, const ListFileNames &names,
                                  const std::string &problem, const std::string &text,
                                  const std::vector<CompanionList> &companions) {
    if (refuseProblem(problem) || !makeBackup(names)) {
        return false;
    }
    for (const CompanionList &c : companions) {
        if (!makeBackup(c.names)) {
            return false;
        }
    }
    if (!confirmSave(listWord, names) || !writeList(names, text)) {
        return false;
    }
    std::vector<ListFileNames> written = {names};
    for (const CompanionList &c : companions) {
        std::string error;
        if (!writeListFile(listsDir(), c.names, c.text, &error)) {
            // The lists written before go back to what they were, so that they still agree.
            saveFailed(error + putBackPreviousVersions(written, "this save"));
            return false;
        }
        written.push_back(c.names);
    }
    // A list whose load failed stays marked changed, so closing asks again.
    if (!reloadLists(written)) {
        return false;
    }
    ListChanged = false;
    return true;
}

void ListEditorFrame::backupUnreadable(const ListFileNames &names, const std::string &error) {
    m_ui.message(names.backup + " cannot be read:" + kCrLf + error + kCrLf + kCrLf + "Nothing was restored.",
                 Icon::Critical);
}

std::string ListEditorFrame::putBackPreviousVersions(const std::vector<ListFileNames> &written,
                                                     const std::string &when) {
    std::string text;
    for (const ListFileNames &w : written) {
        std::string why;
        text += kCrLf + (restorePreviousVersion(listsDir(), w, &why)
                             ? w.list + " was put back as it was before " + when + "."
                             : why);
    }
    return text;
}

bool ListEditorFrame::restoreOneList(const ListFileNames &names,
                                     const std::vector<CompanionList> &companions) {
    if (!listFileExists(listsDir(), names.backup)) {
        return false;
    }
    for (const CompanionList &c : companions) {
        if (!makeBackup(c.names)) {
            return false;
        }
    }
    std::vector<ListFileNames> written;
    for (const CompanionList &c : companions) {
        std::string error;
        if (!writeListFile(listsDir(), c.names, c.text, &error)) {
            m_ui.message("Nothing was restored: " + c.names.list + " could not be written." + kCrLf + error +
                             putBackPreviousVersions(written, "the restore"),
                         Icon::Critical);
            return false;
        }
        written.push_back(c.names);
    }
    std::string error;
    if (restoreFirstSaveBackup(listsDir(), names, &error) != RestoreResult::Restored) {
        m_ui.message("The list could not be restored from " + names.backup + ":" + kCrLf + error +
                         putBackPreviousVersions(written, "the restore"),
                     Icon::Critical);
        return false;
    }
    return true;
}

bool ListEditorFrame::reloadLists(const ListFileNames *names) {
    return reloadLists(names == nullptr ? std::vector<ListFileNames>() : std::vector<ListFileNames>{*names});
}

bool ListEditorFrame::reloadLists(const std::vector<ListFileNames> &names) {
    std::string listFile, error;
    if (ReloadCountryListsKeepingProject(m_state, m_ui, &listFile, &error)) {
        return true;
    }
    m_state.ErrorCode = 0;
    std::string text = "The lists of the country could not be loaded again:" + std::string(kCrLf) + error;
    std::vector<ListFileNames> previous;
    std::string previousNames;
    for (const ListFileNames &n : names) {
        if (listFileExists(listsDir(), n.previous)) {
            previous.push_back(n);
            previousNames += (previousNames.empty() ? "" : ", ") + n.previous;
        }
    }
    if (previous.empty()) {
        m_ui.message(text + kCrLf + "The program goes on with the lists loaded before.", Icon::Critical);
        return false;
    }
    text += std::string(kCrLf) + kCrLf +
            (previous.size() == 1 ? "Do you want to put back the list as it was before this save ("
                                  : "Do you want to put back the lists as they were before this save (") +
            previousNames + ")?";
    if (m_ui.question(text, Buttons::YesNo, Icon::Critical, Answer::Yes) != Answer::Yes) {
        return false;
    }
    for (const ListFileNames &n : previous) {
        if (!restorePreviousVersion(listsDir(), n, &error)) {
            m_ui.message(error, Icon::Critical);
            return false;
        }
    }
    if (!ReloadCountryListsKeepingProject(m_state, m_ui, &listFile, &error)) {
        m_state.ErrorCode = 0;
        m_ui.message("The lists of the country could not be loaded again:" + std::string(kCrLf) + error +
                         kCrLf + "The program goes on with the lists loaded before.",
                     Icon::Critical);
        return false;
    }
    return true;
}

bool ListEditorFrame::copyIntoFolder(const std::string &sourcePath, const std::string &folder,
                                     std::string *name) {
    const std::string source = sourcePath; // name may be the caller's variable of the source
    *name = fileNamePart(source);
    if (sameFile(source, joinPath(folder, *name))) {
        return true;
    }
    std::error_code ec;
    while (std::filesystem::exists(joinPath(folder, *name), ec)) {
        if (m_ui.question(joinPath(folder, *name) + " already exists." + kCrLf + "Do you want to replace it?",
                          Buttons::YesNo, Icon::Exclamation, Answer::No) == Answer::Yes) {
            break;
        }
        const auto typed = m_ui.inputBox("Type the new file name.", "New File Name", *name);
        const std::string answer = typed ? trim(*typed) : std::string();
        if (answer.empty()) {
            return true; // nothing copied: the list names the file of the folder
        }
        if (std::string refusal; !typedNamePath(answer, "the new file", &refusal)) {
            m_ui.message(refusal, Icon::Exclamation);
            continue;
        }
        if (answer.find_first_of("\\/") != std::string::npos) {
            m_ui.message("The new file name must not name a folder.", Icon::Exclamation);
            continue;
        }
        *name = answer;
    }
    std::string error;
    if (!copyFileAtomically(source, joinPath(folder, *name), &error)) {
        saveFailed(error);
        return false;
    }
    return true;
}

void ListEditorFrame::dataError(const QString &text) {
    m_ui.message(text.toStdString(), Icon::None, "Error entering data");
}

QTableView *ListEditorFrame::makeGrid(const char *name) {
    auto *grid = new QTableView(this);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    return grid;
}

} // namespace vesk::ui
