// Streets that share their traffic set-up through a cache get exactly the
// tables and messages of streets that read and expand their files themselves.

#include "calc/DayCases.h"

#include "calc/CalcState.h"
#include "calc/EmissionFixture.h"
#include "calc/EmissionSetup.h"
#include "project/InitProgram.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>

using namespace vesk;
using namespace vesk::test;

namespace {

// The program on the demo data with the demo fleet, as a street worker holds it.
struct DemoStreetState {
    CalcState s;
    ScriptedInteraction ui;
    MemorySettings settings;
    explicit DemoStreetState(const fs::path &app) {
        EXPECT_TRUE(InitProgram(s, app.string(), ui, settings, nullptr));
        s.WorkDir = (app / "Working").string() + "/";
        s.VehicleListFile = s.ScenarioVehicleFiles[1];
        s.FuelListFile = s.ScenarioFuelFiles[1];
        InitEmissions(s, ui);
    }
};

std::uint32_t bits(float v) {
    std::uint32_t b = 0;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// Every value of the street's traffic and emission tables, bit for bit.
std::vector<std::uint32_t> tables(const CalcState &s) {
    std::vector<std::uint32_t> v{static_cast<std::uint32_t>(s.TrafficFileType), bits(s.AnnualDiurnalTraffic),
                                 bits(s.AverageTrafficSpeed),
                                 static_cast<std::uint32_t>(s.DayCases), static_cast<std::uint32_t>(s.Nhours)};
    for (int d = 1; d <= s.DayCases; ++d) {
        for (int h = 1; h <= s.Nhours; ++h) {
            for (int k = 1; k <= s.VehCatCount; ++k) {
                v.push_back(bits(s.FlowTable.at(k, h, d)));
                for (int p = 0; p <= s.NPol; ++p) {
                    v.push_back(bits(s.CategoryEmissionTable.at(p, k, h, d)));
                }
            }
            for (int p = 0; p <= s.NPol; ++p) {
                if (const EmissionTableItem *item = s.EmissionComponent.EmissionTable.find(s.PollutantNames[p])) {
                    v.push_back(bits(item->Value.get(h, d)));
                }
            }
        }
    }
    return v;
}

struct Street {
    const char *file;
    double dailyTraffic, speed;
};

TEST(SharedTraffic, StreetsSetUpThroughTheCacheGetTheTablesAndMessagesOfTheirOwnReading) {
    TempDir app;
    copyDataTree(app.path());
    // A second traffic file: the standard profile read as counted traffic (not scaled).
    std::string text = readFile(app.path() / "Data/Traffic/National/DL/CityStreet.trf");
    const std::string standard = "\"Type\",2";
    ASSERT_NE(text.find(standard), std::string::npos);
    text.replace(text.find(standard), standard.size(), "\"Type\",1");
    const std::string night = "\n1,88.1,10.5,8.1,0.4,47.8,43.8,5";
    ASSERT_NE(text.find(night), std::string::npos);
    text.replace(text.find(night), night.size(), "\n1,120,10.5,8.1,0.4,47.8,43.8,5");
    app.write("Working/Counted.trf", text);

    const std::vector<Street> streets = {
        {".\\CityStreet.trf", 20000, 40}, {"Counted.trf", 0, 0},
        {".\\CityStreet.trf", 35000, 40}, // the same speeds: the emissions per vehicle are shared
        {".\\CityStreet.trf", 20000, 55}, // other speeds
        {".\\CityStreet.trf", 2e9, 40},   // refused for this street only
        {"Counted.trf", 0, 0},           {".\\CityStreet.trf", 12000, 40}, {".\\CityStreet.trf", 9000, 1000},
        {".\\CityStreet.trf", 8000, 40}};
    DemoStreetState own(app.path()), first(app.path()), second(app.path());
    TrafficSetupCache cache;
    int refused = 0;
    for (std::size_t i = 0; i < streets.size(); ++i) {
        SCOPED_TRACE("street " + std::to_string(i + 1) + ", " + streets[i].file);
        std::vector<TrafficSetupOutcome> outcomes;
        for (DemoStreetState *w : {&own, &first, &second}) {
            w->s.TrafficFile = streets[i].file;
            w->s.AnnualDiurnalTraffic = streets[i].dailyTraffic;
            w->s.AverageTrafficSpeed = streets[i].speed;
            w->s.TrafficFileLoaded = false;
            w->ui.messages.clear();
            outcomes.push_back(SetUpStreetTraffic(w->s, w->ui, {}, w == &own ? nullptr : &cache).outcome);
        }
        EXPECT_EQ(outcomes[1], outcomes[0]);
        EXPECT_EQ(outcomes[2], outcomes[0]);
        EXPECT_EQ(first.ui.messages, own.ui.messages);
        EXPECT_EQ(second.ui.messages, own.ui.messages);
        if (outcomes[0] == TrafficSetupOutcome::Ready) {
            const std::vector<std::uint32_t> expected = tables(own.s);
            EXPECT_TRUE(tables(first.s) == expected) << "the street that filled the cache";
            EXPECT_TRUE(tables(second.s) == expected) << "a street that found it filled";
        } else {
            ++refused;
            ASSERT_EQ(own.ui.messages.size(), 1u);
            EXPECT_NE(own.ui.messages[0].find("is out of range"), std::string::npos) << own.ui.messages[0];
        }
    }
    EXPECT_EQ(refused, 2) << "the daily traffic and the speed out of range";
}

TEST(SharedTraffic, AFileThatCannotBeReadIsReportedForEveryStreetThatNamesIt) {
    TempDir app;
    copyDataTree(app.path());
    app.write("Working/Broken.trf", "\"WinVESK traffic file\"\r\n[Settings]\r\n\"Type\",x\r\n");
    DemoStreetState own(app.path()), shared(app.path());
    TrafficSetupCache cache;
    for (const char *file : {"Broken.trf", ".\\CityStreet.trf", "Broken.trf"}) {
        SCOPED_TRACE(file);
        for (DemoStreetState *w : {&own, &shared}) {
            w->s.TrafficFile = file;
            w->s.AnnualDiurnalTraffic = 15000;
            w->s.AverageTrafficSpeed = 40;
            w->s.TrafficFileLoaded = false;
            w->ui.messages.clear();
            SetUpStreetTraffic(w->s, w->ui, {}, w == &own ? nullptr : &cache);
        }
        EXPECT_EQ(shared.ui.messages, own.ui.messages);
        EXPECT_EQ(shared.s.ErrorInTrafficFile, own.s.ErrorInTrafficFile);
        EXPECT_EQ(own.ui.messages.size(), std::string(file) == "Broken.trf" ? 1u : 0u);
    }
}

TEST(SharedTraffic, ACategoryWithoutFactorsStaysMissingWhateverItsFlow) {
    EmissionFixture f;
    InitEmissions(f.state, f.ui);
    f.state.EmitterIndex.push_back(1); // NO: the lists give no factors for it
    f.state.EmitterCount = 3;
    CalcState own = f.state, first = f.state, second = f.state;
    TrafficSetupCache cache;
    for (double cars : {100.0, 250.0}) {
        SCOPED_TRACE(cars);
        f.writeTraffic("Street.trf", 24, cars, 10 * cars / 100);
        // Each street names its own copy: the cache keeps the file as first read for the run.
        const std::string name = "Street" + std::to_string(static_cast<int>(cars)) + ".trf";
        std::filesystem::rename(f.dir.path() / "work/Street.trf", f.dir.path() / "work" / name);
        for (CalcState *s : {&own, &first, &second}) {
            s->TrafficFile = name;
            s->TrafficFileLoaded = false;
            ASSERT_EQ(SetUpStreetTraffic(*s, f.ui, {}, s == &own ? nullptr : &cache).outcome,
                      TrafficSetupOutcome::Ready);
        }
        EXPECT_FLOAT_EQ(own.EmissionComponent.EmissionTable.find("NO")->Value.get(3, 1), -99.0f);
        EXPECT_TRUE(tables(first) == tables(own));
        EXPECT_TRUE(tables(second) == tables(own));
    }
}

} // namespace
