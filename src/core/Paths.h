#pragma once

// File names as projects store them, and their lookup on this system.
//
// Stored names may use "\" or "/". A name without a separator lies in the
// working folder; a name starting with ".\" or "./" lies in the national data
// folder of its file kind; a full path stays as it is; any other name holds a
// folder below the working folder ("traffic\City.trf"), wherever the program
// was started. A name beginning with a drive letter and a colon ("C:\res\Met.txt",
// "d:/x.txt", "C:Met.txt") names a drive of Windows, which this system does not
// have: callers refuse it (driveLetterRefusal) before they resolve it, so that
// it is never taken relative to the folder the program was started in.
// Folders are kept as texts ending in "/". Lookups try the exact name first and
// then a match that ignores letter case, one path component at a time. Only a
// leading folder prefix is ever removed or replaced.

#include <optional>
#include <string>
#include <string_view>

namespace vesk {

// "\" becomes "/".
std::string nativePath(std::string_view stored);

// Ensures a trailing "/" (an empty folder stays empty).
std::string withTrailingSlash(std::string_view folder);

// True when a stored name is a full path: it begins with "/" or "\" (a path
// of this system, a Windows network name).
bool isFullStoredPath(std::string_view stored);

// True when a stored name (blanks around it aside) begins with a letter A-Z
// or a-z and a colon: the name of a file on a Windows drive ("C:\res\Out.txt",
// "d:/Met.txt", "C:Met.txt" on the current folder of drive C). No file of this
// system is meant by it.
bool hasDriveLetter(std::string_view stored);

// The message refusing a stored name with a drive letter: it names the name
// as stored and the field that holds it (field: "the traffic file", "entry 2
// of the hourly input files", ...) and says what to give instead.
std::string driveLetterRefusal(std::string_view stored, const std::string &field);

// The name with a drive letter in a path that a file or folder dialog of this
// system gave back for a name typed with one: the dialog puts the folder it
// shows in front ("/work/C:\res\Out.txt", "/work/d:/res/Out.txt"). Returns the
// typed name from its drive letter on ("C:\res\Out.txt", "d:/res/Out.txt"), the
// path itself when it begins with a drive letter, and "" when no component of
// the path begins with one, or when such a component is a folder that exists
// (a folder of this system named "c:"). Looks at the disk for that only.
std::string typedDriveLetterName(std::string_view path);

// The path a name typed into a file chooser names, read as the program reads
// stored names. typed is the name as typed, or the path the chooser gave back
// for it (the folder it showed in front: "/work/sub\Copy.vkp"). The blanks
// around it are taken off ("Copy.vkp " names Copy.vkp), and every "\"
// separates folders ("/work/sub/Copy.vkp"): no file whose name begins or ends
// with a blank, or holds a "\", is written or looked for. A name with a drive
// letter, as typed or behind the chooser's folder (typedDriveLetterName), and
// a name of blanks only name no file here: then nullopt, and *refusal (when
// given) is the message refusing that name as the name of field ("the project
// file"; driveLetterRefusal, blankNameRefusal). "" stays "".
std::optional<std::string> typedNamePath(std::string_view typed, const std::string &field,
                                         std::string *refusal);

// The path a name typed outside a file chooser names (the print dialog's
// output file, the working folder of a new project typed into its box): read
// as typedNamePath reads it, a relative name lying in folder, the folder the
// field offered (the project's folder): "res\P.pdf" in "/data/Study/" is
// "/data/Study/res/P.pdf". With folder "" a relative name stays relative.
std::optional<std::string> typedNamePathIn(std::string_view typed, const std::string &folder,
                                           const std::string &field, std::string *refusal);

// The message refusing a name typed of blanks only as the name of field.
std::string blankNameRefusal(const std::string &field);

// The full path of a stored name (see above). A file kind without a national
// folder passes workDir as nationalDir. A name with a drive letter comes back
// as stored, "\" turned to "/": it names no file here and is refused before
// anything opens it (hasDriveLetter).
std::string resolveStoredName(std::string_view stored, const std::string &workDir,
                              const std::string &nationalDir);

// The file a stored input name names, found without regard to letter case:
// the path of resolveStoredName; but a name holding a folder below the
// working folder that the working folder does not hold is taken from appDir,
// the program folder, when the file lies there (the folder such names were
// once read from). Returns the working folder's path when neither holds it.
std::string findStoredInput(std::string_view stored, const std::string &workDir,
                            const std::string &nationalDir, const std::string &appDir);

// The existing file or folder that path names: the exact path when it exists,
// otherwise the path whose components match without regard to letter case.
// Returns the path unchanged when nothing matches.
std::string findExisting(const std::string &path);

// The name a project stores for a file chosen at path (a file picker's
// result, a full path): a file in workDir or a subfolder of it is stored with
// workDir removed ("Out.txt", "res\Out.txt"); else a file in nationalDir, the
// national data folder of its kind, or a subfolder of it as ".\" and the
// rest (".\Fleet2020.vlf"); any other path stays as it is. Folders are
// compared without regard to letter case, and also once resolved through
// links; the stored rest separates its folders with "\", as project files
// do. An empty nationalDir: the kind has no national folder (outputs,
// statistics, streets, route and conditions files). A name already stored
// (a relative one) stays as it is, so storing twice changes nothing.
std::string storedNameFor(const std::string &path, const std::string &workDir,
                          const std::string &nationalDir = {});

// Two stored names are the same file when they agree after removing workDir,
// without regard to letter case or the kind of separator.
bool sameStoredName(std::string_view a, std::string_view b, const std::string &workDir);

// True when two paths name one file of this system: after the lookup that
// ignores letter case (findExisting), through symbolic and hard links. Paths
// that name no existing file are the same when they agree once resolved.
// Never throws.
bool sameFile(const std::string &a, const std::string &b);

// True when two paths, each resolved as far as it exists (links, "." and
// ".."), are one text without regard to letter case: names the program
// takes for one file, whether or not it exists. Never throws.
bool sameNameButCase(const std::string &a, const std::string &b);

// True when path names a file in folder or one of its subfolders (links and
// letter case resolved as sameFile does). Never throws.
bool liesInFolder(const std::string &path, const std::string &folder);

// dir + name with exactly one "/" between.
std::string joinPath(std::string_view dir, std::string_view name);

// The file part of a path (after the last "/" or "\").
std::string fileNamePart(std::string_view path);

// The folder part of a path including its trailing "/" ("" when there is none).
std::string folderPart(std::string_view path);

} // namespace vesk
