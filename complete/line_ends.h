// Line ends of UTF-8 text made LF where the text lies: CR LF and a lone CR
// become LF (CompactLineEnds, and its byte-by-byte twin
// CompactLineEndsPlainly). The search is one of the plain-text kernels and
// lives with them in complete/plain_text_kernels.h, so that the reader's
// SIMD paths sit in one file.
#pragma once

#include "complete/plain_text_kernels.h"
