// Helpers shared by the tests: temporary files, running the export, and
// spelling byte and unit sequences.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace idxfilter::testing {

// A file in a fresh temporary folder, removed with the object.
class TempFile {
public:
    explicit TempFile(std::string_view bytes, std::string_view name = "document");
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    std::string Path() const { return path.string(); }

private:
    std::filesystem::path folder;
    std::filesystem::path path;
};

struct Delivery {
    std::int32_t result = -1;
    int calls = 0;
    std::u16string text;  // what the sink received, up to the terminator
};

// Calls idx_filter on `path` with a sink that records what it receives.
Delivery FilterFile(const char* path);

// Writes `bytes` to a temporary file and filters it.
Delivery FilterBytes(std::string_view bytes);

// The filter's text for a file holding `bytes`, as UTF-8 (pairs joined).
std::string FilterToUtf8(std::string_view bytes);

// UTF-16 units as UTF-8: pairs joined, an unpaired surrogate written in
// the three-byte form of its value, so that no unit is lost.
std::string UnitsToUtf8(std::u16string_view units);

// ConvertRtfToText on a copy of `rtf`.
std::string Convert(std::string_view rtf);

// Readable spellings: Bytes({0xC3, 0xA9}) and Units({0xD83D, 0xDE00}).
std::string Bytes(std::initializer_list<int> values);
std::u16string Units(std::initializer_list<int> values);

// `piece` written `times` times.
std::string Repeat(const std::string& piece, std::size_t times);

// Runs `work` on a thread whose stack is `stackSize` bytes and waits for it.
void RunWithStack(std::size_t stackSize, std::function<void()> work);

// The system's ANSI code page (what the platform layer reports now).
unsigned CurrentAnsiCodePage();

// For printing in failures.
std::string Hex(std::string_view bytes);
std::string Hex(std::u16string_view units);

}  // namespace idxfilter::testing

// Skips the current test unless the ANSI code page is `codePage`.
#define REQUIRE_ANSI_CODE_PAGE(codePage)                                                      \
    do {                                                                                      \
        if (::idxfilter::testing::CurrentAnsiCodePage() != (codePage))                        \
            GTEST_SKIP() << "needs ANSI code page " << (codePage);                            \
    } while (0)
