// Tables written into Access databases by our own Jet 4 writer, read back by
// mdbtools' programs (mdb-ver, mdb-tables, mdb-schema, mdb-export: readers
// made elsewhere) and by the program; existing databases keep every other
// table; foreign and damaged databases are refused and left as they were.

#include "platform/Isolation.h"
#include "platform/tables/JetFormat.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <random>
#include <sstream>

namespace vesk {
namespace {

using test::TempDir;
namespace jet = tables::jet;
namespace fs = std::filesystem;

std::string tool(const std::string &command, const std::string &file, const std::string &extra = {}) {
    int status = 0;
    const std::string out =
        test::commandOutput(command + " " + test::shellQuoted(file) + extra + " 2>/dev/null", &status);
    EXPECT_EQ(status, 0) << command << " " << file;
    return out;
}

// The columns the run makes of A, ?, A, A (A a float), a quoted "Street" and
// the other catalogue types.
std::vector<TableColumn> partColumns() {
    return {{"A", ColumnType::Float},    {"F2", ColumnType::Text},       {"A(1)", ColumnType::Float},
            {"A(2)", ColumnType::Float}, {"Street", ColumnType::Text},   {"hour", ColumnType::Short},
            {"nHours", ColumnType::Integer}};
}

std::vector<std::vector<Cell>> partRows(std::size_t n) {
    std::vector<std::vector<Cell>> rows;
    for (std::size_t i = 0; i < n; ++i) {
        rows.push_back({12.345678901234 + static_cast<double>(i % 7), std::string(" "), 0.1 * static_cast<double>(i),
                        i % 5 == 1 ? Cell(-99.0) : Cell(45.3), std::string(i % 2 ? "Straße µg/m³" : "Main Street"),
                        static_cast<double>(i % 24 + 1), 8760.0});
    }
    return rows;
}

// mdb-export's lines for the rows.
std::string exported(const std::vector<std::vector<Cell>> &rows) {
    std::string out = "A,F2,A(1),A(2),Street,hour,nHours\n";
    for (const auto &row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c) {
                out += ",";
            }
            if (const auto *d = std::get_if<double>(&row[c])) {
                if (*d > -99.0) {
                    char buf[40]; // mdb-export prints 16 significant digits
                    std::snprintf(buf, sizeof buf, "%.16g", *d);
                    out += buf;
                }
            } else if (const auto *s = std::get_if<std::string>(&row[c])) {
                out += "\"" + *s + "\"";
            }
        }
        out += "\n";
    }
    return out;
}

// The first line where two texts differ, for a readable failure.
std::string firstDifference(const std::string &a, const std::string &b) {
    std::istringstream x(a), y(b);
    std::string l, m;
    for (int n = 1;; ++n) {
        const bool more = static_cast<bool>(std::getline(x, l)), others = static_cast<bool>(std::getline(y, m));
        if (!more && !others) {
            return {};
        }
        if (l != m || more != others) {
            return "line " + std::to_string(n) + ": \"" + l + "\" against \"" + m + "\"";
        }
    }
}

bool writeTable(const std::string &file, const std::string &name, const std::vector<std::vector<Cell>> &rows,
                std::string *error) {
    auto w = createTable(file, name, partColumns(), error);
    if (!w) {
        return false;
    }
    for (const auto &r : rows) {
        if (!w->append(r, error)) {
            return false;
        }
    }
    return w->close(error);
}

#define NEEDS_MDBTOOLS()                                                                                         \
    WINVESK_NEEDS_TOOL("mdb-export");                                                                            \
    WINVESK_NEEDS_TOOL("mdb-schema")

TEST(AccessWriting, ANewDatabaseIsJet4WithTheTableTypedAsTheCatalogueAsksAndEveryRowExported) {
    NEEDS_MDBTOOLS();
    TempDir dir;
    const std::string file = (dir.path() / "Results.mdb").string();
    const auto rows = partRows(3000); // many data pages
    std::string error;
    ASSERT_TRUE(writeTable(file, "Hourly", rows, &error)) << error;
    EXPECT_EQ(tool("mdb-ver", file), "JET4\n");
    EXPECT_EQ(tool("mdb-tables -1", file), "Hourly\n");
    const std::string schema = tool("mdb-schema", file);
    for (const char *line : {"[A]\t\t\tDouble", "[F2]\t\t\tText (255)", "[A(1)]\t\t\tDouble", "[Street]\t\t\tText (255)",
                             "[hour]\t\t\tInteger", "[nHours]\t\t\tLong Integer"}) {
        EXPECT_NE(schema.find(line), std::string::npos) << line << "\n" << schema;
    }
    EXPECT_EQ(firstDifference(tool("mdb-export", file, " Hourly"), exported(rows)), "")
        << "every row, numbers to full precision";
    TableData t;
    ASSERT_TRUE(readTable(file, "Hourly", &t, &error)) << error;
    ASSERT_EQ(t.rows.size(), rows.size());
    EXPECT_EQ(t.rows[1][3], Cell()) << "a missing value is Null";
    EXPECT_EQ(t.rows[1][4], Cell(std::string("Straße µg/m³")));
}

