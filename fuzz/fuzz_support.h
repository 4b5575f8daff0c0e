// Shared by the fuzz targets: invariant checks that stop the run with a
// message, and the choice of ANSI code page for an input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace idxfilter::fuzz {

// An invariant that does not hold is a finding: print it and abort, so
// that libFuzzer saves the input and the replay test fails.
[[noreturn]] inline void InvariantFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant failed: %s\n", file, line, condition);
    std::abort();
}

// The ANSI code page under which an input runs: a pure function of its
// bytes, so that a saved input reproduces exactly, and spread over the
// single- and double-byte code pages the portable backend offers, so that
// the preparation and the run decoding see every kind of code page.
unsigned AnsiCodePageFor(const std::uint8_t* data, std::size_t size);

// Sets the ANSI code page for the input and returns it.
unsigned UseAnsiCodePageFor(const std::uint8_t* data, std::size_t size);

}  // namespace idxfilter::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : ::idxfilter::fuzz::InvariantFailed(#condition, __FILE__, __LINE__))
