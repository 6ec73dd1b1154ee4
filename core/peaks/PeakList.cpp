#include "peaks/PeakList.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <sstream>

#include "common/TextIO.h"
#include "engine/CohenModel.h"
#include "job/Job.h"

namespace lattrix {
namespace {

constexpr double kPi = 3.14159265358979323846;

// What a column of a table holds.
enum class Column { kOther, kH, kK, kL, kHkl, kTwoTheta, kD, kQ, kEsd };

struct NamedColumn {
  const char* name;
  Column column;
};

// Column names as a header gives them, compared after NormalName.
const NamedColumn kColumnNames[] = {
    {"h", Column::kH},           {"k", Column::kK},          {"l", Column::kL},
    {"hkl", Column::kHkl},       {"2theta", Column::kTwoTheta}, {"2-theta", Column::kTwoTheta},
    {"2th", Column::kTwoTheta},  {"two_theta", Column::kTwoTheta}, {"2\xCE\xB8", Column::kTwoTheta},
    {"pos", Column::kTwoTheta},  {"position", Column::kTwoTheta}, {"angle", Column::kTwoTheta},
    {"d", Column::kD},           {"d-spacing", Column::kD},  {"d-sp", Column::kD},
    {"d_spacing", Column::kD},   {"d-value", Column::kD},    {"d-wert", Column::kD},
    {"q", Column::kQ},           {"esd", Column::kEsd},      {"sigma", Column::kEsd},
    {"sig", Column::kEsd},       {"s.u", Column::kEsd},      {"su", Column::kEsd},
    {"error", Column::kEsd},     {"err", Column::kEsd},
};

const char* ColumnLabel(Column column) {
  switch (column) {
    case Column::kH: return "h";
    case Column::kK: return "k";
    case Column::kL: return "l";
    case Column::kHkl: return "hkl";
    case Column::kTwoTheta: return "2theta";
    case Column::kD: return "d";
    case Column::kQ: return "q";
    case Column::kEsd: return "esd";
    default: return "";
  }
}

// A header name without its unit in brackets, in lower case, without blanks
// around it and a full stop at its end: "Pos. [°2Th.]" is "pos".
std::string NormalName(const std::string& name) {
  std::string out;
  int depth = 0;
  for (char c : name) {
    if (c == '[' || c == '(') ++depth;
    if (depth == 0) out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if ((c == ']' || c == ')') && depth > 0) --depth;
  }
  out = TrimmedText(out);
  while (!out.empty() && out.back() == '.') out.pop_back();
  return out;
}

Column ColumnOf(const std::string& header) {
  const std::string name = NormalName(header);
  for (const NamedColumn& named : kColumnNames)
    if (name == NormalName(named.name)) return named.column;
  return Column::kOther;
}

// The separator of a table, found from its first line: tab, semicolon or
// comma when the line has one, else blanks (' ').
char SeparatorOf(const std::string& line) {
  for (char c : {'\t', ';', ','})
    if (line.find(c) != std::string::npos) return c;
  return ' ';
}

// The fields of a line: split at the separator (a field in double quotes
// may hold it), or at runs of blanks; blanks around a field trimmed.
std::vector<std::string> SplitFields(const std::string& line, char separator) {
  std::vector<std::string> fields;
  if (separator == ' ') {
    std::istringstream words(line);
    return std::vector<std::string>(std::istream_iterator<std::string>(words), std::istream_iterator<std::string>());
  }
  // A quote opens a quoted field only at the field's start; within it a
  // doubled quote is one quote (RFC 4180).
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') field += c;
      else if (i + 1 < line.size() && line[i + 1] == '"') field += line[++i];
      else quoted = false;
    } else if (c == separator) {
      fields.push_back(TrimmedText(field));
      field.clear();
    } else if (c == '"' && TrimmedText(field).empty()) {
      quoted = true;
    } else {
      field += c;
    }
  }
  fields.push_back(TrimmedText(field));
  return fields;
}

