#include "calc/UnitFactors.h"

#include "calc/CalcState.h"
#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vesk {

namespace {

enum class Unit { Ppb, Ppm, Ppt, Microg, Milig, Nanog, Number };

struct UnitValue {
    Unit unit = Unit::Number;
    double number = 0; // for Unit::Number
};

UnitValue classify(const std::string &text) {
    const std::string t = toLower(trim(text));
    static const std::pair<const char *, Unit> keywords[] = {{"ppb", Unit::Ppb},     {"ppm", Unit::Ppm},
                                                             {"ppt", Unit::Ppt},     {"microg", Unit::Microg},
                                                             {"milig", Unit::Milig}, {"nanog", Unit::Nanog}};
    for (const auto &[word, unit] : keywords) {
        if (t == word) {
            return {unit, 0};
        }
    }
    return {Unit::Number, typedNumber(t)};
}

// Collects the first problem; later ones are not reported.
struct Problems {
    std::string first;
    bool failed = false;
    void add(const std::string &text) {
        if (!failed) {
            first = text;
        }
        failed = true;
    }
};

// a / b, or 1 with a problem noted when b is 0 (or not finite).
double divide(double a, double b, Problems *problems, const std::string &what) {
    if (b == 0.0 || !std::isfinite(b)) {
        problems->add(what);
        return 1.0;
    }
    return a / b;
}

// Where the pollutant list gives pollutant i's factor: "<list>, line <n>",
// or "The pollutant list" when the state holds no line of it.
std::string factorPlace(const CalcState &s, int i) {
    const auto k = static_cast<std::size_t>(i);
    if (s.PollutantListFile.empty() || k >= s.PollutantLines.size()) {
        return "The pollutant list";
    }
    return s.PollutantListFile + ", line " + std::to_string(s.PollutantLines[k]);
}

// The microgram-to-ppb factors the run takes: it converts in single
// precision, multiplying and dividing by them and by the units' factors
// (up to a million) and values; within these bounds none of that leaves
// the range a Single holds (about 1e-38 to 3e+38).
constexpr double kSmallestPpbFactor = 1e-20;
constexpr double kLargestPpbFactor = 1e20;

std::string noPpbText(const CalcState &s, int i) {
    const auto k = static_cast<std::size_t>(i);
    const double factor = k < s.MicrogToPpb.size() ? s.MicrogToPpb[k] : 0.0;
    std::string text = "The units of " + s.PollutantNames[i] + " need a microgram-to-ppb factor";
    text += factor == 0.0 ? ", which the pollutant list does not give"
                          : " that the run can convert with in single precision";
    if (!s.PollutantListFile.empty() && k < s.PollutantLines.size()) {
        text += " (" + factorPlace(s, i) + ": " + formatNumber(factor) + ")";
    }
    return text + ".";
}

// The factor from a value in the unit to ppb.
double toPpbOf(const UnitValue &u, double microgToPpb) {
    switch (u.unit) {
    case Unit::Ppb:
        return 1;
    case Unit::Ppm:
        return 1000;
    case Unit::Ppt:
        return 0.001;
    case Unit::Microg:
        return microgToPpb;
    case Unit::Milig:
        return microgToPpb * 1000;
    case Unit::Nanog:
        return microgToPpb / 1000;
    case Unit::Number:
        return u.number * microgToPpb; // micrograms per unit
    }
    return 1;
}

// The factor from micrograms per cubic metre to the unit.
double microgToUnit(const UnitValue &u, double microgToPpb) {
    switch (u.unit) {
    case Unit::Ppb:
        return microgToPpb;
    case Unit::Ppm:
        return microgToPpb / 1000;
    case Unit::Ppt:
        return microgToPpb * 1000;
    case Unit::Microg:
        return 1;
    case Unit::Milig:
        return 0.001;
    case Unit::Nanog:
        return 1000;
    case Unit::Number:
        return u.number;
    }
    return 1;
}

} // namespace

std::optional<double> concentrationUnitFactor(const std::string &from, double fromMicrogToPpb,
                                              const std::string &to, double toMicrogToPpb) {
    const UnitValue a = classify(from);
    const UnitValue b = classify(to);
    if (a.unit == Unit::Number || b.unit == Unit::Number) {
        return std::nullopt;
    }
    const double fromFactor = microgToUnit(a, fromMicrogToPpb);
    const double toFactor = microgToUnit(b, toMicrogToPpb);
    if (!(fromFactor > 0) || !std::isfinite(fromFactor) || !(toFactor > 0) || !std::isfinite(toFactor)) {
        return std::nullopt;
    }
    return toFactor / fromFactor;
}

