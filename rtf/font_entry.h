// One font of the font table, and the table itself.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

namespace idxfilter {

// A font's name. The conversion never reads it back and a hostile table
// holds millions of entries, so a name costs one pointer until it has
// bytes: an entry is 24 bytes rather than 48.
class FontName {
public:
    FontName() = default;
    FontName(const char* bytes) : FontName(std::string_view(bytes)) {}
    FontName(const std::string& bytes) : FontName(std::string_view(bytes)) {}
    explicit FontName(std::string_view bytes) { assign(bytes); }
    FontName(const FontName& other) : FontName(other.View()) {}
    FontName(FontName&&) noexcept = default;
    FontName& operator=(const FontName& other) {
        assign(other.View());
        return *this;
    }
    FontName& operator=(FontName&&) noexcept = default;

    void assign(std::string_view bytes) {
        if (bytes.empty())
            text.reset();
        else if (text)
            text->assign(bytes);
        else
            text = std::make_unique<std::string>(bytes);
    }
    std::string_view View() const { return text ? std::string_view(*text) : std::string_view(); }
    operator std::string() const { return std::string(View()); }
    bool operator==(const FontName& other) const { return View() == other.View(); }

private:
    std::unique_ptr<std::string> text;
};

// One font of the font table, in reading order.
struct FontEntry {
    std::int32_t number = 0;   // never negative
    FontName name;             // entry text without its last byte (the ";")
    std::int32_t charset = 0;  // from the last "\fcharset" applied; 0 until then
};

// A deque: a table of millions of entries grows without copying itself,
// and entries stay where they are.
using FontList = std::deque<FontEntry>;

}  // namespace idxfilter
