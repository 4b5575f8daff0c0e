// Faults a host can meet: sinks that throw, missing arguments, paths that
// name no regular file, files that change between calls, names in any
// bytes, locked files. Each call keeps the export's contract: -1 without a
// sink call, or the text delivered exactly once; nothing escapes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "idxfilter.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>
#endif

namespace idxfilter {
namespace {

using testing::Delivery;
using testing::FilterFile;
using testing::TempFile;

constexpr const char* kRtf = "{\\rtf1{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0 Hello\\par world}";
constexpr const char16_t* kRtfText = u"Hello\r\nworld";

// --- Sinks that throw -------------------------------------------------------

struct HostError {  // a host's own exception type, not derived from std::exception
    int code;
};

struct ThrowingSink {
    const char* name;
    std::function<void()> raise;
};

void PrintTo(const ThrowingSink& s, std::ostream* os) { *os << s.name; }

struct ThrowState {
    const ThrowingSink* sink;
    int calls = 0;
};

int IDXFILTER_SINK_CALL CallThrowingSink(const idx_char16*, void* user) {
    auto* state = static_cast<ThrowState*>(user);
    ++state->calls;
    state->sink->raise();
    return 0;
}

class SinkThrows : public ::testing::TestWithParam<ThrowingSink> {};

TEST_P(SinkThrows, GivesMinusOneAfterOneCall) {
    TempFile file(kRtf);
    ThrowState state{&GetParam()};
    EXPECT_EQ(idx_filter(file.Path().c_str(), CallThrowingSink, &state), -1);
    EXPECT_EQ(state.calls, 1);
    // The filter holds nothing from the aborted call: the next one delivers.
    Delivery delivery = FilterFile(file.Path().c_str());
    EXPECT_EQ(delivery.text, kRtfText);
}

INSTANTIATE_TEST_SUITE_P(
    , SinkThrows,
    ::testing::Values(ThrowingSink{"RuntimeError", [] { throw std::runtime_error("host"); }},
                      ThrowingSink{"BadAlloc", [] { throw std::bad_alloc(); }},
                      ThrowingSink{"Int", [] { throw 42; }},
                      ThrowingSink{"CString", [] { throw "host"; }},
                      ThrowingSink{"HostType", [] { throw HostError{7}; }},
                      ThrowingSink{"HeapString", [] { throw std::string(1000, 'x'); }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Missing arguments ------------------------------------------------------

int IDXFILTER_SINK_CALL CountingSink(const idx_char16*, void* user) {
    ++*static_cast<int*>(user);
    return 0;
}

TEST(MissingArguments, GiveMinusOneWithoutCallingAnything) {
    TempFile file(kRtf);
    int calls = 0;
    EXPECT_EQ(idx_filter(nullptr, CountingSink, &calls), -1);
    EXPECT_EQ(idx_filter(nullptr, nullptr, &calls), -1);
    EXPECT_EQ(idx_filter(file.Path().c_str(), nullptr, &calls), -1);
    EXPECT_EQ(idx_filter(file.Path().c_str(), nullptr, nullptr), -1);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(idx_filter(file.Path().c_str(), CountingSink, &calls), 12);
    EXPECT_EQ(calls, 1);
}

// --- Paths that name no readable regular file -------------------------------

struct PathCase {
    const char* name;
    std::function<std::string(const std::filesystem::path& folder)> make;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

class NotARegularFile : public ::testing::TestWithParam<PathCase> {};

TEST_P(NotARegularFile, GivesMinusOneWithoutCallingSink) {
    TempFile file(kRtf);
    std::filesystem::path folder = std::filesystem::path(file.Path()).parent_path();
    std::string path = GetParam().make(folder);
    Delivery delivery = FilterFile(path.c_str());
    EXPECT_EQ(delivery.result, -1) << path;
    EXPECT_EQ(delivery.calls, 0) << path;
}

std::vector<PathCase> NonRegularPaths() {
    std::vector<PathCase> cases = {
        {"Folder", [](const auto& folder) { return folder.string(); }},
        {"FolderWithSeparator", [](const auto& folder) { return (folder / "").string(); }},
        {"Missing", [](const auto& folder) { return (folder / "missing.rtf").string(); }},
        {"MissingFolder", [](const auto& folder) { return (folder / "no" / "document").string(); }},
        {"FileUsedAsFolder", [](const auto& folder) { return (folder / "document" / "x").string(); }},
        {"Empty", [](const auto&) { return std::string(); }},
    };
#ifndef _WIN32
    std::vector<PathCase> posix = {
        {"DevZero", [](const auto&) { return std::string("/dev/zero"); }},
        {"DevNull", [](const auto&) { return std::string("/dev/null"); }},
        {"DanglingLink",
         [](const auto& folder) {
             std::filesystem::create_symlink(folder / "gone", folder / "dangling");
             return (folder / "dangling").string();
         }},
        {"LinkLoop",
         [](const auto& folder) {
             std::filesystem::create_symlink(folder / "loop", folder / "loop");
             return (folder / "loop").string();
         }},
        {"UnixSocket",
         [](const auto& folder) {
             std::string path = (folder / "socket").string();
             sockaddr_un address = {};
             address.sun_family = AF_UNIX;
             path.copy(address.sun_path, sizeof address.sun_path - 1);
             int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
             // Left open for the process's lifetime: the name must stay bound.
             ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
             return path;
         }},
    };
    for (auto& c : posix) cases.push_back(c);
#endif
    return cases;
}

INSTANTIATE_TEST_SUITE_P(, NotARegularFile, ::testing::ValuesIn(NonRegularPaths()),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Files that change between calls ----------------------------------------

TEST(ChangingFile, EachCallReadsTheFileAsItIsThen) {
    TempFile file(kRtf);
    const std::string path = file.Path();
    EXPECT_EQ(FilterFile(path.c_str()).text, kRtfText);

    std::filesystem::remove(path);
    Delivery vanished = FilterFile(path.c_str());
    EXPECT_EQ(vanished.result, -1);
    EXPECT_EQ(vanished.calls, 0);

    std::ofstream(path, std::ios::binary) << "{\\rtf1 again}";
    EXPECT_EQ(FilterFile(path.c_str()).text, u"again");

    std::ofstream(path, std::ios::binary | std::ios::trunc).flush();
    Delivery emptied = FilterFile(path.c_str());
    EXPECT_EQ(emptied.result, -1);
    EXPECT_EQ(emptied.calls, 0);
}

#ifdef _WIN32
// A file larger than the process can hold (sizes are held in 32 bits, and
// a 32-bit process has 2 GiB of address space) gives -1, without the sink
// and without taking the process down. The files are sparse: nothing is
// written but their length.
TEST(HugeFile, GivesMinusOneWithoutCallingSink) {
    std::vector<std::uintmax_t> sizes = {std::uintmax_t{3} << 30};
    if (sizeof(void*) == 4) sizes.push_back(std::uintmax_t{1900} << 20);
    for (std::uintmax_t size : sizes) {
        TempFile file("{\\rtf1 start");
        std::filesystem::resize_file(file.Path(), size);
        Delivery delivery = FilterFile(file.Path().c_str());
        EXPECT_EQ(delivery.result, -1) << size;
        EXPECT_EQ(delivery.calls, 0) << size;
    }
}
#endif

// --- Names in any bytes -----------------------------------------------------

struct NameCase {
    const char* name;
    std::string fileName;  // passed to the file system unchanged, as the filter does
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class FileNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNames, ReachTheFileSystemUnchanged) {
    TempFile file("x");
    std::string path =
        (std::filesystem::path(file.Path()).parent_path() / "").string() + GetParam().fileName;
    // Made with the same 8-bit file API the filter uses, so the name means
    // the same on both sides whatever the system's code page.
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) GTEST_SKIP() << "the file system refuses this name here";
    std::fputs(kRtf, out);
    std::fclose(out);
    Delivery delivery = FilterFile(path.c_str());
    EXPECT_EQ(delivery.result, 12);
    EXPECT_EQ(delivery.text, kRtfText);
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    , FileNames,
    ::testing::Values(NameCase{"Utf8", "caf\xC3\xA9 \xE6\x96\x87\xE6\x9B\xB8.rtf"},
                      NameCase{"Latin1", "caf\xE9 r\xE9sum\xE9.rtf"},
                      NameCase{"Blanks", "  leading and trailing  "},
                      NameCase{"Punctuation", "a;b,c=d+e[f]{g}#h%i&j'k.rtf"},
                      NameCase{"LongName", std::string(150, 'n') + ".rtf"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Locked files -----------------------------------------------------------

#ifdef _WIN32

// A file another handle holds without sharing cannot be opened: -1.
TEST(LockedFile, OpenedExclusivelyElsewhereGivesMinusOne) {
    TempFile file(kRtf);
    HANDLE exclusive = CreateFileA(file.Path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    Delivery delivery = FilterFile(file.Path().c_str());
    CloseHandle(exclusive);
    EXPECT_EQ(delivery.result, -1);
    EXPECT_EQ(delivery.calls, 0);
    EXPECT_EQ(FilterFile(file.Path().c_str()).text, kRtfText);
}

#else

// Locks are advisory here: a locked file reads as any other.
TEST(LockedFile, AdvisoryLocksDoNotStopReading) {
    TempFile file(kRtf);
    int fd = ::open(file.Path().c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    struct flock range = {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_SETLK, &range), 0);
    Delivery delivery = FilterFile(file.Path().c_str());
    ::close(fd);
    EXPECT_EQ(delivery.result, 12);
    EXPECT_EQ(delivery.text, kRtfText);
}

// --- FIFOs ------------------------------------------------------------------

// Runs the filter on `path` on another thread; when it has not returned
// after a few seconds, a writer is opened on the FIFO to release it, so
// that a blocking open fails the test instead of hanging the suite.
Delivery FilterFifoWithDeadline(const std::string& path, bool& returnedInTime) {
    auto call = std::async(std::launch::async, [&path] { return FilterFile(path.c_str()); });
    returnedInTime = call.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!returnedInTime) {
        int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
    }
    return call.get();
}

TEST(Fifo, WithoutWriterGivesMinusOneAtOnce) {
    TempFile file("x");
    std::string fifo = file.Path() + ".fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    bool returnedInTime = false;
    Delivery delivery = FilterFifoWithDeadline(fifo, returnedInTime);
    EXPECT_TRUE(returnedInTime) << "opening a FIFO without writer blocked the call";
    EXPECT_EQ(delivery.result, -1);
    EXPECT_EQ(delivery.calls, 0);
    std::filesystem::remove(fifo);
}

TEST(Fifo, WithWriterAndDataIsNotRead) {
    TempFile file("x");
    std::string fifo = file.Path() + ".fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // This process holds both ends, so the FIFO has a writer and data.
    int both = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(both, 0);
    ASSERT_EQ(::write(both, kRtf, 10), 10);
    bool returnedInTime = false;
    Delivery delivery = FilterFifoWithDeadline(fifo, returnedInTime);
    EXPECT_TRUE(returnedInTime);
    EXPECT_EQ(delivery.result, -1);
    EXPECT_EQ(delivery.calls, 0);
    char left[16];
    EXPECT_EQ(::read(both, left, sizeof left), 10) << "the filter consumed the FIFO's data";
    ::close(both);
    std::filesystem::remove(fifo);
}

// A file that is not regular is never opened, for opening one can have
// effects of its own (a device rewinds; here, a writer waiting for a
// reader is let through).
TEST(Fifo, IsNotEvenOpened) {
    TempFile file("x");
    std::string fifo = file.Path() + ".fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto writer = std::async(std::launch::async, [&fifo] { return ::open(fifo.c_str(), O_WRONLY); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the writer is waiting
    Delivery delivery = FilterFile(fifo.c_str());
    EXPECT_EQ(delivery.result, -1);
    bool opened = writer.wait_for(std::chrono::milliseconds(300)) == std::future_status::ready;
    EXPECT_FALSE(opened) << "the filter opened the FIFO";
    if (!opened) {  // lets the waiting writer through
        int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        int writing = writer.get();
        ::close(reader);
        if (writing >= 0) ::close(writing);
    } else if (int writing = writer.get(); writing >= 0) {
        ::close(writing);
    }
    std::filesystem::remove(fifo);
}

TEST(UnreadableFile, GivesMinusOne) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    TempFile file(kRtf);
    ASSERT_EQ(::chmod(file.Path().c_str(), 0), 0);
    Delivery delivery = FilterFile(file.Path().c_str());
    EXPECT_EQ(delivery.result, -1);
    EXPECT_EQ(delivery.calls, 0);
}

TEST(SymbolicLink, ToARegularFileIsFollowed) {
    TempFile file(kRtf);
    std::string link = file.Path() + ".link";
    std::filesystem::create_symlink(file.Path(), link);
    EXPECT_EQ(FilterFile(link.c_str()).text, kRtfText);
    std::filesystem::remove(link);
}

#endif

}  // namespace
}  // namespace idxfilter
