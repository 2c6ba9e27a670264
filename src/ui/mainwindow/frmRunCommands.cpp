// Which commands of the menus and the toolbar are available, and why one is
// not: a disabled command shows its reason in the status bar (menu items) and
// in its tooltip (toolbar keys), so no greyed-out item leaves the user guessing.

#include "ui/common/EngineState.h"
#include "ui/mainwindow/frmRun.h"

#include <QAction>
#include <QMenu>

namespace vesk::ui {

namespace {
const char *const kBaseTip = "baseToolTip";
} // namespace

void frmRun::enableCommand(QAction *action, bool on) {
    if (action) {
        action->setEnabled(on);
    }
}

void frmRun::enableKey(const QString &key, bool on) {
    enableCommand(toolbarKey(key), on);
}

void frmRun::setCommandTip(QAction *action, const QString &tip) {
    action->setProperty(kBaseTip, tip);
    showWhyDisabled(action);
}

bool frmRun::projectShown() const {
    return !Frame0->isHidden() || !m_state.ProjectFile.empty();
}

QString frmRun::whyDisabled(QAction *action) const {
    if (isRunning()) {
        return QStringLiteral("Not while a calculation is running.");
    }
    const QString name = action->objectName();
    auto is = [&name](std::initializer_list<const char *> names) {
        for (const char *n : names) {
            if (name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0) {
                return true;
            }
        }
        return false;
    };
    if (is({"menSettingsAction"})) {
        return QStringLiteral("The settings cannot be changed while a project is open: close the project first.");
    }
    if (!projectShown() && !is({"menModBackg"})) {
        return QStringLiteral("Open or create a project first.");
    }
    const bool oneStreet = !m_state.RouteMode && !m_state.MultiStreetMode;
    if (is({"menModeAction", "btnGeneric"})) {
        return oneStreet ? QStringLiteral("Finish the start and end dates first (or tick Auto).")
                         : QStringLiteral("Special Mode computes one street: not for route and "
                                          "multi-street projects.");
    }
    if (is({"menGraphic", "Graph"}) && !oneStreet) {
        return QStringLiteral("The graphs plot the Special Mode results of one street: not for route and "
                              "multi-street projects.");
    }
    if (is({"menLastResults", "Results"})) {
        if (m_state.CalcMode == 0) {
            return QStringLiteral("No Special Mode run of this project has ended yet.");
        }
        return QStringLiteral("No calculation of this project has ended yet.");
    }
    if (is({"menModBackg"})) {
        return QStringLiteral("The country has no standard urban data to generate the urban background from.");
    }
    if (m_state.CalcMode == 0 && is({"VLF", "FLF", "Units", "Fleet", "Fuel", "SetTRF", "TrafficNow"})) {
        return QStringLiteral("Not available in Special Mode.");
    }
    // A multi-street or route project has no traffic file of its own.
    const bool setTraffic = is({"menNewTrfFile", "SetTRF"});
    if ((setTraffic || is({"menEditTrf", "TrafficNow"})) && !oneStreet) {
        const QString why =
            m_state.MultiStreetMode
                ? QStringLiteral("Each street of a multi-street project names its own traffic "
                                 "file in the streets data file")
                : QStringLiteral("Each street segment of a route project names its own traffic "
                                 "file in the route data file");
        return why +
               (setTraffic ? QStringLiteral(".") : QStringLiteral(": open one with Open Traffic File."));
    }
    return QStringLiteral("Not available at this moment.");
}

void frmRun::showWhyDisabled(QAction *action) {
    if (!action || m_showingReason) {
        return;
    }
    m_showingReason = true;
    const QVariant base = action->property(kBaseTip);
    if (action->isEnabled()) {
        action->setStatusTip(QString());
        if (base.isValid()) {
            action->setToolTip(base.toString());
        }
    } else {
        const QString reason = whyDisabled(action);
        action->setStatusTip(reason);
        if (base.isValid()) {
            action->setToolTip(base.toString() + QStringLiteral(" (") + reason + QLatin1Char(')'));
        }
    }
    m_showingReason = false;
}

void frmRun::refreshDisabledReasons() {
    // A reason depends on the project and the mode as well: told again after each change of them.
    for (QAction *a : findChildren<QAction *>()) {
        if (!a->isSeparator() && !a->objectName().isEmpty()) {
            showWhyDisabled(a);
        }
    }
}

void frmRun::connectDisabledReasons() {
    for (QAction *a : findChildren<QAction *>()) {
        if (a->isSeparator() || a->objectName().isEmpty()) {
            continue;
        }
        connect(a, &QAction::changed, this, [this, a] { showWhyDisabled(a); });
        showWhyDisabled(a);
    }
}

} // namespace vesk::ui
