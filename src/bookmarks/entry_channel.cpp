#include "bookmarks/entry_channel.h"

#include <utility>

namespace varnel {

void EntryBatch::Add(const MarkupEntry& entry) {
  entries.push_back({entry.kind, entry.text.size(), entry.address.size(), entry.line});
  bytes.append(entry.text).append(entry.address);
}

void EntryBatch::Clear() {
  entries.clear();
  bytes.clear();
}

void EntryBatch::Replay(MarkupEntries& to) const {
  std::size_t at = 0;
  for (const Copy& copy : entries) {
    const std::string_view text(bytes.data() + at, copy.textLength);
    const std::string_view address(bytes.data() + at + copy.textLength, copy.addressLength);
    at += copy.textLength + copy.addressLength;
    to.Entry({copy.kind, text, address, copy.line});
  }
}

bool EntryChannel::Put(EntryBatch& batch) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stopped_ || waiting_.size() < kWaiting; });
  if (stopped_) {
    batch.Clear();
    return false;
  }
  waiting_.push_back(std::move(batch));
  if (spare_.empty()) {
    batch = EntryBatch();
  } else {
    batch = std::move(spare_.back());
    spare_.pop_back();
  }
  changed_.notify_all();
  return true;
}

void EntryChannel::Close() {
  const std::lock_guard lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

bool EntryChannel::Take(EntryBatch& batch) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return closed_ || !waiting_.empty(); });
  batch.Clear();
  if (waiting_.empty()) return false;
  spare_.push_back(std::move(batch));
  batch = std::move(waiting_.front());
  waiting_.erase(waiting_.begin());
  changed_.notify_all();
  return true;
}

void EntryChannel::Stop() {
  const std::lock_guard lock(mutex_);
  stopped_ = true;
  changed_.notify_all();
}

void ChannelEntries::Entry(const MarkupEntry& entry) {
  if (stopped_) return;
  batch_.Add(entry);
  if (batch_.full()) stopped_ = !channel_.Put(batch_);
}

void ChannelEntries::Flush() {
  if (!stopped_ && !batch_.entries.empty()) stopped_ = !channel_.Put(batch_);
}

}  // namespace varnel
