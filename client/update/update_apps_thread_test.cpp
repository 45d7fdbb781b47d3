// The application list and icon update against the portal stand-in on loopback.
#include "client/update/update_apps_thread.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "client/catalogue/catalogue_document.h"
#include "client/common/portal_stand_in_test_support.h"
#include "libmerv/libmerv.h"

namespace quorvi {
namespace {

using testing::PortalStandIn;
using testing::ReadFile;
using testing::WriteFile;

// The icons the demo catalogue names, with their digests, in document order.
std::vector<std::pair<std::string, std::string>> IconsOf(const std::string& catalogue) {
    std::vector<std::pair<std::string, std::string>> icons;
    TiXmlDocument document;
    document.Parse(catalogue.c_str());
    std::vector<const TiXmlElement*> pending = {document.RootElement()};
    while (!pending.empty()) {
        const TiXmlElement* element = pending.back();
        pending.pop_back();
        if (element != document.RootElement())
            icons.emplace_back(element->Attribute("icon"), element->Attribute("iconMd5"));
        std::vector<const TiXmlElement*> children;
        for (auto* child = element->FirstChildElement(); child; child = child->NextSiblingElement())
            children.push_back(child);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return icons;
}

class AppsUpdateTest : public ::testing::Test {
protected:
    void SetUp() override { portal.Start(); }

    AppsUpdateSettings Settings(const std::string& catalogue = "appsn.php") const {
        return {program.Path(), portal.Origin() + "/app/" + catalogue, portal.Origin() + "/app/",
                IsReadableCatalogue};
    }
    std::string Icon(const std::string& icon) const {
        return program.Path() + "skin/quorvi/" + icon;
    }
    // Serves a catalogue of the test's own as /app/<name>, bypassing the portal's digests.
    void ServeCatalogue(const std::string& name, const std::string& body) {
        WriteFile(portal.DataFolder() + "app/" + name, body);
    }
    void ServeIcon(const std::string& icon, const std::string& bytes) {
        WriteFile(portal.DataFolder() + "app/" + icon, bytes);
    }
    std::vector<std::string> IconRequests() const {
        std::vector<std::string> icons;
        for (const std::string& path : portal.PathsBelow("/app/"))
            if (!path.ends_with(".php") && !path.ends_with(".xml")) icons.push_back(path.substr(5));
        return icons;
    }

    PortalStandIn portal;
    TempFolder program;
};

TEST_F(AppsUpdateTest, EmptyFolderGetsCatalogueAndIconsThenSteadyStateFetchesNoIcon) {
    AppsUpdateOutcome first = RunAppsUpdate(Settings());
    EXPECT_TRUE(first.ran);
    EXPECT_TRUE(first.catalogueInstalled);
    const std::string served = Clibmerv::GetHttpContent(Settings().catalogueUrl);
    ASSERT_EQ(ReadFile(program.Path() + "apps.xml"), served);
    EXPECT_FALSE(std::filesystem::exists(program.Path() + "apps.xml.update"));

    const auto icons = IconsOf(served);
    ASSERT_GE(icons.size(), 30u);
    std::vector<std::string> expectedOrder;
    for (const auto& [icon, digest] : icons) {
        EXPECT_EQ(Clibmerv::FileDigest(Icon(icon)), digest) << icon;
        EXPECT_FALSE(std::filesystem::exists(Icon(icon) + ".tmp")) << icon;
        expectedOrder.push_back(icon);
    }
    // Groups, their applications and sub-applications, depth first.
    EXPECT_EQ(IconRequests(), expectedOrder);
    EXPECT_EQ(first.iconsReplaced, static_cast<int>(icons.size()));

    const std::size_t before = portal.Requests().size();
    AppsUpdateOutcome second = RunAppsUpdate(Settings());
    EXPECT_TRUE(second.catalogueInstalled);
    EXPECT_EQ(second.iconsChecked, static_cast<int>(icons.size()));
    EXPECT_EQ(second.iconsFetched, 0);
    auto requests = portal.Requests();
    ASSERT_EQ(requests.size(), before + 1);
    EXPECT_EQ(requests.back().path, "/app/appsn.php");
}

TEST_F(AppsUpdateTest, CatalogueThatIsNotWholeOrDoesNotParseChangesNothing) {
    WriteFile(program.Path() + "apps.xml", "<apps>old</apps>");
    // An error page is well-formed enough to parse; it must not replace the catalogue either.
    for (const char* fault : {"kind=garbage", "kind=empty", "kind=truncate",
                              "kind=error&status=500", "kind=error&status=404"}) {
        SCOPED_TRACE(fault);
        portal.SetFault("/app/appsn.php", fault);
        AppsUpdateOutcome outcome = RunAppsUpdate(Settings());
        EXPECT_TRUE(outcome.ran);
        EXPECT_FALSE(outcome.catalogueInstalled);
        EXPECT_EQ(ReadFile(program.Path() + "apps.xml"), "<apps>old</apps>");
        EXPECT_TRUE(std::filesystem::exists(program.Path() + "apps.xml.update"));
        EXPECT_EQ(outcome.iconsChecked, 0);
    }

    // Whole answers with status 200 that parse but are no catalogue: a captive
    // portal's page, a root without groups, groups the client cannot read, and
    // a document nested deeper than a parse can take.
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<g icon='x.png' iconMd5='0'>";
    const std::vector<std::pair<std::string, std::string>> notCatalogues = {
        {"portal.xml",
         "<?xml version=\"1.0\"?><html><head><title>Sign in</title></head>"
         "<body><a href='http://login'>Sign in to the network</a></body></html>"},
        {"bare.xml", "<apps/>"},
        {"unreadable.xml",
         "<apps><group caption='c' icon='x.png' iconMd5='0' id='1'/>"
         "<group caption='c' icon='x.png' mark='m' id='one'/></apps>"},
        {"deep.xml", deep},
    };
    for (const auto& [name, body] : notCatalogues) {
        SCOPED_TRACE(name);
        ServeCatalogue(name, body);
        AppsUpdateOutcome outcome = RunAppsUpdate(Settings(name));
        EXPECT_FALSE(outcome.catalogueInstalled);
        EXPECT_FALSE(outcome.catalogueRefused.empty());
        EXPECT_EQ(ReadFile(program.Path() + "apps.xml"), "<apps>old</apps>");
        EXPECT_EQ(outcome.iconsChecked, 0);
    }
    // Without a catalogue check nothing is installed.
    AppsUpdateSettings unchecked = Settings();
    unchecked.isCatalogue = nullptr;
    EXPECT_FALSE(RunAppsUpdate(unchecked).catalogueInstalled);
    EXPECT_EQ(ReadFile(program.Path() + "apps.xml"), "<apps>old</apps>");

    EXPECT_TRUE(IconRequests().empty());
    EXPECT_FALSE(std::filesystem::exists(program.Path() + "skin"));
}

TEST_F(AppsUpdateTest, NestedOrderStructuralElementsAndCapitalDigests) {
    ServeIcon("g1.png", "g1");
    ServeIcon("a1.png", "a1");
    ServeIcon("s1.png", "s1");
    ServeIcon("sub/dir/s2.png", "s2");
    ServeIcon("a2.png", "a2");
    ServeIcon("g2.png", "g2");
    ServeIcon("h1.png", "h1");
    ServeIcon("caps.png", "caps");
    const std::string caps = Clibmerv::md5ex("caps");
    std::string upper = caps;
    for (char& c : upper) c = static_cast<char>(std::toupper(c));
    auto md5 = [](const char* text) { return Clibmerv::md5ex(text); };
    ServeCatalogue("nested.xml",
                   "<?xml version=\"1.0\"?>\n<!-- comment --><apps>"
                   "<group caption='c' icon='g1.png' mark='m' id='1'/>"
                   "<g icon='g1.png' iconMd5='" +
                       md5("g1") +
                       "'>"
                       "  <a icon='a1.png' iconMd5='" +
                       md5("a1") +
                       "'>"
                       "    <s icon='s1.png' iconMd5='" +
                       md5("s1") +
                       "'/>"
                       "    <s icon='sub/dir/s2.png' iconMd5='" +
                       md5("s2") +
                       "'/>"
                       "  </a>"
                       "  <a icon='a2.png' iconMd5='" +
                       md5("a2") +
                       "'/>"
                       "</g>"
                       "<holder><a icon='h1.png' iconMd5='" +
                       md5("h1") +
                       "'/></holder>"
                       "<g icon='g2.png' iconMd5='" +
                       md5("g2") +
                       "'><noDigest icon='g1.png'/></g>"
                       "<c icon='caps.png' iconMd5='" +
                       upper +
                       "'/>"
                       "</apps>");

    AppsUpdateOutcome first = RunAppsUpdate(Settings("nested.xml"));
    EXPECT_TRUE(first.catalogueInstalled);
    EXPECT_EQ(IconRequests(),
              (std::vector<std::string>{"g1.png", "a1.png", "s1.png", "sub/dir/s2.png", "a2.png",
                                        "h1.png", "g2.png", "caps.png"}));
    EXPECT_EQ(ReadFile(Icon("sub/dir/s2.png")), "s2");
    EXPECT_EQ(ReadFile(Icon("caps.png")), "caps");

    // Only the icon published with a capital-letter digest is fetched again, at every run.
    for (int run = 0; run < 2; ++run) {
        const std::size_t before = IconRequests().size();
        EXPECT_EQ(RunAppsUpdate(Settings("nested.xml")).iconsFetched, 1);
        auto requests = IconRequests();
        ASSERT_EQ(requests.size(), before + 1);
        EXPECT_EQ(requests.back(), "caps.png");
    }
}

TEST_F(AppsUpdateTest, FailedIconTransferKeepsTheOldIcon) {
    WriteFile(Icon("app_notice.png"), "old notice");
    WriteFile(Icon("app_grades.png"), "old grades");
    WriteFile(Icon("app_exams.png"), "old exams");
    portal.SetFault("/app/app_notice.png", "kind=truncate");
    portal.SetFault("/app/app_grades.png", "kind=error&status=500");
    // Whole answers whose bytes are not the published icon.
    WriteFile(Icon("app_library.png"), "old library");
    portal.SetFault("/app/app_exams.png", "kind=empty");
    portal.SetFault("/app/app_library.png", "kind=corrupt");

    AppsUpdateOutcome outcome = RunAppsUpdate(Settings());
    EXPECT_TRUE(outcome.catalogueInstalled);
    EXPECT_EQ(ReadFile(Icon("app_notice.png")), "old notice");
    EXPECT_EQ(ReadFile(Icon("app_grades.png")), "old grades");
    EXPECT_EQ(ReadFile(Icon("app_exams.png")), "old exams");
    EXPECT_EQ(ReadFile(Icon("app_library.png")), "old library");
    for (const char* icon :
         {"app_notice.png", "app_grades.png", "app_exams.png", "app_library.png"})
        EXPECT_FALSE(std::filesystem::exists(Icon(std::string(icon) + ".tmp"))) << icon;
    EXPECT_EQ(outcome.iconsMismatched, 2);
    EXPECT_EQ(outcome.iconsFetched, outcome.iconsReplaced + 4);

    // The next run, with the server well again, mends exactly the four icons.
    portal.ClearFaults();
    outcome = RunAppsUpdate(Settings());
    EXPECT_EQ(outcome.iconsFetched, 4);
    EXPECT_EQ(outcome.iconsReplaced, 4);
    EXPECT_EQ(ReadFile(Icon("app_notice.png")),
              ReadFile(portal.DataFolder() + "app/app_notice.png"));
    EXPECT_EQ(ReadFile(Icon("app_grades.png")),
              ReadFile(portal.DataFolder() + "app/app_grades.png"));
}

TEST_F(AppsUpdateTest, PendingSideFileTakesTheFreshIcon) {
    WriteFile(Icon("app_mail.png"), "old mail");
    WriteFile(Icon("app_mail.png.vmupdate"), "stale side file");
    RunAppsUpdate(Settings());
    // The final updater's next swap puts the fresh icon in place.
    EXPECT_FALSE(std::filesystem::exists(Icon("app_mail.png")));
    EXPECT_EQ(ReadFile(Icon("app_mail.png.vmupdate")),
              ReadFile(portal.DataFolder() + "app/app_mail.png"));
}

TEST_F(AppsUpdateTest, IconPathsThatLeaveTheSkinFolderAreRefused) {
    EXPECT_TRUE(IsIconPathInsideSkin("app.png"));
    EXPECT_TRUE(IsIconPathInsideSkin("images/a/b.png"));
    for (const char* outside : {"", "../x.png", "/etc/x.png", "a/../../x.png", "a/..", "..\\x.png",
                                "\\x.png", "a//b.png", "a/"})
        EXPECT_FALSE(IsIconPathInsideSkin(outside)) << outside;

    // Served, the escapes would land in the program folder's parent or anywhere.
    ServeIcon("escape.png", "escape");
    TempFolder elsewhere;
    const std::string absolute = elsewhere.Path() + "absolute.png";
    ServeCatalogue("escape.xml",
                   "<apps><group caption='c' icon='escape.png' mark='m' id='1'/>"
                   "<g icon='../../escape.png' iconMd5='0'>"
                   "<a icon='" +
                       absolute +
                       "' iconMd5='0'/>"
                       "<a icon='ok/../../../escape.png' iconMd5='0'/>"
                       "<a icon='escape.png' iconMd5='" +
                       Clibmerv::md5ex("escape") + "'/></g></apps>");
    AppsUpdateOutcome outcome = RunAppsUpdate(Settings("escape.xml"));
    EXPECT_EQ(outcome.iconsRefused, 3);
    EXPECT_EQ(IconRequests(), std::vector<std::string>{"escape.png"});
    EXPECT_EQ(ReadFile(Icon("escape.png")), "escape");
    const std::filesystem::path parent = std::filesystem::path(program.Path()).parent_path();
    EXPECT_FALSE(std::filesystem::exists(parent.parent_path() / "escape.png"));
    EXPECT_FALSE(std::filesystem::exists(program.Path() + "escape.png"));
    EXPECT_FALSE(std::filesystem::exists(absolute));
}

TEST_F(AppsUpdateTest, IconsThatWouldReplaceTheProgramsOwnFilesOrAreNoImagesAreRefused) {
    for (const char* allowed : {"app.png", "a/b.JPG", "x.jpeg", "x.gif", "x.bmp", "x.ico"})
        EXPECT_TRUE(IsIconNameAllowed(allowed)) << allowed;
    for (const char* refused : {"skin.xml", "logo.png", "LOGO.PNG", "images/app.png", "quorvi.png",
                                "x.png' dest='0,0,900,900", "x\".png", "apps.txt", "x.png.vmupdate",
                                "x.png.tmp", "x.png/", "../x.png", "png"})
        EXPECT_FALSE(IsIconNameAllowed(refused)) << refused;

    // Served, they would overwrite the skin (a blank window at every later start)
    // and the program's icon.
    WriteFile(Icon("skin.xml"), "the skin");
    WriteFile(Icon("logo.png"), "the logo");
    ServeIcon("skin.xml", "<Window/>");
    ServeIcon("logo.png", "hostile");
    ServeIcon("fine.png", "fine");
    ServeCatalogue("own.xml",
                   "<apps><group caption='c' icon='skin.xml' iconMd5='0' mark='m' id='1'>"
                   "<a icon='logo.png' iconMd5='0'/><a icon='readme' iconMd5='0'/>"
                   "<a icon='fine.png' iconMd5='" +
                       Clibmerv::md5ex("fine") + "'/></group></apps>");
    AppsUpdateOutcome outcome = RunAppsUpdate(Settings("own.xml"));
    EXPECT_TRUE(outcome.catalogueInstalled);
    EXPECT_EQ(outcome.iconsRefused, 3);
    EXPECT_EQ(IconRequests(), std::vector<std::string>{"fine.png"});
    EXPECT_EQ(ReadFile(Icon("skin.xml")), "the skin");
    EXPECT_EQ(ReadFile(Icon("logo.png")), "the logo");
    EXPECT_EQ(ReadFile(Icon("fine.png")), "fine");
}

TEST_F(AppsUpdateTest, RunsNeverOverlapAndTheWorkerRunsOnceThenFinishes) {
    // The catalogue trickles out for about a second; the request is logged as it starts.
    portal.SetFault("/app/appsn.php", "kind=slow&rate=8000&times=1");
    WorkerOwner workers;
    CThread& worker = workers.Start(std::make_unique<CUpdateAppsThread>(Settings()));
    for (int i = 0; i < 200 && portal.PathsBelow("/app/appsn.php").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(portal.PathsBelow("/app/appsn.php").size(), 1u);
    AppsUpdateOutcome second = RunAppsUpdate(Settings());
    EXPECT_FALSE(second.ran);

    for (int i = 0; i < 200 && !worker.IsFinished(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(worker.IsFinished());
    EXPECT_EQ(workers.Running(), 0u);
    EXPECT_TRUE(std::filesystem::exists(program.Path() + "apps.xml"));
    EXPECT_EQ(portal.PathsBelow("/app/appsn.php").size(), 1u);
    EXPECT_TRUE(RunAppsUpdate(Settings()).ran);
}

TEST_F(AppsUpdateTest, TricklingCatalogueIsAbandonedSoTheNextRunFetchesIt) {
    // 20 bytes a second never stalls, but would hold the run (and every later
    // one, which stands aside) for minutes.
    portal.SetFault("/app/appsn.php", "kind=slow&rate=20");
    AppsUpdateSettings settings = Settings();
    settings.limits.minimumRate = 1024;
    settings.limits.rateWindow = std::chrono::milliseconds(1500);
    AppsUpdateOutcome outcome = RunAppsUpdate(settings);
    EXPECT_TRUE(outcome.ran);
    EXPECT_FALSE(outcome.catalogueInstalled);
    EXPECT_FALSE(std::filesystem::exists(program.Path() + "apps.xml"));
    EXPECT_FALSE(std::filesystem::exists(program.Path() + "apps.xml.update"));

    portal.ClearFaults();
    outcome = RunAppsUpdate(settings);
    EXPECT_TRUE(outcome.ran);
    EXPECT_TRUE(outcome.catalogueInstalled);
}

TEST_F(AppsUpdateTest, ACatalogueOf20000ApplicationsArrivesAndOnePastItsLimitChangesNothing) {
    // Captions, addresses and sub-application panels as long as real ones get.
    const std::string icon = ReadFile(portal.DataFolder() + "app/app_notice.png");
    const std::string iconAttributes =
        " icon=\"app_notice.png\" iconMd5=\"" + Clibmerv::md5ex(icon) + "\"";
    std::string catalogue = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<apps>\n";
    for (int group = 0; group < 20; ++group) {
        catalogue += "<group caption=\"Group " + std::to_string(group) + "\"" + iconAttributes +
                     " mark=\"G" + std::to_string(group) + "\" id=\"" + std::to_string(group + 1) +
                     "\">\n";
        for (int app = 0; app < 1000; ++app) {
            const std::string id = std::to_string(1000 + group * 1000 + app);
            catalogue += "  <app caption=\"A longer application caption " + id + "\"" +
                         iconAttributes + " id=\"" + id +
                         "\" action=\"web\" appRecommend=\"0\">http://apps.example.edu/"
                         "service/applications/open?application=" +
                         id + "&amp;channel=campus</app>\n";
        }
        catalogue += "</group>\n";
    }
    catalogue += "</apps>\n";
    ServeCatalogue("large.xml", catalogue);
    ASSERT_GT(catalogue.size(), 4'000'000u);

    AppsUpdateSettings settings = Settings("large.xml");
    settings.limits.maximumBodySize = 4096;  // other answers' limit does not bind the catalogue
    EXPECT_TRUE(RunAppsUpdate(settings).catalogueInstalled);
    EXPECT_EQ(ReadFile(program.Path() + "apps.xml"), catalogue);

    // Longer than its limit: cut off, nothing installed and nothing left behind.
    WriteFile(program.Path() + "apps.xml", "<apps>old</apps>");
    settings.maximumCatalogueSize = catalogue.size() - 1;
    const AppsUpdateOutcome outcome = RunAppsUpdate(settings);
    EXPECT_FALSE(outcome.catalogueInstalled);
    EXPECT_EQ(outcome.iconsChecked, 0);
    EXPECT_EQ(ReadFile(program.Path() + "apps.xml"), "<apps>old</apps>");
    EXPECT_FALSE(std::filesystem::exists(program.Path() + "apps.xml.update"));
}

TEST_F(AppsUpdateTest, StopRequestEndsARunWaitingOnAStalledServer) {
    WriteFile(program.Path() + "apps.xml", "<apps>old</apps>");
    portal.SetFault("/app/appsn.php", "kind=stall");  // held until the faults change
    std::atomic<bool> stop{false};
    AppsUpdateSettings settings = Settings();  // a minute's stall limit
    settings.stop = &stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    const AppsUpdateOutcome outcome = RunAppsUpdate(settings);
    stopper.join();
    EXPECT_TRUE(outcome.ran);
    EXPECT_FALSE(outcome.catalogueInstalled);
    EXPECT_EQ(ReadFile(program.Path() + "apps.xml"), "<apps>old</apps>");
    portal.ClearFaults();
}

}  // namespace
}  // namespace quorvi
