// The cairo/pango renderer of the widget layer: a RenderTarget that paints a
// control tree onto any cairo surface (a window on screen, an offscreen image).
//
// Images are PNG files found under the resource path; each is loaded once and
// kept, within a byte budget, by the RenderCache, which also keeps the shaped
// text layouts so that a repaint of an unchanged window does not shape its
// texts again. Texts arrive
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
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "ui/core/render.h"
#include "ui/render/image_header.h"
#include "ui/render/stored_images.h"

namespace DuiLib {
class CPaintManagerUI;
}

namespace ui {

// ---- images decoded ahead ----------------------------------------------------------------------
// A program's first paint decodes every image of its main window; started
// early on a thread of their own (while GTK starts and the window is made),
// those decodes are done by the time it paints. The render cache takes each
// image from here, once, instead of decoding the file.
//
// That pays only where a core is spare. On two cores the decoding thread
// competes with the UI thread and the X server while the window is made, and
// the window was mapped and finished later with it than without it.

// True when the machine has more than two cores: decoding ahead runs beside
// the start rather than in its way.
bool DecodeAheadPays();

// The PNG files a skin's text names (attribute values, or their file='...'
// parts, ending in ".png"), in order, each once: those its window shows when it
// first appears, so not those of a hot, pushed or focused state, nor those of
// an element hidden at first (visible="false"). The rest are decoded when shown.
std::vector<std::string> SkinImageNames(std::string_view skinText);

// Starts decoding the skin files `names` (relative to the resource path, as
// the skins write them) on a thread of its own, in order. A file already
// waiting, being decoded or decoded and not yet taken is not asked for twice.
void PreloadImages(const std::vector<std::string>& names);
// The same with the names relative to `folder` (GBK, as the resource path): for
// a thread other than the UI thread, which may change the resource path meanwhile.
void PreloadImages(const std::vector<std::string>& names, const std::string& folder);

// ---- fonts set up ahead ------------------------------------------------------------------------
// The first text a program draws sets up fontconfig and loads the fonts its
// descriptions match, a good part of its first paint. PrepareFonts does that on
// a thread of its own, into a font map of its own; the render cache takes that
// map (waiting for it when still being filled) and makes it the UI thread's
// default pango map, so GTK's widgets share the fonts too.

// The pango descriptions of a skin's window fonts (its <Font> elements), as
// the renderer writes them, each once.
std::vector<std::string> SkinFontDescriptions(std::string_view skinText);

// Starts setting up fontconfig and the fonts of `descriptions` on a thread.
void PrepareFonts(std::vector<std::string> descriptions);

// ---- images stored for the next start -----------------------------------------------------
// Images are read from a file of decoded images (stored_images.h) where it
// holds them for their files as they are now, instead of decoded.

// Uses the file at `path` (UTF-8) for that; called before any image is read.
void UseStoredImages(const std::string& path);

// Writes the images the shared render cache holds decoded to that file, on a
// thread of its own, when this run decoded any file itself since the last
// write. Called after a program's first frame: the images of that frame are
// the ones the next start reads.
void StoreDecodedImages();

// ---- RenderCache -----------------------------------------------------------------------------
// Images and text layouts shared by every paint of the windows that use it.
// Single-threaded: the UI thread owns it.
//
// Images are bounded twice: a file whose header declares more than
// kMaxImageSide pixels on a side is not decoded (logged once), and the decoded
// and composed images kept stay within a byte budget. Over it, the decoded files
// least recently drawn are dropped first (their composed copies, usually small
// icons at the size they are drawn, stay), then whole images. A dropped image is
// decoded again when next drawn; one handed out stays valid while its holder
// keeps it.
class RenderCache {
public:
    // A decoded or composed image, shared with the cache.
    using ImageRef = std::shared_ptr<cairo_surface_t>;
    // The default budget: far above what the skins and a catalogue's icons need.
    static constexpr size_t kDefaultImageBudget = size_t{64} << 20;

    explicit RenderCache(size_t imageBudget = kDefaultImageBudget);
    ~RenderCache();
    RenderCache(const RenderCache&) = delete;
    RenderCache& operator=(const RenderCache&) = delete;

    // The size of the image of a skin file name (GBK; relative to the resource
    // path unless absolute) with `mask` colour made transparent when given.
    // Nullopt when the file is missing, is not a PNG or is over the size limit;
    // the answer is remembered either way. The image stays decoded, even over the
    // budget, until the next Image or Composed call trims the cache.
    std::optional<ImageSize> SizeOf(const std::string& file,
                                    std::optional<DWORD> mask = std::nullopt);
    // The image itself (null as SizeOf is nullopt).
    ImageRef Image(const std::string& file, std::optional<DWORD> mask = std::nullopt);
    // The image part `src` composed at width x height (stretched, or in nine
    // slices by `corner`), made once by `compose` and kept.
    using ComposeFunction = void (*)(cairo_t*, cairo_surface_t*, const RECT&, RECT, int, int);
    ImageRef Composed(const std::string& file, std::optional<DWORD> mask, const RECT& src,
                      const RECT& corner, int width, int height, ComposeFunction compose);
    // Bytes the images kept take (pixels, and a little for each image known).
    size_t ImageBytes() const { return imageBytes_; }
    // Forgets every image (a skin folder changed on disk).
    void ClearImages();
    // The files' own images held decoded now (not keyed copies), with their stamps.
    std::vector<ImageToStore> DecodedFiles() const;

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
    using ComposedKey = std::tuple<LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, int, int>;
    struct CachedImage {
        std::string key;
        std::string file;
        std::optional<DWORD> mask;
        std::optional<ImageSize> size;  // nullopt: missing, not a PNG or over the limit
        ImageRef decoded;               // null when dropped for room
        std::map<ComposedKey, ImageRef> composed;
        std::string path;                     // UTF-8, as resolved when last decoded
        std::optional<ImageFileStamp> stamp;  // of that file, when decoded unkeyed
    };
    using ImageList = std::list<CachedImage>;

    // The entry of a file, decoded when first asked for, now the most recently used.
    CachedImage& Entry(const std::string& file, std::optional<DWORD> mask);
    // Decodes the entry's file again when it was dropped; false when it no longer can be.
    bool Decode(CachedImage& entry);
    // Drops what was least recently drawn until the images fit the budget;
    // `spareLatest` keeps the entry used last whole, even over the budget.
    void Trim(bool spareLatest = false);
    void Forget(ImageList::iterator entry);

    PangoContext* context_ = nullptr;
    size_t imageBudget_;
    size_t imageBytes_ = 0;
    ImageList images_;  // most recently used first
    std::unordered_map<std::string, ImageList::iterator> imageIndex_;
    std::unordered_map<TextKey, CachedLayout, TextKeyHash> layouts_;
    std::list<TextKey> ages_;  // most recently used first
};

// The pango description of a window font (-1 or out of range: the default
// font), with fallbacks that cover Chinese.
std::string FontDescriptionText(const DuiLib::CPaintManagerUI* manager, int font);
// The same from a font's parts (family GBK, may be empty).
std::string FontDescriptionText(std::string_view family, int size, bool bold, bool italic,
                                bool underline);

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
    bool DrawStretchedAsFill(const ImageSpec& image, const RECT& src, const RECT& dst);

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
