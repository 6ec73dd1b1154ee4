#include "series/SeriesRun.h"

#include <algorithm>

#include "job/InputFile.h"

namespace lattrix {

namespace {

const char kCancelled[] = "Not refined: the series was cancelled before this job.";

// The row of a refined job: the job's results and the run's summaries.
void FillRefinedRow(const Job& job, const RunResult& run, SeriesRow& row) {
  row.refined = true;
  row.reflections = job.m_nReflections;
  row.degreesOfFreedom = run.outcome.degreesOfFreedom;
  for (int j = 0; j < 6; ++j) {
    row.value[j] = job.m_dRefinedCell[j];
    row.sigma[j] = job.m_dCellSigma[j];
  }
  row.value[kSeriesVolume] = job.m_dVolume;
  row.sigma[kSeriesVolume] = job.m_dVolumeSigma;
  row.value[kSeriesZero] = job.m_dZero;
  row.sigma[kSeriesZero] = job.m_dZeroSigma;
  row.value[kSeriesSsd] = job.m_dDisp;
  row.sigma[kSeriesSsd] = job.m_dDispSigma;
  row.sdTwoTheta = run.outcome.sdDelta;
  row.flagged = run.diagnostics.FlaggedCount();
}

// The row of a job the series did not start.
SeriesRow CancelledRow(const SeriesJob& job) {
  SeriesRow row;
  row.file = job.path;
  row.hasX = job.hasX;
  row.x = job.x;
  row.sigmaX = job.sigmaX;
  row.cancelled = true;
  row.messages = {kCancelled};
  return row;
}

}  // namespace

const char* SeriesQuantityName(int quantity) {
  static const char* const names[kSeriesQuantities] = {"a",      "b",      "c",    "alpha", "beta",
                                                       "gamma",  "volume", "zero", "ssd"};
  return quantity >= 0 && quantity < kSeriesQuantities ? names[quantity] : "";
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JobNameOf(const std::string& path) {
  const std::string name = FileNameOf(path);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::vector<SeriesJob> PlanSeries(const std::vector<std::string>& paths, const std::string& reportDir,
                                  const SeriesAxis* axis) {
  std::vector<SeriesJob> jobs(paths.size());
  std::map<std::string, std::string> firstWithName;
  for (size_t i = 0; i < paths.size(); ++i) {
    SeriesJob& job = jobs[i];
    job.path = paths[i];
    const std::string file = FileNameOf(job.path);
    if (!reportDir.empty()) job.reportPath = reportDir + "/" + JobNameOf(job.path) + ".out";
    // Reports and x values are found by the job's name.
    const auto seen = firstWithName.emplace(JobNameOf(job.path), job.path);
    if (!seen.second && (!reportDir.empty() || axis != nullptr)) {
      job.refusal = job.path + " has the job name of " + seen.first->second +
                    " !!!\n With reports or x values, the job names of a series must differ.";
      continue;
    }
    if (axis == nullptr) continue;
    const auto x = axis->values.find(file);
    if (x == axis->values.end()) {
      job.refusal = file + " has no " + axis->name + " value in " + axis->sourcePath + " !!!";
    } else {
      job.hasX = true;
      job.x = x->second;
      const auto sigma = axis->sigmas.find(file);
      if (sigma != axis->sigmas.end()) job.sigmaX = sigma->second;
    }
  }
  return jobs;
}

SeriesRow RunSeriesJob(const SeriesJob& plan, const RunChoices& choices, size_t index,
                       const SeriesHook& hook) {
  SeriesRow row;
  row.file = plan.path;
  row.hasX = plan.hasX;
  row.x = plan.x;
  row.sigmaX = plan.sigmaX;
  RecordingSink sink;
  Job job;
  InitialiseJob(job, ".");
  job.m_strReportPath = plan.reportPath;
  job.m_strInputPath = plan.path;
  const bool read = ReadInputFile(job, sink);
  if (read) row.title = job.m_strTitle;
  if (!plan.refusal.empty()) sink.Show(plan.refusal);
  if (read && plan.refusal.empty()) {
    const SiliconStandard silicon = ApplyRunChoices(job, choices);
    const ReportTarget target = plan.reportPath.empty() ? ReportTarget::kNone : ReportTarget::kFile;
    RunResult run = RunJob(job, silicon, sink, target);
    row.undefined = run.undefined;
    if (run.refined) {
      FillRefinedRow(job, run, row);
      if (hook) hook(index, job, run);
    }
  }
  row.messages = std::move(sink.messages);
  return row;
}

SeriesRun::SeriesRun(std::vector<SeriesJob> jobs, RunChoices choices, SeriesHook hook)
    : jobs_(std::move(jobs)), choices_(choices), hook_(std::move(hook)) {}

SeriesRun::~SeriesRun() {
  Cancel();
  for (std::thread& t : threads_) t.join();
}

void SeriesRun::Start(unsigned threads) {
  rows_.reserve(jobs_.size());
  for (const SeriesJob& job : jobs_) rows_.push_back(CancelledRow(job));
  StartThreads(threads);
}

void SeriesRun::StartThreads(unsigned threads) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<size_t>(threads, std::max<size_t>(jobs_.size(), 1)));
  running_ = threads;
  if (streaming_ && window_ == 0) window_ = 64 * size_t{threads};
  for (unsigned t = 0; t < threads; ++t) threads_.emplace_back(&SeriesRun::Work, this);
}

void SeriesRun::Work() {
  for (;;) {
    if (cancelled_.load()) break;
    const size_t i = next_.fetch_add(1);
    if (i >= jobs_.size()) break;
    if (!streaming_) {
      rows_[i] = RunSeriesJob(jobs_[i], choices_, i, hook_);
      finished_.fetch_add(1);
      continue;
    }
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return i < handed_ + window_ || cancelled_.load(); });
    }
    if (cancelled_.load()) break;
    SeriesRow row = RunSeriesJob(jobs_[i], choices_, i, hook_);
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.emplace(i, std::move(row));
    finished_.fetch_add(1);
    while (pending_.count(readyEnd_) != 0) ++readyEnd_;
    // The consumer is woken for a batch of rows, not for each one: a wake-up
    // costs more than a small job.
    if (readyEnd_ >= std::min(handed_ + Batch(), jobs_.size())) ready_.notify_one();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  --running_;
  changed_.notify_all();
  ready_.notify_one();
}

