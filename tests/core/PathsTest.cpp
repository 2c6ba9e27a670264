#include "core/Paths.h"
#include "core/TextIO.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::CurrentFolder;
using vesk::test::TempDir;

TEST(ResolveStoredName, PlainNameLiesInTheWorkingFolder) {
    EXPECT_EQ(resolveStoredName("Met2023.txt", "/w/", "/app/Data/Traffic/National/DL/"), "/w/Met2023.txt");
    EXPECT_EQ(resolveStoredName("Met2023.txt", "/w", "/n"), "/w/Met2023.txt");
}

TEST(ResolveStoredName, DotBackslashNamesTheNationalFolder) {
    EXPECT_EQ(resolveStoredName(".\\Std.trf", "/w/", "/app/Traffic/DL/"), "/app/Traffic/DL/Std.trf");
    EXPECT_EQ(resolveStoredName("./Std.trf", "/w/", "/app/Traffic/DL"), "/app/Traffic/DL/Std.trf");
}

TEST(ResolveStoredName, OtherNamesAreFullPathsWithBackslashesTurned) {
    EXPECT_EQ(resolveStoredName("\\data\\in\\met.txt", "/w/", "/n/"), "/data/in/met.txt");
    EXPECT_EQ(resolveStoredName("\\\\server\\share\\met.txt", "/w/", "/n/"), "//server/share/met.txt");
}

// A name on a drive of Windows names no file here: its callers refuse it
// before resolving it; resolved it stays as stored, with no folder of this
// system put in front.
TEST(DriveLetters, AreToldFromEveryOtherKindOfName) {
    struct Case {
        const char *stored;
        bool drive;
    };
    for (const Case &c :
         {Case{"C:\\res\\Out.txt", true}, Case{"d:/res/Met.txt", true}, Case{"C:Stat.txt", true},
          Case{" z:\\x.txt ", true}, Case{"C:", true}, Case{"\\\\server\\share\\x.txt", false},
          Case{"/data/x.txt", false}, Case{"res\\C:x.txt", false}, Case{".\\C:x.txt", false},
          Case{"Met.txt", false}, Case{"1:\\x.txt", false}, Case{"CD:\\x.txt", false}, Case{":x.txt", false},
          Case{"\xC3\x84:\\x.txt", false}, Case{"", false}}) {
        EXPECT_EQ(hasDriveLetter(c.stored), c.drive) << c.stored;
    }
    EXPECT_EQ(resolveStoredName("C:\\data\\met.txt", "/w/", "/n/"), "C:/data/met.txt");
    EXPECT_EQ(resolveStoredName("C:met.txt", "/w/", "/n/"), "C:met.txt")
        << "not a name in the working folder";
    EXPECT_FALSE(isFullStoredPath("C:\\x\\y.txt"));
    EXPECT_EQ(driveLetterRefusal(" C:\\res\\Met.txt ", "the traffic file")
                  .rfind("The name\r\nC:\\res\\Met.txt\r\nof the traffic file begins with the drive C:", 0),
              0u);
}

// A name typed outside a file chooser, read in the folder the field offered.
TEST(TypedNames, AreReadAsStoredNamesAndARelativeOneLiesInTheFolderOffered) {
    struct Case {
        const char *typed, *folder;
        const char *path; // null: refused
    };
    for (const Case &c :
         {Case{"P.pdf", "/w/", "/w/P.pdf"}, Case{"sub\\P.pdf ", "/w", "/w/sub/P.pdf"},
          Case{" /data/P.pdf", "/w/", "/data/P.pdf"}, Case{"P.pdf", "", "P.pdf"}, Case{"", "/w/", ""},
          Case{"  ", "/w/", nullptr}, Case{"C:\\P.pdf", "/w/", nullptr}}) {
        std::string refusal;
        const std::optional<std::string> path = typedNamePathIn(c.typed, c.folder, "the file", &refusal);
        EXPECT_EQ(path, c.path ? std::optional<std::string>(c.path) : std::nullopt) << "[" << c.typed << "]";
        EXPECT_EQ(refusal.empty(), c.path != nullptr) << "[" << c.typed << "]";
    }
}

