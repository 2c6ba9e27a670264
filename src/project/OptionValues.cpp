#include "project/OptionValues.h"

#include "core/Numbers.h"
#include "core/TextIO.h"
#include "project/ProjectState.h"

#include <algorithm>

namespace vesk {

namespace {

constexpr const char *kNotValid = "The value entered is not valid";
constexpr const char *kNotSpecified = "Value is not specified";

ValueCheck refused(std::string message) {
    ValueCheck c;
    c.message = std::move(message);
    return c;
}

ValueCheck accepted(double value) {
    ValueCheck c;
    c.accepted = true;
    c.value = value;
    return c;
}

template <typename T> void sizeTo(std::vector<T> &v, int n, T fill) {
    v.resize(static_cast<std::size_t>(n), fill);
}

// Resets value to fallback when it lies outside lo..hi and notes it.
void keepInRange(int &value, int lo, int hi, int fallback, const std::string &what,
                 std::vector<std::string> &notes) {
    if (value < lo || value > hi) {
        notes.push_back(what + " " + std::to_string(value) + " is not between " + std::to_string(lo) +
                        " and " + std::to_string(hi) + "; it is set to " + std::to_string(fallback) + ".");
        value = fallback;
    }
}

} // namespace

OptionSnapshot takeOptionSnapshot(const ProjectState &s) {
    OptionSnapshot c;
    c.CalcNO2 = s.CalcNO2;
    c.BackgroundNOx = s.BackgroundNOx;
    c.BackgroundNO2 = s.BackgroundNO2;
    c.BackgroundO3 = s.BackgroundO3;
    c.AirTemperature = s.AirTemperature;
    c.GlobalRadiation = s.GlobalRadiation;
    c.WindIntegration = s.WindIntegration;
    c.TrafficTurbulence = s.TrafficTurbulence;
    c.NoWindAcceleration = s.NoWindAcceleration;
    c.NormWindScale = s.NormWindScale;
    c.NormLengthScale = s.NormLengthScale;
    c.Normalise = s.Normalise;
    c.CalcPerc = s.CalcPerc;
    c.PercMode = s.PercMode;
    c.Run8PercMode = s.Run8PercMode;
    c.CalcOnlyIfBoth = s.CalcOnlyIfBoth;
    c.CalcRun8 = s.CalcRun8;
    c.CalcDaily = s.CalcDaily;
    c.DailyPercMode = s.DailyPercMode;
    c.MinNobs8 = s.MinNobs8;
    c.MinDailyMax = s.MinDailyMax;
    c.MinNobsDay = s.MinNobsDay;
    c.ShowResultsAuto = s.ShowResultsAuto;
    c.ShowOnlyIfLV = s.ShowOnlyIfLV;
    c.ShowLimitValMode = s.ShowLimitValMode;
    c.PercSource = s.PercSource;
    c.Run8Source = s.Run8Source;
    c.AvSource = s.AvSource;
    c.DailySource = s.DailySource;
    c.ShowPol = s.ShowPol;
    c.OptionFileChanged = s.OptionFileChanged;
    return c;
}

void restoreOptionSnapshot(ProjectState &s, const OptionSnapshot &c) {
    s.CalcNO2 = c.CalcNO2;
    s.BackgroundNOx = c.BackgroundNOx;
    s.BackgroundNO2 = c.BackgroundNO2;
    s.BackgroundO3 = c.BackgroundO3;
    s.AirTemperature = c.AirTemperature;
    s.GlobalRadiation = c.GlobalRadiation;
    s.WindIntegration = c.WindIntegration;
    s.TrafficTurbulence = c.TrafficTurbulence;
    s.NoWindAcceleration = c.NoWindAcceleration;
    s.NormWindScale = c.NormWindScale;
    s.NormLengthScale = c.NormLengthScale;
    s.Normalise = c.Normalise;
    s.CalcPerc = c.CalcPerc;
    s.PercMode = c.PercMode;
    s.Run8PercMode = c.Run8PercMode;
    s.CalcOnlyIfBoth = c.CalcOnlyIfBoth;
    s.CalcRun8 = c.CalcRun8;
    s.CalcDaily = c.CalcDaily;
    s.DailyPercMode = c.DailyPercMode;
    s.MinNobs8 = c.MinNobs8;
    s.MinDailyMax = c.MinDailyMax;
    s.MinNobsDay = c.MinNobsDay;
    s.ShowResultsAuto = c.ShowResultsAuto;
    s.ShowOnlyIfLV = c.ShowOnlyIfLV;
    s.ShowLimitValMode = c.ShowLimitValMode;
    s.PercSource = c.PercSource;
    s.Run8Source = c.Run8Source;
    s.AvSource = c.AvSource;
    s.DailySource = c.DailySource;
    s.ShowPol = c.ShowPol;
    s.OptionFileChanged = c.OptionFileChanged;
}

void applyOptionsOk(ProjectState &s) {
    auto clear = [](std::vector<int> &sources) { std::fill(sources.begin(), sources.end(), 0); };
    if (!s.CalcPerc) {
        clear(s.PercSource);
    }
    if (!s.CalcRun8) {
        clear(s.Run8Source);
    }
    if (!s.CalcDaily) {
        clear(s.DailySource);
    }
}

std::vector<std::string> repairOptionCodes(ProjectState &s) {
    std::vector<std::string> notes;
    const int n = std::max(s.NPol + 1, 0);
    sizeTo(s.PercSource, n, 0);
    sizeTo(s.Run8Source, n, 0);
    sizeTo(s.AvSource, n, 0);
    sizeTo(s.DailySource, n, 0);
    sizeTo(s.ShowPol, n, true);

    keepInRange(s.CalcNO2, 0, 1, 1, "The NO2 switch", notes);
    keepInRange(s.PercMode, 0, 1, 0, "The display mode of the hourly percentiles", notes);
    keepInRange(s.Run8PercMode, 0, 1, 0, "The display mode of the running averages", notes);
    keepInRange(s.DailyPercMode, 0, 1, 0, "The display mode of the daily averages", notes);
    keepInRange(s.ShowLimitValMode, 0, 2, 0, "The limit-value display", notes);
    keepInRange(s.NormWindScale, 0, 2, 2, "The wind scale", notes);
    keepInRange(s.NormLengthScale, 0, 2, 1, "The length scale", notes);
    keepInRange(s.MinNobs8, 1, 8, 6, "The minimum hours of a running 8-hour average", notes);
    keepInRange(s.MinDailyMax, 1, 24, 18, "The minimum 8-hour averages of a daily maximum", notes);
    keepInRange(s.MinNobsDay, 1, 24, 18, "The minimum hours of a daily average", notes);
    const struct {
        std::vector<int> *sources;
        const char *family;
    } families[] = {{&s.PercSource, "hourly percentiles"},
                    {&s.Run8Source, "running averages"},
                    {&s.AvSource, "annual averages"},
                    {&s.DailySource, "daily averages"}};
    for (const auto &f : families) {
        for (int k = 0; k < n; ++k) {
            const std::string name =
                k < static_cast<int>(s.PollutantNames.size()) ? s.PollutantNames[k] : std::to_string(k);
            keepInRange((*f.sources)[k], 0, 3, 3, std::string("The choice of ") + f.family + " for " + name,
                        notes);
        }
    }
    if (!notes.empty()) {
        s.OptionFileChanged = true;
    }
    return notes;
}

bool repairAndReportOptionCodes(ProjectState &s, Interaction &ui) {
    const std::vector<std::string> notes = repairOptionCodes(s);
    if (notes.empty()) {
        return true;
    }
    std::string text = "Error in Option Data";
    for (const std::string &note : notes) {
        text += "\r\n" + note;
    }
    ui.message(text, Icon::Exclamation, "Option File");
    return false;
}

ValueCheck checkMinimumCount(std::string_view text, int upper) {
    const auto number = parseNumber(text);
    if (!number) {
        return refused(kNotValid);
    }
    const long value = roundHalfEven(*number);
    if (value < 1 || value > upper) {
        return refused("The value must be between 1 and " + std::to_string(upper));
    }
    return accepted(static_cast<double>(value));
}

ValueCheck checkNO2TabValue(int index, std::string_view text, double noxBackground, double no2Background) {
    if (trim(text).empty()) {
        return refused(kNotSpecified);
    }
    const auto number = parseNumber(text);
    if (!number) {
        return refused(kNotValid);
    }
    const double v = *number;
    switch (index) {
    case 1:
        if (v < 0) {
            return refused("The value must be >=0");
        }
        if (no2Background > v) {
            return refused("NOX Background must not be smaller than NO2 Background");
        }
        break;
    case 2:
        if (v < 0) {
            return refused("The value  must be >=0");
        }
        if (v > noxBackground) {
            return refused("NO2 Background must not be larger than NOX Background");
        }
        break;
    case 3:
    case 5:
        if (v < 0) {
            return refused("The value  must be >=0");
        }
        break;
    default:
        break;
    }
    return accepted(v);
}

} // namespace vesk
