// The emulator child: a second copy of this program started with "-SERVER", its standard
// input and output joined to this program by two pipes. One child at most; it is used again
// for the next transfer while it runs.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class ServerChild {
public:
    ~ServerChild();

    // "-<model word>", "-SERVER", "-d<level>", "--headless".
    static std::vector<std::string> ServerCommandLine(const char* modelWord, int debugLevel);

    // Starts the child: false with the failing step's text and errno.
    bool Launch(const std::string& program, const std::vector<std::string>& args, std::string& failure,
                int& error);
    // True while the child has not exited; an exited child is reaped and its pipes closed.
    bool Running();
    // Closes the pipes and reaps the child.
    void End();

    int ReadFd() const { return readFd_; }
    int WriteFd() const { return writeFd_; }
    pid_t Pid() const { return pid_; }

private:
    void ClosePipes();

    pid_t pid_ = -1;
    int readFd_ = -1;   // the child's standard output
    int writeFd_ = -1;  // the child's standard input
};
