// The operations of Clibmerv.
//
// Sections: text copies | program folder | digests | replacement | HTTP |
//           signing | sample exports
#include "libmerv/libmerv.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "libmerv/http_get.h"
#include "libmerv/md5.h"
#include "libmerv/url_sign.h"
#include "platform/files.h"
#include "platform/text.h"

// ---- text copies ------------------------------------------------------------------

char* Clibmerv::Wide2Bytes(char* text) {
    return text;
}

char* Clibmerv::CharToTChar(const char* text) {
    std::size_t size = std::strlen(text) + 1;
    char* copy = new char[size];
    std::memcpy(copy, text, size);
    return copy;
}

char16_t* Clibmerv::CharToWChar(const char* text) {
    std::size_t length = std::strlen(text);
    std::u16string wide = platform::GbkToUtf16(std::string_view(text, length));
    // GBK never yields more UTF-16 units than bytes; the max keeps that an assumption
    // about the converter rather than a buffer overrun.
    auto* copy = new char16_t[std::max(length, wide.size()) + 1]();
    std::copy(wide.begin(), wide.end(), copy);
    return copy;
}

// ---- program folder -----------------------------------------------------------------

#ifdef MERV_CLIENT_BUILD
std::string Clibmerv::GetCurPath() {
    return platform::ProgramFolder();
}
#else
char* Clibmerv::GetCurPath() {
    // Per thread, and as long as the path needs: a deep folder is never cut short.
    thread_local std::string folder;
    folder = platform::ProgramFolder();
    return folder.data();
}
#endif

// ---- digests -------------------------------------------------------------------------

std::string Clibmerv::md5ex(std::string data) {
    return merv::Md5Hex(data);
}

namespace {

// Large reads keep the system-call count low; 128 KiB still sits in the L2 cache
// while it is hashed.
constexpr std::size_t kReadBlockSize = 128 * 1024;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::string Clibmerv::FileDigest(const std::string& path) {
    try {
        FileDescriptor file(::open(platform::GbkToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC));
        if (file.get() < 0) return {};
        ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

        auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kReadBlockSize);
        merv::Md5 md5;
        for (;;) {
            ssize_t got = ::read(file.get(), buffer.get(), kReadBlockSize);
            if (got > 0) {
                md5.Update(buffer.get(), static_cast<std::size_t>(got));
            } else if (got == 0) {
                return md5.HexDigest();
            } else if (errno != EINTR) {
                return {};  // a read error (or a folder): the digest is unknown
            }
        }
    } catch (const std::exception&) {
        return {};
    }
}

// ---- replacement -------------------------------------------------------------------

void Clibmerv::StringReplace(std::string& text, std::string from, std::string to) {
    if (from.empty()) return;  // an empty pattern would match forever
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// ---- HTTP --------------------------------------------------------------------------------

std::string Clibmerv::GetHttpContent(std::string url) {
    return merv::HttpGet(url);
}

// ---- signing -----------------------------------------------------------------------------

std::string merv::ShuffleDigestPairs(std::string_view hex) {
    std::string shuffled;
    shuffled.reserve(hex.size());
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        if (i % 3 == 0) {
            shuffled += hex[i];
            shuffled += hex[i + 1];
        } else {
            shuffled += hex[i + 1];
            shuffled += hex[i];
        }
    }
    return shuffled;
}

std::string Clibmerv::UrlSign(std::string content) {
    if (content.empty()) return {};
    return merv::Md5Hex(merv::ShuffleDigestPairs(merv::Md5Hex(content)));
}

// ---- sample exports ------------------------------------------------------------------

int nlibmerv = 0;

int fnlibmerv() {
    return 42;
}
