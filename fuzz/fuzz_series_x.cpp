// The x file of a series of arbitrary bytes (see RunSeriesX).
#include "FuzzPaths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lattrix_fuzz::ScratchFile file("series_x");
  lattrix_fuzz::Checker check;
  lattrix_fuzz::RunSeriesX(file.Write(data, size), check);
  check.StopOnFailure();
  return 0;
}
