// Fitting-map images as the batch command writes them, checked pixel by
// pixel. The box of a 600 x 400 client area is L = 98, R = 555, T = 24,
// B = 269 (worked out by hand from the map's fractions of 592 x 392).
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "CairoCanvas.h"
#include "RenderMap.h"
#include "common/MessageSink.h"
#include "fittingmap/MapDrawing.h"
#include "displays_report_fixture.h"

namespace {

using lattrix::RecordingSink;
using lattrix_test::ReportText;
using lattrix_test::RowAt;
using lattrix_test::TempFile;

constexpr int kL = 98, kR = 555, kT = 24, kB = 269;

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

constexpr Rgb kBack{0, 0, 65}, kYellow{255, 255, 0}, kRed{255, 0, 0};

class Image {
 public:
  explicit Image(const std::string& path) : surface_(cairo_image_surface_create_from_png(path.c_str())) {}
  ~Image() { cairo_surface_destroy(surface_); }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  bool ok() const { return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
  int width() const { return cairo_image_surface_get_width(surface_); }
  int height() const { return cairo_image_surface_get_height(surface_); }
  Rgb At(int x, int y) const {
    const unsigned char* row = cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
    const uint32_t p = reinterpret_cast<const uint32_t*>(row)[x];
    return {static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff), static_cast<int>(p & 0xff)};
  }
  // Mostly red (antialiased disc edges included) or mostly yellow.
  bool Reddish(int x, int y) const {
    const Rgb c = At(x, y);
    return c.r > 150 && c.g < 100 && c.b < 100;
  }
  bool Yellowish(int x, int y) const {
    const Rgb c = At(x, y);
    return c.r > 120 && c.g > 120 && c.b < 100;
  }

 private:
  cairo_surface_t* surface_;
};

std::string Render(const std::vector<lattrix_test::ReportRow>& rows, int type, const TempFile& out,
                   RecordingSink& sink) {
  TempFile report("render_" + std::to_string(type) + ".out");
  report.Write(ReportText(rows));
  EXPECT_TRUE(lattrix::RenderMapFile(report.path(), static_cast<int>(rows.size()), type, out.path(),
                                     lattrix::kMapDefaultWidth, lattrix::kMapDefaultHeight, sink));
  return out.path();
}

bool FileStartsWith(const std::string& path, const std::string& head) {
  std::ifstream in(path, std::ios::binary);
  std::string got(head.size(), '\0');
  in.read(&got[0], static_cast<std::streamsize>(got.size()));
  return in && got == head;
}

TEST(RenderMap, PixelsOfTheWorkedExample) {
  RecordingSink sink;
  TempFile png("example.png");
  // First reflection at the plot range's lower-left corner.
  Render({RowAt(20.0, -0.0345), RowAt(60.0, 0.012), RowAt(120.5, 0.0051)}, 1, png, sink);
  EXPECT_TRUE(sink.messages.empty());
  Image image(png.path());
  ASSERT_TRUE(image.ok());
  ASSERT_EQ(image.width(), 600);
  ASSERT_EQ(image.height(), 400);

  EXPECT_EQ(image.At(kL, kB), kRed);             // the point's centre on the corner
  EXPECT_EQ(image.At(279, 104), kRed);           // 60 deg, 0.012 (pixel worked out by hand)
  EXPECT_EQ(image.At(kR, 200), kYellow);         // right edge of the box
  EXPECT_EQ(image.At(300, kT), kYellow);         // top edge
  EXPECT_EQ(image.At(400, kB), kYellow);         // x axis
  EXPECT_EQ(image.At(kL, 100), kYellow);         // left edge
  EXPECT_EQ(image.At(450, 60), kBack);           // inside the box
  EXPECT_EQ(image.At(300, 360), kBack);          // below the x title
  EXPECT_EQ(image.At(597, 397), kBack);          // the margin too
  EXPECT_EQ(image.At(kL + 6 * 34, 147), kYellow);      // a dot of the zero line...
  EXPECT_EQ(image.At(kL + 6 * 34 + 3, 147), kBack);    // ...and the gap after it (3 on, 3 off)

  // Nothing red outside the box (allowing for the disc's radius and pen),
  // and no text or line touching the image's border.
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 600; ++x) {
      const bool nearBox = x >= kL - 5 && x <= kR + 5 && y >= kT - 5 && y <= kB + 5;
      if (!nearBox) {
        EXPECT_FALSE(image.Reddish(x, y)) << x << "," << y;
      }
      if (x == 0 || y == 0 || x == 599 || y == 399) {
        EXPECT_EQ(image.At(x, y), kBack) << x << "," << y;
      }
    }
  }
}

