// Help for the results windows and the graphs, and the user's guide that
// Help > "User's Guide in PDF format" opens.

#include "ui/WindowSession.h"
#include "ui/common/HelpSystem.h"
#include "ui/results/MDIGraphics.h"
#include "ui/results/frmMultiStreetResults.h"
#include "ui/results/frmShowResults.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QPushButton>
#include <QUrl>
#include <gtest/gtest.h>

#include <filesystem>

namespace vesk::test {
namespace {

// Takes the addresses the program hands to the desktop instead of opening them.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    Q_INVOKABLE void open(const QUrl &url) { opened.push_back(url); }
    std::vector<QUrl> opened;
};

// The topic anchors of a help page.
bool pageHasTopic(const std::string &page, long context) {
    return readFile(page).find("name=\"ctx" + std::to_string(context) + "\"") != std::string::npos;
}

TEST(ResultsHelp, theResultsWindowsAndTheGraphsOpenTheirOwnTopics) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.loaded);
    std::vector<std::string> fragments;
    s.onResultsWindow = [&](QDialog &dialog) {
        if (auto *street = dynamic_cast<ui::frmShowResults *>(&dialog)) {
            street->findChild<QAction *>(QStringLiteral("menHelpResults"))->trigger();
        } else {
            auto &list = dynamic_cast<ui::frmMultiStreetResults &>(dialog);
            list.btnHelp->click();
            fragments.push_back(s->help().lastShown().fragment().toStdString());
            list.showStreet(0);
        }
        fragments.push_back(s->help().lastShown().fragment().toStdString());
    };
    s.runToEnd();
    ASSERT_EQ(fragments, (std::vector<std::string>{"ctx602", "ctx601", "ctx601"}));

    s->menGraphic_Click();
    ui::MDIGraphics *frame = s->graphicsFrame();
    ASSERT_TRUE(frame);
    frame->findChild<QAction *>(QStringLiteral("menHelpGraphs"))->trigger();
    EXPECT_EQ(s->help().lastShown().fragment(), "ctx621");
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    for (const char *page : {"Help/Vesk_en.html", "Help/Vesk_dk.html"}) {
        for (long context : {ui::frmShowResults::kHelpContext, ui::frmMultiStreetResults::kHelpContext,
                             ui::MDIGraphics::kHelpContext}) {
            EXPECT_TRUE(pageHasTopic(sample.appDir + page, context)) << page << " " << context;
        }
    }
}

TEST(UserGuide, isBuiltAsAPdfOfSeveralPages) {
    QFile guide(QStringLiteral(WINVESK_USER_GUIDE));
    ASSERT_TRUE(guide.open(QIODevice::ReadOnly)) << WINVESK_USER_GUIDE;
    const QByteArray bytes = guide.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_GE(bytes.count("/Type /Page") - bytes.count("/Type /Pages"), 4) << "the whole guide, not a stub";
}

TEST(UserGuide, theHelpMenuOpensItInEitherLanguage) {
    Sample sample;
    std::filesystem::copy_file(WINVESK_USER_GUIDE,
                               std::filesystem::path(sample.appDir) / "Help" / "VESKUserGuideEN.pdf");
    Session s(sample, "");
    UrlCatcher desktop;
    // A PDF viewer on the search path: the program hands the guide to the desktop only when there is one.
    TempDir programs;
    const fs::path viewer = programs.write("evince", "#!/bin/sh\nexit 0\n");
    fs::permissions(viewer, fs::perms::owner_all);
    struct SearchPath {
        QByteArray old = qgetenv("PATH");
        ~SearchPath() { qputenv("PATH", old); }
    } restore;
    qputenv("PATH", QByteArray::fromStdString(programs.path().string()));
    s->action("menUserGuide")->trigger();
    ASSERT_EQ(desktop.opened.size(), 1u) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    EXPECT_EQ(desktop.opened[0].toLocalFile().toStdString(), sample.appDir + "Help/VESKUserGuideEN.pdf");

    s->action("menHelpL_1")->trigger(); // Danish help: the guide is in English only
    s->action("menUserGuide")->trigger();
    ASSERT_EQ(desktop.opened.size(), 2u);
    EXPECT_EQ(desktop.opened[1].toLocalFile().toStdString(), sample.appDir + "Help/VESKUserGuideEN.pdf");
    EXPECT_TRUE(s.ui.messages.empty());
}

} // namespace
} // namespace vesk::test

#include "ResultsHelpTest.moc"
