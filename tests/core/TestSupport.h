// What the tests and the fuzz targets share: cell arithmetic written apart
// from the engine (metric tensors and a Gauss-Jordan inverse, where the
// engine works through reciprocal angles and cofactors), the one builder of
// jobs from known cells, scratch directories and hand-made reports; and the
// standard headers the tests use.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/TextIO.h"
#include "engine/Refinement.h"
#include "job/Job.h"

namespace lattrix_test {

using Mat = std::vector<std::vector<double>>;
constexpr double kPi = 3.14159265358979323846;
constexpr double kLambda = 1.5405981;  // Cu Ka1, the wavelength of every built job
inline double Rad(double deg) { return deg * kPi / 180.0; }
inline double Deg(double rad) { return rad * 180.0 / kPi; }

// Inverse by Gauss-Jordan elimination with partial pivoting.
inline Mat Inverse(Mat a) {
  const size_t n = a.size();
  Mat inv(n, std::vector<double>(n, 0.0));
  for (size_t i = 0; i < n; ++i) inv[i][i] = 1.0;
  for (size_t c = 0; c < n; ++c) {
    size_t p = c;
    for (size_t r = c + 1; r < n; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
    std::swap(a[p], a[c]);
    std::swap(inv[p], inv[c]);
    const double d = a[c][c];
    for (size_t k = 0; k < n; ++k) a[c][k] /= d, inv[c][k] /= d;
    for (size_t r = 0; r < n; ++r) {
      const double f = r == c ? 0.0 : a[r][c];
      for (size_t k = 0; k < n; ++k) a[r][k] -= f * a[c][k], inv[r][k] -= f * inv[c][k];
    }
  }
  return inv;
}

// Direct metric tensor of a cell (angles in degrees).
inline Mat DirectMetric(const double c[6]) {
  const double ca = std::cos(Rad(c[3])), cb = std::cos(Rad(c[4])), cg = std::cos(Rad(c[5]));
  return {{c[0] * c[0], c[0] * c[1] * cg, c[0] * c[2] * cb},
          {c[0] * c[1] * cg, c[1] * c[1], c[1] * c[2] * ca},
          {c[0] * c[2] * cb, c[1] * c[2] * ca, c[2] * c[2]}};
}

inline double Det3(const Mat& g) {
  return g[0][0] * (g[1][1] * g[2][2] - g[1][2] * g[2][1]) - g[0][1] * (g[1][0] * g[2][2] - g[1][2] * g[2][0]) +
         g[0][2] * (g[1][0] * g[2][1] - g[1][1] * g[2][0]);
}

inline double InverseDSquared(const double cell[6], int h, int k, int l) {
  const Mat g = Inverse(DirectMetric(cell));
  const double v[3] = {double(h), double(k), double(l)};
  double q = 0.0;
  for (int i = 0; i < 9; ++i) q += v[i / 3] * g[i / 3][i % 3] * v[i % 3];
  return q;
}

// Bragg's 2theta in degrees; negative beyond the wavelength's reach.
inline double TwoTheta(const double cell[6], int h, int k, int l, double lambda = kLambda) {
  const double s = lambda * std::sqrt(InverseDSquared(cell, h, k, l)) / 2.0;
  return s >= 1.0 ? -1.0 : 2.0 * Deg(std::asin(s));
}

// a, b, c, alpha, beta, gamma (degrees) and the volume of the cell whose
// reciprocal metric parameters are A..F.
inline void CellFromMetric(const double p[6], double out[7]) {
  const Mat g = Inverse({{p[0], p[5] / 2, p[4] / 2}, {p[5] / 2, p[1], p[3] / 2}, {p[4] / 2, p[3] / 2, p[2]}});
  for (int i = 0; i < 3; ++i) out[i] = std::sqrt(g[i][i]);
  out[3] = Deg(std::acos(g[1][2] / (out[1] * out[2])));
  out[4] = Deg(std::acos(g[0][2] / (out[0] * out[2])));
  out[5] = Deg(std::acos(g[0][1] / (out[0] * out[1])));
  out[6] = std::sqrt(Det3(g));
}

struct Crystal { int system; double cell[6]; };

// One crystal of each system, in the order of the system codes.
inline const Crystal kCrystals[7] = {
    {lattrix::kTriclinic, {7.11, 8.32, 9.24, 85.2, 95.7, 102.3}}, {lattrix::kMonoclinic, {5.1505, 5.2116, 5.3173, 90, 99.23, 90}},
    {lattrix::kOrthorhombic, {4.913, 5.842, 7.301, 90, 90, 90}},   {lattrix::kHexagonal, {4.9134, 4.9134, 5.4052, 90, 90, 120}},
    {lattrix::kRhombohedral, {5.128, 5.128, 5.128, 55.28, 55.28, 55.28}}, {lattrix::kTetragonal, {4.5937, 4.5937, 2.9587, 90, 90, 90}},
    {lattrix::kCubic, {5.6402, 5.6402, 5.6402, 90, 90, 90}}};

// The 'count' reflections of lowest 2theta between 10 and 150 degrees, one
// of each Friedel pair.
inline std::vector<std::array<int, 3>> LowestReflections(const double cell[6], int count) {
  std::vector<std::pair<double, std::array<int, 3>>> all;
  for (int h = -4; h <= 4; ++h)
    for (int k = -4; k <= 4; ++k)
      for (int l = -4; l <= 4; ++l) {
        const double t = TwoTheta(cell, h, k, l);
        if ((h != 0 ? h : k != 0 ? k : l) > 0 && t > 10.0 && t < 150.0) all.push_back({t, {h, k, l}});
      }
  std::sort(all.begin(), all.end());
  std::vector<std::array<int, 3>> out;
  for (int i = 0; i < count && i < static_cast<int>(all.size()); ++i) out.push_back(all[i].second);
  return out;
}

// How the built job's 2theta are observed: 'zero' is the amount to add to
// an observed 2theta, a sample displacement 'ssd' (mm) raises 2theta by
// 2 ssd cos(theta) / R radians, and 'misfit' (degrees) scales a fixed
// pseudo-random error per row.
struct Errors { double zero = 0.0, ssd = 0.0, misfit = 0.0; };

// A job of the crystal's 'count' lowest reflections, unit weights, no
// correction; the trial cell's lengths 0.3 % long and its free angles 0.2
// degree off, the equalities of the system kept.
inline lattrix::Job MakeJob(const Crystal& crystal, int count, const Errors& e = {}) {
  using namespace lattrix;
  Job job;
  InitialiseJob(job, "/tmp");
  job.m_strTitle = "built job";
  job.m_nCrystalSystem = crystal.system;
  for (int j = 0; j < 6; ++j) {
    const bool freeAngle = crystal.system == kTriclinic || crystal.system == kRhombohedral || (crystal.system == kMonoclinic && j == 4);
    job.m_dCell[j] = j < 3 ? crystal.cell[j] * 1.003 : crystal.cell[j] + (freeAngle ? 0.2 : 0.0);
  }
  const auto hkl = LowestReflections(crystal.cell, count);
  job.m_nReflections = static_cast<int>(hkl.size());
  for (int i = 0; i < job.m_nReflections; ++i) {
    const double t = TwoTheta(crystal.cell, hkl[i][0], hkl[i][1], hkl[i][2]);
    const double shift = Deg(2.0 * e.ssd * std::cos(Rad(t / 2.0)) / job.m_dGonioRadius);
    job.m_nH[i] = hkl[i][0], job.m_nK[i] = hkl[i][1], job.m_nL[i] = hkl[i][2];
    job.m_dTwoTheta[i] = job.m_dTwoThetaRaw[i] = t - e.zero + shift + e.misfit * std::sin(17.3 * i + 1.0);
    job.m_dWeight[i] = 1.0;
  }
  job.m_bInputLoaded = true;
  return job;
}

// An orthorhombic job of twelve exact Bragg angles of a = 4.9, b = 5.6,
// c = 7.3 A: it refines cleanly to that cell with any positive weights.
// Built once: the fuzz targets ask for it on every input.
inline lattrix::Job SmallValidJob(const std::string& reportPath) {
  static const lattrix::Job built = MakeJob({lattrix::kOrthorhombic, {4.9, 5.6, 7.3, 90, 90, 90}}, 12);
  lattrix::Job job = built;
  job.m_strReportPath = reportPath;
  return job;
}

// The refinement without a report, its warnings shown as the run step
// shows them.
inline lattrix::RefinementOutcome RefineInMemory(lattrix::Job& job, lattrix::MessageSink& sink) {
  lattrix::RefinementOutcome outcome = lattrix::RefineCell(job, sink);
  for (const std::string& warning : outcome.warnings) sink.Show(warning);
  return outcome;
}

// A fresh directory under /tmp, removed with its contents at the end.
class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/lattrix-test-XXXXXX";
    path_ = ::mkdtemp(pattern) ? pattern : "/tmp/lattrix-test-not-made";
  }
  ~ScratchDir() { std::error_code ignored; std::filesystem::remove_all(path_, ignored); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(File(name), std::ios::binary) << text;
    return File(name);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Runs 'write' with the file size limited to 'bytes': a write beyond it
// fails as on a full disk.
template <typename Write>
auto WithFileSizeLimit(rlim_t bytes, Write write) {
  struct rlimit saved;
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const struct rlimit small = {bytes, saved.rlim_max};
  void (*previous)(int) = ::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  auto result = write();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, previous);
  return result;
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A row of a hand-made report's list of d-spacings. RowAt gives a row at
// 2theta with the residuals chosen and the other columns consistent enough.
struct ReportRow {
  int h = 1, k = 0, l = 0;
  double org, obs, cor, cal, del, dobs, dcal, ddif, weight = 1.0;
};

inline ReportRow RowAt(double twoTheta, double del2th, double ddif = 0.0, double obs = -1.0) {
  const double dobs = kLambda / (2.0 * std::sin(Rad(twoTheta / 2.0))), observed = obs < 0.0 ? twoTheta : obs;
  return {1, 0, 0, twoTheta, observed, observed, twoTheta - del2th, del2th, dobs, dobs - ddif, ddif};
}

inline std::string ListRow(const ReportRow& r) {
  return lattrix::Format(" %4d%4d%4d%9.4lf%9.4lf%9.4lf%9.4lf%9.4lf%10.5lf%10.5lf%10.5lf%10.4lf\n", r.h, r.k, r.l,
                         r.org, r.obs, r.cor, r.cal, r.del, r.dobs, r.dcal, r.ddif, r.weight);
}

// A whole report in the report's layout around the given rows, with the
// sum and s.d. values as text.
inline std::string ReportText(const std::vector<ReportRow>& rows, const std::string& sum = " 0.012",
                              const std::string& sd = " 0.003") {
  std::string t = "Title : hand-made\n\nCrystal system : cubic\n\nInput Reflection Data\n    h   k   l  2thorg   weight\n";
  for (const ReportRow& r : rows) t += lattrix::Format(" %4d%4d%4d%8.3lf%10.5lf\n", r.h, r.k, r.l, r.org, r.weight);
  t += "\nRefined cell dimensions\n\nList of d-spacings\n------------------\n    h   k   l  2thorg   2thobs ...\n";
  for (const ReportRow& r : rows) t += ListRow(r);
  return t + "\nsum delta 2theta = " + sum + "\ns.d.delta 2theta = " + sd + "\n";
}

}  // namespace lattrix_test
