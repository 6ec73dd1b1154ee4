// The fitting map from a report of arbitrary bytes (see RunFittingMap).
#include "FuzzPaths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lattrix_fuzz::ScratchFile file("fitting_map");
  lattrix_fuzz::Checker check;
  lattrix_fuzz::RunFittingMap(file.Write(data, size), check);
  lattrix_fuzz::StopOnFailure(check);
  return 0;
}
