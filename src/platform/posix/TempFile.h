// A new file written beside its destination and renamed into place only when
// complete, so that a destination is either replaced whole or left as it was.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/posix/UniqueFd.h"

class TempFile {
public:
    TempFile() = default;
    ~TempFile() {
        file_.Reset();
        if (!path_.empty()) unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Creates ".<name>.XXXXXX" in `folder` (mode 0600), with at most the
    // first 64 bytes of the name so that it stays within the name limit.
    bool Create(const std::string& folder, const std::string& name) {
        std::string pattern = folder + "/." + name.substr(0, kNameKeep) + ".XXXXXX";
        const int fd = mkostemp(&pattern[0], O_CLOEXEC);
        if (fd < 0) return false;
        file_.Reset(fd);
        path_ = pattern;
        return true;
    }
    int Fd() const { return file_.Get(); }
    bool Close() { return file_.Close(); }
    // Puts the finished file in place of `destination`.
    bool RenameTo(const std::string& destination) {
        if (rename(path_.c_str(), destination.c_str()) != 0) return false;
        path_.clear();
        return true;
    }

private:
    static constexpr size_t kNameKeep = 64;
    UniqueFd file_;
    std::string path_;
};
