#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry_file_detail {

/// Key paths and values are records laid one after another in blocks of 1 MiB that never move,
/// each named by a 32-bit offset: a std::string or a map node per value would cost several times
/// a short value line, and growing never copies. Blocks begin on a 64 KiB slot, and the table of
/// slots turns an offset into an address. A record over a slot gets a block of its own, so that
/// the unused end of a block is under a slot; such a block takes less than twice its size in
/// offsets.
class Arena {
 public:
  /// `size` bytes (more than none) at `*at`, named by the offset returned.
  uint32_t Allocate(size_t size, char** at);

  /// The address of the record at `offset`, as Allocate named it.
  const char* At(uint32_t offset) const { return slots_[offset >> kSlotBits] + (offset & (kSlot - 1)); }

 private:
  static constexpr unsigned kSlotBits = 16;
  static constexpr size_t kSlot = size_t{1} << kSlotBits;
  static constexpr size_t kBlock = 16 * kSlot;

  uint32_t NewBlock(size_t size);

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::vector<char*> slots_;  // the address of each slot's first byte
  size_t free_ = 0;           // the offset of the current block's unused end
  size_t end_ = 0;            // the offset just past the current block
};

/// Offsets stay under 2^32 while the text does not pass this: its records take at most 1.5 times
/// its size (a 4-byte line "@=-" and its line end makes a 6-byte record), their offsets less than
/// twice that.
constexpr size_t kLargestText = size_t{1} << 30;

/// The previous record of a key's first value, and the newest record of a key with no values.
constexpr uint32_t kNoRecord = UINT32_MAX;

/// A value record: [the key's previous record, 4 bytes][name length][data length + 1, or 0 for a
/// deletion][registry type][name in upper case][data], lengths and type as 7 bits a byte, low
/// bits first, a set high bit for more to come. A key's values are the chain from its newest
/// record: the newest record with a name decides, so that a value set again or deleted needs no
/// search when the file is read.
struct ValueRecord {
  uint32_t previous;
  std::string_view name;
  bool deleted;
  uint32_t type;
  std::string_view data;
};

/// The value record at `offset`; its views point into `arena`.
ValueRecord ReadValue(const Arena& arena, uint32_t offset);

/// The path of the key record at `offset`. A key record: [path length][path in upper case].
std::string_view ReadPath(const Arena& arena, uint32_t offset);

/// Orders key records by their paths, and compares them with paths, so that a look-up needs no
/// record.
struct PathOrder {
  using is_transparent = void;
  bool operator()(uint32_t a, uint32_t b) const { return ReadPath(*arena, a) < ReadPath(*arena, b); }
  bool operator()(uint32_t a, std::string_view b) const { return ReadPath(*arena, a) < b; }
  bool operator()(std::string_view a, uint32_t b) const { return a < ReadPath(*arena, b); }
  const Arena* arena;
};

/// Key records with the newest value record of each. The node is what a key costs besides its
/// path: 40 bytes, where the shortest key line takes 23.
using Keys = std::map<uint32_t, uint32_t, PathOrder>;

/// The key at `path` (in upper case, without the root), held from now on with no values if it
/// was not held; its record goes into `arena`, the one `keys` is ordered by.
Keys::iterator OpenKey(Arena* arena, Keys* keys, std::string_view path);

/// Drops the key at `subKey` (in upper case) and every key below it, none other.
void DeleteTree(Keys* keys, const std::string& subKey);

/// A new value record in `arena` for a name of `nameLength` bytes and, unless `deleted`, data of
/// `dataLength` bytes of registry type `type`, made the newest of the key whose newest record is
/// `*newest`. Returns where the name goes, which the caller writes in upper case; the data
/// follows it.
char* AddValue(Arena* arena, uint32_t* newest, size_t nameLength, bool deleted, uint32_t type, size_t dataLength);

}  // namespace platform::registry_file_detail
