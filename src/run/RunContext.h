#pragma once

// The working state of one time-series run (see RunCalculation.h): the
// bound input, output and statistics files with their column tables, the
// hour's items that the program state does not hold, the dating of the
// hours and the run's counters. It lives for one call of RunCalculation.
//
// Invariants: an input file is read one record at a time (a text file
// through its open stream, a table by its row position); an output file
// stays open from its binding to the end of the run, also across the
// streets of a multi-street project; the hour items are reset before every
// record. Column keywords are matched once, at binding, into an enum; an
// unknown keyword is kept and reported when the first record is read (input)
// or the first row is written (output), as the users of the files know it.

#include "calc/DayCases.h"
#include "calc/Format.h"
#include "calc/RunErrors.h"
#include "calc/TableRoutines.h"
#include "core/Calendar.h"
#include "core/Interaction.h"
#include "core/RecordIO.h"
#include "run/RunControl.h"
#include "run/State.h"
#include "run/StreetChain.h"
#include "run/results/StreetResults.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vesk::run {

class HourStore;

inline constexpr float kMiss = -99.0f;
inline constexpr int kMaxItems = 50; // items of a record that are read; the rest is ignored
// The longest line of an hourly text input: far beyond 50 items of any
// width; a longer line means the file is not one of hourly records.
inline constexpr std::size_t kMaxRecordLine = 1 << 20;

// A calendar day and hour of the run. hour 1..24 (hour h begins at h - 1 o'clock).
struct DayHour {
    int year = 0, month = 0, day = 0, hour = 0;
    bool valid() const { return year > 0; }
};

// "yyyy-mm-dd" and "yyyy-mm-dd hh:mm".
std::string isoDate(int year, int month, int day);
std::string isoDateTime(int year, int month, int day, int hour0, int minute);
// "2023-03-19, hour 10" (", minute 30" when it has one) of a time in minutes since 1970.
std::string timeText(long minutes);

// Hour items of a record that the program state does not hold.
struct HourItems {
    std::string date; // the record's date text ("" = none)
    bool hasDate = false;
    DateTimeParts dateValue; // the date item read
    int day = -99, month = -99, year = -99, minute = -99, dayofweek = -99, daycase = -99;
    int cloudcover = -99;
    float netrad = kMiss, r_hum = kMiss, ntotal = kMiss, coldstart = 0;
    std::vector<float> nVEH;  // 1..VehCatCount
    std::string DateTimeText; // start of the hour
    void reset(int vehCatCount);
};

enum class InKey {
    Date,
    Day,
    Month,
    Year,
    Hour,
    Minute,
    DayOfWeek,
    DayCase,
    UMast,
    WindDir,
    GlobalRad,
    NetRad,
    CloudCover,
    Temperature,
    HMix,
    RHum,
    CB,
    CObs1,
    CObs2,
    CR,
    NLight,
    NHeavy,
    NTotal,
    NVeh,
    SpeedLight,
    SpeedHeavy,
    Q,
    QVeh,
    ColdStart,
    Ignore,
    Unknown
};

struct RecordDate;

struct InColumn {
    std::string name;
    float factor = 1;
    int pol = 0, veh = 0;
    InKey key = InKey::Unknown;
    double limit = 0;        // the largest magnitude a value of the column can have, after scaling
    long nonNumbers = 0;     // items that were no number and were read as missing
    long firstNonNumber = 0; // line (row) of the first of them
    // Where a number of a value column of the hour's state goes, worked out
    // once for the run (see planColumns): a single value, or element `at` of
    // a list; neither for the columns that need more than a store.
    float *slot = nullptr;
    std::vector<float> *slots = nullptr;
    std::size_t at = 0;
    // Where a whole number of a date column goes (year, month, day, an
    // unscaled hour): the hour's value and the file's own date.
    int *whole = nullptr;
    int RecordDate::*own = nullptr;
};

// Whether a column reads its items as numbers that become missing when they
// are none (the measured values); the others (dates, day, hour, ...) refuse
// a text that is no number.
bool readsValue(InKey key);

