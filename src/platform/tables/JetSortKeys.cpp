// Text sort keys of Jet indexes (see JetFormat.h), computed from the
// complete "General" sort-order tables of third_party/jet-sort-order, which
// this file compiles in their compact form (JetSortCodes.inc, written by
// tools/make_jet_sort_codes.py).
//
// A key lists the characters' inline bytes, so that keys compare byte by byte
// as Access sorts the texts: letter case aside, then by their diacritics and
// other marks, which follow the inline bytes.
//
// Jet 4: the inline bytes and the end mark 0x01; then, when there are any,
// the extra bytes of the international characters, one a character position
// (0x02 where a character has none, those at the end left out); then, when
// there are flags or unprintable characters, 0x01 0x01, the flags packed
// three to a byte and a fixed suffix, and the unprintable characters, each
// with its position; 0x00 ends the key.
//
// Jet 3: the inline bytes; then the diacritics of the international
// characters as 4-bit values between two 0 values, each preceded by a 2 for
// every "significant" letter since the one before (a letter that could bear
// a diacritic but bears none; a character that sorts as two such letters,
// as ß sorts as "ss", counts twice), or 0x00 when there are none.
//
// A descending index holds the bytes inverted (in Jet 4 with a 0xFF more,
// then 0x00), under the flag byte 0x80.

#include "platform/tables/JetFormat.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

