#include "report/ReportWriter.h"

#include <string>

#include "common/TextIO.h"

namespace lattrix {
namespace {

// Head, trial cell, weighting and the input reflections (count rows).
void AppendHead(std::string& text, const Job& job, int count) {
  text += "--------------------------------------------------------\n";
  text += " Unit Cell Refinement by Cohens Method of Least Squares\n";
  text += "--------------------------------------------------------\n\n";
  text += "Title : " + PrintableLine(job.m_strTitle) + "\n\n";
  text += Format("Refinement code : %s\n\n", CorrectionName(job.m_nCorrection));
  text += Format("Crystal system : %s\n", CrystalSystemName(job.m_nCrystalSystem));
  text += Format(" wavelength = %9.6lf A\n\n", job.m_dWavelength);
  text += "Trial cell dimensions\n";
  text += "---------------------\n";
  text += Format("    a     = %9.5lf A\n", job.m_dCell[0]);
  text += Format("    b     = %9.5lf A\n", job.m_dCell[1]);
  text += Format("    c     = %9.5lf A\n", job.m_dCell[2]);
  text += Format("    alpha = %7.3lf   deg\n", job.m_dCell[3]);
  text += Format("    beta  = %7.3lf   deg\n", job.m_dCell[4]);
  text += Format("    gamma = %7.3lf   deg\n\n", job.m_dCell[5]);
  text += Format("Weighting Mode : %s\n\n", WeightingName(job.m_nWeighting));
  text += kInputSectionTitle;
  text += "\n";
  text += "    h   k   l  2thorg   weight\n";
  // " %4d%4d%4d%8.3lf%10.5lf\n"
  for (int i = 0; i < count; ++i) {
    text += ' ';
    AppendInt(text, job.m_nH[i], 4);
    AppendInt(text, job.m_nK[i], 4);
    AppendInt(text, job.m_nL[i], 4);
    AppendFixed(text, job.m_dTwoThetaRaw[i], 8, 3);
    AppendFixed(text, job.m_dWeight[i], 10, 5);
    text += '\n';
  }
  text += "\n";
}

// Refined cell: values and standard deviations (angles in degrees), volume.
void AppendCell(std::string& text, const double cell[6], const double sigma[6], double volume,
                double volumeSigma) {
  text += "-----------------------\n";
  text += "Refined cell dimensions\n";
  text += "-----------------------\n";
  text += "             value       std.\n";
  text += Format("    a     = %9.5lf (%8.5lf) A\n", cell[0], sigma[0]);
  text += Format("    b     = %9.5lf (%8.5lf) A\n", cell[1], sigma[1]);
  text += Format("    c     = %9.5lf (%8.5lf) A\n", cell[2], sigma[2]);
  text += Format("    alpha = %7.3lf   (%6.3lf)   deg\n", cell[3], sigma[3]);
  text += Format("    beta  = %7.3lf   (%6.3lf)   deg\n", cell[4], sigma[4]);
  text += Format("    gamma = %7.3lf   (%6.3lf)   deg\n", cell[5], sigma[5]);
  text += Format("    volume=%8.3lf   (%6.3lf)   A3\n\n", volume, volumeSigma);
}

void AppendCorrections(std::string& text, double zero, double zeroSigma, double ssd, double ssdSigma,
                       double emu, double emuSigma) {
  text += "Correction parameters\n";
  text += "---------------------\n";
  text += "           value   std.\n";
  text += Format("   zero = %6.3lf (%6.3lf) deg\n", zero, zeroSigma);
  text += Format("   ssd  = %6.3lf (%6.3lf) deg\n", ssd, ssdSigma);
  text += Format("   emu  = %6.3lf (%6.3lf) deg\n\n", emu, emuSigma);
}

// The columns of a row of the list of d-spacings: h k l as "%4d", then
// " %9.4lf" five times, "%10.5lf" three times and "%10.4lf".
struct ListColumn {
  int width;
  int precision;  // -1: a whole number
};
constexpr ListColumn kListColumns[kListFields] = {{4, -1}, {4, -1}, {4, -1}, {9, 4},  {9, 4},  {9, 4},
                                                  {9, 4},  {9, 4},  {10, 5}, {10, 5}, {10, 5}, {10, 4}};

void AppendListColumn(std::string& text, const ReflectionResult& r, int column) {
  const double values[kListFields] = {0, 0, 0, r.twoThetaRaw, r.twoThetaObs, r.twoThetaCor, r.twoThetaCal,
                                      r.del2Theta, r.dObs, r.dCal, r.dDif, r.weight};
  const int indices[3] = {r.h, r.k, r.l};
  const ListColumn& c = kListColumns[column];
  if (c.precision < 0)
    AppendInt(text, indices[column], c.width);
  else
    AppendFixed(text, values[column], c.width, c.precision);
}

void AppendList(std::string& text, const std::vector<ReflectionResult>& rows, double sumDelta, double sdDelta) {
  text += kListSectionTitle;
  text += "\n";
  text += "------------------\n";
  text += "    h   k   l  2thorg   2thobs   2thcor   2thcal   del2th     dobs      dcal      d-dif    weight\n";
  for (const ReflectionResult& r : rows) {
    text += ' ';
    for (int column = 0; column < kListFields; ++column) AppendListColumn(text, r, column);
    text += '\n';
  }
  text += "\n";
  text += "sum delta 2theta = " + SumLineValue(sumDelta) + "\n";
  text += "s.d.delta 2theta = " + SumLineValue(sdDelta) + "\n";
}

}  // namespace

ListRowTexts ListRowFields(const ReflectionResult& row) {
  ListRowTexts fields;
  for (int column = 0; column < kListFields; ++column) {
    std::string text;
    AppendListColumn(text, row, column);
    fields[static_cast<size_t>(column)] = TrimmedText(text);
  }
  return fields;
}

std::string SumLineValue(double value) { return Format("%6.3lf", value); }

std::string ReportText(const Job& job, const RefinementOutcome& outcome) {
  std::string text;
  AppendHead(text, job, static_cast<int>(outcome.reflections.size()));
  AppendCell(text, job.m_dRefinedCell, job.m_dCellSigma, job.m_dVolume, job.m_dVolumeSigma);
  AppendCorrections(text, job.m_dZero, job.m_dZeroSigma, job.m_dDisp, job.m_dDispSigma, job.m_dEmu, job.m_dEmuSigma);
  AppendList(text, outcome.reflections, outcome.sumDelta, outcome.sdDelta);
  return text;
}

}  // namespace lattrix
