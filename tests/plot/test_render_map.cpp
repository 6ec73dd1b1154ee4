// Fitting-map images as the batch command writes them, checked pixel by
// pixel. An image is framed on its drawing, so the box is found in the
// image (the rows and columns mostly of the axis colour) and the points are
// placed by hand within it.
#include <cairo.h>

#include <algorithm>
#include <array>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include "../core/TestSupport.h"
#include "RenderMap.h"
#include "fittingmap/MapDrawing.h"

using namespace lattrix_test;

namespace {

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
  // The box: the first and last columns and rows that are mostly `axis`.
  struct Box { int l = -1, r = -1, t = -1, b = -1; };
  Box FindBox(uint32_t axis) const {
    Box box;
    for (int x = 0; x < width(); ++x) {
      int n = 0;
      for (int y = 0; y < height(); ++y) n += At(x, y) == axis;
      if (n > height() / 2) (box.l < 0 ? box.l : box.r) = x;
    }
    for (int y = 0; y < height(); ++y) {
      int n = 0;
      for (int x = 0; x < width(); ++x) n += At(x, y) == axis;
      if (n > width() / 2) (box.t < 0 ? box.t : box.b) = y;
    }
    return box;
  }
  // Whole rows (or columns) of `back` from each edge: top, bottom, left, right.
  std::array<int, 4> Margins(uint32_t back) const {
    const auto blank = [&](int i, bool row) {
      for (int j = 0; j < (row ? width() : height()); ++j)
        if (At(row ? j : i, row ? i : j) != back) return false;
      return true;
    };
    std::array<int, 4> m{};
    while (m[0] < height() && blank(m[0], true)) ++m[0];
    while (m[1] < height() && blank(height() - 1 - m[1], true)) ++m[1];
    while (m[2] < width() && blank(m[2], false)) ++m[2];
    while (m[3] < width() && blank(width() - 1 - m[3], false)) ++m[3];
    return m;
  }

 private:
  cairo_surface_t* surface_;
};

constexpr uint32_t kBack = 0x000041, kYellow = 0xffff00, kRed = 0xff0000, kWhite = 0xffffff, kBlack = 0;

std::string Render(const ScratchDir& dir, const std::vector<ReportRow>& rows, int type, const std::string& name,
                   lattrix::MapStyle style = lattrix::MapStyle::kDark) {
  lattrix::RecordingSink sink;
  EXPECT_TRUE(lattrix::RenderMapFile(dir.Write("r.out", ReportText(rows)), static_cast<int>(rows.size()), type,
                                     dir.File(name), lattrix::kMapDefaultWidth, lattrix::kMapDefaultHeight, sink, style));
  EXPECT_TRUE(sink.messages.empty());
  return dir.File(name);
}

TEST(RenderMap, PixelsOfTheWorkedExample) {
  ScratchDir dir;
  // The first reflection at the plot range's lower-left corner; y runs
  // from -0.0345 to 0.0345, x from 20 to 120.5.
  const std::vector<ReportRow> rows = {RowAt(20.0, -0.0345), RowAt(60.0, 0.012), RowAt(120.5, 0.0051)};
  for (const auto style : {lattrix::MapStyle::kDark, lattrix::MapStyle::kLight}) {
    const bool light = style == lattrix::MapStyle::kLight;
    const uint32_t back = light ? kWhite : kBack, axis = light ? kBlack : kYellow;
    Image image(Render(dir, rows, 1, light ? "light.png" : "dark.png", style));
    ASSERT_TRUE(image.ok());
    ASSERT_EQ(image.width() * 1000 + image.height(), 600400);
    const Image::Box b = image.FindBox(axis);
    // The box takes most of the image, and the drawing is framed with small
    // even margins: a few rows of background above and below, left and right.
    EXPECT_TRUE(b.r - b.l > 450 && b.b - b.t > 300) << b.l << " " << b.r << " " << b.t << " " << b.b;
    const std::array<int, 4> m = image.Margins(back);
    EXPECT_TRUE(*std::min_element(m.begin(), m.end()) >= 3 && *std::max_element(m.begin(), m.end()) <= 12 &&
                std::abs(m[0] - m[1]) <= 5 && std::abs(m[2] - m[3]) <= 8) << m[0] << " " << m[1] << " " << m[2] << " " << m[3];
    // The point at 60 deg, 0.012: (60 - 20) / 100.5 and (0.012 + 0.0345) / 0.069 of the box.
    const int px = b.l + static_cast<int>((b.r - b.l) * 40.0 / 100.5), py = b.b - static_cast<int>((b.b - b.t) * 0.0465 / 0.069);
    const struct { int x, y; uint32_t rgb; } pixels[] = {
        {b.l, (b.t + b.b) / 2, axis}, {b.r, b.t + 50, axis}, {(b.l + b.r) / 2, b.t, axis}, {b.l + 300, b.b, axis},
        {b.r - 40, b.t + 30, back}, {3, 3, back}, {597, 397, back}, {2, 200, back},  // inside the box, corners, the margin
    };
    for (const auto& p : pixels) { EXPECT_EQ(image.At(p.x, p.y), p.rgb) << p.x << "," << p.y << (light ? " light" : " dark"); }
    const uint32_t fill = light ? 0xc81e1e : kRed;  // LightPlotColours' point fill, 200 30 30
    for (const auto& p : {std::array<int, 2>{b.l, b.b}, {px, py}}) {
      int hits = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) hits += image.At(p[0] + dx, p[1] + dy) == fill;
      EXPECT_GE(hits, 5) << p[0] << "," << p[1] << (light ? " light" : " dark");
    }
    // Nothing red outside the box (allowing for the disc's radius and pen);
    // the light style has no trace of the dark one's colours.
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 600; ++x) {
        if (x < b.l - 5 || x > b.r + 5 || y < b.t - 5 || y > b.b + 5) { EXPECT_FALSE(image.Reddish(x, y)) << x << "," << y; }
        if (light) { EXPECT_TRUE(image.At(x, y) != kYellow && image.At(x, y) != kBack) << x << "," << y; }
      }
  }
  // A point left of the box is not drawn; equal residuals at 0.5 lie above
  // the +-0.002 range: no red at all.
  Image outside(Render(dir, {RowAt(20.0, 0.01), RowAt(10.0, 0.0), RowAt(100.0, -0.01)}, 1, "outside.png"));
  Image level(Render(dir, {RowAt(20.0, 0.5), RowAt(40.0, 0.5)}, 1, "level.png"));
  const int left = outside.FindBox(kYellow).l;
  int red = 0;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 600; ++x) red += (x < left - 5 && outside.Reddish(x, y)) + level.Reddish(x, y);
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
