// Offscreen painting of skinned windows: images at their dest, nine-slice
// corners, state images, Chinese text with real glyphs, alignment, and the
// keyboard focus mark.
#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <cstring>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/log_test_support.h"
#include "platform/text.h"
#include "ui/core/input.h"
#include "ui/render/cairo_target.h"
#include "ui/render/image_header.h"
#include "ui/render/skin_window_for_tests.h"
#include "ui/render/stored_images.h"
#include "ui/render/window_image.h"

namespace {

using namespace DuiLib;
namespace fs = std::filesystem;

constexpr DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kGray = 0xFF808080,
                kWhite = 0xFFFFFFFF;

// A PNG of `width` x `height` filled by `paint`.
void WritePng(const fs::path& path, int width, int height,
              const std::function<void(cairo_t*)>& paint) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    paint(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
}

void Fill(cairo_t* cr, double x, double y, double w, double h, DWORD argb) {
    cairo_set_source_rgb(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                         (argb & 0xFF) / 255.0);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

DWORD Pixel(cairo_surface_t* image, int x, int y) {
    cairo_surface_flush(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    return *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
}

// ---- PNG files made byte by byte ----------------------------------------------------------

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

std::string BigEndian(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string Chunk(const std::string& type, const std::string& data) {
    return BigEndian(static_cast<std::uint32_t>(data.size())) + type + data +
           BigEndian(Crc32(type + data));
}

// A grey PNG declaring width x height whose image data is one stored zlib block
// of a few zero bytes: a file of some seventy bytes, whatever size it declares.
std::string DeclaredPng(std::uint32_t width, std::uint32_t height) {
    const std::string ihdr = BigEndian(width) + BigEndian(height) + std::string("\x08\0\0\0\0", 5);
    const std::string zeros(8, '\0');
    // zlib header, a final stored block of 8 bytes, then the Adler-32 of 8 zero bytes.
    const std::string idat =
        std::string("\x78\x01\x01\x08\x00\xF7\xFF", 7) + zeros + BigEndian(0x00080001);
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", ihdr) + Chunk("IDAT", idat) +
           Chunk("IEND", "");
}

TEST(ImageHeader, PngSizeIsReadFromTheHeaderAlone) {
    const std::string huge = DeclaredPng(23000, 23000);
    EXPECT_EQ(ui::PngImageSize(huge), (ui::ImageSize{23000, 23000}));
    EXPECT_EQ(ui::PngImageSize(huge.substr(0, ui::kPngHeaderBytes)), (ui::ImageSize{23000, 23000}));
    EXPECT_EQ(ui::PngImageSize(DeclaredPng(1, 4096)), (ui::ImageSize{1, 4096}));
    EXPECT_EQ(ui::PngImageSize(huge.substr(0, ui::kPngHeaderBytes - 1)), std::nullopt);
    std::string notPng = huge;
    notPng[1] = 'J';
    EXPECT_EQ(ui::PngImageSize(notPng), std::nullopt);
    std::string otherChunkFirst = huge;
    otherChunkFirst.replace(12, 4, "tEXt");
    EXPECT_EQ(ui::PngImageSize(otherChunkFirst), std::nullopt);
    std::string longerHeader = huge;
    longerHeader[11] = 14;
    EXPECT_EQ(ui::PngImageSize(longerHeader), std::nullopt);
    EXPECT_EQ(ui::PngImageSize(DeclaredPng(0, 10)), std::nullopt);
    EXPECT_EQ(ui::PngImageSize(DeclaredPng(10, 0x80000000)), std::nullopt);

    EXPECT_TRUE(ui::FitsImageLimit({4096, 4096}));
    EXPECT_FALSE(ui::FitsImageLimit({4097, 1}));
    EXPECT_FALSE(ui::FitsImageLimit({1, 4097}));
}

class OffscreenRender : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = fs::temp_directory_path() / ("quorvi-render-" + std::to_string(getpid()));
        fs::create_directories(folder_);
        WritePng(folder_ / "red.png", 8, 8, [](cairo_t* cr) { Fill(cr, 0, 0, 8, 8, kRed); });
        WritePng(folder_ / "gray.png", 8, 8, [](cairo_t* cr) { Fill(cr, 0, 0, 8, 8, kGray); });
        WritePng(folder_ / "green.png", 8, 8, [](cairo_t* cr) { Fill(cr, 0, 0, 8, 8, kGreen); });
        // 30 x 30: blue 10-pixel corners, green edges, red centre.
        WritePng(folder_ / "frame.png", 30, 30, [](cairo_t* cr) {
            Fill(cr, 0, 0, 30, 30, kGreen);
            Fill(cr, 10, 10, 10, 10, kRed);
            for (int x : {0, 20})
                for (int y : {0, 20}) Fill(cr, x, y, 10, 10, kBlue);
        });
        // Two halves: left red, right green (for source rectangles).
        WritePng(folder_ / "halves.png", 20, 10, [](cairo_t* cr) {
            Fill(cr, 0, 0, 10, 10, kRed);
            Fill(cr, 10, 0, 10, 10, kGreen);
        });
    }
    static void TearDownTestSuite() { fs::remove_all(folder_); }

    void SetUp() override { CPaintManagerUI::SetResourcePath(folder_.string()); }

    // Builds the skin into a hidden window and paints it offscreen.
    cairo_surface_t* Render(const std::string& body, int width = 200, int height = 120) {
        window_ = std::make_unique<ui::testing::SkinWindow>(
            "<Window size=\"" + std::to_string(width) + "," + std::to_string(height) +
            "\"><Font name=\"Microsoft YaHei\" size=\"14\" default=\"true\"/>"
            "<Container bkcolor=\"#FFFFFFFF\">" +
            body + "</Container></Window>");
        EXPECT_NE(window_->Create(nullptr, "render", WS_POPUP, 0, 0, 0, width, height), nullptr);
        cairo_surface_t* image = ui::RenderWindowImage(window_->GetHWND());
        EXPECT_NE(image, nullptr);
        return image;
    }

    void TearDown() override {
        if (window_ && IsWindow(window_->GetHWND())) DestroyWindow(window_->GetHWND());
    }

    static inline fs::path folder_;
    std::unique_ptr<ui::testing::SkinWindow> window_;
};

TEST_F(OffscreenRender, ImageLandsAtItsDestAndSourcePicksPartOfTheFile) {
    cairo_surface_t* image = Render(
        "<Control float=\"true\" pos=\"20,20,120,80\" "
        "bkimage=\"file='red.png' dest='10,10,30,30'\"/>"
        "<Control float=\"true\" pos=\"130,20,170,60\" "
        "bkimage=\"file='halves.png' source='10,0,20,10'\"/>");
    EXPECT_EQ(Pixel(image, 40, 40), kRed);  // inside the dest
    EXPECT_EQ(Pixel(image, 49, 49), kRed);
    EXPECT_EQ(Pixel(image, 25, 25), kWhite);  // inside the control, outside the dest
    EXPECT_EQ(Pixel(image, 55, 55), kWhite);
    EXPECT_EQ(Pixel(image, 131, 21), kGreen);  // only the right half, stretched
    EXPECT_EQ(Pixel(image, 168, 58), kGreen);
    cairo_surface_destroy(image);
}

TEST_F(OffscreenRender, NineSliceKeepsCornersAndStretchesTheRest) {
    cairo_surface_t* image = Render(
        "<Control float=\"true\" pos=\"0,0,100,60\" bkimage=\"file='frame.png' "
        "corner='10,10,10,10'\"/>"
        "<Control float=\"true\" pos=\"100,0,200,60\" bkimage=\"frame.png\"/>"
        "<Control float=\"true\" pos=\"0,70,24,94\" bkimage=\"file='frame.png' "
        "corner='10,10,10,10'\"/>");
    EXPECT_EQ(Pixel(image, 2, 2), kBlue);
    EXPECT_EQ(Pixel(image, 97, 57), kBlue);
    EXPECT_EQ(Pixel(image, 14, 4), kGreen);  // just past the corner: the top edge
    EXPECT_EQ(Pixel(image, 50, 3), kGreen);
    EXPECT_EQ(Pixel(image, 50, 30), kRed);
    // Without corners the whole image stretches: its blue corner spans a third.
    EXPECT_EQ(Pixel(image, 114, 4), kBlue);
    // The same image at another size is composed for that size.
    EXPECT_EQ(Pixel(image, 2, 72), kBlue);
    EXPECT_EQ(Pixel(image, 21, 91), kBlue);
    EXPECT_EQ(Pixel(image, 12, 82), kRed);
    cairo_surface_destroy(image);

    // A part of one colour, translucent too, stretches to exactly that colour; a
    // part of two still blends them where they meet.
    WritePng(folder_ / "glass.png", 6, 6, [](cairo_t* cr) {
        cairo_set_source_rgba(cr, 0, 0, 1, 0.5);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgba(cr, 1, 0, 0, 1);
        cairo_rectangle(cr, 0, 0, 6, 1);
        cairo_fill(cr);
    });
    image = Render(
        "<Control float=\"true\" pos=\"0,0,100,60\" bkimage=\"file='glass.png' "
        "corner='1,1,1,1'\"/>"
        "<Control float=\"true\" pos=\"0,70,100,80\" bkimage=\"halves.png\"/>");
    const DWORD glassOverWhite = Pixel(image, 50, 30);
    EXPECT_EQ(glassOverWhite & 0xFF, 0xFFu);  // blue over white
    EXPECT_GT((glassOverWhite >> 8) & 0xFF, 0x70u);
    EXPECT_LT((glassOverWhite >> 8) & 0xFF, 0x90u);
    int off = 0;
    for (int y = 1; y < 59; ++y)
        for (int x = 1; x < 99; ++x) off += Pixel(image, x, y) != glassOverWhite;
    EXPECT_EQ(off, 0);
    EXPECT_EQ(Pixel(image, 50, 0), kRed);  // the top edge
    const DWORD blend = Pixel(image, 50, 75);
    EXPECT_NE(blend, kRed);
    EXPECT_NE(blend, kGreen);
    EXPECT_GT((blend >> 16) & 0xFF, 0u);
    EXPECT_GT((blend >> 8) & 0xFF, 0u);
    cairo_surface_destroy(image);

    // Edges whose rows (top) or columns (left) differ keep each row and column
    // exactly along their whole stretch; an edge that changes along its length
    // (the right one, red to green) is still blended.
    WritePng(folder_ / "edges.png", 8, 8, [](cairo_t* cr) {
        Fill(cr, 0, 0, 8, 8, kWhite);
        Fill(cr, 0, 0, 8, 1, kRed);
        Fill(cr, 0, 1, 8, 1, kBlue);
        Fill(cr, 0, 2, 1, 6, kGreen);
        Fill(cr, 6, 2, 2, 2, kRed);
        Fill(cr, 6, 4, 2, 2, kGreen);
    });
    image = Render(
        "<Control float=\"true\" pos=\"0,0,200,120\" bkimage=\"file='edges.png' "
        "corner='2,2,2,2'\"/>");
    int wrong = 0;
    for (int x = 2; x < 198; ++x)
        wrong += Pixel(image, x, 0) != kRed || Pixel(image, x, 1) != kBlue;
    for (int y = 2; y < 118; ++y) wrong += Pixel(image, 0, y) != kGreen;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Pixel(image, 100, 60), kWhite);
    const DWORD middle = Pixel(image, 198, 60);
    EXPECT_GT((middle >> 16) & 0xFF, 0u);
    EXPECT_GT((middle >> 8) & 0xFF, 0u);
    cairo_surface_destroy(image);
}

TEST_F(OffscreenRender, OptionsDrawTheImageOfTheirState) {
    cairo_surface_t* image = Render(
        "<Option name=\"a\" float=\"true\" pos=\"0,0,50,50\" group=\"g\" "
        "normalimage=\"gray.png\" selectedimage=\"green.png\" selected=\"true\"/>"
        "<Option name=\"b\" float=\"true\" pos=\"60,0,110,50\" group=\"g\" "
        "normalimage=\"gray.png\" selectedimage=\"green.png\"/>"
        "<Button float=\"true\" pos=\"120,0,170,50\" normalimage=\"gray.png\" "
        "disabledimage=\"red.png\" enabled=\"false\"/>");
    EXPECT_EQ(Pixel(image, 25, 25), kGreen);
    EXPECT_EQ(Pixel(image, 85, 25), kGray);
    EXPECT_EQ(Pixel(image, 145, 25), kRed);
    cairo_surface_destroy(image);
    // Selecting the other option of the group swaps the images.
    window_->Find<COptionUI>("b")->Selected(true);
    image = ui::RenderWindowImage(window_->GetHWND());
    EXPECT_EQ(Pixel(image, 25, 25), kGray);
    EXPECT_EQ(Pixel(image, 85, 25), kGreen);
    cairo_surface_destroy(image);
}

TEST_F(OffscreenRender, MissingImageDrawsNothing) {
    cairo_surface_t* image =
        Render("<Control float=\"true\" pos=\"0,0,50,50\" bkimage=\"nothing-here.png\"/>");
    EXPECT_EQ(Pixel(image, 25, 25), kWhite);
    cairo_surface_destroy(image);
    ui::RenderCache cache;
    EXPECT_EQ(cache.Image("nothing-here.png"), nullptr);
    EXPECT_NE(cache.Image("red.png"), nullptr);
}

TEST_F(OffscreenRender, ImageDeclaringAHugeSizeIsRefusedBeforeItIsDecoded) {
    std::ofstream(folder_ / "huge.png", std::ios::binary) << DeclaredPng(23000, 23000);
    platform::LogCapture log;
    ui::RenderCache cache;
    EXPECT_EQ(cache.Image("huge.png"), nullptr);
    EXPECT_EQ(cache.SizeOf("huge.png"), std::nullopt);
    // Nothing of its 2 GB was taken, and the refusal says why, once.
    EXPECT_LT(cache.ImageBytes(), 4096u);
    const auto warnings = log.Messages(platform::LogLevel::Warning);
    ASSERT_EQ(warnings.size(), 1u) << log.Text();
    EXPECT_NE(warnings[0].find("huge.png\" not drawn: 23000x23000 pixels"), std::string::npos)
        << warnings[0];
    // A control showing it draws nothing.
    cairo_surface_t* image =
        Render("<Control float=\"true\" pos=\"0,0,50,50\" bkimage=\"huge.png\"/>");
    EXPECT_EQ(Pixel(image, 25, 25), kWhite);
    cairo_surface_destroy(image);
}

TEST_F(OffscreenRender, ImageCacheStaysWithinItsBudgetAndRedrawsWhatItDropped) {
    // Six 64 x 64 images of 16 KB each; the cache has room for about two.
    const DWORD colours[] = {kRed, kGreen, kBlue, kGray, kRed, kGreen};
    for (int i = 0; i < 6; ++i)
        WritePng(folder_ / ("tile" + std::to_string(i) + ".png"), 64, 64,
                 [&](cairo_t* cr) { Fill(cr, 0, 0, 64, 64, colours[i]); });
    constexpr size_t kBudget = 40 * 1024;
    ui::RenderCache cache(kBudget);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 96);
    cairo_t* cr = cairo_create(surface);
    ui::CairoRenderTarget target(cr, nullptr, cache);
    // Drawn as it is (the decoded file) and stretched (a composed copy).
    auto draw = [&](int i) {
        ui::ImageSpec spec;
        spec.file = "tile" + std::to_string(i) + ".png";
        ASSERT_TRUE(target.DrawImage({0, 0, 64, 64}, spec));
        ASSERT_TRUE(target.DrawImage({0, 64, 32, 96}, spec));
        EXPECT_EQ(Pixel(surface, 63, 63), colours[i]) << spec.file;
        EXPECT_EQ(Pixel(surface, 16, 80), colours[i]) << spec.file;
        EXPECT_LE(cache.ImageBytes(), kBudget);
    };
    // An image handed out stays whole while its holder keeps it.
    const ui::RenderCache::ImageRef held = cache.Image("tile0.png");
    ASSERT_NE(held, nullptr);
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 6; ++i) draw(i);
    EXPECT_GT(cache.ImageBytes(), kBudget / 2);
    EXPECT_EQ(Pixel(held.get(), 10, 10), kRed);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

