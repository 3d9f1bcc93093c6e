#include "history/typed_urls.h"

#include <gtest/gtest.h>

#include "settings/registry_access.h"
#include "testsupport/expect_ok.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

class TypedUrlsTest : public ::testing::Test {
 protected:
  void Put(std::string_view name, std::string_view text) {
    test::ExpectOk(WriteRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, name, text));
  }
  std::vector<std::string> ReadAll() {
    std::vector<std::string> items;
    ReadTypedUrls(registry_, [&](const std::string& item) { items.push_back(item); });
    return items;
  }
  std::vector<std::string> Numbered(int count) {
    std::vector<std::string> items;
    for (int i = 1; i <= count; ++i) items.push_back("http://site" + std::to_string(i) + ".example.com/");
    return items;
  }

  test::TempPrefix prefix_;
  Registry registry_{prefix_.path()};
};

TEST_F(TypedUrlsTest, TheListEndsAtTheFirstMissingOrEmptyValue) {
  EXPECT_TRUE(ReadAll().empty());  // no key
  Put("url2", "http://two/");
  EXPECT_TRUE(ReadAll().empty());  // no url1
  Put("url1", "http://one/");
  Put("url3", "http://three/");
  Put("url5", "http://five/");
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"http://one/", "http://two/", "http://three/"}));

  test::ExpectOk(registry_.SetValue(Hive::CurrentUser, kTypedUrlsKey, "url3", RegValue{kRegDword, {1, 0, 0, 0}}));
  EXPECT_EQ(ReadAll().size(), 2u);  // not a string
  Put("url1", "");
  EXPECT_TRUE(ReadAll().empty());
}

TEST_F(TypedUrlsTest, WritingReplacesTheKeyByAtMostTwentyTrimmedValues) {
  for (int i = 1; i <= 25; ++i) Put(TypedUrlValueName(i), "http://old" + std::to_string(i) + "/");
  std::vector<std::string> read = ReadAll();
  ASSERT_EQ(read.size(), 25u);
  ASSERT_TRUE(WriteTypedUrls(registry_, read).ok());
  std::vector<std::string> expected(read.begin(), read.begin() + 20);
  EXPECT_EQ(ReadAll(), expected);
  EXPECT_EQ(ReadRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, "url21", "gone"), "gone");

  // The key is deleted first: no stale url4..url20 behind three new values.
  ASSERT_TRUE(WriteTypedUrls(registry_, {"  http://a/ ", "\thttp://b/\t", "http://c/"}).ok());
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"http://a/", "\thttp://b/\t", "http://c/"}));
  EXPECT_EQ(ReadRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, "url4", "gone"), "gone");

  // An empty list leaves no key at all.
  ASSERT_TRUE(WriteTypedUrls(registry_, {}).ok());
  EXPECT_FALSE(registry_.KeyExists(Hive::CurrentUser, kTypedUrlsKey));
  EXPECT_EQ(test::ReadFile(prefix_.native("user.reg")).find("TypedURLs"), std::string::npos);
}

TEST_F(TypedUrlsTest, AFailedSaveIsReportedAndChangesNothing) {
  const std::string broken = "not a hive file";
  test::WriteFile(prefix_.native("user.reg"), broken);
  Status saved = WriteTypedUrls(registry_, Numbered(3));
  EXPECT_FALSE(saved.ok());
  EXPECT_FALSE(saved.message.empty());
  EXPECT_EQ(test::ReadFile(prefix_.native("user.reg")), broken);
}

}  // namespace
}  // namespace varnel
