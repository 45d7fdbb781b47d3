#include "ui/render/window_image.h"

#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"
#include "ui/render/cairo_target.h"
#include "ui/render/scroll_bar.h"

namespace ui {

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
