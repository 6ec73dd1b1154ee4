#include "job/InputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>
#include <utility>

#include "common/AtomicFile.h"
#include "common/TextIO.h"

namespace lattrix {
namespace {

bool IsCommentLine(std::string_view line) {
  for (char c : line) {
    if (c == ' ' || c == '\t') continue;
    return c == '#';
  }
  return false;
}

bool IsFieldSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

// The refused line is quoted as printable text: a binary file's bytes must
// not reach the user's terminal.
std::string NotAcceptable(const char* what, std::string_view line) {
  return std::string(what) + "=" + PrintableText(std::string(line)) + " is not acceptable !!!";
}

// The first field of a line (a line holds no line feed), as FieldOf(line, 1)
// gives it.
std::string_view FirstField(std::string_view line) {
  size_t a = 0;
  while (a < line.size() && IsFieldSpace(line[a])) ++a;
  size_t b = a;
  while (b < line.size() && !IsFieldSpace(line[b])) ++b;
  return line.substr(a, b - a);
}

// A job file read line by line, each line's numbers field by field. A field
// that is there is read whole or the file is refused with its place: a value
// is never half read, guessed or kept from somewhere else. The lines are
// views into the file's text, cut as LineReader cuts them.
class JobFileReader {
 public:
  JobFileReader(std::string_view text, const std::string& path, MessageSink& sink)
      : text_(text), path_(path), sink_(sink), hasNul_(text.find('\0') != std::string_view::npos) {}

  // The next line that is not a comment, or the message that names the
  // missing section.
  bool NextHeader(const char* missing) {
    while (NextLine()) {
      if (!IsCommentLine(line_)) return true;
    }
    if (missing != nullptr) sink_.Show(missing);
    return false;
  }
  // The next line as it stands; false at the end of the file.
  bool NextLine() {
    if (next_ >= text_.size()) return false;
    const size_t end = text_.find('\n', next_);
    line_ = text_.substr(next_, end == std::string_view::npos ? std::string_view::npos : end - next_);
    next_ = end == std::string_view::npos ? text_.size() : end + 1;
    if (!line_.empty() && line_.back() == '\r') line_.remove_suffix(1);
    const size_t nul = hasNul_ ? line_.find('\0') : std::string_view::npos;
    if (nul != std::string_view::npos) line_ = line_.substr(0, nul);
    ++number_;
    at_ = 0;
    fieldAt_ = std::string_view::npos;
    return true;
  }
  std::string_view line() const { return line_; }
  // True when the current line holds no field (blank).
  bool Blank() { return Field().empty(); }

  // The next field as a number or a whole number; a missing field or one
  // that is not what is expected refuses the file.
  bool Number(const char* what, double& out) {
    const std::string_view field = TakeField();
    if (field.empty()) return Refuse(what, "is missing");
    return ReadNumberField(field, out) || Refuse(what, "is not a number");
  }
  bool Whole(const char* what, int& out) {
    const std::string_view field = TakeField();
    if (field.empty()) return Refuse(what, "is missing");
    if (ReadWholeField(field, out)) return true;
    const bool digits = field.find_first_not_of("+-0123456789") == std::string_view::npos;
    return Refuse(what, digits ? "is out of range" : "is not a whole number");
  }
  // A number that a line may leave out: false without a message when the
  // line ends (or a '#' remark begins) here; a field that is there must be
  // a number, else `refused` is set.
  bool OptionalNumber(const char* what, double& out, bool& refused) {
    const std::string_view field = Field();
    if (field.empty() || field[0] == '#') return false;
    refused = !Number(what, out);
    return !refused;
  }
  // The next field when it is one number; anything else is left alone.
  void LenientNumber(double& out) {
    const std::string_view field = Field();
    if (!field.empty() && ReadNumberField(field, out)) TakeField();
  }
  // A value read whole that cannot be physical.
  bool Physical(const char* what, double value, const char* problem) {
    return problem == nullptr || Refuse(Format("%s=%.10g", what, value).c_str(), problem);
  }

