#pragma once

// A small program state for the emission and traffic routines: five
// pollutants (NOx, NO, NO2, O3, BNZ; NOx and NO2 emitted), the hand-made
// vehicle, fuel and factor lists of the component's tests, and a traffic
// file written on demand.

#include "calc/CalcState.h"
#include "platform/emission/EmissionTestData.h"
#include "support/TestSupport.h"

#include <sstream>
#include <string>

namespace vesk::test {

struct EmissionFixture {
    TempDir dir;
    CalcState state;
    ScriptedInteraction ui;

    EmissionFixture() {
        CalcState &s = state;
        s.NPol = 4;
        s.PollutantNames = {"NOx", "NO", "NO2", "O3", "BNZ"};
        s.PollutantLongNames = {"Nitrogen oxides", "Nitrogen monoxide", "Nitrogen dioxide", "Ozone",
                                "Benzene"};
        const bool emitter[] = {true, false, true, false, false};
        for (int i = 0; i <= s.NPol; ++i) {
            s.PollutantList.add(s.PollutantNames[i],
                                Pollutant{s.PollutantNames[i], s.PollutantLongNames[i], i, emitter[i]});
        }
        s.CountryCode = "XX";
        s.WorkDir = (dir.path() / "work").string() + "/";
        s.ListsDir = (dir.path() / "lists").string() + "/";
        s.TrafficDir = (dir.path() / "traffic").string() + "/";
        s.EmissionDir = (dir.path() / "emission").string() + "/";
        s.SharedEmissionDir = (dir.path() / "shared").string() + "/";
        dir.write("emission/Small.eft", kSmallFactors);
        dir.write("lists/Small.vlf", kSmallVehicles);
        dir.write("lists/Small.flf", kSmallFuels);
        dir.write("work/.keep", "");
        s.VehicleListFile = ".\\Small.vlf";
        s.FuelListFile = ".\\Small.flf";
        s.ProjectFile = s.WorkDir + "Test.vkp";
        s.StVehTypeNames = {"", "Car", "Lorry"};
        s.StVehTypeLongNames = {"", "Cars", "Lorries"};
        s.StVehTypeLengthClass = {0, 1, 2};
        s.StVehTypeCount = 2;
        s.InputVarNames = {"", "u_mast"};
        s.InputVarDescriptions = {"", "Wind speed"};
        s.NInputVars = 1;
        s.OutputVarNames = {"", "c_st1"};
        s.OutputVarDescriptions = {"", "Concentration"};
        s.OutputVarTypes = {"", "float"};
        s.NOutputVars = 1;
        s.DayNames = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
        s.MonthNames = {"January", "February", "March",     "April",   "May",      "June",
                        "July",    "August",   "September", "October", "November", "December"};
    }

    // Cold starts (%) of every period of the traffic files written.
    double coldStartPercent = 0;

    // A traffic file "Cars" (PCPetrol 0.3, PCDiesel 0.7) and "HGV" in the
    // work folder: cars carries carsFlow, lorries lorryFlow every period,
    // light speed lightSpeed, heavy speed 30 km/h, coldStartPercent cold starts.
    std::string
    writeTraffic(const std::string &name, int periods = 24, double carsFlow = 100, double lorryFlow = 10,
                 double lightSpeed = 50,
                 const std::string &dayCases = "\"Working day\",\"DayNow <= 5\",\"\"\n"
                                               "\"Weekend\",\"DayNow >= 6\",\"\"\n",
                 const std::string &categories = "\"Cars\",\"Cars\",\"PCPetrol\",0.3,\"PCDiesel\",0.7\n"
                                                 "\"HGV\",\"Lorries\"\n") {
        std::ostringstream t;
        t << "\"Test traffic\"\n[Settings]\n\"Name\",\"Value\"\n\"Type\",1\n\"Periods\"," << periods
          << "\n[Categories]\n\"Name\",\"Long name\"\n"
          << categories << "[Day cases]\n\"Name\",\"Day\",\"Month\"\n"
          << dayCases;
        int count = 0;
        for (size_t p = dayCases.find('\n'); p != std::string::npos; p = dayCases.find('\n', p + 1)) {
            ++count;
        }
        for (int d = 1; d <= count; ++d) {
            t << "[Day case " << d << "]\n\"Period\"";
            std::istringstream cats(categories);
            std::string line;
            int ncat = 0;
            while (std::getline(cats, line)) {
                t << "," << line.substr(0, line.find(','));
                ++ncat;
            }
            t << ",\"Speed light\",\"Speed heavy\",\"Cold start (%)\"\n";
            for (int h = 1; h <= periods; ++h) {
                t << h << "," << carsFlow;
                for (int c = 1; c < ncat; ++c) {
                    t << "," << lorryFlow;
                }
                t << "," << lightSpeed << ",30," << coldStartPercent << "\n";
            }
        }
        dir.write("work/" + name, t.str());
        state.TrafficFile = name;
        return t.str();
    }
};

} // namespace vesk::test
