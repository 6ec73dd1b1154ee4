// The fitting map's data: one residual per reflection against its 2theta
// as read, the axis ranges rounded to convenient values, a y range
// symmetric about zero, tick steps, tick values and label texts.
//
// Window-free. The dialog of the desktop program and the batch command's
// image renderer hold one FittingMap each, call PrepareMap whenever the map
// is (re)built, and draw it with DrawMap (fittingmap/MapDrawing.h).
//
// Values that the drawing stores as single-precision floats are floats here
// too: the rounding of the ranges, the steps and the accumulated tick values
// depends on it (a tick near zero reads "-0.00").
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "engine/Refinement.h"
#include "job/Job.h"

namespace lattrix {

// A colour as red, green, blue components 0 to 255.
struct MapRgb {
  int r = 0;
  int g = 0;
  int b = 0;
};
inline bool operator==(const MapRgb& a, const MapRgb& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b;
}
inline bool operator!=(const MapRgb& a, const MapRgb& b) { return !(a == b); }

struct MapPoint {  // a pixel position, x to the right, y downward
  int x = 0;
  int y = 0;
};

struct MapPointF {  // a data point: 2theta and residual
  float x = 0.0f;
  float y = 0.0f;
};

struct MapSize {
  int cx = 0;
  int cy = 0;
};

struct MapRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// One tick of an axis: its data value, its label text and whether its mark
// is drawn (the x tick at the upper end of the range has a label only).
struct MapTick {
  float value = 0.0f;
  std::string label;
  bool mark = true;
};

struct FittingMap {
  int m_nPoints = 0;    // reflections to read (the job's count, at most 50)
  int m_nPlotType = 1;  // 1 del2th, 2 2thorg - 2thobs, 3 d-dif
  std::string m_strReportPath;
  std::string m_strXTitle;
  std::string m_strYTitle;  // without the exponent suffix
  std::string m_strPlotTitle;
  MapPointF m_ptData[kMaxReflections];  // one point per reflection
  // Data range, after rounding to convenient values.
  float m_fXMin = 0.0f, m_fYMin = 0.0f, m_fXMax = 100.0f, m_fYMax = 100.0f;
  // Plot range: what the drawing maps onto the box.
  float m_fPlotXMin = 0.0f, m_fPlotYMin = 0.0f, m_fPlotXMax = 100.0f, m_fPlotYMax = 100.0f;
  MapRgb m_crPointFill{255, 0, 0};
  MapRgb m_crAxis{255, 255, 0};
  MapRgb m_crText{255, 255, 0};
  MapRgb m_crBack{0, 0, 65};
  MapRgb m_crPointEdge{255, 0, 0};
  float m_fXScale = 0.0f;  // pixels per data unit, set by the drawing
  float m_fYScale = 0.0f;  // (0 when the range has no positive span)
  float m_fXStep = 10.0f;
  float m_fYStep = 10.0f;
  std::string m_strFontFace = "Times New Roman";
  // Geometry, set by the drawing for the current client size.
  MapPoint m_ptLowerLeft, m_ptTitle, m_ptUpperRight;
  int m_nTickLenX = 0;
  int m_nTickLenY = 0;  // negative: y ticks point up into the box
  int m_nYTitleBase = 0;
  int m_nFontHeight = 16;  // text cell height in pixels
  int m_bItalic = 0;
  int m_bBold = 0;
  MapRect m_rcPlot;
  int m_nPointRadius = 3;
  int m_nPenWidth = 2;
  MapSize m_szMargin{8, 8};  // taken off the client size for the map area
  // Text set for print: titles in symbols with their units ("2θ(org) / °"),
  // a real minus sign (U+2212) in negative tick labels, and the y labels'
  // power of ten written into the y title's unit. Off on the screen.
  bool m_bPrintText = false;
  std::string m_strYUnit;  // the y title's unit, with print text

  // Sets the style and range defaults (ranges 0 to 100, steps 10, the dark
  // colours, font, radius, pen width, margin, screen text). Titles, type,
  // path and points stay.
  void ResetMapStyle();

