// Times the bookmarks window offscreen on a large bookmark file: the read alone into a tree,
// and a click on "Refresh Bookmarks/ favorites" until the tree is painted. Prints the median of
// each over the rounds, in milliseconds:
//   bench_bookmarks_window BOOKMARK_FILE [ROUNDS]
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "bookmarks/bookmark_load.h"
#include "windows/forms_ui.h"
#include "windows/ie_window.h"
#include "windows/main_screen_window.h"
#include "winenv/prefix.h"

namespace {

class NoOpener : public varnel::AddressOpener {
 public:
  void Open(const std::string&) override {}
};

double Milliseconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_bookmarks_window BOOKMARK_FILE [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  namespace fs = std::filesystem;
  const fs::path prefix = fs::temp_directory_path() / "varnel-bench-window";
  fs::remove_all(prefix);
  if (const varnel::Status laidOut = varnel::CreatePrefixLayout(prefix.string()); !laidOut.ok()) {
    std::fprintf(stderr, "bench_bookmarks_window: %s\n", laidOut.message.c_str());
    return 1;
  }
  const fs::path profile = prefix / "drive_c/Program Files/Netscape/Users/default";
  fs::create_directories(profile);
  fs::create_directories(prefix / "drive_c/windows/Favorites");
  fs::copy_file(argv[1], profile / "bookmark.htm");

  QApplication app(argc, argv);
  varnel::Session session(std::make_unique<varnel::Registry>(prefix.string()),
                          [&prefix](const char* name) -> std::optional<std::string> {
                            if (std::string_view(name) == "XDG_STATE_HOME") return (prefix / "state").string();
                            return std::nullopt;
                          });
  NoOpener opener;
  varnel::QtDialogs dialogs;
  varnel::Help help;
  varnel::Forms forms(session, {opener, dialogs, help}, false);
  const std::string windowsProfile = "c:\\program files\\netscape\\users\\default";
  forms.Main().Dir1->SetPath(windowsProfile);
  varnel::IEWindow& ie = forms.IE();
  ie.show();
  QApplication::processEvents();

  std::vector<double> read, shown;
  for (int i = 0; i < rounds; ++i) {
    auto start = std::chrono::steady_clock::now();
    varnel::BookmarkTree tree;
    session.ReadBookmarks(windowsProfile, tree);
    read.push_back(Milliseconds(start));

    start = std::chrono::steady_clock::now();
    ie.Command3->click();
    ie.tvwMyTree->viewport()->repaint();
    shown.push_back(Milliseconds(start));
    QApplication::processEvents();
  }
  std::printf("nodes: %zu\nread alone: %.1f ms\nclick to painted tree: %.1f ms (median of %d)\n", ie.tree().size(),
              Median(read), Median(shown), rounds);
  fs::remove_all(prefix);
  return 0;
}
