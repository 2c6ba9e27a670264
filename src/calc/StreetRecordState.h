#pragma once

// The street and route record that the run is working on: the items of the
// current record of a streets file or a route file that are not street
// geometry (the geometry goes into the project's working values), and the
// period of a route segment. See StreetRecords.h.

#include "calc/Format.h"
#include "project/MainFormState.h"

#include <string>

namespace vesk {

struct StreetRecordState {
    // Streets file.
    bool StreetActive = true;        // the street is to be calculated
    std::string CurrentStreetName;   // street name, or the segment id of a route record
    double StreetX = 0, StreetY = 0; // map co-ordinates

    // Route file.
    std::string PersonId;
    int TurSegmentNo = 0, InpOut = 0, TranspStay = 0, TranspMode = 0;
    double SpeedPerson = 0, SegmentLength = 0;
    double TimeInSegInp = 0; // time in the segment as read from the route file
    DateTimeParts SegTimeIn, SegTimeOut;

    // The run's period; a route record sets it to its segment's times (hours
    // 1 to 24: hour h is the hour that begins at h - 1 o'clock).
    PeriodDate StartDateRun, EndDateRun;
    int StartHourRun = 0, EndHourRun = 0;
};

} // namespace vesk