bool SamePixels(cairo_surface_t* a, cairo_surface_t* b) {
    cairo_surface_flush(a);
    cairo_surface_flush(b);
    const int width = cairo_image_surface_get_width(a), height = cairo_image_surface_get_height(a);
    if (width != cairo_image_surface_get_width(b) || height != cairo_image_surface_get_height(b))
        return false;
    for (int y = 0; y < height; ++y)
        if (std::memcmp(cairo_image_surface_get_data(a) + y * cairo_image_surface_get_stride(a),
                        cairo_image_surface_get_data(b) + y * cairo_image_surface_get_stride(b),
                        static_cast<size_t>(width) * 4) != 0)
            return false;
    return true;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Decoded images written to a file come back pixel for pixel (translucent ones
// too) for their files as they were, are drawn from there instead of decoded,
// and are not taken for a file changed since; a file cut short or with a
// damaged index is refused as a whole.
TEST_F(OffscreenRender, StoredImagesAreDrawnOnlyForTheFilesTheyWereDecodedFrom) {
    WritePng(folder_ / "kept.png", 12, 7, [](cairo_t* cr) { Fill(cr, 0, 0, 12, 7, kRed); });
    WritePng(folder_ / "glassy.png", 9, 5, [](cairo_t* cr) {
        cairo_set_source_rgba(cr, 0, 0, 1, 0.5);
        cairo_paint(cr);
    });
    const fs::path store = folder_ / "images.cache";
    std::vector<ui::ImageToStore> files;
    {
        ui::RenderCache cache;
        ASSERT_NE(cache.Image("kept.png"), nullptr);
        ASSERT_NE(cache.Image("glassy.png"), nullptr);
        ASSERT_NE(cache.Image("red.png", 0xFFFF0000), nullptr);  // keyed: not the file's pixels
        files = cache.DecodedFiles();
    }
    ASSERT_EQ(files.size(), 2u);
    // Rows wider than cairo's stride: left out, not written for the reader to refuse.
    static unsigned char wideRows[4 * (4 * 4 + 16)] = {};
    const std::vector<ui::ImageToStore> withWide = [&] {
        std::vector<ui::ImageToStore> all = files;
        all.push_back(
            {(folder_ / "wide.png").string(), files[0].stamp,
             ui::RenderCache::ImageRef(cairo_image_surface_create_for_data(
                                           wideRows, CAIRO_FORMAT_ARGB32, 4, 4, 4 * 4 + 16),
                                       cairo_surface_destroy)});
        return all;
    }();
    ASSERT_TRUE(ui::WriteStoredImages(store.string(), withWide));
    EXPECT_FALSE(fs::exists(store.string() + "." + std::to_string(getpid()) + ".new"));

    ui::StoredImages stored;
    ASSERT_TRUE(stored.Open(store.string()));
    EXPECT_EQ(stored.Count(), 2u);
    for (const ui::ImageToStore& file : files) {
        cairo_surface_t* taken = stored.Take(file.path, file.stamp);
        ASSERT_NE(taken, nullptr) << file.path;
        EXPECT_TRUE(SamePixels(taken, file.image.get())) << file.path;
        cairo_surface_destroy(taken);
        ui::ImageFileStamp other = file.stamp;
        other.modifiedNs += 1;
        EXPECT_EQ(stored.Take(file.path, other), nullptr);
    }

    // What is drawn: "kept.png" from the file of decoded images (whose pixels are
    // made green here to tell), "glassy.png" decoded again once rewritten.
    const std::string bytes = ReadBytes(store);
    std::optional<std::vector<ui::StoredImageEntry>> index =
        ui::ParseStoredImageIndex(bytes, bytes.size());
    ASSERT_TRUE(index && index->size() == 2);
    std::string greened = bytes;
    for (const ui::StoredImageEntry& entry : *index)
        if (entry.path.ends_with("kept.png"))
            for (int i = 0; i < entry.stride / 4 * entry.height; ++i)
                std::memcpy(&greened[entry.offset + static_cast<size_t>(i) * 4], &kGreen, 4);
    WriteBytes(store, greened);
    WritePng(folder_ / "glassy.png", 9, 5, [](cairo_t* cr) { Fill(cr, 0, 0, 9, 5, kGray); });
    ui::UseStoredImages(store.string());
    {
        ui::RenderCache cache;
        EXPECT_EQ(Pixel(cache.Image("kept.png").get(), 3, 3), kGreen);
        EXPECT_EQ(Pixel(cache.Image("glassy.png").get(), 3, 3), kGray);
    }
    ui::UseStoredImages((folder_ / "no-such.cache").string());

    // Damaged files: any index cut short, a stride not cairo's, pixels past the end.
    const uint64_t size = bytes.size();
    const size_t indexBytes = *ui::StoredIndexBytes(bytes);
    for (size_t length = 0; length < indexBytes; ++length)
        EXPECT_EQ(ui::ParseStoredImageIndex(bytes.substr(0, length), size), std::nullopt) << length;
    EXPECT_EQ(ui::ParseStoredImageIndex(bytes, index->back().offset + 1), std::nullopt);
    std::string wrongStride = bytes;
    wrongStride[ui::kStoredImagesHeaderBytes + 56] += 4;  // the first entry's stride
    EXPECT_EQ(ui::ParseStoredImageIndex(wrongStride, size), std::nullopt);
    WriteBytes(store, bytes.substr(0, bytes.size() - 1));
    EXPECT_FALSE(stored.Open(store.string()));
    WriteBytes(store, "QVIMG01\n" + std::string(8, '\xFF'));
    EXPECT_FALSE(stored.Open(store.string()));
    EXPECT_EQ(stored.Count(), 0u);
}

// A control that counts its paints.
class CountedControl : public CControlUI {
public:
    void DoPaint(ui::RenderTarget& target, const RECT& paintRect) override {
        ++paints;
        CControlUI::DoPaint(target, paintRect);
    }
    int paints = 0;
};

// A window painted ahead is copied by its next paint, not painted again, and
// the work waiting for that paint runs only after it; a window changed in
// between is painted anew and shows the change.
TEST_F(OffscreenRender, WindowPaintedAheadIsCopiedWhileItIsUnchanged) {
    cairo_surface_destroy(
        Render("<Control name=\"box\" float=\"true\" pos=\"10,10,60,60\" bkcolor=\"#FFFF0000\"/>"));
    const HWND hwnd = window_->GetHWND();
    auto* counted = new CountedControl;
    static_cast<CContainerUI*>(window_->Manager().GetRoot())->Add(counted);
    int ran = 0;
    window_->Manager().RunAfterNextPaint([&] { ++ran; });
    auto paint = [&] {
        cairo_surface_t* screen = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 200, 120);
        cairo_t* cr = cairo_create(screen);
        ui::PaintWindowThroughImage(hwnd, cr, {0, 0, 200, 120});
        cairo_destroy(cr);
        return screen;
    };

    ui::PaintWindowAhead(hwnd, 1);
    EXPECT_EQ(counted->paints, 1);
    ui::RunUntilIdle();
    EXPECT_EQ(ran, 0) << "ran before the frame was shown";
    cairo_surface_t* copied = paint();
    EXPECT_EQ(counted->paints, 1) << "painted again";
    EXPECT_EQ(Pixel(copied, 20, 20) & 0xFFFFFF, kRed & 0xFFFFFF);
    ui::RunUntilIdle();
    EXPECT_EQ(ran, 1);
    cairo_surface_destroy(copied);

    ui::PaintWindowAhead(hwnd, 1);
    window_->Find<CControlUI>("box")->SetBkColor(kBlue);
    cairo_surface_t* changed = paint();
    EXPECT_EQ(counted->paints, 3);
    EXPECT_EQ(Pixel(changed, 20, 20) & 0xFFFFFF, kBlue & 0xFFFFFF);
    cairo_surface_destroy(changed);
}

// Counts dark pixels in a column range: where text was drawn.
int DarkPixels(cairo_surface_t* image, int x0, int x1, int y0, int y1) {
    int dark = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) dark += (Pixel(image, x, y) & 0xFF) < 0x80;
    return dark;
}

