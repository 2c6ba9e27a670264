#include "core/TextIO.h"

#include "core/StagedFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>

namespace vesk {

namespace {

void appendUtf8(std::string &out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Windows-1252 code points of the bytes 0x80..0x9F; undefined bytes map to themselves.
constexpr unsigned kCp1252High[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

// Length of the valid UTF-8 sequence at s[i] and its code point; 0 when invalid.
size_t utf8SequenceAt(std::string_view s, size_t i, char32_t *cp) {
    const auto c = static_cast<unsigned char>(s[i]);
    int extra = 0;
    if (c < 0x80) {
        *cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3;
    } else {
        return 0;
    }
    if (i + static_cast<size_t>(extra) >= s.size()) {
        return 0;
    }
    char32_t v = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) {
            return 0;
        }
        v = (v << 6) | (cc & 0x3F);
    }
    static const char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (v < kMin[extra] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
        return 0;
    }
    *cp = v;
    return static_cast<size_t>(extra) + 1;
}

bool isValidUtf8(std::string_view s) {
    char32_t cp = 0;
    for (size_t i = 0; i < s.size();) {
        const size_t n = utf8SequenceAt(s, i, &cp);
        if (n == 0) {
            return false;
        }
        i += n;
    }
    return true;
}

char32_t fromWindows1252(unsigned char c) {
    return (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c;
}

} // namespace

std::u32string utf8CodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t n = utf8SequenceAt(text, i, &cp);
        if (n == 0) {
            out += fromWindows1252(static_cast<unsigned char>(text[i]));
            ++i;
        } else {
            out += cp;
            i += n;
        }
    }
    return out;
}

std::string utf8ToWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : utf8CodePoints(text)) {
        char ch = '?';
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            ch = static_cast<char>(cp);
        } else {
            for (int k = 0; k < 32; ++k) {
                if (kCp1252High[k] == cp && cp > 0xFF) {
                    ch = static_cast<char>(0x80 + k);
                }
            }
        }
        out += ch;
    }
    return out;
}

std::string toUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else if (c < 0xA0) {
            appendUtf8(out, kCp1252High[c - 0x80]);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

bool isRegularFile(const std::string &path, std::string *error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        if (error) {
            *error = "The file " + path + " is missing!";
        }
        return false;
    }
    if (!fs::is_regular_file(status)) {
        if (error) {
            const char *kind = "of another kind";
            switch (status.type()) {
            case fs::file_type::directory:
                kind = "a folder";
                break;
            case fs::file_type::fifo:
                kind = "a pipe (FIFO)";
                break;
            case fs::file_type::character:
            case fs::file_type::block:
                kind = "a device";
                break;
            case fs::file_type::socket:
                kind = "a socket";
                break;
            default:
                break;
            }
            *error = "The file " + path + " is not a regular file but " + kind +
                     ": it cannot be read as a data file.";
        }
        return false;
    }
    return true;
}

bool readTextFile(const std::string &path, std::string *text, std::string *error, std::size_t maxBytes) {
    if (!isRegularFile(path, error)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) {
            *error = "The file " + path + " is missing!";
        }
        return false;
    }
    // Read with a bound: the file may grow while it is read.
    std::string bytes;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        if (bytes.size() + static_cast<std::size_t>(in.gcount()) > maxBytes) {
            if (error) {
                *error = "The file " + path + " is larger than " + std::to_string(maxBytes) +
                         " bytes: it cannot be read as one of this program's text files.";
            }
            return false;
        }
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        if (error) {
            *error = "Cannot read the file " + path + ".";
        }
        return false;
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        bytes.erase(0, 3);
    }
    *text = toUtf8(bytes);
    return true;
}

bool getLineBounded(std::istream &in, std::string &line, std::size_t maxBytes, bool *tooLong) {
    line.clear();
    *tooLong = false;
    // In pieces by istream::getline, which looks for the end of the line in
    // the stream's buffer rather than character by character. A piece holds
    // at most one character more than the line may still take, so that an
    // overlong line shows without reading further into it.
    char piece[4096];
    bool any = false;
    for (;;) {
        const std::size_t room = maxBytes - line.size();
        const std::size_t size = room >= sizeof piece - 1 ? sizeof piece : room + 2;
        in.getline(piece, static_cast<std::streamsize>(size));
        const auto got = static_cast<std::size_t>(in.gcount());
        const bool full = in.fail() && !in.eof() && got == size - 1; // no end of line in the piece
        const bool ended = !in.fail() && !in.eof();                  // the piece ends with the LF
        line.append(piece, ended ? got - 1 : got);
        any = any || got > 0;
        if (line.size() > maxBytes) {
            line.resize(maxBytes);
            *tooLong = true;
            in.clear(in.rdstate() & ~std::ios::eofbit);
            in.setstate(std::ios::failbit);
            return false;
        }
        if (ended) {
            return true;
        }
        if (!full) {
            // The end of the data (or a stream that had failed before).
            if (in.eof()) {
                in.clear(in.rdstate() & std::ios::badbit);
                in.setstate(any ? std::ios::eofbit : std::ios::eofbit | std::ios::failbit);
            }
            return any;
        }
        in.clear(in.rdstate() & ~std::ios::failbit);
    }
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.emplace_back(text.substr(start));
    }
    return lines;
}

bool writeFileAtomically(const std::string &path, std::string_view bytes, std::string *error) {
    StagedFile file;
    if (!file.open(path, error)) {
        return false;
    }
    // Flushed here, so that a failed write is known with its reason.
    errno = 0;
    if (!file.write(bytes) || !file.stream().flush()) {
        const int err = errno;
        file.discard();
        if (error != nullptr) {
            *error = writeFailureText(path, err);
        }
        return false;
    }
    return file.commit(error);
}

std::string writeFailureText(const std::string &path, int err) {
    return "Cannot write the file " + path + ": " +
           (err != 0 ? std::string(std::strerror(err)) : "the disk may be full") + ".";
}

std::string visibleText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            out += '^';
            out += c == 0x7F ? '?' : static_cast<char>(c + 0x40);
        } else {
            out += ch;
        }
    }
    return out;
}

std::string quotedText(std::string_view text) {
    return "\"" + visibleText(text) + "\"";
}

std::string visibleExcerpt(std::string_view text, std::size_t maxChars) {
    std::size_t end = 0;
    for (std::size_t chars = 0; end < text.size(); ++end) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && chars++ == maxChars) {
            break; // the first byte of the character past the last one shown
        }
    }
    std::string shown = visibleText(text.substr(0, end));
    return end < text.size() ? shown + "..." : shown;
}

std::string trim(std::string_view s) {
    const char *ws = " \t\r\n";
    const auto b = s.find_first_not_of(ws);
    if (b == std::string_view::npos) {
        return {};
    }
    const auto e = s.find_last_not_of(ws);
    return std::string(s.substr(b, e - b + 1));
}

std::string toLower(std::string_view s) {
    std::string r(s);
    for (char &c : r) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return r;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

bool startsWithI(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && iequals(s.substr(0, prefix.size()), prefix);
}

bool endsWithI(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && iequals(s.substr(s.size() - suffix.size()), suffix);
}

} // namespace vesk
