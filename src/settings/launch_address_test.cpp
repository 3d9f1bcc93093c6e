#include "settings/launch_address.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

class RecordingOpener : public AddressOpener {
 public:
  explicit RecordingOpener(std::vector<std::string>& log) : log_(log) {}
  void Open(const std::string& address) override { log_.push_back("open " + address); }

 private:
  std::vector<std::string>& log_;
};

TEST(LaunchAddressTest, HourglassOpenMinimizeAndPointerInThatOrder) {
  std::vector<std::string> log;
  RecordingOpener opener(log);
  SetAddressLauncher(&opener, {[&] { log.push_back("hourglass"); }, [&] { log.push_back("minimize"); },
                               [&] { log.push_back("pointer"); }});
  LaunchAddress("  http://example.org/a b\"c  ");
  LaunchAddress("");
  EXPECT_EQ(log, (std::vector<std::string>{"hourglass", "open   http://example.org/a b\"c  ", "minimize", "pointer",
                                           "hourglass", "open ", "minimize", "pointer"}));
  SetAddressLauncher(nullptr, {});
}

TEST(LaunchAddressTest, TheAddressIsOneArgumentAndNeverReachesAShell) {
  const std::string address = "http://x/;touch /tmp/pwned";
  EXPECT_EQ(SystemAddressOpener("/tmp/prefix", true).CommandFor(address),
            (std::vector<std::string>{"wine", "start", "/min", address}));
  EXPECT_EQ(SystemAddressOpener("/tmp/prefix", false).CommandFor(address),
            (std::vector<std::string>{"xdg-open", address}));
  // 1252 text reaches the opener as UTF-8.
  EXPECT_EQ(SystemAddressOpener("/tmp/prefix", true).CommandFor("caf\xe9").back(), "caf\xc3\xa9");
}

TEST(LaunchAddressTest, AnAddressThatWineStartWouldReadAsItsOwnOptionStartsNothing) {
  SystemAddressOpener wine("/tmp/prefix", true);
  EXPECT_TRUE(wine.CommandFor("/exec c:\\windows\\evil.exe").empty());
  EXPECT_TRUE(wine.CommandFor("/unix /home/user/evil.exe").empty());
  EXPECT_EQ(wine.CommandFor(" /min").back(), " /min");  // a leading blank makes it no option
  EXPECT_EQ(wine.CommandFor("").back(), "");
}

TEST(LaunchAddressTest, SpawnDetachedStartsAProgramWithTheExtraEnvironment) {
  char pattern[] = "/tmp/varnel-spawn-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string marker = std::string(pattern) + "/done";
  ASSERT_TRUE(SpawnDetached({"sh", "-c", "printf %s \"$VARNEL_T\" > \"$0\"", marker}, {"VARNEL_T=ok"}));
  std::string content;
  for (int i = 0; i < 200 && content.empty(); ++i) {
    usleep(10000);
    if (FILE* f = fopen(marker.c_str(), "r")) {
      char buf[8] = {};
      content = fgets(buf, sizeof buf, f) ? buf : "";
      fclose(f);
    }
  }
  EXPECT_EQ(content, "ok");
  unlink(marker.c_str());
  rmdir(pattern);
  EXPECT_FALSE(SpawnDetached({}, {}));
}

}  // namespace
}  // namespace varnel
