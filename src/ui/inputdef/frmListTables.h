#pragma once

// "Select a Data Table": the tables of a database or spreadsheet file to
// pick from, or, when none could be listed, a box to type a table name in
// ("Enter a Data Table Name"). The accepted name is read from acceptedTable()
// after the dialog has closed ("" when it was cancelled).

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace vesk::ui {

class frmListTables : public QDialog {
    Q_OBJECT
public:
    frmListTables(const QStringList &tables, QWidget *parent = nullptr);

    QString acceptedTable() const { return m_accepted; }

    void Form_Activate();
    void List1_Click();
    void acceptSelection(); // double click, Enter in the list, OK while the list shows
    void acceptTyped();     // Enter in the box, OK while the box shows
    void btnOK_Click();
    void btnCancel_Click();

    QListWidget *List1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_accepted;
    bool m_activated = false;
};

} // namespace vesk::ui
