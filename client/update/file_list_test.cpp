// The file list parser and the local names of its entries.
#include "client/update/file_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvi {
namespace {

const std::string kDigest = "0123456789abcdef0123456789abcdef";

TEST(LocalNameOf, CutsTwoLeadingFoldersAndNoMore) {
    EXPECT_EQ(LocalNameOf("a/b/skin/main.xml"), "skin/main.xml");
    EXPECT_EQ(LocalNameOf("quorvi/program/quorvi"), "quorvi");
    // One "/" only: the text after it; none: the text as it is.
    EXPECT_EQ(LocalNameOf("program/readme.txt"), "readme.txt");
    EXPECT_EQ(LocalNameOf("readme.txt"), "readme.txt");
    EXPECT_EQ(LocalNameOf("a/b/"), "");
    EXPECT_EQ(LocalNameOf("a//c"), "c");
}

TEST(IsInsideFolder, RefusesNamesThatLeaveOrNameTheFolder) {
    EXPECT_TRUE(IsInsideFolder("skin/main.xml"));
    EXPECT_TRUE(IsInsideFolder("..hidden/x..y"));
    for (std::string_view name : {"", "/etc/passwd", "../x", "a/../../x", "a/..", "a//b", "a/", ".",
                                  "a/./b", "a\\..\\b", "\\x"})
        EXPECT_FALSE(IsInsideFolder(name)) << name;
    EXPECT_FALSE(IsInsideFolder(std::string_view("a\0/b", 4)));
}

TEST(ParseFileListLine, TakesThreeFieldsAndIgnoresTheRest) {
    const auto entry = ParseFileListLine("quorvi/program/skin/a.png|" + kDigest + "|1234|x|y");
    ASSERT_TRUE(entry);
    EXPECT_EQ(*entry, (FileListEntry{"quorvi/program/skin/a.png", kDigest, 1234, "skin/a.png"}));

    // Empty fields are kept: an empty digest is a field like any other.
    const auto empty = ParseFileListLine("p/q/r||0");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->digest, "");
    EXPECT_EQ(empty->size, 0);
}

TEST(ParseFileListLine, SkipsMalformedLinesAndNamesOutsideTheFolder) {
    for (const std::string& line : std::vector<std::string>{
             "", "p/q/r", "p/q/r|" + kDigest, "p/q/r|" + kDigest + "|", "p/q/r|" + kDigest + "|12a",
             "p/q/r|" + kDigest + "|-5", "p/q/r|" + kDigest + "| 5", "p/q/r|" + kDigest + "|1e3",
             "p/q/r|" + kDigest + "|1234567890123456",
             // local names leaving the folder, or naming none
             "p/q/../../x|" + kDigest + "|1", "p/q//etc/passwd|" + kDigest + "|1",
             "p/q/a//b|" + kDigest + "|1", "p/q/|" + kDigest + "|1", "..|" + kDigest + "|1"})
        EXPECT_FALSE(ParseFileListLine(line)) << line;
    EXPECT_TRUE(ParseFileListLine("p/q/r|" + kDigest + "|123456789012345"));
}

TEST(ParseFileList, ReadsEveryWellFormedLineInOrder) {
    const std::string text = "p/q/a|" + kDigest +
                             "|1\r\n"  // a "\r\n" line end
                             "\n"      // an empty line in the middle
                             "p/q/b|" +
                             kDigest +
                             "|x\n"  // a size that is no number
                             "p/q/../c|" +
                             kDigest +
                             "|3\n"
                             "p/q/d|" +
                             kDigest + "|4";  // the last line has no end
    const FileList list = ParseFileList(text);
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[0].localName, "a");
    EXPECT_EQ(list.entries[0].size, 1);
    EXPECT_EQ(list.entries[1].localName, "d");
    EXPECT_EQ(list.skippedLines, 3);
    EXPECT_FALSE(list.endedByLongLine);

    EXPECT_TRUE(ParseFileList("").entries.empty());
    EXPECT_EQ(ParseFileList("\n\n").skippedLines, 2);
}

TEST(ParseFileList, ALineLongerThanTheLimitEndsTheList) {
    const std::string head = "p/q/";
    const std::string tail = "|" + kDigest + "|7";
    auto lineOfLength = [&](std::size_t length) {
        return head + std::string(length - head.size() - tail.size(), 'n') + tail;
    };
    // The longest line that is read, also with a "\r\n" end.
    const std::string longest = lineOfLength(kMaxFileListLine);
    const FileList kept = ParseFileList(longest + "\n" + longest + "\r\n" + "p/q/z" + tail + "\n");
    EXPECT_EQ(kept.entries.size(), 3u);
    EXPECT_FALSE(kept.endedByLongLine);

    // One character more (a 1,024-character line with its end) ends the list there.
    const FileList ended = ParseFileList(
        "p/q/a" + tail + "\n" + lineOfLength(kMaxFileListLine + 1) + "\n" + "p/q/b" + tail + "\n");
    ASSERT_EQ(ended.entries.size(), 1u);
    EXPECT_EQ(ended.entries[0].localName, "a");
    EXPECT_TRUE(ended.endedByLongLine);
}

}  // namespace
}  // namespace quorvi
