// The one exception the library raises itself: asking a conversion buffer
// that was made without terminator for its text. The payload is a pointer
// to the NUL-terminated text below; the export's catch-all stops it.
#pragma once

namespace idxfilter {

inline constexpr const char* kUnavailable = "Unavailable!";

[[noreturn]] inline void ThrowUnavailable() { throw kUnavailable; }

}  // namespace idxfilter
