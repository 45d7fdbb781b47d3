// The views built from the tables: history panel, search results and the
// recommendation columns.
#include <set>

#include "client/catalogue/catalogue_store.h"
#include "client/catalogue/catalogue_ui_test_support.h"
#include "client/catalogue/history_panel.h"
#include "client/catalogue/recommendations.h"
#include "client/catalogue/search.h"
#include "platform/chinese_texts.h"

namespace quorvi {
namespace {

using DuiLib::CControlUI;
namespace texts = platform::texts;

class CatalogueListsTest : public CatalogueWindowTest {
protected:
    // An `apps` row; `used` is its Dateline (NULL when empty).
    void AddApp(int id, const std::string& name, const std::string& used = "") {
        const std::string sid = std::to_string(id);
        db.Execute("insert into apps values (NULL,?,?,?,?,?,?,'web',1)",
                   {name, "file='i" + sid + ".png' dest='16,0,84,70'", "http://a/" + sid,
                    used.empty() ? SqlValue(nullptr) : SqlValue(used), "optLink" + sid, id});
    }
    void AddRecommended(int id, const std::string& key) {
        const std::string sid = std::to_string(id);
        db.Execute("insert into apps_recommend values (NULL,?,?,?,NULL,?,?,'web',?,1)",
                   {"R" + sid, "file='r.png' dest='5,5,39,41'", "http://r/" + sid, "optLink" + sid,
                    id, key});
    }
    void TypeKeyword(const std::string& text) { Find("signature")->SetText(text); }
    SearchOutcome Search(bool live) { return SearchCatalogue(window->pm, db, lastKeyword, live); }
    CControlUI* Results() { return Find("listSearchResultContainer"); }
    std::string ResultNames() {
        std::string names;
        for (int i = 0; i < Results()->GetChildCount(); ++i)
            names += (i ? "|" : "") + std::string(Results()->GetChildAt(i)->GetText());
        return names;
    }
    std::string CountLabel() { return Find("labelSearchResultCount")->GetText(); }
    static std::string CountText(int count) {
        return texts::kSearchCountPrefix + std::to_string(count) + texts::kSearchCountSuffix;
    }