// The date and hour a file's own date items gave in the record read last;
// -99 for what the file does not carry (dated files only).
struct RecordDate {
    int year = -99, month = -99, day = -99, hour = -99;
    bool hasDate = false; // a date item was read
    bool dateHasTime = false;
    DateTimeParts date;
};

struct InputFile {
    int k = 0;
    std::string path;
    bool isTable = false;
    TableData table;
    std::size_t row = 0; // next table row
    std::unique_ptr<std::ifstream> text;
    std::streamoff size = 0;            // bytes of the text file
    std::streamoff position = 0;        // where the next line starts
    long line = 0;                      // lines read from the text file
    std::streampos recordStart[2] = {}; // starts of the last two records read ([1] the last)
    long recordLine[2] = {};            // their line numbers
    long countedTo = 0; // line (row) up to which blank lines and non-numbers have been counted
    long pendingBlank = 0, pendingBlankLine = 0; // blank lines since the last record, the first of them
    long blankLines = 0, firstBlankLine = 0;     // blank lines passed over between records
    bool dated = false;                          // the file has a date, year, month, day or hour column
    RecordDate own;                              // what they gave in the record read last
    long lastRecord = 0;       // line (row) of the record read last; 0: none since the file was positioned
    bool lastHadData = false;  // the record read last held a number or a date
    bool lastHadValue = false; // ... a number in a column of values (meteorology, concentrations, traffic)
    long usableHours = 0;      // hours of the run whose record of this file held such a number
    std::vector<InColumn> cols;
    bool planned = false; // the columns' slot, slots and at are set
    // A text file is read in large blocks and split into lines in place:
    // one read call per block instead of per line, and no copy of a line.
    // block[blockAt, blockEnd) is what has not been taken yet; it follows
    // the stream's read position. Positioning the file empties the block.
    std::vector<char> block;
    std::size_t blockAt = 0, blockEnd = 0;
    bool blockEof = false;                // the stream has given its last bytes
    std::vector<std::string_view> fields; // the items of the record read last
};

enum class OutKey {
    Date,
    DateTime,
    Day,
    Month,
    Year,
    Hour,
    Minute,
    DayOfWeek,
    DayCase,
    UMast,
    URoof,
    WindDir,
    GlobalRad,
    Temperature,
    HMix,
    RHum,
    CloudCover,
    CB,
    CObs1,
    CObs2,
    CMod1,
    CMod2,
    CR,
    CStrObs1,
    CStrObs2,
    CStrMod1,
    CStrMod2,
    CCor1,
    CCor2,
    Flag1,
    Flag2,
    CSt1,
    CSt2,
    NLight,
    NHeavy,
    NTotal,
    NVeh,
    SpeedLight,
    SpeedHeavy,
    Q,
    QVeh,
    SWTpt,
    SWRoof,
    DeltaFi,
    Av8Mod1,
    Av8Obs1,
    Av8B1,
    Av8Mod2,
    Av8Obs2,
    Av8B2,
    SegmentId,
    PersonId,
    SegTimeIn,
    SegTimeOut,
    TimeInSeg,
    TimeInSegInp,
    TurSegmentNo,
    InpOut,
    TranspStay,
    TranspMode,
    SpeedPerson,
    SegmentLength,
    TrafficFile,
    DailyTraffic,
    TravelSpeed,
    StreetHeight,
    StreetWidth,
    StreetLength1,
    StreetLength2,
    StreetOrientation,
    StreetSide,
    RecHeight,
    ExceptionNo,
    Blank,
    Unknown
};

struct OutColumn {
    std::string name;
    // The pattern of its cells (the format list's item less its double
    // quotes), compiled once when the run binds its files.
    CompiledFormat format;
    float factor = 1;
    int width = 14;
    int pol = 0, veh = 0;
    OutKey key = OutKey::Unknown;
};

struct OutputFile {
    int k = 0;
    std::string path;
    OutputTable table;
    std::vector<OutColumn> cols;
    bool open = false;
};

struct StatFile {
    int k = 0;
    std::string path;
    OutputTable table;
    std::vector<OutColumn> cols; // name, format, width, pol (dailyav files)
    std::vector<std::string> rowKeys;
    bool streets = false, dailyav = false;
    bool open = false;
    bool incomplete = false; // a cell could not be written (an unknown statistic)
};

