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
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/hive_file.h"
#include "winenv/registry_edit.h"
#include "winenv/running_wine.h"
#include "winenv/status.h"

namespace varnel {

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

  // The registry as a Wine running in the prefix holds it (running_wine.h): while a wineserver
  // serves the prefix, saves go through Wine, and what this run learnt of Wine is laid over the files.
  RunningWine& wine() { return wine_; }
  const RunningWine& wine() const { return wine_; }

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
  friend class RunningWine;
  struct HiveState;
  HiveState& StateFor(Hive hive);
  bool Refresh(HiveState& state);
  static void Load(HiveState& state);
  std::optional<RegValue> QueryValueAt(const RegistryLocation& at);
  void LayOverLoaded(const RegistryEdit& edit, std::int64_t now);
  Status Save(const std::vector<RegistryEdit>& writes);
  Status SaveHives(const std::vector<HiveState*>& touched, bool& wineMoved);
  void Drop(const std::vector<RegistryEdit>& writes);
  Status Write(RegistryEdit write, bool keyMayBeMissing = false);

  std::string prefix_;
  std::unique_ptr<HiveState> system_;
  std::unique_ptr<HiveState> user_;
  std::vector<RegistryEdit> pending_;
  int batchDepth_ = 0;
  Status batchFailure_;  // the first failure inside the open batch
  RunningWine wine_{*this};
};

}  // namespace varnel
