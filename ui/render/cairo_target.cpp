// Sections: paths and images | RenderCache | fonts | CairoRenderTarget
#include "ui/render/cairo_target.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "platform/log.h"
#include "platform/text.h"
#include "ui/core/attributes.h"
#include "ui/core/paint_manager.h"
#include "ui/render/stored_images.h"

namespace ui {
namespace {

// Layouts kept before the least recently used are dropped (a window of a few
// hundred texts repaints from the cache; a long-running client stays bounded).
constexpr size_t kMaxCachedLayouts = 8192;
// What an image known to the cache costs beyond its pixels (its entry, names
// and map nodes), so that remembered missing files count too.
constexpr size_t kEntryBytes = 256;
constexpr size_t kComposedBytes = 64;

// ---- paths and images ------------------------------------------------------------------------
// The UTF-8 path of a skin file name (GBK), relative to `folder` (GBK) unless absolute.
std::string ResolveImagePath(const std::string& gbkFile, const std::string& folder) {
    std::string path = platform::GbkToUtf8(gbkFile);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (!path.empty() && path.front() == '/') return path;
    std::string base = platform::GbkToUtf8(folder);
    std::replace(base.begin(), base.end(), '\\', '/');
    if (!base.empty() && base.back() != '/') base += '/';
    return base + path;
}

std::string ResolveImagePath(const std::string& gbkFile) {
    return ResolveImagePath(gbkFile, DuiLib::CPaintManagerUI::GetResourcePath());
}

RenderCache::ImageRef Owned(cairo_surface_t* surface) {
    return RenderCache::ImageRef(surface, cairo_surface_destroy);
}

size_t SurfaceBytes(cairo_surface_t* surface) {
    if (!surface) return 0;
    return static_cast<size_t>(cairo_image_surface_get_stride(surface)) *
           static_cast<size_t>(cairo_image_surface_get_height(surface));
}

// Feeds cairo's PNG reader the header already read, then the rest of the file.
struct PngStream {
    std::FILE* file;
    std::string_view header;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
    auto* stream = static_cast<PngStream*>(closure);
    const size_t fromHeader = std::min<size_t>(length, stream->header.size());
    std::memcpy(data, stream->header.data(), fromHeader);
    stream->header.remove_prefix(fromHeader);
    const size_t rest = length - fromHeader;
    if (rest > 0 && std::fread(data + fromHeader, 1, rest, stream->file) != rest)
        return CAIRO_STATUS_READ_ERROR;
    return CAIRO_STATUS_SUCCESS;
}

// A PNG file read (a UTF-8 path): its pixels, or null when the file is missing,
// is not a PNG or is refused; its size; and its stamp when the file was opened.
struct FileImage {
    RenderCache::ImageRef image;
    ImageSize size;
    std::optional<ImageFileStamp> stamp;
    bool stored = false;  // taken from the stored images, not decoded
};

// The stored decoded images of earlier runs (UseStoredImages), and how many
// files the shared cache decoded itself (unkeyed: those it can store), so that
// a run that found everything stored writes nothing. Set up before any image
// is read; `stored` is read from any thread then, the counts on the UI thread.
struct ImageStore {
    std::string path;
    StoredImages stored;
    int filesDecoded = 0;
    int filesDecodedWhenWritten = 0;
};

ImageStore& TheImageStore() {
    static ImageStore* store = new ImageStore();  // the decoding thread may outlive main's statics
    return *store;
}

// Reads a PNG file: its stored pixels when the store holds them for the file
// as it is now, else decoded, reading the size from the header first: a file
// that declares more than the limit is refused (and logged) before any pixel
// memory is taken.
FileImage ReadImageFile(const std::string& path) {
    FileImage read;
    // A stored copy is found by the file's stamp alone; the file is opened
    // only to be decoded, and then stamped as it was read. A file with no
    // stored copy is not stamped twice.
    const StoredImages& store = TheImageStore().stored;
    if (const std::optional<ImageFileStamp> stamp =
            store.Holds(path) ? StampOfFile(path) : std::nullopt) {
        if (cairo_surface_t* stored = store.Take(path, *stamp)) {
            read.stamp = stamp;
            read.size = {static_cast<std::uint32_t>(cairo_image_surface_get_width(stored)),
                         static_cast<std::uint32_t>(cairo_image_surface_get_height(stored))};
            read.image = Owned(stored);
            read.stored = true;
            return read;
        }
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    if (!file) return read;
    read.stamp = StampOfOpenFile(fileno(file.get()));
    char header[kPngHeaderBytes];
    const size_t length = std::fread(header, 1, sizeof header, file.get());
    const std::optional<ImageSize> declared = PngImageSize({header, length});
    if (!declared) return read;
    if (!FitsImageLimit(*declared)) {
        platform::LogWarning("image \"" + path +
                             "\" not drawn: " + std::to_string(declared->width) + "x" +
                             std::to_string(declared->height) + " pixels is over the limit of " +
                             std::to_string(kMaxImageSide) + " on a side");
        return read;
    }
    PngStream stream{file.get(), {header, length}};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadPng, &stream);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return read;
    }
    read.image = Owned(surface);
    read.size = *declared;
    return read;
}

// ---- images decoded ahead ------------------------------------------------------------------
// Paths (UTF-8) waiting for the decoding thread, and the images it decoded,
// until the cache takes them.
struct Preloads {
    std::mutex mutex;
    std::condition_variable decoded;
    std::deque<std::string> waiting;
    std::string decoding;  // being decoded now; empty when none
    std::map<std::string, FileImage> ready;
};

Preloads& ThePreloads() {
    static Preloads* preloads = new Preloads();  // the thread may outlive main's statics
    return *preloads;
}

// The image decoded ahead for the file at `path`, waiting while it is being
// decoded; nullopt when it was not asked for, was taken already or failed (the
// caller reads the file itself).
std::optional<FileImage> TakePreloadedImage(const std::string& path) {
    Preloads& p = ThePreloads();
    std::unique_lock lock(p.mutex);
    if (std::erase(p.waiting, path) > 0) return std::nullopt;  // sooner read here
    p.decoded.wait(lock, [&] { return p.decoding != path; });
    const auto found = p.ready.find(path);
    if (found == p.ready.end()) return std::nullopt;
    FileImage image = std::move(found->second);
    p.ready.erase(found);
    return image;
}

void DecodeWaitingImages() {
    Preloads& p = ThePreloads();
    std::unique_lock lock(p.mutex);
    while (!p.waiting.empty()) {
        p.decoding = std::move(p.waiting.front());
        p.waiting.pop_front();
        lock.unlock();
        FileImage image = ReadImageFile(p.decoding);
        lock.lock();
        if (image.image) p.ready.emplace(p.decoding, std::move(image));
        p.decoding.clear();
        p.decoded.notify_all();
    }
}

// Opaque pixels of the mask colour become transparent.
RenderCache::ImageRef ApplyColorKey(cairo_surface_t* png, DWORD mask) {
    const int width = cairo_image_surface_get_width(png);
    const int height = cairo_image_surface_get_height(png);
    cairo_surface_t* keyed = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(keyed);
    cairo_set_source_surface(cr, png, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(keyed);
    unsigned char* data = cairo_image_surface_get_data(keyed);
    const int stride = cairo_image_surface_get_stride(keyed);
    const std::uint32_t key = 0xFF000000u | (mask & 0x00FFFFFFu);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x) {
            if (row[x] == key) row[x] = 0;
        }
    }
    cairo_surface_mark_dirty(keyed);
    return Owned(keyed);
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

// Paints the current source over `dst`, faded by `alpha` when it is below 1.
void PaintSourceOver(cairo_t* cr, const RECT& dst, double alpha) {
    cairo_rectangle(cr, dst.left, dst.top, Width(dst), Height(dst));
    if (alpha >= 1.0) {
        cairo_fill(cr);
    } else {
        cairo_save(cr);
        cairo_clip(cr);
        cairo_paint_with_alpha(cr, alpha);
        cairo_restore(cr);
    }
}

// Draws a part of an image (its pattern, of `src`'s size) stretched over `dst`,
// bilinear when `smooth`.
void DrawPart(cairo_t* cr, cairo_pattern_t* pattern, const RECT& src, const RECT& dst, double alpha,
              bool smooth) {
    if (!pattern || Width(src) <= 0 || Height(src) <= 0 || Width(dst) <= 0 || Height(dst) <= 0)
        return;
    const double sx = static_cast<double>(Width(src)) / Width(dst);
    const double sy = static_cast<double>(Height(src)) / Height(dst);
    cairo_matrix_t matrix;
    cairo_matrix_init_scale(&matrix, sx, sy);
    cairo_matrix_translate(&matrix, -dst.left, -dst.top);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_pattern_set_filter(
        pattern, smooth && (sx != 1.0 || sy != 1.0) ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
    cairo_set_source(cr, pattern);
    PaintSourceOver(cr, dst, alpha);
}

// The pixels of an image surface as 32-bit words; empty when the format has others.
struct ImagePixels {
    const unsigned char* data = nullptr;
    int stride = 0;
    std::uint32_t significant = 0xFFFFFFFFu;  // RGB24 leaves the top byte undefined
    bool opaque = false;

    std::uint32_t At(LONG x, LONG y) const {
        return reinterpret_cast<const std::uint32_t*>(data + static_cast<size_t>(y) * stride)[x] &
               significant;
    }
};

ImagePixels PixelsOf(cairo_surface_t* image) {
    const cairo_format_t format = cairo_image_surface_get_format(image);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return {};
    cairo_surface_flush(image);
    const bool rgb = format == CAIRO_FORMAT_RGB24;
    return {cairo_image_surface_get_data(image), cairo_image_surface_get_stride(image),
            rgb ? 0x00FFFFFFu : 0xFFFFFFFFu, rgb};
}

// Whether every row (`alongRows`) or every column of the `src` part is of one
// pixel. Stretched only along that way, such a part needs no filtering.
bool UniformAlong(const ImagePixels& pixels, const RECT& src, bool alongRows) {
    if (!pixels.data) return false;
    for (LONG y = src.top; y < src.bottom; ++y)
        for (LONG x = src.left; x < src.right; ++x)
            if (pixels.At(x, y) != (alongRows ? pixels.At(src.left, y) : pixels.At(x, src.top)))
                return false;
    return true;
}

// The pixel of the `src` part of an image when the whole part is that one
// pixel (as a nine-slice background's centre and edges usually are).
std::optional<std::uint32_t> UniformPixel(const ImagePixels& pixels, const RECT& src) {
    if (!pixels.data) return std::nullopt;
    const std::uint32_t first = pixels.At(src.left, src.top);
    for (LONG y = src.top; y < src.bottom; ++y)
        for (LONG x = src.left; x < src.right; ++x)
            if (pixels.At(x, y) != first) return std::nullopt;
    return first;
}

// Draws the `src` part of an image stretched over `dst`. A surface of its own
// for the part keeps a stretched part from sampling its neighbours.
void DrawImagePart(cairo_t* cr, cairo_surface_t* image, const RECT& src, const RECT& dst) {
    if (Width(src) <= 0 || Height(src) <= 0) return;
    const ImagePixels pixels = PixelsOf(image);
    // A part of one pixel stretches to that pixel everywhere: filled as such,
    // without filtering every pixel of the window's background.
    if (const std::optional<std::uint32_t> pixel = UniformPixel(pixels, src)) {
        if (pixels.opaque || *pixel >> 24 == 0xFF) {
            cairo_set_source_rgb(cr, (*pixel >> 16 & 0xFF) / 255.0, (*pixel >> 8 & 0xFF) / 255.0,
                                 (*pixel & 0xFF) / 255.0);
            PaintSourceOver(cr, dst, 1.0);
            return;
        }
        if (*pixel == 0) return;  // transparent: nothing to lay over
        cairo_surface_t* dot =
            cairo_image_surface_create(cairo_image_surface_get_format(image), 1, 1);
        cairo_surface_flush(dot);
        *reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(dot)) = *pixel;
        cairo_surface_mark_dirty(dot);
        cairo_pattern_t* pattern = cairo_pattern_create_for_surface(dot);
        cairo_surface_destroy(dot);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
        cairo_set_source(cr, pattern);
        PaintSourceOver(cr, dst, 1.0);
        cairo_pattern_destroy(pattern);
        return;
    }
    // A part stretched one way only whose pixels do not change that way (a
    // nine-slice background's edge) comes out the same without filtering.
    const bool alongRows = Height(src) == Height(dst) && Width(src) != Width(dst);
    const bool alongColumns = Width(src) == Width(dst) && Height(src) != Height(dst);
    const bool smooth = !((alongRows || alongColumns) && UniformAlong(pixels, src, alongRows));
    cairo_surface_t* part =
        cairo_surface_create_for_rectangle(image, src.left, src.top, Width(src), Height(src));
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
    cairo_surface_destroy(part);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    DrawPart(cr, pattern, src, dst, 1.0, smooth);
    cairo_pattern_destroy(pattern);
}

// Draws `src` of the image over a width x height surface: stretched, or in nine
// slices when `corner` is set (corners keep their size, edges stretch along,
// the centre both ways; a surface smaller than its corners shrinks them).
void ComposeImage(cairo_t* cr, cairo_surface_t* image, const RECT& src, RECT c, int width,
                  int height) {
    const RECT dst{0, 0, width, height};
    if (c.left == 0 && c.top == 0 && c.right == 0 && c.bottom == 0) {
        DrawImagePart(cr, image, src, dst);
        return;
    }
    auto fit = [](LONG& a, LONG& b, LONG room) {
        if (a + b <= room || a + b <= 0) return;
        a = a * room / (a + b);
        b = room - a;
    };
    fit(c.left, c.right, width);
    fit(c.top, c.bottom, height);
    const LONG sx[4] = {src.left, src.left + c.left, src.right - c.right, src.right};
    const LONG sy[4] = {src.top, src.top + c.top, src.bottom - c.bottom, src.bottom};
    const LONG dx[4] = {0, c.left, width - c.right, width};
    const LONG dy[4] = {0, c.top, height - c.bottom, height};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const RECT part{sx[col], sy[row], sx[col + 1], sy[row + 1]};
            DrawImagePart(cr, image, part, {dx[col], dy[row], dx[col + 1], dy[row + 1]});
        }
    }
}

