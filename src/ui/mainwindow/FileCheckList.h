#pragma once

// One of the main window's four file lists: a list of file names, each with a
// check mark (the file is included) and a text colour (grey when not
// included, red when its variable list is empty, black otherwise). A list
// without files shows one empty item.

#include <QColor>
#include <QComboBox>
#include <QListWidget>
#include <functional>

namespace vesk::ui {

class ListEntryTip;

class FileCheckList : public QListWidget {
    Q_OBJECT
public:
    explicit FileCheckList(int kind, QWidget *parent = nullptr);

    int kind() const { return m_kind; }

    static QColor grey();
    static QColor red() { return QColor(255, 0, 0); }
    static QColor black() { return QColor(0, 0, 0); }

    // Item operations by position (0-based).
    void insertFile(int position, const QString &text, bool checked);
    bool isChecked(int position) const;
    void setChecked(int position, bool checked);
    QColor colour(int position) const;
    void setColour(int position, const QColor &colour);
    QString text(int position) const;
    void setText(int position, const QString &text);
    // True when the list holds only the empty placeholder item.
    bool onlyPlaceholder() const;
    void showPlaceholder(); // clears the list and puts the one empty item in

    // Emitted when the user changes a check mark.
    Q_SIGNAL void checkToggled(int position);

    // The whole name of a file whose entry is cut off, over the entry.
    ListEntryTip *tip = nullptr;

private:
    int m_kind;
    bool m_settingCheck = false;
};

// The product word drawn as a logo while no project is open.
class LogoBox : public QWidget {
    Q_OBJECT
public:
    explicit LogoBox(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace vesk::ui

namespace vesk::ui {

// The country box: while locked (a project is open) its list refuses to open.
class CountryComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CountryComboBox(QWidget *parent = nullptr) : QComboBox(parent) {}
    bool locked = false;
    std::function<void()> refused; // called instead of opening a locked list
    void showPopup() override {
        if (locked) {
            if (refused) {
                refused();
            }
            return;
        }
        QComboBox::showPopup();
    }
};

} // namespace vesk::ui
