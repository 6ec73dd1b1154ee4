#include "results/ResultText.h"

#include "common/TextIO.h"
#include "diagnostics/Diagnostics.h"
#include "results/CifWriter.h"

namespace lattrix {
namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Field(const std::string& text, char delimiter) {
  const std::string field = Trimmed(text);
  if (field.find_first_of(std::string(1, delimiter) + "\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char ch : field) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  return quoted + '"';
}

}  // namespace

std::string ResultLines(const Job& job) {
  std::string text;
  for (int j = 0; j < 6; ++j) {
    text += Format("%s = %s %s\n", CellConstantName(j),
                   ValueWithSu(job.m_dRefinedCell[j], CellConstantSu(job, j)).c_str(), j < 3 ? "A" : "deg");
  }
  text += "volume = " + ValueWithSu(job.m_dVolume, job.m_dVolumeSigma) + " A3\n";
  text += "zero = " + ValueWithSu(job.m_dZero, job.m_dZeroSigma) + " deg\n";
  text += "ssd = " + ValueWithSu(job.m_dDisp, job.m_dDispSigma) + " mm\n";
  text += "emu = " + ValueWithSu(job.m_dEmu, job.m_dEmuSigma) + "\n";
  return text;
}

std::string DelimitedText(const std::vector<std::vector<std::string>>& rows, char delimiter,
                          const char* lineEnd) {
  std::string text;
  for (const std::vector<std::string>& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) {
      if (c > 0) text += delimiter;
      text += Field(row[c], delimiter);
    }
    text += lineEnd;
  }
  return text;
}

}  // namespace lattrix
