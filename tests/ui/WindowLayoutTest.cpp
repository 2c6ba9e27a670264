// The main window on the screen: at the size it opens with on a 1366 x 768
// screen every frame is in sight, on a smaller one every frame can be
// scrolled to, and each mode shows the traffic it computes with.

#include "ui/WindowSession.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <gtest/gtest.h>

using namespace vesk;
using test::Sample;
using test::Session;

namespace {

// The frames each mode shows.
std::vector<QWidget *> framesOf(Session &s) {
    if (s.state.CalcMode == 0) {
        return {s->Frame5, s->Frame1, s->frmboxStreet3D, s->FrameStreetData, s->Frame3};
    }
    return {s->Frame7, s->FrameStartEnd, s->Frame3, s->Frame12, s->FrameStreetData, s->FrameConcUnits,
            s->FrameEmitters};
}

QScrollArea *scrollArea(Session &s) {
    return s->findChild<QScrollArea *>(QStringLiteral("centralScroll"));
}

// The frame's rectangle in the scroll area's viewport.
QRect placeInView(Session &s, QWidget *frame) {
    QWidget *viewport = scrollArea(s)->viewport();
    return QRect(frame->mapTo(viewport, QPoint()), frame->size());
}

} // namespace

TEST(WindowLayout, AtItsSizeOnA1366x768ScreenEveryFrameOfBothModesIsInSightWithoutScrolling) {
    Sample sample;
    Session s(sample, sample.project());
    // What the window takes on such a screen: 1366 x 768 less the window frame and title bar.
    s->resize(1300, 728);
    s->show();
    for (const bool special : {false, true}) {
        special ? s->btnGeneric_Click() : s->btnSeries_Click();
        QApplication::processEvents();
        const QRect view = scrollArea(s)->viewport()->rect();
        for (QWidget *frame : framesOf(s)) {
            ASSERT_FALSE(frame->isHidden()) << frame->objectName().toStdString();
            EXPECT_TRUE(view.contains(placeInView(s, frame)))
                << frame->objectName().toStdString() << (special ? " in Special Mode" : "");
        }
    }
}

TEST(WindowLayout, OnASmallerScreenTheFramesScrollAndNoneIsCutOff) {
    Sample sample;
    Session s(sample, sample.project());
    s->resize(800, 560);
    s->show();
    QApplication::processEvents();
    QWidget *content = scrollArea(s)->widget();
    EXPECT_GT(content->width(), scrollArea(s)->viewport()->width()) << "the frames scroll";
    for (QWidget *frame : framesOf(s)) {
        const QRect place(frame->mapTo(content, QPoint()), frame->size());
        EXPECT_TRUE(content->rect().contains(place)) << frame->objectName().toStdString();
        EXPECT_GE(frame->width(), frame->minimumSizeHint().width()) << frame->objectName().toStdString();
        EXPECT_GE(frame->height(), frame->minimumSizeHint().height()) << frame->objectName().toStdString();
    }
}

TEST(WindowLayout, SpecialModeShowsItsOwnTrafficAndCalculationTheTimeSeriesTraffic) {
    Sample sample;
    Session s(sample, sample.project());
    s.state.TrafficLight = 1200;
    s.state.TrafficHeavy = 80;
    s.state.SpeedLight = 50;
    s.state.SpeedHeavy = 45;
    s->btnGeneric_Click();
    EXPECT_TRUE(s->txtADT->isHidden()) << "the time series' daily traffic plays no part in Special Mode";
    EXPECT_TRUE(s->txtSpeed->isHidden());
    ASSERT_FALSE(s->lblSpecialTraffic->isHidden());
    EXPECT_EQ(s->lblSpecialTraffic->text().toStdString(), "1200 light + 80 heavy");
    EXPECT_EQ(s->lblSpecialSpeed->text().toStdString(), "50 light, 45 heavy");
    s->btnSeries_Click();
    EXPECT_FALSE(s->txtADT->isHidden());
    EXPECT_FALSE(s->txtSpeed->isHidden());
    EXPECT_TRUE(s->lblSpecialTraffic->isHidden());
}
