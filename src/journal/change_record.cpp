#include "journal/change_record.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "winenv/code_page.h"

namespace varnel {

namespace {

constexpr std::string_view kRecordHeading = "varnel change 1";
constexpr std::string_view kAfterHeading = "varnel done 1";

// Fields: a tag, a blank, the byte count, a line end, the bytes, a line end.
class FieldWriter {
 public:
  void Put(std::string_view tag, std::string_view bytes) {
    text_ += tag;
    text_ += ' ';
    text_ += std::to_string(bytes.size());
    text_ += '\n';
    text_ += bytes;
    text_ += '\n';
  }
  void Number(std::string_view tag, std::uint64_t number) { Put(tag, std::to_string(number)); }
  std::string& text() { return text_; }

 private:
  std::string text_;
};

class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text) {}
  bool Get(std::string_view tag, std::string& out) {
    if (!ok_) return false;
    const std::size_t blank = text_.find(' ', at_);
    const std::size_t end = blank == std::string_view::npos ? blank : text_.find('\n', blank);
    std::uint64_t length = 0;
    if (end == std::string_view::npos || text_.substr(at_, blank - at_) != tag ||
        std::from_chars(text_.data() + blank + 1, text_.data() + end, length).ptr != text_.data() + end ||
        length > text_.size() - end - 1 || text_.size() - end - 1 - length < 1 || text_[end + 1 + length] != '\n') {
      return Fail(tag);
    }
    out.assign(text_.substr(end + 1, length));
    at_ = end + 2 + length;
    return true;
  }
  bool Number(std::string_view tag, std::uint64_t& number) {
    std::string text;
    if (!Get(tag, text)) return false;
    if (std::from_chars(text.data(), text.data() + text.size(), number).ptr != text.data() + text.size() ||
        text.empty()) {
      return Fail(tag);
    }
    return true;
  }
  bool AtEnd() const { return ok_ && at_ == text_.size(); }
  Status Result() const {
    if (ok_ && AtEnd()) return Status::Ok();
    return Status::Error(errc::kPathFileAccess,
                         ok_ ? "unexpected data at the end" : "the field " + failedTag_ + " cannot be read");
  }

 private:
  bool Fail(std::string_view tag) {
    if (ok_) failedTag_ = std::string(tag);
    ok_ = false;
    return false;
  }
  std::string_view text_;
  std::size_t at_ = 0;
  bool ok_ = true;
  std::string failedTag_;
};

std::string_view KindName(ItemKind kind) {
  switch (kind) {
    case ItemKind::File: return "file";
    case ItemKind::Value: return "value";
    case ItemKind::Key: return "key";
    case ItemKind::Folder: return "folder";
  }
  return "file";
}

bool KindByName(std::string_view name, ItemKind& kind) {
  for (ItemKind k : {ItemKind::File, ItemKind::Value, ItemKind::Key, ItemKind::Folder}) {
    if (KindName(k) == name) {
      kind = k;
      return true;
    }
  }
  return false;
}

void PutState(FieldWriter& w, const ItemState& s) {
  w.Number("exists", s.exists ? 1 : 0);
  w.Put("bytes", s.bytes);
  w.Number("mode", s.mode);
  w.Number("size", s.size);
  w.Number("hash", s.hash);
  w.Put("missing", s.missingKey);
  w.Number("values", s.values.size());
  for (const NamedValue& v : s.values) {
    w.Put("name", v.name);
    w.Number("type", v.value.type);
    w.Put("data", std::string_view(reinterpret_cast<const char*>(v.value.data.data()), v.value.data.size()));
  }
}

bool GetState(FieldReader& r, ItemState& s) {
  std::uint64_t exists = 0, mode = 0, count = 0;
  if (!r.Number("exists", exists) || !r.Get("bytes", s.bytes) || !r.Number("mode", mode) || !r.Number("size", s.size) ||
      !r.Number("hash", s.hash) || !r.Get("missing", s.missingKey) || !r.Number("values", count)) {
    return false;
  }
  s.exists = exists != 0;
  s.mode = static_cast<std::uint32_t>(mode);
  for (std::uint64_t i = 0; i < count; ++i) {
    NamedValue v;
    std::uint64_t type = 0;
    std::string data;
    if (!r.Get("name", v.name) || !r.Number("type", type) || !r.Get("data", data)) return false;
    v.value.type = static_cast<std::uint32_t>(type);
    v.value.data.assign(data.begin(), data.end());
    s.values.push_back(std::move(v));
  }
  return true;
}

std::string_view HiveName(Hive hive) {
  switch (hive) {
    case Hive::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case Hive::CurrentUser: return "HKEY_CURRENT_USER";
    case Hive::LocalMachine: return "HKEY_LOCAL_MACHINE";
  }
  return "HKEY_LOCAL_MACHINE";
}

}  // namespace

