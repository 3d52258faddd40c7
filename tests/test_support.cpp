#include "tests/test_support.h"

#include <sys/stat.h>
#include <utime.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <fstream>
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

void AgeFile(const std::filesystem::path& path, std::chrono::seconds age) {
  const time_t when = time(nullptr) - static_cast<time_t>(age.count());
  struct utimbuf times;
  times.actime = when;
  times.modtime = when;
  ASSERT_EQ(utime(path.string().c_str(), &times), 0) << path;
}

CapturedOutput::CapturedOutput() {
  fflush(stdout);
  testing::internal::CaptureStdout();
}

CapturedOutput::~CapturedOutput() {
  if (!taken_) Take();
}

std::string CapturedOutput::Take() {
  fflush(stdout);
  taken_ = true;
  std::string text = testing::internal::GetCapturedStdout();
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

platform::SearchOutcome RecordingStore::Search(const char* pattern, platform::EntryVisitor& visitor) {
  patterns.push_back(pattern);
  return SystemStore().Search(pattern, visitor);
}

bool RecordingStore::Delete(const char* path) {
  ++deleteCalls;
  if (deleteCalls == failingDelete) return false;
  deleted.push_back(std::filesystem::path(path).filename().string());
  return SystemStore().Delete(path);
}

bool IsWindowsBuild() { return platform::kPathSeparator == '\\'; }

}  // namespace testing_support
