#include "session/open_session.h"

namespace varnel {
namespace {

Status CheckHives(Status status, const std::vector<Hive>& hives, Registry& registry) {
  for (const Hive hive : hives) {
    if (status.ok()) status = registry.CheckHive(hive);
  }
  return status;
}

}  // namespace

Status OpenPrefixChecked(const std::optional<std::string>& commandLinePrefix, const EnvLookup& env,
                         const std::vector<Hive>& hives, OpenedPrefix& opened) {
  const Status status = OpenPrefix(commandLinePrefix, env, opened);
  if (!status.ok() || !opened.choices.empty()) return status;
  return CheckHives(status, hives, *opened.registry);
}

Status OpenChoiceChecked(OpenedPrefix& opened, const std::string& picked, const std::vector<Hive>& hives) {
  const Status status = OpenChoice(opened, picked);
  if (!status.ok()) return status;
  return CheckHives(status, hives, *opened.registry);
}

std::vector<std::string> PrefixNotes(const OpenedPrefix& opened) {
  std::vector<std::string> notes;
  if (opened.laidOut) notes.push_back("laid out a new Windows environment in " + opened.location.path);
  if (opened.onlyFound) {
    notes.push_back("using " + opened.location.path + ", the only Wine prefix found that holds a browser");
  }
  return notes;
}

std::unique_ptr<Session> OpenSession(OpenedPrefix& opened, const EnvLookup& env, bool readLatest, std::string& note) {
  note.clear();
  auto session = std::make_unique<Session>(std::move(opened.registry), env);
  if (readLatest) {
    if (const Status latest = session->ReadLatestFromWine(); !latest.ok())
      note = Session::LatestFromWineFailure(latest);
  }
  return session;
}

}  // namespace varnel
