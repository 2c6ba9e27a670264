// The text sort keys of Access indexes: the compiled "General" tables
// against the published ones, character by character; the keys of every
// indexed text of an Access 97 database against the index entries Access
// itself wrote, ascending and descending; the catalogue keys of every shared
// database; and keys of Access 2000 and 2010 worked out by hand from the
// tables, one for each kind of character.

#include "platform/tables/JetDatabase.h"
#include "support/JetTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vesk {
namespace {

using test::TempDir;
namespace jet = tables::jet;
namespace fs = std::filesystem;
using jet::SortOrder;

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) {
        s.push_back(static_cast<char>(b));
    }
    return s;
}

std::string hex(const std::string &s) {
    std::string out;
    char b[4];
    for (unsigned char c : s) {
        std::snprintf(b, sizeof b, "%02X ", c);
        out += b;
    }
    return out;
}

// --- the compiled tables ------------------------------------------------------

// A published line read on its own: the kind, then fields of hexadecimal
// bytes (a field of odd length lost its leading 0).
jet::SortCode publishedCode(const std::string &line) {
    jet::SortCode code;
    code.kind = line[0];
    std::vector<std::string> fields(1);
    for (char c : line.substr(1)) {
        if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back().push_back(c);
        }
    }
    auto decode = [](std::string f) {
        if (f.size() % 2) {
            f = "0" + f;
        }
        std::string out;
        for (std::size_t i = 0; i < f.size(); i += 2) {
            out.push_back(static_cast<char>(std::stoi(f.substr(i, 2), nullptr, 16)));
        }
        return out;
    };
    code.bytes = decode(fields[0]);
    if (fields.size() > 1) {
        code.extra = decode(fields[1]);
    }
    if (code.kind == 'Z') {
        code.flag = fields.size() > 2 && fields[2] == "1" ? 1 : 2;
    }
    return code;
}

