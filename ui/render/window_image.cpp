#include "ui/render/window_image.h"

#include <sys/mman.h>

#include <cmath>
#include <optional>
#include <tuple>
#include <utility>

#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"
#include "ui/render/cairo_target.h"
#include "ui/render/scroll_bar.h"

namespace ui {

namespace {

// The pixels every paint through an image draws in, mapped with their pages
// present and kept: the first paint would otherwise take a page fault for each
// 4 KiB of a window-sized image, a good part of its time. UI thread only.
struct PaintPixels {
    unsigned char* data = nullptr;
    size_t bytes = 0;
};

// Room for `bytes`; null when no memory could be mapped.
unsigned char* PaintPixelsFor(size_t bytes) {
    static PaintPixels pixels;
    if (bytes <= pixels.bytes) return pixels.data;
    if (pixels.data) munmap(pixels.data, pixels.bytes);
    void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    pixels = mapped == MAP_FAILED ? PaintPixels{}
                                  : PaintPixels{static_cast<unsigned char*>(mapped), bytes};
    return pixels.data;
}

cairo_surface_t* NewPaintImage(int width, int height) {
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
    if (unsigned char* data = PaintPixelsFor(static_cast<size_t>(stride) * height))
        return cairo_image_surface_create_for_data(data, CAIRO_FORMAT_RGB24, width, height, stride);
    return cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
}

// Paints a window's controls, for a frame shown now or (`ahead`) later.
void PaintWindowFor(HWND hwnd, cairo_t* cr, const RECT& paintRect, bool ahead) {
    cairo_save(cr);
    cairo_rectangle(cr, paintRect.left, paintRect.top, paintRect.right - paintRect.left,
                    paintRect.bottom - paintRect.top);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    if (DuiLib::CPaintManagerUI* manager = DuiLib::CPaintManagerUI::FromWindow(hwnd)) {
        CairoRenderTarget target(cr, manager);
        if (ahead)
            manager->PaintAhead(target, paintRect);
        else
            manager->Paint(target, paintRect);
        PaintScrollBars(cr, manager->GetRoot(), paintRect);
    }
    cairo_restore(cr);
}

// The part `paintRect` of the window painted in the paint pixels, at the
// target's pixel density (a display scaled by GDK_SCALE).
cairo_surface_t* PaintImage(HWND hwnd, const RECT& paintRect, double scaleX, double scaleY,
                            bool ahead) {
    const int width = paintRect.right - paintRect.left, height = paintRect.bottom - paintRect.top;
    cairo_surface_t* image = NewPaintImage(static_cast<int>(std::ceil(width * scaleX)),
                                           static_cast<int>(std::ceil(height * scaleY)));
    cairo_surface_set_device_scale(image, scaleX, scaleY);
    cairo_t* cr = cairo_create(image);
    cairo_translate(cr, -paintRect.left, -paintRect.top);
    PaintWindowFor(hwnd, cr, paintRect, ahead);
    cairo_destroy(cr);
    return image;
}

// Done with the paint pixels, which the next paint draws in, whoever still holds the image.
void ReleasePaintImage(cairo_surface_t* image) {
    cairo_surface_finish(image);
    cairo_surface_destroy(image);
}

// ---- painted ahead ---------------------------------------------------------------------------
// A window painted whole into the paint pixels before its expose came back
// (PaintWindowAhead), until its next paint copies it. UI thread only.
struct PaintedAhead {
    HWND hwnd = nullptr;  // none when null
    RECT rect{};
    double scale = 1;
    std::uint64_t invalidations = 0;  // the window's count when it was painted
    cairo_surface_t* image = nullptr;
};

PaintedAhead& ThePaintedAhead() {
    static PaintedAhead ahead;
    return ahead;
}

void Discard(PaintedAhead& ahead) {
    if (ahead.image) ReleasePaintImage(ahead.image);
    ahead = {};
}

bool Within(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The image painted ahead of `hwnd`, when it holds `paintRect` of the window as
// it is now; anything else painted ahead is dropped (the next paint draws over
// its pixels).
std::optional<std::pair<cairo_surface_t*, RECT>> TakePaintedAhead(HWND hwnd, const RECT& paintRect,
                                                                  double scaleX, double scaleY) {
    PaintedAhead& ahead = ThePaintedAhead();
    if (!ahead.image) return std::nullopt;
    RECT client{};
    DuiLib::CPaintManagerUI* manager = DuiLib::CPaintManagerUI::FromWindow(hwnd);
    const bool current = ahead.hwnd == hwnd && ahead.scale == scaleX && ahead.scale == scaleY &&
                         Within(paintRect, ahead.rect) &&
                         ::InvalidationCount(hwnd) == ahead.invalidations && manager &&
                         !manager->IsUpdateNeeded() && ::GetClientRect(hwnd, &client) &&
                         client == ahead.rect;
    if (!current) {
        Discard(ahead);
        return std::nullopt;
    }
    std::pair taken{ahead.image, ahead.rect};
    ahead = {};
    return taken;
}

}  // namespace

void PaintWindow(HWND hwnd, cairo_t* cr, const RECT& paintRect) {
    PaintWindowFor(hwnd, cr, paintRect, false);
}

void PaintWindowThroughImage(HWND hwnd, cairo_t* cr, const RECT& paintRect) {
    const int width = paintRect.right - paintRect.left, height = paintRect.bottom - paintRect.top;
    if (width <= 0 || height <= 0) return;
    // Opaque (PaintWindow lays a white ground first): no alpha to carry to the
    // window, which has none either.
    double scaleX = 1, scaleY = 1;
    cairo_surface_get_device_scale(cairo_get_target(cr), &scaleX, &scaleY);
    cairo_surface_t* image = nullptr;
    RECT imageRect = paintRect;
    if (auto ahead = TakePaintedAhead(hwnd, paintRect, scaleX, scaleY)) {
        std::tie(image, imageRect) = *ahead;
        if (DuiLib::CPaintManagerUI* manager = DuiLib::CPaintManagerUI::FromWindow(hwnd))
            manager->FramePainted();
    } else {
        image = PaintImage(hwnd, paintRect, scaleX, scaleY, false);
    }
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, image, imageRect.left, imageRect.top);
    cairo_rectangle(cr, paintRect.left, paintRect.top, width, height);
    cairo_fill(cr);
    cairo_restore(cr);
    ReleasePaintImage(image);
}

void PaintWindowAhead(HWND hwnd, double scale) {
    PaintedAhead& ahead = ThePaintedAhead();
    Discard(ahead);
    RECT client{};
    DuiLib::CPaintManagerUI* manager = DuiLib::CPaintManagerUI::FromWindow(hwnd);
    if (!manager || !::GetClientRect(hwnd, &client) || client.right <= client.left ||
        client.bottom <= client.top)
        return;
    // Laid out first: the controls placed invalidate what they cover.
    manager->UpdateLayout();
    const std::uint64_t invalidations = ::InvalidationCount(hwnd);
    cairo_surface_t* image = PaintImage(hwnd, client, scale, scale, true);
    // Invalidated while it was painted: the window's next paint paints it anew.
    if (::InvalidationCount(hwnd) != invalidations) {
        ReleasePaintImage(image);
        return;
    }
    ahead = {hwnd, client, scale, invalidations, image};
}

cairo_surface_t* RenderWindowImage(HWND hwnd) {
    RECT client{};
    if (!DuiLib::CPaintManagerUI::FromWindow(hwnd) || !GetClientRect(hwnd, &client)) return nullptr;
    if (client.right <= 0 || client.bottom <= 0) return nullptr;
    cairo_surface_t* image =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, client.right, client.bottom);
    cairo_t* cr = cairo_create(image);
    PaintWindow(hwnd, cr, client);
    cairo_destroy(cr);
    cairo_surface_flush(image);
    return image;
}

bool WriteWindowPng(HWND hwnd, const std::string& path) {
    cairo_surface_t* image = RenderWindowImage(hwnd);
    if (!image) return false;
    const bool written = cairo_surface_write_to_png(image, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(image);
    return written;
}

}  // namespace ui
