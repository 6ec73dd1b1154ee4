#include "results/CifWriter.h"

#include "LattrixVersion.h"

#include <cmath>
#include <cstring>
#include <cstdlib>
#include <set>

#include "common/AtomicFile.h"
#include "common/TextIO.h"
#include "diagnostics/Diagnostics.h"
#include "engine/ParameterMap.h"

namespace lattrix {
namespace {

// Mantissa digits and decimal exponent of x rounded to 'digits' significant
// digits, read from printf's correctly rounded "%.*e" so that the decimal
// value, not its binary neighbour, decides: 0.00012 -> (12, -4).
void Significant(double x, int digits, long& mantissa, int& exponent) {
  const std::string text = Format("%.*e", digits - 1, x);
  mantissa = 0;
  size_t i = 0;
  for (; i < text.size() && text[i] != 'e'; ++i)
    if (text[i] >= '0' && text[i] <= '9') mantissa = mantissa * 10 + (text[i] - '0');
  exponent = static_cast<int>(std::strtol(text.c_str() + i + 1, nullptr, 10)) - (digits - 1);
}

// CIF 1.1's codes for the characters titles of crystals use most: Greek
// letters (\a alpha ... \w omega, capitals likewise), the Angstrom (\%A),
// the degree (\%), plus-minus (+-) and times (\\times).
struct CifCode {
  const char* utf8;
  const char* code;
};
constexpr CifCode kCifCodes[] = {
    {"\u03B1", "\\a"}, {"\u03B2", "\\b"}, {"\u03B3", "\\g"}, {"\u03B4", "\\d"}, {"\u03B5", "\\e"},
    {"\u03B6", "\\z"}, {"\u03B7", "\\h"}, {"\u03B8", "\\q"}, {"\u03B9", "\\i"}, {"\u03BA", "\\k"},
    {"\u03BB", "\\l"}, {"\u03BC", "\\m"}, {"\u03BD", "\\n"}, {"\u03BE", "\\x"}, {"\u03C0", "\\p"},
    {"\u03C1", "\\r"}, {"\u03C3", "\\s"}, {"\u03C4", "\\t"}, {"\u03C6", "\\f"}, {"\u03C7", "\\c"},
    {"\u03C8", "\\y"}, {"\u03C9", "\\w"}, {"\u0393", "\\G"}, {"\u0394", "\\D"}, {"\u0398", "\\Q"},
    {"\u039B", "\\L"}, {"\u03A0", "\\P"}, {"\u03A3", "\\S"}, {"\u03A6", "\\F"}, {"\u03A8", "\\Y"},
    {"\u03A9", "\\W"}, {"\u00C5", "\\%A"}, {"\u212B", "\\%A"}, {"\u00B0", "\\%"}, {"\u00B1", "+-"},
    {"\u00D7", "\\\\times"}};

// Printable ASCII only: CIF 1.1 allows nothing else in a value. Characters
// with a CIF 1.1 code are written as that code, any other one as '?'.
std::string PrintableAscii(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char ch = static_cast<unsigned char>(text[i]);
    const CifCode* code = nullptr;
    for (const CifCode& c : kCifCodes)
      if (text.compare(i, std::strlen(c.utf8), c.utf8) == 0) code = &c;
    if (code != nullptr) {
      out += code->code;
      i += std::strlen(code->utf8);
      continue;
    }
    if (ch == '\t' || ch == '\r' || ch == '\n') out += ' ';
    else if (ch < 0x20 || ch > 0x7E) out += '?';
    else out += static_cast<char>(ch);
    // A character of several bytes gives one '?'.
    i += ch < 0x80 ? 1 : (ch >= 0xF0 ? 4 : ch >= 0xE0 ? 3 : ch >= 0xC0 ? 2 : 1);
  }
  return out;
}

std::string Item(const char* name, const std::string& value) {
  return Format("%-34s %s\n", name, value.c_str());
}

const char* CifCrystalSystem(int system) {
  // CIF names the seven crystal families' lattice systems; a rhombohedral
  // cell belongs to the trigonal system.
  static const char* const names[] = {"triclinic", "monoclinic", "orthorhombic", "hexagonal",
                                      "trigonal",  "tetragonal", "cubic"};
  return system >= kTriclinic && system <= kCubic ? names[system - 1] : "?";
}

}  // namespace

std::string PlainValue(double value) {
  if (!std::isfinite(value)) return "?";
  std::string text = Format("%.10g", value);
  if (text == "-0") text = "0";
  return text;
}

