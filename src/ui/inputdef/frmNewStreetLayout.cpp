// The layout of the "New Project" dialog: the contents scroll inside a
// viewport (Picture1) when the screen is smaller than the dialog, with OK,
// Cancel and Help below it and the help menu above.

#include "ui/inputdef/frmNewStreet.h"

#include "ui/common/HelpSystem.h"
#include "ui/common/NamedButton.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QVBoxLayout>

#include <functional>

namespace vesk::ui {

namespace {

template <typename T> T *named(T *widget, const QString &name) {
    widget->setObjectName(name);
    return widget;
}

QGroupBox *frame(const QString &name, const QString &caption) {
    return named(new QGroupBox(caption), name);
}

// A combo box whose list never opens: opening it calls refused instead.
class LockedComboBox : public QComboBox {
public:
    std::function<void()> refused;
    void showPopup() override {
        if (refused) {
            refused();
        }
    }
};

// The dialog's file lists: a few lines high, so that the dialog fits a small screen.
QListWidget *fileList(const QString &name) {
    auto *list = named(new QListWidget, name);
    list->setMinimumHeight(54);
    list->setMaximumHeight(96);
    return list;
}

} // namespace

QWidget *frmNewStreet::setupStreetFrame() {
    auto *column = new QWidget;
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *street = frame(QStringLiteral("FrameStreet"), QString());
    auto *grid = new QGridLayout(street);
    Label1 = named(new QLabel(QStringLiteral("Street Name")), QStringLiteral("Label1"));
    txtStreetName = named(new QLineEdit, QStringLiteral("txtStreetName"));
    // The project file quotes the name: it cannot hold a double quote.
    txtStreetName->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\"]*")), txtStreetName));
    btnStreetConf = namedButton(QStringLiteral("btnStreetConf"), QStringLiteral("Set &Street Configuration"));
    chkStreetConf = named(new QCheckBox, QStringLiteral("chkStreetConf"));
    chkStreetConf->setEnabled(false);
    chkStreetConf->setToolTip(QStringLiteral("Ticked when the street is defined"));
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(txtStreetName, 1, 0, 1, 2);
    grid->addWidget(btnStreetConf, 2, 0);
    grid->addWidget(chkStreetConf, 2, 1);
    layout->addWidget(street);

    auto *region = frame(QStringLiteral("Frame12"), QString());
    auto *form = new QGridLayout(region);
    auto *country = named(new LockedComboBox, QStringLiteral("cmbCountry"));
    country->refused = [this] { cmbCountry_DropDown(); };
    cmbCountry = country;
    cmbYear = named(new QComboBox, QStringLiteral("cmbYear"));
    cmbCitySize = named(new QComboBox, QStringLiteral("cmbCitySize"));
    form->addWidget(new QLabel(QStringLiteral("Country")), 0, 0);
    form->addWidget(cmbCountry, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("Scenario Year")), 1, 0);
    form->addWidget(cmbYear, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("City Size (inhabitants)")), 2, 0);
    form->addWidget(cmbCitySize, 2, 1);
    form->setColumnStretch(1, 1);
    layout->addWidget(region);

    FrameMap = frame(QStringLiteral("FrameMap"), QStringLiteral("Map Data"));
    auto *map = new QVBoxLayout(FrameMap);
    Image1 = named(new QLabel, QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setFixedSize(260, 180);
    lblMap = named(new QLabel(QStringLiteral("No Map Data")), QStringLiteral("lblMap"));
    lblMap->setAlignment(Qt::AlignCenter);
    map->addWidget(Image1, 0, Qt::AlignCenter);
    map->addWidget(lblMap);
    layout->addWidget(FrameMap);

    Check1 = named(new QCheckBox(QStringLiteral("Accept calculations without Input Files (Special Mode)")),
                   QStringLiteral("Check1"));
    layout->addWidget(Check1);
    layout->addStretch();
    return column;
}

