#include "transfer/serial/ServerChild.h"

#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/CLocale.h"

extern char** environ;

ServerChild::~ServerChild() { End(); }

std::vector<std::string> ServerChild::ServerCommandLine(const char* modelWord, int debugLevel) {
    return {StringFormatC("-%s", modelWord), "-SERVER", StringFormatC("-d%d", debugLevel), "--headless"};
}

bool ServerChild::Launch(const std::string& program, const std::vector<std::string>& args, std::string& failure,
                         int& error) {
    int toChild[2] = {-1, -1};
    int fromChild[2] = {-1, -1};
    auto fail = [&](const char* text, int code) {
        for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) {
            if (fd >= 0) ::close(fd);
        }
        failure = text;
        error = code;
        return false;
    };
    if (::pipe2(fromChild, O_CLOEXEC) != 0) return fail("Stdout pipe creation failed", errno);
    if (::pipe2(toChild, O_CLOEXEC) != 0) return fail("Stdin pipe creation failed", errno);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return fail("Create process failed", rc);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    pid_ = pid;
    readFd_ = fromChild[0];
    writeFd_ = toChild[1];
    return true;
}

bool ServerChild::Running() {
    if (pid_ < 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == 0) return true;
    pid_ = -1;
    ClosePipes();
    return false;
}

void ServerChild::ClosePipes() {
    if (readFd_ >= 0) ::close(readFd_);
    if (writeFd_ >= 0) ::close(writeFd_);
    readFd_ = writeFd_ = -1;
}

void ServerChild::End() {
    ClosePipes();
    if (pid_ < 0) return;
    // The child ends at the end of its input.
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}
