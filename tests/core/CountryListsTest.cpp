#include "core/CountryLists.h"
#include "core/CountryListReaders.h"
#include "core/KeptSizes.h"
#include "project/ProjectCountry.h"

#include "CoreTestData.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace vesk;
using namespace vesk::test;

namespace {

bool reload(Started &s, std::string *file = nullptr) {
    return LoadProjectCountryLists(s.state, s.ui, file);
}

std::string pollutantsWith(const std::string &records) {
    return "PollutName, PollutLongName, DefOutCUnit, StdInpCUnit,  Emission,  microg_To_ppb\r\n" + records;
}

} // namespace

TEST(LoadCountryLists, TheDemoCountryFillsEveryTable) {
    ProgramDir dir;
    Started s(dir, 2026);
    const ProjectState &st = s.state;
    EXPECT_EQ(st.PollutantCount, 8);
    EXPECT_EQ(st.PollutantNames[0], "NOx");
    EXPECT_EQ(st.PollutantNames[3], "O3");
    EXPECT_EQ(st.IndexCO, 4);
    EXPECT_EQ(st.IndexBNZ, 7);
    EXPECT_EQ(st.PollutantList.item("pm2.5").Index, 6);
    EXPECT_TRUE(st.PollutantList.item("NO2").Emitter);
    EXPECT_FALSE(st.PollutantList.item("o3").Emitter);
    EXPECT_NEAR(st.PpbToMicrog[2], 1.0 / 0.5229, 1e-9);
    EXPECT_EQ(st.DefOutputUnits[4], "milig");

    EXPECT_EQ(st.ScenarioCount, 4);
    EXPECT_EQ(st.StdYearCount, 4);
    EXPECT_EQ(st.ScenarioYears[4], 2030);
    EXPECT_EQ(st.CurrentYear, 2025);
    EXPECT_EQ(st.DefaultVehicleListFile, ".\\Fleet2025.vlf");
    EXPECT_EQ(st.DefaultFuelListFile, ".\\Fuels2025.flf");
    EXPECT_EQ(st.ModelEnv.ScenarioFuelFiles[1], ".\\Fuels2015.flf");

    EXPECT_EQ(st.CitySizeNames.size(), 4u);
    EXPECT_EQ(st.CityRadius[3], 10000.0f);
    EXPECT_FALSE(st.NoUrbEmiData);
    EXPECT_EQ(st.UrbEmiFileNames[0], "UrbEmiNOx.dat");
    EXPECT_EQ(st.UrbEmiFileNames[2], "");
    EXPECT_EQ(st.DayNames[6], "Sunday");
    EXPECT_EQ(st.MonthNames[2], "March");
    EXPECT_EQ(st.ModelEnv.DayNames[1], "Monday");

    EXPECT_EQ(st.NumPercHourly, 2);
    EXPECT_EQ(st.NumPercRun8, 1);
    EXPECT_EQ(st.NumPercDaily, 2);
    EXPECT_EQ(st.HourlyTopCapacity, 178);
    EXPECT_EQ(st.Run8TopCapacity, 28);
    EXPECT_EQ(st.DailyTopCapacity, 38);
    EXPECT_EQ(st.NthHighestNamesDaily[1], "36thHighestDaily");
    EXPECT_EQ(st.PercNameList.item("All").nPercDaily, 2);

    // Per pollutant and series: 7 fixed statistics and two per definition.
    EXPECT_EQ(st.StatVarList.count(), 3 * 8 * (7 + 2 * 5));
    EXPECT_EQ(st.StatVarNames.size() - 1, 9u * 8 * (7 + 2 * 5) + 11);
    EXPECT_EQ(st.StatVarNames.back(), "TrafficFile");
    EXPECT_EQ(st.StatVarTypeList.item("TrafficFile").DataType, "text");
    EXPECT_NE(st.StatVarList.find("19thHighestNO2_mod"), nullptr);
    EXPECT_NE(st.StatVarList.find("36thHighestDailyPM10_obs"), nullptr);
    EXPECT_EQ(st.VarList.item("DayOfWeek").DataType, "short");
    EXPECT_EQ(st.VarList.item("DayCase").DataType, "short");
    EXPECT_EQ(st.VarList.item("StreetName").DataType, "text");
    EXPECT_EQ(st.BothSidesVarNames.back(), "Y_coordinate");
    EXPECT_EQ(st.BothSidesVarNames.size() - 1, 9u * 8 + 5);

    EXPECT_EQ(st.LimValPollutantCount, 6);
    EXPECT_EQ(st.LimValLongNames[1], "Nitrogen dioxide");
    EXPECT_EQ(st.LimValColNthHourly[1], "176th highest");
    EXPECT_EQ(st.LimValColNthHourly[2], "19th highest");
    EXPECT_EQ(st.LimValColPercHourly[2], "99.8 percentile");
    EXPECT_EQ(st.LimValColPercDaily[1], "90.4 percentile");

    EXPECT_EQ(st.InputUnit.size(), 8u);
    EXPECT_EQ(st.ShowPol.size(), 8u);
    EXPECT_EQ(st.ScenarioYear, -1);
    EXPECT_TRUE(st.VehicleListFile.empty());
}