void SeriesRun::Stream(unsigned threads, size_t window, const std::function<void(SeriesRow&)>& take,
                       const std::function<void()>& batchDone) {
  streaming_ = true;
  window_ = window;
  StartThreads(threads);
  std::unique_lock<std::mutex> lock(mutex_);
  while (handed_ < jobs_.size()) {
    ready_.wait(lock, [&] { return readyEnd_ >= std::min(handed_ + Batch(), jobs_.size()) || running_ == 0; });
    // The rows ready in order, then (once no thread runs) the jobs no thread
    // ran because the series was cancelled.
    const size_t end = running_ == 0 ? jobs_.size() : readyEnd_;
    for (; handed_ < end; ++handed_) {
      const auto done = pending_.find(handed_);
      SeriesRow row = done != pending_.end() ? std::move(done->second) : CancelledRow(jobs_[handed_]);
      if (done != pending_.end()) pending_.erase(done);
      lock.unlock();
      take(row);
      lock.lock();
    }
    changed_.notify_all();
    if (batchDone) {
      lock.unlock();
      batchDone();
      lock.lock();
    }
  }
  lock.unlock();
  for (std::thread& t : threads_) t.join();
  threads_.clear();
}

bool SeriesRun::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return running_ == 0; });
}

std::vector<SeriesRow> SeriesRun::Wait() {
  for (std::thread& t : threads_) t.join();
  threads_.clear();
  return std::move(rows_);
}

std::vector<SeriesRow> RunSeries(std::vector<SeriesJob> jobs, const RunChoices& choices, unsigned threads,
                                 SeriesHook hook) {
  SeriesRun run(std::move(jobs), choices, std::move(hook));
  run.Start(threads);
  return run.Wait();
}

}  // namespace lattrix
