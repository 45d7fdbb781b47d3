// The catalogue pass into the main window's skin: where the options, containers
// and panels go, and that the tables hold what the window shows.
#include "client/catalogue/navigation_builder.h"

#include <fstream>

#include "client/catalogue/catalogue_component.h"
#include "client/catalogue/catalogue_ui_test_support.h"

namespace quorvi {
namespace {

using DuiLib::CControlUI;

TEST_F(CatalogueWindowTest, SeventhGroupAndSeventhApplicationTakeTheirPlaces) {
    std::string apps;
    for (int i = 1; i <= 7; ++i) apps += AppXml(std::to_string(i), "http://a/" + std::to_string(i));
    std::string groups = GroupXml("10", apps);
    for (int g = 11; g <= 16; ++g) groups += GroupXml(std::to_string(g), "");
    Build(groups);

    // Navigation: a row beside "optNavUser" that does not wrap.
    DuiLib::COptionUI* seventh = Option("optNavm16");
    ASSERT_NE(seventh, nullptr);
    EXPECT_EQ(seventh->GetParent(), Find("optNavUser")->GetParent());
    EXPECT_EQ(seventh->GetPos(), (RECT{830, 10, 930, 110}));
    EXPECT_EQ(seventh->GetForeImage(), "file='g16.png' dest='15,20,84,70'");
    EXPECT_EQ(Option("optNavm15")->GetForeImage(), "file='g15.png' dest='13,20,87,70'");
    EXPECT_EQ(Option("optNavm12")->GetForeImage(), "file='g12.png' dest='20,20,79,75'");
    EXPECT_EQ(seventh->GetUserData(), "16");
    EXPECT_EQ(seventh->GetTag(), 16u);

    // Group containers: hidden, beside "Container1", in document order.
    ASSERT_EQ(controls.groupContainers.size(), 7u);
    CControlUI* first = controls.groupContainers[0];
    EXPECT_EQ(first->GetName(), "Container10");
    EXPECT_EQ(first->GetUserData(), "10");
    EXPECT_FALSE(first->IsVisible());
    EXPECT_EQ(first->GetParent(), Find("Container1")->GetParent());

    // Quick bar: six a row, the seventh starts the second.
    EXPECT_EQ(Option("optLink6")->GetPos(), (RECT{800, 32, 900, 132}));
    DuiLib::COptionUI* app7 = Option("optLink7");
    ASSERT_NE(app7, nullptr);
    EXPECT_EQ(app7->GetParent(), first);
    EXPECT_EQ(app7->GetPos(), (RECT{75, 162, 175, 262}));
    EXPECT_EQ(app7->GetSelectedImage(), "");  // quick-bar options keep no selected look
    EXPECT_EQ(app7->GetUserData(), "http://a/7");

    // The tables hold what the options show.
    EXPECT_EQ(Column("select AppName||' '||AppForeImage||' '||UserData||' '||ControlName||' '||"
                     "GroupID from apps where AppID=7"),
              "App7 file='i7.png' dest='16,0,84,70' http://a/7 optLink7 10");
    EXPECT_EQ(Column("select count(*) from apps"), "7");
}

TEST_F(CatalogueWindowTest, HolderAdvancesTheColumnAndOpensItsOwnPanel) {
    std::string subs;
    for (int i = 1; i <= 7; ++i) subs += AppXml("6" + std::to_string(i), "prog/p.exe");
    Build(GroupXml("10", AppXml("1") + HolderXml("5", "") + AppXml("3") + HolderXml("6", subs)));

    // The holder takes a place on the bar like any application.
    EXPECT_EQ(Option("optLink3")->GetPos(), (RECT{365, 32, 465, 132}));
    EXPECT_EQ(Option("optLink6")->GetPos(), (RECT{510, 32, 610, 132}));
    EXPECT_EQ(Option("optLink5")->GetUserData(), "FloatContainer5");

    // One hidden panel per holder, over the window, in document order.
    ASSERT_EQ(controls.floatingPanels.size(), 2u);
    CControlUI* empty = controls.floatingPanels[0];
    EXPECT_EQ(empty->GetName(), "FloatContainer5");
    EXPECT_EQ(empty->GetUserData(), "5");
    EXPECT_FALSE(empty->IsVisible());
    EXPECT_EQ(empty->GetParent(), Find("Container1")->GetParent()->GetParent());
    EXPECT_EQ(empty->GetPos(), (RECT{0, 125, 948, 557}));
    auto* emptyList = static_cast<DuiLib::CListUI*>(empty->GetInterface("List"));
    ASSERT_NE(emptyList, nullptr);
    EXPECT_TRUE(emptyList->IsVScrollBarEnabled());
    ASSERT_EQ(emptyList->GetCount(), 1);
    EXPECT_EQ(emptyList->GetItemAt(0)->GetName(), "FloatContainer5");
    EXPECT_EQ(emptyList->GetItemAt(0)->GetFixedHeight(), 200);  // no sub-application at all

    auto* full = static_cast<DuiLib::CListUI*>(controls.floatingPanels[1]->GetInterface("List"));
    CControlUI* inner = full->GetItemAt(0);
    EXPECT_EQ(inner->GetFixedHeight(), 340);  // seven: two rows
    EXPECT_EQ(inner->GetFixedWidth(), 948);
    DuiLib::COptionUI* sub7 = Option("optLink67");
    ASSERT_NE(sub7, nullptr);
    EXPECT_EQ(sub7->GetParent(), inner);
    EXPECT_EQ(sub7->GetPos(), (RECT{65, 210, 165, 310}));
    EXPECT_EQ(Option("optLink61")->GetPos(), (RECT{65, 80, 165, 180}));

    // Holders are not applications; their sub-applications belong to the group.
    EXPECT_EQ(Column("select count(*) from apps where AppID in (5,6)"), "0");
    EXPECT_EQ(Column("select count(*) from apps where GroupID=10"), "9");
}

TEST_F(CatalogueWindowTest, EmptyDocumentBuildsAndStoresNothing) {
    db.Execute("insert into apps_recommend values (NULL,'a','f','u',NULL,'optLink1',1,'w','1',1)");
    CatalogueDocument document;
    ASSERT_TRUE(ParseCatalogueDocument("<?xml version='1.0'?><!-- nothing -->", document));
    const int before = Find("optNavUser")->GetParent()->GetChildCount();
    controls = BuildCatalogueView(window->pm, db, document);
    EXPECT_TRUE(controls.groupContainers.empty());
    EXPECT_EQ(Find("optNavUser")->GetParent()->GetChildCount(), before);
    EXPECT_EQ(Column("select count(*) from apps_recommend"), "1");  // left untouched
}

TEST_F(CatalogueWindowTest, ApplicationsAreStoredWhenTheSkinHasNoPlaceForThem) {
    ui_test::TestWindow bare(R"(<Container name="root"/>)");
    ASSERT_NE(bare.Open(), nullptr);
    CatalogueDocument document;
    ASSERT_TRUE(ParseCatalogueDocument(
        "<apps>" + GroupXml("10", AppXml("1") + HolderXml("5", AppXml("51"))) + "</apps>",
        document));
    const CatalogueControls built = BuildCatalogueView(bare.pm, db, document);
    EXPECT_TRUE(built.groupContainers.empty());
    EXPECT_TRUE(built.floatingPanels.empty());
    EXPECT_EQ(bare.pm.FindControl("optLink1"), nullptr);
    EXPECT_EQ(Column("select AppID from apps order by AppID"), "1|51");
}

// The catalogue is read ahead once: a second start of the read for the same
// file (the window's creation after the program started it) neither reads it
// again nor decodes its icons twice, and the window's pass stores that read.
TEST_F(CatalogueWindowTest, CatalogueReadAheadOnceIsTakenByTheWindowsPass) {
    const std::string path = folder.Path() + "apps.xml";
    std::ofstream(path) << "<?xml version='1.0' encoding='UTF-8'?><apps>"
                        << GroupXml("1", AppXml("11") + AppXml("12")) << "</apps>";
    UserInfo user;
    CatalogueComponent catalogue(window->pm, db, user);
    int first = 0, second = 0;
    catalogue.Preload(path, [&](std::vector<std::string>) { ++first; });
    catalogue.Preload(path, [&](std::vector<std::string>) { ++second; });
    ASSERT_TRUE(catalogue.Load(path));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(Column("select count(*) from apps"), "2");
}

}  // namespace
}  // namespace quorvi
