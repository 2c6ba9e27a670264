#pragma once

// "Standard Meteorology and Background Files": the country's pre-defined
// meteorology and background files (MetBack.lst) that the new-project dialog
// offers, and the one column layout they share (MetBack.fmt), edited in the
// format dialog. A file inside the national meteorology and background
// folder is listed relative to it (".\name"). Neither list is among the
// lists the program loads, so a save reloads nothing. A file is read with
// the common layout before it is listed (not while that layout is still
// empty, as in a new country: then there is nothing to read it by).

#include "project/FileLists.h"
#include "ui/listeditors/StandardFilesEditor.h"

#include <optional>

namespace vesk::ui {

struct FormatDialogInput;

class frmEditMetBackFiles : public StandardFilesEditor {
    Q_OBJECT
public:
    frmEditMetBackFiles(State &state, Interaction &ui, HelpSystem *help, QWidget *parent = nullptr);

    QPushButton *btnFormat = nullptr;
    void btnFormat_Click();

    bool FormatChanged = false;
    bool FormatSaveCancelled = false;
    const FileFormatLists &formatLists() const { return m_format; }

    // The format dialog: the lists at OK, nullopt when cancelled. Tests set it.
    std::function<std::optional<FileFormatLists>(const FormatDialogInput &input)> editFormat;

protected:
    std::string storedName(const std::string &path) const override;
    std::string pathOf(const std::string &stored) const override;
    void specialClicked() override { btnFormat_Click(); }
    std::string fileProblem(const std::string &path) const override;
    bool saveLists() override;
    void restoreLists() override;
    bool mayClose() override;
    std::string unloadText() const override { return "List of Standard Meteorology and Background Files"; }

private:
    void readFormat(bool askForMissing);
    bool saveFormat();

    FileFormatLists m_format;
    bool m_formatReadFailed = false;
};

} // namespace vesk::ui
