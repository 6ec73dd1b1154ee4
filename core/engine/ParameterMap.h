// The refined parameters of a crystal system and a correction mode, told
// once: which of the nine slots enter the normal equations, which direct-
// cell constants move and which follow another, and the parameters the
// covariance names, with the conversion from the slots' units to the
// report's. The problem, the normal equations, the covariance, the stored
// corrections, the diagnostics and the batch command's JSON ask this map.
#pragma once

#include <array>
#include <cstddef>

#include "engine/CohenModel.h"

namespace lattrix {

// The units a reported parameter is given in: A, degrees, degrees of
// 2theta (the zero offset), mm (the sample displacement ssd).
enum class ParameterUnit { kLength, kAngle, kZero, kDisplacement };

struct ReportedParameter {
  const char* name = nullptr;  // "a" .. "gamma", "zero", "ssd"
  int slot = 0;                // its quantity in the engine's propagation (CellSigmas)
  ParameterUnit unit = ParameterUnit::kLength;
};

// The reported parameters, at most the six cell constants, zero and ssd,
// held in place: a map is copied into every problem and every run and
// allocates nothing.
class ReportedParameters {
 public:
  void push_back(const ReportedParameter& parameter) { items_[size_++] = parameter; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const ReportedParameter& operator[](size_t i) const { return items_[i]; }
  const ReportedParameter* begin() const { return items_.data(); }
  const ReportedParameter* end() const { return items_.data() + size_; }

 private:
  std::array<ReportedParameter, 8> items_{};
  size_t size_ = 0;
};

struct ParameterMap {
  int cellParameters = 0;      // refined metric slots
  int corrections = 0;         // refined corrections
  unsigned refinedSlots = 0;   // one bit per slot that enters the normal equations
  // Direct-cell constant j (a, b, c, alpha, beta, gamma) moves in a
  // refinement; false for the angles the crystal system fixes.
  bool moves[6] = {};
  // The constant j moves only as this one does (b = a, c = a, beta = gamma
  // = alpha): it is no parameter of its own. -1 for a constant of its own.
  int leader[6] = {-1, -1, -1, -1, -1, -1};
  // The slots of the refined corrections; correction mode 4 solves ssd in
  // slot 6. -1 when the mode does not refine it.
  int zeroSlot = -1;
  int displacementSlot = -1;
  // The free cell constants in order, then zero and ssd when refined.
  ReportedParameters reported;

  int Count() const { return cellParameters + corrections; }
  // Rows of the normal equations that take part (slots 0..5 always).
  int Size() const { return 6 + corrections; }
  bool IsRefined(int slot) const { return slot >= 0 && slot < kSlots && ((refinedSlots >> slot) & 1u); }
  bool Follows(int j) const { return leader[j] >= 0; }
  // A constant that is a refined parameter of its own.
  bool Free(int j) const { return moves[j] && !Follows(j); }
};

// The map of a crystal system (1..7) and a correction mode (1..5); an
// invalid code refines nothing of its part.
ParameterMap Parameters(int system, int correction);

// A cell with the constants its crystal system ties set from their leaders
// (b = a, c = a, beta = gamma = alpha) and those it fixes set to 90 degrees
// (gamma of a hexagonal cell to 120): the free constants decide the rest.
void TieCellToSystem(int system, double cell[6]);

// The value of an angle (j = 3..5) the crystal system fixes: 120 degrees for
// gamma of a hexagonal cell, 90 otherwise.
double FixedAngle(int system, int j);

// From the slots' units (A, radians, 1/d^2 of the correction functions) to
// the report's, for a wavelength lambda and a goniometer radius R: angles
// divide by kDegToRad; a correction is first taken to sin^2(theta) units
// (lambda^2 / 4), then the zero offset by -kDeg (its value is minus the
// slot's, its s.d. plus) and ssd by R.
ParameterUnit CellConstantUnit(int j);
double ReportedCorrection(ParameterUnit unit, double slotValue, double wavelength, double radius);
double ReportedSigma(ParameterUnit unit, double slotSigma, double wavelength, double radius);
// The same conversion as one factor, for the covariance of two parameters.
double UnitFactor(ParameterUnit unit, double wavelength, double radius);

}  // namespace lattrix
