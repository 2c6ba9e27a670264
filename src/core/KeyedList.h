#pragma once

// An ordered collection of items reachable by position and, when added with
// one, by a text key compared without regard to letter case (ASCII). Items are
// held by pointer so that references to them stay valid while the list grows;
// copying a list copies its items.
//
// Positions are 0-based here (at(0) is the first item added).

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vesk {

// Key form used for look-ups: ASCII letters in lower case, other bytes kept.
inline std::string foldKey(std::string_view key) {
    std::string folded(key);
    for (char &c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

template <typename T> class KeyedList {
public:
    KeyedList() = default;
    KeyedList(const KeyedList &other) { copyFrom(other); }
    KeyedList &operator=(const KeyedList &other) {
        if (this != &other) {
            KeyedList copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    KeyedList(KeyedList &&) noexcept = default;
    KeyedList &operator=(KeyedList &&) noexcept = default;

    std::size_t size() const { return m_items.size(); }
    int count() const { return static_cast<int>(m_items.size()); }
    bool empty() const { return m_items.empty(); }

    // Adds an item under key. Returns nullptr (and adds nothing) when the key
    // is already taken, letter case ignored; otherwise the stored item.
    T *add(std::string_view key, T item) {
        std::string folded = foldKey(key);
        if (m_index.count(folded) != 0) {
            return nullptr;
        }
        m_index.emplace(std::move(folded), m_items.size());
        m_items.push_back(Entry{std::string(key), std::make_unique<T>(std::move(item))});
        return m_items.back().item.get();
    }

    // Adds an item that can only be reached by position.
    T &addUnkeyed(T item) {
        m_items.push_back(Entry{std::string(), std::make_unique<T>(std::move(item))});
        return *m_items.back().item;
    }

    bool contains(std::string_view key) const { return m_index.count(foldKey(key)) != 0; }

    T *find(std::string_view key) {
        auto it = m_index.find(foldKey(key));
        return it == m_index.end() ? nullptr : m_items[it->second].item.get();
    }
    const T *find(std::string_view key) const {
        auto it = m_index.find(foldKey(key));
        return it == m_index.end() ? nullptr : m_items[it->second].item.get();
    }

    // The item under key; throws std::out_of_range naming the key when absent.
    T &item(std::string_view key) {
        T *found = find(key);
        if (found == nullptr) {
            throw std::out_of_range("No item \"" + std::string(key) + "\" in the collection");
        }
        return *found;
    }
    const T &item(std::string_view key) const { return const_cast<KeyedList *>(this)->item(key); }

    // 0-based position; throws std::out_of_range outside 0..size()-1.
    T &at(std::size_t position) { return *m_items.at(position).item; }
    const T &at(std::size_t position) const { return *m_items.at(position).item; }
    const std::string &keyAt(std::size_t position) const { return m_items.at(position).key; }

    // Removes the item under key; false when there is none.
    bool remove(std::string_view key) {
        auto it = m_index.find(foldKey(key));
        if (it == m_index.end()) {
            return false;
        }
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(it->second));
        rebuildIndex();
        return true;
    }

    void clear() {
        m_items.clear();
        m_index.clear();
    }

    // Iteration over the items in order.
    template <typename Item, typename Base> class Iter {
    public:
        explicit Iter(Base it) : m_it(it) {}
        Item &operator*() const { return *m_it->item; }
        Item *operator->() const { return m_it->item.get(); }
        Iter &operator++() {
            ++m_it;
            return *this;
        }
        bool operator!=(const Iter &other) const { return m_it != other.m_it; }
        bool operator==(const Iter &other) const { return m_it == other.m_it; }

    private:
        Base m_it;
    };

private:
    struct Entry {
        std::string key; // as added; empty for unkeyed items
        std::unique_ptr<T> item;
    };

public:
    using iterator = Iter<T, typename std::vector<Entry>::iterator>;
    using const_iterator = Iter<const T, typename std::vector<Entry>::const_iterator>;
    iterator begin() { return iterator(m_items.begin()); }
    iterator end() { return iterator(m_items.end()); }
    const_iterator begin() const { return const_iterator(m_items.begin()); }
    const_iterator end() const { return const_iterator(m_items.end()); }

private:
    void copyFrom(const KeyedList &other) {
        m_items.reserve(other.m_items.size());
        for (const Entry &e : other.m_items) {
            m_items.push_back(Entry{e.key, std::make_unique<T>(*e.item)});
        }
        m_index = other.m_index;
    }
    void rebuildIndex() {
        m_index.clear();
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            if (!m_items[i].key.empty()) {
                m_index.emplace(foldKey(m_items[i].key), i);
            }
        }
    }

    std::vector<Entry> m_items;
    std::unordered_map<std::string, std::size_t> m_index; // folded key -> position
};

} // namespace vesk