TEST(AccessWriting, TwoTablesOfOneSessionShareOneNewDatabase) {
    NEEDS_MDBTOOLS();
    TempDir dir;
    const std::string file = (dir.path() / "Run.mdb").string();
    TableSession session;
    std::string error;
    auto hourly = session.createTable(file, "Hourly", partColumns(), &error);
    auto stats = session.createTable(file, "Statistics", partColumns(), &error);
    ASSERT_TRUE(hourly && stats) << error;
    ASSERT_TRUE(hourly->append(partRows(1)[0], &error));
    ASSERT_TRUE(hourly->close(&error)) << error;
    EXPECT_FALSE(fs::exists(file)) << "written once, with both tables, at the last close";
    ASSERT_TRUE(stats->append(partRows(2)[1], &error));
    ASSERT_TRUE(stats->close(&error)) << error;
    EXPECT_EQ(tool("mdb-tables -1", file), "Hourly\nStatistics\n");
}

// A copy of a real Jet 4 database made by Access; "" without the shared files.
std::string copyDatabase(const TempDir &dir) {
    const fs::path src = test::sharedTestFile("mdb/DateTestDatabase.mdb");
    if (src.empty()) {
        return {};
    }
    const auto dst = dir.path() / "Analyst.mdb";
    fs::copy_file(src, dst);
    fs::permissions(dst, fs::perms::owner_read | fs::perms::owner_write);
    return dst.string();
}

// Every table's schema and rows as mdbtools gives them.
std::map<std::string, std::string> everyTable(const std::string &file) {
    std::map<std::string, std::string> out;
    std::istringstream names(tool("mdb-tables -1 -S", file));
    std::string name;
    while (std::getline(names, name)) {
        out[name] = tool("mdb-schema", file, " -T " + test::shellQuoted(name)) +
                    tool("mdb-export", file, " " + test::shellQuoted(name));
    }
    return out;
}

TEST(AccessWriting, AnExistingDatabaseGetsTheTableAddedThenReplacedAndKeepsEveryOtherTableByteForByte) {
    NEEDS_MDBTOOLS();
    TempDir dir;
    const std::string file = copyDatabase(dir);
    WINVESK_NEEDS_SHARED_FILE(file);
    auto before = everyTable(file);
    ASSERT_TRUE(before.count("DateTest"));
    std::string error;
    ASSERT_TRUE(writeTable(file, "Hourly", partRows(500), &error)) << error;
    ASSERT_TRUE(writeTable(file, "Results_2023", partRows(3), &error)) << error;
    // Replaced, in another letter case: the table keeps its place in the catalogue.
    ASSERT_TRUE(writeTable(file, "hourly", partRows(20), &error)) << error;
    auto after = everyTable(file);
    EXPECT_EQ(after.count("Hourly"), 0u);
    ASSERT_EQ(after.count("hourly"), 1u);
    EXPECT_EQ(firstDifference(tool("mdb-export", file, " hourly"), exported(partRows(20))), "");
    EXPECT_EQ(firstDifference(tool("mdb-export", file, " Results_2023"), exported(partRows(3))), "");
    after.erase("hourly");
    after.erase("Results_2023");
    before.erase("MSysObjects");
    after.erase("MSysObjects");
    EXPECT_EQ(after, before) << "every other table, system tables among them, exports as before";

    // The catalogue's indexes list the new tables by id and by name.
    jet::File f{test::readFile(file), {}};
    jet::TableDef catalogue;
    std::string problem;
    ASSERT_TRUE(jet::readTableDef(f, 2, &catalogue, &problem)) << problem;
    ASSERT_EQ(catalogue.realIndexes.size(), 2u);
    std::vector<std::string> byName, byId;
    ASSERT_TRUE(jet::readLeafPage(f.page(catalogue.realIndexes[0].firstPage), &byName, &problem)) << problem;
    ASSERT_TRUE(jet::readLeafPage(f.page(catalogue.realIndexes[1].firstPage), &byId, &problem)) << problem;
    EXPECT_EQ(byName.size(), catalogue.rowCount);
    EXPECT_EQ(byId.size(), catalogue.rowCount);
    EXPECT_TRUE(std::is_sorted(byName.begin(), byName.end()));
    const std::string key = jet::keyOfLong(0x0F000001) + *jet::keyOfText("Results_2023");
    EXPECT_TRUE(std::any_of(byName.begin(), byName.end(), [&](const std::string &e) { return e.rfind(key, 0) == 0; }));
}

