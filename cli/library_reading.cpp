#include "cli/library_reading.h"

#include "cli/text_output.h"
#include "idxfilter.h"

namespace idxfilter::cli {
namespace {

// The exact reader's text is asked for as UTF-16, the units the export
// lends, whatever the form the tool writes: the tool encodes them a slice
// at a time, so that the library never holds both encodings of a whole
// text at once.
bool AsksForUnits(const ReadingOptions& reading, TextForm form) {
    return reading.reader == ReaderChoice::Exact || form == TextForm::Utf16LittleEndian;
}

struct Receiver {
    TextForm form;
    bool units;  // the library lends UTF-16
    std::FILE* out;
    LibraryText& received;
};

// The library lends UTF-16 as units in the machine's order, counted in bytes.
void ReceiveUnits(const char* text, std::size_t length, Receiver& receiver) {
    const auto* units = reinterpret_cast<const char16_t*>(text);
    const std::size_t count = length / 2;
    const bool utf8 = receiver.form == TextForm::Utf8;
    if (receiver.out != nullptr)
        WriteUtf16(units, count, utf8, receiver.out);
    else
        receiver.received.text = utf8 ? Utf16ToDisplayUtf8(units, count) : Utf16ToLittleEndianBytes(units, count);
}

void ReceiveText(const char* text, std::size_t length, void* user) {
    auto& receiver = *static_cast<Receiver*>(user);
    if (receiver.units) return ReceiveUnits(text, length, receiver);
    if (receiver.out != nullptr)
        std::fwrite(text, 1, length, receiver.out);
    else
        receiver.received.text.assign(text, length);
}

void ReceiveProperty(const char* name, const char* value, std::size_t length, void* user) {
    static_cast<Receiver*>(user)->received.properties.push_back({name, std::string(value, length)});
}

idx_extract_options OptionsFor(const ReadingOptions& reading, bool units) {
    idx_extract_options options{};
    options.struct_size = sizeof options;
    options.reader = reading.reader == ReaderChoice::Exact ? IDX_READER_EXACT : IDX_READER_COMPLETE;
    options.ansi_code_page = LibraryCodePage(reading);
    options.text_form = units ? IDX_TEXT_UTF16 : IDX_TEXT_UTF8;
    return options;
}

}  // namespace

LibraryText ReadThroughLibrary(const std::string& path, const ReadingOptions& reading, TextForm form,
                               std::FILE* out) {
    LibraryText received;
    Receiver receiver{form, AsksForUnits(reading, form), out, received};
    idx_extract_options options = OptionsFor(reading, receiver.units);
    received.result =
        idx_extract_path(path.c_str(), &options, ReceiveText, ReceiveProperty, &receiver, &received.reason);
    if (received.result < 0) {
        received.text.clear();
        received.properties.clear();
    }
    return received;
}

// The library refuses a code page it cannot read in before it looks at
// the document, so an empty one asks the question.
bool IsUsableAnsiCodePage(unsigned codePage) {
    if (codePage == 0 || codePage == IDX_ANSI_CODE_PAGE_GUESS) return false;
    idx_extract_options options{};
    options.struct_size = sizeof options;
    options.reader = IDX_READER_EXACT;
    options.ansi_code_page = codePage;
    int reason = IDX_REASON_NONE;
    idx_extract_bytes("", 0, &options, [](const char*, std::size_t, void*) {}, nullptr, nullptr, &reason);
    return reason != IDX_REASON_BAD_ARGUMENT;
}

}  // namespace idxfilter::cli
