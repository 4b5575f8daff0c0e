// Runs of plain ASCII in plain text, bytes or UTF-16 units 01 to 7F other
// than CR (CopyPlainAscii, NarrowPlainAscii, CountHighBytes, each with its
// unit-by-unit twin). They are plain-text kernels and live with them in
// complete/plain_text_kernels.h, so that the reader's SIMD paths sit in one
// file.
#pragma once

#include "complete/plain_text_kernels.h"
