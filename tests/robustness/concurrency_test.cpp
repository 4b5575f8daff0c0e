// Calls on many threads at once: the export keeps no state, so every call
// must deliver exactly what a call alone delivers, on the same file or on
// different ones. The portable ANSI code page may change while others
// convert; each call then delivers what a call alone delivers under one of
// the two code pages. Built and run under ThreadSanitizer by
// scripts/tsan.sh, where any data race fails the run.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "idxfilter.h"
#include "platform/code_pages.h"
#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Delivery;
using testing::FilterFile;
using testing::Repeat;
using testing::TempFile;

constexpr int kThreads = 8;

// Documents whose text depends on the ANSI code page in different places:
// raw 8-bit bytes in the loader, in the RTF preparation and in runs
// without font; fonts with their own character sets; UTF-16 and UTF-8
// that do not depend on it at all.
std::vector<std::string> Documents() {
    const std::string fonts =
        "{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset128 Mincho;}{\\f2\\fcharset204 Cyr;}"
        "{\\f3\\fcharset2 Symbol;}{\\f4\\fcharset134 Song;}}";
    const std::string body =
        "\\f0 caf\\'e9 \\f1 \\'82\\'a0\\'93\\'fa \\f2 \\'c0\\'e1\\'e2 \\f3 \\'61 \\f4 \\'d6\\'d0"
        "\\plain raw \x82\xa0\xe9 {\\field{\\*\\fldinst{HYPERLINK \"http://a/%u00e9\"}}{\\fldrslt link}}\\par ";
    return {
        "{\\rtf1\\ansi" + fonts + Repeat(body, 200) + "}",
        "{\\rtf1 " + Repeat("plain \x82\xa0\xe9\x80 {\\b bold} ", 300) + "}",
        "\xFF\xFE" + Repeat(std::string("A\0\xE9\0=\xD8\0\xDE\x3A\x04", 10), 300),
        "\xEF\xBB\xBF{\\rtf1 " + Repeat("caf\xC3\xA9 \xE6\x96\x87 ", 300) + "}",
        Repeat("ansi text caf\xE9 \x82\xa0 \x80\x93\r\n", 300),
    };
}

class ConcurrentCalls : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& bytes : Documents()) files.push_back(std::make_unique<TempFile>(bytes));
    }
    void TearDown() override { SetAnsiCodePage(1252); }

    // What each file delivers when filtered alone under `codePage`.
    std::vector<Delivery> SerialResults(unsigned codePage) {
        EXPECT_TRUE(SetAnsiCodePage(codePage));
        std::vector<Delivery> results;
        for (const auto& file : files) {
            results.push_back(FilterFile(file->Path().c_str()));
            EXPECT_EQ(results.back().calls, 1);
        }
        return results;
    }

    std::vector<std::unique_ptr<TempFile>> files;
};

bool Same(const Delivery& a, const Delivery& b) {
    return a.result == b.result && a.calls == b.calls && a.text == b.text;
}

TEST_F(ConcurrentCalls, DeliverWhatSerialCallsDeliver) {
    const std::vector<Delivery> serial = SerialResults(1252);
    std::atomic<int> mismatches{0};
    std::atomic<bool> start{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!start.load()) std::this_thread::yield();
            for (int round = 0; round < 30; ++round) {
                // Rounds 0, 3, 6, ...: every thread on the same file; the
                // others: each thread on a file of its own.
                std::size_t index = round % 3 == 0 ? round / 3 % files.size() : (round + t) % files.size();
                if (!Same(FilterFile(files[index]->Path().c_str()), serial[index])) ++mismatches;
            }
        });
    }
    start = true;
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

// Runs calls on seven threads while an eighth switches the ANSI code page
// between 1252 and 932, and hands every delivery to `check`.
template <typename Check>
void ConvertWhileSwitching(const std::vector<std::unique_ptr<TempFile>>& files, Check check) {
    std::atomic<bool> done{false};
    std::atomic<int> switches{0};
    std::thread switcher([&] {
        for (unsigned i = 0; !done.load(); ++i) {
            SetAnsiCodePage(i % 2 ? 932 : 1252);
            ++switches;
            std::this_thread::yield();
        }
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads - 1; ++t) {
        threads.emplace_back([&, t] {
            // At least 12 rounds, and on until the code page has changed
            // a few times (on one core the switcher may run late).
            for (int round = 0; round < 12 || switches.load() < 4; ++round) {
                std::size_t index = (round + t) % files.size();
                check(index, FilterFile(files[index]->Path().c_str()));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    done = true;
    switcher.join();
    EXPECT_GE(switches.load(), 4);
}

// Switching is safe: no race (under ThreadSanitizer), and every call
// delivers a whole text once.
TEST_F(ConcurrentCalls, AnsiCodePageChangedWhileConverting) {
    std::atomic<int> broken{0};
    ConvertWhileSwitching(files, [&](std::size_t, const Delivery& delivery) {
        if (delivery.calls != 1 || delivery.result != std::int32_t(delivery.text.size())) ++broken;
    });
    EXPECT_EQ(broken.load(), 0);
}

// Each call converts in one code page: what it delivers is what a call
// alone delivers under 1252 or under 932.
TEST_F(ConcurrentCalls, EachCallSeesOneAnsiCodePage) {
    const std::vector<Delivery> western = SerialResults(1252);
    const std::vector<Delivery> japanese = SerialResults(932);
    // The documents must tell the code pages apart, or the test proves nothing.
    int differing = 0;
    for (std::size_t i = 0; i < files.size(); ++i) differing += !Same(western[i], japanese[i]);
    ASSERT_GE(differing, 3);
    std::atomic<int> mixed{0};
    for (int repeat = 0; repeat < 5; ++repeat) {
        ConvertWhileSwitching(files, [&](std::size_t index, const Delivery& delivery) {
            if (!Same(delivery, western[index]) && !Same(delivery, japanese[index])) ++mixed;
        });
    }
    EXPECT_EQ(mixed.load(), 0) << "calls delivered a mix of both code pages";
}

}  // namespace
}  // namespace idxfilter
