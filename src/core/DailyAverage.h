#pragma once

// One day of a run: the day's modelled, observed and background averages per
// pollutant (0..NPol) and receptor (1..NumReceptors), -99 where missing, with
// the day's calendar and street data. Receptor 0 (or below) reads the larger
// of sides 1 and 2. The tables keep the size they had at creation.

#include "core/SharedText.h"

#include <chrono>
#include <string>
#include <vector>

namespace vesk {

class DailyAverage {
public:
    DailyAverage(int nPol, int numReceptors);

    std::chrono::year_month_day Dates{};
    SharedText StreetName; // shared by the days of a street
    int DayOfWeek = 0;     // Monday = 1 .. Sunday = 7
    int DayCase = 0;
    double X_coord = 0; // map coordinates of the street
    double Y_coord = 0;

    // Setters and getters throw std::out_of_range for a pollutant outside
    // 0..NPol or a receptor outside 1..NumReceptors (getters accept Rec <= 0).
    void setModelled(int PolNum, int Rec, float Val) { cell(m_modelled, PolNum, Rec) = Val; }
    void setObserved(int PolNum, int Rec, float Val) { cell(m_observed, PolNum, Rec) = Val; }
    void setBackground(int PolNum, int Rec, float Val) { cell(m_background, PolNum, Rec) = Val; }
    float Modelled(int PolNum, int Rec) const { return get(m_modelled, PolNum, Rec); }
    float Observed(int PolNum, int Rec) const { return get(m_observed, PolNum, Rec); }
    float Background(int PolNum, int Rec) const { return get(m_background, PolNum, Rec); }

    int pollutantCount() const { return m_pollutants; }
    int receptorCount() const { return m_receptors; }

private:
    using Table = std::vector<float>; // pollutant p, receptor r at p * receptors + (r - 1)
    float &cell(Table &t, int PolNum, int Rec);
    const float &cell(const Table &t, int PolNum, int Rec) const;
    float get(const Table &t, int PolNum, int Rec) const;

    int m_pollutants;
    int m_receptors;
    Table m_modelled, m_observed, m_background;
};

} // namespace vesk
