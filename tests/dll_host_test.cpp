// Loads the DLL the way a host indexing application does and calls it
// through a __stdcall pointer: by name and by ordinal 1, many times, and
// checks the version resource. Exit status 0 when everything holds.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

typedef int(__cdecl* TextSink)(const wchar_t* text, void* user);
typedef int(__stdcall* FilterFunction)(const char* path, TextSink sink, void* user);

int failures = 0;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

struct Received {
    int calls = 0;
    std::wstring text;
};

int __cdecl Sink(const wchar_t* text, void* user) {
    auto* received = static_cast<Received*>(user);
    ++received->calls;
    received->text = text;
    return 12345;
}

std::string WriteDocument(const char* name, const char* bytes) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string path = std::string(folder) + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes, 1, std::strlen(bytes), f);
    std::fclose(f);
    return path;
}

std::wstring VersionString(const std::wstring& block, const wchar_t* name) {
    return block + L"\\" + name;
}

void CheckVersionResource(const char* dllPath) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(dllPath, &ignored);
    Check(size > 0, "version resource present");
    if (size == 0) return;
    std::string data(size, '\0');
    Check(GetFileVersionInfoA(dllPath, 0, size, data.data()) != 0, "GetFileVersionInfo");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    Check(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed,
          "fixed file info");
    if (fixed) {
        Check(fixed->dwFileVersionMS == MAKELONG(2, 2) && fixed->dwFileVersionLS == MAKELONG(13, 0),
              "file version 2.2.0.13");
        Check(fixed->dwProductVersionMS == MAKELONG(2, 2) &&
                  fixed->dwProductVersionLS == MAKELONG(13, 0),
              "product version 2.2.0.13");
    }
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    Check(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                         reinterpret_cast<void**>(&translation), &length) &&
              length >= sizeof(Translation) && translation->language == 0x0409 &&
              translation->codePage == 0x04B0,
          "translation 0409 04B0");
    std::wstring block = L"\\StringFileInfo\\040904B0";
    struct Expected {
        const wchar_t* name;
        const wchar_t* value;
    } expected[] = {{L"Comments", L"Brenmoor RTF Filter"},
                    {L"FileDescription", L"Brenmoor RTF Filter"},
                    {L"ProductName", L"Brenmoor RTF Filter"},
                    {L"FileVersion", L"2, 2, 0, 13"},
                    {L"ProductVersion", L"2, 2, 0, 13"}};
    std::wstring wideData(size, L'\0');
    std::wstring wideDll(dllPath, dllPath + std::strlen(dllPath));
    GetFileVersionInfoW(wideDll.c_str(), 0, size * sizeof(wchar_t), wideData.data());
    for (const Expected& e : expected) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        bool found = VerQueryValueW(wideData.data(), VersionString(block, e.name).c_str(),
                                    reinterpret_cast<void**>(&value), &chars) &&
                     value != nullptr;
        std::string what = "string table entry ";
        for (const wchar_t* c = e.name; *c; ++c) what += char(*c);
        Check(found && std::wstring(value) == e.value, what.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* dllName = argc > 1 ? argv[1] : "idxfilter.dll";
    HMODULE module = LoadLibraryA(dllName);
    Check(module != nullptr, "LoadLibrary");
    if (!module) return 1;

    auto byName = reinterpret_cast<FilterFunction>(GetProcAddress(module, "idx_filter"));
    auto byOrdinal = reinterpret_cast<FilterFunction>(GetProcAddress(module, MAKEINTRESOURCEA(1)));
    Check(byName != nullptr, "GetProcAddress by name");
    Check(byOrdinal == byName, "ordinal 1 is idx_filter");
    if (!byName) return 1;

    std::string rtf = WriteDocument("idxfilter_host_test.rtf",
                                    "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0 caf\\'e9\\par}");
    std::string text = WriteDocument("idxfilter_host_test.txt", "plain text");
    for (int i = 0; i < 500; ++i) {
        Received received;
        // A stack imbalance from a wrong calling convention would show in
        // the locals kept across the call.
        volatile int guard = i;
        int result = (i % 2 ? byOrdinal : byName)(rtf.c_str(), Sink, &received);
        Check(guard == i, "stack intact after the call");
        Check(result == 6 && received.calls == 1 && received.text == L"caf\u00e9\r\n",
              "RTF document delivered");
        Received plain;
        Check(byName(text.c_str(), Sink, &plain) == 10 && plain.text == L"plain text",
              "plain text delivered");
        Check(byName("no such file", Sink, &plain) == -1, "missing file gives -1");
        Check(byName(nullptr, Sink, &plain) == -1, "null path gives -1");
        Check(byName(text.c_str(), nullptr, nullptr) == -1, "null sink gives -1");
        if (failures) break;
    }
    DeleteFileA(rtf.c_str());
    DeleteFileA(text.c_str());

    char dllPath[MAX_PATH];
    GetModuleFileNameA(module, dllPath, MAX_PATH);
    CheckVersionResource(dllPath);
    Check(FreeLibrary(module) != 0, "FreeLibrary");

    std::printf(failures ? "%d check(s) failed\n" : "all checks passed\n", failures);
    return failures ? 1 : 0;
}
