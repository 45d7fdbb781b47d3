// The launcher's window run headless in program folders of its own, with the
// real skin and the product module stand-in in each of its variants.
#include "launcher/vamo_frame_wnd.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "client/common/portal_urls.h"
#include "ui/core/headless_backend.h"
#include "ui/core/message_loop.h"
#include "ui/custom/computer_examine.h"

namespace vamo {
namespace {

namespace fs = std::filesystem;
using namespace DuiLib;
using namespace std::chrono_literals;

// The counts the module stand-in keeps in "vamo.so.calls" beside itself.
struct ModuleCalls {
    long run = 0;
    long connect = 0;
    std::string lastArgument;
};

// The first control at or below `root` whose user data is `data`.
CControlUI* FindByUserData(CControlUI* root, std::string_view data) {
    if (!root) return nullptr;
    if (root->GetUserData() == data) return root;
    auto* box = static_cast<IContainerUI*>(root->GetInterface("IContainer"));
    for (int i = 0; box && i < box->GetCount(); ++i)
        if (CControlUI* found = FindByUserData(box->GetItemAt(i), data)) return found;
    return nullptr;
}

class LauncherWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend_ = &ui::InstallHeadlessBackend();
        backend_->SetScreen({{0, 0, 1600, 900}, {0, 40, 1600, 880}});
        CPaintManagerUI::SetResourcePath(QUORVI_SKIN_DIR);
        std::string pattern = (fs::temp_directory_path() / "vamoXXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        folder_ = pattern + "/";
    }
    void TearDown() override {
        if (frame_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);  // deletes the frame
        ui::RunUntilIdle();
        ui::TakeQuit();
        fs::remove_all(folder_);
    }

    // "" puts the real module beside the window; otherwise a variant's folder.
    void PutModule(const std::string& variant = "") {
        const std::string from =
            variant.empty() ? std::string(QUORVI_MODULE_DIR) + "/vamo.so"
                            : std::string(QUORVI_TEST_MODULE_DIR) + "/" + variant + "/vamo.so";
        fs::copy_file(from, folder_ + "vamo.so");
    }
    void Open() {
        frame_ = new CVamoFrameWnd(folder_);
        hwnd_ =
            frame_->Create(nullptr, "Quorvi Vamo", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU,
                           0, 100, 60, 860, 560);
        ASSERT_TRUE(hwnd_);
    }
    CControlUI* Find(std::string_view name) { return frame_->PaintManager().FindControl(name); }
    void Timer() {
        TNotifyUI msg;
        msg.sType = "timer";
        msg.pSender = frame_->PaintManager().GetRoot();
        msg.wParam = kModuleTimer;
        frame_->Notify(msg);
    }
    void Click(std::string_view name) {
        TNotifyUI msg;
        msg.sType = "click";
        msg.pSender = Find(name);
        ASSERT_TRUE(msg.pSender) << name;
        frame_->Notify(msg);
    }
    int Page() {
        return static_cast<CTabLayoutUI*>(Find("switch")->GetInterface("TabLayout"))->GetCurSel();
    }
    ModuleCalls Calls() {
        std::ifstream in(folder_ + "vamo.so.calls");
        ModuleCalls calls;
        std::string word;
        in >> word >> calls.run >> word >> calls.connect >> calls.lastArgument;
        return calls;
    }
    ui::HeadlessBrowserEngine* Browser() {
        auto* ie = static_cast<CActiveXUI*>(Find("ie")->GetInterface("ActiveX"));
        return ie ? dynamic_cast<ui::HeadlessBrowserEngine*>(ie->GetEngine()) : nullptr;
    }
    // Where the module's window lies in the launcher's client area.
    RECT ModulePlace() {
        RECT rect{};
        ::GetWindowRect(frame_->ModuleWindow(), &rect);
        POINT topLeft{rect.left, rect.top};
        ::ScreenToClient(hwnd_, &topLeft);
        return {topLeft.x, topLeft.y, rect.right - rect.left, rect.bottom - rect.top};
    }

