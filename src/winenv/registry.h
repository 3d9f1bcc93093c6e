#pragma once
// The registry of a Wine prefix: HKEY_LOCAL_MACHINE in system.reg, HKEY_CURRENT_USER in
// user.reg, HKEY_CLASSES_ROOT as HKEY_LOCAL_MACHINE\Software\Classes. Key paths and names are
// 1252 text with backslash separators and compare without case.
//
// Each hive file is parsed once and kept; before every operation the file's identity on disk
// (inode, size, modification time) is checked and the file reloaded when it changed, so an
// outside edit is never overwritten with stale data. Every write is saved at once by an atomic
// replace, under an advisory lock on <prefix>/.varnel-registry.lock, after reloading inside the
// lock; two processes writing different values both keep theirs. A hive file that does not parse
// is never written: reads give nothing, writes fail saying why, and CheckHive tells a broken hive
// from an empty one.
#include <sys/types.h>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/hive_file.h"
#include "winenv/status.h"

namespace varnel {

enum class Hive { ClassesRoot, CurrentUser, LocalMachine };

class WineSession;

// A state the registry is expected to be in: a value as given, a value that is not there, or
// (with keyAbsent) a key that is not there.
struct ExpectedRegistryState {
  Hive hive = Hive::LocalMachine;
  std::string key;
  std::string name;
  std::optional<RegValue> value;  // none: the value is not there
  bool keyAbsent = false;
};

// The key's path inside its hive file: HKEY_CLASSES_ROOT lies in the machine's hive, under
// Software\Classes.
std::u16string KeyInHive(Hive hive, std::string_view keyPath);

class Registry {
 public:
  explicit Registry(std::string prefixPath);
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  std::optional<RegValue> QueryValue(Hive hive, std::string_view keyPath, std::string_view name);
  bool KeyExists(Hive hive, std::string_view keyPath);
  // Creates the key and its missing parents as needed, and saves (at the end of a batch).
  Status SetValue(Hive hive, std::string_view keyPath, std::string_view name, const RegValue& value);
  // Deletes a key that has no sub-keys: code 53 when there is no such key (or it has sub-keys),
  // else the save's failure, if any.
  Status DeleteKey(Hive hive, std::string_view keyPath);
  // The same, and also a key the files hold nothing of (no value, no sub-key, perhaps not even
  // its name) while a running Wine may hold it: a key emptied of everything Varnel put there.
  Status DeleteEmptyKey(Hive hive, std::string_view keyPath);
  // Deletes one value; the key stays. Nothing to do (success) when there is no such value.
  Status DeleteValue(Hive hive, std::string_view keyPath, std::string_view name);
  // The names of the key's values, in the hive's order; none for a missing key or a broken hive.
  std::vector<std::string> ValueNames(Hive hive, std::string_view keyPath);

  // Checks that the hive's file parses (a missing file counts as an empty hive); reads fail
  // quietly, so a caller that must tell a broken hive from an empty one checks first.
  Status CheckHive(Hive hive);
  // Both hive files.
  Status CheckHives();

  // True while a wineserver serves this prefix: it holds the registry in memory and overwrites
  // the hive files now and then. Writes made then go through Wine itself (wine_registry.h), are
  // read back from it, and stay visible to reads for the rest of this run.
  bool WineServerRunning() const;
  bool WroteThroughWine() const { return !throughWine_.empty(); }
  // While a wineserver serves the prefix, which of the expected states Wine holds (held[i]),
  // asked of Wine itself, since its files may be behind. Code 53 when no wineserver runs.
  [[nodiscard]] Status AskWine(const std::vector<ExpectedRegistryState>& expected, std::vector<bool>& held);
  // While a wineserver serves the prefix, reads the string values named (value taken as none)
  // from Wine itself and lays those its files show otherwise over the files for the rest of the
  // run. Nothing to do when no wineserver runs. A value the files hold as REG_EXPAND_SZ, or that
  // Wine holds as other data, is left as the files have it.
  [[nodiscard]] Status ReadLatestFromWine(const std::vector<ExpectedRegistryState>& values);
  // More values read so, by the same Wine program (nothing to do when none read the first).
  [[nodiscard]] Status ReadMoreFromWine(const std::vector<ExpectedRegistryState>& values);
  // Ends the Wine program that read them, which would otherwise wait two seconds for more work
  // (the windows end it once they have started; a run ends it as it ends).
  void EndWineSession();
  // Whether this run read the value from Wine so (reads of it give what Wine held then).
  bool ReadFromWine(Hive hive, std::string_view keyPath, std::string_view name) const;
  // States Wine was found to hold that its files do not show yet: reads give them for the rest
  // of this run, as they give what was written through Wine.
  void TakeFromWine(const std::vector<ExpectedRegistryState>& held);
  // How a write through a running Wine waits for Wine's programs, which take a second or more:
  // by default in the calling thread; the windows run it on another thread and keep painting.
  using WineWait = std::function<Status(const std::function<Status()>& writeThroughWine)>;
  void SetWineWait(WineWait wait) { wineWait_ = std::move(wait); }

  // Groups writes so that they are saved once, all or nothing, when the outermost batch ends.
  // Reads inside a batch see the batch's writes.
  class Batch {
   public:
    explicit Batch(Registry& registry);
    ~Batch();  // without Commit() nothing of the batch is saved
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    // Saves the batch's writes (when it is the outermost), or fails as a whole.
    Status Commit();

   private:
    Registry& registry_;
    bool done_ = false;
  };

  const std::string& prefix() const { return prefix_; }

 private:
  struct HiveState;
  struct PendingWrite;
  Status ReadFromWineSession(const std::vector<ExpectedRegistryState>& values, bool start);
  HiveState& StateFor(Hive hive);
  bool Refresh(HiveState& state);
  static void Load(HiveState& state);
  bool Apply(const PendingWrite& write, HiveFile& file, std::int64_t now);
  Status Save(const std::vector<PendingWrite>& writes);
  Status SaveHives(const std::vector<HiveState*>& touched, bool& wineMoved);
  Status SaveThroughWine(const struct WineServer& wine, const std::vector<PendingWrite>& writes);
  void Drop(const std::vector<PendingWrite>& writes);
  Status Write(PendingWrite write);

  std::string prefix_;
  std::unique_ptr<HiveState> system_;
  std::unique_ptr<HiveState> user_;
  std::vector<PendingWrite> pending_;
  std::vector<PendingWrite> fromWine_;      // found in the running Wine, not yet in its files
  std::vector<PendingWrite> readFromWine_;  // the values read from Wine this run (no value kept)
  std::vector<PendingWrite> throughWine_;   // written through a running Wine this run
  int batchDepth_ = 0;
  Status batchFailure_;  // the first failure inside the open batch
  WineWait wineWait_;
  std::unique_ptr<WineSession> wineSession_;  // the run's Wine program, while it serves
};

}  // namespace varnel
