#pragma once

// The streets file of a multi-street project as a document that the
// street-set editor changes and saves. The layout is the one the runs read
// (calc/StreetRecords.h): one record line per street - active, name, x, y,
// traffic file, daily traffic, travel speed, height, width, length 1,
// length 2, orientation, street side (0 both, 1, 2), receptor height, number
// of wind sectors - followed by one line "start, end, value" per wind sector.

#include "project/SafeSave.h"
#include "project/StreetConfig.h"

#include <string>
#include <vector>

namespace vesk {

struct StreetSetEntry {
    bool active = true;
    // Name, building height and width (m), the two lengths (m), orientation
    // (degrees), wind sectors, receptors (the street side) and receptor height.
    StreetConfig street;
    double x = 0, y = 0;     // map coordinates
    std::string trafficFile; // as stored: bare name in the working folder, ".\" name in the national one
    double dailyTraffic = 0; // vehicles/day; 0 = the traffic file's own
    double speed = 0;        // km/h; 0 = the traffic file's own
};

struct StreetSet {
    std::vector<StreetSetEntry> streets;
};

// A new street as the editor proposes it: active, 20 m high and wide, 100 m
// long on both sides, both sides with receptors at 2 m, the traffic file given.
StreetSetEntry newStreetSetEntry(const std::string &name, const std::string &trafficFile);

// Reads a streets file. False with a message naming the file, the line and
// what was expected there when a record is incomplete or an item has the
// wrong type or lies outside the range the runs accept.
bool readStreetSet(const std::string &path, StreetSet *set, std::string *error);

// The file text (CRLF line ends).
std::string streetSetText(const StreetSet &set);

// The first problem of one street as a sentence, "" when it can be saved:
// the geometry rules of the street configuration, a name, a traffic file
// named without double quotes, daily traffic and speed within what the runs
// accept (0 meaning the file's own), finite coordinates and at least one
// side with a receptor.
std::string streetSetEntryProblem(const StreetSetEntry &entry);

// The first problem of the set, naming the street ("Street 3 (Old Lane): ...");
// an empty set is a problem too. "" when the set can be saved.
std::string streetSetProblem(const StreetSet &set);

// Writes the file through a temporary file and a rename, so a failed save
// leaves the old file whole. A set with a problem is not written (Other,
// with the problem as message).
FileSaveResult writeStreetSet(const std::string &path, const StreetSet &set);

} // namespace vesk
