#include "ui/mainwindow/GuiMain.h"

#include "run/RunCalculation.h"
#include "ui/common/EngineState.h"
#include "ui/common/QtInteraction.h"
#include "ui/common/QtSettings.h"
#include "ui/mainwindow/GuardedApplication.h"
#include "ui/mainwindow/frmRun.h"
#include "ui/tools/ToolWindows.h"

#include <QApplication>
#include <QDir>

namespace vesk::ui {

namespace {
std::string programFolder() {
    return QDir(QCoreApplication::applicationDirPath()).absolutePath().toStdString() + "/";
}
} // namespace

int runGui(int argc, char **argv) {
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("WinVESK"));
    QApplication::setOrganizationName(QStringLiteral("WinVESK"));

    State state;
    state.AppDir = programFolder();
    QtInteraction interaction;
    QtSettings settings;
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    frmRun window(state, interaction, settings);
    interaction.setParentWidget(&window);
    app.setInteraction(&interaction);
    window.runCalculation = &RunCalculation;
    if (!window.Form_Load(arguments)) {
        return state.ErrorCode == 100 ? 0 : 1;
    }
    window.show();
    window.Form_Activate();
    const int status = app.exec();
    app.setInteraction(nullptr);
    settings.sync();
    return status;
}

int runTool(int argc, char **argv, const ToolCommandLine &line) {
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("WinVESK"));
    QApplication::setOrganizationName(QStringLiteral("WinVESK"));
    State state;
    QtInteraction interaction;
    app.setInteraction(&interaction);
    const bool started = setUpToolState(state, programFolder(), line.country, interaction);
    if (started) {
        showToolWindow(state, line, interaction);
    }
    app.setInteraction(nullptr);
    return started ? 0 : 1;
}

} // namespace vesk::ui
