#pragma once

#include <QDialog>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace vesk::ui {

class HelpSystem;

// Asks which kind of project a new project is. The answer goes straight into
// the two mode flags on every click; the cancel flag tells the caller that the
// user backed out (Cancel or the close box).
class frmProjectType : public QDialog {
    Q_OBJECT
public:
    frmProjectType(bool &multiStreetMode, bool &routeMode, bool &projectTypeCancelled, HelpSystem *help,
                   QWidget *parent = nullptr);

    void ListView1_ItemClick(int index); // 1 single street, 2 multi streets, 3 route
    void ListView1_EmptyAreaClick();
    void btnOK_Click();
    void btnCancel_Click();
    void btnHelp_Click();

    int SelectedKindIndex = -1;
    bool EmptyAreaClicked = false;

    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupUi();

    bool &MultiStreetMode;
    bool &RouteMode;
    bool &ProjectTypeCancelled;
    HelpSystem *m_help;
    QListWidget *ListView1 = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnHelp = nullptr;
};

} // namespace vesk::ui
