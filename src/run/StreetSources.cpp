// The first pass over a route file or a streets file, before the first hour:
// what can be said of the file as a whole is said, or refused, before any
// street is calculated; and, after Stop, the pass over the streets the run
// did not reach, for the list of its streets.

#include "calc/StreetRecords.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "run/RunContext.h"
#include "run/StreetRun.h"

#include <map>

namespace vesk::run {

namespace {

constexpr int kNamed = 20; // streets named in a message of reasonable height

// "\r\n  and n more" of a list that names kNamed of its `count` entries.
std::string moreText(int count) {
    return count > kNamed ? "\r\n  and " + std::to_string(count - kNamed) + " more" : "";
}

// A street's or route segment's traffic file named on a drive of Windows
// (the record just read, of the given line) is refused before the first hour.
void refuseDriveLetterTraffic(const State &s, const RecordReader &file, int line, const std::string &what) {
    if (hasDriveLetter(s.TrafficFile)) {
        throw RunRefusal{driveLetterRefusal(s.TrafficFile, "the traffic file of " + what + " in line " +
                                                               std::to_string(line) + " of " +
                                                               file.fileName())};
    }
}

} // namespace

void checkRouteSegments(RunContext &c) {
    State &s = c.s;
    RecordReader &route = *c.routeFile;
    struct Last {
        DateTimeParts out;
        int line = 0;
    };
    std::map<std::string, Last> persons;
    auto seconds = [](const DateTimeParts &t) {
        return daysFromCivil(t.year, t.month, t.day) * 86400LL + t.hour * 3600LL + t.minute * 60LL + t.second;
    };
    while (!route.atEnd()) {
        const int line = route.line();
        try {
            ReadStreetRecordDated(s, route);
        } catch (const RunError &) {
            return; // a damaged record stops the run when the run reaches it, after the hours before it
        }
        refuseDriveLetterTraffic(s, route, line, "the route segment " + quotedText(s.CurrentStreetName));
        const auto before = persons.find(s.PersonId);
        if (before != persons.end() && seconds(s.SegTimeIn) < seconds(before->second.out)) {
            throw RunRefusal{
                "The route file\r\n" + route.fileName() + "\r\nholds overlapping segments of the person " +
                s.PersonId + ": the segment of line " + std::to_string(line) + " (" +
                Format(s.SegTimeIn, "yyyy-mm-dd hh:nn") + " to " + Format(s.SegTimeOut, "yyyy-mm-dd hh:nn") +
                ") begins before the segment of line " + std::to_string(before->second.line) + " ends (" +
                Format(before->second.out, "yyyy-mm-dd hh:nn") + ")."};
        }
        persons[s.PersonId] = Last{s.SegTimeOut, line};
    }
}

void countStreets(RunContext &c) {
    State &s = c.s;
    RecordReader &streets = *c.streetsFile;
    std::map<std::string, int> firstLineOf; // street name -> the line of its first record
    std::string twice, withoutReceptor;
    int namedTwice = 0, leftOut = 0;
    while (!streets.atEnd()) {
        const int line = streets.nextFieldLine();
        ReadStreetRecord(s, streets);
        refuseDriveLetterTraffic(s, streets, line, "the street " + quotedText(s.CurrentStreetName));
        ++c.StreetCount;
        c.ActiveStreetCount += streetCalculated(s) ? 1 : 0;
        const auto [first, fresh] = firstLineOf.emplace(s.CurrentStreetName, line);
        if (!fresh && ++namedTwice <= kNamed) {
            twice += "\r\n  line " + std::to_string(line) + ": " + quotedText(s.CurrentStreetName) +
                     ", the name of the street in line " + std::to_string(first->second);
        }
        if (s.StreetActive && !streetCalculated(s) && ++leftOut <= kNamed) {
            withoutReceptor += "\r\n  line " + std::to_string(line) + ": " + quotedText(s.CurrentStreetName);
        }
    }
    const std::string file = "The streets file\r\n" + streets.fileName() + "\r\n";
    if (c.StreetCount == 0) {
        throw RunRefusal{file + "holds no street."};
    }
    if (c.ActiveStreetCount == 0) {
        // Every street would give -99 alone: said as what it is, not as hours that could not be modelled.
        throw RunRefusal{file + "holds no street to calculate: " +
                         (leftOut == 0 ? std::string("every street is switched off.")
                                       : "every street is switched off or has no receptor (street side 3).")};
    }
    if (namedTwice > 0) {
        // The run goes on: the streets differ in everything but their names.
        c.ui.message(
            file + "gives " +
                (namedTwice == 1 ? std::string("a street") : std::to_string(namedTwice) + " streets") +
                " the name of an earlier street:" + twice + moreText(namedTwice) +
                "\r\nTheir results can be told apart only by their order. Give each street a name "
                "of its own.",
            Icon::Exclamation);
    }
    if (leftOut > 0) {
        c.streetsNote = file +
                        (leftOut == 1 ? "gives a street" : "gives " + std::to_string(leftOut) + " streets") +
                        " no receptor (street side 3): " + (leftOut == 1 ? "it was" : "they were") +
                        " left out of the run, as a street that is switched off is:" + withoutReceptor +
                        moreText(leftOut);
    }
}

void listStreetsNotReached(RunContext &c, int reached) {
    const std::shared_ptr<results::StreetResultsStore> &store = c.files.streetStore;
    if (!store || store->failed() || reached >= c.StreetCount) {
        return;
    }
    const std::string path = c.streetsFile->fileName();
    RecordReader streets;
    std::string error;
    int street = 0; // the records read
    std::string problem;
    if (!RecordReader::open(path, &streets, &error)) {
        problem = "cannot be opened again: " + error;
    }
    CalcState record;
    while (problem.empty() && street < c.StreetCount) {
        if (streets.atEnd()) {
            problem = "ends after street #" + std::to_string(street) + ", but the run counted " +
                      std::to_string(c.StreetCount) + " streets in it";
            break;
        }
        try {
            ReadStreetRecord(record, streets);
        } catch (const std::exception &e) {
            problem = "cannot be read at street #" + std::to_string(street + 1) + ": " + e.what();
            break;
        }
        if (++street <= reached) {
            continue; // written by the run
        }
        results::StreetEntry e;
        e.number = street;
        e.name = record.CurrentStreetName;
        e.active = false;
        e.x = record.StreetX;
        e.y = record.StreetY;
        e.recHeight = record.RecHeight;
        e.givenTraffic = record.AnnualDiurnalTraffic;
        e.trafficFile = record.TrafficFile;
        // No traffic set-up (file type -1), no hour, no period: every statistic -99.
        keepStreetResults(c, store->record(std::move(e), KeyedList<StatVar>()));
        if (store->failed()) {
            return; // said by keepStreetResults
        }
    }
    if (!problem.empty()) {
        c.ui.message("The run was stopped. The streets it did not reach are listed as not calculated, but "
                     "the streets file\r\n" +
                         path + "\r\n" + problem + "\r\nSo the list of the streets ends with street #" +
                         std::to_string(std::max(street, reached)) + " out of " +
                         std::to_string(c.StreetCount) + ".",
                     Icon::Exclamation);
    }
}

} // namespace vesk::run
