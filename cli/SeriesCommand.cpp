#include "SeriesCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "JsonResult.h"
#include "ResultFile.h"
#include "StderrSink.h"
#include "common/TextIO.h"
#include "results/CifWriter.h"
#include "series/SeriesRun.h"
#include "series/SeriesTable.h"

namespace lattrix {

namespace {

// The directory for the reports, made when it is missing.
bool UsableReportDir(const std::string& dir, MessageSink& sink) {
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 && ::mkdir(dir.c_str(), 0777) != 0) {
    sink.Show("--report-dir: " + FileProblem(dir, errno));
    return false;
  }
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    sink.Show("--report-dir: " + FileProblem(dir, ENOTDIR));
    return false;
  }
  return true;
}

// What the series keeps of each refined job beyond its row.
struct SeriesExtras {
  bool json = false;
  bool cif = false;
  std::vector<std::string> jsonTexts;
  std::vector<std::string> cifBlocks;   // each named by its job's title
};

SeriesHook KeepExtras(SeriesExtras& extras) {
  if (!extras.json && !extras.cif) return nullptr;
  return [&extras](size_t i, const Job& job, const RunResult& run) {
    if (extras.json) extras.jsonTexts[i] = JsonResultText(job, run.outcome, run.diagnostics, run.messages);
    if (extras.cif) extras.cifBlocks[i] = CifBlock(job, CifBlockName(job.m_strTitle));
  };
}

// Runs the series, with a progress line on a terminal once it takes longer
// than a second.
std::vector<SeriesRow> RunWithProgress(std::vector<SeriesJob> jobs, const RunChoices& choices, SeriesHook hook) {
  SeriesRun run(std::move(jobs), choices, std::move(hook));
  const auto start = std::chrono::steady_clock::now();
  run.Start();
  const bool terminal = ::isatty(STDERR_FILENO) != 0;
  bool shown = false;
  while (!run.WaitFor(std::chrono::milliseconds(200))) {
    if (!terminal || std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) continue;
    std::fprintf(stderr, "\rlattrix-refine: %zu of %zu jobs done", run.Finished(), run.Count());
    shown = true;
  }
  if (shown) std::fprintf(stderr, "\rlattrix-refine: %zu of %zu jobs done\n", run.Finished(), run.Count());
  return run.Wait();
}

// Every job's messages in the jobs' order, each line led by its file and
// shown printable.
void ShowMessages(const std::vector<SeriesRow>& rows, MessageSink& sink) {
  for (const SeriesRow& row : rows) {
    for (const std::string& message : row.messages) {
      std::string text;
      for (size_t start = 0;;) {
        const size_t end = message.find('\n', start);
        text += PrintableLine(row.file + ": " + message.substr(start, end - start));
        if (end == std::string::npos) break;
        text += '\n';
        start = end + 1;
      }
      sink.Show(text);
    }
  }
}

bool WriteExtras(const SeriesCommand& command, const std::vector<SeriesRow>& rows, const SeriesExtras& extras,
                 MessageSink& sink) {
  bool ok = true;
  if (extras.json) {
    std::vector<std::string> elements;
    for (size_t i = 0; i < rows.size(); ++i)
      elements.push_back(rows[i].refined ? extras.jsonTexts[i]
                                         : JsonRefusedText(rows[i].file, rows[i].title, rows[i].messages,
                                                           rows[i].undefined));
    ok = EmitResult(JsonArrayText(elements), command.jsonPath, sink) && ok;
  }
  if (extras.cif) {
    // Jobs of one title share a block name, which a CIF file cannot.
    std::vector<std::string> blocks, names;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (!rows[i].refined) continue;
      blocks.push_back(extras.cifBlocks[i]);
      names.push_back(CifBlockName(rows[i].title));
    }
    const std::vector<std::string> unique = UniqueCifBlockNames(names);
    std::string text = CifHeader();
    for (size_t k = 0; k < blocks.size(); ++k)
      text += (k > 0 ? "\n" : "") + unique[k] + blocks[k].substr(names[k].size());
    ok = EmitResult(text, command.cifPath, sink) && ok;
  }
  return ok;
}

}  // namespace

int RunSeriesCommand(const SeriesCommand& command) {
  StderrSink sink;
  SeriesAxis axis;
  if (!command.xPath.empty() && !ReadSeriesAxis(command.xPath, axis, sink)) return 2;
  if (!command.reportDir.empty() && !UsableReportDir(command.reportDir, sink)) return 2;
  std::vector<SeriesJob> jobs =
      PlanSeries(command.jobPaths, command.reportDir, command.xPath.empty() ? nullptr : &axis);

  SeriesExtras extras;
  extras.json = !command.jsonPath.empty();
  extras.cif = !command.cifPath.empty();
  extras.jsonTexts.resize(jobs.size());
  extras.cifBlocks.resize(jobs.size());
  const std::vector<SeriesRow> rows = RunWithProgress(std::move(jobs), command.choices, KeepExtras(extras));

  ShowMessages(rows, sink);
  bool ok = EmitResult(SeriesTableText(rows), command.tablePath, sink);
  ok = WriteExtras(command, rows, extras, sink) && ok;
  size_t refined = 0, undefined = 0;
  for (const SeriesRow& row : rows) {
    refined += row.refined ? 1 : 0;
    undefined += row.undefined ? 1 : 0;
  }
  const bool stdoutTaken = command.tablePath == "-" || command.jsonPath == "-" || command.cifPath == "-";
  const bool talk = !command.quiet && !stdoutTaken;
  if (talk) {
    const std::string undefinedCount = undefined > 0 ? Format(", %zu undefined", undefined) : std::string();
    std::printf("Series         : %zu jobs, %zu refined, %zu refused%s\nTable          : %s\n", rows.size(), refined,
                rows.size() - refined - undefined, undefinedCount.c_str(), command.tablePath.c_str());
  }
  if (command.trend.enabled) ok = RunTrendFit(command.trend, rows, axis.name, talk, sink) && ok;
  return ok && refined == rows.size() ? 0 : 1;
}

}  // namespace lattrix
