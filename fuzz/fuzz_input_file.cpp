// The job file reader on arbitrary bytes, followed by what the program does
// with a file it has read: the form's silicon texts, the calibration when
// the file carries silicon values, a refinement, and a save and read back.
#include <cmath>
#include <sstream>

#include "FuzzSupport.h"
#include "calibration/Calibration.h"
#include "common/TextIO.h"
#include "engine/Refinement.h"
#include "job/InputFile.h"

using namespace lattrix;
using lattrix_fuzz::Check;

namespace {

// True when each field of the saved row begins with a blank.
bool RowFieldsSeparate(const Job& job, int i) {
  const std::string fields[] = {Format("%5d", job.m_nH[i]), Format("%5d", job.m_nK[i]),
                                Format("%5d", job.m_nL[i]), Format("%10.5lf", job.m_dTwoTheta[i])};
  for (const std::string& field : fields)
    if (field.empty() || field[0] != ' ') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lattrix_fuzz::ScratchFile file("input_file");
  static lattrix_fuzz::ScratchFile saved("input_file-saved");
  lattrix_fuzz::QuietSink sink;

  Job job;
  InitialiseJob(job, "/tmp");
  job.m_strInputPath = file.Write(data, size);
  const bool read = ReadInputFile(job, sink);
  // Whatever the file says, the counts stay within the arrays.
  Check(job.m_nReflections >= 0 && job.m_nReflections <= kMaxReflections, "reflection count");
  Check(job.m_nSiObs <= kSiliconReflections, "silicon count");
  if (!read) {
    Check(sink.shown == 1, "a refused file shows one message");
    return 0;
  }
  Check(sink.shown <= 1, "at most one message for an accepted file");
  Check(job.m_nCrystalSystem >= kTriclinic && job.m_nCrystalSystem <= kCubic,
        "crystal system of an accepted file");
  Check(job.m_bInputLoaded && !job.m_bRefined, "flags after a read");
  Check(job.m_nCorrection == kNoCorrection && job.m_nWeighting == kUnity,
        "modes after a read");
  for (int i = 0; i < job.m_nReflections; ++i)
    Check(std::isfinite(job.m_dTwoTheta[i]) && std::isfinite(job.m_dWeight[i]),
          "reflection values finite");

  const SiliconListTexts silicon = SiliconTextsFromJob(job);
  if (job.m_bInternalStd == 1) {
    CalibrateTwoTheta(job, silicon, sink);
  }

  // The refinement of whatever the file held, the way the batch command
  // runs it, and once more with both instrument corrections refined.
  std::ostringstream report;
  RefinementOutcome outcome = RefineCell(job, report, sink);
  Check(outcome.reflections.size() == static_cast<size_t>(job.m_nReflections),
        "one list row per reflection");
  job.m_nCorrection = kZeroAndDisplacement;
  std::ostringstream report5;
  RefineCell(job, report5, sink);
  job.m_nCorrection = kNoCorrection;

  // A job the program read must save and read back. The fixed-width fields
  // of a reflection row run together when a value fills its width (an index
  // of five characters, a 2theta of 10000 or more), and such a row cannot
  // read back as it was; the indices are compared only for rows whose
  // fields keep a blank between them.
  job.m_strInputPath = saved.path();
  Check(WriteInputFile(job, sink), "the job saves");
  Job again;
  InitialiseJob(again, "/tmp");
  again.m_strInputPath = saved.path();
  Check(ReadInputFile(again, sink), "the saved job reads back");
  Check(again.m_nReflections == job.m_nReflections, "saved reflection count");
  Check(again.m_nCrystalSystem == job.m_nCrystalSystem, "saved crystal system");
  for (int i = 0; i < job.m_nReflections; ++i) {
    if (!RowFieldsSeparate(job, i)) continue;
    Check(again.m_nH[i] == job.m_nH[i] && again.m_nK[i] == job.m_nK[i] &&
              again.m_nL[i] == job.m_nL[i],
          "saved indices");
  }
  return 0;
}
