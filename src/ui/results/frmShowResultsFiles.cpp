// The results window's result files: save, open and the Window menu.

#include "core/Interaction.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "ui/common/DisplayText.h"
#include "ui/common/EngineState.h"
#include "ui/results/frmShowResults.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QPlainTextEdit>

namespace vesk::ui {

namespace {

const char *const kResultFilter = "VESK results (*.res)|*.res|Text (*.txt)|*.txt|All (*.*)|*.*";
constexpr long kCancelled = 32755;

std::string withoutBrackets(const std::string &name) {
    std::string out;
    for (char c : name) {
        if (c != '[' && c != ']') {
            out += c;
        }
    }
    return out;
}

// True when both names lead to the same file (or, for a file not there, are the same name).
bool sameFile(const std::string &a, const std::string &b) {
    const QFileInfo fa(QString::fromStdString(a)), fb(QString::fromStdString(b));
    if (fa.exists() && fb.exists()) {
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    }
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

} // namespace

void frmShowResults::checkWindowItem(int index) {
    for (int k = 0; k < static_cast<int>(menNewFile.size()); ++k) {
        if (menNewFile[static_cast<std::size_t>(k)]->isVisible()) {
            menNewFile[static_cast<std::size_t>(k)]->setChecked(k == index);
        }
    }
}

void frmShowResults::menSave_Click() {
    FileChoice choice;
    choice.title = "Save Results";
    choice.field = "the results file";
    choice.folder = m_state.WorkDir;
    choice.fileName =
        iequals(m_state.ResultFileName, "untitled") ? std::string() : withoutBrackets(m_state.ResultFileName);
    choice.filters = {kResultFilter};
    choice.save = true;
    const std::optional<std::string> path = m_interaction.chooseFile(choice);
    if (!path || path->empty()) {
        return;
    }

    results::ResultFileContents contents;
    contents.keyInfo = splitLines(txtKeyInfo->toPlainText().toStdString());
    contents.comments = commentsText();
    for (int p = 0; p < cmbPage->count(); ++p) {
        contents.pageNames.push_back(cmbPage->itemText(p).toStdString());
        contents.pages.push_back(fileTexts(p));
    }
    std::string error;
    if (!results::writeResultFile(*path, contents, &error)) {
        m_interaction.message("The results could not be saved.\r\n" + error, Icon::Critical);
        return;
    }

    const std::string oldName = m_state.ResultFileName;
    m_state.ResultFileName = *path;
    if (!m_state.ResultsFromFile) {
        m_state.LastResultFile = *path;
    }
    QString caption = windowTitle();
    caption.replace(QStringLiteral("[") + QString::fromStdString(withoutBrackets(oldName)) +
                        QStringLiteral("]"),
                    QStringLiteral("[") + QString::fromStdString(*path) + QStringLiteral("]"));
    setWindowTitle(caption);
    if (OpenedItem >= 0 && static_cast<std::size_t>(OpenedItem) < menNewFile.size()) {
        menNewFile[static_cast<std::size_t>(OpenedItem)]->setText(QString::fromStdString(*path));
    }
}

void frmShowResults::menOpen_Click() {
    OpenError = 0;
    OpenErrorText.clear();
    const bool named = OpenNamedFile;
    OpenNamedFile = false;
    if (named) {
        openResultFile(m_state.ResultFileName, true);
        return;
    }
    FileChoice choice;
    choice.title = "Open Saved Results File";
    choice.field = "the results file";
    choice.folder = LastResultFolder;
    choice.filters = {kResultFilter};
    const std::optional<std::string> chosen = m_interaction.chooseFile(choice);
    if (!chosen || chosen->empty()) {
        OpenError = kCancelled;
        return;
    }
    // A file the Window menu already lists is shown through its item, not listed twice.
    for (std::size_t k = 0; k < menNewFile.size(); ++k) {
        if (menNewFile[k]->isVisible() && sameFile(menNewFile[k]->text().toStdString(), *chosen)) {
            if (static_cast<int>(k) == ShownItem && k != 0) {
                openResultFile(*chosen, true); // read again: the file may have changed
            } else {
                menNewFile_Click(static_cast<int>(k));
            }
            return;
        }
    }
    openResultFile(*chosen, false);
}

bool frmShowResults::openResultFile(const std::string &path, bool named) {
    // Read first: a file that cannot be read changes nothing in the window.
    results::ResultFileContents contents;
    std::string error;
    if (!results::readResultFile(path, &contents, &error)) {
        OpenError = 1;
        OpenErrorText = error;
        if (!m_state.OpenSavedResults) {
            m_interaction.message(
                "It's not an VESK Single Street Result File or the file is corrupted\r\n\r\n"
                "Can't open the file!\r\n\r\n" +
                    error,
                Icon::Critical);
            OpenError = 0;
        }
        return false;
    }

    if (!named) {
        LastResultFolder = folderPart(path);
        ++FileItemCount;
        OpenedItem = FileItemCount;
        addWindowItem(QString::fromStdString(path));
        checkWindowItem(OpenedItem);
    }
    m_state.ResultFileName = path;
    std::string street, calcTime;
    results::splitFirstKeyInfoLine(contents.keyInfo.front(), &street, &calcTime);
    m_streetShown = street;
    setWindowTitle(QString::fromStdString(results::resultsCaption(
        displayText(street).toStdString(), displayText(calcTime).toStdString(), path)));
    QStringList lines;
    for (const std::string &line : contents.keyInfo) {
        lines << displayText(line, kDisplayLineChars);
    }
    txtKeyInfo->setPlainText(lines.join(QLatin1Char('\n')));
    ResultComments = contents.comments;
    if (!Frame1->isHidden()) {
        txtComments->setPlainText(
            QString::fromStdString(ResultComments).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }
    LastPageIndex = static_cast<int>(contents.pages.size()) - 1;
    PageLines = std::move(contents);
    m_state.ResultsFromFile = true;
    fillPageList(PageLines.pageNames);
    CurrentPage = 0;
    ShowNew();
    ShownItem = OpenedItem;
    return true;
}

void frmShowResults::menNewFile_Click(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= menNewFile.size()) {
        return;
    }
    if (index == ShownItem) {
        // Choosing the item shown again rebuilds nothing; it stays checked.
        menNewFile[static_cast<std::size_t>(index)]->setChecked(true);
        return;
    }
    const std::string shownName = m_state.ResultFileName;
    m_state.ResultFileName = menNewFile[static_cast<std::size_t>(index)]->text().toStdString();
    checkWindowItem(index);
    if (index != 0) {
        OpenedItem = index;
        if (!openResultFile(m_state.ResultFileName, true)) {
            // The results shown before stay, and so does their menu item.
            m_state.ResultFileName = shownName;
            OpenedItem = ShownItem;
            checkWindowItem(ShownItem);
            return;
        }
    } else {
        ReLoad();
        menColumns->setEnabled(true);
    }
    OpenedItem = ShownItem = index;
}

} // namespace vesk::ui
