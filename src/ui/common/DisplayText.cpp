#include "ui/common/DisplayText.h"

#include <algorithm>
#include <cstddef>

namespace vesk::ui {

namespace {

constexpr QChar kEllipsis(0x2026);

bool isLineLayout(char16_t c) {
    return c == u'\n' || c == u'\r' || c == u'\t';
}

// The text shown of text; more: text is the head of a longer one.
QString shown(QStringView text, int maxChars, bool keepLineLayout, bool more) {
    maxChars = std::max(maxChars, 1);
    QString out;
    out.reserve(std::min<qsizetype>(text.size(), maxChars) + 1);
    int chars = 0;          // characters in out, an escape counting as its two
    qsizetype withRoom = 0; // the length of out that leaves room for the ellipsis
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool escaped = (c < 0x20 || c == 0x7F) && !(keepLineLayout && isLineLayout(c));
        const int width = escaped ? 2 : 1;
        if (chars + width > maxChars) {
            return out.left(withRoom) + kEllipsis;
        }
        if (escaped) {
            out += QLatin1Char('^');
            out += QLatin1Char(c == 0x7F ? '?' : static_cast<char>(c + 0x40));
        } else {
            out += text[i];
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                out += text[++i]; // the two halves of one character
            }
        }
        chars += width;
        if (chars < maxChars) {
            withRoom = out.size();
        }
    }
    return more ? out.left(withRoom) + kEllipsis : out;
}

QString shownUtf8(std::string_view utf8, int maxChars, bool keepLineLayout) {
    // A character takes at most four bytes: the first maxChars + 1 characters
    // lie within so many bytes, cut back to the start of a character.
    const std::size_t room = (static_cast<std::size_t>(std::max(maxChars, 1)) + 1) * 4;
    std::size_t end = utf8.size();
    if (end > room) {
        end = room;
        while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) {
            --end;
        }
    }
    const QString head = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(end));
    return shown(head, maxChars, keepLineLayout, end < utf8.size());
}

} // namespace

QString displayText(std::string_view utf8, int maxChars) {
    return shownUtf8(utf8, maxChars, false);
}

QString displayText(const QString &text, int maxChars) {
    return shown(text, maxChars, false, false);
}

QString displayMessage(std::string_view utf8, int maxChars) {
    return shownUtf8(utf8, maxChars, true);
}

QString displayMessage(const QString &text, int maxChars) {
    return shown(text, maxChars, true, false);
}

} // namespace vesk::ui
