#pragma once
// CPU seconds (user + system) of one ffmpeg run, its output thrown away:
// the side-by-side figure of the benchmarks. -1 when ffmpeg fails.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace klv::bench {

inline double FfmpegCpuSeconds(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  std::string name = "ffmpeg";
  argv.push_back(name.data());
  std::vector<std::string> copy = args;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execvp("ffmpeg", argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage ru {};
  if (pid < 0 || wait4(pid, &status, 0, &ru) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

}  // namespace klv::bench
