#include "calc/TableRoutines.h"
#include "calc/RunErrors.h"
#include "platform/Isolation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

KeyedList<VESKVar> catalogue() {
    KeyedList<VESKVar> c;
    c.add("A", VESKVar{"", "", "A", "float"});
    c.add("hour", VESKVar{"", "", "hour", "integer"});
    c.add("cNOx_mod_1", VESKVar{"", "", "cNOx_mod_1", "float"});
    c.add("date", VESKVar{"", "", "date", "text"});
    c.add("T", VESKVar{"", "", "T", "short"});
    return c;
}

TEST(CreateStatement, RepeatedAndPlaceholderNamesGetTheirOwnColumns) {
    std::string s;
    std::vector<TableColumn> cols;
    long err = 0;
    std::string text;
    ASSERT_TRUE(CreateTableStatement("T", {"A", "?", "A", "A"}, catalogue(), &s, &cols, &err, &text)) << text;
    EXPECT_EQ(s, "CREATE TABLE [T] ( [A] float, [F2] text, [A(1)] float, [A(2)] float)");
    ASSERT_EQ(cols.size(), 4u);
    EXPECT_EQ(cols[2].name, "A(1)");
    EXPECT_EQ(cols[1].type, ColumnType::Text);

    ASSERT_TRUE(
        CreateTableStatement("Out", {"\"Street\"", "hour", "t"}, catalogue(), &s, &cols, &err, &text));
    EXPECT_EQ(s, "CREATE TABLE [Out] ( [Street] text, [hour] integer, [t] short)");

    ASSERT_TRUE(CreateTableStatement("a", {"A", "a"}, catalogue(), &s, &cols, &err, &text));
    EXPECT_EQ(s, "CREATE TABLE [a] ( [A(1)] float, [a(2)] float)") << "the table name counts as taken";
}

// Each type name a variable list may give a variable (letter case and
// blanks aside) and the column it gets; any other name gets a text column.
TEST(CreateStatement, EveryTypeNameOfAVariableGetsItsColumnType) {
    const struct {
        const char *dataType;
        const char *column;
    } cases[] = {{"integer", "integer"}, {"Long", "integer"}, {"int", "integer"}, {"short", "short"},
                 {"SmallInt", "short"},  {" byte ", "short"}, {"float", "float"}, {"single", "float"},
                 {"Double", "float"},    {"real", "float"},   {"text", "text"},   {"date", "text"}};
    for (const auto &c : cases) {
        KeyedList<VESKVar> list;
        list.add("v", VESKVar{"", "", "v", c.dataType});
        std::string s, text;
        std::vector<TableColumn> cols;
        long err = 0;
        ASSERT_TRUE(CreateTableStatement("T", {"v"}, list, &s, &cols, &err, &text)) << text;
        EXPECT_EQ(s, std::string("CREATE TABLE [T] ( [v] ") + c.column + ")") << c.dataType;
    }
}

