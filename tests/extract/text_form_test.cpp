// The text as UTF-16 units (idx_extract_options.text_form), and options
// from callers built before that field existed.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "idxfilter.h"

namespace {

struct Units {
    std::u16string units;
    std::string utf8;
    int calls = 0;
};

void CollectUnits(const char* text, size_t length, void* user) {
    auto* u = static_cast<Units*>(user);
    ASSERT_EQ(length % 2, 0u);
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(text) % alignof(idx_char16), 0u);
    u->units.assign(reinterpret_cast<const char16_t*>(text), length / 2);
    ++u->calls;
}

void CollectUtf8(const char* text, size_t length, void* user) {
    auto* u = static_cast<Units*>(user);
    u->utf8.assign(text, length);
    ++u->calls;
}

idx_extract_options Utf16Options(uint32_t reader) {
    idx_extract_options options{};
    options.struct_size = sizeof options;
    options.reader = reader;
    options.text_form = IDX_TEXT_UTF16;
    return options;
}

std::string WriteTemporary(const std::string& bytes) {
    char name[] = "/tmp/idxfilter_text_form_XXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
    return name;
}

// Decodes the library's UTF-8 (well-formed, no NUL) the test's own way.
std::u16string Utf16Of(const std::string& utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        auto byte = static_cast<unsigned char>(utf8[i]);
        int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? byte : byte & (0x7F >> length);
        for (int k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        if (c >= 0x10000) {
            out.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(char16_t(c));
        }
        i += static_cast<std::size_t>(length);
    }
    return out;
}

std::u16string WithUnpairedHalvesReplaced(std::u16string units) {
    auto high = [](char16_t u) { return u >= 0xD800 && u <= 0xDBFF; };
    auto low = [](char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; };
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (high(units[i]) && i + 1 < units.size() && low(units[i + 1]))
            ++i;
        else if (high(units[i]) || low(units[i]))
            units[i] = 0xFFFD;
    }
    return units;
}

// Documents whose units include what UTF-8 cannot carry: unpaired halves.
const char* const kDocuments[] = {
    "{\\rtf1\\ansi hello\\par world}",
    "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}",
    "{\\rtf1 \\u8364?\\u-10179?\\u-8704? pair}",
    "a lone high \xed\xa0\xbd half",
    "a lone low \xed\xb0\x80 half",
    "plain text, \xc3\xa9t\xc3\xa9\r\nsecond line",
    "caf\xe9 cr\xe8me",
};

TEST(TextForm, ExactUnitsAreTheExportsUnitsFromPathAndBytes) {
    idx_extract_options options = Utf16Options(IDX_READER_EXACT);
    for (const char* document : kDocuments) {
        std::string bytes(document);
        std::string path = WriteTemporary(bytes);
        std::u16string exported;
        int32_t exportResult = idx_filter(
            path.c_str(),
            [](const idx_char16* text, void* user) {
                for (const idx_char16* p = text; *p; ++p) static_cast<std::u16string*>(user)->push_back(*p);
                return 0;
            },
            &exported);
        Units fromPath, fromBytes;
        int pathReason = -1, bytesReason = -1;
        int64_t pathResult = idx_extract_path(path.c_str(), &options, CollectUnits, nullptr, &fromPath, &pathReason);
        int64_t bytesResult =
            idx_extract_bytes(bytes.data(), bytes.size(), &options, CollectUnits, nullptr, &fromBytes, &bytesReason);
        std::remove(path.c_str());
        ASSERT_GT(exportResult, 0) << document;
        EXPECT_EQ(pathResult, exportResult) << document;
        EXPECT_EQ(bytesResult, exportResult) << document;
        EXPECT_EQ(fromPath.units, exported) << document;
        EXPECT_EQ(fromBytes.units, exported) << document;
        EXPECT_EQ(fromPath.calls, 1) << document;
        if (std::strstr(document, "lone high")) {
            EXPECT_NE(fromPath.units.find(char16_t(0xD83D)), std::u16string::npos) << "the half is kept";
        }
        EXPECT_EQ(pathReason, IDX_REASON_NONE) << document;
        EXPECT_EQ(bytesReason, IDX_REASON_NONE) << document;
    }
}

TEST(TextForm, BothFormsCarryTheSameTextForEitherReader) {
    for (uint32_t reader : {IDX_READER_COMPLETE, IDX_READER_EXACT}) {
        for (const char* document : kDocuments) {
            idx_extract_options wide = Utf16Options(reader);
            idx_extract_options narrow = wide;
            narrow.text_form = IDX_TEXT_UTF8;
            Units units, utf8;
            std::string bytes(document);
            int64_t wideResult = idx_extract_bytes(bytes.data(), bytes.size(), &wide, CollectUnits, nullptr, &units,
                                                   nullptr);
            int64_t narrowResult = idx_extract_bytes(bytes.data(), bytes.size(), &narrow, CollectUtf8, nullptr,
                                                     &utf8, nullptr);
            EXPECT_EQ(wideResult, narrowResult) << reader << " " << document;
            EXPECT_EQ(static_cast<int64_t>(units.units.size()), wideResult) << reader << " " << document;
            // UTF-8 holds an unpaired half as U+FFFD; the units hold it as it is.
            std::u16string expected = Utf16Of(utf8.utf8);
            EXPECT_EQ(WithUnpairedHalvesReplaced(units.units), expected) << reader << " " << document;
        }
    }
}

