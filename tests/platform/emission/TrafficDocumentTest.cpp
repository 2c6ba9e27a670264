#include "platform/emission/TrafficDocument.h"

#include "platform/emission/EmissionLibrary.h"
#include "platform/emission/EmissionTestData.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

using Part = TrafficProblem::Part;

// Singles hold about 7 digits; the demo flows are in the thousands.
constexpr double kTol = 1e-3;

std::string demoTrafficPath() {
    return (dataDir() / "Data/Traffic/National/DL/CityStreet.trf").string();
}

TrafficDocument demoTraffic() {
    TrafficDocument doc;
    std::string error;
    EXPECT_TRUE(readTrafficDocument(demoTrafficPath(), &doc, &error)) << error;
    return doc;
}

// The traffic collection of a file, read as the run reads it.
EmissionLibrary readTraffic(const std::string &path, double speed = 0, double adt = 0) {
    EmissionLibrary lib;
    lib.SetStandardCategories({}, noxPollutants());
    std::string error;
    EXPECT_TRUE(lib.ReadTrafficFile(path, speed, adt, &error)) << error;
    return lib;
}

void expectSameTraffic(const TrafficCollection &a, const TrafficCollection &b) {
    ASSERT_EQ(a.All.DayCases, b.All.DayCases);
    ASSERT_EQ(a.All.Nhours, b.All.Nhours);
    ASSERT_EQ(a.Count(), b.Count());
    EXPECT_EQ(a.All.TrafficFileType, b.All.TrafficFileType);
    EXPECT_EQ(a.All.sAnnualDiurnalTraffic, b.All.sAnnualDiurnalTraffic);
    EXPECT_EQ(a.All.sAverageTrafficSpeed, b.All.sAverageTrafficSpeed);
    for (int d = 1; d <= a.All.DayCases; ++d) {
        EXPECT_EQ(a.All.DayCaseName(d), b.All.DayCaseName(d));
        EXPECT_EQ(a.All.CodeDay(d), b.All.CodeDay(d));
        EXPECT_EQ(a.All.CodeMonth(d), b.All.CodeMonth(d));
        for (int h = 1; h <= a.All.Nhours; ++h) {
            EXPECT_EQ(a.All.Vshort(h, d), b.All.Vshort(h, d));
            EXPECT_EQ(a.All.Vlong(h, d), b.All.Vlong(h, d));
            EXPECT_EQ(a.All.ColdStart(h, d), b.All.ColdStart(h, d));
            for (int i = 1; i <= a.Count(); ++i) {
                EXPECT_EQ(a.item(i).Flow(h, d), b.item(i).Flow(h, d)) << "category " << i;
            }
        }
    }
    for (int i = 1; i <= a.Count(); ++i) {
        EXPECT_EQ(a.item(i).name, b.item(i).name);
        EXPECT_EQ(a.item(i).subNames, b.item(i).subNames);
        EXPECT_EQ(a.item(i).subFractions, b.item(i).subFractions);
    }
}

TEST(TrafficDocument, TheDemoTrafficFileWrittenAgainReadsBackToTheSameTraffic) {
    TempDir dir;
    const TrafficDocument doc = demoTraffic();
    ASSERT_EQ(doc.dayCases.size(), 4u);
    const std::string copy = (dir.path() / "Copy.trf").string();
    std::string error;
    ASSERT_TRUE(writeTrafficFile(copy, doc, &error)) << error;
    ASSERT_NO_FATAL_FAILURE(
        expectSameTraffic(readTraffic(demoTrafficPath()).TrafficList, readTraffic(copy).TrafficList));
    // The header lines describing the file stay.
    EXPECT_EQ(
        readFile(copy).rfind("\"WinVESK traffic file\"\r\n\"Standard traffic of a Demoland city street", 0),
        0u);
}

TEST(TrafficDocument, AnEditedDocumentHandedToTheComponentGivesWhatItsSavedFileGives) {
    TempDir dir;
    TrafficDocument doc = demoTraffic();
    doc.dayCases[1].periods[7].flows[2] = 120; // HGV at 8 o'clock on working days
    doc.dayCases[0].codeMonth = "MonthNow = 7";
    const std::string path = (dir.path() / "Edited.trf").string();
    std::string error;
    ASSERT_TRUE(writeTrafficFile(path, doc, &error)) << error;
    EmissionLibrary inMemory;
    inMemory.SetStandardCategories({}, noxPollutants());
    ASSERT_TRUE(inMemory.SetTrafficData(doc, 40, 20000, &error)) << error;
    ASSERT_NO_FATAL_FAILURE(
        expectSameTraffic(inMemory.TrafficList, readTraffic(path, 40, 20000).TrafficList));
    EXPECT_NEAR(readTraffic(path).TrafficList.item(3).Flow(8, 2), 120, kTol);
    EXPECT_EQ(inMemory.TrafficSource.dayCases[0].codeMonth, "MonthNow = 7") << "the unscaled source is kept";
}

