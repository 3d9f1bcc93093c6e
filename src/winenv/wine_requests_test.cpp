#include "winenv/wine_requests.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace varnel {
namespace {

// A script that serves requests as serve.js does: it takes request files in turn, prints what
// each printed and "varnel done N", and ends on "end"; or it has ended (or hangs) from a given
// request on, taking nothing more.
class FakeScript final : public ScriptProgram {
 public:
  bool Hand(int n, std::string_view text) override {
    handed[n] = std::string(text);
    if (n >= endsAt) return true;
    if (text == "end") {
      ended = true;
    } else {
      out += "printed by " + std::string(text) + "\r\nvarnel done " + std::to_string(n) + "\r\n";
    }
    return true;
  }
  void TakeBack(int n) override { takenBack.push_back(n); }
  bool ReadUntil(const std::function<bool(const std::string&)>& done, Deadline) override { return done && done(out); }
  const std::string& output() const override { return out; }
  bool exited() const override { return ended; }
  void Finish(Deadline) override {
    finished = true;
    ended = true;
  }
  void Abandon() override { abandoned = true; }

  std::string out = "varnel 0 none\r\nvarnel ready\r\n";
  int endsAt = 1000;  // the first request it does not take
  bool ended = false, finished = false, abandoned = false;
  std::map<int, std::string> handed;
  std::vector<int> takenBack;
};

TEST(WineRequests, EachRequestIsAnsweredWithWhatItAlonePrinted) {
  FakeScript script;
  WineRequests requests;
  requests.Begin(script, std::chrono::seconds(1));
  std::string output;
  ASSERT_TRUE(requests.Run("a", output));
  EXPECT_EQ(output, "printed by a\r\nvarnel done 1\r\n");  // not the start's reads
  ASSERT_TRUE(requests.Run("b", output));
  EXPECT_EQ(output, "printed by b\r\nvarnel done 2\r\n");
  EXPECT_EQ(script.handed, (std::map<int, std::string>{{1, "a"}, {2, "b"}}));
  requests.End(std::chrono::seconds(0));
  EXPECT_EQ(script.handed[3], "end");
  EXPECT_TRUE(script.abandoned);  // not waited for
  EXPECT_TRUE(script.takenBack.empty());
}

TEST(WineRequests, EndWaitsWhenAskedAndHandsNothingToAnEndedScript) {
  FakeScript waited;
  WineRequests requests;
  requests.Begin(waited, std::chrono::seconds(1));
  requests.End(std::chrono::seconds(5));
  EXPECT_EQ(waited.handed[1], "end");
  EXPECT_TRUE(waited.finished);

  FakeScript gone;
  gone.ended = true;
  WineRequests late;
  late.Begin(gone, std::chrono::seconds(1));
  late.End(std::chrono::seconds(5));
  EXPECT_TRUE(gone.handed.empty());
  std::string output;
  EXPECT_FALSE(late.Run("a", output));
  EXPECT_TRUE(gone.handed.empty());
}

// A script that ended (two seconds without a request, or killed) while a request was on its
// way does not answer it: the request is taken back, so that the caller runs it on its own, and
// every later one is refused without being handed.
TEST(WineRequests, ARequestTheScriptDidNotTakeIsTakenBackForTheCallerToRun) {
  FakeScript script;
  script.endsAt = 2;
  WineRequests requests;
  requests.Begin(script, std::chrono::seconds(1));
  std::string output;
  ASSERT_TRUE(requests.Run("a", output));
  output = "untouched";
  EXPECT_FALSE(requests.Run("b", output));
  EXPECT_EQ(output, "untouched");
  EXPECT_TRUE(script.finished);
  EXPECT_EQ(script.takenBack, std::vector<int>{2});
  EXPECT_FALSE(requests.Run("c", output));
  EXPECT_EQ(script.handed.count(3), 0u);
  requests.End(std::chrono::seconds(0));
  EXPECT_EQ(script.handed.size(), 2u);  // no "end" for a script that is gone
}

TEST(WineRequests, NoScriptTakesNothing) {
  WineRequests requests;
  std::string output;
  EXPECT_FALSE(requests.Run("a", output));
  requests.End(std::chrono::seconds(1));
}

TEST(HasLine, FindsOnlyWholeLines) {
  EXPECT_TRUE(HasLine("varnel done 1", "varnel done 1"));
  EXPECT_TRUE(HasLine("x\r\nvarnel done 1\r\n", "varnel done 1"));
  EXPECT_FALSE(HasLine("varnel done 12\r\n", "varnel done 1"));
  EXPECT_FALSE(HasLine("echo varnel done 1\n", "varnel done 1"));
  EXPECT_TRUE(HasLine("varnel done 12\nvarnel done 1\n", "varnel done 1"));
}

}  // namespace
}  // namespace varnel
