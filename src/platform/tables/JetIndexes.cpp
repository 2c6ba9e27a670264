// Entries of the indexes our writer edits, those of the catalogue and of its
// table of permissions (MSysACEs): an entry inserted where its key belongs or
// removed, and the pages above the leaves written anew (see JetDatabase.h).
//
// An index is a tree of pages. A small one is a single leaf (type 4), its
// root; a larger one has pages above the leaves (type 3), whose entries are
// the last entry of each page below followed by that page's number. The
// leaves are chained (previous and next page) in the order of their keys;
// Access adds to the last leaf (the tail) without listing it above, naming
// it in the tail field of the pages above instead. Each row of the table has
// one entry in each of its indexes: the key, then the row's place.

#include "platform/tables/JetDatabase.h"

#include <algorithm>
#include <cstring>

namespace vesk::tables::jet {

namespace {

std::uint32_t childOf(const std::string &entry) {
    const auto *p = reinterpret_cast<const unsigned char *>(entry.data() + entry.size() - 4);
    return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

std::string childBytes(std::uint32_t page) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i) {
        b[i] = static_cast<char>(page >> (24 - 8 * i));
    }
    return b;
}

// An index as its pages give it.
struct IndexTree {
    std::vector<std::uint32_t> inner;              // the pages above the leaves, level by level from the root
    std::vector<std::uint32_t> leaves;             // in the order of their keys
    std::vector<std::vector<std::string>> content; // the entries of each leaf
    bool tailUnlisted = false;                     // the last leaf is not listed above
};

bool isIndexPage(const File &file, std::uint32_t tableDef, std::uint32_t p, std::uint8_t type) {
    return p > 2 && p < file.pages() && static_cast<std::uint8_t>(file.page(p)[0]) == type &&
           rd32(file.page(p) + 4) == tableDef;
}

// The index whose root page is `root`; false when its pages are damaged.
bool readIndex(const File &file, std::uint32_t tableDef, std::uint32_t root, IndexTree *tree) {
    const Format &f = file.format;
    std::string problem;
    if (!isIndexPage(file, tableDef, root, 0x04) && !isIndexPage(file, tableDef, root, 0x03)) {
        return false;
    }
    // The pages above the leaves, level by level from the root, and the
    // leaves: those the levels list, then those chained after the last (the
    // tail, which Access adds to without listing).
    std::vector<std::uint32_t> &inner = tree->inner, &leaves = tree->leaves;
    std::set<std::uint32_t> seen{root};
    if (file.page(root)[0] == 0x03) {
        std::vector<std::uint32_t> level{root};
        while (!level.empty()) {
            std::vector<std::uint32_t> below;
            for (std::uint32_t p : level) {
                inner.push_back(p);
                std::vector<std::string> entries;
                if (!readLeafPage(file.page(p), &entries, &problem, f)) {
                    return false;
                }
                for (const auto &e : entries) {
                    if (e.size() < 9 || !seen.insert(childOf(e)).second) {
                        return false;
                    }
                    below.push_back(childOf(e));
                }
            }
            if (below.empty()) {
                return false;
            }
            if (isIndexPage(file, tableDef, below.front(), 0x04)) {
                leaves = below;
                break;
            }
            level = below;
            if (inner.size() > 10000) {
                return false;
            }
        }
    } else {
        leaves.push_back(root);
    }
    const std::size_t listed = leaves.size();
    for (std::uint32_t next = rd32(file.page(leaves.back()) + 12); next != 0;
         next = rd32(file.page(next) + 12)) {
        if (!isIndexPage(file, tableDef, next, 0x04) || !seen.insert(next).second) {
            return false;
        }
        leaves.push_back(next);
    }
    tree->tailUnlisted = leaves.size() > listed;
    tree->content.resize(leaves.size());
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        if (!isIndexPage(file, tableDef, leaves[i], 0x04) ||
            !readLeafPage(file.page(leaves[i]), &tree->content[i], &problem, f)) {
            return false;
        }
        if (i > 0 && !tree->content[i].empty() && !tree->content[i - 1].empty() &&
            tree->content[i - 1].back() > tree->content[i].front()) {
            return false;
        }
    }
    return true;
}

