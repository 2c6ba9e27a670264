#include "platform/tables/Tables.h"
#include "platform/tables/TableAddress.h"
#include "platform/tables/TableBackends.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vesk {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

// A shared Access file copied into a temporary folder; "" when the shared
// test files are missing.
std::string copyMdb(const TempDir &dir, const std::string &name) {
    const fs::path src = test::sharedTestFile("mdb/" + name);
    if (src.empty()) {
        return {};
    }
    auto dst = dir.path() / name;
    fs::copy_file(src, dst);
    fs::permissions(dst, fs::perms::owner_read | fs::perms::owner_write);
    return dst.string();
}

double number(const Cell &c) {
    auto *d = std::get_if<double>(&c);
    return d ? *d : -12345.0;
}

std::string text(const Cell &c) {
    auto *s = std::get_if<std::string>(&c);
    return s ? *s : "<not a text>";
}

TEST(AccessTables, OrderDetailsOfNorthwindHasAllRowsAndTheKnownFirstRow) {
    TempDir dir;
    auto file = copyMdb(dir, "nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    TableData t;
    std::string error;
    ASSERT_TRUE(readTable(file, "Order Details", &t, &error)) << error;
    ASSERT_EQ(t.fields,
              (std::vector<std::string>{"OrderID", "ProductID", "UnitPrice", "Quantity", "Discount"}));
    ASSERT_EQ(t.rows.size(), 2155u);
    EXPECT_EQ(number(t.rows[0][0]), 10248);
    EXPECT_EQ(number(t.rows[0][1]), 11);
    EXPECT_DOUBLE_EQ(number(t.rows[0][2]), 14.0);
    EXPECT_EQ(number(t.rows[0][3]), 12);
    EXPECT_EQ(number(t.rows[0][4]), 0);
}

TEST(AccessTables, ListingShowsUserTablesIncludingANonAsciiName) {
    TempDir dir;
    auto file = copyMdb(dir, "nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(tablesForChooser(file, &names, &error)) << error;
    for (auto expected : {"Order Details", "Orders", "Products", "Shippers", "Customers", "Umsätze"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
    }
    for (const auto &n : names) {
        EXPECT_NE(n.rfind("MSys", 0), 0u) << "system table listed: " << n;
    }
    TableData t;
    ASSERT_TRUE(readTable(file, "Umsätze", &t, &error)) << error;
    EXPECT_FALSE(t.fields.empty());
}

TEST(AccessTables, DatesAreReadAsIsoTextsIncludingUnusualYears) {
    TempDir dir;
    auto file = copyMdb(dir, "DateTestDatabase.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    TableData t;
    std::string error;
    ASSERT_TRUE(readTable(file, "datetest", &t, &error)) << error;
    ASSERT_EQ(t.fields.size(), 6u);
    EXPECT_EQ(t.fields[1], "DateTimeCol");
    ASSERT_FALSE(t.rows.empty());
    bool year9999 = false;
    for (const auto &row : t.rows) {
        if (!isNull(row[1])) {
            auto s = text(row[1]);
            EXPECT_EQ(s.size(), 19u) << s;
            year9999 = year9999 || s.rfind("9999-", 0) == 0;
        }
    }
    EXPECT_TRUE(year9999);
}

TEST(AccessTables, CreatingATableIsRefusedWithTheFileNamed) {
    TempDir dir;
    auto file = copyMdb(dir, "nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    auto before = test::readFile(file);
    std::string error;
    // Orders takes part in relationships: replacing it is refused.
    auto w = createTable(file, "Orders", {{"a", ColumnType::Float}}, &error);
    EXPECT_EQ(w, nullptr);
    EXPECT_NE(error.find(file), std::string::npos);
    EXPECT_NE(error.find("relationship"), std::string::npos) << error;
    EXPECT_EQ(test::readFile(file), before);
}

TEST(AccessTables, AMissingTableOrFileOrAFileOfAnotherKindIsAnErrorNamingIt) {
    TempDir dir;
    auto file = copyMdb(dir, "nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    TableData t;
    std::string error;
    EXPECT_FALSE(readTable(file, "NoSuchTable", &t, &error));
    EXPECT_NE(error.find("NoSuchTable"), std::string::npos);
    EXPECT_FALSE(readTable((dir.path() / "none.mdb").string(), "x", &t, &error));
    EXPECT_NE(error.find("none.mdb"), std::string::npos);
    auto fake = dir.write("fake.mdb", std::string(4096, 'x')).string();
    EXPECT_FALSE(readTable(fake, "x", &t, &error));
    EXPECT_NE(error.find("not an Access database"), std::string::npos);
    std::vector<TableInfo> list;
    EXPECT_FALSE(listTables(fake, &list, &error));
}

// Columns by name; a leading "$" marks a text column.
std::vector<TableColumn> columns(std::initializer_list<const char *> names) {
    std::vector<TableColumn> c;
    for (std::string n : names) {
        if (n.front() == '$') {
            c.push_back({n.substr(1), ColumnType::Text});
        } else {
            c.push_back({n, ColumnType::Float});
        }
    }
    return c;
}

TEST(ExcelTables, OwnWriterIsReadBackByFreeXlWithNumbersTextsAndNulls) {
    TempDir dir;
    auto file = (dir.path() / "out.xls").string();
    std::string error;
    auto w = createTable(file, "Hourly$", columns({"$date", "cNOx_mod_1", "$Straße"}), &error);
    ASSERT_NE(w, nullptr) << error;
    ASSERT_TRUE(w->append({std::string("05-01-2003"), 12.5, std::string("Öresund µg/m³")}, &error)) << error;
    ASSERT_TRUE(w->append({std::string("06-01-2003"), -99.0, 1e-7}, &error)) << error;
    ASSERT_TRUE(w->append({std::string("07-01-2003")}, &error)) << error;
    EXPECT_FALSE(w->append({1.0, 2.0, 3.0, 4.0}, &error));
    ASSERT_TRUE(w->close(&error)) << error;

    std::vector<TableInfo> list;
    ASSERT_TRUE(listTables(file, &list, &error)) << error;
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "Hourly$");
    TableData t;
    ASSERT_TRUE(readTable(file, "hourly$", &t, &error)) << error;
    EXPECT_EQ(t.fields, (std::vector<std::string>{"date", "cNOx_mod_1", "Straße"}));
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(text(t.rows[0][0]), "05-01-2003");
    EXPECT_DOUBLE_EQ(number(t.rows[0][1]), 12.5);
    EXPECT_EQ(text(t.rows[0][2]), "Öresund µg/m³");
    EXPECT_TRUE(isNull(t.rows[1][1])) << "-99 is stored as Null";
    EXPECT_EQ(text(t.rows[1][2]), "1e-07") << "a number in a text column is stored as text";
    EXPECT_TRUE(isNull(t.rows[2][1]));
}

TEST(ExcelTables, ANewTableKeepsTheOtherSheetsAndReplacesOneOfTheSameName) {
    TempDir dir;
    auto file = (dir.path() / "book.xls").string();
    std::string error;
    for (auto sheet : {"First", "Second", "first"}) {
        auto w = createTable(file, sheet, columns({"v"}), &error);
        ASSERT_NE(w, nullptr) << error;
        ASSERT_TRUE(w->append({std::string(sheet) == "first" ? 3.0 : 1.0}, &error));
        ASSERT_TRUE(w->close(&error)) << error;
    }
    std::vector<TableInfo> list;
    ASSERT_TRUE(listTables(file, &list, &error)) << error;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "first$") << "replaced where it stands";
    EXPECT_EQ(list[1].name, "Second$");
    TableData t;
    ASSERT_TRUE(readTable(file, "FIRST$", &t, &error)) << error;
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(number(t.rows[0][0]), 3.0);
}

// The rows of a workbook's tables as read back: one count per sheet name.
std::vector<std::pair<std::string, std::size_t>> sheetRows(const std::string &file) {
    std::vector<TableInfo> list;
    std::string error;
    EXPECT_TRUE(listTables(file, &list, &error)) << error;
    std::vector<std::pair<std::string, std::size_t>> out;
    for (const auto &info : list) {
        TableData t;
        EXPECT_TRUE(readTable(file, info.name, &t, &error)) << error;
        out.emplace_back(info.name, t.rows.size());
    }
    return out;
}

TEST(TableSessions, TablesOfOneWorkbookAreWrittenTogetherWhicheverClosesLast) {
    for (bool hourlyFirst : {true, false}) {
        TempDir dir;
        const auto file = (dir.path() / "Results.xls").string();
        std::string error;
        TableSession session;
        auto hourly = session.createTable(file, "Hourly$", columns({"hour", "cNO2_mod_1"}), &error);
        ASSERT_NE(hourly, nullptr) << error;
        auto second = session.createTable(file, "Hourly2$", columns({"hour"}), &error);
        ASSERT_NE(second, nullptr) << error;
        auto stats = session.createTable(file, "Stat", columns({"$Series", "Average_1"}), &error);
        ASSERT_NE(stats, nullptr) << error;
        for (int h = 1; h <= 48; ++h) {
            ASSERT_TRUE(hourly->append({double(h), 40.0 + h}, &error)) << error;
            ASSERT_TRUE(second->append({double(h)}, &error)) << error;
        }
        ASSERT_TRUE(stats->append({std::string("NO2_mod"), 64.5}, &error)) << error;
        EXPECT_FALSE(fs::exists(file)) << "nothing is written before the tables are closed";
        if (hourlyFirst) {
            ASSERT_TRUE(hourly->close(&error)) << error;
            ASSERT_TRUE(second->close(&error)) << error;
            EXPECT_FALSE(fs::exists(file)) << "the statistics are still open";
            ASSERT_TRUE(stats->close(&error)) << error;
        } else {
            ASSERT_TRUE(stats->close(&error)) << error;
            ASSERT_TRUE(second->close(&error)) << error;
            ASSERT_TRUE(hourly->close(&error)) << error;
        }
        EXPECT_EQ(sheetRows(file), (std::vector<std::pair<std::string, std::size_t>>{
                                       {"Hourly$", 48}, {"Hourly2$", 48}, {"Stat$", 1}}));
    }
}

// A second program (Spreadsheet::ParseExcel) finds every sheet of a
// workbook written by several tables whole: names, rows and values.
TEST(TableSessions, AWorkbookOfSeveralTablesIsReadWholeByAnIndependentReader) {
    if (std::system("perl -MSpreadsheet::ParseExcel -e 1 >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "perl or Spreadsheet::ParseExcel is missing";
    }
    TempDir dir;
    const auto file = (dir.path() / "Results.xls").string();
    std::string error;
    TableSession session;
    auto hourly = session.createTable(file, "Hourly", columns({"hour", "cNO2_mod_1"}), &error);
    auto stats = session.createTable(file, "Statistics", columns({"$Series", "Average_1"}), &error);
    ASSERT_TRUE(hourly && stats) << error;
    for (int h = 1; h <= 8760; ++h) {
        ASSERT_TRUE(hourly->append({double(h), h * 0.25}, &error)) << error;
    }
    ASSERT_TRUE(stats->append({std::string("NO2_mod"), 38.25}, &error)) << error;
    ASSERT_TRUE(hourly->close(&error) && stats->close(&error)) << error;
    const auto script = dir.write("read.pl", R"(use Spreadsheet::ParseExcel;
my $wb = Spreadsheet::ParseExcel->new->parse($ARGV[0]) or die "cannot parse";
for my $ws ($wb->worksheets) {
  my ($r0, $r1) = $ws->row_range; my $sum = 0;
  for my $r (1 .. $r1) { my $c = $ws->get_cell($r, 1); $sum += $c->unformatted if $c; }
  print $ws->get_name, " ", $r1, " ", $ws->get_cell(0, 0)->unformatted, " ", $sum, "\n";
}
)");
    const auto out = dir.path() / "out.txt";
    const std::string cmd = "perl '" + script.string() + "' '" + file + "' > '" + out.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(test::readFile(out), "Hourly 8760 hour 9593295\nStatistics 1 Series 38.25\n");
}

TEST(TableSessions, AWorkbookWithATableGivenUpKeepsItsOldContents) {
    TempDir dir;
    const auto file = (dir.path() / "Results.xls").string();
    std::string error;
    {
        auto old = createTable(file, "Hourly", columns({"hour"}), &error);
        ASSERT_TRUE(old->append({1.0}, &error));
        ASSERT_TRUE(old->close(&error)) << error;
    }
    const std::string before = test::readFile(file);
    TableSession session;
    auto hourly = session.createTable(file, "Hourly", columns({"hour"}), &error);
    auto stats = session.createTable(file, "Stat", columns({"v"}), &error);
    ASSERT_TRUE(hourly && stats) << error;
    ASSERT_TRUE(hourly->append({2.0}, &error));
    ASSERT_TRUE(hourly->close(&error)) << error;
    stats.reset(); // a run that failed before its statistics
    EXPECT_EQ(test::readFile(file), before);
}

TEST(TableSessions, TwoTablesOfOneRunInOneSheetOrOneLotusFileAreRefused) {
    TempDir dir;
    std::string error;
    TableSession session;
    const auto book = (dir.path() / "Results.xls").string();
    auto first = session.createTable(book, "Hourly$", columns({"hour"}), &error);
    ASSERT_NE(first, nullptr) << error;
    EXPECT_EQ(session.createTable(book, "'hourly'", columns({"day"}), &error), nullptr);
    EXPECT_NE(error.find("already receives a table named hourly"), std::string::npos) << error;
    const auto lotus = (dir.path() / "Results.wk1").string();
    auto one = session.createTable(lotus, "A:", columns({"hour"}), &error);
    ASSERT_NE(one, nullptr) << error;
    EXPECT_EQ(session.createTable(lotus, "B:", columns({"day"}), &error), nullptr);
    EXPECT_NE(error.find("a .wk1 file holds one worksheet"), std::string::npos) << error;
}

TEST(ExcelTables, LargeWorkbooksUseRegularSectorsAndManySharedStrings) {
    TempDir dir;
    auto file = (dir.path() / "big.xls").string();
    std::string error;
    auto w = createTable(file, "Big", columns({"n", "$label", "x"}), &error);
    ASSERT_NE(w, nullptr) << error;
    for (int i = 0; i < 20000; ++i) {
        ASSERT_TRUE(w->append({double(i), "row " + std::to_string(i), i * 0.5}, &error));
    }
    ASSERT_TRUE(w->close(&error)) << error;
    EXPECT_GT(fs::file_size(file), 7u * 1024 * 1024 / 10);
    TableData t;
    ASSERT_TRUE(readTable(file, "Big$", &t, &error)) << error;
    ASSERT_EQ(t.rows.size(), 20000u);
    EXPECT_EQ(text(t.rows[19999][1]), "row 19999");
    EXPECT_DOUBLE_EQ(number(t.rows[12345][2]), 6172.5);
}

// Texts longer than one record holds (8,224 bytes: 4,111 characters outside
// Latin-1, 8,223 within it) go on in the CONTINUE records of the shared-text
// table, split wherever the record is full, and read back whole, up to the
// most a cell of ours holds.
std::string repeated(const std::string &piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

std::vector<std::string> longTexts() {
    return {repeated("Ленинградский проспект ", 200),  // 4,600 Cyrillic and blanks
            repeated("東京都千代田区", 1174) + "東京", // 8,220 CJK
            repeated("Straße µg/m³ ", 1000),           // 13,000 within Latin-1
            "short",
            repeated("ä", 8220) + "Ω", // 8,221, the most outside Latin-1
            repeated("ä", 16444)};     // the most within Latin-1
}

TEST(ExcelTables, TextsLongerThanARecordReadBackWhole) {
    TempDir dir;
    const auto file = (dir.path() / "long.xls").string();
    std::string error;
    auto w = createTable(file, "Names", columns({"n", "$name"}), &error);
    ASSERT_NE(w, nullptr) << error;
    const std::vector<std::string> texts = longTexts();
    // Shorter texts before each long one shift where the records end.
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_TRUE(w->append({double(i), std::string(i * 7, 'x')}, &error)) << error;
        ASSERT_TRUE(w->append({double(i), texts[i]}, &error)) << error;
    }
    ASSERT_TRUE(w->close(&error)) << error;
    TableData t;
    ASSERT_TRUE(readTable(file, "Names$", &t, &error)) << error;
    ASSERT_EQ(t.rows.size(), 2 * texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(text(t.rows[2 * i + 1][1]), texts[i]) << "text " << i;
    }

    if (std::system("perl -MSpreadsheet::ParseExcel -e 1 >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "perl or Spreadsheet::ParseExcel is missing";
    }
    // A second program reads the same texts: their lengths in characters.
    const auto script = dir.write("read.pl", R"(use Spreadsheet::ParseExcel;
my $ws = (Spreadsheet::ParseExcel->new->parse($ARGV[0]) or die "cannot parse")->worksheet(0);
my (undef, $r1) = $ws->row_range;
for my $r (1 .. $r1) { print length($ws->get_cell($r, 1)->value), "\n" if $r % 2 == 0; }
)");
    const auto out = dir.path() / "out.txt";
    const std::string cmd = "perl '" + script.string() + "' '" + file + "' > '" + out.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(test::readFile(out), "4600\n8220\n13000\n5\n8221\n16444\n");
}

TEST(ExcelTables, AnEmptyTextIsAnEmptyCellAndLeavesTheWorkbookReadable) {
    TempDir dir;
    const auto file = (dir.path() / "empty.xls").string();
    std::string error;
    auto w = createTable(file, "Streets", columns({"n", "$name", "$trafficfile"}), &error);
    ASSERT_NE(w, nullptr) << error;
    ASSERT_TRUE(w->append({1.0, std::string("Ring Avenue"), std::string()}, &error)) << error;
    ASSERT_TRUE(w->append({2.0, std::string(), std::string("CityStreet.trf")}, &error)) << error;
    ASSERT_TRUE(w->close(&error)) << error;
    TableData t;
    ASSERT_TRUE(readTable(file, "Streets$", &t, &error)) << error;
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(text(t.rows[0][1]), "Ring Avenue");
    EXPECT_TRUE(isNull(t.rows[0][2]));
    EXPECT_TRUE(isNull(t.rows[1][1]));
    EXPECT_EQ(text(t.rows[1][2]), "CityStreet.trf");
}

TEST(ExcelTables, ATextLongerThanACellHoldsIsRefusedNotCut) {
    TempDir dir;
    const auto file = (dir.path() / "long.xls").string();
    std::string error;
    auto w = createTable(file, "Names", columns({"n", "$name"}), &error);
    ASSERT_NE(w, nullptr) << error;
    EXPECT_FALSE(w->append({1.0, repeated("ä", 8221) + "Ω"}, &error));
    EXPECT_NE(error.find("a cell holds at most 8221 characters (16444 when all are Latin-1)"),
              std::string::npos)
        << error;
    EXPECT_FALSE(w->append({1.0, repeated("a", 16445)}, &error));
    EXPECT_TRUE(w->append({1.0, repeated("a", 16444)}, &error)) << error;
}

TEST(ExcelTables, AWorkbookWrittenBySpreadsheetWriteExcelIsRead) {
    if (std::system("perl -MSpreadsheet::WriteExcel -e 1 >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "perl or Spreadsheet::WriteExcel is missing";
    }
    TempDir dir;
    auto file = (dir.path() / "perl.xls").string();
    auto script = dir.write("make.pl", R"(use Spreadsheet::WriteExcel;
my $wb = Spreadsheet::WriteExcel->new($ARGV[0]) or die;
my $ws = $wb->add_worksheet('Met data');
$ws->write(0, 0, 'day'); $ws->write(0, 1, 'hour'); $ws->write(0, 2, 'u_mast'); $ws->write(0, 4, 'note');
for my $r (1 .. 48) { $ws->write($r, 0, 1 + int(($r - 1) / 24)); $ws->write($r, 1, 1 + ($r - 1) % 24);
  $ws->write($r, 2, 2.5 + $r / 10); $ws->write($r, 4, "h$r"); }
my $other = $wb->add_worksheet('Other');
$other->write(0, 0, 'x');
$wb->close();
)");
    std::string cmd = "perl '" + script.string() + "' '" + file + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    auto before = test::readFile(file);
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(tablesForChooser(file, &names, &error)) << error;
    EXPECT_EQ(names, (std::vector<std::string>{"Met data$", "Other$"}));
    TableData t;
    ASSERT_TRUE(readTable(file, "Met data$", &t, &error)) << error;
    EXPECT_EQ(t.fields, (std::vector<std::string>{"day", "hour", "u_mast", "F4", "note"}));
    ASSERT_EQ(t.rows.size(), 48u);
    EXPECT_EQ(number(t.rows[47][0]), 2);
    EXPECT_EQ(number(t.rows[47][1]), 24);
    EXPECT_DOUBLE_EQ(number(t.rows[0][2]), 2.6);
    EXPECT_TRUE(isNull(t.rows[0][3]));
    EXPECT_EQ(text(t.rows[47][4]), "h48");

    // Its other sheets may hold formulas and formats we cannot keep: adding
    // or replacing a sheet is refused and the workbook stays as it was.
    bool refused = false;
    EXPECT_EQ(createTable(file, "Results", {{"a", ColumnType::Float}}, &error, &refused), nullptr);
    EXPECT_TRUE(refused);
    EXPECT_NE(error.find(file), std::string::npos);
    EXPECT_EQ(createTable(file, "Met data$", {{"a", ColumnType::Float}}, &error), nullptr);
    EXPECT_EQ(test::readFile(file), before);
}

// The compound file around the workbook is read by a second, independent
// reader (the one Spreadsheet::WriteExcel is built on), for a stream in the
// mini stream, one just at the limit, and one needing extra FAT index sectors.
TEST(ExcelTables, CompoundFileIsReadByAnIndependentReader) {
    if (std::system("perl -MOLE::Storage_Lite -e 1 >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "perl or OLE::Storage_Lite is missing";
    }
    TempDir dir;
    auto script = dir.write("read.pl", R"(use OLE::Storage_Lite;
my $root = OLE::Storage_Lite->new($ARGV[0])->getPpsTree(1) or die "no tree";
for my $c (@{$root->{Child}}) {
  print OLE::Storage_Lite::Ucs2Asc($c->{Name}), " ", length($c->{Data}), " ", unpack("%32C*", $c->{Data}), "\n";
}
)");
    for (std::size_t size : {100u, 4095u, 4096u, 9000000u}) {
        std::string stream(size, '\0');
        unsigned long sum = 0;
        for (std::size_t i = 0; i < size; ++i) {
            stream[i] = static_cast<char>((i * 7919u + i / 13u) & 0xFF);
            sum += static_cast<unsigned char>(stream[i]);
        }
        auto file = dir.path() / ("c" + std::to_string(size) + ".bin");
        std::string error;
        ASSERT_TRUE(tables::saveFile(file.string(), tables::compoundFile(stream), &error)) << error;
        auto out = dir.path() / "out.txt";
        std::string cmd = "perl '" + script.string() + "' '" + file.string() + "' > '" + out.string() + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        EXPECT_EQ(test::readFile(out),
                  "Workbook " + std::to_string(size) + " " + std::to_string(sum % 4294967296ul) + "\n")
            << size;
    }
}

TEST(TableWriters, ValuesTakeTheTypeOfTheirColumn) {
    TempDir dir;
    auto file = (dir.path() / "types.xls").string();
    std::string error;
    auto w = createTable(
        file, "T", {{"f", ColumnType::Float}, {"i", ColumnType::Integer}, {"s", ColumnType::Short}}, &error);
    ASSERT_NE(w, nullptr) << error;
    ASSERT_TRUE(w->append({std::string(" 12,5 "), 2.5, 3.5}, &error)) << error;
    ASSERT_TRUE(w->append({std::string("-99"), -2.5, -32768.0}, &error)) << error;
    EXPECT_FALSE(w->append({std::string("abc")}, &error));
    EXPECT_NE(error.find("abc"), std::string::npos);
    EXPECT_FALSE(w->append({1.0, 1.0, 40000.0}, &error));
    EXPECT_EQ(w->rowCount(), 2u);
    ASSERT_TRUE(w->close(&error)) << error;
    TableData t;
    ASSERT_TRUE(readTable(file, "T", &t, &error)) << error;
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(number(t.rows[0][0]), 12.5);
    EXPECT_EQ(number(t.rows[0][1]), 2) << "halves to even";
    EXPECT_EQ(number(t.rows[0][2]), 4);
    EXPECT_TRUE(isNull(t.rows[1][0]));
    EXPECT_EQ(number(t.rows[1][1]), -2);
    EXPECT_TRUE(isNull(t.rows[1][2])) << "-32768 is a missing value, not a short integer";
}

TEST(LotusTables, OwnWk1WriterIsReadBackByLibwps) {
    TempDir dir;
    auto file = (dir.path() / "out.wk1").string();
    std::string error;
    auto w = createTable(file, "Results:", columns({"hour", "cNO2_mod_1", "$street"}), &error);
    ASSERT_NE(w, nullptr) << error;
    ASSERT_TRUE(w->append({1.0, 45.25, std::string("Main Street")}, &error));
    ASSERT_TRUE(w->append({2.0, -99.0, std::string("Café")}, &error));
    ASSERT_TRUE(w->close(&error)) << error;
    std::vector<TableInfo> list;
    ASSERT_TRUE(listTables(file, &list, &error)) << error;
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name.back(), ':');
    TableData t;
    ASSERT_TRUE(readTable(file, "Results:", &t, &error)) << error;
    EXPECT_EQ(t.fields, (std::vector<std::string>{"hour", "cNO2_mod_1", "street"}));
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(number(t.rows[0][0]), 1);
    EXPECT_DOUBLE_EQ(number(t.rows[0][1]), 45.25);
    EXPECT_EQ(text(t.rows[0][2]), "Main Street");
    EXPECT_TRUE(isNull(t.rows[1][1]));
    EXPECT_EQ(text(t.rows[1][2]), "Café");
}

TEST(TableNames, BracketsAndControlCharactersAreRefusedNotWritten) {
    TempDir dir;
    auto file = (dir.path() / "x.xls").string();
    std::string error;
    EXPECT_EQ(createTable(file, "Bad]Name", columns({"a"}), &error), nullptr);
    EXPECT_EQ(createTable(file, "Good", columns({"a]"}), &error), nullptr);
    EXPECT_NE(error.find("a]"), std::string::npos);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(sameTableName("'My Sheet$'", "my sheet"));
    EXPECT_TRUE(sameTableName("A:", "a"));
    EXPECT_FALSE(sameTableName("Sheet1", "Sheet2"));
}

TEST(TableNames, LetterCaseIsFoldedOverUnicode) {
    EXPECT_TRUE(sameTableName("Umsätze", "UMSÄTZE"));
    EXPECT_TRUE(sameTableName("Мир", "мИР"));
    EXPECT_TRUE(sameTableName("Σοφίας", "ΣΟΦΊΑΣ")) << "a final sigma";
    EXPECT_TRUE(sameTableName("Straße", "STRAẞE")) << "a capital sharp s";
    EXPECT_FALSE(sameTableName("Straße", "STRASSE"))
        << "one key in Access's index, but not one name by letter case";
    EXPECT_EQ(foldCase("KÖLN"), "köln");
    EXPECT_EQ(foldCase("KOLN \xFF"), "koln \xFF") << "bytes that are not UTF-8 kept";
}

// Which names one table: the syntax of sheet addresses ("$", ":") for sheets
// only; letter case and apostrophes around a name for both.
struct NamePair {
    const char *a, *b;
    bool sheets, access;
};

const NamePair kNamePairs[] = {
    {"DateTest", "DATETEST", true, true}, {"Umsätze", "UMSÄTZE", true, true},  {"Cost$", "Cost", true, false},
    {"Rate:", "rate", true, false},       {"'Quoted'", "quoted", true, true},  {"Cost$", "COST$", true, true},
    {"Straße", "STRASSE", false, false},  {"Hourly", "Hourly2", false, false},
};

class TableNamePairs : public testing::TestWithParam<NamePair> {};

TEST_P(TableNamePairs, NameOneTableAsTheirFileKindTakesThem) {
    EXPECT_EQ(sameTableName(GetParam().a, GetParam().b), GetParam().sheets);
    EXPECT_EQ(sameTableNameIn("x.xls", GetParam().a, GetParam().b), GetParam().sheets);
    EXPECT_EQ(sameTableNameIn("x.MDB", GetParam().a, GetParam().b), GetParam().access);
    EXPECT_EQ(sameAccessTableName(GetParam().b, GetParam().a), GetParam().access);
}

INSTANTIATE_TEST_SUITE_P(Names, TableNamePairs, testing::ValuesIn(kNamePairs),
                         [](const auto &info) { return "p" + std::to_string(info.index); });

// The tables of a database that a table written under a name replaces:
// those of the name and those of the name in one pair of apostrophes, letter
// case aside. The name in apostrophes is another table than the name
// without them, and replaces only itself.
TEST(TableNames, AnAccessTableReplacesTablesOfItsNameWithOrWithoutOnePairOfApostrophes) {
    EXPECT_TRUE(accessNameReplaces("Quoted", "QUOTED"));
    EXPECT_TRUE(accessNameReplaces("'Quoted'", "quoted"));
    EXPECT_TRUE(accessNameReplaces("'Quoted'", "'QUOTED'")) << "a table of the very name given";
    EXPECT_TRUE(accessNameReplaces("'Umsätze'", "UMSÄTZE"));
    EXPECT_FALSE(accessNameReplaces("Quoted", "'Quoted'"));
    EXPECT_FALSE(accessNameReplaces("''Quoted''", "Quoted")) << "one pair of apostrophes only";
    EXPECT_TRUE(accessNameReplaces("''Quoted''", "'Quoted'"));
    EXPECT_FALSE(accessNameReplaces("'Quoted", "Quoted"));
    EXPECT_FALSE(accessNameReplaces("'Cost$'", "Cost")) << "\"$\" is a character of the name";
    EXPECT_FALSE(accessNameReplaces("'", "")) << "a lone apostrophe is no pair";
    EXPECT_TRUE(sameAccessTableName("Quoted", "'Quoted'")) << "one of them replaces the other";
    EXPECT_FALSE(tableReplacedIn("x.mdb", "Quoted", "'Quoted'"));
    EXPECT_TRUE(tableReplacedIn("x.xls", "Quoted$", "'Quoted'")) << "sheets: apostrophes are syntax";
    EXPECT_EQ(accessReplacement("'Quoted'", "quoted"),
              "a table written as quoted replaces one named 'Quoted'");
    EXPECT_EQ(accessReplacement("Quoted", "'Quoted'"),
              "a table written as Quoted replaces one named 'Quoted'");
}

TEST(TableNames, AnAccessTableIsNamedAsWrittenASheetWithoutItsAddressSyntax) {
    EXPECT_EQ(tableNameIn("x.mdb", "'Cost$'"), "'Cost$'");
    EXPECT_EQ(tableNameIn("x.xls", "'Cost$'"), "Cost");
    EXPECT_EQ(tableNameIn("x.wk3", "Rate:"), "Rate");
}

} // namespace
} // namespace vesk

TEST(TableFiles, ADeviceNamedAsAWorkbookOrDatabaseIsRefusedAtOnce) {
    vesk::test::TempDir dir;
    for (const char *name : {"Zero.xls", "Zero.mdb", "Zero.wk1", "Zero.txt"}) {
        const auto link = dir.path() / name;
        std::filesystem::create_symlink("/dev/zero", link);
        std::vector<vesk::TableInfo> tables;
        vesk::TableData data;
        std::string error;
        EXPECT_FALSE(vesk::readTable(link.string(), "Sheet1", &data, &error)) << name;
        EXPECT_NE(error.find("is not a regular file"), std::string::npos) << error;
        if (vesk::tableKindOfFile(link.string()) != vesk::TableKind::Text) {
            EXPECT_FALSE(vesk::listTables(link.string(), &tables, &error)) << name;
            EXPECT_NE(error.find("is not a regular file"), std::string::npos) << error;
        }
    }
}
