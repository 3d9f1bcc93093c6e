#pragma once
// A writer killed for real (SIGKILL) while it works: a child process repeats the work until it
// is killed, and the kill comes only after it finished the work once, at a random point of the
// following runs, so no round kills a child that had not started yet.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>

#include <gtest/gtest.h>

namespace varnel::test {

inline void KillWhileRepeating(const std::function<void()>& work, std::mt19937& random, useconds_t maxPause) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ready[0]);
    work();
    (void)!::write(ready[1], "x", 1);
    ::close(ready[1]);
    for (;;) work();  // until killed
  }
  ::close(ready[1]);
  char byte;
  EXPECT_EQ(::read(ready[0], &byte, 1), 1) << "the writer ended before its first run was done";
  ::close(ready[0]);
  usleep(std::uniform_int_distribution<useconds_t>(0, maxPause)(random));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

}  // namespace varnel::test
