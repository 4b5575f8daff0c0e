// Shared by the complete reader's tests.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace idxfilter::complete::testing {

// The text the reader gives, under ANSI code page 1252 unless told.
std::string Text(std::string_view rtf, unsigned ansiCodePage = 1252, bool utf8Input = false);

std::string Repeat(std::string_view piece, std::size_t count);

// Well-formed UTF-8 (no surrogate forms, no overlong forms), written here
// independently of the reader's own check.
bool IsWellFormedUtf8(std::string_view text);

// Runs `work` on a thread with a stack of `stackSize` bytes, and waits.
void RunWithStack(std::size_t stackSize, std::function<void()> work);

// One row of a table of documents and the text they give.
struct TextCase {
    const char* name;
    std::string rtf;
    std::string text;
};

inline void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

// Test names from the rows' names.
struct CaseName {
    template <typename Info>
    std::string operator()(const Info& info) const {
        return info.param.name;
    }
};

}  // namespace idxfilter::complete::testing