// A failure of the run that is not one of the numbered errors: the message
// says what was refused.
struct RunRefusal {
    std::string text;
};

// The bound files of a run, shared by the streets of a multi-street run: the
// streets only read the column tables; the run's writer alone writes the
// output files, in street order.
struct RunFiles {
    std::vector<InputFile> inputs;
    std::vector<OutputFile> outputs;
    std::vector<StatFile> stats;
    TableSession tables; // the output tables: those of one workbook are written together
    // Every street of a multi-street run with its statistics, for the results
    // window (null: none kept, as in a batch run). The streets only read its
    // key order; the run's writer adds them, in street order.
    std::shared_ptr<results::StreetResultsStore> streetStore;
    // The statistics the run computes: what its files ask for, or every one
    // when the run keeps its results for the results window.
    StatisticsDemand statisticsDemand;
    // An hourly output column shows the emission of a vehicle category.
    bool categoryEmissionShown = true;
    // The streets' traffic files read and expanded once for the run (the
    // streets share them; safe to use from every worker).
    std::shared_ptr<TrafficSetupCache> trafficCache = std::make_shared<TrafficSetupCache>();
};

// The rows one street gives its output files, held for the run's writer when
// streets are computed side by side: per file a text of rows ending in CR LF
// (text files) or the rows' cells (tables).
struct RowBuffer {
    std::string text;
    std::vector<std::vector<Cell>> cells;
};
struct StreetRows {
    std::vector<RowBuffer> hourly;                 // per output file (RunFiles::outputs)
    std::vector<RowBuffer> statistics;             // per statistics file (RunFiles::stats)
    std::vector<std::vector<std::string>> unknown; // per statistics file: names it could not resolve
    std::optional<results::StreetRecord> street;   // for the street results, when the run keeps them
};

// The working part of a run for the street being computed, over the state
// it computes in (the run's own, or a worker's copy of it) and the run's
// shared files.
struct RunContext {
    State &s;
    Interaction &ui;
    RunControl &control;
    RunObserver *observer = nullptr;
    RunFiles &files;

    RunErrorContext err; // what the error messages name
    std::vector<InputFile> &inputs;
    std::vector<OutputFile> &outputs;
    std::vector<StatFile> &stats;
    TableSession &tables;
    bool skipEmptyLists = false; // the user chose to go on without files whose lists are empty
    // Where the street's rows go: nullptr straight into the files, else into
    // these buffers for the run's writer.
    StreetRows *rows = nullptr;
    // The input's hours read once for every street (nullptr: each street
    // reads the files), and the next of them for the street.
    const HourStore *hourStore = nullptr;
    std::size_t storedHour = 0;
    // Per kept hour, what the background completion made from the hour's
    // inputs alone, for the next streets of this worker.
    std::vector<BackgroundMemo> backgroundMemo;

