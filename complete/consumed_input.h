// The input that a plain-text decoder has read, given back to the system
// as decoding goes on: a text can grow to three times its input (U+FFFD
// for each invalid byte, three bytes for one), and the input it has left
// behind need not stay in memory beside it.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/page_release.h"

namespace idxfilter::complete {

class ConsumedInput {
public:
    // Input that is not the reader's own (a caller's bytes): kept.
    ConsumedInput() = default;

    // Input the reader owns and reads front to back once.
    static ConsumedInput Releasing(std::string_view bytes) {
        ConsumedInput input;
        input.released_ = bytes.data();
        input.end_ = bytes.data() + bytes.size();
        input.releasing_ = true;
        return input;
    }

    // Everything before `p` has been read for the last time.
    void ReadUpTo(const void* p) {
        auto upTo = static_cast<const char*>(p);
        if (releasing_ && upTo - released_ >= kStep) {
            ReleasePagesWithin(released_, std::size_t(upTo - released_));
            released_ = upTo;
        }
    }

    // Decoding goes on from a copy (`copy`, the reader's own) instead: the
    // input is done with, and the copy is released as it is read when the
    // input was.
    ConsumedInput MovedTo(std::string_view copy) {
        if (!releasing_) return {};
        ReleasePagesWithin(released_, std::size_t(end_ - released_));
        return Releasing(copy);
    }

private:
    // Pages go back a megabyte at a time, so that a small text costs no
    // system call and a large one few.
    static constexpr std::ptrdiff_t kStep = std::ptrdiff_t{1} << 20;

    const char* released_ = nullptr;
    const char* end_ = nullptr;
    bool releasing_ = false;
};

}  // namespace idxfilter::complete
