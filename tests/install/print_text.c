/*
 * A host as a C user writes one against the installed library (built with
 * pkg-config by scripts/install_check.sh): runs idx_filter on the file
 * named by argv[1] and writes the text to standard output as UTF-8, the
 * way the idxfilter tool does, so that the two outputs can be compared.
 */
#include <idxfilter.h>
#include <stdio.h>

struct delivery {
    int calls;
    long units;
};

static void put_utf8(unsigned long c) {
    if (c < 0x80) {
        putchar((int)c);
    } else if (c < 0x800) {
        putchar((int)(0xC0 | (c >> 6)));
        putchar((int)(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        putchar((int)(0xE0 | (c >> 12)));
        putchar((int)(0x80 | ((c >> 6) & 0x3F)));
        putchar((int)(0x80 | (c & 0x3F)));
    } else {
        putchar((int)(0xF0 | (c >> 18)));
        putchar((int)(0x80 | ((c >> 12) & 0x3F)));
        putchar((int)(0x80 | ((c >> 6) & 0x3F)));
        putchar((int)(0x80 | (c & 0x3F)));
    }
}

/* Surrogate pairs joined, an unpaired surrogate written as U+FFFD. */
static int IDXFILTER_SINK_CALL write_text(const idx_char16 *text, void *user) {
    struct delivery *delivery = (struct delivery *)user;
    long i = 0;
    delivery->calls++;
    for (; text[i] != 0; i++) {
        unsigned long c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            i++;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        put_utf8(c);
    }
    delivery->units = i;
    return 0;
}

int main(int argc, char **argv) {
    struct delivery delivery = {0, 0};
    int32_t result;
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    result = idx_filter(argv[1], write_text, &delivery);
    if (result < 0 || delivery.calls != 1 || delivery.units != result) {
        fprintf(stderr, "idx_filter returned %ld after %d sink calls of %ld units\n", (long)result,
                delivery.calls, delivery.units);
        return 1;
    }
    return fflush(stdout) == 0 ? 0 : 1;
}
