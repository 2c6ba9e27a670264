#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace vesk::ui {

// The help window: a browser over the HTML help pages with Back, Forward,
// Contents and Index.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Opens the page at the anchor; an unknown anchor shows the page's top.
    void showPage(const QString &page, const QString &anchor);
    // Places the window over the middle of the window that asked for help,
    // within the room of that window's screen.
    void placeOver(const QWidget *asking);
    QTextBrowser *browser() const { return m_browser; }

private:
    void setupUi();

    QTextBrowser *m_browser = nullptr;
    QString m_page;
};

} // namespace vesk::ui
