#pragma once
// The markup's entries passed from one thread to another: a large bookmark.htm is read in two
// steps at once, the lines and their tags on one thread and the tree built from the entries on
// the caller's. The entries go over in batches of copies, at most kWaiting batches waiting, so
// the memory used stays small whatever the file's size.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "bookmarks/bookmark_markup.h"

namespace varnel {

// Entries copied with their texts: each entry's text and then its address, one after the
// other in `bytes`.
struct EntryBatch {
  struct Copy {
    MarkupEntry::Kind kind;
    std::size_t textLength;
    std::size_t addressLength;
    std::size_t line;
  };
  std::vector<Copy> entries;
  std::string bytes;

  void Add(const MarkupEntry& entry);
  bool full() const { return entries.size() >= 2048 || bytes.size() >= 64 * 1024; }
  void Clear();
  // Hands each entry to `to`, in order.
  void Replay(MarkupEntries& to) const;
};

class EntryChannel {
 public:
  static constexpr std::size_t kWaiting = 4;

  // Room for every batch there can be (kWaiting waiting, one on each side, and the spares), so
  // that handing one over never allocates and so never fails.
  EntryChannel() {
    waiting_.reserve(kWaiting);
    spare_.reserve(kWaiting + 2);
  }

  // The reading side. Hands a batch over, waiting while kWaiting wait already, and gives back
  // an empty one; false when the taking side has stopped (the batch is dropped).
  bool Put(EntryBatch& batch);
  // No more batches.
  void Close();

  // The taking side. The next batch in place of `batch` (whose memory is used again); false
  // once the channel is closed and every batch taken.
  bool Take(EntryBatch& batch);
  // Takes no more: the reading side ends at its next Put.
  void Stop();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<EntryBatch> waiting_;  // in order: the first is taken first
  std::vector<EntryBatch> spare_;
  bool closed_ = false;
  bool stopped_ = false;
};

// A markup reading's entries into the channel, a batch at a time.
class ChannelEntries : public MarkupEntries {
 public:
  explicit ChannelEntries(EntryChannel& channel) : channel_(channel) {}
  void Entry(const MarkupEntry& entry) override;
  // Hands over what is not yet.
  void Flush();
  // The taking side has stopped: reading on is useless.
  bool stopped() const { return stopped_; }

 private:
  EntryChannel& channel_;
  EntryBatch batch_;
  bool stopped_ = false;
};

}  // namespace varnel
