#include "calibration/Calibration.h"

#include <cmath>

#include "calibration/LeastSquares.h"
#include "common/TextIO.h"

namespace lattrix {
namespace {

// A straight line, over-determined by at least three silicon peaks.
constexpr int kLineCoefficients = 2;
constexpr int kMinSiliconPairs = 3;

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

}  // namespace

SiliconStandard SiliconStandardOf(const Job& job) {
  SiliconStandard silicon;
  const int references = Clamp(job.m_nSiStd, 0, kSiliconReflections);
  for (int i = 0; i < references; ++i) silicon.reference[i] = job.m_dSiTwoThetaStd[i];
  if (job.m_bInternalStd == 1) {
    silicon.observedRows = Clamp(job.m_nSiObs, 0, kSiliconReflections);
    for (int i = 0; i < silicon.observedRows; ++i) silicon.observed[i] = job.m_dSiTwoThetaObs[i];
  }
  return silicon;
}

bool FitCalibrationLine(const SiliconStandard& silicon, CalibrationLine& line, MessageSink& sink) {
  const int pairs = silicon.observedRows;
  if (pairs < 1) {
    sink.Show("Input 2theta value\n in internal calibration list !!!");
    return false;
  }
  for (int k = 0; k < pairs; ++k) {
    if (const char* problem = UnphysicalTwoTheta(silicon.observed[k])) {
      sink.Show(Format("2th-obs of row %d (%.10g) %s !!!", k + 1, silicon.observed[k], problem));
      return false;
    }
  }
  if (pairs < kMinSiliconPairs) {
    sink.Show("Too small numbers of internal reflections !!!\n  (More than 3 reflections.)");
    return false;
  }

  double c[kLineCoefficients] = {0.0, 0.0};
  std::string message;
  if (FitPolynomial(pairs, kLineCoefficients, silicon.observed, silicon.reference, c, message) != kFitOk) {
    sink.Show(message);
    return false;
  }
  // Observed values so large that their squares overflow leave the normal
  // equations without a usable pivot: the line is not a number.
  if (!std::isfinite(c[0]) || !std::isfinite(c[1])) {
    sink.Show("Lost of rank !");
    return false;
  }
  line.c1 = c[0];
  line.c2 = c[1];
  return true;
}

bool CalibrateTwoTheta(Job& job, const SiliconStandard& silicon, MessageSink& sink) {
  CalibrationLine line;
  if (!FitCalibrationLine(silicon, line, sink)) return false;
  const double c[kLineCoefficients] = {line.c1, line.c2};

  const int reflections = job.m_nReflections;
  double calibrated[kMaxReflections];
  for (int i = 0; i < reflections; ++i) {
    // Mapped from the row's observation afresh, so runs never compound.
    const double source = job.m_dTwoThetaRaw[i];
    double s = 0.0;
    for (int j = 0; j < kLineCoefficients; ++j) s += std::pow(source, static_cast<double>(j)) * c[j];
    // A steep line on a far-off 2theta can overflow, or carry it past what a
    // diffractometer measures: nothing is changed.
    if (!std::isfinite(s)) {
      sink.Show(Format("2theta of row %d cannot be calibrated !!!", i + 1));
      return false;
    }
    if (const char* problem = UnphysicalTwoTheta(s)) {
      sink.Show(Format("2theta of row %d calibrated (%.10g) %s !!!", i + 1, s, problem));
      return false;
    }
    calibrated[i] = s;
  }
  for (int i = 0; i < reflections; ++i) job.m_dTwoTheta[i] = calibrated[i];
  return true;
}

}  // namespace lattrix
