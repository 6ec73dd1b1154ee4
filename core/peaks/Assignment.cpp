#include "peaks/Assignment.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "common/TextIO.h"
#include "engine/CohenModel.h"

namespace lattrix {
namespace {

// Indices are searched up to this magnitude: a 60 A axis at d = 1 A.
constexpr int kMaxIndex = 60;
// Reflections whose 1/d^2 agree to this fraction have one d: the metric of
// a cell typed in degrees (converted with 0.0174532925) carries its
// symmetry to about 1e-9.
constexpr double kSameD = 1e-7;

double InverseDSquared(const double P[kSlots], int h, int k, int l) {
  return P[0] * h * h + P[1] * k * k + P[2] * l * l + P[3] * k * l + P[4] * l * h + P[5] * h * k;
}

int Negatives(const Indices& i) { return (i.h < 0) + (i.k < 0) + (i.l < 0); }

// The representative of reflections of one d: the fewest negative indices,
// then the largest (h, k, l): (1 1 0) rather than (2 -1 0) or (0 1 1).
bool Better(const Indices& a, const Indices& b) {
  return Negatives(a) != Negatives(b) ? Negatives(a) < Negatives(b)
                                      : std::tie(a.h, a.k, a.l) > std::tie(b.h, b.k, b.l);
}

std::string Label(const Indices& hkl) { return Format("(%d %d %d)", hkl.h, hkl.k, hkl.l); }

int Bound(double length, double dMin) {
  return std::min(kMaxIndex, static_cast<int>(std::floor(length / dMin)) + 1);
}

}  // namespace

bool CentringAllows(char centring, int h, int k, int l) {
  switch (centring) {
    case 'A': return (k + l) % 2 == 0;
    case 'B': return (h + l) % 2 == 0;
    case 'C': return (h + k) % 2 == 0;
    case 'I': return (h + k + l) % 2 == 0;
    case 'F': return (h - k) % 2 == 0 && (k - l) % 2 == 0;
    case 'R': return (-h + k + l) % 3 == 0;
    default: return true;
  }
}

bool ParseCentring(const std::string& text, char& out) {
  if (text.size() != 1) return false;
  const char c = static_cast<char>(text[0] >= 'a' && text[0] <= 'z' ? text[0] - 'a' + 'A' : text[0]);
  if (std::string("PABCIFR").find(c) == std::string::npos) return false;
  out = c;
  return true;
}

std::vector<CellReflection> CellReflections(const double cell[6], double wavelength, double maxTwoTheta,
                                            char centring) {
  std::vector<CellReflection> out;
  const double sinMax = std::sin(std::min(maxTwoTheta, 180.0) / 2.0 * kDegToRad);
  if (!(sinMax > 0.0) || !(wavelength > 0.0)) return out;
  const double dMin = wavelength / (2.0 * sinMax);
  double P[kSlots];
  TrialMetric(cell, P);
  // |h| = |g . a| <= |a| / d for a reflection g of spacing d.
  const int H = Bound(cell[0], dMin), K = Bound(cell[1], dMin), L = Bound(cell[2], dMin);
  std::vector<std::pair<double, Indices>> found;
  for (int h = -H; h <= H; ++h)
    for (int k = -K; k <= K; ++k)
      for (int l = -L; l <= L; ++l) {
        if ((h == 0 && k == 0 && l == 0) || !CentringAllows(centring, h, k, l)) continue;
        const double q = InverseDSquared(P, h, k, l);
        if (q > 0.0 && q * dMin * dMin <= 1.0 + 1e-12) found.push_back({q, {h, k, l}});
      }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  // Reflections of one d-spacing are one: the largest indices stand for them.
  for (size_t i = 0; i < found.size();) {
    size_t j = i;
    Indices best = found[i].second;
    while (j < found.size() && found[j].first - found[i].first <= kSameD * found[i].first) {
      if (Better(found[j].second, best)) best = found[j].second;
      ++j;
    }
    const double s = wavelength * std::sqrt(found[i].first) / 2.0;
    if (s <= 1.0) out.push_back({best, 2.0 * std::asin(s) / kDegToRad});
    i = j;
  }
  return out;
}

Assignment AssignIndices(const std::vector<PeakPosition>& peaks, const double cell[6], double wavelength,
                         const AssignmentOptions& options) {
  Assignment result;
  double top = 0.0;
  for (const PeakPosition& p : peaks) top = std::max(top, p.twoTheta);
  const std::vector<CellReflection> cellLines =
      CellReflections(cell, wavelength, top + options.tolerance, options.centring);
  // Each peak's one candidate, or why it has none.
  std::vector<int> candidate(peaks.size(), -1);
  std::vector<std::string> reason(peaks.size());
  for (size_t p = 0; p < peaks.size(); ++p) {
    std::vector<int> near;
    for (size_t r = 0; r < cellLines.size(); ++r)
      if (std::fabs(cellLines[r].twoTheta - peaks[p].twoTheta) <= options.tolerance) near.push_back(static_cast<int>(r));
    if (near.size() == 1) {
      candidate[p] = near[0];
    } else if (near.empty()) {
      reason[p] = Format("no reflection within %g deg", options.tolerance);
    } else {
      reason[p] = Format("%zu reflections within %g deg:", near.size(), options.tolerance);
      for (int r : near) reason[p] += " " + Label(cellLines[r].hkl) + Format(" %.3f", cellLines[r].twoTheta);
    }
  }
  // Two peaks that take one reflection: the nearer keeps it.
  std::map<int, size_t> taker;
  for (size_t p = 0; p < peaks.size(); ++p) {
    if (candidate[p] < 0) continue;
    const double miss = std::fabs(cellLines[candidate[p]].twoTheta - peaks[p].twoTheta);
    auto [at, fresh] = taker.emplace(candidate[p], p);
    if (fresh) continue;
    const size_t other = at->second;
    const bool nearer = miss < std::fabs(cellLines[candidate[p]].twoTheta - peaks[other].twoTheta);
    const size_t loser = nearer ? other : p;
    if (nearer) at->second = p;
    reason[loser] = Label(cellLines[candidate[p]].hkl) +
                    Format(" taken by the nearer peak at %.3f", peaks[nearer ? p : other].twoTheta);
    candidate[loser] = -1;
  }
  for (size_t p = 0; p < peaks.size(); ++p) {
    if (candidate[p] >= 0)
      result.assigned.push_back({peaks[p], cellLines[candidate[p]].hkl, cellLines[candidate[p]].twoTheta});
    else
      result.leftOut.push_back({peaks[p], reason[p]});
  }
  return result;
}

std::string Assignment::Summary() const {
  std::string text = Format("%zu peaks assigned, %zu left out", assigned.size(), leftOut.size());
  for (const LeftOutPeak& left : leftOut)
    text += Format("\n line %d, 2theta %.4f: ", left.peak.line, left.peak.twoTheta) + left.reason;
  return text;
}

}  // namespace lattrix
