#pragma once

// The push buttons of the windows: each with its object name (by which the
// tests and the help find it), none taking Enter for itself as a dialog's
// default button would.

#include <QPushButton>
#include <QString>

namespace vesk::ui {

inline QPushButton *namedButton(QWidget *parent, const char *name, const QString &caption) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// The same for a button a layout takes over.
inline QPushButton *namedButton(const QString &name, const QString &caption) {
    auto *b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace vesk::ui
