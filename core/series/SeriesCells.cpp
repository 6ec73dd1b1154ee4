#include "series/SeriesCells.h"

#include <cmath>

#include "results/CifWriter.h"
#include "series/SeriesTable.h"

namespace lattrix {

namespace {

// Where the table's fields stand (SeriesColumnNames): file, title, x,
// status, n, dof, then value and s.u. of each quantity.
constexpr size_t kFirstValueField = 6;
constexpr size_t kStatusField = 3;

}  // namespace

const std::vector<std::string>& SeriesCellNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n = {"file", "title", "x", "status", "message", "n", "dof"};
    for (int q = 0; q < kSeriesQuantities; ++q) n.push_back(SeriesQuantityName(q));
    n.push_back("sd_2theta");
    n.push_back("flagged");
    return n;
  }();
  return names;
}

std::vector<std::string> SeriesRowCells(const SeriesRow& row) {
  const std::vector<std::string> fields = SeriesRowFields(row);
  std::vector<std::string> cells(fields.begin(), fields.begin() + kFirstValueField);
  if (row.cancelled) cells[kStatusField] = "cancelled";
  cells.insert(cells.begin() + kStatusField + 1, fields.back());
  for (int q = 0; q < kSeriesQuantities; ++q)
    cells.push_back(row.refined && std::isfinite(row.value[q]) ? ValueWithSu(row.value[q], row.sigma[q]) : std::string());
  cells.push_back(fields[fields.size() - 3]);
  cells.push_back(fields[fields.size() - 2]);
  return cells;
}

SeriesCounts CountSeries(const std::vector<SeriesRow>& rows) {
  SeriesCounts counts;
  for (const SeriesRow& row : rows) {
    size_t& count = row.refined ? counts.refined
                    : row.undefined ? counts.undefined
                    : row.cancelled ? counts.cancelled
                                    : counts.refused;
    ++count;
  }
  return counts;
}

}  // namespace lattrix
