// The open fields of a document, their instructions, and what each leaves
// to show when it ends: a link target, or the text of an EQ field.
//
// Instructions are kept in one buffer shared by all open fields, the
// innermost last. When an instruction ends, its text in the buffer is
// replaced by what it gives; a field nested in an instruction leaves its
// result there, as text of the enclosing instruction. Only so much of an
// instruction is kept, which bounds the work and memory nested fields can
// cause.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace idxfilter::complete {

// What an ending field leaves to show.
struct FieldEnd {
    std::uint8_t enclosing;  // the target in force where the field began
    bool equation;           // text is an EQ field's text, not a link target
    std::size_t bodySize;    // the body's size when the field began
    std::string text;        // empty: nothing to show
};

class FieldStack {
public:
    bool Empty() const { return fields.empty(); }

    // A field begins in the group at `depth`.
    void Begin(std::uint32_t depth, std::uint8_t enclosing, std::size_t bodySize);

    // The instruction of the innermost field begins in the group at
    // `depth`. False when no field is open.
    bool BeginInstruction(std::uint32_t depth);

    // Where instruction text goes: nullptr once the innermost field has
    // used its share.
    std::string* InstructionText();

    // The group at `depth` ends: the instructions and fields it held end,
    // and `show` is called with what each ending field leaves.
    template <typename Show>
    void EndGroup(std::uint32_t depth, Show&& show) {
        while (!fields.empty() && fields.back().depth >= depth) {
            if (fields.back().instructionDepth == depth) EndInstruction();
            if (fields.back().depth != depth) return;
            show(EndField());
        }
        if (!fields.empty() && fields.back().instructionDepth == depth) EndInstruction();
    }

private:
    struct Record {
        std::uint32_t depth;
        std::uint32_t instructionDepth;  // 0: no instruction open
        std::uint32_t start;             // where its instruction begins in the buffer
        std::uint32_t length;            // once the instruction ended: what it left
        std::uint32_t bodySize;          // saturated
        std::uint8_t enclosing;
        bool equation;
    };

    void EndInstruction();
    FieldEnd EndField();

    std::vector<Record> fields;
    std::string buffer;
};

}  // namespace idxfilter::complete
