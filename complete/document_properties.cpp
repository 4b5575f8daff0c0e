#include "complete/document_properties.h"

#include <algorithm>
#include <cstdio>

namespace idxfilter::complete {
namespace {

constexpr const char* kNames[kPropertyCount] = {"title",    "subject",  "author",  "manager",
                                                "company",  "operator", "category", "keywords",
                                                "comment",  "doccomm",  "created", "revised"};

// Blanks, tabs and line breaks at either end dropped, those inside made
// single blanks.
std::string Tidied(const std::string& text) {
    std::string tidy;
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n') {
            blank = true;
            continue;
        }
        if (blank && !tidy.empty()) tidy.push_back(' ');
        blank = false;
        tidy.push_back(c);
    }
    return tidy;
}

std::int32_t Clamped(std::int32_t value, std::int32_t low, std::int32_t high) {
    return std::min(std::max(value, low), high);
}

}  // namespace

const char* PropertyName(int k) { return kNames[k]; }

void DocumentProperties::Begin(int k) {
    if (k < kTextCount) {
        texts[static_cast<std::size_t>(k)].clear();
    } else {
        times[static_cast<std::size_t>(k - kTextCount)] = Time{};
    }
}

void DocumentProperties::SetTimePart(int k, Word part, std::int32_t value) {
    Time& t = times[static_cast<std::size_t>(k - kTextCount)];
    switch (part) {
        case Word::kYr:
            t.hasYear = true;
            t.year = Clamped(value, 0, 9999);
            break;
        case Word::kMo: t.month = Clamped(value, 1, 12); break;
        case Word::kDy: t.day = Clamped(value, 1, 31); break;
        case Word::kHr: t.hour = Clamped(value, 0, 23); break;
        case Word::kMin: t.minute = Clamped(value, 0, 59); break;
        default: break;
    }
}

std::vector<Property> DocumentProperties::Collected() const {
    std::vector<Property> properties;
    for (int k = 0; k < kTextCount; ++k) {
        std::string value = Tidied(texts[static_cast<std::size_t>(k)]);
        if (!value.empty()) properties.push_back({kNames[k], std::move(value)});
    }
    for (int i = 0; i < 2; ++i) {
        const Time& t = times[static_cast<std::size_t>(i)];
        if (!t.hasYear) continue;
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d", static_cast<int>(t.year),
                      static_cast<int>(t.month), static_cast<int>(t.day), static_cast<int>(t.hour),
                      static_cast<int>(t.minute));
        properties.push_back({kNames[kTextCount + i], buffer});
    }
    return properties;
}

}  // namespace idxfilter::complete
