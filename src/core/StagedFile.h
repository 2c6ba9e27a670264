#pragma once

// A file written under a temporary name in the folder of its target and put
// in place by a rename only when the writer says the file is complete.
//
// Every file a run or a save writes goes through this class, so that a run
// that fails or is abandoned leaves the previous file whole, and a reader
// never sees a half-written file under the target's name. The temporary
// file is created beside the target (a rename across file systems would not
// be atomic); a target that is a symbolic link is replaced at the link's
// destination, and an existing target keeps its permission bits.
//
// The folder may be one other users may write too (a team's project folder,
// /tmp). So the temporary file is created exclusively, never through a link,
// and written only through the descriptor that created it: no name is opened
// a second time. Every later step on the names of the temporary file, the
// target and the old contents is taken relative to a descriptor of the
// target's folder held from open(), so that a folder renamed or swapped
// meanwhile changes nothing. Before the rename the temporary name must still
// hold the file written, and after it the target's name: where another
// program has put something else under either, the file is not counted as
// put in place (commit() fails naming it), and a group puts back what it
// replaced. Names another user planted (links, second names of a file,
// pipes, folders) are never followed and never removed.
//
// What the target's name holds when open() looks at it (a regular file, or
// nothing) is the file checked: its old contents are read only through that
// very file (oldContents()), and kept and replaced only while the name still
// holds it. Where another program has put anything else under the name
// meanwhile (another file, a link, a named pipe), the file is refused,
// naming it: nothing under such a name is opened in a way that waits, read
// or replaced.
//
// Putting a file in place has two steps: prepare() writes every byte out
// (a full disk shows here, as the stream's buffer reaches the file only
// then), checks it and syncs it to the disk; commit() renames. Files that
// must replace their targets all or none (the outputs of a run) go in three
// rounds over one ReplacedFiles: each is prepared; then each target's old
// contents are kept (keepReplaced), so that a target that may not be
// replaced, or whose old contents cannot be kept, is refused while nothing
// has been renamed; only then are they committed, and should one of the
// renames fail, what the files before it replaced is put back.
//
// A StagedFile that is neither committed nor discarded removes its
// temporary file when it is destroyed: the target is never touched then.
//
// The temporary file is locked (core/FileLock.h) while it is written, so
// that one left behind by a writer that was killed tells itself apart: the
// next writer of the target removes such left-overs (regular files of this
// user with one name), never a file another writer, of this process or
// another, is still writing.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace vesk {

// A fresh name for a temporary file beside target (beside a link's
// destination, where the file written for it goes): the target's name hidden
// behind a dot, with a random part and ".part" ("Out.txt" gives
// ".Out.txt.3fa2c100.part"). The file does not exist yet; whoever makes it
// makes it exclusively (O_EXCL), as another program may take the name first.
std::string temporaryPathFor(const std::string &target);

// A fresh name beside target for a file kept aside (StagedFile::keep), as
// temporaryPathFor() but ending in the target's extension, so that it opens
// as one (".Book.xls.3fa2c100.part.xls"; ".kept" without an extension). No
// later writer takes it for a left-over. The file does not exist yet.
std::string keptPathFor(const std::string &target);

// Removes the temporary files of target (named as temporaryPathFor names
// them) that no writer holds: those of writers that were killed. Only
// regular files of this user with no other name go; files kept aside, those
// of other targets and anything another user put under such a name stay.
// StagedFile::open() does it.
void removeLeftOverTemporaries(const std::string &target);

// Removes the old contents of target that a group of files kept
// (".Out.txt.3fa2c100.prev", see ReplacedFiles) and that no group holds:
// those of a program killed while its group was put in place. A group holds
// its old contents from before they get that name, so none of a group still
// running goes, whichever group tidies. Only regular files of this user with
// no other name go, and a second name of the target's own file; those of
// other targets and anything else stay. ReplacedFiles::keepNew() does it.
void removeLeftOverPrevious(const std::string &target);

// A user's name, or the number when the system has none for it.
std::string userName(uid_t uid);

