// Replacing a file without ever leaving it half written.
#pragma once

#include <cstddef>
#include <string>

#include "common/MessageSink.h"

namespace lattrix {

// A file written piece by piece and put in place whole: the pieces go into a
// temporary file beside the target, which Commit renames over it; without a
// Commit (a failed write, an error part way) the temporary file is removed,
// so the target is never half written. An existing file keeps its
// permissions; a symbolic link keeps pointing at the replaced file; a
// device or pipe is written into as the pieces come.
class StreamingFile {
 public:
  StreamingFile() = default;
  ~StreamingFile();
  StreamingFile(const StreamingFile&) = delete;
  StreamingFile& operator=(const StreamingFile&) = delete;

  // False when the file cannot be made; errno then holds the system's reason.
  bool Open(const std::string& path);
  // False once a piece could not be written (the reason kept for Commit).
  bool Append(const std::string& text);
  // Writes what is left and puts the file in place. False when anything
  // failed since Open; errno then holds the system's reason.
  bool Commit();

 private:
  bool Flush();
  bool Fail(int error);

  int fd_ = -1;
  bool direct_ = false;     // a device or pipe: no temporary file
  int error_ = 0;
  std::string target_, temp_;
  std::string buffer_;      // pieces gathered into writes of kFlushSize
  int slot_ = -1;           // where the signal handler finds temp_
};

// From now on SIGINT, SIGTERM and SIGHUP remove the temporary files of the
// StreamingFiles being written before the process stops: a series that is
// interrupted leaves neither a half table nor its temporary file.
void RemoveTemporaryFilesOnSignals();

// Writes text to path as one piece of a StreamingFile, so that a failed
// write (a full disk, a missing directory) leaves any old file as it was.
// False when the text could not be written completely; errno then holds
// the system's reason.
bool ReplaceFile(const std::string& path, const std::string& text);

// ReplaceFile, with the message "<path> cannot be written !!!" and the
// system's reason when it fails (for results such as CIF and JSON).
bool WriteTextFile(const std::string& text, const std::string& path, MessageSink& sink);

}  // namespace lattrix
