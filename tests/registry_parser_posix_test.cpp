#include <gtest/gtest.h>

#include <string>

#include "platform/registry_file.h"

namespace {

using platform::RegistryFile;

constexpr char kHeader5[] = "Windows Registry Editor Version 5.00\r\n\r\n";
constexpr char kKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton";

// A `reg export` file: UTF-16LE after its byte-order mark.
std::string Utf16File(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (const char16_t unit : text) out += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return out;
}

class RegistryFileTest : public testing::Test {
 protected:
  void Parse(const std::string& bytes) {
    RegistryFile::Problem problem;
    ASSERT_TRUE(file_.Parse(bytes, &problem)) << "line " << problem.line << ": " << problem.reason;
  }
  // The value's bytes, or "<no key>" / "<no value>".
  std::string Value(const char* key, const char* name) const {
    const std::string* data = nullptr;
    switch (file_.Find(key, name, &data, nullptr)) {
      case RegistryFile::Lookup::kNoKey:
        return "<no key>";
      case RegistryFile::Lookup::kNoValue:
        return "<no value>";
      case RegistryFile::Lookup::kFound:
        break;
    }
    return *data;
  }
  RegistryFile::Problem Refused(const std::string& bytes) {
    RegistryFile::Problem problem;
    EXPECT_FALSE(file_.Parse(bytes, &problem));
    return problem;
  }

  RegistryFile file_;
};

TEST_F(RegistryFileTest, ReadsWhatRegExportWrites) {
  // The shape `reg export` gives the server's key: UTF-16LE, CRLF, a byte list continued.
  Parse(
      Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Quillerton]\r\n\r\n"
                u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton]\r\n"
                u"@=\"default text\"\r\n"
                "\"Bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
                "  17,18,19,1A,1b\r\n"
                "\"Data Directory\"=\"D:\\\\Data\"\r\n"
                "\"Empty\"=\"\"\r\n"
                "\"Exp\"=hex(2):25,00,53,00,79,00,73,00,25,00,5c,00,78,00,00,00\r\n"
                "\"Multi\"=hex(7):61,00,00,00,62,00,62,00,00,00,00,00\r\n"
                "\"None\"=hex(0):00,00\r\n"
                "\"Q\"=hex(b):89,67,45,23,01,00,00,00\r\n"
                "\"Quote\"=\"say \\\"hi\\\" \\\\\\\\back\"\r\n"
                "\"Unicode \u00E9\"=\"\u00DCn\u00EF \u20AC \U0001F4E7\"\r\n"
                "\"UseBufferAppendMode\"=dword:0000ABcd\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\Log Purge]\r\n"
                "\"Enabled\"=dword:00000001\r\n\r\n"));

  EXPECT_EQ(Value(kKey, ""), std::string("default text\0", 13));
  std::string bin;
  for (int i = 0; i < 28; ++i) bin += static_cast<char>(i);
  EXPECT_EQ(Value(kKey, "Bin"), bin);
  EXPECT_EQ(Value(kKey, "Data Directory"), std::string("D:\\Data\0", 8));
  EXPECT_EQ(Value(kKey, "Empty"), std::string("\0", 1));
  EXPECT_EQ(Value(kKey, "Exp"), std::string("%Sys%\\x\0", 8));
  EXPECT_EQ(Value(kKey, "Multi"), std::string("a\0bb\0\0", 6));
  EXPECT_EQ(Value(kKey, "None"), std::string("\0\0", 2));
  EXPECT_EQ(Value(kKey, "Q"), std::string("\x89\x67\x45\x23\x01\0\0\0", 8));
  EXPECT_EQ(Value(kKey, "Quote"), std::string("say \"hi\" \\\\back\0", 16));
  EXPECT_EQ(Value(kKey, "Unicode \xC3\xA9"), std::string("\xC3\x9Cn\xC3\xAF \xE2\x82\xAC \xF0\x9F\x93\xA7\0", 15));
  EXPECT_EQ(Value(kKey, "UseBufferAppendMode"), std::string("\xCD\xAB\0\0", 4));
  EXPECT_EQ(Value("SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\Log Purge", "Enabled"),
            std::string("\x01\0\0\0", 4));
}

