#include "engine/Execute.h"

#include <cmath>

#include "common/TextIO.h"
#include "engine/CohenModel.h"
#include "report/ReportReader.h"

namespace lattrix {
namespace {

const char* const kZeroLargestWeight =
    "The largest weight is 0 !!!\n The weights are left as they were.";

int ClampedCount(const Job& job) {
  if (job.m_nReflections < 0) return 0;
  return job.m_nReflections > kMaxReflections ? kMaxReflections : job.m_nReflections;
}

// Scales the weights to a largest weight of 1 and stores them; a largest
// weight of 0 (or one that is not a number) leaves the job's weights alone.
void StoreScaledWeights(Job& job, const double* w, int count, MessageSink& sink) {
  if (count < 1) return;
  double m = w[0];
  for (int i = 1; i < count; ++i)
    if (w[i] >= m) m = w[i];
  if (!(m > 0.0) || !std::isfinite(m)) {
    sink.Show(kZeroLargestWeight);
    return;
  }
  for (int i = 0; i < count; ++i) job.m_dWeight[i] = w[i] / m;
}

// Weights from the del2th column of the previous report's list.
void ReadWeightsFromReport(Job& job, bool withSine, MessageSink& sink) {
  const Report report = ReadReport(job.m_strReportPath);
  if (report.status == ReportStatus::kNotOpen) {
    sink.Show(job.m_strReportPath + " file not found !!!");
    return;
  }
  if (!report.HasList()) {
    sink.Show("no list !!!");
    return;
  }
  const int count = ClampedCount(job);
  double w[kMaxReflections];
  // A row that cannot be parsed keeps the values of the row before.
  int h = 0, k = 0, l = 0;
  double org = 0.0, obs = 0.0, cor = 0.0, cal = 0.0, del2th = 0.0;
  for (int i = 0; i < count; ++i) {
    FieldScanner row(report.Row(i));
    row.Int(h) && row.Int(k) && row.Int(l) && row.Double(org) && row.Double(obs) &&
        row.Double(cor) && row.Double(cal) && row.Double(del2th);
    if (i == 0 && !row.ok()) {
      sink.Show("The first row of the previous list cannot be read !!!\n The weights are left as they were.");
      return;
    }
    if (withSine) {
      const double s = std::sin(0.5 * job.m_dTwoTheta[i] * kDegToRad);
      w[i] = s * s * del2th * del2th / 4.0;
    } else {
      w[i] = del2th * del2th / 4.0;
    }
  }
  StoreScaledWeights(job, w, count, sink);
}

}  // namespace

void ComputeSin2Weights(Job& job, MessageSink& sink) {
  const int count = ClampedCount(job);
  double w[kMaxReflections];
  for (int i = 0; i < count; ++i) {
    const double s = std::sin(0.5 * job.m_dTwoTheta[i] * kDegToRad);
    w[i] = s * s;
  }
  StoreScaledWeights(job, w, count, sink);
}

void ReadDeltaWeights(Job& job, MessageSink& sink) { ReadWeightsFromReport(job, false, sink); }

void ReadSinDeltaWeights(Job& job, MessageSink& sink) { ReadWeightsFromReport(job, true, sink); }

bool ExecuteRefinement(Job& job, MessageSink& sink, RefinementOutcome* outcome) {
  // Manual mode needs the known corrections of an input file.
  if (job.m_dEmu == 0.0 && job.m_nCorrection == kManual) {
    sink.Show("Manual correction mode not available !!!");
    job.m_bRefined = false;
    return false;
  }
  switch (job.m_nWeighting) {
    case kUnity:
      for (int i = 0; i < ClampedCount(job); ++i) job.m_dWeight[i] = 1.0;
      break;
    case kSin2Theta: ComputeSin2Weights(job, sink); break;
    case kDelta2Theta: ReadDeltaWeights(job, sink); break;
    case kSinDelta: ReadSinDeltaWeights(job, sink); break;
    default: break;
  }
  RefinementOutcome result = RefineCell(job, sink);
  if (outcome != nullptr) *outcome = std::move(result);
  job.m_bRefined = true;
  return true;
}

}  // namespace lattrix