TEST(ResolveStoredName, ANameWithAFolderLiesBelowTheWorkingFolderWhereverTheProgramWasStarted) {
    EXPECT_EQ(resolveStoredName("sub\\met.txt", "/w/", "/n/"), "/w/sub/met.txt");
    EXPECT_EQ(resolveStoredName("traffic/City.trf", "/w", "/n/"), "/w/traffic/City.trf");
    EXPECT_EQ(resolveStoredName("a\\b\\c.txt", "/w/", "/n/"), "/w/a/b/c.txt");
    EXPECT_EQ(resolveStoredName("..\\shared\\met.txt", "/w/proj/", "/n/"), "/w/proj/../shared/met.txt");
    EXPECT_EQ(resolveStoredName(" res\\Out.txt ", "/w/", "/n/"), "/w/res/Out.txt");
    EXPECT_TRUE(isFullStoredPath("/x/y.txt"));
    EXPECT_FALSE(isFullStoredPath("x\\y.txt"));
    EXPECT_FALSE(isFullStoredPath("y.txt"));
}

// The program folder and a project folder beside it, each holding what a case needs.
struct InputFolders {
    TempDir dir;
    std::string app = dir.path().string() + "/app/";
    std::string work = dir.path().string() + "/work/";
    std::string national = dir.path().string() + "/app/Data/Traffic/";
};

TEST(FindStoredInput, ANameWithAFolderIsReadFromTheProgramFolderOnlyWhenTheWorkingFolderLacksIt) {
    InputFolders f;
    f.dir.write("work/traffic/Both.trf", "w");
    f.dir.write("app/traffic/Both.trf", "a");
    f.dir.write("app/Lists/Old.vlf", "a");
    f.dir.write("app/Bare.trf", "a");
    f.dir.write("app/Data/Traffic/Std.trf", "n");
    f.dir.write("app/Std.trf", "a");
    EXPECT_EQ(findStoredInput("traffic\\Both.trf", f.work, f.national, f.app), f.work + "traffic/Both.trf");
    EXPECT_EQ(findStoredInput("lists\\old.VLF", f.work, f.national, f.app), f.app + "Lists/Old.vlf")
        << "only the program folder holds it, in its own letter case";
    EXPECT_EQ(findStoredInput("traffic\\None.trf", f.work, f.national, f.app), f.work + "traffic/None.trf")
        << "held by neither: the working folder's path, for the message";
    EXPECT_EQ(findStoredInput("Bare.trf", f.work, f.national, f.app), f.work + "Bare.trf")
        << "a name without a folder lies in the working folder only";
    EXPECT_EQ(findStoredInput(".\\Std.trf", f.work, f.national, f.app), f.national + "Std.trf");
    EXPECT_EQ(findStoredInput(f.app + "Bare.trf", f.work, f.national, f.app), f.app + "Bare.trf");
    EXPECT_EQ(findStoredInput("", f.work, f.national, f.app), "");
    EXPECT_EQ(findStoredInput("Lists\\Old.vlf", f.work, f.national, ""), f.work + "Lists/Old.vlf");
}

TEST(DriveLetters, AreLookedForNeitherInTheStartingFolderNorInTheProgramFolder) {
    InputFolders f;
    f.dir.write("start/c:/RES/met.txt", "decoy");
    f.dir.write("app/C:/res/Met.txt", "decoy");
    CurrentFolder started(f.dir.path() / "start");
    EXPECT_EQ(findStoredInput("C:\\res\\Met.txt", f.work, f.national, f.app), "C:/res/Met.txt");
}

TEST(FindExisting, FindsAFileWhoseLetterCaseDiffers) {
    TempDir dir;
    dir.write("Data/Traffic/Std.TRF", "x");
    const std::string root = dir.path().string();
    EXPECT_EQ(findExisting(root + "/Data/Traffic/Std.TRF"), root + "/Data/Traffic/Std.TRF");
    EXPECT_EQ(findExisting(root + "/data/TRAFFIC/std.trf"), root + "/Data/Traffic/Std.TRF");
    EXPECT_EQ(findExisting(root + "/data/none.trf"), root + "/data/none.trf");
}

TEST(FindExisting, PrefersTheExactMatchOverAnotherCase) {
    TempDir dir;
    dir.write("run.opt", "a");
    dir.write("Run.opt", "b");
    EXPECT_EQ(findExisting((dir.path() / "Run.opt").string()), (dir.path() / "Run.opt").string());
    EXPECT_EQ(findExisting((dir.path() / "run.opt").string()), (dir.path() / "run.opt").string());
}

