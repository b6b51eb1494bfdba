#include "bench/launcher.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bench/harness.h"

void Launcher::Start() {
  int request[2], reply[2];
  if (pipe(request) != 0 || pipe(reply) != 0) Fail(QStringLiteral("pipe failed"));
  m_pid = fork();
  if (m_pid < 0) Fail(QStringLiteral("fork failed"));
  if (m_pid == 0) {
    close(request[1]);
    close(reply[0]);
    Serve(request[0], reply[1]);
    std::_Exit(0);
  }
  close(request[0]);
  close(reply[1]);
  m_request = fdopen(request[1], "w");
  m_reply = fdopen(reply[0], "r");
}

void Launcher::Run(const QString& dir, const char* aid, ProcessRuns& runs) {
  std::fprintf(m_request, "%s\t%s\n", aid, QFile::encodeName(dir).constData());
  std::fflush(m_request);
  long long wallNs = 0, maxRssKb = 0;
  int status = 0;
  if (std::fscanf(m_reply, "%lld %lld %d", &wallNs, &maxRssKb, &status) != 3)
    Fail(QStringLiteral("the launcher failed"));
  runs.wall.Add(double(wallNs) / 1e6);
  runs.peakMb = qMax(runs.peakMb, double(maxRssKb) / 1024.0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
  // Counted and reported rather than hidden.
  ++runs.failed;
  runs.failure = WIFSIGNALED(status) ? QStringLiteral("killed by signal %1").arg(WTERMSIG(status))
                                     : QStringLiteral("exit status %1").arg(WEXITSTATUS(status));
}

ProcessRuns Launcher::Starts(const QString& dir, int runs, const char* aid) {
  ProcessRuns result;
  for (int i = 0; i < runs; ++i) Run(dir, aid, result);
  return result;
}

void Launcher::Stop() {
  if (m_pid <= 0) return;
  std::fclose(m_request);
  std::fclose(m_reply);
  waitpid(m_pid, nullptr, 0);
  m_pid = 0;
}

void Launcher::Serve(int in, int out) {
  std::FILE* requests = fdopen(in, "r");
  std::FILE* replies = fdopen(out, "w");
  char line[4096];
  while (std::fgets(line, sizeof line, requests)) {
    char* tab = std::strchr(line, '\t');
    if (!tab) break;
    *tab = 0;
    char* dir = tab + 1;
    dir[std::strcspn(dir, "\n")] = 0;
    // The environment of the benchmark, with the offscreen platform and the developer aid.
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
      const std::string text(*entry);
      if (text.rfind("QT_QPA_PLATFORM=", 0) != 0 &&
          text.rfind("QEL_QUIT_AFTER_FIRST_DISPLAY=", 0) != 0)
        environment.push_back(text);
    }
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    environment.push_back(std::string("QEL_QUIT_AFTER_FIRST_DISPLAY=") + line);
    std::vector<char*> envp;
    for (std::string& text : environment) envp.push_back(text.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(QEL_BINARY), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir);
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t child = 0;
    int status = 127 << 8;
    rusage usage{};
    if (posix_spawn(&child, QEL_BINARY, &actions, nullptr, argv, envp.data()) == 0)
      wait4(child, &status, 0, &usage);
    clock_gettime(CLOCK_MONOTONIC, &end);
    posix_spawn_file_actions_destroy(&actions);
    const long long ns = (end.tv_sec - start.tv_sec) * 1000000000LL + (end.tv_nsec - start.tv_nsec);
    std::fprintf(replies, "%lld %ld %d\n", ns, usage.ru_maxrss, status);
    std::fflush(replies);
  }
}