// What a name of that mode is when it is no regular file, as a message says
// it: "a folder", "a named pipe", "a socket", "a device", "a symbolic link";
// "" for a regular file.
std::string nonFileKind(mode_t mode);

// Why user may not put a file in place of target (file: its status, folder:
// its folder's), when its folder has the sticky bit (a folder shared by
// several users, as /tmp) and the file belongs to another user, whose file
// only its owner may replace there: a message naming the owner and saying
// what to do. "" when that is not the case.
std::string stickyFolderRefusal(const std::string &target, const struct stat &file, const struct stat &folder,
                                uid_t user);

// Why a file of a group (a run's outputs) may not be put in place of target
// by this process's user, known before anything is written: another user's
// file in a folder with the sticky bit (stickyFolderRefusal), or another
// user's file that this user may not read, which it therefore cannot hold
// while the group is put in place, nor copy, so that its old contents could
// not be kept for a later failure of the group to put back. A message naming
// the file, its owner and what to do; "" when neither is the case (also for
// a target that does not exist yet). A symbolic link is taken at its
// destination, as open() takes it; the file there is looked at once, and a
// link put at its name is not followed.
std::string groupReplacementRefusal(const std::string &target);

// Why the file named `given` (as the caller was given it) is not written
// once that name no longer leads to the folder of target (the file it led
// to, a link resolved), which the caller holds as folder: another program
// moved or replaced that folder, or a folder or link on the way to it,
// `meanwhile` (as "while the run went on, so that the name no longer leads
// to the file the run wrote"). A message naming the name, the folder and
// where the folder held lies now ("(in /data/moved)", where the system says
// it), ending with a full stop.
std::string folderMovedRefusal(const std::string &given, const std::string &target, int folder,
                               const std::string &meanwhile);

// For tests: makes writing out the bytes of every staged file whose target
// `fails` picks (true) fail as on a full disk, so that a failure late in a
// run can be met without filling a disk; an empty function ends it. Set it
// only while no file is being written.
void failWritingOutForTesting(std::function<bool(const std::string &target)> fails);
// For tests: makes the rename that puts a staged file in place of a target
// that `fails` picks (true) fail (Input/output error), so that a failure
// between the renames of a group can be met; `fails` runs just before the
// rename. An empty function ends it. Set it only while no file is committed.
void failRenamingForTesting(std::function<bool(const std::string &target)> fails);

// The moments at which another program may act on the names of a staged
// file, for tests that act as that program (onStagedStepForTesting).
enum class StagedStep {
    Created,       // the temporary file exists, nothing is written yet (name: the temporary file)
    Checked,       // the temporary name was found to hold the file; the rename comes next
    Renamed,       // the file was renamed onto the target; the check of the target comes next
    PreviousNamed, // the target's old contents got their second name (name: the .prev file)
    PuttingBack,   // a group is about to put the old contents back (name: the .prev file)
};

// For tests: calls act(step, target, name) at each of those moments (target:
// the file written, a link resolved; name: as said above, else the
// temporary file), in the thread that writes; an empty function ends it.
// Set it only while no file is being written.
void onStagedStepForTesting(
    std::function<void(StagedStep step, const std::string &target, const std::string &name)> act);

// For tests: where a writer reads the old contents of target through the
// path StagedFile::oldContents() gave it (StagedFile::readOldContents), calls
// around(target, read) instead of read(): right after the old contents were
// approved and before the reader opens them, so that a test may change what
// the target's name holds at that very moment and put it back after the
// read. target: the file written, a link resolved. An empty function ends
// it; set it only while no file is being written.
void aroundOldContentsReadForTesting(
    std::function<void(const std::string &target, const std::function<void()> &read)> around);

class ReplacedFiles;

