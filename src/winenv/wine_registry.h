#pragma once
// Registry edits made through Wine itself. While a wineserver serves the prefix it holds the
// registry in memory and writes the hive files over with its own copy now and then, so an edit
// of the files would be lost: the edits go to Wine instead and are read back before they count as
// made, all of them by one script that Wine's own "cscript" runs. Plain strings the script writes
// itself (one Wine program in all); other edits are first imported with one "wine regedit /S".
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/hive_file.h"
#include "winenv/process.h"
#include "winenv/registry_edit.h"
#include "winenv/status.h"
#include "winenv/wine_requests.h"
#include "winenv/wine_server.h"

namespace varnel {

// The edits, in order, as a regedit file: "Windows Registry Editor Version 5.00", UTF-16LE with
// its byte-order mark and CR LF line ends.
std::string RegeditFile(const std::vector<RegistryEdit>& edits);

// The read-back of the edits that stand at the end of the batch: a JScript (plain ASCII) that
// prints "varnel N held" for edit N when Wine holds it as written, "varnel N not held" otherwise.
// Whether the script alone can make the edits: every one a plain string (REG_SZ without a
// line break or NUL) set under a name without a backslash, which RegWrite writes as regedit would.
bool ScriptCanWrite(const std::vector<RegistryEdit>& edits);
// With `writeFirst` (only for edits ScriptCanWrite takes) the script makes the edits first, in
// order, with RegWrite: one Wine program writes and reads back.
std::string ReadBackScript(const std::vector<RegistryEdit>& edits, bool writeFirst = false);

class WineSession;

// Removes from the prefix's C:\windows\temp what runs of Varnel that were killed left there:
// their program files (varnel-XXXXXX.js, .reg), which a live run holds locked, and the request
// files (varnel-XXXXXX.N.js) of runs that are over, the "end" a script no longer took among them.
// Done before each new file is made there, under the folder's lock.
void RemoveFilesOfEndedRuns(const std::string& prefix);
inline constexpr std::string_view kWineTempLockName = ".varnel-temp.lock";

// Imports the edits into the running Wine of the prefix and reads every one back (through the
// session when one runs). Nothing is written to the hive files. A failure says what Wine did
// not take.
[[nodiscard]] Status WriteThroughWine(const std::string& prefix, const WineServer& server,
                                      const std::vector<RegistryEdit>& edits, WineSession* session = nullptr);

// Asks the running Wine which of the edits' results it holds now, without making any: held[i]
// for edit i (one a later edit supersedes counts as held). Wine writes its files only now and
// then, so while it runs this, not the files, tells what the registry holds.
[[nodiscard]] Status AskWineWhatItHolds(const std::string& prefix, const WineServer& server,
                                        const std::vector<RegistryEdit>& edits, WineSession* session,
                                        std::vector<bool>& held);

// What Wine holds in a value: its text when it is a string, None when there is no such value (or
// key), Unknown for other data or no answer.
struct WineString {
  enum class Kind { Text, None, Unknown } kind = Kind::Unknown;
  std::u16string text;
};
// The script that prints them: "varnel N text HHHH..." (each UTF-16 unit as four hex digits),
// "varnel N none" or "varnel N other".
std::string ReadStringsScript(const std::vector<RegistryLocation>& values);
// Its output, one entry per value asked (Unknown where no line answers).
std::vector<WineString> ParseWineStrings(const std::string& output, std::size_t count);

// One Wine program for a whole run of Varnel beside a running Wine, where each program costs a
// fifth of a second to start: Wine's own cscript runs a script that first reads the values the
// run will need, then runs the statements it is handed (writes and read-backs), each as a
// request file in C:\windows\temp (WineRequests), until the run ends or two seconds pass without
// one; between requests it waits on a wake pipe, not using the processor. A switch through Wine
// is then one Wine program in all.
class WineSession {
 public:
  WineSession(std::string prefix, WineServer server);
  ~WineSession();  // ends the script
  WineSession(const WineSession&) = delete;
  WineSession& operator=(const WineSession&) = delete;

  // Starts the script, which answers the string values `reads` names (as ReadStringsScript).
  [[nodiscard]] Status Start(const std::vector<RegistryLocation>& reads, std::vector<WineString>& found);
  // Reads more string values, as Start did: through the script, or by a program of its own when
  // the script has ended.
  [[nodiscard]] Status Read(const std::vector<RegistryLocation>& reads, std::vector<WineString>& found);
  // Has the script run the statements; `output` is what they printed. False, with nothing run,
  // when the script has ended: the caller runs them on its own.
  bool Run(const std::string& statements, std::string& output);
  // Ends the script, waiting for it to end or not.
  void End(bool wait);

 private:
  class Script;

  std::string prefix_;
  WineServer server_;
  std::unique_ptr<Script> script_;
  WineRequests requests_;
};

}  // namespace varnel
