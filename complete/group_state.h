// What each RTF group changes and the brace that ends it restores: the
// font, the \uc count, where text goes and the hidden flag.
//
// Groups nest without limit, so the stack is explicit and small: a group
// that changes nothing costs nothing but a count; a group that changes
// something saves the state it replaced once, in 12 bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace idxfilter::complete {

// Where text goes.
enum Target : std::uint8_t {
    kNoTarget,       // nowhere: a destination that holds no text
    kBody,           // the document's text
    kFontName,       // the name of the font being defined
    kInstruction,    // the instruction of the innermost field
    kPropertyTarget  // kPropertyTarget + k: property k (see control_words.h)
};

enum GroupFlag : std::uint8_t {
    kHidden = 1,      // \v: text left out
    kInFontTable = 2, // \f defines a font
    kInInfo = 4,      // property destinations are read
};

struct GroupState {
    // The selected font plus one; 0 before any \f (the \deff font).
    std::uint32_t fontPlusOne : 24 = 0;
    // The target that \ud, \fldrslt and \result give back: the one in
    // force where \upr, \field or \object appeared.
    std::uint32_t resume : 8 = kNoTarget;
    std::uint16_t unicodeSkip = 1;
    std::uint8_t target = kBody;
    std::uint8_t flags = 0;

    bool Has(GroupFlag f) const { return (flags & f) != 0; }
};
static_assert(sizeof(GroupState) == 8);

// The largest font number a group state records; larger ones are read as
// this one, both in the font table and in the text.
inline constexpr std::int32_t kLargestFontNumber = (1 << 24) - 2;

class StateStack {
public:
    const GroupState& Current() const { return current; }

    // The current state, to be changed: the first change in a group saves
    // the state the group began with.
    GroupState& Change() {
        if (saved.empty() || saved.back().depth != depth) saved.push_back({depth, current});
        return current;
    }

    std::uint32_t Depth() const { return depth; }

    void Open() {
        if (depth < kDeepest) ++depth;
    }

    // Ends the innermost group, storing the state it had in `ended`.
    // False, changing nothing, when no group is open.
    bool Close(GroupState& ended) {
        if (depth == 0) return false;
        ended = current;
        if (!saved.empty() && saved.back().depth == depth) {
            current = saved.back().state;
            saved.pop_back();
        }
        --depth;
        return true;
    }

private:
    static constexpr std::uint32_t kDeepest = 0xFFFFFFF0u;
    struct Saved {
        std::uint32_t depth;
        GroupState state;
    };
    std::vector<Saved> saved;
    GroupState current;
    std::uint32_t depth = 0;
};

}  // namespace idxfilter::complete
