#pragma once

// "Copying...": the small window shown while data files are copied (adding a
// country). It shows a running busy bar in place of a file-copy clip, the
// source in Label1 and the target in Label2. The copying code sets the two
// paths before each file and closes the window when it is done.

#include <QWidget>

class QLabel;
class QProgressBar;

namespace vesk::ui {

class frmAnimation : public QWidget {
    Q_OBJECT
public:
    explicit frmAnimation(QWidget *parent = nullptr);

    // Shows the file being copied and keeps the bar running (events are
    // handled so that the window is painted between files).
    void showCopying(const QString &from, const QString &to);
    // Stops the bar after a file.
    void stopAnimation();
    bool animationRunning() const;

    QProgressBar *Animation1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
};

} // namespace vesk::ui
