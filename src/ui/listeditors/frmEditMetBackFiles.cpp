#include "ui/listeditors/frmEditMetBackFiles.h"

#include "core/Interaction.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "project/FormatFiles.h"
#include "project/Lifecycle.h"
#include "run/InputFileCheck.h"
#include "ui/common/EngineState.h"
#include "ui/inputdef/frmFormatFile.h"

#include <QListWidget>
#include <QPushButton>

namespace vesk::ui {

namespace {

const StandardFilesEditor::Kind kMetBack = {
    StandardListKind::MetBack,
    "MetBack.lst",
    "List of Standard Meteorology and Background Files",
    "Standard Meteorology and Background Files List is missing.\r\n"
    "Do you want an empty List to be created in the National List folder?",
    "This will restore the List of Standard Meteorology and Background Files settings to the original values "
    "at the installation time or when the first not empty List was created.",
    1,
    "lstMetBack",
    "&Format File",
    "btnFormat"};

bool sameLists(const FileFormatLists &a, const FileFormatLists &b) {
    return iequals(a.varList, b.varList) && iequals(a.formatList, b.formatList) &&
           iequals(a.scalingList, b.scalingList);
}

} // namespace

frmEditMetBackFiles::frmEditMetBackFiles(State &state, Interaction &ui, HelpSystem *help, QWidget *parent)
    : StandardFilesEditor(kMetBack, state, ui, help, 405, parent) {
    setObjectName(QStringLiteral("frmEditMetBackFiles"));
    setWindowTitle(QStringLiteral("Standard Meteorology and Background Files"));
    btnFormat = btnSpecial;
    editFormat = [this](const FormatDialogInput &input) {
        return frmFormatFile::edit(m_state, input, m_ui, m_help, this);
    };
    readList(true);
    showFiles();
    readFormat(true);
    resize(720, 420);
}

void frmEditMetBackFiles::readFormat(bool askForMissing) {
    m_format = {};
    m_formatReadFailed = false;
    if (!listFileExists(listsDir(), "MetBack.fmt")) {
        if (!askForMissing ||
            m_ui.question(
                std::string("The Format List for Standard Meteorology and Background Files is missing.") +
                    kCrLf + "Do you want an empty Format List to be created in the National List folder?",
                Buttons::OkCancel, Icon::Critical, Answer::Cancel) != Answer::Ok) {
            return;
        }
        std::string error;
        if (!copyFileAtomically(m_state.AppDir + "NewCountry/MetBack.fmt",
                                joinPath(listsDir(), "MetBack.fmt"), &error)) {
            m_ui.message(error, Icon::Critical);
            return;
        }
    }
    std::vector<std::string> lines;
    std::string error;
    if (!readFormatFile(listFilePath(listsDir(), "MetBack.fmt"), &lines, &error)) {
        m_ui.message(error + kCrLf + "The Format List cannot be saved from this editor until it can be read.",
                     Icon::Critical);
        m_formatReadFailed = true;
        return;
    }
    lines.resize(3);
    m_format = FileFormatLists{lines[0], lines[1], lines[2], {}};
}

std::string frmEditMetBackFiles::storedName(const std::string &path) const {
    const std::string folder = withTrailingSlash(nativePath(m_state.MetBackDir));
    const std::string native = nativePath(path);
    if (!folder.empty() && startsWithI(native, folder)) {
        std::string rest = native.substr(folder.size());
        for (char &c : rest) {
            c = c == '/' ? '\\' : c;
        }
        return ".\\" + rest;
    }
    return path;
}

std::string frmEditMetBackFiles::pathOf(const std::string &stored) const {
    return resolveStoredName(stored, m_state.WorkDir, m_state.MetBackDir);
}

std::string frmEditMetBackFiles::fileProblem(const std::string &path) const {
    if (trim(m_format.varList).empty()) {
        return {};
    }
    return hourlyInputFileProblem(m_state, path, m_format);
}

void frmEditMetBackFiles::btnFormat_Click() {
    const int row = current();
    if (row < 0) {
        return;
    }
    if (FormatChanged && m_files.size() > 1 &&
        m_ui.question(
            std::string("Note that the Format List is common for all standard (pre-defined) Meteorology "
                        "and Background input files.") +
                kCrLf + "If you change the Format now, this will affect all these files.",
            Buttons::OkCancel, Icon::Information, Answer::Cancel) != Answer::Ok) {
        return;
    }
    FormatDialogInput input;
    input.kind = 1;
    input.fileName = m_files[static_cast<std::size_t>(row)].fileName;
    input.lists = m_format;
    input.workDir = m_state.WorkDir;
    input.printFolder = openProjectFolder(m_state);
    input.metBackDir = m_state.MetBackDir;
    input.listsDir = m_state.ListsDir;
    input.decimalSeparator = m_state.DecimalSeparator;
    const std::optional<FileFormatLists> edited = editFormat(input);
    if (edited && !sameLists(*edited, m_format)) {
        m_format = FileFormatLists{edited->varList, edited->formatList, edited->scalingList, {}};
        FormatChanged = true;
    }
}

bool frmEditMetBackFiles::saveLists() {
    FormatSaveCancelled = false;
    if (refuseBlankName() || refuseProblem(standardFileListProblem(m_files))) {
        return false;
    }
    if (m_readFailed) {
        return false;
    }
    const ListFileNames listNames = listFileNames("MetBack.lst");
    const ListFileNames formatNames = listFileNames("MetBack.fmt");
    if (LoadedFileCount > 0) {
        if (!makeBackup(listNames)) {
            return false;
        }
        if (listFileExists(listsDir(), "MetBack.fmt") && !makeBackup(formatNames)) {
            return false;
        }
    }
    if (!saveFileList()) {
        return false;
    }
    if (!saveFormat()) {
        return false;
    }
    return !ListChanged && !FormatChanged;
}

bool frmEditMetBackFiles::saveFormat() {
    if (m_formatReadFailed) {
        return !FormatChanged;
    }
    const ListFileNames names = listFileNames("MetBack.fmt");
    if (!m_files.empty() && trim(m_format.varList).empty()) {
        const Answer a = m_ui.question(
            std::string("The Variable List in the Format List is empty.") + kCrLf +
                "This will prevent using the Standard Meteorology and Background Files in an VESK Project!" +
                kCrLf + "Do you want to continue saving the Format List anyway?" + kCrLf + kCrLf +
                "It's recommended to cancel saving the file and to fill the Variable List.",
            Buttons::YesNoCancel, Icon::Exclamation, Answer::Cancel);
        if (a == Answer::Cancel) {
            FormatSaveCancelled = true;
            return false;
        }
        if (a == Answer::No) {
            return true;
        }
    }
    if (!FormatChanged && m_ui.question(std::string("No changes have been made to the Format List.") + kCrLf +
                                            "Do you want to save this list anyway?",
                                        Buttons::YesNo, Icon::Question, Answer::No) != Answer::Yes) {
        return true;
    }
    if (!confirmSave("Format List", names)) {
        return true;
    }
    if (!writeList(names, formatFileText(m_format, false))) {
        return false;
    }
    FormatChanged = false;
    if (LoadedFileCount == 0 && !trim(m_format.varList).empty()) {
        makeBackup(names);
    }
    return true;
}

void frmEditMetBackFiles::restoreLists() {
    if (m_ui.question(kMetBack.restore, Buttons::OkCancel, Icon::Information, Answer::Cancel) != Answer::Ok) {
        return;
    }
    BlankNameRow = -1;
    const bool list = restoreOneList(listFileNames("MetBack.lst"));
    const bool format = restoreOneList(listFileNames("MetBack.fmt"));
    if (!list && !format && !ListChanged && !FormatChanged) {
        return;
    }
    readList(false);
    showFiles();
    readFormat(false);
    ListChanged = false;
    FormatChanged = false;
}

bool frmEditMetBackFiles::mayClose() {
    if (ListChanged) {
        const Answer a = m_ui.question("Changes have been made to the " + unloadText() + "." + kCrLf +
                                           "Do you want to save the List now?",
                                       Buttons::YesNoCancel, Icon::Question, Answer::Cancel);
        if (a == Answer::Cancel) {
            return false;
        }
        if (a == Answer::Yes) {
            return saveLists();
        }
    }
    if (FormatChanged) {
        const Answer a = m_ui.question(std::string("Changes have been made to the Format List.") + kCrLf +
                                           "Do you want to save the List now?",
                                       Buttons::YesNoCancel, Icon::Question, Answer::Cancel);
        if (a == Answer::Cancel) {
            return false;
        }
        if (a == Answer::Yes) {
            return saveLists();
        }
    }
    return true;
}

} // namespace vesk::ui
