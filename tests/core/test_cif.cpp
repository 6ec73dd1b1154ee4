// The CIF of a refined cell: standard-uncertainty notation worked out by
// hand from the IUCr rule (two s.u. digits up to 19, else one; the value
// rounded to the s.u.'s last digit), and the text read back by a small
// key-value reader written here from the CIF 1.1 syntax.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>

#include "TestFiles.h"
#include "common/MessageSink.h"
#include "engine/Refinement.h"
#include "job/InputFile.h"
#include "job/Job.h"
#include "results/CifWriter.h"

using namespace lattrix;

namespace {

TEST(Cif, StandardUncertaintyNotation) {
  EXPECT_EQ(ValueWithSu(4.913401234, 0.000123), "4.91340(12)");   // 12 <= 19: two digits
  EXPECT_EQ(ValueWithSu(5.405123, 0.00031), "5.4051(3)");         // 31 > 19: one digit
  EXPECT_EQ(ValueWithSu(5.405163, 0.00019), "5.40516(19)");       // 19 is the last two-digit s.u.
  EXPECT_EQ(ValueWithSu(113.0123, 0.0196), "113.01(2)");          // 20 after rounding: one digit
  EXPECT_EQ(ValueWithSu(4.91344, 0.00096), "4.9134(10)");         // 0.00096 -> 0.0010, leading 1
  EXPECT_EQ(ValueWithSu(99.987, 1.5), "100.0(15)");
  EXPECT_EQ(ValueWithSu(1234.7, 15.0), "1235(15)");
  EXPECT_EQ(ValueWithSu(1234.7, 25.1), "1230(30)");               // s.u. beyond the units
  EXPECT_EQ(ValueWithSu(-0.01234, 0.00056), "-0.0123(6)");
  // No uncertainty: the value alone.
  EXPECT_EQ(ValueWithSu(90.0, 0.0), "90");
  EXPECT_EQ(ValueWithSu(90.00000000004, 0.0), "90");
  EXPECT_EQ(ValueWithSu(4.9134, std::nan("")), "4.9134");
  EXPECT_EQ(ValueWithSu(4.9134, -0.001), "4.9134");
  EXPECT_EQ(ValueWithSu(std::nan(""), 0.001), "?");
  EXPECT_EQ(PlainValue(1.5405981), "1.5405981");
  EXPECT_EQ(PlainValue(-0.0), "0");
}

TEST(Cif, BlockNameFromTitle) {
  EXPECT_EQ(CifBlockName("alpha-Quartz (SiO2), room temperature"), "data_alpha-Quartz_SiO2_room_temperature");
  EXPECT_EQ(CifBlockName("  ##  "), "data_lattrix");
  EXPECT_EQ(CifBlockName(""), "data_lattrix");
  EXPECT_EQ(CifBlockName(std::string(100, 'x')), "data_" + std::string(75, 'x'));
  EXPECT_EQ(CifBlockName("Fe\xc3\xa9 \"x\" 'y'"), "data_Fe_x_y");
}

// Items of one data block: "_name value" lines and text fields between
// lines that begin with ';'. Comments and the block line are skipped.
std::map<std::string, std::string> ReadCif(const std::string& text, std::string& block) {
  std::map<std::string, std::string> items;
  std::istringstream in(text);
  std::string line, pending;
  bool inText = false;
  std::string field;
  while (std::getline(in, line)) {
    if (inText) {
      if (!line.empty() && line[0] == ';') {
        items[pending] = field;
        inText = false;
        pending.clear();
      } else {
        field += field.empty() ? line : "\n" + line;
      }
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    if (line.compare(0, 5, "data_") == 0) {
      block = line;
      continue;
    }
    if (line[0] == ';' && !pending.empty()) {
      inText = true;
      field = line.substr(1);
      continue;
    }
    EXPECT_EQ(line[0], '_') << line;
    const size_t gap = line.find(' ');
    const std::string name = line.substr(0, gap);
    if (gap == std::string::npos) {
      pending = name;
      continue;
    }
    const size_t start = line.find_first_not_of(' ', gap);
    items[name] = line.substr(start);
  }
  EXPECT_FALSE(inText) << "text field not closed";
  return items;
}

// "4.91340(12)" -> 4.91340 and 0.00012; no parenthesis -> s.u. 0.
void ParseSu(const std::string& text, double& value, double& su) {
  const size_t open = text.find('(');
  value = std::stod(text.substr(0, open));
  su = 0.0;
  if (open == std::string::npos) return;
  const std::string number = text.substr(0, open);
  const size_t dot = number.find('.');
  const int decimals = dot == std::string::npos ? 0 : static_cast<int>(number.size() - dot - 1);
  su = std::stod(text.substr(open + 1, text.find(')') - open - 1)) * std::pow(10.0, -decimals);
}

TEST(Cif, RefinedQuartzReadsBack) {
  RecordingSink sink;
  Job job;
  InitialiseJob(job, "/tmp");
  job.m_strInputPath = std::string(LATTRIX_EXAMPLES_DIR) + "/quartz.inp";
  ASSERT_TRUE(ReadInputFile(job, sink));
  std::ostringstream report;
  RefineCell(job, report, sink);

  std::string block;
  const auto items = ReadCif(CifText(job), block);
  EXPECT_EQ(block, CifBlockName(job.m_strTitle));
  EXPECT_EQ(items.at("_publ_section_title"), job.m_strTitle);
  EXPECT_EQ(items.at("_space_group_crystal_system"), "hexagonal");
  EXPECT_EQ(items.at("_cell_measurement_reflns_used"), "25");
  EXPECT_EQ(items.at("_diffrn_radiation_wavelength"), "1.5405981");
  EXPECT_EQ(items.at("_cell_measurement_theta_min"), "10.430");   // 20.860 / 2
  EXPECT_EQ(items.at("_cell_measurement_theta_max"), "40.746");   // 81.492 / 2
  // Angles the hexagonal system fixes carry no s.u.
  EXPECT_EQ(items.at("_cell_angle_alpha"), "90");
  EXPECT_EQ(items.at("_cell_angle_beta"), "90");
  EXPECT_EQ(items.at("_cell_angle_gamma"), "120");

  static const char* const names[] = {"_cell_length_a", "_cell_length_b", "_cell_length_c"};
  for (int j = 0; j < 3; ++j) {
    double value, su;
    ParseSu(items.at(names[j]), value, su);
    EXPECT_GT(su, 0.0) << names[j];
    // The printed value is the refined one rounded to the s.u.'s last digit.
    EXPECT_LE(std::fabs(value - job.m_dRefinedCell[j]), su / 2.0 + 1e-12) << names[j];
    EXPECT_NEAR(su, job.m_dCellSigma[j], su / 2.0 + 1e-15) << names[j];
  }
  double volume, volumeSu;
  ParseSu(items.at("_cell_volume"), volume, volumeSu);
  EXPECT_LE(std::fabs(volume - job.m_dVolume), volumeSu / 2.0 + 1e-12);
}

TEST(Cif, TitleAndSystemEdgeCases) {
  Job job;
  InitialiseJob(job, "/tmp");
  job.m_strTitle = ";starts a text field\tand has a tab";
  job.m_nCrystalSystem = kRhombohedral;
  job.m_nReflections = 0;
  std::string block;
  const auto items = ReadCif(CifText(job), block);
  EXPECT_EQ(items.at("_publ_section_title"), " ;starts a text field and has a tab");
  EXPECT_EQ(items.at("_space_group_crystal_system"), "trigonal");
  EXPECT_EQ(items.at("_cell_measurement_reflns_used"), "0");
  EXPECT_EQ(items.count("_cell_measurement_theta_min"), 0u);

  const char* const systems[] = {"triclinic", "monoclinic", "orthorhombic", "hexagonal",
                                 "trigonal",  "tetragonal", "cubic"};
  for (int system = kTriclinic; system <= kCubic; ++system) {
    job.m_nCrystalSystem = system;
    EXPECT_EQ(ReadCif(CifText(job), block).at("_space_group_crystal_system"), systems[system - 1]);
  }
}

TEST(Cif, FileIsReplacedWholeOrNotAtAll) {
  lattrix_test::ScratchDir dir;
  Job job;
  InitialiseJob(job, dir.path());
  job.m_strTitle = "t";
  RecordingSink sink;
  const std::string path = dir.Write("cell.cif", "old");
  ASSERT_TRUE(WriteCifFile(job, path, sink));
  EXPECT_EQ(lattrix_test::ReadAll(path), CifText(job));
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_FALSE(WriteCifFile(job, dir.path(), sink));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], dir.path() + " cannot be written !!!\nIs a directory");
  EXPECT_FALSE(WriteCifFile(job, dir.File("missing/cell.cif"), sink));
}

}  // namespace
