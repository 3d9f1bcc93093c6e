#pragma once
// The command line run in the test's own process, as `varnel --prefix PREFIX WORDS...` would be,
// with the change journal under `stateHome`: the exit code, and stdout followed by stderr.
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "testsupport/temp_dir.h"

namespace varnel::test {

inline std::pair<int, std::string> RunVarnel(const std::string& prefix, const std::string& stateHome,
                                             std::vector<std::string> words) {
  words.insert(words.begin(), {"varnel", "--prefix", prefix});
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  std::ostringstream out, err;
  const int code =
      RunCommand(ParseCommandLine(static_cast<int>(argv.size()), argv.data()), StateHomeIn(stateHome), out, err);
  return {code, out.str() + err.str()};
}

}  // namespace varnel::test
