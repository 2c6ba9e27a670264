#include "project/OptionFile.h"

#include "core/ListLine.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "project/PrintColumns.h"
#include "project/ProjectState.h"
#include "project/ProjectText.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>

namespace vesk {

namespace {

// The bytes of a file as they stand (a damaged option file kept aside).
bool readFileBytes(const std::string &path, std::string *bytes, std::string *error) {
    std::string why;
    if (!isRegularFile(path, &why)) {
        *error = why;
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "Cannot read the file " + path;
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

constexpr size_t kMaxRowFields = 20;

struct Damaged : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::vector<std::string> pollutantNames(const ProjectState &s) {
    std::vector<std::string> names;
    for (int k = 0; k <= s.NPol; ++k) {
        names.push_back(k < static_cast<int>(s.PollutantNames.size()) ? s.PollutantNames[k] : "");
    }
    return names;
}

std::string sourceRow(const ProjectState &s, const std::vector<int> &values) {
    std::vector<std::string> items;
    for (int k = 0; k <= s.NPol; ++k) {
        items.push_back(printNumber(k < static_cast<int>(values.size()) ? values[k] : 3));
    }
    return pollutantColumns(items);
}

class OptionLines {
public:
    explicit OptionLines(std::vector<std::string> lines) : m_lines(std::move(lines)) {}
    std::string take() {
        if (m_next >= m_lines.size()) {
            throw Damaged("the file ends before line " + std::to_string(m_next + 1));
        }
        return m_lines[m_next++];
    }
    RecordReader record() { return RecordReader(take()); }
    // Values of a print line, exactly n of them ("," read as a decimal point):
    // fewer or more are damage (a line lost or added shifts the file).
    std::vector<double> numbers(size_t n) {
        auto f = ReadListLine(take(), ".");
        if (f.size() < n) {
            throw Damaged("too few values on line " + std::to_string(m_next));
        }
        if (f.size() > n) {
            throw Damaged("line " + std::to_string(m_next) + " holds " + std::to_string(f.size()) +
                          " values where it has " + std::to_string(n));
        }
        std::vector<double> v;
        for (auto &x : f) {
            // A value that is no number is damage, not a 0 that changes the run.
            const std::optional<double> number = parseNumber(x);
            if (!number || !std::isfinite(*number)) {
                throw Damaged("line " + std::to_string(m_next) + ": " + quotedText(x) + " is not a number");
            }
            v.push_back(*number);
        }
        return v;
    }
    size_t lineNumber() const { return m_next; }
    // The number an item of line `line` must be; damage when it is none.
    static double number(const std::string &item, size_t line) {
        const std::optional<double> v = parseNumber(item);
        if (!v || !std::isfinite(*v)) {
            throw Damaged("line " + std::to_string(line) + ": " + quotedText(trim(item)) +
                          " is not a number");
        }
        return *v;
    }
    // A record line read to its end: an item left over is damage.
    void finish(const RecordReader &r) const {
        if (!r.atEnd()) {
            throw Damaged("line " + std::to_string(m_next) + " holds more items than its values");
        }
    }

private:
    std::vector<std::string> m_lines;
    size_t m_next = 0;
};

// Reads the per-pollutant rows keyed by the names of line 12.
class PollutantRows {
public:
    PollutantRows(ProjectState &s, Interaction &ui, std::vector<std::string> names)
        : m_s(s), m_ui(ui), m_names(names) {
        for (auto &n : m_names) {
            m_index.push_back(pollutantIndex(s, n));
        }
    }

    int indexOf(size_t i) {
        if (m_index[i] < 0 && m_reported.insert(toLower(m_names[i])).second) {
            m_ui.message("The pollutant " + m_names[i] +
                             ", refered to in the local Option File, is not in the Pollutants List.\r\n"
                             "This pollutant will not be used in the current project.\r\n"
                             "Next time the Local Option File will be saved, the reference to this pollutant "
                             "will be removed from the file!",
                         Icon::Information);
            m_s.OptionFileChanged = true;
        }
        return m_index[i];
    }

    // Returns the number of fields of the row (its line number is `line`).
    size_t read(const std::string &text, size_t line, std::vector<int> &values) {
        values.assign(static_cast<size_t>(m_s.NPol + 1), 3);
        auto fields = ReadListLine(text, ",");
        if (fields.size() > m_names.size() || fields.size() > kMaxRowFields) {
            throw Damaged("more values than pollutant names");
        }
        for (size_t i = 0; i < fields.size(); ++i) {
            // A source code that is no number is damage, not a 0 (no statistics).
            const double code = OptionLines::number(fields[i], line);
            const int k = indexOf(i);
            if (k >= 0) {
                values[k] = static_cast<int>(roundHalfEven(code));
            }
        }
        return fields.size();
    }

private:
    ProjectState &m_s;
    Interaction &m_ui;
    std::vector<std::string> m_names;
    std::vector<int> m_index;
    std::set<std::string> m_reported;
};

void parseLines(ProjectState &s, OptionLines &in, Interaction &ui) {
    s.OptionFileChanged = false;
    s.Normalise = false;
    s.NormLengthScale = 1;
    s.NormWindScale = 2;

    const double mode = in.numbers(1)[0];
    if (mode != 0 && mode != 1) {
        throw Damaged("line 1: the calculation mode is 1 (Calculation) or 0 (Special Mode), not " +
                      formatNumber(mode));
    }
    s.CalcMode = static_cast<int>(mode);
    s.OptionHeaders[1] = in.take();
    auto chemistry = in.numbers(6);
    s.StoredCalcNO2 = static_cast<int>(roundHalfEven(chemistry[0]));
    s.StoredBackgroundNOx = chemistry[1];
    s.StoredBackgroundNO2 = chemistry[2];
    s.StoredBackgroundO3 = chemistry[3];
    s.StoredAirTemperature = chemistry[4];
    s.StoredGlobalRadiation = chemistry[5];
    s.OptionHeaders[3] = in.take();
    {
        auto speeds = ReadListLine(in.take(), ",");
        if (speeds.size() > static_cast<size_t>(kMaxWindSpeeds)) {
            throw Damaged("more than 8 wind speeds");
        }
        s.WindSpeedCount = static_cast<int>(speeds.size());
        s.StoredWindSpeeds.fill(0);
        for (size_t i = 0; i < speeds.size(); ++i) {
            s.StoredWindSpeeds[i + 1] = OptionLines::number(speeds[i], in.lineNumber());
        }
    }
    s.OptionHeaders[5] = in.take();
    auto directions = in.numbers(3);
    s.StoredWindDirStart = directions[0];
    s.StoredWindDirEnd = directions[1];
    s.StoredWindDirStep = directions[2];
    s.OptionHeaders[7] = in.take();
    {
        RecordReader r = in.record();
        s.Normalise = r.readBool();
        s.NormLengthScale = static_cast<int>(r.readLong());
        s.NormWindScale = static_cast<int>(r.readLong());
        in.finish(r);
    }
    s.OptionHeaders[9] = in.take();
    {
        RecordReader r = in.record();
        s.CalcPerc = r.readBool();
        s.PercMode = static_cast<int>(r.readLong());
        in.finish(r);
    }
    std::vector<std::string> names;
    for (auto &f : ReadListLine(in.take(), ",")) {
        names.push_back(trim(f));
    }
    PollutantRows rows(s, ui, names);
    {
        const std::string row = in.take();
        rows.read(row, in.lineNumber(), s.PercSource);
    }
    s.OptionHeaders[13] = in.take();
    {
        RecordReader r = in.record();
        s.CalcRun8 = r.readBool();
        s.Run8PercMode = static_cast<int>(r.readLong());
        s.MinNobs8 = static_cast<int>(r.readLong());
        s.MinDailyMax = static_cast<int>(r.readLong());
        in.finish(r);
    }
    s.OptionHeaders[15] = in.take();
    {
        const std::string row = in.take();
        rows.read(row, in.lineNumber(), s.Run8Source);
    }
    s.OptionHeaders[17] = in.take();
    s.OptionHeaders[18] = in.take();
    {
        const std::string row = in.take();
        rows.read(row, in.lineNumber(), s.AvSource);
    }
    s.OptionHeaders[20] = in.take();
    {
        RecordReader r = in.record();
        s.CalcDaily = r.readBool();
        s.DailyPercMode = static_cast<int>(r.readLong());
        s.MinNobsDay = static_cast<int>(r.readLong());
        in.finish(r);
    }
    s.OptionHeaders[22] = in.take();
    const std::string dailyRow = in.take();
    const size_t dailyFields = rows.read(dailyRow, in.lineNumber(), s.DailySource);
    s.OptionHeaders[24] = in.take();
    {
        s.ShowPol.assign(static_cast<size_t>(s.NPol + 1), true);
        RecordReader r = in.record();
        for (size_t i = 0; i < dailyFields; ++i) {
            const bool show = r.readBool();
            const int k = rows.indexOf(i);
            if (k >= 0) {
                s.ShowPol[k] = show;
            }
        }
        if (dailyFields == 0 && !r.atEnd()) {
            r.readString(); // read as text and not used
        }
        in.finish(r);
    }
    {
        RecordReader r = in.record();
        s.CalcOnlyIfBoth = r.readBool();
        s.ShowResultsAuto = r.readBool();
        s.ShowLimitValMode = static_cast<int>(r.readLong());
        s.ShowOnlyIfLV = r.readBool();
        in.finish(r);
    }
}

} // namespace

std::string formatOptionFile(const ProjectState &s) {
    std::string out;
    auto header = [&](int k) { out += s.OptionHeaders[k] + kCrLf; };
    auto record = [&](RecordWriter &w) {
        w.endRecord();
        out += w.str();
    };
    const auto names = pollutantColumns(pollutantNames(s));

    out += printNumber(s.CalcMode) + kCrLf;
    header(1);
    {
        PrintLine p;
        p.spc(5).number(s.CalcNO2).spc(5).number(s.BackgroundNOx).spc(5).number(s.BackgroundNO2);
        p.spc(7).number(s.BackgroundO3).spc(7).number(s.AirTemperature).spc(7).number(s.GlobalRadiation);
        out += p.str() + kCrLf;
    }
    header(3);
    {
        PrintLine p;
        const int count = std::min(s.WindSpeedCount, kMaxWindSpeeds);
        for (int i = 1; i <= count; ++i) {
            p.number(s.WindSpeeds[i]);
            if (i < count) {
                p.spc(3);
            }
        }
        out += p.str() + kCrLf;
    }
    header(5);
    {
        PrintLine p;
        p.number(s.WindDirStart).zone().number(s.WindDirEnd).zone().number(s.WindDirStep);
        out += p.str() + kCrLf;
    }
    header(7);
    {
        RecordWriter w;
        w.boolean(s.Normalise).integer(s.NormLengthScale).integer(s.NormWindScale);
        record(w);
    }
    header(9);
    {
        RecordWriter w;
        w.boolean(s.CalcPerc).integer(s.PercMode);
        record(w);
    }
    out += names + kCrLf;
    out += sourceRow(s, s.PercSource) + kCrLf;
    header(13);
    {
        RecordWriter w;
        w.boolean(s.CalcRun8).integer(s.Run8PercMode).integer(s.MinNobs8).integer(s.MinDailyMax);
        record(w);
    }
    out += names + kCrLf;
    out += sourceRow(s, s.Run8Source) + kCrLf;
    header(17);
    out += names + kCrLf;
    out += sourceRow(s, s.AvSource) + kCrLf;
    header(20);
    {
        RecordWriter w;
        w.boolean(s.CalcDaily).integer(s.DailyPercMode).integer(s.MinNobsDay);
        record(w);
    }
    out += names + kCrLf;
    out += sourceRow(s, s.DailySource) + kCrLf;
    header(24);
    {
        RecordWriter w;
        for (int k = 0; k <= s.NPol; ++k) {
            w.boolean(k < static_cast<int>(s.ShowPol.size()) ? static_cast<bool>(s.ShowPol[k]) : true);
        }
        record(w);
        if (s.NPol < 0) {
            out += kCrLf;
        }
    }
    {
        RecordWriter w;
        w.boolean(s.CalcOnlyIfBoth)
            .boolean(s.ShowResultsAuto)
            .integer(s.ShowLimitValMode)
            .boolean(s.ShowOnlyIfLV);
        record(w);
    }
    return out;
}

std::string localOptionFilePath(const ProjectState &s) {
    return findExisting(joinPath(s.WorkDir, "Run.opt"));
}

bool SaveOptionFile(const ProjectState &s, const std::string &path, std::string *error) {
    return writeFileAtomically(path, formatOptionFile(s), error);
}

bool parseOptionFile(ProjectState &s, const std::string &text, Interaction &ui, std::string *error) {
    OptionLines in(splitLines(text));
    try {
        parseLines(s, in, ui);
        return true;
    } catch (const std::runtime_error &e) {
        if (error) {
            *error = e.what();
        }
        return false;
    }
}

bool readProjectOptionFile(ProjectState &s, Interaction &ui, bool continueInSpecialMode) {
    namespace fs = std::filesystem;
    const std::string local = localOptionFilePath(s);
    const std::string programWide = findExisting(joinPath(s.AppDir, "Run.opt"));
    bool replaced = false;
    for (;;) {
        std::error_code ec;
        s.NoLocalOptionFile = !fs::is_regular_file(local, ec);
        const std::string path = s.NoLocalOptionFile ? programWide : local;
        std::string text, error;
        if (!readTextFile(path, &text, &error)) {
            ui.message("Can't open the file\r\n" + path, Icon::Critical);
            return false;
        }
        if (parseOptionFile(s, text, ui, &error)) {
            break;
        }
        if (s.NoLocalOptionFile || replaced) {
            // Replacing the file by the program-wide one cannot help here.
            ui.message("The Option file " + path + " is corrupted.\r\n" + error, Icon::Critical);
            return false;
        }
        auto a =
            ui.question("The local Option file is corrupted\r\nDo you want to replace this option file with "
                        "the standard Option file?",
                        Buttons::YesNo, Icon::Exclamation, Answer::No);
        if (a != Answer::Yes) {
            return false;
        }
        // The damaged file is kept beside it, written as every save is (a
        // temporary file and a rename, no other user's link followed).
        std::string damaged, standard;
        if (!readFileBytes(local, &damaged, &error) ||
            !writeFileAtomically(local + ".bak", damaged, &error) ||
            !readTextFile(programWide, &standard, &error) || !writeFileAtomically(local, standard, &error)) {
            ui.message("The local Option file could not be replaced.\r\n" + error, Icon::Critical);
            return false;
        }
        replaced = true;
    }
    if (continueInSpecialMode) {
        s.CalcMode = 0;
    }
    if (s.RouteMode) {
        s.ShowResultsAuto = false;
        s.CalcPerc = false;
        s.CalcRun8 = false;
        s.CalcDaily = false;
    }
    return true;
}

} // namespace vesk