std::string ValueWithSu(double value, double su) {
  if (!std::isfinite(value)) return "?";
  if (!std::isfinite(su) || !(su > 0.0)) return PlainValue(value);
  long digits = 0;
  int exponent = 0;   // s.u. = digits * 10^exponent
  Significant(su, 2, digits, exponent);
  if (digits > 19) {
    Significant(su, 1, digits, exponent);
    // 0.00096 rounds to 0.001: a leading 1 keeps two digits, (10).
    if (digits == 1) {
      digits = 10;
      exponent -= 1;
    }
  }
  if (exponent >= 0) {
    // The s.u. reaches the units or beyond: the value is rounded to that
    // place and the s.u. written in units of the value's last digit.
    const double unit = std::pow(10.0, exponent);
    const double rounded = std::nearbyint(value / unit) * unit;
    for (int e = 0; e < exponent; ++e) digits *= 10;
    return Format("%.0f(%ld)", rounded, digits);
  }
  return Format("%.*f(%ld)", -exponent, value, digits);
}

std::string ReadableValueWithSu(double value, double su) {
  if (!std::isfinite(value) || value == 0.0 || std::fabs(value) >= 1e-3) return ValueWithSu(value, su);
  const int power = static_cast<int>(std::floor(std::log10(std::fabs(value))));
  const double scale = std::pow(10.0, -power);
  return ValueWithSu(value * scale, su * scale) + Format("e%+03d", power);
}

double CellConstantSu(const Job& job, int j) {
  // An angle the system fixes has no uncertainty of its own.
  return Parameters(job.m_nCrystalSystem, job.m_nCorrection).moves[j] ? job.m_dCellSigma[j] : 0.0;
}

std::string CifBlockName(const std::string& title) {
  std::string code;
  bool gap = false;
  for (unsigned char ch : title) {
    const bool keep = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
                      ch == '.' || ch == '-' || ch == '_';
    if (keep) {
      if (gap && !code.empty()) code += '_';
      code += static_cast<char>(ch);
      gap = false;
    } else {
      gap = true;
    }
  }
  if (code.size() > 75) code.resize(75);
  if (code.empty()) code = "lattrix";
  return "data_" + code;
}

std::string CifHeader() {
  return "#\\#CIF_1.1\n# Unit cell refined by Lattrix: Cohen's least squares on indexed powder 2theta.\n";
}

std::string CifText(const Job& job) { return CifHeader() + CifBlock(job, CifBlockName(job.m_strTitle)); }

std::string CifBlock(const Job& job, const std::string& blockName) {
  const int system = job.m_nCrystalSystem;
  const int N = job.m_nReflections;

  std::string t = blockName + "\n\n";

  // The title as a text field; a line that began with ';' would end it.
  // Control characters and stray bytes show as \xHH, as in the report.
  std::string title = PrintableAscii(PrintableLine(job.m_strTitle));
  if (!title.empty() && title[0] == ';') title = " " + title;
  t += "_publ_section_title\n;\n" + title + "\n;\n";
  t += Item("_computing_cell_refinement", "'Lattrix " LATTRIX_VERSION " (Cohen least squares)'");
  t += Item("_space_group_crystal_system", CifCrystalSystem(system));
  t += "\n";

  static const char* const names[] = {"_cell_length_a", "_cell_length_b", "_cell_length_c",
                                      "_cell_angle_alpha", "_cell_angle_beta", "_cell_angle_gamma"};
  for (int j = 0; j < 6; ++j) t += Item(names[j], ValueWithSu(job.m_dRefinedCell[j], CellConstantSu(job, j)));
  t += Item("_cell_volume", ValueWithSu(job.m_dVolume, job.m_dVolumeSigma));
  t += Item("_cell_measurement_reflns_used", Format("%d", N));
  if (N > 0) {
    double lo = job.m_dTwoTheta[0], hi = job.m_dTwoTheta[0];
    for (int i = 1; i < N; ++i) {
      if (job.m_dTwoTheta[i] < lo) lo = job.m_dTwoTheta[i];
      if (job.m_dTwoTheta[i] > hi) hi = job.m_dTwoTheta[i];
    }
    if (std::isfinite(lo) && std::isfinite(hi)) {
      t += Item("_cell_measurement_theta_min", Format("%.3f", lo / 2.0));
      t += Item("_cell_measurement_theta_max", Format("%.3f", hi / 2.0));
    }
  }
  t += Item("_diffrn_radiation_wavelength", PlainValue(job.m_dWavelength));
  return t;
}

std::vector<std::string> UniqueCifBlockNames(const std::vector<std::string>& names) {
  const std::set<std::string> given(names.begin(), names.end());
  std::set<std::string> used;
  std::vector<std::string> out;
  for (const std::string& name : names) {
    std::string unique = name;
    // A suffixed name must not be one that another block has of its own.
    for (int n = 2; used.count(unique) != 0; ++n) {
      unique = name + "_" + std::to_string(n);
      if (given.count(unique) != 0) unique = name;
    }
    used.insert(unique);
    out.push_back(unique);
  }
  return out;
}

bool WriteCifFile(const Job& job, const std::string& path, MessageSink& sink) {
  return WriteTextFile(CifText(job), path, sink);
}

}  // namespace lattrix
