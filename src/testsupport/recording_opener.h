#pragma once
// An address opener for tests: records what would have been opened.
#include <string>
#include <vector>

#include "settings/launch_address.h"

namespace varnel::test {

class RecordingOpener : public AddressOpener {
 public:
  void Open(const std::string& address) override { opened.push_back(address); }
  std::vector<std::string> opened;
};

}  // namespace varnel::test
