#include "winenv/running_wine.h"

#include <algorithm>
#include <ctime>

#include "winenv/registry.h"
#include "winenv/wine_registry.h"
#include "winenv/wine_server.h"

namespace varnel {

RunningWine::RunningWine(Registry& registry) : registry_(registry) {}

RunningWine::~RunningWine() = default;

bool RunningWine::Running() const { return FindWineServer(registry_.prefix()).has_value(); }

Status RunningWine::Call(const std::function<Status()>& callWine) { return wait_ ? wait_(callWine) : callWine(); }

Status RunningWine::ReadLatest(const std::vector<RegistryLocation>& values) {
  const bool start = !program_;
  if (start) {
    const std::optional<WineServer> wine = FindWineServer(registry_.prefix());
    if (!wine) return Status::Ok();
    program_ = std::make_unique<WineSession>(registry_.prefix(), *wine);
  }
  const Status status = ReadThroughProgram(values, start);
  if (!status.ok() && start) program_.reset();
  return status;
}

Status RunningWine::ReadThroughProgram(const std::vector<RegistryLocation>& values, bool start) {
  std::vector<WineString> found;
  const Status status = Call([&] { return start ? program_->Start(values, found) : program_->Read(values, found); });
  if (!status.ok()) return status;
  std::vector<RegistryEdit> differing;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const RegistryLocation& at = values[i];
    const std::optional<RegValue> inFiles = registry_.QueryValueAt(at);
    if (found[i].kind == WineString::Kind::Unknown || (inFiles && inFiles->type == kRegExpandSz)) continue;
    read_.push_back(at);
    if (found[i].kind == WineString::Kind::None) {
      if (inFiles) differing.push_back({RegistryEdit::Kind::DeleteValue, at, std::nullopt});
      continue;
    }
    RegValue held = RegValue::String(found[i].text);
    if (!inFiles || *inFiles != held) differing.push_back({RegistryEdit::Kind::SetValue, at, std::move(held)});
  }
  if (!differing.empty()) TakeHeld(differing);
  return Status::Ok();
}

bool RunningWine::WasRead(Hive hive, std::string_view keyPath, std::string_view name) const {
  const RegistryLocation asked = RegistryLocation::Of(hive, keyPath, name);
  return std::any_of(read_.begin(), read_.end(), [&](const RegistryLocation& read) { return read.SameAs(asked); });
}

void RunningWine::EndProgram() {
  if (program_) program_->End(true);
  program_.reset();
}

Status RunningWine::AskHeld(const std::vector<RegistryEdit>& states, std::vector<bool>& held) {
  const std::optional<WineServer> wine = FindWineServer(registry_.prefix());
  if (!wine) return Status::Error(errc::kFileNotFound, "Wine is not running in this prefix");
  return Call([&] { return AskWineWhatItHolds(registry_.prefix(), *wine, states, program_.get(), held); });
}

void RunningWine::TakeHeld(const std::vector<RegistryEdit>& held) {
  const std::int64_t stamp = std::time(nullptr);
  for (const RegistryEdit& edit : held) {
    held_.push_back(edit);
    registry_.LayOverLoaded(edit, stamp);  // a later reload lays it over again
  }
}

Status RunningWine::Write(const WineServer& server, const std::vector<RegistryEdit>& edits) {
  const Status written = Call([&] { return WriteThroughWine(registry_.prefix(), server, edits, program_.get()); });
  if (written.ok()) written_.insert(written_.end(), edits.begin(), edits.end());
  return written;
}

// What Wine was found to hold, then what was written through it.
void RunningWine::LayOver(Hive hive, HiveFile& file, std::int64_t now) const {
  for (const std::vector<RegistryEdit>* edits : {&held_, &written_}) {
    for (const RegistryEdit& edit : *edits) {
      if (edit.at.hive == hive) edit.ApplyTo(file, now);
    }
  }
}

}  // namespace varnel
