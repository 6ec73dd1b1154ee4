// The fitting map from a report of arbitrary bytes: load, scale, ticks and
// the drawing geometry for each plot type, as the dialog and the batch
// command's image renderer run them.
#include <cmath>

#include "FuzzSupport.h"
#include "displays/FittingMap.h"
#include "displays/MapDrawing.h"

using namespace lattrix;
using lattrix_fuzz::Check;

namespace {

void CheckTicks(const std::vector<MapTick>& ticks, float lo, float hi, const char* axis) {
  Check(ticks.size() <= 10000, axis);
  for (const MapTick& tick : ticks) {
    Check(std::isfinite(tick.value), axis);
    Check(tick.value >= lo && tick.value <= hi, axis);
    Check(!tick.label.empty() && tick.label.size() < 64, axis);
  }
}

void Draw(FittingMap& map, int width, int height) {
  ComputeMapGeometry(map, width, height);
  Check(std::isfinite(map.m_fXScale) && std::isfinite(map.m_fYScale), "finite scales");
  lattrix_fuzz::CheckingCanvas canvas(map.m_rcPlot, width, height);
  DrawMap(map, canvas, width, height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lattrix_fuzz::ScratchFile file("fitting_map");
  const std::string& path = file.Write(data, size);

  static const int kPointCounts[] = {50, 12, 1};
  for (int type = 1; type <= 3; ++type) {
    for (int points : kPointCounts) {
      if (type != 1 && points != 50) continue;
      lattrix_fuzz::QuietSink sink;
      FittingMap map;
      map.m_strReportPath = path;
      map.m_nPlotType = type;
      map.m_nPoints = points;
      map.SetPlotTitles(type);
      const bool ok = map.PrepareMap(sink);
      Check(ok == (sink.shown == 0), "a message exactly when the load fails");
      Check(map.m_nPoints == (ok ? points : 0), "point count after the load");
      if (ok) {
        CheckTicks(map.XTicks(), map.m_fPlotXMin, map.m_fPlotXMax, "x ticks");
        CheckTicks(map.YTicks(), map.m_fPlotYMin, map.m_fPlotYMax, "y ticks");
        Check(map.FullYTitle().size() < 64, "y title");
        Check(map.m_fXStep > 0.0f && map.m_fYStep > 0.0f, "positive steps");
      }
      // The window's default size, a small window, and one too small for a box.
      Draw(map, kMapDefaultWidth, kMapDefaultHeight);
      Draw(map, 120, 90);
      Draw(map, 4, 4);
    }
  }
  return 0;
}