TEST_F(OffscreenRender, ChineseTextIsDrawnWithRealGlyphsWhereItIsAligned) {
    // "应用中心" (application centre), as the system's narrow texts hold it: GBK.
    const std::string gbk = platform::Utf8ToGbk("应用中心");
    const std::string skin = "<Label name=\"left\" float=\"true\" pos=\"0,0,200,40\" text=\"" +
                             platform::GbkToUtf8(gbk) +
                             "\" textcolor=\"#FF000000\" align=\"left\"/>"
                             "<Label name=\"right\" float=\"true\" pos=\"0,60,200,100\" text=\"" +
                             platform::GbkToUtf8(gbk) +
                             "\" textcolor=\"#00000000\" align=\"right\"/>";
    cairo_surface_t* image = Render(skin);
    EXPECT_GT(DarkPixels(image, 0, 100, 0, 40), 40);
    EXPECT_EQ(DarkPixels(image, 100, 200, 0, 40), 0);
    // Text colours ignore alpha: #00000000 still draws black.
    EXPECT_GT(DarkPixels(image, 100, 200, 60, 100), 40);
    EXPECT_EQ(DarkPixels(image, 0, 100, 60, 100), 0);
    cairo_surface_destroy(image);

    // Pango finds a glyph for every character (no boxes).
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 40);
    cairo_t* cr = cairo_create(surface);
    ui::CairoRenderTarget target(cr, &window_->Manager());
    window_->Manager().Paint(target, RECT{0, 0, 200, 120});
    EXPECT_EQ(target.UnknownGlyphs(), 0);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

