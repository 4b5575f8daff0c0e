#include "platform/file_reading.h"

#include <windows.h>

#include <cstdint>

namespace idxfilter {
namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle(handle) {}
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    const HANDLE handle;
};

constexpr DWORD kReadChunk = 64u << 20;

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, unsigned spareEighths) {
    bytes.clear();
    // The path is in the ANSI code page, as the host hands it over. Other
    // processes may go on reading, writing and deleting the file meanwhile.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.handle == INVALID_HANDLE_VALUE) return false;
    if (GetFileType(file.handle) != FILE_TYPE_DISK) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.handle, &size)) return false;
    // Sizes are held in 32 bits; a larger file cannot be held by this process anyway.
    if (size.QuadPart < 0 || size.QuadPart > INT32_MAX) return false;
    SizeForReading(bytes, static_cast<std::size_t>(size.QuadPart), spareEighths);
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t left = bytes.size() - done;
        DWORD want = left < kReadChunk ? static_cast<DWORD>(left) : kReadChunk;
        DWORD got = 0;
        if (!ReadFile(file.handle, bytes.data() + done, want, &got, nullptr)) {
            bytes.clear();
            return false;
        }
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return true;
}

}  // namespace idxfilter