 private:
  // A field ends at white space, or where the sign of the next number
  // follows a digit: a fixed-width column of the file's writer may fill its
  // width ("  15.82660-100.00000" is two numbers), as C's scanf reads it.
  // A field looked at and then taken is cut once.
  std::string_view Field() {
    if (fieldAt_ == at_) return field_;
    size_t a = at_;
    while (a < line_.size() && IsFieldSpace(line_[a])) ++a;
    size_t b = a;
    while (b < line_.size() && !IsFieldSpace(line_[b]) && !(b > a && SignAfterDigit(b))) ++b;
    fieldAt_ = at_;
    field_ = line_.substr(a, b - a);
    return field_;
  }
  bool SignAfterDigit(size_t i) const {
    const char before = line_[i - 1];
    return (line_[i] == '-' || line_[i] == '+') && ((before >= '0' && before <= '9') || before == '.');
  }
  std::string_view TakeField() {
    const std::string_view field = Field();
    at_ = static_cast<size_t>(field.data() + field.size() - line_.data());
    return field;
  }
  // "quartz.inp, line 15: 2theta is not a number: "1 1 0 abc 1.0" !!!"
  bool Refuse(const char* what, const char* problem) {
    sink_.Show(Format("%s, line %d: %s %s: \"", PrintableText(path_, 200).c_str(), number_, what, problem) +
               PrintableText(std::string(line_)) + "\" !!!");
    return false;
  }

