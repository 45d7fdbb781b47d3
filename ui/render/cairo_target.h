// The cairo/pango renderer of the widget layer: a RenderTarget that paints a
// control tree onto any cairo surface (a window on screen, an offscreen image).
//
// Images are PNG files found under the resource path; each is loaded once and
// kept by the RenderCache, which also keeps the shaped text layouts so that a
// repaint of an unchanged window does not shape its texts again. Texts arrive
// as GBK and are converted to UTF-8 here, at the drawing edge.
//
// Sections: RenderCache | CairoRenderTarget
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "ui/core/render.h"

namespace DuiLib {
class CPaintManagerUI;
}

namespace ui {

// ---- RenderCache -----------------------------------------------------------------------------
// Images and text layouts shared by every paint of the windows that use it.
// Single-threaded: the UI thread owns it.
class RenderCache {
public:
    RenderCache();
    ~RenderCache();
    RenderCache(const RenderCache&) = delete;
    RenderCache& operator=(const RenderCache&) = delete;

    // The image of a skin file name (GBK; relative to the resource path unless
    // absolute), with `mask` colour made transparent when given. Null when the
    // file is missing or is not a PNG; the answer is remembered either way.
    cairo_surface_t* Image(const std::string& file, std::optional<DWORD> mask = std::nullopt);
    // A pattern drawing the `src` part of a cached image (kept with the image).
    cairo_pattern_t* Part(cairo_surface_t* image, const RECT& src);
    // The image part `src` composed at width x height (stretched, or in nine
    // slices by `corner`), made once by `compose` and kept.
    using ComposeFunction = void (*)(cairo_t*, RenderCache&, cairo_surface_t*, const RECT&, RECT,
                                     int, int);
    cairo_surface_t* Composed(cairo_surface_t* image, const RECT& src, const RECT& corner,
                              int width, int height, const ComposeFunction& compose);
    // Forgets every image (a skin folder changed on disk).
    void ClearImages();

    struct TextKey {
        std::string text;  // GBK
        std::string font;  // font description text
        int width;
        int height;
        UINT align;
        bool operator==(const TextKey&) const = default;
    };
    // A layout for the text laid out in a box of width x height.
    PangoLayout* Layout(const TextKey& key);
    PangoContext* Context() const { return context_; }

    static RenderCache& Shared();

private:
    struct TextKeyHash {
        size_t operator()(const TextKey& key) const;
    };
    struct CachedLayout {
        PangoLayout* layout;
        std::list<TextKey>::iterator age;
    };

    using PartKey = std::tuple<cairo_surface_t*, LONG, LONG, LONG, LONG>;
    PangoContext* context_ = nullptr;
    std::map<PartKey, cairo_pattern_t*> parts_;
    using ComposedKey =
        std::tuple<cairo_surface_t*, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, int, int>;
    std::map<ComposedKey, cairo_surface_t*> composed_;
    std::unordered_map<std::string, cairo_surface_t*> images_;
    std::unordered_map<TextKey, CachedLayout, TextKeyHash> layouts_;
    std::list<TextKey> ages_;  // most recently used first
};

// The pango description of a window font (-1 or out of range: the default
// font), with fallbacks that cover Chinese.
std::string FontDescriptionText(const DuiLib::CPaintManagerUI* manager, int font);

// ---- CairoRenderTarget -----------------------------------------------------------------------
class CairoRenderTarget : public RenderTarget {
public:
    // `manager` supplies the fonts (may be null: default font only).
    CairoRenderTarget(cairo_t* cr, const DuiLib::CPaintManagerUI* manager,
                      RenderCache& cache = RenderCache::Shared());

    void FillRect(const RECT& rect, DWORD argb) override;
    bool DrawImage(const RECT& control, const ImageSpec& image) override;
    void DrawText(const RECT& rect, const std::string& text, DWORD argb, int font,
                  UINT align) override;
    void DrawBorder(const RECT& rect, DWORD argb, int width) override;
    void PushClip(const RECT& rect) override;
    void PopClip() override;

    // Characters drawn so far that no font could show (pango's unknown glyphs).
    int UnknownGlyphs() const { return unknownGlyphs_; }

private:
    void SetColor(DWORD argb, bool ignoreAlpha = false);

    cairo_t* cr_;
    const DuiLib::CPaintManagerUI* manager_;
    RenderCache& cache_;
    int clipDepth_ = 0;
    int unknownGlyphs_ = 0;
};

// Where an image spec lands in a control: the dest rectangle (relative to the
// control, clipped to it) or the whole control.
RECT ImageDestRect(const RECT& control, const ImageSpec& image);

}  // namespace ui