// Calls fn(name, valueStart, valueEnd) for each attribute of an element's text
// ("<Tag name='value' ...", offsets into it), in order, until fn returns true.
template <typename Fn>
void ForEachAttribute(std::string_view element, Fn&& fn) {
    constexpr std::string_view kBlank = " \t\r\n";
    size_t i = element.find_first_of(kBlank);  // past the tag's name
    while (i < element.size()) {
        const size_t name = element.find_first_not_of(kBlank, i);
        const size_t equals = element.find('=', name);
        if (name == std::string_view::npos || equals == std::string_view::npos) return;
        const size_t quote = element.find_first_not_of(kBlank, equals + 1);
        if (quote == std::string_view::npos || (element[quote] != '"' && element[quote] != '\''))
            return;
        const size_t close = element.find(element[quote], quote + 1);
        if (close == std::string_view::npos) return;  // a value left open is none
        std::string_view attribute = element.substr(name, equals - name);
        attribute = attribute.substr(0, attribute.find_last_not_of(kBlank) + 1);
        if (fn(attribute, quote + 1, close)) return;
        i = close + 1;
    }
}

// The value of attribute `name` in an element's text, or nullopt.
std::optional<std::string_view> AttributeOf(std::string_view element, std::string_view name) {
    std::optional<std::string_view> value;
    ForEachAttribute(element, [&](std::string_view attribute, size_t start, size_t end) {
        if (attribute == name) value = element.substr(start, end - start);
        return value.has_value();
    });
    return value;
}

