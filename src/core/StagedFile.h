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
// Putting a file in place has two steps: prepare() writes every byte out
// (a full disk shows here, as the stream's buffer reaches the file only
// then), checks it and syncs it to the disk; commit() renames. Files that
// must replace their targets all or none (the outputs of a run) are each
// prepared before the first is committed, so that only renames follow, and
// are committed into one ReplacedFiles, which puts back what they replaced
// should one of the renames fail.
//
// A StagedFile that is neither committed nor discarded removes its
// temporary file when it is destroyed: the target is never touched then.
//
// The temporary file is locked (core/FileLock.h) while it is written, so
// that one left behind by a writer that was killed tells itself apart: the
// next writer of the target removes such left-overs, never a file another
// writer, of this process or another, is still writing.

#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace vesk {

// A fresh name for a temporary file beside target: the target's name hidden
// behind a dot, with a random part and ".part" ("Out.txt" gives
// ".Out.txt.3fa2c100.part"). The file does not exist yet.
std::string temporaryPathFor(const std::string &target);

// Removes the temporary files of target (named as temporaryPathFor names
// them) that no writer holds: those of writers that were killed. Files kept
// aside and those of other targets stay. StagedFile::open() does it.
void removeLeftOverTemporaries(const std::string &target);

// A user's name, or the number when the system has none for it.
std::string userName(uid_t uid);

// Why user may not put a file in place of target (file: its status, folder:
// its folder's), when its folder has the sticky bit (a folder shared by
// several users, as /tmp) and the file belongs to another user, whose file
// only its owner may replace there: a message naming the owner and saying
// what to do. "" when that is not the case.
std::string stickyFolderRefusal(const std::string &target, const struct stat &file, const struct stat &folder,
                                uid_t user);

// For tests: makes writing out the bytes of every staged file whose target
// `fails` picks (true) fail as on a full disk, so that a failure late in a
// run can be met without filling a disk; an empty function ends it. Set it
// only while no file is being written.
void failWritingOutForTesting(std::function<bool(const std::string &target)> fails);

class ReplacedFiles;

class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile();
    StagedFile(StagedFile &&other) noexcept;
    StagedFile &operator=(StagedFile &&other) noexcept;
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    // Creates an empty temporary file beside target. False with a message
    // naming target when the folder cannot take a new file, when target
    // exists and is no regular file (a folder: EISDIR; a device, a pipe or a
    // socket: EINVAL), or when it is read-only, with no write permission for
    // its owner as mode 444 (EACCES, whoever runs the program; nothing is
    // created in these cases); *systemError (when given) receives the
    // system's error number (ENOENT: the folder is missing; EACCES, EROFS:
    // not allowed).
    bool open(const std::string &target, std::string *error, int *systemError = nullptr);
    bool isOpen() const { return m_stream.is_open(); }

    // The stream of the temporary file; writes fail silently until commit()
    // reports them.
    std::ostream &stream() { return m_stream; }
    // Appends bytes; false when the stream has failed (disk full).
    bool write(std::string_view bytes);
    // The system's error number of the first write() that failed
    // (ENOSPC, EFBIG, ...), kept until the file is put in place or
    // discarded; 0 when none failed or the system gave no reason.
    int writeError() const { return m_writeError; }

    const std::string &target() const { return m_target; }
    // The temporary file (flush the stream before reading it back).
    const std::string &temporary() const { return m_temp; }

    // Whether a temporary file is being written or waits to be put in place.
    bool pending() const { return !m_temp.empty(); }

    // Writes the file out under its temporary name: flushes the stream,
    // checks that every byte reached the file, syncs it to the disk and
    // closes it (writes fail after it), so that commit() has only the rename
    // left. False with a message when a write, the sync or the close failed
    // (a full disk); the temporary file is then removed and the target keeps
    // its old contents. Once done it is not done again.
    bool prepare(std::string *error);
    // Puts the file in place: prepares it (when that was not done) and
    // renames it onto the target. False with a message when that failed; the
    // target then keeps its old contents and the temporary file is removed.
    // With replaced given, the target's old contents are kept in it until the
    // group of files it gathers is complete (see ReplacedFiles).
    bool commit(std::string *error, ReplacedFiles *replaced = nullptr);
    // Removes the temporary file; the target keeps its old contents.
    void discard();
    // Prepares the temporary file (when that was not done) and leaves it beside the target
    // (*keptPath: its temporary name with the target's extension added,
    // ".Out.txt.3fa2c100.part.txt", or ".kept" without one) instead of
    // putting it in place: the file of a run that must not replace the
    // previous one but whose output is worth a look. The target keeps its
    // old contents. False with a message when a write, the sync, the close
    // or the renaming failed (the temporary file is then removed).
    bool keep(std::string *keptPath, std::string *error);

private:
    // Flushes, checks, syncs and closes the stream; false with the system's
    // error number (0: the stream failed, as on a full disk).
    bool writeOut(int *err);
    void releaseHold();

    std::string m_target; // where the file goes (a link resolved)
    std::string m_temp;   // the temporary file beside it ("" when none)
    std::ofstream m_stream;
    int m_held = -1;         // a descriptor of the temporary file holding its lock (-1: none)
    bool m_prepared = false; // written out, synced and closed: only the rename is left
    int m_writeError = 0;    // the system's reason of the first failed write (0: none known)
};

// What the files of one group replaced, while the group is put in place: a
// run's outputs, which must replace the previous run's all or none. Each
// StagedFile::commit(error, &replaced) keeps the target's old contents
// under a second name beside it (".Out.txt.3fa2c100.prev": a hard link made
// just before the rename, or a copy where the file system has no links).
// When a file of the group cannot be put in place, restore() puts back what
// the files before it replaced (and removes those that were new); once every
// file is in place, keepNew() removes the old contents. A group that ends
// with neither is restored. (A program killed between the renames leaves
// the old contents under their second name, where the user finds them.)
class ReplacedFiles {
public:
    ReplacedFiles() = default;
    ~ReplacedFiles();
    ReplacedFiles(const ReplacedFiles &) = delete;
    ReplacedFiles &operator=(const ReplacedFiles &) = delete;

    // Every file of the group is in place: the old contents go.
    void keepNew();
    // Puts back what the group replaced, the last file first. False with a
    // message naming each file that could not be put back, and where its
    // old contents are then.
    bool restore(std::string *error);

private:
    friend class StagedFile;
    struct Entry {
        std::string target;   // the file put in place
        std::string previous; // its old contents ("": none kept)
        bool existed = false; // the target existed before
        std::string lost;     // why its old contents could not be kept
        dev_t device = 0;     // the file put in place
        ino_t inode = 0;
    };
    std::vector<Entry> m_entries;
};

} // namespace vesk
