// The CIF of a refined cell: standard-uncertainty notation worked out by
// hand from the IUCr rule (two s.u. digits up to 19, else one; the value
// rounded to the s.u.'s last digit).
#include <gtest/gtest.h>

#include <cmath>

#include "results/CifWriter.h"

using namespace lattrix;

namespace {

TEST(Cif, StandardUncertaintyNotationAndBlockNames) {
  const struct { double value, su; const char* text; } cases[] = {
      {4.913401234, 0.000123, "4.91340(12)"}, {5.405123, 0.00031, "5.4051(3)"},  // 12 <= 19: two digits; 31: one
      {5.405163, 0.00019, "5.40516(19)"},     {113.0123, 0.0196, "113.01(2)"},   // 19 the last two-digit s.u.; 20 after rounding
      {4.91344, 0.00096, "4.9134(10)"},       {99.987, 1.5, "100.0(15)"},        // 0.00096 -> 0.0010, leading 1
      {1234.7, 15.0, "1235(15)"},             {1234.7, 25.1, "1230(30)"},        // s.u. beyond the units
      {-0.01234, 0.00056, "-0.0123(6)"},      {90.0, 0.0, "90"},
      {90.00000000004, 0.0, "90"},            {4.9134, std::nan(""), "4.9134"},           // no uncertainty: the value alone
      {4.9134, -0.001, "4.9134"},             {std::nan(""), 0.001, "?"},
      {1.5405981, 0.0, "1.5405981"},          {-0.0, 0.0, "0"},
  };
  for (const auto& c : cases) { EXPECT_EQ(ValueWithSu(c.value, c.su), c.text) << c.value << " " << c.su; }
  // For reading: below 0.001 with a power of ten, above it as in the CIF.
  EXPECT_EQ(ReadableValueWithSu(9.43e-9, 5.2e-10), "9.4(5)e-09");
  EXPECT_EQ(ReadableValueWithSu(-4.04e-5, 3e-7), "-4.04(3)e-05");
  EXPECT_EQ(ReadableValueWithSu(4.913401234, 0.000123), "4.91340(12)");
  EXPECT_EQ(ReadableValueWithSu(0.0, 1e-9), ValueWithSu(0.0, 1e-9));
  EXPECT_EQ(CifBlockName("alpha-Quartz (SiO2), room temperature"), "data_alpha-Quartz_SiO2_room_temperature");
  EXPECT_EQ(CifBlockName("  ##  "), "data_lattrix");
  EXPECT_EQ(CifBlockName(std::string(100, 'x')), "data_" + std::string(75, 'x'));
  EXPECT_EQ(CifBlockName("Fe\xc3\xa9 \"x\" 'y'"), "data_Fe_x_y");
}

// The CIF of a refined job in its parts: the title as a text field (a
// leading ';' kept off the line start, a tab as a blank), the system's CIF
// name, no theta range without reflections, Greek letters and units of a
// UTF-8 title in CIF 1.1's codes. The values themselves are read
// back against the report by the batch command's test.
TEST(Cif, TitleAndSystems) {
  Job job;
  job.m_strTitle = ";starts a text field\tand has a tab";
  const char* const systems[] = {"triclinic", "monoclinic", "orthorhombic", "hexagonal", "trigonal", "tetragonal", "cubic"};
  for (int system = kTriclinic; system <= kCubic; ++system) {
    job.m_nCrystalSystem = system;
    const std::string cif = CifText(job);
    EXPECT_NE(cif.find("\n_space_group_crystal_system" + std::string(8, ' ') + systems[system - 1] + "\n"), std::string::npos) << cif;
    EXPECT_NE(cif.find("\n_publ_section_title\n;\n ;starts a text field and has a tab\n;\n"), std::string::npos) << cif;
    EXPECT_EQ(cif.find("_cell_measurement_theta_min"), std::string::npos);
  }
  // A UTF-8 title in CIF 1.1's codes (International Tables G, the CIF
  // dictionary's special codes), a character without one as '?'.
  job.m_strTitle = "\xCE\xB1-Quartz, 5 \xC3\x85, 300 \xC2\xB0" "C, \xE2\x82\xAC";
  EXPECT_NE(CifText(job).find("\n;\n\\a-Quartz, 5 \\%A, 300 \\%C, ?\n;\n"), std::string::npos) << CifText(job);
}

}  // namespace
