#pragma once
// What the kernel was really asked to flush. The test program's own fsync and
// fdatasync (and syncfs) stand in front of the C library's: each passes the
// call on to the kernel and, while a KernelFlushes is in scope, notes the path
// of the file or folder that the kernel flushed.

#include <string>
#include <vector>

class KernelFlushes {
  public:
    KernelFlushes();  // forgets earlier flushes and starts noting
    ~KernelFlushes();
    KernelFlushes(const KernelFlushes&) = delete;
    KernelFlushes& operator=(const KernelFlushes&) = delete;

    // The paths flushed since the last call, in order; a folder's ends in '/',
    // and one whose whole file system was flushed starts with '*'.
    std::vector<std::string> take();
};
