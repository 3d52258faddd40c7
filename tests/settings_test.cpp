#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/registry_read.h"
#include "settings/server_settings.h"
#include "support/server_keys.h"
#include "tests/fake_system.h"

namespace {

using testing_support::FakePath;
using testing_support::FakeSystem;

constexpr const char* kTestServerKey = kServerKey;
constexpr const char* kTestAdministrationKey = kAdministrationKey;
const std::string kSeparator(1, platform::kPathSeparator);
const std::string data = FakePath("/data");

class LoadSettingsTest : public testing::Test {
 protected:
  // Every field holds something stale first, so that the load shows it writes each one.
  static void Stale(char* text) { strcpy(text, "stale"); }
  static void Stale(uint32_t& number) { number = 77; }
  template <typename... Fields>
  static void StaleAll(Fields&... fields) {
    (Stale(fields), ...);
  }
  void SetUp() override {
    ServerSettings& s = serverSettings;
    StaleAll(s.configurationDirectory, s.providerDirectory, s.professionalVersion, s.enterpriseVersion, s.version,
             s.connectorRootDirectory, s.dataDirectory, s.mailRoot, s.activityLogDirectory, s.debugLogFileDirectory,
             s.w3cLoggingDirectory, s.inboundServerBindings, s.badMailDirectory, s.quarantineDirectory,
             s.debugLoggingLevel, s.maxRequestSize, s.listenPort, s.performanceLoggingEnabled, s.w3cAccount, s.w3cAgent,
             s.w3cClientIp, s.w3cClientBytes, s.w3cMethod, s.w3cUriQuery, s.w3cUriStem, s.w3cDate, s.w3cServerBytes,
             s.w3cComputerName, s.w3cServerIp, s.w3cServerPort, s.w3cTime, s.w3cTimeTaken, s.authorizationMode,
             s.ipv6Status, s.preventMessageDuplicates);
  }

  static std::string Key(const char* below) { return std::string(kTestServerKey) + "\\" + below; }

  void LoadSettings() { ::LoadSettings(registry_, serverSettings); }
  bool IsFolder(const std::string& path) const { return registry_.folders.count(path) != 0; }

