#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/files.h"

/// `total` and `bytes` added, stopping at the largest total instead of wrapping.
inline uint64_t AddBytes(uint64_t total, uint64_t bytes) {
  return bytes > UINT64_MAX - total ? UINT64_MAX : total + bytes;
}

/// What one run has purged so far, kept from its first folder to its last line: the totals of
/// that line, counting each message and each folder once however often the run visits it, and in
/// a preview what it pretended to delete, so that a folder the run visits again looks as the real
/// run would find it. Folders are told apart as the file system tells them (platform::
/// FolderIdentity), names by their exact bytes (platform::ExactNameOf), never by printed text.
class RunLedger {
 public:
  /// The most names of one folder a preview keeps; past it the rest of that folder's names are
  /// not kept, and its next visit says so.
  static constexpr size_t kKeptNamesLimit = 100000;

  uint64_t messages() const { return messages_; }
  uint64_t bytes() const { return bytes_; }
  /// The folders in which at least one message was listed, each counted once.
  uint64_t folders() const { return folders_; }

  /// How the run finds a folder it is about to list.
  enum class Visit {
    kFirst,              ///< listed nothing there before
    kFirstKeepingNames,  ///< preview, the folder of ExpectSecondVisit, first seen: keep what it pretends to delete
    kAgain,              ///< preview, listed there before, every name kept: skip those names
    kAgainUnknown,       ///< listed there before (in a preview without keeping all the names)
  };

  /// Preview: the folder `folderPath` may be visited again in this run (the postmaster inbox,
  /// also a mailbox's Inbox); the names pretended deleted there are kept until the next call.
  void ExpectSecondVisit(const char* folderPath);

  /// How the folder `folderPath` stands, before its listing; the visit lasts until EndVisit. May
  /// throw std::bad_alloc.
  Visit BeginVisit(const char* folderPath);

  /// After the visit `visit`, in which `messages` were listed as purged (deleted, or listed in
  /// REPORT or PREVIEW), of `bytes` in all as the listing gave their sizes: adds them to the
  /// totals, and the folder when it is the first visit that listed one. A visit that lists again
  /// what an earlier one counted passes 0. May throw std::bad_alloc.
  void EndVisit(Visit visit, uint32_t messages, uint64_t bytes);

  /// Preview, in a kFirstKeepingNames visit: keeps a name pretended deleted. False, keeping
  /// nothing more, once kKeptNamesLimit names are kept. May throw std::bad_alloc.
  bool KeepName(const platform::DirEntry& entry);

  /// Preview, in a kAgain visit: true when the entry's name was pretended deleted on the first
  /// visit.
  bool WasPretendedDeleted(const platform::DirEntry& entry) const;

 private:
  uint64_t messages_ = 0;
  uint64_t bytes_ = 0;
  uint64_t folders_ = 0;

  // The identities of the folders something was listed in: one entry per folder, never per
  // message; and that of the folder being visited.
  std::unordered_set<std::string> listedFolders_;
  std::string visited_;
  // The one folder whose names are kept; its names end to end, each after its size in two bytes,
  // and where each begins (sorted by name once the second visit begins).
  std::string keptFolder_;
  std::string keptNames_;
  std::vector<uint32_t> keptStarts_;
  bool keptAll_ = true;
  bool sorted_ = false;
};
