// The registry on POSIX: the registry file, read and parsed once by each system that reads it.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/fault.h"
#include "platform/registry_file.h"
#include "platform/system.h"

namespace platform {

namespace {

// Far beyond any export of the server's keys; a bound, so that a device or a runaway file named
// as the registry cannot exhaust memory.
constexpr off_t kRegistryFileLimit = off_t{64} * 1024 * 1024;

const char* RegistryFilePath() {
  const char* path = getenv("QNPURGE_REGISTRY");
  return path != nullptr && path[0] != '\0' ? path : "/etc/quillerton/registry.reg";
}

}  // namespace

// What this system read of the registry file: read and parsed at its first registry call.
struct RegistryFileState {
  bool readable = true;
  std::string problem;
  RegistryFile file;

  void Unreadable(const char* path, const char* reason) {
    readable = false;
    problem = std::string("The registry file ") + path + " cannot be read: " + reason + ".";
  }
};

namespace {

// Reads and parses the registry file. Anything that goes wrong, a missing file included (a
// QNPURGE_REGISTRY unset or misspelt), makes the registry unreadable, and it then holds nothing.
void LoadRegistryFile(RegistryFileState& state) {
  const char* path = RegistryFilePath();

  // Non-blocking, so that a FIFO named as the registry is refused instead of waited on.
  const int fd =
      fault::Fails(fault::Point::kRegistryFile) ? (errno = EACCES, -1) : open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    state.Unreadable(path, strerror(errno));
    return;
  }
  struct stat info;
  std::string bytes;
  if (fault::Fails(fault::Point::kRegistryFile) ? (errno = EIO, true) : fstat(fd, &info) != 0) {
    state.Unreadable(path, strerror(errno));
  } else if (!S_ISREG(info.st_mode)) {
    state.Unreadable(path, "it is not a regular file");
  } else if (info.st_size > kRegistryFileLimit) {
    state.Unreadable(path, "it is larger than 64 MiB");
  } else {
    fault::CheckAllocation();
    bytes.reserve(static_cast<size_t>(info.st_size));  // no doubling copies of a 64 MiB file
    char chunk[65536];
    for (;;) {
      const ssize_t got = fault::Fails(fault::Point::kRegistryFile) ? (errno = EIO, -1) : read(fd, chunk, sizeof chunk);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        state.Unreadable(path, strerror(errno));
        break;
      }
      if (got == 0) break;
      bytes.append(chunk, static_cast<size_t>(got));
      if (bytes.size() > static_cast<size_t>(kRegistryFileLimit)) {
        state.Unreadable(path, "it is larger than 64 MiB");
        break;
      }
    }
  }
  close(fd);
  if (!state.readable) return;

  RegistryFile::Problem problem;
  if (!state.file.Parse(bytes, &problem)) {
    state.readable = false;
    state.problem = std::string("The registry file ") + path + " cannot be used: ";
    if (problem.line > 0) state.problem += "line " + std::to_string(problem.line) + ": ";
    state.problem += problem.reason + ".";
  }
}

RegistryFileState& Loaded(std::unique_ptr<RegistryFileState>& registry) {
  if (registry == nullptr) {
    registry = std::make_unique<RegistryFileState>();
    LoadRegistryFile(*registry);
  }
  return *registry;
}

}  // namespace

RegistryRead HostSystem::QueryRegistryValue(const char* subKey, const char* valueName, void* buffer, uint32_t* size,
                                            uint32_t* type) {
  const std::string* data = nullptr;
  switch (Loaded(registry_).file.Find(subKey, valueName, &data, type)) {
    case RegistryFile::Lookup::kNoKey:
      return RegistryRead::kNoKey;
    case RegistryFile::Lookup::kNoValue:
      return RegistryRead::kNoValue;
    case RegistryFile::Lookup::kFound:
      break;
  }
  const bool fits = data->size() <= *size;
  *size = static_cast<uint32_t>(data->size());
  if (!fits) return RegistryRead::kTooLarge;
  if (!data->empty()) memcpy(buffer, data->data(), data->size());
  return RegistryRead::kRead;
}

KeyProbe HostSystem::ProbeRegistryKey(const char* subKey) {
  const std::string* data = nullptr;
  // The default value of the key: any answer but "no key" means the key is there.
  return Loaded(registry_).file.Find(subKey, "", &data, nullptr) == RegistryFile::Lookup::kNoKey ? KeyProbe::kNoKey
                                                                                                 : KeyProbe::kExists;
}

bool HostSystem::RegistryIsReadable(char* problem, size_t problemSize) {
  const RegistryFileState& state = Loaded(registry_);
  if (state.readable) return true;
  if (problemSize > 0) snprintf(problem, problemSize, "%s", state.problem.c_str());
  return false;
}

HostSystem::HostSystem() = default;

HostSystem::~HostSystem() = default;

}  // namespace platform
