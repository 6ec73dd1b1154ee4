// The job file reader on arbitrary bytes (see RunInputFile).
#include "FuzzPaths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lattrix_fuzz::ScratchFile file("input_file"), saved("input_file-saved");
  lattrix_fuzz::Checker check;
  lattrix_fuzz::RunInputFile(file.Write(data, size), saved.path(), check);
  check.StopOnFailure();
  return 0;
}