QWidget *frmNewStreet::setupTrafficFrame() {
    auto *traffic = frame(QStringLiteral("FrameTraffic"), QStringLiteral("Traffic Data"));
    auto *layout = new QVBoxLayout(traffic);
    const char *captions[4] = {"", "Pre-defined diurnal traffic types", "User defined data",
                               "Traffic Data in Hourly User Files"};
    for (int i = 1; i <= 3; ++i) {
        Option2[i] =
            named(new QRadioButton(QString::fromLatin1(captions[i])), QStringLiteral("Option2_%1").arg(i));
    }
    cmbTrfType = named(new QComboBox, QStringLiteral("cmbTrfType"));
    layout->addWidget(Option2[1]);
    layout->addWidget(cmbTrfType);
    layout->addWidget(Option2[2]);
    FrameSetTraffic = frame(QStringLiteral("FrameSetTraffic"), QStringLiteral("Set Traffic Data"));
    auto *set = new QHBoxLayout(FrameSetTraffic);
    btnLoadFile[1] = namedButton(QStringLiteral("btnLoadFile_1"), QStringLiteral("Add File"));
    set->addWidget(btnLoadFile[1]);
    set->addStretch();
    layout->addWidget(FrameSetTraffic);
    layout->addWidget(Option2[3]);

    FrameTrafficFile = frame(QStringLiteral("FrameTrafficFile"), QStringLiteral("Traffic File Name"));
    auto *file = new QVBoxLayout(FrameTrafficFile);
    txtTrafficFile = named(new QLineEdit, QStringLiteral("txtTrafficFile"));
    txtTrafficFile->setReadOnly(true);
    btnEditTraffic = namedButton(QStringLiteral("btnEditTraffic"), QStringLiteral("View/Edit &Traffic"));
    file->addWidget(txtTrafficFile);
    file->addWidget(btnEditTraffic, 0, Qt::AlignLeft);
    layout->addWidget(FrameTrafficFile);

    auto *numbers = new QHBoxLayout;
    FrameADT = frame(QStringLiteral("FrameADT"), QStringLiteral("Average Daily Traffic"));
    auto *adt = new QHBoxLayout(FrameADT);
    txtADT = named(new QLineEdit, QStringLiteral("txtADT"));
    lblVehDay = named(new QLabel(QStringLiteral("Veh/day")), QStringLiteral("lblVehDay"));
    adt->addWidget(txtADT);
    adt->addWidget(lblVehDay);
    FrameSpeed = frame(QStringLiteral("FrameSpeed"), QStringLiteral("Travel Speed"));
    auto *speed = new QHBoxLayout(FrameSpeed);
    txtTrfSpeed = named(new QLineEdit, QStringLiteral("txtTrfSpeed"));
    lblKmh = named(new QLabel(QStringLiteral("km/h")), QStringLiteral("lblKmh"));
    speed->addWidget(txtTrfSpeed);
    speed->addWidget(lblKmh);
    numbers->addWidget(FrameADT);
    numbers->addWidget(FrameSpeed);
    layout->addLayout(numbers);
    lblNB = named(new QLabel(QStringLiteral("N.B.! Can be set with other User defined data")),
                  QStringLiteral("lblNB"));
    lblNB->setWordWrap(true);
    layout->addWidget(lblNB);
    layout->addStretch();
    return traffic;
}

QWidget *frmNewStreet::setupMetBackFrame() {
    FrameMetBack = frame(QStringLiteral("FrameMetBack"),
                         QStringLiteral("Meteorology/Background/Measured Concentrations"));
    auto *layout = new QVBoxLayout(FrameMetBack);
    Option3[1] = named(new QRadioButton(QStringLiteral("Pre-defined meteorological and background data")),
                       QStringLiteral("Option3_1"));
    Option3[2] = named(new QRadioButton(QStringLiteral("User defined data")), QStringLiteral("Option3_2"));
    cmbMetBack = named(new QComboBox, QStringLiteral("cmbMetBack"));
    btnLoadFile[2] = namedButton(QStringLiteral("btnLoadFile_2"), QStringLiteral("Add File"));
    btnRemove[1] = namedButton(QStringLiteral("btnRemove_1"), QStringLiteral("Remove File"));
    lstFileNames[1] = fileList(QStringLiteral("lstFileNames_1"));
    layout->addWidget(Option3[1]);
    layout->addWidget(cmbMetBack);
    layout->addWidget(Option3[2]);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnLoadFile[2]);
    buttons->addWidget(btnRemove[1]);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(new QLabel(QStringLiteral("File Names")));
    layout->addWidget(lstFileNames[1]);
    return FrameMetBack;
}

