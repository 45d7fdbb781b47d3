#include "ui/core/dialog_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/log_test_support.h"
#include "ui/core/test_support.h"

namespace {

using namespace DuiLib;
using ui_test::TestWindow;

// A custom control that notes what it saw when its attributes arrived.
class ProbeUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override { return "ProbeUI"; }
    AttributeResult SetAttribute(std::string_view name, std::string_view value) override {
        if (name == "probe") {
            parentAtAttributes = GetParent();
            seenText = GetText();
            return AttributeResult::Applied;
        }
        return CContainerUI::SetAttribute(name, value);
    }
    CControlUI* parentAtAttributes = nullptr;
    CStdString seenText;
};

class ProbeCallback : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR className) override {
        asked.push_back(className);
        return std::string_view(className) == "Probe" ? new ProbeUI : nullptr;
    }
    std::vector<std::string> asked;
};

class DialogBuilderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        folder_ = std::filesystem::temp_directory_path() /
                  ("ui_builder_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        CPaintManagerUI::SetResourcePath(folder_.string());
    }
    void TearDown() override {
        ui::RunUntilIdle();
        std::filesystem::remove_all(folder_);
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name) << text;
    }
    std::filesystem::path folder_;
};

TEST_F(DialogBuilderTest, WindowValuesFontsDefaultsAndTree) {
    Write("skin.xml", R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="640,480" caption="0,0,120,30" sizebox="4,5,6,7" roundcorner="6,6" mininfo="300,200">
  <Font id="0" name="Sans" size="12" default="true" />
  <Font id="1" name="Sans" size="14" bold="true" />
  <Default name="Button" value="height=&quot;24&quot; textcolor=&quot;#FF112233&quot;" />
  <VerticalLayout name="root">
    <Button name="closebtn" height="30" />
    <Label name="lbTitle" text="&#25628;&#32034;" />
    <Option name="optA" group="g" selected="true" />
  </VerticalLayout>
</Window>)");
    TestWindow window;
    window.Open();
    CDialogBuilder builder;
    CControlUI* root = builder.Create("skin.xml", nullptr, nullptr, &window.pm);
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(builder.GetDiagnostics().empty());
    window.pm.AttachDialog(root);

    EXPECT_EQ(window.pm.GetCaptionRect(), (RECT{0, 0, 120, 30}));
    EXPECT_EQ(window.pm.GetSizeBox(), (RECT{4, 5, 6, 7}));
    EXPECT_EQ(window.pm.GetRoundCorner(), (SIZE{6, 6}));
    EXPECT_EQ(window.pm.GetMinInfo(), (SIZE{300, 200}));
    RECT rect;
    GetWindowRect(window.GetHWND(), &rect);
    EXPECT_EQ(rect.right - rect.left, 640);  // the skin's size resizes the window
    EXPECT_EQ(window.pm.GetFontCount(), 2);
    EXPECT_TRUE(window.pm.GetFontInfo(1)->bBold);

    auto* close = window.Find<CButtonUI>("closebtn");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->GetParent(), root);
    EXPECT_EQ(close->GetFixedHeight(), 30);  // own attribute after the class default
    EXPECT_EQ(close->GetTextColor(), 0xFF112233u);
    EXPECT_STREQ(close->GetClass(), "ButtonUI");
    // UTF-8 texts of the skin become the system's GBK ("搜索").
    EXPECT_EQ(window.Find("lbTitle")->GetText(), "\xCB\xD1\xCB\xF7");
    EXPECT_TRUE(window.Find<COptionUI>("optA")->IsSelected());
}

TEST_F(DialogBuilderTest, CallbackMakesUnknownClassesAttachedBeforeAttributes) {
    ProbeCallback callback;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(
        R"(<Container name="outer"><Probe name="p" text="hello" probe="1"><Label name="inner"/></Probe></Container>)",
        nullptr, &callback);
    ASSERT_NE(root, nullptr);
    std::unique_ptr<CControlUI> owner(root);
    EXPECT_EQ(callback.asked, std::vector<std::string>{"Probe"});  // built-in names never asked
    auto* outer = static_cast<CContainerUI*>(root);
    auto* probe = dynamic_cast<ProbeUI*>(outer->GetItemAt(0));
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->parentAtAttributes, root);  // already in its parent
    EXPECT_EQ(probe->seenText, "hello");         // attributes in document order
    EXPECT_EQ(probe->GetCount(), 1);
}

TEST_F(DialogBuilderTest, BrokenSkinGivesNullAndNamesTheFile) {
    Write("broken.xml", "<Window size=\"10,10\"><Label name=\"a\"></Window>");
    CDialogBuilder builder;
    platform::LogCapture log;
    EXPECT_EQ(builder.Create("broken.xml"), nullptr);
    EXPECT_EQ(builder.Create("missing.xml"), nullptr);
    EXPECT_EQ(builder.Create(ReadSkin("missing.xml")), nullptr);
    // A skin that does not build is an error, one line each.
    const auto errors = log.Messages(platform::LogLevel::Error);
    ASSERT_EQ(errors.size(), 3u) << log.Text();
    EXPECT_EQ(log.Events().size(), 3u) << log.Text();
    EXPECT_NE(errors[0].find("broken.xml"), std::string::npos);
    EXPECT_NE(errors[1].find("missing.xml"), std::string::npos);
    EXPECT_EQ(errors[2], errors[1]);

    // A skin read ahead builds from the text read: its file is not read again.
    Write("ahead.xml", "<Window size=\"10,10\">\r\n<Label name=\"a\"/></Window>");
    const SkinFile ahead = ReadSkin("ahead.xml");
    std::filesystem::remove(folder_ / "ahead.xml");
    std::unique_ptr<CControlUI> root(builder.Create(ahead));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetName(), "a");
    EXPECT_EQ(ahead.text, "<Window size=\"10,10\">\n<Label name=\"a\"/></Window>");
}

