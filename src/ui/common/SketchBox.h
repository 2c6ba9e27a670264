#pragma once

// The picture box of the street sketch (object name "boxStreet3D"). It paints
// the sketch of the street and view it was given, and its context menu
// ("Copy", "Save", "Print") copies, saves or prints the sketch. Failures of
// saving or printing are reported through the program's Interaction.

#include "project/SketchGeometry.h"
#include "ui/common/StreetSketch.h"

#include <QWidget>

#include <functional>
#include <string>

class QMenu;
class QPrinter;

namespace vesk {
class Interaction;
}

namespace vesk::ui {

class SketchBox : public QWidget {
    Q_OBJECT
public:
    explicit SketchBox(QWidget *parent = nullptr);

    // Messages and the save dialog go through interaction (may be null: then
    // failures are only returned).
    void setInteraction(Interaction *interaction) { m_interaction = interaction; }
    // How the printer is chosen; returns false when the user cancels. The
    // default shows the printer dialog.
    void setPrinterChooser(std::function<bool(QPrinter &)> chooser) { m_choosePrinter = std::move(chooser); }
    // The folder a relative name of a file printed into lies in (the
    // project's folder), asked at each print; none: the folder the program was
    // started from, and a message says where the file went.
    void setPrintFolder(std::function<std::string()> folder) { m_printFolder = std::move(folder); }

    // Sets what is drawn and redraws.
    void setStreet(const SketchStreet &street);
    void setView(const SketchView &view);
    void setLabelFont(const SketchLabelFont &font);
    // Sets all three without a repaint (for a refresher, see below).
    void assign(const SketchStreet &street, const SketchView &view, const SketchLabelFont &font);
    // Called before every painting, picture and print so that the owner can
    // bring the street and view up to date with assign().
    void setRefresher(std::function<void()> refresh) { m_refresh = std::move(refresh); }
    const SketchStreet &street() const { return m_street; }
    const SketchView &view() const { return m_view; }
    const SketchLabelFont &labelFont() const { return m_font; }

    // The view height the sketch draws with: the automatic one when the view asks
    // for it, else the view's own.
    double effectiveViewHeight() const;

    // The sketch as a picture of the box's size (a default size while the box
    // has none).
    QImage picture();

    QMenu *menEdit3D() const { return m_menu; }
    // Shows menu (whose actions the owner connects) on a right click instead of the box's own.
    void setContextMenu(QMenu *menu) { m_menu = menu; }

public Q_SLOTS:
    void menCopy3D_Click();
    bool menSave3D_Click();
    bool menPrint3D_Click();

    // Saves the picture under path; reports and returns false on failure.
    bool saveTo(const QString &path);
    // Prints on printer; reports and returns false on failure.
    bool printOn(QPrinter &printer);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void report(const QString &text);

    SketchStreet m_street;
    SketchView m_view;
    SketchLabelFont m_font;
    Interaction *m_interaction = nullptr;
    std::function<bool(QPrinter &)> m_choosePrinter;
    std::function<std::string()> m_printFolder;
    // The folder a relative name of a file printed into lies in ("": none set).
    QString printFolder() const;
    std::function<void()> m_refresh;
    QMenu *m_menu = nullptr;
};

} // namespace vesk::ui
