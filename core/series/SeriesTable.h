// The series table as comma-separated values (RFC 4180), and the reader of
// the x file that gives each job its temperature, pressure or time.
#pragma once

#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "series/SeriesRun.h"

namespace lattrix {

// The column names, in order: file, title, x, status, n, dof, a, s_a, ...,
// ssd, s_ssd, sd_2theta, flagged, message.
const std::vector<std::string>& SeriesColumnNames();

// The fields of a row as the table shows them (not quoted): numbers as
// "%.10g" in the C locale, empty where not finite and for every result of a
// refused job or an undefined result; status "ok", "refused" or
// "undefined"; the job's messages on one line, joined with "; ".
std::vector<std::string> SeriesRowFields(const SeriesRow& row);

// The header line and one line per row, each ending in LF.
std::string SeriesTableText(const std::vector<SeriesRow>& rows);

// The fields of one CSV line; a field that begins with a quote may hold
// commas and doubled quotes (not line breaks), a quote elsewhere is kept.
std::vector<std::string> SplitCsvLine(const std::string& line);

// Reads an x file: a header "file,NAME" (NAME becomes the axis title), then
// one line per job, its file name and a number. Blank lines are skipped; a
// directory in the file column is ignored. False after a message naming the
// file and line for a file that cannot be read, a header without two
// columns, a line without a number, or a file name given twice.
bool ReadSeriesAxis(const std::string& path, SeriesAxis& axis, MessageSink& sink);

}  // namespace lattrix
