// Reading an hourly input file as a run would, before it is listed as one of
// the country's standard files: the demo's standard meteorology file passes
// with the common layout, and a file the run would refuse gives the run's
// message without changing the state.

#include "run/RunFixture.h"

#include "project/FormatFiles.h"
#include "run/InputFileCheck.h"

#include <random>

using namespace vesk;
using namespace vesk::test;

namespace {

class InputFileCheck : public RunFixture {
protected:
    FileFormatLists layout() {
        FileFormatLists lists;
        std::string error;
        EXPECT_TRUE(readMetBackFormat(state.ListsDir, &lists, &error)) << error;
        return lists;
    }
    std::string standardFile() const { return state.MetBackDir + "MetBack2023.txt"; }
};

} // namespace

TEST_F(InputFileCheck, TheStandardMeteorologyFileIsReadToItsEndWithTheCommonLayout) {
    const int inputsBefore = state.NumInputFiles;
    const std::string firstBefore = state.InputFiles[1];
    EXPECT_EQ(hourlyInputFileProblem(state, standardFile(), layout()), "");
    EXPECT_EQ(state.NumInputFiles, inputsBefore) << "the state is not changed";
    EXPECT_EQ(state.InputFiles[1], firstBefore);
}

TEST_F(InputFileCheck, AFileTheRunWouldRefuseGivesTheRunsMessage) {
    std::mt19937 random(7);
    std::string noise(5000, '\0');
    for (char &c : noise) {
        c = static_cast<char>(random() & 0xff);
    }
    writeWork("Noise.txt", noise);
    const std::string text = test::readFile(standardFile());
    // The layout names one column more than the file holds: the values would go to the wrong variables.
    FileFormatLists wrong = layout();
    wrong.varList = "year, month, day, hour, u_mast, " + wrong.varList.substr(wrong.varList.find("u_mast"));
    writeWork("TitleOnly.txt", text.substr(0, text.find('\n') + 1));

    struct Case {
        std::string path;
        FileFormatLists lists;
        const char *part; // of the message
    };
    const std::vector<Case> cases = {
        {work("Noise.txt").string(), layout(), ""},
        {work("Missing.txt").string(), layout(), "Missing.txt"},
        {work("TitleOnly.txt").string(), layout(), "holds no hour"},
        {standardFile(), wrong, "variable list"},
    };
    for (const Case &c : cases) {
        const std::string problem = hourlyInputFileProblem(state, c.path, c.lists);
        EXPECT_FALSE(problem.empty()) << c.path;
        EXPECT_NE(problem.find(c.part), std::string::npos) << c.path << ": " << problem;
    }
}
