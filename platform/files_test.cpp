#include "platform/files.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/chinese_texts.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorvi-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = std::string(pattern) + "/";
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return dir_ + name; }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(Path(name)) << content;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name));
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }

    std::string dir_;
};

TEST_F(Files, MoveFileNeverReplaces) {
    Write("new", "fresh");
    EXPECT_TRUE(MoveFile(Path("new"), Path("target")));
    EXPECT_FALSE(FileExists(Path("new")));
    EXPECT_EQ(Read("target"), "fresh");

    Write("side", "other");
    EXPECT_FALSE(MoveFile(Path("side"), Path("target")));
    EXPECT_EQ(Read("target"), "fresh");
    EXPECT_EQ(Read("side"), "other");

    EXPECT_FALSE(MoveFile(Path("missing"), Path("elsewhere")));
    EXPECT_FALSE(FileExists(Path("elsewhere")));
}

TEST_F(Files, MoveFileMovesFolders) {
    ASSERT_TRUE(CreateDirectory(Path("a")));
    Write("a/inner", "x");
    EXPECT_TRUE(MoveFile(Path("a"), Path("b")));
    EXPECT_EQ(Read("b/inner"), "x");
    ASSERT_TRUE(CreateDirectory(Path("c")));
    EXPECT_FALSE(MoveFile(Path("b"), Path("c")));  // not even onto an empty folder
    EXPECT_TRUE(IsDirectory(Path("b")));
}

TEST_F(Files, ReplaceFileTakesPlaceAndPermissions) {
    Write("program", "old");
    ASSERT_EQ(chmod(Path("program").c_str(), 0755), 0);
    Write("download", "new");
    ASSERT_EQ(chmod(Path("download").c_str(), 0600), 0);
    EXPECT_TRUE(ReplaceFile(Path("program"), Path("download")));
    EXPECT_EQ(Read("program"), "new");
    EXPECT_FALSE(FileExists(Path("download")));
    struct stat info;
    ASSERT_EQ(stat(Path("program").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);

    // An old side file with set-id bits passes on its permission bits only.
    Write("side", "old side file");
    ASSERT_EQ(chmod(Path("side").c_str(), 06755), 0);
    Write("download", "newer");
    EXPECT_TRUE(ReplaceFile(Path("side"), Path("download")));
    ASSERT_EQ(stat(Path("side").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
}

TEST_F(Files, ReplaceFileNeedsBothFiles) {
    Write("download", "new");
    EXPECT_FALSE(ReplaceFile(Path("absent"), Path("download")));
    EXPECT_FALSE(FileExists(Path("absent")));
    EXPECT_EQ(Read("download"), "new");
    EXPECT_FALSE(ReplaceFile(Path("download"), Path("absent")));
    EXPECT_EQ(Read("download"), "new");
}

TEST_F(Files, DeleteAndCreate) {
    Write("file", "x");
    EXPECT_TRUE(DeleteFile(Path("file")));
    EXPECT_FALSE(FileExists(Path("file")));
    EXPECT_FALSE(DeleteFile(Path("file")));

    EXPECT_TRUE(CreateDirectory(Path("folder")));
    EXPECT_TRUE(IsDirectory(Path("folder")));
    EXPECT_FALSE(CreateDirectory(Path("folder")));
    EXPECT_FALSE(DeleteFile(Path("folder")));  // files only
    EXPECT_TRUE(IsDirectory(Path("folder")));
    EXPECT_FALSE(CreateDirectory(Path("no/such/parent")));
    Write("plain", "x");
    EXPECT_TRUE(FileExists(Path("plain")));
    EXPECT_FALSE(IsDirectory(Path("plain")));
}

TEST_F(Files, ListingStartsWithDotThenSortedEntries) {
    Write("b.txt", "");
    Write("a.txt", "");
    ASSERT_TRUE(CreateDirectory(Path("sub")));
    fs::create_directory_symlink(Path("sub"), Path("link"));
    const auto entries = ListDirectory(Path(""));
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].name, ".");
    EXPECT_EQ(entries[1].name, "..");
    EXPECT_EQ(entries[2].name, "a.txt");
    EXPECT_FALSE(entries[2].isDirectory);
    EXPECT_EQ(entries[3].name, "b.txt");
    EXPECT_EQ(entries[4].name, "link");
    EXPECT_FALSE(entries[4].isDirectory);  // links are not followed
    EXPECT_EQ(entries[5].name, "sub");
    EXPECT_TRUE(entries[5].isDirectory);
    EXPECT_TRUE(ListDirectory(Path("missing")).empty());
}

TEST_F(Files, GbkPathsMeetUtf8FileNames) {
    const std::string folder = Path(texts::kLoginButtonText);  // "登录"
    ASSERT_TRUE(CreateDirectory(folder));
    EXPECT_TRUE(fs::is_directory(dir_ + "登录"));
    const std::string file = folder + "/" + texts::kCancelDownloadTooltip;  // "取消下载"
    std::ofstream(dir_ + "登录/取消下载") << "content";
    EXPECT_TRUE(FileExists(file));
    const auto entries = ListDirectory(folder);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].name, texts::kCancelDownloadTooltip);

    EXPECT_TRUE(MoveFile(file, folder + "/" + texts::kSearchPlaceholder));
    EXPECT_TRUE(fs::exists(dir_ + "登录/搜索更多应用"));
    EXPECT_TRUE(DeleteFile(folder + "/" + texts::kSearchPlaceholder));
    EXPECT_FALSE(fs::exists(dir_ + "登录/搜索更多应用"));
}

TEST(ProgramFolder, IsTheFolderOfThisProgram) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), kPathSeparator);
    EXPECT_EQ(folder.front(), '/');
    EXPECT_TRUE(FileExists(folder + "platform_tests"));
}

}  // namespace
}  // namespace platform
