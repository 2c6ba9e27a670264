#pragma once

// What the tests of the limit values that the Pollutants and Percentiles
// editors carry along share: the editors opened from the Settings menu of
// the main window, their cells, and the figures of the sample runs that set
// results against the limit values.

#include "run/results/ResultsFixture.h"
#include "ui/WindowSession.h"
#include "ui/editors/RowsTableModel.h"
#include "ui/results/ResultsTableModel.h"
#include "ui/results/StreetListModel.h"
#include "ui/results/frmMultiStreetResults.h"
#include "ui/results/frmShowResults.h"
#include "ui/settings/frmConcUnits.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vesk::test {

inline bool setCell(ui::RowsTableModel *m, int row, int column, const QString &text) {
    return m->setData(m->index(row, column), text);
}
inline QString cell(ui::RowsTableModel *m, int row, int column) {
    return m->data(m->index(row, column)).toString();
}
inline int rowNamed(ui::RowsTableModel *m, const QString &name) {
    for (int r = 0; r < m->rowCount(); ++r) {
        if (cell(m, r, 0) == name) {
            return r;
        }
    }
    return -1;
}
inline bool anyHas(const std::vector<std::string> &texts, const std::string &part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string &t) { return t.find(part) != std::string::npos; });
}

// Opens editor E from its item of the Settings menu (with no project open)
// and acts on it while it is shown; the editor is closed afterwards.
template <typename E> inline void inEditor(Session &s, const char *item, std::function<void(E &)> act) {
    auto acted = std::make_shared<bool>(false);
    onModal<E>([acted, act](E *e) {
        *acted = true;
        act(*e);
        e->btnClose_Click();
        if (e->isVisible()) { // it stayed open on its unload question: the test ends it
            e->QDialog::done(QDialog::Rejected);
        }
    });
    s->action(QString::fromLatin1(item))->trigger();
    ASSERT_TRUE(*acted) << item;
}

// Acts on dialog D as soon as it is shown modally.
template <typename D> inline void whenShown(std::function<void(D &)> act) {
    onModal<D>([act](D *dialog) { act(*dialog); });
}

// The figures of the multi-street list of the sample: the caption of its CO
// column (with the limit value) and each street's number of limit values
// exceeded.
struct StreetList {
    std::string coCaption;
    std::vector<std::string> exceeded;
};

inline StreetList runStreets(Sample &sample, Session &s) {
    StreetList out;
    s.onResultsWindow = [&out](QDialog &dialog) {
        auto *w = dynamic_cast<ui::frmMultiStreetResults *>(&dialog);
        if (w == nullptr) {
            return;
        }
        ui::StreetListModel *m = w->model();
        for (int c = ui::StreetListModel::FirstStatisticColumn; c < m->exceedanceColumn(); ++c) {
            const QString caption = m->headerData(c, Qt::Horizontal).toString();
            if (caption.startsWith(QStringLiteral("CO\n"))) {
                out.coCaption = caption.toStdString();
            }
        }
        for (int r = 0; r < m->rowCount(); ++r) {
            out.exceeded.push_back(m->index(r, m->exceedanceColumn()).data().toString().toStdString());
        }
    };
    s.open(sample.project("DemoStreets.vkm"));
    s.runToEnd();
    s.onResultsWindow = nullptr;
    s->menClose_Click();
    return out;
}

// The text of the cell of a results page in the row labelled rowLabel (under
// the component row component) and the column named column (under the
// section heading, when given).
inline std::string resultsCell(const results::ResultsPage &t, const std::string &component,
                               const std::string &rowLabel, const std::string &column,
                               const std::string &section = {}) {
    const int co = ResultsFixture::rowOf(t, component);
    const int row = co < 0 ? -1 : ResultsFixture::rowOf(t, rowLabel, co);
    int col = -1;
    for (int c = 0; c < t.columnCount(); ++c) {
        if (t.cell(1, c).text == column && (section.empty() || t.cell(0, c).text == section)) {
            col = c;
        }
    }
    if (row < 0 || col < 0) {
        return "(none)";
    }
    return t.cell(row, col).text;
}

// The limit value of CO (maximum daily 8-hour mean) in the results summary
// of the single-street sample run with its CO output in µg/m³.
inline std::string coLimitInMicrograms(Sample &sample, Session &s) {
    s.open(sample.project());
    whenShown<ui::frmConcUnits>([](ui::frmConcUnits &u) {
        u.cmbUnit_Click(false, 4, 1); // CO output: µg/m³
        u.btnOK_Click();
    });
    s->action("menConcUnit")->trigger();
    if (s.state.OutputUnit[4] != "microg") {
        return "(CO output in " + s.state.OutputUnit[4] + ")";
    }
    std::string limit = "(no summary)";
    s.onResultsWindow = [&](QDialog &dialog) {
        auto &w = dynamic_cast<ui::frmShowResults &>(dialog);
        w.cmbPage->setCurrentIndex(0);
        limit =
            resultsCell(w.model()->page(), "Carbon monoxide (µg/m³)",
                        "EU limit value, maximum daily 8-hour mean", "Maximum", "Running 8 hours averages");
    };
    s.runToEnd();
    s.onResultsWindow = nullptr;
    return limit;
}

} // namespace vesk::test
