// The whole filter on a file's bytes: reading, encoding detection, the
// ANSI, UTF-16 and UTF-8 loading paths, the RTF conversion and the UTF-16
// delivery, through the export itself.
//
// The bytes go into an in-memory file (memfd) that the export opens by its
// /proc path, so the very code a host runs reads them.
//
// Invariants: the sink is called at most once; the result is -1 exactly
// when it was not called, and otherwise the number of units before the
// terminator; the text holds no 0 unit; the size stays within a fixed
// multiple of the input; a second call delivers the same text; and for
// input the loader passes on unchanged (well-formed UTF-8 without mark) the
// delivery equals the converter's output decoded by WideBuffer.
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "text/utf8_codec.h"
#include "loading/wide_buffer.h"
#include "fuzz/fuzz_support.h"
#include "idxfilter.h"
#include "rtf/conversion_driver.h"

namespace {

struct Delivery {
    int calls = 0;
    std::u16string text;
};

int IDXFILTER_SINK_CALL RecordText(const idx_char16* text, void* user) {
    auto* delivery = static_cast<Delivery*>(user);
    ++delivery->calls;
    delivery->text.assign(reinterpret_cast<const char16_t*>(text));
    return 0;
}

class MemoryFile {
public:
    MemoryFile() : fd(::memfd_create("idxfilter-fuzz", MFD_CLOEXEC)) {
        FUZZ_CHECK(fd >= 0);
        path = "/proc/self/fd/" + std::to_string(fd);
    }
    void Replace(const std::uint8_t* data, std::size_t size) {
        FUZZ_CHECK(::ftruncate(fd, 0) == 0);
        std::size_t done = 0;
        while (done < size) {
            ssize_t written = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            FUZZ_CHECK(written > 0);
            done += static_cast<std::size_t>(written);
        }
    }
    const char* Path() const { return path.c_str(); }

private:
    int fd;
    std::string path;
};

Delivery Filter(const char* path, std::int32_t& result) {
    Delivery delivery;
    result = idx_filter(path, RecordText, &delivery);
    return delivery;
}

bool StartsWith(const std::uint8_t* data, std::size_t size, const char* mark) {
    std::size_t length = std::strlen(mark);
    return size >= length && std::memcmp(data, mark, length) == 0;
}

// Input the loader hands to the converter exactly as it stands.
bool PassesLoaderUnchanged(const std::uint8_t* data, std::size_t size) {
    if (StartsWith(data, size, "\xFF\xFE") || StartsWith(data, size, "\xFE\xFF") ||
        StartsWith(data, size, "\xEF\xBB\xBF"))
        return false;
    const void* nul = size > 0 ? std::memchr(data, 0, size) : nullptr;
    std::size_t length = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data) : size;
    const char* text = reinterpret_cast<const char*>(data);
    return idxfilter::IsWellFormedUtf8(text, text + length);
}

std::u16string ExpectedFromCore(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::strlen(text.c_str()));
    std::string plain = idxfilter::ConvertRtfToText(std::move(text));
    plain.resize(std::strlen(plain.c_str()));
    idxfilter::WideBuffer wide(plain, true);
    return std::u16string(wide.CStr(), wide.Size() - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    idxfilter::fuzz::UseAnsiCodePageFor(data, size);
    file.Replace(data, size);

    std::int32_t result;
    Delivery delivery = Filter(file.Path(), result);
    FUZZ_CHECK(delivery.calls <= 1);
    if (delivery.calls == 0) {
        FUZZ_CHECK(result == -1);
    } else {
        FUZZ_CHECK(result > 0);
        FUZZ_CHECK(static_cast<std::size_t>(result) == delivery.text.size());
    }
    // Every input byte yields at most a few units: markers (" [PICTURE] "
    // for "\pict") and link notes are the largest expansions.
    FUZZ_CHECK(delivery.text.size() <= 3 * size + 2);

    std::int32_t again;
    Delivery second = Filter(file.Path(), again);
    FUZZ_CHECK(again == result);
    FUZZ_CHECK(second.calls == delivery.calls && second.text == delivery.text);

    if (PassesLoaderUnchanged(data, size)) FUZZ_CHECK(delivery.text == ExpectedFromCore(data, size));

    FUZZ_CHECK(idx_filter(file.Path(), nullptr, nullptr) == -1);
    return 0;
}