TEST_F(OffscreenRender, WindowIsWrittenAsPng) {
    cairo_surface_destroy(
        Render("<Control float=\"true\" pos=\"0,0,10,10\" bkcolor=\"#FF0000FF\"/>"));
    const fs::path png = folder_ / "window.png";
    ASSERT_TRUE(ui::WriteWindowPng(window_->GetHWND(), png.string()));
    cairo_surface_t* read = cairo_image_surface_create_from_png(png.c_str());
    ASSERT_EQ(cairo_surface_status(read), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(read), 200);
    EXPECT_EQ(cairo_image_surface_get_height(read), 120);
    EXPECT_EQ(Pixel(read, 5, 5), kBlue);
    cairo_surface_destroy(read);
}

// A skin's image names, as the decoding ahead of the first paint takes them.
TEST(SkinImageNames, AttributeValuesAndFileParts) {
    EXPECT_EQ(ui::SkinImageNames("<Window><Control bkimage=\"file='bg.png' corner='8,8,8,8'\"/>"
                                 "<Button normalimage=\"btn.png\" hotimage=\"file='sub/hot.png' "
                                 "mask='#FFFF00FF'\"/><Label text=\"notes.pngs\"/>"
                                 "<Control bkimage=\"bg.png\"/><Image src=\"a.PNG\"/>"
                                 "<Option selectedimage='on.png' SelectedHotImage='on_hot.png' "
                                 "pushedimage = \"down.png\" focusedimage=\"focus.png\"/>"
                                 "<Button visible=\"false\" normalimage=\"later.png\"/>"
                                 "<Button visible=\"true\" normalimage=\"now.png\"/></Window>"),
              (std::vector<std::string>{"bg.png", "btn.png", "on.png", "now.png"}));
    EXPECT_TRUE(ui::SkinImageNames("").empty());
    EXPECT_TRUE(ui::SkinImageNames(".png").empty());
}

