// Checks of vehicle lists, fuel lists and emission-factor tables made in
// memory: what the readers would refuse, said in terms of the rows an editor
// shows. The writers still read their text back before they write.

#include "platform/emission/ListDocuments.h"

#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"

#include <cmath>

namespace vesk {

namespace {

constexpr int kWhole = 0, kRows = 1, kSubRows = 2, kFactorRows = 3;

// A text one quoted field can hold.
bool storable(const std::string &text) {
    return text.find_first_of("\"\r\n") == std::string::npos;
}

// A name: not empty, and storable.
bool goodName(const std::string &text) {
    return !trim(text).empty() && storable(text);
}

void checkHead(std::vector<ListProblem> &out, const std::string *country,
               const std::vector<std::string> &header) {
    if (country && (!goodName(*country) || country->find_first_of(" ,;\t") != std::string::npos)) {
        out.push_back({kWhole, -1, "The country code must be a short code without blanks."});
    }
    if (header.empty()) {
        out.push_back({kWhole, -1, "The file needs a header line describing it."});
    }
    for (const auto &h : header) {
        const std::string t = trim(h);
        if (t.empty() || (t.front() == '[' && t.back() == ']') ||
            t.find_first_of("\r\n") != std::string::npos) {
            out.push_back({kWhole, -1, "A header line must not be empty or look like a section line."});
        }
    }
}

bool number(double v, double low, double high) {
    return std::isfinite(v) && v >= low && v <= high && fitsSingle(v);
}

} // namespace

std::vector<ListProblem> checkVehicleList(const VehicleListDocument &doc) {
    std::vector<ListProblem> out;
    checkHead(out, &doc.country, doc.headerLines);
    if (!goodName(doc.factorFile)) {
        out.push_back({kWhole, -1, "The emission-factor file is not named."});
    }
    if (doc.categories.empty()) {
        out.push_back({kRows, -1, "The list needs at least one vehicle category."});
    }
    for (size_t i = 0; i < doc.categories.size(); ++i) {
        const VehicleCategoryDefinition &c = doc.categories[i];
        const int row = static_cast<int>(i);
        if (!goodName(c.name) || c.name.find_first_of(" ,;\t") != std::string::npos) {
            out.push_back(
                {kRows, row, "A category needs a short name without blanks, commas or semicolons."});
        }
        if (!storable(c.longName)) {
            out.push_back({kRows, row, "The long name of \"" + c.name + "\" holds a double quote."});
        }
        if (c.lengthClass != 1 && c.lengthClass != 2) {
            out.push_back(
                {kRows, row, "The length class of \"" + c.name + "\" must be 1 (light) or 2 (heavy)."});
        }
        if (!goodName(c.factorClass) || !goodName(c.fuel)) {
            out.push_back({kRows, row, "\"" + c.name + "\" needs a factor class and a fuel."});
        }
        for (size_t j = 0; j < i; ++j) {
            if (iequals(doc.categories[j].name, c.name)) {
                out.push_back({kRows, row, "The category \"" + c.name + "\" is listed twice."});
            }
        }
        const auto shares = doc.sharesOf(c.name);
        const double total = doc.shareSum(c.name);
        if (shares.empty() || std::fabs(total - 100.0) > kFleetShareTolerance_percent) {
            out.push_back({kRows, row,
                           "The fleet shares of \"" + c.name + "\" add up to " + formatNumber(total) +
                               " % instead of 100 %."});
        }
    }
    for (size_t i = 0; i < doc.fleet.size(); ++i) {
        const FleetShareDefinition &s = doc.fleet[i];
        const int row = static_cast<int>(i);
        bool known = false;
        for (const auto &c : doc.categories) {
            known = known || iequals(c.name, s.category);
        }
        if (!known) {
            out.push_back(
                {kSubRows, row, "The category \"" + s.category + "\" of a fleet share is not listed."});
        }
        if (!goodName(s.technology)) {
            out.push_back({kSubRows, row, "A technology of \"" + s.category + "\" has no name."});
        }
        if (!number(s.percent, 0, 100)) {
            out.push_back({kSubRows, row,
                           "The share of \"" + s.technology + "\" in \"" + s.category +
                               "\" must lie from 0 to 100 %."});
        }
        for (size_t j = 0; j < i; ++j) {
            if (iequals(doc.fleet[j].category, s.category) &&
                iequals(doc.fleet[j].technology, s.technology)) {
                out.push_back(
                    {kSubRows, row,
                     "The technology \"" + s.technology + "\" of \"" + s.category + "\" is listed twice."});
            }
        }
    }
    return out;
}

std::vector<ListProblem> checkFuelList(const FuelListDocument &doc) {
    std::vector<ListProblem> out;
    checkHead(out, &doc.country, doc.headerLines);
    if (doc.fuels.empty()) {
        out.push_back({kRows, -1, "The list needs at least one fuel."});
    }
    for (size_t i = 0; i < doc.fuels.size(); ++i) {
        const int row = static_cast<int>(i);
        if (!goodName(doc.fuels[i].name) || !storable(doc.fuels[i].longName)) {
            out.push_back({kRows, row, "A fuel needs a name; names hold no double quotes."});
        }
        for (size_t j = 0; j < i; ++j) {
            if (iequals(doc.fuels[j].name, doc.fuels[i].name)) {
                out.push_back({kRows, row, "The fuel \"" + doc.fuels[i].name + "\" is listed twice."});
            }
        }
    }
    for (size_t i = 0; i < doc.contents.size(); ++i) {
        const FuelContentDefinition &c = doc.contents[i];
        const int row = static_cast<int>(i);
        bool known = false;
        for (const auto &f : doc.fuels) {
            known = known || iequals(f.name, c.fuel);
        }
        if (!known) {
            out.push_back({kSubRows, row, "The fuel \"" + c.fuel + "\" of a content is not listed."});
        }
        if (!goodName(c.substance) || !storable(c.unit)) {
            out.push_back({kSubRows, row, "A content needs a substance; texts hold no double quotes."});
        }
        if (!number(c.content, 0, kMaxSingle)) {
            out.push_back(
                {kSubRows, row, "The " + c.substance + " content of \"" + c.fuel + "\" must be 0 or more."});
        }
        for (size_t j = 0; j < i; ++j) {
            if (iequals(doc.contents[j].fuel, c.fuel) && iequals(doc.contents[j].substance, c.substance)) {
                out.push_back(
                    {kSubRows, row, "The " + c.substance + " content of \"" + c.fuel + "\" is given twice."});
            }
        }
    }
    return out;
}

std::vector<ListProblem> checkFactorTable(const FactorTableDocument &doc) {
    std::vector<ListProblem> out;
    checkHead(out, nullptr, doc.headerLines);
    if (doc.speeds.empty()) {
        out.push_back({kWhole, -1, "The table needs at least one speed."});
    }
    for (size_t i = 0; i < doc.speeds.size(); ++i) {
        if (!number(doc.speeds[i], 0, kMaxSpeed) || doc.speeds[i] <= 0 ||
            (i > 0 && doc.speeds[i] <= doc.speeds[i - 1])) {
            out.push_back(
                {kWhole, -1,
                 "The speeds must increase and lie above 0 and up to " + formatNumber(kMaxSpeed) + " km/h."});
            break;
        }
    }
    for (size_t i = 0; i < doc.rows.size(); ++i) {
        const FactorRow &r = doc.rows[i];
        const int row = static_cast<int>(i);
        const std::string what = r.pollutant + " of \"" + r.factorClass + "\", \"" + r.technology + "\"";
        if (!goodName(r.factorClass) || !goodName(r.technology) || !goodName(r.pollutant)) {
            out.push_back({kFactorRows, row, "A factor row needs a class, a technology and a pollutant."});
        }
        for (size_t j = 0; j < i; ++j) {
            const FactorRow &o = doc.rows[j];
            if (iequals(o.factorClass, r.factorClass) && iequals(o.technology, r.technology) &&
                iequals(o.pollutant, r.pollutant)) {
                out.push_back({kFactorRows, row, "The factors of " + what + " are given twice."});
            }
        }
        if (r.isShare) {
            if (!goodName(r.shareOf) || iequals(r.shareOf, r.pollutant) || !number(r.share, 0, 1)) {
                out.push_back(
                    {kFactorRows, row,
                     "The factor of " + what + " must be a share from 0 to 1 of another pollutant."});
            }
            continue;
        }
        if (!number(r.coldRatio, 0, kMaxColdRatio) || !number(r.fuelReference, 0, kMaxSingle)) {
            out.push_back({kFactorRows, row,
                           "The cold ratio of " + what + " must lie from 0 to " +
                               formatNumber(kMaxColdRatio) + " and its fuel reference be 0 or more."});
        }
        if (r.factors.size() != doc.speeds.size()) {
            out.push_back({kFactorRows, row, what + " needs one factor per speed."});
        }
        for (double f : r.factors) {
            if (!number(f, 0, kMaxEmissionFactor)) {
                out.push_back({kFactorRows, row,
                               "The factors of " + what + " must lie from 0 to " +
                                   formatNumber(kMaxEmissionFactor) + " g/km."});
                break;
            }
        }
    }
    return out;
}

} // namespace vesk
