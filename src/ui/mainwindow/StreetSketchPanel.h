#pragma once

// The street sketch of the main window with its view controls: zoom, view
// angle and view height, each with an "Auto" tick that locks its boxes (the
// view height is then computed by the sketch), the label switch "Text", the
// automatic label font "Auto" and "Format Text". The view values live in the
// program state (ViewZoom, ViewAngle, ViewHeight, SketchFontSize) and are
// window state only: no change here marks the project as changed.

#include "ui/common/StreetSketch.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vesk {
struct State;
class Interaction;
} // namespace vesk

namespace vesk::ui {

class SketchBox;
class UpDownControl;

class StreetSketchPanel : public QWidget {
    Q_OBJECT
public:
    StreetSketchPanel(State &state, Interaction &interaction, QWidget *parent = nullptr);

    // Chooses the label font: returns false when cancelled. size is in points.
    using FontChooser = std::function<bool(SketchLabelFont &font, int &size)>;
    void setFontChooser(FontChooser chooser) { m_chooseFont = std::move(chooser); }

    // Draws the street and view of the state again. (The box also takes them
    // from the state before every painting, so it never shows a stale street.)
    void DrawStreetSketch();
    // After a project was loaded: the view boxes show the state's view values,
    // the label font is automatic again.
    void projectLoaded();

    SketchBox *boxStreet3D = nullptr;
    QCheckBox *CheckZoom = nullptr;
    QLineEdit *TextZoom = nullptr;
    UpDownControl *UpDownZoom = nullptr;
    QCheckBox *CheckViewAngle = nullptr;
    QLineEdit *TextViewAngle = nullptr;
    UpDownControl *UpDownViewAngle = nullptr;
    QCheckBox *CheckViewHeight = nullptr;
    QLineEdit *TextViewHeight = nullptr;
    UpDownControl *UpDownViewHeight = nullptr;
    QCheckBox *CheckText = nullptr;
    QCheckBox *CheckTextAuto = nullptr;
    QPushButton *btnFormatText = nullptr;

public Q_SLOTS:
    void CheckZoom_Click();
    void TextZoom_LostFocus();
    void UpDownZoom_Change();
    void CheckViewAngle_Click();
    void TextViewAngle_LostFocus();
    void UpDownViewAngle_Change();
    void CheckViewHeight_Click();
    void TextViewHeight_LostFocus();
    void UpDownViewHeight_Change();
    void CheckText_Click();
    void CheckTextAuto_Click();
    void btnFormatText_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    // Brings the sketch box up to date with the state (no repaint of its own).
    void syncSketch();
    void lockBoxes(QCheckBox *check, QLineEdit *text, UpDownControl *upDown);
    void raiseHeightMaximum();

    State &m_state;
    Interaction &m_interaction;
    SketchLabelFont m_font;
    FontChooser m_chooseFont;
};

} // namespace vesk::ui