bool CheckPpbFactors(const CalcState &s, std::string *error) {
    const int n =
        std::min(s.NPol + 1, static_cast<int>(std::min(s.MicrogToPpb.size(), s.PollutantNames.size())));
    // Emitting pollutants whose urban background a city type models from
    // their urban emission file.
    std::vector<bool> urban(static_cast<std::size_t>(std::max(n, 0)), false);
    if (s.CitySize > 0) {
        for (std::size_t e = 1; e < s.EmitterIndex.size() && static_cast<int>(e) <= s.EmitterCount; ++e) {
            const int p = s.EmitterIndex[e];
            if (p >= 0 && p < n && static_cast<std::size_t>(p) < s.UrbEmiFileNames.size() &&
                !trim(s.UrbEmiFileNames[static_cast<std::size_t>(p)]).empty()) {
                urban[static_cast<std::size_t>(p)] = true;
            }
        }
    }
    // With a city type, a missing benzene background is CO's times the
    // benzene content of petrol, converted with CO's factor and benzene's
    // (where benzene's is above 0).
    const int co = s.IndexCO, bnz = s.IndexBNZ;
    const bool benzeneFromCO = s.CitySize > 0 && co > 0 && bnz > 0 && co < n && bnz < n &&
                               s.MicrogToPpb[static_cast<std::size_t>(bnz)] > 0;
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double factor = s.MicrogToPpb[k];
        const bool chemistry = i <= 3;
        const bool benzene = benzeneFromCO && i == co;
        if ((factor >= kSmallestPpbFactor && factor <= kLargestPpbFactor) ||
            (factor == 0 && !chemistry && !urban[k] && !benzene)) {
            continue;
        }
        const std::string &name = s.PollutantNames[k];
        std::string text = factorPlace(s, i) + ": the microgram-to-ppb factor ";
        if (factor < 0 || std::isnan(factor)) {
            text += formatNumber(factor) + " of " + name + " lies below 0.";
        } else if (factor != 0) {
            text += formatNumber(factor) + " of " + name + " is too " + (factor < 1 ? "small" : "large") +
                    ": the run converts with it in single precision, which takes factors from " +
                    formatNumber(kSmallestPpbFactor) + " to " + formatNumber(kLargestPpbFactor) + ".";
        } else if (chemistry) {
            text +=
                "of " + name + " is 0; the NO2 chemistry of the run converts with it and needs it above 0.";
        } else if (urban[k]) {
            text += "of " + name +
                    " is 0; the urban background of the city type converts with it and needs "
                    "it above 0.";
        } else {
            text += "of " + name + " is 0; the benzene background that the city type derives from " + name +
                    "'s converts with it and needs it above 0.";
        }
        if (error) {
            *error = text;
        }
        return false;
    }
    return true;
}

