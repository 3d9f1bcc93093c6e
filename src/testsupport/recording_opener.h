#pragma once
// An address opener for tests: records what would have been opened, and lets a test look at
// the windows at that moment.
#include <functional>
#include <string>
#include <vector>

#include "settings/launch_address.h"

namespace varnel::test {

class RecordingOpener : public AddressOpener {
 public:
  void Open(const std::string& address) override {
    if (onOpen) onOpen(address);
    opened.push_back(address);
  }
  std::vector<std::string> opened;
  std::function<void(const std::string&)> onOpen;
};

}  // namespace varnel::test
