#include "libmerv/libmerv.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "libmerv/transfer_address.h"
#include "libmerv/url_sign.h"
#include "platform/text.h"

namespace {

namespace fs = std::filesystem;

// ---- helpers ----------------------------------------------------------------------

std::string ExecutableFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path().string() + "/";
}

// A fresh folder under the temp folder, removed with its contents afterwards.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "merv-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

std::string Md5sumOf(const std::string& path) {
    std::string command = "md5sum '" + path + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char digest[33] = {};
    if (!pipe || std::fread(digest, 1, 32, pipe.get()) != 32) return "md5sum failed";
    return digest;
}

void WriteRandomFile(const std::string& path, std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    std::ofstream(path, std::ios::binary).write(bytes.data(), bytes.size());
}

// ---- text copies -------------------------------------------------------------------

TEST(TextCopies, CopiesAreOwnedAndWideTextIsUtf16) {
    char text[] = "abc";
    EXPECT_EQ(Clibmerv::Wide2Bytes(text), text);

    std::unique_ptr<char[]> copy(Clibmerv::CharToTChar(text));
    EXPECT_NE(copy.get(), text);
    EXPECT_STREQ(copy.get(), "abc");

    // GBK "zhong wen" followed by an ASCII letter: 5 bytes become 3 UTF-16 units.
    std::string gbk = platform::Utf16ToGbk(u"\u4e2d\u6587A");
    ASSERT_EQ(gbk.size(), 5u);
    std::unique_ptr<char16_t[]> wide(Clibmerv::CharToWChar(gbk.c_str()));
    EXPECT_EQ(std::u16string(wide.get()), u"\u4e2d\u6587A");
    for (int i = 3; i <= 5; ++i) EXPECT_EQ(wide[i], u'\0');

    std::unique_ptr<char16_t[]> empty(Clibmerv::CharToWChar(""));
    EXPECT_EQ(empty[0], u'\0');
}

// ---- program folder -----------------------------------------------------------------

TEST(GetCurPath, IsTheExecutablesFolderWithTrailingSeparator) {
    std::string folder = Clibmerv::GetCurPath();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(folder, ExecutableFolder());
}

// ---- file digests ----------------------------------------------------------------------

