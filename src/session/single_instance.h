#pragma once
// Refuses a second running copy of Varnel on the same prefix: the first copy holds an exclusive
// lock on <prefix>/.varnel-instance.lock for as long as it runs.
#include <string>

namespace varnel {

class SingleInstance {
 public:
  explicit SingleInstance(const std::string& prefix);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when another copy already holds the lock.
  bool AnotherCopyRunning() const { return anotherCopy_; }

 private:
  int fd_ = -1;
  bool anotherCopy_ = false;
};

}  // namespace varnel
