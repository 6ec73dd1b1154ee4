#include "PlotLauncher.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

extern "C" char** environ;

namespace lattrix {

bool DrawMapOfReport(const std::string& reportPath, int reflections, const PlotRequest& plot, MessageSink& sink) {
  char self[4096];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  std::string dir = ".";
  if (length > 0) {
    self[length] = '\0';
    dir = self;
    dir = dir.substr(0, dir.rfind('/'));
  }
  const std::string program = dir + "/lattrix-plot";
  if (::access(program.c_str(), X_OK) != 0) {
    sink.Show(program + " not found: the fitting map cannot be drawn !!!");
    return false;
  }
  const std::string size = std::to_string(plot.width) + "x" + std::to_string(plot.height);
  std::vector<std::string> args = {program,  "--plot-type", std::to_string(plot.type), "--size",     size,
                                   "--points", std::to_string(reflections), "--plot-style", plot.style,
                                   reportPath, plot.path};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  std::fflush(stdout);
  pid_t pid;
  if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    sink.Show(program + " cannot be started: the fitting map cannot be drawn !!!");
    return false;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace lattrix
