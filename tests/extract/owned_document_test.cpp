// The _owned twins hand over what the sinks of idx_extract_path and
// idx_extract_bytes are lent: the same text, properties, result and
// reason, in a block the caller frees.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "idxfilter.h"

namespace {

struct Seen {
    int64_t result = 0;
    int reason = -99;
    std::string text;
    std::vector<std::pair<std::string, std::string>> properties;
};

Seen Lent(const std::string& bytes, const idx_extract_options& options) {
    Seen seen;
    seen.result = idx_extract_bytes(
        bytes.data(), bytes.size(), &options,
        [](const char* text, size_t length, void* user) { static_cast<Seen*>(user)->text.assign(text, length); },
        [](const char* name, const char* value, size_t length, void* user) {
            static_cast<Seen*>(user)->properties.emplace_back(name, std::string(value, length));
        },
        &seen, &seen.reason);
    return seen;
}

// What the document holds, checked for the terminators the header promises.
Seen Taken(idx_document& document, int64_t result, int reason, size_t terminator) {
    Seen seen;
    seen.result = result;
    seen.reason = reason;
    if (document.text != nullptr) {
        seen.text.assign(document.text, document.length);
        for (size_t i = 0; i < terminator; ++i) EXPECT_EQ(document.text[document.length + i], '\0');
    }
    for (size_t i = 0; i < document.property_count; ++i) {
        const idx_property& p = document.properties[i];
        EXPECT_EQ(p.value[p.length], '\0');
        seen.properties.emplace_back(p.name, std::string(p.value, p.length));
    }
    idx_free_document(&document);
    EXPECT_EQ(document.text, nullptr);
    EXPECT_EQ(document.property_count, 0u);
    return seen;
}

void ExpectSame(const Seen& lent, const Seen& taken) {
    EXPECT_EQ(taken.result, lent.result);
    EXPECT_EQ(taken.reason, lent.reason);
    EXPECT_EQ(taken.text, lent.text);
    EXPECT_EQ(taken.properties, lent.properties);
}

const std::string kDocuments[] = {
    "{\\rtf1 {\\info{\\title Budget}{\\author Ann \\u252?ber}}Quarterly \\u1055?results\\par}",
    "{\\rtf1\\ansi {\\field{\\*\\fldinst HYPERLINK \"http://x.org\"}{\\fldrslt link}} after}",
    "plain text\nin two lines",
    "\xEF\xBB\xBFUTF-8 \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80",
    "",
    "{\\rtf1 {\\*\\generator only a destination}}",
    std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10),
};

TEST(OwnedDocument, HoldsWhatTheSinksAreLentForEveryReaderAndForm) {
    for (const std::string& bytes : kDocuments) {
        for (uint32_t reader : {IDX_READER_COMPLETE, IDX_READER_EXACT}) {
            for (uint32_t form : {IDX_TEXT_UTF8, IDX_TEXT_UTF16}) {
                SCOPED_TRACE(bytes + " reader " + std::to_string(reader) + " form " + std::to_string(form));
                idx_extract_options options{sizeof options, reader, 0, form};
                idx_document owned{};
                int reason = -99;
                int64_t result = idx_extract_bytes_owned(bytes.data(), bytes.size(), &options, &owned, &reason);
                ExpectSame(Lent(bytes, options), Taken(owned, result, reason, form == IDX_TEXT_UTF16 ? 2 : 1));
            }
        }
    }
}

TEST(OwnedDocument, PathAndBytesAgree) {
    const std::string bytes = kDocuments[0];
    char name[] = "/tmp/idxfilter_owned_XXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    FILE* f = fdopen(fd, "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    idx_document fromPath{}, fromBytes{};
    int pathReason = -99, bytesReason = -99;
    int64_t pathResult = idx_extract_path_owned(name, nullptr, &fromPath, &pathReason);
    int64_t bytesResult = idx_extract_bytes_owned(bytes.data(), bytes.size(), nullptr, &fromBytes, &bytesReason);
    Seen byPath = Taken(fromPath, pathResult, pathReason, 1);
    ExpectSame(Taken(fromBytes, bytesResult, bytesReason, 1), byPath);
    EXPECT_GT(byPath.result, 0);
    EXPECT_EQ(byPath.properties.size(), 2u);
    std::remove(name);
}

TEST(OwnedDocument, FailuresLeaveNothingToFree) {
    idx_document document{};
    document.length = 7;  // whatever the caller left in it is overwritten
    int reason = -99;
    EXPECT_EQ(idx_extract_path_owned("/nonexistent/idxfilter/owned", nullptr, &document, &reason), -1);
    EXPECT_EQ(reason, IDX_REASON_UNREADABLE);
    EXPECT_EQ(document.text, nullptr);
    EXPECT_EQ(document.length, 0u);
    idx_free_document(&document);
    idx_free_document(nullptr);

    idx_extract_options unknownReader{sizeof(idx_extract_options), 9, 0, IDX_TEXT_UTF8};
    EXPECT_EQ(idx_extract_bytes_owned("x", 1, &unknownReader, &document, &reason), -1);
    EXPECT_EQ(reason, IDX_REASON_BAD_ARGUMENT);
    EXPECT_EQ(idx_extract_bytes_owned(nullptr, 1, nullptr, &document, &reason), -1);
    EXPECT_EQ(reason, IDX_REASON_BAD_ARGUMENT);
    EXPECT_EQ(idx_extract_path_owned(nullptr, nullptr, &document, &reason), -1);
    EXPECT_EQ(idx_extract_bytes_owned("x", 1, nullptr, nullptr, &reason), -1);
    EXPECT_EQ(reason, IDX_REASON_BAD_ARGUMENT);
}

}  // namespace
