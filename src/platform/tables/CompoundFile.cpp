// The compound file (OLE2 structured storage) around an Excel workbook
// stream: our writer's container of 512-byte sectors, and a reader that
// finds one stream in a file of any program and checks every chain on the
// way, so that a truncated or damaged file is an error, not a shorter stream.

#include "platform/tables/TableBackends.h"

#include <cstdint>
#include <vector>

namespace vesk::tables {

namespace {

constexpr std::uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFat = 0xFFFFFFFD, kDif = 0xFFFFFFFC;
const std::string kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// Thrown inside the reader with what is wrong.
struct CompoundDamage {
    std::string what;
};

class Reader {
public:
    explicit Reader(const std::string &bytes) : m_bytes(bytes) {}

    // The sectors of a chain, checked: each inside the file, none twice, no
    // marker in the middle.
    std::vector<std::uint32_t> chain(std::uint32_t start, const std::vector<std::uint32_t> &table,
                                     std::size_t count, const char *what) const {
        std::vector<std::uint32_t> ids;
        std::vector<bool> seen(count, false);
        for (std::uint32_t id = start; id != kEnd;) {
            if (id >= count || id >= table.size()) {
                throw CompoundDamage{std::string("the chain of the ") + what + " leads outside the file"};
            }
            if (seen[id]) {
                throw CompoundDamage{std::string("the chain of the ") + what + " runs in a circle"};
            }
            seen[id] = true;
            ids.push_back(id);
            id = table[id];
        }
        return ids;
    }

    // The bytes of a chain of regular sectors.
    std::string sectors(const std::vector<std::uint32_t> &ids) const {
        std::string out;
        out.reserve(ids.size() * m_sector);
        for (auto id : ids) {
            const std::size_t at = (static_cast<std::size_t>(id) + 1) * m_sector;
            if (at >= m_bytes.size()) {
                throw CompoundDamage{"it ends before its declared size"};
            }
            out.append(m_bytes, at, std::min(m_sector, m_bytes.size() - at));
        }
        return out;
    }

    std::vector<std::uint32_t> entries(const std::string &bytes) const {
        std::vector<std::uint32_t> out;
        for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
            out.push_back(get32(bytes, at));
        }
        return out;
    }

