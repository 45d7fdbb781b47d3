#include "client/common/school_account.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "client/common/database_test_support.h"

namespace quorvi {
namespace {

TEST(SchoolAccount, ReadAsTextWithLineEndsFoldedAndNothingTrimmed) {
    EXPECT_EQ(TextModeContent("s2024001\r\n"), "s2024001\n");
    EXPECT_EQ(TextModeContent(" a\r\r\nb\rc\n\r"), " a\r\nb\rc\n\r");
    EXPECT_EQ(TextModeContent(std::string("a\0b", 3)), std::string("a\0b", 3));

    TempFolder folder;
    EXPECT_EQ(ReadSchoolAccount(folder.Path()), "");
    std::ofstream(folder.Path() + kUserFileName, std::ios::binary) << "  s2024001\r\nx";
    EXPECT_EQ(ReadSchoolAccount(folder.Path()), "  s2024001\nx");
}

TEST(SchoolAccount, AFolderOfThatNameGivesAnEmptyAccount) {
    TempFolder folder;
    std::filesystem::create_directory(folder.Path() + kUserFileName);
    EXPECT_EQ(ReadSchoolAccount(folder.Path()), "");
}

}  // namespace
}  // namespace quorvi
