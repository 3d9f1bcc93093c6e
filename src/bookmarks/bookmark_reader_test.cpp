#include "bookmarks/bookmark_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "bookmarks/bookmark_markup.h"
#include "bookmarks/bookmark_tree.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

using Lines = std::vector<std::string>;

// The tree a file's lines give, one node a line in tree order: two blanks a level, the key, and
// "=" with the address on bookmarks; "+" marks an expanded node; a text that differs from the
// key follows in [].
struct Shown {
  Lines nodes;
  std::vector<std::size_t> unreadable;
  std::string lastVisible;
};

void Render(const BookmarkTree& tree, BookmarkTree::NodeId parent, int depth, Lines& out) {
  for (BookmarkTree::NodeId id : tree.children(parent)) {
    std::string line = std::string(2 * depth, ' ') + std::string(tree.key(id));
    if (tree.expanded(id)) line += " +";
    if (auto address = tree.address(id)) line += " =" + std::string(*address);
    if (tree.text(id) != tree.key(id) && tree.picture(id) == BookmarkPicture::Bookmark) {
      line += " [" + std::string(tree.text(id)) + "]";
    }
    out.push_back(line);
    Render(tree, id, depth + 1, out);
  }
}

Shown Read(const Lines& lines) {
  BookmarkTree tree;
  BookmarkReader reader(tree);
  reader.Begin();
  for (const std::string& line : lines) reader.Line(line);
  reader.End();
  Shown shown;
  shown.unreadable = reader.unreadableLines();
  Render(tree, BookmarkTree::kNone, 0, shown.nodes);
  if (tree.lastMadeVisible() != BookmarkTree::kNone) shown.lastVisible = tree.key(tree.lastMadeVisible());
  return shown;
}

std::string A(const std::string& address, const std::string& title) {
  return "    <DT><A HREF=\"" + address + "\" ADD_DATE=\"874687648\" LAST_VISIT=\"0\">" + title + "</A>";
}
std::string H3(const std::string& name) { return "    <DT><H3 FOLDED ADD_DATE=\"874687649\">" + name + "</H3>"; }
const std::string kOpen = "    <DL><p>";
const std::string kClose = "    </DL><p>";

// Files of Netscape's own one-level shape ------------------------------------------------------

TEST(BookmarkReader, TopLevelAndFolders) {
  // An empty file gives the root alone.
  EXPECT_EQ(Read({}).nodes, Lines{"NoFolder"});
  // Loose bookmarks (those inserted after the heading too) go under the root in file order; a
  // description at top level is ignored; two folders of one name are told apart by their number.
  const Shown shown =
      Read({"<H1>Bookmarks</H1>", A("n", "New one"), "<DL><p>", A("l", "Loose"), "<DD>top description", H3("Same"),
            kOpen, A("s1", "One"), kClose, H3("Same"), kOpen, A("s2", "Two"), kClose, "</DL><p>"});
  EXPECT_EQ(shown.nodes,
            (Lines{"NoFolder +", "  New one =n", "  Loose =l", "Same 1 +", "  One =s1", "Same 2 +", "  Two =s2"}));
  EXPECT_EQ(shown.lastVisible, "Two");
  EXPECT_TRUE(shown.unreadable.empty());
}

TEST(BookmarkReader, NoSixteenBitLimits) {
  // A bookmark with a picture of megabytes embedded, and folder numbers past 32,767.
  const std::string icon(3 * 1024 * 1024, 'Q');
  Lines lines = {"<DT><A HREF=\"http://big\" ICON=\"data:image/png;base64," + icon + "\">Big</A>"};
  for (int i = 0; i < 40000; ++i) {
    lines.push_back("<DT><H3>F</H3>");
    lines.push_back("</DL><p>");
  }
  const Shown shown = Read(lines);
  EXPECT_TRUE(shown.unreadable.empty());
  ASSERT_EQ(shown.nodes.size(), 40002u);
  EXPECT_EQ(shown.nodes[1], "  Big =http://big");
  EXPECT_EQ(shown.nodes.back(), "F 40000");
}

// The true structure of real files ------------------------------------------------------------

