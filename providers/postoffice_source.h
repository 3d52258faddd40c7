#pragma once

#include <cstdint>

#include "providers/provider_api.h"
#include "providers/providers.h"
#include "support/outcome.h"

/// The postoffice configuration provider's entry points as the postoffice walk calls them: the
/// loaded library in a run, a fake in tests.
class PostofficeSource {
 public:
  enum class Entry { kPostofficeFindFirst, kPostofficeFindNext, kMailboxFindFirst, kMailboxFindNext, kMailboxGet };

  virtual ~PostofficeSource() = default;

  /// Looks `entry` up, as the walk does each time it is about to need it. False, after a line
  /// saying that `what` is skipped, when the provider is not loaded or has no such entry point.
  virtual bool Resolve(Entry entry, const char* what) = 0;

  /// Calls a postoffice entry point that Resolve found: nonzero when `record` now describes a
  /// postoffice.
  virtual int32_t Call(Entry entry, PostofficeRecord* record) = 0;

  /// Calls a mailbox entry point that Resolve found: nonzero when `record` now describes a
  /// mailbox.
  virtual int32_t Call(Entry entry, MailboxRecord* record) = 0;
};

/// The postoffice configuration provider that `providers` loaded. A missing entry point is said
/// with a line and noted in `outcome`.
class LibraryPostofficeSource final : public PostofficeSource {
 public:
  LibraryPostofficeSource(platform::System& system, const ProviderSet& providers, RunOutcome& outcome)
      : system_(system), library_(providers.postofficeConfig), outcome_(outcome) {}
  bool Resolve(Entry entry, const char* what) override;
  int32_t Call(Entry entry, PostofficeRecord* record) override;
  int32_t Call(Entry entry, MailboxRecord* record) override;

 private:
  platform::System& system_;
  platform::LibraryHandle library_;
  RunOutcome& outcome_;
  void* entries_[5] = {};
};
