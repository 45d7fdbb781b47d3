// Real windows on an X display without a window manager (run under xvfb-run):
// maximise and restore, caption dragging and edge sizing, round-corner shapes,
// edit boxes typed into through the X server, combo drop-downs, keys.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/log_test_support.h"
#include "platform/text.h"
#include "ui/gtk/accessible.h"
#include "ui/gtk/gtk_backend.h"
#include "ui/render/skin_window_for_tests.h"

namespace {

using namespace DuiLib;
using namespace std::chrono_literals;
using ui::testing::SkinWindow;

constexpr auto kDeadline = 10s;

// Runs an xdotool command against the display (real input through the X server).
void XDo(const std::string& arguments) {
    const std::string command = "xdotool " + arguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Where the X server has the window now (root coordinates).
RECT NativeRect(HWND hwnd) {
    GtkWidget* top = ui::GetGtkBackend()->NativeWindow(hwnd);
    GdkWindow* window = top ? gtk_widget_get_window(top) : nullptr;
    if (!window || !gtk_widget_get_mapped(top)) return {};
    Window child;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    Window root;
    Display* display = GDK_WINDOW_XDISPLAY(window);
    XGetGeometry(display, GDK_WINDOW_XID(window), &root, &x, &y, &width, &height, &border, &depth);
    XTranslateCoordinates(display, GDK_WINDOW_XID(window), root, 0, 0, &x, &y, &child);
    return RECT{x, y, x + static_cast<LONG>(width), y + static_cast<LONG>(height)};
}

// Sends a key press and release with this key value to the window, as GDK
// delivers them (xdotool cannot type characters missing from the keymap into GTK).
void SynthesiseKey(HWND hwnd, guint keyval) {
    GtkWidget* top = ui::GetGtkBackend()->NativeWindow(hwnd);
    GdkDevice* keyboard =
        gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default()));
    for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(top)));
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.keyval = keyval;
        event->key.string = g_strdup("");
        gdk_event_set_device(event, keyboard);
        gtk_main_do_event(event);
        gdk_event_free(event);
    }
}

bool WaitFor(const std::function<bool()>& done) {
    return ui::RunUntil(done, std::chrono::duration_cast<std::chrono::milliseconds>(kDeadline));
}

// The X server has the window at `rect` and GTK has laid it out at that size
// (input at the new edges reaches the window only then).
bool Settled(HWND hwnd, const RECT& rect) {
    GtkWidget* layer = ui::GetGtkBackend()->ChildLayer(hwnd);
    return NativeRect(hwnd) == rect &&
           gtk_widget_get_allocated_width(layer) == rect.right - rect.left &&
           gtk_widget_get_allocated_height(layer) == rect.bottom - rect.top;
}

class GtkWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(ui::InstallGtkBackend()) << "needs an X display"; }

    SkinWindow& Open(const std::string& skin, RECT rect) {
        window_ = std::make_unique<SkinWindow>(skin);
        HWND hwnd = window_->Create(nullptr, "gtk test", WS_POPUP | WS_VISIBLE, 0, rect.left,
                                    rect.top, rect.right - rect.left, rect.bottom - rect.top);
        EXPECT_NE(hwnd, nullptr);
        EXPECT_TRUE(WaitFor([&] { return NativeRect(hwnd) == rect; }))
            << "window not mapped at its place";
        return *window_;
    }

    void TearDown() override {
        if (window_ && IsWindow(window_->GetHWND())) DestroyWindow(window_->GetHWND());
        ui::RunUntilIdle();
    }

    std::unique_ptr<SkinWindow> window_;
};

const char kCaptionSkin[] =
    "<Window size=\"400,300\" caption=\"0,0,0,40\" sizebox=\"6,6,6,6\">"
    "<VerticalLayout bkcolor=\"#FFE0E8F0\">"
    "<HorizontalLayout height=\"40\" bkcolor=\"#FF3060A0\">"
    "<Label name=\"title\" text=\"title\"/>"
    "<Button name=\"closebtn\" width=\"40\" bkcolor=\"#FFC04040\"/>"
    "</HorizontalLayout>"
    "<Control/>"
    "</VerticalLayout></Window>";

