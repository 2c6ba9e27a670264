// The two floating views of the format dialog: the data file's own column
// names (the header view) and the known variables with their descriptions
// (the catalogue view), which can be printed.

#include "ui/inputdef/frmFormatFile.h"

#include "core/Interaction.h"
#include "project/DataFileHeader.h"
#include "ui/common/PictureFile.h"
#include "ui/common/ScreenFit.h"
#include "ui/inputdef/FloatingFrame.h"
#include "ui/inputdef/ListTextBox.h"

#include <QHeaderView>
#include <QListWidget>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {

// Widths of the catalogue frame and the minimum sizes of the grids, in
// pixels (the twips of the layout at 15 twips a pixel).
constexpr int kMinimumGridWidth = 100; // 1500 twips
constexpr int kMinimumGridHeight = 83; // 1250 twips
constexpr int kTwipsPerInch = 1440;

int twipsToDevice(double twips, int dpi) {
    return static_cast<int>(twips * dpi / kTwipsPerInch);
}

} // namespace

void frmFormatFile::setupFloatingFrames() {
    Frame5 = new FloatingFrame(QStringLiteral("Frame5"), QStringLiteral("Frame6"),
                               QStringLiteral("btnCloseHeading"), false, this);
    DataGrid1 = new QTableWidget(0, 0, Frame5);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataGrid1->verticalHeader()->hide();
    DataGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DataGrid1->setShowGrid(false);
    DataGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    DataGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Frame5->setContent(DataGrid1, kMinimumGridWidth, 0);
    Frame5->resize(456, 57); // 6840 x 860 twips
    Frame5->closed = [this] { btnViewHeader->setEnabled(true); };

    Frame3 = new FloatingFrame(QStringLiteral("Frame3"), QStringLiteral("Frame4"), QStringLiteral("btnClose"),
                               true, this);
    MSFlexGrid1 = new QTableWidget(0, 2, Frame3);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->setHorizontalHeaderLabels({QStringLiteral("Variable Name"), QStringLiteral("Description")});
    MSFlexGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    MSFlexGrid1->horizontalHeader()->setStretchLastSection(false);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(MSFlexGrid1->fontMetrics().height() + 6);
    Frame3->setContent(MSFlexGrid1, kMinimumGridWidth, kMinimumGridHeight);
    btnPrint = new QPushButton(QStringLiteral("Print List"), Frame3);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnPrint->setAutoDefault(false);
    Frame3->contentLayout()->addWidget(btnPrint, 0, Qt::AlignLeft);
    Frame3->resize(392, 264); // 5880 x 3960 twips
    Frame3->closed = [this] { btnShowVariables->setEnabled(true); };
    connect(btnPrint, &QPushButton::clicked, this, &frmFormatFile::btnPrint_Click);
}

// ---- The data file's header -------------------------------------------------------------

void frmFormatFile::btnViewHeader_Click() {
    if (Frame5->isVisible()) {
        Frame5->hide();
        return;
    }
    if (refusedDriveLetter()) {
        return;
    }
    const std::string path = dataFilePathOfInput();
    const FileHeader header = readDataFileHeader(path, m_input.decimalSeparator);
    HeaderFailed = !header.ok();
    switch (header.failure) {
    case HeaderFailure::None:
        break;
    case HeaderFailure::NotAccessible:
        m_interaction.message("No such file or the file cannot be accessed\r\n" + header.detail,
                              Icon::Critical);
        return;
    case HeaderFailure::Unreadable:
        m_interaction.message("Error reading the file\r\n" + header.detail, Icon::Critical);
        return;
    case HeaderFailure::NotRecognised:
        m_interaction.message("Can't show the File Header! " + path + "\r\n" + header.detail,
                              Icon::Information);
        return;
    }
    const QFontMetrics metrics(DataGrid1->horizontalHeader()->font());
    QStringList captions;
    int widest = 0;
    for (const std::string &name : header.names) {
        const QString caption = QString::fromStdString(columnCaption(name, m_input.decimalSeparator));
        captions << caption;
        widest = std::max(widest, metrics.horizontalAdvance(caption));
    }
    DataGrid1->clear();
    DataGrid1->setRowCount(0);
    DataGrid1->setColumnCount(static_cast<int>(captions.size()));
    DataGrid1->setHorizontalHeaderLabels(captions);
    DataGrid1->horizontalHeader()->setDefaultSectionSize(static_cast<int>(1.3 * widest) + 8);
    for (int c = 0; c < DataGrid1->columnCount(); ++c) {
        DataGrid1->setColumnWidth(c, static_cast<int>(1.3 * widest) + 8);
    }
    const int gridHeight = DataGrid1->horizontalHeader()->sizeHint().height() +
                           DataGrid1->horizontalScrollBar()->sizeHint().height() + 4;
    DataGrid1->setFixedHeight(gridHeight);
    Frame5->setFixedHeight(Frame5->sizeHint().height());
    // Wide enough for every column when the dialog's width allows it; the
    // user can widen it further.
    const int columns = DataGrid1->columnCount() * DataGrid1->columnWidth(0);
    const QMargins m = Frame5->contentLayout()->contentsMargins();
    const int margins = m.left() + m.right() + 2 * Frame5->frameWidth() + 2 * DataGrid1->frameWidth();
    const QPoint below = boxVariables->mapToGlobal(QPoint(0, boxVariables->height() + 20));
    const int room = screenRoom(this).right() - below.x();
    Frame5->resize(std::clamp(columns + margins + 4, 456, std::max(456, room)), Frame5->height());
    Frame5->showAt(below);
}

