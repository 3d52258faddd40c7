#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

/// `total` and `bytes` added, stopping at the largest total instead of wrapping.
inline uint64_t AddBytes(uint64_t total, uint64_t bytes) {
  return bytes > UINT64_MAX - total ? UINT64_MAX : total + bytes;
}

/// What one run has purged so far, kept from its first folder to its last line: the totals of
/// that line, and in a preview what it pretended to delete, so that a folder the run visits
/// again looks as the real run would find it.
class RunLedger {
 public:
  /// The most names of one folder a preview keeps; past it the rest of that folder's names are
  /// not kept, and its next visit says so.
  static constexpr size_t kKeptNamesLimit = 100000;

  /// Adds one visit of a folder in which `messages` were listed as purged (deleted, or listed in
  /// REPORT or PREVIEW), of `bytes` in all as the listing (or the deleting handle) gave their
  /// sizes. The byte total stops at 18446744073709551615.
  void AddFolder(uint32_t messages, uint64_t bytes);
  uint64_t messages() const { return messages_; }
  uint64_t bytes() const { return bytes_; }
  /// The folder visits in which at least one message was listed.
  uint64_t folders() const { return folders_; }

  /// How a preview finds a folder it is about to list.
  enum class Visit {
    kFirst,              ///< listed nothing there before
    kFirstKeepingNames,  ///< the folder of ExpectSecondVisit, first seen: keep what it pretends to delete
    kAgain,              ///< listed there before, every name kept: skip those names
    kAgainUnknown,       ///< listed there before without keeping (all) the names
  };

  /// Preview: the folder `folderPath` may be visited again in this run (the postmaster inbox,
  /// also a mailbox's Inbox); the names pretended deleted there are kept until the next call.
  void ExpectSecondVisit(const char* folderPath);

  /// Preview: how the folder `folderPath` stands, before its listing. Folder paths compare
  /// ignoring the case of a to z, as Windows does.
  Visit BeginVisit(const char* folderPath);

  /// Preview, in a kFirstKeepingNames visit: keeps a name pretended deleted. False, keeping
  /// nothing more, once kKeptNamesLimit names are kept. May throw std::bad_alloc.
  bool KeepName(const char* name);

  /// Preview, in a kAgain visit: true when `name` was pretended deleted on the first visit.
  bool WasPretendedDeleted(const char* name) const;

  /// Preview, after a visit of `folderPath` that listed at least one message. May throw
  /// std::bad_alloc.
  void NoteListed(const char* folderPath);

 private:
  uint64_t messages_ = 0;
  uint64_t bytes_ = 0;
  uint64_t folders_ = 0;

  // Folded paths of the folders the preview listed something in: one entry per folder, never
  // per message.
  std::unordered_set<std::string> listedFolders_;
  // The one folder whose names are kept, folded; its names end to end, each ending in '\0', and
  // where each begins (sorted by name once the second visit begins).
  std::string keptFolder_;
  std::string keptNames_;
  std::vector<uint32_t> keptStarts_;
  bool keptAll_ = true;
  bool sorted_ = false;
};
