#include "ui/common/SketchBox.h"

#include "core/Interaction.h"
#include "ui/common/PictureFile.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace vesk::ui {

namespace {
const QSize kDefaultPictureSize(480, 360);
}

SketchBox::SketchBox(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("boxStreet3D"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setFont(QFont(QStringLiteral("Arial")));
    setMinimumSize(120, 90);

    m_menu = new QMenu(QStringLiteral("Edit3D"), this);
    m_menu->setObjectName(QStringLiteral("menEdit3D"));
    QAction *copy = m_menu->addAction(QStringLiteral("Copy"));
    copy->setObjectName(QStringLiteral("menCopy3D"));
    QAction *save = m_menu->addAction(QStringLiteral("Save"));
    save->setObjectName(QStringLiteral("menSave3D"));
    QAction *print = m_menu->addAction(QStringLiteral("Print"));
    print->setObjectName(QStringLiteral("menPrint3D"));
    connect(copy, &QAction::triggered, this, &SketchBox::menCopy3D_Click);
    connect(save, &QAction::triggered, this, &SketchBox::menSave3D_Click);
    connect(print, &QAction::triggered, this, &SketchBox::menPrint3D_Click);

    m_choosePrinter = [this](QPrinter &printer) {
        PrintDialog dialog(&printer, printFolder(), this);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        return dialog.exec() == QDialog::Accepted;
    };
}

void SketchBox::setStreet(const SketchStreet &street) {
    m_street = street;
    update();
}

void SketchBox::setView(const SketchView &view) {
    m_view = view;
    update();
}

void SketchBox::setLabelFont(const SketchLabelFont &font) {
    m_font = font;
    update();
}

double SketchBox::effectiveViewHeight() const {
    return m_view.autoHeight ? automaticViewHeight(m_street, m_view.angle_deg) : m_view.height_m;
}

void SketchBox::assign(const SketchStreet &street, const SketchView &view, const SketchLabelFont &font) {
    m_street = street;
    m_view = view;
    m_font = font;
}

QImage SketchBox::picture() {
    if (m_refresh) {
        m_refresh();
    }
    const QSize size = (width() > 0 && height() > 0) ? this->size() : kDefaultPictureSize;
    return renderStreetSketch(size, m_street, m_view, m_font);
}

void SketchBox::paintEvent(QPaintEvent *) {
    if (m_refresh) {
        m_refresh();
    }
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    DrawStreetSketch(painter, rect(), logicalDpiX(), logicalDpiY(), m_street, m_view, m_font);
}

void SketchBox::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::RightButton) {
        m_menu->popup(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void SketchBox::report(const QString &text) {
    if (m_interaction) {
        m_interaction->message(text.toStdString(), Icon::Critical);
    }
}

void SketchBox::menCopy3D_Click() {
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(picture());
}

bool SketchBox::menSave3D_Click() {
    if (!m_interaction) {
        return false;
    }
    FileChoice choice;
    choice.title = "Save";
    choice.field = "the picture file";
    choice.filters = {"Bitmap Picture (*.bmp)|*.bmp"};
    choice.save = true;
    const std::optional<std::string> path = m_interaction->chooseFile(choice);
    if (!path) {
        return false; // cancelled: nothing changes
    }
    return saveTo(QString::fromStdString(*path));
}

bool SketchBox::menPrint3D_Click() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Street sketch"));
    printer.setOutputFileName(offeredPrintFile(printFolder(), QStringLiteral("street_sketch")));
    if (m_choosePrinter && !m_choosePrinter(printer)) {
        return false; // cancelled
    }
    return printOn(printer);
}

QString SketchBox::printFolder() const {
    return m_printFolder ? QString::fromStdString(m_printFolder()) : QString();
}

bool SketchBox::saveTo(const QString &path) {
    QString error;
    if (!saveSketchPicture(picture(), path, &error)) {
        report(error);
        return false;
    }
    return true;
}

bool SketchBox::printOn(QPrinter &printer) {
    if (m_refresh) {
        m_refresh();
    }
    QString error, note;
    if (!printStreetSketch(printer, m_street, m_view, m_font, printFolder(), &error, &note)) {
        report(error);
        return false;
    }
    if (!note.isEmpty() && m_interaction) {
        m_interaction->message(note.toStdString(), Icon::Information);
    }
    return true;
}

} // namespace vesk::ui
