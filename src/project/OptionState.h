#pragma once

// The options of Run.opt: calculation mode, Special Mode chemistry inputs and
// winds, normalisation, statistics switches and the per-pollutant choices.
// Lines 1, 3, 5 and 7 of the file are read into Stored* copies and copied into
// the working values at the end of a successful project load.

#include <array>
#include <string>
#include <vector>

namespace vesk {

inline constexpr int kMaxWindSpeeds = 8;
inline constexpr int kOptionHeaderCount = 25;

struct OptionState {
    int CalcMode = 1; // 1 = Calculation, 0 = Special Mode
    bool OptionFileChanged = false;

    // Header lines of Run.opt: index k is the text of line k + 1.
    std::array<std::string, kOptionHeaderCount> OptionHeaders;

    // Special Mode chemistry inputs: NO2 switch, backgrounds of NOx, NO2 and O3 (ppb), air
    // temperature (°C) and global radiation (W/m²).
    int CalcNO2 = 0;
    double BackgroundNOx = 0, BackgroundNO2 = 0, BackgroundO3 = 0, AirTemperature = 0, GlobalRadiation = 0;
    int StoredCalcNO2 = 0;
    double StoredBackgroundNOx = 0, StoredBackgroundNO2 = 0, StoredBackgroundO3 = 0, StoredAirTemperature = 0,
           StoredGlobalRadiation = 0;

    // Special Mode winds: speeds (m/s) 1..WindSpeedCount, directions (degrees).
    int WindSpeedCount = 0;
    std::array<double, kMaxWindSpeeds + 1> WindSpeeds{};
    std::array<double, kMaxWindSpeeds + 1> StoredWindSpeeds{};
    double WindDirStart = 0, WindDirEnd = 0, WindDirStep = 0;
    double StoredWindDirStart = 0, StoredWindDirEnd = 0, StoredWindDirStep = 0;

    // Normalisation: NormLengthScale 1 street width, 2 street height, 0 none;
    // NormWindScale 1 roof-level wind, 2 mast wind, 0 none.
    bool Normalise = false;
    int NormLengthScale = 1;
    int NormWindScale = 2;

    // Statistics switches. Modes: 0 n-th highest, 1 percentage of the data.
    bool CalcPerc = false;
    int PercMode = 0;
    bool CalcRun8 = false;
    int Run8PercMode = 0;
    int MinNobs8 = 0;
    int MinDailyMax = 0;
    bool CalcDaily = false;
    int DailyPercMode = 0;
    int MinNobsDay = 0;

    // Per pollutant (0..NPol): 0 none, 1 modelled only, 2 measured only, 3 both.
    std::vector<int> PercSource, Run8Source, AvSource, DailySource;
    std::vector<bool> ShowPol;

    // Results summary. ShowLimitValMode: 0 never, 1 maximum only, 2 all receptors.
    bool CalcOnlyIfBoth = false;
    bool ShowResultsAuto = false;
    int ShowLimitValMode = 0;
    bool ShowOnlyIfLV = false;
};

} // namespace vesk