// The columns of names that repeat, in any letter case, that end in a
// number in brackets, or that take the table's own name: each gets the name
// the earlier naming gave it (which searched the statement text once per
// number tried; the expectations are its results).
TEST(CreateStatement, RepeatedNamesAreNumberedAsTheyAlwaysWere) {
    struct Case {
        std::string table;
        std::vector<std::string> names, columns;
    } cases[] = {
        {"T", {"A", "F2", "A", "A"}, {"A", "F2", "A(1)", "A(2)"}},
        {"a", {"A", "a"}, {"A(1)", "a(2)"}},
        {"A(1)", {"A", "A", "a"}, {"A", "A(2)", "a(3)"}},
        {"T", {"T", "t", "T(1)"}, {"T(1)", "t(2)", "T(3)"}},
        {"T",
         {"A", "A(1)", "A", "A(2)", "A", "a(4)", "A"},
         {"A", "A(1)", "A(2)", "A(3)", "A(4)", "a(5)", "A(6)"}},
        {"T",
         {"A", "A", "A", "A", "A", "A(1)", "A(1)", "A(1)", "A", "A", "A(3)"},
         {"A", "A(1)", "A(2)", "A(3)", "A(4)", "A(5)", "A(6)", "A(7)", "A(8)", "A(9)", "A(10)"}},
        {"T", {"X(3)", "X(3)", "X(3)", "x(4)"}, {"X(3)", "X(4)", "X(5)", "x(6)"}},
        {"T", {"B(1)", "b", "B", "B"}, {"B(1)", "b", "B(2)", "B(3)"}},
        {"T",
         {"f(x)", "f(x)", "f(a)(b", "f(a)(b", "f(", "f("},
         {"f(x)", "f(1)", "f(a)(b", "f(a)(1)", "f(", "f(2)"}},
        {"T", {"X(-2)", "X(-2)", "X(-2)", "X(-2)"}, {"X(-2)", "X(-1)", "X(0)", "X(1)"}},
        {"T",
         {"X( 2.7)", "X( 2.7)", "X(1e1)", "X(1e1)", "Y(1d1x)", "Y(1d1x)"},
         {"X( 2.7)", "X(3)", "X(1e1)", "X(11)", "Y(1d1x)", "Y(11)"}},
        {"T", {"", "", "(", "("}, {"", "(1)", "(", "(2)"}},
        {"T", {"X(1e300)", "X(1e300)"}, {"X(1e300)", "X(-9223372036854775807)"}},
        // Where the earlier naming never ended (it read each number back as a
        // double, which beyond 2^53 or at the end of the range gives the
        // same name again), the count goes on.
        {"T", {"X(9007199254740993)", "X(9007199254740993)"}, {"X(9007199254740993)", "X(9007199254740994)"}},
        {"T",
         {"X(1e300)", "X(1e300)", "X(1e300)"},
         {"X(1e300)", "X(-9223372036854775807)", "X(-9223372036854775806)"}},
    };
    for (const Case &c : cases) {
        std::vector<std::string> quoted; // text columns: no catalogue needed
        for (const std::string &name : c.names) {
            quoted.push_back("\"" + name + "\"");
        }
        std::string s, text;
        std::vector<TableColumn> cols;
        long err = 0;
        ASSERT_TRUE(CreateTableStatement(c.table, quoted, catalogue(), &s, &cols, &err, &text)) << text;
        std::vector<std::string> names;
        std::string expected = "CREATE TABLE [" + c.table + "] (";
        for (std::size_t i = 0; i < cols.size(); ++i) {
            names.push_back(cols[i].name);
            expected += " [" + c.columns[i] + "] text" + (i + 1 < cols.size() ? "," : "");
        }
        EXPECT_EQ(names, c.columns) << "table " << c.table;
        EXPECT_EQ(s, expected + ")");
    }
}

// Each repeat of a name costs a few look-ups, not a count through the
// numbers given before it. 100,000 repeats of one name take about 0.3 s (a
// second or two under the sanitizers; bench/columns_bench prints the
// figures), where a count from 1 for each repeat takes some 5 s for 10,000
// and ten minutes or more for 100,000: they are named in a helper process
// stopped after 20 s, far from either.
TEST(CreateStatement, ManyRepeatsOfANameAreNumberedInTimeThatGrowsWithTheirNumber) {
    const IsolationLimits limits{20};
    const IsolatedResult r = runIsolated(
        [](std::string *bytes, std::string *) {
            const std::vector<std::string> names(100000, "cNOx_mod_1");
            std::string s, text;
            std::vector<TableColumn> cols;
            long err = 0;
            *bytes = CreateTableStatement("Hourly", names, catalogue(), &s, &cols, &err, &text)
                         ? cols.back().name
                         : text;
            return true;
        },
        limits);
    ASSERT_EQ(r.end, IsolatedEnd::Finished) << isolationFailureReason(r, limits);
    EXPECT_EQ(r.bytes, "cNOx_mod_1(99999)");
}

TEST(CreateStatement, RefusesBracketsAndUnknownColumns) {
    std::string s;
    std::vector<TableColumn> cols;
    long err = 0;
    std::string text;
    EXPECT_FALSE(CreateTableStatement("T", {"\"a]b\""}, catalogue(), &s, &cols, &err, &text));
    EXPECT_EQ(err, kErrTableRefused);
    EXPECT_FALSE(CreateTableStatement("T];DROP", {"A"}, catalogue(), &s, &cols, &err, &text));
    EXPECT_EQ(err, kErrTableRefused);
    EXPECT_FALSE(CreateTableStatement("T", {"nosuchvar"}, catalogue(), &s, &cols, &err, &text));
    EXPECT_EQ(err, 5);
    EXPECT_NE(text.find("nosuchvar"), std::string::npos);
}

