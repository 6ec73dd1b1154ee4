#include "common/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/TextIO.h"

namespace lattrix {

namespace {

// Pieces are gathered until this many bytes, then written at once.
constexpr size_t kFlushSize = 1 << 16;

// The temporary files being written, where a signal handler can reach them
// without allocating: a slot is free (0), being filled (1) or holds a path
// (2).
constexpr int kTemporarySlots = 64;
char g_temporaryPath[kTemporarySlots][PATH_MAX];
std::atomic<int> g_temporaryState[kTemporarySlots];

int RegisterTemporary(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kTemporarySlots; ++i) {
    int free = 0;
    if (!g_temporaryState[i].compare_exchange_strong(free, 1)) continue;
    std::memcpy(g_temporaryPath[i], path.c_str(), path.size() + 1);
    g_temporaryState[i].store(2);
    return i;
  }
  return -1;   // more files at once than slots: that one is not removed on a signal
}

void ReleaseTemporary(int slot) {
  if (slot >= 0) g_temporaryState[slot].store(0);
}

extern "C" void RemoveTemporariesAndStop(int signal) {
  for (int i = 0; i < kTemporarySlots; ++i)
    if (g_temporaryState[i].load() == 2) ::unlink(g_temporaryPath[i]);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

void RemoveTemporaryFilesOnSignals() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, RemoveTemporariesAndStop);
}

StreamingFile::~StreamingFile() {
  const int error = errno;   // the reason a caller may still read
  if (fd_ >= 0) ::close(fd_);
  ReleaseTemporary(slot_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
  errno = error;
}

bool StreamingFile::Fail(int error) {
  if (error_ == 0) error_ = error != 0 ? error : EIO;
  errno = error_;
  return false;
}

bool StreamingFile::Open(const std::string& path) {
  if (path.empty()) return Fail(ENOENT);
  target_ = path;
  mode_t mode = 0666;
  {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  struct stat st;
  if (::stat(target_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
    if (!S_ISREG(st.st_mode)) {
      // A device or a pipe cannot be replaced: write into it.
      direct_ = true;
      fd_ = ::open(target_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      return fd_ >= 0 || Fail(errno);
    }
    mode = st.st_mode & 07777;
    char resolved[PATH_MAX];
    if (::realpath(target_.c_str(), resolved) != nullptr) target_ = resolved;
  }
  std::string temp = target_ + ".XXXXXX";
  fd_ = ::mkstemp(&temp[0]);
  if (fd_ < 0) return Fail(errno);
  temp_ = temp;
  slot_ = RegisterTemporary(temp_);
  return ::fchmod(fd_, mode) == 0 || Fail(errno);
}

bool StreamingFile::Append(const std::string& text) {
  if (error_ != 0 || fd_ < 0) return Fail(EBADF);
  buffer_ += text;
  return buffer_.size() < kFlushSize || Flush();
}

bool StreamingFile::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Fail(n < 0 ? errno : EIO);
    done += static_cast<size_t>(n);
  }
  buffer_.clear();
  return true;
}

bool StreamingFile::Commit() {
  if (error_ != 0 || fd_ < 0) return Fail(EBADF);
  bool ok = Flush();
  if (ok && !direct_ && ::fsync(fd_) != 0) ok = Fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && ok) ok = Fail(errno);
  if (ok && !direct_ && ::rename(temp_.c_str(), target_.c_str()) != 0) ok = Fail(errno);
  ReleaseTemporary(slot_);
  slot_ = -1;
  if (ok) temp_.clear();
  if (!ok) {
    ::unlink(temp_.c_str());
    temp_.clear();
    errno = error_;
  }
  return ok;
}

bool ReplaceFile(const std::string& path, const std::string& text) {
  StreamingFile file;
  return file.Open(path) && file.Append(text) && file.Commit();
}
bool WriteTextFile(const std::string& text, const std::string& path, MessageSink& sink) {
  if (!ReplaceFile(path, text)) {
    const int error = errno;
    sink.Show(PrintableText(path, 200) + " cannot be written !!!\n" + std::strerror(error));
    return false;
  }
  return true;
}

}  // namespace lattrix