  ServerSettings serverSettings;
  FakeSystem registry_;
};

TEST_F(LoadSettingsTest, WithOnlyADataDirectoryEveryOtherFieldTakesItsFallback) {
  registry_.SetText(kTestServerKey, "Data Directory", data);
  LoadSettings();
  const ServerSettings& s = serverSettings;
  const std::string radms = data + kSeparator + "Logging" + kSeparator + "RADMS";
  for (const char* empty : {s.configurationDirectory, s.professionalVersion, s.enterpriseVersion, s.version,
                            s.connectorRootDirectory, s.badMailDirectory, s.quarantineDirectory}) {
    EXPECT_STREQ(empty, "");
  }
  EXPECT_STREQ(s.providerDirectory, "64");
  EXPECT_EQ(s.dataDirectory, data);
  EXPECT_EQ(s.mailRoot, data + kSeparator + "POSTOFFICES");
  for (const char* log : {s.activityLogDirectory, s.debugLogFileDirectory, s.w3cLoggingDirectory}) {
    EXPECT_EQ(log, radms);
  }
  EXPECT_EQ(s.debugLoggingLevel, 3u);
  EXPECT_EQ(s.maxRequestSize, 5242880u);
  EXPECT_STREQ(s.inboundServerBindings, "(All)");
  EXPECT_EQ(s.listenPort, 8081u);
  EXPECT_EQ(s.performanceLoggingEnabled, 0u);
  for (uint32_t w3c :
       {s.w3cAccount, s.w3cAgent, s.w3cClientIp, s.w3cClientBytes, s.w3cMethod, s.w3cUriQuery, s.w3cUriStem, s.w3cDate,
        s.w3cServerBytes, s.w3cComputerName, s.w3cServerIp, s.w3cServerPort, s.w3cTime, s.w3cTimeTaken}) {
    EXPECT_EQ(w3c, 1u);
  }
  EXPECT_EQ(s.authorizationMode, 1u);
  EXPECT_EQ(s.ipv6Status, 0u);
  EXPECT_EQ(s.preventMessageDuplicates, 0u);
}

// The text settings' own keys are read in the test of their fields' sizes below.
TEST_F(LoadSettingsTest, StoredValuesAreTakenAsStoredEvenZero) {
  const char* remote = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\Remote Admin";
  registry_.SetText(kTestServerKey, "Application Directory", "C:\\Server\\Bin");
  registry_.SetText(kTestServerKey, "Professional Version", "Pro 9");
  registry_.SetText(kTestServerKey, "Enterprise Version", "Ent 9");
  registry_.SetText(kTestServerKey, "Version", "9.1");
  registry_.SetText(kTestServerKey, "Data Directory", "D:\\Data");
  registry_.SetText(kTestServerKey, "Mail Root", "E:\\Mail\\");
  registry_.SetNumber(kTestAdministrationKey, "Debug Logging Level", 0);
  registry_.SetNumber(remote, "Max Request Size", 0);
  registry_.SetNumber(remote, "Listen Port", 2525);
  registry_.SetNumber(kTestAdministrationKey, "Performance Logging Enabled", 1);
  registry_.SetNumber(Key("Services\\Administration\\Logging\\W3C"), "date", 0);
  registry_.SetText(Key("Services\\Administration\\Logging\\W3C"), "time", "1");
  registry_.SetText(kTestServerKey, "Bad Mail Directory", "H:\\BadMail");
  registry_.SetNumber(remote, "Authorization Mode", 0);
  registry_.SetNumber(kTestAdministrationKey, "IPv6 Status", 1);
  registry_.SetNumber(kTestServerKey, "Prevent Message Duplicates", 1);

  LoadSettings();
  const ServerSettings& s = serverSettings;
  EXPECT_STREQ(s.providerDirectory, "C:\\Server\\Bin64");
  EXPECT_STREQ(s.professionalVersion, "Pro 9");
  EXPECT_STREQ(s.enterpriseVersion, "Ent 9");
  EXPECT_STREQ(s.version, "9.1");
  EXPECT_STREQ(s.mailRoot, "E:\\Mail\\");  // exactly as stored
  EXPECT_EQ(s.activityLogDirectory, "D:\\Data" + kSeparator + "Logging" + kSeparator + "RADMS");
  EXPECT_EQ(s.debugLoggingLevel, 0u);
  EXPECT_EQ(s.maxRequestSize, 0u);
  EXPECT_EQ(s.listenPort, 2525u);
  EXPECT_EQ(s.performanceLoggingEnabled, 1u);
  EXPECT_EQ(s.w3cDate, 0u);
  EXPECT_EQ(s.w3cTime, 49u);
  EXPECT_EQ(s.w3cTimeTaken, 1u);
  EXPECT_STREQ(s.badMailDirectory, "H:\\BadMail");
  EXPECT_EQ(s.authorizationMode, 0u);
  EXPECT_EQ(s.ipv6Status, 1u);
  EXPECT_EQ(s.preventMessageDuplicates, 1u);
}

// The log directories fall back on Data Directory\Logging\RADMS; only the activity log's last
// component is created, never the folders above it nor the Mail Root.
TEST_F(LoadSettingsTest, OnlyTheLastComponentOfTheActivityLogDirectoryIsCreated) {
  registry_.AddFolder(data);
  registry_.SetText(kTestServerKey, "Data Directory", data);
  LoadSettings();
  EXPECT_FALSE(IsFolder(data + kSeparator + "Logging"));
  registry_.AddFolder(data + kSeparator + "Logging");
  LoadSettings();
  EXPECT_TRUE(IsFolder(data + kSeparator + "Logging" + kSeparator + "RADMS"));
  EXPECT_FALSE(IsFolder(data + kSeparator + "POSTOFFICES"));

  const std::string stored = data + kSeparator + "activity";
  registry_.SetText(kTestAdministrationKey, "Activity Log Directory", stored);
  LoadSettings();
  EXPECT_EQ(serverSettings.activityLogDirectory, stored);
  EXPECT_TRUE(IsFolder(stored));
  LoadSettings();  // exists already: nothing changes
  EXPECT_TRUE(IsFolder(stored));
}

// Only a Mail Root that is not set falls back on Data Directory: one that is set but cannot be
// read would otherwise purge the store under Data Directory in its place.
TEST_F(LoadSettingsTest, AMailRootThatCannotBeReadTakesNoFallback) {
  registry_.SetText(kTestServerKey, "Data Directory", "D:\\Data");
  registry_.SetText(kTestServerKey, "Mail Root", std::string(1023, 'm'));
  LoadSettings();
  EXPECT_EQ(serverSettings.mailRoot, std::string(1023, 'm'));
  EXPECT_FALSE(serverSettings.mailRootUnreadable);

  registry_.SetText(kTestServerKey, "Mail Root", std::string(1024, 'm'));  // too long for its field
  LoadSettings();
  EXPECT_STREQ(serverSettings.mailRoot, "");
  EXPECT_TRUE(serverSettings.mailRootUnreadable);

  registry_.SetNumber(kTestServerKey, "Mail Root", 0x41);  // not a text
  LoadSettings();
  EXPECT_STREQ(serverSettings.mailRoot, "");
  EXPECT_TRUE(serverSettings.mailRootUnreadable);

  registry_.SetText(kTestServerKey, "Mail Root", "");  // empty: the fallback, as when absent
  LoadSettings();
  EXPECT_EQ(serverSettings.mailRoot, "D:\\Data" + kSeparator + "POSTOFFICES");
  EXPECT_FALSE(serverSettings.mailRootUnreadable);

  registry_.SetText(kTestServerKey, "Data Directory", std::string(1024, 'd'));  // the fallback's source
  LoadSettings();
  EXPECT_STREQ(serverSettings.mailRoot, "");
  EXPECT_TRUE(serverSettings.mailRootUnreadable);

  registry_.SetNumber(kTestServerKey, "Data Directory", 0x41);  // unreadable, and no Mail Root at all
  registry_.registry[kTestServerKey].erase("Mail Root");
  LoadSettings();
  EXPECT_STREQ(serverSettings.mailRoot, "");
  EXPECT_TRUE(serverSettings.mailRootUnreadable);
}

TEST_F(LoadSettingsTest, AFallbackThatDoesNotFitLeavesItsFieldEmpty) {
  // 1,012 characters and "\POSTOFFICES" fill 1,024 bytes with no room for the terminator; the
  // log directories have 512 bytes.
  registry_.SetText(kTestServerKey, "Data Directory", std::string(1012, 'd'));
  LoadSettings();
  EXPECT_STREQ(serverSettings.mailRoot, "");
  EXPECT_STREQ(serverSettings.activityLogDirectory, "");
  EXPECT_STREQ(serverSettings.debugLogFileDirectory, "");
  EXPECT_STREQ(serverSettings.w3cLoggingDirectory, "");

  registry_.SetText(kTestServerKey, "Data Directory", std::string(1011, 'd'));
  LoadSettings();
  EXPECT_EQ(serverSettings.mailRoot, std::string(1011, 'd') + kSeparator + "POSTOFFICES");
}

// A text is read whole into its field up to the field's size less the terminator; one byte more
// is never cut and used. The values name places in a folder of the test's own.
TEST_F(LoadSettingsTest, TextSettingsAreReadWholeUpToTheirFieldsSize) {
  const std::string dir = FakePath("/dir");
  const std::string admin = kTestAdministrationKey;
  struct Text {
    std::string key;
    const char* name;
    char* field;
    size_t size;
  };
  ServerSettings& s = serverSettings;
  const Text texts[] = {
      {kTestServerKey, "Configuration Directory", s.configurationDirectory, sizeof s.configurationDirectory},
      {kTestServerKey, "Data Directory", s.dataDirectory, sizeof s.dataDirectory},
      {kTestServerKey, "Quarantine Directory", s.quarantineDirectory, sizeof s.quarantineDirectory},
      {Key("CONNECTORS"), "Connector Root Directory", s.connectorRootDirectory, sizeof s.connectorRootDirectory},
      {admin, "Activity Log Directory", s.activityLogDirectory, sizeof s.activityLogDirectory},
      {admin, "Debug Log File Directory", s.debugLogFileDirectory, sizeof s.debugLogFileDirectory},
      {admin, "W3C Logging Directory", s.w3cLoggingDirectory, sizeof s.w3cLoggingDirectory},
      {Key("Agents\\Remote Admin"), "Inbound Server Bindings", s.inboundServerBindings, sizeof s.inboundServerBindings},
  };
  for (const Text& text : texts) {
    for (const size_t length : {text.size - 1, text.size}) {
      const std::string value = dir + kSeparator + std::string(length - dir.size() - 1, 'a');
      registry_.SetText(text.key, text.name, value);
      LoadSettings();
      if (length < text.size) {
        EXPECT_EQ(text.field, value) << text.name;
      } else {
        EXPECT_NE(std::string(text.field).rfind(value.substr(0, dir.size() + 9), 0), 0u) << text.name;
      }
    }
    registry_.registry[text.key].erase(text.name);
  }
}

}  // namespace