    CompoundResult find(const std::vector<std::u16string> &names, std::string *stream) {
        if (m_bytes.size() < 512 || m_bytes.compare(0, 8, kSignature) != 0) {
            return CompoundResult::NotCompound;
        }
        const unsigned shift = get16(m_bytes, 30);
        if ((shift != 9 && shift != 12) || get16(m_bytes, 32) != 6) {
            throw CompoundDamage{"its header cannot be decoded"};
        }
        m_sector = std::size_t{1} << shift;
        // Sectors the file could hold; a truncated file holds fewer than its chains name.
        const std::size_t count = (m_bytes.size() - 1) / m_sector;

        // The sectors of the allocation table: 109 in the header, the rest in a chain of index sectors.
        const std::uint32_t fatCount = get32(m_bytes, 44);
        std::vector<std::uint32_t> fatIds;
        for (std::size_t i = 0; i < 109 && fatIds.size() < fatCount; ++i) {
            fatIds.push_back(get32(m_bytes, 76 + 4 * i));
        }
        std::uint32_t dif = get32(m_bytes, 68);
        for (std::size_t n = 0; fatIds.size() < fatCount; ++n) {
            if (dif >= count || n > count) {
                throw CompoundDamage{"its allocation table leads outside the file"};
            }
            const std::string sector = sectors({dif});
            for (std::size_t i = 0; i + 1 < m_sector / 4 && fatIds.size() < fatCount; ++i) {
                fatIds.push_back(get32(sector, 4 * i));
            }
            dif = get32(sector, m_sector - 4);
        }
        for (auto id : fatIds) {
            if (id >= count) {
                throw CompoundDamage{"its allocation table leads outside the file"};
            }
        }
        const std::vector<std::uint32_t> fat = entries(sectors(fatIds));

        const std::string dir = sectors(chain(get32(m_bytes, 48), fat, count, "directory"));
        const std::size_t entryCount = dir.size() / 128;
        if (entryCount == 0 || dir[66] != 5) {
            throw CompoundDamage{"its directory cannot be decoded"};
        }
        auto entrySize = [&](std::size_t e) {
            // Version 3 files may leave the upper half of the size undefined.
            return static_cast<std::size_t>(get32(dir, e * 128 + 120));
        };
        for (const auto &wanted : names) {
            for (std::size_t e = 1; e < entryCount; ++e) {
                const std::size_t at = e * 128;
                if (dir[at + 66] != 2 || !sameName(dir, at, wanted)) {
                    continue;
                }
                const std::size_t size = entrySize(e);
                const std::uint32_t start = get32(dir, at + 116);
                std::string bytes;
                if (size < get32(m_bytes, 56)) {
                    // In the mini stream, in 64-byte sectors of the root entry's stream.
                    const std::string ministream =
                        sectors(chain(get32(dir, 116), fat, count, "mini stream")).substr(0, entrySize(0));
                    const std::vector<std::uint32_t> minifat =
                        entries(get32(m_bytes, 60) == kEnd
                                    ? std::string()
                                    : sectors(chain(get32(m_bytes, 60), fat, count, "mini table")));
                    for (auto id : chain(start, minifat, ministream.size() / 64, "stream")) {
                        bytes.append(ministream, static_cast<std::size_t>(id) * 64, 64);
                    }
                } else {
                    bytes = sectors(chain(start, fat, count, "stream"));
                }
                if (bytes.size() < size) {
                    throw CompoundDamage{"it ends before its declared size (" + std::to_string(bytes.size()) +
                                 " of " + std::to_string(size) + " bytes)"};
                }
                bytes.resize(size);
                *stream = std::move(bytes);
                return CompoundResult::Found;
            }
        }
        return CompoundResult::NoStream;
    }

private:
    static bool sameName(const std::string &dir, std::size_t at, const std::u16string &name) {
        const std::size_t length = get16(dir, at + 64);
        if (length != (name.size() + 1) * 2) {
            return false;
        }
        for (std::size_t i = 0; i < name.size(); ++i) {
            char16_t c = get16(dir, at + 2 * i);
            char16_t w = name[i];
            auto lower = [](char16_t x) {
                return x >= u'A' && x <= u'Z' ? static_cast<char16_t>(x + 32) : x;
            };
            if (lower(c) != lower(w)) {
                return false;
            }
        }
        return true;
    }

    const std::string &m_bytes;
    std::size_t m_sector = 512;
};

} // namespace

CompoundResult compoundStream(const std::string &fileBytes, const std::vector<std::u16string> &names,
                              std::string *stream, std::string *problem) {
    try {
        return Reader(fileBytes).find(names, stream);
    } catch (const CompoundDamage &d) {
        *problem = d.what;
        return CompoundResult::Damaged;
    }
}

