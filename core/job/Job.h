// The refinement job: every datum of the one job the program works on, and
// the results of its last refinement.
#pragma once

#include <string>

namespace lattrix {

constexpr int kMaxReflections = 50;        // rows of the Reflection List
constexpr int kSiliconReflections = 12;    // silicon reference reflections used
constexpr int kSiliconCapacity = 50;       // room in the silicon reference arrays

// Crystal systems, in the order of the crystal-system combo box.
enum CrystalSystem {
  kTriclinic = 1,
  kMonoclinic = 2,
  kOrthorhombic = 3,
  kHexagonal = 4,
  kRhombohedral = 5,
  kTetragonal = 6,
  kCubic = 7,
};

// Correction modes, in the order of the correction radio buttons.
enum CorrectionMode {
  kManual = 1,
  kNoCorrection = 2,
  kZero = 3,
  kDisplacement = 4,
  kZeroAndDisplacement = 5,
};

// Weighting schemes, in the order of the weighting check boxes.
enum WeightingMode {
  kUnity = 0,
  kSin2Theta = 1,
  kDelta2Theta = 2,
  kSinDelta = 3,
  // The inverse variance of each reflection's 1/d^2 from the esd of its
  // measured position (m_dEsd).
  kEsd = 4,
};

// Instrument defaults of a new program (Cu Ka1, a common goniometer radius).
constexpr double kDefaultWavelength = 1.5405981;
constexpr double kDefaultGonioRadius = 185.0;

struct Job {
  int m_nReflections = 0;
  int m_nWeighting = kUnity;
  double m_dTwoTheta[kMaxReflections] = {};
  // The observed 2theta of each row: as read from the input file, or as the
  // user typed it (see job/JobRows.h). m_dTwoTheta is the value refined,
  // the same after any calibration.
  double m_dTwoThetaRaw[kMaxReflections] = {};
  double m_dWeight[kMaxReflections] = {};
  // The esd of each row's observed 2theta in degrees, from a peak list or
  // the sixth number of a job file's reflection line; 0: none given.
  double m_dEsd[kMaxReflections] = {};
  std::string m_strReportPath;
  bool m_bRefined = false;
  bool m_bInputLoaded = false;
  std::string m_strInputPath;
  std::string m_strTitle;
  std::string m_strWorkDir;
  int m_nCorrection = kNoCorrection;
  int m_nCrystalSystem = kTriclinic;
  int m_bInternalStd = 0;   // 1: 2theta is calibrated against the silicon standard; else 0
  int m_nH[kMaxReflections] = {};
  int m_nK[kMaxReflections] = {};
  int m_nL[kMaxReflections] = {};
  double m_dCell[6] = {};
  double m_dWavelength = kDefaultWavelength;
  double m_dGonioRadius = kDefaultGonioRadius;
  int m_nSiStd = kSiliconReflections;
  int m_nSiH[kSiliconCapacity] = {};
  int m_nSiK[kSiliconCapacity] = {};
  int m_nSiL[kSiliconCapacity] = {};
  double m_dSiTwoThetaStd[kSiliconCapacity] = {};
  double m_dRefinedCell[6] = {};
  double m_dCellSigma[6] = {};
  double m_dZero = 0.0;
  double m_dDisp = 0.0;
  double m_dZeroSigma = 0.0;
  double m_dDispSigma = 0.0;
  double m_dEmu = 0.0;
  double m_dEmuSigma = 0.0;
  double m_dVolume = 0.0;
  double m_dVolumeSigma = 0.0;
  int m_nSiObs = 0;
  double m_dSiTwoThetaObs[kSiliconReflections] = {};

  Job();
};

// Sets the defaults of a new job. Leaves the paths, the instrument, the raw
// 2theta values, the observed silicon values and the volume untouched.
void ResetJob(Job& job);

// Sets up a job as the program does at start-up: instrument defaults, the
// job defaults, and the report path in the given working directory.
void InitialiseJob(Job& job, const std::string& workDir);

// The report file's full path for a working directory.
std::string ReportPathFor(const std::string& workDir);

// Short names of the six cell constants: "a", "b", "c", "alpha", "beta", "gamma".
const char* CellConstantName(int j);

// Values that no crystal and no diffractometer give: 2theta outside
// (0, 180) degrees, a cell length (j = 0..2) that is not positive, a cell
// angle (j = 3..5) outside (0, 180) degrees. Null when the value can be
// physical, else what is wrong with it ("is not between 0 and 180
// degrees", "is not a positive length").
const char* UnphysicalTwoTheta(double twoTheta);
const char* UnphysicalCellConstant(int j, double value);

// Names used in the report and on the form.
const char* CrystalSystemName(int code);      // "triclinic" ... ; "" outside 1..7
const char* CrystalSystemLabel(int code);     // "Triclinic" ... (combo box)
const char* CorrectionName(int code);         // report head; "" outside 1..5
const char* WeightingName(int code);          // report head; "" outside 0..4

}  // namespace lattrix
