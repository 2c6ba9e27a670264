#include "ui/inputdef/frmTextEditor.h"

#include "core/Interaction.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {
const std::vector<std::string> kFilters = {"Conf. files (*.vkp)", "Run opt. files (*.opt)",
                                           "Text files (*.txt)", "All files (*)"};
} // namespace

QAction *frmTextEditor::addItem(QMenu *menu, const char *name, const QString &caption) {
    QAction *a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

frmTextEditor::frmTextEditor(const std::string &path, Interaction &interaction, QWidget *parent)
    : QDialog(parent), m_interaction(interaction), m_originalPath(path) {
    setObjectName(QStringLiteral("frmTextEditor"));
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont courier = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    courier.setPointSize(10);
    Text1->setFont(courier);
    menuBar = new QMenuBar(this);
    QMenu *file = menuBar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    connect(addItem(file, "mnuFileNew", QStringLiteral("&New")), &QAction::triggered, this,
            &frmTextEditor::mnuFileNew_Click);
    connect(addItem(file, "mnuFIleOpen", QStringLiteral("&Open")), &QAction::triggered, this,
            &frmTextEditor::mnuFIleOpen_Click);
    connect(addItem(file, "mnuFileSave", QStringLiteral("&Save")), &QAction::triggered, this,
            &frmTextEditor::mnuFileSave_Click);
    connect(addItem(file, "mnuSaveFileAs", QStringLiteral("Save File &As")), &QAction::triggered, this,
            &frmTextEditor::mnuSaveFileAs_Click);
    file->addSeparator();
    connect(addItem(file, "mnuFileExit", QStringLiteral("E&xit")), &QAction::triggered, this,
            &frmTextEditor::mnuFileExit_Click);
    mnuEdit = menuBar->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    connect(addItem(mnuEdit, "mnuEditCopy", QStringLiteral("&Copy")), &QAction::triggered, this,
            &frmTextEditor::mnuEditCopy_Click);
    connect(addItem(mnuEdit, "mnuEditCut", QStringLiteral("Cu&t")), &QAction::triggered, this,
            &frmTextEditor::mnuEditCut_Click);
    connect(addItem(mnuEdit, "mnuEditPaste", QStringLiteral("&Paste")), &QAction::triggered, this,
            &frmTextEditor::mnuEditPaste_Click);
    mnuEdit->addSeparator();
    connect(addItem(mnuEdit, "mnuEditFont", QStringLiteral("&Font")), &QAction::triggered, this,
            &frmTextEditor::mnuEditFont_Click);
    connect(mnuEdit, &QMenu::aboutToShow, this, &frmTextEditor::mnuEdit_Show);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(menuBar);
    layout->addWidget(Text1);
    resize(720, 560);
    connect(Text1, &QPlainTextEdit::textChanged, this, [this] { Changed = true; });

    FileName = path;
    setCaption();
    if (!FileName.empty()) {
        m_opened = OpenTextFile();
    }
}

bool frmTextEditor::edit(const std::string &path, Interaction &interaction, QWidget *parent) {
    frmTextEditor editor(path, interaction, parent);
    if (!editor.opened()) {
        return false;
    }
    editor.exec();
    return editor.savedOriginal();
}

void frmTextEditor::setCaption() {
    setWindowTitle(QStringLiteral("WinVESK Text Editor - ") +
                   (FileName.empty() ? QStringLiteral("Untitled") : QString::fromStdString(FileName)));
}

bool frmTextEditor::OpenTextFile() {
    TextDocument document;
    std::string error;
    const OpenFailure failure = openTextDocument(FileName, &document, &error);
    if (failure == OpenFailure::NotFound) {
        m_interaction.message("Can't open the file\r\n" + FileName, Icon::Critical);
        return false;
    }
    if (failure == OpenFailure::Unreadable) {
        m_interaction.message("Can't open the file\r\n" + error, Icon::Critical);
        return false;
    }
    m_document = document;
    {
        const QSignalBlocker quiet(Text1); // loading is no edit
        Text1->setPlainText(QString::fromStdString(document.text));
    }
    Changed = false;
    setCaption();
    return true;
}

bool frmTextEditor::SaveTextFile() {
    if (FileName.empty()) {
        FileChoice choice;
        choice.title = "Save File As";
        choice.field = "the text file";
        choice.filters = kFilters;
        choice.save = true;
        const auto picked = m_interaction.chooseFile(choice);
        if (!picked || picked->empty()) {
            FileName = PreviousFileName;
            return false;
        }
        FileName = *picked;
        setCaption();
    }
    TextDocument document = m_document;
    document.text = Text1->toPlainText().toStdString();
    const FileSaveResult saved = saveTextDocument(FileName, document);
    if (!saved.ok()) {
        m_interaction.message("The text could not be saved.\r\n" + saved.message, Icon::Critical);
        return false;
    }
    m_document = document;
    Changed = false;
    if (!m_originalPath.empty() && FileName == m_originalPath) {
        m_savedOriginal = true;
    }
    return true;
}

bool frmTextEditor::SaveChanges() {
    if (!Changed) {
        return true;
    }
    const Answer a = m_interaction.question("Save changes to text?", Buttons::YesNoCancel, Icon::Question,
                                            Answer::Yes, "Text has changed");
    if (a == Answer::Cancel) {
        return false;
    }
    if (a == Answer::Yes) {
        PreviousFileName = FileName;
        return SaveTextFile();
    }
    return true;
}

void frmTextEditor::mnuFileNew_Click() {
    if (!SaveChanges()) {
        return;
    }
    {
        const QSignalBlocker quiet(Text1);
        Text1->clear();
    }
    FileName.clear();
    m_document = TextDocument{};
    setCaption();
    Changed = false;
}

void frmTextEditor::mnuFIleOpen_Click() {
    if (!SaveChanges()) {
        return;
    }
    FileChoice choice;
    choice.title = "Open";
    choice.field = "the text file";
    choice.filters = kFilters;
    const auto picked = m_interaction.chooseFile(choice);
    if (!picked || picked->empty()) {
        return;
    }
    const std::string before = FileName;
    FileName = *picked;
    if (!OpenTextFile()) {
        FileName = before;
        setCaption();
    }
}

void frmTextEditor::mnuFileSave_Click() {
    PreviousFileName = FileName;
    SaveTextFile();
}

void frmTextEditor::mnuSaveFileAs_Click() {
    PreviousFileName = FileName;
    FileName.clear();
    SaveTextFile();
}

void frmTextEditor::mnuFileExit_Click() {
    if (!SaveChanges()) {
        return;
    }
    m_exiting = true;
    QDialog::reject();
}

void frmTextEditor::reject() {
    mnuFileExit_Click(); // Escape asks about changes like Exit
}

void frmTextEditor::closeEvent(QCloseEvent *event) {
    if (m_exiting || SaveChanges()) {
        m_exiting = true;
        event->accept();
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
}

void frmTextEditor::mnuEdit_Show() {
    menuBar->findChild<QAction *>(QStringLiteral("mnuEditPaste"))
        ->setEnabled(!QApplication::clipboard()->text().isEmpty());
    const bool selected = Text1->textCursor().hasSelection();
    menuBar->findChild<QAction *>(QStringLiteral("mnuEditCopy"))->setEnabled(selected);
    menuBar->findChild<QAction *>(QStringLiteral("mnuEditCut"))->setEnabled(selected);
}

void frmTextEditor::mnuEditCopy_Click() {
    if (Text1->textCursor().hasSelection()) {
        Text1->copy();
    }
}

void frmTextEditor::mnuEditCut_Click() {
    if (Text1->textCursor().hasSelection()) {
        Text1->cut();
    }
}

void frmTextEditor::mnuEditPaste_Click() {
    Text1->paste();
}

void frmTextEditor::mnuEditFont_Click() {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, Text1->font(), this);
    if (ok && !font.family().isEmpty()) {
        Text1->setFont(font);
    }
}

} // namespace vesk::ui
