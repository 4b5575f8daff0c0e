// The export: the whole of the filter's contract with its host.
#include "idxfilter.h"

#include "extraction/filter_document.h"

extern "C" int32_t IDXFILTER_CALL idx_filter(const char* path, idx_text_sink sink, void* user) {
    return idxfilter::FilterDocument(path, sink, user, nullptr);
}
