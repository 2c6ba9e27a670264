#pragma once

// Saving a drawn picture (a graph, the street sketch) to a file, and
// printing into a file (a PDF, as the print dialog offers).
//
// Both go the way of every file the program writes (core/StagedFile.h):
// through a temporary file beside the chosen one and a rename, and under the
// rule for symbolic links in folders that other users may write
// (core/OutputPlace.h): another user's link on the way is not followed, the
// save is refused naming it, and nothing is written through it.

#include <QImage>
#include <QPrintDialog>
#include <QString>

#include <memory>
#include <optional>

class QLineEdit;
class QPrinter;
class QTemporaryDir;

namespace vesk::ui {

// Saves picture to path as a bitmap, or in the picture format its suffix
// names, through a temporary file: on failure the old file stays whole and
// error says "The <what> could not be saved to <path>: <reason>".
bool savePictureFile(const QImage &picture, const QString &path, const QString &what, QString *error);

// A print into a file, made a save: while the object lives, a printer that
// prints into a file writes into a private temporary folder instead; place()
// then puts what it printed at the file chosen. A printer that prints on
// paper is left as it is. The printer gets its file name back when the
// object ends. The file chosen is read as a name typed outside a file
// chooser is (typedNamePathIn): the blanks around it are taken off, its "\"
// separate folders, a relative name lies in folder (the project's folder,
// as the name the dialog proposes), and a name with a drive letter is
// refused (refused()). With folder "" (no project open) a relative name lies
// in the folder the program was started from, and note() says where.
class PrintedFile {
public:
    PrintedFile(QPrinter &printer, const QString &folder);
    ~PrintedFile();
    PrintedFile(const PrintedFile &) = delete;
    PrintedFile &operator=(const PrintedFile &) = delete;

    // True when the file chosen has a drive letter: *reason is the refusal
    // naming it, and the caller prints nothing (the printer would not start).
    bool refused(QString *reason) const;

    // Puts the file printed (the painter on the printer has ended) in place
    // of the file chosen. True when it is there, or when the printer prints
    // on paper; false with the reason (the file chosen keeps its old
    // contents), as "Cannot write the file ...", or the refusal of a link.
    bool place(QString *reason);

    // "The print went into the file <full path>." for a relative name read
    // without a folder, to be shown once the file is in place; "" otherwise.
    QString note() const { return m_note; }

private:
    QPrinter &m_printer;
    QString m_chosen;  // the file chosen ("": printed on paper)
    QString m_note;    // see note()
    QString m_refusal; // why the file chosen is not printed into ("": it is)
    std::unique_ptr<QTemporaryDir> m_folder;
};

// The print dialog of the program's prints. The name in its output file
// field (the file printer, "Print to File (PDF)") is read as PrintedFile
// reads it with folder when the dialog is accepted, whichever way (a click,
// Enter, the button's key, the name offered left as it is), before the
// dialog looks whether that file exists or may be written and asks whether
// to replace it: the file it asks about is the file the print goes into.
// With folder "" (no project open) a relative name lies in the folder the
// program was started from, and the printer keeps the name as typed, so that
// PrintedFile says where the print went. A name with a drive letter is
// refused with the message naming it, the dialog staying open. The field's
// "..." button opens the program's file chooser at the file the name in the
// field names, read the same way (in the folder the names go into when the
// field is empty); the file chosen is put in the field.
class PrintDialog : public QPrintDialog {
public:
    PrintDialog(QPrinter *printer, const QString &folder, QWidget *parent);

    void accept() override;

private:
    // Reads the name in the output file field, putting its full path there;
    // false, the refusal shown, for a name refused.
    bool takeTypedName();
    // The "..." button: the chooser starts where the name in the field lies.
    void chooseFile();
    // The full path of the name in field, in the folder names without their
    // folder lie in; nothing, the refusal shown and the field focused, for a
    // name refused.
    std::optional<QString> wholeName(QLineEdit *field);

    QString m_folder;
    QString m_typed; // the name last read, as it was typed
    QString m_full;  // its full path, put in the field
};

// The file a print into a file is offered: base (characters no file name
// holds made "_"; "print" when nothing is left) with ".pdf", in folder (the
// project's), or with no folder when folder is "".
QString offeredPrintFile(const QString &folder, const QString &base);

} // namespace vesk::ui
