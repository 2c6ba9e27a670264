#pragma once

// Texts read from files as a window shows them. A name or a title in a file
// may be anything up to the longest text a reader takes (kMaxFieldText,
// 1 MiB): laid out whole in a caption, a label or the status line, such a
// text holds the window up for seconds at every repaint, and a caption of
// many megabytes ends the connection to an X11 display. Every text from a
// file goes into a caption, a label, the status line, a tip or a message box
// through these functions.

#include <QString>

#include <string_view>

namespace vesk::ui {

// The most characters of a text from a file that a caption, a label, the
// status line or a tip shows: more than a wide screen's line.
inline constexpr int kDisplayTextChars = 300;
// The most characters of a line of a text box that shows the lines of a
// file (a results file's key information).
inline constexpr int kDisplayLineChars = 2000;
// The most characters of a message box's text: some forty full lines.
inline constexpr int kDisplayMessageChars = 4000;

// A text held to what a window can show: control characters in caret
// notation, as the program's messages show them (^@ for NUL, ^[ for escape,
// ^I for a tab, ^M and ^J for line ends, ^? for DEL), and of a text longer
// than maxChars characters (an escape counting as its two) its first ones
// and an ellipsis "…", maxChars in all. The cut falls between characters:
// never inside a UTF-8 sequence or between the halves of a surrogate pair.
// Only the part shown is converted, so a text of megabytes costs no more
// than a short one. maxChars below 1 is taken as 1.
QString displayText(std::string_view utf8, int maxChars = kDisplayTextChars);
QString displayText(const QString &text, int maxChars = kDisplayTextChars);

// A message for a message box: as displayText, except that its line ends
// (CR, LF) and tabs are kept, since messages are laid out in lines.
QString displayMessage(std::string_view utf8, int maxChars = kDisplayMessageChars);
QString displayMessage(const QString &text, int maxChars = kDisplayMessageChars);

} // namespace vesk::ui
