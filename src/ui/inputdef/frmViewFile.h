#pragma once

// "View File": shows a data file read-only, once per opening: a text file as
// plain text (whatever it holds, no markup is interpreted), a table address
// ("file;table") of an Access, Excel or Lotus file as a table. A file that
// cannot be shown gets one message and the window is not shown.

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QTableView;

namespace vesk {
class Interaction;
}

namespace vesk::ui {

class frmViewFile : public QDialog {
    Q_OBJECT
public:
    // Reads the file at once; decimalSeparator replaces "#" in column captions.
    frmViewFile(const std::string &path, const std::string &decimalSeparator, Interaction &interaction,
                QWidget *parent = nullptr);

    // False when the file could not be shown (the message has been given).
    bool loaded() const { return m_loaded; }
    // Shows the viewer modally when the file could be read.
    static void view(const std::string &path, const std::string &decimalSeparator, Interaction &interaction,
                     QWidget *parent);

    QPlainTextEdit *RichTextBox1 = nullptr;
    QTableView *DataGrid1 = nullptr;

private:
    bool m_loaded = false;
};

} // namespace vesk::ui
