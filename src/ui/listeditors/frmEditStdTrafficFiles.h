#pragma once

// "Standard Traffic Data Files": the country's pre-defined diurnal traffic
// files (StrTrf.lst) that the new-project dialog offers. A file of the
// national traffic folder is listed by its name there; a file of another
// folder is copied into the traffic folder when the list is saved, so that
// the list names files of that folder only. A listed file opens in the
// traffic-file editor. A file is read as a run reads a traffic file before it
// is listed. Restore removes the copies this editor made into the traffic
// folder that the restored list does not name (those of earlier openings
// are left: a project may have taken them since).

#include "ui/listeditors/StandardFilesEditor.h"

namespace vesk::ui {

class frmTrafficEditor;

class frmEditStdTrafficFiles : public StandardFilesEditor {
    Q_OBJECT
public:
    frmEditStdTrafficFiles(State &state, Interaction &ui, HelpSystem *help, QWidget *parent = nullptr);

    QPushButton *btnEditTraffic = nullptr;
    void btnEditTraffic_Click();

    // Shows the traffic editor modally (default: exec()); tests set it.
    std::function<void(frmTrafficEditor &)> runTrafficEditor;

protected:
    std::string storedName(const std::string &path) const override;
    std::string pathOf(const std::string &stored) const override;
    void specialClicked() override { btnEditTraffic_Click(); }
    std::string fileProblem(const std::string &path) const override;
    bool saveLists() override;
    void restoreLists() override;
    std::string unloadText() const override { return "List of Standard Traffic Data Files"; }

private:
    std::vector<std::string> m_copies; // files of the traffic folder that this editor's saves made
};

} // namespace vesk::ui
