// The gallery on a virtual X display: each page is saved as PNG (beside the
// test, gallery-page<N>.png) and checked on screen and offscreen: the caption
// band, Chinese texts with real glyphs, the page in the browser control, the
// list scrolled by the wheel and by its scroll bar, and a tool tip after hovering.
#include <gtest/gtest.h>

#include <cairo.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ui/gallery/gallery_window.h"
#include "ui/gtk/gtk_backend.h"
#include "ui/render/cairo_target.h"
#include "ui/render/scroll_bar.h"
#include "ui/web/screen_backend.h"

namespace {

using namespace DuiLib;
using namespace std::chrono_literals;

struct Rgb {
    int r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

void PrintTo(const Rgb& c, std::ostream* os) {
    *os << "rgb(" << c.r << "," << c.g << "," << c.b << ")";
}

Rgb PngPixel(cairo_surface_t* image, int x, int y) {
    cairo_surface_flush(image);
    const unsigned char* row =
        cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
    const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(row)[x];
    return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
            static_cast<int>(p & 0xFF)};
}

// What the X server shows at a point of the window.
Rgb ScreenPixel(HWND hwnd, int x, int y) {
    GtkWidget* top = ui::GetGtkBackend()->NativeWindow(hwnd);
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gtk_widget_get_window(top), x, y, 1, 1);
    if (!shot) return {-1, -1, -1};
    const guchar* p = gdk_pixbuf_get_pixels(shot);
    Rgb rgb{p[0], p[1], p[2]};
    g_object_unref(shot);
    return rgb;
}

bool Near(const Rgb& a, const Rgb& b, int tolerance = 24) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 20s) {
    return ui::RunUntil(done, timeout);
}

class Gallery : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // SIGUSR2 saves the shown windows here (what ./run uses for screenshots;
        // WebKit keeps SIGUSR1 for its garbage collector).
        shots_ = std::filesystem::absolute("gallery-signal-shots");
        std::filesystem::remove_all(shots_);
        std::filesystem::create_directories(shots_);
        setenv("QUORVI_SCREENSHOT_DIR", shots_.c_str(), 1);
        ASSERT_TRUE(ui::InstallScreenBackend()) << "needs a display";
    }

    void SetUp() override {
        CPaintManagerUI::SetResourcePath(QUORVI_GALLERY_SKIN_DIR);
        window_ = new gallery::GalleryWindow(std::string("file://") + QUORVI_GALLERY_SKIN_DIR +
                                             "/page.html");
        hwnd_ =
            window_->Create(nullptr, "Widget Gallery", WS_POPUP | WS_VISIBLE, 0, 40, 40, 950, 553);
        ASSERT_NE(hwnd_, nullptr);
        GtkWidget* top = ui::GetGtkBackend()->NativeWindow(hwnd_);
        ASSERT_TRUE(WaitFor([&] { return gtk_widget_get_mapped(top); }));
    }

    void TearDown() override {
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);  // the window deletes itself
        ui::RunUntilIdle();
    }

    // Saves the live window and reads the PNG back.
    cairo_surface_t* Screenshot(int page) {
        ui::RunFor(300ms);  // the first frames after a change
        const std::string path = "gallery-page" + std::to_string(page) + ".png";
        EXPECT_TRUE(ui::SaveWindowPng(hwnd_, path));
        cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
        EXPECT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
        EXPECT_EQ(cairo_image_surface_get_width(image), 950);
        EXPECT_EQ(cairo_image_surface_get_height(image), 553);
        return image;
    }

    // Characters of the window's texts that no font could draw.
    int UnknownGlyphs() {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 950, 553);
        cairo_t* cr = cairo_create(surface);
        ui::CairoRenderTarget target(cr, &window_->Manager());
        window_->Manager().Paint(target, RECT{0, 0, 950, 553});
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        return target.UnknownGlyphs();
    }

    static inline std::filesystem::path shots_;
    gallery::GalleryWindow* window_ = nullptr;
    HWND hwnd_ = nullptr;
};

TEST_F(Gallery, SignalSavesEveryShownWindow) {
    ui::RunFor(200ms);
    const auto expected = shots_ / "Widget Gallery-1.png";
    ASSERT_EQ(raise(SIGUSR2), 0);
    EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(expected); }, 10s));
    cairo_surface_t* image = cairo_image_surface_create_from_png(expected.c_str());
    EXPECT_EQ(cairo_image_surface_get_width(image), 950);
    EXPECT_EQ(PngPixel(image, 500, 4), (Rgb{0x2D, 0x6C, 0xDF}));
    cairo_surface_destroy(image);

    // Beside it, where each named control is on the screen: the caption's
    // close button sits in the top right corner of the window at (40, 40).
    std::ifstream map(shots_ / "Widget Gallery-1.controls.txt");
    bool closeButtonFound = false;
    for (std::string line; std::getline(map, line);) {
        std::istringstream fields(line);
        int left = 0, top = 0, width = 0, height = 0;
        std::string name;
        ASSERT_TRUE(fields >> left >> top >> width >> height >> name) << line;
        if (name != "closebtn") continue;
        closeButtonFound = true;
        EXPECT_GT(width, 0);
        EXPECT_GT(height, 0);
        EXPECT_GE(left, 40 + 950 - 100) << line;
        EXPECT_LE(left + width, 40 + 950) << line;
        EXPECT_GE(top, 40) << line;
        EXPECT_LE(top + height, 40 + 60) << line;
    }
    EXPECT_TRUE(closeButtonFound);
}