TEST(AccessWriting, NumbersOfEveryColumnTypeReadBackExactly) {
    TempDir dir;
    const std::string file = (dir.path() / "Numbers.mdb").string();
    const std::vector<TableColumn> columns = {
        {"f", ColumnType::Float}, {"i", ColumnType::Integer}, {"s", ColumnType::Short}};
    // Doubles that 16 printed digits do not give back, the tops of the integer
    // ranges, negatives (from -99 down a value is missing, written as Null).
    const std::vector<std::vector<Cell>> rows = {
        {0.1 + 0.2, -98.0, -7.0},       {1.0 / 3.0, 2147483647.0, 32767.0}, {-5e-324, -1.0, -1.0},
        {12.345678901234567, 0.0, 0.0}, {Cell(), Cell(), Cell()},
    };
    std::string error;
    auto w = createTable(file, "Numbers", columns, &error);
    ASSERT_TRUE(w) << error;
    for (const auto &r : rows) {
        ASSERT_TRUE(w->append(r, &error)) << error;
    }
    ASSERT_TRUE(w->close(&error)) << error;
    TableData t;
    ASSERT_TRUE(readTable(file, "Numbers", &t, &error)) << error;
    EXPECT_EQ(t.rows, rows) << "bit for bit through the program's reader";
}

TEST(AccessWriting, AnExistingDatabaseIsReadInTwoHelperProcessesWhateverTablesItHolds) {
    TempDir dir;
    const std::string file = copyDatabase(dir);
    WINVESK_NEEDS_SHARED_FILE(file);
    const std::uint64_t before = isolatedRunsStarted();
    std::string error;
    ASSERT_TRUE(writeTable(file, "Hourly", partRows(100), &error)) << error;
    EXPECT_EQ(isolatedRunsStarted() - before, 2u)
        << "its catalogue before the run; after it, the file and its copy compared in one reading";
}

// The check of a database written for a file, given copies that do not read
// back as they should: each is refused with what differs.
struct Misread {
    const char *name;
    const char *said;
    std::string (*spoil)(std::string); // the database written
    std::size_t rowsGiven;             // rows of the table said to be written
    int catalogueRowsOff;
};

std::string changedText(std::string b) {
    const std::string from("Year 1999"), to("Year 1998");
    const auto at = b.find(from);
    return at == std::string::npos ? std::string() : b.replace(at, from.size(), to);
}

const Misread kMisreads[] = {
    {"as_written", "", [](std::string b) { return b; }, 20, 0},
    {"another_table_changed", "does not give the table DateTest as before", changedText, 20, 0},
    {"not_a_database", "could not be read back", [](std::string b) { return std::string(b.size(), 'x'); }, 20,
     0},
    {"a_row_missing", "with 20 rows of 21", [](std::string b) { return b; }, 21, 0},
    {"a_catalogue_row_missing", "catalogue", [](std::string b) { return b; }, 20, 1},
};

class AccessReadBack : public testing::TestWithParam<Misread> {};

