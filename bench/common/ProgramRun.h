#pragma once
// The shipped program as a whole process, the way a script runs it, for the
// benchmarks of its command line: output thrown away, the exit code back.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

// Runs VN_PROGRAM with arguments, standard output and standard error to
// /dev/null; the exit code, -1 when it could not run or did not end normally.
inline int RunProgram(std::vector<std::string> arguments) {
  std::string program = VN_PROGRAM;
  std::vector<char*> argv{program.data()};
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The same under a limit on open descriptors, soft and hard alike, as a
// shell's `ulimit -n` sets it, so the program cannot raise it.
inline int RunProgramWithLimit(std::vector<std::string> arguments, rlim_t descriptors) {
  std::string program = VN_PROGRAM;
  std::vector<char*> argv{program.data()};
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    close(null);
    const rlimit limit{descriptors, descriptors};
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(127);
    execve(program.c_str(), argv.data(), environ);
    _exit(127);
  }
  if (pid < 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
