// Reading and writing of the vehicle list (.vlf), the fuel list (.flf) and
// the emission-factor table (.eft) as documents. See docs/formats.md for the
// layouts. The emission set-up (ListFiles.cpp) builds the component from
// these documents.

#include "platform/emission/ListDocuments.h"
#include "platform/emission/ListFileReader.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"

#include <algorithm>
#include <cmath>

namespace vesk {

namespace {

// Header lines (at least one) up to the first section line.
bool readHeaderLines(ListFileReader &in, std::vector<std::string> *lines, std::string *error) {
    if (!in.next() || in.section()) {
        return fail(error, in.expected("a header line"));
    }
    lines->push_back(trim(in.rawLine()));
    while (in.next()) {
        if (in.section()) {
            in.pushBack();
            break;
        }
        lines->push_back(trim(in.rawLine()));
    }
    return true;
}

// The first line of a list file: country code and scenario year, then the header lines.
bool readCountryLine(ListFileReader &in, std::string *country, int *year, std::vector<std::string> *header,
                     std::string *error) {
    if (!in.next() || in.size() < 2 || in.field(0).empty() || !in.number(1)) {
        return fail(error, in.expected("the country code and the scenario year"));
    }
    *country = in.field(0);
    *year = static_cast<int>(roundHalfEven(*in.number(1)));
    return readHeaderLines(in, header, error);
}

// After a section line: the column titles, whose first title is checked.
bool readTitles(ListFileReader &in, const std::string &firstTitle, std::string *error) {
    if (!in.next() || in.section() || !iequals(in.field(0), firstTitle)) {
        return fail(error, in.expected("the column titles beginning with \"" + firstTitle + "\""));
    }
    return true;
}

// Reads data lines up to the next section or the end; calls row() for each.
template <typename Row> bool readRows(ListFileReader &in, Row row) {
    while (in.next()) {
        if (in.section()) {
            in.pushBack();
            return true;
        }
        if (!row()) {
            return false;
        }
    }
    return true;
}

bool parseText(const std::string &text, const std::string &fileName, ListFileReader *in, std::string *error) {
    in->setText(text, fileName);
    if (const std::string tooLong = in->fieldTooLong(); !tooLong.empty()) {
        return fail(error, tooLong);
    }
    return true;
}

// Writes text after the document's checks and after reading it back with the
// reader: a document with a problem, or a text the reader refuses, is not written.
template <typename Doc, typename Parse>
bool writeChecked(const std::string &path, const std::vector<ListProblem> &problems, const std::string &text,
                  Parse parse, std::string *error) {
    if (!problems.empty()) {
        return fail(error, path + ": " + problems.front().message);
    }
    Doc check;
    if (!parse(text, path, &check, error)) {
        return false;
    }
    return writeFileAtomically(path, text, error);
}

template <typename Doc, typename Parse>
bool readDocument(const std::string &path, Doc *doc, Parse parse, std::string *error) {
    std::string text;
    if (!readTextFile(path, &text, error)) {
        return false;
    }
    return parse(text, path, doc, error);
}

std::string listHead(const std::string &country, int year, const std::vector<std::string> &header) {
    std::string out = doubleQuoted(country) + "," + std::to_string(year) + kCrLf;
    for (const auto &h : header) {
        out += h + kCrLf;
    }
    return out;
}

} // namespace

std::vector<const FleetShareDefinition *> VehicleListDocument::sharesOf(const std::string &category) const {
    std::vector<const FleetShareDefinition *> out;
    for (const auto &s : fleet) {
        if (iequals(s.category, category)) {
            out.push_back(&s);
        }
    }
    return out;
}

double VehicleListDocument::shareSum(const std::string &category) const {
    double total = 0;
    for (const auto *s : sharesOf(category)) {
        total += s->percent;
    }
    return total;
}

bool parseVehicleListDocument(const std::string &text, const std::string &fileName, VehicleListDocument *out,
                              std::string *error) {
    ListFileReader in;
    if (!parseText(text, fileName, &in, error)) {
        return false;
    }
    VehicleListDocument doc;
    if (!readCountryLine(in, &doc.country, &doc.year, &doc.headerLines, error)) {
        return false;
    }
    bool haveFactors = false;
    while (in.next()) {
        auto section = in.section();
        if (section && iequals(*section, "Factors")) {
            if (!readTitles(in, "Factor file", error)) {
                return false;
            }
            if (!in.next() || in.section() || in.field(0).empty()) {
                return fail(error, in.expected("the name of the emission-factor file"));
            }
            doc.factorFile = in.field(0);
            haveFactors = true;
        } else if (section && iequals(*section, "Categories")) {
            if (!readTitles(in, "Name", error)) {
                return false;
            }
            if (!readRows(in, [&] {
                    auto length = in.number(2);
                    if (in.size() != 5 || in.field(0).empty() || !length || (*length != 1 && *length != 2) ||
                        in.field(3).empty() || in.field(4).empty()) {
                        return fail(error, in.expected("name, long name, length class (1 or 2), factor class "
                                                       "and fuel"));
                    }
                    for (const auto &c : doc.categories) {
                        if (iequals(c.name, in.field(0))) {
                            return fail(error, in.at("the category " + quotedText(in.field(0)) +
                                                     " is listed twice."));
                        }
                    }
                    doc.categories.push_back({in.field(0), in.field(1), static_cast<int>(*length),
                                              in.field(3), in.field(4), in.lineNumber()});
                    return true;
                })) {
                return false;
            }
        } else if (section && iequals(*section, "Fleet")) {
            if (!readTitles(in, "Category", error)) {
                return false;
            }
            if (!readRows(in, [&] {
                    auto share = in.number(2);
                    if (in.size() != 3 || in.field(1).empty() || !share || *share < 0 || *share > 100) {
                        return fail(error, in.expected("category, technology and share (0 to 100 %)"));
                    }
                    bool known = false;
                    for (const auto &c : doc.categories) {
                        known = known || iequals(c.name, in.field(0));
                    }
                    if (!known) {
                        return fail(error, in.at("the category " + quotedText(in.field(0)) +
                                                 " is not in the [Categories] section above."));
                    }
                    for (const auto *s : doc.sharesOf(in.field(0))) {
                        if (iequals(s->technology, in.field(1))) {
                            return fail(error, in.at("the technology " + quotedText(in.field(1)) + " of " +
                                                     quotedText(in.field(0)) + " is listed twice."));
                        }
                    }
                    doc.fleet.push_back({in.field(0), in.field(1), *share, in.lineNumber()});
                    return true;
                })) {
                return false;
            }
        } else {
            return fail(error, in.expected("the section [Factors], [Categories] or [Fleet]"));
        }
    }
    if (!haveFactors) {
        return fail(error, in.whole("the file names no emission-factor file (section [Factors])."));
    }
    if (doc.categories.empty()) {
        return fail(error, in.whole("the file lists no vehicle categories (section [Categories])."));
    }
    for (const auto &c : doc.categories) {
        const double total = doc.shareSum(c.name);
        if (doc.sharesOf(c.name).empty() || std::fabs(total - 100.0) > kFleetShareTolerance_percent) {
            return fail(error, in.whole("the fleet shares of " + quotedText(c.name) + " add up to " +
                                        std::to_string(total) + " % instead of 100 %."));
        }
    }
    *out = std::move(doc);
    return true;
}

bool readVehicleListDocument(const std::string &path, VehicleListDocument *doc, std::string *error) {
    return readDocument(path, doc, parseVehicleListDocument, error);
}

std::string vehicleListText(const VehicleListDocument &doc) {
    std::string out = listHead(doc.country, doc.year, doc.headerLines);
    out += std::string("[Factors]") + kCrLf + "\"Factor file\"" + kCrLf + doubleQuoted(doc.factorFile) + kCrLf;
    out += std::string("[Categories]") + kCrLf +
           "\"Name\",\"Long name\",\"Length class\",\"Factor class\",\"Fuel\"" + kCrLf;
    for (const auto &c : doc.categories) {
        out += doubleQuoted(c.name) + "," + doubleQuoted(c.longName) + "," + std::to_string(c.lengthClass) + "," +
               doubleQuoted(c.factorClass) + "," + doubleQuoted(c.fuel) + kCrLf;
    }
    out += std::string("[Fleet]") + kCrLf + "\"Category\",\"Technology\",\"Share (%)\"" + kCrLf;
    // Grouped by category in the order of the categories, each group in its own order.
    for (const auto &c : doc.categories) {
        for (const auto *s : doc.sharesOf(c.name)) {
            out += doubleQuoted(s->category) + "," + doubleQuoted(s->technology) + "," + formatNumber(s->percent) + kCrLf;
        }
    }
    for (const auto &s : doc.fleet) {
        bool known = false;
        for (const auto &c : doc.categories) {
            known = known || iequals(c.name, s.category);
        }
        if (!known) { // written so that the reader names it
            out += doubleQuoted(s.category) + "," + doubleQuoted(s.technology) + "," + formatNumber(s.percent) + kCrLf;
        }
    }
    return out;
}

bool writeVehicleListFile(const std::string &path, const VehicleListDocument &doc, std::string *error) {
    return writeChecked<VehicleListDocument>(path, checkVehicleList(doc), vehicleListText(doc),
                                             parseVehicleListDocument, error);
}

bool parseFuelListDocument(const std::string &text, const std::string &fileName, FuelListDocument *out,
                           std::string *error) {
    ListFileReader in;
    if (!parseText(text, fileName, &in, error)) {
        return false;
    }
    FuelListDocument doc;
    if (!readCountryLine(in, &doc.country, &doc.year, &doc.headerLines, error)) {
        return false;
    }
    auto findFuel = [&](const std::string &name) -> bool {
        for (const auto &f : doc.fuels) {
            if (iequals(f.name, name)) {
                return true;
            }
        }
        return false;
    };
    while (in.next()) {
        auto section = in.section();
        if (section && iequals(*section, "Fuels")) {
            if (!readTitles(in, "Name", error)) {
                return false;
            }
            if (!readRows(in, [&] {
                    if (in.field(0).empty()) {
                        return fail(error, in.expected("a fuel name and its long name"));
                    }
                    if (findFuel(in.field(0))) {
                        return fail(error,
                                    in.at("the fuel " + quotedText(in.field(0)) + " is listed twice."));
                    }
                    doc.fuels.push_back({in.field(0), in.field(1)});
                    return true;
                })) {
                return false;
            }
        } else if (section && iequals(*section, "Contents")) {
            if (!readTitles(in, "Fuel", error)) {
                return false;
            }
            if (!readRows(in, [&] {
                    auto value = in.number(2);
                    if (in.size() < 3 || in.field(1).empty() || !value || *value < 0) {
                        return fail(error, in.expected("a fuel, a substance and a content of 0 or more"));
                    }
                    if (!findFuel(in.field(0))) {
                        return fail(error, in.at("the fuel " + quotedText(in.field(0)) +
                                                 " is not in the [Fuels] section above."));
                    }
                    for (const auto &c : doc.contents) {
                        if (iequals(c.fuel, in.field(0)) && iequals(c.substance, in.field(1))) {
                            return fail(error, in.at("the " + visibleText(in.field(1)) + " content of " +
                                                     quotedText(in.field(0)) + " is given twice."));
                        }
                    }
                    doc.contents.push_back({in.field(0), in.field(1), *value, in.field(3)});
                    return true;
                })) {
                return false;
            }
        } else {
            return fail(error, in.expected("the section [Fuels] or [Contents]"));
        }
    }
    if (doc.fuels.empty()) {
        return fail(error, in.whole("the file lists no fuels (section [Fuels])."));
    }
    *out = std::move(doc);
    return true;
}

bool readFuelListDocument(const std::string &path, FuelListDocument *doc, std::string *error) {
    return readDocument(path, doc, parseFuelListDocument, error);
}

std::string fuelListText(const FuelListDocument &doc) {
    std::string out = listHead(doc.country, doc.year, doc.headerLines);
    out += std::string("[Fuels]") + kCrLf + "\"Name\",\"Long name\"" + kCrLf;
    for (const auto &f : doc.fuels) {
        out += doubleQuoted(f.name) + "," + doubleQuoted(f.longName) + kCrLf;
    }
    out += std::string("[Contents]") + kCrLf + "\"Fuel\",\"Substance\",\"Content\",\"Unit\"" + kCrLf;
    for (const auto &c : doc.contents) {
        out += doubleQuoted(c.fuel) + "," + doubleQuoted(c.substance) + "," + formatNumber(c.content) + "," +
               doubleQuoted(c.unit) + kCrLf;
    }
    return out;
}

bool writeFuelListFile(const std::string &path, const FuelListDocument &doc, std::string *error) {
    return writeChecked<FuelListDocument>(path, checkFuelList(doc), fuelListText(doc), parseFuelListDocument,
                                          error);
}

const FactorRow *FactorTableDocument::find(const std::string &factorClass, const std::string &technology,
                                           const std::string &pollutant) const {
    for (const auto &r : rows) {
        if (iequals(r.factorClass, factorClass) && iequals(r.technology, technology) &&
            iequals(r.pollutant, pollutant)) {
            return &r;
        }
    }
    return nullptr;
}

double FactorTableDocument::hotFactor(const FactorRow &row, double speed_kmh) const {
    if (row.isShare) {
        const FactorRow *base = find(row.factorClass, row.technology, row.shareOf);
        if (!base || base->isShare) {
            return -99;
        }
        const double f = hotFactor(*base, speed_kmh);
        return f < 0 ? -99 : row.share * f;
    }
    if (speeds.empty() || row.factors.size() != speeds.size()) {
        return -99;
    }
    if (!(speed_kmh > speeds.front())) {
        return row.factors.front();
    }
    if (speed_kmh >= speeds.back()) {
        return row.factors.back();
    }
    const size_t i =
        static_cast<size_t>(std::upper_bound(speeds.begin(), speeds.end(), speed_kmh) - speeds.begin());
    const double s0 = speeds[i - 1], s1 = speeds[i];
    return row.factors[i - 1] + (row.factors[i] - row.factors[i - 1]) * (speed_kmh - s0) / (s1 - s0);
}

bool parseFactorTableDocument(const std::string &text, const std::string &fileName, FactorTableDocument *out,
                              std::string *error) {
    ListFileReader in;
    if (!parseText(text, fileName, &in, error)) {
        return false;
    }
    FactorTableDocument doc;
    if (!readHeaderLines(in, &doc.headerLines, error)) {
        return false;
    }
    bool haveFactors = false;
    while (in.next()) {
        auto section = in.section();
        if (!section) {
            return fail(error, in.expected("a section line such as [Speeds] or [Factors]"));
        }
        if (iequals(*section, "Speeds")) {
            if (!readTitles(in, "Speed (km/h)", error)) {
                return false;
            }
            if (!in.next() || in.section()) {
                return fail(error, in.expected("the speeds in km/h"));
            }
            doc.speeds.clear();
            for (size_t i = 0; i < in.size(); ++i) {
                auto v = in.number(i);
                if (!v || *v <= 0 || *v > kMaxSpeed || (!doc.speeds.empty() && *v <= doc.speeds.back())) {
                    return fail(error, in.expected("increasing speeds above 0 and up to " +
                                                   formatNumber(kMaxSpeed) + " km/h"));
                }
                doc.speeds.push_back(*v);
            }
        } else if (iequals(*section, "Factors")) {
            if (doc.speeds.empty()) {
                return fail(error, in.at("the [Speeds] section must come before the [Factors] section."));
            }
            if (!readTitles(in, "Class", error)) {
                return false;
            }
            haveFactors = true;
            if (!readRows(in, [&] {
                    if (in.size() < 6 || in.field(0).empty() || in.field(1).empty() || in.field(2).empty()) {
                        return fail(error,
                                    in.expected("class, technology, pollutant, cold ratio, fuel reference "
                                                "and the factors, or class, technology, pollutant, "
                                                "\"share of\", pollutant and share"));
                    }
                    FactorRow row;
                    row.factorClass = in.field(0);
                    row.technology = in.field(1);
                    row.pollutant = in.field(2);
                    row.line = in.lineNumber();
                    row.source = trim(in.rawLine());
                    if (doc.find(row.factorClass, row.technology, row.pollutant)) {
                        return fail(error, in.at("the factors of " + visibleText(row.pollutant) + " for " +
                                                 quotedText(row.factorClass) + ", " +
                                                 quotedText(row.technology) + " are given twice."));
                    }
                    if (iequals(in.field(3), "share of")) {
                        auto share = in.number(5);
                        if (in.field(4).empty() || iequals(in.field(4), row.pollutant) || !share ||
                            *share < 0 || *share > 1 || in.size() != 6) {
                            return fail(error,
                                        in.expected("\"share of\", a pollutant of the country and a share "
                                                    "from 0 to 1"));
                        }
                        row.isShare = true;
                        row.shareOf = in.field(4);
                        row.share = *share;
                        doc.rows.push_back(std::move(row));
                        return true;
                    }
                    auto cold = in.number(3);
                    auto reference = in.number(4);
                    if (!cold || *cold < 0 || *cold > kMaxColdRatio || !reference || *reference < 0) {
                        return fail(error,
                                    in.expected("a cold ratio from 0 to " + formatNumber(kMaxColdRatio) +
                                                " and a fuel reference of 0 or more"));
                    }
                    if (in.size() != 5 + doc.speeds.size()) {
                        return fail(error,
                                    in.expected(std::to_string(doc.speeds.size()) +
                                                " factors in g/km, one per speed of the [Speeds] section"));
                    }
                    row.coldRatio = *cold;
                    row.fuelReference = *reference;
                    for (size_t i = 0; i < doc.speeds.size(); ++i) {
                        auto v = in.number(5 + i);
                        if (!v || *v < 0 || *v > kMaxEmissionFactor) {
                            return fail(error, in.expected("factors from 0 to " +
                                                           formatNumber(kMaxEmissionFactor) + " g/km"));
                        }
                        row.factors.push_back(*v);
                    }
                    doc.rows.push_back(std::move(row));
                    return true;
                })) {
                return false;
            }
        } else {
            return fail(error, in.expected("the section [Speeds] or [Factors]"));
        }
    }
    if (!haveFactors) {
        return fail(error, in.whole("the file has no [Factors] section."));
    }
    *out = std::move(doc);
    return true;
}

bool readFactorTableDocument(const std::string &path, FactorTableDocument *doc, std::string *error) {
    return readDocument(path, doc, parseFactorTableDocument, error);
}

std::string factorTableText(const FactorTableDocument &doc) {
    std::string out;
    for (const auto &h : doc.headerLines) {
        out += h + kCrLf;
    }
    out += std::string("[Speeds]") + kCrLf + "\"Speed (km/h)\"" + kCrLf;
    for (size_t i = 0; i < doc.speeds.size(); ++i) {
        out += (i ? "," : "") + formatNumber(doc.speeds[i]);
    }
    out += std::string(kCrLf) + "[Factors]" + kCrLf +
           "\"Class\",\"Technology\",\"Pollutant\",\"Cold ratio\",\"Fuel reference\","
           "\"Factors (g/km) at the speeds above\"" +
           kCrLf;
    for (const auto &r : doc.rows) {
        out += doubleQuoted(r.factorClass) + "," + doubleQuoted(r.technology) + "," + doubleQuoted(r.pollutant) + ",";
        if (r.isShare) {
            out += "\"share of\"," + doubleQuoted(r.shareOf) + "," + formatNumber(r.share);
        } else {
            out += formatNumber(r.coldRatio) + "," + formatNumber(r.fuelReference);
            for (double f : r.factors) {
                out += "," + formatNumber(f);
            }
        }
        out += kCrLf;
    }
    return out;
}

bool writeFactorTableFile(const std::string &path, const FactorTableDocument &doc, std::string *error) {
    return writeChecked<FactorTableDocument>(path, checkFactorTable(doc), factorTableText(doc),
                                             parseFactorTableDocument, error);
}

} // namespace vesk