    HourItems items;
    // The list elements no input column sets every hour (see resetHour),
    // once the columns are planned.
    std::vector<std::pair<std::vector<float> *, std::size_t>> unsetSlots;
    std::size_t plannedListsSize = 0; // the lists' total size when they were planned
    bool columnsPlanned = false;
    // Per pollutant (0..NPol), its emission table of the street's traffic
    // file (nullptr: none); resolved whenever the street's traffic is set up.
    std::vector<const EmissionTableItem *> emissionTables;
    // Per pollutant, time slot (1..Nhours) and day case (1..DayCases), the
    // emission of the street's traffic file in µg/(m·s) once an hour has
    // needed it (NaN: not yet); cleared with emissionTables.
    std::vector<float> slotEmission;
    int emissionSlots = 0, emissionDayCases = 0;
    // The length class of each vehicle category (1..VehCatCount) of the street's set-up.
    std::vector<int> lengthClasses;
    // Per time slot and day case (as slotEmission), the traffic of the
    // street's traffic file for an hour that gives none of its own: the
    // counts of categories 1..VehCatCount and their light and heavy sums,
    // made once an hour has needed them; cleared with emissionTables.
    struct SlotTraffic {
        bool made = false;
        std::vector<float> counts; // 0..VehCatCount, [0] unused
        float light = 0, heavy = 0;
    };
    std::vector<SlotTraffic> slotTraffic;
    // The day case of each month (1..12) and weekday (1..7) found for the
    // street's traffic (0: not yet looked up); cleared when it is set up.
    std::array<std::array<int, 8>, 13> dayCaseOf{};
    std::string rowText;        // the output row being built (kept for its capacity)
    std::string cellText;       // ... and the cell being formatted (kept for its capacity)
    std::vector<Cell> rowCells; // ... of a table (kept for its capacity)
    std::string DayDateText;
    DayHour dayOfRecord; // the last accepted day
    long LastHour = 0;   // hours since 1970 of the last accepted hour's start
    long PrevHour = -1;  // of the previous accepted hour (-1 = none yet)
    long HoursElapsed = 1;
    bool NoHourYet = true;
    bool anyHour = false; // an hour of this street was accepted
    long hoursRead = 0;   // hours accepted from the files (each once, however many streets run through them)
    long periodHoursRead = 0; // hours accepted while the first street reads the files
    long HourCount = 0;
    long ModelledHours = 0;      // hours with a modelled value, all streets
    long streetModelledFrom = 0; // ModelledHours when the street began
    // The streets and route segments that had hours but could model none of
    // them, as the run's message names them, in the order of the run.
    std::vector<std::string> unmodelled;
    double TrafficSum = 0, SpeedSum = 0;
    long SpeedCount = 0;
    float TimeInSeg = kMiss;
    int VehCatCount = 0;
    std::string lastDayText;   // the day of the last accepted hour
    std::string firstHourText; // the start of the street's first accepted hour
    std::string lastHourText;  // the start of the last accepted hour
    long firstHourNo = -1;     // hours since 1970 of the street's first accepted hour (-1 = none)
    long lastHourNo = -1;      // and of its last accepted hour
    // The earliest and the latest hour a route calculated, the period it
    // covers: its persons' segments do not follow one another in time.
    long earliestHourNo = 0, latestHourNo = 0;
    std::string earliestHourText, latestHourText;
    PeriodLength routePeriod; // the hours (days) the route's segments asked for so far
    long routeLastHourNo = 0; // the last hour counted in routePeriod (when it holds any)
    bool dayOpen = false;     // a day began with the last accepted hour

    // Streets and route.
    int StreetNo = 0, StreetCount = 0;
    int ActiveStreetCount = 0; // streets of the streets file to be calculated
    std::string streetsNote;   // the streets left out for want of a receptor, said once the run has ended
    bool FirstStreet = true;
    std::string StreetsFolder;
    std::string LastPersonId;
    int routeLine = 0; // the line of the route file where the current segment's record begins
    std::unique_ptr<RecordReader> streetsFile, routeFile;

    // Dating of the records as read (also those outside the period).
    int datedInputs = 0; // input files with date items of their own
    // Minutes since 1970 of the start of the record read last (-1 = none since
    // the files were positioned): the records must run forward by it.
    long LastReadTime = -1;
    std::string endOfDataAt; // the files and lines of a record without an hour that ended the data
    // Where the record in hand and the one read before it lie, when their
    // files carry a year (a year or date column) but gave none, so that the
    // record took the scenario's, and what their year items held: the start of
    // a refusal ("The year is -1 (below 0: ...) in the record" and the files
    // and lines; "" when it had its year).
    std::string yearlessAt, lastYearlessAt;

    // Names of statistics cells already reported as unknown.
    std::set<std::string> reportedNames;
    // A requested output could not be written (an unknown statistics name:
    // reported, its cells left empty, the run goes on).
    bool outputIncomplete = false;

    RunContext(State &state, Interaction &interaction, RunControl &runControl, RunObserver *obs,
               RunFiles &runFiles)
        : s(state), ui(interaction), control(runControl), observer(obs), files(runFiles),
          inputs(runFiles.inputs), outputs(runFiles.outputs), stats(runFiles.stats), tables(runFiles.tables) {
    }
};

