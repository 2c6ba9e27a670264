// Help as the user reaches it from the windows and dialogs: F1 opens the
// topic of the window that has the keyboard, the help window stands above a
// modal dialog that asked for it and takes the user's clicks while that
// dialog is open, and the user's guide says when no PDF viewer is found.

#include "ui/WindowSession.h"
#include "ui/common/HelpSystem.h"
#include "ui/common/HelpWindow.h"
#include "ui/inputdef/frmFormatFile.h"
#include "ui/inputdef/frmNewStreet.h"
#include "ui/settings/frmOptions.h"
#include "ui/settings/frmProjectType.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace vesk::test {
namespace {

// F1 where the keyboard is in the window.
void pressF1(QWidget *window) {
    QWidget *target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, Qt::Key_F1);
}

std::string topic(Session &s) {
    return s->help().lastShown().fragment().toStdString();
}

// Takes the files the program hands to the desktop instead of opening them.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    Q_INVOKABLE void open(const QUrl &url) { opened.push_back(url); }
    std::vector<QUrl> opened;
};

// The program's search path for the time of a test: an empty folder (no
// desktop tools, no PDF viewer), or one with a stand-in viewer.
class SearchPath {
public:
    SearchPath() : m_old(qgetenv("PATH")) {
        qputenv("PATH", QByteArray::fromStdString(m_dir.path().string()));
    }
    ~SearchPath() { qputenv("PATH", m_old); }
    void addProgram(const std::string &name) {
        const fs::path p = m_dir.write(name, "#!/bin/sh\nexit 0\n");
        fs::permissions(p, fs::perms::owner_all);
    }

private:
    QByteArray m_old;
    TempDir m_dir;
};

bool anyMessageHas(const ScriptedInteraction &ui, const std::string &part) {
    for (const std::string &m : ui.messages) {
        if (m.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(HelpFromDialogs, F1InOptionsOpensItsTopicAboveTheDialogAndTheHelpWindowTakesClicksWhileOptionsIsOpen) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    s.w->show();
    bool seen = false;
    onModal<ui::frmOptions>([&](ui::frmOptions *d) {
        seen = true;
        pressF1(d);
        EXPECT_EQ(topic(s), "ctx" + std::to_string(101 + d->Options->currentIndex()));
        ui::HelpWindow *help = s->help().window();
        if (help == nullptr) {
            ADD_FAILURE() << "F1 opened no help window";
            d->reject();
            return;
        }
        EXPECT_TRUE(help->isVisible());
        EXPECT_EQ(help->parentWidget(), d) << "a window of the dialog that asked";
        ASSERT_TRUE(help->windowHandle() && d->windowHandle());
        EXPECT_EQ(help->windowHandle()->transientParent(), d->windowHandle()) << "kept above the dialog";
        // A click reaches the help window although Options is modal.
        QTest::mouseClick(help->findChild<QPushButton *>(QStringLiteral("btnContents")), Qt::LeftButton);
        EXPECT_EQ(help->browser()->source().fragment(), "contents");
        d->reject();
    });
    ASSERT_NO_FATAL_FAILURE(s->action(QStringLiteral("menOptions"))->trigger());
    ASSERT_TRUE(seen);
    // Options has closed: the help window stays open above the main window.
    ui::HelpWindow *help = s->help().window();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->parentWidget(), s.w.get());
    help->close();
}

TEST(HelpFromDialogs, F1OpensTheTopicOfTheMainWindowNewProjectAndItsProjectType) {
    Sample sample;
    Session s(sample, "");
    s.w->show();
    pressF1(s.w.get());
    EXPECT_EQ(topic(s), "ctx22");

    const std::string folder = sample.appDir + "Working/";
    s.w->chooseFileName = [folder](int, const QString &, const QString &) { return folder; };
    std::vector<std::string> topics;
    onModal<ui::frmProjectType>([&](ui::frmProjectType *d) {
        pressF1(d);
        topics.push_back(topic(s));
        d->btnOK_Click();
    });
    onModal<ui::frmNewStreet>([&](ui::frmNewStreet *d) {
        pressF1(d);
        topics.push_back(topic(s));
        ui::HelpWindow *help = s->help().window();
        EXPECT_TRUE(help && help->parentWidget() == d) << "above the dialog";
        static_cast<QDialog *>(d)->reject();
    });
    s->menNew_Click();
    EXPECT_EQ(topics, (std::vector<std::string>{"ctx97", "ctx1"}));
}

TEST(HelpFromDialogs, F1InEachListEditorOpensItsTopic) {
    Sample sample;
    Session s(sample, "");
    s.w->show();
    const std::vector<std::pair<const char *, long>> editors = {
        {"menPollutants", 401},   {"menPercentiles", 402}, {"menLimitVal", 403}, {"menCities", 404},
        {"menMetBackFiles", 405}, {"menStdTrfFiles", 406}, {"menScenarios", 407}};
    for (const auto &[item, context] : editors) {
        std::string shown;
        s.ui.answers = {Answer::No}; // the limit values editor adds NOx and NO: leave without saving
        onModal<QDialog>([&](QDialog *d) {
            pressF1(d);
            shown = topic(s);
            d->reject();
        });
        s->action(QString::fromLatin1(item))->trigger();
        EXPECT_EQ(shown, "ctx" + std::to_string(context)) << item;
        s.ui.answers.clear();
    }
}

TEST(HelpFromDialogs, F1InTheFormatDialogOpensTheTopicOfItsFileKind) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    for (const auto &[kind, context] : std::vector<std::pair<int, long>>{{1, 90}, {2, 85}, {4, 89}}) {
        ui::FormatDialogInput in = ui::formatDialogInput(s.state, kind, 0);
        ui::frmFormatFile dialog(s.state, in, s.ui, &s->help());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QTest::qWait(20); // the first activation fills the boxes
        pressF1(&dialog);
        EXPECT_EQ(topic(s), "ctx" + std::to_string(context)) << kind;
        dialog.hide();
    }
}

