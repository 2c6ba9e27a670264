#pragma once

// The main window started on a copy of the data tree, as a user starts it:
// the program start-up, then (optionally) a project named on the command line.

#include "core/Settings.h"
#include "support/TestSupport.h"
#include "ui/common/EngineState.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/frmRun.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace vesk::test {

// Closes a dialog as Cancel or the window's close button would.
inline void closeDialog(QWidget *dialog) {
    if (auto *d = qobject_cast<QDialog *>(dialog)) {
        d->done(QDialog::Rejected);
    } else {
        dialog->close();
    }
}

// Closes a dialog that a test's step left open after a fatal failure: the
// step's ASSERT returned from the step only, and the call that opened the
// dialog returns once it is closed, so that the test ends there (that call
// is wrapped in ASSERT_NO_FATAL_FAILURE).
inline void closeAfterFatalFailure(QWidget *dialog) {
    if (dialog != nullptr && ::testing::Test::HasFatalFailure() && dialog->isVisible()) {
        closeDialog(dialog);
    }
}

// Acts on the next modal dialog of type T once it is open (gives up after a
// few seconds). A step that fails fatally closes the dialog; so does giving
// up while another modal dialog stays open, with a failure naming it.
template <typename T> inline void onModal(std::function<void(T *)> act) {
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            const QPointer<T> open(dialog);
            act(dialog);
            closeAfterFatalFailure(open);
        } else if (++*tries > 1000) {
            timer->stop();
            timer->deleteLater();
            if (QWidget *other = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "the dialog awaited was not shown; \"" << other->windowTitle().toStdString()
                              << "\" stayed open instead and is closed";
                closeDialog(other);
            }
        }
    });
    timer->start();
}

// Lets the event loop run until done() holds or `seconds` have passed;
// whether done() holds.
inline bool processEventsUntil(const std::function<bool()> &done, int seconds = 30) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < seconds * 1000LL) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
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
        QTimer::singleShot(0, [] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                dialog->accept();
            }
        });
        w->menNew_Click();
    }
    // Run, then wait until the run has returned.
    void runToEnd() {
        w->btnRun_Click();
        w->waitForRun();
    }
};

} // namespace vesk::test
