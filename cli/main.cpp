// lattrix-refine: reads a job file and reports what it read.
#include <cstdio>
#include <string>

#include "common/MessageSink.h"
#include "common/TextIO.h"
#include "job/InputFile.h"
#include "job/Job.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lattrix-refine JOB.inp\n");
    return 2;
  }
  lattrix::Job job;
  lattrix::InitialiseJob(job, ".");
  job.m_strInputPath = argv[1];
  lattrix::StderrSink sink;
  if (!lattrix::ReadInputFile(job, sink)) return 1;
  std::fputs(lattrix::InputFileText(job).c_str(), stdout);
  return 0;
}