class StagedFile {
public:
    StagedFile();
    ~StagedFile();
    StagedFile(StagedFile &&other) noexcept;
    StagedFile &operator=(StagedFile &&other) noexcept;
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    // Creates an empty temporary file beside target. False with a message
    // naming target when the folder cannot take a new file (one that may not
    // be written is named as the cause), when target exists and is no
    // regular file (a folder: EISDIR; a device, a named pipe or a socket:
    // EINVAL; the message says which, and nothing under the name is opened),
    // or when it is read-only, with no write permission for its owner as
    // mode 444 (EACCES, whoever runs the program; nothing is created in
    // these cases); *systemError (when given) receives the system's error
    // number (ENOENT: the folder is missing; EACCES, EPERM, EROFS: not
    // allowed). Which file the target's name holds now (or that it holds
    // none) is the file checked: its old contents are read only as that file
    // (oldContents()), and kept only as it (keepReplaced()).
    bool open(const std::string &target, std::string *error, int *systemError = nullptr);
    // For a writer that keeps part of the target's old contents (a
    // workbook's other sheets, a database's other tables): the file that
    // open() found under the target's name, opened there once as a path
    // (without following a link, and without opening anything to be read,
    // as a pipe would make its reader wait) and held since, when the name
    // still holds that very file (its device and inode). *path receives a
    // path that reads it whatever becomes of the name: this process's
    // descriptor (/proc/<process>/fd/<n>, which a helper process may open
    // too), held until the file is put in place or discarded; "" when there
    // was no file at open(), or it was removed meanwhile. False with a
    // message naming the target when its name holds another file now (or a
    // file where there was none, or a link), or no regular file ("... a
    // named pipe ..."), or when the system offers no way to read it through
    // the descriptor.
    bool oldContents(std::string *path, std::string *error);
    // Runs read, which reads the old contents through the path that
    // oldContents() gave (and nothing by the target's name), at once after
    // oldContents() approved them; for tests within their hook
    // (aroundOldContentsReadForTesting).
    void readOldContents(const std::function<void()> &read) const;
    // Whether bytes may still be written (open, not yet prepared).
    bool isOpen() const;
    // Ties a hold on the target to the file opened: the exclusion of other
    // runs from it (platform/tables/TableLock.h), taken before open(). The
    // hold is dropped once the file is put in place, kept aside or
    // discarded; for a file of a group (keepReplaced(), or commit() with
    // replaced) once the group is final (ReplacedFiles::holdUntilFinal), so
    // that no other run writes the target before a group that fails has put
    // its old contents back.
    void holdUntilDone(std::shared_ptr<void> hold);

    // The stream of the temporary file; writes fail silently until commit()
    // reports them.
    std::ostream &stream();
    // Appends bytes; false when the stream has failed (disk full).
    bool write(std::string_view bytes);
    // The system's error number of the first write() that failed
    // (ENOSPC, EFBIG, ...), kept until the file is put in place or
    // discarded; 0 when none failed or the system gave no reason.
    int writeError() const { return m_writeError; }

    const std::string &target() const { return m_target; }
    // The temporary file (flush the stream before reading it back).
    const std::string &temporary() const { return m_temp; }
    // A path that reads back the file written, whatever another program has
    // put under the temporary name since: the descriptor of this process
    // (/proc/<process>/fd/<n>, also open to a child process), or the
    // temporary name where the system has no /proc. "" when none is pending.
    std::string readBackPath() const;

    // Whether a temporary file is being written or waits to be put in place.
    bool pending() const { return !m_temp.empty(); }

