#include "ui/common/QtInteraction.h"

#include "core/Paths.h"
#include "core/TextIO.h"
#include "ui/common/DisplayText.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QThread>

namespace vesk::ui {

QString applicationTitle() {
    return QStringLiteral("WinVESK");
}

namespace {

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton qtButton(Answer answer) {
    switch (answer) {
    case Answer::Ok:
        return QMessageBox::Ok;
    case Answer::Cancel:
        return QMessageBox::Cancel;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::No:
        return QMessageBox::No;
    case Answer::Abort:
        return QMessageBox::Abort;
    case Answer::Retry:
        return QMessageBox::Retry;
    case Answer::Ignore:
        return QMessageBox::Ignore;
    }
    return QMessageBox::NoButton;
}

QMessageBox::StandardButtons qtButtons(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return QMessageBox::Ok;
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case Buttons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

Answer answerOf(int button, Buttons buttons, Answer defaultAnswer) {
    switch (button) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Abort:
        return Answer::Abort;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Ignore:
        return Answer::Ignore;
    default:
        break;
    }
    // Closed by the window's close box: Cancel where there is one.
    switch (buttons) {
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
    case Buttons::RetryCancel:
        return Answer::Cancel;
    default:
        return defaultAnswer;
    }
}

QString titleOr(const std::string &title) {
    return title.empty() ? applicationTitle() : displayText(title);
}

// A message box of the program's messages, which quote texts of files: shown
// as plain text (a file's "<b>" is no markup), control characters visible and
// held to a length the box can lay out.
void setMessage(QMessageBox &box, const std::string &text) {
    box.setTextFormat(Qt::PlainText);
    box.setText(displayMessage(text));
}

void showRefusal(QWidget *parent, const std::string &refusal) {
    QMessageBox box(QMessageBox::Critical, applicationTitle(), QString(), QMessageBox::Ok, parent);
    setMessage(box, refusal);
    box.exec();
}

} // namespace

FileChoiceDialog::FileChoiceDialog(QWidget *parent, const QString &caption, const QString &directory,
                                   const QString &filter, const std::string &field)
    : QFileDialog(parent, caption, directory, filter), m_field(field.empty() ? "the file" : field) {
    setObjectName(QStringLiteral("fileChoice"));
}

void FileChoiceDialog::showEvent(QShowEvent *event) {
    QFileDialog::showEvent(event);
    if (m_nameBox != nullptr) {
        return;
    }
    m_nameBox = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    auto *buttons = findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    if (m_nameBox == nullptr || buttons == nullptr) {
        return;
    }
    for (QAbstractButton *button : buttons->buttons()) {
        if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole) {
            m_acceptButtons.append(button);
            button->installEventFilter(this);
        }
    }
    // Connected after the dialog's own update of the button, so this one comes last.
    connect(m_nameBox, &QLineEdit::textChanged, this, &FileChoiceDialog::keepTypedNameAcceptable);
    keepTypedNameAcceptable();
}

bool FileChoiceDialog::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::EnabledChange) {
        keepTypedNameAcceptable();
    }
    return QFileDialog::eventFilter(watched, event);
}

void FileChoiceDialog::keepTypedNameAcceptable() {
    if (m_nameBox == nullptr) {
        return;
    }
    const std::string typed = m_nameBox->text().toStdString();
    if (const std::optional<std::string> read = typedNamePath(typed, m_field, nullptr);
        read && *read == typed) {
        return; // the dialog reads it as the program does
    }
    for (const QPointer<QAbstractButton> &button : std::as_const(m_acceptButtons)) {
        if (button && !button->isEnabled()) {
            button->setEnabled(true);
        }
    }
}

void FileChoiceDialog::accept() {
    // The name box holds the name as typed (or as picked from the list): read here, the dialog
    // looks for the file it names, and asks whether to replace that one, not one whose name holds
    // a backslash or blanks around it.
    auto *box = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    const std::string typed = box != nullptr ? box->text().toStdString() : std::string();
    m_asItStands.clear();
    if (!typed.empty()) {
        // A name that names a file or folder of the folder shown as it stands, blanks around it and all,
        // is that one (a row picked from the list: "  Lead.vkp"); only blanks typed around a name go.
        const QString here = QDir(directory().absolutePath()).filePath(box->text());
        if (trim(typed) != typed && typedNamePath(typed, m_field, nullptr) == trim(typed) &&
            QFileInfo::exists(here)) {
            m_asItStands = here;
            QFileDialog::accept();
            return;
        }
        std::string refusal;
        const std::optional<std::string> path = typedNamePath(typed, m_field, &refusal);
        if (!path) {
            showRefusal(this, refusal);
            box->setFocus();
            return;
        }
        // Rows of the list that the name box does not name give way to the name typed: one selected
        // while the name was typed, as the folder's listing came in ("sub" for "sub\Copy.vkp"), or the
        // name the dialog proposed. A row picked from the list is named by the box and stays.
        const QString name = QString::fromStdString(*path);
        auto *list = findChild<QAbstractItemView *>(QStringLiteral("listView"));
        const QModelIndexList rows =
            list != nullptr ? list->selectionModel()->selectedRows() : QModelIndexList();
        if (!rows.isEmpty() && (rows.size() > 1 || rows.constFirst().data().toString() != name)) {
            list->selectionModel()->clearSelection();
        }
        if (name != box->text()) {
            const QSignalBlocker quiet(box); // the name, not a row the dialog would select for it
            box->setText(name);
        }
    }
    QFileDialog::accept();
}