std::uint64_t BytesHash(std::string_view bytes) { return BytesHash(std::vector<std::string_view>{bytes}); }

std::uint64_t BytesHash(const std::vector<std::string_view>& pieces) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const std::string_view piece : pieces) {
    for (const char c : piece) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

ItemState FileFingerprint(const std::vector<std::string_view>& pieces) {
  ItemState state;
  state.exists = true;
  for (const std::string_view piece : pieces) state.size += piece.size();
  state.hash = BytesHash(pieces);
  return state;
}

ItemState Fingerprint(ItemState state) {
  state.size = state.bytes.size();
  state.hash = BytesHash(state.bytes);
  state.bytes.clear();
  state.mode = 0;
  return state;
}

std::string RegistryPathText(Hive hive, std::string_view key, std::string_view name, bool withName) {
  std::string text(HiveName(hive));
  if (!key.empty()) text += "\\" + std::string(key);
  if (withName) text += name.empty() ? std::string(" (default value)") : " value " + std::string(name);
  return text;
}

std::string SerializeRecord(const ChangeRecord& record) {
  FieldWriter w;
  w.text() = std::string(kRecordHeading) + "\n";
  w.Number("time", static_cast<std::uint64_t>(record.time));
  w.Put("what", record.what);
  w.Put("where", record.where);
  w.Number("items", record.items.size());
  for (std::size_t i = 0; i < record.items.size(); ++i) {
    const ChangeItem& item = record.items[i];
    w.Put("kind", KindName(item.kind));
    w.Put("native", item.native);
    w.Put("shown", item.shown);
    w.Number("hive", static_cast<std::uint64_t>(item.hive));
    w.Put("key", item.key);
    w.Put("name", item.name);
    PutState(w, i < record.before.size() ? record.before[i] : ItemState{});
  }
  return std::move(w.text());
}

Status ParseRecord(std::string_view text, ChangeRecord& record) {
  if (!text.starts_with(std::string(kRecordHeading) + "\n")) {
    return Status::Error(errc::kPathFileAccess, "not a change record");
  }
  FieldReader r(text.substr(kRecordHeading.size() + 1));
  record = ChangeRecord{};
  std::uint64_t time = 0, count = 0;
  if (r.Number("time", time) && r.Get("what", record.what) && r.Get("where", record.where) &&
      r.Number("items", count)) {
    record.time = static_cast<std::int64_t>(time);
    for (std::uint64_t i = 0; i < count; ++i) {
      ChangeItem item;
      ItemState state;
      std::string kind;
      std::uint64_t hive = 0;
      if (!r.Get("kind", kind) || !r.Get("native", item.native) || !r.Get("shown", item.shown) ||
          !r.Number("hive", hive) || !r.Get("key", item.key) || !r.Get("name", item.name) || !GetState(r, state)) {
        break;
      }
      if (!KindByName(kind, item.kind) || hive > 2)
        return Status::Error(errc::kPathFileAccess, "an item of unknown kind");
      item.hive = static_cast<Hive>(hive);
      record.items.push_back(std::move(item));
      record.before.push_back(std::move(state));
    }
  }
  return r.Result();
}

std::string SerializeAfter(const std::vector<ItemState>& after) {
  FieldWriter w;
  w.text() = std::string(kAfterHeading) + "\n";
  w.Number("items", after.size());
  for (const ItemState& s : after) PutState(w, s);
  return std::move(w.text());
}

Status ParseAfter(std::string_view text, std::vector<ItemState>& after) {
  if (!text.starts_with(std::string(kAfterHeading) + "\n"))
    return Status::Error(errc::kPathFileAccess, "not a finished mark");
  FieldReader r(text.substr(kAfterHeading.size() + 1));
  after.clear();
  std::uint64_t count = 0;
  if (r.Number("items", count)) {
    for (std::uint64_t i = 0; i < count; ++i) {
      ItemState s;
      if (!GetState(r, s)) break;
      after.push_back(std::move(s));
    }
  }
  return r.Result();
}

namespace {

std::string Folded(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

bool HasValueNamed(const std::vector<NamedValue>& values, std::string_view name) {
  return std::any_of(values.begin(), values.end(), [&](const NamedValue& v) { return EqualNoCaseAnsi(v.name, name); });
}

std::string ItemIdentity(const ChangeItem& item) {
  const std::string hive = std::to_string(static_cast<int>(item.hive));
  switch (item.kind) {
    case ItemKind::File: return "file " + item.native;
    case ItemKind::Value: return "value " + hive + Folded(item.key) + "\n" + Folded(item.name);
    case ItemKind::Key: return "key " + hive + Folded(item.key);
    case ItemKind::Folder: return "folder " + item.native;
  }
  return "";
}

}  // namespace varnel
