#include "winenv/process.h"

#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

using Clock = std::chrono::steady_clock;

// Output is read as it comes: a wait for one line ends when that line is there, not when the
// program ends; the rest follows with the exit. The child writes its second line only after the
// test saw the first one, so a read that waited for the end would see the child killed at the
// deadline, with one line. A program past its deadline is killed.
TEST(ChildProgram, ReadsOutputAsItComesAndKillsAtTheDeadline) {
  test::TempDir dir;
  const std::string go = dir / "go";
  ChildProgram program;
  ASSERT_TRUE(
      program.Start({"sh", "-c", "echo one; while [ ! -e \"$1\" ]; do sleep 0.01; done; echo two", "sh", go}, {}));
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  EXPECT_TRUE(program.ReadUntil([](const std::string& out) { return out == "one\n"; }, deadline));
  EXPECT_FALSE(program.exited());
  test::WriteFile(go, "");
  const ProgramRun run = program.Finish(deadline);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.output, "one\ntwo\n");
  EXPECT_EQ(run.exitCode, 0);

  ChildProgram slow;
  ASSERT_TRUE(slow.Start({"sh", "-c", "echo started; exec sleep 30"}, {"VARNEL_TEST=1"}));
  EXPECT_FALSE(slow.ReadUntil([](const std::string& out) { return out.find("never") != std::string::npos; },
                              Clock::now() + std::chrono::milliseconds(200)));
  const ProgramRun killed = slow.Finish(Clock::now());
  EXPECT_TRUE(killed.timedOut);
  EXPECT_EQ(killed.output, "started\n");
  EXPECT_EQ(RunProgram({"sh", "-c", "printf %s \"$VARNEL_TEST\"; exit 3"}, {"VARNEL_TEST=x"}, 30).output, "x");
}

}  // namespace
}  // namespace varnel
