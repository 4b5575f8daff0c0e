// The fonts of a document's font tables: for each font number, what its
// text is in (a character set, a code page, the Symbol encoding, or
// pictographs that are no text).
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace idxfilter::complete {

enum class FontKind : std::uint8_t {
    kText,        // decoded in a code page
    kSymbol,      // the Symbol encoding
    kPictograph,  // Wingdings and its kind: pictures, no text
};

struct FontInfo {
    bool defined = false;
    FontKind kind = FontKind::kText;
    // The code page the font's \cpg or \fcharset names; 0: the document's.
    std::uint16_t codePage = 0;
};

class FontRegistry {
public:
    // Starts (or restarts) the definition of font `number`.
    void Define(std::int32_t number);
    // The font being defined, while there is one.
    void SetCharset(int charset);
    void SetCodePage(int codePage);
    // Name bytes of the font being defined, as they come; a ";" ends the
    // name.
    void AppendName(std::string_view bytes);
    // Ends the definition of the font being defined, if any.
    void EndDefinition();

    // The font of that number; not defined when no table defined it.
    FontInfo Find(std::int32_t number) const;

    // Changes whenever a definition ends, so that callers can keep what
    // they worked out from Find.
    std::uint64_t Generation() const { return generation; }

private:
    void Store(std::int32_t number, FontInfo info);

    // Font numbers are mostly small and dense: those below a bound that
    // grows with the fonts defined are kept in a vector, the others in a
    // map, so that memory stays proportional to the table's size.
    std::vector<FontInfo> dense;
    std::unordered_map<std::int32_t, FontInfo> sparse;
    std::size_t definedCount = 0;

    bool defining = false;
    bool nameEnded = false;
    std::int32_t number = 0;
    int charset = -1;
    int cpg = 0;
    // The name's first letters, enough to tell the fonts named below.
    char name[24];
    std::size_t nameLength = 0;
    std::uint64_t generation = 0;
};

// The kind of a font by its name and character set.
FontKind KindOfFont(std::string_view name, int charset);

}  // namespace idxfilter::complete