// A header line drops its bracketed units before it is split at blanks, so
// that "Pos. [°2Th.]" stays one name.
std::vector<std::string> SplitHeader(const std::string& line, char separator) {
  if (separator != ' ') return SplitFields(line, separator);
  std::string plain;
  int depth = 0;
  for (char c : line) {
    if (c == '[') ++depth;
    if (depth == 0) plain += c;
    if (c == ']' && depth > 0) --depth;
  }
  return SplitFields(plain, separator);
}

// A number with an optional esd in parentheses on its last digits:
// "39.7331(8)" is 39.7331 with esd 0.0008. A decimal comma is read where the
// separator is not a comma.
bool ReadValue(std::string field, bool decimalComma, double& value, double& esd, bool& hasEsd) {
  if (decimalComma)
    for (char& c : field)
      if (c == ',') c = '.';
  hasEsd = false;
  const size_t open = field.find('(');
  if (open == std::string::npos) return ReadNumberField(field, value);
  const std::string number = field.substr(0, open);
  if (field.back() != ')' || open + 2 >= field.size()) return false;
  const std::string digits = field.substr(open + 1, field.size() - open - 2);
  int units = 0;
  if (!ReadWholeField(digits, units) || units < 0 || digits.find_first_not_of("0123456789") != std::string::npos ||
      number.find_first_of("eE") != std::string::npos || !ReadNumberField(number, value))
    return false;
  const size_t point = number.find('.');
  const int decimals = point == std::string::npos ? 0 : static_cast<int>(number.size() - point - 1);
  esd = units * std::pow(10.0, -decimals);
  hasEsd = true;
  return true;
}

// h k l in one field: "1 1 0", "1,1,0" or "(1 1 0)".
bool ReadHkl(std::string field, Peak& peak) {
  for (char& c : field)
    if (c == '(' || c == ')' || c == ',') c = ' ';
  const std::vector<std::string> parts = SplitFields(field, ' ');
  return parts.size() == 3 && ReadWholeField(parts[0], peak.h) && ReadWholeField(parts[1], peak.k) &&
         ReadWholeField(parts[2], peak.l);
}

bool IsNumberLike(const std::string& field) {
  double value = 0.0, esd = 0.0;
  bool hasEsd = false;
  return ReadValue(field, true, value, esd, hasEsd);
}

// The layout of the list: which field holds what.
struct Layout {
  char separator = ' ';
  std::vector<Column> columns;   // one per field
  size_t valueField = 0;
  int esdField = -1;             // -1: none
  int hField = -1, kField = -1, lField = -1, hklField = -1;
  size_t fields = 0;             // fields a line must have (at least)
};

// The lines that carry data: not blank, not a '#' comment, with their numbers.
struct TextLine {
  int number;
  std::string text;
};

