// Finding controls on the screen by name: which controls are listed, and where.
#include "ui/core/control_map.h"

#include <gtest/gtest.h>

#include "ui/core/test_support.h"

namespace {

using namespace DuiLib;
using ui_test::TestWindow;

class ControlMapTest : public ::testing::Test {
protected:
    void SetUp() override { ui::InstallHeadlessBackend(); }
    void TearDown() override { ui::RunUntilIdle(); }

    std::string Map(const std::string& skin, POINT origin = {0, 0}) {
        window_ = std::make_unique<TestWindow>(skin);
        EXPECT_NE(window_->Open(0, 0, 400, 300), nullptr);
        window_->pm.UpdateLayout();
        return ui::FormatControlMap(ui::VisibleNamedControls(window_->pm.GetRoot()), origin);
    }

    std::unique_ptr<TestWindow> window_;
};

TEST_F(ControlMapTest, ListsVisibleNamedControlsInScreenCoordinates) {
    const std::string map = Map(R"(<VerticalLayout name="root">
        <HorizontalLayout height="100">
          <Button name="btnGo" width="50" />
          <Control />
          <Button name="btnHidden" width="50" visible="false" />
        </HorizontalLayout>
        <TabLayout name="tabs">
          <Container name="page0"><Label name="lbOnShownPage" /></Container>
          <Container name="page1"><Label name="lbOnHiddenPage" /></Container>
        </TabLayout>
      </VerticalLayout>)",
                                {1000, 500});
    EXPECT_EQ(map,
              "1000 500 400 300 root\n"
              "1000 500 50 100 btnGo\n"
              "1000 600 400 200 tabs\n"
              "1000 600 400 200 page0\n"
              "1000 600 400 200 lbOnShownPage\n");
}

TEST_F(ControlMapTest, ControlsAreCutToTheirContainersAndThoseOutsideLeftOut) {
    // A floating panel sticking out of its container, and one wholly outside it.
    const std::string map = Map(R"(<Container name="root">
        <Container name="box" float="true" pos="10,10,110,110">
          <Button name="btnHalfOut" float="true" pos="50,50,150,150" />
          <Button name="btnOutside" float="true" pos="200,0,250,50" />
        </Container>
      </Container>)");
    EXPECT_EQ(map,
              "0 0 400 300 root\n"
              "10 10 100 100 box\n"
              "60 60 50 50 btnHalfOut\n");
}

TEST_F(ControlMapTest, NamesAreWrittenInUtf8OnOneLine) {
    ui::ControlPlace place{"optNav\xD1\xA7\xCF\xB0\nx", RECT{1, 2, 4, 6}};  // GBK "学习"
    EXPECT_EQ(ui::FormatControlMap({place}, {10, 20}), "11 22 3 4 optNav学习 x\n");
    EXPECT_EQ(ui::FormatControlMap(ui::VisibleNamedControls(nullptr), {0, 0}), "");
}

}  // namespace
