#pragma once

// The interface between the purge tool and the mail server's provider libraries.
//
// A provider is a shared library (QNAIPO.DLL, QNAIAU.DLL or QNAISP.DLL; on POSIX a shared
// object under the same file name) in the provider directory. The tool looks its entry points
// up by these exact names each time it needs one, and calls them on its main thread.
//
// Postoffice configuration provider (QNAIPO.DLL):
//   int32_t PostofficeFindFirst(PostofficeRecord*)  the first postoffice matching the filter
//   int32_t PostofficeFindNext(PostofficeRecord*)   the next one of the same walk; 0 ends it
//   int32_t MailboxFindFirst(MailboxRecord*)        the first mailbox of the postoffice named
//   int32_t MailboxFindNext(MailboxRecord*)         at offset 0; the next one; 0 ends the walk
//   int32_t MailboxGet(MailboxRecord*)              the one mailbox named at offset 128
// Store provider (QNAISP.DLL):
//   int32_t ScanFolders(const char* folderPath, int32_t, int32_t)
//     asks the store to rescan a folder the tool just purged; the tool passes 0 and 0 and
//     ignores the result. On Windows the call is made inside the multithreaded COM apartment.
// Authentication provider (QNAIAU.DLL): loaded and released only; nothing is called.
//
// Every record call returns nonzero when the record now describes a found item and 0 when there
// is none (or no more). The caller writes only the bytes listed below before every call; all
// other bytes keep what the provider last wrote. A provider keeps its own walk position between
// calls: a whole mailbox walk may run between two postoffice calls. Integers are 32-bit signed,
// little-endian; texts are NUL-terminated narrow strings, and the tool reads each only within
// its field.

#include <cstddef>
#include <cstdint>

/// 272 bytes.
struct PostofficeRecord {
  /// In: the name filter (empty: every postoffice). Out: the postoffice's name.
  char name[128];
  /// In: always 1.
  int32_t request;
  /// In: empty. Out: the text the tool prints for the postoffice (its name or a description).
  char description[140];
};

/// 720 bytes.
struct MailboxRecord {
  /// In: the postoffice's name.
  char postoffice[128];
  /// In: the mailbox to get (MailboxGet), empty for the find calls. Out: the mailbox's name.
  char mailbox[64];
  /// In: empty.
  char reserved[512];
  /// In: -1, 1, -1, -1.
  int32_t request[4];
};

static_assert(sizeof(PostofficeRecord) == 272, "PostofficeRecord is 272 bytes");
static_assert(offsetof(PostofficeRecord, request) == 128, "request at offset 128");
static_assert(offsetof(PostofficeRecord, description) == 132, "description at offset 132");
static_assert(sizeof(MailboxRecord) == 720, "MailboxRecord is 720 bytes");
static_assert(offsetof(MailboxRecord, mailbox) == 128, "mailbox at offset 128");
static_assert(offsetof(MailboxRecord, reserved) == 192, "reserved at offset 192");
static_assert(offsetof(MailboxRecord, request) == 704, "request fields at offsets 704 to 716");

extern "C" {
using PostofficeCall = int32_t (*)(PostofficeRecord*);
using MailboxCall = int32_t (*)(MailboxRecord*);
using ScanFoldersCall = int32_t (*)(const char* folderPath, int32_t, int32_t);
}
