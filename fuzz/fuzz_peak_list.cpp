// A peak list of arbitrary bytes (see RunPeakList).
#include "FuzzPaths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lattrix_fuzz::ScratchFile file("peak_list");
  lattrix_fuzz::Checker check;
  lattrix_fuzz::RunPeakList(file.Write(data, size), check);
  check.StopOnFailure();
  return 0;
}
