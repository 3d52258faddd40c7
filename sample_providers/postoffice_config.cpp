// The sample postoffice configuration provider (QNAIPO.DLL).

#include <cstring>
#include <string>
#include <vector>

#include "platform/ascii.h"
#include "sample_providers/store_layout.h"

namespace {

// The walk positions the provider keeps between calls; the caller keeps none of its own.
std::vector<std::string> postoffices;
size_t nextPostoffice = 0;
std::vector<std::string> mailboxes;
size_t nextMailbox = 0;

int32_t YieldPostoffice(const char* call, PostofficeRecord* record) {
  const std::string request = sample::Describe(*record);
  int32_t found = 0;
  if (nextPostoffice < postoffices.size()) {
    const std::string& name = postoffices[nextPostoffice++];
    sample::SetField(record->name, sizeof record->name, name);
    sample::SetField(record->description, sizeof record->description, sample::Description(name));
    found = 1;
  }
  sample::Log(std::string(call) + " " + request + " -> " + std::to_string(found) +
              (found ? " " + sample::Describe(*record) : ""));
  return found;
}

int32_t YieldMailbox(const char* call, MailboxRecord* record) {
  const std::string request = sample::Describe(*record);
  int32_t found = 0;
  if (nextMailbox < mailboxes.size()) {
    sample::SetField(record->mailbox, sizeof record->mailbox, mailboxes[nextMailbox++]);
    found = 1;
  }
  sample::Log(std::string(call) + " " + request + " -> " + std::to_string(found) +
              (found ? " mailbox=\"" + std::string(record->mailbox) + "\"" : ""));
  return found;
}

}  // namespace

extern "C" {

QN_PROVIDER_EXPORT int32_t PostofficeFindFirst(PostofficeRecord* record) {
  postoffices = sample::Postoffices(std::string(record->name, strnlen(record->name, sizeof record->name)));
  nextPostoffice = 0;
  return YieldPostoffice("PostofficeFindFirst", record);
}

QN_PROVIDER_EXPORT int32_t PostofficeFindNext(PostofficeRecord* record) {
  return YieldPostoffice("PostofficeFindNext", record);
}

QN_PROVIDER_EXPORT int32_t MailboxFindFirst(MailboxRecord* record) {
  mailboxes =
      sample::Mailboxes(std::string(record->postoffice, strnlen(record->postoffice, sizeof record->postoffice)));
  nextMailbox = 0;
  return YieldMailbox("MailboxFindFirst", record);
}

QN_PROVIDER_EXPORT int32_t MailboxFindNext(MailboxRecord* record) { return YieldMailbox("MailboxFindNext", record); }

QN_PROVIDER_EXPORT int32_t MailboxGet(MailboxRecord* record) {
  const std::string request = sample::Describe(*record);
  const std::string wanted(record->mailbox, strnlen(record->mailbox, sizeof record->mailbox));
  int32_t found = 0;
  for (const std::string& mailbox :
       sample::Mailboxes(std::string(record->postoffice, strnlen(record->postoffice, sizeof record->postoffice)))) {
    if (!wanted.empty() && ascii::EqualNoCase(mailbox, wanted)) {
      sample::SetField(record->mailbox, sizeof record->mailbox, mailbox);
      found = 1;
      break;
    }
  }
  sample::Log("MailboxGet " + request + " -> " + std::to_string(found) +
              (found ? " mailbox=\"" + std::string(record->mailbox) + "\"" : ""));
  return found;
}

}  // extern "C"