TEST(LoadCountryLists, TheDemoCatalogueExpandsPollutantTemplates) {
    ProgramDir dir;
    Started s(dir);
    const ProjectState &st = s.state;
    auto has = [](const std::vector<std::string> &names, const std::string &name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    EXPECT_EQ(st.NInputVars, static_cast<int>(st.InputVarNames.size()) - 1);
    EXPECT_TRUE(has(st.InputVarNames, "cNO2_b"));
    EXPECT_TRUE(has(st.InputVarNames, "cBNZ_obs_2"));
    EXPECT_TRUE(has(st.InputVarNames, "qNOx"));
    EXPECT_FALSE(has(st.InputVarNames, "qO3")); // not emitted
    EXPECT_FALSE(has(st.InputVarNames, "cPOL_b"));
    EXPECT_TRUE(has(st.OutputVarNames, "cNOx_str_mod_1"));
    EXPECT_FALSE(has(st.OutputVarNames, "cO3_str_mod_1"));
    EXPECT_TRUE(has(st.OutputVarNames, "cO3_mod_1"));
    EXPECT_TRUE(has(st.OutputVarNames, "flagO3_2"));
    EXPECT_TRUE(has(st.OutputVarNames, "av8CO_mod_1"));
    EXPECT_EQ(st.NOutputVars, static_cast<int>(st.OutputVarNames.size()) - 1);
    const auto at = std::find(st.OutputVarNames.begin(), st.OutputVarNames.end(), "cNOx_b");
    ASSERT_NE(at, st.OutputVarNames.end());
    const std::size_t i = static_cast<std::size_t>(at - st.OutputVarNames.begin());
    EXPECT_EQ(st.OutputVarNames[i + 1], "cNO_b"); // pollutant order
    EXPECT_EQ(st.OutputVarDescriptions[i], "Background concentration of Nitrogen oxides");
    EXPECT_EQ(st.OutputVarTypes[i], "float");
    const auto q = std::find(st.InputVarNames.begin(), st.InputVarNames.end(), "qCO");
    EXPECT_EQ(st.InputVarDescriptions[static_cast<std::size_t>(q - st.InputVarNames.begin())],
              "Emission of Carbon monoxide (microg/m/s)");
}

TEST(LoadCountryLists, APercentileTemplateBecomesTwoEntriesPerDefinitionInFileOrder) {
    ProgramDir dir;
    Started s(dir);
    dir.write("Lists/National/DL/PercDef.lst",
              "Name, Fraction, nMax, Type\r\n\"98_Perc\",0.02,176,0\r\n\"99.8_Perc\",0.002,19,0\r\n");
    ASSERT_TRUE(reload(s));
    const ProjectState &st = s.state;
    const auto at = std::find(st.SeriesVarNames.begin(), st.SeriesVarNames.end(), "98_Perc");
    ASSERT_NE(at, st.SeriesVarNames.end());
    const std::size_t i = static_cast<std::size_t>(at - st.SeriesVarNames.begin());
    const std::size_t variants = 3 * 8 + 11;
    EXPECT_EQ(st.SeriesVarNames[i + 1], "98_PercNOx");
    EXPECT_EQ(st.SeriesVarNames[i + 1 + variants], "176thHighest");
    EXPECT_EQ(st.SeriesVarDescriptions[i + 1 + variants], "176thHighest concentration");
    EXPECT_EQ(st.SeriesVarNames[i + 2 * (1 + variants)], "99.8_Perc");
    EXPECT_EQ(st.SeriesVarNames[i + 3 * (1 + variants)], "19thHighest");
    EXPECT_EQ(st.SeriesVarNames[i - 1 - variants], "MaxRun8"); // the entry before the template
    EXPECT_EQ(st.SeriesVarDescriptions[i], "98_percentile");
}

TEST(LoadCountryLists, PollutantsWithAHeaderOnlyGiveAnEmptyList) {
    ProgramDir dir;
    Started s(dir);
    dir.write("Lists/National/DL/Pollutants.lst", pollutantsWith(""));
    ASSERT_TRUE(reload(s));
    EXPECT_EQ(s.state.PollutantCount, 0);
    EXPECT_EQ(s.state.NPol, -1);
    EXPECT_TRUE(s.state.PollutantList.empty());
    EXPECT_EQ(s.state.IndexCO, -1);
    EXPECT_EQ(s.state.StatVarList.count(), 0);
    EXPECT_TRUE(s.state.InputUnit.empty());
}

TEST(LoadCountryLists, PollutantNamesAreMatchedWithoutRegardToCaseAndAZeroFactorIsMissing) {
    ProgramDir dir;
    Started s(dir);
    dir.write("Lists/National/DL/Pollutants.lst",
              pollutantsWith("\"NOx\",\"a\",\"microg\",\"microg\",#TRUE#,0.5\r\n"
                             "\"co\",\"b\",\"microg\",\"microg\",#TRUE#,0\r\n"
                             "\"bnz\",\"c\",\"microg\",\"microg\",#TRUE#,0.25\r\n"));
    dir.write("Lists/National/DL/UrbEmiFiles.lst", "PollutName, FileName\r\n\"NOX\",\"a.dat\"\r\n");
    ASSERT_TRUE(reload(s));
    EXPECT_EQ(s.state.IndexCO, 1);
    EXPECT_EQ(s.state.IndexBNZ, 2);
    EXPECT_EQ(s.state.PpbToMicrog[1], -99.0);
    EXPECT_EQ(s.state.PpbToMicrog[2], 4.0);
    EXPECT_EQ(s.state.UrbEmiFileNames[0], "a.dat");
}

TEST(LoadCountryLists, FiftyPollutantsAreReadAndOneMoreIsRefusedWithItsLine) {
    ProgramDir dir;
    Started s(dir);
    auto pollutants = [](int count) {
        std::string rows;
        for (int k = 1; k <= count; ++k) {
            rows += "\"P" + std::to_string(k) + "\",\"p\",\"microg\",\"microg\",#TRUE#,0.5\r\n";
        }
        return pollutantsWith(rows);
    };
    dir.write("Lists/National/DL/Pollutants.lst", pollutants(kMaxPollutants));
    ASSERT_TRUE(reload(s));
    EXPECT_EQ(s.state.PollutantCount, kMaxPollutants);
    dir.write("Lists/National/DL/Pollutants.lst", pollutants(kMaxPollutants + 1));
    std::string error;
    EXPECT_FALSE(LoadProjectCountryLists(s.state, s.ui, nullptr, nullptr, &error));
    EXPECT_EQ(s.state.ErrorCode, 6);
    EXPECT_EQ(error, dir.appDir() + "Lists/National/DL/Pollutants.lst, line 52: P51 is one pollutant more "
                                    "than the 50 the program keeps.");
}

// A factor below 0 converts nothing: the list is refused naming its line,
// whichever pollutant it is; 0 stays a factor the list does not give.
TEST(LoadCountryLists, AMicrogramToPpbFactorBelowZeroIsRefusedNamingTheListAndLine) {
    ProgramDir dir;
    Started s(dir);
    const std::string rows = "\"NOx\",\"a\",\"microg\",\"microg\",#TRUE#,0.5229\r\n"
                             "\"NO\",\"b\",\"microg\",\"microg\",#FALSE#,0\r\n"
                             "\"NO2\",\"c\",\"microg\",\"microg\",#TRUE#\r\n0.5229\r\n";
    struct Case {
        std::string last; // the list's last row
        std::string says; // after the list's name
    };
    for (const Case &c : {Case{"\"O3\",\"d\",\"microg\",\"microg\",#FALSE#,-1",
                               ", line 6: the microgram-to-ppb factor -1 of O3"},
                          Case{"\"PM10\",\"e\",\"microg\",\"microg\",#TRUE#,-0.001",
                               ", line 6: the microgram-to-ppb factor -0.001 of PM10"},
                          Case{"\"BNZ\",\"e\",\"microg\"\r\n\"microg\",#TRUE#\r\n-7",
                               ", line 8: the microgram-to-ppb factor -7 of BNZ"}}) {
        SCOPED_TRACE(c.last);
        dir.write("Lists/National/DL/Pollutants.lst", pollutantsWith(rows + c.last + "\r\n"));
        std::string error;
        EXPECT_FALSE(LoadProjectCountryLists(s.state, s.ui, nullptr, nullptr, &error));
        EXPECT_EQ(s.state.ErrorCode, 6);
        EXPECT_EQ(error, dir.appDir() + "Lists/National/DL/Pollutants.lst" + c.says + " lies below 0.");
        EXPECT_DOUBLE_EQ(s.state.MicrogToPpb[3], 0.5012) << "the lists loaded before stay";
    }
    // Each factor's line is kept for the run's messages.
    dir.write("Lists/National/DL/Pollutants.lst",
              pollutantsWith(rows + "\"O3\",\"d\",\"microg\",\"microg\",#FALSE#,0.5012\r\n"));
    ASSERT_TRUE(reload(s));
    EXPECT_EQ(s.state.PollutantLines, (std::vector<int>{2, 3, 5, 6}));
    EXPECT_EQ(s.state.PollutantListFile, dir.appDir() + "Lists/National/DL/Pollutants.lst");
    EXPECT_EQ(s.state.MicrogToPpb[1], 0.0) << "a factor the list does not give";
}

TEST(LoadCountryLists, AFailedReloadSetsTheErrorNumberAndKeepsEveryTable) {
    struct Broken {
        const char *file;
        const char *content; // nullptr: removed
        long number;
        bool namesTheFile = true; // false: found later, while the catalogue is built
    };
    const Broken cases[] = {
        {"Pollutants.lst", "PollutName\r\n\"NOx\",\"Nitrogen oxides\",\"microg\"\r\n", 62},
        {"Pollutants.lst", nullptr, 53},
        {"Pollutants.lst",
         "PollutName\r\n\"NO2\",\"a\",\"microg\",\"microg\",#TRUE#,1\r\n\"no2\",\"b\",\"microg\",\"microg\",#"
         "TRUE#,1\r\n",
         457},
        {"Pollutants.lst", "PollutName\r\n\"NO2\",\"a\",\"microg\",\"microg\",#MAYBE#,1\r\n", 13},
        {"DateNames.lst", "Days\r\n\"Monday\",\"Tuesday\"\r\n", 62},
        {"PercDef.lst", "Name\r\n\"98_Perc\",0.02,8,0\r\n\"98_Perc\",0.02,9,0\r\n", 457, false},
        {"PercDef.lst", "Name\r\n\"98_Perc\",0.02,8,0\r\n\"99_Perc\",0.01,8,0\r\n", 457, false},
        {"Scenarios.lst", "\"Fleet.xls\",2015\r\n", 62},
        {"PercDef.lst", "Name\r\n\"98_Perc\",0.02,2147483647,0\r\n", 6},
        {"PercDef.lst", "Name\r\n\"98_Perc\",0.02,-1,0\r\n", 6},
        {"PercDef.lst", "Name\r\n\"99.8_Perc\",2,19,0\r\n", 6},
        {"PercDef.lst", "Name\r\n\"99.8_Perc\",-0.002,19,0\r\n", 6},
        {"Pollutants.lst", "PollutName\r\n\"NO2\",\"a\",\"microg\",\"microg\",#TRUE#,-1\r\n", 6},
        {"Pollutants.lst", "PollutName\r\n\"O3\",\"a\",\"microg\",\"microg\",#TRUE#,#TRUE#\r\n", 6},
    };
    for (const Broken &b : cases) {
        SCOPED_TRACE(std::string(b.file) + " " + (b.content ? b.content : "(missing)"));
        ProgramDir dir;
        Started s(dir);
        s.state.InputUnit.assign(8, "ppb");
        const std::string path = "Lists/National/DL/" + std::string(b.file);
        if (b.content == nullptr) {
            dir.remove(path);
        } else {
            dir.write(path, b.content);
        }
        std::string file;
        EXPECT_FALSE(reload(s, &file));
        EXPECT_EQ(s.state.ErrorCode, b.number);
        if (b.namesTheFile) {
            EXPECT_EQ(file, dir.appDir() + path);
            EXPECT_TRUE(s.ui.messages.empty());
        }
        EXPECT_EQ(s.state.NPol, 7);
        EXPECT_EQ(s.state.ScenarioCount, 4);
        EXPECT_EQ(s.state.NumPercHourly, 2);
        EXPECT_EQ(s.state.StatVarList.count(), 3 * 8 * 17);
        EXPECT_EQ(s.state.InputUnit[0], "ppb");
    }
}

TEST(LoadCountryLists, AListNamedInOtherLetterCaseIsFound) {
    ProgramDir dir;
    Started s(dir);
    fs::rename(dir.dir.path() / "Lists/National/DL/Pollutants.lst",
               dir.dir.path() / "Lists/National/DL/POLLUTANTS.lst");
    EXPECT_TRUE(reload(s));
    EXPECT_EQ(s.state.NPol, 7);
}

TEST(LoadCountryLists, ScenariosWithoutYearsLoadWithoutDefaultFiles) {
    ProgramDir dir;
    Started s(dir, 2022);
    dir.write("Lists/National/DL/Scenarios.lst", "\"FleetShare.xls\",2015,2030\r\n");
    ASSERT_TRUE(reload(s));
    EXPECT_EQ(s.state.ScenarioCount, 0);
    EXPECT_EQ(s.state.CurrentYear, 2020); // clamped by start-up, kept now
    EXPECT_TRUE(s.state.DefaultVehicleListFile.empty());
    EXPECT_EQ(s.state.FleetDatabase, "FleetShare.xls");
}

TEST(ClampCurrentYear, TakesTheScenarioYearInForce) {
    ReferenceTables t;
    t.ScenarioYears = {0, 2000, 2005, 2010};
    t.ScenarioVehicleFiles = {"", "v2000", "v2005", "v2010"};
    t.ScenarioFuelFiles = {"", "f2000", "f2005", "f2010"};
    t.ScenarioCount = 3;
    const std::pair<int, int> cases[] = {
        {2003, 2000}, {1990, 2000}, {2020, 2010}, {2005, 2005}, {2009, 2005}};
    for (auto [year, expected] : cases) {
        int current = year;
        clampCurrentYear(t, current);
        EXPECT_EQ(current, expected) << year;
        EXPECT_EQ(t.DefaultVehicleListFile, "v" + std::to_string(expected));
        EXPECT_EQ(t.DefaultFuelListFile, "f" + std::to_string(expected));
    }
}

TEST(LoadCountryLists, CityTypesReadDecimalCommasAsPointsAndAnEmptyListSkipsTheFiles) {
    ProgramDir dir;
    Started s(dir);
    s.state.DecimalSeparator = ",";
    dir.write("Lists/National/DL/UrbEmi.lst", "Size, Radius, B_height\r\n\"1,5 km town\",1500,12.5\r\n");
    ASSERT_TRUE(reload(s));
    EXPECT_EQ(s.state.CitySizeNames[1], "1.5 km town");
    EXPECT_EQ(s.state.CityBuildingHeight[1], 12.5f);

    s.state.DecimalSeparator = ".";
    dir.write("Lists/National/DL/UrbEmi.lst", "Size, Radius, B_height\r\n");
    dir.remove("Lists/National/DL/UrbEmiFiles.lst");
    ASSERT_TRUE(reload(s));
    EXPECT_TRUE(s.state.NoUrbEmiData);
    EXPECT_EQ(s.state.UrbEmiFileNames.size(), 8u);
    for (const std::string &name : s.state.UrbEmiFileNames) {
        EXPECT_TRUE(name.empty());
    }
}

TEST(LoadCountryLists, UnknownUrbanEmissionPollutantsGiveOneWarningEachAndTheRestIsStored) {
    ProgramDir dir;
    Started s(dir);
    dir.write("Lists/National/DL/UrbEmiFiles.lst", "PollutName, FileName\r\n\"SO2\",\"a.dat\"\r\n"
                                                   "\"NOx\",\"b.dat\"\r\n\"Lead\",\"c.dat\"\r\n");
    ASSERT_TRUE(reload(s));
    ASSERT_EQ(s.ui.messages.size(), 2u);
    EXPECT_EQ(s.ui.messages[0],
              "The pollutant SO2, refered to in the Urban Emission Files List, is not in the "
              "Pollutants List.\r\nThis pollutant should be removed from the List!");
    EXPECT_TRUE(s.state.UrbEmiFilesError);
    EXPECT_EQ(s.state.UrbEmiFileNames[0], "b.dat");
}

TEST(LoadCountryLists, PercentileFamiliesKeepFileOrderAndSizeTheirTopLists) {
    ProgramDir dir;
    Started s(dir);
    dir.write("Lists/National/DL/PercDef.lst", "Name, Fraction, nMax, Type\r\n"
                                               "\"99.8_Perc\",0.002,19,0\r\n"
                                               "\"90_PercDaily\",0.1,37,2\r\n"
                                               "\"Odd\",0.5,4,3\r\n"
                                               "\"98_Perc\",0.02,8,0\r\n");
    ASSERT_TRUE(reload(s));
    const ProjectState &st = s.state;
    EXPECT_EQ(st.NumPercHourly, 2);
    EXPECT_EQ(st.PercNamesHourly[1], "99.8_Perc");
    EXPECT_EQ(st.PercNamesHourly[2], "98_Perc");
    EXPECT_EQ(st.NthHighestNamesHourly[2], "8thHighest");
    EXPECT_FLOAT_EQ(st.PercFracHourly[1], 0.002f);
    EXPECT_EQ(st.HourlyTopCapacity, 21);
    EXPECT_EQ(st.NumPercRun8, 0);
    EXPECT_EQ(st.Run8TopCapacity, 2);
    EXPECT_EQ(st.PercDefNames.size(), 5u);
    EXPECT_EQ(st.PercDefNames[3], "Odd");
    EXPECT_EQ(st.PercDefNthNames[3], "4thHighest");
    EXPECT_EQ(st.PercDefTypes[3], 3);
    EXPECT_EQ(st.PercNameList.count(), 4); // three definitions and "All"
    EXPECT_EQ(st.PercNameList.find("Odd"), nullptr);
    EXPECT_EQ(st.PercNameList.at(1).Name, "98_Perc");
    EXPECT_EQ(st.PercNameList.at(2).nthHighest, 37);

    dir.write("Lists/National/DL/PercDef.lst", "Name, Fraction, nMax, Type\r\n");
    ASSERT_TRUE(reload(s));
    EXPECT_EQ(s.state.PercNameList.count(), 1);
    EXPECT_EQ(s.state.PercNameList.item("All").nPercHourly, 0);
}

TEST(LoadCountryLists, AnNthHighestUpToTheHoursOfALeapYearIsReadAndOneMoreIsRefused) {
    ProgramDir dir;
    Started s(dir);
    dir.write("Lists/National/DL/PercDef.lst", "Name, Fraction, nMax, Type\r\n\"Lowest\",0.9999,8784,0\r\n");
    ASSERT_TRUE(reload(s));
    EXPECT_EQ(s.state.NumPercHourly, 1);
    EXPECT_EQ(s.state.NthHighestNamesHourly[1], "8784thHighest");
    EXPECT_EQ(s.state.HourlyTopCapacity, 8786) << "a top list of every hour of a leap year";

    dir.write("Lists/National/DL/PercDef.lst", "Name, Fraction, nMax, Type\r\n\"Lowest\",0.9999,8785,0\r\n");
    std::string error;
    EXPECT_FALSE(LoadProjectCountryLists(s.state, s.ui, nullptr, nullptr, &error));
    EXPECT_EQ(s.state.ErrorCode, 6);
    EXPECT_NE(error.find(", line 2: nMax 8785 lies outside 0 to 8784 (the hours of a year)."),
              std::string::npos)
        << error;
    EXPECT_EQ(s.state.NthHighestNamesHourly[1], "8784thHighest") << "the lists read before stay";
}

TEST(LoadCountryLists, AHundredDefinitionsOfAFamilyAreReadAndOneMoreIsRefusedWithItsLine) {
    ProgramDir dir;
    Started s(dir);
    // A hundred of each family, then one more of the family of type.
    auto definitions = [](int type) {
        const char *suffixes[] = {"_Perc", "_PercRun8", "_PercDaily"};
        std::string text = "Name, Fraction, nMax, Type\r\n";
        for (int family = 0; family < 3; ++family) {
            for (int k = 1; k <= kMaxPercentileDefinitions + (family == type ? 1 : 0); ++k) {
                // The 50.1th to 60.1th percentiles.
                text += "\"" + std::to_string(500 + k).insert(2, ".") + suffixes[family] + "\",0.5," +
                        std::to_string(k) + "," + std::to_string(family) + "\r\n";
            }
        }
        return text;
    };
    dir.write("Lists/National/DL/PercDef.lst", definitions(-1));
    std::string error;
    ASSERT_TRUE(LoadProjectCountryLists(s.state, s.ui, nullptr, nullptr, &error)) << error;
    EXPECT_EQ(s.state.NumPercHourly, kMaxPercentileDefinitions);
    EXPECT_EQ(s.state.NumPercRun8, kMaxPercentileDefinitions);
    EXPECT_EQ(s.state.NumPercDaily, kMaxPercentileDefinitions);

    const struct {
        int type;
        const char *text;
    } refused[] = {
        {0, ", line 102: 60.1_Perc is one hourly percentile definition more than the 100 the program keeps"},
        {1, ", line 202: 60.1_PercRun8 is one running 8-hour percentile definition more than the 100"},
        {2, ", line 302: 60.1_PercDaily is one daily percentile definition more than the 100"},
    };
    for (const auto &c : refused) {
        dir.write("Lists/National/DL/PercDef.lst", definitions(c.type));
        error.clear();
        EXPECT_FALSE(LoadProjectCountryLists(s.state, s.ui, nullptr, nullptr, &error)) << c.type;
        EXPECT_EQ(s.state.ErrorCode, 6);
        EXPECT_NE(error.find(c.text), std::string::npos) << error;
    }
}

TEST(LoadCountryLists, ChangingCountryLoadsItsListsAndMovesTheDefaultMark) {
    ProgramDir dir;
    dir.addUtopia();
    Started s(dir);
    dir.write("Lists/National/UT/Pollutants.lst",
              pollutantsWith("\"NOx\",\"a\",\"microg\",\"microg\",#TRUE#,0.5\r\n"
                             "\"NO\",\"b\",\"microg\",\"microg\",#FALSE#,0.8\r\n"));
    dir.write("Lists/National/UT/UrbEmiFiles.lst", "PollutName, FileName\r\n");
    dir.write("Lists/National/UT/LimValDef.lst", "broken");
    s.state.ScenarioYear = 2020;
    s.state.VehicleListFile = "x.vlf";
    const std::string utopia = "UTOPIA";
    ASSERT_TRUE(LoadProjectCountryLists(s.state, s.ui, nullptr, &utopia));
    const ProjectState &st = s.state;
    EXPECT_EQ(st.CurrentCountry, "Utopia");
    EXPECT_EQ(st.LoadedCountry, "Utopia");
    EXPECT_EQ(st.CountryCode, "UT");
    EXPECT_EQ(st.ListsDir, dir.appDir() + "Lists/National/UT/");
    EXPECT_EQ(st.TrafficDir, dir.appDir() + "Data/Traffic/National/UT/");
    EXPECT_EQ(st.ModelEnv.CountryCode, "UT");
    EXPECT_EQ(st.ModelEnv.Pollutants.size(), 2u);
    EXPECT_TRUE(st.CountryList.item("Utopia").IsDefault);
    EXPECT_FALSE(st.CountryList.item("Demoland").IsDefault);
    EXPECT_EQ(st.NPol, 1);
    EXPECT_EQ(st.ScenarioYear, -1);
    EXPECT_TRUE(st.VehicleListFile.empty());
    // The damaged limit-value list was reported but did not stop the change.
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0].rfind("Error reading the Limit Values List!\r\n", 0), 0u);
    EXPECT_EQ(st.LimValPollutantCount, 0);

    s.ui.messages.clear();
    const std::string same = "utopia";
    dir.remove("Lists/National/UT/Pollutants.lst");
    EXPECT_TRUE(LoadCountryLists(s.state, s.ui, nullptr, &same)); // nothing is reloaded
    EXPECT_TRUE(s.ui.messages.empty());
    EXPECT_EQ(s.state.NPol, 1);
}

