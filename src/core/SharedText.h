#pragma once

// A text that many records hold alike, kept once: the street of every day of
// a run. Copies share the one text, so a street's name of the longest length
// a reader takes (kMaxFieldText) costs one copy a street, not one a day. A
// shared text is never changed; assigning another text replaces it.

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace vesk {

class SharedText {
public:
    SharedText() = default;
    SharedText(std::string text) : m_text(std::make_shared<const std::string>(std::move(text))) {}
    SharedText(const char *text) : SharedText(std::string(text)) {}

    const std::string &str() const { return m_text ? *m_text : empty(); }
    operator const std::string &() const { return str(); }

    friend bool operator==(const SharedText &a, std::string_view b) { return a.str() == b; }
    friend std::ostream &operator<<(std::ostream &out, const SharedText &t) { return out << t.str(); }

private:
    static const std::string &empty() {
        static const std::string none;
        return none;
    }
    std::shared_ptr<const std::string> m_text;
};

} // namespace vesk
