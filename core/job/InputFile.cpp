#include "job/InputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "common/AtomicFile.h"
#include "common/TextIO.h"

namespace lattrix {
namespace {

bool IsCommentLine(const std::string& line) {
  for (char c : line) {
    if (c == ' ' || c == '\t') continue;
    return c == '#';
  }
  return false;
}

// The next line that is not a comment; false at the end of the file.
bool NextHeader(LineReader& reader, std::string& line) {
  while (reader.Next(line)) {
    if (!IsCommentLine(line)) return true;
  }
  return false;
}

// The refused line is quoted as printable text: a binary file's bytes must
// not reach the user's terminal.
std::string NotAcceptable(const char* what, const std::string& line) {
  return std::string(what) + "=" + PrintableText(line) + " is not acceptable !!!";
}

// The next header line, or the message that names the missing section.
bool NextSection(LineReader& reader, std::string& line, const char* missing, MessageSink& sink) {
  if (NextHeader(reader, line)) return true;
  sink.Show(missing);
  return false;
}

// Title, correction code (with Manual mode's known corrections) and the
// instrument.
bool ReadHead(Job& job, LineReader& reader, MessageSink& sink) {
  std::string line;
  if (!NextSection(reader, line, "Title not found", sink)) return false;
  size_t hash = line.find('#');
  job.m_strTitle = hash == std::string::npos ? line : line.substr(0, hash);

  if (!NextSection(reader, line, "Correction type not found", sink)) return false;
  int icode = 0;
  if (!FieldScanner(line).Int(icode) || icode < kManual || icode > kZeroAndDisplacement) {
    sink.Show(NotAcceptable("icode", line));
    return false;
  }
  job.m_nCorrection = icode;
  if (icode == kManual && reader.Next(line)) {
    FieldScanner manual(line);
    manual.Double(job.m_dZero) && manual.Double(job.m_dDisp) && manual.Double(job.m_dEmu);
  }

  if (!NextSection(reader, line, "Wavelength not found", sink)) return false;
  FieldScanner instrument(line);
  instrument.Double(job.m_dWavelength) && instrument.Double(job.m_dGonioRadius);
  return true;
}

// Crystal system and trial cell.
bool ReadCell(Job& job, LineReader& reader, MessageSink& sink) {
  std::string line;
  if (!NextSection(reader, line, "Crystal system not found", sink)) return false;
  int system = job.m_nCrystalSystem;
  FieldScanner(line).Int(system);
  // The form and the refinement know only the seven systems; a refused code
  // never reaches the job.
  if (system < kTriclinic || system > kCubic) {
    sink.Show(NotAcceptable("Crystal system", line));
    return false;
  }
  job.m_nCrystalSystem = system;

  if (!NextSection(reader, line, "Cell dimensions not found", sink)) return false;
  FieldScanner cell(line);
  for (double& value : job.m_dCell) {
    if (!cell.Double(value)) break;
  }
  return true;
}

bool ReadReflections(Job& job, LineReader& reader, MessageSink& sink) {
  std::string line;
  if (!NextSection(reader, line, "Data number not found", sink)) return false;
  int count = job.m_nReflections;
  FieldScanner(line).Int(count);
  // The job holds at most kMaxReflections reflections.
  if (count < 0 || count > kMaxReflections) {
    sink.Show(NotAcceptable("Data number", line));
    return false;
  }
  job.m_nReflections = count;
  for (int i = 0; i < job.m_nReflections; ++i) {
    if (!reader.Next(line)) {
      sink.Show("No data found");
      return false;
    }
    FieldScanner row(line);
    row.Int(job.m_nH[i]) && row.Int(job.m_nK[i]) && row.Int(job.m_nL[i]) &&
        row.Double(job.m_dTwoTheta[i]) && row.Double(job.m_dWeight[i]);
    job.m_dTwoThetaRaw[i] = job.m_dTwoTheta[i];
  }
  return true;
}

// The optional observed silicon values; the calibration is on when they
// were read whole.
bool ReadSilicon(Job& job, LineReader& reader, MessageSink& sink) {
  std::string line;
  if (!NextHeader(reader, line)) {
    job.m_bInternalStd = 0;
    return true;
  }
  int siCount = job.m_nSiObs;
  FieldScanner(line).Int(siCount);
  // One observed value per silicon reference reflection, no more.
  if (siCount > kSiliconReflections) {
    sink.Show(NotAcceptable("Si data number", line));
    return false;
  }
  job.m_nSiObs = siCount;
  job.m_bInternalStd = 0;
  if (job.m_nSiObs <= 0) return true;
  for (int i = 0; i < job.m_nSiObs; ++i) {
    if (!reader.Next(line)) {
      sink.Show("No Si data found");
      return true;
    }
    FieldScanner(line).Double(job.m_dSiTwoThetaObs[i]);
  }
  job.m_bInternalStd = 1;
  return true;
}

// Reads the file up to the point where the flags are set; the caller sets
// them on success.
bool ReadSections(Job& job, LineReader& reader, MessageSink& sink) {
  return ReadHead(job, reader, sink) && ReadCell(job, reader, sink) &&
         ReadReflections(job, reader, sink) && ReadSilicon(job, reader, sink);
}

// Appends a fixed-width field. A value that fills its whole width would run
// into the field before it ("  28.440001000.00000" reads back as 28.440001000
// and 0), so such a field gets one blank in front; every other field is
// written exactly in its width.
void AppendField(std::string& line, const std::string& field) {
  if (!line.empty() && !field.empty() && field[0] != ' ' && field[0] != '-' && field[0] != '+' &&
      line.back() != ' ')
    line += ' ';
  line += field;
}

}  // namespace

bool ReadInputFile(Job& job, MessageSink& sink) {
  std::ifstream in;
  std::string reason;
  if (!OpenForReading(job.m_strInputPath, in, &reason)) {
    sink.Show("Input file not open !!!\n" + PrintableText(job.m_strInputPath, 200) + ": " + reason);
    return false;
  }
  LineReader reader(in);
  if (!ReadSections(job, reader, sink)) return false;
  job.m_nCorrection = kNoCorrection;
  job.m_nWeighting = kUnity;
  job.m_bRefined = false;
  job.m_bInputLoaded = true;
  return true;
}

std::string InputFileText(const Job& job) {
  std::string text;
  text += job.m_strTitle;
  text += '\n';
  text += Format("%d\n", job.m_nCorrection);
  // A Manual job carries its known corrections on the line after the code,
  // so that the file reads back as it was.
  if (job.m_nCorrection == kManual) {
    text += Format("%10.5lf%10.5lf%10.5lf\n", job.m_dZero, job.m_dDisp, job.m_dEmu);
  }
  text += Format("%10.7lf  %7.3lf\n", job.m_dWavelength, job.m_dGonioRadius);
  text += Format("%d\n", job.m_nCrystalSystem);
  std::string line;
  for (double value : job.m_dCell) AppendField(line, Format("%10.5lf", value));
  text += line + '\n';
  text += Format("%3d\n", job.m_nReflections);
  const int n = job.m_nReflections < kMaxReflections ? job.m_nReflections : kMaxReflections;
  for (int i = 0; i < n; ++i) {
    line = Format("%5d", job.m_nH[i]);
    AppendField(line, Format("%5d", job.m_nK[i]));
    AppendField(line, Format("%5d", job.m_nL[i]));
    AppendField(line, Format("%10.5lf", job.m_dTwoTheta[i]));
    AppendField(line, Format("%10.5lf", job.m_dWeight[i]));
    text += line + '\n';
  }
  return text;
}

bool WriteInputFile(const Job& job, MessageSink& sink) {
  if (!ReplaceFile(job.m_strInputPath, InputFileText(job))) {
    const int error = errno;
    sink.Show(PrintableText(job.m_strInputPath, 200) + " cannot created !!!\n" + std::strerror(error));
    return false;
  }
  return true;
}

}  // namespace lattrix
