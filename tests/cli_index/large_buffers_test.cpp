// The tool's replacement of the global allocation functions, linked into
// this test program as into the tool.
#include "cli/large_buffers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace idxfilter::cli {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

class LargeBuffers : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TuneAllocatorForLargeBuffers(); }
};

// Fills the whole block and reads it back: a block shorter than asked,
// or one that overlaps another, shows here.
void FillAndCheck(unsigned char* block, std::size_t size, unsigned char seed) {
    for (std::size_t i = 0; i < size; i += 997) block[i] = static_cast<unsigned char>(seed + i);
    if (size > 0) block[size - 1] = seed;
    for (std::size_t i = 0; i + 1 < size; i += 997)
        ASSERT_EQ(block[i], static_cast<unsigned char>(seed + i)) << "size " << size << " at " << i;
    if (size > 0) {
        ASSERT_EQ(block[size - 1], seed);
    }
}

// The block freed last is kept for reuse; a block it cannot suit sends it
// back to the kernel. The one used here is too large to be kept itself.
// (Called directly: the compiler may leave out a new expression whose
// memory nobody uses.)
void DropKeptBlock() { ::operator delete(::operator new(64 * kMiB)); }

TEST_F(LargeBuffers, BlocksOfEverySizeHoldWhatIsWrittenAndLargeOnesStartOnHugePages) {
    const std::size_t sizes[] = {0,           1,           4096,           kMiB - 1,       kMiB,
                                 kMiB + 1,    kMiB * 3 / 2, kMiB * 7 / 4,  2 * kMiB - 1,   2 * kMiB,
                                 3 * kMiB + 1, 6 * kMiB + 5, 40 * kMiB};
    for (std::size_t size : sizes) {
        std::unique_ptr<unsigned char[]> block(new unsigned char[size]);
        FillAndCheck(block.get(), size, static_cast<unsigned char>(size));
        if (MapsLargeBlocks() && size >= kMiB) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.get()) % (2 * kMiB), 0u) << size;
        }
    }
}

TEST_F(LargeBuffers, HugePagesLeaveAtMostOneMebibyteUnusedBetweenLiveBlocks) {
    if (!MapsLargeBlocks()) GTEST_SKIP() << "large blocks come from the heap in this build";
    constexpr std::size_t kSmall = 4096;
    struct Case {
        std::size_t size;
        std::size_t wholeLength;  // its last extent on a huge page
        int roundedOfThree;       // of three live blocks of that size
    };
    const Case cases[] = {
        {kMiB, 2 * kMiB, 1},               // 1 MiB unused: the whole allowance
        {kMiB + 1, 2 * kMiB, 1},
        {kMiB * 3 / 2 + 7, 2 * kMiB, 2},   // 508 KiB unused each
        {kMiB * 7 / 4, 2 * kMiB, 3},       // 256 KiB each
        {2 * kMiB, 2 * kMiB, 3},           // whole huge pages waste nothing
        {2 * kMiB + 1, 0, 0},              // a last extent less than half filled
        {3 * kMiB - 1, 0, 0},
        {5 * kMiB + 100, 6 * kMiB, 1},
    };
    for (const Case& c : cases) {
        const std::size_t smallPages = (c.size + kSmall - 1) / kSmall * kSmall;
        for (int pass = 0; pass < 2; ++pass) {  // the second after all were freed
            DropKeptBlock();
            std::unique_ptr<unsigned char[]> blocks[3];
            int rounded = 0;
            for (auto& block : blocks) {
                block.reset(new unsigned char[c.size]);
                std::size_t length = MappingLength(block.get());
                if (length == c.wholeLength) ++rounded;
                else EXPECT_EQ(length, smallPages) << c.size;
            }
            EXPECT_EQ(rounded, c.roundedOfThree) << c.size << " pass " << pass;
            FillAndCheck(blocks[2].get(), c.size, 3);
        }
    }
    std::unique_ptr<unsigned char[]> small(new unsigned char[1000]);
    EXPECT_EQ(MappingLength(small.get()), 0u);
}