TEST(BookmarkReader, ANestedFolderIsAChildAndItsEndReturnsToTheEnclosingFolder) {
  const Shown shown = Read({"<DL><p>", H3("Outer"), kOpen, A("o1", "O1"), H3("Inner"), kOpen, A("i1", "I1"), kClose,
                            A("o2", "O2"), kClose, A("l", "Loose"), "</DL><p>"});
  EXPECT_EQ(shown.nodes,
            (Lines{"NoFolder +", "  Loose =l", "Outer 1 +", "  O1 =o1", "  Inner 2 +", "    I1 =i1", "  O2 =o2"}));
  // A header whose list never starts takes what follows until a list ends or the next header.
  EXPECT_EQ(Read({H3("A"), A("a", "In A"), H3("B"), A("b", "In B"), kClose, A("c", "Loose")}).nodes,
            (Lines{"NoFolder +", "  Loose =c", "A 1 +", "  In A =a", "B 2 +", "  In B =b"}));
}

TEST(BookmarkReader, AnyDepthIsReadWithoutTheStack) {
  constexpr int kDepth = 100000;
  BookmarkTree tree;
  BookmarkReader reader(tree);
  reader.Begin();
  for (int i = 0; i < kDepth; ++i) reader.Line("<DT><H3>F</H3><DL><p>");
  reader.Line(A("deep", "Deep"));
  for (int i = 0; i < kDepth; ++i) reader.Line("</DL><p>");
  reader.Line(A("top", "Top"));
  reader.End();
  const std::optional<BookmarkTree::NodeId> deep = tree.Find("Deep");
  ASSERT_TRUE(deep);
  int depth = 0;
  for (BookmarkTree::NodeId up = tree.parent(*deep); up != BookmarkTree::kNone; up = tree.parent(up)) ++depth;
  EXPECT_EQ(depth, kDepth);
  EXPECT_EQ(tree.parent(*tree.Find("Top")), *tree.Find("NoFolder"));
}

TEST(BookmarkReader, DescriptionsNeverTakeBookmarksNorEndAFolder) {
  // A folder's own description is its child; a bookmark's stands in the bookmark's folder; the
  // folder's end is its own.
  const Shown shown = Read({H3("F"), "<DD>About F", kOpen, A("a", "A"), "<DD>about A", A("b", "B"), "<DD>about B",
                            A("c", "C"), kClose, A("d", "Loose"), "<DD>loose description"});
  EXPECT_EQ(shown.nodes, (Lines{"NoFolder +", "  Loose =d", "F 1 +", "  F 1About F", "  A =a", "  F 1about A", "  B =b",
                                "  F 1about B", "  C =c"}));
  EXPECT_EQ(shown.lastVisible, "Loose");
  // A description over several lines is one text.
  EXPECT_EQ(Read({H3("G"), "<DD>first line", "   and the second", kOpen, kClose}).nodes,
            (Lines{"NoFolder", "G 1 +", "  G 1first line and the second"}));
}

TEST(BookmarkReader, EveryEntryIsShownARepeatedKeyMadeUnique) {
  const Shown shown =
      Read({A("1", "Twice"), A("2", "Twice"), A("3", "Twice"), A("e1", ""), A("e2", ""), A("r", "NoFolder"), H3("News"),
            kOpen, kClose, A("n", "News 1"), H3("News"), kOpen, A("t", "Twice (2)"), kClose});
  EXPECT_EQ(shown.nodes, (Lines{"NoFolder +", "  Twice =1", "  Twice (2) =2 [Twice]", "  Twice (3) =3 [Twice]",
                                "   =e1", "   (2) =e2 []", "  NoFolder (2) =r [NoFolder]", "  News 1 (2) =n [News 1]",
                                "News 1", "News 2 +", "  Twice (2) (2) =t [Twice (2)]"}));
}

