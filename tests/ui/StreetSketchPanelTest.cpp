#include "ui/mainwindow/StreetSketchPanel.h"

#include "run/State.h"
#include "support/TestSupport.h"
#include "ui/common/SketchBox.h"
#include "ui/common/UpDownControl.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace vesk::ui {
namespace {

struct Panel {
    State state;
    vesk::test::ScriptedInteraction interaction;
    std::unique_ptr<StreetSketchPanel> panel;

    Panel() {
        state.StreetWidth = 20;
        state.StreetHeight = 20;
        state.StreetLength_1 = 50;
        state.StreetLength_2 = 50;
        state.Receptor1 = state.Receptor2 = 1;
        panel = std::make_unique<StreetSketchPanel>(state, interaction);
    }

    // Types text into a box and leaves it with Enter.
    void type(QLineEdit *box, const QString &text) {
        box->setText(text);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &enter);
    }
};

TEST(StreetSketchPanel, TypedAngleTakesTheDecimalCommaAndTheArrowsRoundHalvesToEven) {
    Panel p;
    p.panel->CheckViewAngle->setChecked(false);
    p.panel->CheckViewAngle_Click();
    p.type(p.panel->TextViewAngle, QStringLiteral("2,5"));
    EXPECT_DOUBLE_EQ(p.state.ViewAngle, 2.5);
    EXPECT_EQ(p.panel->UpDownViewAngle->value(), 2);
    p.type(p.panel->TextViewAngle, QStringLiteral("3,5"));
    EXPECT_EQ(p.panel->UpDownViewAngle->value(), 4);
    p.type(p.panel->TextViewAngle, QStringLiteral("400"));
    EXPECT_DOUBLE_EQ(p.state.ViewAngle, 400.0); // the view takes it, the arrows stay in range
    EXPECT_EQ(p.panel->UpDownViewAngle->value(), 180);
    EXPECT_DOUBLE_EQ(p.panel->boxStreet3D->view().angle_deg, 400.0);
}

TEST(StreetSketchPanel, ZoomIsReadInPercentAndTheArrowsStepByTen) {
    Panel p;
    for (const char *text : {"150", "150%"}) {
        p.type(p.panel->TextZoom, QString::fromLatin1(text));
        EXPECT_DOUBLE_EQ(p.state.ViewZoom, 1.5) << text;
    }
    p.panel->UpDownZoom->stepUp();
    EXPECT_EQ(p.panel->TextZoom->text(), QStringLiteral("160%"));
    EXPECT_DOUBLE_EQ(p.state.ViewZoom, 1.6);
    EXPECT_DOUBLE_EQ(p.panel->boxStreet3D->view().zoom, 1.6);
}

TEST(StreetSketchPanel, TypedViewHeightAboveTheArrowRangeRaisesItsMaximum) {
    Panel p;
    p.panel->CheckViewHeight->setChecked(false);
    p.panel->CheckViewHeight_Click();
    p.type(p.panel->TextViewHeight, QStringLiteral("1500"));
    EXPECT_DOUBLE_EQ(p.state.ViewHeight, 1500.0);
    EXPECT_EQ(p.panel->UpDownViewHeight->maximum(), 1500);
    p.panel->UpDownViewHeight->stepDown();
    p.panel->UpDownViewHeight->stepUp();
    EXPECT_EQ(p.panel->TextViewHeight->text(), QStringLiteral("1500"));
    p.type(p.panel->TextViewHeight, QStringLiteral("50"));
    EXPECT_EQ(p.panel->UpDownViewHeight->maximum(), 1500); // never lowered again
}

TEST(StreetSketchPanel, AutomaticViewHeightIsComputedAndShownAndLocksTheBoxes) {
    Panel p;
    EXPECT_FALSE(p.panel->TextViewHeight->isEnabled());
    p.state.ViewAngle = 30;
    p.panel->DrawStreetSketch();
    EXPECT_DOUBLE_EQ(p.state.ViewHeight, 250.0); // half the view distance, the highest eye
    p.state.ViewAngle = 5;
    p.panel->DrawStreetSketch();
    EXPECT_NEAR(p.state.ViewHeight, 145.26, 0.005);
    EXPECT_EQ(p.panel->TextViewHeight->text(), QStringLiteral("145.2596"));
    // Unticking keeps the computed height and lets the arrows reach it.
    p.panel->CheckViewHeight->setChecked(false);
    p.panel->CheckViewHeight_Click();
    EXPECT_TRUE(p.panel->TextViewHeight->isEnabled());
    EXPECT_EQ(p.panel->UpDownViewHeight->maximum(), 1000);
    EXPECT_EQ(p.panel->UpDownViewHeight->value(), 145);
}