TEST_F(GtkWindows, MaximiseFillsTheWorkAreaWithoutWindowManagerAndRestores) {
    const RECT normal{100, 120, 500, 420};
    SkinWindow& window = Open(kCaptionSkin, normal);
    const ui::ScreenInfo screen = ui::GetBackend().GetScreen();
    ASSERT_GT(screen.workArea.right, 500);

    SendMessage(window.GetHWND(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(IsZoomed(window.GetHWND()));
    EXPECT_TRUE(WaitFor([&] { return NativeRect(window.GetHWND()) == screen.workArea; }));

    SendMessage(window.GetHWND(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitFor([&] { return NativeRect(window.GetHWND()) == normal; }));

    // Minimised without a window manager: the window leaves the screen and comes back.
    SendMessage(window.GetHWND(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    GtkWidget* top = ui::GetGtkBackend()->NativeWindow(window.GetHWND());
    EXPECT_TRUE(WaitFor([&] { return !gtk_widget_get_mapped(top); }));
    SendMessage(window.GetHWND(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitFor([&] { return NativeRect(window.GetHWND()) == normal; }));
}

TEST_F(GtkWindows, CaptionDragsTheWindowEdgesSizeItButtonsStayClickable) {
    SkinWindow& window = Open(kCaptionSkin, {200, 200, 600, 500});
    HWND hwnd = window.GetHWND();
    // Drag by the label in the caption band.
    XDo("mousemove 260 215 mousedown 1 mousemove 280 230 mousemove 310 255");
    EXPECT_TRUE(WaitFor([&] {
        RECT r;
        GetWindowRect(hwnd, &r);
        return r.left == 250 && r.top == 240;
    }));
    XDo("mouseup 1");
    EXPECT_TRUE(WaitFor([&] { return NativeRect(hwnd) == RECT{250, 240, 650, 540}; }));
    EXPECT_EQ(window.Count("click"), 0);

    // The bottom-right size box sizes the window.
    XDo("mousemove 647 537 mousedown 1 mousemove 667 547 mousemove 697 577");
    EXPECT_TRUE(WaitFor([&] { return Settled(hwnd, RECT{250, 240, 700, 580}); }));
    XDo("mouseup 1");

    // The button in the caption band is clicked, not dragged.
    XDo("mousemove 680 255 click 1");
    EXPECT_TRUE(WaitFor([&] { return window.Count("click") == 1; }));
    EXPECT_EQ(window.Notifications().back().sender, "closebtn");
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r, (RECT{250, 240, 700, 580}));
}

TEST_F(GtkWindows, OnlyWhatChangedIsRepainted) {
    SkinWindow& window = Open(
        "<Window size=\"400,300\"><Container bkcolor=\"#FFFFFFFF\">"
        "<Label name=\"a\" float=\"true\" pos=\"10,10,110,40\" text=\"a\"/>"
        "<Label name=\"b\" float=\"true\" pos=\"200,200,300,230\" text=\"b\"/>"
        "</Container></Window>",
        {500, 500, 900, 800});
    ui::GtkBackend* backend = ui::GetGtkBackend();
    HWND hwnd = window.GetHWND();
    // Let the first paints (map, configure) settle: 200 ms without painting.
    auto quiet = std::chrono::steady_clock::now();
    EXPECT_TRUE(WaitFor([&] {
        if (backend->TakePaintedArea(hwnd).right > 0) quiet = std::chrono::steady_clock::now();
        return std::chrono::steady_clock::now() - quiet > 200ms;
    }));
    window.Find<CLabelUI>("b")->SetText("changed");
    RECT painted{};
    EXPECT_TRUE(WaitFor([&] {
        painted = backend->TakePaintedArea(hwnd);
        return painted.right > painted.left;
    }));
    EXPECT_EQ(painted, (RECT{200, 200, 300, 230}));
}

TEST_F(GtkWindows, RoundCornersBecomeTheWindowShape) {
    SkinWindow& window = Open(
        "<Window size=\"200,100\" roundcorner=\"20,20\"><Control bkcolor=\"#FF000000\"/></Window>",
        {50, 50, 250, 150});
    GtkWidget* top = ui::GetGtkBackend()->NativeWindow(window.GetHWND());
    GdkWindow* gdkWindow = gtk_widget_get_window(top);
    auto inShape = [&](int x, int y) {
        int count = 0, ordering = 0;
        XRectangle* rects =
            XShapeGetRectangles(GDK_WINDOW_XDISPLAY(gdkWindow), GDK_WINDOW_XID(gdkWindow),
                                ShapeBounding, &count, &ordering);
        bool inside = false;
        for (int i = 0; i < count; ++i)
            inside |= x >= rects[i].x && x < rects[i].x + rects[i].width && y >= rects[i].y &&
                      y < rects[i].y + rects[i].height;
        if (rects) XFree(rects);
        return inside;
    };
    EXPECT_TRUE(WaitFor([&] { return !inShape(0, 0); }));
    EXPECT_FALSE(inShape(199, 99));
    EXPECT_TRUE(inShape(100, 50));
    EXPECT_TRUE(inShape(0, 50));
    EXPECT_TRUE(inShape(100, 0));
}

// A window icon is read by GDK, in any format it knows: one whose header
// declares more pixels than images may have is not decoded, and the window
// keeps the icon it had.
TEST_F(GtkWindows, WindowIconOverTheImageLimitIsNotDecoded) {
    SkinWindow& window = Open(kCaptionSkin, {100, 120, 500, 420});
    GtkWindow* top = GTK_WINDOW(ui::GetGtkBackend()->NativeWindow(window.GetHWND()));
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("quorvi-icon-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string small = (folder / "small.png").string();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 16, 16);
    cairo_surface_write_to_png(surface, small.c_str());
    cairo_surface_destroy(surface);
    // A binary PNM header declaring 23000 x 23000 pixels, with three bytes of them.
    const std::string huge = (folder / "huge.ppm").string();
    std::ofstream(huge, std::ios::binary) << "P6\n23000 23000\n255\n\x01\x02\x03";

    ui::GetBackend().SetNativeIcon(window.GetHWND(), small);
    GdkPixbuf* icon = gtk_window_get_icon(top);
    ASSERT_NE(icon, nullptr);
    platform::LogCapture log;
    ui::GetBackend().SetNativeIcon(window.GetHWND(), huge);
    EXPECT_EQ(gtk_window_get_icon(top), icon);
    EXPECT_TRUE(log.Holds(platform::LogLevel::Warning, "23000x23000 pixels")) << log.Text();
    std::filesystem::remove_all(folder);
}

TEST_F(GtkWindows, TypingIntoAnEditBoxRaisesTextChangedWithGbkText) {
    SkinWindow& window = Open(
        "<Window size=\"300,120\"><VerticalLayout bkcolor=\"#FFFFFFFF\" inset=\"10,10,10,10\">"
        "<Edit name=\"account\" height=\"30\" bkcolor=\"#FFFFFFFF\" textpadding=\"4,4,4,4\"/>"
        "<Edit name=\"password\" height=\"30\" password=\"true\"/>"
        "<Edit name=\"note\" height=\"30\"/>"
        "</VerticalLayout></Window>",
        {300, 300, 600, 420});
    auto* account = window.Find<CEditUI>("account");
    auto* password = window.Find<CEditUI>("password");
    ASSERT_TRUE(account && password);
    ui::GtkBackend* backend = ui::GetGtkBackend();
    ASSERT_TRUE(WaitFor([&] { return backend->EntryOf(account) && backend->EntryOf(password); }));
    EXPECT_FALSE(gtk_entry_get_visibility(GTK_ENTRY(backend->EntryOf(password))));

    // A text set by code shows in the entry and raises nothing.
    account->SetText(platform::Utf8ToGbk("初始"));
    EXPECT_TRUE(WaitFor([&] {
        return std::string(gtk_entry_get_text(GTK_ENTRY(backend->EntryOf(account)))) == "初始";
    }));
    EXPECT_EQ(window.Count("textchanged"), 0);
    account->SetText("");

    XDo("mousemove 350 325 click 1");
    EXPECT_TRUE(WaitFor([&] { return window.Manager().GetFocus() == account; }));
    EXPECT_GE(window.Count("setfocus"), 1);
    XDo("type --delay 30 'ab'");
    EXPECT_TRUE(WaitFor([&] { return account->GetText() == "ab"; }));
    for (gunichar c : {U'中', U'文'}) SynthesiseKey(window.GetHWND(), gdk_unicode_to_keyval(c));
    const std::string expected = platform::Utf8ToGbk("ab中文");
    EXPECT_TRUE(WaitFor([&] { return account->GetText() == expected; }))
        << platform::GbkToUtf8(account->GetText());
    EXPECT_GE(window.Count("textchanged"), 4);
    EXPECT_EQ(window.Notifications().back().senderText, expected);

    XDo("key Return");
    EXPECT_TRUE(WaitFor([&] { return window.Count("return") == 1; }));

    // Tab moves the focus to the password box, whose entry then takes the keys.
    XDo("key Tab");
    EXPECT_TRUE(WaitFor([&] { return window.Manager().GetFocus() == password; }));
    XDo("type --delay 30 'pw1'");
    EXPECT_TRUE(WaitFor([&] { return password->GetText() == "pw1"; }));
    EXPECT_EQ(account->GetText(), expected);
    // Shift+Tab from inside an entry moves back, and Shift let go there moves forward again.
    XDo("key shift+Tab");
    EXPECT_TRUE(WaitFor([&] { return window.Manager().GetFocus() == account; }));
    XDo("key Tab");
    EXPECT_TRUE(WaitFor([&] { return window.Manager().GetFocus() == password; }));

    // A hidden edit box takes its entry along.
    account->SetVisible(false);
    EXPECT_FALSE(gtk_widget_get_visible(backend->EntryOf(account)));
    account->SetVisible(true);
    EXPECT_TRUE(gtk_widget_get_visible(backend->EntryOf(account)));
}

// An edit's entry is made once its window has been drawn, or at once when the
// edit takes the focus; it is clear through until focused, so the edit's own
// painting shows and the entry's coming changes no pixel.
TEST_F(GtkWindows, EditEntriesComeWithTheFirstFrameOrTheFocusClearUntilFocused) {
    window_ = std::make_unique<SkinWindow>(
        "<Window size=\"300,120\"><VerticalLayout>"
        "<Edit name=\"first\" height=\"30\" password=\"true\" text=\"pw\"/>"
        "<Edit name=\"second\" height=\"30\"/></VerticalLayout></Window>");
    HWND hwnd = window_->Create(nullptr, "gtk test", WS_POPUP, 0, 40, 40, 300, 120);
    ASSERT_NE(hwnd, nullptr);
    auto* first = window_->Find<CEditUI>("first");
    auto* second = window_->Find<CEditUI>("second");
    ASSERT_TRUE(first && second);
    ui::GtkBackend* backend = ui::GetGtkBackend();
    ui::RunUntilIdle();
    EXPECT_EQ(backend->EntryOf(first), nullptr);

    window_->Manager().UpdateLayout();
    window_->Manager().SetFocus(first);
    GtkWidget* entry = backend->EntryOf(first);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(backend->EntryOf(second), nullptr);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), "pw");
    EXPECT_FALSE(gtk_entry_get_visibility(GTK_ENTRY(entry)));
    EXPECT_TRUE(gtk_widget_is_focus(entry));
    auto textAlpha = [](GtkWidget* widget) {
        GdkRGBA colour;
        GtkStyleContext* style = gtk_widget_get_style_context(widget);
        gtk_style_context_get_color(style, gtk_style_context_get_state(style), &colour);
        return colour.alpha;
    };
    EXPECT_EQ(textAlpha(entry), 1.0);

    ShowWindow(hwnd, SW_SHOW);
    ASSERT_TRUE(WaitFor([&] { return backend->EntryOf(second) != nullptr; }));
    EXPECT_EQ(textAlpha(backend->EntryOf(second)), 0.0);
    window_->Manager().SetFocus(second);
    EXPECT_EQ(textAlpha(backend->EntryOf(second)), 1.0);
    EXPECT_EQ(textAlpha(entry), 0.0);

    // With entries made, a later window's (a dialog's) come at once.
    SkinWindow dialog("<Window size=\"200,40\"><Edit name=\"third\"/></Window>");
    HWND later = dialog.Create(nullptr, "gtk test", WS_POPUP, 0, 40, 200, 200, 40);
    ASSERT_NE(later, nullptr);
    EXPECT_NE(backend->EntryOf(dialog.Find<CEditUI>("third")), nullptr);
    DestroyWindow(later);
    ui::RunUntilIdle();
}

// The controls as ATK objects under the window's surface: roles, names, the
// entry standing for its edit box, extents on the screen, announcements of
// children and states when the tree is brought up to date, and "click".
TEST_F(GtkWindows, ControlsAreAccessibleObjectsKeptCurrent) {
    SkinWindow& window = Open(
        "<Window size=\"300,200\"><VerticalLayout>"
        "<HorizontalLayout height=\"40\">"
        "<Option name=\"home\" text=\"Home\" group=\"nav\" width=\"80\"/>"
        "<Button name=\"closebtn\" accname=\"Close\" width=\"40\"/></HorizontalLayout>"
        "<VerticalLayout name=\"bar\" tooltip=\"Bar\" visible=\"false\" height=\"50\"/>"
        "<Edit name=\"account\" accname=\"Account\" height=\"30\"/>"
        "</VerticalLayout></Window>",
        {200, 200, 500, 400});
    ui::GtkBackend* backend = ui::GetGtkBackend();
    auto* account = window.Find<CEditUI>("account");
    ASSERT_TRUE(WaitFor([&] { return backend->EntryOf(account) != nullptr; }));
    GtkWidget* surface = backend->ChildLayer(window.GetHWND());
    AtkObject* root = gtk_widget_get_accessible(surface);
    ASSERT_EQ(atk_object_get_n_accessible_children(root), 4);
    auto child = [](AtkObject* parent, int i) {
        AtkObject* object = atk_object_ref_accessible_child(parent, i);
        g_object_unref(object);  // the tree keeps it
        return object;
    };
    AtkObject* home = child(root, 0);
    AtkObject* close = child(root, 1);
    AtkObject* bar = child(root, 2);
    AtkObject* entry = child(root, 3);
    EXPECT_EQ(atk_object_get_role(home), ATK_ROLE_RADIO_BUTTON);
    EXPECT_STREQ(atk_object_get_name(home), "Home");
    EXPECT_EQ(atk_object_get_role(close), ATK_ROLE_PUSH_BUTTON);
    EXPECT_STREQ(atk_object_get_name(close), "Close");
    EXPECT_EQ(atk_object_get_role(bar), ATK_ROLE_PANEL);
    EXPECT_EQ(entry, gtk_widget_get_accessible(backend->EntryOf(account)));
    EXPECT_STREQ(atk_object_get_name(entry), "Account");
    EXPECT_EQ(atk_object_get_index_in_parent(close), 1);
    gint x = 0, y = 0, width = 0, height = 0;
    atk_component_get_extents(ATK_COMPONENT(close), &x, &y, &width, &height, ATK_XY_SCREEN);
    EXPECT_EQ((RECT{x, y, x + width, y + height}), (RECT{280, 200, 320, 240}));
    auto has = [](AtkObject* object, AtkStateType state) {
        AtkStateSet* set = atk_object_ref_state_set(object);
        const bool found = atk_state_set_contains_state(set, state);
        g_object_unref(set);
        return found;
    };
    EXPECT_TRUE(has(close, ATK_STATE_SHOWING) && has(close, ATK_STATE_ENABLED));
    EXPECT_FALSE(has(bar, ATK_STATE_SHOWING));

    // A panel filled and shown: its new child and its state are announced.
    int added = 0;
    std::vector<std::string> changes;
    g_signal_connect(
        bar, "children-changed::add",
        G_CALLBACK(+[](AtkObject*, guint, gpointer, gpointer n) { ++*static_cast<int*>(n); }),
        &added);
    g_signal_connect(bar, "state-change",
                     G_CALLBACK(+[](AtkObject*, gchar* name, gboolean on, gpointer out) {
                         static_cast<std::vector<std::string>*>(out)->push_back(std::string(name) +
                                                                                (on ? "+" : "-"));
                     }),
                     &changes);
    auto* panel = window.Find<CContainerUI>("bar");
    auto* added_button = new CButtonUI;
    added_button->SetText("New");
    panel->Add(added_button);
    panel->SetVisible(true);
    ui::RefreshAccessibleControls(surface);
    EXPECT_EQ(added, 1);
    EXPECT_NE(std::find(changes.begin(), changes.end(), "showing+"), changes.end());
    ASSERT_EQ(atk_object_get_n_accessible_children(bar), 1);
    AtkObject* fresh = g_object_ref(child(bar, 0));
    EXPECT_STREQ(atk_object_get_name(fresh), "New");
    // A control that left the window leaves a defunct object.
    panel->RemoveAll();
    ui::RefreshAccessibleControls(surface);
    EXPECT_EQ(atk_object_get_n_accessible_children(bar), 0);
    EXPECT_TRUE(has(fresh, ATK_STATE_DEFUNCT));
    g_object_unref(fresh);
    g_signal_handlers_disconnect_by_data(bar, &changes);

    // A window left still is no longer compared on a timer; a change it draws
    // starts the comparing again and is announced without anyone asking.
    ui::RunUntil([] { return false; }, std::chrono::milliseconds(2500));
    added = 0;
    panel->Add(new CButtonUI);
    EXPECT_TRUE(ui::RunUntil([&] { return added == 1; }, std::chrono::seconds(2)));
    g_signal_handlers_disconnect_by_data(bar, &added);

    // "click" selects the option and reaches the window as a mouse click does.
    ASSERT_EQ(atk_action_get_n_actions(ATK_ACTION(home)), 1);
    EXPECT_STREQ(atk_action_get_name(ATK_ACTION(home), 0), "click");
    EXPECT_TRUE(atk_action_do_action(ATK_ACTION(home), 0));
    EXPECT_TRUE(WaitFor([&] { return window.Count("click") == 1; }));
    EXPECT_EQ(window.Count("selectchanged"), 1);
    EXPECT_TRUE(has(home, ATK_STATE_CHECKED));
}

TEST_F(GtkWindows, ComboOpensItsDropDownAndTheChoiceSelects) {
    SkinWindow& window = Open(
        "<Window size=\"300,200\"><VerticalLayout bkcolor=\"#FFFFFFFF\" inset=\"10,10,10,10\">"
        "<Combo name=\"combo\" height=\"28\" bkcolor=\"#FFEEEEEE\">"
        "<ListLabelElement text=\"one\"/><ListLabelElement text=\"two\"/>"
        "<ListLabelElement text=\"three\"/></Combo><Control/>"
        "</VerticalLayout></Window>",
        {400, 100, 700, 300});
    auto* combo = window.Find<CComboUI>("combo");
    ASSERT_NE(combo, nullptr);
    XDo("mousemove 450 124 click 1");
    GtkWidget* menu = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        GList* tops = gtk_window_list_toplevels();
        for (GList* l = tops; l; l = l->next) {
            GtkWidget* child = gtk_bin_get_child(GTK_BIN(l->data));
            if (gtk_widget_get_mapped(GTK_WIDGET(l->data)) && child && GTK_IS_MENU(child))
                menu = child;
        }
        g_list_free(tops);
        return menu != nullptr;
    }));
    ASSERT_NE(menu, nullptr);
    GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
    ASSERT_EQ(g_list_length(items), 3u);
    EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(g_list_nth_data(items, 2))), "three");
    gtk_menu_shell_activate_item(GTK_MENU_SHELL(menu), GTK_WIDGET(g_list_nth_data(items, 2)), TRUE);
    g_list_free(items);
    EXPECT_TRUE(WaitFor([&] { return combo->GetCurSel() == 2; }));
    EXPECT_EQ(window.Count("itemselect"), 1);
    EXPECT_EQ(std::string(combo->GetText()), "three");
}

