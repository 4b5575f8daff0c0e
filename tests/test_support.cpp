#include "test_support.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cstdio>
#include <fstream>

#include "idxfilter.h"
#include "platform/code_pages.h"
#include "rtf/conversion_driver.h"

namespace idxfilter::testing {
namespace {

std::filesystem::path FreshFolder() {
    static std::atomic<unsigned> counter{0};
    for (;;) {
        auto folder = std::filesystem::temp_directory_path() /
                      ("idxfilter-test-" + std::to_string(std::rand()) + "-" +
                       std::to_string(counter.fetch_add(1)));
        if (std::filesystem::create_directory(folder)) return folder;
    }
}

int IDXFILTER_SINK_CALL RecordingSink(const idx_char16* text, void* user) {
    auto* delivery = static_cast<Delivery*>(user);
    ++delivery->calls;
    delivery->text.assign(reinterpret_cast<const char16_t*>(text));
    return 0;
}

}  // namespace

std::string UnitsToUtf8(std::u16string_view units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

TempFile::TempFile(std::string_view bytes, std::string_view name)
    : folder(FreshFolder()), path(folder / std::string(name)) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TempFile::~TempFile() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

Delivery FilterFile(const char* path) {
    Delivery delivery;
    delivery.result = idx_filter(path, RecordingSink, &delivery);
    return delivery;
}

Delivery FilterBytes(std::string_view bytes) {
    TempFile file(bytes);
    return FilterFile(file.Path().c_str());
}

std::string FilterToUtf8(std::string_view bytes) { return UnitsToUtf8(FilterBytes(bytes).text); }

std::string Convert(std::string_view rtf) { return ConvertRtfToText(std::string(rtf)); }

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int v : values) bytes += static_cast<char>(v);
    return bytes;
}

std::u16string Units(std::initializer_list<int> values) {
    std::u16string units;
    for (int v : values) units += static_cast<char16_t>(v);
    return units;
}

unsigned CurrentAnsiCodePage() { return AnsiCodePage(); }

std::string Hex(std::string_view bytes) {
    std::string out;
    char buffer[4];
    for (unsigned char b : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", b);
        out += buffer;
    }
    return out;
}

std::string Hex(std::u16string_view units) {
    std::string out;
    char buffer[6];
    for (char16_t u : units) {
        std::snprintf(buffer, sizeof buffer, "%04X ", unsigned(u));
        out += buffer;
    }
    return out;
}

std::string Repeat(const std::string& piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

void RunWithStack(std::size_t stackSize, std::function<void()> work) {
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, stackSize), 0);
    pthread_t thread;
    auto body = [](void* argument) -> void* {
        (*static_cast<std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, body, &work), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

}  // namespace idxfilter::testing