namespace vesk::tables::jet {

namespace {

#include "jet-sort-order/JetSortCodes.inc"

constexpr std::size_t kMaxKeyChars = 255;
constexpr char kAscending = 0x7F, kDescending = static_cast<char>(0x80);

// A run of characters of one kind whose first field grows by `step` from one
// to the next (a big-endian number of `length` bytes).
struct Run {
    std::uint32_t first = 0, count = 1;
    std::uint64_t value = 0, step = 0;
    std::size_t length = 0;
    SortCode code; // of the first character, its first field left to `value`
};

std::string hexBytes(std::string_view hex, std::uint64_t *value = nullptr) {
    std::uint64_t v = 0;
    for (char c : hex) {
        v = v << 4 | static_cast<std::uint64_t>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    if (value) {
        *value = v;
    }
    std::string bytes((hex.size() + 1) / 2, '\0');
    for (std::size_t i = bytes.size(); i-- > 0; v >>= 8) {
        bytes[i] = static_cast<char>(v & 0xFF);
    }
    return bytes;
}

// The compact form read into runs, by their first character.
std::vector<Run> decode(std::string_view text) {
    std::vector<Run> runs;
    std::uint32_t at = 0;
    while (!text.empty()) {
        const std::size_t end = text.find(';');
        std::string_view item = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (item.empty()) {
            continue;
        }
        if (item[0] == '@') {
            std::from_chars(item.data() + 1, item.data() + item.size(), at, 16);
            continue;
        }
        Run r;
        r.first = at;
        if (const std::size_t star = item.find('*'); star != std::string_view::npos) {
            const char *p = item.data();
            auto [next, ec] = std::from_chars(p, p + star, r.count);
            if (next < p + star && *next == '+') {
                std::from_chars(next + 1, p + star, r.step, 16);
            }
            item.remove_prefix(star + 1);
        }
        r.code.kind = item[0];
        std::string_view fields[3];
        std::size_t n = 0;
        for (std::string_view rest = item.substr(1); n < 3; ++n) {
            const std::size_t comma = rest.find(',');
            fields[n] = rest.substr(0, comma);
            if (comma == std::string_view::npos) {
                ++n;
                break;
            }
            rest.remove_prefix(comma + 1);
        }
        r.length = (fields[0].size() + 1) / 2;
        hexBytes(fields[0], &r.value);
        r.code.extra = hexBytes(fields[1]);
        if (r.code.kind == 'Z') {
            r.code.flag = fields[2] == "1" ? 1 : 2;
        }
        at += r.count;
        runs.push_back(std::move(r));
    }
    return runs;
}

const std::vector<Run> &runsOf(SortOrder order) {
    static const std::vector<Run> none, general97 = decode(kGeneral97Codes),
                                        legacy = decode(kGeneralLegacyCodes), general = decode(kGeneralCodes);
    switch (order) {
    case SortOrder::General97:
        return general97;
    case SortOrder::GeneralLegacy:
        return legacy;
    case SortOrder::General:
        return general;
    default:
        return none;
    }
}

// A character as a message names it: itself in quotes and its code.
std::string characterName(std::uint32_t ch) {
    std::string units(2, '\0');
    if (ch >= 0x10000) {
        units.resize(4);
        wr16(units.data(), static_cast<std::uint16_t>(0xD800 | (ch - 0x10000) >> 10));
        wr16(units.data() + 2, static_cast<std::uint16_t>(0xDC00 | (ch & 0x3FF)));
    } else {
        wr16(units.data(), static_cast<std::uint16_t>(ch));
    }
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(ch));
    return "\"" + fromUtf16(units) + "\" (" + code + ")";
}

// The characters of a UTF-8 text that count for a key: trailing blanks
// dropped, at most 255 (a broken sequence is U+FFFD).
std::vector<std::uint32_t> keyCharacters(const std::string &utf8) {
    const std::string units = utf16(utf8);
    std::vector<std::uint32_t> text;
    for (std::size_t i = 0; i + 1 < units.size() && text.size() < kMaxKeyChars; i += 2) {
        std::uint32_t ch = rd16(units.data() + i);
        if (ch >= 0xD800 && ch < 0xDC00 && i + 3 < units.size()) {
            ch = 0x10000 + ((ch - 0xD800) << 10) + (rd16(units.data() + i + 2) - 0xDC00u);
            i += 2;
        }
        text.push_back(ch);
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

std::string jet3Key(const std::vector<std::uint32_t> &text) {
    std::string key;
    std::vector<std::uint8_t> nibbles; // the diacritics; empty until the first
    std::size_t significant = 0;       // since the last diacritic
    for (std::uint32_t ch : text) {
        const SortCode c = sortCode(SortOrder::General97, ch);
        if (c.kind == 'X' || c.kind == 0) {
            continue;
        }
        key += c.bytes;
        if (c.kind == 'G') {
            ++significant;
        } else if (c.kind == 'S' && c.bytes.size() > 1) {
            // A character that sorts as two letters (Æ, Œ, ß) counts as
            // two significant ones, as Access 97 counts them.
            significant += c.bytes.size();
        } else if (c.kind == 'I' && !c.extra.empty()) {
            if (nibbles.empty()) {
                nibbles.push_back(0);
            }
            nibbles.insert(nibbles.end(), significant, 2);
            significant = 0;
            nibbles.push_back(static_cast<std::uint8_t>(c.extra.back() & 0x0F));
        }
    }
    if (nibbles.empty()) {
        return key + '\0';
    }
    nibbles.push_back(0);
    for (std::size_t i = 0; i < nibbles.size(); i += 2) {
        const std::uint8_t low = i + 1 < nibbles.size() ? nibbles[i + 1] : 0;
        key.push_back(static_cast<char>(nibbles[i] << 4 | low));
    }
    return key;
}

// The Jet 4 key without its final 0x00; nothing, with the character in
// *missing, when the table has no line for a character.
std::optional<std::string> jet4Key(const std::vector<std::uint32_t> &text, SortOrder order,
                                   std::uint32_t *missing) {
    std::string key, extra, flags, unprintable;
    bool extraList = false;
    std::size_t position = 0; // characters with inline bytes so far
    std::size_t covered = 0;  // positions the extra list covers
    std::size_t prefix = 0;   // a modifier that started the extra list
    auto fillTo = [&](std::size_t pos) {
        if (covered < pos) {
            extra.append(pos - covered, '\x02');
            covered = pos;
        }
    };
    for (std::uint32_t ch : text) {
        const SortCode c = sortCode(order, ch);
        const std::size_t here = position;
        switch (c.kind) {
        case 0:
            *missing = ch;
            return std::nullopt;
        case 'X':
            break;
        case 'S':
        case 'G':
            key += c.bytes;
            ++position;
            break;
        case 'I':
        case 'Z':
            key += c.bytes;
            ++position;
            if (!c.extra.empty()) {
                extraList = true;
                fillTo(here);
                extra += c.extra;
                covered = here + 1;
            }
            if (c.kind == 'Z') {
                flags.push_back(c.flag == 1 ? '\x02' : '\x03');
            }
            break;
        case 'P':
            extraList = true;
            fillTo(here);
            if (extra.empty()) {
                extra = c.bytes;
                prefix = 1;
            } else {
                extra.back() = static_cast<char>(extra.back() + c.bytes.back());
            }
            break;
        case 'U': {
            const std::size_t p = extraList ? extra.size() + (here - covered) - prefix : here;
            const auto mark = static_cast<std::uint16_t>(0x8000 | (7 + 4 * p));
            unprintable.push_back(static_cast<char>(mark >> 8));
            unprintable.push_back(static_cast<char>(mark & 0xFF));
            unprintable.push_back('\x06');
            unprintable += c.bytes;
            break;
        }
        }
    }
    key.push_back('\x01');
    while (!extra.empty() && static_cast<unsigned char>(extra.back()) <= 0x02) {
        extra.pop_back();
    }
    key += extra;
    const bool anyFlags = !flags.empty();
    if (anyFlags || !unprintable.empty()) {
        key += "\x01\x01";
    }
    if (anyFlags) {
        while (!flags.empty() && flags.back() == '\x03') {
            flags.pop_back();
        }
        for (std::size_t i = 0; i < flags.size(); i += 3) {
            unsigned char packed = 0x80;
            for (std::size_t k = 0; k < 3 && i + k < flags.size(); ++k) {
                packed = static_cast<unsigned char>(packed | flags[i + k] << (2 * (2 - k)));
            }
            key.push_back(static_cast<char>(packed));
        }
        key += "\xFF\x02\x80\xFF\x80";
        if (!unprintable.empty()) {
            key.push_back('\xFF');
        }
    }
    if (!unprintable.empty()) {
        key.push_back('\x01');
        key += unprintable;
    }
    return key;
}

} // namespace

SortOrder sortOrderOf(const Format &f, const Column &c) {
    if (c.sortOrder != 0x0409) {
        return SortOrder::Unknown;
    }
    if (f.jet3) {
        return f.codePage == 1252 ? SortOrder::General97 : SortOrder::Unknown;
    }
    return c.sortVersion == 0   ? SortOrder::GeneralLegacy
           : c.sortVersion == 1 ? SortOrder::General
                                : SortOrder::Unknown;
}

std::string sortOrderName(const Format &f, const Column &c) {
    if (c.sortOrder == 0x0409 && f.jet3) {
        return "\"General\" in code page " + std::to_string(f.codePage);
    }
    return std::to_string(c.sortOrder) + (f.jet3 ? "" : " version " + std::to_string(c.sortVersion));
}

SortCode sortCode(SortOrder order, std::uint32_t ch) {
    if (order == SortOrder::General97 && ch > 0xFF) {
        const auto *m = std::find_if(std::begin(kGeneral97Mappings), std::end(kGeneral97Mappings),
                                     [&](const auto &pair) { return pair[0] == ch; });
        if (m == std::end(kGeneral97Mappings)) {
            return {'X', {}, {}, 0};
        }
        ch = (*m)[1];
    }
    const auto &runs = runsOf(order);
    auto it = std::upper_bound(runs.begin(), runs.end(), ch,
                               [](std::uint32_t c, const Run &r) { return c < r.first; });
    if (it == runs.begin() || ch - std::prev(it)->first >= std::prev(it)->count) {
        return {};
    }
    const Run &r = *std::prev(it);
    SortCode code = r.code;
    std::uint64_t v = r.value + r.step * (ch - r.first);
    code.bytes.assign(r.length, '\0');
    for (std::size_t i = r.length; i-- > 0; v >>= 8) {
        code.bytes[i] = static_cast<char>(v & 0xFF);
    }
    return code;
}

std::optional<std::string> keyOfText(const std::string &utf8, SortOrder order, bool descending,
                                     std::string *problem) {
    if (order == SortOrder::Unknown) {
        if (problem) {
            *problem = "its sort order is not one whose keys this program knows";
        }
        return std::nullopt;
    }
    const auto text = keyCharacters(utf8);
    std::string body;
    if (order == SortOrder::General97) {
        body = jet3Key(text);
    } else {
        std::uint32_t missing = 0;
        auto k = jet4Key(text, order, &missing);
        if (!k) {
            if (problem) {
                // Access 2010 and later do sort such characters; the tables
                // here end at U+FFFF.
                *problem = characterName(missing) +
                           ", which this program cannot place in the sort order of Access (its tables end at "
                           "U+FFFF)";
            }
            return std::nullopt;
        }
        body = std::move(*k);
        if (descending) {
            body.push_back('\0');
        }
    }
    if (descending) {
        for (char &c : body) {
            c = static_cast<char>(~c);
        }
    }
    std::string key(1, descending ? kDescending : kAscending);
    key += body;
    if (order != SortOrder::General97) {
        key.push_back('\0');
    }
    return key;
}

} // namespace vesk::tables::jet
