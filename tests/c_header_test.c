/*
 * The public header as a C host sees it: compiled as C99 and as C11 with
 * every warning an error, linked against the shared library, and calling
 * idx_filter on the sample document named on the command line.
 */
#include "idxfilter.h"

#include <stdio.h>
#include <string.h>

struct collected {
  int calls;
  size_t units;
  idx_char16 start[8];
};

static int IDXFILTER_SINK_CALL collect(const idx_char16 *text, void *user) {
  struct collected *c = (struct collected *)user;
  size_t n = 0;
  while (text[n] != 0) {
    if (n < sizeof c->start / sizeof c->start[0]) c->start[n] = text[n];
    ++n;
  }
  c->calls++;
  c->units = n;
  return 0;
}

static int failures = 0;

static void check(int ok, const char *what) {
  if (!ok) {
    fprintf(stderr, "c_header_test: %s\n", what);
    ++failures;
  }
}

int main(int argc, char **argv) {
  struct collected c;
  idx_text_sink sink = collect;
  int32_t result;
  static const char expected[] = "Filters";
  size_t i;

  if (argc != 2) {
    fprintf(stderr, "usage: c_header_test SAMPLE.rtf\n");
    return 2;
  }
  memset(&c, 0, sizeof c);
  result = idx_filter(argv[1], sink, &c);
  check(result > 0, "the sample delivers text");
  check(c.calls == 1, "the sink is called once");
  check(result >= 0 && c.units == (size_t)result, "the result counts the units delivered");
  for (i = 0; i + 1 < sizeof expected; ++i)
    check(c.start[i] == (idx_char16)expected[i], "the text starts with the document's subject");

  memset(&c, 0, sizeof c);
  check(idx_filter(NULL, sink, &c) == -1, "a null path gives -1");
  check(idx_filter(argv[1], NULL, &c) == -1, "a null sink gives -1");
  check(idx_filter("no such file.rtf", sink, &c) == -1, "a missing file gives -1");
  check(c.calls == 0, "nothing is delivered for them");
  return failures == 0 ? 0 : 1;
}
