#include <gtest/gtest.h>

#include <stdexcept>

#include "extraction/filter_document.h"
#include "idxfilter.h"
#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Bytes;
using testing::Delivery;
using testing::FilterBytes;
using testing::FilterFile;
using testing::Hex;
using testing::TempFile;
using testing::Units;

struct EntryCase {
    const char* name;
    std::string file;
    std::int32_t result;
    int calls;
    std::u16string text;
};

void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }


class FilterEntryCases : public ::testing::TestWithParam<EntryCase> {};

TEST_P(FilterEntryCases, DeliversOnceAndCounts) {
    const EntryCase& c = GetParam();
    Delivery delivery = FilterBytes(c.file);
    EXPECT_EQ(delivery.result, c.result);
    EXPECT_EQ(delivery.calls, c.calls);
    EXPECT_EQ(Hex(delivery.text), Hex(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    , FilterEntryCases,
    ::testing::Values(
        EntryCase{"Ascii", "abc", 3, 1, u"abc"},
        EntryCase{"NulEndsDocument", Bytes({0x41, 0, 0x42}), 1, 1, u"A"},
        EntryCase{"EmptyFile", "", -1, 0, u""},
        EntryCase{"Utf8MarkOnly", Bytes({0xEF, 0xBB, 0xBF}), -1, 0, u""},
        EntryCase{"LeadingNul", Bytes({0, 0x41}), -1, 0, u""},
        EntryCase{"Utf16MarkAlone", Bytes({0xFF, 0xFE}), -1, 0, u""},
        EntryCase{"StrayContinuationBecomesReplacement", Bytes({0xEF, 0xBB, 0xBF, 0x80}), 1, 1, Units({0xFFFD})},
        EntryCase{"TruncatedEndBecomesReplacement", Bytes({0xEF, 0xBB, 0xBF, 0x61, 0x62, 0xC3}), 3, 1,
                  Units({0x61, 0x62, 0xFFFD})},
        EntryCase{"TextAfterBadByteIsKept", Bytes({0xEF, 0xBB, 0xBF, 0x61, 0xFF, 0x62}), 3, 1,
                  Units({0x61, 0xFFFD, 0x62})},
        EntryCase{"Utf16SurrogatePair", Bytes({0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}), 2, 1,
                  Units({0xD83D, 0xDE00})},
        EntryCase{"Utf8FourBytes", Bytes({0xF0, 0x9F, 0x98, 0x80}), 2, 1, Units({0xD83D, 0xDE00})},
        EntryCase{"Rtf", "{\\rtf1 Hello}", 5, 1, u"Hello"},
        EntryCase{"RtfWithoutText", "{\\rtf1\\ansi}", -1, 0, u""}),
    [](const auto& info) { return std::string(info.param.name); });

struct CountedDelivery {
    int calls = 0;
    std::size_t count = 0;
    std::u16string text;
    bool terminated = false;
};

void RecordCounted(const char16_t* units, std::size_t count, void* user) {
    auto* delivery = static_cast<CountedDelivery*>(user);
    ++delivery->calls;
    delivery->count = count;
    delivery->text.assign(units, count);
    delivery->terminated = units[count] == 0;
}

// The tool's form of the call: the same text, told with its count, and the
// terminator still after it.
TEST_P(FilterEntryCases, CountedFormDeliversTheSameText) {
    const EntryCase& c = GetParam();
    TempFile file(c.file);
    CountedDelivery delivery;
    FilterFailure failure = FilterFailure::Other;
    std::int32_t result = FilterDocument(file.Path().c_str(), RecordCounted, &delivery, &failure);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(delivery.calls, c.calls);
    EXPECT_EQ(Hex(delivery.text), Hex(c.text));
    EXPECT_EQ(failure, result >= 0 ? FilterFailure::None : FilterFailure::NoText);
    if (delivery.calls > 0) {
        EXPECT_EQ(delivery.count, static_cast<std::size_t>(result));
        EXPECT_TRUE(delivery.terminated);
    }
}

int IDXFILTER_SINK_CALL ThrowingSink(const idx_char16*, void*) { throw std::runtime_error("host"); }

int IDXFILTER_SINK_CALL ThrowingIntSink(const idx_char16*, void*) { throw 42; }

int IDXFILTER_SINK_CALL CountingSink(const idx_char16*, void* user) {
    ++*static_cast<int*>(user);
    return 0;
}

TEST(FilterEntry, NullSinkGivesMinusOne) {
    TempFile file("abc");
    EXPECT_EQ(idx_filter(file.Path().c_str(), nullptr, nullptr), -1);
}

TEST(FilterEntry, NullPathGivesMinusOneWithoutCallingSink) {
    int calls = 0;
    EXPECT_EQ(idx_filter(nullptr, CountingSink, &calls), -1);
    EXPECT_EQ(calls, 0);
}

TEST(FilterEntry, UnopenableFilesGiveMinusOne) {
    TempFile file("abc");
    std::string folder = std::filesystem::path(file.Path()).parent_path().string();
    for (const std::string& path : {std::string("/no/such/idxfilter/file"), std::string(""), folder}) {
        Delivery delivery = FilterFile(path.c_str());
        EXPECT_EQ(delivery.result, -1) << path;
        EXPECT_EQ(delivery.calls, 0) << path;
    }
}

TEST(FilterEntry, ExceptionFromSinkStaysInside) {
    TempFile file("abc");
    EXPECT_EQ(idx_filter(file.Path().c_str(), ThrowingSink, nullptr), -1);
    EXPECT_EQ(idx_filter(file.Path().c_str(), ThrowingIntSink, nullptr), -1);
}

TEST(FilterEntry, UserValueReachesSinkUnchanged) {
    TempFile file("abc");
    int calls = 0;
    EXPECT_EQ(idx_filter(file.Path().c_str(), CountingSink, &calls), 3);
    EXPECT_EQ(calls, 1);
}

TEST(FilterEntry, AnsiTextIsDeliveredInItsCodePage) {
    REQUIRE_ANSI_CODE_PAGE(1252);
    Delivery delivery = FilterBytes("caf\xE9 au lait \x80");
    EXPECT_EQ(delivery.text, u"caf\u00E9 au lait \u20AC");
}

}  // namespace
}  // namespace idxfilter

#ifndef _WIN32
#include <sys/stat.h>

namespace idxfilter {
namespace {

TEST(FilterEntry, FifoWithoutWriterGivesMinusOneAtOnce) {
    testing::TempFile file("x");
    std::string fifo = file.Path() + ".fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Delivery delivery = FilterFile(fifo.c_str());
    EXPECT_EQ(delivery.result, -1);
    EXPECT_EQ(delivery.calls, 0);
    std::filesystem::remove(fifo);
}

}  // namespace
}  // namespace idxfilter
#endif