std::vector<TextLine> DataLines(const std::string& text) {
  std::istringstream in(text);
  LineReader reader(in);
  std::vector<TextLine> lines;
  std::string line;
  for (int number = 1; reader.Next(line); ++number) {
    const std::string trimmed = TrimmedText(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    lines.push_back({number, line});
  }
  return lines;
}

class PeakReader {
 public:
  PeakReader(const std::string& name, PeakUnits listUnits, MessageSink& sink)
      : name_(name), listUnits_(listUnits), sink_(sink) {}

  bool Read(const std::string& text, PeakList& out) {
    const std::vector<TextLine> lines = DataLines(text);
    if (lines.empty()) return Refuse(0, "", "holds no peaks");
    PeakList list;
    Layout layout;
    size_t first = 0;
    const char separator = SeparatorOf(lines[0].text);
    const std::vector<std::string> fields = SplitFields(lines[0].text, separator);
    bool header = false;
    for (const std::string& field : fields) header = header || !IsNumberLike(field);
    if (header) {
      if (!TableLayout(lines[0], separator, layout, list)) return false;
      first = 1;
    } else if (!ListLayout(lines[0], separator, layout, list)) {
      return false;
    }
    for (size_t i = first; i < lines.size(); ++i) {
      Peak peak;
      if (!ReadPeak(lines[i], layout, list.hasHkl, peak)) return false;
      list.peaks.push_back(peak);
    }
    if (list.peaks.empty()) return Refuse(0, "", "holds no peaks");
    out = list;
    return true;
  }

 private:
  bool TableLayout(const TextLine& line, char separator, Layout& layout, PeakList& list) {
    layout.separator = separator;
    const std::vector<std::string> names = SplitHeader(line.text, separator);
    int value[3] = {-1, -1, -1};  // 2theta, d, Q
    for (size_t f = 0; f < names.size(); ++f) {
      const Column column = ColumnOf(names[f]);
      layout.columns.push_back(column);
      const int at = static_cast<int>(f);
      switch (column) {
        case Column::kH: layout.hField = at; break;
        case Column::kK: layout.kField = at; break;
        case Column::kL: layout.lField = at; break;
        case Column::kHkl: layout.hklField = at; break;
        case Column::kTwoTheta: if (value[0] < 0) value[0] = at; break;
        case Column::kD: if (value[1] < 0) value[1] = at; break;
        case Column::kQ: if (value[2] < 0) value[2] = at; break;
        case Column::kEsd: if (layout.esdField < 0) layout.esdField = at; break;
        default: break;
      }
      if (column != Column::kOther) list.columns.push_back(ColumnLabel(column));
    }
    const PeakUnits units[3] = {PeakUnits::kTwoTheta, PeakUnits::kD, PeakUnits::kQ};
    int chosen = -1;
    for (int u = 2; u >= 0; --u)
      if (value[u] >= 0) chosen = u;
    if (chosen < 0) return Refuse(line.number, line.text, "names no column of 2theta, d or Q");
    layout.valueField = static_cast<size_t>(value[chosen]);
    list.units = units[chosen];
    list.hasHeader = true;
    const bool separate = layout.hField >= 0 && layout.kField >= 0 && layout.lField >= 0;
    list.hasHkl = separate || layout.hklField >= 0;
    if (!separate) layout.hField = layout.kField = layout.lField = -1;
    layout.fields = 1 + std::max({layout.valueField, static_cast<size_t>(std::max(layout.esdField, 0)),
                                  static_cast<size_t>(std::max({layout.hField, layout.kField, layout.lField, 0})),
                                  static_cast<size_t>(std::max(layout.hklField, 0))});
    return true;
  }

  // "h k l value [esd]" or "value [esd]", from the first line's fields.
  bool ListLayout(const TextLine& line, char separator, Layout& layout, PeakList& list) {
    layout.separator = separator;
    const size_t n = SplitFields(line.text, separator).size();
    if (n != 1 && n != 2 && n != 4 && n != 5)
      return Refuse(line.number, line.text, "is neither \"h k l value [esd]\" nor \"value [esd]\"");
    list.units = listUnits_;
    list.hasHkl = n >= 4;
    if (list.hasHkl) layout.hField = 0, layout.kField = 1, layout.lField = 2;
    layout.valueField = list.hasHkl ? 3 : 0;
    if (n == 2 || n == 5) layout.esdField = static_cast<int>(layout.valueField) + 1;
    layout.fields = n;
    for (const char* label : {"h", "k", "l"})
      if (list.hasHkl) list.columns.push_back(label);
    list.columns.push_back(PeakUnitsName(list.units));
    if (layout.esdField >= 0) list.columns.push_back("esd");
    return true;
  }

  bool ReadPeak(const TextLine& line, const Layout& layout, bool withHkl, Peak& peak) {
    const std::vector<std::string> fields = SplitFields(line.text, layout.separator);
    // A table's lines may have more fields than it reads; a list's have as
    // many as its first line.
    const bool table = !layout.columns.empty();
    if (table ? fields.size() < layout.fields : fields.size() != layout.fields)
      return Refuse(line.number, line.text, Format("has %zu fields, %zu expected", fields.size(), layout.fields));
    peak.line = line.number;
    const bool comma = layout.separator != ',';
    bool hasEsd = false;
    if (!ReadValue(fields[layout.valueField], comma, peak.value, peak.esd, hasEsd) || !(peak.value > 0.0))
      return Refuse(line.number, line.text, "has a position that is not a positive number");
    if (layout.esdField >= 0 && !hasEsd) {
      double unused = 0.0;
      bool more = false;
      const std::string& esd = fields[static_cast<size_t>(layout.esdField)];
      if (!esd.empty() && (!ReadValue(esd, comma, peak.esd, unused, more) || peak.esd < 0.0 || more))
        return Refuse(line.number, line.text, "has an esd that is not a number of 0 or more");
    }
    if (!withHkl) return true;
    peak.hasHkl = true;
    const bool read = layout.hklField >= 0
                          ? ReadHkl(fields[static_cast<size_t>(layout.hklField)], peak)
                          : ReadWholeField(fields[static_cast<size_t>(layout.hField)], peak.h) &&
                                ReadWholeField(fields[static_cast<size_t>(layout.kField)], peak.k) &&
                                ReadWholeField(fields[static_cast<size_t>(layout.lField)], peak.l);
    return read || Refuse(line.number, line.text, "has h k l that are not three whole numbers");
  }

  // "<name>, line N: <problem>: "<line>" !!!"
  bool Refuse(int number, const std::string& text, const std::string& problem) {
    std::string message = PrintableText(name_, 200);
    if (number > 0) message += Format(", line %d", number);
    message += " " + problem;
    if (number > 0) message += ": \"" + PrintableText(text) + "\"";
    sink_.Show(message + " !!!");
    return false;
  }

  const std::string& name_;
  PeakUnits listUnits_;
  MessageSink& sink_;
};

}  // namespace

