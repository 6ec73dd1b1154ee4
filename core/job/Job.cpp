#include "job/Job.h"

namespace lattrix {
namespace {

// Silicon reference reflections (h, k, l, 2theta for Cu Ka1). 5 1 1 and 3 3 3
// share one d-spacing and so one 2theta.
struct SiliconReference {
  int h, k, l;
  double twoTheta;
};
constexpr SiliconReference kSilicon[kSiliconReflections] = {
    {1, 1, 1, 28.440496}, {2, 2, 0, 47.299519}, {3, 1, 1, 56.118434},
    {4, 0, 0, 69.124918}, {3, 3, 1, 76.37042},  {4, 2, 2, 88.023045},
    {5, 1, 1, 94.944474}, {3, 3, 3, 94.944474}, {4, 4, 0, 106.698571},
    {5, 3, 1, 114.080794}, {6, 2, 0, 127.52957}, {5, 3, 3, 136.874541},
};

}  // namespace

Job::Job() { ResetJob(*this); }

void ResetJob(Job& job) {
  job.m_bRefined = false;
  job.m_bInputLoaded = false;
  job.m_strTitle.clear();
  job.m_nWeighting = kUnity;
  job.m_nCorrection = kNoCorrection;
  job.m_nCrystalSystem = kTriclinic;
  job.m_bInternalStd = 0;
  job.m_nSiObs = 0;
  job.m_nReflections = 0;
  for (int i = 0; i < kMaxReflections; ++i) {
    job.m_nH[i] = job.m_nK[i] = job.m_nL[i] = 0;
    job.m_dTwoTheta[i] = 0.0;
    job.m_dWeight[i] = 1.0;
    job.m_dEsd[i] = 0.0;
  }
  for (int i = 0; i < kSiliconCapacity; ++i) {
    job.m_nSiH[i] = job.m_nSiK[i] = job.m_nSiL[i] = 0;
    job.m_dSiTwoThetaStd[i] = 0.0;
  }
  for (int j = 0; j < 6; ++j) {
    job.m_dCell[j] = 0.0;
    job.m_dRefinedCell[j] = 0.0;
    job.m_dCellSigma[j] = 0.0;
  }
  job.m_dZero = job.m_dDisp = job.m_dEmu = 0.0;
  job.m_dZeroSigma = job.m_dDispSigma = job.m_dEmuSigma = 0.0;
  job.m_nSiStd = kSiliconReflections;
  for (int i = 0; i < kSiliconReflections; ++i) {
    job.m_nSiH[i] = kSilicon[i].h;
    job.m_nSiK[i] = kSilicon[i].k;
    job.m_nSiL[i] = kSilicon[i].l;
    job.m_dSiTwoThetaStd[i] = kSilicon[i].twoTheta;
  }
}

std::string ReportPathFor(const std::string& workDir) {
  if (workDir.empty()) return "Lattrix.out";
  if (workDir.back() == '/') return workDir + "Lattrix.out";
  return workDir + "/Lattrix.out";
}

void InitialiseJob(Job& job, const std::string& workDir) {
  job.m_dWavelength = kDefaultWavelength;
  job.m_dGonioRadius = kDefaultGonioRadius;
  ResetJob(job);
  job.m_strWorkDir = workDir;
  job.m_strReportPath = ReportPathFor(workDir);
}

const char* CellConstantName(int j) {
  static const char* const names[] = {"a", "b", "c", "alpha", "beta", "gamma"};
  return j >= 0 && j < 6 ? names[j] : "";
}

const char* UnphysicalTwoTheta(double twoTheta) {
  return twoTheta > 0.0 && twoTheta < 180.0 ? nullptr : "is not between 0 and 180 degrees";
}

const char* UnphysicalCellConstant(int j, double value) {
  if (j < 3) return value > 0.0 ? nullptr : "is not a positive length";
  return UnphysicalTwoTheta(value);
}

const char* CrystalSystemName(int code) {
  static const char* const names[] = {"triclinic",    "monoclinic", "orthorhombic", "hexagonal",
                                      "rhombohedral", "tetragonal", "cubic"};
  return code >= 1 && code <= 7 ? names[code - 1] : "";
}

const char* CrystalSystemLabel(int code) {
  static const char* const names[] = {"Triclinic",    "Monoclinic", "Orthorhombic", "Hexagonal",
                                      "Rhombohedral", "Tetragonal", "Cubic"};
  return code >= 1 && code <= 7 ? names[code - 1] : "";
}

const char* CorrectionName(int code) {
  static const char* const names[] = {
      "correct twotheta values for known zero error, etc", "no instrumental correction",
      "zero offset correction", "sample displacement correction",
      "zero offset & sample displacement corrections"};
  return code >= 1 && code <= 5 ? names[code - 1] : "";
}

const char* WeightingName(int code) {
  static const char* const names[] = {"unity", "sin2(theta)", "delta2(theta)",
                                      "sin2(theta)*delta2(theta)", "esd"};
  return code >= 0 && code <= kEsd ? names[code] : "";
}

}  // namespace lattrix
