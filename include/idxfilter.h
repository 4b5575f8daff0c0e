/*
 * idxfilter: the document filter's one entry point, for host indexing
 * applications. Valid as C and as C++.
 *
 * idx_filter reads the file named by `path` (an 8-bit path, passed to the
 * file system unchanged), detects its encoding, extracts the plain text of
 * RTF documents, and calls `sink` exactly once with the whole text as
 * NUL-terminated UTF-16 in the machine's byte order, together with `user`.
 *
 * The text is lent to the sink for the duration of its call only; a sink
 * that wants to keep it copies it. Whatever the sink returns is ignored.
 *
 * Result: the number of UTF-16 units delivered (the terminator not
 * counted), or -1 when nothing was delivered: null path or sink, a file
 * that cannot be opened or read, an empty text, or any failure inside the
 * call (including an exception thrown by the sink). Nothing is thrown to
 * the caller, no state is kept between calls, and calls on different
 * threads do not interfere.
 *
 * On 32-bit Windows the function is __stdcall and exported by the name
 * "idx_filter" at ordinal 1; the sink is __cdecl. Elsewhere both use the
 * platform's default calling convention.
 */
#ifndef IDXFILTER_H
#define IDXFILTER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define IDXFILTER_CALL __stdcall
#define IDXFILTER_SINK_CALL __cdecl
#else
#define IDXFILTER_CALL
#define IDXFILTER_SINK_CALL
#endif

#if defined(IDXFILTER_BUILDING) && !defined(_WIN32)
#define IDXFILTER_EXPORT __attribute__((visibility("default")))
#else
#define IDXFILTER_EXPORT
#endif

/* UTF-16 code unit as the sink receives it (wchar_t on Windows). */
typedef uint16_t idx_char16;

typedef int (IDXFILTER_SINK_CALL *idx_text_sink)(const idx_char16 *text, void *user);

IDXFILTER_EXPORT int32_t IDXFILTER_CALL idx_filter(const char *path, idx_text_sink sink, void *user);

#ifdef __cplusplus
}
#endif

#endif /* IDXFILTER_H */
