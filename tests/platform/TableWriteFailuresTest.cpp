// Access, Excel and Lotus files that cannot be written say why in the
// system's words, as the text outputs do, and are left byte for byte as they
// were: a write that fails as on a full disk (a file-size limit in a child
// process, under which the system refuses the write with "File too large"),
// and a folder that cannot take the file.

#include "core/StagedFile.h"
#include "platform/Isolation.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/PlainStage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <sys/resource.h>

namespace vesk {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

std::size_t filesIn(const TempDir &dir) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
}

// The message of write run in a child process whose files may grow to at
// most `bytes` (SIGXFSZ ignored, so that the write fails rather than the
// process); "" with a failure of the test when the write succeeds.
std::string messageUnderFileSizeLimit(std::size_t bytes, const std::function<bool(std::string *)> &write) {
    IsolationLimits limits;
    limits.seconds = 300; // no time-out: the write ends by itself
    const IsolatedResult r = runIsolated(
        [&](std::string *, std::string *error) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{bytes, bytes};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
                *error = "no file-size limit";
                return false;
            }
            return write(error);
        },
        limits);
    EXPECT_EQ(r.end, IsolatedEnd::Finished);
    EXPECT_FALSE(r.ok) << "the write went through";
    return r.error;
}

std::vector<TableColumn> hourColumns() {
    return {{"hour", ColumnType::Integer}, {"cNO2", ColumnType::Float}, {"Street", ColumnType::Text}};
}

std::vector<std::vector<Cell>> hourRows(int n) {
    std::vector<std::vector<Cell>> rows{{std::string("hour"), std::string("cNO2"), std::string("Street")}};
    for (int h = 1; h <= n; ++h) {
        rows.push_back({static_cast<double>(h), h * 0.25, std::string("Main Street")});
    }
    return rows;
}

struct Kind {
    const char *name, *file;
    std::function<bool(const std::string &file, int rows, std::string *error)> write;
};

void PrintTo(const Kind &k, std::ostream *os) {
    *os << k.name;
}

class FullDisks : public testing::TestWithParam<Kind> {};

WINVESK_PLAIN_STAGE("*FullDisks.*", OtherProcesses);

TEST_P(FullDisks, GiveTheSystemsReasonAndLeaveTheFileAsItWas) {
    const Kind &k = GetParam();
    TempDir dir;
    const std::string file = (dir.path() / k.file).string();
    std::string error;
    ASSERT_TRUE(k.write(file, 10, &error)) << error;
    const std::string before = test::readFile(file);
    const std::string said = messageUnderFileSizeLimit(before.size(), [&](std::string *e) {
        return k.write(file, 5000, e); // larger than the file was
    });
    EXPECT_EQ(said, "Cannot write the file " + file + ": " + std::strerror(EFBIG) + ".");
    EXPECT_EQ(test::readFile(file), before);
    EXPECT_EQ(filesIn(dir), 1u) << "no temporary file left beside it";
}

INSTANTIATE_TEST_SUITE_P(
    Files, FullDisks,
    testing::Values(Kind{"Access", "Out.mdb",
                         [](const std::string &file, int n, std::string *error) {
                             const auto rows = hourRows(n);
                             return tables::jetWriteTables(file, {{"Hourly", hourColumns(), &rows}}, error);
                         }},
                    Kind{"Excel", "Out.xls",
                         [](const std::string &file, int n, std::string *error) {
                             return tables::excelWriteWorkbook(file, {{"Hourly", hourRows(n)}}, error);
                         }},
                    Kind{"Lotus", "Out.wk3",
                         [](const std::string &file, int n, std::string *error) {
                             return tables::lotusWrite(file, {"Hourly", hourRows(n)}, error);
                         }},
                    // A text output, written through its stream: the reason
                    // the failed write left is kept when the file is closed.
                    Kind{"Text", "Out.txt",
                         [](const std::string &file, int n, std::string *error) {
                             StagedFile staged;
                             if (!staged.open(file, error)) {
                                 return false;
                             }
                             for (int h = 1; h <= n; ++h) {
                                 staged.stream() << h << ", " << h * 0.25 << ", \"Main Street\"\r\n";
                             }
                             return staged.commit(error);
                         }}),
    [](const testing::TestParamInfo<Kind> &info) { return std::string(info.param.name); });

// A folder that cannot take the database (here a file where the folder
// should be, which holds for any user, root among them): the system's reason.
TEST(AccessWriteFailures, AFolderThatCannotTakeTheFileIsNamedWithTheSystemsReason) {
    TempDir dir;
    const fs::path notAFolder = dir.write("Results", "a file");
    const std::string file = (notAFolder / "Out.mdb").string();
    const auto rows = hourRows(3);
    std::string error;
    EXPECT_FALSE(tables::jetWriteTables(file, {{"Hourly", hourColumns(), &rows}}, &error));
    EXPECT_EQ(error, "Cannot create the file " + file + ": " + std::strerror(ENOTDIR));
    EXPECT_EQ(test::readFile(notAFolder), "a file");
}

} // namespace
} // namespace vesk
