#include "cli/file_filter.h"

#include "cli/failure_reason.h"
#include "cli/text_output.h"
#include "idxfilter.h"

namespace idxfilter::cli {
namespace {

struct Delivery {
    TextForm form;
    std::string bytes;
};

int IDXFILTER_SINK_CALL CollectText(const idx_char16* text, void* user) {
    auto* delivery = static_cast<Delivery*>(user);
    const char16_t* units = reinterpret_cast<const char16_t*>(text);
    std::size_t count = 0;
    while (units[count] != 0) ++count;
    delivery->bytes = delivery->form == TextForm::Utf16LittleEndian
                          ? Utf16ToLittleEndianBytes(units, count)
                          : Utf16ToDisplayUtf8(units, count);
    return 0;
}

}  // namespace

FilteredText FilterFile(const std::string& path, TextForm form) {
    Delivery delivery{form, {}};
    FilteredText filtered;
    filtered.result = idx_filter(path.c_str(), CollectText, &delivery);
    if (filtered.result < 0)
        filtered.reason = DescribeFailure(path);
    else
        filtered.text = std::move(delivery.bytes);
    return filtered;
}

}  // namespace idxfilter::cli
