#pragma once

// A short text file as the text editor holds it: the text with "\n" line
// ends in UTF-8, and how the file wrote it (its line end, its code page, a
// byte-order mark), so that saving gives back the same bytes for the same
// text. A file that mixes line ends is saved with the one it uses most (CR
// LF on a tie). A Windows-1252 file stays Windows-1252 unless the text
// gained characters that code page lacks; it is then saved as UTF-8 so that
// nothing typed is lost.

#include "project/SafeSave.h"

#include <string>
#include <string_view>

namespace vesk {

struct TextDocument {
    std::string text;             // UTF-8, lines ended by "\n"
    std::string lineEnd = "\r\n"; // "\r\n", "\n" or "\r"
    bool windows1252 = false;     // the bytes were not UTF-8
    bool byteOrderMark = false;
};

// The document of a file's bytes (any size; nothing is left out).
TextDocument textDocumentOf(std::string_view bytes);

// The bytes of a document: its text with its line ends, in its code page.
std::string textDocumentBytes(const TextDocument &document);

enum class OpenFailure { None, NotFound, Unreadable };

// Reads a whole file. NotFound when there is no such file, Unreadable (with
// *error naming the file) when it cannot be read.
OpenFailure openTextDocument(const std::string &path, TextDocument *document, std::string *error);

// Saves through a temporary file and a rename; the old file stays whole on failure.
FileSaveResult saveTextDocument(const std::string &path, const TextDocument &document);

} // namespace vesk
