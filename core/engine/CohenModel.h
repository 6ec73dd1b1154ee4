// The pieces of Cohen's least-squares model: the reciprocal metric, the
// design functions of the crystal systems and correction modes, the 9 x 9
// normal matrix, its inverse by cofactors, and the propagation of the
// covariance to the direct cell.
//
// Nine parameter slots, always in this order: A = a*^2, B = b*^2, C = c*^2,
// D = 2 b* c* cos(alpha*), E = 2 c* a* cos(beta*), F = 2 a* b* cos(gamma*),
// Z (zero offset), S (sample displacement), T (unused third correction).
#pragma once

#include <array>

#include "job/Job.h"

namespace lattrix {

constexpr int kSlots = 9;
using Matrix9 = std::array<std::array<double, kSlots>, kSlots>;

// Degrees to radians, used in both directions (multiply or divide).
constexpr double kDegToRad = 0.0174532925;
// The residual column is scaled up by this before it enters the normal
// equations, and the solution scaled down again.
constexpr double kResidualScale = 100000.0;
// From a coefficient in sin^2(theta) units to degrees of 2theta.
constexpr double kDeg = 2.0 / kDegToRad;

// Direct <-> reciprocal cell. cell: a, b, c and the angles in radians.
// recip: the three reciprocal lengths and the cosines of the reciprocal
// angles. volume: the volume of the given cell; inverseVolume: its inverse,
// which is the volume of the other cell; factor: the volume of the unit
// parallelepiped with the given angles.
void ReciprocalCell(const double cell[6], double recip[6], double& volume, double& inverseVolume,
                    double& factor);

// The reciprocal metric A..F of a trial cell (a, b, c in Angstrom, angles in
// degrees) in P[0..5]; the correction slots P[6..8] are 0.
void TrialMetric(const double cell[6], double P[kSlots]);

// Value of the correction function of a reflection at Bragg angle theta
// (radians): kind 1 is the zero offset (sin 2theta), kinds 2 and 4 the sample
// displacement (cos theta sin 2theta).
double CorrectionTerm(double theta, int kind);

// 0 -> 1 -> 2 -> 0: walks the cyclic triples of cell axes.
int NextCyclic(int index);

// The cofactors of an n x n matrix, but only those of the upper
// triangle of its leading block x block part; every other element is 0.
// A symmetric normal matrix needs no more.
void CofactorUpperBlock(const Matrix9& matrix, Matrix9& out, int n, int block);
// The same cofactors of a 9 x 9 matrix whose slots outside `refinedSlots`
// (one bit per slot) are rows and columns of the identity, eliminated over
// the refined slots of the leading block only. False, leaving out
// untouched, where that might differ from CofactorUpperBlock(matrix, out,
// kSlots, block) in any bit.
bool CofactorsOfRefined(const Matrix9& matrix, unsigned refinedSlots, int block, Matrix9& out);

// The direct cell of a refined reciprocal metric Pr (A..F). direct: a, b, c
// and the cosines of the angles; cell: a, b, c and the angles in degrees;
// V: the volume. A hexagonal cell keeps gamma* from the trial gamma
// (radians) and alpha = beta = 90 exactly.
void DirectCellFromMetric(const double Pr[6], int system, double trialGammaRad, double direct[6],
                          double cell[6], double& V);

// Copies the increments of the refined slots to the slots tied to them.
void TieParameters(int system, double x[kSlots]);

// The design row of a reflection in columns 0..8: indices for the cell slots
// of the crystal system, correction functions of the mode at theta (radians).
void DesignRow(int h, int k, int l, double theta, int system, int correction, double row[kSlots]);

// Standard deviations of a, b, c, alpha, beta, gamma (slots 0..5, angles in
// radians), of the corrections (slots 6..8) and of the volume (slot 9) from
// the cofactors K of the normal matrix scaled by 'scale'. direct: a, b, c and
// the cosines of the angles; volume: V of the direct cell. When propagated
// is given it receives J K J^T over the quantities 0..n-1 (both triangles,
// the crystal system's ties applied): scale times it is their covariance,
// whose diagonal the standard deviations are the roots of.
void CellSigmas(const double direct[6], double scale, const Matrix9& K, double sigma[10],
                double volume, int system, int n, Matrix9* propagated = nullptr);

}  // namespace lattrix