bool ParsePeakUnits(const std::string& name, PeakUnits& out) {
  const std::string n = NormalName(name);
  if (n == "2theta") out = PeakUnits::kTwoTheta;
  else if (n == "d") out = PeakUnits::kD;
  else if (n == "q") out = PeakUnits::kQ;
  else return false;
  return true;
}

const char* PeakUnitsName(PeakUnits units) {
  return units == PeakUnits::kD ? "d" : units == PeakUnits::kQ ? "q" : "2theta";
}

bool ReadPeakText(const std::string& text, const std::string& name, PeakUnits listUnits, PeakList& out,
                  MessageSink& sink) {
  return PeakReader(name, listUnits, sink).Read(text, out);
}

bool ReadPeakFile(const std::string& path, PeakUnits listUnits, PeakList& out, MessageSink& sink) {
  std::string text, reason;
  if (!ReadWholeFile(path, text, &reason)) {
    sink.Show(PrintableText(path, 200) + " not open !!!\n" + reason);
    return false;
  }
  return ReadPeakText(text, path, listUnits, out, sink);
}

bool PeakTwoTheta(const Peak& peak, PeakUnits units, double wavelength, double& twoTheta, double& esd) {
  // sin(theta) = lambda / (2 d) = lambda Q / (4 pi).
  double s = 0.0, dsdv = 0.0;
  switch (units) {
    case PeakUnits::kTwoTheta:
      twoTheta = peak.value;
      esd = peak.esd;
      return UnphysicalTwoTheta(peak.value) == nullptr;
    case PeakUnits::kD:
      s = wavelength / (2.0 * peak.value);
      dsdv = -wavelength / (2.0 * peak.value * peak.value);
      break;
    case PeakUnits::kQ:
      s = wavelength * peak.value / (4.0 * kPi);
      dsdv = wavelength / (4.0 * kPi);
      break;
  }
  if (!(s > 0.0 && s < 1.0)) return false;
  // 2theta = 2 asin(s): d(2theta)/ds = 2 / sqrt(1 - s^2), in degrees.
  twoTheta = 2.0 * std::asin(s) / kDegToRad;
  esd = std::fabs(2.0 / std::sqrt(1.0 - s * s) * dsdv) * peak.esd / kDegToRad;
  return true;
}

}  // namespace lattrix