TEST(TrafficDocument, ReferenceYearAveragesAreThoseTheComponentShows) {
    const TrafficDocument doc = demoTraffic();
    const TrafficAverages a = trafficFileAverages(doc);
    const EmissionLibrary lib = readTraffic(demoTrafficPath());
    EXPECT_EQ(static_cast<float>(a.dailyTraffic), lib.TrafficList.All.sAnnualDiurnalTraffic);
    EXPECT_EQ(static_cast<float>(a.speed), lib.TrafficList.All.sAverageTrafficSpeed);
    EXPECT_GT(a.dailyTraffic, 1000);
}

TEST(TrafficDocument, DayCasesAreTakenInTheirOrderForEachDayOfTheWeekAndMonth) {
    const TrafficDocument doc = demoTraffic();
    EXPECT_EQ(trafficDayCaseOf(doc, 1, 7), 1) << "a summer working day takes the special case first";
    EXPECT_EQ(trafficDayCaseOf(doc, 1, 3), 2);
    EXPECT_EQ(trafficDayCaseOf(doc, 6, 7), 3);
    EXPECT_EQ(trafficDayCaseOf(doc, 7, 1), 4);
    TrafficDocument moved = doc;
    moveTrafficDayCase(moved, 0, 1);
    EXPECT_EQ(trafficDayCaseOf(moved, 1, 7), 1) << "the general working day now comes first";
    EXPECT_EQ(moved.dayCases[0].name, "Working day");
}

TEST(TrafficDocument, ScalingTheFlowsScalesTheDailyTraffic) {
    TrafficDocument doc = demoTraffic();
    const double before = trafficFileAverages(doc).dailyTraffic;
    scaleTrafficFlows(doc, 1.5);
    EXPECT_NEAR(trafficFileAverages(doc).dailyTraffic, 1.5 * before, 1e-3 * before);
    const double speed = trafficFileAverages(doc).speed;
    scaleTrafficSpeeds(doc, 0.5);
    EXPECT_NEAR(trafficFileAverages(doc).speed, 0.5 * speed, 1e-4 * speed);
}

TEST(TrafficDocument, HalfHourlyProfilesKeepTheDailyTrafficAndGoBackToTheHourlyOnes) {
    TrafficDocument doc = demoTraffic();
    const TrafficDocument hourly = doc;
    setTrafficPeriods(doc, 48);
    ASSERT_EQ(doc.periods, 48);
    ASSERT_EQ(doc.dayCases[2].periods.size(), 48u);
    EXPECT_NEAR(trafficFileAverages(doc).dailyTraffic, trafficFileAverages(hourly).dailyTraffic, 1e-2);
    EXPECT_DOUBLE_EQ(doc.dayCases[2].periods[15].speedLight, hourly.dayCases[2].periods[7].speedLight);
    std::string error;
    EXPECT_TRUE(parseTrafficDocument(trafficFileText(doc), "Half.trf", &doc, &error)) << error;
    setTrafficPeriods(doc, 24);
    for (size_t h = 0; h < 24; ++h) {
        for (size_t c = 0; c < doc.categories.size(); ++c) {
            EXPECT_NEAR(doc.dayCases[0].periods[h].flows[c], hourly.dayCases[0].periods[h].flows[c], 1e-9);
        }
        EXPECT_NEAR(doc.dayCases[0].periods[h].speedHeavy, hourly.dayCases[0].periods[h].speedHeavy, 1e-9);
    }
}

TEST(TrafficDocument, CategoriesAndDayCasesKeepTheProfileColumnsInStep) {
    TrafficDocument doc = demoTraffic();
    const double hgv = doc.dayCases[1].periods[9].flows[2];
    insertTrafficCategory(doc, 1, {"Moped", "Mopeds", {}, {}});
    EXPECT_EQ(doc.dayCases[1].periods[9].flows.size(), 5u);
    EXPECT_EQ(doc.dayCases[1].periods[9].flows[1], 0);
    EXPECT_EQ(doc.dayCases[1].periods[9].flows[3], hgv);
    removeTrafficCategory(doc, 1);
    EXPECT_EQ(doc.dayCases[1].periods[9].flows[2], hgv);
    insertTrafficDayCase(doc, 0, "Christmas", 3);
    EXPECT_EQ(doc.dayCases[0].name, "Christmas");
    EXPECT_EQ(doc.dayCases[0].codeDay, "") << "a new day case holds every day until it gets conditions";
    EXPECT_EQ(doc.dayCases[0].periods[5].flows, doc.dayCases[4].periods[5].flows) << "copied from Sunday";
    removeTrafficDayCase(doc, 0);
    EXPECT_EQ(doc.dayCases.size(), 4u);
    EXPECT_TRUE(checkTrafficDocument(doc).empty());
}

TEST(TrafficDocument, TheCategoriesMustSplitIntoTheVehicleListCategories) {
    const TrafficDocument doc = demoTraffic();
    const std::vector<std::string> fleet = {"PCPetrol", "PCDiesel", "Van", "HGV", "Bus"};
    EXPECT_EQ(trafficCategoryMismatch(doc, fleet), "");
    const std::string message = trafficCategoryMismatch(doc, {"PCPetrol", "PCDiesel", "Van", "HGV"});
    EXPECT_NE(message.find("Traffic file (composed categories split): PCPetrol, PCDiesel, Van, HGV, Bus"),
              std::string::npos)
        << message;
}

