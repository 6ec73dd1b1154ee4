// Writes N job files of 50 reflections each into a directory, as a
// variable-temperature series of one monoclinic phase would give them (the
// cell grows with T, with a small deterministic misfit), and the x file
// x.csv with their temperatures:
//
//   series_jobs DIR N [triclinic]
//
// With "triclinic" the phase is triclinic and its 2theta carry a zero offset
// and a sample displacement, for runs with --correction 5.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "StderrSink.h"
#include "common/TextIO.h"
#include "engine/CohenModel.h"
#include "job/InputFile.h"
#include "job/Job.h"

using namespace lattrix;

namespace {

// 1/d^2 of (h k l) for a reciprocal metric A..F.
double InverseDSquared(const double P[kSlots], int h, int k, int l) {
  return h * h * P[0] + k * k * P[1] + l * l * P[2] + k * l * P[3] + l * h * P[4] + h * k * P[5];
}

Job SeriesJob(int index, double temperature, bool triclinic) {
  Job job;
  InitialiseJob(job, ".");
  job.m_strTitle = Format("%s phase at %.1f K, series job %d", triclinic ? "Triclinic" : "Monoclinic",
                          temperature, index);
  job.m_nCrystalSystem = triclinic ? kTriclinic : kMonoclinic;
  const double grow = 1.0 + 1.2e-5 * (temperature - 300.0);
  const double cell[6] = {5.1505 * grow, 5.2116 * grow, 5.3173 * grow, triclinic ? 88.7 : 90.0, 99.23,
                          triclinic ? 91.4 : 90.0};
  for (int j = 0; j < 6; ++j) job.m_dCell[j] = j < 3 ? cell[j] * 1.002 : cell[j];
  double P[kSlots];
  TrialMetric(cell, P);
  int n = 0;
  for (int h = 0; h <= 4 && n < kMaxReflections; ++h)
    for (int k = 0; k <= 4 && n < kMaxReflections; ++k)
      for (int l = -4; l <= 4 && n < kMaxReflections; ++l) {
        if (h == 0 && k == 0 && l <= 0) continue;
        const double s = job.m_dWavelength * std::sqrt(InverseDSquared(P, h, k, l)) / 2.0;
        if (s >= 0.95) continue;
        job.m_nH[n] = h;
        job.m_nK[n] = k;
        job.m_nL[n] = l;
        double twoTheta = 2.0 * std::asin(s) / kDegToRad + 0.003 * std::sin(7.1 * n + index);
        // A zero offset of 0.02 degrees and a displacement's cos(theta) shift.
        if (triclinic) twoTheta += 0.02 + 0.03 * std::sqrt(1.0 - s * s);
        job.m_dTwoTheta[n] = job.m_dTwoThetaRaw[n] = twoTheta;
        job.m_dWeight[n] = 1.0;
        ++n;
      }
  job.m_nReflections = n;
  return job;
}

}  // namespace

int main(int argc, char** argv) {
  const bool triclinic = argc == 4 && std::string(argv[3]) == "triclinic";
  if (argc != 3 && !triclinic) {
    std::fputs("usage: series_jobs DIR N [triclinic]\n", stderr);
    return 2;
  }
  const std::string dir = argv[1];
  const int count = std::atoi(argv[2]);
  StderrSink sink;
  std::string x = "file,T_K\n";
  for (int i = 0; i < count; ++i) {
    const double temperature = 100.0 + 0.5 * i;
    Job job = SeriesJob(i, temperature, triclinic);
    const std::string name = Format("job%05d.inp", i);
    job.m_strInputPath = dir + "/" + name;
    if (!WriteInputFile(job, sink)) return 1;
    x += name + Format(",%.1f\n", temperature);
  }
  std::FILE* f = std::fopen((dir + "/x.csv").c_str(), "w");
  if (f == nullptr || std::fputs(x.c_str(), f) < 0 || std::fclose(f) != 0) return 1;
  return 0;
}
