// The window's own saves in a folder that other users may write too (a
// team's project folder, mode 777): the picture of a graph or the sketch,
// a print into a file, the files of a new country and the store of a
// multi-street run's results. Another user's symbolic link on the way (at
// the file's name, or as its folder) is not followed: the save is refused
// naming the link and its owner, root's private file behind it keeps its
// bytes and nothing new lies beside it, and the link stays. The user nobody
// is the other user.

#include "core/CountryFiles.h"
#include "run/results/ResultsFixture.h"
#include "run/results/StreetResults.h"
#include "ui/common/PictureFile.h"
#include "ui/results/GraphPainter.h"
#include "ui/results/frmShowResults.h"

#include <QPrinter>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk::test {
namespace {

// A symbolic link at `at` to `to`, made by the user nobody: "" or why not.
std::string linkAsNobody(const fs::path &to, const fs::path &at) {
    return asNobody([&] {
        return ::symlink(to.c_str(), at.c_str()) == 0 ? std::string() : std::string(std::strerror(errno));
    });
}

const std::string kSecret = "root's private bytes\r\n";

// Root's private folder (mine, mode 700) and a team's folder (shared, mode
// 777) where the user nobody makes links.
class SavesInASharedFolder : public ResultsFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(::chmod(dir.path().c_str(), 0711), 0);
        fs::create_directory(shared);
        fs::create_directory(mine);
        ASSERT_EQ(::chmod(mine.c_str(), 0700), 0);
        ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs a second user: as root, the test makes links as the user nobody";
        }
        if (const std::string why = whyNobodyCannotEnter(shared); !why.empty()) {
            GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
        }
    }
    // Root's private file (mode 600) in mine.
    fs::path secretFile(const std::string &name) const {
        const fs::path secret = mine / name;
        std::ofstream(secret, std::ios::binary) << kSecret;
        ::chmod(secret.c_str(), 0600);
        return secret;
    }

    const fs::path shared = dir.path() / "sh";
    const fs::path mine = dir.path() / "mine";
};

// What a save said: "" when it saved, else its message.
using Save = std::function<std::string(const std::string &target)>;

TEST_F(SavesInASharedFolder, AnotherUsersLinkOnTheWayIsRefusedNamingItAndRootsFileStaysAsItWas) {
    const struct Place {
        const char *name;
        const char *extension;
        Save save;
    } places[] = {
        {"picture of a graph or the sketch", ".bmp",
         [](const std::string &target) {
             QImage picture(40, 30, QImage::Format_RGB32);
             picture.fill(Qt::white);
             QString error;
             return ui::savePictureFile(picture, QString::fromStdString(target), QStringLiteral("graph"),
                                        &error)
                        ? std::string()
                        : error.toStdString();
         }},
        {"print of a graph into a file", ".pdf",
         [](const std::string &target) {
             QPrinter printer;
             printer.setOutputFormat(QPrinter::PdfFormat);
             printer.setOutputFileName(QString::fromStdString(target));
             QString error;
             return ui::printGraph(printer, ui::GraphContent{}, QString(), &error) ? std::string()
                                                                                   : error.toStdString();
         }},
        {"print of the results into a file", ".pdf",
         [this](const std::string &target) {
             ui::frmShowResults w(s, ui, settings);
             EXPECT_TRUE(w.Form_Load());
             QPrinter printer;
             printer.setOutputFormat(QPrinter::PdfFormat);
             printer.setOutputFileName(QString::fromStdString(target));
             ui.messages.clear();
             w.printResults(printer);
             return ui.messages.empty() ? std::string() : ui.messages.back();
         }},
        {"file of a new country", ".lst",
         [](const std::string &target) {
             FileTransaction files;
             std::string error;
             return files.writeFile(target, "new lines\r\n", &error) && files.commit(&error) ? std::string()
                                                                                             : error;
         }},
    };
    int n = 0;
    for (const Place &place : places) {
        for (const bool asFolder : {false, true}) {
            SCOPED_TRACE(std::string(place.name) +
                         (asFolder ? ", the link as its folder" : ", the link at its name"));
            const std::string name = "Secret" + std::to_string(++n) + place.extension;
            const fs::path secret = secretFile(name);
            const fs::path link = shared / (asFolder ? "theirs" + std::to_string(n)
                                                     : "Out" + std::to_string(n) + place.extension);
            const fs::path leadsTo = asFolder ? mine : secret;
            ASSERT_EQ(linkAsNobody(leadsTo, link), "");
            const auto before = entriesBelow(mine);

            const std::string said = place.save((asFolder ? link / name : link).string());
            EXPECT_NE(said.find(link.string()), std::string::npos) << "the link is named: " << said;
            EXPECT_NE(said.find("nobody"), std::string::npos) << "its owner is named: " << said;
            EXPECT_EQ(readFile(secret), kSecret);
            EXPECT_EQ(entriesBelow(mine), before) << "nothing written, nothing left behind the link";
            if (fs::is_symlink(link)) {
                EXPECT_EQ(fs::read_symlink(link), leadsTo) << "the link stays";
            } else {
                ADD_FAILURE() << "the link is gone";
            }
        }
    }
}

// The store of a run's streets lies in the temporary folder, which may be
// one others may write too. Another user who puts a link to root's file in
// place of the store's name gets nothing of root's file: the store is
// written and read only through the file it made, when the window shows a
// street's results as when they are saved.
TEST_F(SavesInASharedFolder, TheStoreOfAMultiStreetRunIsReadThroughItsOwnFileWhateverItsNameLeadsTo) {
    const fs::path secret = secretFile("Secret.msr");
    const char *tmp = std::getenv("TMPDIR");
    const std::string before = tmp ? tmp : "";
    ::setenv("TMPDIR", shared.c_str(), 1);
    results::StreetResultsStore store;
    std::string error;
    const bool started = store.start(s, &error);
    tmp ? ::setenv("TMPDIR", before.c_str(), 1) : ::unsetenv("TMPDIR");
    ASSERT_TRUE(started) << error;
    results::StreetEntry street;
    street.number = 1;
    street.name = "Market Street";
    ASSERT_TRUE(store.addStreet(street, s.StatVarList, &error)) << error;
    ASSERT_TRUE(store.finish("2024-03-05 14:07:09", &error)) << error;
    ASSERT_EQ(fs::path(store.path()).parent_path(), shared);
    ASSERT_EQ(asNobody([&] {
                  return ::unlink(store.path().c_str()) == 0 &&
                                 ::symlink(secret.c_str(), store.path().c_str()) == 0
                             ? std::string()
                             : std::string(std::strerror(errno));
              }),
              "");

    KeyedList<StatVar> shown; // as the window shows the street
    ASSERT_TRUE(store.streetStatistics(0, &shown, &error)) << error;
    EXPECT_FLOAT_EQ(shown.item("AvNO2_mod").Value(1), 18.46f);
    EXPECT_FLOAT_EQ(shown.item("AvNO2_mod").Value(2), 18.69f);
    const fs::path saved = mine / "Saved.msr";
    ASSERT_TRUE(store.saveAs(saved.string(), &error)) << error;
    const std::string bytes = readFile(saved);
    EXPECT_EQ(bytes.rfind("\"WinVESK multi-street results\"", 0), 0u) << bytes;
    EXPECT_EQ(bytes.find("private"), std::string::npos) << "nothing of root's file: " << bytes;
    EXPECT_EQ(readFile(secret), kSecret);
}

} // namespace
} // namespace vesk::test