TEST(OpenInputTable, ClassifiesAddressesAndReportsTheFirstError) {
    TempDir dir;
    auto txt = dir.write("met.txt", "day,hour\r\n1,1\r\n").string();
    InputTable t;
    long err = -1;
    OpenInputTable(txt, t, &err);
    EXPECT_EQ(err, 0);
    EXPECT_FALSE(t.IsTable);
    EXPECT_EQ(t.TextPath, txt);

    struct Case {
        std::string address;
        long error;
    } cases[] = {
        {(dir.path() / "none.txt").string(), kErrFileNotFound},
        {(dir.path() / "nofolder" / "none.txt").string(), kErrPathNotFound},
        {(dir.path() / "db.mdb").string(), kErrNoDataTable},
        {(dir.path() / "book.xls;").string(), kErrNoDataTable},
        {(dir.path() / "book.xlsx;Sheet1$").string(), kErrTableRefused},
        {(dir.path() / "missing.xls;Sheet1$").string(), kErrCannotOpen},
        {txt + ";Sheet1$", kErrFileNotFound},
    };
    for (const auto &c : cases) {
        InputTable x;
        long e = 0;
        std::string text;
        OpenInputTable(c.address, x, &e, &text);
        EXPECT_EQ(e, c.error) << c.address;
        EXPECT_FALSE(x.IsTable) << c.address;
        EXPECT_FALSE(text.empty()) << c.address;
    }
}

TEST(OpenInputTable, ReadsASheetWholeAndAMissingSheetIsNamed) {
    TempDir dir;
    auto book = (dir.path() / "met.xls").string();
    std::string error;
    auto w =
        createTable(book, "Sheet1", {{"day", ColumnType::Integer}, {"u_mast", ColumnType::Float}}, &error);
    ASSERT_NE(w, nullptr) << error;
    ASSERT_TRUE(w->append({1.0, 3.5}, &error));
    ASSERT_TRUE(w->close(&error));

    InputTable t;
    long err = 0;
    OpenInputTable(book + ";Sheet1$", t, &err);
    ASSERT_EQ(err, 0);
    EXPECT_TRUE(t.IsTable);
    EXPECT_EQ(t.FieldCount, 2);
    ASSERT_EQ(t.Recordset.rows.size(), 1u);

    InputTable m;
    std::string text;
    OpenInputTable(book + ";Other$", m, &err, &text);
    EXPECT_EQ(err, kErrNoSuchTable);
    EXPECT_NE(text.find("Other$"), std::string::npos);
}

TEST(OpenTables, ADamagedOrTablelessWorkbookIsReadOnceToTellTheTwoApart) {
    TempDir dir;
    const auto book = (dir.path() / "met.xls").string();
    std::string error;
    auto w = createTable(book, "Sheet1", {{"day", ColumnType::Integer}}, &error);
    ASSERT_NE(w, nullptr) << error;
    ASSERT_TRUE(w->append({1.0}, &error));
    ASSERT_TRUE(w->close(&error));
    const std::string whole = test::readFile(book);
    const auto damaged = dir.write("damaged.xls", whole.substr(0, whole.size() / 2)).string();

    struct Case {
        std::string address;
        long number;
    };
    for (const Case &k :
         {Case{book + ";Other$", kErrNoSuchTable}, Case{damaged + ";Sheet1$", kErrCannotOpen}}) {
        SCOPED_TRACE(k.address);
        InputTable t;
        long err = 0;
        std::string text;
        const std::uint64_t before = isolatedRunsStarted();
        OpenInputTable(k.address, t, &err, &text);
        EXPECT_EQ(err, k.number) << text;
        EXPECT_EQ(isolatedRunsStarted() - before, 1u) << "one reading gives both answers";
    }
    test::ScriptedInteraction ui;
    OutputTable out;
    long err = 0;
    std::string text;
    const std::uint64_t before = isolatedRunsStarted();
    OpenOutputTable(damaged + ";Hourly", "", {"hour"}, catalogue(), out, ui, &err, &text);
    EXPECT_EQ(err, kErrCannotOpen);
    EXPECT_NE(text.find("is damaged"), std::string::npos) << text;
    EXPECT_EQ(isolatedRunsStarted() - before, 1u);
    EXPECT_EQ(test::readFile(damaged), whole.substr(0, whole.size() / 2));
}

