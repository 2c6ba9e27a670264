// The main window's street sketch and the "Set Street Configuration" command.

#include "core/Interaction.h"
#include "core/RecordIO.h"
#include "run/State.h"
#include "ui/inputdef/frmStreetConfig.h"
#include "ui/common/SketchBox.h"
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
    const QString name = QString::fromStdString(s.StreetName);
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
        choice.folder = s.WorkDir;
        choice.filters = {"Route data (*.dat)|*.dat|*.txt|*.txt|All (*.*)|*.*"};
        const std::optional<std::string> path = m_interaction.chooseFile(choice);
        if (!path) {
            return; // cancelled: the route file stays
        }
        s.RouteFile = *path;
        Label4->setText(QString::fromStdString(s.RouteFile));
        Label4->setToolTip(Label4->text());
        s.ProjectChanged = true;
        return;
    }
    if (s.MultiStreetMode) {
        m_interaction.message("This command is not available in this version of the program.",
                              Icon::Information);
        return;
    }
    s.ModelEnv.WorkDir = s.WorkDir;
    int defined = 0; // the main window has no use for it: a project's street is always defined
    EditSingleStreet(this, s, defined, sketchPanel->boxStreet3D->view());
    UpdateProjectDisplay();
}

} // namespace vesk::ui
