#include "results/ResultText.h"

#include <cmath>
#include <cstdlib>

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

int DecimalsOfSu(double su, int minDecimals) {
  constexpr int kMaxDecimals = 10;
  if (!std::isfinite(su) || !(su > 0.0)) return minDecimals;
  // printf rounds the s.d. to one significant digit; its exponent is the
  // place of that digit (9.6e-05 prints as "1e-04").
  const std::string rounded = Format("%.0e", su);
  const int exponent = std::atoi(rounded.c_str() + rounded.find('e') + 1);
  const int decimals = -exponent;
  return decimals < minDecimals ? minDecimals : (decimals > kMaxDecimals ? kMaxDecimals : decimals);
}

std::string FixedToSu(double value, double su, int width, int minDecimals) {
  return Format("%*.*f", width, DecimalsOfSu(su, minDecimals), value);
}

}  // namespace lattrix