// Binding (RunBinding.cpp). Each throws RunError with err.FilePath set;
// bindInputFiles throws RunRefusal when no input file is left to read.
void bindInputFiles(RunContext &c);
void bindOutputFiles(RunContext &c);
// Whether an hourly output table may be too small for the rows of the run:
// more than it holds by the hours of the period and the records of the input
// files, before the records are dated. False when no bound is known (a route).
bool outputTablesMayOverflow(const RunContext &c);
// Refuses (RunRefusal) an hourly output table too small for the rows the run
// would write: the kept hours (for every active street) when the run keeps
// them, else the bound of outputTablesMayOverflow. A run without an hour in
// its period is not refused here: it ends saying so.
void refuseOverfullOutputTables(const RunContext &c);
void bindStatFiles(RunContext &c);
void readUrbanEmissions(RunContext &c);
// The pollutant (0..NPol) whose name occurs in the column name from its
// second character on, the longest (the later on a tie); 0 when none.
int columnPollutant(const State &s, std::string_view name);
// The vehicle category (1..) found the same way; 0 when none.
int columnVehicle(const State &s, std::string_view name);
// The pollutant whose name occurs anywhere in the name (dailyav columns).
int dailyColumnPollutant(const State &s, std::string_view name);
// Rewinds every input file to its first record.
void rewindInputs(RunContext &c);
// Steps every input file back by two records (a route segment of the same person).
void stepInputsBack(RunContext &c);
// Puts every hourly output and statistics file of the run in place of the
// old one: the end of a run that writes its files (it reached its end or
// was stopped during an hour). Every file is written out, checked and synced
// before the first is put in place. Throws RunError naming the file that
// could not be written or put in place; every file then keeps (or gets back)
// what it held before the run.
void commitOutputFiles(RunContext &c);
// Drops what the run wrote: the files named by the project keep what they
// held before the run (a failed run, no hour in the period, a stop while paused).
void discardOutputFiles(RunContext &c);
// The end of a run that could not write every requested output: no file is
// put in place of the old one; each incomplete statistics file is left under
// its temporary name (a workbook with every table of it), the rest dropped.
// Returns the message naming what was kept where. Throws RunError naming a
// file that could not be written.
std::string keepIncompleteOutputs(RunContext &c, std::vector<std::string> *kept);
// The same for a run that did not compute everything it was asked for: no
// file is put in place of the old one, each incomplete statistics file and,
// with everyFile, every other file is left under its temporary name (the
// tables of one workbook together). Returns the lines naming what was kept
// where ("\r\nWhat it wrote into\r\n<file>\r\nis kept in\r\n<kept>" each).
// Throws RunError naming a file that could not be written.
std::string keepOutputsAside(RunContext &c, std::vector<std::string> *kept, bool everyFile);

// Splits a record line without double quotes into its items as ReadListLine
// does (blanks, semicolons, tabs and, when commaSeparates, commas; a second
// separator right after another belongs to the same separation; an empty
// item is one blank). The items point into line (the empty item into a
// constant).
void splitRecordLine(std::string_view line, bool commaSeparates, std::vector<std::string_view> &fields);

// An item of a record line as scanRecordLine found it.
struct ScannedItem {
    const char *at; // the item's characters (none for an empty item)
    std::size_t size;
    bool plain; // a short plain decimal: value holds what plainNumber makes of it
    double value;
    std::string_view text() const { return {at, size}; }
};
// Takes a record line apart as splitRecordLine does and reads the short plain
// decimals among its items in the same pass. The first `room` items go to
// items, *count is how many the line holds. False, and nothing certain in
// the items, for a line that needs the general route: one with a double
// quote, a carriage return or a byte beyond ASCII, or one without a
// character in any item (blanks and separators only).
bool scanRecordLine(std::string_view line, bool commaSeparates, ScannedItem *items, std::size_t room,
                    std::size_t *count);

// The number an item holds when it is a plain number ("12", "-3.5", "+0.77",
// "1e3"), exactly as std::from_chars reads it; nullopt for anything else
// (blanks, decimal commas, texts).
std::optional<double> plainNumber(std::string_view text);

// Where the record read last from a file lies: "<path>, line n" ("row n" for a table).
std::string recordAt(const InputFile &in);