// ---- The catalogue ----------------------------------------------------------------------

void frmFormatFile::btnShowVariables_Click() {
    if (Frame3->isVisible()) {
        Frame3->hide();
        return;
    }
    const int count = ListVariables->count();
    MSFlexGrid1->setRowCount(count);
    const QFontMetrics metrics(MSFlexGrid1->font());
    int widestName = 0;
    int widestDescription = 0;
    for (int k = 0; k < count; ++k) {
        const QString name = ListVariables->item(k)->text();
        const QString description = QString::fromStdString(
            static_cast<std::size_t>(k + 1) < VarDescriptions.size() ? VarDescriptions[k + 1]
                                                                     : std::string());
        MSFlexGrid1->setItem(k, 0, new QTableWidgetItem(name));
        MSFlexGrid1->setItem(k, 1, new QTableWidgetItem(description));
        widestName = std::max(widestName, metrics.horizontalAdvance(name) + 12);
        widestDescription = std::max(widestDescription, metrics.horizontalAdvance(description) + 12);
    }
    const int gridWidth = MSFlexGrid1->viewport()->width() > 0 ? MSFlexGrid1->viewport()->width() : 360;
    MSFlexGrid1->setColumnWidth(0, std::max(static_cast<int>(0.3 * gridWidth), widestName));
    MSFlexGrid1->setColumnWidth(1, std::max(static_cast<int>(0.7 * gridWidth), widestDescription));
    const QRect dialog = frameGeometry();
    Frame3->showAt(QPoint(dialog.right() - 67, dialog.bottom() - 33));
}

int frmFormatFile::printCatalogue(QPrinter &printer) const {
    PrintedFile file(printer, QString::fromStdString(m_input.printFolder));
    if (QString why; file.refused(&why)) {
        m_interaction.message(why.toStdString(), Icon::Critical);
        return 0;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        return 0;
    }
    const int dpi = printer.resolution();
    const int screenDpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    const int margin = twipsToDevice(100, dpi);
    // The second column begins where the grid's first column ends.
    const int secondColumn =
        static_cast<int>(static_cast<double>(MSFlexGrid1->columnWidth(0)) * dpi / screenDpi);
    const int pageHeight = painter.viewport().height();
    const int bottomReserve = twipsToDevice(300, dpi);
    const int lineHeight = painter.fontMetrics().lineSpacing();
    int pages = 1;
    int y = margin;
    // A new page starts when less than the reserve is left below the next
    // line (never after the last line, so no empty page ends the print).
    auto printRow = [&](const QString &first, const QString &second) {
        if (y > margin && y + lineHeight > pageHeight - bottomReserve) {
            printer.newPage();
            ++pages;
            y = margin;
        }
        painter.drawText(QPoint(margin, y + painter.fontMetrics().ascent()), first);
        painter.drawText(QPoint(secondColumn, y + painter.fontMetrics().ascent()), second);
        y += lineHeight;
    };
    printRow(QStringLiteral("Variable Name"), QStringLiteral("Description"));
    for (int r = 0; r < MSFlexGrid1->rowCount(); ++r) {
        const QTableWidgetItem *name = MSFlexGrid1->item(r, 0);
        const QTableWidgetItem *description = MSFlexGrid1->item(r, 1);
        printRow(name ? name->text() : QString(), description ? description->text() : QString());
    }
    painter.end();
    if (QString why; !file.place(&why)) {
        m_interaction.message("The variables could not be printed.\r\n" + why.toStdString(), Icon::Critical);
        return 0;
    }
    if (!file.note().isEmpty()) {
        m_interaction.message(file.note().toStdString(), Icon::Information);
    }
    return pages;
}

void frmFormatFile::btnPrint_Click() {
    QPrinter printer;
    printer.setDocName(QStringLiteral("Variable list"));
    printer.setOutputFileName(
        offeredPrintFile(QString::fromStdString(m_input.printFolder), QStringLiteral("variable_list")));
    bool chosen = false;
    if (choosePrinter) {
        chosen = choosePrinter(printer);
    } else {
        PrintDialog dialog(&printer, QString::fromStdString(m_input.printFolder), this);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        chosen = dialog.exec() == QDialog::Accepted;
    }
    if (chosen) {
        printCatalogue(printer);
    }
}

} // namespace vesk::ui