TEST(StoredNameFor, RemovesOnlyALeadingWorkingFolder) {
    EXPECT_EQ(storedNameFor("/w/proj/met.txt", "/w/proj/"), "met.txt");
    EXPECT_EQ(storedNameFor("/W/Proj/met.txt", "/w/proj"), "met.txt");
    EXPECT_EQ(storedNameFor("/other/w/proj/met.txt", "/w/proj/"), "/other/w/proj/met.txt");
    EXPECT_TRUE(sameStoredName("/w/proj/MET.txt", "met.TXT", "/w/proj/"));
    EXPECT_FALSE(sameStoredName("/w/x/met.txt", "met.txt", "/w/proj/"));
}

TEST(SameNameButCase, TakesNamesThatDifferInLetterCaseOnlyForOneWhetherOrNotTheFileExists) {
    TempDir dir;
    dir.write("Out.txt", "x");
    dir.write("Other.txt", "y");
    const std::string d = dir.path().string();
    EXPECT_TRUE(sameNameButCase(d + "/Out.txt", d + "/OUT.TXT")) << "one exists";
    EXPECT_TRUE(sameNameButCase(d + "/New.txt", d + "/sub/../NEW.txt")) << "neither exists";
    EXPECT_TRUE(sameNameButCase(d + "/Out.txt", d + "/Out.txt"));
    EXPECT_FALSE(sameNameButCase(d + "/Out.txt", d + "/Other.txt"));
    EXPECT_FALSE(sameNameButCase(d + "/Out.txt", d + "/Out.txt2"));
    EXPECT_FALSE(sameNameButCase(d + "/Out.txt", ""));
}

struct PickedName {
    const char *picked, *stored, *why;
};

// A picker's full path against the project's folder /w/proj and the national folder /app/Lists/DL.
class StoredNameForPicks : public ::testing::TestWithParam<PickedName> {};

TEST_P(StoredNameForPicks, StoresTheNameAProjectFolderCopyStillFinds) {
    const PickedName &c = GetParam();
    EXPECT_EQ(storedNameFor(c.picked, "/w/proj/", "/app/Lists/DL"), c.stored) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Picks, StoredNameForPicks,
    ::testing::Values(
        PickedName{"/w/proj/Out.txt", "Out.txt", "in the project's folder: the folder removed"},
        PickedName{"/w/proj/res/Out.txt", "res\\Out.txt",
                   "below it: the rest, folders as project files write them"},
        PickedName{"/w/proj/a/b/Met.txt", "a\\b\\Met.txt", "two folders down"},
        PickedName{"/W/PROJ/res/Out.txt", "res\\Out.txt",
                   "the folder compared without regard to letter case"},
        PickedName{"/w/proj/x/../Out.txt", "Out.txt", "a path with a step back"},
        PickedName{"/app/Lists/DL/Fleet2020.vlf", ".\\Fleet2020.vlf", "in the national folder of its kind"},
        PickedName{"/app/lists/dl/sub/Fleet.vlf", ".\\sub\\Fleet.vlf", "below the national folder"},
        PickedName{"/w/project2/Out.txt", "/w/project2/Out.txt", "a folder that only begins alike"},
        PickedName{"/w/Out.txt", "/w/Out.txt", "above the project's folder: a full path"},
        PickedName{"/app/Lists/DLX/Fleet.vlf", "/app/Lists/DLX/Fleet.vlf", "beside the national folder"},
        PickedName{"res\\Out.txt", "res\\Out.txt", "stored already: unchanged"},
        PickedName{".\\Fleet2020.vlf", ".\\Fleet2020.vlf", "a national name stays"},
        PickedName{"", "", "nothing chosen"}),
    [](const auto &info) { return "n" + std::to_string(info.index); });

TEST(StoredNameFor, TheProjectsFolderComesBeforeANationalFolderAndAKindWithoutOneKeepsTheFullPath) {
    EXPECT_EQ(storedNameFor("/app/Lists/DL/Fleet.vlf", "/app/Lists/DL/", "/app/Lists/DL/"), "Fleet.vlf");
    EXPECT_EQ(storedNameFor("/app/Lists/DL/Fleet.vlf", "/app/Lists/", "/app/Lists/DL/"), "DL\\Fleet.vlf");
    EXPECT_EQ(storedNameFor("/app/Lists/DL/Out.txt", "/w/proj/", ""), "/app/Lists/DL/Out.txt");
    EXPECT_EQ(storedNameFor("/w/proj/Out.txt", "", "/app/Lists/DL/"), "/w/proj/Out.txt");
}

