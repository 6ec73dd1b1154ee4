// A series: many job files of one phase (a temperature, pressure or time
// series) refined with the same choices, one run step per job, on several
// threads, with one result row per job in the order given.
//
// Every job is independent: its own Job, its own message sink, its own
// report file when reports are kept. Nothing is shared between the threads
// but the index of the next job to take.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/MessageSink.h"
#include "run/RunStep.h"

namespace lattrix {

// The quantities of a row that carry a standard deviation, in table order.
enum SeriesQuantity {
  kSeriesA, kSeriesB, kSeriesC, kSeriesAlpha, kSeriesBeta, kSeriesGamma,
  kSeriesVolume, kSeriesZero, kSeriesSsd,
  kSeriesQuantities
};

// "a", "b", "c", "alpha", "beta", "gamma", "volume", "zero", "ssd".
const char* SeriesQuantityName(int quantity);

// The x value of each job, by the job's file name (without directory),
// and the axis title ("T_K", "P_GPa").
struct SeriesAxis {
  std::string name;
  std::string sourcePath;
  std::map<std::string, double> values;
  // The s.u. of each x, when the file has a third column s_NAME.
  std::map<std::string, double> sigmas;
};

// One job of a series as planned before anything runs.
struct SeriesJob {
  std::string path;         // as given
  std::string reportPath;   // empty: no report file
  bool hasX = false;
  double x = 0.0;
  double sigmaX = 0.0;      // 0: none given
  std::string refusal;      // why the job is not refined (empty: it is)
};

// The result of one job, in the units of the report. A refused job has
// refined false, no numbers and its messages; so has a job whose result is
// not defined (a singular normal matrix), which is marked undefined.
struct SeriesRow {
  std::string file;
  std::string title;
  bool hasX = false;
  double x = 0.0;
  double sigmaX = 0.0;
  bool refined = false;
  bool undefined = false;
  bool cancelled = false;    // not started: the series was cancelled first
  int reflections = 0;
  int degreesOfFreedom = 0;
  double value[kSeriesQuantities] = {};
  double sigma[kSeriesQuantities] = {};
  double sdTwoTheta = 0.0;   // s.d. of the 2theta differences
  int flagged = 0;           // reflections the diagnostics flag
  std::vector<std::string> messages;
};

// "run07.inp" of "data/run07.inp"; "run07" is its job name.
std::string FileNameOf(const std::string& path);
std::string JobNameOf(const std::string& path);

// The jobs of the given files. With a report directory each job's report
// is <dir>/<job name>.out. With a report directory or an axis, a job whose
// name an earlier job of the series already has is refused (their reports
// and x values could not be told apart); with an axis, a job whose file
// name it lacks is refused.
std::vector<SeriesJob> PlanSeries(const std::vector<std::string>& paths, const std::string& reportDir,
                                  const SeriesAxis* axis);

// Called on the worker thread right after a job was refined, with its index
// in the series, the job and its run: a caller keeps what the row lacks
// (JSON, CIF), or takes the whole run (it may move from it: the row is
// filled first). Calls for different jobs may run at the same time.
using SeriesHook = std::function<void(size_t index, const Job& job, RunResult& run)>;

// Reads, refines (no report when the job has no report path) and tabulates
// one job.
SeriesRow RunSeriesJob(const SeriesJob& job, const RunChoices& choices, size_t index = 0,
                       const SeriesHook& hook = nullptr);

// A series running on its own threads. Start it, watch Finished(), Cancel()
// to start no more jobs, and Wait() for the rows; or Stream() the rows to a
// consumer as they finish, in constant memory.
class SeriesRun {
 public:
  SeriesRun(std::vector<SeriesJob> jobs, RunChoices choices, SeriesHook hook = nullptr);
  ~SeriesRun();
  SeriesRun(const SeriesRun&) = delete;
  SeriesRun& operator=(const SeriesRun&) = delete;

  // Runs the jobs on `threads` threads (0: one per processor core).
  void Start(unsigned threads = 0);
  size_t Count() const { return jobs_.size(); }
  size_t Finished() const { return finished_.load(); }
  // Jobs not started yet are not started; each keeps a row that says so.
  void Cancel() { cancelled_.store(true); }
  // True once every thread has ended, waiting at most `timeout`.
  bool WaitFor(std::chrono::milliseconds timeout);
  // Waits for the threads and hands over the rows, in the jobs' order.
  std::vector<SeriesRow> Wait();
  // Instead of Start and Wait: runs the jobs on `threads` threads (0: one
  // per processor core) and hands each row to `take` on the calling thread,
  // in the jobs' order, as soon as it and every row before it are done. At
  // most `window` jobs (0: 64 per thread) are started ahead of the row
  // handed next, so a slow job holds the others back instead of letting
  // finished rows pile up. Rows are handed in batches; `batchDone`, when
  // given, is called on the calling thread after each batch.
  void Stream(unsigned threads, size_t window, const std::function<void(SeriesRow&)>& take,
              const std::function<void()>& batchDone = nullptr);

 private:
  void StartThreads(unsigned threads);
  void Work();

  std::vector<SeriesJob> jobs_;
  RunChoices choices_;
  SeriesHook hook_;
  std::vector<SeriesRow> rows_;
  bool streaming_ = false;
  size_t window_ = 0;
  size_t handed_ = 0;                    // rows Stream has handed over
  std::map<size_t, SeriesRow> pending_;  // finished rows Stream has not handed yet
  std::atomic<size_t> next_{0};
  std::atomic<size_t> finished_{0};
  std::atomic<bool> cancelled_{false};
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable changed_;   // a thread ended or rows were handed
  std::condition_variable ready_;     // a batch of rows is ready to hand, or the threads ended
  size_t readyEnd_ = 0;               // the first row from handed_ on that has not finished
  size_t running_ = 0;
  // Rows handed to the consumer at a time: half the window.
  size_t Batch() const { return std::max<size_t>(1, window_ / 2); }
};

// Start, then Wait: the rows of a whole series.
std::vector<SeriesRow> RunSeries(std::vector<SeriesJob> jobs, const RunChoices& choices,
                                 unsigned threads = 0, SeriesHook hook = nullptr);

}  // namespace lattrix
