// libmerv: text, digest, HTTP and URL-signing helpers shared by the client and
// the launcher.
//
// One source, two forms:
//  - the shared library libmerv.so (the launcher links it): the members of
//    Clibmerv plus the sample exports nlibmerv and fnlibmerv;
//  - compiled into the client (CMake target merv_static, which defines
//    MERV_CLIENT_BUILD): the same operations, except that GetCurPath hands
//    the program folder back as a std::string.
//
// Narrow texts are the system's GBK. Wide texts are UTF-16 (char16_t), the
// width the system's wide texts have everywhere; wchar_t is 32 bits here.
// Digests are 32 lower-case hexadecimal digits. Every operation except
// GetCurPath may be called from several threads at once.
#pragma once

#include <string>

#define LIBMERV_API __attribute__((visibility("default")))

class LIBMERV_API Clibmerv {
public:
    Clibmerv() = default;
    Clibmerv& operator=(const Clibmerv&) = default;

    // Returns text unchanged: narrow texts need no conversion.
    static char* Wide2Bytes(char* text);
    // A copy of the NUL-terminated text in new char[length + 1]; release with delete[].
    static char* CharToTChar(const char* text);
    // The GBK text converted to UTF-16 in new char16_t[length + 1] (NUL-terminated,
    // unused tail zeroed); release with delete[].
    static char16_t* CharToWChar(const char* text);

#ifdef MERV_CLIENT_BUILD
    // Folder of the running executable, ending in the path separator.
    static std::string GetCurPath();
#else
    // Folder of the running executable, ending in the path separator. The text
    // lives in per-thread storage of the library, valid until the thread's next call.
    static char* GetCurPath();
#endif

    // MD5 of exactly the bytes of data.
    static std::string md5ex(std::string data);
    // MD5 of a file's contents (path is GBK); empty when the file cannot be read.
    static std::string FileDigest(const std::string& path);
    // Replaces every occurrence of from by to, left to right; replaced text is not
    // searched again. An empty from leaves text unchanged.
    static void StringReplace(std::string& text, std::string from, std::string to);
    // Body of an HTTP GET of url, byte for byte, whatever the status; empty when
    // nothing arrived (unreachable address, failed transfer).
    static std::string GetHttpContent(std::string url);
    // Signature of content: MD5 of the pair-shuffled MD5 of content; empty for empty content.
    static std::string UrlSign(std::string content);
};

// Sample exports of the shared library; nothing in the system uses them.
extern "C" {
LIBMERV_API extern int nlibmerv;
LIBMERV_API int fnlibmerv();
}
