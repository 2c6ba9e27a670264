#include "platform/emission/ListDocuments.h"

#include "platform/emission/EmissionLibrary.h"
#include "platform/emission/EmissionTestData.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

const char *kNOx = "NOx";

// The demo lists of one scenario year copied into a folder of their own,
// with the shared factor table as the national one.
struct DemoLists {
    TempDir dir;
    std::string vlf, flf, eft;
    EmissionFolders folders;
    explicit DemoLists(int year = 2020) {
        const fs::path lists = dataDir() / "Lists/National/DL";
        vlf = dir.write("Fleet.vlf", readFile(lists / ("Fleet" + std::to_string(year) + ".vlf"))).string();
        flf = dir.write("Fuels.flf", readFile(lists / ("Fuels" + std::to_string(year) + ".flf"))).string();
        eft =
            dir.write("EmissionFactors.eft", readFile(dataDir() / "Data/Emission/Shared/EmissionFactors.eft"))
                .string();
        folders.emissionDir = dir.path().string() + "/";
    }
    // The fleet-average factor of every category and emitted pollutant at a few speeds.
    std::vector<double> factors() const {
        EmissionLibrary lib;
        std::string error;
        EXPECT_TRUE(lib.InitialiseEmissions(vlf, flf, demoPollutants(), folders, nullptr, &error)) << error;
        std::vector<double> out;
        for (const auto &c : lib.VehicleCategories.items) {
            for (int p : {0, 2, 4, 5, 7}) {
                for (double v : {5.0, 33.0, 130.0}) {
                    out.push_back(c.Tarvik(lib.FleetList, lib.FuelList, p, v, 15, 0.1));
                }
            }
        }
        return out;
    }
};

template <typename Doc, typename Read, typename Write>
void rewrite(const std::string &path, Read read, Write write) {
    Doc doc;
    std::string error;
    ASSERT_TRUE(read(path, &doc, &error)) << error;
    ASSERT_TRUE(write(path, doc, &error)) << error;
}

TEST(ListDocuments, TheDemoListsWrittenAgainGiveTheSameEmissionFactors) {
    DemoLists lists;
    const std::vector<double> before = lists.factors();
    ASSERT_NO_FATAL_FAILURE(
        rewrite<VehicleListDocument>(lists.vlf, readVehicleListDocument, writeVehicleListFile));
    ASSERT_NO_FATAL_FAILURE(rewrite<FuelListDocument>(lists.flf, readFuelListDocument, writeFuelListFile));
    ASSERT_NO_FATAL_FAILURE(
        rewrite<FactorTableDocument>(lists.eft, readFactorTableDocument, writeFactorTableFile));
    EXPECT_EQ(lists.factors(), before);
    EXPECT_NE(readFile(lists.vlf).find("\"DL\",2020\r\n\"Demoland vehicle fleet"), std::string::npos);
    EXPECT_NE(readFile(lists.flf).find("\"Petrol\",\"BNZ\",0.8,\"% by volume\""), std::string::npos)
        << "the unit column is kept for the reader";
}

TEST(ListDocuments, AWrittenDocumentReadsBackToTheSameText) {
    DemoLists lists;
    VehicleListDocument v;
    FactorTableDocument f;
    std::string error;
    ASSERT_TRUE(readVehicleListDocument(lists.vlf, &v, &error)) << error;
    ASSERT_TRUE(readFactorTableDocument(lists.eft, &f, &error)) << error;
    VehicleListDocument v2;
    FactorTableDocument f2;
    ASSERT_TRUE(parseVehicleListDocument(vehicleListText(v), "v.vlf", &v2, &error)) << error;
    ASSERT_TRUE(parseFactorTableDocument(factorTableText(f), "f.eft", &f2, &error)) << error;
    EXPECT_EQ(vehicleListText(v2), vehicleListText(v));
    EXPECT_EQ(factorTableText(f2), factorTableText(f));
    EXPECT_EQ(v.year, 2020);
    EXPECT_EQ(v.sharesOf("HGV").size(), 4u);
    EXPECT_DOUBLE_EQ(v.shareSum("pcdiesel"), 100) << "category names ignore letter case";
}

