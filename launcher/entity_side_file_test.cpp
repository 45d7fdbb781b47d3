// The side-file swap of entity.so, on program folders of the test's own.
#include "launcher/entity_side_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace vamo {
namespace {

namespace fs = std::filesystem;

class EntitySwapTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "entityXXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        folder_ = pattern + "/";
    }
    void TearDown() override { fs::remove_all(folder_); }

    void Write(const std::string& name, const std::string& content) {
        std::ofstream(folder_ + name, std::ios::binary) << content;
    }
    std::string Read(const std::string& name) {
        std::ifstream in(folder_ + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool Exists(const std::string& name) { return fs::exists(folder_ + name); }

    std::string folder_;
};

TEST_F(EntitySwapTest, APendingSideFileReplacesTheModule) {
    Write("entity.so", "old");
    Write("entity.so.vmupdate", "new");
    EXPECT_EQ(SwapEntitySideFile(folder_), EntitySwap::Replaced);
    EXPECT_EQ(Read("entity.so"), "new");
    EXPECT_FALSE(Exists("entity.so.vmupdate"));
}

TEST_F(EntitySwapTest, ASideFileWithoutAModuleBecomesTheModule) {
    Write("entity.so.vmupdate", "first");
    EXPECT_EQ(SwapEntitySideFile(folder_), EntitySwap::Replaced);
    EXPECT_EQ(Read("entity.so"), "first");
}

TEST_F(EntitySwapTest, WithoutASideFileTheModuleStaysAndTheStaleFileGoes) {
    Write("entity.so", "current");
    Write("entity.so.update", "stale");
    EXPECT_EQ(SwapEntitySideFile(folder_), EntitySwap::NothingPending);
    EXPECT_EQ(Read("entity.so"), "current");
    EXPECT_FALSE(Exists("entity.so.update"));
    // Nothing at all is fine too.
    fs::remove(folder_ + "entity.so");
    EXPECT_EQ(SwapEntitySideFile(folder_), EntitySwap::NothingPending);
    EXPECT_FALSE(Exists("entity.so"));
}

// A module that cannot be deleted (here: a folder in its place) keeps its side
// file for the final updater, untouched.
TEST_F(EntitySwapTest, ASideFileThatCannotBePutInPlaceStays) {
    fs::create_directory(folder_ + "entity.so");
    Write("entity.so/keep", "x");
    Write("entity.so.vmupdate", "new");
    EXPECT_EQ(SwapEntitySideFile(folder_), EntitySwap::Failed);
    EXPECT_EQ(Read("entity.so.vmupdate"), "new");
    EXPECT_EQ(Read("entity.so/keep"), "x");
}

}  // namespace
}  // namespace vamo
