#include "providers/postoffice_source.h"

namespace {

constexpr const char* kEntryNames[] = {"PostofficeFindFirst", "PostofficeFindNext", "MailboxFindFirst",
                                       "MailboxFindNext", "MailboxGet"};

}  // namespace

bool LibraryPostofficeSource::Resolve(Entry entry, const char* what) {
  const int index = static_cast<int>(entry);
  entries_[index] =
      ResolveEntryPoint(system_, library_, kEntryNames[index], "Postoffice Configuration Provider", what, outcome_);
  return entries_[index] != nullptr;
}

int32_t LibraryPostofficeSource::Call(Entry entry, PostofficeRecord* record) {
  return reinterpret_cast<PostofficeCall>(entries_[static_cast<int>(entry)])(record);
}

int32_t LibraryPostofficeSource::Call(Entry entry, MailboxRecord* record) {
  return reinterpret_cast<MailboxCall>(entries_[static_cast<int>(entry)])(record);
}
