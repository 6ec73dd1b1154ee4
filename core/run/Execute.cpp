#include "run/Execute.h"

#include <cmath>

#include "common/TextIO.h"
#include "engine/CohenModel.h"
#include "report/ReportReader.h"

namespace lattrix {
namespace {

const char* const kZeroLargestWeight =
    "The largest weight is 0 !!!\n The weights are left as they were.";
const char* const kNoPreviousReport =
    "No report is kept in this run, so there are no previous misfits to weight by !!!\n"
    " Nothing is refined: keep a report (a series: --report-dir) and run with unity or sin2 weighting first.";
const char* const kRunUnityFirst =
    "\n Nothing is refined: run with unity or sin2 weighting first; its report holds the misfits to weight by.";

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

// The previous report's misfits belong to the job only when its rows carry
// the job's h k l in the same order, over the rows both have: the report's
// rows end at the first line without h k l (a reflection added after the
// last run then takes the last row's misfit).
bool ReportBelongsToJob(const Job& job, const Report& report, MessageSink& sink) {
  for (int i = 0; i < job.m_nReflections; ++i) {
    ReportRowNumbers row;
    if (!report.Indices(i, row)) break;
    if (row.h == job.m_nH[i] && row.k == job.m_nK[i] && row.l == job.m_nL[i]) continue;
    sink.Show(PrintableText(job.m_strReportPath, 200) +
              Format(" belongs to another reflection list: its row %d is not (%d %d %d) !!!\n"
                     " No weights are taken from it and nothing is refined.",
                     i + 1, job.m_nH[i], job.m_nK[i], job.m_nL[i]));
    return false;
  }
  return true;
}

// Weights from the del2th column of the previous report's list. False when
// there is no report or it belongs to another job: the run must not go on,
// or the file's weights would be used under a delta label.
bool ReadWeightsFromReport(Job& job, bool withSine, MessageSink& sink) {
  const Report report = ReadReport(job.m_strReportPath);
  if (report.status == ReportStatus::kNotOpen) {
    sink.Show(PrintableText(job.m_strReportPath, 200) + " file not found !!!\n" + report.reason + kRunUnityFirst);
    return false;
  }
  if (!report.HasList()) {
    sink.Show("no list !!!");
    return true;
  }
  if (!ReportBelongsToJob(job, report, sink)) return false;
  const int count = job.m_nReflections;
  double w[kMaxReflections];
  // A row that cannot be read keeps the values of the row before.
  ReportRowNumbers row;
  for (int i = 0; i < count; ++i) {
    const bool read = report.Numbers(i, row);
    const double del2th = row.del2Theta;
    if (i == 0 && !read) {
      sink.Show("The first row of the previous list cannot be read !!!\n The weights are left as they were.");
      return true;
    }
    if (withSine) {
      const double s = std::sin(0.5 * job.m_dTwoTheta[i] * kDegToRad);
      w[i] = s * s * del2th * del2th / 4.0;
    } else {
      w[i] = del2th * del2th / 4.0;
    }
  }
  StoreScaledWeights(job, w, count, sink);
  return true;
}

}  // namespace

void ComputeSin2Weights(Job& job, MessageSink& sink) {
  const int count = job.m_nReflections;
  double w[kMaxReflections];
  for (int i = 0; i < count; ++i) {
    const double s = std::sin(0.5 * job.m_dTwoTheta[i] * kDegToRad);
    w[i] = s * s;
  }
  StoreScaledWeights(job, w, count, sink);
}

bool ComputeEsdWeights(Job& job, MessageSink& sink) {
  const int count = job.m_nReflections;
  std::string missing;
  for (int i = 0; i < count; ++i)
    if (!(job.m_dEsd[i] > 0.0) || !std::isfinite(job.m_dEsd[i])) missing += Format("%s%d", missing.empty() ? "" : ", ", i + 1);
  if (!missing.empty()) {
    sink.Show("The esd weighting needs an esd for every reflection !!!\n Rows without one: " + missing + ".");
    return false;
  }
  // 1/d^2 = 4 sin^2(theta) / lambda^2, so s(1/d^2) = 2 sin(2theta) s(2theta) / lambda^2
  // with s(2theta) in radians; the row is weighted by 1 / s(1/d^2), which
  // the normal equations square into the inverse variance.
  double w[kMaxReflections];
  const double lambda2 = job.m_dWavelength * job.m_dWavelength;
  for (int i = 0; i < count; ++i) {
    const double sigmaQ = 2.0 * std::sin(job.m_dTwoTheta[i] * kDegToRad) * (job.m_dEsd[i] * kDegToRad) / lambda2;
    w[i] = 1.0 / sigmaQ;
  }
  StoreScaledWeights(job, w, count, sink);
  return true;
}

bool ReadDeltaWeights(Job& job, MessageSink& sink) { return ReadWeightsFromReport(job, false, sink); }

bool ReadSinDeltaWeights(Job& job, MessageSink& sink) { return ReadWeightsFromReport(job, true, sink); }

bool ExecuteRefinement(Job& job, MessageSink& sink, RefinementOutcome* outcome, ReportTarget target) {
  // Manual mode needs the known corrections of an input file.
  if (job.m_dEmu == 0.0 && job.m_nCorrection == kManual) {
    sink.Show("Manual correction mode not available !!!\n Manual mode applies the known corrections zero, ssd and emu of the job: emu must not be 0.");
    job.m_bRefined = false;
    return false;
  }
  bool weighted = true;
  switch (job.m_nWeighting) {
    case kUnity:
      for (int i = 0; i < job.m_nReflections; ++i) job.m_dWeight[i] = 1.0;
      break;
    case kSin2Theta: ComputeSin2Weights(job, sink); break;
    case kEsd: weighted = ComputeEsdWeights(job, sink); break;
    case kDelta2Theta:
    case kSinDelta:
      if (target == ReportTarget::kNone) {
        sink.Show(kNoPreviousReport);
        weighted = false;
      } else {
        weighted = job.m_nWeighting == kDelta2Theta ? ReadDeltaWeights(job, sink) : ReadSinDeltaWeights(job, sink);
      }
      break;
    default: break;
  }
  if (!weighted) return false;
  RefinementOutcome result = RefineCell(job, sink);
  if (!result.refined) return false;
  job.m_bRefined = !result.undefined;
  if (outcome != nullptr) *outcome = std::move(result);
  return true;
}

}  // namespace lattrix
