#include "ui/common/QtInteraction.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
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
    return title.empty() ? applicationTitle() : QString::fromStdString(title);
}

} // namespace

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
            const QString tail = QStringLiteral("(") + patterns + QLatin1Char(')');
            // "VESK results (*.res)|*.res" names its patterns already: not twice.
            result << (parts[i].trimmed().endsWith(tail) ? parts[i].trimmed()
                                                         : parts[i] + QLatin1Char(' ') + tail);
        }
    }
    return result;
}

QString filterSuffix(const QString &filter) {
    const int open = filter.lastIndexOf(QLatin1Char('('));
    const int close = filter.lastIndexOf(QLatin1Char(')'));
    const QString patterns = open >= 0 && close > open ? filter.mid(open + 1, close - open - 1) : filter;
    const QString first = patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0);
    if (!first.startsWith(QStringLiteral("*.")) || first.size() < 3) {
        return {};
    }
    const QString suffix = first.mid(2);
    return suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')) ? QString() : suffix;
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
        QMessageBox box(qtIcon(icon), titleOr(title), QString::fromStdString(text), QMessageBox::Ok,
                        m_parentWidget);
        box.exec();
    });
}

Answer QtInteraction::question(const std::string &text, Buttons buttons, Icon icon, Answer defaultAnswer,
                               const std::string &title) {
    Answer answer = defaultAnswer;
    onGuiThread([&] {
        QMessageBox box(qtIcon(icon), titleOr(title), QString::fromStdString(text), qtButtons(buttons),
                        m_parentWidget);
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
            QInputDialog::getText(m_parentWidget, titleOr(title), QString::fromStdString(prompt),
                                  QLineEdit::Normal, QString::fromStdString(defaultText), &ok);
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
        const QString filter = filters.join(QStringLiteral(";;"));
        const QString title = titleOr(choice.title);
        QString path;
        if (choice.save) {
            // A name typed without an extension gets the one of the chosen
            // filter, before the dialog asks about replacing a file, so that
            // the file is found again by the same filter when opened.
            QFileDialog dialog(m_parentWidget, title, start, filter);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setObjectName(QStringLiteral("saveFileDialog"));
            auto takeSuffix = [&dialog](const QString &chosen) {
                dialog.setDefaultSuffix(filterSuffix(chosen));
            };
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, takeSuffix);
            takeSuffix(filters.isEmpty() ? QString() : filters.front());
            if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
                path = dialog.selectedFiles().front();
            }
        } else {
            path = QFileDialog::getOpenFileName(m_parentWidget, title, start, filter);
        }
        if (!path.isEmpty()) {
            result = path.toStdString();
        }
    });
    return result;
}

} // namespace vesk::ui
