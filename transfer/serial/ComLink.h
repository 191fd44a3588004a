// The byte channel under the packet link: a serial port, the pipes to the emulator child, or
// the child's own standard input and output. One byte is read at a time with a total
// time-out; a stop wakes a read in progress.
#pragma once

#include <cstddef>
#include <cstdint>

class ComLink {
public:
    virtual ~ComLink() = default;
    // One byte within timeoutMs: 1 when read, 0 at the time-out, -errno on an error (EPIPE at
    // the end of a pipe, EIO at a hang-up, ECANCELED when woken by Wake).
    virtual int ReadByte(uint8_t& byte, int timeoutMs) = 0;
    // Writes all bytes: 0, or the errno of a failed or short write.
    virtual int Write(const uint8_t* bytes, size_t count) = 0;
    // Re-clocks the port (pipes have no rate): 0 or errno.
    virtual int SetRate(long /*rate*/) { return 0; }
    // Makes a read in progress, and the reads after it, return ECANCELED until Rearm.
    virtual void Wake() = 0;
    virtual void Rearm() = 0;
    // True when ReadByte keeps to short time-outs, so that a read may wait on the caller's
    // thread for a moment.
    virtual bool CanWaitBriefly() const { return false; }
};

// A link over two descriptors, read through a small buffer so that a read call takes what has
// arrived (the bytes are still handed over one at a time).
class FdLink : public ComLink {
public:
    // Owned descriptors are closed by Close and the destructor.
    FdLink(int readFd, int writeFd, bool owned);
    ~FdLink() override;

    int ReadByte(uint8_t& byte, int timeoutMs) override;
    int Write(const uint8_t* bytes, size_t count) override;
    void Wake() override;
    void Rearm() override;
    bool CanWaitBriefly() const override { return true; }
    virtual void Close();

    int ReadFd() const { return readFd_; }

protected:
    FdLink() = default;
    void Attach(int readFd, int writeFd, bool owned);

private:
    int readFd_ = -1;
    int writeFd_ = -1;
    bool owned_ = false;
    int wakeFd_ = -1;
    uint8_t buffer_[512] = {};
    size_t begin_ = 0;
    size_t end_ = 0;
};
