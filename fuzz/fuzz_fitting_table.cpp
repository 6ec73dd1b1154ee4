// The fitting table from a report of arbitrary bytes (see RunFittingTable).
#include "FuzzPaths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lattrix_fuzz::ScratchFile file("fitting_table");
  lattrix_fuzz::Checker check;
  lattrix_fuzz::RunFittingTable(file.Write(data, size), size, check);
  lattrix_fuzz::StopOnFailure(check);
  return 0;
}