TEST(OpenOutputTable, TextFileGetsItsHeaderInAnExistingFolderAndNoFolderIsCreated) {
    TempDir dir;
    test::ScriptedInteraction ui;
    OutputTable t;
    long err = -1;
    fs::create_directory(dir.path() / "res");
    auto path = (dir.path() / "res" / "out.txt").string();
    OpenOutputTable(path, "date;cNOx_mod_1", {"date", "cNOx_mod_1"}, catalogue(), t, ui, &err);
    ASSERT_EQ(err, 0);
    EXPECT_TRUE(t.writeLine("05-01-2003;12.5"));
    ASSERT_TRUE(t.commit(&err));
    EXPECT_EQ(test::readFile(path), "date;cNOx_mod_1\r\n05-01-2003;12.5\r\n");

    for (const fs::path &missing : {dir.path() / "new" / "out.txt", dir.path() / "a" / "b" / "out.txt",
                                    dir.path() / "book" / "out.xls"}) {
        SCOPED_TRACE(missing.string());
        OutputTable other;
        std::string text;
        const std::string address = missing.string() + (missing.extension() == ".xls" ? ";Sheet1$" : "");
        OpenOutputTable(address, "h", {"hour"}, catalogue(), other, ui, &err, &text);
        EXPECT_EQ(err, kErrPathNotFound);
        EXPECT_NE(text.find(missing.parent_path().string()), std::string::npos) << text;
        EXPECT_FALSE(fs::exists(missing.parent_path())) << "no folder is created";
    }
    EXPECT_FALSE(fs::exists(dir.path() / "a"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST(OpenOutputTable, AccessAndSpreadsheetTablesAreCreated) {
    TempDir dir;
    test::ScriptedInteraction ui;
    OutputTable t;
    long err = 0;
    std::string text;
    OpenOutputTable((dir.path() / "out.mdb;Hourly").string(), "", {"hour"}, catalogue(), t, ui, &err, &text);
    EXPECT_EQ(err, 0) << text;
    EXPECT_TRUE(t.IsTable);
    EXPECT_FALSE(fs::exists(dir.path() / "out.mdb")) << "the database is written when the table is finished";
    OutputTable foreign;
    dir.write("old.mdb", std::string(8192, 'x'));
    OpenOutputTable((dir.path() / "old.mdb;Hourly").string(), "", {"hour"}, catalogue(), foreign, ui, &err,
                    &text);
    EXPECT_EQ(err, kErrTableRefused);
    EXPECT_NE(text.find("old.mdb"), std::string::npos);
    EXPECT_FALSE(foreign.IsTable);

    OutputTable x;
    auto book = (dir.path() / "out.xls").string();
    OpenOutputTable(book + ";Sheet1$", "", {"date", "cNOx_mod_1", "?"}, catalogue(), x, ui, &err);
    ASSERT_EQ(err, 0);
    ASSERT_TRUE(x.IsTable);
    EXPECT_EQ(x.RecordCount, 0);
    std::string error;
    ASSERT_TRUE(x.Recordset->append(
        {hourlyTableCell("05-01-2003", true), hourlyTableCell("12,5", false), hourlyTableCell(" ", true)},
        &error));
    ASSERT_TRUE(
        x.Recordset->append({hourlyTableCell("06-01-2003", true), hourlyTableCell("-99.0", false)}, &error));
    ASSERT_TRUE(x.commit(&err));
    std::vector<TableInfo> list;
    ASSERT_TRUE(listTables(book, &list, &error));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "Sheet1$") << "created as Sheet1, reopened as Sheet1$";
    TableData d;
    ASSERT_TRUE(readTable(book, "Sheet1$", &d, &error)) << error;
    EXPECT_EQ(d.fields, (std::vector<std::string>{"date", "cNOx_mod_1", "F3"}));
    ASSERT_EQ(d.rows.size(), 2u);
    EXPECT_EQ(std::get<std::string>(d.rows[0][0]), "05-01-2003");
    EXPECT_EQ(std::get<double>(d.rows[0][1]), 12.5);
    EXPECT_EQ(std::get<std::string>(d.rows[0][2]), " ");
    EXPECT_TRUE(isNull(d.rows[1][1]));
}

TEST(OpenOutputTable, AnUnreadableWorkbookIsReportedCorruptedAndKept) {
    TempDir dir;
    test::ScriptedInteraction ui;
    auto book = dir.write("bad.xls", "this is not a workbook");
    OutputTable t;
    long err = 0;
    OpenOutputTable(book.string() + ";Sheet1$", "", {"hour"}, catalogue(), t, ui, &err);
    EXPECT_EQ(err, kErrCannotOpen);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "The worksheet Sheet1$ is corrupted!\r\nIf you open this worksheet in Excel and save it, "
              "this might correct the error!");
    EXPECT_EQ(test::readFile(book), "this is not a workbook");
}

TEST(TableCells, MissingValuesBecomeNullAndCommasDecimalPoints) {
    EXPECT_TRUE(isNull(hourlyTableCell("-99", false)));
    EXPECT_TRUE(isNull(hourlyTableCell("-123.4", false)));
    EXPECT_TRUE(isNull(hourlyTableCell("-99.0", true)));
    EXPECT_EQ(std::get<double>(hourlyTableCell("12,5", false)), 12.5);
    EXPECT_EQ(std::get<double>(hourlyTableCell("-98.9", false)), -98.9);
    EXPECT_EQ(std::get<std::string>(hourlyTableCell("05-01-2003", true)), "05-01-2003");
    EXPECT_TRUE(isNull(statTableCell("-99", "MaxHourlyNO2_mod_1", false)));
    EXPECT_EQ(std::get<double>(statTableCell("-99", "X_Coordinate", false)), -99);
    EXPECT_EQ(std::get<std::string>(statTableCell("-99", "name", true)), "-99");
    EXPECT_EQ(std::get<double>(statTableCell("40,2", "AvNO2", false)), 40.2);
    EXPECT_EQ(std::get<double>(statTableCell("0", "AvNO2", false)), 0);
    EXPECT_TRUE(isNull(statTableCell("", "AvNO2", false))) << "a cell without value is not 0";
    EXPECT_TRUE(isNull(statTableCell(" ", "X_Coordinate", false)));
    EXPECT_EQ(std::get<std::string>(statTableCell("", "name", true)), "");
}

TEST(RunMessages, TextsFollowTheHandlersTable) {
    RunErrorContext c;
    c.FilePath = "C:\\w\\out.txt";
    c.FileIndex = 2;
    c.ColumnIndex = 5;
    c.OutColName = "cxx_mod_1";
    c.InColName = "u_mast";
    c.InputFile = "met.txt";
    c.ItemText = "abc";
    c.day = 5, c.month = 1, c.hour = 7;
    EXPECT_EQ(runMessage(9500, c).text, "No Data Table is defined for \r\nC:\\w\\out.txt");
    EXPECT_EQ(runMessage(9501, c).buttons, Buttons::OkCancel);
    EXPECT_EQ(runMessage(53, c).text, "Can't open the input file C:\\w\\out.txt");
    EXPECT_EQ(runMessage(71, c).buttons, Buttons::RetryCancel);
    EXPECT_EQ(runMessage(71, c).icon, Icon::None);
    EXPECT_EQ(runMessage(9902, c).text, "2,5 Item cxx_mod_1 not found");
    EXPECT_EQ(runMessage(7076, c).text,
              "Cannot create the folder for opening the output file:\r\nC:\\w\\out.txt");
    EXPECT_EQ(runMessage(62, c).text, "Error #62\r\nInput past end of file\r\n5,1,7");
    EXPECT_EQ(runMessage(-2147467259, c).text,
              "Can't open the file C:\\w\\out.txt\r\nError #-2147467259\r\nUnspecified error");
    EXPECT_FALSE(runMessage(-2147217897, c).show);
    EXPECT_EQ(runMessage(13, c).text, "Error #13\r\nType mismatch\r\n5,1,7")
        << "13 outside the item conversion";
    c.InItemsFlag = true;
    EXPECT_EQ(runMessage(13, c).text, "The type of the input variable doesn\u00B4t fit the type of the Input "
                                      "List\r\nmet.txt\r\nu_mast = abc");
    c.NoHourYet = true;
    c.InputIsText = true;
    EXPECT_TRUE(runMessage(13, c).skipRecord);
    EXPECT_TRUE(runMessage(9900, c).skipRecord);
    EXPECT_FALSE(runMessage(9900, c).show);
    c.InputIsText = false;
    EXPECT_EQ(runMessage(9900, c).text,
              "The number of input items in the file met.txt\r\nis less than in the Input List");
    c.Description = "Tables cannot be created in the Access file x.mdb";
    EXPECT_EQ(runMessage(9910, c).text,
              "Tables cannot be created in the Access file x.mdb\r\nC:\\w\\out.txt");
    c.FilePath = "/w/Out.txt";
    c.Description = "The file /w/Out.txt is being written by another run of the program.";
    EXPECT_EQ(runMessage(9910, c).text, c.Description);
}

// A file that could not be written is named with the writer's own reason
// (a damaged database, a full disk); the standard guess stands only when the
// writer gave none.
TEST(RunMessages, AFileThatCannotBeWrittenKeepsTheWritersReason) {
    RunErrorContext c;
    c.FilePath = "/w/Book.mdb;Hourly";
    EXPECT_EQ(
        runMessage(kErrPathFileAccess, c).text,
        "Can't write to \r\n/w/Book.mdb;Hourly\r\nThe Network Drive is not connected or permission to write "
        "denied");
    c.Description = "Tables cannot be written into the Access file /w/Book.mdb: its catalogue is damaged.";
    EXPECT_EQ(runMessage(kErrPathFileAccess, c).text,
              "Can't write to \r\n/w/Book.mdb;Hourly\r\nTables cannot be written into the Access file "
              "/w/Book.mdb: its catalogue is damaged.");
}

} // namespace
} // namespace vesk

