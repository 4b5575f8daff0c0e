#include "platform/keeps_ascii.h"

#include "platform/code_pages.h"

namespace idxfilter {

bool KeepsAscii(unsigned codePage, unsigned flags) {
    for (int byte = 1; byte < 0x80; ++byte) {
        char in = static_cast<char>(byte);
        char16_t unit = 0;
        if (MultiByteToWide(codePage, flags, &in, 1, &unit, 1) != 1 || unit != byte) return false;
    }
    return true;
}

}  // namespace idxfilter