TEST_P(AccessReadBack, RefusesACopyThatDoesNotGiveWhatWasWrittenAndEveryOtherTableAsBefore) {
    TempDir dir;
    const std::string original = copyDatabase(dir);
    WINVESK_NEEDS_SHARED_FILE(original);
    const std::string written = (dir.path() / "Written.mdb").string();
    fs::copy_file(original, written);
    std::string error;
    ASSERT_TRUE(writeTable(written, "Hourly", partRows(20), &error)) << error;
    TableData catalogue;
    ASSERT_TRUE(tables::accessReadTable(written, "MSysObjects", &catalogue, &error)) << error;
    const std::string bytes = GetParam().spoil(test::readFile(written));
    ASSERT_FALSE(bytes.empty());
    dir.write("Written.mdb", bytes);

    // The rows as the table writer holds them: the column names first.
    std::vector<std::vector<Cell>> rows = {{}};
    for (const auto &r : partRows(GetParam().rowsGiven)) {
        rows.push_back(r);
        std::replace(rows.back().begin(), rows.back().end(), Cell(-99.0), Cell()); // written as Null
    }
    const std::vector<tables::JetTable> tables = {{"Hourly", partColumns(), &rows}};
    std::string why;
    const bool ok = tables::jetCheckWritten(original, written, tables,
                                            catalogue.rows.size() + GetParam().catalogueRowsOff, &why);
    if (std::string(GetParam().said).empty()) {
        EXPECT_TRUE(ok) << why;
    } else {
        EXPECT_FALSE(ok);
        EXPECT_NE(why.find(GetParam().said), std::string::npos) << why;
    }
}

INSTANTIATE_TEST_SUITE_P(Copies, AccessReadBack, testing::ValuesIn(kMisreads),
                         [](const auto &info) { return std::string(info.param.name); });

// Damaged and foreign databases: refused naming the file and the reason,
// byte for byte as they were.
struct Refusal {
    const char *name;
    const char *reason;
    std::string (*spoil)(std::string);
};

std::string flip(std::string b, std::size_t at) {
    b[at] = static_cast<char>(b[at] ^ 1); // the header is scrambled by XOR: this flips the plain bit
    return b;
}

const Refusal kRefusals[] = {
    {"encrypted", "encrypted", [](std::string b) { return flip(std::move(b), 0x3E); }},
    {"password", "password", [](std::string b) { return flip(std::move(b), 0x43); }},
    {"accdb", "2007", [](std::string b) { return b.replace(4, 15, "Standard ACE DB"); }},
    {"later_version", "2007", [](std::string b) { return b.replace(0x14, 1, "\x02"); }},
    {"truncated", "damaged", [](std::string b) { return b.substr(0, b.size() - 100); }},
    {"catalogue_zeroed",
     "damaged",
     [](std::string b) { return b.replace(2 * jet::kPage, jet::kPage, std::string(jet::kPage, '\0')); }},
    {"catalogue_scrambled",
     "damaged",
     [](std::string b) {
         for (std::size_t i = 2 * jet::kPage + 40; i < 3 * jet::kPage; i += 7) {
             b[i] = static_cast<char>(0xFF);
         }
         return b;
     }},
    {"not_a_database", "not an Access database", [](std::string b) { return std::string(b.size(), 'x'); }},
};

class AccessRefusals : public testing::TestWithParam<Refusal> {};

