#pragma once

// Who holds a lock file of an output (TableLock.h), for the message of a run
// refused meanwhile.
//
// A run writes a holder line into its lock file ("winvesk <process> <user>
// <computer>"). The line is a claim, not a proof: it may be a left-over of a
// run that has ended (its process number given since to another program),
// or anyone may write any line into a file of their own. So a line names a
// run only when the lock file belongs to the user it names and, the process
// being of this computer, that process is alive, belongs to that user (the
// owner of /proc/<process>) and is a run of this program holding the lock
// file. Otherwise all that is known is that a program holds the lock file,
// and, where the system's list of held locks (/proc/locks) gives the
// holder's process, whose that program is.

#include <string>
#include <sys/stat.h>

namespace vesk::tables {

// The holder line of this process's run: "winvesk <process> <user>
// <computer>" and a line end.
std::string holderLine();

// Whether the first bytes of the open file are a holder line: its process,
// user and computer ("-" when it names none). Only a line of the expected
// form with names of plain characters is taken: it may be written by
// another user's run.
bool readHolder(int fd, char (&process)[16], char (&user)[64], char (&host)[128]);

// The run the lock file (open as fd) names as its holder, as a message
// names it ("process 4711 of the user ana on ws1"); "" when the line names
// no run that may be believed: none, a line of another user than the
// file's owner, a process of this computer that has ended, belongs to
// another user than the one named or is no run of this program holding
// the file (one that has it open, where this user may see the files the
// process has open; else one that bears this program's name), or a process
// of another computer, which cannot be checked from here.
std::string runHolderOf(int fd);

// What the system's list of held locks tells of the file (its status): a
// program holds a lock on it (*held), and the user of that program where
// the list names the holder's process (locks of processes, fcntl() and
// flock(), name it; open-file-description locks, as runs take, do not): its
// name, or "" when unknown. Nothing is known where the system keeps no such
// list, or for locks taken on another computer (a network drive).
std::string lockHolderUser(const struct stat &file, bool *held);

} // namespace vesk::tables
