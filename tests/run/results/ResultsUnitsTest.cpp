// The Results Summary of a run shows each pollutant in the unit the run wrote
// it in, whatever the default output unit of the pollutant list: the sample
// year with CO in each output unit, under each default unit of the list.

#include "run/RunFixture.h"

#include "core/Numbers.h"
#include "run/results/ResultsTable.h"

#include <map>
#include <ostream>
#include <regex>

using namespace vesk;
using namespace vesk::test;

namespace {

// The demo pollutant list's microgram-to-ppb factor of CO.
constexpr double kCOToPpb = 0.8588;

// One microgram per cubic metre of CO in each unit.
double ofOneMicrog(const std::string &unit) {
    static const std::map<std::string, double> units = {
        {"microg", 1},     {"milig", 0.001},         {"nanog", 1000},
        {"ppb", kCOToPpb}, {"ppm", kCOToPpb / 1000}, {"ppt", kCOToPpb * 1000}};
    return units.at(unit);
}

struct UnitCase {
    const char *output;        // the project's output unit of CO
    const char *defaultOutput; // the pollutant list's default output unit of CO
    const char *caption;       // the CO heading of the Results Summary: the run's output unit
};

void PrintTo(const UnitCase &c, std::ostream *out) {
    *out << c.output << " shown in " << c.defaultOutput;
}

class ResultsUnits : public RunFixture, public ::testing::WithParamInterface<UnitCase> {
protected:
    ResultsUnits() {
        for (const char *name : {"Met2023.txt", "Back2023.txt", "Obs2023.txt", "DemoStreet.trf"}) {
            fs::copy_file(dataDir() / "Working" / name, work(name));
        }
    }
    // The sample single-street project run with CO in the output unit given,
    // its default output unit that of the pollutant list.
    void runSample(const std::string &output, const std::string &defaultOutput) {
        const fs::path list = appDir / "Lists" / "National" / "DL" / "Pollutants.lst";
        std::string pollutants = readFile(dataDir() / "Lists" / "National" / "DL" / "Pollutants.lst");
        pollutants = std::regex_replace(pollutants, std::regex("\"CO\",\"Carbon monoxide\",\"milig\""),
                                        "\"CO\",\"Carbon monoxide\",\"" + defaultOutput + "\"");
        dir.write("app/Lists/National/DL/Pollutants.lst", pollutants);
        state = State{};
        ASSERT_TRUE(InitProgram(state, appDir.string() + "/", ui, settings, [](CoreState &) {}));
        state.BatchMode = true;
        std::string project = readFile(dataDir() / "Working" / "DemoStreet.vkp");
        // The output units are the line after the second list of pollutant names.
        const std::string outputUnits = "microg   microg    microg    microg    milig     microg";
        const auto at = project.rfind(outputUnits);
        ASSERT_NE(at, std::string::npos);
        project.replace(at, outputUnits.size(),
                        "microg   microg    microg    microg    " + output + "    microg");
        ASSERT_NO_FATAL_FAILURE(loadProject("DemoStreet.vkp", project));
        ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    }
    // The CO rows of the summary's page of the larger side: the modelled
    // average and the modelled maximum of the running 8-hour means, as shown.
    std::pair<std::string, std::string> summaryCO(const std::string &caption) {
        const results::ResultsPage page = results::buildResultsPage(state, results::runStatSource(state), 0);
        int component = -1, modelled = -1, average = -1, maximum8 = -1;
        for (int r = 0; r < page.rowCount(); ++r) {
            const std::string first = trim(page.cell(r, 0).text);
            if (first == caption) {
                component = r;
            } else if (component >= 0 && modelled < 0 && first == "Street Modelled") {
                modelled = r;
            }
        }
        for (int c = 0; c < page.columnCount(); ++c) {
            if (page.cell(1, c).text == "Average") {
                average = c;
            } else if (page.cell(1, c).text == "Maximum" &&
                       page.cell(0, c).text == "Running 8 hours averages") {
                maximum8 = c;
            }
        }
        EXPECT_GE(component, 0) << caption;
        EXPECT_GE(modelled, 0);
        if (component < 0 || modelled < 0 || average < 0 || maximum8 < 0) {
            return {};
        }
        return {page.cell(modelled, average).text, page.cell(modelled, maximum8).text};
    }
};

TEST_P(ResultsUnits, TheSummaryShowsCOInTheDefaultUnitOfThePollutantList) {
    // CO as the run keeps it, in micrograms, shown in micrograms.
    ASSERT_NO_FATAL_FAILURE(runSample("microg", "microg"));
    const auto [averageText, maximumText] = summaryCO("Carbon monoxide (µg/m³)");
    const double average_ugm3 = Val(averageText), maximum_ugm3 = Val(maximumText);
    ASSERT_GT(average_ugm3, 100) << averageText;
    ASSERT_GT(maximum_ugm3, average_ugm3) << maximumText;

    const UnitCase &c = GetParam();
    ui.messages.clear();
    ASSERT_NO_FATAL_FAILURE(runSample(c.output, c.defaultOutput));
    const auto [average, maximum] = summaryCO(c.caption);
    // Shown with two decimals: half a hundredth apart at most.
    const double factor = ofOneMicrog(c.output);
    EXPECT_NEAR(Val(average), average_ugm3 * factor, 0.005 + 1e-4 * average_ugm3 * factor) << average;
    EXPECT_NEAR(Val(maximum), maximum_ugm3 * factor, 0.005 + 1e-4 * maximum_ugm3 * factor) << maximum;
}

INSTANTIATE_TEST_SUITE_P(Units, ResultsUnits,
                         ::testing::Values(UnitCase{"ppm", "milig", "Carbon monoxide (ppm)"},
                                           UnitCase{"milig", "milig", "Carbon monoxide (mg/m³)"},
                                           UnitCase{"microg", "ppm", "Carbon monoxide (µg/m³)"},
                                           UnitCase{"ppm", "ppm", "Carbon monoxide (ppm)"},
                                           UnitCase{"milig", "ppb", "Carbon monoxide (mg/m³)"},
                                           UnitCase{"ppb", "nanog", "Carbon monoxide (ppb)"},
                                           UnitCase{"nanog", "microg", "Carbon monoxide (ng/m³)"}),
                         [](const auto &info) {
                             return std::string(info.param.output) + "_in_" + info.param.defaultOutput;
                         });

} // namespace