TEST(ListDocuments, DoublingTheHeavyVehicleFactorsDoublesTheHeavyCategoriesFleetAverage) {
    DemoLists lists;
    VehicleListDocument v;
    FuelListDocument fuels;
    FactorTableDocument f;
    std::string error;
    ASSERT_TRUE(readVehicleListDocument(lists.vlf, &v, &error) &&
                readFuelListDocument(lists.flf, &fuels, &error) &&
                readFactorTableDocument(lists.eft, &f, &error))
        << error;
    EmissionLibrary original, edited;
    ASSERT_TRUE(
        original.InitialiseFromDocuments(v, "v", fuels, "f", f, "e", demoPollutants(), nullptr, &error))
        << error;
    for (FactorRow &row : f.rows) {
        if (row.factorClass == "HGV diesel" && row.pollutant == kNOx) {
            for (double &x : row.factors) {
                x *= 2;
            }
        }
    }
    ASSERT_TRUE(checkFactorTable(f).empty());
    ASSERT_TRUE(edited.InitialiseFromDocuments(v, "v", fuels, "f", f, "e", demoPollutants(), nullptr, &error))
        << error;
    auto nox = [](const EmissionLibrary &lib, const char *category) {
        return lib.VehicleCategories.find(category)->Tarvik(lib.FleetList, lib.FuelList, 0, 50, 15, 0);
    };
    EXPECT_NEAR(nox(edited, "HGV"), 2 * nox(original, "HGV"), 1e-9);
    EXPECT_DOUBLE_EQ(nox(edited, "Bus"), nox(original, "Bus"));
}

TEST(ListDocuments, TheTableFactorOfARowFollowsItsSpeedsAndShares) {
    FactorTableDocument f;
    std::string error;
    ASSERT_TRUE(parseFactorTableDocument(kSmallFactors, "Small.eft", &f, &error)) << error;
    const FactorRow *old = f.find("car", "OLD", "nox");
    ASSERT_NE(old, nullptr);
    EXPECT_DOUBLE_EQ(f.hotFactor(*old, 5), 1.0) << "constant below the first speed";
    EXPECT_DOUBLE_EQ(f.hotFactor(*old, 30), 0.75);
    EXPECT_DOUBLE_EQ(f.hotFactor(*old, 200), 0.5);
    EXPECT_DOUBLE_EQ(f.hotFactor(*f.find("Car", "old", "NO2"), 30), 0.075);
}

struct ListDamage {
    const char *name;
    void (*apply)(VehicleListDocument &);
    int part;
    int row;
    const char *words;
};

class DamagedVehicleLists : public ::testing::TestWithParam<ListDamage> {};

TEST_P(DamagedVehicleLists, AreReportedAtTheirRowAndNeverWritten) {
    const ListDamage &d = GetParam();
    VehicleListDocument doc;
    std::string error;
    ASSERT_TRUE(parseVehicleListDocument(kSmallVehicles, "Small.vlf", &doc, &error)) << error;
    ASSERT_TRUE(checkVehicleList(doc).empty());
    d.apply(doc);
    const auto problems = checkVehicleList(doc);
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems.front().part, d.part) << problems.front().message;
    EXPECT_EQ(problems.front().row, d.row) << problems.front().message;
    EXPECT_NE(problems.front().message.find(d.words), std::string::npos) << problems.front().message;

    TempDir dir;
    const fs::path path = dir.write("Small.vlf", kSmallVehicles);
    EXPECT_FALSE(writeVehicleListFile(path.string(), doc, &error));
    EXPECT_NE(error.find("Small.vlf"), std::string::npos) << error;
    EXPECT_EQ(readFile(path), kSmallVehicles);
}