// The name of the attribute of an element's text whose value holds `offset`;
// empty when none does.
std::string_view AttributeHolding(std::string_view element, size_t offset) {
    std::string_view holding;
    ForEachAttribute(element, [&](std::string_view attribute, size_t start, size_t end) {
        if (offset >= start && offset < end) holding = attribute;
        return !holding.empty();
    });
    return holding;
}

// Whether an image named at `offset` of a skin's text is shown when its window
// first appears: not one of a state a pointer or key brings (hot, pushed,
// focused), nor of an element hidden at first.
bool ShownAtFirst(std::string_view text, size_t offset) {
    const size_t open = text.rfind('<', offset);
    if (open == std::string_view::npos) return true;
    const size_t close = text.find('>', offset);
    const std::string_view element =
        text.substr(open, close == std::string_view::npos ? std::string_view::npos : close - open);
    std::string attribute(AttributeHolding(element, offset - open));
    std::transform(attribute.begin(), attribute.end(), attribute.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    for (const char* state : {"hot", "pushed", "focused"})
        if (attribute.find(state) != std::string::npos) return false;
    const auto visible = AttributeOf(element, "visible");
    return !visible || ParseBool(*visible).value_or(true);
}

}  // namespace

std::vector<std::string> SkinImageNames(std::string_view text) {
    std::vector<std::string> names;
    std::set<std::string, std::less<>> seen;
    // A name runs back from ".png" to a quote, a blank, "=" or ">".
    for (size_t end = text.find(".png"); end != std::string_view::npos;
         end = text.find(".png", end + 1)) {
        const size_t stop = end + 4;
        if (stop < text.size() && text[stop] != '\'' && text[stop] != '"' && text[stop] != ' ')
            continue;
        const size_t before = text.find_last_of("'\"= \t\r\n<>", end);
        const size_t start = before == std::string_view::npos ? 0 : before + 1;
        const std::string_view name = text.substr(start, stop - start);
        if (name.size() > 4 && ShownAtFirst(text, start) && seen.insert(std::string(name)).second)
            names.emplace_back(name);
    }
    return names;
}

