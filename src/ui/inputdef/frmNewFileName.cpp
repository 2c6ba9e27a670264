#include "ui/inputdef/frmNewFileName.h"

#include "core/Interaction.h"
#include "core/Paths.h"
#include "platform/tables/TableAddress.h"
#include "project/DataFileHeader.h"
#include "ui/common/QtInteraction.h"
#include "ui/inputdef/frmListTables.h"

#include <QDir>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <algorithm>

namespace vesk::ui {

namespace {
const char *const kDatabases =
    "All Database Files (*.mdb,*.xls,*.wk1,*.wk2,*.wk3,*.wk4,*.wks)|*.mdb;*.xls;*.wk1;*.wk2;"
    "*.wk3;*.wk4;*.wks|Access (*.mdb)|*.mdb|Excel (*.xls)|*.xls|Lotus WK1 (*.wk1)|*.wk1|"
    "Lotus WK2 (*.wk2)|*.wk2|Lotus WK3 (*wk3)|*.wk3|Lotus WK4 (*.wk4)|*.wk4|Lotus WKS "
    "(*.wks)|*.wks";

// "Text|pattern|Text|pattern" into Qt's "Text (pattern);;..." form. The
// patterns replace any pattern written in the text so that Qt filters by them.
QString qtFilter(const QString &filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString text = parts[i];
        text.remove(QRegularExpression(QStringLiteral("\\s*\\([^)]*\\)\\s*$")));
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        result << (text.isEmpty() ? patterns : text) + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return result.join(QStringLiteral(";;"));
}

std::string withSlash(const std::string &folder) {
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\') {
        return folder;
    }
    return folder + "/";
}
} // namespace

std::string storedFileChoice(const FileChooserContext &context, const std::string &chosen) {
    const std::string *national = nullptr;
    switch (context.SelectedFileKind) {
    case 1:
        national = &context.MetBackDir;
        break;
    case 3:
        national = &context.TrafficDir;
        break;
    case -1:
        national = &context.ListsDir;
        break;
    default:
        break;
    }
    return storedDataFileName(chosen, context.WorkDir, national ? *national : std::string());
}

bool frmNewFileName::refuseDriveLetter(const std::string &name) {
    // Of a table address only the file part is a path.
    const int kind = m_context.SelectedFileKind;
    const std::string file = kind >= 1 && kind <= 4 ? parseTableAddress(name).file : name;
    std::string typed = typedDriveLetterName(file);
    if (typed.empty()) {
        return false;
    }
    typed += name.substr(std::min(file.size(), name.size()));
    m_interaction.message(driveLetterRefusal(typed, field()), Icon::Critical);
    return true;
}

std::string frmNewFileName::field() const {
    if (!m_context.Field.empty()) {
        return m_context.Field;
    }
    const int kind = m_context.SelectedFileKind;
    const char *const kinds[] = {"the hourly input file", "the hourly output file", "the traffic file",
                                 "the statistics file"};
    return kind >= 1 && kind <= 4 ? kinds[kind - 1]
           : kind == 0            ? "the working folder"
           : kind == -1           ? (m_context.OpenListKind == 2 ? "the fuel list" : "the vehicle list")
                                  : "the file";
}

frmNewFileName::frmNewFileName(FileChooserContext &context, Interaction &interaction, QWidget *parent)
    : QDialog(parent), m_context(context), m_interaction(interaction) {
    setObjectName(QStringLiteral("frmNewFileName"));
    setupUi();
    if (m_context.SelectedFileKind == 0) {
        QString text = lblMessage->text();
        text.replace(QStringLiteral("file"), QStringLiteral("folder"), Qt::CaseInsensitive);
        lblMessage->setText(text);
    }
    btnEndNewFileName->setEnabled(false);
    if (m_context.SelectedFileKind >= 0) {
        NewFileName.clear();
    }
}

