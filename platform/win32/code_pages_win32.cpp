// Win32 backend: the system's own code-page services.
#include "platform/code_pages.h"

#include <windows.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected on Windows");

namespace idxfilter {

unsigned AnsiCodePage() { return GetACP(); }

int MultiByteToWide(unsigned codePage, unsigned flags, const char* bytes, int byteCount,
                    char16_t* units, int unitCapacity) {
    return MultiByteToWideChar(codePage, flags, bytes, byteCount,
                               reinterpret_cast<wchar_t*>(units), unitCapacity);
}

int WideToMultiByte(unsigned codePage, const char16_t* units, int unitCount, char* bytes,
                    int byteCapacity) {
    return WideCharToMultiByte(codePage, 0, reinterpret_cast<const wchar_t*>(units), unitCount,
                               bytes, byteCapacity, nullptr, nullptr);
}

bool SetAnsiCodePage(unsigned) { return false; }

AnsiCodePageHold::AnsiCodePageHold() : previous(0) {}

AnsiCodePageHold::AnsiCodePageHold(unsigned) : previous(0) {}

AnsiCodePageHold::~AnsiCodePageHold() = default;

bool IsAnsiCodePageAvailable(unsigned codePage) { return codePage == GetACP(); }

bool SingleByteUnits(unsigned, char16_t (&)[256]) { return false; }

bool AppendMultiByteAsUtf8(unsigned, unsigned, const char*, std::size_t, std::string&) { return false; }

}  // namespace idxfilter
