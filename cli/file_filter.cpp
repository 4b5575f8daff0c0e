#include "cli/file_filter.h"

#include "cli/failure_reason.h"

namespace idxfilter::cli {
namespace {

FilteredText Filter(const FilterInput& input, TextForm form, const ReadingOptions& reading, std::FILE* out) {
    FilteredText filtered;
    if (!input.Reason().empty()) {
        filtered.reason = input.Reason();
        return filtered;
    }
    LibraryText read = ReadThroughLibrary(input.Path(), reading, form, out);
    filtered.result = read.result;
    if (read.result < 0) {
        filtered.reason = ReasonForLibraryFailure(read.reason, reading.reader, input.Empty());
        return filtered;
    }
    filtered.text = std::move(read.text);
    filtered.properties = std::move(read.properties);
    return filtered;
}

}  // namespace

FilteredText FilterFile(const FilterInput& input, TextForm form, const ReadingOptions& reading) {
    return Filter(input, form, reading, nullptr);
}

FilteredText FilterFileTo(const FilterInput& input, TextForm form, const ReadingOptions& reading, std::FILE* out) {
    return Filter(input, form, reading, out);
}

}  // namespace idxfilter::cli
