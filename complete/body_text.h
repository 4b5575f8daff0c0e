// The document's text as it is written: line ends for paragraphs, TABs
// for cells, and the tidying that ends it.
#pragma once

#include <string>

namespace idxfilter::complete {

class BodyText {
public:
    std::string& Text() { return text; }

    void LineBreak() { text.push_back('\n'); }
    void Tab() { text.push_back('\t'); }

    // A table row ends: the TAB of its last cell is dropped and the line
    // ends, unless it already has.
    void EndRow() {
        if (!text.empty() && text.back() == '\t') text.pop_back();
        StartLine();
    }

    // What follows begins a line of its own.
    void StartLine() {
        if (!text.empty() && text.back() != '\n') text.push_back('\n');
    }

    // The text with its leading and trailing blank lines removed.
    std::string Finished() &&;

private:
    std::string text;
};

}  // namespace idxfilter::complete
