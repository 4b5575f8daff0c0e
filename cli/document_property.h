// A document property as the library lends it: "title", "author", ...
#pragma once

#include <string>

namespace idxfilter::cli {

struct DocumentProperty {
    std::string name;
    std::string value;  // UTF-8
};

}  // namespace idxfilter::cli