// Images decoded ahead are drawn as those decoded on the spot: each its own,
// at its size, a colour key applied.
// The fonts a skin names are set up ahead into a map of their own, which the
// next render cache makes this thread's default and draws with.
TEST(PreparedFonts, SkinFontsAreSetUpAheadAndTakenByTheRenderCache) {
    const std::vector<std::string> descriptions = ui::SkinFontDescriptions(
        "<Window><Font id=\"0\" name=\"SimSun\" size=\"14\" bold=\"true\" accname=\"x\"/>"
        "<Font name='WenQuanYi Micro Hei' size = '12'/><Font size=\"12\" /><Fonts size=\"9\"/>"
        "<Font\nitalic=\"true\" name=\"宋体\" size=\"x\"/></Window>");
    EXPECT_EQ(descriptions, (std::vector<std::string>{
                                "WenQuanYi Micro Hei,Sans 12px",
                                "SimSun,WenQuanYi Micro Hei,Sans Bold 14px",
                                "WenQuanYi Micro Hei,WenQuanYi Micro Hei,Sans 12px",
                                "宋体,WenQuanYi Micro Hei,Sans Italic 12px",
                            }));

    PangoFontMap* before = pango_cairo_font_map_get_default();
    ui::PrepareFonts(descriptions);
    ui::RenderCache cache;
    PangoFontMap* taken = pango_context_get_font_map(cache.Context());
    EXPECT_NE(taken, before);
    EXPECT_EQ(taken, pango_cairo_font_map_get_default());
    ui::RenderCache later;  // takes nothing more, nor waits
    EXPECT_EQ(pango_context_get_font_map(later.Context()), taken);
}