bool DecodeAheadPays() {
    return std::thread::hardware_concurrency() > 2;
}

void PreloadImages(const std::vector<std::string>& names) {
    PreloadImages(names, DuiLib::CPaintManagerUI::GetResourcePath());
}

void PreloadImages(const std::vector<std::string>& names, const std::string& folder) {
    Preloads& p = ThePreloads();
    {
        std::lock_guard lock(p.mutex);
        const bool running = !p.waiting.empty() || !p.decoding.empty();
        for (const std::string& name : names) {
            // One copy of a file at most: a second one left waiting after the first
            // was decoded would make the cache decode the file again itself.
            std::string path = ResolveImagePath(name, folder);
            if (path != p.decoding && !p.ready.contains(path) &&
                std::find(p.waiting.begin(), p.waiting.end(), path) == p.waiting.end())
                p.waiting.push_back(std::move(path));
        }
        if (running || p.waiting.empty()) return;
    }
    std::thread(DecodeWaitingImages).detach();
}

// ---- images stored for the next start -------------------------------------------------
void UseStoredImages(const std::string& path) {
    ImageStore& store = TheImageStore();
    store.path = path;
    store.stored.Open(path);
}

void StoreDecodedImages() {
    ImageStore& store = TheImageStore();
    const int decoded = store.filesDecoded;
    if (store.path.empty() || decoded == store.filesDecodedWhenWritten) return;
    store.filesDecodedWhenWritten = decoded;
    std::vector<ImageToStore> images = RenderCache::Shared().DecodedFiles();
    // The pixels are only read there; the references keep them while it writes.
    std::thread([path = store.path, images = std::move(images)] {
        if (!WriteStoredImages(path, images))
            platform::LogWarning("decoded images not stored in \"" + path + "\"");
    }).detach();
}

