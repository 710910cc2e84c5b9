// The read-only attribute of the host edition, kept in the permission bits.
//
// A file is read-only when nobody may write it: no write bit at all. This is
// the state that setting the read-only attribute leaves behind, and it is
// decided from the bits alone, because a process of the superuser may write
// to any file whatever its bits say.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

inline bool IsReadOnlyMode(mode_t mode) {
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// The bits with the read-only attribute set: every write bit cleared.
inline mode_t ReadOnlyMode(mode_t mode) {
    return mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
}

// The bits with the read-only attribute cleared. A file that is not
// read-only keeps its bits. Otherwise the owner may write again, and the
// group and others may write where they may read, unless the process's
// file creation mask withholds it: the file ends up as writable as a newly
// created file would be.
inline mode_t WritableMode(mode_t mode, mode_t creationMask) {
    if (!IsReadOnlyMode(mode)) return mode;
    const mode_t shared = ((mode & (S_IRGRP | S_IROTH)) >> 1) & ~creationMask;
    return mode | S_IWUSR | shared;
}
