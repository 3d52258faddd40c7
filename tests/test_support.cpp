#include "tests/test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>

#include "platform/files.h"

namespace testing_support {

TempDir::TempDir(const std::filesystem::path& base) {
  static std::atomic<unsigned> serial{0};
  std::random_device seed;
  for (;;) {
    path_ = base / ("qnpurge-test-" + std::to_string(seed()) + "-" + std::to_string(serial++));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  ASSERT_TRUE(out.good()) << path;
}

CapturedOutput::CapturedOutput(FILE* stream) : stream_(stream) {
  fflush(stream_);
  const int file = open((dir_ / "captured").string().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  EXPECT_GE(file, 0);
  saved_ = dup(fileno(stream_));
  dup2(file, fileno(stream_));
  close(file);
}

CapturedOutput::~CapturedOutput() {
  if (saved_ >= 0) Take();
}

std::string CapturedOutput::Take() {
  if (saved_ < 0) return "";
  fflush(stream_);
  dup2(saved_, fileno(stream_));
  close(saved_);
  saved_ = -1;
  std::ifstream in(dir_ / "captured", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string clean;
  clean.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    clean += text[i];
  }
  return clean;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

ReadState ReadStateOf(const std::filesystem::path& folder, const std::string& name) {
  class Reader final : public platform::EntryVisitor {
   public:
    explicit Reader(const std::string& name) : name_(name) {}
    void Visit(const platform::Folder& folder, const platform::DirEntry& entry) override {
      if (name_ == entry.name) {
        listed = IsMessageRead(host, folder, entry);
        found = true;
      } else if (!unlisted) {
        unlisted = IsMessageRead(host, folder, {name_.c_str(), platform::kAttributeNormal, 0});
      }
    }
    const std::string& name_;
    platform::HostSystem host;
    bool found = false;
    ReadState listed = ReadState::kFailed;
    std::optional<ReadState> unlisted;
  };
  Reader reader(name);
  platform::HostSystem().SearchFolder((folder.string() + platform::kPathSeparator + "*").c_str(), reader);
  EXPECT_TRUE(reader.found || reader.unlisted) << folder << " lists nothing";
  return reader.found ? reader.listed : reader.unlisted.value_or(ReadState::kFailed);
}

bool IsWindowsBuild() { return platform::kPathSeparator == '\\'; }

}  // namespace testing_support
