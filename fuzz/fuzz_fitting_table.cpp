// The fitting table read from a report of arbitrary bytes, with the job's
// 2theta columns and without them.
#include "FuzzSupport.h"
#include "common/TextIO.h"
#include "displays/FittingTable.h"

using namespace lattrix;
using lattrix_fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lattrix_fuzz::ScratchFile file("fitting_table");
  const std::string& path = file.Write(data, size);
  const Job job = lattrix_fuzz::SmallValidJob(path);

  for (int withJob = 0; withJob < 2; ++withJob) {
    lattrix_fuzz::QuietSink sink;
    FittingTable table;
    const int count = withJob ? job.m_nReflections : 0;
    const bool ok = ReadFittingTable(path, withJob ? job.m_dTwoThetaRaw : nullptr,
                                     withJob ? job.m_dTwoTheta : nullptr, count, table, sink);
    Check(ok == (sink.shown == 0), "a message exactly when the read fails");
    Check(table.rows.size() <= static_cast<size_t>(kFittingTableMaxRows), "row limit");
    for (size_t r = 0; r < table.rows.size(); ++r) {
      const auto& cells = table.rows[r];
      // Without a list the rows stay, all cells empty.
      if (!ok) {
        for (const std::string& cell : cells) Check(cell.empty(), "cells of a failed read");
        continue;
      }
      Check(cells[0] == Format("%2d", static_cast<int>(r) + 1), "row number");
      const bool fromJob = static_cast<int>(r) < count;
      Check(cells[4].empty() != fromJob && cells[5].empty() != fromJob,
            "2theta columns from the job");
      for (const std::string& cell : cells) Check(cell.size() <= size, "cell longer than the file");
    }
    Check(table.sumDelta.size() <= size && table.stdDelta.size() <= size, "sum texts");
  }
  return 0;
}
