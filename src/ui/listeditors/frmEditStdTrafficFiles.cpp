#include "ui/listeditors/frmEditStdTrafficFiles.h"

#include "core/Interaction.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "platform/emission/EmissionLibrary.h"
#include "ui/common/DriveLetterNames.h"
#include "ui/common/EngineState.h"
#include "ui/editors/EditorComponents.h"

#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <set>

namespace vesk::ui {

namespace {

const StandardFilesEditor::Kind kTraffic = {
    StandardListKind::Traffic,
    "StrTrf.lst",
    "List of Standard Traffic Data Files",
    "Standard Traffic Data Files List is missing.\r\n"
    "Do you want an empty List to be created in the National List folder?",
    "This will restore the List of Standard Traffic Data Files settings to the original values at the "
    "installation time or when the first not empty List was created.",
    3,
    "lstTrafficFiles",
    "&Traffic Editor",
    "btnEditTraffic"};

bool isAbsolute(const std::string &stored) {
    return !stored.empty() &&
           (stored[0] == '/' || stored[0] == '\\' || (stored.size() > 1 && stored[1] == ':'));
}

} // namespace

frmEditStdTrafficFiles::frmEditStdTrafficFiles(State &state, Interaction &ui, HelpSystem *help,
                                               QWidget *parent)
    : StandardFilesEditor(kTraffic, state, ui, help, 406, parent) {
    setObjectName(QStringLiteral("frmEditStdTrafficFiles"));
    setWindowTitle(QStringLiteral("Standard Traffic Data Files"));
    btnEditTraffic = btnSpecial;
    readList(true);
    showFiles();
    resize(720, 400);
}

std::string frmEditStdTrafficFiles::storedName(const std::string &path) const {
    const std::string folder = withTrailingSlash(nativePath(m_state.TrafficDir));
    const std::string native = nativePath(path);
    if (!folder.empty() && startsWithI(native, folder)) {
        return native.substr(folder.size());
    }
    return path;
}

std::string frmEditStdTrafficFiles::pathOf(const std::string &stored) const {
    std::string s = nativePath(trim(stored));
    if (s.rfind("./", 0) == 0) {
        s = s.substr(2);
    }
    return isAbsolute(stored) ? s : joinPath(m_state.TrafficDir, s);
}

std::string frmEditStdTrafficFiles::fileProblem(const std::string &path) const {
    const ParsedTrafficFile file = ParseTrafficFile(path);
    if (!file.read || !file.parsed) {
        return file.error;
    }
    return file.problem.empty() ? std::string() : path + ":\r\n" + file.problem;
}

void frmEditStdTrafficFiles::btnEditTraffic_Click() {
    const int row = current();
    if (row < 0) {
        return;
    }
    std::string file = pathOf(m_files[static_cast<std::size_t>(row)].fileName);
    if (m_state.VehicleListFile.empty()) {
        m_state.VehicleListFile = m_state.DefaultVehicleListFile;
    }
    if (m_state.FuelListFile.empty()) {
        m_state.FuelListFile = m_state.DefaultFuelListFile;
    }
    TrafficEditorData data;
    data.TrafficFileLoaded = false;
    data.ReadOnly = false;
    data.Changed = false;
    data.AllowOtherFile = true;
    data.WorkOnFile = true;
    data.TrafficSpeedDefault = m_state.TrafficSpeedDefault;
    ModelEnvironment env = m_state.ModelEnv;
    env.WorkDir = m_state.WorkDir;
    TrafficEditorComponent component(m_ui, this);
    if (runTrafficEditor) {
        component.run = runTrafficEditor;
    }
    bool renew = false;
    component.EditTrafficFile(file, static_cast<float>(m_state.AverageTrafficSpeed),
                              static_cast<float>(m_state.AnnualDiurnalTraffic), m_state.VehicleListFile,
                              m_state.FuelListFile, m_state.CurrentYear, env, data, renew);
    m_state.ModelEnv = env;
}

bool frmEditStdTrafficFiles::saveLists() {
    if (refuseBlankName() || refuseProblem(standardFileListProblem(m_files)) || m_readFailed) {
        return false;
    }
    const ListFileNames names = listFileNames("StrTrf.lst");
    if (LoadedFileCount > 0 && !makeBackup(names)) {
        return false;
    }
    // Files of other folders are copied into the traffic folder first; the
    // list is written only when every copy was made.
    const bool saved = saveFileList([this](std::vector<StandardFile> &files) {
        for (StandardFile &f : files) {
            if (!isAbsolute(f.fileName)) {
                continue;
            }
            if (refuseDriveLetterName(m_ui, f.fileName, "the traffic file of " + f.name)) {
                return false; // it would be copied from the folder the program was started from
            }
            // The names there before the copy: a new one is this editor's copy.
            std::set<std::string> before;
            std::error_code ec;
            for (const auto &entry : std::filesystem::directory_iterator(m_state.TrafficDir, ec)) {
                before.insert(entry.path().filename().string());
            }
            std::string name;
            if (!copyIntoFolder(pathOf(f.fileName), m_state.TrafficDir, &name)) {
                return false;
            }
            if (!before.count(name) && std::filesystem::exists(joinPath(m_state.TrafficDir, name), ec)) {
                m_copies.push_back(name);
            }
            f.fileName = name;
        }
        return true;
    });
    return saved && !ListChanged;
}

void frmEditStdTrafficFiles::restoreLists() {
    if (m_ui.question(kTraffic.restore, Buttons::OkCancel, Icon::Information, Answer::Cancel) != Answer::Ok) {
        return;
    }
    if (!restoreOneList(listFileNames("StrTrf.lst")) && !ListChanged) {
        return;
    }
    readList(false);
    showFiles();
    ListChanged = false;
    // The copies this editor made that the restored list does not name go.
    std::vector<std::string> kept;
    for (const std::string &name : m_copies) {
        const std::string path = joinPath(m_state.TrafficDir, name);
        bool named = false;
        for (const StandardFile &f : m_files) {
            named = named || iequals(nativePath(pathOf(f.fileName)), nativePath(path));
        }
        std::error_code ec;
        if (named || (!std::filesystem::remove(path, ec) && ec)) {
            kept.push_back(name);
        }
    }
    m_copies = kept;
}

} // namespace vesk::ui
