// The summary of the last run names what the run computed with: a city size,
// traffic amount or traffic file chosen after the run labels the next run's
// results, never the results already there.

#include "ui/WindowSession.h"

#include "ui/results/frmMultiStreetResults.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

using namespace vesk;
using namespace vesk::ui;
using test::Sample;
using test::Session;

namespace {

// The key information of the summaries the window shows: of the run's own
// summary window, or of the first street of the street list.
struct Summaries {
    std::string last;
    explicit Summaries(Session &s) {
        s.onResultsWindow = [this](QDialog &window) {
            if (auto *streets = qobject_cast<frmMultiStreetResults *>(&window)) {
                streets->showStreet(0); // shown through the same hook
            } else if (auto *info = window.findChild<QPlainTextEdit *>("txtKeyInfo")) {
                last = info->toPlainText().toStdString();
            }
        };
    }
};

std::string urbanBackground(const QString &citySize) {
    return "Urban Background:  Default for a City with a population of " + citySize.toStdString();
}

std::string dailyTraffic(const QString &adt) {
    return "Average Daily Traffic: " + adt.toStdString() + " (Calculated: ";
}

// Another city size, chosen in the box as the user does.
QString chooseAnotherCitySize(Session &s) {
    const QString before = s->cmbCitySize->currentText();
    QTest::keyClick(s->cmbCitySize, s->cmbCitySize->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
    EXPECT_NE(s->cmbCitySize->currentText(), before);
    EXPECT_EQ(s.state.CitySize, s->cmbCitySize->currentIndex() + 1);
    return s->cmbCitySize->currentText();
}

} // namespace

TEST(RunLabels, TheSummaryOfTheLastRunKeepsItsCitySizeAndTrafficWhenTheBoxesChangeAfterIt) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    ASSERT_TRUE(s->txtADT->isEnabled()) << "the sample's traffic file is a profile scaled to the street's traffic";
    Summaries summaries(s);
    const QString runCitySize = s->cmbCitySize->currentText();
    const QString runADT = s->txtADT->text();
    s.runToEnd();
    ASSERT_EQ(s->lblProgress->text(), "The calculation has ended.");

    const QString newCitySize = chooseAnotherCitySize(s);
    const QString newADT = QStringLiteral("12345");
    s->txtADT->selectAll();
    QTest::keyClicks(s->txtADT, newADT);
    s->txtTraffic_LostFocus(0); // the box left
    ASSERT_EQ(s.state.AnnualDiurnalTraffic, 12345.0);

    summaries.last.clear();
    s->action("menLastResults")->trigger();
    EXPECT_NE(summaries.last.find(urbanBackground(runCitySize)), std::string::npos) << summaries.last;
    EXPECT_NE(summaries.last.find(dailyTraffic(runADT)), std::string::npos) << summaries.last;
    EXPECT_EQ(summaries.last.find(newCitySize.toStdString()), std::string::npos) << summaries.last;

    // The next run is labelled with what it computed with.
    summaries.last.clear();
    s.runToEnd();
    ASSERT_EQ(s->lblProgress->text(), "The calculation has ended.");
    s->action("menLastResults")->trigger();
    EXPECT_NE(summaries.last.find(urbanBackground(newCitySize)), std::string::npos) << summaries.last;
    EXPECT_NE(summaries.last.find(dailyTraffic(newADT)), std::string::npos) << summaries.last;
}

TEST(RunLabels, AStreetOfTheLastMultiStreetRunKeepsTheRunsCitySizeWhenTheBoxChangesAfterIt) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.loaded);
    ASSERT_TRUE(s->cmbCitySize->isEnabled());
    Summaries summaries(s);
    const QString runCitySize = s->cmbCitySize->currentText();
    s.runToEnd();
    ASSERT_EQ(s->lblProgress->text(), "The calculation has ended.");

    const QString newCitySize = chooseAnotherCitySize(s);
    summaries.last.clear();
    s->action("menLastResults")->trigger();
    EXPECT_NE(summaries.last.find(urbanBackground(runCitySize)), std::string::npos) << summaries.last;
    EXPECT_EQ(summaries.last.find(newCitySize.toStdString()), std::string::npos) << summaries.last;

    summaries.last.clear();
    s.runToEnd();
    ASSERT_EQ(s->lblProgress->text(), "The calculation has ended.");
    s->action("menLastResults")->trigger();
    EXPECT_NE(summaries.last.find(urbanBackground(newCitySize)), std::string::npos) << summaries.last;
}
