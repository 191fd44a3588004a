// Runs a benchmark's work in a child process of its own, so that the parent stays small and the
// child's peak resident memory (getrusage) is the work's own.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace bench {

// Runs `work` in a child process, so that the parent stays small and the child's peak resident
// memory is its own; its result comes back through a pipe.
template <class Result, class Work>
Result InChild(Work work, long* peakKb = nullptr) {
    int pipeFd[2];
    if (::pipe(pipeFd) != 0) std::exit(1);
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFd[0]);
        const Result r = work();
        std::fflush(stdout);
        if (::write(pipeFd[1], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) _exit(1);
        _exit(0);
    }
    ::close(pipeFd[1]);
    Result r{};
    const bool read = ::read(pipeFd[0], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
    ::close(pipeFd[0]);
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "a benchmark run failed\n");
        std::exit(1);
    }
    if (peakKb) *peakKb = usage.ru_maxrss;
    return r;
}

}  // namespace bench
