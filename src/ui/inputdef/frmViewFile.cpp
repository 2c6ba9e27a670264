#include "ui/inputdef/frmViewFile.h"

#include "core/Interaction.h"
#include "core/TextIO.h"
#include "platform/tables/TableAddress.h"
#include "project/DataFileHeader.h"
#include "ui/inputdef/TableDataModel.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTableView>
#include <QVBoxLayout>
#include <filesystem>

namespace vesk::ui {

frmViewFile::frmViewFile(const std::string &path, const std::string &decimalSeparator,
                         Interaction &interaction, QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmViewFile"));
    setWindowTitle(QStringLiteral("View File"));
    RichTextBox1 = new QPlainTextEdit(this);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setReadOnly(true);
    RichTextBox1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichTextBox1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    DataGrid1 = new QTableView(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(RichTextBox1);
    layout->addWidget(DataGrid1);
    resize(760, 520);

    const TableAddress address = parseTableAddress(path);
    std::error_code ec;
    if (address.unsupported) {
        interaction.message("Can't open the file " + path + "\r\nNot recognised file type", Icon::Critical);
        return;
    }
    if (!std::filesystem::is_regular_file(address.file, ec)) {
        interaction.message("No such file or the file cannot be accessed\r\n" + address.file, Icon::Critical);
        return;
    }
    std::string error;
    if (!address.isTable()) {
        DataGrid1->hide();
        std::string text;
        if (!readTextFile(path, &text, &error)) {
            interaction.message("No such file or the file cannot be accessed\r\n" + error, Icon::Critical);
            return;
        }
        RichTextBox1->setPlainText(QString::fromStdString(text));
        m_loaded = true;
        return;
    }
    RichTextBox1->hide();
    TableData data;
    if (!readTable(address.file, address.table, &data, &error)) {
        interaction.message("Error reading the file\r\n" + error, Icon::Critical);
        return;
    }
    QStringList captions;
    for (const std::string &field : data.fields) {
        captions << QString::fromStdString(columnCaption(field, decimalSeparator));
    }
    DataGrid1->setModel(new TableDataModel(std::move(data), captions, DataGrid1));
    DataGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_loaded = true;
}

void frmViewFile::view(const std::string &path, const std::string &decimalSeparator, Interaction &interaction,
                       QWidget *parent) {
    frmViewFile viewer(path, decimalSeparator, interaction, parent);
    if (viewer.loaded()) {
        viewer.exec();
    }
}

} // namespace vesk::ui
