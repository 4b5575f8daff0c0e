// DocumentLoader: reads one document file whole and delivers its text as
// UTF-8, without byte-order mark and without terminator.
#pragma once

#include <cstdint>
#include <string>

namespace idxfilter {

class DocumentLoader {
public:
    explicit DocumentLoader(std::string path) : path(std::move(path)) {}

    // Replaces `out` by the file's text as UTF-8 and returns its byte
    // count, or returns -1, leaving `out` empty, when the file cannot be
    // opened or read. UTF-8 text is passed on unchecked, NUL bytes
    // included; ANSI text is converted up to its first NUL byte and UTF-16
    // text up to its first 0 unit.
    std::int64_t Load(std::string& out) const;

    // The same for a document already in memory, given as a file holds it.
    static std::int64_t Decode(std::string fileBytes, std::string& out);

private:
    const std::string path;
};

}  // namespace idxfilter