TEST_P(AccessRefusals, AreRefusedBeforeAnyRowNamingTheFileAndReasonAndLeaveItAsItWas) {
    TempDir dir;
    const std::string original = copyDatabase(dir);
    WINVESK_NEEDS_SHARED_FILE(original);
    const std::string file = (dir.path() / "Spoilt.mdb").string();
    const std::string bytes = GetParam().spoil(test::readFile(original));
    dir.write("Spoilt.mdb", bytes);
    std::string error;
    bool refused = false;
    auto w = createTable(file, "Hourly", partColumns(), &error, &refused);
    EXPECT_EQ(w, nullptr);
    EXPECT_TRUE(refused);
    EXPECT_NE(error.find(file), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
    EXPECT_EQ(test::readFile(file), bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
        << "no copy left beside it";
}

INSTANTIATE_TEST_SUITE_P(Kinds, AccessRefusals, testing::ValuesIn(kRefusals),
                         [](const auto &info) { return std::string(info.param.name); });

// Damaged copies of a real database, made by the damaged-input helpers with
// a fixed seed, the damage falling within its first pages (the database
// page, the global page usage map, the catalogue's definition, rows and
// indexes): each is refused before the run, naming the file, and left byte
// for byte as it was, or takes the table with every other table as it was
// (which the writer's reading back compares).
TEST(AccessWriting, DamagedDatabasesAreRefusedAndLeftAsTheyWereOrTakeTheTable) {
    TempDir dir;
    const std::string original = copyDatabase(dir);
    WINVESK_NEEDS_SHARED_FILE(original);
    const std::string sample = test::readFile(original);
    const std::size_t head = 18 * jet::kPage; // in this file: up to the catalogue's rows on page 17
    ASSERT_GT(sample.size(), head);
    const std::string file = (dir.path() / "Damaged.mdb").string();
    std::mt19937 random(31); // fixed: every run damages the same way
    int refused = 0, written = 0;
    for (int v = 0; v < 80 && !HasFailure(); ++v) {
        // Bytes lost or repeated shift the rest of those pages, which keep their size.
        std::string damaged = test::damagedCopy(sample.substr(0, head), true, random);
        damaged.resize(head, '\0');
        const std::string bytes = damaged + sample.substr(head);
        SCOPED_TRACE("variant " + std::to_string(v) + ", damaged " + test::describeDamage(sample, bytes));
        fs::remove(file);
        dir.write("Damaged.mdb", bytes);
        std::string error;
        auto w = createTable(file, "Hourly", partColumns(), &error);
        if (!w) {
            ++refused;
            EXPECT_NE(error.find(file), std::string::npos) << error;
        } else {
            for (const auto &r : partRows(20)) {
                ASSERT_TRUE(w->append(r, &error)) << error;
            }
            EXPECT_TRUE(w->close(&error)) << "a database taken before the run takes the table: " << error;
            ++written;
            TableData t;
            EXPECT_TRUE(readTable(file, "Hourly", &t, &error)) << error;
            EXPECT_EQ(t.rows.size(), 20u);
        }
        if (!w || HasFailure()) {
            EXPECT_EQ(test::readFile(file), bytes) << error;
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
            << "no copy left beside it";
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(written, 0) << "damage where nothing reads it leaves a database that takes the table";
}

TEST(AccessWriting, AJet3DatabaseEncryptedOrWithAPasswordIsRefusedAndLeftAsItWas) {
    TempDir dir;
    const fs::path src = test::sharedTestFile("mdb/nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(src);
    const std::string file = (dir.path() / "nwind.mdb").string();
    for (const auto &[at, said] : {std::pair<std::size_t, const char *>{0x43, "password"}, {0x3E, "encrypted"}}) {
        const std::string bytes = flip(test::readFile(src), at);
        dir.write("nwind.mdb", bytes);
        std::string error;
        EXPECT_EQ(createTable(file, "Hourly", partColumns(), &error), nullptr);
        EXPECT_NE(error.find(said), std::string::npos) << error;
        EXPECT_NE(error.find(file), std::string::npos) << error;
        EXPECT_EQ(test::readFile(file), bytes);
    }
}

TEST(AccessWriting, ANameTheCatalogueIndexCannotPlaceOrAccessForbidsIsRefused) {
    TempDir dir;
    const std::string file = copyDatabase(dir);
    WINVESK_NEEDS_SHARED_FILE(file);
    std::string error;
    EXPECT_EQ(createTable(file, "Hourly \xF0\x9F\x98\x80", partColumns(), &error), nullptr);
    EXPECT_NE(error.find("\"\xF0\x9F\x98\x80\" (U+1F600)"), std::string::npos) << error;
    EXPECT_EQ(createTable(file, "a.b", partColumns(), &error), nullptr);
    EXPECT_NE(error.find("\".\""), std::string::npos) << error;
    EXPECT_EQ(createTable(file, "MSysObjects", partColumns(), &error), nullptr);
    EXPECT_NE(error.find("system table"), std::string::npos) << error;
}

TEST(AccessFormat, KeysSortAsTheCatalogueOfARealDatabaseHoldsThem) {
    // Keys read from the index of a database Access made: "Tables" under the
    // top container, and the id of MSysObjects.
    EXPECT_EQ(jet::keyOfLong(0x0F000000) + *jet::keyOfText("Tables"),
              std::string("\x7f\x8f\x00\x00\x00\x7f\x6d\x4a\x4c\x5e\x51\x6b\x01\x00", 14));
    EXPECT_EQ(*jet::keyOfText("f_7"), std::string("\x7f\x53\x2b\x03\x44\x01\x00", 7));
    EXPECT_EQ(jet::keyOfText("DateTest"), jet::keyOfText("DATETEST")) << "without regard to case";
    EXPECT_LT(*jet::keyOfText("Hourly"), *jet::keyOfText("Statistics"));
    EXPECT_LT(*jet::keyOfText("9"), *jet::keyOfText("a"));
    EXPECT_EQ(jet::keyOfLong(2), std::string("\x7f\x80\x00\x00\x02", 5));
    EXPECT_FALSE(jet::keyOfText("a\xF0\x9F\x98\x80")) << "a character above those the order places";
}

TEST(AccessFormat, RowsAndLeafPagesReadBackAsWritten) {
    std::vector<jet::Column> cols(3);
    cols[0].type = jet::kLong, cols[0].length = 4, cols[0].flags = 0x03;
    cols[1].type = jet::kText, cols[1].length = 510, cols[1].flags = 0x02;
    cols[2].type = jet::kDouble, cols[2].length = 8, cols[2].flags = 0x03;
    jet::layOutColumns(cols);
    const std::vector<jet::Value> values = {std::string("\1\0\0\0", 4), std::string("a\0b\0", 4), std::nullopt};
    std::vector<jet::Value> back;
    ASSERT_TRUE(jet::crackRow(jet::encodeRow(cols, values), cols, &back));
    EXPECT_EQ(back, values);
    EXPECT_FALSE(jet::crackRow(std::string("\x03", 1), cols, &back)) << "a damaged row is an error";

    std::string page(jet::kPage, '\0');
    std::vector<std::string> entries = {std::string("\x7f\x80\x00\x00\x01xxxx", 9),
                                        std::string("\x7f\x80\x00\x00\x02yyyy", 9),
                                        std::string("\x7f\x80\x00\x01\x00zzzz", 9)};
    ASSERT_TRUE(jet::writeLeafPage(page.data(), 2, entries));
    std::vector<std::string> read;
    std::string problem;
    ASSERT_TRUE(jet::readLeafPage(page.data(), &read, &problem)) << problem;
    EXPECT_EQ(read, entries);
    EXPECT_EQ(jet::rd16(page.data() + 20), 3u) << "the prefix they share is kept once";
}

// The read-back of a database written, which compares the file and the copy
// a row at a time, finds every kind of difference: a table of the file
// given otherwise or with a row fewer, a table written whose row or count
// differs from what was written, a catalogue of another size.
TEST(AccessWrittenCheck, FindsEveryDifferenceOfTheDatabaseWrittenFromTheFile) {
    TempDir dir;
    const std::vector<TableColumn> columns{{"hour", ColumnType::Integer}, {"Street", ColumnType::Text}};
    auto rowsOf = [](std::vector<double> hours) {
        std::vector<std::vector<Cell>> rows{{std::string("hour"), std::string("Street")}};
        for (double h : hours) {
            rows.push_back({h, std::string("Main Street")});
        }
        return rows;
    };
    const auto kept = rowsOf({1, 2, 3}), written = rowsOf({4, 5, 6});
    std::string error;
    // A database of two tables, "Kept" and "Written".
    auto make = [&](const std::string &name, const std::vector<std::vector<Cell>> &k,
                    const std::vector<std::vector<Cell>> &w) {
        const std::string file = (dir.path() / name).string();
        EXPECT_TRUE(tables::jetWriteTables(file, {{"Kept", columns, &k}, {"Written", columns, &w}}, &error))
            << error;
        return file;
    };
    const std::string file = make("File.mdb", kept, written);
    TableData catalogue;
    ASSERT_TRUE(tables::accessReadTable(file, "MSysObjects", &catalogue, &error)) << error;
    const std::size_t objects = catalogue.rows.size();
    const tables::JetTable table{"Written", columns, &written};
    struct Case {
        const char *what;
        std::string copy;
        std::size_t objects;
        const char *why; // "" when the copy is as it should be
    };
    const Case cases[] = {
        {"the same", make("Same.mdb", kept, written), objects, ""},
        {"a cell of another table", make("Cell.mdb", rowsOf({1, 9, 3}), written), objects,
         "does not give the table Kept as before"},
        {"a row fewer in another table", make("Fewer.mdb", rowsOf({1, 2}), written), objects,
         "does not give the table Kept as before"},
        {"a row more in another table", make("More.mdb", rowsOf({1, 2, 3, 4}), written), objects,
         "does not give the table Kept as before"},
        {"a row of the table written", make("Row.mdb", kept, rowsOf({4, 7, 6})), objects,
         "gives row 2 of the table Written otherwise"},
        {"rows of the table written", make("Count.mdb", kept, rowsOf({4, 7, 6, 8})), objects,
         "gives the table Written with 4 rows of 3"},
        {"the catalogue", make("Catalogue.mdb", kept, written), objects + 1,
         "does not give its catalogue whole"},
    };
    for (const Case &c : cases) {
        std::string why;
        EXPECT_EQ(tables::jetCheckWritten(file, c.copy, {table}, c.objects, &why), *c.why == '\0') << c.what;
        EXPECT_EQ(why, c.why) << c.what;
    }
}

} // namespace
} // namespace vesk
