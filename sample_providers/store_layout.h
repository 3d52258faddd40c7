#pragma once

#include <string>
#include <vector>

#include "providers/provider_api.h"

// The sample providers serve a message store from its directory layout: the postoffices are
// the folders of Mail Root that hold a MAILROOT folder, the mailboxes the folders of a
// postoffice's MAILROOT. Names match without regard to case.

namespace sample {

/// Mail Root as the tool reads it: the stored value, else Data Directory + "\POSTOFFICES".
std::string MailRoot();

/// The names of the subfolders of `folder`, sorted ignoring case; empty when it cannot be read.
std::vector<std::string> SubfolderNames(const std::string& folder);

/// The subfolder of `folder` named `name` ignoring case, as the file system spells it; empty
/// when there is none.
std::string FindSubfolder(const std::string& folder, const std::string& name);

/// `folder` joined with `name` by the platform's separator.
std::string Join(const std::string& folder, const std::string& name);

/// The postoffices of the store, filtered by name when `filter` is not empty.
std::vector<std::string> Postoffices(const std::string& filter);

/// The text the postoffice is shown by: the first line of its DESCRIPTION.TXT, else its name.
std::string Description(const std::string& postoffice);

/// The mailboxes of the postoffice named `postoffice` (any case).
std::vector<std::string> Mailboxes(const std::string& postoffice);

/// Copies `text` into a record field, cut to fit.
void SetField(char* field, size_t size, const std::string& text);

/// The COM apartment of the calling thread: "MTA", "STA", "none" when it has joined none, or
/// the type's number; empty on POSIX, which has none.
std::string Apartment();

/// Appends one line to the file named by QNPURGE_PROVIDER_LOG, when it is set.
void Log(const std::string& line);

/// The request fields of a record as the call log shows them.
std::string Describe(const PostofficeRecord& record);
std::string Describe(const MailboxRecord& record);

}  // namespace sample
