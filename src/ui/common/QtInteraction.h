#pragma once

// The program's messages, questions, input boxes and file choices as Qt
// dialogs. Calls made from a worker thread (a run) are carried over to the
// user-interface thread and wait there for the answer, so the engine may
// ask a question from wherever it runs.

#include "core/Interaction.h"

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QAbstractButton;
class QLineEdit;

namespace vesk::ui {

class QtInteraction : public QObject, public Interaction {
    Q_OBJECT
public:
    explicit QtInteraction(QObject *parent = nullptr);

    // The window the dialogs belong to (may change, may be null).
    void setParentWidget(QWidget *widget) { m_parentWidget = widget; }

    void message(const std::string &text, Icon icon = Icon::None, const std::string &title = {}) override;
    Answer question(const std::string &text, Buttons buttons, Icon icon, Answer defaultAnswer,
                    const std::string &title = {}) override;
    std::optional<std::string> inputBox(const std::string &prompt, const std::string &title,
                                        const std::string &defaultText) override;
    std::optional<std::string> chooseFile(const FileChoice &choice) override;

private:
    template <typename F> void onGuiThread(F &&f);

    QPointer<QWidget> m_parentWidget;
};

// The file dialog of the program's file and folder choices. A name typed into
// it is read as the program reads stored names (typedNamePath) as the dialog
// accepts it, before the dialog looks for the file or asks to replace it:
// "sub\Copy.vkp" names Copy.vkp in the folder sub of the folder shown,
// "Copy.vkp " names Copy.vkp (and asks to replace it where it exists) unless
// a file of the folder shown bears that name as it stands (one picked from
// the list, whose name may begin or end with blanks: that one), and a
// name with a drive letter or of blanks only is refused with the message
// naming field ("the project file"), the dialog staying open with the name
// typed.
class FileChoiceDialog : public QFileDialog {
    Q_OBJECT
public:
    FileChoiceDialog(QWidget *parent, const QString &caption, const QString &directory, const QString &filter,
                     const std::string &field);

    // The path chosen, read as typedNamePath reads it; nullopt, after the
    // refusal has been shown, for a name with a drive letter that the
    // dialog gave back (a dialog of the desktop, which calls no accept()).
    std::optional<std::string> chosenPath();

    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The dialog greys its Open button for a name it finds no file by; a name
    // the program reads otherwise than the dialog (one holding a backslash,
    // with blanks around it, with a drive letter) is read at accept(), so the
    // button stays pressable.
    void keepTypedNameAcceptable();

    std::string m_field;
    QString m_asItStands; // the path of a name taken as it stands, blanks and all, as accepted last
    QLineEdit *m_nameBox = nullptr;
    QList<QPointer<QAbstractButton>> m_acceptButtons;
};

// The application title used when a message passes no title.
QString applicationTitle();

// Qt dialog filter text from the program's "Text|pattern|Text|pattern" filter
// strings or from ready "Text (*.x)" entries. A caption that names its patterns
// in brackets already ("VESK Project (*.vkp)|*.vkp") shows them once.
QStringList qtFilters(const std::vector<std::string> &filters);

// The extension a Qt filter names first ("vkp" of "VESK Project (*.vkp)");
// empty for "*.*", "*" or a filter without patterns.
QString filterExtension(const QString &filter);
// A saved file's path: a name without an extension takes the filter's.
QString withFilterExtension(const QString &path, const QString &filter);

} // namespace vesk::ui
