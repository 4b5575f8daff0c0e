// Whether a code page leaves ASCII alone.
#pragma once

namespace idxfilter {

// True when every byte 01 to 7F converts, by itself, to the unit of the
// same value in `codePage` with `flags`. In such a code page those bytes
// are whole characters, never part of a longer sequence, so a run of them
// converts to itself and the text on each side converts as it would
// without the cut. Asks the platform afresh at every call.
bool KeepsAscii(unsigned codePage, unsigned flags);

}  // namespace idxfilter
