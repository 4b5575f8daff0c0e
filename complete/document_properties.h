// The document properties of \info, gathered while the document is read.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "complete/control_words.h"
#include "complete/rtf_reader.h"

namespace idxfilter::complete {

class DocumentProperties {
public:
    // The number of properties with a text value, which come first.
    static constexpr int kTextCount = kPropertyCount - 2;

    // Property k (0 for \title) begins again: its text so far is dropped.
    void Begin(int k);
    // The text of text property k, to append to.
    std::string& Text(int k) { return texts[static_cast<std::size_t>(k)]; }
    // Sets a part of time property k (kTextCount or kTextCount + 1) from
    // \yr, \mo, \dy, \hr or \min.
    void SetTimePart(int k, Word part, std::int32_t value);

    // The properties that are not empty, in the order of the list.
    std::vector<Property> Collected() const;

private:
    struct Time {
        bool hasYear = false;
        std::int32_t year = 0, month = 1, day = 1, hour = 0, minute = 0;
    };
    std::array<std::string, kTextCount> texts;
    std::array<Time, 2> times;
};

// The name under which property k is handed back.
const char* PropertyName(int k);

}  // namespace idxfilter::complete