TEST_F(Gallery, ControlsPageShowsEveryControlWithRealGlyphs) {
    window_->SelectPage(0);
    cairo_surface_t* shot = Screenshot(0);
    EXPECT_EQ(PngPixel(shot, 500, 4), (Rgb{0x2D, 0x6C, 0xDF}));       // caption band
    EXPECT_TRUE(Near(PngPixel(shot, 240, 110), {45, 108, 223}));      // primary button
    EXPECT_TRUE(Near(PngPixel(shot, 350, 230), {45, 108, 223}, 60));  // progress fill
    EXPECT_EQ(ScreenPixel(hwnd_, 500, 4), (Rgb{0x2D, 0x6C, 0xDF}));
    cairo_surface_destroy(shot);
    EXPECT_EQ(UnknownGlyphs(), 0);
}

TEST_F(Gallery, ToolTipShowsAfterHovering) {
    window_->SelectPage(0);
    ui::RunFor(200ms);
    RECT at;
    GetWindowRect(hwnd_, &at);
    const std::string move = "xdotool mousemove " + std::to_string(at.left + 250) + " " +
                             std::to_string(at.top + 120) + " sleep 0.1 mousemove " +
                             std::to_string(at.left + 252) + " " + std::to_string(at.top + 121);
    ASSERT_EQ(std::system(move.c_str()), 0);
    GtkWidget* tip = nullptr;
    EXPECT_TRUE(WaitFor(
        [&] {
            GList* tops = gtk_window_list_toplevels();
            for (GList* l = tops; l; l = l->next) {
                if (gtk_widget_get_mapped(GTK_WIDGET(l->data)) &&
                    std::string(G_OBJECT_TYPE_NAME(l->data)) == "GtkTooltipWindow")
                    tip = GTK_WIDGET(l->data);
            }
            g_list_free(tops);
            return tip != nullptr;
        },
        10s));
}

TEST_F(Gallery, ListScrollsByWheelAndScrollBar) {
    window_->SelectPage(1);
    auto* list = dynamic_cast<CListUI*>(window_->Manager().FindControl("appList"));
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(WaitFor([&] { return list->GetScrollRange() > 0; }));
    cairo_surface_t* shot = Screenshot(1);
    cairo_surface_destroy(shot);
    EXPECT_EQ(UnknownGlyphs(), 0);

    RECT at;
    GetWindowRect(hwnd_, &at);
    const RECT box = list->GetAbsolutePos();
    const int x = at.left + (box.left + box.right) / 2, y = at.top + (box.top + box.bottom) / 2;
    const std::string wheel =
        "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 5 click 5";
    ASSERT_EQ(std::system(wheel.c_str()), 0);
    EXPECT_TRUE(WaitFor([&] { return list->GetScrollPos() > 0; }));

    // Dragging the thumb to the bottom of its track scrolls to the end.
    auto bar = ui::ScrollBarOf(*list);
    ASSERT_TRUE(bar.has_value());
    const int thumbX = at.left + (bar->thumb.left + bar->thumb.right) / 2;
    const int thumbY = at.top + (bar->thumb.top + bar->thumb.bottom) / 2;
    const std::string drag = "xdotool mousemove " + std::to_string(thumbX) + " " +
                             std::to_string(thumbY) + " mousedown 1 mousemove " +
                             std::to_string(thumbX) + " " +
                             std::to_string(at.top + box.bottom + 50) + " mouseup 1";
    ASSERT_EQ(std::system(drag.c_str()), 0);
    EXPECT_TRUE(WaitFor([&] { return list->GetScrollPos() == list->GetScrollRange(); }))
        << list->GetScrollPos() << " of " << list->GetScrollRange();
}

TEST_F(Gallery, BrowserPageShowsOnScreenAndInTheScreenshot) {
    window_->SelectPage(2);
    ASSERT_TRUE(WaitFor([&] { return window_->PageLoaded(); }));
    ui::RunFor(500ms);  // the page paints after it completes
    cairo_surface_t* shot = Screenshot(2);
    // The page's blue header, inside the browser control's rectangle.
    EXPECT_TRUE(Near(PngPixel(shot, 300, 140), {45, 115, 220}, 40));
    EXPECT_TRUE(Near(ScreenPixel(hwnd_, 300, 140), {45, 115, 220}, 40));
    cairo_surface_destroy(shot);
}

}  // namespace
