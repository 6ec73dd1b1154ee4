// The CIF of a refined cell: standard-uncertainty notation worked out by
// hand from the IUCr rule (two s.u. digits up to 19, else one; the value
// rounded to the s.u.'s last digit), and the text read back by a small
// reader of CIF 1.1 items and text fields written here.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "engine/Refinement.h"
#include "job/InputFile.h"
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
  EXPECT_EQ(CifBlockName("alpha-Quartz (SiO2), room temperature"), "data_alpha-Quartz_SiO2_room_temperature");
  EXPECT_EQ(CifBlockName("  ##  "), "data_lattrix");
  EXPECT_EQ(CifBlockName(std::string(100, 'x')), "data_" + std::string(75, 'x'));
  EXPECT_EQ(CifBlockName("Fe\xc3\xa9 \"x\" 'y'"), "data_Fe_x_y");
}

// Items of one data block: "_name value" lines, and text fields between
// lines that begin with ';'. Comments are skipped; 'block' gets the data_ line.
std::map<std::string, std::string> ReadCif(const std::string& text, std::string& block) {
  std::map<std::string, std::string> items;
  std::istringstream in(text);
  std::string line, pending, field;
  bool inText = false;
  while (std::getline(in, line)) {
    if (inText && !line.empty() && line[0] == ';') items[pending] = field, inText = false, pending.clear();
    else if (inText) field += field.empty() ? line : "\n" + line;
    else if (line.empty() || line[0] == '#') continue;
    else if (line.compare(0, 5, "data_") == 0) block = line;
    else if (line[0] == ';' && !pending.empty()) inText = true, field = line.substr(1);
    else if (line[0] != '_') ADD_FAILURE() << "not an item: " << line;
    else if (line.find(' ') == std::string::npos) pending = line;
    else items[line.substr(0, line.find(' '))] = line.substr(line.find_first_not_of(' ', line.find(' ')));
  }
  EXPECT_FALSE(inText) << "text field not closed";
  return items;
}

// "4.91340(12)" -> 4.91340 and 0.00012.
void ParseSu(const std::string& text, double& value, double& su) {
  const size_t open = text.find('(');
  const std::string number = text.substr(0, open);
  value = std::stod(number);
  const int decimals = static_cast<int>(number.size() - number.find('.') - 1);
  su = std::stod(text.substr(open + 1)) * std::pow(10.0, -decimals);
}

TEST(Cif, RefinedQuartzReadsBack) {
  RecordingSink sink;
  Job job;
  job.m_strInputPath = std::string(LATTRIX_EXAMPLES_DIR) + "/quartz.inp";
  ASSERT_TRUE(ReadInputFile(job, sink));
  std::ostringstream report;
  RefineCell(job, report, sink);
  std::string block;
  const auto items = ReadCif(CifText(job), block);
  EXPECT_EQ(block, CifBlockName(job.m_strTitle));
  EXPECT_EQ(items.at("_publ_section_title"), job.m_strTitle);
  const std::map<std::string, std::string> fixed = {
      {"_space_group_crystal_system", "hexagonal"}, {"_cell_measurement_reflns_used", "25"},
      {"_diffrn_radiation_wavelength", "1.5405981"}, {"_cell_measurement_theta_min", "10.430"},  // 20.860 / 2
      {"_cell_measurement_theta_max", "40.746"},      {"_cell_angle_alpha", "90"},                // 81.492 / 2
      {"_cell_angle_beta", "90"},                     {"_cell_angle_gamma", "120"}};
  for (const auto& [name, value] : fixed) { EXPECT_EQ(items.at(name), value) << name; }
  const char* const names[] = {"_cell_length_a", "_cell_length_b", "_cell_length_c", "_cell_volume"};
  const double refined[] = {job.m_dRefinedCell[0], job.m_dRefinedCell[1], job.m_dRefinedCell[2], job.m_dVolume};
  const double sigma[] = {job.m_dCellSigma[0], job.m_dCellSigma[1], job.m_dCellSigma[2], job.m_dVolumeSigma};
  for (int j = 0; j < 4; ++j) {
    double value, su;
    ParseSu(items.at(names[j]), value, su);
    // The value rounded to the s.u.'s last digit; the s.u. the reported one.
    EXPECT_GT(su, 0.0) << names[j];
    EXPECT_LE(std::fabs(value - refined[j]), su / 2.0 + 1e-12) << names[j];
    EXPECT_NEAR(su, sigma[j], su / 2.0 + 1e-15) << names[j];
  }
  // A title that would open a text field, with a tab; the seven systems.
  job.m_strTitle = ";starts a text field\tand has a tab";
  job.m_nReflections = 0;
  const char* const systems[] = {"triclinic", "monoclinic", "orthorhombic", "hexagonal", "trigonal", "tetragonal", "cubic"};
  for (int system = kTriclinic; system <= kCubic; ++system) {
    job.m_nCrystalSystem = system;
    const auto edge = ReadCif(CifText(job), block);
    EXPECT_EQ(edge.at("_space_group_crystal_system"), systems[system - 1]);
    EXPECT_EQ(edge.at("_publ_section_title"), " ;starts a text field and has a tab");
    EXPECT_EQ(edge.count("_cell_measurement_theta_min"), 0u);
  }
}

}  // namespace
