// The report's readers on arbitrary bytes: the weight read-back, the
// fitting map (see RunReport).
#include "FuzzPaths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lattrix_fuzz::ScratchFile file("report");
  lattrix_fuzz::Checker check;
  lattrix_fuzz::RunReport(file.Write(data, size), check);
  check.StopOnFailure();
  return 0;
}
