// Where an output goes when a name on its way is a symbolic link: another
// user's link is followed only in a folder that no other user may write.

#include "core/OutputPlace.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk {
namespace {

using test::kNobody;
using test::readFile;
using test::TempDir;
namespace fs = std::filesystem;

// A symbolic link at `link` (below the test folder) to `to`, owned by the
// user nobody when `foreign`.
void makeLink(const fs::path &base, const std::string &link, const std::string &to, bool foreign) {
    const fs::path at = base / link;
    ASSERT_EQ(::symlink(to.c_str(), at.c_str()), 0) << at;
    if (foreign) {
        ASSERT_EQ(::lchown(at.c_str(), kNobody, kNobody), 0) << at;
    }
}

struct LinkCase {
    const char *name;
    mode_t shared; // the mode of the folder sh
    struct Link {
        const char *at, *to;
        bool foreign;
    } links[2];
    const char *target;  // below the test folder
    const char *refused; // the link named in the refusal ("": followed)
    int error;           // the system's error number when not resolved (0: resolved)
    const char *placed;  // where the file goes, below the test folder ("": not resolved)
};

void PrintTo(const LinkCase &c, std::ostream *os) {
    *os << c.name;
}

// A link's text longer than the first buffer it is read into (256 bytes).
const std::string kLongLinkText = [] {
    std::string text;
    for (int i = 0; i < 150; ++i) {
        text += "./";
    }
    return text + "../private/Secret.txt";
}();

class OutputPlaceLinks : public testing::TestWithParam<LinkCase> {};

TEST_P(OutputPlaceLinks, AreFollowedOnlyWhereNoOtherUserCouldHavePutThem) {
    const LinkCase &c = GetParam();
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs a link of another user: as root, the test gives links to the user nobody";
    }
    TempDir dir;
    const fs::path base = fs::canonical(dir.path());
    dir.write("private/Secret.txt", "root's own\r\n");
    ASSERT_EQ(::chmod((base / "private").c_str(), 0700), 0);
    fs::create_directory(base / "sh");
    ASSERT_EQ(::chmod((base / "sh").c_str(), c.shared), 0);
    for (const auto &link : c.links) {
        if (link.at != nullptr) {
            makeLink(base, link.at, link.to, link.foreign);
        }
    }

