#include "common/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "common/TextIO.h"

namespace lattrix {

bool ReplaceFile(const std::string& path, const std::string& text) {
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  std::string target = path;
  mode_t mode = 0666;
  {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      // A device or a pipe cannot be replaced: write into it.
      std::ofstream out(target, std::ios::binary);
      out << text;
      out.close();
      if (!out) errno = errno != 0 ? errno : EIO;
      return static_cast<bool>(out);
    }
    mode = st.st_mode & 07777;
    char resolved[PATH_MAX];
    if (::realpath(target.c_str(), resolved) != nullptr) target = resolved;
  }

  std::string temp = target + ".XXXXXX";
  const int fd = ::mkstemp(&temp[0]);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, mode) == 0;
  size_t done = 0;
  while (ok && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    const int error = errno;
    ::unlink(temp.c_str());
    errno = error;
  }
  return ok;
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