TEST(StreetSketchPanel, AutomaticLabelFontGreysTheTextTickAndUntickingEnablesFormatting) {
    Panel p;
    p.state.SketchFontSize = 12;
    p.panel->CheckTextAuto->setChecked(true);
    p.panel->CheckTextAuto_Click();
    EXPECT_EQ(p.state.SketchFontSize, 0);
    EXPECT_EQ(p.panel->CheckText->checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(p.panel->btnFormatText->isEnabled());
    EXPECT_TRUE(p.panel->boxStreet3D->view().labels);

    p.panel->CheckTextAuto->setChecked(false);
    p.panel->CheckTextAuto_Click();
    EXPECT_EQ(p.panel->CheckText->checkState(), Qt::Checked);
    EXPECT_TRUE(p.panel->CheckText->isEnabled());
    EXPECT_TRUE(p.panel->btnFormatText->isEnabled());

    p.panel->CheckText->setChecked(false);
    EXPECT_FALSE(p.panel->btnFormatText->isEnabled());
    EXPECT_FALSE(p.panel->boxStreet3D->view().labels);
}

TEST(StreetSketchPanel, ChosenLabelFontIsUsedAndCancelChangesNothing) {
    Panel p;
    p.panel->CheckTextAuto->setChecked(false);
    p.panel->CheckTextAuto_Click();
    p.panel->setFontChooser([](SketchLabelFont &, int &) { return false; });
    p.panel->btnFormatText_Click();
    EXPECT_EQ(p.state.SketchFontSize, 0);
    EXPECT_TRUE(p.panel->boxStreet3D->labelFont().automatic);

    p.panel->setFontChooser([](SketchLabelFont &font, int &size) {
        font.name = QStringLiteral("DejaVu Serif");
        font.colour = Qt::blue;
        size = 14;
        return true;
    });
    p.panel->btnFormatText_Click();
    EXPECT_EQ(p.state.SketchFontSize, 14);
    EXPECT_FALSE(p.panel->boxStreet3D->labelFont().automatic);
    EXPECT_EQ(p.panel->boxStreet3D->labelFont().name, QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(p.panel->boxStreet3D->labelFont().colour, QColor(Qt::blue));
    EXPECT_DOUBLE_EQ(p.panel->boxStreet3D->view().fontSize, 14.0);
}

TEST(StreetSketchPanel, ViewChangesNeverMarkTheProjectChanged) {
    Panel p;
    p.panel->CheckZoom->setChecked(false);
    p.panel->CheckZoom_Click();
    p.type(p.panel->TextZoom, QStringLiteral("200"));
    p.panel->UpDownZoom->stepUp();
    p.panel->CheckTextAuto->setChecked(false);
    p.panel->CheckTextAuto_Click();
    EXPECT_FALSE(p.state.ProjectChanged);
}

TEST(StreetSketchPanel, LoadedProjectShowsTheResetViewAndTheStreetOfTheState) {
    Panel p;
    p.state.ViewZoom = 1;
    p.state.ViewAngle = 0;
    p.state.ViewHeight = 100;
    p.state.StreetWidth = 26;
    p.panel->projectLoaded();
    EXPECT_EQ(p.panel->TextZoom->text(), QStringLiteral("100%"));
    EXPECT_EQ(p.panel->TextViewAngle->text(), QStringLiteral("0"));
    EXPECT_EQ(p.panel->UpDownZoom->value(), 100);
    EXPECT_TRUE(p.panel->CheckTextAuto->isChecked());
    EXPECT_FALSE(p.panel->CheckText->isEnabled());
    EXPECT_DOUBLE_EQ(p.panel->boxStreet3D->street().width_m, 26.0);
}

} // namespace
} // namespace vesk::ui

namespace vesk::ui {
namespace {

TEST(StreetSketchPanel, SketchNeverShowsAStaleStreet) {
    Panel p;
    p.state.StreetWidth = 33; // changed elsewhere, without a call to draw
    p.panel->boxStreet3D->resize(200, 150);
    const QImage picture = p.panel->boxStreet3D->picture();
    EXPECT_EQ(picture.size(), QSize(200, 150));
    EXPECT_DOUBLE_EQ(p.panel->boxStreet3D->street().width_m, 33.0);
}

} // namespace
} // namespace vesk::ui