    OutputPlace place;
    std::string error;
    int err = 0;
    const std::string target = (base / c.target).string();
    const bool resolved = resolveOutputPlace(target, &place, &error, &err);
    EXPECT_EQ(foreignLinkRefusal(target), *c.refused ? error : std::string());
    if (*c.refused) {
        EXPECT_FALSE(resolved);
        EXPECT_EQ(err, EACCES);
        EXPECT_EQ(error,
                  "Cannot write the file " + target + ": " + (base / c.refused).string() +
                      " is a symbolic link of the user nobody in the folder " +
                      (base / c.refused).parent_path().string() +
                      ", which other users may write, and the program follows no other user's link "
                      "there. Ask the user \"nobody\" to remove it, or write to a file of another name.");
    } else if (c.error != 0) {
        EXPECT_FALSE(resolved);
        EXPECT_EQ(err, c.error) << error;
        EXPECT_NE(error.find(target), std::string::npos) << error;
    } else {
        ASSERT_TRUE(resolved) << error;
        EXPECT_EQ(place.path, (base / c.placed).string());
        EXPECT_EQ(place.name, fs::path(c.placed).filename().string());
        EXPECT_TRUE(place.throughLink);
        // The folder held is the destination's.
        const int fd = ::openat(place.folder.get(), place.name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "x", 1), 1);
        ::close(fd);
        EXPECT_EQ(readFile(base / c.placed), "x");
    }
    EXPECT_EQ(readFile(base / "private" / "Secret.txt"),
              c.placed == std::string("private/Secret.txt") ? "x" : "root's own\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputPlaceLinks,
    testing::Values(
        LinkCase{"another user's link in a folder every user may write",
                 0777,
                 {{"sh/Out.txt", "../private/Secret.txt", true}, {}},
                 "sh/Out.txt",
                 "sh/Out.txt",
                 EACCES,
                 ""},
        LinkCase{"another user's link in a folder with the sticky bit",
                 01777,
                 {{"sh/Out.txt", "../private/Secret.txt", true}, {}},
                 "sh/Out.txt",
                 "sh/Out.txt",
                 EACCES,
                 ""},
        LinkCase{"another user's link in a folder its group may write",
                 0775,
                 {{"sh/Out.txt", "../private/Secret.txt", true}, {}},
                 "sh/Out.txt",
                 "sh/Out.txt",
                 EACCES,
                 ""},
        LinkCase{"another user's dangling link",
                 01777,
                 {{"sh/Out.txt", "../private/New.txt", true}, {}},
                 "sh/Out.txt",
                 "sh/Out.txt",
                 EACCES,
                 ""},
        LinkCase{"another user's link of a chain that starts with one's own",
                 0777,
                 {{"sh/Out.txt", "Mid.txt", false}, {"sh/Mid.txt", "../private/Secret.txt", true}},
                 "sh/Out.txt",
                 "sh/Mid.txt",
                 EACCES,
                 ""},
        LinkCase{"another user's link as a folder of the path",
                 0777,
                 {{"sh/sub", "../private", true}, {}},
                 "sh/sub/Secret.txt",
                 "sh/sub",
                 EACCES,
                 ""},
        LinkCase{"another user's link in a folder only root may write",
                 0755,
                 {{"sh/Out.txt", "../private/Secret.txt", true}, {}},
                 "sh/Out.txt",
                 "",
                 0,
                 "private/Secret.txt"},
        LinkCase{"one's own link in a folder every user may write",
                 0777,
                 {{"sh/Out.txt", "../private/Secret.txt", false}, {}},
                 "sh/Out.txt",
                 "",
                 0,
                 "private/Secret.txt"},
        LinkCase{"one's own link of more than 256 characters",
                 0777,
                 {{"sh/Out.txt", kLongLinkText.c_str(), false}, {}},
                 "sh/Out.txt",
                 "",
                 0,
                 "private/Secret.txt"},
        LinkCase{"one's own dangling link",
                 0777,
                 {{"sh/Out.txt", "../private/New.txt", false}, {}},
                 "sh/Out.txt",
                 "",
                 0,
                 "private/New.txt"},
        LinkCase{"links that lead to each other",
                 0755,
                 {{"sh/A", "B", false}, {"sh/B", "A", false}},
                 "sh/A",
                 "",
                 ELOOP,
                 ""},
        LinkCase{"a missing folder on the way", 0755, {{}, {}}, "sh/none/Out.txt", "", ENOENT, ""}),
    [](const testing::TestParamInfo<LinkCase> &info) { return test::testNameOf(info.param.name); });

TEST(OutputPlace, ANameWithoutLinksStaysAsGivenAndItsFolderIsHeld) {
    TempDir dir;
    dir.write("res/Out.txt", "old\r\n");
    const test::CurrentFolder here(dir.path());
    OutputPlace place;
    std::string error;
    ASSERT_TRUE(resolveOutputPlace("res/../res/./Out.txt", &place, &error)) << error;
    EXPECT_EQ(place.path, "res/../res/./Out.txt") << "messages name the file as it was given";
    EXPECT_EQ(place.name, "Out.txt");
    EXPECT_FALSE(place.throughLink);
    // The folder held stays the file's own when its name on the way is swapped.
    fs::rename(dir.path() / "res", dir.path() / "moved");
    fs::create_directory(dir.path() / "res");
    const int fd = ::openat(place.folder.get(), "New.txt", O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_TRUE(fs::exists(dir.path() / "moved" / "New.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / "res" / "New.txt"));

    EXPECT_FALSE(resolveOutputPlace("", &place, &error));
    int err = 0;
    EXPECT_FALSE(resolveOutputPlace("res/..", &place, &error, &err));
    EXPECT_EQ(err, EISDIR) << "a folder is no file";
}

} // namespace
} // namespace vesk