void frmNewFileName::setupUi() {
    lblMessage = new QLabel(QStringLiteral("Type name of the file or use Browse to find the file"), this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblFileInfo = new QLabel(this);
    lblFileInfo->setObjectName(QStringLiteral("lblFileInfo"));
    lblFileInfo->hide();
    txtNewFileName = new QLineEdit(this);
    txtNewFileName->setObjectName(QStringLiteral("txtNewFileName"));
    txtNewFileName->setMinimumWidth(360);
    btnBrowse = new QPushButton(QStringLiteral("&Browse"), this);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    btnBrowse->setAutoDefault(false);
    btnEndNewFileName = new QPushButton(QStringLiteral("&OK"), this);
    btnEndNewFileName->setObjectName(QStringLiteral("btnEndNewFileName"));
    btnEndNewFileName->setDefault(true);
    btnCancelNewFileName = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancelNewFileName->setObjectName(QStringLiteral("btnCancelNewFileName"));
    btnCancelNewFileName->setAutoDefault(false);
    lblInfo = new QLabel(QStringLiteral("Press OK to accept the file"), this);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setStyleSheet(QStringLiteral("color: red;"));
    lblInfo->hide();

    auto *grid = new QGridLayout(this);
    grid->addWidget(lblMessage, 0, 0, 1, 2);
    grid->addWidget(lblFileInfo, 1, 0, 1, 2);
    grid->addWidget(txtNewFileName, 2, 0);
    grid->addWidget(btnBrowse, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnEndNewFileName);
    buttons->addWidget(btnCancelNewFileName);
    buttons->addWidget(lblInfo);
    buttons->addStretch();
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(txtNewFileName, &QLineEdit::textChanged, this, &frmNewFileName::txtNewFileName_Change);
    connect(btnBrowse, &QPushButton::clicked, this, &frmNewFileName::btnBrowse_Click);
    connect(btnEndNewFileName, &QPushButton::clicked, this, &frmNewFileName::btnEndNewFileName_Click);
    connect(btnCancelNewFileName, &QPushButton::clicked, this, &frmNewFileName::btnCancelNewFileName_Click);
}

void frmNewFileName::setName(const QString &name) {
    txtNewFileName->setText(name);
    if (m_context.SelectedFileKind == -1) {
        NewFileName = name.toStdString(); // closing otherwise keeps the preset list file
    }
}

void frmNewFileName::setInfoLine(const QString &text) {
    lblFileInfo->setText(text);
    lblFileInfo->setVisible(!text.isEmpty());
}

void frmNewFileName::txtNewFileName_Change() {
    AcceptAsIs = false;
    const QString text = txtNewFileName->text();
    btnEndNewFileName->setEnabled(!text.isEmpty());
    const QFontMetrics metrics(txtNewFileName->font());
    txtNewFileName->setToolTip(metrics.horizontalAdvance(text) > txtNewFileName->width() - 8 ? text
                                                                                             : QString());
}

QString frmNewFileName::browseFilter() const {
    const QString databases = QString::fromLatin1(kDatabases);
    switch (m_context.SelectedFileKind) {
    case 1:
        if (m_context.CitySize < 0) {
            return QStringLiteral("(*.dat)|*.dat|VESK DOS Input Files (*.inp)|*.inp|") + databases +
                   QStringLiteral("|Text Files (*.txt)|*.txt|All (*.*)|*.*");
        }
        return databases + QStringLiteral("|Text Files (*.txt)|*.txt|All (*.*)|*.*");
    case 2:
        return QStringLiteral("(*.dat)|*.dat|") + databases +
               QStringLiteral("|Text Files (*.txt)|*.txt|All (*.*)|*.*");
    case 3: {
        QString db = databases;
        db.replace(QStringLiteral("All Database Files"), QStringLiteral("Database Files"));
        return QStringLiteral("Traffic data (*.trf)|*.trf|Text (*.txt)|*.txt|(*.dat)|*.dat|") + db +
               QStringLiteral("|All (*.*)|*.*");
    }
    case 4: {
        QString db = databases;
        db.replace(QStringLiteral("All Database Files"), QStringLiteral("Database Files"));
        return QStringLiteral("(*.dat)|*.dat|") + db +
               QStringLiteral("|Text Files (*.txt)|*.txt|All (*.*)|*.*");
    }
    case -1:
        return m_context.OpenListKind == 2 ? QStringLiteral("Fuel List Files (*.flf)|*.flf|All (*.*)|*.*")
                                           : QStringLiteral("Vehicle List Files (*.vlf)|*.vlf|All (*.*)|*.*");
    default:
        return QStringLiteral("All (*.*)|*.*");
    }
}

std::string frmNewFileName::browseFolder() const {
    switch (m_context.SelectedFileKind) {
    case 1:
        return !m_context.LastInputDir.empty() ? m_context.LastInputDir : withSlash(m_context.MetBackDir);
    case 3:
        return !m_context.LastTrafficDir.empty() ? m_context.LastTrafficDir : withSlash(m_context.TrafficDir);
    case -1:
        return withSlash(m_context.ListsDir);
    default:
        return m_context.WorkDir;
    }
}

void frmNewFileName::btnBrowse_Click() {
    if (m_context.SelectedFileKind == 0) {
        QString start =
            QString::fromStdString(m_context.WorkDir.empty() ? m_context.LastPath : m_context.WorkDir);
        if (!QDir(start).exists()) {
            start.clear();
        }
        FileChoiceDialog dialog(this, windowTitle(), start, QString(), field());
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        if (dialog.exec() == QDialog::Accepted) {
            if (const auto folder = dialog.chosenPath(); folder && !folder->empty()) {
                txtNewFileName->setText(QString::fromStdString(*folder));
            }
        }
        txtNewFileName->setFocus();
        return;
    }
    FileChoice choice;
    choice.title = windowTitle().toStdString();
    choice.folder = browseFolder();
    // Output and statistics files are written by the run: Browse names a new
    // one as well as an existing one, and a name typed without an extension
    // takes the one of the chosen filter.
    const int kind = m_context.SelectedFileKind;
    choice.save = kind == 2 || kind == 4;
    choice.field = field();
    const QString filter = qtFilter(browseFilter());
    for (const QString &f : filter.split(QStringLiteral(";;"))) {
        choice.filters.push_back(f.toStdString());
    }
    // A name typed with a drive letter names no file here, nor one that the dialog gives back behind
    // its folder.
    const auto picked = m_interaction.chooseFile(choice);
    if (picked && !refuseDriveLetter(*picked)) {
        txtNewFileName->setText(QString::fromStdString(*picked));
    }
    txtNewFileName->setFocus();
}

void frmNewFileName::btnEndNewFileName_Click() {
    lblInfo->hide();
    const std::string name = txtNewFileName->text().trimmed().toStdString();
    const int kind = m_context.SelectedFileKind;
    if (kind == 0 || kind == -1) {
        if (name.empty() || refuseDriveLetter(name)) {
            return;
        }
        NewFileName = name;
        AcceptAsIs = false;
        accept();
        return;
    }
    if (AcceptAsIs) {
        NewFileName = name;
        AcceptAsIs = false;
        accept();
        return;
    }
    SelectDataTable(name);
    if (NewFileName.empty()) {
        return; // the table step only completed the name box (or refused it)
    }
    if (kind == 3) {
        m_context.LastTrafficDir = folderPart(NewFileName);
    } else if (kind == 1) {
        m_context.LastInputDir = folderPart(parseTableAddress(NewFileName).file);
    }
}

void frmNewFileName::SelectDataTable(const std::string &name) {
    lblInfo->hide();
    if (name.empty()) {
        return;
    }
    // A drive of Windows names no file here: it is neither looked up nor
    // accepted (a run would refuse it).
    if (refuseDriveLetter(name)) {
        AcceptAsIs = false;
        return;
    }
    AcceptAsIs = true;
    const TableNameChoice choice = classifyTableName(name);
    switch (choice.kind) {
    case TableNameKind::PlainFile:
    case TableNameKind::FinishedTable:
        NewFileName = choice.completed;
        AcceptAsIs = false;
        accept();
        return;
    case TableNameKind::NotRecognised:
        m_interaction.message("Not recognised file type", Icon::Critical);
        AcceptAsIs = false;
        return;
    case TableNameKind::NeedsTable:
        break;
    }
    // The name box keeps the name as typed; the file is looked for where a
    // project would look for it.
    const std::string path = dataFilePath(name, m_context.WorkDir, m_context.MetBackDir, m_context.AppDir);
    std::vector<std::string> names;
    std::string error;
    if (!tablesForChooser(path, &names, &error)) {
        // A file that cannot be listed (a workbook still to be written, a
        // damaged file): the user may type the table's name.
        names.clear();
        m_interaction.message("Enter name of the Worksheet or Database Table", Icon::Information);
        AcceptAsIs = false;
    }
    if (names.size() == 1) {
        txtNewFileName->setText(QString::fromStdString(name + ";" + names.front()));
        lblInfo->show();
        return;
    }
    if (names.empty() && AcceptAsIs) {
        m_interaction.message("Enter name of the Worksheet or Database Table", Icon::Information);
        AcceptAsIs = false;
    }
    QStringList tables;
    for (const std::string &t : names) {
        tables << QString::fromStdString(t);
    }
    QString table;
    if (chooseTable) {
        table = chooseTable(tables);
    } else {
        frmListTables chooser(tables, this);
        const QRect here = frameGeometry();
        chooser.move(here.right() - chooser.width(), here.bottom());
        chooser.exec();
        table = chooser.acceptedTable();
    }
    if (!table.isEmpty()) {
        txtNewFileName->setText(QString::fromStdString(name) + QLatin1Char(';') + table);
    }
    if (txtNewFileName->text().trimmed().toStdString() == name) {
        AcceptAsIs = false;
    }
}

void frmNewFileName::btnCancelNewFileName_Click() {
    txtNewFileName->clear();
    NewFileName.clear();
    reject();
}

void frmNewFileName::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        btnCancelNewFileName_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vesk::ui