TEST_F(OffscreenRender, ImagesDecodedAheadAreDrawnAsTheirFiles) {
    WritePng(folder_ / "ahead_red.png", 10, 10, [](cairo_t* cr) { Fill(cr, 0, 0, 10, 10, kRed); });
    WritePng(folder_ / "ahead_keyed.png", 20, 10, [](cairo_t* cr) {
        Fill(cr, 0, 0, 10, 10, kGreen);
        Fill(cr, 10, 0, 10, 10, 0xFFFF00FF);
    });
    ui::PreloadImages(ui::SkinImageNames("'ahead_keyed.png' 'ahead_red.png' 'ahead_missing.png'"));
    cairo_surface_t* image = Render(
        "<Control float=\"true\" pos=\"0,0,10,10\" bkimage=\"ahead_red.png\"/>"
        "<Control float=\"true\" pos=\"20,0,40,10\" bkimage=\"file='ahead_keyed.png' "
        "mask='#FFFF00FF'\"/>"
        "<Control float=\"true\" pos=\"50,0,60,10\" bkimage=\"ahead_missing.png\"/>");
    EXPECT_EQ(Pixel(image, 5, 5), kRed);
    EXPECT_EQ(Pixel(image, 25, 5), kGreen);
    EXPECT_EQ(Pixel(image, 35, 5), kWhite);  // keyed out
    EXPECT_EQ(Pixel(image, 55, 5), kWhite);
    cairo_surface_destroy(image);
}

