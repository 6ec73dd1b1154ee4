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

std::string NotANumber(const char* column, int row) {
  return Format("%s of row %d is not a number !!!", column, row);
}

}  // namespace

SiliconListTexts SiliconTextsFromJob(const Job& job) {
  SiliconListTexts texts;
  const int references = Clamp(job.m_nSiStd, 0, kSiliconReflections);
  for (int i = 0; i < references; ++i) texts[i].reference = Format("%10.6lf", job.m_dSiTwoThetaStd[i]);
  if (job.m_bInternalStd == 1) {
    const int observed = Clamp(job.m_nSiObs, 0, kSiliconReflections);
    for (int i = 0; i < observed; ++i) texts[i].observed = Format("%8.4lf", job.m_dSiTwoThetaObs[i]);
  }
  return texts;
}

bool FitCalibrationLine(const SiliconListTexts& texts, CalibrationLine& line, MessageSink& sink) {
  double c[kLineCoefficients] = {0.0, 0.0};
  if (texts[0].observed.empty()) {
    sink.Show("Input 2theta value\n in internal calibration list !!!");
    return false;
  }

  // Pairs (observed, reference) down to the first row without an observed
  // value; the rows below it take no part even when filled.
  double observed[kSiliconReflections];
  double reference[kSiliconReflections];
  int pairs = 0;
  for (int k = 0; k < kSiliconReflections; ++k) {
    const SiliconRowTexts& row = texts[k];
    if (row.observed.empty()) break;
    if (!ParseNumberText(row.reference, reference[k])) {
      sink.Show(NotANumber("2th-cal", k + 1));
      return false;
    }
    if (!ParseNumberText(row.observed, observed[k])) {
      sink.Show(NotANumber("2th-obs", k + 1));
      return false;
    }
    ++pairs;
  }
  if (pairs < kMinSiliconPairs) {
    sink.Show("Too small numbers of internal reflections !!!\n  (More than 3 reflections.)");
    return false;
  }

  std::string message;
  if (FitPolynomial(pairs, kLineCoefficients, observed, reference, c, message) != kFitOk) {
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

bool CalibrateTwoTheta(Job& job, const SiliconListTexts& texts, MessageSink& sink) {
  CalibrationLine line;
  if (!FitCalibrationLine(texts, line, sink)) return false;
  const double c[kLineCoefficients] = {line.c1, line.c2};

  const int reflections = Clamp(job.m_nReflections, 0, kMaxReflections);
  double calibrated[kMaxReflections];
  for (int i = 0; i < reflections; ++i) {
    // Mapped from the row's observation afresh, so runs never compound.
    const double source = job.m_dTwoThetaRaw[i];
    double s = 0.0;
    for (int j = 0; j < kLineCoefficients; ++j) s += std::pow(source, static_cast<double>(j)) * c[j];
    // A steep line on a far-off 2theta can overflow: nothing is changed.
    if (!std::isfinite(s)) {
      sink.Show(Format("2theta of row %d cannot be calibrated !!!", i + 1));
      return false;
    }
    calibrated[i] = s;
  }
  for (int i = 0; i < reflections; ++i) job.m_dTwoTheta[i] = calibrated[i];
  return true;
}

}  // namespace lattrix
