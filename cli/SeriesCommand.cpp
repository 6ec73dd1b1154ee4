#include "SeriesCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <mutex>
#include <utility>

#include "JsonResult.h"
#include "ResultFile.h"
#include "StderrSink.h"
#include "common/AtomicFile.h"
#include "common/TextIO.h"
#include "results/CifWriter.h"
#include "series/SeriesRun.h"
#include "series/SeriesTable.h"
#include "series/TrendPlot.h"

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

// The job paths of a list, one a line; blank lines and lines that begin
// with '#' are skipped, spaces at either end are not part of a path.
bool ReadJobList(const std::string& path, std::vector<std::string>& paths, MessageSink& sink) {
  std::ifstream file;
  std::string reason;
  if (path != "-" && !OpenForReading(path, file, &reason)) {
    sink.Show("--series-list: " + PrintableText(path, 200) + ": " + reason);
    return false;
  }
  LineReader reader(path == "-" ? std::cin : file);
  std::string line;
  while (reader.Next(line)) {
    std::string job = TrimmedText(line);
    if (job.empty() || job[0] == '#') continue;
    paths.push_back(std::move(job));
  }
  if (path != "-" && file.bad()) {
    sink.Show("--series-list: " + FileProblem(path, EIO));
    return false;
  }
  return true;
}

// The jobs' JSON documents are the elements of one array.
constexpr int kElementDepth = 1;

// The JSON and CIF of each refined job, made on the thread that refined it
// and kept until its row is handed on: never more than the run's window.
class SeriesExtras {
 public:
  SeriesExtras(bool json, bool cif) : json_(json), cif_(cif) {}
  SeriesHook Hook() {
    if (!json_ && !cif_) return nullptr;
    return [this](size_t i, const Job& job, const RunResult& run) {
      std::pair<std::string, std::string> texts;
      if (json_) texts.first = JsonResultText(job, run.outcome, run.diagnostics, run.messages, kElementDepth);
      if (cif_) texts.second = CifBlock(job, CifBlockName(job.m_strTitle));
      std::lock_guard<std::mutex> lock(mutex_);
      texts_.emplace(i, std::move(texts));
    };
  }
  // The JSON and CIF block of job i; empty when it was not refined.
  std::pair<std::string, std::string> Take(size_t i) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = texts_.find(i);
    if (found == texts_.end()) return {};
    std::pair<std::string, std::string> texts = std::move(found->second);
    texts_.erase(found);
    return texts;
  }

 private:
  bool json_, cif_;
  std::mutex mutex_;
  std::map<size_t, std::pair<std::string, std::string>> texts_;
};

// The CIF of a series, one block per refined job. Jobs of one title share a
// block name, which a CIF file cannot; the unique names depend on every
// job's title, so the blocks wait in a scratch file, and the CIF is written
// once the last job is done.
class SeriesCif {
 public:
  ~SeriesCif() {
    if (scratch_ != nullptr) std::fclose(scratch_);
  }
  void Add(const std::string& name, const std::string& block) {
    if (scratch_ == nullptr && error_ == 0 && (scratch_ = std::tmpfile()) == nullptr) error_ = errno;
    const size_t size = block.size() - name.size();
    if (scratch_ != nullptr && std::fwrite(block.data() + name.size(), 1, size, scratch_) != size && error_ == 0)
      error_ = errno != 0 ? errno : EIO;
    names_.push_back(name);
    sizes_.push_back(size);
  }
  bool Write(const std::string& path, MessageSink& sink) {
    ResultStream out;
    out.Open(path);
    if (error_ != 0) out.Fail(error_);
    if (scratch_ != nullptr && (std::fflush(scratch_) != 0 || std::fseek(scratch_, 0, SEEK_SET) != 0)) out.Fail(errno);
    out.Append(CifHeader());
    const std::vector<std::string> unique = UniqueCifBlockNames(names_);
    std::string body;
    for (size_t k = 0; k < names_.size(); ++k) {
      body.resize(sizes_[k]);
      if (scratch_ == nullptr || std::fread(&body[0], 1, sizes_[k], scratch_) != sizes_[k]) out.Fail(EIO);
      out.Append((k > 0 ? "\n" : "") + unique[k] + body);
    }
    return out.Close(sink);
  }

 private:
  std::FILE* scratch_ = nullptr;
  int error_ = 0;
  std::vector<std::string> names_;
  std::vector<size_t> sizes_;
};

// Where the rows go as they are handed on, in the jobs' order.
struct SeriesOutputs {
  ResultStream table, json;
  SeriesCif cif;
  bool withJson = false, withCif = false;
  int trendQuantity = -1;          // the quantity of --fit; -1: no fit
  size_t handed = 0, refined = 0, undefined = 0;
  std::vector<TrendPoint> points;  // for the trend fit only: a few numbers a row
};