// The screen paints a damaged part in an image first and copies it once: the
// part matches the whole window painted directly, nothing outside it is
// touched, and a scaled display gets the part at its own pixel density. The
// image's memory serves every paint: a part painted after a larger paint at
// another density matches as well.
TEST_F(OffscreenRender, PartPaintedThroughAnImageMatchesTheDirectPaint) {
    cairo_surface_t* whole = Render(
        "<Control float=\"true\" pos=\"10,10,110,70\" bkimage=\"file='frame.png' "
        "corner='10,10,10,10'\"/>"
        "<Control float=\"true\" pos=\"120,20,180,60\" bkimage=\"halves.png\"/>"
        "<Label float=\"true\" pos=\"20,80,190,110\" text=\"Apps\" textcolor=\"#FF000000\"/>");
    const RECT part{30, 15, 170, 100};
    auto wrongInPart = [&] {
        cairo_surface_t* screen = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 120);
        cairo_t* cr = cairo_create(screen);
        Fill(cr, 0, 0, 200, 120, kGray);
        ui::PaintWindowThroughImage(window_->GetHWND(), cr, part);
        cairo_destroy(cr);
        int wrong = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 200; ++x) {
                const bool inside =
                    x >= part.left && x < part.right && y >= part.top && y < part.bottom;
                wrong += Pixel(screen, x, y) != (inside ? Pixel(whole, x, y) : kGray);
            }
        cairo_surface_destroy(screen);
        return wrong;
    };
    EXPECT_EQ(wrongInPart(), 0);

    cairo_surface_t* scaled = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 400, 240);
    cairo_surface_set_device_scale(scaled, 2, 2);
    cairo_t* cr = cairo_create(scaled);
    ui::PaintWindowThroughImage(window_->GetHWND(), cr, RECT{0, 0, 200, 120});
    cairo_destroy(cr);
    EXPECT_EQ(Pixel(scaled, 21, 21), kBlue);   // the frame's corner, 10..20 at 1x
    EXPECT_EQ(Pixel(scaled, 50, 30), kGreen);  // its top edge, past the corner
    EXPECT_EQ(Pixel(scaled, 19, 19), kWhite);
    cairo_surface_destroy(scaled);

    EXPECT_EQ(wrongInPart(), 0);
    cairo_surface_destroy(whole);
}

