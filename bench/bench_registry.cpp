// Times the registry on the corpus system.reg: parse, serialise, a read of an unchanged hive,
// one write with its atomic save, and a batch of 18 writes saved once (the default-browser
// switch). Run by hand: build/bench_registry [system.reg]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "winenv/code_page.h"
#include "winenv/hive_file.h"
#include "winenv/prefix.h"
#include "winenv/registry.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

template <typename F>
double BestMicroseconds(int rounds, F&& work) {
  double best = 1e300;
  for (int i = 0; i < rounds; ++i) {
    auto start = Clock::now();
    work(i);
    best = std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  return best;
}

// A step the measurement depends on: a failure ends the benchmark.
void Must(const varnel::Status& status) {
  if (status.ok()) return;
  std::fprintf(stderr, "bench_registry: %s\n", status.message.c_str());
  std::exit(1);
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace varnel;
  const std::string source = argc > 1 ? argv[1] : VARNEL_CORPUS_DIR "/wine-prefix/system.reg";
  const std::string text = Slurp(source);
  if (text.empty()) {
    std::fprintf(stderr, "cannot read %s\n", source.c_str());
    return 1;
  }

  HiveFile hive;
  std::string error;
  double parse = BestMicroseconds(20, [&](int) {
    if (!HiveFile::Parse(text, hive).ok()) std::abort();
  });
  std::string out;
  double serialise = BestMicroseconds(20, [&](int) { out = hive.Serialize(); });

  std::string dir = (fs::temp_directory_path() / "varnel-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) return 1;
  Must(CreatePrefixLayout(dir));
  std::ofstream(SystemHivePath(dir), std::ios::binary) << text;

  Registry registry(dir);
  registry.QueryValue(Hive::ClassesRoot, ".htm", "");  // first read parses
  double read = BestMicroseconds(1000, [&](int) { registry.QueryValue(Hive::ClassesRoot, ".htm", ""); });
  double write = BestMicroseconds(20, [&](int i) {
    Must(registry.SetValue(Hive::LocalMachine, "Software\\Varnel\\NetLAU", "",
                           RegValue::String(u"c:\\x" + std::u16string(1, u'a' + i % 26))));
  });
  double batch = BestMicroseconds(20, [&](int i) {
    Registry::Batch b(registry);
    for (int row = 0; row < 18; ++row) {
      Must(registry.SetValue(Hive::ClassesRoot, "http\\row" + std::to_string(row), "",
                             RegValue::String(i % 2 ? u"IExplore" : u"NSShell")));
    }
    Must(b.Commit());
  });
  fs::remove_all(dir);

  std::printf("hive file: %s (%zu bytes)\n", source.c_str(), text.size());
  std::printf("parse:                      %10.1f us\n", parse);
  std::printf("serialise:                  %10.1f us\n", serialise);
  std::printf("read of an unchanged hive:  %10.2f us\n", read);
  std::printf("one write with its save:    %10.1f us\n", write);
  std::printf("18 writes saved once:       %10.1f us\n", batch);
  return 0;
}
