// Printing the results window: the result file's name, the key information
// and the comments on the first sheet, then each chosen page's name and
// table, one sheet per page. A table wider than 85 % of the sheet is shrunk
// to it; one taller than the room left on its sheet is shrunk to fit as well.

#include "core/Interaction.h"
#include "project/Lifecycle.h"
#include "run/results/ResultsPrintPlan.h"
#include "ui/common/DisplayText.h"
#include "ui/common/EngineState.h"
#include "ui/common/PictureFile.h"
#include "ui/results/ResultsTablePainter.h"
#include "ui/results/frmShowResults.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>

namespace vesk::ui {

QString frmShowResults::proposedPdfName() const {
    // A file name holds some hundred characters of the street's name at most.
    const QString street = displayText(m_streetShown, 100).trimmed();
    return offeredPrintFile(QString::fromStdString(openProjectFolder(m_state)),
                            street.isEmpty() ? QStringLiteral("results")
                                             : street + QStringLiteral("_results"));
}

void frmShowResults::menPrint_Click() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QFileInfo(proposedPdfName()).completeBaseName());
    printer.setOutputFileName(proposedPdfName());
    // A table wider than a portrait sheet is offered across the sheet.
    const QRectF portrait = printer.pageLayout().paintRect(QPageLayout::Inch);
    if (GridWidth / 1440.0 > portrait.width() * 0.85) {
        printer.setPageOrientation(QPageLayout::Landscape);
    }
    bool chosen = false;
    if (choosePrinter) {
        chosen = choosePrinter(printer);
    } else {
        PrintDialog dialog(&printer, QString::fromStdString(openProjectFolder(m_state)), this);
        dialog.setWindowTitle(QStringLiteral("Print Results"));
        dialog.setMinMax(1, LastPageIndex + 1);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
        chosen = dialog.exec() == QDialog::Accepted;
    }
    if (chosen) {
        printResults(printer);
    }
}

std::vector<QString> frmShowResults::printResults(QPrinter &printer) {
    std::vector<QString> printed;
    const bool range = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    const std::vector<int> pages =
        results::pagesToPrint(range, printer.fromPage() - 1, printer.toPage() - 1, LastPageIndex);
    if (pages.empty()) {
        return printed;
    }
    // A name typed without its folder lies beside the project, as the name proposed does.
    PrintedFile file(printer, QString::fromStdString(openProjectFolder(m_state)));
    if (QString why; file.refused(&why)) {
        m_interaction.message(why.toStdString(), Icon::Critical);
        return printed;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        return printed; // the printer failed: nothing is sent
    }
    QFont font(QStringLiteral("Arial"),
               txtKeyInfo->font().pointSize() > 0 ? txtKeyInfo->font().pointSize() : 9);
    painter.setFont(font);
    const double perTwip = printer.resolution() / 1440.0;
    const QRectF sheet = printer.pageRect(QPrinter::DevicePixel);
    const double lineHeight = QFontMetricsF(font, &printer).lineSpacing();
    const double gap = 500 * perTwip;

    bool firstSheet = true;
    for (int p : pages) {
        if (!firstSheet && !printer.newPage()) {
            break;
        }
        firstSheet = false;
        results::ResultsPage table = pageFor(p);
        widenColumnsToFit(table, font, &printer, perTwip);
        const results::TablePlacement place =
            results::placeTable(sheet.width(), table.gridWidthTwips() * perTwip);
        double y = 0;
        auto printLines = [&](const std::vector<std::string> &lines) {
            for (const std::string &line : lines) {
                const QString text = QString::fromStdString(line);
                painter.drawText(QPointF(place.left, y + lineHeight * 0.8), text);
                printed.push_back(text);
                y += lineHeight;
            }
        };
        if (p == 0) {
            y = gap;
            const auto blocks = results::printOpeningBlocks(
                m_state.ResultFileName, txtKeyInfo->toPlainText().toStdString(), commentsText());
            printLines(blocks[0]);
            y += gap;
            printLines(blocks[1]);
        }
        y += gap;
        printLines(results::printPageTitle(cmbPage->itemText(p).toStdString()));
        y += gap;
        const double height = table.gridHeightTwips() * perTwip;
        const double room = sheet.height() - y;
        const double scale =
            height * place.scale > room && height > 0 ? std::max(room, 0.0) / height : place.scale;
        const double left =
            scale < place.scale ? (sheet.width() - table.gridWidthTwips() * perTwip * scale) / 2 : place.left;
        painter.save();
        painter.translate(left, y);
        painter.scale(scale, scale);
        paintResultsTable(painter, table, QPointF(0, 0), perTwip, font);
        painter.restore();
    }
    painter.end();
    if (QString why; !file.place(&why)) {
        m_interaction.message("The results could not be printed.\r\n" + why.toStdString(), Icon::Critical);
        return {};
    }
    if (!file.note().isEmpty()) {
        m_interaction.message(file.note().toStdString(), Icon::Information);
    }
    return printed;
}

} // namespace vesk::ui
