#include "results/ResultText.h"

#include "common/TextIO.h"
#include "diagnostics/Diagnostics.h"
#include "results/CifWriter.h"

namespace lattrix {

std::string ResultLines(const Job& job) {
  std::string text;
  for (int j = 0; j < 6; ++j) {
    text += Format("%s = %s %s\n", CellConstantName(j),
                   ValueWithSu(job.m_dRefinedCell[j], CellConstantSu(job, j)).c_str(), j < 3 ? "A" : "deg");
  }
  text += "volume = " + ValueWithSu(job.m_dVolume, job.m_dVolumeSigma) + " A3\n";
  text += "zero = " + ValueWithSu(job.m_dZero, job.m_dZeroSigma) + " deg\n";
  text += "ssd = " + ValueWithSu(job.m_dDisp, job.m_dDispSigma) + " mm\n";
  text += "emu = " + ValueWithSu(job.m_dEmu, job.m_dEmuSigma) + "\n";
  return text;
}

}  // namespace lattrix
