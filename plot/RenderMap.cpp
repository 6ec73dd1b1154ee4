#include "RenderMap.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <cctype>

#include "CairoCanvas.h"
#include "common/AtomicFile.h"
#include "common/TextIO.h"
#include "fittingmap/MapDrawing.h"

namespace lattrix {

namespace {

constexpr int kMinImageSide = 16;
constexpr int kMaxImageSide = 10000;

// A fresh surface of the whole image: the background colour over
// everything (a map's margin too), then the drawing.
void Paint(cairo_surface_t* surface, const MapRgb& background, const std::function<void(MapCanvas&)>& draw) {
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, background.r / 255.0, background.g / 255.0, background.b / 255.0);
  cairo_paint(cr);
  {
    CairoCanvas canvas(cr);
    draw(canvas);
  }
  cairo_show_page(cr);
  cairo_destroy(cr);
}

std::string UnknownType(const std::string& outPath) {
  return "Unknown plot file type: " + PrintableText(outPath, 200) + " (use .png, .svg or .pdf)";
}

// Collects what cairo writes.
cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

MapFileFormat MapFileFormatFor(const std::string& outPath) {
  const size_t slash = outPath.find_last_of('/');
  const size_t dot = outPath.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return MapFileFormat::kUnknown;
  }
  std::string ext = outPath.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "png") return MapFileFormat::kPng;
  if (ext == "svg") return MapFileFormat::kSvg;
  if (ext == "pdf") return MapFileFormat::kPdf;
  return MapFileFormat::kUnknown;
}

bool WriteMapImage(FittingMap& map, const std::string& outPath, int width, int height,
                   MessageSink& sink) {
  return WriteCanvasImage(outPath, width, height, map.m_crBack,
                          [&](MapCanvas& canvas) { DrawMap(map, canvas, width, height, MapLayout::kImage); },
                          sink);
}

bool WriteSeriesPlotImage(const SeriesPlot& plot, const std::string& outPath, int width, int height,
                          MessageSink& sink) {
  return WriteCanvasImage(outPath, width, height, FittingMap().m_crBack,
                          [&](MapCanvas& canvas) { DrawSeriesPlot(plot, canvas, width, height); }, sink);
}

bool WriteCanvasImage(const std::string& outPath, int width, int height, const MapRgb& background,
                      const std::function<void(MapCanvas&)>& draw, MessageSink& sink) {
  const MapFileFormat format = MapFileFormatFor(outPath);
  if (format == MapFileFormat::kUnknown) {
    sink.Show(UnknownType(outPath));
    return false;
  }
  if (width < kMinImageSide || height < kMinImageSide || width > kMaxImageSide ||
      height > kMaxImageSide) {
    sink.Show("Plot size must be from 16 x 16 to 10000 x 10000 pixels");
    return false;
  }
  // Drawn into memory first, then written as a whole beside the target and
  // renamed over it, like every other file a run writes.
  std::string image;
  cairo_surface_t* surface = nullptr;
  switch (format) {
    case MapFileFormat::kPng:
      surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
      break;
    case MapFileFormat::kSvg:
      surface = cairo_svg_surface_create_for_stream(AppendBytes, &image, width, height);
      if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
      }
      break;
    case MapFileFormat::kPdf:
      // One pixel of the window becomes one point of the page.
      surface = cairo_pdf_surface_create_for_stream(AppendBytes, &image, width, height);
      break;
    case MapFileFormat::kUnknown:
      break;
  }
  bool ok = surface != nullptr && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    Paint(surface, background, draw);
    if (format == MapFileFormat::kPng) {
      ok = cairo_surface_write_to_png_stream(surface, AppendBytes, &image) == CAIRO_STATUS_SUCCESS;
    }
    cairo_surface_finish(surface);
    ok = ok && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  }
  if (surface != nullptr) cairo_surface_destroy(surface);
  if (!ok) {
    sink.Show("Cannot draw plot file " + PrintableText(outPath, 200));
    return false;
  }
  return WriteTextFile(image, outPath, sink);
}

bool RenderMapFile(const std::string& reportPath, int points, int plotType,
                   const std::string& outPath, int width, int height, MessageSink& sink,
                   MapStyle style) {
  if (MapFileFormatFor(outPath) == MapFileFormat::kUnknown) {
    sink.Show(UnknownType(outPath));
    return false;
  }
  if (plotType < 1 || plotType > 3) {
    sink.Show("Plot type must be 1, 2 or 3");
    return false;
  }
  FittingMap map;
  map.m_nPoints = points;
  map.m_nPlotType = plotType;
  map.m_strReportPath = reportPath;
  if (!map.PrepareMap(sink)) return false;
  UseMapStyle(map, style);
  return WriteMapImage(map, outPath, width, height, sink);
}

}  // namespace lattrix