    std::string lastKeyword;
};

TEST_F(CatalogueListsTest, HistoryShowsTheFifteenNewestUsesThenUnusedApplications) {
    for (int i = 1; i <= 16; ++i) {
        char used[32];
        std::snprintf(used, sizeof used, "2026-01-%02d 10:00:00", i);
        AddApp(i, "App" + std::to_string(i), used);
    }
    EXPECT_EQ(RebuildHistory(window->pm, db), 15);
    CControlUI* panel = Find("containerHistoryPanel");
    ASSERT_EQ(panel->GetChildCount(), 15);
    auto* newest = static_cast<DuiLib::COptionUI*>(panel->GetChildAt(0));
    EXPECT_EQ(newest->GetName(), "optLink16");
    EXPECT_EQ(newest->GetToolTip(), "App16");
    EXPECT_EQ(newest->GetText(), "");
    EXPECT_EQ(newest->GetTag(), 16u);
    EXPECT_EQ(newest->GetUserData(), "http://a/16");
    EXPECT_EQ(newest->GetForeImage(), "file='i16.png' dest='5,5,39,41'");
    EXPECT_EQ(panel->GetChildAt(14)->GetName(), "optLink2");  // the oldest use is left out
    EXPECT_EQ(panel->GetChildAt(4)->GetPos(), (RECT{65, 98, 99, 134}));  // three a row

    // Rebuilt from scratch; never used applications fill up a short list.
    db.Execute("update apps set Dateline=NULL where AppID>2");
    AddApp(17, "App17", "2027-01-01 00:00:00");
    EXPECT_EQ(RebuildHistory(window->pm, db), 15);
    EXPECT_EQ(panel->GetChildAt(0)->GetName(), "optLink17");
    EXPECT_EQ(panel->GetChildAt(1)->GetName(), "optLink2");
}

TEST_F(CatalogueListsTest, SearchFoldsCapitalsDropsKeywordSpacesAndMatchesBytes) {
    AddApp(1, "Mail Box");
    AddApp(2, "campusMAIL");
    AddApp(3, "\xD0\xA3\xD4\xB0\xD3\xA6\xD3\xC3");  // 校园应用
    AddApp(4, "Library");

    TypeKeyword("MAIL");
    EXPECT_EQ(Search(false).count, 2);
    EXPECT_EQ(ResultNames(), "Mail Box|campusMAIL");
    EXPECT_TRUE(Visible("listSearchResult"));
    EXPECT_TRUE(Visible("labelSearchResultCount"));
    EXPECT_EQ(CountLabel(), CountText(2));
    EXPECT_EQ(lastKeyword, "mail");

    // Spaces leave the keyword, not the names.
    TypeKeyword("c a m p u s");
    Search(false);
    EXPECT_EQ(ResultNames(), "campusMAIL");
    TypeKeyword("l b");
    EXPECT_EQ(Search(false).count, 0);
    EXPECT_FALSE(Visible("listSearchResult"));

    TypeKeyword("\xD3\xA6\xD3\xC3");  // 应用
    EXPECT_EQ(Search(false).count, 1);
    auto* found = static_cast<DuiLib::COptionUI*>(Results()->GetChildAt(0));
    EXPECT_EQ(found->GetName(), "optLinkoptLink3");  // opens like a quick-bar option
    EXPECT_EQ(found->GetTag(), 3u);
    EXPECT_EQ(found->GetUserData(), "http://a/3");
    EXPECT_EQ(found->GetForeImage(), "file='i3.png' dest='16,0,84,70'");
}

TEST_F(CatalogueListsTest, PlaceholderSearchesItselfByHandAndAsksForAKeywordLive) {
    AddApp(1, "Mail");
    TypeKeyword("mail");
    Search(false);
    ASSERT_TRUE(Visible("listSearchResult"));

    // The box was left empty, so it shows the placeholder: searched as it stands.
    TypeKeyword(texts::kSearchPlaceholder);
    EXPECT_TRUE(Search(false).ran);
    EXPECT_EQ(CountLabel(), CountText(0));
    EXPECT_FALSE(Visible("listSearchResult"));
    EXPECT_EQ(lastKeyword, texts::kSearchPlaceholder);

    // A live tick with an empty box asks for a keyword and keeps the last one.
    TypeKeyword("mail");
    Search(false);
    TypeKeyword("");
    EXPECT_FALSE(Search(true).ran);
    EXPECT_EQ(CountLabel(), texts::kSearchEnterKeyword);
    EXPECT_FALSE(Visible("listSearchResult"));
    EXPECT_EQ(lastKeyword, "mail");

    // A tick searches only when the keyword changed.
    TypeKeyword("MAIL");
    EXPECT_FALSE(Search(true).ran);
    TypeKeyword("ma");
    EXPECT_EQ(Search(true).count, 1);
    EXPECT_EQ(lastKeyword, "ma");
}

TEST_F(CatalogueListsTest, ResultsWrapAfterSixAndASecondSearchReplacesTheFirst) {
    for (int i = 1; i <= 7; ++i) AddApp(i, "Tool" + std::to_string(i));
    AddApp(8, "Mail");
    TypeKeyword("tool");
    EXPECT_EQ(Search(false).count, 7);
    EXPECT_EQ(Results()->GetChildAt(6)->GetPos(), (RECT{65, 150, 165, 250}));
    EXPECT_EQ(Results()->GetChildAt(5)->GetPos(), (RECT{765, 20, 865, 120}));
    EXPECT_EQ(Results()->GetFixedHeight(), 340);

    TypeKeyword("mail");
    EXPECT_EQ(Search(false).count, 1);
    EXPECT_EQ(ResultNames(), "Mail");
    EXPECT_EQ(Results()->GetFixedHeight(), 200);
}

TEST_F(CatalogueListsTest, AKeywordWithSpacesIsSearchedOnceByTheTicks) {
    AddApp(1, "Mail");
    TypeKeyword("m a");
    EXPECT_EQ(Search(true).count, 1);
    EXPECT_FALSE(Search(true).ran);
    TypeKeyword("ma");
    EXPECT_FALSE(Search(true).ran);  // the same search
    // Spaces alone are still searched (they find nothing), as a new keyword.
    TypeKeyword("  ");
    EXPECT_TRUE(Search(true).ran);
    EXPECT_EQ(CountLabel(), CountText(0));
}

TEST_F(CatalogueListsTest, ResultOptionsShownAgainLookAndOpenLikeNewOnes) {
    for (int i = 1; i <= 8; ++i) AddApp(i, (i <= 6 ? "Tool" : "Mail") + std::to_string(i));
    SearchResultSpares spares;
    TypeKeyword("tool");
    ASSERT_EQ(SearchCatalogue(window->pm, db, lastKeyword, false, &spares).count, 6);
    // The user had clicked the first result.
    auto* clicked = static_cast<DuiLib::COptionUI*>(Results()->GetChildAt(0));
    clicked->Selected(true);

    TypeKeyword("mail");
    ASSERT_EQ(SearchCatalogue(window->pm, db, lastKeyword, false, &spares).count, 2);
    EXPECT_EQ(ResultNames(), "Mail7|Mail8");
    EXPECT_EQ(spares.options.size(), 4u);  // the untouched rest waits for the next search
    for (int i = 0; i < 2; ++i) {
        auto* shown = static_cast<DuiLib::COptionUI*>(Results()->GetChildAt(i));
        EXPECT_FALSE(shown->IsSelected());
        EXPECT_EQ(shown->GetName(), "optLinkoptLink" + std::to_string(7 + i));
        EXPECT_EQ(shown->GetTag(), static_cast<UINT_PTR>(7 + i));
        EXPECT_EQ(shown->GetUserData(), "http://a/" + std::to_string(7 + i));
        EXPECT_EQ(window->pm.FindControl(shown->GetName()), shown);
        EXPECT_EQ(shown->GetPos(), SearchResultRect(i));
    }
    // The names of results no longer shown are gone from the window.
    EXPECT_EQ(Find("optLinkoptLink1"), nullptr);
    EXPECT_EQ(Find("optLinkoptLink6"), nullptr);

    // Spares come back in the places they are needed.
    TypeKeyword("l");
    ASSERT_EQ(SearchCatalogue(window->pm, db, lastKeyword, false, &spares).count, 8);
    EXPECT_EQ(ResultNames(), "Tool1|Tool2|Tool3|Tool4|Tool5|Tool6|Mail7|Mail8");
    EXPECT_EQ(Results()->GetChildAt(7)->GetPos(), SearchResultRect(7));
    EXPECT_EQ(Find("optLinkoptLink6"), Results()->GetChildAt(5));
    EXPECT_TRUE(spares.options.empty());
}

TEST_F(CatalogueListsTest, EachColumnShowsItsFirstFiveRecommendations) {
    for (int i = 1; i <= 7; ++i) AddRecommended(i, "1");
    AddRecommended(20, "4");
    AddRecommended(30, "01");  // not the key "1"
    CControlUI* home = Find("Container1");
    const int before = home->GetChildCount();

    EXPECT_EQ(BuildRecommendations(home, db, "1"), 5);
    EXPECT_EQ(BuildRecommendations(home, db, "4"), 1);
    EXPECT_EQ(BuildRecommendations(home, db, "2"), 0);
    EXPECT_EQ(BuildRecommendations(nullptr, db, "1"), 0);  // home view not looked up yet
    ASSERT_EQ(home->GetChildCount(), before + 6);

    auto* fifth = static_cast<DuiLib::COptionUI*>(home->GetChildAt(before + 4));
    EXPECT_EQ(fifth->GetName(), "optLink5");
    EXPECT_EQ(fifth->GetText(), "R5");
    EXPECT_EQ(fifth->GetPos(), (RECT{101, 378, 255, 424}));
    EXPECT_EQ(fifth->GetForeImage(), "file='r.png' dest='5,5,39,41'");
    EXPECT_EQ(home->GetChildAt(before)->GetPos(), (RECT{101, 178, 255, 224}));
    EXPECT_EQ(home->GetChildAt(before + 5)->GetPos(), (RECT{725, 178, 879, 224}));
    EXPECT_EQ(Find("optLink6"), nullptr);
}

// The icons decoded ahead of the first frame are the navigation's and those the
// columns show once the document is stored: five a key, holders' sub-applications
// in their place, each file once.
TEST_F(CatalogueListsTest, IconsShownAtStartAreThoseTheColumnsShow) {
    std::string xml = "<apps><g caption='G' icon='g1.png' mark='a' id='1'>";
    for (int i = 1; i <= 6; ++i) {
        const std::string n = std::to_string(i);
        xml += "<a caption='A' icon='k" + n + ".png' id='1" + n + "' action='web' appRecommend='" +
               (i == 6 ? "4" : "1") + "'>u</a>";
    }
    xml +=
        "<a caption='H' icon='h.png' id='20' showSubApps='True' appRecommend='2'>"
        "<a caption='S' icon='s.png' id='21' action='web' appRecommend='2'>u</a></a>"
        "<a caption='X' icon='x.png' id='22' action='web' appRecommend='01'>u</a>"
        "<a caption='Y' icon='y.png' id='23' action='web' appRecommend='5'>u</a>"
        "<a caption='N' icon='n.png' id='x9' action='web' appRecommend='3'>u</a></g>"
        "<g caption='G2' icon='k1.png' mark='b' id='2'>"
        "<a caption='Z' icon='k7.png' id='30' action='web' appRecommend='1'>u</a></g></apps>";
    CatalogueDocument document;
    ASSERT_TRUE(ParseCatalogueDocument(xml, document));
    const std::vector<std::string> icons = IconsShownAtStart(document);
    EXPECT_EQ(icons, (std::vector<std::string>{"g1.png", "k1.png", "k2.png", "k3.png", "k4.png",
                                               "k5.png", "k6.png", "s.png"}));

    // The rows the columns are built from before the store are those it writes.
    StoreCatalogue(db, document);
    using Columns = std::vector<std::optional<std::string>>;
    std::vector<Columns> expected;
    for (const SqlRow& row : RecommendationRows(document)) expected.push_back(row.columns);
    std::vector<Columns> stored;
    for (const SqlRow& row : db.Query("select * from apps_recommend order by ID"))
        stored.push_back(row.columns);
    EXPECT_EQ(expected, stored);
    EXPECT_EQ(stored.size(), 10u);  // all but the one whose id is no number
    CControlUI* home = Find("Container1");
    const int before = home->GetChildCount();
    for (const char* key : {"1", "2", "3", "4"}) BuildRecommendations(home, db, key);
    std::set<std::string> shown{"g1.png"};
    for (int i = before; i < home->GetChildCount(); ++i) {
        const std::string fore =
            static_cast<DuiLib::COptionUI*>(home->GetChildAt(i))->GetForeImage();
        shown.insert(fore.substr(6, fore.find('\'', 6) - 6));  // file='...'
    }
    EXPECT_EQ(shown, std::set<std::string>(icons.begin(), icons.end()));
}

}  // namespace
}  // namespace quorvi