TEST(UserGuide, WithoutAPdfViewerTheMainWindowAndNewProjectSayNoViewerWasFoundAndNameTheFile) {
    Sample sample;
    const std::string guide = sample.appDir + "Help/VESKUserGuideEN.pdf";
    std::filesystem::copy_file(WINVESK_USER_GUIDE, guide);
    Session s(sample, "");
    UrlCatcher desktop;
    SearchPath path; // no program that shows PDF files
    s->action(QStringLiteral("menUserGuide"))->trigger();
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_NE(s.ui.messages[0].find("No PDF viewer was found"), std::string::npos) << s.ui.messages[0];
    EXPECT_NE(s.ui.messages[0].find(guide), std::string::npos) << "the file, to be opened by hand";
    EXPECT_TRUE(desktop.opened.empty());

    // The new-project dialog's Help menu says the same.
    s.w->chooseFileName = [&](int, const QString &, const QString &) { return sample.appDir + "Working/"; };
    onModal<ui::frmProjectType>([](ui::frmProjectType *d) { d->btnOK_Click(); });
    onModal<ui::frmNewStreet>([&](ui::frmNewStreet *d) {
        d->findChild<QAction *>(QStringLiteral("menUserGuide"))->trigger();
        static_cast<QDialog *>(d)->reject();
    });
    s->menNew_Click();
    ASSERT_GE(s.ui.messages.size(), 2u);
    EXPECT_NE(s.ui.messages[1].find("No PDF viewer was found"), std::string::npos) << s.ui.messages[1];
    EXPECT_NE(s.ui.messages[1].find(guide), std::string::npos);

    // With a viewer the guide opens, and a missing guide is reported as missing.
    path.addProgram("evince");
    s.ui.messages.clear();
    s->action(QStringLiteral("menUserGuide"))->trigger();
    ASSERT_EQ(desktop.opened.size(), 1u);
    EXPECT_EQ(desktop.opened[0].toLocalFile().toStdString(), guide);
    std::filesystem::remove(guide);
    s->action(QStringLiteral("menUserGuide"))->trigger();
    EXPECT_EQ(desktop.opened.size(), 1u);
    EXPECT_TRUE(anyMessageHas(s.ui, "The User's Guide was not found"));
}

} // namespace vesk::test

#include "HelpFromDialogsTest.moc"
