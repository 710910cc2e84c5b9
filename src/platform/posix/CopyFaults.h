// Fault seam of the host copy, for tests of what a failed copy leaves.
#pragma once

// After `bytes` bytes of the file have been written, the copy's transfer
// fails with `error` (for example ENOSPC for a full disk, EIO for a source
// that cannot be read any further). A negative count turns it off again,
// which is the default.
void SetCopyFailAfter(long long bytes, int error);
