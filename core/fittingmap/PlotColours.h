// The two colour styles of the plots: the fitting map's dark screen style
// (navy ground, yellow axes and text, red points) and a light style for
// print (white ground, dark axes and text, dark red points and error bars).
#pragma once

#include "fittingmap/FittingMap.h"

namespace lattrix {

struct PlotColours {
  MapRgb back;
  MapRgb axis;
  MapRgb text;
  MapRgb pointFill;
  MapRgb pointEdge;
  MapRgb curve;   // a fitted curve drawn through the points
};

inline PlotColours DarkPlotColours() {
  return {{0, 0, 65}, {255, 255, 0}, {255, 255, 0}, {255, 0, 0}, {255, 0, 0}, {0, 255, 255}};
}

inline PlotColours LightPlotColours() {
  return {{255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {200, 30, 30}, {120, 0, 0}, {0, 70, 160}};
}

}  // namespace lattrix
