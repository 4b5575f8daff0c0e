// How many UTF-16 units well-formed UTF-8 takes (Utf16LengthOfUtf8, and
// its byte-by-byte twin Utf16LengthOfUtf8Plainly). The count is one of the
// text layer's kernels and lives with them in text/ascii.h, so that every
// SIMD path of the layer sits in one file; this header names it for the
// readers that want only the count.
#pragma once

#include "text/ascii.h"