// Sizes around the padding edge (55/56), the block edge and the read edges.
TEST(FileDigest, AgreesWithMd5sumAcrossReadBoundaries) {
    TempFolder folder;
    const std::size_t sizes[] = {
        0, 1, 55, 56, 63, 64, 65, 1023, 1024, 1025, 128 * 1024, 128 * 1024 + 1, 3 << 20 | 7};
    for (std::size_t size : sizes) {
        std::string path = folder.File("data-" + std::to_string(size));
        WriteRandomFile(path, size, static_cast<unsigned>(size));
        EXPECT_EQ(Clibmerv::FileDigest(path), Md5sumOf(path)) << size << " bytes";
    }
    EXPECT_EQ(Clibmerv::FileDigest(folder.File("data-0")), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(FileDigest, UnreadablePathsGiveEmptyText) {
    TempFolder folder;
    EXPECT_EQ(Clibmerv::FileDigest(folder.File("missing.bin")), "");
    EXPECT_EQ(Clibmerv::FileDigest(""), "");
    // A folder opens but cannot be read; that is no digest, not the digest of nothing.
    fs::create_directory(folder.File("sub"));
    EXPECT_EQ(Clibmerv::FileDigest(folder.File("sub")), "");
}

TEST(FileDigest, GbkPathReachesTheFileSystemsUtf8Name) {
    TempFolder folder;
    std::u16string name = u"\u6587\u4ef6.txt";
    std::ofstream(folder.File(platform::Utf16ToUtf8(name))) << "abc";
    EXPECT_EQ(Clibmerv::FileDigest(folder.File(platform::Utf16ToGbk(name))),
              "900150983cd24fb0d6963f7d28e17f72");
}

// ---- replacement ----------------------------------------------------------------------

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    Clibmerv::StringReplace(text, from, to);
    return text;
}

TEST(StringReplace, ReplacesLeftToRightWithoutRescanningInsertedText) {
    EXPECT_EQ(Replaced("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(Replaced("aaa", "aa", "b"), "ba");
    EXPECT_EQ(Replaced("a\\b\\c", "\\", "/"), "a/b/c");
    EXPECT_EQ(Replaced("x--y--", "--", ""), "xy");
    EXPECT_EQ(Replaced("abcabc", "abc", "abcabc"), "abcabcabcabc");
    EXPECT_EQ(Replaced(std::string("a\0b\0", 4), std::string("\0", 1), "-"), "a-b-");
}

TEST(StringReplace, AbsentOrEmptyPatternLeavesTextAlone) {
    EXPECT_EQ(Replaced("hello", "xyz", "q"), "hello");
    EXPECT_EQ(Replaced("", "a", "b"), "");
    EXPECT_EQ(Replaced("hello", "", "q"), "hello");  // must return at all
    EXPECT_EQ(Replaced("", "", "q"), "");
}

// ---- signing ---------------------------------------------------------------------------

// Where each character of the signature's intermediate text comes from in the
// first digest: pairs at offsets 0, 6, 12, 18, 24, 30 stay, the others swap.
constexpr int kShuffle[32] = {0,  1,  3,  2,  5,  4,  6,  7,  9,  8,  11, 10, 12, 13, 15, 14,
                              17, 16, 18, 19, 21, 20, 23, 22, 24, 25, 27, 26, 29, 28, 30, 31};

std::string SignByTable(const std::string& content) {
    std::string first = Clibmerv::md5ex(content);
    std::string shuffled;
    for (int from : kShuffle) shuffled += first[from];
    return Clibmerv::md5ex(shuffled);
}

TEST(UrlSign, ShufflesPairsOfTheFirstDigest) {
    EXPECT_EQ(merv::ShuffleDigestPairs("0123456789ab"), "0132546798ba");
    EXPECT_EQ(merv::ShuffleDigestPairs("0123456789abcdef0123456789abcdef"),
              "0132546798bacdfe1023547689badcef");
}

TEST(UrlSign, IsTheDigestOfTheShuffledDigest) {
    // Values computed outside this library.
    EXPECT_EQ(Clibmerv::UrlSign("ab1qowlrnsbxetkzmv"), "59997cb07013286cb3605c260fe89235");
    EXPECT_EQ(Clibmerv::UrlSign("a"), "432c33178b54f70dd66deea9dd358d8b");
    EXPECT_EQ(Clibmerv::UrlSign("do=Helper_User-i_user_register&fromid=5&pass=p&resourse=99&"
                                "t=1700000000&useremail=&username=u&usertype=0"),
              "4614d53a3a8685519f8f552a7537dee2");
    for (std::string content : {"x", "account", "user&pass=1", "\xd6\xd0\xce\xc4"}) {
        EXPECT_EQ(Clibmerv::UrlSign(content), SignByTable(content)) << content;
    }
}

TEST(UrlSign, EmptyContentHasNoSignature) {
    EXPECT_EQ(Clibmerv::UrlSign(""), "");
}

// ---- addresses of transfers -------------------------------------------------------------

// A value put into an address as it stands reaches the server: the bytes libcurl
// refuses (controls, blank) or cuts at ("#"), and a "?" inside the query, which
// cpp-httplib refuses, arrive percent-encoded; every other byte exactly as it
// was, "%" and non-ASCII bytes included.
TEST(GetHttpContent, EveryByteOfAnAddressReachesTheServer) {
    EXPECT_EQ(merv::AddressForTransfer("http://h/a b?x=S1\r\n#%41\xC4?"),
              "http://h/a%20b?x=S1%0D%0A%23%41\xC4%3F");

    httplib::Server server;
    server.Get(R"(/.*)", [](const httplib::Request& request, httplib::Response& response) {
        response.set_content(request.target, "application/octet-stream");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread listener([&] { server.listen_after_bind(); });
    const std::string origin = "http://127.0.0.1:" + std::to_string(port);

    for (int value = 0; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        const bool encoded = value < 0x21 || value == 0x7F || byte == '#' || byte == '?';
        char escape[4];
        std::snprintf(escape, sizeof escape, "%%%02X", value);
        const std::string sent = std::string("/v?x=a") + byte + "z";
        const std::string arrived = "/v?x=a" + (encoded ? escape : std::string(1, byte)) + "z";
        EXPECT_EQ(Clibmerv::GetHttpContent(origin + sent), arrived) << "byte " << value;
    }
    EXPECT_EQ(Clibmerv::GetHttpContent(origin + "/plugins/my tools/a #1.txt"),
              "/plugins/my%20tools/a%20%231.txt");
    server.stop();
    listener.join();
}

// ---- shared library ----------------------------------------------------------------------

TEST(SharedLibrary, ExportsTheClassAndTheSamplesWithCLinkage) {
    void* library = ::dlopen(MERV_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();

    auto* fn = reinterpret_cast<int (*)()>(::dlsym(library, "fnlibmerv"));
    auto* n = static_cast<int*>(::dlsym(library, "nlibmerv"));
    ASSERT_NE(fn, nullptr);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(fn(), 42);
    EXPECT_EQ(*n, 0);

    // The shared form hands out library storage, one buffer per thread.
    auto* getCurPath =
        reinterpret_cast<char* (*)()>(::dlsym(library, "_ZN8Clibmerv10GetCurPathEv"));
    ASSERT_NE(getCurPath, nullptr);
    const char* mine = getCurPath();
    const char* other = nullptr;
    std::thread([&] { other = getCurPath(); }).join();
    EXPECT_NE(mine, other);
    EXPECT_EQ(std::string(mine), ExecutableFolder());

    // Only Clibmerv and the samples are public; the platform layer inside stays hidden.
    EXPECT_EQ(::dlsym(library, "_ZN8platform9GbkToUtf8ESt17basic_string_viewIcSt11char_traitsIcEE"),
              nullptr);
    ::dlclose(library);
}

}  // namespace
