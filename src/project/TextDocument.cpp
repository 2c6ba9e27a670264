#include "project/TextDocument.h"

#include "core/TextIO.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vesk {

namespace {

// Windows-1252 bytes 0x80..0x9F as code points; the five bytes the code page
// leaves undefined stand for themselves.
constexpr char32_t kHigh[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

bool toWindows1252(std::string_view utf8, std::string *out) {
    out->clear();
    for (char32_t cp : utf8CodePoints(utf8)) {
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            *out += static_cast<char>(cp);
            continue;
        }
        int found = -1;
        for (int k = 0; k < 32; ++k) {
            if (kHigh[k] == cp) {
                found = k;
                break;
            }
        }
        if (found < 0) {
            return false;
        }
        *out += static_cast<char>(0x80 + found);
    }
    return true;
}

} // namespace

TextDocument textDocumentOf(std::string_view bytes) {
    TextDocument d;
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        d.byteOrderMark = true;
        bytes.remove_prefix(3);
    }
    // Valid UTF-8 comes back unchanged; anything else is read as Windows-1252.
    const std::string decoded = toUtf8(bytes);
    d.windows1252 = decoded != bytes;
    std::size_t crlf = 0, lf = 0, cr = 0;
    d.text.reserve(decoded.size());
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        const char c = decoded[i];
        if (c == '\r') {
            if (i + 1 < decoded.size() && decoded[i + 1] == '\n') {
                ++crlf;
                ++i;
            } else {
                ++cr;
            }
            d.text += '\n';
        } else {
            if (c == '\n') {
                ++lf;
            }
            d.text += c;
        }
    }
    if (lf > crlf && lf >= cr) {
        d.lineEnd = "\n";
    } else if (cr > crlf && cr > lf) {
        d.lineEnd = "\r";
    }
    return d;
}

std::string textDocumentBytes(const TextDocument &document) {
    std::string text;
    text.reserve(document.text.size() + document.text.size() / 16);
    for (char c : document.text) {
        if (c == '\n') {
            text += document.lineEnd;
        } else {
            text += c;
        }
    }
    std::string bytes = document.byteOrderMark ? std::string("\xEF\xBB\xBF") : std::string();
    std::string encoded;
    if (document.windows1252 && toWindows1252(text, &encoded)) {
        return bytes + encoded;
    }
    return bytes + text;
}

OpenFailure openTextDocument(const std::string &path, TextDocument *document, std::string *error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        if (error) {
            *error = "No such file: " + path;
        }
        return OpenFailure::NotFound;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    if (in) {
        buffer << in.rdbuf();
    }
    if (!in || in.bad()) {
        if (error) {
            *error = "The file " + path + " cannot be read: " + std::strerror(errno);
        }
        return OpenFailure::Unreadable;
    }
    *document = textDocumentOf(buffer.str());
    return OpenFailure::None;
}

FileSaveResult saveTextDocument(const std::string &path, const TextDocument &document) {
    return saveFileChecked(path, textDocumentBytes(document));
}

} // namespace vesk
