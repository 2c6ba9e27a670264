#pragma once

// The results of a multi-street run: every street of the streets file with
// its statistics set against the limit values, sortable by any column, from
// which one street's full results window opens. It shows the results of the
// last run or a saved file of them, and saves them.

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class QPlainTextEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace vesk {
struct State;
class Interaction;
class Settings;
namespace results {
class StreetResultsStore;
}
} // namespace vesk

namespace vesk::ui {

class StreetListModel;

class frmMultiStreetResults : public QDialog {
    Q_OBJECT
public:
    frmMultiStreetResults(State &state, Interaction &interaction, Settings &settings,
                          std::shared_ptr<results::StreetResultsStore> store, QWidget *parent = nullptr);

    // The street window of the selected street (row of the list as shown).
    void btnShowStreet_Click();
    void showStreet(int row);
    void btnSave_Click();
    void btnOpen_Click();

    // The results shown: the store's file once saved or opened, else "untitled".
    std::string ResultFileName() const;

    // Shows a street's results window modally; tests replace it.
    std::function<void(QDialog &)> showStreetWindow;
    // Shows a help topic by its context number (Help, F1); also handed to the street windows.
    std::function<void(long)> showHelp;
    static constexpr long kHelpContext = 602;

    QPlainTextEdit *txtKeyInfo = nullptr;
    QTableView *grdStreets = nullptr;
    QPushButton *btnShowStreet = nullptr, *btnSave = nullptr, *btnOpen = nullptr, *btnClose = nullptr;
    QPushButton *btnHelp = nullptr;
    StreetListModel *model() const { return m_model; }
    QSortFilterProxyModel *sorted() const { return m_sorted; }

private:
    void setStore(std::shared_ptr<results::StreetResultsStore> store);

    State &m_state;
    Interaction &m_interaction;
    Settings &m_settings;
    StreetListModel *m_model = nullptr;
    QSortFilterProxyModel *m_sorted = nullptr;
};

} // namespace vesk::ui
