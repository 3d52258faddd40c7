#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/system.h"
#include "settings/registry_read.h"
#include "tests/test_support.h"

namespace {

using testing_support::CapturedOutput;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr char kExport[] =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton]\r\n"
    "\"Mail Root\"=\"/srv/mail\"\r\n";

// Points QNPURGE_REGISTRY at `path` for one test, with a new system to read it.
class RegistryFileLoadingTest : public testing::Test {
 protected:
  void SetUp() override { Use(path_); }
  void TearDown() override { Use(saved_); }
  void Use(const std::string& path) {
    setenv("QNPURGE_REGISTRY", path.c_str(), 1);
    system_ = std::make_unique<platform::HostSystem>();
  }
  std::string Problem() {
    char problem[4096] = "untouched";
    if (system_->RegistryIsReadable(problem, sizeof problem)) return "";
    return problem;
  }
  // The problem with a new system reading `path`, after the words that name the file.
  std::string ProblemOf(const std::string& path) {
    Use(path);
    const std::string problem = Problem(), named = "The registry file " + path + " ";
    return problem.rfind(named, 0) == 0 ? problem.substr(named.size()) : problem;
  }
  std::string MailRoot() {
    char buffer[64];
    RegReadString(*system_, "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton", "Mail Root", buffer, sizeof buffer);
    return buffer;
  }

  // The test main's empty registry, never the machine's.
  const std::string saved_ = getenv("QNPURGE_REGISTRY");
  TempDir dir_;
  std::string path_ = (dir_ / "registry.reg").string();
  std::unique_ptr<platform::HostSystem> system_;
};

TEST_F(RegistryFileLoadingTest, TheFileIsParsedOncePerSystem) {
  WriteFile(path_, kExport);
  EXPECT_EQ(MailRoot(), "/srv/mail");
  WriteFile(path_, "not an export");
  EXPECT_EQ(MailRoot(), "/srv/mail");
  EXPECT_EQ(Problem(), "");
  EXPECT_EQ(ProblemOf(path_),
            "cannot be used: line 1: the first line is not \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\".");
}

TEST_F(RegistryFileLoadingTest, AMalformedFileNamesItsLineAndHoldsNothing) {
  WriteFile(path_, std::string(kExport) + "\"Bad Mail Directory\"=\"/srv/bad\r\n");
  EXPECT_EQ(Problem(), "The registry file " + path_ + " cannot be used: line 5: a text has no closing quote.");
  EXPECT_EQ(MailRoot(), "");

  CapturedOutput output;
  RunOutcome outcome;
  EXPECT_FALSE(CheckRegistry(*system_, outcome));
  const std::string line =
      "The registry file " + path_ + " cannot be used: line 5: a text has no closing quote. Nothing was done.\n";
  EXPECT_EQ(output.Take(), line);
  EXPECT_EQ(outcome.KeptLines(), line);
}

TEST_F(RegistryFileLoadingTest, AFileThatCannotBeReadIsNamed) {
  // A missing file is no empty registry: QNPURGE_REGISTRY is unset or misspelt.
  EXPECT_EQ(ProblemOf(path_), "cannot be read: No such file or directory.");
  EXPECT_EQ(MailRoot(), "");
  WriteFile(dir_ / "file", "x");
  EXPECT_EQ(ProblemOf((dir_ / "file" / "registry.reg").string()), "cannot be read: Not a directory.");

  WriteFile(dir_ / "half.reg", std::string("\xFF\xFE", 2) + "W");
  EXPECT_EQ(ProblemOf((dir_ / "half.reg").string()), "cannot be used: the UTF-16 text ends in half a character.");

  EXPECT_EQ(ProblemOf(dir_.str()), "cannot be read: it is not a regular file.");

  const std::string fifo = (dir_ / "fifo.reg").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ProblemOf(fifo), "cannot be read: it is not a regular file.");

  if (geteuid() != 0) {  // permissions do not stop root
    WriteFile(path_, kExport);
    chmod(path_.c_str(), 0);
    EXPECT_EQ(ProblemOf(path_), "cannot be read: Permission denied.");
  }
}

}  // namespace
