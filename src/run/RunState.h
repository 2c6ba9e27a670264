#pragma once

// Program-wide variables of the calculation runs. See run/State.h.
//
// Per-pollutant vectors run 0..NPol and are sized by the run's set-up
// (resizeHourArrays); -99 marks a missing value. Concentrations of the hour
// are single precision as the model works in single precision.

#include "core/StatVar.h"
#include "platform/streetmodel/StreetModel.h"
#include "run/results/ResultsState.h"

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace vesk {

namespace results {
class StreetResultsStore;
}

// What the street model keeps for the street being computed (set once per
// street, and again for every new street of a route).
struct StreetModelState {
    // P1..P7 of the street model at [0]..[6]. P2 is not read: the hour's shape
    // factor is kept in ShapeFactor.
    std::array<float, 7> StreetParams{};
    // The wind sectors relative to the street axis (start, end), sectors 0..11.
    std::array<float, 12> SectorArrayA{}, SectorArrayB{};
    // The sector heights in single precision, sectors 0..11.
    std::array<float, 12> SectorHeights{};
    // Wind acceleration per quarter of relative directions; all 0 when wind
    // acceleration is switched off.
    std::array<std::int16_t, 4> WindAccelFlags{};
};

// The values of one hour of the time-series run.
struct HourState {
    // Meteorology of the hour: mast wind (m/s), direction (degrees), global
    // radiation (W/m²), temperature (°C), mixing height (m), hour of day 1..24.
    float u_mast = -99, wind_dir = -99, globalrad = -99, temperature = -99, h_mix = -99;
    int hour = 0;
    // Traffic of the hour: speeds (km/h) and vehicles per hour, light and heavy.
    float speed_light = -99, speed_heavy = -99, nlight = -99, nheavy = -99;
    // 1 when the hour's meteorology and traffic allow the model.
    int HourCalculable = 0;

    // Per pollutant: background, regional background, measured side 1 and 2,
    // the conditions-file background, the urban emission of the city type.
    std::vector<float> cPOL_b, cPOL_r, cPOL_obs_1, cPOL_obs_2, CndBackground, UrbEmiValue;
    // Hourly profile of the urban emission: UrbEmiProfile[p][hour], hours 1..24.
    std::vector<std::array<float, 25>> UrbEmiProfile;
    // Emission of the hour handed to the model, µg/(m·s), per pollutant.
    std::vector<float> qPOL;
    // Availability flags per pollutant (1 available, 0 not).
    std::vector<int> ModAvail, BackAvail, ObsAvail_1, ObsAvail_2;
    // Benzene content of gasoline (the run's working copy).
    float BenzeneContent = 0;

    // Results of the street model chain.
    float SpreadIntegral = -99, ResidenceTime = -99, TempKelvin = -99;
    float s_w_tpt = 0, u_roof = -99, delta_fi = -99, s_w_roof = -99, c_st1 = -99, c_st2 = -99;
    float RelWindDir = -99, FlowParam = -99, ShapeFactor = -99;

    // Concentrations of the hour per pollutant: measured street contribution,
    // modelled street part and modelled total per side.
    std::vector<float> cPOL_str_obs_1, cPOL_str_obs_2;
    std::vector<float> cPOL_str_mod_1, cPOL_str_mod_2, cPOL_mod_1, cPOL_mod_2;
    // Cross-side correction: corrected values (-99 = none) and their flags
    // (0 none, 1 first rule / measured NOx used, 2 second rule / corrected NOx used).
    std::vector<float> cPOL_cor_1, cPOL_cor_2, flagPOL_1, flagPOL_2;
    // Chemistry inputs of the hour in ppb: background NOx, NOx of the side,
    // background NO2, background O3.
    std::array<float, 4> ChemInputs{};
    // The chemistry's rates, made for the global radiation and the
    // temperature in ChemRatesFor (see hourChemistryRates).
    ChemistryRates ChemRates;
    std::array<float, 2> ChemRatesFor{std::numeric_limits<float>::quiet_NaN(),
                                      std::numeric_limits<float>::quiet_NaN()};
};

// What a time-series run leaves for the results summary and the next run.
struct RunResultState {
    std::string UserComments;
    std::string CalcTime;     // end of the last run, "yyyy-mm-dd hh:mm:ss" ("" = none)
    std::string CalcStreetName; // the street (project) the last run computed: its results keep this name
    int CalcScenarioYear = 0; // ScenarioYear of the last run
    // What else labels the last run's results, as the run had it: the city
    // size (below 1: the user's own background) and its name, the traffic file
    // and its type, and the average daily traffic given for the street.
    int CalcCitySize = 0;
    std::string CalcCitySizeName;
    int CalcTrafficFileType = -1;
    std::string CalcTrafficFile;
    double CalcAnnualDiurnalTraffic = 0;
    std::string ResultFileName, LastResultFile;
    std::string FirstCalcDate;   // start of the first hour calculated, "yyyy-mm-dd hh:mm" ("" = none)
    std::string LastCalcDate;    // start of the last hour calculated, "yyyy-mm-dd hh:mm"
    long DailyTrafficCalc = -99; // mean daily traffic of the last street (vehicles/day), -99 = none
    float TravelSpeedCalc = -99; // mean light-vehicle speed of the last street (km/h), -99 = none
    PeriodLength CalcPeriod;     // the period of the last street, what its data capture is a share of
    // The output unit of each pollutant (0..NPol) in the last run: its statistics are in these units.
    std::vector<std::string> CalcOutputUnits;
    // The folder the last Special Mode run of the project wrote its result files to ("" = none):
    // its summary and graphs are read there, also after the project was saved into another folder.
    std::string SpecialResultsDir;
    // Every street of the last multi-street run (or a saved file of them); null = none.
    std::shared_ptr<results::StreetResultsStore> StreetResults;
};

struct RunState : StreetModelState, HourState, RunResultState, ResultsViewState {
    // Special Mode: emission of the fixed traffic situation handed to the
    // model, (g/km × vehicles/h) × 0.53 / 3.6.
    double EmissionTermSM = 0;
};

} // namespace vesk
