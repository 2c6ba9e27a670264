#pragma once

// The records of a streets file (multi-street projects) and of a route file
// (route projects). Both are record files: items separated by commas,
// strings in double quotes, Booleans as #TRUE#/#FALSE#. A record is one
// line of items followed by one line of three numbers (start, end, value)
// per wind sector.
//
// Streets record: active, name, x, y, traffic file, daily traffic, travel
// speed, height, width, length 1, length 2, orientation, street side (0 both,
// 1, 2), receptor height, number of wind sectors.
// Route record: segment id, person id, trip segment number, in/out code,
// stay code, transport mode, speed of the person, segment length, time in,
// time out, time in segment, then the streets items from the traffic file
// to the orientation, street side (1 or 2), receptor height, number of wind
// sectors.

#include "calc/CalcState.h"
#include "core/RecordIO.h"

#include <string>

namespace vesk {

// Reads the next streets record into the state: the street items, the
// geometry and traffic of the project's working values, the wind sectors
// (all 12 cleared first) and the receptors (side 0 selects both, 1 and 2
// one, 3 none).
// The street's items lie on one line and each wind sector's three on a line
// of its own: a line that holds fewer items throws RunError 62, one that
// holds more RunError 5, either naming the line and the street ("streets.txt,
// line 4: the line of the street "Main" holds 14 items, but a street record
// is one line of 15 items"); no item is ever taken from another line. Then:
// 62 when the file ends within the record, 13 when an item has the wrong
// type, 9 when the number of wind sectors is outside 0 to 12 (checked before
// any sector is read), 5 when a value lies outside its range or an Integer
// item (the street side, the number of wind sectors) is no whole number. The
// description names the file, line and item ("streets.txt, line 4: the
// street side 1.5 is not a whole number (...)").
void ReadStreetRecord(CalcState &state, RecordReader &file);

// Whether the street read last from a streets file is calculated: it is
// switched on and has a receptor (side 3 selects none: such a street is left
// out of the run as one switched off is).
bool streetCalculated(const CalcState &state);

// Reads the next route record likewise (one line of 22 items, then the wind
// sectors; side 1 or 2 selects that receptor, 0 none, any other is refused:
// RunError 5; the trip segment number and the codes are whole numbers too)
// and sets the run's period to the segment's times: the date of the time in
// and its hour + 1 (hours 1 to 24), and the same for the time out. A time
// that is no date or time text throws RunError 13.
void ReadStreetRecordDated(CalcState &state, RecordReader &file);

// The first value of the street's geometry in the state that no street can
// have, as "the street height -1 is out of range (0 to 100000 m)."; "" when
// there is none: streetGeometryProblem of the state's street configuration,
// the check the street configuration dialog makes before OK. The records
// above check the same ranges as they read, naming file and line.
std::string streetGeometryProblem(const CalcState &state);

} // namespace vesk