TEST_F(GtkWindows, KeysReachTheWindowAsVirtualKeys) {
    struct KeyWindow : SkinWindow {
        using SkinWindow::SkinWindow;
        std::vector<WPARAM> keys;
        std::vector<WPARAM> chars;
        LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_KEYDOWN) keys.push_back(wParam);
            if (message == WM_CHAR) chars.push_back(wParam);
            return SkinWindow::HandleMessage(message, wParam, lParam);
        }
    };
    auto* window =
        new KeyWindow("<Window size=\"200,100\"><Control bkcolor=\"#FF808080\"/></Window>");
    window_.reset(window);
    HWND hwnd = window->Create(nullptr, "keys", WS_POPUP | WS_VISIBLE, 0, 10, 10, 200, 100);
    ASSERT_TRUE(WaitFor([&] { return NativeRect(hwnd) == RECT{10, 10, 210, 110}; }));
    XDo("mousemove 50 50 click 1 key a Escape F5 Down");
    EXPECT_TRUE(WaitFor([&] { return window->keys.size() >= 4; }));
    EXPECT_EQ(window->keys, (std::vector<WPARAM>{'A', VK_ESCAPE, 0x74, VK_DOWN}));
    EXPECT_EQ(window->chars, (std::vector<WPARAM>{'a'}));
}

