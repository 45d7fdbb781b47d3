// The side-file walk on folder trees of its own (no processes involved). Trees
// with subfolders, dot folders, capitals and missing targets are run through the
// updater program in final_updater_test.cpp.
#include "updrix/side_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/file_test_support.h"

namespace updrix {
namespace {

namespace fs = std::filesystem;

using platform::testing::ReadFile;

void WriteFile(const fs::path& path, const std::string& content, mode_t mode = 0644) {
    ASSERT_TRUE(platform::testing::WriteFile(path, content, mode)) << path;
}

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

class SideFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/updrix-side-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = fs::path(pattern) / "program";
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_.parent_path()); }

    int Apply() const { return Walk().applied; }
    SideFileReport Walk() const { return ApplySideFiles(root_.string() + "/*.*"); }

    fs::path root_;
};

TEST(SideFileName, IsTheExactLowerCaseExtensionAfterAName) {
    EXPECT_TRUE(IsSideFileName("quorvi.vmupdate"));
    EXPECT_TRUE(IsSideFileName("skin.xml.vmupdate"));
    EXPECT_TRUE(IsSideFileName(".profile.vmupdate"));
    EXPECT_FALSE(IsSideFileName("quorvi.VMUPDATE"));
    EXPECT_FALSE(IsSideFileName("quorvi.Vmupdate"));
    EXPECT_FALSE(IsSideFileName("quorvi.vmupdate.tmp"));
    EXPECT_FALSE(IsSideFileName("quorvivmupdate"));
    EXPECT_FALSE(IsSideFileName(".vmupdate"));  // no file to replace
}

TEST_F(SideFiles, TheReplacementTakesThePermissionsOfTheFileItReplaces) {
    // A downloaded side file is not runnable; the program it replaces must stay so.
    WriteFile(root_ / "quorvi", "old program", 0755);
    WriteFile(root_ / "quorvi.vmupdate", "new program", 0644);
    WriteFile(root_ / "vamouser.dll", "old account", 0600);
    WriteFile(root_ / "vamouser.dll.vmupdate", "new account", 0644);
    WriteFile(root_ / "helper", "old helper", 04755);
    WriteFile(root_ / "helper.vmupdate", "new helper", 0644);
    WriteFile(root_ / "tool.vmupdate", "new tool", 06755);  // nothing to replace
    EXPECT_EQ(Apply(), 4);
    EXPECT_EQ(ReadFile(root_ / "quorvi"), "new program");
    EXPECT_EQ(ModeOf(root_ / "quorvi"), 0755u);
    EXPECT_EQ(ModeOf(root_ / "vamouser.dll"), 0600u);
    EXPECT_EQ(ModeOf(root_ / "helper"), 0755u) << "a download never gains set-id bits";
    EXPECT_EQ(ModeOf(root_ / "tool"), 0755u) << "nor keeps its own";
}

TEST_F(SideFiles, ALinkPutInPlaceOfASideFileAfterTheListingIsNotFollowed) {
    // The state a swap between the walk's listing and the apply leaves: the side
    // file's name is now a link to a file outside.
    const fs::path outside = root_.parent_path() / "outside";
    WriteFile(outside, "someone else's", 0600);
    WriteFile(root_ / "quorvi", "old program", 0755);
    fs::create_symlink(outside, root_ / "quorvi.vmupdate");
    const int folder = ::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    const std::optional<std::string> cause = PutSideFileInPlace(folder, "quorvi.vmupdate");
    ::close(folder);
    EXPECT_TRUE(cause);
    EXPECT_EQ(ModeOf(outside), 0600u) << "the permission step followed the link";
    EXPECT_EQ(ReadFile(root_ / "quorvi"), "old program");
    EXPECT_TRUE(fs::is_symlink(root_ / "quorvi.vmupdate"));
}

TEST_F(SideFiles, NamesThatAreNotGbkAreAppliedAsTheFileSystemHasThem) {
    const std::string name = "\xF0\x9F\x93\x84 \xEC\x95\x88\xEB\x85\x95.txt";  // emoji, Hangul
    WriteFile(root_ / name, "old");
    WriteFile(root_ / (name + ".vmupdate"), "new");
    WriteFile(root_ / "\xFF\xFE" / "raw.bin.vmupdate", "not UTF-8 either");
    EXPECT_EQ(Apply(), 2);
    EXPECT_EQ(ReadFile(root_ / name), "new");
    EXPECT_EQ(ReadFile(root_ / "\xFF\xFE" / "raw.bin"), "not UTF-8 either");
}

TEST_F(SideFiles, ATargetThatCannotBeReplacedKeepsItsSideFileAndIsReportedWithItsCause) {
    fs::create_directories(root_ / "sub/data");
    WriteFile(root_ / "sub/data.vmupdate", "a file cannot replace a folder");
    WriteFile(root_ / "sub/notes.txt.vmupdate", "new notes");
    const SideFileReport report = Walk();
    EXPECT_EQ(report.applied, 1);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].path, root_.string() + "/sub/data.vmupdate");
    EXPECT_EQ(report.failures[0].cause, "its target is a folder");
    EXPECT_TRUE(fs::is_directory(root_ / "sub/data"));
    EXPECT_EQ(ReadFile(root_ / "sub/data.vmupdate"), "a file cannot replace a folder");
    EXPECT_EQ(ReadFile(root_ / "sub/notes.txt"), "new notes");
}

TEST_F(SideFiles, LinkedFoldersAreNotFollowedOutOfTheTree) {
    const fs::path outside = root_.parent_path() / "outside";
    WriteFile(outside / "secret.txt", "outside");
    WriteFile(outside / "secret.txt.vmupdate", "changed through a link");
    fs::create_directory_symlink(outside, root_ / "link");
    EXPECT_EQ(Apply(), 0);
    EXPECT_EQ(ReadFile(outside / "secret.txt"), "outside");
}

TEST_F(SideFiles, ReachFoldersNestedBeyondTheLongestPath) {
    // 600 levels of 10 characters: longer than any path may be. The walk opens
    // each level relative to the one above, so depth alone does not stop it.
    constexpr int kLevels = 600;
    auto descend = [&](bool create) {
        ASSERT_EQ(::chdir(root_.c_str()), 0);
        for (int level = 0; level < kLevels; ++level) {
            if (create) {
                ASSERT_EQ(::mkdir("abcdefghi", 0755), 0);
            }
            ASSERT_EQ(::chdir("abcdefghi"), 0);
        }
    };
    descend(true);
    std::ofstream("leaf.vmupdate") << "deep";
    ASSERT_EQ(::chdir("/"), 0);

    EXPECT_EQ(Apply(), 1);
    descend(false);
    EXPECT_EQ(ReadFile("leaf"), "deep");
    // Cleared from the bottom up here: removing by full paths would fail.
    ::unlink("leaf");
    for (int level = 0; level < kLevels; ++level) {
        ASSERT_EQ(::chdir(".."), 0);
        ASSERT_EQ(::rmdir("abcdefghi"), 0);
    }
    ASSERT_EQ(::chdir("/"), 0);
}

TEST_F(SideFiles, AMissingFolderFindsNothing) {
    const SideFileReport report = ApplySideFiles((root_ / "absent").string() + "/*.*");
    EXPECT_EQ(report.applied, 0);
    EXPECT_TRUE(report.failures.empty());
}

}  // namespace
}  // namespace updrix
