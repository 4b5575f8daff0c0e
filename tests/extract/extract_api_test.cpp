// The portable library's second function, called as a host calls it:
// through the shared library's C interface.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "idxfilter.h"

namespace {

struct Delivered {
    std::string text;
    int textCalls = 0;
    std::vector<std::pair<std::string, std::string>> properties;
};

void CollectText(const char* text, size_t length, void* user) {
    auto* d = static_cast<Delivered*>(user);
    d->text.assign(text, length);
    ++d->textCalls;
}

void CollectProperty(const char* name, const char* value, size_t length, void* user) {
    static_cast<Delivered*>(user)->properties.emplace_back(name, std::string(value, length));
}

struct Outcome {
    int64_t result;
    int reason;
    Delivered delivered;
};

idx_extract_options Options(uint32_t reader, uint32_t codePage = 0, uint32_t textForm = IDX_TEXT_UTF8) {
    return idx_extract_options{sizeof(idx_extract_options), reader, codePage, textForm};
}

Outcome FromPath(const std::string& path, const idx_extract_options* options) {
    Outcome o{};
    o.reason = -99;
    o.result = idx_extract_path(path.c_str(), options, CollectText, CollectProperty, &o.delivered, &o.reason);
    return o;
}

Outcome FromBytes(const std::string& bytes, const idx_extract_options* options) {
    Outcome o{};
    o.reason = -99;
    o.result = idx_extract_bytes(bytes.data(), bytes.size(), options, CollectText, CollectProperty, &o.delivered,
                                 &o.reason);
    return o;
}

class TempFile {
public:
    explicit TempFile(const std::string& bytes) {
        char name[] = "/tmp/idxfilter_extract_XXXXXX";
        int fd = mkstemp(name);
        path = name;
        FILE* f = fdopen(fd, "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    ~TempFile() { std::remove(path.c_str()); }
    std::string path;
};

// The UTF-16 text idx_filter delivers, as UTF-8 (the test's own encoder).
std::string ExportTextAsUtf8(const std::string& path, int32_t& result) {
    std::u16string units;
    result = idx_filter(
        path.c_str(),
        [](const idx_char16* text, void* user) {
            auto* out = static_cast<std::u16string*>(user);
            for (const idx_char16* p = text; *p; ++p) out->push_back(static_cast<char16_t>(*p));
            return 0;
        },
        &units);
    std::string utf8;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            utf8 += char(c);
        } else if (c < 0x800) {
            utf8 += char(0xC0 | (c >> 6));
            utf8 += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += char(0xE0 | (c >> 12));
            utf8 += char(0x80 | ((c >> 6) & 0x3F));
            utf8 += char(0x80 | (c & 0x3F));
        } else {
            utf8 += char(0xF0 | (c >> 18));
            utf8 += char(0x80 | ((c >> 12) & 0x3F));
            utf8 += char(0x80 | ((c >> 6) & 0x3F));
            utf8 += char(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

// Documents whose exact text the export defines: the second function's
// exact reader must give the same, from a path and from bytes alike.
const char* const kExactCases[] = {
    "{\\rtf1\\ansi hello\\par world}",
    "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}",
    "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"http://x.org\"}{\\fldrslt link}}}",
    "{\\rtf1 {\\pict 0102}after}",
    "plain text, \xc3\xa9t\xc3\xa9\r\nsecond line",
    "\xff\xfeh\0i\0",
    "caf\xe9 cr\xe8me",
    "{\\rtf1 \\u8364?\\u-10179?\\u-8704? pair}",
};

TEST(ExtractApi, ExactReaderGivesTheExportsText) {
    idx_extract_options exact = Options(IDX_READER_EXACT);
    for (const char* document : kExactCases) {
        std::string bytes(document, document[0] == '\xff' ? 6 : std::char_traits<char>::length(document));
        TempFile file(bytes);
        int32_t exportResult = 0;
        std::string expected = ExportTextAsUtf8(file.path, exportResult);
        Outcome path = FromPath(file.path, &exact);
        Outcome memory = FromBytes(bytes, &exact);
        EXPECT_EQ(path.result, exportResult) << document;
        EXPECT_EQ(path.delivered.text, expected) << document;
        EXPECT_EQ(path.delivered.textCalls, 1) << document;
        EXPECT_EQ(path.reason, IDX_REASON_NONE) << document;
        EXPECT_EQ(memory.result, path.result) << document;
        EXPECT_EQ(memory.delivered.text, path.delivered.text) << document;
    }
}

TEST(ExtractApi, SampleDocumentMatchesTheExport) {
    std::string path = std::string(IDXFILTER_SAMPLES_DIR) + "/sample.rtf";
    int32_t exportResult = 0;
    std::string expected = ExportTextAsUtf8(path, exportResult);
    idx_extract_options exact = Options(IDX_READER_EXACT);
    Outcome o = FromPath(path, &exact);
    ASSERT_GT(exportResult, 0);
    EXPECT_EQ(o.result, exportResult);
    EXPECT_EQ(o.delivered.text, expected);
}

TEST(ExtractApi, CodePageOptionAppliesToThisCallOnly) {
    std::string bytes = "\xcf\xf0\xe8\xe2\xe5\xf2";  // "Привет" in 1251, "Ïðèâåò" in 1252
    idx_extract_options cyrillic = Options(IDX_READER_EXACT, 1251);
    idx_extract_options standard = Options(IDX_READER_EXACT, 0);
    EXPECT_EQ(FromBytes(bytes, &cyrillic).delivered.text, "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82");
    EXPECT_EQ(FromBytes(bytes, &standard).delivered.text, "\xc3\x8f\xc3\xb0\xc3\xa8\xc3\xa2\xc3\xa5\xc3\xb2");
}

TEST(ExtractApi, FailuresAreReportedWithTheirReason) {
    idx_extract_options exact = Options(IDX_READER_EXACT);
    struct Case {
        const char* what;
        Outcome outcome;
        int reason;
    } cases[] = {
        {"missing file", FromPath("/nonexistent/idxfilter/file.rtf", &exact), IDX_REASON_UNREADABLE},
        {"a folder", FromPath("/tmp", &exact), IDX_REASON_UNREADABLE},
        {"empty document", FromBytes("", &exact), IDX_REASON_NO_TEXT},
        {"markup only", FromBytes("{\\rtf1 {\\fonttbl{\\f0 Arial;}}}", &exact), IDX_REASON_NO_TEXT},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.outcome.result, -1) << c.what;
        EXPECT_EQ(c.outcome.reason, c.reason) << c.what;
        EXPECT_EQ(c.outcome.delivered.textCalls, 0) << c.what;
    }
}

TEST(ExtractApi, BadArgumentsAreRefused) {
    Delivered d;
    int reason = 0;
    idx_extract_options unknownReader = Options(7);
    idx_extract_options unknownCodePage = Options(IDX_READER_EXACT, 12345);
    idx_extract_options tooSmall = Options(IDX_READER_EXACT);
    tooSmall.struct_size = 4;
    EXPECT_EQ(idx_extract_path(nullptr, nullptr, CollectText, nullptr, &d, &reason), -1);
    EXPECT_EQ(reason, IDX_REASON_BAD_ARGUMENT);
    EXPECT_EQ(idx_extract_path("/tmp/x", nullptr, nullptr, nullptr, &d, &reason), -1);
    EXPECT_EQ(reason, IDX_REASON_BAD_ARGUMENT);
    EXPECT_EQ(idx_extract_bytes(nullptr, 3, nullptr, CollectText, nullptr, &d, &reason), -1);
    EXPECT_EQ(reason, IDX_REASON_BAD_ARGUMENT);
    for (const idx_extract_options* options : {&unknownReader, &unknownCodePage, &tooSmall}) {
        reason = 0;
        EXPECT_EQ(idx_extract_bytes("x", 1, options, CollectText, nullptr, &d, &reason), -1);
        EXPECT_EQ(reason, IDX_REASON_BAD_ARGUMENT);
    }
    EXPECT_EQ(d.textCalls, 0);
    // A null reason pointer is allowed.
    EXPECT_EQ(idx_extract_bytes(nullptr, 3, nullptr, CollectText, nullptr, &d, nullptr), -1);
}

TEST(ExtractApi, ASinkThatThrowsLeavesTheResultAtMinusOne) {
    idx_extract_options exact = Options(IDX_READER_EXACT);
    int reason = 0;
    auto throwing = [](const char*, size_t, void*) { throw std::runtime_error("sink"); };
    EXPECT_EQ(idx_extract_bytes("text", 4, &exact, throwing, nullptr, nullptr, &reason), -1);
    EXPECT_EQ(reason, IDX_REASON_FAILED);
}

}  // namespace
