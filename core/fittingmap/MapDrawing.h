// Drawing of the fitting map on a MapCanvas for a given client size.
//
// In the window the map area is the client size less the map's margin; the
// box, ticks, labels and titles are placed by fixed fractions of it. An
// image file is framed on its drawing instead: small even margins round the
// titles and labels, and the box takes the rest. Every paint recomputes the
// geometry and stores it, with the pixel scales, in the map.
#pragma once

#include "fittingmap/FittingMap.h"
#include "fittingmap/MapCanvas.h"

namespace lattrix {

// Default client size of the fitting map window, also the batch command's
// default image size.
constexpr int kMapDefaultWidth = 600;
constexpr int kMapDefaultHeight = 400;

// Pixels between an image's edges and the text nearest to them.
constexpr int kMapImageMargin = 6;

enum class MapLayout {
  kWindow,  // the window's fractions of the client size
  kImage,   // an image file framed on the drawing
};

// Stores the geometry for a client area of clientWidth x clientHeight
// pixels: box corners, title position, tick lengths, title base, plot
// rectangle, and the x and y scales (0 on an axis whose plot range has no
// positive span). Draws nothing.
void ComputeMapGeometry(FittingMap& map, int clientWidth, int clientHeight);

// The same for an image of width x height pixels framed on the drawing: the
// plot title on the top margin, the x title on the bottom one, the upward
// y title on the left one, and the box as large as the tick labels beside
// it allow (text measured on `canvas` in the map's font, which it sets).
void ComputeImageGeometry(FittingMap& map, MapCanvas& canvas, int width, int height);

// Pixel of a data value, using the stored geometry and scales (truncated
// toward zero; a value too far off for an int maps to INT_MIN or INT_MAX).
int MapXPixel(const FittingMap& map, float x);
int MapYPixel(const FittingMap& map, float y);

// The font of the map's text as the drawing asks for it.
MapFont MapTextFont(const FittingMap& map);

// Background, box, x ticks and labels, plot title, y ticks and labels,
// x title and the upward y title. Computes and stores the geometry of the
// layout first.
void DrawMapFrame(FittingMap& map, MapCanvas& canvas, int clientWidth, int clientHeight,
                  MapLayout layout = MapLayout::kWindow);

// The dotted zero line and one disc per point inside the box, with the
// geometry that DrawMapFrame stored.
void DrawMapPoints(const FittingMap& map, MapCanvas& canvas);

// DrawMapFrame then DrawMapPoints: the whole map in screen order.
void DrawMap(FittingMap& map, MapCanvas& canvas, int clientWidth, int clientHeight,
             MapLayout layout = MapLayout::kWindow);

}  // namespace lattrix
