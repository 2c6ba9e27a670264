#pragma once

// Where a file the program writes goes, when a name on its way is a
// symbolic link.
//
// A run's outputs often lie in folders that other users may write too: a
// team's project folder (mode 777) or a folder with the sticky bit such as
// /tmp. A link there may have been put by another user and point at a file
// of the user who runs the program, who would then write over their own
// file without a word. So an output's name is resolved here one component
// at a time, as the system would, and a symbolic link met on the way (a
// folder of the path, the file's own name, each link of a chain) is
// followed only when
//   - the user running the program owns it, or root does (only root can
//     have made a link of root's), or
//   - no other user may write the folder that holds it: neither its group
//     nor others have write permission, and it belongs to the user running
//     the program or to root.
// That is the rule the system applies to links in folders with the sticky
// bit (fs.protected_symlinks), applied here to every folder, whatever the
// machine's setting. Any other link refuses the file before anything is
// written, naming the link and its owner. The folder at a link's
// destination is held to the same rule, as every name is.
//
// Each name on the way is looked at once: opened without following a link
// (O_PATH | O_NOFOLLOW), and its kind, a link's owner and where it leads, or
// the folder to go on from, are all read from that descriptor. A name
// swapped meanwhile (another user's link put in place of one's own between
// two looks) is therefore never followed.
//
// The result holds the output's folder, opened as it was resolved, so that
// what is done there later (a temporary file made, a rename) happens in
// that very folder even when a name on the way is replaced meanwhile.

#include <functional>
#include <string>

namespace vesk {

// A file descriptor, closed when it goes.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor &&other) noexcept : m_fd(other.release()) {}
    FileDescriptor &operator=(FileDescriptor &&other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    // Gives the descriptor up without closing it.
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes the descriptor held (if any) and takes fd.
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

// An output's place: its folder and its name there.
struct OutputPlace {
    std::string path;         // the file written: the name as given when no link was followed on the way,
                              // otherwise the full path with every link resolved
    std::string name;         // its name in its folder
    FileDescriptor folder;    // its folder, opened (O_PATH) as it was resolved
    bool throughLink = false; // a link was followed on the way
    bool refused = false;     // not resolved: a link on the way breaks the rule (the error is the refusal)
};

// Resolves target (a path of this system, relative to the current folder
// or full) under the rule above. True with place filled when the file may
// be written there: it exists or not (a dangling link of the user's own
// names its destination), it may be of any kind (the caller refuses a
// folder or a device). False with a message naming target, and the
// system's error number in *systemError (when given):
//   - EACCES: a link on the way belongs to another user and lies in a
//     folder that others may write; the message names the link, its
//     owner and its folder (foreignLinkRefusal() gives it alone);
//   - ENOENT: a folder on the way is missing; ENOTDIR: a name on the way
//     is no folder; ELOOP: more than 40 links; others as the system says
//     (EACCES: a folder on the way may not be entered). Where a link was
//     followed, the message names the last one and where it leads, and
//     place->throughLink (when place is given) is set.
// place->refused tells the first case from the others; in that case
// place->folder holds the folder the link lies in and place->name is its
// name there.
bool resolveOutputPlace(const std::string &target, OutputPlace *place, std::string *error,
                        int *systemError = nullptr);

// The refusal of target by the rule for links, "" when no link on its way
// breaks it (also when target cannot be resolved for another reason, which
// the writer reports as it opens the file). Opens no file for writing.
std::string foreignLinkRefusal(const std::string &target);

// For tests: where a link on the way is read, between its one look and the
// reading of where it leads, calls around(link, read) instead of read()
// (link: its full path), so that a test may act on the link's name at that
// very moment and after it; an empty function ends it. Set it only while no
// name is resolved.
void aroundLinkReadForTesting(
    std::function<void(const std::string &link, const std::function<void()> &read)> around);
// For tests: the same for the other names on the way (name: its full path),
// right after their one look: around the descent into a folder (use() goes
// into the folder looked at), and at the output's own name, the last, where
// use() does nothing as the resolution ends there. Set it only while no
// name is resolved.
void aroundNameUseForTesting(
    std::function<void(const std::string &name, const std::function<void()> &use)> around);

} // namespace vesk