// Writes the pages above the leaves anew on the pages they had (the root
// staying where it is), a page more where they no longer fit; pages added go
// to *added, pages above the leaves no longer needed to *released. False when
// a leaf the pages above list is empty or an entry does not fit a page.
bool writeAbove(File &file, std::uint32_t tableDef, std::uint32_t root, const IndexTree &tree,
                std::set<std::uint32_t> *added, std::set<std::uint32_t> *released, std::string *problem,
                const std::string &of) {
    const Format &f = file.format;
    const std::size_t show = tree.tailUnlisted ? tree.leaves.size() - 1 : tree.leaves.size();
    const std::uint32_t tailPage = tree.tailUnlisted ? tree.leaves.back() : 0;
    std::vector<std::string> level; // entries naming the pages below: their last entry, then the page
    for (std::size_t i = 0; i < show; ++i) {
        if (tree.content[i].empty()) {
            *problem = "an index of " + of + " is damaged";
            return false;
        }
        level.push_back(tree.content[i].back() + childBytes(tree.leaves[i]));
    }
    std::vector<std::uint32_t> spare(tree.inner.begin() + (tree.inner.empty() ? 0 : 1), tree.inner.end());
    std::reverse(spare.begin(), spare.end());
    auto takePage = [&] {
        if (!spare.empty()) {
            const std::uint32_t p = spare.back();
            spare.pop_back();
            return p;
        }
        const std::uint32_t p = file.append();
        added->insert(p);
        return p;
    };
    auto writeInner = [&](std::uint32_t p, const std::vector<std::string> &entries, std::uint32_t prevPage,
                          std::uint32_t nextPage) {
        if (!writeLeafPage(file.page(p), tableDef, entries, prevPage, nextPage, tailPage, f, 0x03)) {
            return false;
        }
        if (f.jet3) {
            file.page(p)[21] = 0x01; // as Access 97 marks the pages above the leaves
        }
        return true;
    };
    std::string scratch(f.page(), '\0');
    for (;;) {
        // Does the level fit the root?
        if (writeInner(root, level, 0, 0)) {
            break;
        }
        // Pack it on pages of its own, each as full as it goes.
        std::vector<std::vector<std::string>> pages(1);
        for (const auto &e : level) {
            pages.back().push_back(e);
            if (!writeLeafPage(scratch.data(), tableDef, pages.back(), 0, 0, 0, f, 0x03)) {
                pages.back().pop_back();
                if (pages.back().empty()) {
                    *problem = "an entry of the index of " + of + " is too long";
                    return false;
                }
                pages.push_back({e});
            }
        }
        std::vector<std::uint32_t> numbers;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            numbers.push_back(takePage());
        }
        std::vector<std::string> up;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            writeInner(numbers[i], pages[i], i ? numbers[i - 1] : 0,
                       i + 1 < pages.size() ? numbers[i + 1] : 0);
            std::string lastEntry = pages[i].back();
            lastEntry.resize(lastEntry.size() - 4);
            up.push_back(lastEntry + childBytes(numbers[i]));
        }
        level = std::move(up);
    }
    released->insert(spare.begin(), spare.end());
    return true;
}

// Gives the index's pages no longer used back as free and updates its usage map.
bool finishIndex(Database &db, std::uint32_t usedMap, const std::set<std::uint32_t> &added,
                 const std::set<std::uint32_t> &released, std::string *problem, const std::string &of) {
    for (std::uint32_t p : released) {
        std::memset(db.file.page(p), 0, db.file.pageSize());
        db.freed.insert(p);
    }
    if ((!added.empty() || !released.empty()) && !changeMap(db, usedMap, added, released)) {
        *problem = "the page usage map of an index of " + of + " is damaged";
        return false;
    }
    return true;
}

} // namespace

bool changeMap(Database &db, std::uint32_t pointer, const std::set<std::uint32_t> &added,
               const std::set<std::uint32_t> &removed) {
    PageRow row;
    std::set<std::uint32_t> pages;
    if (!rowAt(db.file, pointer, &row) || !decodeMap(db.file, row.bytes, &pages) || row.bytes.size() < 5) {
        return false;
    }
    pages.insert(added.begin(), added.end());
    for (std::uint32_t p : removed) {
        pages.erase(p);
    }
    std::vector<std::uint32_t> mapPages = mapPagesOf(row.bytes);
    return replaceRow(db.file, pointer, encodeMap(db.file, pages, &mapPages, row.bytes.size()), 0);
}