TEST_F(LargeBuffers, TheBlockFreedLastServesTheNextBlockItSuits) {
    if (!MapsLargeBlocks()) GTEST_SKIP() << "large blocks come from the heap in this build";
    DropKeptBlock();
    std::unique_ptr<unsigned char[]> first(new unsigned char[kMiB * 3 / 2]);
    const unsigned char* kept = first.get();
    first.reset();
    struct Case {
        std::size_t size;
        bool reused;
    };
    const Case cases[] = {
        {kMiB, true},            // half of the kept 2 MiB unused
        {200 << 10, true},       // 1.8 MiB unused: within one huge page
        {100 << 10, false},      // small blocks come from the heap
        {3 * kMiB + 1, false},   // too large: the kept block goes
    };
    for (const Case& c : cases) {
        std::unique_ptr<unsigned char[]> block(new unsigned char[c.size]);
        EXPECT_EQ(block.get() == kept, c.reused) << c.size;
        if (c.reused) {
            EXPECT_EQ(MappingLength(block.get()), 2 * kMiB) << c.size;
        }
        FillAndCheck(block.get(), c.size, 7);
    }
    // The last block, 3 MiB and a page, is kept now; 256 KiB would leave
    // more than a huge page of it unused.
    std::unique_ptr<unsigned char[]> small(new unsigned char[256 << 10]);
    EXPECT_EQ(MappingLength(small.get()), 0u);
}

TEST_F(LargeBuffers, AKeptBlockThatDoesNotSuitGoesBeforeTheHeapGrows) {
    if (!MapsLargeBlocks()) GTEST_SKIP() << "large blocks come from the heap in this build";
    DropKeptBlock();
    ::operator delete(::operator new(3 * kMiB));  // kept
    // Too small for it (2.5 MiB would stay unused): from the heap, and the
    // kept block is given back rather than held beside it...
    std::unique_ptr<unsigned char[]> heap(new unsigned char[512 << 10]);
    FillAndCheck(heap.get(), 512 << 10, 1);
    EXPECT_EQ(MappingLength(heap.get()), 0u);
    // ...so a block it would have suited gets a mapping of its own size.
    std::unique_ptr<unsigned char[]> block(new unsigned char[kMiB * 5 / 2]);
    FillAndCheck(block.get(), kMiB * 5 / 2, 2);
    EXPECT_EQ(MappingLength(block.get()), kMiB * 5 / 2);
}

TEST_F(LargeBuffers, BlocksOverFourMebibytesAreNotKept) {
    if (!MapsLargeBlocks()) GTEST_SKIP() << "large blocks come from the heap in this build";
    DropKeptBlock();
    ::operator delete(::operator new(5 * kMiB));
    // It would have suited this one: a mapping of 5 MiB would show it.
    std::unique_ptr<unsigned char[]> block(new unsigned char[kMiB * 9 / 2]);
    FillAndCheck(block.get(), kMiB * 9 / 2, 3);
    EXPECT_EQ(MappingLength(block.get()), kMiB * 9 / 2);
}

TEST_F(LargeBuffers, MoreLargeBlocksThanTheTableHoldsAreAllUsableAndFreed) {
    // 300 live blocks of 1 MiB: those past the table's room come from the
    // heap, and every one goes back to where it came from.
    for (int round = 0; round < 2; ++round) {
        std::vector<std::unique_ptr<unsigned char[]>> blocks;
        for (int i = 0; i < 300; ++i) {
            blocks.emplace_back(new unsigned char[kMiB]);
            blocks.back()[0] = static_cast<unsigned char>(i);
            blocks.back()[kMiB - 1] = static_cast<unsigned char>(i);
        }
        std::shuffle(blocks.begin(), blocks.end(), std::mt19937(static_cast<unsigned>(round)));
        for (auto& block : blocks) ASSERT_EQ(block[0], block[kMiB - 1]);
    }
    // Blocks that came from the heap gave back no claim on the huge pages'
    // allowance that they never had.
    DropKeptBlock();
    std::unique_ptr<unsigned char[]> block(new unsigned char[kMiB]);
    if (MapsLargeBlocks()) {
        EXPECT_EQ(MappingLength(block.get()), 2 * kMiB);
    }
}

TEST_F(LargeBuffers, ThreadsAllocatingAndFreeingLargeAndSmallBlocksDoNotMixThemUp) {
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            std::mt19937 random(t);
            std::vector<std::pair<std::unique_ptr<unsigned char[]>, std::size_t>> live;
            for (int i = 0; i < 200; ++i) {
                std::size_t size = random() % 2 ? random() % 4096 : kMiB + random() % (3 * kMiB);
                live.emplace_back(new unsigned char[size], size);
                std::memset(live.back().first.get(), static_cast<int>(t), size);
                if (live.size() > 6) {
                    auto& [block, length] = live[random() % live.size()];
                    for (std::size_t k = 0; k < length; k += 4096) ASSERT_EQ(block[k], t);
                    std::swap(live[random() % live.size()], live.back());
                    live.pop_back();
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
}

}  // namespace
}  // namespace idxfilter::cli
