#include "report/ReportWriter.h"

#include <ostream>
#include <string>

#include "common/TextIO.h"

namespace lattrix {
namespace {

void Put(std::ostream& out, const std::string& text) { out.write(text.data(), static_cast<std::streamsize>(text.size())); }

}  // namespace

void WriteReportHead(std::ostream& out, const Job& job, int count) {
  std::string text;
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
  Put(out, text);
}

void WriteReportCell(std::ostream& out, const double cell[6], const double sigma[6], double volume,
                     double volumeSigma) {
  std::string text;
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
  Put(out, text);
}

void WriteReportCorrections(std::ostream& out, double zero, double zeroSigma, double ssd,
                            double ssdSigma, double emu, double emuSigma) {
  std::string text;
  text += "Correction parameters\n";
  text += "---------------------\n";
  text += "           value   std.\n";
  text += Format("   zero = %6.3lf (%6.3lf) deg\n", zero, zeroSigma);
  text += Format("   ssd  = %6.3lf (%6.3lf) deg\n", ssd, ssdSigma);
  text += Format("   emu  = %6.3lf (%6.3lf) deg\n\n", emu, emuSigma);
  Put(out, text);
}

void WriteReportList(std::ostream& out, const std::vector<ReflectionResult>& rows, double sumDelta,
                     double sdDelta) {
  std::string text;
  text += kListSectionTitle;
  text += "\n";
  text += "------------------\n";
  text += "    h   k   l  2thorg   2thobs   2thcor   2thcal   del2th     dobs      dcal      d-dif    weight\n";
  // " %4d%4d%4d%9.4lf%9.4lf%9.4lf%9.4lf%9.4lf%10.5lf%10.5lf%10.5lf%10.4lf\n"
  for (const ReflectionResult& r : rows) {
    text += ' ';
    AppendInt(text, r.h, 4);
    AppendInt(text, r.k, 4);
    AppendInt(text, r.l, 4);
    for (double v : {r.twoThetaRaw, r.twoThetaObs, r.twoThetaCor, r.twoThetaCal, r.del2Theta})
      AppendFixed(text, v, 9, 4);
    for (double v : {r.dObs, r.dCal, r.dDif}) AppendFixed(text, v, 10, 5);
    AppendFixed(text, r.weight, 10, 4);
    text += '\n';
  }
  text += "\n";
  text += Format("sum delta 2theta = %6.3lf\n", sumDelta);
  text += Format("s.d.delta 2theta = %6.3lf\n", sdDelta);
  Put(out, text);
}

}  // namespace lattrix