// ---- fonts set up ahead --------------------------------------------------------------------
namespace {

// The font map being filled on its thread, until the render cache takes it.
struct PreparedFonts {
    std::mutex mutex;
    std::condition_variable finished;
    bool started = false;
    bool done = false;
    PangoFontMap* map = nullptr;
};

PreparedFonts& ThePreparedFonts() {
    static PreparedFonts* fonts = new PreparedFonts();  // a detached thread may outlive main
    return *fonts;
}

// The renderer's text options: a prepared map's fonts then match the paint's.
void SetTextOptions(PangoContext* context) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(context, 96.0);
}

// The map prepared ahead, once it is ready; null when none was started (or
// it was taken already).
PangoFontMap* TakePreparedFontMap() {
    PreparedFonts& p = ThePreparedFonts();
    std::unique_lock lock(p.mutex);
    if (!p.started) return nullptr;
    p.finished.wait(lock, [&] { return p.done; });
    p.started = false;
    return std::exchange(p.map, nullptr);
}

}  // namespace

std::vector<std::string> SkinFontDescriptions(std::string_view text) {
    // The default font (a control without one) comes first.
    std::vector<std::string> descriptions{FontDescriptionText("", 12, false, false, false)};
    for (size_t start = text.find("<Font"); start != std::string_view::npos;
         start = text.find("<Font", start + 1)) {
        const size_t end = text.find('>', start);
        if (end == std::string_view::npos) break;
        if (!std::isspace(static_cast<unsigned char>(text[start + 5]))) continue;
        const std::string_view element = text.substr(start, end - start);
        auto flag = [&](std::string_view name) {
            auto value = AttributeOf(element, name);
            return value && ParseBool(*value).value_or(false);
        };
        const auto size = AttributeOf(element, "size");
        const std::string family = platform::Utf8ToGbk(AttributeOf(element, "name").value_or(""));
        std::string description = FontDescriptionText(
            family, size ? ParseInt(*size).value_or(12) : 12, flag("bold"), flag("italic"), false);
        if (std::find(descriptions.begin(), descriptions.end(), description) == descriptions.end())
            descriptions.push_back(std::move(description));
    }
    return descriptions;
}

void PrepareFonts(std::vector<std::string> descriptions) {
    PreparedFonts& p = ThePreparedFonts();
    {
        std::lock_guard lock(p.mutex);
        if (p.started) return;
        p.started = true;
        p.done = false;
    }
    std::thread([descriptions = std::move(descriptions)] {
        // fontconfig's configuration (set up by the first map) is global and
        // thread-safe; the pango map stays on this thread until it is handed over.
        PangoFontMap* map = pango_cairo_font_map_new();
        PangoContext* context = pango_font_map_create_context(map);
        SetTextOptions(context);
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 32);
        cairo_t* cr = cairo_create(surface);
        // Latin and Chinese, so the fonts of both are loaded and their glyphs drawn once.
        static constexpr char kSample[] = "Aa0 \xe6\x90\x9c\xe7\xb4\xa2\xe5\xba\x94\xe7\x94\xa8";
        for (const std::string& text : descriptions) {
            PangoLayout* layout = pango_layout_new(context);
            PangoFontDescription* description = pango_font_description_from_string(text.c_str());
            pango_layout_set_font_description(layout, description);
            pango_font_description_free(description);
            pango_layout_set_text(layout, kSample, -1);
            pango_cairo_show_layout(cr, layout);
            g_object_unref(layout);
        }
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        g_object_unref(context);
        PreparedFonts& p = ThePreparedFonts();
        std::lock_guard lock(p.mutex);
        p.map = map;
        p.done = true;
        p.finished.notify_all();
    }).detach();
}

RECT ImageDestRect(const RECT& control, const ImageSpec& image) {
    if (!image.dest) return control;
    RECT dest{control.left + image.dest->left, control.top + image.dest->top,
              control.left + image.dest->right, control.top + image.dest->bottom};
    dest.right = std::min(dest.right, control.right);
    dest.bottom = std::min(dest.bottom, control.bottom);
    return dest;
}

// ---- RenderCache -----------------------------------------------------------------------------
RenderCache::RenderCache(size_t imageBudget) : imageBudget_(imageBudget) {
    if (PangoFontMap* prepared = TakePreparedFontMap()) {
        // This thread's default from now on: GTK's widgets use the fonts loaded too.
        pango_cairo_font_map_set_default(PANGO_CAIRO_FONT_MAP(prepared));
        g_object_unref(prepared);
    }
    context_ = pango_font_map_create_context(pango_cairo_font_map_get_default());
    SetTextOptions(context_);
}

