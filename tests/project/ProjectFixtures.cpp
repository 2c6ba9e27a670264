#include "project/ProjectFixtures.h"

#include "core/TextIO.h"
#include "project/ProjectWriter.h"

namespace vesk::test {

void setDemolandCountry(ProjectState &s, const std::string &appDir) {
    s.AppDir = appDir;
    s.CurrentCountry = "Demoland";
    s.CountryCode = "DL";
    s.ListsDir = appDir + "Lists/National/DL/";
    s.TrafficDir = appDir + "Data/Traffic/National/DL/";
    s.PollutantNames = {"NOx", "NO", "NO2", "O3", "CO", "PM10", "PM2.5", "BNZ"};
    s.PollutantCount = 8;
    s.NPol = 7;
    s.StdInputUnits.assign(8, "microg");
    s.DefOutputUnits.assign(8, "microg");
    s.DefOutputUnits[4] = "milig";
}

void setStandardHeaders(ProjectState &s) {
    s.ProjectHeaders[1] = "Street geometry (m and degrees)";
    s.ProjectHeaders[2] = "Height        Width         Length side 1 Length side 2 Orientation";
    s.ProjectHeaders[4] = "Wind sectors with gaps in the building rows";
    s.ProjectHeaders[5] = "Number of sectors";
    s.ProjectHeaders[7] =
        "Sector start (degrees) / sector end (degrees) / sector value; one column per sector";
    s.ProjectHeaders[11] = "Receptors";
    s.ProjectHeaders[12] = "Side 1        Side 2        Receptor height (m)";
    s.ProjectHeaders[14] = "Special Mode traffic and emission factors";
    s.ProjectHeaders[15] =
        "Light (veh/h) Heavy (veh/h) Speed light  Speed heavy (km/h) / emission factors (g/km)";
    s.ProjectHeaders[18] = "Concentration units: pollutants / input units / pollutants / output units";
    s.ProjectHeaders[23] = "Files: number of file records / hours per day / city size";

    s.OptionHeaders[1] =
        "CalcNO2  NOx bg (ppb)  NO2 bg (ppb)  O3 bg (ppb)  Temperature (C)  Global radiation (W/m2)";
    s.OptionHeaders[3] = "Special Mode wind speeds (m/s)";
    s.OptionHeaders[5] = "Wind directions: first  last  step (degrees)";
    s.OptionHeaders[7] =
        "Normalise / length scale (1 width 2 height 0 none) / wind scale (1 roof 2 mast 0 none)";
    s.OptionHeaders[9] = "Hourly percentiles: calculate / mode (0 n-th highest 1 percentage) / sources per "
                         "pollutant (0 none 1 modelled 2 measured 3 both)";
    s.OptionHeaders[13] = "Running 8-hour values: calculate / mode / minimum hours / minimum daily maxima";
    s.OptionHeaders[17] = "Averages: sources per pollutant";
    s.OptionHeaders[20] = "Daily values: calculate / mode / minimum hours per day";
    s.OptionHeaders[24] = "Pollutants shown in the results";
}

namespace {

void setOptions(ProjectState &s) {
    s.CalcMode = 1;
    s.CalcNO2 = 1;
    s.BackgroundNOx = 40;
    s.BackgroundNO2 = 25;
    s.BackgroundO3 = 50;
    s.AirTemperature = 10;
    s.GlobalRadiation = 200;
    s.WindSpeedCount = 5;
    s.WindSpeeds = {0, 1, 2, 3, 5, 8, 0, 0, 0};
    s.WindDirStart = 0;
    s.WindDirEnd = 360;
    s.WindDirStep = 10;
    s.Normalise = false;
    s.NormLengthScale = 1;
    s.NormWindScale = 2;
    s.CalcPerc = true;
    s.PercMode = 0;
    s.CalcRun8 = true;
    s.Run8PercMode = 0;
    s.MinNobs8 = 6;
    s.MinDailyMax = 18;
    s.CalcDaily = true;
    s.DailyPercMode = 0;
    s.MinNobsDay = 18;
    s.PercSource.assign(8, 3);
    s.Run8Source.assign(8, 3);
    s.AvSource.assign(8, 3);
    s.DailySource.assign(8, 3);
    s.ShowPol.assign(8, true);
    s.CalcOnlyIfBoth = false;
    s.ShowResultsAuto = true;
    s.ShowLimitValMode = 1;
    s.ShowOnlyIfLV = false;
}

} // namespace

void fillSingleStreetProject(ProjectState &s) {
    setStandardHeaders(s);
    setOptions(s);
    s.StreetName = "Demo Street";
    s.ScenarioYear = 2020;
    s.ProjectCountry = "Demoland";
    s.StreetHeight = 18;
    s.StreetWidth = 24.5;
    s.StreetLength_1 = 120;
    s.StreetLength_2 = 95;
    s.StreetOrientation = 35;
    s.NumWindSectors = 2;
    s.SectorColumns = 2;
    s.SectorStart = {0, 80, 255.5};
    s.SectorEnd = {0, 100, 280};
    s.SectorValue = {0, 0.5, 0.25};
    s.Receptor1 = 1;
    s.Receptor2 = 1;
    s.RecHeight = 2;
    s.TrafficLight = 1500;
    s.TrafficHeavy = 120;
    s.SpeedLight = 50;
    s.SpeedHeavy = 40;
    s.EmFactorLight = 0.5;
    s.EmFactorHeavy = 6;
    s.InputUnit.assign(8, "microg");
    s.OutputUnit.assign(8, "microg");
    s.OutputUnit[4] = "milig";
    s.Nhours = 24;
    s.CitySize = 2;

    s.NumInputFiles = 3;
    s.InputFiles[1] = "Met2023.txt";
    s.InputVarLists[1] = "year, month, day, hour, u_mast, wind_dir, temperature, globalrad";
    s.InputFiles[2] = "Back2023.txt";
    s.InputVarLists[2] = "year, month, day, hour, cNOx_b, cNO2_b, cO3_b, cCO_b, cPM10_b, cPM2.5_b, cBNZ_b";
    s.InputFiles[3] = "Obs2023.txt";
    s.InputVarLists[3] = "year, month, day, hour, cNOx_obs_1, cNOx_obs_2, cNO2_obs_1, cNO2_obs_2";
    for (int i = 1; i <= 3; ++i) {
        s.InputFileChecked[i] = true;
        s.InputFormatLists[i] = "*";
        s.InputScalingLists[i] = "*";
    }
    s.NumOutputFiles = 1;
    s.OutputFiles[1] = "Out2023.txt";
    s.OutputFileChecked[1] = true;
    s.OutputVarLists[1] = "year, month, day, hour, cNOx_mod_1, cNOx_mod_2, cNO2_mod_1, cNO2_mod_2, "
                          "cPM10_mod_1, cPM10_mod_2";
    s.OutputFormatLists[1] = "*";
    s.OutputScalingLists[1] = "*";
    s.NumStatFiles = 1;
    s.StatFiles[1] = "Stat2023.txt";
    s.StatFileChecked[1] = true;
    s.StatVarLists[1] = "Av, MaxHourly, MaxDaily, MaxRun8";
    s.StatFormatLists[1] = "*";
    s.StatScalingLists[1] = "*";
    s.StatRowLists[1] = "NOx_mod, NO2_mod, PM10_mod";
    s.TrafficFile = "DemoStreet.trf";
    s.TrafficListItems = {"DemoStreet.trf"};
    s.AnnualDiurnalTraffic = 18000;
    s.AverageTrafficSpeed = 45;
    s.VehicleListFile = s.ListsDir + "Fleet2020.vlf";
    s.FuelListFile = s.ListsDir + "Fuels2020.flf";
}

void fillMultiStreetProject(ProjectState &s) {
    fillSingleStreetProject(s);
    s.StreetName = "Demo streets";
    s.MultiStreetMode = true;
    s.StreetsFile = "Streets.txt";
    s.TrafficFile.clear();
    s.TrafficListItems.clear();
    s.AnnualDiurnalTraffic = 0;
    s.AverageTrafficSpeed = 0;
    s.NumInputFiles = 2;
    s.NumOutputFiles = 1;
    s.OutputFiles[1] = "StreetsOut2023.txt";
    s.StatFiles[1] = "StreetsStat2023.txt";
}

ProjectFolder::ProjectFolder() {
    fs::create_directories(workDir);
    fs::copy_file(dataDir() / "Run.opt", appDir + "Run.opt");
    fs::copy_file(dataDir() / "Standard.___", appDir + "Standard.___");
}

ProjectState ProjectFolder::fresh() const {
    ProjectState s;
    setDemolandCountry(s, appDir);
    return s;
}

std::string ProjectFolder::write(const std::string &name, const std::string &bytes) const {
    return dir.write("Working/" + name, bytes).string();
}

std::string savedBytes(const ProjectState &s) {
    return formatProjectFile(s, defaultSaveNames(s));
}

LoadResult loadFile(ProjectState &s, const std::string &path, Interaction &ui) {
    s.ProjectFile = path;
    s.ProjectName = path;
    return LoadProject(s, ui);
}

namespace {
std::string joined(const std::vector<std::string> &lines) {
    std::string out;
    for (auto &l : lines) {
        out += l + "\r\n";
    }
    return out;
}
} // namespace

std::string withLine(const std::string &text, int number, const std::string &line) {
    auto lines = splitLines(text);
    lines.at(number - 1) = line;
    return joined(lines);
}

std::string firstLines(const std::string &text, int count) {
    auto lines = splitLines(text);
    lines.resize(count);
    return joined(lines);
}

} // namespace vesk::test