TEST_F(GtkWindows, CentredOwnedAndModalWindows) {
    SkinWindow& owner = Open(kCaptionSkin, {100, 100, 500, 400});
    const ui::ScreenInfo screen = ui::GetBackend().GetScreen();

    // An owned pop-up centred over its owner, shown modal: the owner is
    // disabled (its native children too) and the loop keeps running.
    SkinWindow dialog("<Window size=\"200,100\"><Control bkcolor=\"#FF2060C0\"/></Window>");
    HWND hwnd = dialog.Create(owner.GetHWND(), "dialog", WS_POPUP, 0, 0, 0, 200, 100);
    ASSERT_NE(hwnd, nullptr);
    dialog.CenterWindow();
    GtkWidget* ownerTop = ui::GetGtkBackend()->NativeWindow(owner.GetHWND());
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(ui::GetGtkBackend()->NativeWindow(hwnd))),
              GTK_WINDOW(ownerTop));
    bool sawModal = false;
    ui::PostTask([&] {
        WaitFor([&] { return NativeRect(hwnd) == RECT{200, 200, 400, 300}; });
        sawModal = NativeRect(hwnd) == RECT{200, 200, 400, 300} &&
                   !IsWindowEnabled(owner.GetHWND()) &&
                   !gtk_widget_get_sensitive(ui::GetGtkBackend()->ChildLayer(owner.GetHWND()));
        dialog.Close(IDCANCEL);
    });
    EXPECT_EQ(dialog.ShowModal(), static_cast<UINT>(IDCANCEL));
    EXPECT_TRUE(sawModal);
    EXPECT_TRUE(gtk_widget_get_sensitive(ui::GetGtkBackend()->ChildLayer(owner.GetHWND())));

    // Without an owner, centred on the work area.
    SkinWindow alone("<Window size=\"300,200\"><Control bkcolor=\"#FF20A060\"/></Window>");
    HWND aloneHwnd = alone.Create(nullptr, "alone", WS_POPUP | WS_VISIBLE, 0, 0, 0, 300, 200);
    alone.CenterWindow();
    const LONG left = (screen.workArea.left + screen.workArea.right - 300) / 2;
    const LONG top = (screen.workArea.top + screen.workArea.bottom - 200) / 2;
    EXPECT_TRUE(WaitFor([&] {
        return NativeRect(aloneHwnd) == RECT{left, top, left + 300, top + 200};
    }));
    DestroyWindow(aloneHwnd);
}

