// A file descriptor owned by one object and closed when it goes away.
#pragma once

#include <unistd.h>

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    bool Valid() const { return fd_ >= 0; }
    int Get() const { return fd_; }

    // Closes now and reports what close said: a write that the file system
    // only refuses at close (quota, a network file system) shows up here.
    bool Close() {
        if (fd_ < 0) return true;
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }
    // Takes `fd` in place of the one held, which is closed.
    void Reset(int fd = -1) {
        Close();
        fd_ = fd;
    }

private:
    int fd_ = -1;
};