bool SetUnitFactors(CalcState &s, std::string *error) {
    const int n = s.NPol + 1;
    if (n <= 0) {
        return true;
    }
    auto sized = [n](auto &v, auto fill) {
        if (static_cast<int>(v.size()) < n) {
            v.resize(static_cast<size_t>(n), fill);
        }
    };
    sized(s.InputUnit, std::string());
    sized(s.OutputUnit, std::string());
    sized(s.StdInputUnits, std::string());
    sized(s.StdInputUnitsCopy, std::string());
    sized(s.DefOutputUnits, std::string());
    sized(s.MicrogToPpb, 0.0);
    sized(s.PpbToMicrog, 0.0);
    sized(s.PollutantNames, std::string());
    s.InputUnitFactor.assign(n, 1.0f);
    s.OutputUnitFactor.assign(n, 1.0f);
    s.InputToModelFactor.assign(n, 1.0f);
    s.PpbToInputFactor.assign(n, 1.0f);
    s.InputToPpbFactor.assign(n, 1.0f);
    s.NO2ToPpbFactor = s.O3ToPpbFactor = 1.0f;

    Problems problems;
    for (int i = 0; i < n; ++i) {
        Problems own;
        const std::string &name = s.PollutantNames[i];
        if (trim(s.OutputUnit[i]).empty()) {
            s.OutputUnit[i] = s.StdInputUnitsCopy[i];
        }
        if (trim(s.InputUnit[i]).empty()) {
            s.InputUnit[i] = s.StdInputUnits[i];
        }
        const double toPpb = s.MicrogToPpb[i];
        const double fromPpb = toPpb != 0.0 ? 1.0 / toPpb : 0.0;
        const UnitValue out = classify(s.OutputUnit[i]);
        const UnitValue in = classify(s.InputUnit[i]);
        const UnitValue def = classify(s.DefOutputUnits[i]);
        const UnitValue stdIn = classify(s.StdInputUnits[i]);
        auto badUnit = [&](const char *role, const std::string &unit) {
            return "The " + std::string(role) + " unit \"" + unit + "\" of " + name +
                   " is neither ppb, ppm, ppt, microg, milig, nanog nor a number above 0.";
        };
        if (out.unit == Unit::Number && !(out.number > 0)) {
            own.add(badUnit("output", s.OutputUnit[i]));
        }
        if (in.unit == Unit::Number && !(in.number > 0)) {
            own.add(badUnit("input", s.InputUnit[i]));
        }
        if (def.unit == Unit::Number && !(def.number > 0)) {
            own.add(badUnit("default output", s.DefOutputUnits[i]));
        }
        if (stdIn.unit == Unit::Number && !(stdIn.number > 0)) {
            own.add(badUnit("standard input", s.StdInputUnits[i]));
        }
        const std::string noPpb = noPpbText(s, i);

        // Micrograms per cubic metre to the output unit.
        const double iuf = microgToUnit(out, toPpb);

        // Output unit to the default output unit.
        double ouf = 1;
        switch (def.unit) {
        case Unit::Ppb:
            ouf = divide(toPpb, iuf, &own, noPpb);
            break;
        case Unit::Ppm:
            ouf = divide(toPpb * 0.001, iuf, &own, noPpb);
            break;
        case Unit::Ppt:
            ouf = divide(toPpb * 1000, iuf, &own, noPpb);
            break;
        case Unit::Microg:
            ouf = divide(1, iuf, &own, noPpb);
            break;
        case Unit::Milig:
            ouf = divide(0.001, iuf, &own, noPpb);
            break;
        case Unit::Nanog:
            ouf = divide(1000, iuf, &own, noPpb);
            break;
        case Unit::Number:
            ouf = def.number;
            break;
        }

        // Input unit to output unit, input unit to ppb (pollutants 2 and 3)
        // and ppb to input unit (the others).
        double model = 1, inToPpb = 1, ppbToIn = 1;
        switch (in.unit) {
        case Unit::Ppb:
            model = iuf * fromPpb;
            inToPpb = 1;
            ppbToIn = 1;
            break;
        case Unit::Ppm:
            model = iuf * fromPpb * 1000;
            inToPpb = 1000;
            ppbToIn = 0.001;
            break;
        case Unit::Ppt:
            model = iuf * fromPpb / 1000;
            inToPpb = 0.001;
            ppbToIn = 1000;
            break;
        case Unit::Microg:
            model = iuf;
            inToPpb = toPpb;
            ppbToIn = fromPpb;
            break;
        case Unit::Milig:
            model = iuf * 1000;
            inToPpb = toPpb * 1000;
            ppbToIn = fromPpb / 1000;
            break;
        case Unit::Nanog:
            model = iuf / 1000;
            inToPpb = toPpb / 1000;
            ppbToIn = fromPpb * 1000;
            break;
        case Unit::Number:
            model = iuf * in.number;
            inToPpb = toPpbOf(in, toPpb);
            ppbToIn = in.number > 0 ? fromPpb / in.number : 1;
            break;
        }
        if (toPpb == 0.0 && (in.unit == Unit::Ppb || in.unit == Unit::Ppm || in.unit == Unit::Ppt)) {
            own.add(noPpb);
        }

        if (own.failed) {
            problems.add(own.first);
            continue; // the pollutant keeps the neutral factors 1
        }
        s.InputUnitFactor[i] = static_cast<float>(iuf);
        s.OutputUnitFactor[i] = static_cast<float>(ouf);
        s.InputToModelFactor[i] = static_cast<float>(model);
        if (i == 2) {
            s.NO2ToPpbFactor = static_cast<float>(inToPpb);
        } else if (i == 3) {
            s.O3ToPpbFactor = static_cast<float>(inToPpb);
        } else {
            s.PpbToInputFactor[i] = static_cast<float>(ppbToIn);
        }
        // The regional and background values it converts are read in the
        // project's input unit, which need not be the list's standard one.
        s.InputToPpbFactor[i] = static_cast<float>(toPpbOf(in, toPpb));
    }

    if (n > 2) {
        s.PpbToInputFactor[2] = static_cast<float>(divide(1, s.NO2ToPpbFactor, &problems, noPpbText(s, 2)));
    }
    if (n > 3) {
        s.PpbToInputFactor[3] = static_cast<float>(divide(1, s.O3ToPpbFactor, &problems, noPpbText(s, 3)));
    }
    s.NOxToPpbFactor =
        static_cast<float>(divide(s.MicrogToPpb[0], s.InputUnitFactor[0], &problems, noPpbText(s, 0)));
    if (n > 1) {
        s.OutputToPpbFactor1 =
            static_cast<float>(divide(s.MicrogToPpb[1], s.InputUnitFactor[1], &problems, noPpbText(s, 1)));
    }
    float *polToPpb[3] = {&s.Pol0ToPpbFactor, &s.Pol1ToPpbFactor, &s.Pol2ToPpbFactor};
    for (int i = 0; i < 3 && i < n; ++i) {
        *polToPpb[i] = static_cast<float>(toPpbOf(classify(s.InputUnit[i]), s.MicrogToPpb[i]));
    }

    if (problems.failed && error) {
        *error = problems.first;
    }
    return !problems.failed;
}

} // namespace vesk