TEST_F(GtkWindows, ChildWindowLivesInsideItsParent) {
    SkinWindow& parent = Open(kCaptionSkin, {300, 300, 700, 600});
    SkinWindow child("<Window size=\"100,50\"><Control bkcolor=\"#FF20A060\"/></Window>");
    HWND hwnd = child.Create(parent.GetHWND(), "child", WS_CHILD | WS_VISIBLE, 0, 20, 60, 100, 50);
    ASSERT_NE(hwnd, nullptr);
    GtkWidget* layer = ui::GetGtkBackend()->ChildLayer(hwnd);
    EXPECT_EQ(gtk_widget_get_parent(layer), ui::GetGtkBackend()->ChildLayer(parent.GetHWND()));
    EXPECT_EQ(ui::GetGtkBackend()->NativeWindow(hwnd), nullptr);  // no top-level of its own
    EXPECT_TRUE(WaitFor([&] {
        GtkAllocation placed;
        gtk_widget_get_allocation(layer, &placed);
        return gtk_widget_get_mapped(layer) && placed.x == 20 && placed.y == 60 &&
               placed.width == 100 && placed.height == 50;
    }));
    DestroyWindow(hwnd);
}

TEST_F(GtkWindows, SetParentEmbedsATopLevelWindowAndBack) {
    SkinWindow& parent = Open(kCaptionSkin, {300, 300, 700, 600});
    SkinWindow module("<Window size=\"120,60\"><Control bkcolor=\"#FF20A060\"/></Window>");
    HWND hwnd = module.Create(nullptr, "module", WS_POPUP | WS_VISIBLE, 0, 0, 0, 120, 60);
    ASSERT_NE(ui::GetGtkBackend()->NativeWindow(hwnd), nullptr);
    SetParent(hwnd, parent.GetHWND());
    MoveWindow(hwnd, 0, 30, 120, 60, FALSE);
    GtkWidget* layer = ui::GetGtkBackend()->ChildLayer(hwnd);
    EXPECT_EQ(ui::GetGtkBackend()->NativeWindow(hwnd), nullptr);
    EXPECT_EQ(gtk_widget_get_parent(layer), ui::GetGtkBackend()->ChildLayer(parent.GetHWND()));
    EXPECT_TRUE(WaitFor([&] {
        GtkAllocation placed;
        gtk_widget_get_allocation(layer, &placed);
        return gtk_widget_get_mapped(layer) && placed.x == 0 && placed.y == 30;
    }));
    SetParent(hwnd, nullptr);
    EXPECT_NE(ui::GetGtkBackend()->NativeWindow(hwnd), nullptr);
    DestroyWindow(hwnd);
}

