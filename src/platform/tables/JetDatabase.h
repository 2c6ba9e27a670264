#pragma once

// A Jet database (Jet 4, or Jet 3 when it exists) being edited in memory, and its system catalogue
// (JetCatalogue.cpp): reading the catalogue of an existing database, making
// a new one, adding a table's row to the catalogue and its indexes (JetIndexes.cpp) or
// removing it, and the global page usage map. Internal to src/platform/tables (JetWriter.cpp).

#include "platform/tables/JetFormat.h"

#include <set>
#include <string>
#include <vector>

namespace vesk::tables::jet {

inline constexpr std::uint32_t kTablesContainer = 0x0F000001;
inline constexpr std::uint32_t kSystemFlags = 0x80000002;

// A database being edited: its pages, its catalogue and what changes.
struct Database {
    File file;
    TableDef catalogue;
    struct Entry {
        std::uint32_t page = 0;
        std::uint8_t row = 0;
        std::vector<Value> values;
        std::uint32_t id() const { return values[0] ? rd32(values[0]->data()) : 0; }
        std::uint32_t parent() const { return values[1] ? rd32(values[1]->data()) : 0; }
        std::uint16_t type() const { return values[3] ? rd16(values[3]->data()) : 0; }
        std::uint32_t flags() const { return values[7] ? rd32(values[7]->data()) : 0; }
        std::string name(const Format &f) const {
            return values[2] ? readText(f, *values[2]) : std::string();
        }
    };
    std::vector<Entry> entries;
    std::set<std::uint32_t> freed; // pages given back
    std::set<std::uint32_t> globalFree;
    std::vector<std::uint32_t> globalMapPages; // by slot of the global map row (0: none)
    std::size_t globalRowSize = kMapRow;
    std::uint32_t mapPage = 0; // the page our usage maps go to (0: none yet)
    double now = oleNow();
    std::string owner = std::string("\x72\x65", 2);
};

// The database in the file, its catalogue read (*exists true), or a new one
// holding only the system tables when there is no such file (*exists false).
// False, with a message naming the file and the reason, for a file this
// writer does not handle (see databaseProblem) or whose catalogue is damaged.
// The file is read through source only, never by its name: for an output,
// the path StagedFile::oldContents gave ("" when there is no file: a new
// database). Messages name file.
bool loadDatabase(const std::string &file, const std::string &source, Database &db, bool *exists,
                  std::string *error);

// A usage map row of our own listing the pages, on our map page; its data pointer.
std::uint32_t addMap(Database &db, const std::set<std::uint32_t> &pages);

// The key of a table name in the catalogue's index by name (in the sort
// order of its column Name); nothing, with *problem (when given) naming the
// character or the sort order and what to do, when the name has none.
std::optional<std::string> nameKey(const Database &db, const std::string &name,
                                   std::string *problem = nullptr);

// The names (foldCase) of the tables taking part in relationships (MSysRelationships).
std::set<std::string> relatedTables(const Database &db);

// Adds the catalogue row of a new table defined on defPage, and its entry in
// each index of the catalogue (where it belongs among the index's pages,
// splitting a page that fills); false with the reason when the catalogue or
// an index cannot take it.
bool addCatalogueEntry(Database &db, const std::string &name, std::uint32_t defPage, std::string *problem);

// Moves a catalogue row's entries in the catalogue's indexes from the keys
// of `before` (its values when its entries were made) to those of its values
// now (a table renamed); false with the reason when a key is not known or an
// index is damaged.
bool reindexCatalogueEntry(Database &db, const Database::Entry &e, const std::vector<Value> &before,
                           std::string *problem);

// Deletes the catalogue row at that place (as Access deletes rows: marked
// deleted) and its entry in each index of the catalogue, and drops it from
// db.entries; false with the reason when an index or the row is damaged.
bool removeCatalogueEntry(Database &db, std::uint32_t page, std::uint8_t row, std::string *problem);

// Deletes the permissions of the object with that id (its rows of MSysACEs)
// and their index entries, as Access does when it deletes the object; true
// when there are none.
bool removePermissions(Database &db, std::uint32_t id, std::string *problem);

// Inserts the entry into the index whose root page is `root`, belonging to
// the table defined on `tableDef` with its usage map at `usedMap`: into the
// leaf page where it belongs, a full page split in two (a new page at the
// end of the file), the pages above rebuilt; false with the reason when the
// index is damaged. Messages name the index as an index of `of`.
bool insertIndexEntry(Database &db, std::uint32_t tableDef, std::uint32_t root, std::uint32_t usedMap,
                      const std::string &entry, std::string *problem,
                      const std::string &of = "its catalogue");

// Removes the entry of the row at `place` (pointerBytes) from that index: a
// leaf left empty leaves the chain of leaves and is given back as free, the
// pages above are rebuilt as for an insertion, and an index left with one
// leaf becomes a single leaf again, its root. False with the reason when the
// index is damaged or does not list the row.
bool removeIndexEntry(Database &db, std::uint32_t tableDef, std::uint32_t root, std::uint32_t usedMap,
                      const std::string &place, std::string *problem,
                      const std::string &of = "its catalogue");

// Adds pages to and removes pages from the usage map row at `pointer` (kept
// as long as it is, by reference when it was); false when the row cannot be read.
bool changeMap(Database &db, std::uint32_t pointer, const std::set<std::uint32_t> &added,
               const std::set<std::uint32_t> &removed = {});

// Finishes the global page usage map: freed pages free, pages past
// oldPages (those appended) in use.
void finishGlobalMap(Database &db, std::size_t oldPages);

} // namespace vesk::tables::jet
