// The job file (".inp"): sections in a fixed order, no keywords.
//
//   title                          (header)
//   correction code 1..5           (header)
//   zero ssd emu                   (only after code 1, taken directly)
//   wavelength radius              (header)
//   crystal system 1..7            (header)
//   a b c alpha beta gamma         (header)
//   number of reflections          (header)
//   h k l 2theta [weight [esd]]    (one line each, taken directly)
//   number of silicon values       (header, optional)
//   silicon 2theta                 (one line each, taken directly)
//
// Where a header is expected, lines whose first non-blank character is '#'
// are comments.
#pragma once

#include <istream>
#include <string_view>

#include "common/MessageSink.h"
#include "job/Job.h"

namespace lattrix {

// Reads job.m_strInputPath into the job. On success the correction mode is 2
// and the weighting 0 whatever the file says, the known corrections are the
// file's Manual line (none without one), the job is Loaded and not Refined.
// A field that is there must be read whole and be a value a crystal can
// have; on failure the message names the file, the line and what was
// expected, and the job is left exactly as it was.
bool ReadInputFile(Job& job, MessageSink& sink);

// The same reading from an open stream (standard input); messages name the
// stream as job.m_strInputPath.
bool ReadInputStream(Job& job, std::istream& in, MessageSink& sink);

// The same reading from the whole text of a job file.
bool ReadInputText(Job& job, std::string_view text, MessageSink& sink);

// Writes the job to job.m_strInputPath. The file is written beside the
// target under a temporary name and renamed over it, so a failed save never
// damages the file it would replace.
bool WriteInputFile(const Job& job, MessageSink& sink);

// The text of the file WriteInputFile writes.
std::string InputFileText(const Job& job);

}  // namespace lattrix