TEST(TextForm, PropertiesAndFailuresDoNotDependOnTheForm) {
    idx_extract_options options = Utf16Options(IDX_READER_COMPLETE);
    std::string document = "{\\rtf1{\\info{\\title Report}}body}";
    struct Seen {
        Units units;
        std::string title;
    } seen;
    int reason = -1;
    int64_t result = idx_extract_bytes(
        document.data(), document.size(), &options, CollectUnits,
        [](const char* name, const char* value, size_t length, void* user) {
            if (std::strcmp(name, "title") == 0) static_cast<Seen*>(user)->title.assign(value, length);
        },
        &seen, &reason);
    EXPECT_EQ(result, 4);
    EXPECT_EQ(seen.units.units, u"body");
    EXPECT_EQ(seen.title, "Report");

    struct Case {
        const char* what;
        uint32_t reader;
        std::string bytes;
        int reason;
    } cases[] = {
        {"empty, exact", IDX_READER_EXACT, "", IDX_REASON_NO_TEXT},
        {"empty, complete", IDX_READER_COMPLETE, "", IDX_REASON_NO_TEXT},
        {"markup only", IDX_READER_EXACT, "{\\rtf1 {\\fonttbl{\\f0 Arial;}}}", IDX_REASON_NO_TEXT},
        {"binary", IDX_READER_COMPLETE, std::string("\x7f" "ELF\x02\x01\x01\0\0\0\0\0", 12), IDX_REASON_BINARY},
    };
    for (const Case& c : cases) {
        idx_extract_options wide = Utf16Options(c.reader);
        Units units;
        int why = -1;
        EXPECT_EQ(idx_extract_bytes(c.bytes.data(), c.bytes.size(), &wide, CollectUnits, nullptr, &units, &why), -1)
            << c.what;
        EXPECT_EQ(why, c.reason) << c.what;
        EXPECT_EQ(units.calls, 0) << c.what;
    }
}

// A caller built before text_form passes the size of the first three
// fields; whatever follows them in its memory is not read.
TEST(TextForm, OptionsSizesAreReadUpToWhatTheyCover) {
    const uint32_t firstSize = offsetof(idx_extract_options, text_form);
    struct Case {
        const char* what;
        uint32_t structSize;
        uint32_t textForm;
        int reason;    // of the call
        bool utf16;    // the text came as units
    } cases[] = {
        {"first layout, garbage after it", firstSize, 0xDEADBEEF, IDX_REASON_NONE, false},
        {"first layout, UTF-16 after it", firstSize, IDX_TEXT_UTF16, IDX_REASON_NONE, false},
        {"current layout, UTF-8", sizeof(idx_extract_options), IDX_TEXT_UTF8, IDX_REASON_NONE, false},
        {"current layout, UTF-16", sizeof(idx_extract_options), IDX_TEXT_UTF16, IDX_REASON_NONE, true},
        {"current layout, unknown form", sizeof(idx_extract_options), 2, IDX_REASON_BAD_ARGUMENT, false},
        {"a later, larger layout", sizeof(idx_extract_options) + 8, IDX_TEXT_UTF16, IDX_REASON_NONE, true},
        {"short of the first layout", firstSize - 1, IDX_TEXT_UTF8, IDX_REASON_BAD_ARGUMENT, false},
    };
    for (const Case& c : cases) {
        // Room behind the struct for the larger layout's fields.
        struct {
            idx_extract_options options;
            uint32_t later[2];
        } block{};
        block.options.struct_size = c.structSize;
        block.options.reader = IDX_READER_EXACT;
        block.options.text_form = c.textForm;
        Units received;
        int reason = -1;
        auto sink = [](const char* text, size_t length, void* user) {
            static_cast<Units*>(user)->utf8.assign(text, length);
        };
        int64_t result = idx_extract_bytes("ab", 2, &block.options, sink, nullptr, &received, &reason);
        EXPECT_EQ(reason, c.reason) << c.what;
        if (c.reason != IDX_REASON_NONE) {
            EXPECT_EQ(result, -1) << c.what;
            continue;
        }
        EXPECT_EQ(result, 2) << c.what;
        // UTF-16 in the machine's byte order.
        const std::string units(reinterpret_cast<const char*>(u"ab"), 4);
        EXPECT_EQ(received.utf8, c.utf16 ? units : std::string("ab")) << c.what;
    }
}

}  // namespace