TEST(StoredNameFor, AFileReachedThroughALinkToTheProjectsFolderIsStoredRelative) {
    TempDir dir;
    dir.write("proj/res/Out.txt", "x");
    std::filesystem::create_directory_symlink(dir.path() / "proj", dir.path() / "alias");
    const std::string real = dir.path().string() + "/proj/";
    const std::string alias = dir.path().string() + "/alias/";
    EXPECT_EQ(storedNameFor(alias + "res/Out.txt", real), "res\\Out.txt") << "picked through the link";
    EXPECT_EQ(storedNameFor(real + "res/Out.txt", alias), "res\\Out.txt") << "the project opened through it";
    EXPECT_TRUE(sameStoredName(real + "res/OUT.txt", "res\\Out.txt", real));
}

TEST(PathParts, SplitsFolderAndFileName) {
    EXPECT_EQ(fileNamePart("C:\\a\\b.vkp"), "b.vkp");
    EXPECT_EQ(folderPart("C:\\a\\b.vkp"), "C:/a/");
    EXPECT_EQ(folderPart("b.vkp"), "");
    EXPECT_EQ(joinPath("/a", "b"), "/a/b");
    EXPECT_EQ(joinPath("/a/", "/b"), "/a/b");
}

TEST(TextFiles, ReadWindows1252AsUtf8AndKeepUtf8) {
    TempDir dir;
    const auto latin = dir.write("latin.lst", std::string("\"CO\",\"mg/m\xB3\",\"\xB5g\"\r\n"));
    const auto utf8 = dir.write("utf8.lst", "\"mg/m³\"\n");
    std::string text, error;
    ASSERT_TRUE(readTextFile(latin.string(), &text, &error));
    EXPECT_EQ(text, "\"CO\",\"mg/m³\",\"µg\"\r\n");
    ASSERT_TRUE(readTextFile(utf8.string(), &text, &error));
    EXPECT_EQ(text, "\"mg/m³\"\n");
    EXPECT_FALSE(readTextFile((dir.path() / "none").string(), &text, &error));
    EXPECT_NE(error.find("none"), std::string::npos);
}

TEST(TextFiles, SplitLinesTakesCrlfAndLf) {
    EXPECT_EQ(splitLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(splitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(splitLines("").empty());
}

TEST(TextFiles, AFailedAtomicSaveLeavesTheOldFileWhole) {
    TempDir dir;
    const auto file = dir.write("Run.opt", "old contents");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(file.string(), "new contents", &error)) << error;
    EXPECT_EQ(vesk::test::readFile(file), "new contents");
    EXPECT_FALSE(writeFileAtomically((dir.path() / "missing-folder" / "x.txt").string(), "x", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(vesk::test::readFile(file), "new contents");
}

TEST(TextHelpers, CompareWithoutLetterCase) {
    EXPECT_TRUE(iequals("Run.opt", "run.OPT"));
    EXPECT_FALSE(iequals("Run.opt", "Run.op"));
    EXPECT_TRUE(startsWithI("NOx_mod_1", "nox"));
    EXPECT_TRUE(endsWithI("NOx_mod_1", "_MOD_1"));
    EXPECT_EQ(trim("  a b \r\n"), "a b");
}

TEST(TextEncodings, CodePointsOfUtf8AndStrayBytes) {
    EXPECT_EQ(utf8CodePoints("a\xC2\xB5\xE2\x82\xAC"), std::u32string(U"aµ€"));
    // A stray Windows-1252 byte is kept as its character.
    EXPECT_EQ(utf8CodePoints(std::string("m\xB3 \x80")), std::u32string(U"m³ €"));
    EXPECT_EQ(utf8CodePoints("\xF0\x9F\x98\x80").size(), 1u);
}

TEST(TextEncodings, Windows1252KeepsWhatItHasAndMarksTheRest) {
    EXPECT_EQ(utf8ToWindows1252("µg/m³ €"), std::string("\xB5g/m\xB3 \x80"));
    EXPECT_EQ(utf8ToWindows1252("Umsätze"), std::string("Ums\xE4tze"));
    EXPECT_EQ(utf8ToWindows1252("\xE2\x88\x9A"), "?"); // square root sign
}
