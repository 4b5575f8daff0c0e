#include "complete/body_text.h"

namespace idxfilter::complete {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

}  // namespace

std::string BodyText::Finished() && {
    std::size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    text.resize(end);
    // Leading lines that hold only blanks go; the first line with text
    // keeps its indentation.
    std::size_t begin = 0;
    for (std::size_t i = 0; i < text.size() && IsBlank(text[i]); ++i)
        if (text[i] == '\n') begin = i + 1;
    if (begin > 0) text.erase(0, begin);
    return std::move(text);
}

}  // namespace idxfilter::complete
