#pragma once
// The wake pipe of a Wine script that waits for requests: a FIFO the script opens and reads,
// which blocks it without using the processor until a line comes. Varnel holds the pipe open
// while it lives, writes a line after each request (Wake) and, from a thread of its own, one
// every `tick`, so that the script can notice time passing; once no one holds it, the script's
// read ends at once. The pipe file is made on construction and removed with the object.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "winenv/status.h"

namespace varnel {

class WakePipe {
 public:
  WakePipe() = default;
  ~WakePipe();
  WakePipe(const WakePipe&) = delete;
  WakePipe& operator=(const WakePipe&) = delete;

  // Makes the FIFO at `path` and opens it; from then on it is woken every `tick`.
  [[nodiscard]] Status Open(const std::string& path, std::chrono::milliseconds tick);
  // Writes one line to it (nothing when it is not open or full).
  void Wake() const;

 private:
  void Tick(std::chrono::milliseconds tick);

  std::string path_;
  int fd_ = -1;
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::thread ticker_;
};

}  // namespace varnel
