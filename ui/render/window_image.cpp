#include "ui/render/window_image.h"

#include <sys/mman.h>

#include <cmath>

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

}  // namespace

void PaintWindow(HWND hwnd, cairo_t* cr, const RECT& paintRect) {
    cairo_save(cr);
    cairo_rectangle(cr, paintRect.left, paintRect.top, paintRect.right - paintRect.left,
                    paintRect.bottom - paintRect.top);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    if (DuiLib::CPaintManagerUI* manager = DuiLib::CPaintManagerUI::FromWindow(hwnd)) {
        CairoRenderTarget target(cr, manager);
        manager->Paint(target, paintRect);
        PaintScrollBars(cr, manager->GetRoot(), paintRect);
    }
    cairo_restore(cr);
}

void PaintWindowThroughImage(HWND hwnd, cairo_t* cr, const RECT& paintRect) {
    const int width = paintRect.right - paintRect.left, height = paintRect.bottom - paintRect.top;
    if (width <= 0 || height <= 0) return;
    // Opaque (PaintWindow lays a white ground first): no alpha to carry to the
    // window, which has none either.
    // At the target's pixel density (a display scaled by GDK_SCALE).
    double scaleX = 1, scaleY = 1;
    cairo_surface_get_device_scale(cairo_get_target(cr), &scaleX, &scaleY);
    cairo_surface_t* image = NewPaintImage(static_cast<int>(std::ceil(width * scaleX)),
                                           static_cast<int>(std::ceil(height * scaleY)));
    cairo_surface_set_device_scale(image, scaleX, scaleY);
    cairo_t* imageCr = cairo_create(image);
    cairo_translate(imageCr, -paintRect.left, -paintRect.top);
    PaintWindow(hwnd, imageCr, paintRect);
    cairo_destroy(imageCr);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, image, paintRect.left, paintRect.top);
    cairo_rectangle(cr, paintRect.left, paintRect.top, width, height);
    cairo_fill(cr);
    cairo_restore(cr);
    // Done with its memory, which the next paint draws in, whoever still holds it.
    cairo_surface_finish(image);
    cairo_surface_destroy(image);
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