RenderCache::~RenderCache() {
    ClearImages();
    for (auto& [key, cached] : layouts_) g_object_unref(cached.layout);
    g_object_unref(context_);
}

RenderCache& RenderCache::Shared() {
    static RenderCache* cache = new RenderCache();  // lives as long as the process
    return *cache;
}

RenderCache::CachedImage& RenderCache::Entry(const std::string& file, std::optional<DWORD> mask) {
    std::string key = file;
    if (mask) key += "\x01" + std::to_string(*mask);
    if (auto found = imageIndex_.find(key); found != imageIndex_.end()) {
        images_.splice(images_.begin(), images_, found->second);
        return images_.front();
    }
    imageBytes_ += kEntryBytes + key.size() + file.size();
    images_.push_front(CachedImage{key, file, mask, std::nullopt, nullptr, {}, {}, std::nullopt});
    imageIndex_.emplace(std::move(key), images_.begin());
    Decode(images_.front());
    return images_.front();
}

bool RenderCache::Decode(CachedImage& entry) {
    const std::string path = ResolveImagePath(entry.file);
    FileImage read = TakePreloadedImage(path).value_or(FileImage{});
    if (!read.image) read = ReadImageFile(path);
    ImageRef surface = read.image;
    if (surface && entry.mask) surface = ApplyColorKey(surface.get(), *entry.mask);
    const std::optional<ImageSize> decodedSize =
        surface ? std::optional<ImageSize>(read.size) : std::nullopt;
    // A file that changed since its copies were composed makes new ones.
    if (decodedSize != entry.size) {
        for (const auto& [key, composed] : entry.composed)
            imageBytes_ -= SurfaceBytes(composed.get()) + kComposedBytes;
        entry.composed.clear();
    }
    entry.size = decodedSize;
    // Only the files' own pixels are stored for later runs, not keyed copies.
    entry.stamp = surface && !entry.mask ? read.stamp : std::nullopt;
    if (entry.stamp && !read.stored) ++TheImageStore().filesDecoded;
    entry.path = path;
    if (entry.decoded) imageBytes_ -= SurfaceBytes(entry.decoded.get());
    entry.decoded = surface;
    imageBytes_ += SurfaceBytes(surface.get());
    return surface != nullptr;
}

void RenderCache::Forget(ImageList::iterator entry) {
    imageBytes_ -= kEntryBytes + entry->key.size() + entry->file.size();
    imageBytes_ -= SurfaceBytes(entry->decoded.get());
    for (const auto& [key, composed] : entry->composed)
        imageBytes_ -= SurfaceBytes(composed.get()) + kComposedBytes;
    imageIndex_.erase(entry->key);
    images_.erase(entry);
}

void RenderCache::Trim(bool spareLatest) {
    const CachedImage* spared = spareLatest && !images_.empty() ? &images_.front() : nullptr;
    // Decoded files go first, least recently used first: the copies composed at
    // the size they are drawn at (icons, stretched backgrounds) are what a paint uses.
    for (auto entry = images_.rbegin(); entry != images_.rend() && imageBytes_ > imageBudget_;
         ++entry) {
        if (!entry->decoded || &*entry == spared) continue;
        imageBytes_ -= SurfaceBytes(entry->decoded.get());
        entry->decoded.reset();
    }
    while (imageBytes_ > imageBudget_ && !images_.empty() && &images_.back() != spared)
        Forget(std::prev(images_.end()));
}

std::optional<ImageSize> RenderCache::SizeOf(const std::string& file, std::optional<DWORD> mask) {
    const std::optional<ImageSize> size = Entry(file, mask).size;
    // The image is usually drawn next: it stays decoded until then.
    Trim(true);
    return size;
}

RenderCache::ImageRef RenderCache::Image(const std::string& file, std::optional<DWORD> mask) {
    CachedImage& entry = Entry(file, mask);
    ImageRef image;
    if (entry.size && (entry.decoded || Decode(entry))) image = entry.decoded;
    Trim();
    return image;
}