namespace vesk {
namespace {

TEST(OpenInputTable, FindsAFileWhoseNameDiffersInCaseAndTakesBackslashes) {
    test::TempDir dir;
    dir.write("Data/Met.TXT", "day\r\n1\r\n");
    InputTable t;
    long err = 0;
    OpenInputTable(dir.path().string() + "\\data\\met.txt", t, &err);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(t.TextPath, (dir.path() / "Data" / "Met.TXT").string());
}

TEST(OpenOutputTable, AnOutputDroppedWithoutCommitLeavesThePreviousFileWhole) {
    test::TempDir dir;
    test::ScriptedInteraction ui;
    const auto text = dir.write("Out.txt", "hour\r\n1\r\n2\r\n");
    const auto book = (dir.path() / "Out.xls").string();
    long err = 0;
    {
        OutputTable first;
        OpenOutputTable(book + ";Hourly", "", {"hour"}, catalogue(), first, ui, &err);
        ASSERT_EQ(err, 0);
        std::string error;
        ASSERT_TRUE(first.Recordset->append({7.0}, &error)) << error;
        ASSERT_TRUE(first.commit(&err));
    }
    for (bool dropped : {false, true}) {
        OutputTable t, x;
        OpenOutputTable(text.string(), "hour", {"hour"}, catalogue(), t, ui, &err);
        ASSERT_EQ(err, 0);
        OpenOutputTable(book + ";Hourly", "", {"hour"}, catalogue(), x, ui, &err);
        ASSERT_EQ(err, 0);
        EXPECT_TRUE(t.writeLine("99"));
        std::string error;
        ASSERT_TRUE(x.Recordset->append({99.0}, &error)) << error;
        if (!dropped) {
            t.discard();
            x.discard();
        }
    }
    EXPECT_EQ(test::readFile(text), "hour\r\n1\r\n2\r\n");
    TableData d;
    std::string error;
    ASSERT_TRUE(readTable(book, "Hourly", &d, &error)) << error;
    ASSERT_EQ(d.rows.size(), 1u);
    EXPECT_EQ(std::get<double>(d.rows[0][0]), 7.0);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 2u) << "no temporary file is left behind";
}

} // namespace
} // namespace vesk