QWidget *frmNewStreet::setupOutputFrames() {
    auto *column = new QWidget;
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    struct Output {
        QGroupBox **frame;
        QWidget **inner;
        int load, list;
        const char *frameName, *innerName, *caption;
    };
    const Output outputs[2] = {
        {&Frame8, &Frame9, 3, 2, "Frame8", "Frame9", "Hourly Output Files"},
        {&Frame10, &Frame11, 4, 3, "Frame10", "Frame11", "Statistics and other Output Files"}};
    for (const Output &o : outputs) {
        *o.frame = frame(QString::fromLatin1(o.frameName), QString::fromLatin1(o.caption));
        *o.inner = named(new QWidget, QString::fromLatin1(o.innerName));
        auto *outer = new QVBoxLayout(*o.frame);
        outer->addWidget(*o.inner);
        auto *inner = new QGridLayout(*o.inner);
        inner->setContentsMargins(0, 0, 0, 0);
        btnLoadFile[o.load] =
            namedButton(QStringLiteral("btnLoadFile_%1").arg(o.load), QStringLiteral("Add File"));
        btnRemove[o.list] = namedButton(QStringLiteral("btnRemove_%1").arg(o.list), QStringLiteral("Remove File"));
        lstFileNames[o.list] = fileList(QStringLiteral("lstFileNames_%1").arg(o.list));
        inner->addWidget(btnLoadFile[o.load], 0, 0);
        inner->addWidget(btnRemove[o.list], 0, 1);
        inner->addWidget(lstFileNames[o.list], 1, 0, 1, 3);
        inner->setColumnStretch(2, 1);
        layout->addWidget(*o.frame);
    }
    layout->addStretch();
    return column;
}

void frmNewStreet::setupHelpMenu() {
    auto *bar = new QMenuBar(this);
    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    QAction *contents = help->addAction(QStringLiteral("Contents"));
    contents->setObjectName(QStringLiteral("menHelpContents"));
    QAction *index = help->addAction(QStringLiteral("Index"));
    index->setObjectName(QStringLiteral("menHelpIndex"));
    QAction *guide = help->addAction(QStringLiteral("User's Guide in PDF format"));
    guide->setObjectName(QStringLiteral("menUserGuide"));
    QMenu *language = help->addMenu(QStringLiteral("Help Language"));
    const char *languages[2] = {"English", "Danish"};
    for (int i = 0; i < 2; ++i) {
        menHelpL[i] = language->addAction(QString::fromLatin1(languages[i]));
        menHelpL[i]->setObjectName(QStringLiteral("menHelpL_%1").arg(i));
        menHelpL[i]->setCheckable(true);
        connect(menHelpL[i], &QAction::triggered, this, [this, i] { menHelpL_Click(i); });
    }
    connect(contents, &QAction::triggered, this, [this] {
        if (m_help) {
            m_help->HelpCommand = HelpSystem::kContents;
            m_help->ShowHelpTopic(this);
        }
    });
    connect(index, &QAction::triggered, this, [this] {
        if (m_help) {
            m_help->HelpCommand = HelpSystem::kIndex;
            m_help->ShowHelpTopic(this);
        }
    });
    connect(guide, &QAction::triggered, this, &frmNewStreet::menUserGuide_Click);
    layout()->setMenuBar(bar);
}

void frmNewStreet::setupUi() {
    auto *form = new QVBoxLayout(this);
    Picture1 = named(new QScrollArea, QStringLiteral("Picture1"));
    Picture1->setWidgetResizable(true);
    Picture1->setFrameShape(QFrame::NoFrame);
    FrameMain = named(new QWidget, QStringLiteral("FrameMain"));
    auto *columns = new QHBoxLayout(FrameMain);
    columns->addWidget(setupStreetFrame(), 3);
    columns->addWidget(setupTrafficFrame(), 3);
    auto *right = new QVBoxLayout;
    right->addWidget(setupMetBackFrame());
    right->addWidget(setupOutputFrames());
    columns->addLayout(right, 3);
    Picture1->setWidget(FrameMain);
    form->addWidget(Picture1, 1);

    auto *buttons = new QHBoxLayout;
    btnOK = namedButton(QStringLiteral("btnOK"), QStringLiteral("OK"));
    btnOK->setDefault(false);
    btnCancel = namedButton(QStringLiteral("btnCancel"), QStringLiteral("Cancel"));
    btnHelp = namedButton(QStringLiteral("btnHelp"), QStringLiteral("&Help"));
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnHelp);
    form->addLayout(buttons);
    setupHelpMenu();
}

} // namespace vesk::ui