TEST_F(DialogBuilderTest, SkinNestedTooDeeplyIsRefusedBeforeParsing) {
    std::string deep = "<Window size=\"10,10\">";
    for (int i = 0; i < 100000; ++i) deep += "<Container>";
    Write("deep.xml", deep);
    CDialogBuilder builder;
    testing::internal::CaptureStderr();
    EXPECT_EQ(builder.Create("deep.xml"), nullptr);
    EXPECT_EQ(builder.Create(deep), nullptr);
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(builder.GetDiagnostics().size(), 1u);
    EXPECT_EQ(builder.GetDiagnostics()[0], "ui: skin (skin text): nested deeper than 256 levels");

    // A skin file with Windows line ends still builds.
    Write("crlf.xml", "<Window size=\"10,10\">\r\n<Container name=\"c\">\r\n</Container></Window>");
    std::unique_ptr<CControlUI> root(builder.Create("crlf.xml"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetName(), "c");
}

TEST_F(DialogBuilderTest, BadAttributesAreReportedWithFileControlAndAttribute) {
    Write("bad.xml", R"(<Window size="10,x"><Container>
  <Button name="btnGo" pos="1,2,3" colour="red" normalimage="file='a.png' dest='1'" width="40" />
  <Unknown name="u"><Label name="lost"/></Unknown>
</Container></Window>)");
    TestWindow window;
    window.Open();
    CDialogBuilder builder;
    platform::LogCapture log;
    CControlUI* root = builder.Create("bad.xml", nullptr, nullptr, &window.pm);
    ASSERT_NE(root, nullptr);  // the rest of the skin is built
    window.pm.AttachDialog(root);
    const auto& lines = builder.GetDiagnostics();
    ASSERT_EQ(lines.size(), 5u);
    for (const std::string& line : lines)
        EXPECT_NE(line.find("bad.xml"), std::string::npos) << line;
    EXPECT_NE(lines[0].find("'size'"), std::string::npos);
    EXPECT_NE(lines[1].find("Button 'btnGo'"), std::string::npos);
    EXPECT_NE(lines[1].find("'pos'"), std::string::npos);
    EXPECT_NE(lines[2].find("unknown attribute 'colour'"), std::string::npos);
    EXPECT_NE(lines[3].find("'normalimage'"), std::string::npos);
    EXPECT_NE(lines[4].find("Unknown 'u'"), std::string::npos);
    // A skin that builds with faults logs each one as a warning.
    EXPECT_EQ(log.Messages(platform::LogLevel::Warning),
              std::vector<std::string>(lines.begin(), lines.end()));
    auto* button = window.Find("btnGo");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetFixedWidth(), 40);  // good attributes still apply
    EXPECT_EQ(window.Find("lost"), nullptr);
}

// The program's own main-window skin builds cleanly with every name the client looks up.
TEST_F(DialogBuilderTest, MainWindowSkinBuildsWithoutDiagnostics) {
    std::filesystem::path skin = std::filesystem::path(QUORVI_SOURCE_DIR) / "skin/quorvi/skin.xml";
    if (!std::filesystem::exists(skin)) GTEST_SKIP() << "no main-window skin in this tree";
    TestWindow window;
    window.Open();
    CDialogBuilder builder;
    CControlUI* root = builder.Create(skin.string(), nullptr, nullptr, &window.pm);
    ASSERT_NE(root, nullptr);
    window.pm.AttachDialog(root);
    for (const std::string& line : builder.GetDiagnostics()) ADD_FAILURE() << line;
    for (const char* name : {"closebtn", "maxbtn", "restorebtn", "minbtn", "containerSettingDialog",
                             "Container1", "ieContainer", "signature", "listSearchResultContainer",
                             "listSearchResult", "optNavUser", "containerMask"})
        EXPECT_NE(window.pm.FindControl(name), nullptr) << name;
}

// Every cut of a skin either builds or is refused with a reason; none crashes.
TEST_F(DialogBuilderTest, TruncatedSkinsAreRefusedOrBuilt) {
    const std::string skin =
        R"(<Window size="950,553" caption="0,0,0,26"><Font name="Sans" size="12"/>
<Default name="Button" value="height=&quot;24&quot;"/><VerticalLayout name="root">
<Button name="closebtn" normalimage="file='a.png' dest='1,2,3,4'" pos="1,2,3,4"/>
<List vscrollbar="true"><ListLabelElement text="x"/></List></VerticalLayout></Window>)";
    TestWindow window;
    window.Open();
    testing::internal::CaptureStderr();
    int built = 0;
    for (size_t length = 1; length <= skin.size(); ++length) {
        CPaintManagerUI manager;
        CDialogBuilder builder;
        std::unique_ptr<CControlUI> root(
            builder.Create(skin.substr(0, length), nullptr, nullptr, &manager));
        if (root)
            ++built;
        else
            EXPECT_FALSE(builder.GetDiagnostics().empty()) << length;
    }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(built, 1);  // only the whole text is a document
}

}  // namespace