    ui::HeadlessBackend* backend_ = nullptr;
    std::string folder_;
    CVamoFrameWnd* frame_ = nullptr;
    HWND hwnd_ = nullptr;
};

TEST_F(LauncherWindowTest, TheModuleIsEmbeddedOnceAndCalledAtEveryTimer) {
    PutModule();
    Open();
    ASSERT_TRUE(frame_->Module().IsLoaded());
    HWND module = frame_->ModuleWindow();
    ASSERT_TRUE(module);
    EXPECT_EQ(::GetParent(module), hwnd_);
    const RECT place = ModulePlace();
    EXPECT_EQ(place.left, 0);
    EXPECT_EQ(place.top, 30);
    EXPECT_EQ(place.right, 0);   // width
    EXPECT_EQ(place.bottom, 0);  // height
    EXPECT_EQ(Calls().run, 1);
    EXPECT_EQ(Calls().connect, 0);

    Timer();
    Timer();
    TNotifyUI upper;  // the type is compared ignoring case
    upper.sType = "TIMER";
    frame_->Notify(upper);
    EXPECT_EQ(Calls().connect, 3);
    EXPECT_EQ(Calls().lastArgument, "test");
    Click("maxbtn");  // other notifications do not call the module
    EXPECT_EQ(Calls().connect, 3);
    EXPECT_EQ(Calls().run, 1);

    // Timer 1 really runs: the module hears from the window's own loop.
    EXPECT_TRUE(ui::RunUntil([&] { return Calls().connect >= 5; }, 20s));
    EXPECT_EQ(Calls().run, 1);
}

TEST_F(LauncherWindowTest, AModuleWithoutConnectVamoIsSkippedAtEveryTimer) {
    PutModule("no_connect");
    Open();
    ASSERT_TRUE(frame_->Module().IsLoaded());
    EXPECT_TRUE(frame_->ModuleWindow());
    Timer();
    Timer();
    EXPECT_FALSE(frame_->Module().ConnectVamo("test"));
    EXPECT_EQ(Calls().run, 1);
    EXPECT_EQ(Calls().connect, 0);
    EXPECT_TRUE(::IsWindow(hwnd_));
}

TEST_F(LauncherWindowTest, WithoutAWindowFromTheModuleNothingIsEmbedded) {
    PutModule("null_window");
    Open();
    EXPECT_EQ(Calls().run, 1);
    EXPECT_EQ(frame_->ModuleWindow(), nullptr);
    Timer();
    EXPECT_EQ(Calls().connect, 1);
}

TEST_F(LauncherWindowTest, AModuleWithoutRunVamoIsStillCalledAtEveryTimer) {
    PutModule("no_run");
    Open();
    ASSERT_TRUE(frame_->Module().IsLoaded());
    EXPECT_EQ(frame_->ModuleWindow(), nullptr);
    Timer();
    Timer();
    EXPECT_EQ(Calls().run, 0);
    EXPECT_EQ(Calls().connect, 2);
}

TEST_F(LauncherWindowTest, WithoutTheModuleTheWindowShowsItsPagesAndHomePage) {
    Open();
    EXPECT_FALSE(frame_->Module().IsLoaded());
    EXPECT_FALSE(frame_->Module().LoadError().empty());
    EXPECT_EQ(frame_->ModuleWindow(), nullptr);
    Timer();  // nothing to call
    EXPECT_FALSE(fs::exists(folder_ + "vamo.so.calls"));

    ASSERT_TRUE(frame_->WebBrowser());
    ASSERT_TRUE(Browser());
    EXPECT_EQ(Browser()->Navigations(),
              std::vector<std::string>{quorvi::urls::kLauncherHomePage.str()});
    EXPECT_EQ(Page(), 0);
    // The trojan page says the module is missing, not that it is loaded.
    static_cast<COptionUI*>(Find("trojan")->GetInterface("Option"))->Selected(true);
    CControlUI* missing = FindByUserData(Find("page_trojan"), "show-if:module=missing");
    CControlUI* loaded = FindByUserData(Find("page_trojan"), "show-if:module=loaded");
    ASSERT_TRUE(missing && loaded);
    EXPECT_TRUE(missing->IsVisible());
    EXPECT_FALSE(loaded->IsVisible());
}

TEST_F(LauncherWindowTest, PageOptionsSelectTheirPages) {
    Open();
    const char* options[] = {"examine", "trojan",  "plugins", "vulnerability",
                             "rubbish", "cleanup", "fix",     "tool"};
    for (int page : {6, 7, 0, 3, 5, 1, 4, 2}) {
        auto* option = static_cast<COptionUI*>(Find(options[page])->GetInterface("Option"));
        ASSERT_TRUE(option) << options[page];
        option->Selected(true);  // raises "selectchanged" as a click does
        ui::RunUntilIdle();
        EXPECT_EQ(Page(), page) << options[page];
    }
    // Another sender selects nothing.
    TNotifyUI other;
    other.sType = "selectchanged";
    other.pSender = Find("closebtn");
    frame_->Notify(other);
    EXPECT_EQ(Page(), 2);
}

TEST_F(LauncherWindowTest, CaptionButtonsAndTheSystemClose) {
    Open();
    Click("maxbtn");
    EXPECT_TRUE(::IsZoomed(hwnd_));
    EXPECT_FALSE(Find("maxbtn")->IsVisible());
    EXPECT_TRUE(Find("restorebtn")->IsVisible());
    Click("restorebtn");
    EXPECT_FALSE(::IsZoomed(hwnd_));
    EXPECT_TRUE(Find("maxbtn")->IsVisible());
    EXPECT_FALSE(Find("restorebtn")->IsVisible());
    Click("minbtn");
    EXPECT_TRUE(::IsIconic(hwnd_));
    ::SendMessage(hwnd_, WM_SYSCOMMAND, SC_RESTORE, 0);

    ui::RunUntilIdle();
    EXPECT_FALSE(ui::TakeQuit());
    Click("closebtn");
    ui::RunUntilIdle();
    EXPECT_EQ(ui::TakeQuit(), 0);
    ::SendMessage(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
    ui::RunUntilIdle();
    EXPECT_EQ(ui::TakeQuit(), 0);
    EXPECT_TRUE(::IsWindow(hwnd_));  // the loop's end, not the window's, ends the program
}

TEST_F(LauncherWindowTest, TheCaptionBandDragsTheWindowAndItsButtonsStayClickable) {
    Open();
    RECT window{};
    ::GetWindowRect(hwnd_, &window);
    const auto hit = [&](int x, int y) {
        return ::SendMessage(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(window.left + x, window.top + y));
    };
    EXPECT_EQ(hit(400, 10), HTCAPTION);
    EXPECT_EQ(hit(860 - 18, 10), HTCLIENT);  // the close button
    EXPECT_EQ(hit(400, 60), HTCLIENT);       // the tab bar
}

TEST_F(LauncherWindowTest, ThePendingEntityUpdateIsSwappedInAtCreation) {
    std::ofstream(folder_ + "entity.so") << "old";
    std::ofstream(folder_ + "entity.so.vmupdate") << "new";
    std::ofstream(folder_ + "entity.so.update") << "stale";
    Open();
    EXPECT_EQ(frame_->EntityResult(), EntitySwap::Replaced);
    std::ifstream in(folder_ + "entity.so");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new");
    EXPECT_FALSE(fs::exists(folder_ + "entity.so.vmupdate"));
    EXPECT_FALSE(fs::exists(folder_ + "entity.so.update"));
}

// The check-up panel of the examine page shows this machine's facts.
TEST_F(LauncherWindowTest, TheCheckUpPanelShowsWhatTheLauncherReads) {
    Open();
    CControlUI* panel = Find("examinePanel");
    ASSERT_TRUE(panel);
    ASSERT_TRUE(panel->GetInterface("ComputerExamine"));
    auto* content = static_cast<IContainerUI*>(panel->GetInterface("IContainer"));
    ASSERT_EQ(content->GetCount(), 1);  // built from ComputerExamine.xml
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    CControlUI* hostLabel = FindByUserData(panel, "{host}");
    ASSERT_TRUE(hostLabel);
    EXPECT_EQ(hostLabel->GetText(), host);
}

// Every key the skin's patterns and states name is one the launcher fills, the
// skin files build without a complaint, and every image they name exists.
TEST_F(LauncherWindowTest, TheSkinNamesOnlyWhatTheLauncherKnows) {
    MachineFacts machine;
    machine.hostName = machine.systemName = machine.kernel = machine.architecture =
        machine.processor = "x";
    machine.logicalProcessors = 1;
    machine.memoryTotalBytes = machine.memoryAvailableBytes = machine.uptimeSeconds =
        machine.diskTotalBytes = machine.diskFreeBytes = 1;
    FolderFacts folder;
    folder.plugins = {"p"};
    const PageValues values = MakePageValues(machine, folder, LauncherState{}, folder_);
    const std::set<std::string> states[] = {{"module=loaded", "module=missing"},
                                            {"moduleWindow=embedded", "moduleWindow=none"},
                                            {"entity=replaced", "entity=nothing", "entity=failed"},
                                            {"database=present", "database=absent"},
                                            {"catalogue=present", "catalogue=absent"}};

    for (const char* file : {"vamo.xml", "ComputerExamine.xml"}) {
        CDialogBuilder builder;
        CDialogBuilderCallbackEx callback;
        CPaintManagerUI manager;
        std::unique_ptr<CControlUI> root(builder.Create(file, nullptr, &callback, &manager));
        ASSERT_TRUE(root) << file;
        EXPECT_EQ(builder.GetDiagnostics(), std::vector<std::string>{}) << file;

        std::vector<CControlUI*> stack{root.get()};
        while (!stack.empty()) {
            CControlUI* control = stack.back();
            stack.pop_back();
            const std::string data = control->GetUserData();
            if (data.starts_with("show-if:")) {
                const std::string state = data.substr(8);
                EXPECT_TRUE(std::any_of(std::begin(states), std::end(states),
                                        [&](const auto& set) { return set.contains(state); }))
                    << file << ": unknown state " << state;
            } else if (data.find('{') != std::string::npos) {
                EXPECT_TRUE(FillPattern(data, values)) << file << ": unknown key in " << data;
            }
            if (auto* box = static_cast<IContainerUI*>(control->GetInterface("IContainer")))
                for (int i = 0; i < box->GetCount(); ++i) stack.push_back(box->GetItemAt(i));
        }

        std::ifstream in(std::string(QUORVI_SKIN_DIR) + "/" + file);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        const std::regex image(R"(([A-Za-z0-9_]+\.png))");
        int images = 0;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), image);
             it != std::sregex_iterator(); ++it, ++images)
            EXPECT_TRUE(fs::exists(std::string(QUORVI_SKIN_DIR) + "/" + (*it)[1].str()))
                << file << ": " << (*it)[1];
        EXPECT_GT(images, 0) << file;
    }
}

TEST_F(LauncherWindowTest, ASkinWithoutPagesIgnoresThePageOptions) {
    const std::string skin = folder_ + "skin/";
    fs::create_directories(skin);
    std::ofstream(skin + "vamo.xml")
        << R"(<Window size="400,300" caption="0,0,0,26"><VerticalLayout>)"
           R"(<Option name="fix" height="30" group="g" /><Option name="tool" height="30" group="g" />)"
           R"(</VerticalLayout></Window>)";
    CPaintManagerUI::SetResourcePath(skin);
    Open();
    static_cast<COptionUI*>(Find("fix")->GetInterface("Option"))->Selected(true);
    ui::RunUntilIdle();
    EXPECT_TRUE(::IsWindow(hwnd_));
    EXPECT_EQ(frame_->WebBrowser(), nullptr);  // no "ie" either: no home page
}

TEST_F(LauncherWindowTest, WithoutItsSkinTheWindowIsNotCreated) {
    CPaintManagerUI::SetResourcePath(folder_);
    auto* frame = new CVamoFrameWnd(folder_);
    EXPECT_EQ(frame->Create(nullptr, "Quorvi Vamo", WS_POPUP, 0, 0, 0, 100, 100), nullptr);
}

}  // namespace
}  // namespace vamo
