#include "sample_providers/store_layout.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/system.h"
#include "settings/registry_read.h"
#include "support/text.h"

namespace sample {

namespace fs = std::filesystem;

namespace {

std::string FieldText(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

}  // namespace

std::string MailRoot() {
  // The library's own system for as long as it is loaded, as a provider keeps its state: it
  // reads the registry file once.
  static platform::HostSystem system;
  char root[1024];
  if (RegReadString(system, kServerKey, "Mail Root", root, sizeof root)) return root;
  char data[1024];
  RegReadString(system, kServerKey, "Data Directory", data, sizeof data);
  FormatPath(root, sizeof root, "%s\\POSTOFFICES", data);
  return root;
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder + platform::kPathSeparator + name;
}

std::vector<std::string> SubfolderNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_directory(error)) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return ascii::Upper(x) < ascii::Upper(y); });
  });
  return names;
}

std::string FindSubfolder(const std::string& folder, const std::string& name) {
  for (const std::string& candidate : SubfolderNames(folder)) {
    if (ascii::EqualNoCase(candidate, name)) return candidate;
  }
  return "";
}

std::vector<std::string> Postoffices(const std::string& filter) {
  const std::string root = MailRoot();
  std::vector<std::string> postoffices;
  for (const std::string& name : SubfolderNames(root)) {
    if (!filter.empty() && !ascii::EqualNoCase(name, filter)) continue;
    if (!FindSubfolder(Join(root, name), "MAILROOT").empty()) postoffices.push_back(name);
  }
  return postoffices;
}

std::string Description(const std::string& postoffice) {
  std::ifstream in(Join(Join(MailRoot(), postoffice), "DESCRIPTION.TXT"));
  std::string line;
  if (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) return line;
  }
  return postoffice;
}

std::vector<std::string> Mailboxes(const std::string& postoffice) {
  const std::string root = MailRoot();
  const std::string folder = FindSubfolder(root, postoffice);
  if (folder.empty()) return {};
  const std::string postofficeFolder = Join(root, folder);
  const std::string mailRoot = FindSubfolder(postofficeFolder, "MAILROOT");
  if (mailRoot.empty()) return {};
  return SubfolderNames(Join(postofficeFolder, mailRoot));
}

void SetField(char* field, size_t size, const std::string& text) {
  const size_t length = std::min(text.size(), size - 1);
  memcpy(field, text.data(), length);
  field[length] = '\0';
}

void Log(const std::string& line) {
  const char* path = getenv("QNPURGE_PROVIDER_LOG");
  if (path == nullptr || path[0] == '\0') return;
  if (FILE* log = fopen(path, "ab")) {
    fprintf(log, "%s\n", line.c_str());
    fclose(log);
  }
}

std::string Describe(const PostofficeRecord& record) {
  return "name=\"" + FieldText(record.name, sizeof record.name) + "\" request=" + std::to_string(record.request) +
         " description=\"" + FieldText(record.description, sizeof record.description) + "\"";
}

std::string Describe(const MailboxRecord& record) {
  return "postoffice=\"" + FieldText(record.postoffice, sizeof record.postoffice) + "\" mailbox=\"" +
         FieldText(record.mailbox, sizeof record.mailbox) + "\" reserved=\"" +
         FieldText(record.reserved, sizeof record.reserved) + "\" request=" + std::to_string(record.request[0]) + "," +
         std::to_string(record.request[1]) + "," + std::to_string(record.request[2]) + "," +
         std::to_string(record.request[3]);
}

}  // namespace sample
