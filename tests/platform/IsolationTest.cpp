// Work run in a helper process: its result comes back, and whatever goes
// wrong there (a loop, the memory, a crash) comes back as a failure that
// names the damage, while this process goes on untouched.

#include "platform/Isolation.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace vesk {
namespace {

namespace fs = std::filesystem;

// Short limits keep the tests quick; the defaults are far wider.
IsolationLimits quick() {
    IsolationLimits limits;
    limits.seconds = 2;
    limits.memoryBytes = std::size_t{128} << 20;
    return limits;
}

TEST(Isolation, TheWorksResultOrItsOwnMessageComesBack) {
    int untouched = 1;
    const IsolatedResult done = runIsolated([&](std::string *bytes, std::string *) {
        untouched = 2; // changes the child's copy only
        *bytes = std::string("a\0b", 3);
        return true;
    });
    EXPECT_EQ(done.end, IsolatedEnd::Finished);
    EXPECT_TRUE(done.ok);
    EXPECT_EQ(done.bytes, std::string("a\0b", 3));
    EXPECT_EQ(untouched, 1) << "the work runs in a process of its own";

    const IsolatedResult refused = runIsolated([](std::string *, std::string *error) {
        *error = "not a workbook";
        return false;
    });
    EXPECT_EQ(refused.end, IsolatedEnd::Finished);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, "not a workbook");

    const IsolatedResult large = runIsolated([](std::string *bytes, std::string *) {
        bytes->assign(std::size_t{5} << 20, 'x'); // more than a pipe holds at once
        return true;
    });
    EXPECT_EQ(large.bytes.size(), std::size_t{5} << 20);
}

TEST(Isolation, TheStartOfWhatTheWorkWritesToItsStandardErrorComesBackBounded) {
    const IsolatedResult crashed = runIsolated([](std::string *, std::string *) {
        std::fputs("mdb: page 17 of the catalogue is not a table page\n", stderr);
        std::fflush(stderr);
        std::abort();
        return true;
    });
    EXPECT_EQ(crashed.end, IsolatedEnd::Crashed);
    EXPECT_EQ(crashed.errorOutput, "mdb: page 17 of the catalogue is not a table page\n");

    // Millions of warnings neither fill the memory nor hold the work up.
    const IsolatedResult chatty = runIsolated([](std::string *bytes, std::string *) {
        for (int i = 0; i < 200000; ++i) {
            std::fputs("warning: a row of the table is too long\n", stderr);
        }
        *bytes = "done";
        return true;
    });
    EXPECT_EQ(chatty.end, IsolatedEnd::Finished);
    EXPECT_EQ(chatty.bytes, "done");
    EXPECT_EQ(chatty.errorOutput.size(), kErrorOutputKept);
    EXPECT_EQ(chatty.errorOutput.rfind("warning: a row of the table is too long\n", 0), 0u);
}

struct Failure {
    const char *name;
    std::function<bool(std::string *, std::string *)> work;
    IsolatedEnd end;
    const char *says; // part of the message about the file
};

void PrintTo(const Failure &f, std::ostream *os) {
    *os << f.name;
}

class IsolatedFailures : public ::testing::TestWithParam<Failure> {};

TEST_P(IsolatedFailures, EndTheChildAndAreNamedInTheMessage) {
    const Failure &f = GetParam();
    // Only the loop needs the short time limit; the others get room, since
    // filling 128 MB under the sanitizers on a busy machine can take longer
    // than the loop's 2 seconds.
    IsolationLimits limits = quick();
    if (f.end != IsolatedEnd::TimedOut) {
        limits.seconds = 120;
    }
    const IsolatedResult r = runIsolated(f.work, limits);
    EXPECT_EQ(r.end, f.end);
    const std::string text = isolationFailureText(r, "/data/Met.xls", limits);
    EXPECT_EQ(text.rfind("The file /data/Met.xls is damaged: ", 0), 0u) << text;
    EXPECT_NE(text.find(f.says), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, IsolatedFailures,
    ::testing::Values(Failure{"a loop without end",
                              [](std::string *, std::string *) {
                                  for (volatile unsigned long i = 0;;) {
                                      i = i + 1;
                                  }
                                  return true;
                              },
                              IsolatedEnd::TimedOut, "could not be read within 2 seconds"},
                      Failure{"memory without end",
                              [](std::string *, std::string *) {
                                  std::vector<char *> blocks;
                                  for (;;) {
                                      char *block = static_cast<char *>(std::malloc(1 << 20));
                                      if (block == nullptr) {
                                          throw std::bad_alloc();
                                      }
                                      std::memset(block, 1, 1 << 20);
                                      blocks.push_back(block);
                                  }
                                  return true;
                              },
                              IsolatedEnd::OutOfMemory, "needed more than 128 MB of memory"},
                      Failure{"an abort",
                              [](std::string *, std::string *) {
                                  std::abort();
                                  return true;
                              },
                              IsolatedEnd::Crashed, "its reader failed on it (Aborted)"}),
    [](const ::testing::TestParamInfo<Failure> &info) { return test::testNameOf(info.param.name); });

// An Access file whose catalogue has 16 zeroed bytes: the library loops
// over it with ever more memory and millions of warnings.
TEST(IsolatedTables, AnAccessFileWithADamagedCatalogueGivesAMessageAndNoHang) {
    const fs::path source = test::testDataDir() / "mdb" / "DateTestDatabase.mdb";
    if (!fs::exists(source)) {
        if (std::getenv("WINVESK_REQUIRE_TESTDATA") != nullptr) {
            FAIL() << "missing " << source;
        }
        GTEST_SKIP() << "needs the folder " << test::testDataDir();
    }
    test::TempDir dir;
    std::string bytes = test::readFile(source);
    ASSERT_GT(bytes.size(), 71696u);
    std::memset(bytes.data() + 71680, 0, 16);
    const fs::path damaged = dir.write("Damaged.mdb", bytes);

    std::vector<TableInfo> tables;
    std::string error;
    EXPECT_FALSE(tables::accessListTablesIsolated(damaged.string(), &tables, &error, quick()));
    EXPECT_EQ(error.rfind("The file " + damaged.string() + " is damaged: ", 0), 0u) << error;
    EXPECT_NE(error.find("\r\nIts reader reported:\r\n"), std::string::npos) << "the library's own warnings";
    EXPECT_EQ(test::readFile(damaged), bytes) << "the input is never altered";
}

TEST(IsolatedTables, AWorkbookReadsAsWithoutTheHelperProcess) {
    test::TempDir dir;
    tables::Sheet sheet{"Met", {{std::string("hour"), std::string("u_mast")}, {1.0, 2.5}, {2.0, Cell{}}}};
    const fs::path book = dir.path() / "Met.xls";
    std::string error;
    ASSERT_TRUE(tables::excelWriteWorkbook(book.string(), {sheet}, &error)) << error;
    std::vector<tables::Sheet> direct, isolated;
    ASSERT_TRUE(tables::excelReadSheets(book.string(), &direct, false, &error)) << error;
    ASSERT_TRUE(tables::readSheetsIsolated(book.string(), TableKind::Excel, false, &isolated, &error))
        << error;
    ASSERT_EQ(isolated.size(), direct.size());
    EXPECT_EQ(isolated[0].name, direct[0].name);
    EXPECT_EQ(isolated[0].rows, direct[0].rows);
}

} // namespace
} // namespace vesk
