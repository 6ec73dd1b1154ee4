// Renders the fitting map of a report to an image file without any window.
#pragma once

#include <functional>
#include <string>

#include "common/MessageSink.h"
#include "fittingmap/FittingMap.h"
#include "fittingmap/MapCanvas.h"
#include "series/SeriesPlot.h"

namespace lattrix {

// Image formats chosen by the output file's extension (case-insensitive).
enum class MapFileFormat { kUnknown, kPng, kSvg, kPdf };
MapFileFormat MapFileFormatFor(const std::string& outPath);

// Reads `points` reflections of plot type `plotType` (1, 2 or 3) from the
// report, builds the map as the fitting map window does, in the given
// style, and writes it to outPath as a PNG, SVG or PDF image of width x
// height pixels by its extension, framed on the drawing. The whole image
// has the map's background colour.
// Messages go to the sink: the report's own ("<path> not open !!!",
// "List not open !!!"), "Unknown plot file type: <path> (use .png, .svg or
// .pdf)", "Plot type must be 1, 2 or 3", "Plot size must be from 16 x 16 to
// 10000 x 10000 pixels", "<path> cannot be written !!!\n<reason>". The
// image is written whole or not at all, and nothing is written when the
// report cannot be read. Returns true when the file was written.
bool RenderMapFile(const std::string& reportPath, int points, int plotType,
                   const std::string& outPath, int width, int height, MessageSink& sink,
                   MapStyle style = MapStyle::kDark);

// Draws an already prepared map into outPath (format by extension), framed
// on the drawing; true when the file was written.
bool WriteMapImage(FittingMap& map, const std::string& outPath, int width, int height,
                   MessageSink& sink);

// A series plot as the series window draws it, into outPath likewise.
bool WriteSeriesPlotImage(const SeriesPlot& plot, const std::string& outPath, int width, int height,
                          MessageSink& sink);

// The image of any drawing on the map canvas: a surface of width x height
// pixels painted in the background colour, then `draw`; format by the
// extension, with the messages of WriteMapImage.
bool WriteCanvasImage(const std::string& outPath, int width, int height, const MapRgb& background,
                      const std::function<void(MapCanvas&)>& draw, MessageSink& sink);

}  // namespace lattrix