TEST(BookmarkReader, TheMarkupIsReadByItsTags) {
  const Shown shown = Read({
      "<dl><p>",
      "<dt><h3 folded>lower</h3>",
      "<dl>",
      "<dt><a add_date=\"1\" href = 'single' >Attributes in any order</a>",
      "<DT><A HREF=unquoted>Unquoted</A><DT><A HREF=\"second\">Two on a line</A>",
      "</dl>",
      "<DT><A",
      "    HREF=\"spread\"",
      "    ADD_DATE=\"2\">Over three lines</A>",
      "<DT><H3>A > B</H3><DL><p><DT><A HREF=\"x\" TITLE=\"a > b\">Quoted &gt; kept</A></DL>",
      "<DT><A HREF=\"y\">a < b</A>",
      "</DL><p>",
  });
  EXPECT_EQ(shown.nodes, (Lines{"NoFolder +", "  Over three lines =spread", "  a < b =y", "lower 1 +",
                                "  Attributes in any order =single", "  Unquoted =unquoted", "  Two on a line =second",
                                "A > B 2 +", "  Quoted > kept =x"}));
  EXPECT_TRUE(shown.unreadable.empty());
}

TEST(BookmarkReader, AnEntryThatCannotBeReadIsSkippedAndTheReadingGoesOn) {
  const Shown shown =
      Read({"<DL><p>", A("a", "First"), "<DT><A HREF=\"http://x ADD_DATE=1>Never closed</A>",
            "<DT><A NAME=\"anchor\">No address</A>", H3("F"), kOpen, A("b", "After"), kClose, "<DT><A HREF=\"z\""});
  EXPECT_EQ(shown.nodes, (Lines{"NoFolder +", "  First =a", "F 1 +", "  After =b"}));
  EXPECT_EQ(shown.unreadable, (std::vector<std::size_t>{3, 4, 9}));
  // A title without its end tag ends at the next tag, its trailing blanks dropped; the end of the
  // file ends it too.
  EXPECT_EQ(Read({"<DT><A HREF=\"u\">Open title  ", "<DT><A HREF=\"v\">Last"}).nodes,
            (Lines{"NoFolder +", "  Open title =u", "  Last =v"}));
}