struct ConditionCase {
    const char *name;
    const char *condition;
    bool valid;
};

class Conditions : public ::testing::TestWithParam<ConditionCase> {};

TEST_P(Conditions, AreCheckedByTheEvaluatorTheRunUses) {
    const ConditionCase &c = GetParam();
    const std::string problem = conditionProblem(c.condition);
    EXPECT_EQ(problem.empty(), c.valid) << problem;
}

INSTANTIATE_TEST_SUITE_P(DayAndMonthConditions, Conditions,
                         ::testing::Values(ConditionCase{"empty", "", true},
                                           ConditionCase{"simple", "DayNow <= 5", true},
                                           ConditionCase{"any case", "monthnow = 7 or MONTHNOW = 8", true},
                                           ConditionCase{"arithmetic", "NOT (DayNow - 1) / 2 > 2", true},
                                           ConditionCase{"unfinished", "DayNow <=", false},
                                           ConditionCase{"unknown name", "Weekday = 1", false},
                                           ConditionCase{"unbalanced bracket", "(DayNow = 1", false},
                                           ConditionCase{"bracket closing another condition",
                                                         "DayNow = 1) OR (DayNow = 2", false}),
                         [](const auto &info) { return testNameOf(info.param.name); });

struct Damage {
    const char *name;
    void (*apply)(TrafficDocument &);
    Part part;
    int row;
    int column; // -1 when not a profile cell
};

class DamagedDocuments : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedDocuments, AreReportedAtTheirPlaceAndNeverWritten) {
    const Damage &d = GetParam();
    TrafficDocument doc = demoTraffic();
    d.apply(doc);
    const auto problems = checkTrafficDocument(doc);
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems.front().part, d.part) << problems.front().message;
    EXPECT_EQ(problems.front().row, d.row) << problems.front().message;
    EXPECT_EQ(problems.front().column, d.column) << problems.front().message;

    TempDir dir;
    const fs::path path = dir.write("Old.trf", "old contents");
    std::string error;
    EXPECT_FALSE(writeTrafficFile(path.string(), doc, &error));
    EXPECT_NE(error.find("Old.trf"), std::string::npos) << "the reader's message names the file: " << error;
    EXPECT_EQ(readFile(path), "old contents");
    EmissionLibrary lib;
    EXPECT_FALSE(lib.SetTrafficData(doc, 0, 0, &error));
}

INSTANTIATE_TEST_SUITE_P(
    EditorMistakes, DamagedDocuments,
    ::testing::Values(
        Damage{"condition that does not compile",
               [](TrafficDocument &d) { d.dayCases[2].codeDay = "DayNow =="; }, Part::DayCase, 2, -1},
        Damage{"flow beyond any street", [](TrafficDocument &d) { d.dayCases[0].periods[3].flows[1] = 2e6; },
               Part::Profile, 0, 1},
        Damage{"negative flow", [](TrafficDocument &d) { d.dayCases[3].periods[0].flows[0] = -1; },
               Part::Profile, 3, 0},
        Damage{"zero speed", [](TrafficDocument &d) { d.dayCases[1].periods[2].speedHeavy = 0; },
               Part::Profile, 1, 5},
        Damage{"cold start above 100 %", [](TrafficDocument &d) { d.dayCases[1].periods[2].coldStart = 101; },
               Part::Profile, 1, 6},
        Damage{"fractions not adding up", [](TrafficDocument &d) { d.categories[0].subFractions[1] = 0.3; },
               Part::Category, 0, -1},
        Damage{"category twice", [](TrafficDocument &d) { d.categories[3].name = "van"; }, Part::Category, 3,
               -1},
        Damage{"category name with a blank", [](TrafficDocument &d) { d.categories[1].name = "Light van"; },
               Part::Category, 1, -1},
        Damage{"name with a double quote", [](TrafficDocument &d) { d.dayCases[0].name = "Say \"hi\""; },
               Part::DayCase, 0, -1},
        Damage{"missing header", [](TrafficDocument &d) { d.headerLines.clear(); }, Part::Header, -1, -1}),
    [](const auto &info) { return testNameOf(info.param.name); });

TEST(TrafficDocument, ANewDocumentHasOneDayCaseForEveryDayAndCanBeSaved) {
    const TrafficDocument doc =
        newTrafficDocument({{"Cars", "Passenger cars", {}, {}}, {"HGV", "Lorries", {}, {}}}, 48);
    EXPECT_TRUE(checkTrafficDocument(doc).empty());
    EXPECT_EQ(trafficDayCaseOf(doc, 3, 11), 1);
    TrafficDocument back;
    std::string error;
    ASSERT_TRUE(parseTrafficDocument(trafficFileText(doc), "New.trf", &back, &error)) << error;
    EXPECT_EQ(back.periods, 48);
    EXPECT_EQ(trafficFileText(back), trafficFileText(doc));
}

} // namespace
