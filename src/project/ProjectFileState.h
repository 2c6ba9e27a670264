#pragma once

// The contents of the open project file (.vkp/.vkm) and its file lists.
//
// Stored and working copies: the reader fills the Stored* values from the
// project file and Run.opt, and only when loading has succeeded copies them
// into the working values, which the dialogs, the sketch, the runs and the
// writers use. A failed load therefore never half-changes the working street.

#include <array>
#include <string>
#include <vector>

namespace vesk {

inline constexpr int kMaxFilesPerKind = 20;
inline constexpr int kMaxSectors = 12;
inline constexpr int kProjectHeaderCount = 24;

// File kinds of the four lists.
inline constexpr int kInputFileKind = 1;   // hourly input files
inline constexpr int kOutputFileKind = 2;  // hourly output files
inline constexpr int kTrafficFileKind = 3; // average diurnal traffic file
inline constexpr int kStatFileKind = 4;    // statistics and other output files

using FileNameTable = std::array<std::string, kMaxFilesPerKind + 1>; // 1..20
using FileFlagTable = std::array<bool, kMaxFilesPerKind + 1>;        // 1..20
using SectorTable = std::array<double, kMaxSectors + 1>;             // 1..12

struct ProjectFileState {
    // Files and folders.
    std::string ProjectFile; // full path of the open project ("" = none)
    std::string ProjectName; // shown in the caption; "untitled" for a new project
    std::string WorkDir;     // the project's folder, ending in "/" (or "\" as stored)
    bool ProjectChanged = false;

    // Header lines of the project file: index k is the text of line k + 1.
    std::array<std::string, kProjectHeaderCount> ProjectHeaders;

    // Line 1.
    std::string StreetName;
    std::string StoredStreetName;
    int ScenarioYear = -1;

    // Street geometry, metres and degrees.
    double StreetHeight = 0, StreetWidth = 0, StreetLength_1 = 0, StreetLength_2 = 0, StreetOrientation = 0;
    double StoredStreetHeight = 0, StoredStreetWidth = 0, StoredStreetLength_1 = 0, StoredStreetLength_2 = 0,
           StoredStreetOrientation = 0;

    // Wind sectors (gaps in the building rows): start and end direction in
    // degrees and the sector value, columns 1..SectorColumns.
    int NumWindSectors = 0;
    int StoredNumWindSectors = 0;
    int SectorColumns = 0;
    SectorTable SectorStart{}, SectorEnd{}, SectorValue{};
    SectorTable StoredSectorStart{}, StoredSectorEnd{}, StoredSectorValue{};
    std::array<bool, kMaxSectors + 1> SectorUsed{};

    // Receptors and receptor height (m).
    int Receptor1 = 0, Receptor2 = 0;
    int StoredReceptor1 = 0, StoredReceptor2 = 0;
    double RecHeight = 0;

    // Special Mode traffic (vehicles/h, km/h) and emission factors (g/km).
    double TrafficLight = 0, TrafficHeavy = 0, SpeedLight = 0, SpeedHeavy = 0;
    double StoredTrafficLight = 0, StoredTrafficHeavy = 0, StoredSpeedLight = 0, StoredSpeedHeavy = 0;
    double EmFactorLight = 0, EmFactorHeavy = 0;
    double StoredEmFactorLight = 0, StoredEmFactorHeavy = 0;

    // Model switches set by loading.
    int WindIntegration = 1;
    int StoredWindIntegration = 1;
    bool TrafficTurbulence = true;
    bool NoWindAcceleration = false;

    // Concentration units per pollutant (0..NPol), lower case.
    std::vector<std::string> InputUnit, OutputUnit;

    // Count line.
    int NumFileRecords = 0;
    int Nhours = 24;
    int CitySize = 0;

    // Single files of the project. Stored names: a bare name lies in WorkDir,
    // ".\name" in the national folder of its kind, anything else is a path.
    std::string TrafficFile;         // the traffic file in use ("" = none)
    double AnnualDiurnalTraffic = 0; // vehicles/day; <= 0 = taken from the file
    double AverageTrafficSpeed = 0;  // km/h
    bool TrafficFileLoaded = false;
    std::string RouteFile;   // set: a route project
    std::string StreetsFile; // set: a multi-street project
    std::string MapFile;
    double MapCoord1 = 0, MapCoord2 = 0, MapCoord3 = 0, MapCoord4 = 0;
    std::string VehicleListFile; // may hold "[" for fleet data generated in memory
    std::string FuelListFile;
    // Status of the emission set-up of these lists (done by the calculation
    // floor; reset with the project's files).
    bool EmissionReady = false;    // the lists are read and the emissions can be computed
    bool StdEmissionSetup = false; // the standard vehicle types stand in for missing list files
    long EmissionInitError = 0;    // non-zero: the last initialisation failed
    std::string ConditionsFile;
    bool RouteMode = false;
    bool MultiStreetMode = false;

    // Scenario year box.
    int LoadedScenarioYear = -1;
    std::string ScenarioYearText;
    int UnsavedFleetYear = -100; // -100 = none
};

// The file tables of kinds 1, 2 and 4, entries 1..Num*Files. Every data file
// carries its FileFormatLists: a variable list, a format list, a scaling list
// and (statistics files only) a rows list, each a comma-separated text.
// Kind 3 has no table: TrafficListItems are the names shown in its list and
// TrafficFile names the one in use (the checked item, kept at the top).
struct FileListState {
    int NumInputFiles = 0;
    FileNameTable InputFiles;
    FileFlagTable InputFileChecked{};
    FileNameTable InputVarLists, InputFormatLists, InputScalingLists;

    int NumOutputFiles = 0;
    FileNameTable OutputFiles;
    FileFlagTable OutputFileChecked{};
    FileNameTable OutputVarLists, OutputFormatLists, OutputScalingLists;

    int NumStatFiles = 0;
    FileNameTable StatFiles;
    FileFlagTable StatFileChecked{};
    FileNameTable StatVarLists, StatFormatLists, StatScalingLists, StatRowLists;

    // Items of the traffic list in list order. When TrafficFile is set it is
    // item 0 and the only checked one.
    std::vector<std::string> TrafficListItems;

    // The list the file buttons act on (1..4, 0 = none) and the 0-based
    // position in it.
    int SelectedFileKind = 0;
    int SelectedFileIndex = -1;

    // Hand-over to the file-name and format dialogs.
    std::string NewFileName; // "" = cancelled
    std::string CurFileName, CurVarList, CurFormatList, CurScalingList, CurRowList;
};

} // namespace vesk
