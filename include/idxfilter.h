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

#include <stddef.h>
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

#if !defined(_WIN32)
/*
 * The portable library's second function (not in the Windows DLL, whose
 * only export is idx_filter): the document as a path or as bytes in memory,
 * a choice of reader, and the text as UTF-8 with its length.
 *
 * Readers:
 *   IDX_READER_COMPLETE  reads RTF as today's writers mean it (Unicode
 *                        characters, field results, no document properties
 *                        in the body, ...) and plain text without stopping
 *                        at a zero byte; lines end in LF.
 *   IDX_READER_EXACT     the text idx_filter delivers, byte for byte (in
 *                        UTF-8, CRLF line ends included).
 *
 * ansi_code_page: the code page that stands for the system's ANSI code page
 * in this call (for plain 8-bit text and RTF's \ansi); 0 keeps the process's
 * (1252 unless the host set another); IDX_ANSI_CODE_PAGE_GUESS guesses a
 * legacy 8-bit text's code page (complete reader only; exact: 0).
 *
 * The text is lent to `text_sink` once, for the duration of its call, as
 * `length` bytes of UTF-8 (not NUL-terminated, no NUL inside). Each document
 * property present (complete reader: "title", "subject", "author",
 * "manager", "company", "operator", "category", "keywords", "comment",
 * "doccomm", "created", "revised") is lent to `property_sink` (may be null)
 * before the text, as a NUL-terminated name and a UTF-8 value with its length.
 * Whatever the sinks return is ignored.
 *
 * text_form (a struct_size from before this field, which ends before it,
 * means IDX_TEXT_UTF8): IDX_TEXT_UTF16 lends the text instead as UTF-16
 * units in the machine's byte order, `length` being their size in bytes
 * (two a unit; `text` is aligned for idx_char16). The exact reader's units
 * are then exactly those idx_filter delivers, unpaired surrogates included.
 *
 * Result: the number of UTF-16 units of the delivered text (for the exact
 * reader, what idx_filter returns for the same file), or -1 when no text
 * was delivered, with `*reason` (if not null) set to why; 0 is never
 * returned. Nothing is thrown to the caller, no state is kept between
 * calls, calls on different threads do not interfere.
 */
enum idx_reader { IDX_READER_COMPLETE = 0, IDX_READER_EXACT = 1 };

enum idx_reason {
  IDX_REASON_NONE = 0,          /* text delivered */
  IDX_REASON_NO_TEXT = 1,       /* the document has no text to deliver */
  IDX_REASON_UNREADABLE = 2,    /* the file could not be opened or read */
  IDX_REASON_BINARY = 3,        /* not a text document (complete reader) */
  IDX_REASON_OUT_OF_MEMORY = 4, /* transient: worth trying again */
  IDX_REASON_TOO_LARGE = 5,     /* the text is too long to count */
  IDX_REASON_BAD_ARGUMENT = 6,  /* null or unknown arguments */
  IDX_REASON_FAILED = 7         /* anything else, a sink's exception included */
};

#define IDX_ANSI_CODE_PAGE_GUESS 0xFFFFFFFFu

enum idx_text_form { IDX_TEXT_UTF8 = 0, IDX_TEXT_UTF16 = 1 };

/* New fields are only ever added at the end; the library reads those that
 * struct_size covers and takes the defaults for the rest. */
typedef struct idx_extract_options {
  uint32_t struct_size;    /* sizeof(idx_extract_options) */
  uint32_t reader;         /* enum idx_reader */
  uint32_t ansi_code_page; /* see above */
  uint32_t text_form;      /* enum idx_text_form */
} idx_extract_options;

typedef void (*idx_utf8_sink)(const char *text, size_t length, void *user);
typedef void (*idx_property_sink)(const char *name, const char *value, size_t length, void *user);

/* Reads the file at `path`; null options mean the complete reader, code page 0. */
IDXFILTER_EXPORT int64_t idx_extract_path(const char *path, const idx_extract_options *options,
                                          idx_utf8_sink text_sink, idx_property_sink property_sink,
                                          void *user, int *reason);

/* Reads a document given as `size` bytes at `data`, encoded as a file would be. */
IDXFILTER_EXPORT int64_t idx_extract_bytes(const void *data, size_t size, const idx_extract_options *options,
                                           idx_utf8_sink text_sink, idx_property_sink property_sink,
                                           void *user, int *reason);

/*
 * The same reading, with the text handed over instead of lent: for callers
 * that keep every text (a language binding would otherwise copy it inside
 * its sink, on the caller's side of the call). On success `*document` holds
 * the text in the options' text form, followed by a terminator (a 0 byte,
 * or a 0 unit for UTF-16) that `length` does not count, and the properties
 * present, in the order the sinks would receive them; it is owned by the
 * caller and released with idx_free_document. On failure (-1) the document
 * is left empty: null pointers, zero counts, nothing to release (releasing
 * it anyway is harmless). Result and reasons as above.
 */
typedef struct idx_property {
  const char *name;  /* NUL-terminated */
  const char *value; /* UTF-8, `length` bytes, followed by a 0 byte */
  size_t length;
} idx_property;

typedef struct idx_document {
  const char *text;
  size_t length;
  const idx_property *properties;
  size_t property_count;
  void *block_; /* the one allocation holding all of the above */
} idx_document;

IDXFILTER_EXPORT int64_t idx_extract_path_owned(const char *path, const idx_extract_options *options,
                                                idx_document *document, int *reason);
IDXFILTER_EXPORT int64_t idx_extract_bytes_owned(const void *data, size_t size, const idx_extract_options *options,
                                                 idx_document *document, int *reason);
/* Releases what an _owned call handed over and empties the document; a
 * null or empty document is left as it is. */
IDXFILTER_EXPORT void idx_free_document(idx_document *document);
#endif

#ifdef __cplusplus
}
#endif

#endif /* IDXFILTER_H */
