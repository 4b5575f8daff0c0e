#include "complete/field_stack.h"

#include <algorithm>
#include <string_view>

#include "complete/equation_text.h"
#include "complete/hyperlink_target.h"

namespace idxfilter::complete {
namespace {

// Enough of an instruction for any link target or phonetic guide.
constexpr std::size_t kInstructionLimit = 8192;
// The buffer stays below this size, so that positions in it fit a
// record's 32 bits.
constexpr std::size_t kBufferLimit = 0xFFFFFFFFu - 2 * kInstructionLimit;

std::uint32_t Saturated(std::size_t value) {
    return static_cast<std::uint32_t>(std::min<std::size_t>(value, 0xFFFFFFFFu));
}

}  // namespace

void FieldStack::Begin(std::uint32_t depth, std::uint8_t enclosing, std::size_t bodySize) {
    fields.push_back({depth, 0, Saturated(buffer.size()), 0, Saturated(bodySize), enclosing, false});
}

bool FieldStack::BeginInstruction(std::uint32_t depth) {
    if (fields.empty()) return false;
    fields.back().instructionDepth = depth;
    return true;
}

std::string* FieldStack::InstructionText() {
    if (fields.empty() || buffer.size() - fields.back().start >= kInstructionLimit || buffer.size() >= kBufferLimit)
        return nullptr;
    return &buffer;
}

void FieldStack::EndInstruction() {
    Record& field = fields.back();
    field.instructionDepth = 0;
    std::size_t start = std::min<std::size_t>(field.start, buffer.size());
    std::string_view instruction = std::string_view(buffer).substr(start);
    std::string text = HyperlinkTarget(instruction);
    field.equation = text.empty();
    if (field.equation) text = EquationText(instruction);
    buffer.resize(start);
    buffer.append(text);
    field.length = Saturated(text.size());
}

FieldEnd FieldStack::EndField() {
    Record field = fields.back();
    fields.pop_back();
    // What follows the field's text in the buffer is text of an enclosing
    // instruction (this field's result, when it stands in one).
    std::size_t start = std::min<std::size_t>(field.start, buffer.size());
    FieldEnd end{field.enclosing, field.equation, field.bodySize, buffer.substr(start, field.length)};
    buffer.erase(start, field.length);
    if (fields.empty()) buffer.clear();
    return end;
}

}  // namespace idxfilter::complete
