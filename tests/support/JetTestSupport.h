#pragma once

// Helpers of the tests of the Access writer: copies of the shared databases,
// a database as the writer reads it, the entries of an index read back from
// its pages, and every table as mdbtools (readers made elsewhere) give it.

#include "platform/tables/JetDatabase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

namespace vesk::test {

namespace jet = tables::jet;

// What an mdbtools program prints for the file (an expectation fails when it fails).
inline std::string mdbTool(const std::string &command, const std::string &file,
                           const std::string &extra = {}) {
    int status = 0;
    const std::string out =
        commandOutput(command + " " + shellQuoted(file) + extra + " 2>/dev/null", &status);
    EXPECT_EQ(status, 0) << command << " " << file;
    return out;
}

// Every table's schema and rows as mdbtools gives them, by name.
inline std::map<std::string, std::string> everyTable(const std::string &file) {
    std::map<std::string, std::string> out;
    std::istringstream names(mdbTool("mdb-tables -1 -S", file));
    std::string name;
    while (std::getline(names, name)) {
        out[name] = mdbTool("mdb-schema", file, " -T " + shellQuoted(name)) +
                    mdbTool("mdb-export", file, " " + shellQuoted(name));
    }
    return out;
}

// A writable copy of a shared database in the folder; "" without the shared files.
inline std::string copyShared(const TempDir &dir, const std::string &name) {
    const fs::path src = sharedTestFile("mdb/" + name);
    if (src.empty()) {
        return {};
    }
    const auto dst = dir.path() / name;
    fs::copy_file(src, dst);
    fs::permissions(dst, fs::perms::owner_read | fs::perms::owner_write);
    return dst.string();
}

// The database in the file as the writer reads it, read by its name (the
// writer itself reads an output's old contents only through the path its
// check gave, never by the name): a missing file gives a new database
// (*exists false). False with the writer's message.
inline bool loadDatabaseByName(const std::string &file, jet::Database &db, bool *exists, std::string *error) {
    std::error_code ec;
    return jet::loadDatabase(file, fs::exists(file, ec) ? file : std::string(), db, exists, error);
}

// The database as the writer reads it.
inline jet::Database loadJet(const std::string &file) {
    jet::Database db;
    bool exists = false;
    std::string error;
    EXPECT_TRUE(loadDatabaseByName(file, db, &exists, &error)) << error;
    return db;
}

// The leaf pages of an index, walking from its root down to the first leaf
// and along the chain of leaves (the tail among them).
inline std::vector<std::uint32_t> indexLeaves(const jet::File &f, std::uint32_t root) {
    std::vector<std::uint32_t> leaves;
    std::vector<std::string> entries;
    std::string problem;
    std::uint32_t page = root;
    for (int depth = 0; page < f.pages() && f.page(page)[0] == 0x03 && depth < 100; ++depth) {
        EXPECT_TRUE(jet::readLeafPage(f.page(page), &entries, &problem, f.format)) << problem;
        if (entries.empty()) {
            return {};
        }
        const auto *c =
            reinterpret_cast<const unsigned char *>(entries.front().data() + entries.front().size() - 4);
        page = static_cast<std::uint32_t>(c[0]) << 24 | c[1] << 16 | c[2] << 8 | c[3];
    }
    for (int guard = 0; page != 0 && guard < 100000; ++guard) {
        if (page >= f.pages() || f.page(page)[0] != 0x04) {
            ADD_FAILURE() << "page " << page << " of the index is not a leaf";
            return {};
        }
        leaves.push_back(page);
        page = jet::rd32(f.page(page) + 12);
    }
    return leaves;
}

// Every entry of an index, leaf after leaf.
inline std::vector<std::string> indexEntries(const jet::File &f, std::uint32_t root) {
    std::vector<std::string> all, entries;
    std::string problem;
    for (std::uint32_t page : indexLeaves(f, root)) {
        EXPECT_TRUE(jet::readLeafPage(f.page(page), &entries, &problem, f.format)) << problem;
        all.insert(all.end(), entries.begin(), entries.end());
    }
    return all;
}

// The key under which the catalogue's index by parent and name lists the
// object of that name (as written), without the parent's key before it and
// the object's place after it; "" when there is none.
inline std::string catalogueKeyOf(const std::string &file, const std::string &name) {
    const jet::Database db = loadJet(file);
    for (const auto &e : db.entries) {
        if (e.name(db.file.format) != name) {
            continue;
        }
        const std::string at = jet::pointerBytes(e.page, e.row);
        const std::string parent = jet::keyOfLong(static_cast<std::int32_t>(e.parent()));
        for (const auto &ri : db.catalogue.realIndexes) {
            if (ri.columns.size() != 2) {
                continue;
            }
            for (const std::string &entry : indexEntries(db.file, ri.firstPage)) {
                if (entry.size() >= parent.size() + at.size() &&
                    entry.compare(0, parent.size(), parent) == 0 &&
                    entry.compare(entry.size() - at.size(), at.size(), at) == 0) {
                    return entry.substr(parent.size(), entry.size() - parent.size() - at.size());
                }
            }
        }
    }
    ADD_FAILURE() << "no entry of " << name << " in the catalogue's index of " << file;
    return {};
}

// The catalogue's two indexes hold one entry per catalogue row, sorted, each
// the key of its row's values (id; parent id and name) and its place.
inline void expectCatalogueIndexed(const std::string &file) {
    const jet::Database db = loadJet(file);
    ASSERT_EQ(db.catalogue.realIndexes.size(), 2u) << file;
    std::vector<std::string> byName, byId;
    for (const auto &e : db.entries) {
        const std::string at = jet::pointerBytes(e.page, e.row);
        const auto name = jet::nameKey(db, e.name(db.file.format));
        ASSERT_TRUE(name) << e.name(db.file.format);
        byName.push_back(jet::keyOfLong(static_cast<std::int32_t>(e.parent())) + *name + at);
        byId.push_back(jet::keyOfLong(static_cast<std::int32_t>(e.id())) + at);
    }
    std::sort(byName.begin(), byName.end());
    std::sort(byId.begin(), byId.end());
    for (const auto &ri : db.catalogue.realIndexes) {
        const auto entries = indexEntries(db.file, ri.firstPage);
        EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end())) << file;
        const auto &expected = ri.columns.size() == 2 ? byName : byId;
        EXPECT_EQ(entries.size(), expected.size()) << file << ": index on " << ri.columns.size()
                                                   << " columns, " << db.entries.size() << " catalogue rows";
        const auto differ = std::mismatch(entries.begin(), entries.end(), expected.begin(), expected.end());
        if (differ.first != entries.end() && differ.second != expected.end()) {
            ADD_FAILURE() << file << ": the index holds " << testing::PrintToString(*differ.first)
                          << " where the catalogue's row gives " << testing::PrintToString(*differ.second);
        }
    }
}

} // namespace vesk::test
