#include "platform/registry_file_records.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/fault.h"

namespace platform::registry_file_detail {

namespace {

// Lengths in records as 7 bits a byte: most are one byte.
size_t VarintSize(size_t value) {
  size_t size = 1;
  for (; value >= 0x80; value >>= 7) ++size;
  return size;
}

char* PutVarint(size_t value, char* out) {
  for (; value >= 0x80; value >>= 7) *out++ = static_cast<char>(value | 0x80);
  *out++ = static_cast<char>(value);
  return out;
}

const char* GetVarint(const char* in, size_t* value) {
  *value = 0;
  for (unsigned shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*in++);
    *value |= static_cast<size_t>(byte & 0x7F) << shift;
    if (byte < 0x80) return in;
  }
}

}  // namespace

uint32_t Arena::Allocate(size_t size, char** at) {
  if (size > kSlot) {
    const uint32_t offset = NewBlock(size);
    *at = blocks_.back().get();
    return offset;
  }
  if (size > end_ - free_) {
    free_ = NewBlock(kBlock);
    end_ = free_ + kBlock;
  }
  const uint32_t offset = static_cast<uint32_t>(free_);
  *at = slots_[offset >> kSlotBits] + (offset & (kSlot - 1));
  free_ += size;
  return offset;
}

uint32_t Arena::NewBlock(size_t size) {
  fault::CheckAllocation();
  const size_t offset = slots_.size() << kSlotBits;
  blocks_.emplace_back(new char[size]);
  for (size_t slot = 0; slot < size; slot += kSlot) slots_.push_back(blocks_.back().get() + slot);
  return static_cast<uint32_t>(offset);
}

ValueRecord ReadValue(const Arena& arena, uint32_t offset) {
  const char* in = arena.At(offset);
  ValueRecord record;
  memcpy(&record.previous, in, sizeof record.previous);
  size_t nameLength;
  size_t dataField;
  size_t type;
  in = GetVarint(GetVarint(GetVarint(in + sizeof record.previous, &nameLength), &dataField), &type);
  record.name = std::string_view(in, nameLength);
  record.deleted = dataField == 0;
  record.type = static_cast<uint32_t>(type);
  record.data = std::string_view(in + nameLength, record.deleted ? 0 : dataField - 1);
  return record;
}

std::string_view ReadPath(const Arena& arena, uint32_t offset) {
  size_t length;
  const char* in = GetVarint(arena.At(offset), &length);
  return std::string_view(in, length);
}

Keys::iterator OpenKey(Arena* arena, Keys* keys, std::string_view path) {
  const auto key = keys->lower_bound(path);
  if (key != keys->end() && ReadPath(*arena, key->first) == path) return key;
  char* out;
  const uint32_t record = arena->Allocate(VarintSize(path.size()) + path.size(), &out);
  memcpy(PutVarint(path.size(), out), path.data(), path.size());
  fault::CheckAllocation();  // the key's node
  return keys->emplace_hint(key, record, kNoRecord);
}

// Without a look at the keys that merely begin with the same text ("A1" when deleting "A"):
// visiting those made thousands of deletions cost the square of the key count. The keys below
// are exactly those from subKey + "\\" up to subKey + "]", as ']' follows '\\' in ASCII.
void DeleteTree(Keys* keys, const std::string& subKey) {
  const auto key = keys->find(std::string_view(subKey));
  if (key != keys->end()) keys->erase(key);
  const std::string below = subKey + '\\';
  const std::string past = subKey + ']';
  keys->erase(keys->lower_bound(std::string_view(below)), keys->lower_bound(std::string_view(past)));
}

char* AddValue(Arena* arena, uint32_t* newest, size_t nameLength, bool deleted, uint32_t type, size_t dataLength) {
  const size_t dataField = deleted ? 0 : dataLength + 1;
  char* out;
  const uint32_t record = arena->Allocate(sizeof *newest + VarintSize(nameLength) + VarintSize(dataField) +
                                              VarintSize(type) + nameLength + (deleted ? 0 : dataLength),
                                          &out);
  memcpy(out, newest, sizeof *newest);
  *newest = record;
  return PutVarint(type, PutVarint(dataField, PutVarint(nameLength, out + sizeof *newest)));
}

}  // namespace platform::registry_file_detail
