// Dating the hour, the start and end of the period, and the completion of
// related values (NOx from NO and NO2 and the like, a traffic count from the
// other two).
//
// Hours are counted as whole hours since 1970-01-01 00:00 of the hour's
// start; hour h of a day begins at h - 1 o'clock.

#include "core/Numbers.h"
#include "run/RunContext.h"

#include <algorithm>
#include <cstdio>

namespace vesk::run {

namespace {
// Writes value (negative as 0) with at least `width` digits, zeros in front,
// to `to`; returns the end. Dates and times are built in a small buffer and
// appended at once: they are written for every hour of a run.
[[gnu::always_inline]] inline char *putDigits(char *to, int value, int width) {
    if (width == 2 && value >= 0 && value < 100) { // months, days, hours, minutes
        to[0] = static_cast<char>('0' + value / 10);
        to[1] = static_cast<char>('0' + value % 10);
        return to + 2;
    }
    if (width == 4 && value >= 1000 && value < 10000) { // years
        to[0] = static_cast<char>('0' + value / 1000);
        to[1] = static_cast<char>('0' + value / 100 % 10);
        to[2] = static_cast<char>('0' + value / 10 % 10);
        to[3] = static_cast<char>('0' + value % 10);
        return to + 4;
    }
    char buffer[12];
    int n = 0;
    unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
        buffer[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0 && n < 11);
    for (int i = n; i < width; ++i) {
        *to++ = '0';
    }
    while (n > 0) {
        *to++ = buffer[--n];
    }
    return to;
}

// "yyyy-mm-dd" into `to` (room for 40 characters); returns the end.
char *putIsoDate(char *to, int y, int m, int d) {
    char *end = putDigits(to, y, 4);
    *end++ = '-';
    end = putDigits(end, m, 2);
    *end++ = '-';
    return putDigits(end, d, 2);
}

void appendIsoDate(std::string &out, int y, int m, int d) {
    char text[40];
    out.append(text, static_cast<std::size_t>(putIsoDate(text, y, m, d) - text));
}

// "hh:mm" into `to` (room for 30 characters); returns the end.
char *putTime(char *to, int hour0, int minute) {
    char *end = putDigits(to, hour0, 2);
    *end++ = ':';
    return putDigits(end, minute, 2);
}

void appendTime(std::string &out, int hour0, int minute) {
    char text[30];
    out.append(text, static_cast<std::size_t>(putTime(text, hour0, minute) - text));
}
} // namespace

std::string isoDate(int y, int m, int d) {
    std::string out;
    out.reserve(16);
    appendIsoDate(out, y, m, d);
    return out;
}

std::string isoDateTime(int y, int m, int d, int hour0, int minute) {
    std::string out = isoDate(y, m, d);
    out += ' ';
    appendTime(out, hour0, minute);
    return out;
}

namespace {

// Where the record came from, for a message: every input file and its line or row.
std::string recordPlace(const RunContext &c) {
    std::string place;
    for (const InputFile &in : c.inputs) {
        place += "\r\n" + recordAt(in);
    }
    return place;
}

[[noreturn]] void refuseDate(const RunContext &c, const std::string &what) {
    const HourItems &h = c.items;
    throw RunRefusal{"The date of an input record is not valid: " + what + "\r\nday " +
                     std::to_string(h.day) + ", month " + std::to_string(h.month) + ", year " +
                     std::to_string(h.year) + ", hour " + std::to_string(c.s.hour) + recordPlace(c)};
}

long hourNumber(int y, int m, int d, int hour) {
    return daysFromCivil(y, m, d) * 24 + (hour - 1);
}

} // namespace

std::string timeText(long minutes) {
    const long hourNo = minutes >= 0 ? minutes / 60 : -((-minutes + 59) / 60);
    const long days = hourNo >= 0 ? hourNo / 24 : -((-hourNo + 23) / 24);
    const CivilDate d = civilFromDays(days);
    const long minute = minutes - hourNo * 60;
    return isoDate(d.year, d.month, d.day) + ", hour " + std::to_string(hourNo - days * 24 + 1) +
           (minute != 0 ? ", minute " + std::to_string(minute) : std::string());
}

namespace {

// The date and hour a file's own items give (-99 for what it does not carry).
RecordDate ownDate(const InputFile &in) {
    const RecordDate &o = in.own;
    RecordDate d;
    d.year = o.year >= 0 ? o.year : o.hasDate ? o.date.year : -99;
    d.month = o.month >= 0 ? o.month : o.hasDate ? o.date.month : -99;
    d.day = o.day >= 0 ? o.day : o.hasDate ? o.date.day : -99;
    d.hour = o.hour != -99 ? o.hour : o.hasDate && o.dateHasTime ? o.date.hour + 1 : -99;
    return d;
}

std::string dateText(const RecordDate &d) {
    std::string text;
    auto add = [&](const char *name, int v) {
        if (v != -99) {
            text += (text.empty() ? "" : ", ") + std::string(name) + " " + std::to_string(v);
        }
    };
    add("day", d.day);
    add("month", d.month);
    add("year", d.year);
    add("hour", d.hour);
    return text;
}

// Every file that carries a date or hour of its own must give a real one,
// and all of them the same.
void checkFilesAgree(const RunContext &c) {
    const InputFile *first = nullptr;
    RecordDate firstDate;
    for (const InputFile &in : c.inputs) {
        if (!in.dated) {
            continue;
        }
        const RecordDate d = ownDate(in);
        // The common case: the same date as the first file, checked already.
        if (first != nullptr && d.year == firstDate.year && d.month == firstDate.month &&
            d.day == firstDate.day && d.hour == firstDate.hour) {
            continue;
        }
        const int year = d.year != -99 ? d.year : c.items.year;
        if ((d.hour != -99 && (d.hour < 1 || d.hour > 24)) ||
            (d.day != -99 && d.month != -99 && !isRealDate(year, d.month, d.day))) {
            throw RunRefusal{"The date of an input record is not valid: " + dateText(d) + "\r\n" +
                             recordAt(in)};
        }
        if (first == nullptr) {
            first = &in;
            firstDate = d;
            continue;
        }
        auto differ = [](int a, int b) { return a != -99 && b != -99 && a != b; };
        if (differ(d.year, firstDate.year) || differ(d.month, firstDate.month) ||
            differ(d.day, firstDate.day) || differ(d.hour, firstDate.hour)) {
            throw RunRefusal{"Two input files give different dates or hours for the same record:\r\n" +
                             recordAt(*first) + ": " + dateText(firstDate) + "\r\n" + recordAt(in) + ": " +
                             dateText(d)};
        }
    }
}

// Whether a file's record gave no hour where the file carries one (an hour
// column, or a date column that gives the hour).
bool gaveNoHour(const InputFile &in) {
    bool hourColumn = false, dateColumn = false;
    for (const InColumn &col : in.cols) {
        hourColumn = hourColumn || col.key == InKey::Hour;
        dateColumn = dateColumn || col.key == InKey::Date;
    }
    return hourColumn ? in.own.hour < 0 : dateColumn && !in.own.hasDate;
}

// A record without an hour ends the data: a last record of that kind closes
// an input. The files that gave no hour are named; when one of them holds
// data after that record, hours would be lost, and the run stops.
void endWithoutHour(RunContext &c) {
    std::vector<InputFile *> files;
    for (InputFile &in : c.inputs) {
        if (gaveNoHour(in)) {
            files.push_back(&in);
        }
    }
    if (files.empty()) {
        for (InputFile &in : c.inputs) {
            if (in.dated) {
                files.push_back(&in);
            }
        }
    }
    c.endOfDataAt.clear();
    for (InputFile *in : files) {
        c.endOfDataAt += "\r\n" + recordAt(*in);
    }
    for (InputFile *in : files) {
        const std::string at = recordAt(*in);
        long next = 0;
        if (dataFollows(c, *in, &next)) {
            throw RunRefusal{
                "The input file\r\n" + at +
                "\r\nholds a record without an hour, which ends the input there, but its " +
                (in->isTable ? "row " : "line ") + std::to_string(next) +
                " holds data after it: the hours from there on would be lost. Give the record its "
                "hour, or remove it."};
        }
    }
}

// Whether a file carries a year of its own: a year or a date column.
bool carriesYear(const InputFile &in) {
    return std::any_of(in.cols.begin(), in.cols.end(),
                       [](const InColumn &col) { return col.key == InKey::Year || col.key == InKey::Date; });
}

// The year of a record whose year items gave none: the year another dated
// file gives for it, else the scenario's (scenarioYear set). When its files
// carry a year, what they hold and where is kept in yearlessAt ("The year is
// missing (-99 or an empty item) in the record" and the places), for the
// refusal of a date that the scenario year puts out of order.
int yearOfYearlessRecord(RunContext &c, bool *scenarioYear) {
    std::string places, placesWithYears;
    bool allMissing = true, oneValue = true;
    int held = -99;
    for (const InputFile &in : c.inputs) {
        if (!in.dated || !carriesYear(in)) {
            continue;
        }
        const int year = ownDate(in).year;
        if (year >= 0) {
            return year;
        }
        // The year item as read: -99 when missing or empty, else a year below 0.
        const int item = in.own.year;
        oneValue = oneValue && (places.empty() || item == held);
        allMissing = allMissing && item == -99;
        held = item;
        places += "\r\n" + recordAt(in);
        placesWithYears += "\r\n" + recordAt(in) + " (year " + std::to_string(item) + ")";
    }
    if (places.empty()) {
        c.yearlessAt.clear();
    } else if (allMissing) {
        c.yearlessAt = "The year is missing (-99 or an empty item) in the record" + places;
    } else if (oneValue) {
        c.yearlessAt = "The year is " + std::to_string(held) +
                       " (below 0: taken for a missing one) in the record" + places;
    } else {
        c.yearlessAt = "The year is missing or below 0 in the record" + placesWithYears;
    }
    *scenarioYear = true;
    return c.s.ScenarioYear;
}

// The dated input files and where their record lies.
std::string datedPlaces(const RunContext &c) {
    std::string place;
    for (const InputFile &in : c.inputs) {
        if (in.dated) {
            place += "\r\n" + recordAt(in);
        }
    }
    return place;
}

// Refuses a record of 29 February without a year when the scenario year it
// would take has no such day. The message names the record that lacks its
// year: the items that are -99, empty or below 0 or, when its files carry no
// year at all, the dated files.
[[noreturn]] void refuseLeapDayWithoutYear(const RunContext &c) {
    const std::string year = std::to_string(c.s.ScenarioYear);
    const std::string hour = std::to_string(c.s.hour);
    if (!c.yearlessAt.empty()) {
        throw RunRefusal{c.yearlessAt + "\r\nof 29 February, hour " + hour +
                         ", which would take the scenario year " + year + ": " + year +
                         " has no 29 February. Give the record its year."};
    }
    const bool files = c.datedInputs > 1;
    throw RunRefusal{"The year is missing in the record" + datedPlaces(c) + "\r\nof 29 February, hour " +
                     hour + (files ? ": its files have" : ": its file has") +
                     " no year or date column. It would take the scenario year " + year + ": " + year +
                     " has no 29 February. Give the " + (files ? "files their" : "file its") + " years."};
}

// Refuses the record in hand (time: minutes since 1970) when it or the
// record before it took the scenario year for a missing one and the two
// dates break the run of the hours: they do not run forward or, with `gap`,
// hours lie between them while undated files are read alongside. The
// message names the record without a year and the year it took.
[[noreturn]] void refuseYearlessDate(const RunContext &c, long time, bool gap) {
    const bool inHand = !c.yearlessAt.empty();
    const std::string &at = inHand ? c.yearlessAt : c.lastYearlessAt;
    throw RunRefusal{at + "\r\nwhich takes the scenario year " + std::to_string(c.s.ScenarioYear) +
                     ". Dated so, it is the record of " + timeText(inHand ? time : c.LastReadTime) +
                     ", and " + (inHand ? "the record before it" : "the record after it") + " is of " +
                     timeText(inHand ? c.LastReadTime : time) +
                     (gap ? ": the hours between them are missing, and the other input files, which carry no "
                            "dates, would be read against the wrong hours."
                          : ": the hours of the input must run forward.") +
                     " Give the record its year."};
}

} // namespace

DateOutcome dateHour(RunContext &c) {
    State &s = c.s;
    HourItems &h = c.items;
    if (h.hasDate) {
        const DateTimeParts &d = h.dateValue;
        if (h.day < 0) {
            h.day = d.day;
        }
        if (h.month < 0) {
            h.month = d.month;
        }
        if (h.year < 0) {
            h.year = d.year;
        }
        if (h.minute < 0) {
            h.minute = d.minute;
        }
        if (s.hour == -99) {
            // Only a missing hour takes the date's: any other below 0 is no
            // hour of a day and ends the data, as it does without a date.
            s.hour = d.hour + 1;
        }
        if (h.dayofweek < 0 && isRealDate(d.year, d.month, d.day)) {
            h.dayofweek = weekdayOf(daysFromCivil(d.year, d.month, d.day));
        }
    }
    c.yearlessAt.clear();
    bool scenarioYear = false;
    if (h.year < 0) {
        h.year = yearOfYearlessRecord(c, &scenarioYear);
    }
    if (s.hour == 0) {
        throw RunError(kErrHourZero, "Hour 0");
    }
    if (s.hour < 0) {
        // A record without an hour ends the data; the closing note says where.
        endWithoutHour(c);
        return DateOutcome::EndOfInput;
    }
    if (s.hour > 24) {
        refuseDate(c, "the hour must lie between 1 and 24");
    }
    if (h.minute > 59) {
        refuseDate(c, "the minute must lie between 0 and 59");
    }
    if (h.day < 0 || h.month < 0) {
        refuseDate(c, "the record has no day or month");
    }
    if (!isRealDate(h.year, h.month, h.day)) {
        if (scenarioYear && isRealDate(2000, h.month, h.day)) {
            // A day of leap years only, in a scenario year that is none.
            refuseLeapDayWithoutYear(c);
        }
        refuseDate(c, "no such day");
    }
    if (c.datedInputs > 1) {
        checkFilesAgree(c);
    }
    // The records of the files must run forward in time (a repeated hour
    // would shift the file against the others and the period); the records
    // of a half-hourly file run forward by their minutes.
    const long days = daysFromCivil(h.year, h.month, h.day);
    const long hourNo = days * 24 + (s.hour - 1); // as hourNumber gives it
    const long time = hourNo * 60 + (h.minute > 0 ? h.minute : 0);
    // Of two records one without a year: the scenario year it took may be
    // what breaks the run of the hours.
    const bool yearTaken = c.yearlessAt.empty() != c.lastYearlessAt.empty();
    if (c.LastReadTime >= 0 && time <= c.LastReadTime) {
        if (yearTaken) {
            refuseYearlessDate(c, time, false);
        }
        throw RunRefusal{"The hours of the input must run forward, but the record of " + timeText(time) +
                         (time == c.LastReadTime ? " repeats the hour before it."
                                                 : " follows that of " + timeText(c.LastReadTime) + ".") +
                         datedPlaces(c)};
    }
    // Files without dates of their own are read record by record alongside
    // the one dated file: a missing hour there would shift them for the
    // rest of the period.
    if (c.datedInputs == 1 && c.inputs.size() > 1 && c.LastReadTime >= 0 && time - c.LastReadTime > 60) {
        if (yearTaken) {
            refuseYearlessDate(c, time, true);
        }
        const auto dated =
            std::find_if(c.inputs.begin(), c.inputs.end(), [](const InputFile &in) { return in.dated; });
        throw RunRefusal{
            "The input file\r\n" + recordAt(*dated) + "\r\nholds the record of " + timeText(time) +
            " after that of " + timeText(c.LastReadTime) + ": the hour " + timeText(c.LastReadTime + 60) +
            " is missing. The other input files carry no dates and are read record by record "
            "alongside it: from there on they would be read against the wrong hours. Complete the "
            "file, or give the other files their dates."};
    }
    c.LastReadTime = time;
    c.lastYearlessAt.swap(c.yearlessAt);
    // The texts are built in place: they keep their memory from hour to hour.
    char dayText[80];
    const std::string_view day(
        dayText, static_cast<std::size_t>(putIsoDate(dayText, h.year, h.month, h.day) - dayText));
    if (h.dayofweek < 0) {
        h.dayofweek = weekdayOf(days);
    }
    if (h.date.empty()) {
        // The common case, a record without a date item: the day and the
        // start of the hour are written once, one after the other.
        h.date.assign(day);
        char *end = dayText + day.size();
        *end++ = ' ';
        end = putTime(end, s.hour - 1, h.minute > 0 ? h.minute : 0);
        h.DateTimeText.assign(dayText, static_cast<std::size_t>(end - dayText));
    } else {
        h.DateTimeText = h.date;
        if (h.date.find(':') == std::string::npos) {
            h.DateTimeText += ' ';
            appendTime(h.DateTimeText, s.hour - 1, h.minute > 0 ? h.minute : 0);
        }
    }
    c.DayDateText.assign(day);

    // The period: a route segment always has one.
    const bool route = s.RouteMode;
    const bool startLimit = !s.StartAuto || route;
    const bool endLimit = !s.EndAuto || route;
    const PeriodDate start = route ? s.StartDateRun : s.StartDate;
    const PeriodDate end = route ? s.EndDateRun : s.EndDate;
    const int startHour = route ? s.StartHourRun : s.StartHour;
    const int endHour = route ? s.EndHourRun : s.EndHour;
    if (startLimit && start.isSet()) {
        const long first = daysFromCivil(start.year, start.month, start.day);
        if (days < first || (days == first && s.hour < startHour)) {
            c.NoHourYet = true;
            return DateOutcome::Skip;
        }
    }
    if (endLimit && end.isSet()) {
        const long last = daysFromCivil(end.year, end.month, end.day);
        if (days > last || (days == last && s.hour > endHour)) {
            return DateOutcome::EndOfInput;
        }
    }

    if (route) {
        // Seconds of this hour spent in the segment.
        const auto secondsTo = [&](const DateTimeParts &t) {
            const long at =
                daysFromCivil(t.year, t.month, t.day) * 86400L + t.hour * 3600L + t.minute * 60L + t.second;
            const long from = hourNo * 3600L + (h.minute > 0 ? h.minute * 60L : 0);
            return static_cast<double>(at - from);
        };
        const double out = std::min(secondsTo(s.SegTimeOut), 3600.0);
        const double in = std::max(secondsTo(s.SegTimeIn), 0.0);
        c.TimeInSeg = static_cast<float>(out - in);
    }
    c.LastHour = hourNo;
    c.HoursElapsed = c.PrevHour < 0 ? 1000000 : std::max(1L, hourNo - c.PrevHour);
    c.PrevHour = hourNo;
    c.NoHourYet = false;
    c.anyHour = true;
    return DateOutcome::Accept;
}

long currentHourNo(const RunContext &c) {
    return hourNumber(c.items.year, c.items.month, c.items.day, c.s.hour);
}

PeriodLength periodRun(const RunContext &c) {
    const State &s = c.s;
    if (c.firstHourNo < 0) {
        return {};
    }
    if (s.RouteMode) {
        return c.routePeriod;
    }
    long first = c.firstHourNo, last = c.lastHourNo;
    if (!s.StartAuto && s.StartDate.isSet()) {
        first = std::min(first, hourNumber(s.StartDate.year, s.StartDate.month, s.StartDate.day,
                                           std::clamp(s.StartHour, 1, 24)));
    }
    if (!s.EndAuto && s.EndDate.isSet() && !c.control.StopRequested()) {
        // End hour 0 ends the period with the day before.
        last = std::max(
            last, hourNumber(s.EndDate.year, s.EndDate.month, s.EndDate.day, std::clamp(s.EndHour, 0, 24)));
    }
    return periodBetween(first, last);
}

void addSegmentPeriod(RunContext &c, bool stopped) {
    const State &s = c.s;
    // A route record always dates its segment (the reader refuses a time without a day).
    if (!s.StartDateRun.isSet() || !s.EndDateRun.isSet()) {
        return;
    }
    const long first = hourNumber(s.StartDateRun.year, s.StartDateRun.month, s.StartDateRun.day,
                                  std::clamp(s.StartHourRun, 1, 24));
    long last =
        hourNumber(s.EndDateRun.year, s.EndDateRun.month, s.EndDateRun.day, std::clamp(s.EndHourRun, 1, 24));
    if (stopped) {
        last = std::min(last, c.lastHourNo);
    }
    const PeriodLength segment = periodBetween(first, last);
    if (segment.hours <= 0) {
        return;
    }
    const auto dayOf = [](long hourNo) { return hourNo >= 0 ? hourNo / 24 : -((-hourNo + 23) / 24); };
    const bool sameDay = c.routePeriod.hours > 0 && dayOf(c.routeLastHourNo) == dayOf(first);
    c.routePeriod.hours += segment.hours;
    c.routePeriod.days += segment.days - (sameDay ? 1 : 0);
    c.routeLastHourNo = last;
}

namespace {

// The first and last hour (hours since 1970) of the period the project asks
// for: false when it has no start and end of its own (Auto, unset, a route).
bool askedPeriod(const State &s, long *first, long *last) {
    if (s.RouteMode || s.StartAuto || s.EndAuto || !s.StartDate.isSet() || !s.EndDate.isSet()) {
        return false;
    }
    // Start hour 0 is the day's first hour; end hour 0 ends the period with the day before.
    *first = hourNumber(s.StartDate.year, s.StartDate.month, s.StartDate.day, std::clamp(s.StartHour, 1, 24));
    *last = hourNumber(s.EndDate.year, s.EndDate.month, s.EndDate.day, std::clamp(s.EndHour, 0, 24));
    return true;
}

std::string periodEndText(const PeriodDate &date, int hour) {
    return isoDate(date.year, date.month, date.day) + " hour " + std::to_string(hour);
}

} // namespace

std::string periodProblem(const State &s) {
    long first = 0, last = 0;
    if (!askedPeriod(s, &first, &last) || last >= first) {
        return {};
    }
    return "The end of the period, " + periodEndText(s.EndDate, s.EndHour) + ", lies before its start, " +
           periodEndText(s.StartDate, s.StartHour) +
           ": no hour lies within it.\r\nSet an end that follows the start.";
}

std::string periodNote(const RunContext &c) {
    const State &s = c.s;
    long first = 0, last = 0;
    if (!askedPeriod(s, &first, &last) || last < first || c.control.StopRequested()) {
        return {};
    }
    const long hours = last - first + 1;
    const long missing = hours - c.periodHoursRead;
    if (missing <= 0) {
        return {};
    }
    return "The period " + periodEndText(s.StartDate, s.StartHour) + " to " +
           periodEndText(s.EndDate, s.EndHour) + " holds " + std::to_string(hours) +
           " hours; the input files gave " + std::to_string(c.periodHoursRead) +
           " of them: " + std::to_string(missing) + (missing == 1 ? " hour" : " hours") +
           " of the period had no data.";
}

void completeRelatedValues(RunContext &c) {
    State &s = c.s;
    const double f0 = s.Pol0ToPpbFactor, f1 = s.Pol1ToPpbFactor, f2 = s.Pol2ToPpbFactor;
    std::vector<float> *arrays[] = {&s.cPOL_b, &s.cPOL_obs_1, &s.cPOL_obs_2};
    auto ok = [](float v) { return v >= 0; };
    if (s.cPOL_b.size() >= 3) {
        for (std::vector<float> *a : arrays) {
            auto &v = *a;
            if (!ok(v[1]) && ok(v[0]) && ok(v[2]) && f1 != 0) {
                v[1] = static_cast<float>((v[0] * f0 - v[2] * f2) / f1);
            }
        }
        for (std::vector<float> *a : arrays) {
            auto &v = *a;
            if (!ok(v[0]) && ok(v[1]) && ok(v[2]) && f0 != 0) {
                v[0] = static_cast<float>((v[1] * f1 + v[2] * f2) / f0);
            }
        }
        for (std::vector<float> *a : arrays) {
            auto &v = *a;
            if (!ok(v[2]) && ok(v[0]) && ok(v[1]) && f2 != 0) {
                v[2] = static_cast<float>((v[0] * f0 - v[1] * f1) / f2);
            }
        }
    }
    float &nt = c.items.ntotal;
    if (!ok(nt) && ok(s.nlight) && ok(s.nheavy)) {
        nt = s.nlight + s.nheavy;
    }
    if (!ok(s.nheavy) && ok(nt) && ok(s.nlight)) {
        s.nheavy = nt - s.nlight;
    }
    if (!ok(s.nlight) && ok(nt) && ok(s.nheavy)) {
        s.nlight = nt - s.nheavy;
    }
}

} // namespace vesk::run
