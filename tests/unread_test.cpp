#include <gtest/gtest.h>

#include <string>

#include "purge/unread.h"
#include "tests/test_support.h"

namespace {

using testing_support::TempDir;
using testing_support::WriteFile;

class IsMessageReadTest : public testing::Test {
 protected:
  // 1 for read, 0 for unread, -1 for anything else.
  int ReadOf(const std::string& content) {
    WriteFile(dir_ / "m.MAI", content);
    const ReadState state = testing_support::ReadStateOf(dir_.path(), "m.MAI");
    return state == ReadState::kRead ? 1 : state == ReadState::kUnread ? 0 : -1;
  }
  TempDir dir_;
};

TEST_F(IsMessageReadTest, OnlyTheMarkerInTheHeaderBlockMeansRead) {
  EXPECT_EQ(ReadOf("From: a@b\nX-Read: 1\nSubject: s\n\nbody\n"), 1);
  EXPECT_EQ(ReadOf("x-read: 1\n\n"), 1);
  EXPECT_EQ(ReadOf("X-READ: 1\n"), 1);
  EXPECT_EQ(ReadOf("X-Read: 10\n"), 1);  // only nine characters are compared
  EXPECT_EQ(ReadOf("X-Read: 1\r\nFrom: a\r\n\r\n"), 1);
  EXPECT_EQ(ReadOf("From: a\nX-Read: 1"), 1);  // last line, no line end, no empty line
  // Near misses and the body do not count.
  EXPECT_EQ(ReadOf("X-Read: 0\n\n"), 0);
  EXPECT_EQ(ReadOf("X-Read:1\n\n"), 0);
  EXPECT_EQ(ReadOf("X-Read:  1\n\n"), 0);
  EXPECT_EQ(ReadOf(" X-Read: 1\n\n"), 0);
  EXPECT_EQ(ReadOf("X-Read: \n\n"), 0);
  EXPECT_EQ(ReadOf("From: a\n\nX-Read: 1\n"), 0);
  EXPECT_EQ(ReadOf("From: a\r\n\r\nX-Read: 1\r\n"), 0);
  EXPECT_EQ(ReadOf("\nX-Read: 1\n"), 0);  // an empty first line ends the header block at once
  EXPECT_EQ(ReadOf("\r\nX-Read: 1\n"), 0);
  EXPECT_EQ(ReadOf(""), 0);
}

TEST_F(IsMessageReadTest, OnlyAPieceThatStartsALineIsTheMarkerOrTheEmptyLine) {
  // The header is read in pieces of 2,047 characters: the marker at the start of a second piece
  // is still inside the sender's line, and a line feed there ends that line, not the header.
  EXPECT_EQ(ReadOf(std::string(2047, 'a') + "X-Read: 1\n\n"), 0);
  EXPECT_EQ(ReadOf(std::string(4094, 'a') + "X-Read: 1\n\n"), 0);
  EXPECT_EQ(ReadOf(std::string(2047, 'a') + "\nX-Read: 1\n\n"), 1);
  EXPECT_EQ(ReadOf(std::string(4094, 'a') + "\r\nX-Read: 1\n\n"), 1);
  EXPECT_EQ(ReadOf(std::string(2046, 'a') + "\nX-Read: 1\n\n"), 1);
  EXPECT_EQ(ReadOf(std::string(2047, 'a') + "\n\nX-Read: 1\n"), 0);
  // A zero byte in a full piece does not make it look shorter.
  EXPECT_EQ(ReadOf(std::string(2040, 'a') + std::string(7, '\0') + "X-Read: 1\n\n"), 0);
}

TEST_F(IsMessageReadTest, LinesAndPiecesThatCrossTheReadBufferAreCutTheSame) {
  // Short header lines up to `offset` bytes, then `tail`: the file is read 4,096 bytes at a
  // time, so the line at the offsets around 4,096 straddles two reads.
  const auto headerTo = [](size_t offset) {
    std::string header;
    while (header.size() < offset) {
      const size_t left = offset - header.size();
      header += left >= 80 ? "Received: from mx.example.net by host\r\n" : std::string(left - 1, 'r') + "\n";
    }
    return header;
  };
  for (size_t offset = 4080; offset <= 4100; ++offset) {
    SCOPED_TRACE(offset);
    EXPECT_EQ(ReadOf(headerTo(offset) + "X-Read: 1\r\n\r\nbody\r\n"), 1);
    EXPECT_EQ(ReadOf(headerTo(offset) + "\r\nX-Read: 1\r\n"), 0);
    EXPECT_EQ(ReadOf(headerTo(offset) + "X-Read: 0\r\nx-read: 1\r\n"), 1);
    EXPECT_EQ(ReadOf(headerTo(offset) + "X-Read: 1"), 1);  // the file ends right after the marker
    EXPECT_EQ(ReadOf(headerTo(offset) + "X-Read: "), 0);
  }
  // A header block far longer than the buffer, the marker at its end.
  std::string longHeader;
  for (int i = 0; i < 2000; ++i) longHeader += "Received: from mx.example.net\r\n";
  EXPECT_EQ(ReadOf(longHeader + "X-Read: 1\r\n\r\n"), 1);
  EXPECT_EQ(ReadOf(longHeader + "\r\nX-Read: 1\r\n"), 0);
}

TEST_F(IsMessageReadTest, OnlyTheFirstMebibyteIsScanned) {
  std::string header;
  while (header.size() < kHeaderScanLimit - 11) header += "Received: from mx.example.net\r\n";
  header.resize(kHeaderScanLimit - 11, 'r');
  EXPECT_EQ(ReadOf(header + "\r\nX-Read: 1\r\n"), 1);   // the marker's line begins inside the limit
  EXPECT_EQ(ReadOf(header + "a\r\nX-Read: 1\r\n"), 0);  // one byte later it ends outside it
  // A sparse file of 4 GiB of zeros is one endless line: the scan stops at the limit, at once.
  WriteFile(dir_ / "m.MAI", "");
  std::filesystem::resize_file(dir_ / "m.MAI", 4ull << 30);
  EXPECT_EQ(testing_support::ReadStateOf(dir_.path(), "m.MAI"), ReadState::kUnread);
}

TEST_F(IsMessageReadTest, AMissingFileIsGoneAndADeviceIsNeverRead) {
  WriteFile(dir_ / "m.MAI", "X-Read: 1\n");  // an entry, so that the folder is open for the others
  EXPECT_EQ(testing_support::ReadStateOf(dir_.path(), "absent.MAI"), ReadState::kGone);
  // Nor is a device: an endless one would never end the header scan. On Windows the literal path
  // of NUL.MAI names a file of the folder, never the device: here none.
  if (testing_support::IsWindowsBuild()) {
    EXPECT_EQ(testing_support::ReadStateOf(dir_.path(), "NUL.MAI"), ReadState::kGone);
  } else {
    std::filesystem::create_symlink("/dev/zero", dir_ / "zero.MAI");
    EXPECT_EQ(testing_support::ReadStateOf(dir_.path(), "zero.MAI"), ReadState::kUnread);
  }
}

}  // namespace