TEST_F(GtkWindows, MessagesFromOtherThreadsAndTimersWakeTheLoop) {
    struct Counter : SkinWindow {
        using SkinWindow::SkinWindow;
        std::atomic<int> received{0};
        LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_USER + 7) return ++received * 10;
            return SkinWindow::HandleMessage(message, wParam, lParam);
        }
    };
    auto* window = new Counter("<Window size=\"100,100\"><Control/></Window>");
    window_.reset(window);
    HWND hwnd = window->Create(nullptr, "wake", WS_POPUP | WS_VISIBLE, 0, 0, 0, 100, 100);
    ASSERT_NE(hwnd, nullptr);
    // The loop sleeps in GLib; a worker's SendMessage must wake it and get the answer.
    LRESULT answer = 0;
    std::thread worker([&] {
        std::this_thread::sleep_for(100ms);
        answer = SendMessage(hwnd, WM_USER + 7, 0, 0);
        PostMessage(hwnd, WM_USER + 7, 0, 0);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(WaitFor([&] { return window->received == 2; }));
    worker.join();
    EXPECT_EQ(answer, 10);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);

    // A control timer fires through the same loop.
    int ticks = 0;
    struct Ticks : DuiLib::INotifyUI {
        int* ticks;
        void Notify(DuiLib::TNotifyUI& msg) override { *ticks += msg.sType == "timer"; }
    } notifier;
    notifier.ticks = &ticks;
    window->Manager().AddNotifier(&notifier);
    window->Manager().SetTimer(window->Manager().GetRoot(), 3, 30);
    EXPECT_TRUE(WaitFor([&] { return ticks >= 3; }));
    window->Manager().KillTimer(window->Manager().GetRoot(), 3);
    window->Manager().RemoveNotifier(&notifier);
}

}  // namespace
