#include "ui/settings/CountryAdding.h"

#include "core/CoreState.h"
#include "core/CountryLists.h"
#include "ui/inputdef/frmNewFileName.h"
#include "ui/results/frmAnimation.h"
#include "ui/settings/frmCountries.h"
#include "ui/settings/frmCountrySelOptions.h"

#include <QPointer>
#include <algorithm>

namespace vesk::ui {

namespace {

// The copying window, opened for the first file and closed at the end.
class AnimationProgress : public CopyProgress {
public:
    explicit AnimationProgress(QWidget *parent) : m_parent(parent) {}
    ~AnimationProgress() override { finish(); }
    void start() override {
        m_window = new frmAnimation(m_parent);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        // Wide enough for the paths of a national folder, over the window that asked.
        m_window->resize(std::max(640, m_window->sizeHint().width()), m_window->sizeHint().height());
        if (m_parent) {
            m_window->move(m_parent->window()->geometry().center() - m_window->rect().center());
        }
        m_window->show();
    }
    void copying(const std::string &from, const std::string &to) override {
        if (m_window) {
            m_window->showCopying(QString::fromStdString(from), QString::fromStdString(to));
        }
    }
    void copied() override {
        if (m_window) {
            m_window->stopAnimation();
        }
    }
    void finish() override {
        if (m_window) {
            m_window->close();
        }
    }

private:
    QWidget *m_parent;
    QPointer<frmAnimation> m_window;
};

} // namespace

std::string addCountryWithWindows(CoreState &s, Settings &settings, Interaction &ui, HelpSystem *help,
                                  QWidget *parent, const CountryAddingWindows &windows,
                                  std::vector<CountryEntry> *entries) {
    AnimationProgress progress(parent);
    AddCountryHooks hooks;
    hooks.progress = &progress;
    hooks.chooseOption = windows.chooseOption ? windows.chooseOption : [help, parent] {
        frmCountrySelOptions dialog(help, parent);
        dialog.exec();
        return dialog.NewCountryOption_;
    };
    hooks.chooseSourceFolder = windows.chooseSourceFolder
                                   ? windows.chooseSourceFolder
                                   : [&s, &ui, parent]() -> std::optional<std::string> {
        FileChooserContext context;
        context.SelectedFileKind = 0;
        context.Field = "the source folder";
        context.LastPath = s.AppDir; // no project is open while a country is added
        frmNewFileName dialog(context, ui, parent);
        dialog.exec();
        return dialog.NewFileName;
    };
    const std::string name = AddNewCountry(s, settings, ui, hooks);
    if (!name.empty() && entries) {
        const CountryItem *added = s.CountryList.find(name);
        entries->push_back({name, added ? added->code : std::string(), false});
    }
    return name;
}

std::string addCountryFromCountryBox(CoreState &s, Settings &settings, Interaction &ui, HelpSystem *help,
                                     QWidget *parent, const CountryAddingWindows &windows) {
    std::vector<CountryEntry> entries;
    for (const CountryItem &c : s.CountryList) {
        entries.push_back({c.Name, c.code, c.IsDefault});
    }
    // The dialog works on copies: the country changes only when its lists have loaded.
    std::string current = s.CurrentCountry, code = s.CountryCode;
    std::string added;
    frmCountries dialog(entries, current, code, help, parent);
    dialog.AddNewCountry = [&](const std::string &) {
        added = addCountryWithWindows(s, settings, ui, help, parent, windows, &entries);
        return added;
    };
    dialog.writeCountries = [&s](const std::vector<CountryEntry> &records, std::string *error) {
        std::vector<CountryItem> items;
        for (const CountryEntry &r : records) {
            items.push_back({r.Name, r.code, r.IsDefault});
        }
        return WriteCountriesIni(s.AppDir, items, error);
    };
    dialog.startAdding();
    return added;
}

} // namespace vesk::ui
