// Hand-made report files for the tests of the fitting table and the fitting
// map. The lines follow the report's formats; the values are the tests'
// own, so every expected cell or point can be read off the fixture.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/TextIO.h"

namespace lattrix_test {

struct ReportRow {
  int h = 1, k = 0, l = 0;
  double org = 20.0, obs = 20.0, cor = 20.0, cal = 20.0, del = 0.0;
  double dobs = 4.0, dcal = 4.0, ddif = 0.0, weight = 1.0;
};

// A row whose residuals are given; the other columns are consistent enough.
inline ReportRow RowAt(double twoTheta, double del2th, double ddif = 0.0, double obs = -1.0) {
  ReportRow r;
  r.org = twoTheta;
  r.obs = obs < 0.0 ? twoTheta : obs;
  r.cor = r.obs;
  r.cal = twoTheta - del2th;
  r.del = del2th;
  r.dobs = 1.5405981 / (2.0 * std::sin(twoTheta / 2.0 * 0.0174532925));
  r.dcal = r.dobs - ddif;
  r.ddif = ddif;
  return r;
}

inline std::string ListRow(const ReportRow& r) {
  return lattrix::Format(" %4d%4d%4d%9.4lf%9.4lf%9.4lf%9.4lf%9.4lf%10.5lf%10.5lf%10.5lf%10.4lf\n",
                         r.h, r.k, r.l, r.org, r.obs, r.cor, r.cal, r.del, r.dobs, r.dcal, r.ddif,
                         r.weight);
}

// The whole report text for the rows, with the sum and s.d. values as text.
inline std::string ReportText(const std::vector<ReportRow>& rows, const std::string& sum = " 0.012",
                              const std::string& sd = " 0.003") {
  std::string t;
  t += "--------------------------------------------------------\n";
  t += " Unit Cell Refinement by Cohens Method of Least Squares\n";
  t += "--------------------------------------------------------\n\n";
  t += "Title : fixture\n\n";
  t += "Refinement code : no instrumental correction\n\n";
  t += "Crystal system : cubic\n";
  t += " wavelength =  1.540598 A\n\n";
  t += "Trial cell dimensions\n---------------------\n";
  t += "    a     =   5.43000 A\n    b     =   5.43000 A\n    c     =   5.43000 A\n";
  t += "    alpha =  90.000   deg\n    beta  =  90.000   deg\n    gamma =  90.000   deg\n\n";
  t += "Weighting Mode : unity\n\n";
  t += "Input Reflection Data\n";
  t += "    h   k   l  2thorg   weight\n";
  for (const ReportRow& r : rows) {
    t += lattrix::Format(" %4d%4d%4d%8.3lf%10.5lf\n", r.h, r.k, r.l, r.org, r.weight);
  }
  t += "\n";
  t += "-----------------------\nRefined cell dimensions\n-----------------------\n";
  t += "             value       std.\n";
  t += "    a     =   5.43090 ( 0.00010) A\n";
  t += "    volume= 160.190   ( 0.009)   A3\n\n";
  t += "Correction parameters\n---------------------\n           value   std.\n";
  t += "   zero =  0.000 ( 0.000) deg\n   ssd  =  0.000 ( 0.000) deg\n";
  t += "   emu  =  0.000 ( 0.000) deg\n\n";
  t += "List of d-spacings\n------------------\n";
  t += "    h   k   l  2thorg   2thobs   2thcor   2thcal   del2th     dobs      dcal      d-dif    weight\n";
  for (const ReportRow& r : rows) t += ListRow(r);
  t += "\n";
  t += "sum delta 2theta = " + sum + "\n";
  t += "s.d.delta 2theta = " + sd + "\n";
  return t;
}

// A file in the test's temporary directory, removed at the end of the test.
class TempFile {
 public:
  explicit TempFile(const std::string& name)
      : path_(::testing::TempDir() + "lattrix_" + std::to_string(::getpid()) + "_" + name) {}
  ~TempFile() { std::remove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const std::string& path() const { return path_; }
  void Write(const std::string& text) const {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out << text;
  }

 private:
  std::string path_;
};

}  // namespace lattrix_test