std::string compoundFile(const std::string &stream, const std::u16string &streamName) {
    constexpr std::size_t kSector = 512;
    const bool mini = stream.size() < 4096;
    std::vector<std::uint32_t> fat; // chains of the data sectors
    std::string data;               // the data sectors, in order
    auto addChain = [&](const std::string &bytes) {
        auto start = static_cast<std::uint32_t>(fat.size());
        std::size_t n = (bytes.size() + kSector - 1) / kSector;
        for (std::size_t i = 0; i < n; ++i) {
            fat.push_back(i + 1 < n ? start + static_cast<std::uint32_t>(i) + 1 : kEnd);
        }
        std::string padded = bytes;
        padded.resize(n * kSector, '\0');
        data += padded;
        return n ? start : kEnd;
    };

    std::uint32_t streamStart = kEnd, rootStart = kEnd, miniFatStart = kEnd, miniFatCount = 0;
    std::uint32_t rootSize = 0;
    if (mini) {
        std::size_t miniSectors = (stream.size() + 63) / 64;
        std::string container = stream;
        container.resize(miniSectors * 64, '\0');
        rootSize = static_cast<std::uint32_t>(container.size());
        rootStart = addChain(container);
        std::string minifat;
        for (std::size_t i = 0; i < miniSectors; ++i) {
            put32(minifat, i + 1 < miniSectors ? static_cast<std::uint32_t>(i + 1) : kEnd);
        }
        while (minifat.size() % kSector) {
            put32(minifat, kFree);
        }
        miniFatCount = static_cast<std::uint32_t>(minifat.size() / kSector);
        miniFatStart = addChain(minifat);
        streamStart = stream.empty() ? kEnd : 0;
    } else {
        streamStart = addChain(stream);
    }

    auto entry = [](const std::u16string &name, std::uint8_t type, std::uint32_t child, std::uint32_t start,
                    std::uint32_t size) {
        std::string e;
        for (std::size_t i = 0; i < 32; ++i) {
            put16(e, i < name.size() ? name[i] : 0);
        }
        put16(e, name.empty() ? 0 : static_cast<std::uint16_t>((name.size() + 1) * 2));
        e.push_back(static_cast<char>(type));
        e.push_back(1);
        put32(e, 0xFFFFFFFF);
        put32(e, 0xFFFFFFFF);
        put32(e, child);
        e.append(16 + 4 + 16, '\0');
        put32(e, start);
        put32(e, size);
        put32(e, 0);
        return e;
    };
    std::string dir = entry(u"Root Entry", 5, 1, rootStart, rootSize);
    dir += entry(streamName, 2, 0xFFFFFFFF, streamStart, static_cast<std::uint32_t>(stream.size()));
    dir += entry(u"", 0, 0xFFFFFFFF, 0, 0);
    dir += entry(u"", 0, 0xFFFFFFFF, 0, 0);
    // Empty entries have no colour.
    dir[2 * 128 + 67] = 0;
    dir[3 * 128 + 67] = 0;
    std::uint32_t dirStart = addChain(dir);

    // FAT sectors (and DIFAT sectors beyond 109 of them) follow the data.
    std::size_t nData = fat.size();
    std::size_t nFat = 1, nDif = 0;
    while (true) {
        nDif = nFat > 109 ? (nFat - 109 + 126) / 127 : 0;
        if ((nData + nFat + nDif) <= nFat * 128) {
            break;
        }
        ++nFat;
    }
    std::vector<std::uint32_t> fatSectors, difSectors;
    for (std::size_t i = 0; i < nFat; ++i) {
        fatSectors.push_back(static_cast<std::uint32_t>(nData + i));
        fat.push_back(kFat);
    }
    for (std::size_t i = 0; i < nDif; ++i) {
        difSectors.push_back(static_cast<std::uint32_t>(nData + nFat + i));
        fat.push_back(kDif);
    }
    fat.resize(nFat * 128, kFree);

    std::string header;
    header += std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.append(16, '\0');
    put16(header, 0x003E);
    put16(header, 0x0003);
    put16(header, 0xFFFE);
    put16(header, 9);
    put16(header, 6);
    header.append(6, '\0');
    put32(header, 0);
    put32(header, static_cast<std::uint32_t>(nFat));
    put32(header, dirStart);
    put32(header, 0);
    put32(header, 4096);
    put32(header, miniFatStart);
    put32(header, miniFatCount);
    put32(header, nDif ? difSectors.front() : kEnd);
    put32(header, static_cast<std::uint32_t>(nDif));
    for (std::size_t i = 0; i < 109; ++i) {
        put32(header, i < nFat ? fatSectors[i] : kFree);
    }

    std::string out = header + data;
    for (auto v : fat) {
        put32(out, v);
    }
    for (std::size_t d = 0; d < nDif; ++d) {
        std::string sec;
        for (std::size_t i = 0; i < 127; ++i) {
            std::size_t k = 109 + d * 127 + i;
            put32(sec, k < nFat ? fatSectors[k] : kFree);
        }
        put32(sec, d + 1 < nDif ? difSectors[d + 1] : kEnd);
        out += sec;
    }
    return out;
}

} // namespace vesk::tables
