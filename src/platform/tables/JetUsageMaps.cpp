// Page usage maps of Jet databases (see JetFormat.h): the global map of
// free pages (page 1, row 0) and each table's and index's map of its pages.
//
// A map row holds its bitmap itself (type 0: a start page, then one bit a
// page) or refers to map pages (type 1, "by reference": slot i of the row
// names the map page covering pages i * pagesPerMapPage on). A slot of 0
// names no page, and so does a negative one (above 0x7FFFFFFF), which sound
// databases hold in slots they do not use: a row by reference may name no
// map page at all, which is an empty map, not a damaged one. A map kept by
// reference stays so when it is written anew, and only pages that are map
// pages are written as such.

#include "platform/tables/JetFormat.h"

#include <algorithm>
#include <cstring>

namespace vesk::tables::jet {

namespace {

// Whether a slot of a map row by reference names a map page.
bool namesPage(std::uint32_t slot) {
    return slot != 0 && slot < 0x80000000u;
}

} // namespace

bool decodeMap(const File &file, const std::string &row, std::set<std::uint32_t> *pages,
               std::string *problem) {
    pages->clear();
    auto damaged = [&](std::string why) {
        if (problem) {
            *problem = std::move(why);
        }
        return false;
    };
    if (row.empty() || (row[0] == 0x00 && row.size() < 5)) {
        return damaged("its row is " + std::to_string(row.size()) + " bytes long");
    }
    if (row[0] == 0x00) {
        const std::uint32_t start = rd32(row.data() + 1);
        for (std::size_t i = 5; i < row.size(); ++i) {
            for (int b = 0; b < 8; ++b) {
                if (static_cast<unsigned char>(row[i]) >> b & 1) {
                    pages->insert(start + static_cast<std::uint32_t>((i - 5) * 8 + b));
                }
            }
        }
        return true;
    }
    if (row[0] != 0x01) {
        return damaged("its type is " + std::to_string(static_cast<unsigned char>(row[0])) +
                       ", neither 0 nor 1");
    }
    const std::size_t size = file.pageSize();
    const std::uint32_t perPage = file.format.pagesPerMapPage();
    for (std::size_t i = 0; 1 + 4 * i + 4 <= row.size(); ++i) {
        const std::uint32_t mapPage = rd32(row.data() + 1 + 4 * i);
        if (!namesPage(mapPage)) {
            continue;
        }
        if (mapPage >= file.pages()) {
            return damaged("it names page " + std::to_string(mapPage) +
                           " as a map page, past the end of the file (" + std::to_string(file.pages()) +
                           " pages)");
        }
        if (file.page(mapPage)[0] != 0x05) {
            return damaged("it names page " + std::to_string(mapPage) + " as a map page, which is none");
        }
        const char *p = file.page(mapPage);
        for (std::size_t k = 4; k < size; ++k) {
            for (int b = 0; b < 8; ++b) {
                if (static_cast<unsigned char>(p[k]) >> b & 1) {
                    pages->insert(static_cast<std::uint32_t>(i * perPage + (k - 4) * 8 + b));
                }
            }
        }
    }
    return true;
}

std::vector<std::uint32_t> mapPagesOf(const std::string &row) {
    std::vector<std::uint32_t> pages;
    if (!row.empty() && row[0] == 0x01) {
        for (std::size_t i = 0; 1 + 4 * i + 4 <= row.size(); ++i) {
            const std::uint32_t slot = rd32(row.data() + 1 + 4 * i);
            pages.push_back(namesPage(slot) ? slot : 0);
        }
    }
    return pages;
}

namespace {

// Forgets the slots that name no map page of the file, so that no other page
// is ever written over as one.
void keepMapPages(const File &file, std::vector<std::uint32_t> *mapPages) {
    for (auto &p : *mapPages) {
        if (p >= file.pages() || file.page(p)[0] != 0x05) {
            p = 0;
        }
    }
}

// A map reaching further than one row holds: bitmaps on map pages of their
// own. `mapPages` holds one entry per slot of the row (0: no page yet).
std::string mapOnPages(File &file, const std::set<std::uint32_t> &pages, std::size_t reach,
                       std::vector<std::uint32_t> *mapPages, std::size_t size) {
    const std::uint32_t perPage = file.format.pagesPerMapPage();
    const std::size_t needed = (reach + perPage - 1) / perPage;
    if (mapPages->size() < needed) {
        mapPages->resize(needed, 0);
    }
    for (std::size_t i = 0; i < needed; ++i) {
        if ((*mapPages)[i] == 0 || (*mapPages)[i] >= file.pages()) {
            (*mapPages)[i] = file.append();
        }
    }
    std::string row(size, '\0');
    row[0] = 0x01;
    for (std::size_t i = 0; i < mapPages->size() && 1 + 4 * i + 4 <= size; ++i) {
        if ((*mapPages)[i] == 0) {
            continue;
        }
        char *p = file.page((*mapPages)[i]);
        std::memset(p, 0, file.pageSize());
        p[0] = 0x05;
        p[1] = 0x01;
        wr32(row.data() + 1 + 4 * i, (*mapPages)[i]);
    }
    for (std::uint32_t page : pages) {
        const std::size_t i = page / perPage, bit = page % perPage;
        char *p = file.page((*mapPages)[i]);
        p[4 + bit / 8] = static_cast<char>(p[4 + bit / 8] | 1 << (bit % 8));
    }
    return row;
}

} // namespace

std::string encodeMap(File &file, const std::set<std::uint32_t> &pages, std::vector<std::uint32_t> *mapPages,
                      std::size_t size) {
    if (size == 0) {
        size = file.format.mapRow();
    }
    std::string row(size, '\0');
    const bool byReference = !mapPages->empty();
    keepMapPages(file, mapPages);
    if (pages.empty() && !byReference) {
        return row;
    }
    if (!pages.empty() && !byReference) {
        const std::uint32_t first = *pages.begin(), last = *pages.rbegin();
        if (last - first < (size - 5) * 8) {
            wr32(row.data() + 1, first);
            for (std::uint32_t page : pages) {
                const std::uint32_t bit = page - first;
                row[5 + bit / 8] = static_cast<char>(row[5 + bit / 8] | 1 << (bit % 8));
            }
            return row;
        }
    }
    return mapOnPages(file, pages, pages.empty() ? 0 : *pages.rbegin() + 1, mapPages, size);
}

std::string encodeGlobalMap(File &file, const std::set<std::uint32_t> &free,
                            std::vector<std::uint32_t> *mapPages, std::size_t size) {
    if (size == 0) {
        size = file.format.mapRow();
    }
    const std::size_t rowReach = (size - 5) * 8;
    const bool byReference = !mapPages->empty();
    keepMapPages(file, mapPages);
    if (file.pages() <= rowReach && !byReference) {
        std::string row(size, '\0');
        for (std::size_t page = 0; page < rowReach; ++page) {
            if (page >= file.pages() || free.count(static_cast<std::uint32_t>(page))) {
                row[5 + page / 8] = static_cast<char>(row[5 + page / 8] | 1 << (page % 8));
            }
        }
        return row;
    }
    // Map pages of their own, reaching past the end of the file; adding them
    // lengthens the file, so settle their number first.
    const std::uint32_t perPage = file.format.pagesPerMapPage();
    for (;;) {
        const std::size_t needed = (file.pages() + perPage) / perPage; // one page past the end
        std::size_t have = 0;
        for (std::size_t i = 0; i < needed; ++i) {
            have += i < mapPages->size() && (*mapPages)[i] != 0 && (*mapPages)[i] < file.pages();
        }
        if (have == needed) {
            break;
        }
        if (mapPages->size() < needed) {
            mapPages->resize(needed, 0);
        }
        for (std::size_t i = 0; i < needed; ++i) {
            if ((*mapPages)[i] == 0 || (*mapPages)[i] >= file.pages()) {
                (*mapPages)[i] = file.append();
            }
        }
    }
    std::string row = mapOnPages(file, free, file.pages(), mapPages, size);
    const std::size_t slots = std::min<std::size_t>(mapPages->size(), (size - 1) / 4);
    for (std::size_t page = file.pages(); page < slots * perPage; ++page) {
        const std::uint32_t mapPage = (*mapPages)[page / perPage];
        if (mapPage == 0) {
            continue;
        }
        char *p = file.page(mapPage);
        const std::size_t bit = page % perPage;
        p[4 + bit / 8] = static_cast<char>(p[4 + bit / 8] | 1 << (bit % 8));
    }
    return row;
}

} // namespace vesk::tables::jet
