// The delta2(theta) and sin*delta weights read back from a previous report
// of arbitrary bytes, then a refinement of a small valid job with them.
#include <cmath>
#include <sstream>

#include "FuzzSupport.h"
#include "engine/Execute.h"
#include "engine/Refinement.h"

using namespace lattrix;
using lattrix_fuzz::Check;

namespace {

void RunScheme(const std::string& path, bool withSine) {
  lattrix_fuzz::QuietSink sink;
  Job job = lattrix_fuzz::SmallValidJob(path);
  job.m_nWeighting = withSine ? kSinDelta : kDelta2Theta;
  const Job before = job;
  if (withSine)
    ReadSinDeltaWeights(job, sink);
  else
    ReadDeltaWeights(job, sink);
  // Scaled to a largest weight of 1, or left at 1 after a message.
  double largest = 0.0;
  for (int i = 0; i < job.m_nReflections; ++i) {
    const double w = job.m_dWeight[i];
    Check(std::isfinite(w), "weight finite");
    Check(w >= 0.0 && w <= 1.0, "weight within 0..1");
    if (w > largest) largest = w;
  }
  Check(largest == 1.0, "largest weight is 1");
  for (int i = job.m_nReflections; i < kMaxReflections; ++i)
    Check(job.m_dWeight[i] == before.m_dWeight[i], "no weight written past the job's rows");

  std::ostringstream report;
  RefinementOutcome outcome = RefineCell(job, report, sink);
  Check(outcome.reflections.size() == static_cast<size_t>(job.m_nReflections),
        "one list row per reflection");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lattrix_fuzz::ScratchFile file("report_weights");
  const std::string& path = file.Write(data, size);
  RunScheme(path, false);
  RunScheme(path, true);
  return 0;
}