TEST(RenderMap, TheUpwardYTitleSitsBesideTheLabels) {
  RecordingSink sink;
  TempFile png("ytitle.png");
  Render({RowAt(20.0, -0.0345), RowAt(60.0, 0.012), RowAt(120.5, 0.0051)}, 1, png, sink);
  Image image(png.path());
  ASSERT_TRUE(image.ok());

  // Where the last y label ("0.30") begins, measured with the same font.
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 10, 10);
  cairo_t* cr = cairo_create(scratch);
  int lx = 0;
  {
    lattrix::CairoCanvas canvas(cr);
    lattrix::MapFont font;
    canvas.SetFont(font);
    lx = kL - 8 - canvas.TextWidth("0.30");
  }
  cairo_destroy(cr);
  cairo_surface_destroy(scratch);

  // The title's cells lie from lx - 24 to lx - 8; it reads upward from
  // y = 241, so its ink starts just above that and runs well up the box.
  // Beside the positive labels (as wide as the last one) a gap of clear
  // columns separates it from them; the wider negative labels below reach
  // further left.
  int inkTop = 400, inkBottom = -1;
  for (int y = 0; y < 400; ++y) {
    for (int x = lx - 24; x < lx - 8; ++x) {
      if (image.Yellowish(x, y)) {
        inkTop = std::min(inkTop, y);
        inkBottom = std::max(inkBottom, y);
      }
    }
    if (y >= kT && y < 130) {
      for (int x = lx - 6; x < lx; ++x) EXPECT_FALSE(image.Yellowish(x, y)) << x << "," << y;
    }
  }
  EXPECT_LE(inkBottom, 241);
  EXPECT_GE(inkBottom, 241 - 16);
  EXPECT_LT(inkTop, 241 - 120);  // 26 characters of about 8 pixels
  EXPECT_GT(inkTop, 0);
}

TEST(RenderMap, PointsOutsideTheBoxAreNotDrawn) {
  RecordingSink sink;
  // The middle reflection lies below the first one's 2theta: left of the box.
  TempFile png("outside.png");
  Render({RowAt(20.0, 0.01), RowAt(10.0, 0.0), RowAt(100.0, -0.01)}, 1, png, sink);
  Image image(png.path());
  ASSERT_TRUE(image.ok());
  int outside = 0;
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < kL - 5; ++x) outside += image.Reddish(x, y);
  }
  EXPECT_EQ(outside, 0);

  // Equal residuals at 0.5 lie above the +-0.002 range: no red at all.
  TempFile level("level.png");
  Render({RowAt(20.0, 0.5), RowAt(40.0, 0.5)}, 1, level, sink);
  Image flat(level.path());
  ASSERT_TRUE(flat.ok());
  int red = 0;
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 600; ++x) red += flat.Reddish(x, y);
  }
  EXPECT_EQ(red, 0);
}

TEST(RenderMap, FormatsByExtensionAndRefusals) {
  RecordingSink sink;
  TempFile svg("map.svg"), pdf("map.PDF");
  Render({RowAt(20.0, 0.01), RowAt(40.0, -0.01)}, 3, svg, sink);
  Render({RowAt(20.0, 0.01), RowAt(40.0, -0.01)}, 2, pdf, sink);
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_TRUE(FileStartsWith(svg.path(), "<?xml"));
  EXPECT_TRUE(FileStartsWith(pdf.path(), "%PDF"));

  TempFile report("refusals.out");
  report.Write(ReportText({RowAt(20.0, 0.01)}));
  TempFile jpg("map.jpg");
  EXPECT_FALSE(lattrix::RenderMapFile(report.path(), 1, 1, jpg.path(), 600, 400, sink));
  EXPECT_FALSE(lattrix::RenderMapFile(report.path(), 1, 4, svg.path() + ".png", 600, 400, sink));
  EXPECT_FALSE(lattrix::RenderMapFile(report.path(), 1, 1, "/nonexistent-dir/map.png", 600, 400, sink));
  EXPECT_FALSE(lattrix::RenderMapFile(report.path(), 1, 1, svg.path() + ".png", 8, 400, sink));
  ASSERT_EQ(sink.messages.size(), 4u);
  EXPECT_EQ(sink.messages[0], "Unknown plot file type: " + jpg.path() + " (use .png, .svg or .pdf)");
  EXPECT_EQ(sink.messages[1], "Plot type must be 1, 2 or 3");
  EXPECT_EQ(sink.messages[2], "Cannot write plot file /nonexistent-dir/map.png");
  EXPECT_EQ(sink.messages[3], "Plot size must be from 16 x 16 to 10000 x 10000 pixels");
  EXPECT_FALSE(std::ifstream(jpg.path()).good());
  EXPECT_FALSE(std::ifstream(svg.path() + ".png").good());

  // A report that cannot be read: its message, and no image.
  TempFile png("missing.png");
  const std::string missing = ::testing::TempDir() + "no_report_here.out";
  EXPECT_FALSE(lattrix::RenderMapFile(missing, 3, 1, png.path(), 600, 400, sink));
  ASSERT_EQ(sink.messages.size(), 5u);
  EXPECT_EQ(sink.messages[4], missing + " not open !!!\nNo such file or directory");
  EXPECT_FALSE(std::ifstream(png.path()).good());
}

// cairo and fontconfig keep font caches for the life of the process; let
// them go at the end so that a leak checker sees only real leaks.
class ReleaseFontCaches : public ::testing::Environment {
 public:
  void TearDown() override {
    cairo_debug_reset_static_data();
    FcFini();
  }
};
const ::testing::Environment* const kReleaseFontCaches =
    ::testing::AddGlobalTestEnvironment(new ReleaseFontCaches);

}  // namespace
