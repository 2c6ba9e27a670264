#include "ui/settings/frmCountries.h"

#include "ui/common/DisplayText.h"
#include "ui/common/HelpSystem.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {
bool sameName(const std::string &a, const std::string &b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}
} // namespace

frmCountries::frmCountries(std::vector<CountryEntry> &countries, std::string &currentCountry,
                           std::string &countryCode, HelpSystem *help, QWidget *parent)
    : QDialog(parent), CountryList(countries), CurrentCountry(currentCountry), CountryCode(countryCode),
      m_help(help) {
    setObjectName(QStringLiteral("frmCountries"));
    ListUpdating = false;
    HasCurrentCountry = !CurrentCountry.empty();
    if (HasCurrentCountry) {
        StartCountry = CurrentCountry;
    }
    setupUi();
    if (!HasCurrentCountry) {
        Label1->setText(QStringLiteral("The program cannot be run before one of the following countries is "
                                       "selected as the Default Country") +
                        QStringLiteral(" or you define a New Country using the Add New item at the bottom of "
                                       "the list!"));
    }
}

void frmCountries::setupUi() {
    setWindowTitle(QStringLiteral("Country Selection"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    lstCountries = new QListWidget(this);
    lstCountries->setObjectName(QStringLiteral("lstCountries"));
    for (const auto &c : CountryList) {
        auto *item = new QListWidgetItem(QString::fromStdString(c.Name), lstCountries);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    auto *addNew = new QListWidgetItem(QStringLiteral("Add New"), lstCountries);
    addNew->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    addNew->setCheckState(Qt::Unchecked);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setEnabled(false);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    btnHelp = new QPushButton(QStringLiteral("&Help"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnHelp->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(lstCountries);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnHelp);
    layout->addLayout(buttons);
    resize(420, 300);

    connect(lstCountries, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!ListUpdating) {
            lstCountries->setCurrentItem(item);
            lstCountries_Click(lstCountries->row(item));
        }
    });
    connect(btnOK, &QPushButton::clicked, this, &frmCountries::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmCountries::btnCancel_Click);
    connect(btnHelp, &QPushButton::clicked, this, &frmCountries::btnHelp_Click);
}

void frmCountries::setCheck(int index, bool checked) {
    const bool was = ListUpdating;
    ListUpdating = true;
    lstCountries->item(index)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    ListUpdating = was;
}

bool frmCountries::isChecked(int index) const {
    return lstCountries->item(index)->checkState() == Qt::Checked;
}

void frmCountries::startAdding() {
    if (HasCurrentCountry) {
        const int last = lstCountries->count() - 1;
        setCheck(last, true);
        lstCountries->setCurrentRow(last);
        lstCountries_Click(last);
    }
}

void frmCountries::lstCountries_Click(int index) {
    if (ListUpdating || index < 0 || index >= lstCountries->count()) {
        return;
    }
    ListUpdating = true;
    for (int i = 0; i < lstCountries->count(); ++i) {
        if (i != index) {
            lstCountries->item(i)->setCheckState(Qt::Unchecked);
        }
    }
    ListUpdating = false;

    if (!HasCurrentCountry) {
        CurrentCountry.clear();
        CountryCode.clear();
        for (auto &c : CountryList) {
            c.IsDefault = false;
        }
    }
    std::string text = lstCountries->item(index)->text().toStdString();
    if (isChecked(index)) {
        if (sameName(text, "Add New")) {
            text = AddNewCountry ? AddNewCountry(text) : std::string();
            if (!HasCurrentCountry) {
                setVisible(true);
            }
        }
        if (!text.empty()) {
            for (auto &c : CountryList) {
                if (sameName(c.Name, text)) {
                    c.IsDefault = true;
                    CountryCode = c.code;
                    CurrentCountry = c.Name;
                }
            }
            ListUpdating = true;
            const int n = lstCountries->count();
            for (int i = 0; i < n - 1 && i < static_cast<int>(CountryList.size()); ++i) {
                lstCountries->item(i)->setCheckState(CountryList[i].IsDefault ? Qt::Checked : Qt::Unchecked);
            }
            // A country added by the adding step gets its item before "Add New".
            if (static_cast<int>(CountryList.size()) > n - 1) {
                for (int i = n - 1; i < static_cast<int>(CountryList.size()); ++i) {
                    auto *item = new QListWidgetItem(QString::fromStdString(CountryList[i].Name));
                    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
                    item->setCheckState(CountryList[i].IsDefault ? Qt::Checked : Qt::Unchecked);
                    lstCountries->insertItem(lstCountries->count() - 1, item);
                }
            }
            lstCountries->item(lstCountries->count() - 1)->setCheckState(Qt::Unchecked);
            ListUpdating = false;
        } else {
            if (HasCurrentCountry) {
                return;
            }
            ListUpdating = true;
            for (int i = 0; i < lstCountries->count(); ++i) {
                lstCountries->item(i)->setCheckState(Qt::Unchecked);
            }
            ListUpdating = false;
        }
    }
    if (CurrentCountry.empty()) {
        btnOK->setEnabled(false);
    } else if (HasCurrentCountry) {
        btnOK_Click();
    } else {
        btnOK->setEnabled(true);
        if (isVisible()) {
            btnOK->setFocus();
        }
    }
}

void frmCountries::btnOK_Click() {
    std::vector<CountryEntry> records = CountryList;
    if (HasCurrentCountry) {
        for (auto &r : records) {
            r.IsDefault = sameName(r.Name, StartCountry);
        }
    }
    std::string error;
    if (!writeCountries || !writeCountries(records, &error)) {
        // Nothing is lost: the choice stays in the dialog and can be retried.
        QMessageBox::critical(this, QStringLiteral("WinVESK"),
                              QStringLiteral("The country list could not be saved.\n\n") +
                                  displayMessage(error));
        return;
    }
    m_written = true;
    if (!HasCurrentCountry) {
        accept();
    }
}

void frmCountries::btnCancel_Click() {
    reject();
}

void frmCountries::reject() {
    if (!HasCurrentCountry) {
        CurrentCountry.clear();
    }
    QDialog::reject();
}

void frmCountries::btnHelp_Click() {
    if (m_help) {
        m_help->showContext(this, 119);
    }
}

} // namespace vesk::ui