INSTANTIATE_TEST_SUITE_P(
    EditorMistakes, DamagedVehicleLists,
    ::testing::Values(
        ListDamage{"shares adding up to 95 %", [](VehicleListDocument &d) { d.fleet[1].percent = 70; }, 1, 0,
                   "add up to 95 %"},
        ListDamage{"shares within rounding", [](VehicleListDocument &d) { d.fleet[1].percent = 75.6; }, 1, 0,
                   "add up to 100.6 %"},
        ListDamage{"a category without technologies", [](VehicleListDocument &d) { d.fleet.pop_back(); }, 1,
                   2, "\"HGV\" add up to 0 %"},
        ListDamage{"length class 3", [](VehicleListDocument &d) { d.categories[2].lengthClass = 3; }, 1, 2,
                   "length class"},
        ListDamage{"category name with a blank",
                   [](VehicleListDocument &d) { d.categories[0].name = "PC Petrol"; }, 1, 0,
                   "without blanks"},
        ListDamage{"technology listed twice", [](VehicleListDocument &d) { d.fleet[1].technology = "OLD"; },
                   2, 1, "listed twice"},
        ListDamage{"share beyond 100 %", [](VehicleListDocument &d) { d.fleet[2].percent = 101; }, 1, 1,
                   "add up to 101 %"},
        ListDamage{"no factor file", [](VehicleListDocument &d) { d.factorFile.clear(); }, 0, -1,
                   "emission-factor file"}),
    [](const auto &info) { return testNameOf(info.param.name); });

TEST(ListDocuments, SharesWithinHalfAPercentOfAHundredAreAccepted) {
    VehicleListDocument doc;
    std::string error;
    ASSERT_TRUE(parseVehicleListDocument(kSmallVehicles, "Small.vlf", &doc, &error)) << error;
    doc.fleet[1].percent = 75.4;
    EXPECT_TRUE(checkVehicleList(doc).empty());
    VehicleListDocument back;
    EXPECT_TRUE(parseVehicleListDocument(vehicleListText(doc), "Small.vlf", &back, &error)) << error;
}

TEST(ListDocuments, FuelListsAndFactorTablesMadeWrongAreReportedAtTheirRow) {
    FuelListDocument fuels;
    FactorTableDocument factors;
    std::string error;
    ASSERT_TRUE(parseFuelListDocument(kSmallFuels, "Small.flf", &fuels, &error)) << error;
    ASSERT_TRUE(parseFactorTableDocument(kSmallFactors, "Small.eft", &factors, &error)) << error;
    fuels.contents.push_back({"Gas", "BNZ", 1, "%"});
    auto fuelProblems = checkFuelList(fuels);
    ASSERT_EQ(fuelProblems.size(), 1u);
    EXPECT_EQ(fuelProblems[0].row, 1);
    factors.rows[3].factors.pop_back();
    factors.rows[4].share = 1.5;
    auto factorProblems = checkFactorTable(factors);
    ASSERT_EQ(factorProblems.size(), 2u);
    EXPECT_EQ(factorProblems[0].row, 3);
    EXPECT_EQ(factorProblems[1].row, 4);
    TempDir dir;
    EXPECT_FALSE(writeFactorTableFile((dir.path() / "Bad.eft").string(), factors, &error));
    EXPECT_FALSE(fs::exists(dir.path() / "Bad.eft"));
}

// A list whose text holds a field of twenty million characters is refused
// naming the file and the line, before any of it is taken.
TEST(ListDocuments, AFieldLongerThanTheProgramKeepsIsRefusedNamingFileAndLine) {
    const std::string name(20'000'000, 'N');
    auto replaced = [&](std::string text, const std::string &what) {
        return text.replace(text.find(what), what.size(), name);
    };
    const std::string refusal =
        ": a field holds 20000000 characters; the program takes texts of at most 1048576 characters.";
    std::string error;
    VehicleListDocument vehicles;
    EXPECT_FALSE(parseVehicleListDocument(replaced(kSmallVehicles, "XX"), "Small.vlf", &vehicles, &error));
    EXPECT_EQ(error, "Small.vlf, line 1" + refusal);
    FuelListDocument fuels;
    EXPECT_FALSE(parseFuelListDocument(replaced(kSmallFuels, "XX"), "Small.flf", &fuels, &error));
    EXPECT_EQ(error, "Small.flf, line 1" + refusal);
    FactorTableDocument factors;
    EXPECT_FALSE(parseFactorTableDocument(replaced(kSmallFactors, "Hand-made factors for tests"), "Small.eft",
                                          &factors, &error));
    EXPECT_EQ(error, "Small.eft, line 2" + refusal);
}

} // namespace
