#include "series/SeriesTable.h"

#include <charconv>
#include <cmath>
#include <fstream>

#include "common/TextIO.h"

namespace lattrix {

namespace {

// A number as "%.10g" writes it in the C locale (to_chars promises the
// same text, without printf's cost); empty when it is not finite.
std::string Number(double value) {
  if (!std::isfinite(value)) return std::string();
  char buf[32];
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 10);
  return std::string(buf, r.ptr);
}

// The job's messages on one line: each message's line breaks, and the
// blanks that indent its next line, become one blank.
std::string OneLineMessages(const std::vector<std::string>& messages) {
  std::string out;
  for (const std::string& message : messages) {
    if (!out.empty()) out += "; ";
    std::string text;
    bool lineBreak = false;
    for (char c : message) {
      if (c == '\n' || c == '\r') {
        lineBreak = true;
      } else if (lineBreak && c == ' ') {
        continue;
      } else {
        if (lineBreak && !text.empty()) text += ' ';
        lineBreak = false;
        text += c;
      }
    }
    out += text;
  }
  return out;
}

std::string StripUtf8Bom(const std::string& line) {
  return line.compare(0, 3, "\xEF\xBB\xBF") == 0 ? line.substr(3) : line;
}

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

const std::vector<std::string>& SeriesColumnNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n = {"file", "title", "x", "status", "n", "dof"};
    for (int q = 0; q < kSeriesQuantities; ++q) {
      n.push_back(SeriesQuantityName(q));
      n.push_back(std::string("s_") + SeriesQuantityName(q));
    }
    for (const char* tail : {"sd_2theta", "flagged", "message"}) n.push_back(tail);
    return n;
  }();
  return names;
}

std::vector<std::string> SeriesRowFields(const SeriesRow& row) {
  std::vector<std::string> f;
  f.reserve(SeriesColumnNames().size());
  f.push_back(row.file);
  f.push_back(PrintableLine(row.title));
  f.push_back(row.hasX ? Number(row.x) : std::string());
  f.push_back(row.refined ? "ok" : row.undefined ? "undefined" : "refused");
  if (row.refined) {
    f.push_back(std::to_string(row.reflections));
    f.push_back(std::to_string(row.degreesOfFreedom));
    for (int q = 0; q < kSeriesQuantities; ++q) {
      f.push_back(Number(row.value[q]));
      f.push_back(Number(row.sigma[q]));
    }
    f.push_back(Number(row.sdTwoTheta));
    f.push_back(std::to_string(row.flagged));
  } else {
    f.resize(SeriesColumnNames().size() - 1);
  }
  f.push_back(PrintableLine(OneLineMessages(row.messages)));
  return f;
}

std::string SeriesTableText(const std::vector<SeriesRow>& rows) {
  std::vector<std::vector<std::string>> fields = {SeriesColumnNames()};
  for (const SeriesRow& row : rows) fields.push_back(SeriesRowFields(row));
  return DelimitedText(fields, ',', "\n");
}

std::vector<std::string> SplitCsvLine(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  bool fieldStart = true;   // a quote opens a quoted field only here
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') {
        fields.back() += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"' && fieldStart) {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
      fieldStart = true;
      continue;
    } else {
      fields.back() += c;
    }
    fieldStart = false;
  }
  return fields;
}

bool ReadSeriesAxis(const std::string& path, SeriesAxis& axis, MessageSink& sink) {
  std::ifstream in;
  std::string reason;
  const std::string shown = PrintableText(path, 200);
  if (!OpenForReading(path, in, &reason)) {
    sink.Show(shown + " not open !!!\n" + reason);
    return false;
  }
  LineReader reader(in);
  std::string line;
  const bool hasHeader = reader.Next(line);
  const std::vector<std::string> header = SplitCsvLine(StripUtf8Bom(line));
  // A third column is the s.u. of x, named s_ and the quantity.
  const bool withSigma = header.size() == 3 && !header[1].empty() && header[2] == "s_" + header[1];
  if (!hasHeader || (header.size() != 2 && !withSigma) || header[1].empty()) {
    sink.Show(shown + ": the first line must name two columns, file and the x quantity (file,T_K), and may name "
                      "the s.u. of x third (s_T_K) !!!");
    return false;
  }
  axis = SeriesAxis();
  axis.name = header[1];
  axis.sourcePath = path;
  for (int number = 2; reader.Next(line); ++number) {
    if (IsBlank(line)) continue;
    const std::vector<std::string> fields = SplitCsvLine(line);
    double x = 0.0, sigma = 0.0;
    if (fields.size() != header.size() || !ParseNumberText(fields[1], x) ||
        (withSigma && (!ParseNumberText(fields[2], sigma) || sigma < 0.0))) {
      sink.Show(Format("%s line %d: ", shown.c_str(), number) + PrintableText(line) +
                (withSigma ? " is not a file name, a number and its s.u. !!!" : " is not a file name and a number !!!"));
      return false;
    }
    if (withSigma) axis.sigmas[FileNameOf(fields[0])] = sigma;
    if (!axis.values.emplace(FileNameOf(fields[0]), x).second) {
      sink.Show(Format("%s line %d: ", shown.c_str(), number) + PrintableText(FileNameOf(fields[0])) +
                " has an x value already !!!");
      return false;
    }
  }
  return true;
}

}  // namespace lattrix
