#pragma once

// A label for a file name in a narrow frame: it keeps its whole text (text()
// and the tip show it) and paints it shortened in the middle with an ellipsis
// when the label is narrower than the text, so that a long path never widens
// the frame it stands in.

#include <QLabel>

namespace vesk::ui {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    // The text as painted now (the whole text when it fits).
    QString shownText() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
};

} // namespace vesk::ui
