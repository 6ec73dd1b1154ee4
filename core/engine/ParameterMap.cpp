#include "engine/ParameterMap.h"

#include "job/Job.h"

namespace lattrix {

ParameterMap Parameters(int system, int correction) {
  // Per crystal system: the refined cell slots as bits of A..F, the metric
  // parameters, and the leaders of b, c, beta, gamma (a and alpha lead).
  struct SystemMap {
    unsigned cellSlots;
    int cellParameters;
    int bLeader, cLeader, angleLeader;
    bool alpha, beta, gamma;   // the angles that move
  };
  static const SystemMap systems[] = {
      {0x3F, 6, -1, -1, -1, true, true, true},     // triclinic: A B C D E F
      {0x17, 4, -1, -1, -1, false, true, false},   // monoclinic (b unique): A B C E
      {0x07, 3, -1, -1, -1, false, false, false},  // orthorhombic: A B C
      {0x05, 2, 0, -1, -1, false, false, false},   // hexagonal: A C
      {0x09, 2, 0, 0, 3, true, true, true},        // rhombohedral: A D
      {0x05, 2, 0, -1, -1, false, false, false},   // tetragonal: A C
      {0x01, 1, 0, 0, -1, false, false, false},    // cubic: A
  };
  static const int correctionCounts[] = {0, 0, 1, 1, 2};
  ParameterMap map;
  if (correction >= kManual && correction <= kZeroAndDisplacement)
    map.corrections = correctionCounts[correction - 1];
  if (correction == kZero || correction == kZeroAndDisplacement) map.zeroSlot = 6;
  if (correction == kDisplacement) map.displacementSlot = 6;
  if (correction == kZeroAndDisplacement) map.displacementSlot = 7;
  for (int slot = 6; slot < 6 + map.corrections; ++slot) map.refinedSlots |= 1u << slot;
  if (system >= kTriclinic && system <= kCubic) {
    const SystemMap& s = systems[system - 1];
    map.refinedSlots |= s.cellSlots;
    map.cellParameters = s.cellParameters;
    const bool moves[6] = {true, true, true, s.alpha, s.beta, s.gamma};
    const int leaders[6] = {-1, s.bLeader, s.cLeader, -1, s.angleLeader, s.angleLeader};
    for (int j = 0; j < 6; ++j) {
      map.moves[j] = moves[j];
      map.leader[j] = leaders[j];
      if (map.Free(j)) map.reported.push_back({CellConstantName(j), j, CellConstantUnit(j)});
    }
  }
  if (map.zeroSlot >= 0) map.reported.push_back({"zero", map.zeroSlot, ParameterUnit::kZero});
  if (map.displacementSlot >= 0)
    map.reported.push_back({"ssd", map.displacementSlot, ParameterUnit::kDisplacement});
  return map;
}

void TieCellToSystem(int system, double cell[6]) {
  if (system < kTriclinic || system > kCubic) return;
  const ParameterMap map = Parameters(system, kNoCorrection);
  for (int j = 0; j < 6; ++j) {
    if (map.Follows(j))
      cell[j] = cell[map.leader[j]];
    else if (!map.moves[j])
      cell[j] = FixedAngle(system, j);
  }
}

double FixedAngle(int system, int j) { return system == kHexagonal && j == 5 ? 120.0 : 90.0; }

ParameterUnit CellConstantUnit(int j) { return j < 3 ? ParameterUnit::kLength : ParameterUnit::kAngle; }

// The report's digits depend on these operations and their order.
double ReportedCorrection(ParameterUnit unit, double slotValue, double wavelength, double radius) {
  const double sin2 = slotValue * (wavelength * wavelength / 4.0);
  return unit == ParameterUnit::kZero ? -kDeg * sin2 : radius * sin2;
}

double ReportedSigma(ParameterUnit unit, double slotSigma, double wavelength, double radius) {
  switch (unit) {
    case ParameterUnit::kLength: return slotSigma;
    case ParameterUnit::kAngle: return slotSigma / kDegToRad;
    case ParameterUnit::kZero: return kDeg * (slotSigma * (wavelength * wavelength / 4.0));
    case ParameterUnit::kDisplacement: return radius * (slotSigma * (wavelength * wavelength / 4.0));
  }
  return slotSigma;
}

double UnitFactor(ParameterUnit unit, double wavelength, double radius) {
  switch (unit) {
    case ParameterUnit::kLength: return 1.0;
    case ParameterUnit::kAngle: return 1.0 / kDegToRad;
    case ParameterUnit::kZero: return -kDeg * (wavelength * wavelength / 4.0);
    case ParameterUnit::kDisplacement: return radius * (wavelength * wavelength / 4.0);
  }
  return 1.0;
}

}  // namespace lattrix
