#include "fittingmap/FittingMap.h"

#include <cfloat>
#include <cmath>

#include "common/TextIO.h"
#include "fittingmap/PlotColours.h"
#include "report/ReportReader.h"
#include "report/ReportWriter.h"

namespace lattrix {

namespace {

// Guards the tick loops against ranges so wide, or steps so small, that the
// single-precision sum would not move or the axis would be a solid bar.
constexpr int kMaxTicks = 10000;

// A double stored as a float; values beyond the float range become
// infinities (what the hardware conversion gives, made explicit).
float StoreFloat(double v) {
  if (v > FLT_MAX) return INFINITY;
  if (v < -FLT_MAX) return -INFINITY;
  return static_cast<float>(v);
}

// Decimal exponent of a positive finite value, truncated toward zero.
int TruncatedLog10(double v) { return static_cast<int>(std::log10(v)); }

int ClampPoints(int n) {
  if (n < 0) return 0;
  if (n > kMaxReflections) return kMaxReflections;
  return n;
}

}  // namespace

void FittingMap::ResetMapStyle() {
  m_fXMin = 0.0f;
  m_fYMin = 0.0f;
  m_fXMax = 100.0f;
  m_fYMax = 100.0f;
  m_fPlotXMin = 0.0f;
  m_fPlotYMin = 0.0f;
  m_fPlotXMax = 100.0f;
  m_fPlotYMax = 100.0f;
  UseColours(*this, DarkPlotColours());
  m_bPrintText = false;
  m_fXStep = m_fXMax / 10.0f;
  m_fYStep = m_fYMax / 10.0f;
  m_strFontFace = "Times New Roman";
  m_nFontHeight = 16;
  m_bItalic = 0;
  m_bBold = 0;
  m_nPointRadius = 3;
  m_nPenWidth = 2;
  m_szMargin = {8, 8};
}

void FittingMap::SetPlotTitles(int plotType) {
  m_strYUnit.clear();
  if (m_bPrintText && plotType >= 1 && plotType <= 3) {
    // Quantity / unit, with theta, the minus sign and the angstrom sign as
    // a paper sets them.
    static const char* const kY[] = {"2\u03b8(org\u2212cal)", "2\u03b8(org\u2212cor)", "d(obs\u2212cal)"};
    m_strYTitle = kY[plotType - 1];
    m_strYUnit = plotType == 3 ? "\u00c5" : "\u00b0";
    m_strXTitle = "2\u03b8(org) / \u00b0";
    m_strPlotTitle = "2\u03b8(org) vs. " + m_strYTitle;
    return;
  }
  switch (plotType) {
    case 1:
      m_strPlotTitle = "2theta(org) vs. 2theta(org-cal)";
      m_strXTitle = "2theta(org)/deg";
      m_strYTitle = "2theta(org-cal)/deg";
      break;
    case 2:
      m_strPlotTitle = "2theta(org) vs. 2theta(org-cor)";
      m_strXTitle = "2theta(org)/deg";
      m_strYTitle = "2theta(org-cor)/deg";
      break;
    case 3:
      m_strPlotTitle = "2theta(org) vs. d(obs-cal)";
      m_strXTitle = "2theta(org)/deg";
      m_strYTitle = "d(obs-cal)/A";
      break;
    default:
      m_strPlotTitle.clear();
      m_strXTitle.clear();
      m_strYTitle.clear();
      break;
  }
}

bool FittingMap::LoadMapData(MessageSink& sink) {
  m_nPoints = ClampPoints(m_nPoints);
  const Report report = ReadReport(m_strReportPath);
  if (!report.HasList()) {
    sink.Show(report.status == ReportStatus::kNotOpen
                  ? PrintableText(m_strReportPath, 200) + " not open !!!\n" + report.reason
                  : std::string("List not open !!!"));
    m_nPoints = 0;
    return false;
  }
  SetPoints([&](int n, int field) { return report.Field(n, field); });
  return true;
}

void FittingMap::LoadMapData(const RefinementOutcome& outcome) {
  m_nPoints = static_cast<int>(outcome.reflections.size());
  // Each row formatted once, as the report prints it.
  std::vector<ListRowTexts> rows;
  for (const ReflectionResult& row : outcome.reflections) rows.push_back(ListRowFields(row));
  SetPoints([&](int n, int field) { return rows[static_cast<size_t>(n)][static_cast<size_t>(field - 1)]; });
}

void FittingMap::SetPoints(const std::function<std::string(int row, int field)>& printed) {
  // The values as the report prints them; a missing field reads as 0, as
  // atof reads an empty text.
  const auto value = [&](int n, int field) { return static_cast<float>(AtoF(printed(n, field))); };
  for (int n = 0; n < m_nPoints; ++n) {
    MapPointF& p = m_ptData[n];
    p.x = value(n, kField2ThOrg);
    switch (m_nPlotType) {
      case 1: p.y = value(n, kFieldDel2Th); break;
      // 2thorg - 2thobs, each value a float first.
      case 2: p.y = value(n, kField2ThOrg) - value(n, kField2ThObs); break;
      case 3: p.y = value(n, kFieldDDif); break;
      default: p.y = 0.0f; break;
    }
  }
}

void FittingMap::ScaleMapData() {
  const int n = m_nPoints;
  if (n < 1) return;
  // x runs from the first to the last reflection of the list (input
  // order), not from the smallest to the largest 2theta.
  m_fXMin = m_ptData[0].x;
  m_fXMax = m_ptData[n - 1].x;

  // A residual the list prints as no number (nan, inf) has no
  // place on the axis: the y range comes from the finite ones.
  int first = 0;
  while (first < n && !std::isfinite(m_ptData[first].y)) ++first;
  if (first == n) first = 0;
  m_fYMin = m_fYMax = m_ptData[first].y;
  for (int i = 0; i < n; ++i) {
    const float y = m_ptData[i].y;
    if (!std::isfinite(y)) continue;
    if (y > m_fYMax) m_fYMax = y;
    if (y < m_fYMin) m_fYMin = y;
  }

  // Residuals all (nearly) equal: a small range about zero instead of none.
  if (std::fabs(m_fYMax - m_fYMin) < 0.00001) {
    m_fYMax = 0.001f;
    m_fYMin = -0.001f;
  }

  // x minimum down to two significant digits (one below 1); a 2theta of
  // zero or less has no decimal exponent and stays as it is.
  if (std::isfinite(m_fXMin) && m_fXMin > 0.0f) {
    const double p = std::pow(10.0, TruncatedLog10(m_fXMin) - 1);
    m_fXMin = StoreFloat(std::floor(m_fXMin / p) * p);
  }
  // y maximum up likewise, when positive.
  if (std::isfinite(m_fYMax) && m_fYMax > 0.0f) {
    const double p = std::pow(10.0, TruncatedLog10(m_fYMax) - 1);
    m_fYMax = StoreFloat(std::ceil(m_fYMax / p) * p);
  }
}

void FittingMap::MakeYRangeSymmetric() {
  m_fPlotXMin = m_fXMin;
  m_fPlotYMin = m_fYMin;
  m_fPlotXMax = m_fXMax;
  m_fPlotYMax = m_fYMax;
  const float a = std::fabs(m_fYMin);
  const float b = std::fabs(m_fYMax);
  const float h = (b < a) ? a : b;
  m_fPlotYMin = -h;
  m_fPlotYMax = h;
}

void FittingMap::ChooseTickSteps() {
  const float dx = m_fPlotXMax - m_fPlotXMin;
  if (dx > 100.0f) {
    m_fXStep = 50.0f;
  } else if (dx > 50.0f) {
    m_fXStep = 20.0f;
  } else if (dx > 10.0f) {
    m_fXStep = 10.0f;
  } else if (dx > 5.0f) {
    m_fXStep = 2.0f;
  } else if (dx > 0.0f) {
    m_fXStep = 1.0f;
  }  // no positive span: the step stays

  const float dy = m_fPlotYMax - m_fPlotYMin;
  if (dy > 100.0f) {
    m_fYStep = 50.0f;
  } else if (dy > 50.0f) {
    m_fYStep = 20.0f;
  } else if (dy > 10.0f) {
    m_fYStep = 10.0f;
  } else if (dy > 5.0f) {
    m_fYStep = 2.0f;
  } else if (dy > 1.0f) {
    m_fYStep = 1.0f;
  } else if (dy > 0.5f) {
    m_fYStep = 0.1f;
  } else if (dy > 0.1f) {
    m_fYStep = 0.05f;
  } else if (dy > 0.05f) {
    m_fYStep = 0.01f;
  } else if (dy > 0.01f) {
    m_fYStep = 0.005f;
  } else if (dy > 0.005f) {
    m_fYStep = 0.001f;
  } else if (dy > 0.001f) {
    m_fYStep = 0.0005f;
  } else if (dy > 0.0005f) {
    m_fYStep = 0.0001f;
  } else if (dy > 0.0001f) {
    m_fYStep = 0.00005f;
  } else if (dy > 0.00005f) {
    m_fYStep = 0.00001f;
  } else {
    m_fYStep = 0.00005f;
  }
}

bool FittingMap::PrepareMap(MessageSink& sink) {
  ResetMapStyle();
  SetPlotTitles(m_nPlotType);
  if (!LoadMapData(sink)) return false;
  ScaleToPoints();
  return true;
}

void FittingMap::PrepareMap(const RefinementOutcome& outcome) {
  ResetMapStyle();
  SetPlotTitles(m_nPlotType);
  LoadMapData(outcome);
  ScaleToPoints();
}

void FittingMap::ScaleToPoints() {
  if (m_nPoints < 1) return;
  ScaleMapData();
  MakeYRangeSymmetric();
  ChooseTickSteps();
}

bool FittingMap::HasXScale() const {
  const float d = m_fPlotXMax - m_fPlotXMin;
  return std::isfinite(d) && d > 0.0f;
}

bool FittingMap::HasYScale() const {
  const float d = m_fPlotYMax - m_fPlotYMin;
  return std::isfinite(d) && d > 0.0f;
}

bool FittingMap::HasYExponent() const {
  return std::isfinite(m_fPlotYMin) && m_fPlotYMin != 0.0f;
}

int FittingMap::YExponent() const {
  if (!HasYExponent()) return 0;
  return TruncatedLog10(std::fabs(static_cast<double>(m_fPlotYMin)));
}

std::string FittingMap::FullYTitle() const {
  if (!HasYExponent()) return m_strYTitle;
  return m_strYTitle + " 10**" + Format("%d", YExponent());
}

FittingMap::TitleRuns FittingMap::YTitleRuns() const {
  if (!m_bPrintText) return {FullYTitle(), "", ""};
  const int e = YExponent();
  if (e == 0) return {m_strYTitle + " / " + m_strYUnit, "", ""};
  return {m_strYTitle + " / 10", WithTrueMinus(Format("%d", e)), " " + m_strYUnit};
}

std::string FittingMap::TickLabel(int decimals, float value) const {
  const std::string label = Format("%4.*f", decimals, static_cast<double>(value));
  return m_bPrintText ? WithTrueMinus(label) : label;
}

std::vector<MapTick> FittingMap::XTicks() const {
  std::vector<MapTick> ticks;
  if (!HasXScale() || !(m_fXStep > 0.0f)) return ticks;
  float v = m_fPlotXMin;
  for (int i = 0; i < kMaxTicks && v <= m_fPlotXMax; ++i) {
    // The upper end of the range gets its label but no mark.
    ticks.push_back({v, TickLabel(1, v), v != m_fPlotXMax});
    const float next = v + m_fXStep;
    if (!(next > v)) break;
    v = next;
  }
  return ticks;
}

std::vector<MapTick> FittingMap::YTicks() const {
  std::vector<MapTick> ticks;
  if (!HasYScale() || !HasYExponent() || !(m_fYStep > 0.0f)) return ticks;
  const int e = YExponent();
  const double s = (m_fPlotYMin < 0.0f) ? -1.0 : 1.0;
  const float q = StoreFloat(std::pow(10.0, e));
  // Counting starts at -10^e, which lies below the range when the range is
  // narrower than 1; ticks below the range are skipped.
  float y = StoreFloat(s * std::pow(10.0, e));
  for (int i = 0; i < kMaxTicks && y <= m_fPlotYMax; ++i) {
    if (y >= m_fPlotYMin) {
      const float label = y / q;
      ticks.push_back({y, TickLabel(2, label), true});
    }
    const float next = y + m_fYStep;
    if (!(next > y)) break;
    y = next;
  }
  return ticks;
}

void UseColours(FittingMap& map, const PlotColours& colours) {
  map.m_crBack = colours.back;
  map.m_crAxis = colours.axis;
  map.m_crText = colours.text;
  map.m_crPointFill = colours.pointFill;
  map.m_crPointEdge = colours.pointEdge;
}

void UseMapStyle(FittingMap& map, MapStyle style) {
  UseColours(map, style == MapStyle::kLight ? LightPlotColours() : DarkPlotColours());
  map.m_bPrintText = style == MapStyle::kLight;
  map.SetPlotTitles(map.m_nPlotType);
}

bool ParseMapStyle(const std::string& text, MapStyle& style) {
  if (text != "dark" && text != "light") return false;
  style = text == "light" ? MapStyle::kLight : MapStyle::kDark;
  return true;
}

}  // namespace lattrix