  // Sets the plot, x and y titles of plot type 1, 2 or 3 (other types clear
  // them), as the screen shows them or, with print text, for print.
  void SetPlotTitles(int plotType);

  // Reads m_nPoints points of m_nPlotType from the list of d-spacings of the
  // report at m_strReportPath (lattrix-plot draws report files). On failure
  // shows "<path> not open !!!" or "List not open !!!", sets m_nPoints to 0
  // and returns false. Missing or non-numeric fields give 0. m_nPoints is
  // held within 0..50.
  bool LoadMapData(MessageSink& sink);
  // The points of a run's list of d-spacings, one per reflection, from its
  // values as the report prints them.
  void LoadMapData(const RefinementOutcome& outcome);

  // Data range from the points: x from the first and the last point, y from
  // all; x minimum taken down and y maximum taken up to convenient values.
  void ScaleMapData();

  // Plot range = data range, with y from -H to H, H the larger magnitude.
  void MakeYRangeSymmetric();

  // Tick steps from the plot range's spans.
  void ChooseTickSteps();

  // ResetMapStyle, the titles of m_nPlotType, LoadMapData and, when that
  // succeeded, ScaleMapData, MakeYRangeSymmetric and ChooseTickSteps.
  // Returns what LoadMapData returned.
  bool PrepareMap(MessageSink& sink);
  // The same from a run's list of d-spacings.
  void PrepareMap(const RefinementOutcome& outcome);

  // True when the plot range has a positive, finite span on that axis, so
  // that values map to pixels.
  bool HasXScale() const;
  bool HasYScale() const;
  // True when the y labels have an exponent: the lower y bound is finite
  // and not zero (a zero bound has no logarithm).
  bool HasYExponent() const;

  // The exponent e of the y labels (log10 |m_fPlotYMin|, truncated toward
  // zero); 0 when HasYExponent() is false.
  int YExponent() const;

  // The y title drawn: m_strYTitle, " 10**" and the exponent ("%d"); the
  // bare m_strYTitle when there is no exponent.
  std::string FullYTitle() const;

  // The y title in three runs: `lead`, then `power` set as a superscript,
  // then `tail`. On the screen, lead is FullYTitle() and the rest empty;
  // with print text "<title> / <unit>", or "<title> / 10", the exponent
  // with a real minus sign, " <unit>" when the labels carry a power of ten.
  struct TitleRuns {
    std::string lead, power, tail;
  };
  TitleRuns YTitleRuns() const;

  // X ticks from m_fPlotXMin upward in steps of m_fXStep while within the
  // range, labelled "%4.1f"; empty without an x scale. With print text a
  // label's minus is U+2212 (and a label of zero has none).
  std::vector<MapTick> XTicks() const;

  // Y ticks that lie in the plot range, labelled "%4.2f" with the value over
  // 10^e; empty without a y scale or exponent; minus signs as for x.
  std::vector<MapTick> YTicks() const;

 private:
  // "%4.<decimals>f" of the value, with print text's minus sign.
  std::string TickLabel(int decimals, float value) const;
  // The points from the printed fields (ReportListField) of each row.
  void SetPoints(const std::function<std::string(int row, int field)>& printed);
  void ScaleToPoints();
};

struct PlotColours;

// Puts the colours of a style (fittingmap/PlotColours.h) on the map.
void UseColours(FittingMap& map, const PlotColours& colours);

// The map's two looks: the dark screen style (the default everywhere) and a
// light style for print (white ground, dark axes and text, print text).
enum class MapStyle { kDark, kLight };

// Puts a style on a prepared map: its colours and text, the titles set
// again for the map's plot type. PrepareMap returns the map to dark.
void UseMapStyle(FittingMap& map, MapStyle style);

// "dark" or "light" (as the commands take it); false for any other text.
bool ParseMapStyle(const std::string& text, MapStyle& style);

}  // namespace lattrix
