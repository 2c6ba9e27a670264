#pragma once

// A started program whose lists make a small results table: two percentile
// definitions (the 19th highest hour, the 36th highest day), limit values
// for NO2 (annual 40, hourly 19th highest 200), PM10 (annual 40, and a
// second row with the daily 36th highest 50) and "XX", a pollutant the
// pollutant list does not have. NO2 statistics are filled for both sides.

#include "project/InitProgram.h"
#include "run/State.h"
#include "run/results/ResultsTable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vesk::test {

inline const char *kSmallPercDef = "Name,           Fraction, nMax,   Type\r\n"
                                   "\"99.8_Perc\",0.002,19,0\r\n"
                                   "\"90.4_PercDaily\",0.096,36,2\r\n";

inline const char *kSmallLimValDef =
    "\"Hourly values\"\r\n"
    "\"Average\",\"Maximum\",\"th highest\",\" percentile\",\"Data capture\"\r\n"
    "\"Running 8 hours averages\"\r\n"
    "\"Maximum\",\"th highest\",\" percentile\",\"Data capture\"\r\n"
    "\"Daily averages\"\r\n"
    "\"Maximum\",\"th highest\",\" percentile\",\"Data capture\"\r\n"
    "3\r\n"
    "Average Maximum 99.8 dc Maximum dc Maximum 90.4 dc\r\n"
    "---- NO2\r\n"
    "\"NO2\",1\r\n"
    "\"EU limit value\",40,-99,200,-99,-99,-99,-99,-99,-99\r\n"
    "---- PM10\r\n"
    "\"PM10\",2\r\n"
    "\"EU annual\",40,-99,-99,-99,-99,-99,-99,-99,-99\r\n"
    "\"EU daily\",-99,-99,-99,-99,-99,-99,-99,50,-99\r\n"
    "---- XX\r\n"
    "\"XX\",0\r\n";

struct ResultsFixture : ::testing::Test {
    TempDir dir;
    State s;
    ScriptedInteraction ui;
    MemorySettings settings;

    // The limit values of limValDef (the small list when none is given).
    explicit ResultsFixture(const char *limValDef = kSmallLimValDef) {
        for (const char *file : {"Countries.ini", "MathPars.ini"}) {
            fs::copy_file(dataDir() / file, dir.path() / file);
        }
        fs::copy(dataDir() / "Lists", dir.path() / "Lists", fs::copy_options::recursive);
        dir.write("Lists/National/DL/PercDef.lst", kSmallPercDef);
        dir.write("Lists/National/DL/LimValDef.lst", limValDef);
        s.CurrentYear = 2020;
        const bool started = InitProgram(s, dir.path().string(), ui, settings, nullptr);
        EXPECT_TRUE(started);
        const std::size_t n = static_cast<std::size_t>(s.NPol + 1);
        s.ShowPol.assign(n, true);
        s.PercSource.assign(n, 1);
        s.Run8Source.assign(n, 1);
        s.AvSource.assign(n, 1);
        s.DailySource.assign(n, 1);
        s.OutputUnitFactor.assign(n, 1.0f);
        s.CalcPeriod = PeriodLength{8760, 365}; // a common year
        setSources("NO2", 3);
        s.ShowLimitValMode = 1;
        s.ShowOnlyIfLV = false;
        s.NumberFormat = "0.#0";
        s.RecHeight = 2;
        results::resetPercentileHideFlags(s);

        set("AvNO2_mod", 18.46f, 18.69f);
        set("MaxHourlyNO2_mod", 55.85f, 54.93f);
        set("19thHighestNO2_mod", 46.29f, 46.88f);
        set("nHoursNO2_mod", 8760.0f, 8760.0f);
        set("AvNO2_obs", 26.42f, -99.0f);
        set("nHoursNO2_obs", 2880.0f, -99.0f);
        set("AvNO2_b", 14.51f, 14.51f);
        set("MaxRun8NO2_mod", 39.97f, 38.5f);
        set("MaxDailyNO2_mod", 31.47f, 30.0f);
        set("AvPM10_mod", 19.35f, 19.43f);
        set("36thHighestDailyPM10_mod", 0.0f, 0.0f);
    }

    int index(const std::string &pollutant) const { return s.PollutantList.item(pollutant).Index; }
    void setSources(const std::string &pollutant, int source) {
        const std::size_t i = static_cast<std::size_t>(index(pollutant));
        s.PercSource[i] = s.Run8Source[i] = s.AvSource[i] = s.DailySource[i] = source;
    }
    void set(const std::string &key, float side1, float side2) {
        StatVar &v = s.StatVarList.item(key);
        v.setValue(1, side1);
        v.setValue(2, side2);
    }
    results::ResultsPage page(int p) const {
        return results::buildResultsPage(s, results::runStatSource(s), p);
    }

    // The texts of a page, one line per row, cells separated by " | ".
    static std::vector<std::string> rowsOf(const results::ResultsPage &t) {
        std::vector<std::string> lines;
        for (const std::vector<std::string> &row : t.texts()) {
            std::string line;
            for (std::size_t c = 0; c < row.size(); ++c) {
                line += (c > 0 ? " | " : "") + row[c];
            }
            lines.push_back(line);
        }
        return lines;
    }
    // The row whose first cell is label (trimmed), -1 when none.
    static int rowOf(const results::ResultsPage &t, const std::string &label, int from = 0) {
        for (int r = from; r < t.rowCount(); ++r) {
            std::string text = t.cell(r, 0).text;
            text.erase(0, text.find_first_not_of(' '));
            if (text == label) {
                return r;
            }
        }
        return -1;
    }
    // The column whose name (row 1) is name, -1 when none.
    static int columnOf(const results::ResultsPage &t, const std::string &name) {
        for (int c = 0; c < t.columnCount(); ++c) {
            if (t.cell(1, c).text == name) {
                return c;
            }
        }
        return -1;
    }
};

// The fields of a line of a saved multi-street results file, quotes kept,
// and a line made of such fields again.
inline std::vector<std::string> rawFields(const std::string &line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
        }
        if (c == ',' && !quoted) {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

inline std::string joinedFields(const std::vector<std::string> &fields) {
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        out += (i > 0 ? "," : "") + fields[i];
    }
    return out;
}

} // namespace vesk::test
