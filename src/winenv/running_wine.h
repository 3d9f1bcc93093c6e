#pragma once
// The registry's side in a Wine that runs in the prefix. While a wineserver serves the prefix it
// holds the registry in memory and writes the hive files over with its own copy only now and then:
// the files may be behind what Wine holds, and an edit of them would be lost. A Registry owns one
// RunningWine (Registry::wine()), which its saves go through while Wine runs, and which keeps
// what this run learnt of Wine's registry: reads of the Registry give it for the rest of the run,
// laid over the files.
//
// What learns from Wine, and how they differ:
//   ReadLatest  reads string values from Wine and takes those the files show otherwise;
//   AskHeld     asks whether Wine holds given states, and takes nothing;
//   TakeHeld    takes states the caller found Wine holds, and asks nothing.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "winenv/registry_edit.h"
#include "winenv/status.h"

namespace varnel {

class Registry;
class WineSession;
struct WineServer;

class RunningWine {
 public:
  explicit RunningWine(Registry& registry);
  ~RunningWine();  // ends the Wine program that ReadLatest started, without waiting for it
  RunningWine(const RunningWine&) = delete;
  RunningWine& operator=(const RunningWine&) = delete;

  // Whether a wineserver serves the prefix now, looked up afresh on each call (a server may
  // start or end at any time). While one does, the Registry's saves go through Wine.
  bool Running() const;

  // Reads the string values named from Wine itself (a value it does not hold taken as none) and
  // takes those the files show otherwise. The first call starts one Wine program, which later
  // calls use too until EndProgram; nothing to do when no wineserver runs then. A value the files
  // hold as REG_EXPAND_SZ, or that Wine holds as other data, is left as the files have it.
  [[nodiscard]] Status ReadLatest(const std::vector<RegistryLocation>& values);
  // Whether ReadLatest read this value from Wine (whether or not it differed from the files):
  // reads of it give what Wine held then, with nothing more to ask.
  bool WasRead(Hive hive, std::string_view keyPath, std::string_view name) const;
  // Ends the program ReadLatest started, waiting for it, since it would otherwise wait two
  // seconds for more work (the windows end it once they have started; a run ends it as it ends).
  // Later calls into Wine each run a program of their own.
  void EndProgram();

  // Which of the states (each the state the edit leaves) Wine holds now, asked of Wine itself:
  // held[i] for states[i]. Changes nothing, here or in Wine. Code 53 when no wineserver runs.
  [[nodiscard]] Status AskHeld(const std::vector<RegistryEdit>& states, std::vector<bool>& held);
  // Takes states that Wine was found to hold while its files do not show them yet (from AskHeld):
  // reads give them for the rest of the run, as they give what was written through Wine.
  void TakeHeld(const std::vector<RegistryEdit>& held);

  // Whether a save of this run went through Wine.
  bool WroteThroughWine() const { return !written_.empty(); }

  // How a call into Wine waits for Wine's programs, which take a second or more: by default in
  // the calling thread; the windows run it on another thread and keep painting.
  using Wait = std::function<Status(const std::function<Status()>& callWine)>;
  void SetWait(Wait wait) { wait_ = std::move(wait); }

 private:
  friend class Registry;
  // The Registry's save while `server` serves the prefix: the edits go to Wine and are read back;
  // the hive files are left to Wine.
  Status Write(const WineServer& server, const std::vector<RegistryEdit>& edits);
  // Lays what was learnt from Wine and written through it over a fresh read of one hive file.
  void LayOver(Hive hive, HiveFile& file, std::int64_t now) const;
  Status Call(const std::function<Status()>& callWine);
  Status ReadThroughProgram(const std::vector<RegistryLocation>& values, bool start);

  Registry& registry_;
  std::vector<RegistryEdit> held_;      // found in the running Wine, not yet in its files
  std::vector<RegistryLocation> read_;  // the values ReadLatest read from Wine
  std::vector<RegistryEdit> written_;   // written through the running Wine this run
  Wait wait_;
  std::unique_ptr<WineSession> program_;  // the Wine program ReadLatest started, while it serves
};

}  // namespace varnel
