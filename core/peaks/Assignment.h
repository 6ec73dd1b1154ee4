// Assigning h k l to unindexed peaks from the trial cell: each peak takes
// the reflection of the cell nearest to it in 2theta, among those the
// lattice centring allows, within a tolerance.
#pragma once

#include <string>
#include <vector>

namespace lattrix {

// Lattice centrings and the reflections they allow: P all; A k + l even;
// B h + l even; C h + k even; I h + k + l even; F h, k, l all even or all
// odd; R (hexagonal setting, obverse) -h + k + l a multiple of 3.
bool CentringAllows(char centring, int h, int k, int l);
// One of "PABCIFR" (a lower-case letter counts too); false for another.
bool ParseCentring(const std::string& text, char& out);

struct AssignmentOptions {
  char centring = 'P';
  double tolerance = 0.05;   // degrees 2theta
};

struct Indices {
  int h = 0, k = 0, l = 0;
};

// One peak as the assignment sees it.
struct PeakPosition {
  int line = 0;              // where it stands in its list
  double twoTheta = 0.0;
  double esd = 0.0;
};

struct AssignedPeak {
  PeakPosition peak;
  Indices hkl;
  double calculated = 0.0;   // 2theta of the reflection for the trial cell
};

// A peak left out and why ("no reflection within 0.05 deg", "two
// reflections within 0.05 deg: (1 0 2) 39.48, (0 1 2) 39.52", "(1 0 0)
// taken by the nearer peak at 20.861").
struct LeftOutPeak {
  PeakPosition peak;
  std::string reason;
};

struct Assignment {
  std::vector<AssignedPeak> assigned;   // in the order of the peaks
  std::vector<LeftOutPeak> leftOut;
  // "25 peaks assigned, 2 left out", then one line per peak left out.
  std::string Summary() const;
};

// The reflections of the cell (a, b, c in Angstrom, angles in degrees) at
// the wavelength with 2theta up to maxTwoTheta, those of one d-spacing
// counted once, sorted by 2theta. The representative of reflections of one
// d has the fewest negative indices, then the largest (h, k, l).
struct CellReflection {
  Indices hkl;
  double twoTheta = 0.0;
};
std::vector<CellReflection> CellReflections(const double cell[6], double wavelength, double maxTwoTheta,
                                            char centring);

// Assigns h k l to each peak from the cell's reflections (CellReflections).
Assignment AssignIndices(const std::vector<PeakPosition>& peaks, const double cell[6], double wavelength,
                         const AssignmentOptions& options);

}  // namespace lattrix
