// The tool's road into the library: options, reasons and the text's forms.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "cli/failure_reason.h"
#include "cli/library_reading.h"

namespace idxfilter::cli {
namespace {

TEST(LibraryFailure, EachReasonHasTheToolsWords) {
    struct Case {
        int reason;
        ReaderChoice reader;
        bool empty;
        const char* words;
    } cases[] = {
        {IDX_REASON_NO_TEXT, ReaderChoice::Exact, false, "no text"},
        {IDX_REASON_NO_TEXT, ReaderChoice::Complete, true, "empty"},
        // The export finds no text in what it cannot read; the complete
        // reader says so.
        {IDX_REASON_UNREADABLE, ReaderChoice::Exact, false, "no text"},
        {IDX_REASON_UNREADABLE, ReaderChoice::Exact, true, "empty"},
        {IDX_REASON_UNREADABLE, ReaderChoice::Complete, false, "unreadable"},
        {IDX_REASON_UNREADABLE, ReaderChoice::Complete, true, "unreadable"},
        {IDX_REASON_BINARY, ReaderChoice::Complete, false, "binary"},
        {IDX_REASON_OUT_OF_MEMORY, ReaderChoice::Exact, true, "out of memory"},
        {IDX_REASON_TOO_LARGE, ReaderChoice::Complete, false, "too large"},
        {IDX_REASON_FAILED, ReaderChoice::Exact, false, "filter error"},
        {IDX_REASON_BAD_ARGUMENT, ReaderChoice::Complete, false, "filter error"},
        {99, ReaderChoice::Complete, true, "filter error"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReasonForLibraryFailure(c.reason, c.reader, c.empty), c.words)
            << c.reason << " " << ReaderName(c.reader) << " " << c.empty;
}

TEST(ReadingOptions, CodePagesAskedForAndRecorded) {
    struct Case {
        ReaderChoice reader;
        unsigned given;
        unsigned asked;
        std::int64_t recorded;
    } cases[] = {
        {ReaderChoice::Complete, kDefaultAnsiCodePage, 1252, 1252},
        {ReaderChoice::Exact, 932, 932, 932},
        {ReaderChoice::Complete, kGuessAnsiCodePage, kGuessAnsiCodePage, -1},
        // The exact reader guesses nothing: it reads in the default.
        {ReaderChoice::Exact, kGuessAnsiCodePage, 1252, -1},
    };
    for (const Case& c : cases) {
        ReadingOptions options{c.reader, c.given};
        EXPECT_EQ(LibraryCodePage(options), c.asked) << c.given;
        EXPECT_EQ(RecordedCodePage(options), c.recorded) << c.given;
    }
    EXPECT_EQ(ReadingOptions{}.ansiCodePage, 1252u);
}

TEST(ReadingOptions, OnlyTheLibrarysAnsiCodePagesAreUsable) {
    for (unsigned codePage : {874u, 932u, 936u, 949u, 950u, 1250u, 1251u, 1252u, 1257u})
        EXPECT_TRUE(IsUsableAnsiCodePage(codePage)) << codePage;
    for (unsigned codePage : {0u, 1u, 437u, 1200u, 12345u, 65001u, kGuessAnsiCodePage})
        EXPECT_FALSE(IsUsableAnsiCodePage(codePage)) << codePage;
}

class Document {
public:
    explicit Document(const std::string& bytes) {
        char name[] = "/tmp/idxfilter_library_reading_XXXXXX";
        int fd = mkstemp(name);
        EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(fd);
        path = name;
    }
    ~Document() { std::remove(path.c_str()); }
    std::string path;
};

std::string StreamContents(std::FILE* stream) {
    std::rewind(stream);
    std::string contents;
    for (int c; (c = std::fgetc(stream)) != EOF;) contents.push_back(char(c));
    return contents;
}

TEST(LibraryReading, TextFormsAreTheSameWhetherCollectedOrStreamed) {
    // UTF-8 text with a lone high surrogate in its three-byte form, which
    // the exact reader's units keep and its UTF-8 writes as U+FFFD.
    Document document("caf\xc3\xa9 \xed\xa0\xbd x");
    struct Case {
        ReaderChoice reader;
        TextForm form;
        std::string text;
    } cases[] = {
        {ReaderChoice::Exact, TextForm::Utf8, "caf\xc3\xa9 \xef\xbf\xbd x"},
        {ReaderChoice::Exact, TextForm::Utf16LittleEndian, std::string("c\0a\0f\0\xe9\0 \0\x3d\xd8 \0x\0", 16)},
    };
    for (const Case& c : cases) {
        ReadingOptions options{c.reader, kDefaultAnsiCodePage};
        LibraryText collected = ReadThroughLibrary(document.path, options, c.form);
        EXPECT_EQ(collected.result, 8);
        EXPECT_EQ(collected.reason, IDX_REASON_NONE);
        EXPECT_EQ(collected.text, c.text);
        std::FILE* stream = std::tmpfile();
        ASSERT_NE(stream, nullptr);
        LibraryText streamed = ReadThroughLibrary(document.path, options, c.form, stream);
        EXPECT_EQ(streamed.result, 8);
        EXPECT_TRUE(streamed.text.empty());
        EXPECT_EQ(StreamContents(stream), c.text);
        std::fclose(stream);
    }
    Document withAuthor("{\\rtf1{\\info{\\author Ann}}text}");
    LibraryText complete = ReadThroughLibrary(withAuthor.path, ReadingOptions{}, TextForm::Utf8);
    ASSERT_GT(complete.result, 0);
    ASSERT_EQ(complete.properties.size(), 1u);
    EXPECT_EQ(complete.properties[0].name, "author");
    EXPECT_EQ(complete.properties[0].value, "Ann");
}

TEST(LibraryReading, AFailureCarriesTheLibrarysReasonAndNothingElse) {
    LibraryText missing = ReadThroughLibrary("/nonexistent/idxfilter/x.rtf", ReadingOptions{}, TextForm::Utf8);
    EXPECT_EQ(missing.result, -1);
    EXPECT_EQ(missing.reason, IDX_REASON_UNREADABLE);
    Document markup("{\\rtf1{\\info{\\title T}}}");
    LibraryText noText = ReadThroughLibrary(markup.path, ReadingOptions{}, TextForm::Utf8);
    EXPECT_EQ(noText.result, -1);
    EXPECT_EQ(noText.reason, IDX_REASON_NO_TEXT);
    EXPECT_TRUE(noText.properties.empty());
}

}  // namespace
}  // namespace idxfilter::cli
