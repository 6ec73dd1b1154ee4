// The weights read back from a previous report of arbitrary bytes (see
// RunReportWeights).
#include "FuzzPaths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lattrix_fuzz::ScratchFile file("report_weights");
  lattrix_fuzz::Checker check;
  lattrix_fuzz::RunReportWeights(file.Write(data, size), check);
  lattrix_fuzz::StopOnFailure(check);
  return 0;
}
