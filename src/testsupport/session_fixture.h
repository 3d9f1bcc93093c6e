#pragma once
// A prefix of the tests' own, its registry and a session on them, for tests that run the
// command-line subcommands (what they print is kept in out_ and err_), the session itself or the
// windows on it (window_fixture.h).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "session/session.h"
#include "testsupport/temp_dir.h"
#include "winenv/drive_map.h"
#include "winenv/registry.h"

namespace varnel::test {

class SessionFixture : public ::testing::Test {
 protected:
  // The prefix with empty hives, or seeded with copies of the corpus hive files.
  explicit SessionFixture(bool withCorpusHives = false) : prefix_(withCorpusHives) {}

  // Runs a subcommand with these words after its name, as from a terminal when `terminal` is
  // set; what it printed replaces what out_ and err_ held.
  int Run(int (*command)(CommandContext&), std::vector<std::string> args, bool json = false, bool terminal = false) {
    out_.str("");
    err_.str("");
    CommandContext context{session_, out_, err_, std::move(args), json, terminal, terminal};
    return command(context);
  }

  TempPrefix prefix_;
  Registry registry_{prefix_.path()};
  DriveMap drives_{prefix_.path()};
  // The change journal lives in a folder of the test's own.
  TempDir state_;
  Session session_{registry_, StateHomeIn(state_.path())};
  std::ostringstream out_;
  std::ostringstream err_;
};

}  // namespace varnel::test