// Keys and names ignore ASCII case only; a key has its ancestors, however deep; other roots are
// ignored.
TEST_F(RegistryFileTest, KeysAndNamesIgnoreAsciiCaseOnly) {
  Parse(std::string(kHeader5) + "[hkey_local_machine\\Software\\Wow6432Node\\QUILLERTON\\quillerton]\n" +
        "\"Mail Root\"=\"a\"\n\"\xC3\xA9t\xC3\xA9\"=\"b\"\n");
  EXPECT_EQ(Value("SOFTWARE\\WOW6432NODE\\Quillerton\\Quillerton", "mail ROOT"), std::string("a\0", 2));
  EXPECT_EQ(Value(kKey, "\xC3\xA9t\xC3\xA9"), std::string("b\0", 2));
  EXPECT_EQ(Value(kKey, "\xC3\x89T\xC3\x89"), "<no value>");  // only a to z fold

  Parse(std::string(kHeader5) +
        "[HKEY_CURRENT_USER\\SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton]\n\"Mail Root\"=\"user\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B\\C\\]\n\"x\"=dword:1\n");
  EXPECT_EQ(Value(kKey, "Mail Root"), "<no key>");
  EXPECT_EQ(Value("SOFTWARE\\A\\B\\C", "x"), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(Value("SOFTWARE\\A\\B", "x"), "<no value>");
  EXPECT_EQ(Value("SOFTWARE\\A", "x"), "<no value>");
  EXPECT_EQ(Value("SOFTWARE\\A\\B\\C\\D", "x"), "<no key>");
  EXPECT_EQ(Value("", "x"), "<no value>");  // the root always exists
  // A deep key path costs its length only.
  std::string deep;
  for (int i = 0; i < 200000; ++i) deep += "k\\";
  deep += "leaf";
  Parse(std::string(kHeader5) + "[HKEY_LOCAL_MACHINE\\" + deep + "]\n\"v\"=dword:2\n");
  EXPECT_EQ(Value(deep.c_str(), "v"), std::string("\x02\0\0\0", 4));
  EXPECT_EQ(Value("K\\K\\K", "v"), "<no value>");
}

TEST_F(RegistryFileTest, ImportsInOrderWithDeletionsAsRegeditDoes) {
  Parse(std::string(kHeader5) +
        "[HKEY_LOCAL_MACHINE\\S\\K]\n\"a\"=\"1\"\n\"b\"=\"2\"\n\"c\"=\"3\"\n"
        "[HKEY_LOCAL_MACHINE\\S\\K\\Sub]\n\"d\"=\"4\"\n"
        "[HKEY_LOCAL_MACHINE\\S\\Keep]\n\"e\"=\"5\"\n"
        "[HKEY_LOCAL_MACHINE\\s\\k]\n\"A\"=\"one\"\n\"b\"=-\n"
        "; a comment, then a blank line\n\n"
        "[-HKEY_LOCAL_MACHINE\\S\\K\\SUB]\n\"z\"=\"after a deletion: no key takes it\"\n"
        "[HKEY_LOCAL_MACHINE\\S\\K]\n\"c\"=\"three\"\n");
  EXPECT_EQ(Value("S\\K", "a"), std::string("one\0", 4));
  EXPECT_EQ(Value("S\\K", "b"), "<no value>");
  EXPECT_EQ(Value("S\\K", "c"), std::string("three\0", 6));
  EXPECT_EQ(Value("S\\K\\Sub", "d"), "<no key>");
  EXPECT_EQ(Value("S\\K", "z"), "<no value>");
  EXPECT_EQ(Value("S\\Keep", "e"), std::string("5\0", 2));

  Parse(std::string(kHeader5) + "[HKEY_LOCAL_MACHINE\\S\\K\\Sub]\n\"d\"=\"4\"\n[-HKEY_LOCAL_MACHINE\\S\\K]\n");
  EXPECT_EQ(Value("S\\K\\Sub", "d"), "<no key>");
  EXPECT_EQ(Value("S\\K", "d"), "<no key>");
  EXPECT_EQ(Value("S", "d"), "<no value>");  // the parent of a deleted key stays
  Parse(std::string(kHeader5) + "[HKEY_LOCAL_MACHINE\\S\\K\\Sub]\n\"d\"=\"4\"\n[-HKEY_LOCAL_MACHINE\\S]\n");
  EXPECT_EQ(Value("S\\K\\Sub", "d"), "<no key>");
  EXPECT_EQ(Value("S", "d"), "<no key>");
}

// Only version 5 text types are converted from UTF-16; the text forms are accepted.
TEST_F(RegistryFileTest, OnlyVersion5TextTypesAreConvertedFromUtf16) {
  const std::string values =
      "[HKEY_LOCAL_MACHINE\\K]\n\"sz\"=hex(1):41,00,42,00\n\"expand\"=hex(2):41,00,00,00\n"
      "\"multi\"=hex(7):41,00,00,00,00,00\n\"binary\"=hex:41,00\n\"typed\"=hex(80000001):41,00\n"
      "\"lone\"=hex(1):41,00,00,d8,42,00,7a\n\"text\"=\"\xC3\xA9\"\n";
  Parse(std::string(kHeader5) + values);
  EXPECT_EQ(Value("K", "sz"), "AB");
  EXPECT_EQ(Value("K", "expand"), std::string("A\0", 2));
  EXPECT_EQ(Value("K", "multi"), std::string("A\0\0", 3));
  EXPECT_EQ(Value("K", "binary"), std::string("A\0", 2));
  EXPECT_EQ(Value("K", "typed"), std::string("A\0", 2));
  EXPECT_EQ(Value("K", "lone"), "A?B");  // a lone surrogate and an odd last byte

  Parse("REGEDIT4\n\n" + values);
  EXPECT_EQ(Value("K", "sz"), std::string("A\0B\0", 4));
  EXPECT_EQ(Value("K", "expand"), std::string("A\0\0\0", 4));
  EXPECT_EQ(Value("K", "text"), std::string("\xC3\xA9\0", 3));

  // UTF-8 with its byte-order mark, LF line ends, blanks around "=" and in byte lists, a
  // comment inside continued data, a value with no data bytes.
  Parse(
      "\xEF\xBB\xBFREGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n  \"a\" = dword:ffffffff\t\n"
      "\"b\"=hex: 01 , 02,\\\n; comment\n   03\n\"c\"=hex:\n\"d\"=hex(3):\\\n  04\n\"\"=\"default\"\n");
  EXPECT_EQ(Value("K", "a"), "\xFF\xFF\xFF\xFF");
  EXPECT_EQ(Value("K", "b"), "\x01\x02\x03");
  EXPECT_EQ(Value("K", "c"), "");
  EXPECT_EQ(Value("K", "d"), "\x04");
  EXPECT_EQ(Value("K", ""), std::string("default\0", 8));
}

TEST_F(RegistryFileTest, RefusesMalformedFilesNamingTheLine) {
  struct Case {
    std::string text;
    unsigned line;
    std::string reason;
  };
  const std::string hdr = "Windows Registry Editor Version 5.00\r\n";
  const std::string key = "[HKEY_LOCAL_MACHINE\\K]\r\n";
  const Case cases[] = {
      {"", 1, "the first line is not \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\""},
      {key + "\"a\"=\"b\"\r\n", 1, "the first line is not \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\""},
      {"Windows Registry Editor Version 4.00\r\n", 1,
       "the first line is not \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\""},
      {hdr + key + "\"a\"=hex:01,0\r\n", 3, "hex data holds something other than two-digit hex bytes"},
      {hdr + key + "\"a\"=hex:01,02,\\\r\n", 3, "hex data is continued past the end of the file"},
      {hdr + key + "\"a\"=hex:01,02,\r\n", 3, "hex data ends in a comma"},
      {hdr + key + "\"a\"=hex:01,\\\r\n\r\n", 3, "hex data is continued past the end of the file"},
      {hdr + key + "\"a\"=hex:01,\\\r\n\r\n\"b\"=\"x\"\r\n", 5,
       "hex data holds something other than two-digit hex bytes"},
      {hdr + key + "\"a\"=hex:01,\\\r\n  02,0g\r\n", 4, "hex data holds something other than two-digit hex bytes"},
      {hdr + key + "\"a\"=hex:01 02\r\n", 3, "hex bytes are not separated by commas"},
      {hdr + key + "\"a\"=hex:0102\r\n", 3, "hex bytes are not separated by commas"},
      {hdr + key + "\"a\"=hex(x):01\r\n", 3, "the type of hex(N) is not one to eight hex digits"},
      {hdr + key + "\"a\"=hex(2:01\r\n", 3, "the type of hex(N) is not one to eight hex digits"},
      {hdr + key + "\"a\"=hex 01\r\n", 3, "hex data does not begin with \":\""},
      {hdr + key + "\"a\"=\"x\\ny\"\r\n", 3, "a text holds an escape other than \\\\ and \\\""},
      {hdr + key + "\"a\\t\"=\"x\"\r\n", 3, "a text holds an escape other than \\\\ and \\\""},
      {hdr + key + "\"a\"=\"x\r\n", 3, "a text has no closing quote"},
      {hdr + key + "\"a\"=\"x\\\"\r\n", 3, "a text has no closing quote"},
      {hdr + key + "\"a=\"x\"\r\n", 3, "the value name is not followed by \"=\""},
      {hdr + key + "\"a\"=\"x\" y\r\n", 3, "something follows the text's closing quote"},
      {hdr + key + "\"a\"=dword:123456789\r\n", 3, "a dword value is not one to eight hex digits"},
      {hdr + key + "\"a\"=dword:\r\n", 3, "a dword value is not one to eight hex digits"},
      {hdr + key + "\"a\"=dword:12 34\r\n", 3, "a dword value is not one to eight hex digits"},
      {hdr + key + "\"a\"=qword:1\r\n", 3, "the value's data is not \"text\", dword:, hex: or hex(N):"},
      {hdr + "\"a\"=\"b\"\r\n", 2, "a value comes before the first key line"},
      {hdr + "[HKEY_LOCAL_MACHINE\\K\r\n", 2, "the key line does not end in \"]\""},
      {hdr + "[SOFTWARE\\K]\r\n", 2, "the key path does not begin with a root key such as HKEY_LOCAL_MACHINE"},
      {hdr + "[-HKEY_LOCAL_MACHINE]\r\n", 2, "the key line would delete HKEY_LOCAL_MACHINE itself"},
      {hdr + key + "a=b\r\n", 3, "the line is neither a key, a value nor a comment"},
  };
  for (const Case& c : cases) {
    const RegistryFile::Problem problem = Refused(c.text);
    EXPECT_EQ(problem.line, c.line) << c.text;
    EXPECT_EQ(problem.reason, c.reason) << c.text;
  }
}

// Text that is not UTF-16LE with its mark is refused; a file refused holds nothing of an earlier one.
TEST_F(RegistryFileTest, RefusesTextThatIsNotUtf16LeWithItsMark) {
  const std::string export5 = Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n");
  RegistryFile::Problem problem = Refused(export5.substr(2));
  EXPECT_EQ(problem.line, 0u);
  EXPECT_EQ(problem.reason, "the text looks like UTF-16 but has no byte-order mark");

  problem = Refused(export5 + "\"");
  EXPECT_EQ(problem.reason, "the UTF-16 text ends in half a character");

  std::string bigEndian = "\xFE\xFF";
  for (size_t i = 2; i < export5.size(); i += 2) bigEndian += std::string{export5[i + 1], export5[i]};
  EXPECT_EQ(Refused(bigEndian).reason, "the text is big-endian UTF-16, which a registry export never is");

  Parse(std::string(kHeader5) + "[HKEY_LOCAL_MACHINE\\K]\n\"a\"=\"1\"\n");
  Refused(std::string(kHeader5) + "[HKEY_LOCAL_MACHINE\\K]\n\"a\"=\"1\"\n\"b\"=hex:1\n");
  EXPECT_EQ(Value("K", "a"), "<no key>");
}

}  // namespace
