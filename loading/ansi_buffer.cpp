#include "loading/ansi_buffer.h"

#include <climits>
#include <cstring>

#include "platform/code_pages.h"

namespace idxfilter {

AnsiBuffer::AnsiBuffer(const char16_t* units, bool terminated) : terminated(terminated) {
    if (units == nullptr) return;
    std::size_t count = 0;
    while (units[count] != 0) ++count;
    Convert(units, count);
}

AnsiBuffer::AnsiBuffer(const char16_t* units, std::size_t count, bool terminated)
    : terminated(terminated) {
    if (units == nullptr) return;
    std::size_t length = 0;
    while (length < count && units[length] != 0) ++length;
    Convert(units, length);
}

void AnsiBuffer::Convert(const char16_t* units, std::size_t count) {
    if (count > 0 && count <= INT_MAX) {
        unsigned codePage = AnsiCodePage();
        int unitCount = static_cast<int>(count);
        int size = WideToMultiByte(codePage, units, unitCount, nullptr, 0);
        if (size > 0) {
            bytes.resize(static_cast<std::size_t>(size));
            WideToMultiByte(codePage, units, unitCount, bytes.data(), size);
        }
    }
    if (terminated) bytes.push_back('\0');
}

std::string AnsiBuffer::Str() const { return std::string(bytes.c_str()); }

std::string AnsiBuffer::TakeStr() {
    std::string result = std::move(bytes);
    const void* nul = std::memchr(result.data(), 0, result.size());
    if (nul) result.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - result.data()));
    return result;
}

}  // namespace idxfilter