TEST(LoadCountryLists, AFailedCountryChangeSaysSoAndStaysOnTheLoadedCountry) {
    struct Case {
        const char *file;
        const char *content;
        const char *first; // message up to the line breaks; {dir} = national lists folder
    };
    const Case cases[] = {
        {"PercDef.lst", nullptr, "The file {dir}PercDef.lst is missing!"},
        {"DateNames.lst", "Days\r\n\"Monday\"\r\n", "Unexpected End of File in {dir}DateNames.lst"},
        {"Pollutants.lst", "P\r\n\"NO2\",\"a\",\"m\",\"m\",#TRUE#,x\r\n", "13 Type mismatch"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        ProgramDir dir;
        dir.addUtopia();
        Started s(dir);
        const std::string path = "Lists/National/UT/" + std::string(c.file);
        if (c.content == nullptr) {
            dir.remove(path);
        } else {
            dir.write(path, c.content);
        }
        const std::string utopia = "Utopia";
        s.state.CurrentCountry = utopia; // as the countries dialog leaves it after "Add New"
        s.state.CountryCode = "UT";
        EXPECT_FALSE(LoadCountryLists(s.state, s.ui, nullptr, &utopia));
        ASSERT_EQ(s.ui.messages.size(), 1u);
        std::string first = c.first;
        const std::size_t at = first.find("{dir}");
        if (at != std::string::npos) {
            first.replace(at, 5, dir.appDir() + "Lists/National/UT/");
        }
        const std::string &message = s.ui.messages[0];
        EXPECT_EQ(message.substr(0, first.size()), first);
        EXPECT_EQ(message.substr(message.size() - 37), "\r\n\r\nCan't change the Country Settings");
        const ProjectState &st = s.state;
        EXPECT_EQ(st.CurrentCountry, "Demoland");
        EXPECT_EQ(st.LoadedCountry, "Demoland");
        EXPECT_EQ(st.CountryCode, "DL");
        EXPECT_EQ(st.ListsDir, dir.lists());
        EXPECT_TRUE(st.CountryList.item("Demoland").IsDefault);
        EXPECT_FALSE(st.CountryList.item("Utopia").IsDefault);
        EXPECT_EQ(st.NPol, 7);
        EXPECT_EQ(st.DayNames[0], "Monday");
        EXPECT_EQ(st.ModelEnv.CountryCode, "DL");
        EXPECT_EQ(st.ErrorCode, 0);
    }
}

TEST(SaveCountriesIni, WritesEveryCountryWithTheCurrentOneFlagged) {
    ProgramDir dir;
    dir.addUtopia();
    Started s(dir);
    s.state.CurrentCountry = "Utopia";
    std::string error;
    ASSERT_TRUE(SaveCountriesIni(s.state, &error)) << error;
    EXPECT_EQ(readFile(dir.dir.path() / "Countries.ini"),
              "Country Code Default\r\n\"Demoland\",\"DL\",#FALSE#\r\n\"Utopia\",\"UT\",#TRUE#\r\n");
}

TEST(LoadCountryLists, AListOfTheNewCountryThatIsAPipeIsSaidToBeNoRegularFile) {
    ProgramDir dir;
    dir.addUtopia();
    Started s(dir);
    const std::string path = dir.appDir() + "Lists/National/UT/DateNames.lst";
    dir.remove("Lists/National/UT/DateNames.lst");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    const std::string utopia = "Utopia";
    s.state.CurrentCountry = utopia;
    s.state.CountryCode = "UT";
    EXPECT_FALSE(LoadCountryLists(s.state, s.ui, nullptr, &utopia));
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0],
              "The file " + path +
                  " is not a regular file: it is a device, a pipe or a socket, which cannot be "
                  "read as a list.\r\n\r\nCan't change the Country Settings");
    EXPECT_EQ(s.state.LoadedCountry, "Demoland");
}