    // Writes the file out under its temporary name: flushes the stream,
    // checks that every byte reached the file, syncs it to the disk and
    // closes it for writing (writes fail after it), so that commit() has
    // only the rename left. False with a message when a write or the sync
    // failed (a full disk); the temporary file is then removed and the
    // target keeps its old contents. Once done it is not done again.
    bool prepare(std::string *error);
    // For a file of a group, before the first file of the group is renamed:
    // prepares the file (when that was not done), checks that the target can
    // be replaced (not another user's file in a folder with the sticky bit,
    // not a folder) and keeps its old contents in replaced (see
    // ReplacedFiles), to be put back should a later file of the group fail.
    // False with a message when the target may not be replaced or its old
    // contents could not be kept, or when its name no longer holds the file
    // open() found there (another program replaced it, or put a file where
    // there was none) or holds no regular file (the message says what it is:
    // "a named pipe"); a file that was removed meanwhile is simply new.
    // Nothing is renamed then, and the target is as it was
    // (replaced.restore() drops what the group kept so far).
    bool keepReplaced(ReplacedFiles &replaced, std::string *error);
    // Puts the file in place: prepares it (when that was not done) and
    // renames it onto the target. False with a message when that failed; the
    // target then keeps its old contents and the temporary file is removed.
    // Also false, naming the file, when another program put something else
    // under the temporary name before the rename (the file is not put in
    // place; what that program put there stays) or under the target's name
    // right after it. With replaced given, the target's old contents are
    // kept in it until the group of files it gathers is complete (see
    // ReplacedFiles): kept now when keepReplaced() was not called, and the
    // target is not replaced when they cannot be kept; after a failure
    // replaced.restore() puts back what the group replaced. Where something
    // else came under this file's target's name, it stays there, and
    // restore() keeps the target's old contents aside and names them.
    bool commit(std::string *error, ReplacedFiles *replaced = nullptr);
    // Removes the temporary file (its name, when it still holds the file);
    // the target keeps its old contents.
    void discard();
    // Prepares the temporary file (when that was not done) and leaves it beside the target
    // (*keptPath: its temporary name with the target's extension added,
    // ".Out.txt.3fa2c100.part.txt", or ".kept" without one; a fresh name
    // when another program has taken that one) instead of putting it in
    // place: the file of a run that must not replace the previous one but
    // whose output is worth a look. The kept name is made exclusively, never
    // over anything. The target keeps its old contents. False with a message
    // when a write, the sync or the naming failed (the temporary file is then
    // removed).
    bool keep(std::string *keptPath, std::string *error);
    // The same under the given name beside the target (from keptPathFor()),
    // which must not exist: false with a message when it does (another
    // program made it meanwhile) or lies elsewhere.
    bool keepAs(const std::string &keptPath, std::string *error);

private:
    struct Output;
    // Flushes, checks and syncs the file; false with the system's error
    // number (0: the stream failed, as on a full disk).
    bool writeOut(int *err);
    // Gives the file written the name beside the target (fresh: another
    // fresh one when it is taken); false with the system's error number.
    bool nameKept(std::string name, bool fresh, std::string *keptPath, int *err);
    // keep() and keepAs(): the file written out and named so, its temporary name removed.
    bool keepUnder(const std::string &name, bool fresh, std::string *keptPath, std::string *error);
    // Forgets the temporary file without touching its name (used once the
    // name no longer holds it).
    void abandon();
    void releaseHold();
    // Gives the hold on the target (holdUntilDone) to the group.
    void holdUntilFinal(ReplacedFiles &replaced);

    std::string m_given;           // the target's name as open() was given it
    std::string m_target;          // where the file goes (a link resolved)
    std::string m_name;            // the target's name in its folder
    std::string m_temp;            // the temporary file beside it ("" when none)
    std::string m_tempName;        // its name in the folder
    int m_folder = -1;             // a descriptor of the target's folder (-1: none)
    int m_held = -1;               // the temporary file, written through, holding its lock (-1: none)
    struct stat m_file {};         // which file the temporary file is
    struct stat m_checked {};      // which file the target's name held at open() ...
    bool m_existed = false;        // ... when it held one
    int m_old = -1;                // that file, held (O_PATH) from open() on (-1: none)
    std::unique_ptr<Output> m_out; // the stream writing through m_held
    std::shared_ptr<void> m_hold;  // the exclusion of other runs from the target (none: nullptr)
    bool m_prepared = false;       // written out and synced: only the rename is left
    int m_writeError = 0;          // the system's reason of the first failed write (0: none known)
};