RenderCache::ImageRef RenderCache::Composed(const std::string& file, std::optional<DWORD> mask,
                                            const RECT& src, const RECT& corner, int width,
                                            int height, ComposeFunction compose) {
    CachedImage& entry = Entry(file, mask);
    const ComposedKey key{src.left,   src.top,      src.right,     src.bottom, corner.left,
                          corner.top, corner.right, corner.bottom, width,      height};
    ImageRef image;
    if (auto found = entry.composed.find(key); found != entry.composed.end()) {
        image = found->second;
    } else if (entry.size && (entry.decoded || Decode(entry))) {
        image = Owned(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
        cairo_t* cr = cairo_create(image.get());
        compose(cr, entry.decoded.get(), src, corner, width, height);
        cairo_destroy(cr);
        imageBytes_ += SurfaceBytes(image.get()) + kComposedBytes;
        entry.composed.emplace(key, image);
    }
    Trim();
    return image;
}

std::vector<ImageToStore> RenderCache::DecodedFiles() const {
    std::vector<ImageToStore> files;
    for (const CachedImage& entry : images_)
        if (entry.decoded && entry.stamp)
            files.push_back({entry.path, *entry.stamp, entry.decoded});
    return files;
}

void RenderCache::ClearImages() {
    imageIndex_.clear();
    images_.clear();
    imageBytes_ = 0;
}

size_t RenderCache::TextKeyHash::operator()(const TextKey& key) const {
    size_t h = std::hash<std::string>()(key.text);
    h = h * 31 + std::hash<std::string>()(key.font);
    h = h * 31 + static_cast<size_t>(key.width);
    h = h * 31 + static_cast<size_t>(key.height);
    return h * 31 + key.align;
}

PangoLayout* RenderCache::Layout(const TextKey& key) {
    if (auto found = layouts_.find(key); found != layouts_.end()) {
        ages_.splice(ages_.begin(), ages_, found->second.age);
        return found->second.layout;
    }
    if (layouts_.size() >= kMaxCachedLayouts) {
        auto oldest = layouts_.find(ages_.back());
        g_object_unref(oldest->second.layout);
        layouts_.erase(oldest);
        ages_.pop_back();
    }
    PangoLayout* layout = pango_layout_new(context_);
    // The font text is "description|u" when underlined.
    std::string font = key.font;
    const bool underline = font.ends_with("|u");
    if (underline) font.resize(font.size() - 2);
    PangoFontDescription* description = pango_font_description_from_string(font.c_str());
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    if (underline) {
        PangoAttrList* attributes = pango_attr_list_new();
        pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(layout, attributes);
        pango_attr_list_unref(attributes);
    }
    const std::string utf8 = platform::GbkToUtf8(key.text);
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    if (!(key.align & DT_SINGLELINE)) {
        pango_layout_set_width(layout, std::max(key.width, 1) * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_alignment(layout, (key.align & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                           : (key.align & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                                    : PANGO_ALIGN_LEFT);
    }
    ages_.push_front(key);
    layouts_.emplace(key, CachedLayout{layout, ages_.begin()});
    return layout;
}

// ---- fonts -----------------------------------------------------------------------------------
std::string FontDescriptionText(const DuiLib::CPaintManagerUI* manager, int font) {
    const DuiLib::TFontInfo* info = manager ? manager->GetFontInfo(font) : nullptr;
    if (!info) return FontDescriptionText("", 12, false, false, false);
    return FontDescriptionText(info->sFontName, info->iSize, info->bBold, info->bItalic,
                               info->bUnderline);
}

std::string FontDescriptionText(std::string_view gbkFamily, int size, bool bold, bool italic,
                                bool underline) {
    // Skins name Windows fonts; the families after them cover Chinese on Linux.
    std::string family = platform::GbkToUtf8(gbkFamily);
    std::erase(family, ',');
    std::string text = family.empty() ? "" : family + ",";
    text += "WenQuanYi Micro Hei,Sans";
    if (bold) text += " Bold";
    if (italic) text += " Italic";
    text += " " + std::to_string(size > 0 ? size : 12) + "px";
    if (underline) text += "|u";
    return text;
}

// ---- CairoRenderTarget -----------------------------------------------------------------------
CairoRenderTarget::CairoRenderTarget(cairo_t* cr, const DuiLib::CPaintManagerUI* manager,
                                     RenderCache& cache)
    : cr_(cr), manager_(manager), cache_(cache) {}

void CairoRenderTarget::SetColor(DWORD argb, bool ignoreAlpha) {
    const double a = ignoreAlpha ? 1.0 : ((argb >> 24) & 0xFF) / 255.0;
    cairo_set_source_rgba(cr_, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                          (argb & 0xFF) / 255.0, a);
}

void CairoRenderTarget::FillRect(const RECT& rect, DWORD argb) {
    // A colour without alpha is "no colour", as skins use it.
    if ((argb >> 24) == 0 || Width(rect) <= 0 || Height(rect) <= 0) return;
    SetColor(argb);
    cairo_rectangle(cr_, rect.left, rect.top, Width(rect), Height(rect));
    cairo_fill(cr_);
}

void CairoRenderTarget::DrawBorder(const RECT& rect, DWORD argb, int width) {
    if (width <= 0) return;
    width = std::min({width, Width(rect) / 2 + 1, Height(rect) / 2 + 1});
    FillRect({rect.left, rect.top, rect.right, rect.top + width}, argb);
    FillRect({rect.left, rect.bottom - width, rect.right, rect.bottom}, argb);
    FillRect({rect.left, rect.top + width, rect.left + width, rect.bottom - width}, argb);
    FillRect({rect.right - width, rect.top + width, rect.right, rect.bottom - width}, argb);
}

bool CairoRenderTarget::DrawImage(const RECT& control, const ImageSpec& image) {
    if (image.empty()) return false;
    const std::optional<ImageSize> size = cache_.SizeOf(image.file, image.mask);
    if (!size) return false;
    const auto imageWidth = static_cast<LONG>(size->width);
    const auto imageHeight = static_cast<LONG>(size->height);
    RECT src{0, 0, imageWidth, imageHeight};
    if (image.source) {
        src = *image.source;
        src.left = std::clamp<LONG>(src.left, 0, imageWidth);
        src.top = std::clamp<LONG>(src.top, 0, imageHeight);
        src.right = std::clamp<LONG>(src.right, src.left, imageWidth);
        src.bottom = std::clamp<LONG>(src.bottom, src.top, imageHeight);
    }
    const RECT dst = ImageDestRect(control, image);
    if (Width(dst) <= 0 || Height(dst) <= 0) return true;
    const double alpha = std::clamp(image.fade, 0, 255) / 255.0;
    // A stretched or nine-sliced image is composed once per size and then copied:
    // skins repeat the same image at the same size many times.
    const RECT& c = image.corner;
    const bool asItIs = src == RECT{0, 0, imageWidth, imageHeight} && Width(dst) == imageWidth &&
                        Height(dst) == imageHeight && c.left == 0 && c.top == 0 && c.right == 0 &&
                        c.bottom == 0;
    if (!asItIs && alpha >= 1.0 && DrawStretchedAsFill(image, src, dst)) return true;
    // Held until drawn: the cache may drop its own reference meanwhile.
    const RenderCache::ImageRef drawn =
        asItIs ? cache_.Image(image.file, image.mask)
               : cache_.Composed(image.file, image.mask, src, c, Width(dst), Height(dst),
                                 ComposeImage);
    if (!drawn) return false;  // the file went away since its size was read
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(drawn.get());
    cairo_matrix_t matrix;
    cairo_matrix_init_translate(&matrix, -dst.left, -dst.top);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_set_source(cr_, pattern);
    PaintSourceOver(cr_, dst, alpha);
    cairo_pattern_destroy(pattern);
    return true;
}

// A stretched image whose centre is one pixel (a nine-slice panel background,
// as skins mostly draw them) is drawn straight into the target: its centre is
// a fill and its edges are thin strips, cheaper than composing a copy of the
// image at the panel's size and then drawing that copy.
bool CairoRenderTarget::DrawStretchedAsFill(const ImageSpec& image, const RECT& src,
                                            const RECT& dst) {
    const RECT& c = image.corner;
    const RECT centre{src.left + c.left, src.top + c.top, src.right - c.right,
                      src.bottom - c.bottom};
    if (Width(centre) <= 0 || Height(centre) <= 0) return false;
    const RenderCache::ImageRef decoded = cache_.Image(image.file, image.mask);
    if (!decoded || !UniformPixel(PixelsOf(decoded.get()), centre)) return false;
    cairo_save(cr_);
    cairo_translate(cr_, dst.left, dst.top);
    ComposeImage(cr_, decoded.get(), src, c, Width(dst), Height(dst));
    cairo_restore(cr_);
    return true;
}

void CairoRenderTarget::DrawText(const RECT& rect, const std::string& text, DWORD argb, int font,
                                 UINT align) {
    if (text.empty() || Width(rect) <= 0 || Height(rect) <= 0) return;
    PangoLayout* layout = cache_.Layout(
        {text, FontDescriptionText(manager_, font), Width(rect), Height(rect), align});
    unknownGlyphs_ += pango_layout_get_unknown_glyphs_count(layout);
    int textWidth = 0, textHeight = 0;
    pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
    double x = rect.left;
    if (align & DT_SINGLELINE) {
        if (align & DT_CENTER) {
            x = rect.left + (Width(rect) - textWidth) / 2;
        } else if (align & DT_RIGHT) {
            x = rect.right - textWidth;
        }
    }
    double y = rect.top;
    if (align & DT_VCENTER) {
        y = rect.top + (Height(rect) - textHeight) / 2;
    } else if (align & DT_BOTTOM) {
        y = rect.bottom - textHeight;
    }
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.left, rect.top, Width(rect), Height(rect));
    cairo_clip(cr_);
    // Text colours ignore alpha, as skins write them (#00RRGGBB draws opaque).
    SetColor(argb, true);
    cairo_move_to(cr_, x, y);
    pango_cairo_show_layout(cr_, layout);
    cairo_restore(cr_);
}

void CairoRenderTarget::PushClip(const RECT& rect) {
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.left, rect.top, std::max(0, Width(rect)), std::max(0, Height(rect)));
    cairo_clip(cr_);
    ++clipDepth_;
}

void CairoRenderTarget::PopClip() {
    if (clipDepth_ == 0) return;
    --clipDepth_;
    cairo_restore(cr_);
}

}  // namespace ui
