// Fitting-map images as the batch command writes them, checked pixel by
// pixel. The box of a 600 x 400 client area is L = 98, R = 555, T = 24,
// B = 269 (worked out by hand from the map's fractions of 592 x 392).
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include "../core/TestSupport.h"
#include "RenderMap.h"
#include "fittingmap/MapDrawing.h"

using namespace lattrix_test;

namespace {

constexpr int kL = 98, kR = 555, kT = 24, kB = 269;

// The pixels of a PNG as 0xRRGGBB.
class Image {
 public:
  explicit Image(const std::string& path) : surface_(cairo_image_surface_create_from_png(path.c_str())) {}
  ~Image() { cairo_surface_destroy(surface_); }
  bool ok() const { return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
  int width() const { return cairo_image_surface_get_width(surface_); }
  int height() const { return cairo_image_surface_get_height(surface_); }
  uint32_t At(int x, int y) const {
    const unsigned char* row = cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xffffff;
  }
  // Mostly red, antialiased disc edges included.
  bool Reddish(int x, int y) const { return (At(x, y) >> 16) > 150 && ((At(x, y) >> 8) & 0xff) < 100 && (At(x, y) & 0xff) < 100; }

 private:
  cairo_surface_t* surface_;
};

constexpr uint32_t kBack = 0x000041, kYellow = 0xffff00, kRed = 0xff0000;

std::string Render(const ScratchDir& dir, const std::vector<ReportRow>& rows, int type, const std::string& name) {
  lattrix::RecordingSink sink;
  EXPECT_TRUE(lattrix::RenderMapFile(dir.Write("r.out", ReportText(rows)), static_cast<int>(rows.size()), type,
                                     dir.File(name), lattrix::kMapDefaultWidth, lattrix::kMapDefaultHeight, sink));
  EXPECT_TRUE(sink.messages.empty());
  return dir.File(name);
}

TEST(RenderMap, PixelsOfTheWorkedExample) {
  ScratchDir dir;
  // The first reflection at the plot range's lower-left corner.
  Image image(Render(dir, {RowAt(20.0, -0.0345), RowAt(60.0, 0.012), RowAt(120.5, 0.0051)}, 1, "map.png"));
  ASSERT_TRUE(image.ok());
  ASSERT_EQ(image.width() * 1000 + image.height(), 600400);
  const struct { int x, y; uint32_t rgb; } pixels[] = {
      {kL, kB, kRed}, {279, 104, kRed},                           // points: the corner, and 60 deg, 0.012 by hand
      {kR, 200, kYellow}, {300, kT, kYellow}, {400, kB, kYellow}, {kL, 100, kYellow},  // the box
      {450, 60, kBack}, {300, 360, kBack}, {597, 397, kBack},     // inside, below the x title, the margin
      {kL + 6 * 34, 147, kYellow}, {kL + 6 * 34 + 3, 147, kBack},  // a dot of the zero line, the gap after it
  };
  for (const auto& p : pixels) { EXPECT_EQ(image.At(p.x, p.y), p.rgb) << p.x << "," << p.y; }
  // Nothing red outside the box (allowing for the disc's radius and pen),
  // and nothing touching the image's border.
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 600; ++x) {
      if (x < kL - 5 || x > kR + 5 || y < kT - 5 || y > kB + 5) { EXPECT_FALSE(image.Reddish(x, y)) << x << "," << y; }
      if (x == 0 || y == 0 || x == 599 || y == 399) { EXPECT_EQ(image.At(x, y), kBack) << x << "," << y; }
    }
  // A point left of the box is not drawn; equal residuals at 0.5 lie above
  // the +-0.002 range: no red at all.
  Image outside(Render(dir, {RowAt(20.0, 0.01), RowAt(10.0, 0.0), RowAt(100.0, -0.01)}, 1, "outside.png"));
  Image level(Render(dir, {RowAt(20.0, 0.5), RowAt(40.0, 0.5)}, 1, "level.png"));
  int red = 0;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 600; ++x) red += (x < kL - 5 && outside.Reddish(x, y)) + level.Reddish(x, y);
  EXPECT_EQ(red, 0);
}

TEST(RenderMap, FormatsByExtensionAndRefusals) {
  ScratchDir dir;
  EXPECT_EQ(ReadAll(Render(dir, {RowAt(20.0, 0.01), RowAt(40.0, -0.01)}, 3, "map.svg")).substr(0, 5), "<?xml");
  EXPECT_EQ(ReadAll(Render(dir, {RowAt(20.0, 0.01), RowAt(40.0, -0.01)}, 2, "map.PDF")).substr(0, 4), "%PDF");
  const std::string report = dir.Write("one.out", ReportText({RowAt(20.0, 0.01)})), missing = dir.File("none.out");
  const struct { std::string report, out; int type, width; std::string message; } cases[] = {
      {report, dir.File("map.jpg"), 1, 600, "Unknown plot file type: " + dir.File("map.jpg") + " (use .png, .svg or .pdf)"},
      {report, dir.File("t.png"), 4, 600, "Plot type must be 1, 2 or 3"},
      // A plot file that cannot be written is named as printable text with the
      // system's reason, like every other file a run writes.
      {report, dir.File("no\x01" "dir/map.png"), 1, 600,
       dir.File("no\\x01dir/map.png") + " cannot be written !!!\nNo such file or directory"},
      {report, dir.File("s.png"), 1, 8, "Plot size must be from 16 x 16 to 10000 x 10000 pixels"},
      {missing, dir.File("m.png"), 1, 600, missing + " not open !!!\nNo such file or directory"},
  };
  for (const auto& c : cases) {
    lattrix::RecordingSink sink;
    EXPECT_FALSE(lattrix::RenderMapFile(c.report, 3, c.type, c.out, c.width, 400, sink));
    EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
    EXPECT_FALSE(std::filesystem::exists(c.out)) << c.out;
  }
}

// cairo and fontconfig keep font caches for the life of the process; let
// them go at the end so that a leak checker sees only real leaks.
class ReleaseFontCaches : public ::testing::Environment {
 public:
  void TearDown() override { cairo_debug_reset_static_data(), FcFini(); }
};
const ::testing::Environment* const kReleaseFontCaches = ::testing::AddGlobalTestEnvironment(new ReleaseFontCaches);

}  // namespace
