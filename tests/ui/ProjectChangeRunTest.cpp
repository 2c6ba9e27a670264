// Runs after going from one project to another in the window: every project
// load must leave the state a fresh start would, so the run after New, Open
// or another kind of project computes what a run after start-up computes.

#include "ui/WindowSession.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>

using namespace vesk;
using test::Sample;
using test::Session;

namespace {

struct RunFiles {
    std::string hourly, statistics;
};

RunFiles sampleOutput(const Sample &sample) {
    return {test::readFile(sample.appDir + "Working/Out2023.txt"),
            test::readFile(sample.appDir + "Working/Stat2023.txt")};
}

// The sample street run straight after start-up: what every other route must give.
RunFiles freshRun() {
    Sample sample;
    Session s(sample, sample.project());
    EXPECT_TRUE(s.loaded);
    s.runToEnd();
    EXPECT_EQ(s->lblProgress->text(), "The calculation has ended.");
    return sampleOutput(sample);
}

void expectSameAsFreshStart(Session &s, const Sample &sample) {
    static const RunFiles fresh = freshRun();
    ASSERT_FALSE(fresh.hourly.empty());
    ASSERT_EQ(fresh.hourly.find("-99.0"), std::string::npos) << "the sample street computes every hour";
    ASSERT_TRUE(s->btnRun->isEnabled());
    s.runToEnd();
    EXPECT_EQ(s->lblProgress->text(), "The calculation has ended.")
        << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    const RunFiles after = sampleOutput(sample);
    EXPECT_EQ(after.hourly, fresh.hourly);
    EXPECT_EQ(after.statistics, fresh.statistics);
    EXPECT_GT(s->lstEmitters->count(), 0) << "Emitted Compounds lists the project's emitters";
}

} // namespace

TEST(ProjectChangeRun, OpeningTheSampleAfterANewProjectRunsAsAfterAFreshStart) {
    Sample sample;
    Session s(sample, sample.project());
    std::filesystem::create_directories(sample.appDir + "Fresh");
    s.newSingleStreetProject(sample.appDir + "Fresh/");
    ASSERT_TRUE(s.state.UntitledProject);
    s.open(sample.project());
    ASSERT_EQ(s.state.ProjectFile, sample.project());
    expectSameAsFreshStart(s, sample);
}

TEST(ProjectChangeRun, OpeningTheSampleStreetAfterTheMultiStreetProjectRunsAsAfterAFreshStart) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.state.MultiStreetMode);
    s.runToEnd();
    s.open(sample.project());
    ASSERT_FALSE(s.state.MultiStreetMode);
    EXPECT_TRUE(s->lblProgress->text().isEmpty()) << "the status of the other project's run is gone";
    expectSameAsFreshStart(s, sample);
}

TEST(ProjectChangeRun, OpeningTheSampleStreetAfterTheRouteProjectRunsAsAfterAFreshStart) {
    Sample sample;
    Session s(sample, sample.project("DemoRoute.vkp"));
    ASSERT_TRUE(s.state.RouteMode);
    s.open(sample.project());
    ASSERT_FALSE(s.state.RouteMode);
    expectSameAsFreshStart(s, sample);
}