bool insertIndexEntry(Database &db, std::uint32_t tableDef, std::uint32_t root, std::uint32_t usedMap,
                      const std::string &entry, std::string *problem, const std::string &of) {
    File &file = db.file;
    const Format &f = file.format;
    IndexTree tree;
    if (!readIndex(file, tableDef, root, &tree)) {
        *problem = "an index of " + of + " is damaged";
        return false;
    }
    auto &leaves = tree.leaves;
    auto &content = tree.content;
    // The leaf where the entry belongs: the first whose last entry follows it.
    std::size_t at = leaves.size() - 1;
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        if (!content[i].empty() && content[i].back() >= entry) {
            at = i;
            break;
        }
    }
    auto &into = content[at];
    into.insert(std::upper_bound(into.begin(), into.end(), entry), entry);
    std::set<std::uint32_t> added, released;
    char *page = file.page(leaves[at]);
    const std::uint32_t prev = rd32(page + 8), next = rd32(page + 12), leafTail = rd32(page + 16);
    std::string scratch(f.page(), '\0');
    const bool fits = writeLeafPage(scratch.data(), tableDef, into, prev, next, leafTail, f);
    const bool last = at + 1 == leaves.size();
    if (fits) {
        std::memcpy(page, scratch.data(), f.page());
        if (!last || tree.tailUnlisted || leaves.size() == 1) {
            return true; // no entry above names this leaf's last entry anew
        }
    } else if (leaves.size() == 1) {
        // The root leaf splits: its halves go to two new pages, the root
        // becomes the page above them.
        const std::uint32_t left = file.append(), right = file.append();
        added = {left, right};
        const std::size_t half = into.size() / 2;
        const std::vector<std::string> a(into.begin(), into.begin() + static_cast<long>(half)),
            b(into.begin() + static_cast<long>(half), into.end());
        if (!writeLeafPage(file.page(left), tableDef, a, 0, right, 0, f) ||
            !writeLeafPage(file.page(right), tableDef, b, left, 0, 0, f)) {
            *problem = "an entry of the index of " + of + " is too long";
            return false;
        }
        leaves = {left, right};
        content = {a, b};
    } else {
        // A full leaf splits: the second half goes to a new page chained after it.
        const std::uint32_t fresh = file.append();
        added.insert(fresh);
        page = file.page(leaves[at]);
        const std::size_t half = into.size() / 2;
        std::vector<std::string> b(into.begin() + static_cast<long>(half), into.end());
        into.resize(half);
        if (!writeLeafPage(page, tableDef, into, prev, fresh, leafTail, f) ||
            !writeLeafPage(file.page(fresh), tableDef, b, leaves[at], next, 0, f)) {
            *problem = "an entry of the index of " + of + " is too long";
            return false;
        }
        if (next != 0) {
            wr32(file.page(next) + 8, fresh);
        }
        leaves.insert(leaves.begin() + static_cast<long>(at) + 1, fresh);
        content.insert(content.begin() + static_cast<long>(at) + 1, std::move(b));
    }
    return writeAbove(file, tableDef, root, tree, &added, &released, problem, of) &&
           finishIndex(db, usedMap, added, released, problem, of);
}

bool removeIndexEntry(Database &db, std::uint32_t tableDef, std::uint32_t root, std::uint32_t usedMap,
                      const std::string &place, std::string *problem, const std::string &of) {
    File &file = db.file;
    const Format &f = file.format;
    IndexTree tree;
    if (!readIndex(file, tableDef, root, &tree)) {
        *problem = "an index of " + of + " is damaged";
        return false;
    }
    auto &leaves = tree.leaves;
    auto &content = tree.content;
    // The row's entry: the one that ends with its place.
    std::size_t at = leaves.size();
    std::size_t index = 0;
    for (std::size_t i = 0; i < leaves.size() && at == leaves.size(); ++i) {
        for (std::size_t j = 0; j < content[i].size(); ++j) {
            const std::string &e = content[i][j];
            if (e.size() > place.size() && e.compare(e.size() - place.size(), place.size(), place) == 0) {
                at = i, index = j;
                break;
            }
        }
    }
    if (at == leaves.size()) {
        *problem = "an index of " + of + " is damaged (it does not list one of its rows)";
        return false;
    }
    // Whether a page above names this leaf by its last entry.
    const bool listed = !tree.inner.empty() && !(tree.tailUnlisted && at + 1 == leaves.size());
    const bool wasLast = index + 1 == content[at].size();
    content[at].erase(content[at].begin() + static_cast<long>(index));
    std::set<std::uint32_t> added, released;
    char *page = file.page(leaves[at]);
    const std::uint32_t prev = rd32(page + 8), next = rd32(page + 12), leafTail = rd32(page + 16);
    const bool unlinked = content[at].empty() && leaves.size() > 1 && !tree.inner.empty();
    if (unlinked) {
        // An empty leaf leaves the chain and is given back.
        if (prev != 0) {
            wr32(file.page(prev) + 12, next);
        }
        if (next != 0) {
            wr32(file.page(next) + 8, prev);
        }
        released.insert(leaves[at]);
        leaves.erase(leaves.begin() + static_cast<long>(at));
        content.erase(content.begin() + static_cast<long>(at));
    } else {
        writeLeafPage(page, tableDef, content[at], prev, next, leafTail, f); // it only got shorter
    }
    if (!tree.inner.empty() && leaves.size() == 1) {
        // The one leaf left becomes the root, as in a small index.
        if (!writeLeafPage(file.page(root), tableDef, content.front(), 0, 0, 0, f)) {
            *problem = "an index of " + of + " is damaged";
            return false;
        }
        released.insert(leaves.front());
        released.insert(tree.inner.begin() + 1, tree.inner.end());
        return finishIndex(db, usedMap, added, released, problem, of);
    }
    if (!unlinked && (!listed || !wasLast)) {
        return true; // no entry above names this leaf's last entry anew
    }
    return writeAbove(file, tableDef, root, tree, &added, &released, problem, of) &&
           finishIndex(db, usedMap, added, released, problem, of);
}

} // namespace vesk::tables::jet