std::optional<std::string> FileChoiceDialog::chosenPath() {
    if (selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    QString path = selectedFiles().constFirst();
    if (acceptMode() == QFileDialog::AcceptSave) {
        path = withFilterExtension(path, selectedNameFilter());
    }
    if (path.isEmpty()) {
        return std::nullopt;
    }
    if (!m_asItStands.isEmpty() && path == m_asItStands) {
        return path.toStdString();
    }
    std::string refusal;
    std::optional<std::string> read = typedNamePath(path.toStdString(), m_field, &refusal);
    if (!read) {
        showRefusal(parentWidget(), refusal);
    }
    return read;
}

QStringList qtFilters(const std::vector<std::string> &filters) {
    QStringList result;
    for (const auto &f : filters) {
        const QString text = QString::fromStdString(f);
        if (!text.contains(QLatin1Char('|'))) {
            result << text;
            continue;
        }
        const QStringList parts = text.split(QLatin1Char('|'));
        for (int i = 0; i + 1 < parts.size(); i += 2) {
            QString patterns = parts[i + 1];
            patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
            // A caption that already names its patterns ("VESK Project (*.vkp)") loses them here:
            // the dialog shows the patterns once, and the ones that are used.
            QString caption = parts[i].trimmed();
            static const QRegularExpression named(QStringLiteral("\\s*\\([^()]*[*.][^()]*\\)$"));
            caption.remove(named);
            result << caption + QStringLiteral(" (") + patterns + QLatin1Char(')');
        }
    }
    return result;
}

QString withFilterExtension(const QString &path, const QString &filter) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.suffix().isEmpty()) {
        return path;
    }
    const QString extension = filterExtension(filter);
    return extension.isEmpty() ? path : path + QLatin1Char('.') + extension;
}

QString filterExtension(const QString &filter) {
    // The first pattern of the filter, when it names one extension ("*.vkp"; not "*.*" or "*").
    static const QRegularExpression pattern(QStringLiteral("\\(\\s*\\*\\.([A-Za-z0-9_]+)[\\s;)]"));
    const QRegularExpressionMatch m = pattern.match(filter);
    return m.hasMatch() ? m.captured(1) : QString();
}

QtInteraction::QtInteraction(QObject *parent) : QObject(parent) {}

template <typename F> void QtInteraction::onGuiThread(F &&f) {
    if (QThread::currentThread() == thread()) {
        f();
    } else {
        QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::BlockingQueuedConnection);
    }
}

void QtInteraction::message(const std::string &text, Icon icon, const std::string &title) {
    onGuiThread([&] {
        QMessageBox box(qtIcon(icon), titleOr(title), QString(), QMessageBox::Ok, m_parentWidget);
        setMessage(box, text);
        box.exec();
    });
}

Answer QtInteraction::question(const std::string &text, Buttons buttons, Icon icon, Answer defaultAnswer,
                               const std::string &title) {
    Answer answer = defaultAnswer;
    onGuiThread([&] {
        QMessageBox box(qtIcon(icon), titleOr(title), QString(), qtButtons(buttons), m_parentWidget);
        setMessage(box, text);
        box.setDefaultButton(qtButton(defaultAnswer));
        answer = answerOf(box.exec(), buttons, defaultAnswer);
    });
    return answer;
}

std::optional<std::string> QtInteraction::inputBox(const std::string &prompt, const std::string &title,
                                                   const std::string &defaultText) {
    std::optional<std::string> result;
    onGuiThread([&] {
        bool ok = false;
        const QString text =
            QInputDialog::getText(m_parentWidget, titleOr(title), displayMessage(prompt), QLineEdit::Normal,
                                  QString::fromStdString(defaultText), &ok);
        if (ok) {
            result = text.toStdString();
        }
    });
    return result;
}

std::optional<std::string> QtInteraction::chooseFile(const FileChoice &choice) {
    std::optional<std::string> result;
    onGuiThread([&] {
        QString start = QString::fromStdString(choice.folder);
        if (!choice.fileName.empty()) {
            start = start.isEmpty() ? QString::fromStdString(choice.fileName)
                                    : start + QLatin1Char('/') + QString::fromStdString(choice.fileName);
        }
        const QStringList filters = qtFilters(choice.filters);
        FileChoiceDialog dialog(m_parentWidget, titleOr(choice.title), start,
                                filters.join(QStringLiteral(";;")), choice.field);
        if (choice.save) {
            // A name typed without an extension takes the one of the chosen filter, as desktop
            // programs do, so the file is found again by the same filter when it is opened.
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            auto suffixOf = [&dialog](const QString &filter) {
                dialog.setDefaultSuffix(filterExtension(filter));
            };
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, suffixOf);
            suffixOf(dialog.selectedNameFilter());
        } else {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFile);
        }
        if (dialog.exec() == QDialog::Accepted) {
            result = dialog.chosenPath();
        }
    });
    return result;
}

} // namespace vesk::ui