TEST(BookmarkReader, TextsAreShownAsABrowserShowsThem) {
  // References are decoded in titles, folder names, descriptions and addresses; the code page's
  // bytes come out as UTF-8.
  const Shown page = Read({H3("R&amp;D &#233;t&#xE9;"), "<DD>&lt;b&gt; &quot;q&quot; &apos;", kOpen,
                           A("http://a/?x=1&amp;y=2", "Caf\xE9 &#x263A; &#150; &#0; &bogus; &amp"), kClose});
  EXPECT_EQ(page.nodes,
            (Lines{"NoFolder", "R&D \xC3\xA9t\xC3\xA9 1 +", "  R&D \xC3\xA9t\xC3\xA9 1<b> \"q\" '",
                   "  Caf\xC3\xA9 \xE2\x98\xBA \xE2\x80\x93 \xEF\xBF\xBD &bogus; &amp =http://a/?x=1&y=2"}));
  // A byte order mark or a META charset makes the file UTF-8; a byte that is no UTF-8 is read in
  // the code page.
  const std::string chinese = "\xE4\xB8\xAD\xE5\x9B\xBD";
  EXPECT_EQ(Read({"\xEF\xBB\xBF<DL><p>", A("c", chinese), A("d", "bad \xE9 byte")}).nodes,
            (Lines{"NoFolder +", "  " + chinese + " =c", "  bad \xC3\xA9 byte =d"}));
  EXPECT_EQ(Read({"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">", A("c", chinese)}).nodes,
            (Lines{"NoFolder +", "  " + chinese + " =c"}));
  EXPECT_EQ(Read({A("c", chinese)}).nodes,
            (Lines{"NoFolder +", "  \xC3\xA4\xC2\xB8\xC2\xAD\xC3\xA5\xE2\x80\xBA\xC2\xBD =c"}));
}

// The entries of a file's lines, one a line: kind, line number, text and address.
Lines Entries(const Lines& lines, BookmarkMarkup::Shortcut shortcut) {
  struct Collected : MarkupEntries {
    void Entry(const MarkupEntry& e) override {
      entries.push_back(std::to_string(static_cast<int>(e.kind)) + " " + std::to_string(e.line) + " " +
                        std::string(e.text) + " =" + std::string(e.address));
    }
    Lines entries;
  } collected;
  BookmarkMarkup markup(collected, BookmarkCharset::CodePage, shortcut);
  for (const std::string& line : lines) markup.Line(line);
  markup.End();
  return collected.entries;
}

TEST(BookmarkMarkup, ABookmarkLineReadInOneStepGivesWhatTheGeneralReadingGives) {
  const auto expectSame = [](const Lines& lines) {
    EXPECT_EQ(Entries(lines, BookmarkMarkup::Shortcut::On), Entries(lines, BookmarkMarkup::Shortcut::Off));
  };
  // Lines in the written shape and each way out of it, alone and after what an earlier line left open.
  const Lines near = {A("a", "Title"),
                      "<DT><A HREF=\"a\">t</A>",
                      "<DT><A HREF=\"\"></A>",
                      "\t<DT><A HREF=\"a\" X=\"b>c\">t > u</A>",
                      "<DT><A HREF=\"a\" X='b'>t</A>",
                      "<DT><A HREF=\"a\" X=b>t</A>",
                      "<DT><A HREF=\"a\"\"b\">t</A>",
                      "<DT><A HREF=\"a\" X\"y>z\">t</A>",
                      "<DT><A HREF=\"a\" X = \"b\">t</A>",
                      "<DT><A HREF=\"a\" X=\"open>t</A>",
                      "<DT><A HREF=\"a\" X=\"\" >t</A>",
                      "<DT><A HREF=\"a&amp;b\">t &amp; caf\xE9 &#9786;</A>",
                      "<DT><A HREF=\"a\">t<b>bold</b></A>",
                      "<DT><A HREF=\"a\">t</A>  ",
                      "<DT><A HREF=\"a\">t</a>",
                      "<DT><A HREF=\"a\">t</A></A>",
                      "<DT><A HREF=\"a\" ICON_URI=\"x\" LAST-X=\"y\">t</A>",
                      "<DT><A HREF=\"a\">" + std::string(40, 'x') + "</A>"};
  for (const std::string& line : near) {
    SCOPED_TRACE(line);
    expectSame({line});
    for (const char* before : {"<DT><A", "<!-- open", "<DT><A HREF=\"x\">open title", "<DD>open description",
                               "<DT><H3>open folder", "<DT><A HREF=\"x\" X=\"open value"}) {
      expectSame({before, line, A("after", "After")});
    }
  }
  expectSame({"\xEF\xBB\xBF" + A("a", "\xE4\xB8\xAD"), A("b", "\xE4\xB8\xAD")});
  expectSame({"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">", A("b", "\xE4\xB8\xAD \xE9")});
  // And every line of the real files.
  for (const auto& entry : std::filesystem::directory_iterator(test::CorpusPath("bookmarks"))) {
    if (entry.path().extension() == ".truth" || entry.path().extension() == ".py") continue;
    SCOPED_TRACE(entry.path().filename().string());
    std::istringstream file(test::ReadFile(entry.path().string()));
    Lines lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line.substr(0, line.find('\r')));
    ASSERT_GT(lines.size(), 50u);
    expectSame(lines);
  }
}

TEST(BookmarkText, WrittenTextsReadBackAsThemselves) {
  const std::string text = "A & B <C> \"D\" caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80";
  EXPECT_EQ(EncodeBookmarkText(text, BookmarkCharset::CodePage, BookmarkField::Text),
            "A &amp; B &lt;C&gt; &quot;D&quot; caf\xE9 &#20013; &#128512;");
  EXPECT_EQ(EncodeBookmarkText(text, BookmarkCharset::Utf8, BookmarkField::Text),
            "A &amp; B &lt;C&gt; &quot;D&quot; caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80");
  EXPECT_EQ(EncodeBookmarkText("http://a/?q=\"<x>\"&y", BookmarkCharset::CodePage, BookmarkField::Address),
            "http://a/?q=%22%3Cx%3E%22&amp;y");
  for (const BookmarkCharset charset : {BookmarkCharset::CodePage, BookmarkCharset::Utf8}) {
    std::string back;
    DecodeBookmarkText(EncodeBookmarkText(text, charset, BookmarkField::Text), charset, back);
    EXPECT_EQ(back, text);
  }
  // Plain text is written as it is.
  EXPECT_EQ(EncodeBookmarkText("Plain title", BookmarkCharset::CodePage, BookmarkField::Text), "Plain title");
}

}  // namespace
}  // namespace varnel
