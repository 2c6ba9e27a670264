#pragma once

// The program's messages, questions, input boxes and file choices as Qt
// dialogs. Calls made from a worker thread (a run) are carried over to the
// user-interface thread and wait there for the answer, so the engine may
// ask a question from wherever it runs.

#include "core/Interaction.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

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

// The application title used when a message passes no title.
QString applicationTitle();

// Qt dialog filter text from the program's "Text|pattern|Text|pattern" filter
// strings or from ready "Text (*.x)" entries.
QStringList qtFilters(const std::vector<std::string> &filters);

// The extension a save dialog gives a name typed without one under a Qt
// filter: that of its first pattern ("VESK results (*.res)" gives "res"),
// none for a pattern with wildcards in it ("All (*.*)").
QString filterSuffix(const QString &filter);

} // namespace vesk::ui
