#include "reader_test_support.h"

#include <pthread.h>

#include <stdexcept>

#include "complete/rtf_reader.h"

namespace idxfilter::complete::testing {

std::string Text(std::string_view rtf, unsigned ansiCodePage, bool utf8Input) {
    return ReadRtf(rtf, ansiCodePage, utf8Input).text;
}

std::string Repeat(std::string_view piece, std::size_t count) {
    std::string s;
    s.reserve(piece.size() * count);
    for (std::size_t i = 0; i < count; ++i) s.append(piece);
    return s;
}

bool IsWellFormedUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        std::size_t n;
        char32_t c;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            n = 2;
            c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            n = 3;
            c = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            n = 4;
            c = b & 0x07;
        } else {
            return false;
        }
        if (i + n > text.size()) return false;
        for (std::size_t k = 1; k < n; ++k) {
            auto t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3F);
        }
        constexpr char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += n;
    }
    return true;
}

void RunWithStack(std::size_t stackSize, std::function<void()> work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackSize);
    pthread_t thread;
    auto entry = [](void* argument) -> void* {
        (*static_cast<std::function<void()>*>(argument))();
        return nullptr;
    };
    int started = pthread_create(&thread, &attributes, entry, &work);
    pthread_attr_destroy(&attributes);
    if (started != 0) throw std::runtime_error("cannot start a thread");
    pthread_join(thread, nullptr);
}

}  // namespace idxfilter::complete::testing
