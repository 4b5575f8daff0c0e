// The code-page services the filter needs, shaped after the Win32 calls.
//
// Two backends implement this header, chosen by the build: win32/ forwards
// to GetACP, MultiByteToWideChar and WideCharToMultiByte; portable/
// reproduces what those calls do from tables recorded on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace idxfilter {

// MB_ERR_INVALID_CHARS: fail the whole conversion on any sequence that is
// invalid in the code page, instead of substituting a character for it.
inline constexpr unsigned kStrictConversion = 8;

// The code page that stands for the system's ANSI code page
// (CP_ACP when passed as a code page).
inline constexpr unsigned kAnsiCodePageAlias = 0;

// The system's ANSI code page, asked afresh at every call.
unsigned AnsiCodePage();

// Converts `byteCount` bytes (no terminator implied) of code page
// `codePage` to UTF-16. With `unitCapacity` 0 it only counts. Returns the
// number of units written (or needed), or 0 on failure: an unknown code
// page, flags the code page refuses, a strict conversion that meets an
// invalid sequence, or an output buffer that is too small.
int MultiByteToWide(unsigned codePage, unsigned flags, const char* bytes, int byteCount,
                    char16_t* units, int unitCapacity);

// Converts `unitCount` UTF-16 units to code page `codePage` with flags 0:
// characters the code page lacks become its best-fit or default character.
// Same counting and failure conventions as MultiByteToWide.
int WideToMultiByte(unsigned codePage, const char16_t* units, int unitCount, char* bytes,
                    int byteCapacity);

// Portable backend only: sets the code page that AnsiCodePage reports
// (1252 until set). Returns false, changing nothing, when the backend
// cannot use that code page as an ANSI code page. Safe to call while
// other threads convert; a conversion already running may see either
// value. The Win32 backend always returns false: there the system decides.
bool SetAnsiCodePage(unsigned codePage);

// Keeps AnsiCodePage, on the calling thread, at the value it has when the
// object is made, until the object goes: one call of the filter converts
// in one ANSI code page even when SetAnsiCodePage runs meanwhile. Holds
// nest. The Win32 backend keeps nothing: there the system's code page does
// not change under a running process.
class AnsiCodePageHold {
public:
    AnsiCodePageHold();
    // Holds `codePage` instead, when the backend can use it as the ANSI
    // code page (else the value AnsiCodePage has now): one call converting
    // in a code page of its caller's choice, whatever the process uses.
    explicit AnsiCodePageHold(unsigned codePage);
    ~AnsiCodePageHold();
    AnsiCodePageHold(const AnsiCodePageHold&) = delete;
    AnsiCodePageHold& operator=(const AnsiCodePageHold&) = delete;

private:
    unsigned previous;
};

// True when the backend can use `codePage` as the ANSI code page.
bool IsAnsiCodePageAvailable(unsigned codePage);

// Code-page bytes to UTF-8: the one road that text in a code page takes.
// Appends to `out` the UTF-8 of the units that MultiByteToWide(codePage,
// flags) gives for `bytes`, each unit encoded by itself, up to the first 0
// unit; the units after it are left out. Returns false, with `out` as it
// was, when that conversion fails (an unknown code page, flags the code
// page refuses, a strict conversion that meets an invalid sequence). Empty
// bytes append nothing and succeed. Any length: where the backend converts in slices,
// it cuts them only where that changes nothing.
//
// The Win32 backend converts through MultiByteToWideChar and the UTF-8
// encoder; the portable one goes straight from its tables to UTF-8.
bool AppendCodePageAsUtf8(unsigned codePage, unsigned flags, std::string_view bytes, std::string& out);

// The same road for a whole text that is not needed afterwards: `text`
// becomes what AppendCodePageAsUtf8 appends for it, converted within its
// own buffer where the backend can (the portable one, for single-byte
// code pages when the buffer's capacity holds the result), so that a
// second buffer of the text's size is not needed. False, with `text` as
// it was, when the conversion fails.
bool ConvertCodePageToUtf8(unsigned codePage, unsigned flags, std::string& text);

// Portable backend only: when `codePage` is a single-byte code page, whose
// conversion with flags 0 takes every byte by itself, whatever stands
// around it, fills `units` with the unit each byte converts to and
// returns true. False otherwise, and always from the Win32 backend. (The
// complete reader's plain-text decoding builds its own tables from it.)
bool SingleByteUnits(unsigned codePage, char16_t (&units)[256]);

}  // namespace idxfilter