// A job's messages, each line led by its file and shown printable.
void ShowMessages(const SeriesRow& row, MessageSink& sink) {
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

void TakeRow(SeriesRow& row, SeriesExtras& extras, SeriesOutputs& out, MessageSink& sink) {
  ShowMessages(row, sink);
  std::string line;
  AppendDelimitedLine(line, SeriesRowFields(row), ',', "\n");
  out.table.Append(line);
  const std::pair<std::string, std::string> texts = extras.Take(out.handed);
  if (out.withJson)
    out.json.Append(JsonArrayElement(
        row.refined ? texts.first : JsonRefusedText(row.file, row.title, row.messages, row.undefined, kElementDepth),
        out.handed == 0));
  if (out.withCif && row.refined) out.cif.Add(CifBlockName(row.title), texts.second);
  ++out.handed;
  out.refined += row.refined ? 1 : 0;
  out.undefined += row.undefined ? 1 : 0;
  TrendPoint point;
  if (out.trendQuantity >= 0 && TrendPointOf(row, out.trendQuantity, point)) out.points.push_back(std::move(point));
}

// A progress line on a terminal once the series takes longer than a second,
// after the messages of the rows before it.
class Progress {
 public:
  void Update(size_t done, size_t count, BatchedStderrSink& err, bool last = false) {
    const auto now = std::chrono::steady_clock::now();
    if (!terminal_ || now - start_ < std::chrono::seconds(1) || (!last && now - shownAt_ < kEvery)) return;
    if (last && shownAt_ == start_) return;
    err.Write(Format("\rlattrix-refine: %zu of %zu jobs done%s", done, count, last ? "\n" : ""));
    shownAt_ = now;
  }

 private:
  static constexpr std::chrono::milliseconds kEvery{200};
  const bool terminal_ = ::isatty(STDERR_FILENO) != 0;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point shownAt_ = start_;
};

// Runs the series, writing every output as the rows come; false when an
// output could not be written.
bool RunStreaming(const SeriesCommand& command, std::vector<SeriesJob> jobs, SeriesOutputs& out, StderrSink& sink) {
  out.withJson = !command.jsonPath.empty();
  out.withCif = !command.cifPath.empty();
  out.trendQuantity = command.trend.enabled ? TrendQuantityOf(command.trend) : -1;
  out.table.Open(command.tablePath);
  out.table.Append(DelimitedText({SeriesColumnNames()}, ',', "\n"));
  if (out.withJson) {
    out.json.Open(command.jsonPath);
    out.json.Append("[");
  }
  SeriesExtras extras(out.withJson, out.withCif);
  SeriesRun run(std::move(jobs), command.choices, extras.Hook());
  Progress progress;
  BatchedStderrSink messages;
  run.Stream(
      command.threads, 0,
      [&](SeriesRow& row) {
        TakeRow(row, extras, out, messages);
        progress.Update(out.handed, run.Count(), messages);
      },
      [&] { messages.Flush(); });
  progress.Update(out.handed, run.Count(), messages, true);
  messages.Flush();
  bool ok = out.table.Close(sink);
  if (out.withJson) {
    out.json.Append("\n]\n");
    ok = out.json.Close(sink) && ok;
  }
  if (out.withCif) ok = out.cif.Write(command.cifPath, sink) && ok;
  return ok;
}

}  // namespace

bool ParseThreadCount(const std::string& text, unsigned& out) {
  if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const unsigned long value = std::stoul(text);
  if (value < 1 || value > kMaxSeriesThreads) return false;
  out = static_cast<unsigned>(value);
  return true;
}

int RunSeriesCommand(const SeriesCommand& command) {
  // An interrupted series (Ctrl+C, a batch system's time limit) leaves no
  // temporary file beside its outputs.
  RemoveTemporaryFilesOnSignals();
  StderrSink sink;
  SeriesAxis axis;
  if (!command.xPath.empty() && !ReadSeriesAxis(command.xPath, axis, sink)) return 2;
  if (!command.reportDir.empty() && !UsableReportDir(command.reportDir, sink)) return 2;
  std::vector<std::string> paths = command.jobPaths;
  if (!command.listPath.empty() && !ReadJobList(command.listPath, paths, sink)) return 2;
  std::vector<SeriesJob> jobs = PlanSeries(paths, command.reportDir, command.xPath.empty() ? nullptr : &axis);
  paths = std::vector<std::string>();

  SeriesOutputs out;
  bool ok = RunStreaming(command, std::move(jobs), out, sink);
  const size_t count = out.handed;
  const bool stdoutTaken = command.tablePath == "-" || command.jsonPath == "-" || command.cifPath == "-";
  const bool talk = !command.quiet && !stdoutTaken;
  if (talk) {
    const std::string undefinedCount = out.undefined > 0 ? Format(", %zu undefined", out.undefined) : std::string();
    std::printf("Series         : %zu jobs, %zu refined, %zu refused%s\nTable          : %s\n", count, out.refined,
                count - out.refined - out.undefined, undefinedCount.c_str(), command.tablePath.c_str());
  }
  if (command.trend.enabled) ok = RunTrendFit(command.trend, out.points, axis.name, talk, sink) && ok;
  return ok && out.refined == count ? 0 : 1;
}

}  // namespace lattrix
