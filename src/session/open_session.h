#pragma once
// The start of every run that works on a prefix, for the command line and the windows alike:
// the prefix opened and the hives it needs checked, what the user is told about the prefix
// chosen, and the session on it with Wine's latest values.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "session/open_prefix.h"
#include "session/session.h"

namespace varnel {

// OpenPrefix (or, after it offered choices, OpenChoice of `picked`), then the hives given are
// checked. With choices offered and nothing picked yet, the status says so and `opened.choices`
// lists them.
[[nodiscard]] Status OpenPrefixChecked(const std::optional<std::string>& commandLinePrefix, const EnvLookup& env,
                                       const std::vector<Hive>& hives, OpenedPrefix& opened);
[[nodiscard]] Status OpenChoiceChecked(OpenedPrefix& opened, const std::string& picked, const std::vector<Hive>& hives);

// The notes for stderr about the prefix chosen: "laid out a new Windows environment in …",
// "using …, the only Wine prefix found that holds a browser".
std::vector<std::string> PrefixNotes(const OpenedPrefix& opened);

// The session on the opened prefix (its registry handed over). With `readLatest` the values Varnel
// reads are then taken from a running Wine (Session::ReadLatestFromWine); when that fails the work
// goes on with the files' values and `note` says so, else it is left empty.
std::unique_ptr<Session> OpenSession(OpenedPrefix& opened, const EnvLookup& env, bool readLatest, std::string& note);

}  // namespace varnel