// Reading an hour (RunReadHour.cpp). False at the end of the data, when
// every file has reached its end together or the period has ended; a file
// that ends before another within the period is refused.
bool readHour(RunContext &c);
// Counts, per input file, the hour just accepted as usable when the file's
// record held a value.
void countUsableHour(RunContext &c);
// Reads on in file in, past its record read last, to the first record that
// holds a number or a date; true (with its line or row in *at) when there
// is one. Records that cannot be read are passed over.
bool dataFollows(RunContext &c, InputFile &in, long *at);
// What the reading passed over or read as missing, for the note at the end
// of the run ("" = nothing).
std::string inputNotes(const RunContext &c);

// The first pass over the street sources (StreetSources.cpp).
// The segments of one person follow each other in time: a segment that
// begins before the person's previous one ends would take its hours twice
// (and a route stepped back record by record would lose its place), and is
// refused (RunRefusal). A damaged record ends the check: the run reports it
// when it reaches it.
void checkRouteSegments(RunContext &c);
// Reads the streets file through, counting its streets (StreetCount) and
// those to be calculated (ActiveStreetCount); names streets named alike in a
// message, and those left out for want of a receptor in streetsNote.
// Refuses (RunRefusal) a file without a street or without one to calculate;
// throws the RunError of a damaged record.
void countStreets(RunContext &c);
// After Stop: the streets of the streets file after the first `reached`
// (those the run wrote) go into the run's street results as streets not
// calculated, in their places, as a switched-off street goes there: their
// records alone are read again, up to the StreetCount the run counted (no
// traffic file, no hour). A record that can no longer be read (the file was
// changed since the run counted it) ends the list there and a message says
// so; the run stays stopped. Nothing when the run keeps no street results.
void listStreetsNotReached(RunContext &c, int reached);

// Dating (RunDating.cpp).
enum class DateOutcome { Accept, Skip, EndOfInput };
DateOutcome dateHour(RunContext &c);
void completeRelatedValues(RunContext &c);
// Hours since 1970-01-01 00:00 of the start of the hour being calculated.
long currentHourNo(const RunContext &c);
// The message refusing a period whose end lies before its start ("" when
// the project asks for no period of its own, or for one that holds an hour).
std::string periodProblem(const State &s);
// How many hours of the period the project asks for had no data (the
// files lack their records): the note at the end of a run that was not
// stopped; "" when every hour had data or the project asks for no period.
std::string periodNote(const RunContext &c);
// The period the street's run covered, what its data capture is a share of:
// from the start of the period asked for (or, without one, of the first hour
// calculated) to the end of the period asked for (or of the last hour
// calculated; also when the run was stopped). A route's period is what its
// segments ask for, added up (routePeriod): the segments of its persons
// overlap in time and a person's next segment takes the hour of the change
// again, so the span from the route's first to its last hour is no measure
// of the hours it counts.
PeriodLength periodRun(const RunContext &c);
// Adds the hours the route segment in hand asks for (from the hour its start
// lies in to the hour its end lies in, as the period filter takes them) to
// routePeriod, and the days as the statistics count them: a new day whenever
// the date differs from that of the hour before, so a segment that begins on
// the day the previous one ended adds no day for it. A segment the run was
// stopped in counts up to the hour it stopped after (a stop takes effect
// after an hour calculated: the last hour of the run is the segment's own).
void addSegmentPeriod(RunContext &c, bool stopped);

// Traffic and emissions of the hour (RunTraffic.cpp). False when the run ends.
bool hourTraffic(RunContext &c);
// Finds the emission tables of the pollutants once the street's traffic is set up.
void resolveEmissionTables(RunContext &c);

// Output rows (RunOutputRows.cpp).
void writeOutputRows(RunContext &c);
void writeStatFiles(RunContext &c);
// Sets what the bound output and statistics files ask of every hour:
// files.statisticsDemand, the statistics their cells name, the daily values
// of their daily files and the running 8-hour values of the hourly rows
// (every statistic in a run that is not a batch run: its results window
// shows them all); files.categoryEmissionShown.
void setOutputDemand(RunContext &c);

// Conditions file (RunConditions.cpp).
void readConditionsFile(RunContext &c);

} // namespace vesk::run
