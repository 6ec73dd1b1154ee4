// The series table as the series window shows it: the job, its status and
// why it was not refined first, then each quantity with its s.u. in IUCr
// notation in one cell ("4.91342(4)"). The CSV table keeps full numbers in
// separate columns (SeriesTable.h).
#pragma once

#include <string>
#include <vector>

#include "series/SeriesRun.h"

namespace lattrix {

// file, title, x, status, message, n, dof, a, b, c, alpha, beta, gamma,
// volume, zero, ssd, sd_2theta, flagged.
const std::vector<std::string>& SeriesCellNames();

// A row's cells under those names: empty results for a job that was not
// refined; status "ok", "refused", "undefined" or "cancelled".
std::vector<std::string> SeriesRowCells(const SeriesRow& row);

// The jobs of a series counted: refined, refused, undefined, cancelled.
struct SeriesCounts {
  size_t refined = 0, refused = 0, undefined = 0, cancelled = 0;
};
SeriesCounts CountSeries(const std::vector<SeriesRow>& rows);

}  // namespace lattrix
