#include "ui/common/HelpWindow.h"

#include "ui/common/ScreenFit.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace vesk::ui {

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setupUi();
}

void HelpWindow::setupUi() {
    setWindowTitle(QStringLiteral("WinVESK Help"));
    resize(720, 560);
    auto *layout = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    auto *back = new QPushButton(tr("&Back"), this);
    auto *forward = new QPushButton(tr("&Forward"), this);
    auto *contents = new QPushButton(tr("&Contents"), this);
    auto *index = new QPushButton(tr("&Index"), this);
    auto *close = new QPushButton(tr("Close"), this);
    back->setObjectName(QStringLiteral("btnBack"));
    forward->setObjectName(QStringLiteral("btnForward"));
    contents->setObjectName(QStringLiteral("btnContents"));
    index->setObjectName(QStringLiteral("btnIndex"));
    for (auto *b : {back, forward, contents, index}) {
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenExternalLinks(true);
    layout->addWidget(m_browser);

    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(contents, &QPushButton::clicked, this, [this] { showPage(m_page, QStringLiteral("contents")); });
    connect(index, &QPushButton::clicked, this, [this] { showPage(m_page, QStringLiteral("index")); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
}

void HelpWindow::showPage(const QString &page, const QString &anchor) {
    m_page = page;
    QUrl url = QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath());
    url.setFragment(anchor);
    m_browser->setSource(url);
    if (!anchor.isEmpty()) {
        m_browser->scrollToAnchor(anchor);
    }
}

void HelpWindow::placeOver(const QWidget *asking) {
    QRect place(QPoint(), size().expandedTo(minimumSizeHint())); // the size it will show with
    place.moveCenter(asking->frameGeometry().center());
    move(fittedFrame(place, place.size(), screenRoom(asking)).topLeft()); // on the asking window's screen
}

} // namespace vesk::ui