std::vector<std::string> publishedLines(const std::string &name) {
    std::ifstream in(test::sourceDir() / "third_party" / "jet-sort-order" / name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

struct PublishedOrder {
    SortOrder order;
    const char *base, *ext;
};

class CompiledSortOrder : public testing::TestWithParam<PublishedOrder> {};

TEST_P(CompiledSortOrder, GivesEveryCharacterAsThePublishedTableDoes) {
    const auto base = publishedLines(GetParam().base);
    ASSERT_EQ(base.size(), 256u);
    std::vector<std::pair<std::uint32_t, std::string>> lines;
    for (std::uint32_t c = 0; c < 256; ++c) {
        lines.emplace_back(c, base[c]);
    }
    if (GetParam().ext) {
        const auto ext = publishedLines(GetParam().ext);
        ASSERT_EQ(ext.size(), 63232u);
        std::uint32_t c = 0x100;
        for (const auto &line : ext) {
            lines.emplace_back(c, line);
            c = c == 0xD7FF ? 0xE000 : c + 1;
        }
        EXPECT_EQ(jet::sortCode(GetParam().order, 0xD800).kind, 0) << "no surrogate has a line";
        EXPECT_EQ(jet::sortCode(GetParam().order, 0x10000).kind, 0);
    }
    std::size_t wrong = 0;
    for (const auto &[c, line] : lines) {
        const jet::SortCode want = publishedCode(line), got = jet::sortCode(GetParam().order, c);
        if (got.kind != want.kind || got.bytes != want.bytes || got.extra != want.extra ||
            got.flag != want.flag) {
            if (++wrong <= 5) {
                ADD_FAILURE() << "character " << c << ": the table says " << line << ", compiled " << got.kind
                              << " " << hex(got.bytes) << "/ " << hex(got.extra) << "/ " << int(got.flag);
            }
        }
    }
    EXPECT_EQ(wrong, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, CompiledSortOrder,
    testing::Values(PublishedOrder{SortOrder::General97, "index_codes_gen_97.txt", nullptr},
                    PublishedOrder{SortOrder::GeneralLegacy, "index_codes_genleg.txt",
                                   "index_codes_ext_genleg.txt"},
                    PublishedOrder{SortOrder::General, "index_codes_gen.txt", "index_codes_ext_gen.txt"}),
    [](const auto &info) {
        return std::string(info.param.order == SortOrder::General97       ? "Access97"
                           : info.param.order == SortOrder::GeneralLegacy ? "Access2000"
                                                                          : "Access2010");
    });

TEST(CompiledSortOrder, Access97SortsTheWindowsCharactersAbove255AsTheirCodePageBytesAndIgnoresOthers) {
    for (const auto &line : publishedLines("index_mappings_ext_gen_97.txt")) {
        const auto comma = line.find(',');
        const auto from = static_cast<std::uint32_t>(std::stoul(line.substr(0, comma)));
        const auto to = static_cast<std::uint32_t>(std::stoul(line.substr(comma + 1)));
        const auto a = jet::sortCode(SortOrder::General97, from), b = jet::sortCode(SortOrder::General97, to);
        EXPECT_TRUE(a.kind == b.kind && a.bytes == b.bytes && a.extra == b.extra) << line;
    }
    EXPECT_EQ(jet::sortCode(SortOrder::General97, 0x20AC).bytes,
              jet::sortCode(SortOrder::General97, 0x80).bytes)
        << "€ is 0x80 of code page 1252";
    EXPECT_EQ(jet::sortCode(SortOrder::General97, 0x0141).kind, 'X') << "Ł is no character of code page 1252";
    EXPECT_EQ(jet::keyOfText("Werte\xC5\x81", SortOrder::General97),
              jet::keyOfText("Werte", SortOrder::General97));
}

// --- keys Access wrote ---------------------------------------------------------

// The rows of a table, by their data pointer.
std::map<std::uint32_t, std::vector<jet::Value>> tableRows(const jet::File &f, const jet::TableDef &def) {
    std::map<std::uint32_t, std::vector<jet::Value>> rows;
    jet::PageRow map;
    std::set<std::uint32_t> pages;
    EXPECT_TRUE(jet::rowAt(f, def.usedMap, &map) && jet::decodeMap(f, map.bytes, &pages));
    for (std::uint32_t p : pages) {
        std::vector<jet::PageRow> onPage;
        std::uint32_t owner = 0;
        if (p >= f.pages() || !jet::readDataPage(f.page(p), &owner, &onPage, f.format) || owner != def.page) {
            continue;
        }
        for (std::size_t r = 0; r < onPage.size(); ++r) {
            jet::PageRow row = onPage[r];
            const std::uint32_t pointer = p << 8 | static_cast<std::uint32_t>(r);
            if ((row.flags & 0x8000) || ((row.flags & 0x4000) && !jet::rowAt(f, pointer, &row))) {
                continue;
            }
            EXPECT_TRUE(jet::crackRow(row.bytes, def.columns, &rows[pointer], f.format));
        }
    }
    return rows;
}

// The entry of a row in an index of text and long integer columns, or
// nothing for an index of other columns.
std::optional<std::string> entryOf(const jet::File &f, const jet::TableDef &def, const jet::RealIndex &index,
                                   const std::vector<jet::Value> &values, std::uint32_t pointer) {
    std::string entry;
    for (std::size_t i = 0; i < index.columns.size(); ++i) {
        const jet::Column &c = def.columns.at(index.columns[i]);
        const bool descending = index.descending[i];
        const jet::Value &v = values.at(c.number);
        if (c.type != jet::kText && c.type != jet::kLong) {
            return std::nullopt;
        }
        if (!v) {
            entry.push_back(descending ? '\xFF' : '\x00');
        } else if (c.type == jet::kLong) {
            entry += jet::keyOfLong(static_cast<std::int32_t>(jet::rd32(v->data())), descending);
        } else {
            const auto key =
                jet::keyOfText(jet::readText(f.format, *v), jet::sortOrderOf(f.format, c), descending);
            EXPECT_TRUE(key);
            entry += key.value_or("");
        }
    }
    return entry + jet::pointerBytes(pointer >> 8, static_cast<std::uint8_t>(pointer & 0xFF));
}

// A database of the shared ones with the entries Access itself wrote into
// the indexes of its text columns, and what they hold.
struct AccessWritten {
    const char *file;
    bool jet3;
    std::size_t indexes, descending, entries, texts, beyondAscii;
};

class AccessWrittenIndexKeys : public testing::TestWithParam<AccessWritten> {};

TEST_P(AccessWrittenIndexKeys, EveryIndexedTextHasTheKeyAccessStoredForIt) {
    TempDir dir;
    const std::string file = test::copyShared(dir, GetParam().file);
    WINVESK_NEEDS_SHARED_FILE(file);
    const jet::Database db = test::loadJet(file);
    const jet::File &f = db.file;
    ASSERT_EQ(f.format.jet3, GetParam().jet3);
    std::size_t indexes = 0, descending = 0, entries = 0, texts = 0, beyondAscii = 0;
    for (const auto &e : db.entries) {
        if (e.type() != 1 || (e.flags() & jet::kSystemFlags)) {
            continue;
        }
        const std::string table = e.name(f.format);
        jet::TableDef def;
        std::string problem;
        ASSERT_TRUE(jet::readTableDef(f, e.id() & 0xFFFFFF, &def, &problem)) << problem;
        const auto rows = tableRows(f, def);
        for (const auto &index : def.realIndexes) {
            std::vector<std::string> expected;
            for (const auto &[pointer, values] : rows) {
                if (auto entry = entryOf(f, def, index, values, pointer)) {
                    expected.push_back(*entry);
                    for (std::size_t c : index.columns) {
                        const jet::Value &v = values.at(def.columns.at(c).number);
                        if (def.columns.at(c).type == jet::kText && v) {
                            const std::string text = jet::readText(f.format, *v);
                            beyondAscii +=
                                std::any_of(text.begin(), text.end(), [](char ch) { return ch & 0x80; });
                            ++texts;
                        }
                    }
                }
            }
            if (expected.empty()) {
                continue;
            }
            ++indexes;
            descending += std::count(index.descending.begin(), index.descending.end(), true) > 0;
            entries += expected.size();
            std::sort(expected.begin(), expected.end());
            const auto stored = test::indexEntries(f, index.firstPage);
            ASSERT_EQ(stored.size(), expected.size()) << table;
            for (std::size_t i = 0; i < stored.size(); ++i) {
                if (stored[i] != expected[i]) {
                    const auto *at =
                        reinterpret_cast<const unsigned char *>(stored[i].data() + stored[i].size() - 4);
                    const std::uint32_t pointer =
                        static_cast<std::uint32_t>(at[0]) << 24 | at[1] << 16 | at[2] << 8 | at[3];
                    const auto row = rows.find(pointer);
                    const auto &first =
                        row == rows.end() ? jet::Value() : row->second.at(index.columns.front());
                    ADD_FAILURE() << table << ", entry " << i << " (the row of \""
                                  << (first ? jet::readText(f.format, *first) : "") << "\"): Access stored "
                                  << hex(stored[i]) << "\nwe compute " << hex(expected[i]);
                    break;
                }
            }
        }
    }
    EXPECT_EQ(indexes, GetParam().indexes) << "the indexes of text (and long integer) columns";
    EXPECT_EQ(descending, GetParam().descending);
    EXPECT_EQ(entries, GetParam().entries);
    EXPECT_EQ(texts, GetParam().texts) << "texts in the entries";
    EXPECT_EQ(beyondAscii, GetParam().beyondAscii);
}

INSTANTIATE_TEST_SUITE_P(SharedDatabases, AccessWrittenIndexKeys,
                         testing::Values(AccessWritten{"testIndexCodesV1997.mdb", true, 43, 8, 2864, 2776,
                                                       492},
                                         AccessWritten{"nwind.mdb", true, 30, 0, 14831, 3837, 67},
                                         AccessWritten{"testUnicodeCompV2003.mdb", false, 2, 0, 16, 8, 7}),
                         [](const auto &info) { return test::testNameOf(info.param.file); });

TEST(AccessIndexKeys, EveryCatalogueOfTheSharedDatabasesListsEachObjectUnderTheKeyWeGiveItsName) {
    const fs::path folder = test::testDataDir() / "mdb";
    WINVESK_NEEDS_SHARED_FILE(test::sharedTestFile("mdb"));
    TempDir dir;
    std::size_t databases = 0;
    for (const auto &item : fs::directory_iterator(folder)) {
        if (item.path().extension() != ".mdb") {
            continue;
        }
        ++databases;
        ASSERT_NO_FATAL_FAILURE(test::expectCatalogueIndexed(test::copyShared(dir, item.path().filename())));
    }
    EXPECT_GE(databases, 4u);
}

// --- keys worked out by hand ---------------------------------------------------

struct HandKey {
    const char *what;
    const char *text;
    SortOrder order;
    bool descending;
    std::string key;
};

// Each from the tables' lines for its characters (Access 2000: H S57, o S64,
// u S6F, r S69, l S5E, y S76, _ S2B03, O S64, t S6D; ' U80; B S4C, i S59,
// e S51, n S62; ø I64,21; Ñ I62,19, a S4A, d S4F, ú I6F,E; é I51,E;
// U+0301 PC, - U82; U+3041 Z7F02,,1, U+3042 Z7F02,,; ß S6B6B; s S6B.
// Access 2010: S SE91, t SE99, r SE8A, a SE02, ß SE910E91, e SE21.
// Access 97: € as 0x80 S10, blank S11, W S7B, e G66, r S75, t S77; Æ S6066, ø S81).
const HandKey kHandKeys[] = {
    {"a name of a real Access 97 catalogue", "Ums\xC3\xA4tze", SortOrder::General97, false,
     bytes({0x7F, 0x78, 0x6F, 0x76, 0x60, 0x77, 0x7E, 0x66, 0x02, 0x26, 0x00})},
    {"a name of a real Access 2000 catalogue", "Hourly Out", SortOrder::GeneralLegacy, false,
     bytes({0x7F, 0x57, 0x64, 0x6F, 0x69, 0x5E, 0x76, 0x07, 0x64, 0x6F, 0x6D, 0x01, 0x00})},
    {"simple characters, one of two bytes", "Hourly_Out", SortOrder::GeneralLegacy, false,
     bytes({0x7F, 0x57, 0x64, 0x6F, 0x69, 0x5E, 0x76, 0x2B, 0x03, 0x64, 0x6F, 0x6D, 0x01, 0x00})},
    {"an unprintable character at position 1", "O'Brien", SortOrder::GeneralLegacy, false,
     bytes({0x7F, 0x64, 0x4C, 0x69, 0x59, 0x51, 0x62, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x80, 0x00})},
    {"an extra code after a placeholder", "N\xC3\xB8rrebro", SortOrder::GeneralLegacy, false,
     bytes({0x7F, 0x62, 0x64, 0x69, 0x69, 0x51, 0x4C, 0x69, 0x64, 0x01, 0x02, 0x21, 0x00})},
    {"two extra codes, placeholders between",
     "\xC3\x91"
     "and\xC3\xBA",
     SortOrder::GeneralLegacy, false,
     bytes({0x7F, 0x62, 0x4A, 0x62, 0x4F, 0x6F, 0x01, 0x19, 0x02, 0x02, 0x02, 0x0E, 0x00})},
    {"descending: inverted, with 0xFF and 0x00 after", "N\xC3\xB8rrebro", SortOrder::GeneralLegacy, true,
     bytes({0x80, 0x9D, 0x9B, 0x96, 0x96, 0xAE, 0xB3, 0x96, 0x9B, 0xFE, 0xFD, 0xDE, 0xFF, 0x00})},
    {"a modifier added to the placeholder of its letter", "e\xCC\x81", SortOrder::GeneralLegacy, false,
     bytes({0x7F, 0x51, 0x01, 0x0E, 0x00})},
    {"the same letter composed", "\xC3\xA9", SortOrder::GeneralLegacy, false,
     bytes({0x7F, 0x51, 0x01, 0x0E, 0x00})},
    {"a modifier first, then an unprintable character",
     "\xCC\x81"
     "a-",
     SortOrder::GeneralLegacy, false,
     bytes({0x7F, 0x4A, 0x01, 0x0C, 0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x82, 0x00})},
    {"flags, the second (2) dropped at the end", "\xE3\x81\x81\xE3\x81\x82", SortOrder::GeneralLegacy, false,
     bytes({0x7F, 0x7F, 0x02, 0x7F, 0x02, 0x01, 0x01, 0x01, 0xA0, 0xFF, 0x02, 0x80, 0xFF, 0x80, 0x00})},
    {"flags 2 then 1", "\xE3\x81\x82\xE3\x81\x81", SortOrder::GeneralLegacy, false,
     bytes({0x7F, 0x7F, 0x02, 0x7F, 0x02, 0x01, 0x01, 0x01, 0xB8, 0xFF, 0x02, 0x80, 0xFF, 0x80, 0x00})},
    {"four flags packed three to a byte", "\u3041\u3041\u3041\u3041", SortOrder::GeneralLegacy, false,
     bytes({0x7F, 0x7F, 0x02, 0x7F, 0x02, 0x7F, 0x02, 0x7F, 0x02, 0x01,
            0x01, 0x01, 0xAA, 0xA0, 0xFF, 0x02, 0x80, 0xFF, 0x80, 0x00})},
    {"sharp s as two s",
     "Stra\xC3\x9F"
     "e",
     SortOrder::GeneralLegacy, false, bytes({0x7F, 0x6B, 0x6D, 0x69, 0x4A, 0x6B, 0x6B, 0x51, 0x01, 0x00})},
    {"Access 2010: two bytes a letter",
     "Stra\xC3\x9F"
     "e",
     SortOrder::General, false,
     bytes({0x7F, 0x0E, 0x91, 0x0E, 0x99, 0x0E, 0x8A, 0x0E, 0x02, 0x0E, 0x91, 0x0E, 0x91, 0x0E, 0x21, 0x01,
            0x00})},
    {"trailing blanks do not count", "Hourly_Out  ", SortOrder::GeneralLegacy, false,
     bytes({0x7F, 0x57, 0x64, 0x6F, 0x69, 0x5E, 0x76, 0x2B, 0x03, 0x64, 0x6F, 0x6D, 0x01, 0x00})},
    {"Access 97: a Windows character above 255, no diacritic", "\xE2\x82\xAC Werte", SortOrder::General97,
     false, bytes({0x7F, 0x10, 0x11, 0x7B, 0x66, 0x75, 0x77, 0x66, 0x00})},
    {"Access 97: a ligature of two letters", "\xC3\x86r\xC3\xB8", SortOrder::General97, false,
     bytes({0x7F, 0x60, 0x66, 0x75, 0x81, 0x00})},
    // A character that sorts as two letters (ß S7676, Æ S6066, œ S7266)
    // counts as two significant letters before a diacritic's place: Access
    // wrote "Plutzer Lebensmittelgroßmärkte AG" so in nwind.mdb; Æ and œ by
    // the same rule (s G76, a G60, n G70, ä I60,06; r S75, è I66,03; C G62,
    // u G78, à I60,03).
    {"Access 97: sharp s as two letters before a diacritic", "Straßenlärm", SortOrder::General97, false,
     bytes({0x7F, 0x76, 0x77, 0x75, 0x60, 0x76, 0x76, 0x66, 0x70, 0x6D, 0x60, 0x75, 0x6F, 0x02, 0x22, 0x22,
            0x26, 0x00})},
    {"Access 97: a ligature as two letters before a diacritic", "Ærè", SortOrder::General97, false,
     bytes({0x7F, 0x60, 0x66, 0x75, 0x66, 0x02, 0x23, 0x00})},
    {"Access 97: oe as two letters before a diacritic", "Cœur à", SortOrder::General97, false,
     bytes({0x7F, 0x62, 0x72, 0x66, 0x78, 0x75, 0x11, 0x60, 0x02, 0x22, 0x23, 0x00})},
};

class HandKeys : public testing::TestWithParam<HandKey> {};

TEST_P(HandKeys, AreTheKeysTheTablesGive) {
    const auto key = jet::keyOfText(GetParam().text, GetParam().order, GetParam().descending);
    ASSERT_TRUE(key);
    EXPECT_EQ(hex(*key), hex(GetParam().key)) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Keys, HandKeys, testing::ValuesIn(kHandKeys), [](const auto &info) {
    return "k" + std::to_string(info.index) + "_" + test::testNameOf(info.param.what);
});

TEST(AccessIndexKeys, SortAsAccessSortsNames) {
    for (SortOrder order : {SortOrder::General97, SortOrder::GeneralLegacy, SortOrder::General}) {
        auto key = [&](const char *text) {
            const auto k = jet::keyOfText(text, order);
            EXPECT_TRUE(k) << text;
            return k.value_or(std::string());
        };
        EXPECT_EQ(key("Order Details"), key("ORDER DETAILS")) << "letter case aside";
        EXPECT_LT(key("Order Details"), key("Orders")) << "the blank first";
        EXPECT_LT(key("Koln"), key("K\xC3\xB6ln"));
        EXPECT_LT(key("K\xC3\xB6ln"), key("Kolo")) << "the diacritic counts after the letters";
        EXPECT_LT(key("Hourly"), key("Statistics"));
        EXPECT_LT(key("9"), key("a"));
    }
}

// The names docs/tables.md gives as one name for Access: "ß" sorts as "ss"
// in every order, but where a later letter's mark stands Access 97 counts it
// as two letters and Access 2000 and later as one character.
TEST(AccessIndexKeys, SharpSAndDoubleSAreOneNameBeforeAMarkInAccess97Only) {
    const char *sharp = "Stra\u00DFenl\u00E4rm", *twoS = "Strassenl\u00E4rm";
    EXPECT_EQ(jet::keyOfText(sharp, SortOrder::General97), jet::keyOfText(twoS, SortOrder::General97));
    for (SortOrder order : {SortOrder::GeneralLegacy, SortOrder::General}) {
        EXPECT_NE(jet::keyOfText(sharp, order), jet::keyOfText(twoS, order));
        EXPECT_EQ(jet::keyOfText("Stra\u00DFe", order), jet::keyOfText("STRASSE", order))
            << "no mark after it";
    }
}

TEST(AccessIndexKeys, ACharacterAboveTheTablesHasNoKeyInAccess2000AndIsNamed) {
    std::string problem;
    EXPECT_FALSE(jet::keyOfText("Hourly \xF0\x9F\x98\x80", SortOrder::GeneralLegacy, false, &problem));
    EXPECT_NE(problem.find("\"\xF0\x9F\x98\x80\" (U+1F600), which this program cannot place in the sort "
                           "order of Access (its tables end at U+FFFF)"),
              std::string::npos)
        << problem;
    EXPECT_FALSE(jet::keyOfText("Hourly \xF0\x9F\x98\x80", SortOrder::General));
    EXPECT_FALSE(jet::keyOfText("Hourly", SortOrder::Unknown));
}

struct ColumnOrder {
    bool jet3;
    std::uint16_t codePage, sortOrder;
    std::uint8_t version;
    SortOrder order;
    const char *name;
};

class ColumnSortOrders : public testing::TestWithParam<ColumnOrder> {};

TEST_P(ColumnSortOrders, AreKnownOnlyForGeneral) {
    jet::Format f;
    f.jet3 = GetParam().jet3;
    f.codePage = GetParam().codePage;
    jet::Column c;
    c.type = jet::kText;
    c.sortOrder = GetParam().sortOrder;
    c.sortVersion = GetParam().version;
    EXPECT_EQ(jet::sortOrderOf(f, c), GetParam().order);
    EXPECT_EQ(jet::sortOrderName(f, c), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, ColumnSortOrders,
    testing::Values(ColumnOrder{false, 1252, 0x0409, 0, SortOrder::GeneralLegacy, "1033 version 0"},
                    ColumnOrder{false, 1252, 0x0409, 1, SortOrder::General, "1033 version 1"},
                    ColumnOrder{false, 1252, 0x0409, 2, SortOrder::Unknown, "1033 version 2"},
                    ColumnOrder{false, 1252, 0x0407, 0, SortOrder::Unknown, "1031 version 0"},
                    ColumnOrder{true, 1252, 0x0409, 0, SortOrder::General97, "\"General\" in code page 1252"},
                    ColumnOrder{true, 1250, 0x0409, 0, SortOrder::Unknown, "\"General\" in code page 1250"},
                    ColumnOrder{true, 1252, 0x0419, 0, SortOrder::Unknown, "1049"}));

} // namespace
} // namespace vesk