  std::string_view text_;
  size_t next_ = 0;   // where the next line starts
  const std::string& path_;
  MessageSink& sink_;
  std::string_view line_;
  int number_ = 0;
  size_t at_ = 0;
  size_t fieldAt_ = std::string_view::npos;  // where field_ was cut from
  std::string_view field_;
  bool hasNul_;  // the text holds a NUL byte, which ends its line
};

// A code or count line: one whole number (else the file is refused with
// the place), within its range (else "<name>=<line> is not acceptable").
bool ReadCode(JobFileReader& reader, const char* what, const char* name, int low, int high, int& out,
              MessageSink& sink) {
  int value = 0;
  if (!reader.Whole(what, value)) return false;
  if (value < low || value > high) {
    sink.Show(NotAcceptable(name, reader.line()));
    return false;
  }
  out = value;
  return true;
}

// Title, correction code (with Manual mode's known corrections) and the
// instrument.
bool ReadHead(Job& job, JobFileReader& reader, MessageSink& sink) {
  if (!reader.NextHeader("Title not found")) return false;
  const std::string_view line = reader.line();
  job.m_strTitle.assign(line.substr(0, line.find('#')));

  if (!reader.NextHeader("Correction type not found")) return false;
  // Any line that is not one code 1..5 gets the code's own message.
  int icode = 0;
  if (!ReadWholeField(FirstField(reader.line()), icode) || icode < kManual || icode > kZeroAndDisplacement) {
    sink.Show(NotAcceptable("icode", reader.line()));
    return false;
  }
  job.m_nCorrection = icode;
  // Known corrections come only from a Manual job's own line.
  job.m_dZero = job.m_dDisp = job.m_dEmu = 0.0;
  if (job.m_nCorrection == kManual && reader.NextLine() &&
      !(reader.Number("zero", job.m_dZero) && reader.Number("ssd", job.m_dDisp) &&
        reader.Number("emu", job.m_dEmu)))
    return false;

  if (!reader.NextHeader("Wavelength not found")) return false;
  return reader.Number("wavelength", job.m_dWavelength) && reader.Number("goniometer radius", job.m_dGonioRadius);
}

// Crystal system and trial cell.
bool ReadCell(Job& job, JobFileReader& reader, MessageSink& sink) {
  if (!reader.NextHeader("Crystal system not found")) return false;
  // The form and the refinement know only the seven systems.
  if (!ReadCode(reader, "crystal system", "Crystal system", kTriclinic, kCubic, job.m_nCrystalSystem, sink)) return false;

  if (!reader.NextHeader("Cell dimensions not found")) return false;
  for (int j = 0; j < 6; ++j) {
    const char* name = CellConstantName(j);
    if (!reader.Number(name, job.m_dCell[j]) ||
        !reader.Physical(name, job.m_dCell[j], UnphysicalCellConstant(j, job.m_dCell[j])))
      return false;
  }
  return true;
}

// One reflection line: h k l 2theta, and the weight when the line has one
// (a line without it takes weight 1; the run sets the weights anyway).
bool ReadReflection(Job& job, JobFileReader& reader, int i) {
  if (!(reader.Whole("h", job.m_nH[i]) && reader.Whole("k", job.m_nK[i]) && reader.Whole("l", job.m_nL[i]) &&
        reader.Number("2theta", job.m_dTwoTheta[i]) &&
        reader.Physical("2theta", job.m_dTwoTheta[i], UnphysicalTwoTheta(job.m_dTwoTheta[i]))))
    return false;
  job.m_dTwoThetaRaw[i] = job.m_dTwoTheta[i];
  bool refused = false;
  if (!reader.OptionalNumber("weight", job.m_dWeight[i], refused)) job.m_dWeight[i] = 1.0;
  // The esd of 2theta may follow the weight; text that is not a number is
  // a remark, as after every line's numbers.
  job.m_dEsd[i] = 0.0;
  if (!refused) reader.LenientNumber(job.m_dEsd[i]);
  if (job.m_dEsd[i] < 0.0) job.m_dEsd[i] = 0.0;
  return !refused;
}

bool ReadReflections(Job& job, JobFileReader& reader, MessageSink& sink) {
  if (!reader.NextHeader("Data number not found")) return false;
  // The job holds at most kMaxReflections reflections.
  if (!ReadCode(reader, "data number", "Data number", 0, kMaxReflections, job.m_nReflections, sink)) return false;
  for (int i = 0; i < job.m_nReflections; ++i) {
    if (!reader.NextLine()) {
      sink.Show("No data found");
      return false;
    }
    if (!ReadReflection(job, reader, i)) return false;
  }
  return true;
}

// The optional observed silicon values; the calibration is on when they
// were read whole. A blank line or the end of the file where the section
// would start means the file has none.
bool ReadSilicon(Job& job, JobFileReader& reader, MessageSink& sink) {
  job.m_bInternalStd = 0;
  job.m_nSiObs = 0;
  if (!reader.NextHeader(nullptr) || reader.Blank()) return true;
  int count = 0;
  if (!reader.Whole("Si data number", count)) return false;
  // One observed value per silicon reference reflection, no more.
  if (count > kSiliconReflections) {
    sink.Show(NotAcceptable("Si data number", reader.line()));
    return false;
  }
  if (count <= 0) return true;
  job.m_nSiObs = count;
  for (int i = 0; i < count; ++i) {
    if (!reader.NextLine()) {
      // The values read so far stay, but the calibration is off.
      job.m_nSiObs = i;
      sink.Note("No Si data found");
      return true;
    }
    double& value = job.m_dSiTwoThetaObs[i];
    if (!reader.Number("Si 2theta", value) || !reader.Physical("Si 2theta", value, UnphysicalTwoTheta(value)))
      return false;
  }
  job.m_bInternalStd = 1;
  return true;
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
  std::string text, reason;
  if (!ReadWholeFile(job.m_strInputPath, text, &reason)) {
    sink.Show("Input file not open !!!\n" + PrintableText(job.m_strInputPath, 200) + ": " + reason);
    return false;
  }
  return ReadInputText(job, text, sink);
}

bool ReadInputStream(Job& job, std::istream& in, MessageSink& sink) {
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return ReadInputText(job, text, sink);
}

bool ReadInputText(Job& job, std::string_view text, MessageSink& sink) {
  // Read into a copy: nothing of a refused file reaches the job.
  Job read = job;
  JobFileReader reader(text, job.m_strInputPath, sink);
  if (!(ReadHead(read, reader, sink) && ReadCell(read, reader, sink) && ReadReflections(read, reader, sink) &&
        ReadSilicon(read, reader, sink)))
    return false;
  read.m_nCorrection = kNoCorrection;
  read.m_nWeighting = kUnity;
  read.m_bRefined = false;
  read.m_bInputLoaded = true;
  job = std::move(read);
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
  // The esd column only for a job that has esd's: other files stay as they were.
  bool withEsd = false;
  for (int i = 0; i < job.m_nReflections; ++i) withEsd = withEsd || job.m_dEsd[i] > 0.0;
  for (int i = 0; i < job.m_nReflections; ++i) {
    line = Format("%5d", job.m_nH[i]);
    AppendField(line, Format("%5d", job.m_nK[i]));
    AppendField(line, Format("%5d", job.m_nL[i]));
    AppendField(line, Format("%10.5lf", job.m_dTwoTheta[i]));
    AppendField(line, Format("%10.5lf", job.m_dWeight[i]));
    if (withEsd) AppendField(line, Format("%10.6lf", job.m_dEsd[i]));
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
