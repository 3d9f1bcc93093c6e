#pragma once
// Whether someone waits for an advisory lock, as the kernel lists it in /proc/locks: a test that
// holds a lock sees the other side blocked on it, an event, instead of guessing from a pause.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

namespace varnel::test {

// Whether a blocked flock request on the file at `lockPath` is listed ("-> FLOCK ...").
inline bool SomeoneWaitsFor(const std::string& lockPath) {
  struct stat st {};
  if (::stat(lockPath.c_str(), &st) != 0) return false;
  char file[64];
  std::snprintf(file, sizeof file, " %02x:%02x:%llu ", major(st.st_dev), minor(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    if (line.find("-> FLOCK") != std::string::npos && line.find(file) != std::string::npos) return true;
  }
  return false;
}

// Waits until someone is blocked on the lock at `lockPath` (true) or `finished` is set (false: it
// went ahead without waiting).
inline bool WaitUntilSomeoneWaitsFor(const std::string& lockPath, const std::atomic<bool>& finished) {
  while (!finished) {
    if (SomeoneWaitsFor(lockPath)) return true;
    std::this_thread::yield();
  }
  return false;
}

}  // namespace varnel::test