// What the files of one group replaced, while the group is put in place: a
// run's outputs, which must replace the previous run's all or none. Each
// StagedFile::keepReplaced(replaced, error), made for every file of the
// group before the first is committed, keeps the target's old contents
// under a second name beside it (".Out.txt.3fa2c100.prev"): a hard link,
// which is the old file itself with its owner and permissions, or, where no
// link can be made (another user's file, a file system without links), a
// copy with the old file's permissions (and its owner where this user may
// give it). A file whose old contents cannot be kept is refused then, before
// anything is renamed. When a file of the group cannot be put in place,
// restore() puts back what the files before it replaced (and removes those
// that were new); once every file is in place, keepNew() checks that each
// target still holds the file put there and removes the old contents.
// A group that ends with neither is restored.
//
// The group holds each file of old contents (a shared whole-file lock,
// core/FileLock.h) from before it gets its second name until the group
// ends, so that no other group takes it for a left-over meanwhile, and one
// left by a program killed between the renames (then the user finds the old
// contents there) tells itself apart: keepNew() lets go of the group's own
// and then removes those of the group's targets that nobody holds. Old
// contents are put back only over the file the group put in place itself:
// where anything else is under the target's name (another program's file,
// put there right after the rename or later), it stays and the old contents
// are kept under a name no later group takes for a left-over
// (".Out.txt.3fa2c100.prev.txt"), which restore() names. Other holds that
// must last until the group is final (the hold of the run on each output,
// so that no other run writes it before ours is put back) are given to
// holdUntilFinal().
class ReplacedFiles {
public:
    ReplacedFiles() = default;
    ~ReplacedFiles();
    ReplacedFiles(const ReplacedFiles &) = delete;
    ReplacedFiles &operator=(const ReplacedFiles &) = delete;

    // Every file of the group has been put in place: checks that each
    // target's name still holds the file the group put there, and that the
    // name each file was given, followed again from the start under the
    // rule for links (core/OutputPlace.h), still leads to it; when so, drops
    // the old contents, and with them those that killed programs left
    // beside the group's targets. False with a message naming each file that
    // another program replaced meanwhile, and the folder of each file whose
    // name leads elsewhere now (a folder on its way was moved or replaced,
    // or a link on it): the group is then restored, each old file put back
    // in the folder it was replaced in, wherever that folder is now (a file
    // replaced stays as the other program left it, its old contents kept
    // aside and named), and the group did not put its files in place; *file
    // (when given) receives the first file so named.
    [[nodiscard]] bool keepNew(std::string *error, std::string *file = nullptr);
    // Puts back what the group replaced, the last file first, and drops the
    // old contents kept of files not yet replaced. False with a message
    // naming each file that could not be put back, or that another program
    // had replaced since, and where its old contents are then.
    bool restore(std::string *error);
    // Runs onFinal once the group is final (after keepNew() or restore(),
    // at the latest when the group ends), not before.
    void holdUntilFinal(std::function<void()> onFinal);

private:
    friend class StagedFile;
    struct Entry {
        std::string staged;       // the temporary file that goes in place
        std::string given;        // its name as the group was given it, followed again at the end
        std::string target;       // the file put in place (a link resolved)
        std::string name;         // its name in the folder
        std::string previous;     // its old contents ("": none kept)
        std::string previousName; // their name in the folder
        int folder = -1;          // a descriptor of the folder (-1: none)
        bool existed = false;     // the target existed before
        bool renamed = false;     // the file has been put in place
        int held = -1;            // a descriptor of the old contents holding the lock on them (-1: none)
        int placedHeld = -1;      // a descriptor of the file put in place, so that its inode is not reused
        bool checkedFile = false; // the target's name held a file when the file was opened ...
        struct stat checked {};   // ... this one: its old contents are kept only as it
        struct stat kept {};      // which file the old contents are
        struct stat placed {};    // which file was put in place
    };
    // Keeps the old contents of entry.name (when it exists) under
    // entry.previousName, held in entry.held; false with the reason, or with
    // the whole refusal in *refusal when the name holds another file than
    // the one checked (entry.checked) or no regular file.
    static bool keepOld(Entry &entry, std::string *why, std::string *refusal);
    // Puts entry's old contents back; what went wrong is added to said.
    static void putBack(Entry &entry, std::string *said);
    Entry *find(const std::string &staged);
    void drop(Entry &entry);
    void release(Entry &entry);
    void finish();
    std::vector<Entry> m_entries;
    std::vector<std::function<void()>> m_finals;
};

} // namespace vesk