// Keyboard only: Tab and Shift+Tab walk the tab stops in tree order, arrows walk
// the row of options, space and Return do what a click does, Shift+F10 asks for
// the context menu, and the focused control wears a mark of two rings until the
// mouse is pressed.
TEST_F(OffscreenRender, KeyboardWalksTheTabStopsAndMarksTheFocusedControl) {
    cairo_surface_t* image = Render(
        "<Button name=\"first\" float=\"true\" pos=\"0,0,40,30\" bkcolor=\"#FF808080\"/>"
        "<Container float=\"true\" pos=\"0,40,200,70\">"
        "<Option name=\"a\" float=\"true\" pos=\"0,0,40,30\" group=\"g\"/>"
        "<Label float=\"true\" pos=\"45,0,50,30\"/>"
        "<Option name=\"b\" float=\"true\" pos=\"60,0,100,30\" group=\"g\"/>"
        "<Option name=\"c\" float=\"true\" pos=\"120,0,160,30\" group=\"g\"/></Container>"
        "<Button name=\"last\" float=\"true\" pos=\"0,80,40,110\"/>");
    EXPECT_EQ(Pixel(image, 1, 15), kGray);
    cairo_surface_destroy(image);
    const HWND hwnd = window_->GetHWND();
    CPaintManagerUI& manager = window_->Manager();
    auto focused = [&] { return manager.GetFocus() ? manager.GetFocus()->GetName() : ""; };
    auto press = [&](WPARAM key) {
        ui::KeyPressed(hwnd, key);
        ui::KeyReleased(hwnd, key);
    };

    press(VK_TAB);
    EXPECT_EQ(focused(), "first");
    image = ui::RenderWindowImage(hwnd);
    EXPECT_EQ(Pixel(image, 1, 15), CControlUI::kFocusMarkOuterColor);
    EXPECT_EQ(Pixel(image, 2, 15), CControlUI::kFocusMarkInnerColor);
    EXPECT_EQ(Pixel(image, 20, 2), CControlUI::kFocusMarkInnerColor);
    EXPECT_EQ(Pixel(image, 20, 15), kGray);
    cairo_surface_destroy(image);

    press(VK_TAB);
    EXPECT_EQ(focused(), "a");
    press(VK_RIGHT);
    EXPECT_EQ(focused(), "b");
    press(VK_DOWN);
    EXPECT_EQ(focused(), "c");
    press(VK_RIGHT);  // the row wraps
    EXPECT_EQ(focused(), "a");
    press(VK_LEFT);
    EXPECT_EQ(focused(), "c");
    ui::KeyPressed(hwnd, VK_SHIFT);
    press(VK_TAB);
    EXPECT_EQ(focused(), "b");
    press(VK_TAB);
    press(VK_TAB);
    press(VK_TAB);  // backwards past the first stop: the last
    EXPECT_EQ(focused(), "last");
    press(VK_F10);  // Shift+F10: the focused control's context menu
    ASSERT_EQ(window_->Count("menu"), 1);
    EXPECT_EQ(window_->Notifications().back().sender, "last");
    ui::KeyReleased(hwnd, VK_SHIFT);
    press(VK_F10);
    EXPECT_EQ(window_->Count("menu"), 1);
    press(VK_TAB);
    EXPECT_EQ(focused(), "first");
    image = ui::RenderWindowImage(hwnd);
    EXPECT_EQ(Pixel(image, 2, 95), kWhite);  // the mark left "last"
    cairo_surface_destroy(image);

    // Space on an option and Return on a button: the notifications of a click.
    press(VK_TAB);
    press(VK_RIGHT);
    press(VK_SPACE);
    press(VK_TAB);
    press(VK_TAB);
    press(VK_TAB);
    press(VK_RETURN);
    std::vector<std::string> seen;
    for (const auto& note : window_->Notifications())
        if (note.type == "click" || note.type == "selectchanged")
            seen.push_back(note.type + " " + note.sender);
    EXPECT_EQ(seen, (std::vector<std::string>{"selectchanged b", "click b", "click first"}));
    EXPECT_TRUE(window_->Find<COptionUI>("b")->IsSelected());

    // A mouse press takes the mark away; the focus it gives shows none.
    ui::PointerPressed(hwnd, POINT{10, 95}, ui::MouseButton::Left);
    ui::PointerReleased(hwnd, POINT{10, 95}, ui::MouseButton::Left);
    EXPECT_EQ(focused(), "last");
    image = ui::RenderWindowImage(hwnd);
    EXPECT_EQ(Pixel(image, 2, 95), kWhite);
    cairo_surface_destroy(image);
}

}  // namespace
