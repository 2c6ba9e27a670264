// The main window's street sketch and the "Set Street Configuration" command.

#include "core/Interaction.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "run/State.h"
#include "ui/common/DisplayText.h"
#include "ui/common/SketchBox.h"
#include "ui/inputdef/frmStreetConfig.h"
#include "ui/inputdef/frmStreetSet.h"
#include "ui/mainwindow/StreetSketchPanel.h"
#include "ui/mainwindow/frmRun.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

namespace vesk::ui {

void frmRun::connectStreetSketch() {
    SketchBox *box = sketchPanel->boxStreet3D;
    box->setContextMenu(menEdit3D);
    connect(action(QStringLiteral("menCopy3D")), &QAction::triggered, box, &SketchBox::menCopy3D_Click);
    connect(action(QStringLiteral("menSave3D")), &QAction::triggered, box, &SketchBox::menSave3D_Click);
    connect(action(QStringLiteral("menPrint3D")), &QAction::triggered, box, &SketchBox::menPrint3D_Click);
    connect(action(QStringLiteral("menEditStreetConfiguration")), &QAction::triggered, this,
            &frmRun::menEditStreetConfiguration_Click);
}

void frmRun::showStreetData() {
    const State &s = m_state;
    const QString name = displayText(s.StreetName);
    Label11[1]->setText(name);
    Label11[1]->setToolTip(
        Label11[1]->fontMetrics().horizontalAdvance(name) > Label11[1]->width() ? name : QString());
    const bool geometry = !s.RouteMode && !s.MultiStreetMode;
    auto number = [](double v) { return QString::fromStdString(formatNumber(v)); };
    Label12[1]->setText(geometry ? number(s.StreetHeight) + QStringLiteral(" m") : QString());
    Label13[1]->setText(geometry ? number(s.StreetWidth) + QStringLiteral(" m") : QString());
    Label14[1]->setText(geometry ? number(s.StreetOrientation) + QStringLiteral(" deg.") : QString());
    sketchPanel->DrawStreetSketch();
}

void frmRun::menEditStreetConfiguration_Click() {
    State &s = m_state;
    if (s.RouteMode) {
        FileChoice choice;
        choice.title = "Open Route Data File";
        choice.field = "the route file";
        choice.folder = s.WorkDir;
        choice.filters = {"Route data (*.dat)|*.dat|*.txt|*.txt|All (*.*)|*.*"};
        const std::optional<std::string> path = m_interaction.chooseFile(choice);
        if (!path) {
            return; // cancelled: the route file stays
        }
        s.RouteFile = storedNameFor(*path, s.WorkDir);
        Label4->setText(workInputLabel(s.RouteFile));
        Label4->setToolTip(Label4->text());
        s.ProjectChanged = true;
        return;
    }
    if (s.MultiStreetMode) {
        editStreetSet();
        return;
    }
    s.ModelEnv.WorkDir = s.WorkDir;
    int defined = 0; // the main window has no use for it: a project's street is always defined
    EditSingleStreet(this, s, defined, sketchPanel->boxStreet3D->view());
    UpdateProjectDisplay();
}

// The street set of a multi-street project: a changed streets file, map or
// map position marks the project changed; a cancelled editor changes nothing.
void frmRun::editStreetSet() {
    State &s = m_state;
    s.ModelEnv.WorkDir = s.WorkDir;
    // A name on a drive of Windows stays as stored: the dialog refuses it.
    auto inWorkDir = [&s](const std::string &stored) {
        return stored.empty() || hasDriveLetter(stored)
                   ? stored
                   : findStoredInput(stored, s.WorkDir, s.WorkDir, s.AppDir);
    };
    StreetSetChoice choice;
    choice.streetsFile = inWorkDir(s.StreetsFile);
    choice.mapFile = inWorkDir(s.MapFile);
    choice.mapCoord = {s.MapCoord1, s.MapCoord2, s.MapCoord3, s.MapCoord4};
    const std::array<double, 4> before = choice.mapCoord;
    frmStreetSet::edit(choice, StreetSetContext{s.WorkDir, s.TrafficDir}, m_interaction, this);
    if (choice.streetsFile.empty()) {
        return;
    }
    const std::string streets = storedNameFor(choice.streetsFile, s.WorkDir);
    const std::string map = storedNameFor(choice.mapFile, s.WorkDir);
    s.ProjectChanged = s.ProjectChanged || !sameStoredName(streets, s.StreetsFile, s.WorkDir) ||
                       !sameStoredName(map, s.MapFile, s.WorkDir) || choice.mapCoord != before;
    s.StreetsFile = streets;
    s.MapFile = map;
    s.MapCoord1 = choice.mapCoord[0];
    s.MapCoord2 = choice.mapCoord[1];
    s.MapCoord3 = choice.mapCoord[2];
    s.MapCoord4 = choice.mapCoord[3];
    Label4->setText(workInputLabel(s.StreetsFile));
    Label4->setToolTip(Label4->text());
}

} // namespace vesk::ui
