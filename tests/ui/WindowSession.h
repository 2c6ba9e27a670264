#pragma once

// The main window started on a copy of the data tree, as a user starts it:
// the program start-up, then (optionally) a project named on the command line.

#include "core/Settings.h"
#include "project/Batch.h"
#include "project/InitProgram.h"
#include "run/BatchRun.h"
#include "support/TestSupport.h"
#include "ui/ModalDialogs.h"
#include "ui/common/EngineState.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/frmRun.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace vesk::test {

// The program's search path for the time of a test: an empty folder, so that
// the desktop has no program for any kind of file and none is started.
class NoPrograms {
public:
    NoPrograms() : m_old(qgetenv("PATH")) {
        qputenv("PATH", QByteArray::fromStdString(m_dir.path().string()));
    }
    ~NoPrograms() { qputenv("PATH", m_old); }

private:
    QByteArray m_old;
    TempDir m_dir;
};

// Acts on the next modal dialog of type T once it is open (waiting for it
// up to a minute), then sees it close. A step that fails fatally closes the
// dialog; so does a dialog that stays open 20 s after the step, and another
// window that stays on top unanswered 20 s while T is awaited, each with a
// failure naming the window, its title and what it shows (ModalDialogs.h).
template <typename T> inline void onModal(std::function<void(T *)> act) {
    ModalWatch w;
    w.kind = T::staticMetaObject.className();
    w.match = [](QWidget *widget) -> QWidget * { return qobject_cast<T *>(widget); };
    w.act = [act](QWidget *widget) { act(static_cast<T *>(widget)); };
    startModalWatch(std::move(w));
}

// Lets the event loop run until done() holds or `seconds` have passed;
// whether done() holds. Between events the thread sleeps rather than spins,
// so that the work waited for (a run's thread) has the processor.
inline bool processEventsUntil(const std::function<bool()> &done, int seconds = 30) {
    if (done()) {
        return true;
    }
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer look;
    look.setInterval(5);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= seconds * 1000LL) {
            loop.quit();
        }
    });
    look.start();
    loop.exec();
    return done();
}

// Seconds a run of the window may take before a test gives up waiting for it.
inline constexpr int kRunSeconds = 100;

// Lets the event loop run until the window's run has returned (see
// processEventsUntil); whether it has.
inline bool waitForRunToEnd(ui::frmRun &window, int seconds = kRunSeconds) {
    return processEventsUntil([&window] { return !window.isRunning(); }, seconds);
}

// A private copy of the data tree that serves as AppDir.
struct Sample {
    TempDir dir;
    MemorySettings settings;
    std::string appDir;
    Sample() {
        copyDataTree(dir.path());
        appDir = dir.path().string() + "/";
    }
    std::string project(const char *name = "DemoStreet.vkp") const { return appDir + "Working/" + name; }
};

// The batch run of a saved project on a fresh program, as "winvesk <project> 1"
// runs it: the exit status; what it said goes to *said when given.
inline int batchRun(const Sample &sample, const std::string &project, std::string *said = nullptr) {
    State state;
    ScriptedInteraction ui;
    MemorySettings settings;
    auto startUp = [&](ProjectState &s, Interaction &interaction) {
        return InitProgram(s, sample.appDir, interaction, settings, [](CoreState &) {});
    };
    auto calculate = [&state](ProjectState &, Interaction &interaction, std::string *error) {
        return calculateProject(state, interaction, error);
    };
    CommandLine line;
    line.projectFile = project;
    line.batch = true;
    const int status = runBatch(state, ui, line, startUp, calculate);
    for (const std::string &m : ui.messages) {
        if (said) {
            *said += m + "\n";
        }
    }
    return status;
}

struct Session {
    State state;
    ScriptedInteraction ui;
    std::unique_ptr<ui::frmRun> w;
    bool loaded = false;
    // Results windows the main window showed (their captions), and what a test does with one while it is
    // open.
    std::vector<std::string> resultsWindows;
    std::function<void(QDialog &)> onResultsWindow;
    Session(Sample &sample, const std::string &project) {
        state.AppDir = sample.appDir;
        w = std::make_unique<ui::frmRun>(state, ui, sample.settings);
        w->showResultsWindow = [this](QDialog &window) {
            resultsWindows.push_back(window.windowTitle().toStdString());
            if (onResultsWindow) {
                onResultsWindow(window);
            }
        };
        QStringList args;
        if (!project.empty()) {
            args << QString::fromStdString(project);
        }
        loaded = w->Form_Load(args);
        w->Form_Activate();
    }
    ui::frmRun *operator->() { return w.get(); }
    bool hidden(QWidget *widget) { return widget->isHidden(); }
    // Scripted names for the file dialog of Add and Change.
    void names(std::deque<std::string> list) {
        auto queue = std::make_shared<std::deque<std::string>>(std::move(list));
        w->chooseFileName = [queue](int, const QString &, const QString &) {
            if (queue->empty()) {
                return std::string();
            }
            std::string n = queue->front();
            queue->pop_front();
            return n;
        };
        state.ShowFileDialog = true;
    }
    void select(int kind, int row) {
        w->List1[kind]->setCurrentRow(row);
        w->List1_Click(kind);
    }
    // File > Open Project with path picked in the file dialog.
    void open(const std::string &path) {
        ui.files.push_back(path);
        w->menOpen_Click();
    }
    // File > Create New Project in folder, OK on the project type dialog
    // (single street, preselected); the new-project dialog is left out, so
    // the project is the template as it stands, to be set up in the window.
    void newSingleStreetProject(const std::string &folder) {
        w->chooseFileName = [folder](int, const QString &, const QString &) { return folder; };
        w->showNewStreetDialog = [] { return true; };
        onModal<QDialog>([](QDialog *dialog) { dialog->accept(); });
        w->menNew_Click();
    }
    // Run, then wait until the run has returned (a failure when it has not within kRunSeconds).
    void runToEnd() {
        w->btnRun_Click();
        EXPECT_TRUE(waitForRunToEnd(*w)) << "the run did not end within " << kRunSeconds << " s";
    }
};

} // namespace vesk::test
