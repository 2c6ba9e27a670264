#include "ui/mainwindow/FileCheckList.h"

#include "ui/common/ListEntryTip.h"

#include <QPainter>
#include <QPalette>

namespace vesk::ui {

FileCheckList::FileCheckList(int kind, QWidget *parent) : QListWidget(parent), m_kind(kind) {
    setObjectName(QStringLiteral("List1_%1").arg(kind));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideMiddle);
    tip = new ListEntryTip(this);
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!m_settingCheck) {
            Q_EMIT checkToggled(row(item));
        }
    });
}

QColor FileCheckList::grey() {
    return QPalette().color(QPalette::Disabled, QPalette::Text);
}

void FileCheckList::insertFile(int position, const QString &text, bool checked) {
    auto *item = new QListWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    m_settingCheck = true;
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    item->setForeground(black());
    insertItem(std::clamp(position, 0, count()), item);
    m_settingCheck = false;
}

bool FileCheckList::isChecked(int position) const {
    const QListWidgetItem *it = item(position);
    return it && it->checkState() == Qt::Checked;
}

void FileCheckList::setChecked(int position, bool checked) {
    if (QListWidgetItem *it = item(position)) {
        m_settingCheck = true;
        it->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        m_settingCheck = false;
    }
}

QColor FileCheckList::colour(int position) const {
    const QListWidgetItem *it = item(position);
    return it ? it->foreground().color() : QColor();
}

void FileCheckList::setColour(int position, const QColor &colour) {
    if (QListWidgetItem *it = item(position)) {
        it->setForeground(colour);
    }
}

QString FileCheckList::text(int position) const {
    const QListWidgetItem *it = item(position);
    return it ? it->text() : QString();
}

void FileCheckList::setText(int position, const QString &text) {
    if (QListWidgetItem *it = item(position)) {
        it->setText(text);
    }
}

bool FileCheckList::onlyPlaceholder() const {
    return count() == 1 && item(0)->text().isEmpty();
}

void FileCheckList::showPlaceholder() {
    clear();
    auto *item = new QListWidgetItem(QString());
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    addItem(item);
}

LogoBox::LogoBox(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("boxLabel"));
    setMinimumSize(200, 120);
}

void LogoBox::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("Sans Serif"));
    font.setBold(true);
    font.setPixelSize(std::clamp(std::min(width() / 6, height() / 3), 24, 140));
    p.setFont(font);
    const QRect r = rect();
    const int shift = std::max(2, font.pixelSize() / 40);
    p.setPen(Qt::white);
    p.drawText(r.translated(-shift, -shift), Qt::AlignCenter, QStringLiteral("VESK"));
    p.setPen(palette().color(QPalette::Mid));
    p.drawText(r, Qt::AlignCenter, QStringLiteral("VESK"));
}

} // namespace vesk::ui
