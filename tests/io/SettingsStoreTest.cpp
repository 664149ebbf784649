#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "TempDir.h"
#include "io/SettingsStore.h"

namespace quantorial {
namespace {

using testing::TempDir;

TEST(SettingsStore, FirstUseCreatesTheStoreAndGivesDefaults) {
  TempDir dir;
  const SettingsStore store(dir.File("new/folder"));
  EXPECT_FALSE(std::filesystem::exists(store.Path()));
  EXPECT_EQ(store.GetDbSetting(kDataFilesSection, "LastTrendFile", "none"), "none");
  EXPECT_TRUE(std::filesystem::exists(store.Path()));
  EXPECT_EQ(std::filesystem::path(store.Path()).filename(), "gdsystem.mdx");
  EXPECT_EQ(store.Get(kDataFilesSection, "LastTrendFile"), std::nullopt);
  ASSERT_TRUE(store.SaveDbSetting(kDataFilesSection, "LastTrendFile", "/data/klein.csv"));
  EXPECT_EQ(store.GetDbSetting(kDataFilesSection, "LastTrendFile", "none"), "/data/klein.csv");
}

TEST(SettingsStore, UpdateInsteadOfASecondRowAndTrimmedNames) {
  TempDir dir;
  const SettingsStore store(dir.path().string());
  ASSERT_TRUE(store.SaveDbSetting("quantorial", "ShiftPrediction", "1"));
  ASSERT_TRUE(store.SaveDbSetting("quantorial", "ShiftPrediction", "0"));
  ASSERT_TRUE(store.SaveDbSetting(" quantorial ", "  ShiftPrediction ", "-1"));
  EXPECT_EQ(store.Get("quantorial", "ShiftPrediction"), "-1");
  EXPECT_EQ(store.Get("  quantorial", "ShiftPrediction  "), "-1");
  EXPECT_EQ(store.CountRows("quantorial", "ShiftPrediction"), 1);
  // Values are kept exactly, blanks included; sections keep keys apart.
  ASSERT_TRUE(store.SaveDbSetting("quantorial", "ChartTitle", "  GDP, real  "));
  ASSERT_TRUE(store.SaveDbSetting("TORVIK", "ChartTitle", "other"));
  EXPECT_EQ(store.Get("quantorial", "ChartTitle"), "  GDP, real  ");
  EXPECT_EQ(store.Get("TORVIK", "ChartTitle"), "other");
  EXPECT_EQ(store.Get("quantorial", "ChartTitle "), "  GDP, real  ");
}

TEST(SettingsStore, NamesWithQuotesAreData) {
  TempDir dir;
  const SettingsStore store(dir.path().string());
  const std::string tricky = "O'Brien' OR '1'='1";
  ASSERT_TRUE(store.SaveDbSetting(tricky, "x'); DROP TABLE gdsystem; --", "it's fine"));
  EXPECT_EQ(store.Get(tricky, "x'); DROP TABLE gdsystem; --"), "it's fine");
  EXPECT_EQ(store.Get("O'Brien", "x"), std::nullopt);
  ASSERT_TRUE(store.SaveDbSetting("TORVIK", "LastTestFile", "b.csv"));
  EXPECT_EQ(store.Get("TORVIK", "LastTestFile"), "b.csv");
}

TEST(SettingsStore, TheFileIsEncryptedAndSurvivesARestart) {
  TempDir dir;
  {
    const SettingsStore store(dir.path().string());
    ASSERT_TRUE(store.SaveDbSetting("TORVIK", "LastTrendFile", "/home/economist/klein-data.csv"));
  }
  const std::string raw = TempDir::Read(dir.File("gdsystem.mdx"));
  EXPECT_EQ(raw.find("klein-data"), std::string::npos);
  EXPECT_EQ(raw.find("SQLite format"), std::string::npos);
  const SettingsStore again(dir.path().string());
  EXPECT_EQ(again.Get("TORVIK", "LastTrendFile"), "/home/economist/klein-data.csv");
}

TEST(SettingsStore, AFileThatIsNotAStoreIsReportedAndLeftAlone) {
  TempDir dir;
  const std::string junk = "this is somebody's own file, not a settings database\n";
  dir.Write("gdsystem.mdx", junk);
  const SettingsStore store(dir.path().string());
  EXPECT_EQ(store.GetDbSetting("TORVIK", "LastTrendFile", "fallback"), "fallback");
  std::string error;
  EXPECT_FALSE(store.SaveDbSetting("TORVIK", "LastTrendFile", "x", &error));
  EXPECT_NE(error.find("not a settings database"), std::string::npos) << error;
  EXPECT_NE(error.find(store.Path()), std::string::npos);
  EXPECT_FALSE(store.OpenSettingsDb());
  EXPECT_EQ(TempDir::Read(store.Path()), junk);
}

TEST(SettingsStore, TwoCopiesWritingAtOnceLoseNothing) {
  TempDir dir;
  auto writer = [&](const std::string& who) {
    const SettingsStore store(dir.path().string());
    for (int i = 0; i < 25; ++i) {
      std::string error;
      ASSERT_TRUE(store.SaveDbSetting(who, "key" + std::to_string(i), who + std::to_string(i), &error)) << error;
      ASSERT_TRUE(store.SaveDbSetting("shared", "counter", who));
    }
  };
  std::thread a(writer, "a"), b(writer, "b");
  a.join();
  b.join();
  const SettingsStore store(dir.path().string());
  for (int i = 0; i < 25; ++i) {
    EXPECT_EQ(store.Get("a", "key" + std::to_string(i)), "a" + std::to_string(i));
    EXPECT_EQ(store.Get("b", "key" + std::to_string(i)), "b" + std::to_string(i));
  }
  EXPECT_EQ(store.CountRows("shared", "counter"), 1);
}

// The store keeps its connection between reads and writes; what other copies write, and a
// file removed or replaced meanwhile, must still be seen.
TEST(SettingsStore, AKeptConnectionSeesOtherWritersAndAReplacedFile) {
  TempDir dir;
  const SettingsStore kept(dir.path().string());
  EXPECT_EQ(kept.Get("TORVIK", "LastTestFile"), std::nullopt);
  {
    const SettingsStore other(dir.path().string());
    ASSERT_TRUE(other.SaveDbSetting("TORVIK", "LastTestFile", "b.csv"));
  }
  EXPECT_EQ(kept.Get("TORVIK", "LastTestFile"), "b.csv");
  // The file removed (a person cleaning up): the next write makes a new one instead of
  // writing into the removed file.
  std::filesystem::remove(kept.Path());
  ASSERT_TRUE(kept.SaveDbSetting("TORVIK", "LastTrendFile", "a.csv"));
  EXPECT_TRUE(std::filesystem::exists(kept.Path()));
  EXPECT_EQ(SettingsStore(dir.path().string()).Get("TORVIK", "LastTrendFile"), "a.csv");
  // The file replaced by another store: the kept one reads the new file.
  {
    TempDir elsewhere;
    const SettingsStore fresh(elsewhere.path().string());
    ASSERT_TRUE(fresh.SaveDbSetting("TORVIK", "LastTrendFile", "fresh.csv"));
    std::filesystem::copy_file(fresh.Path(), kept.Path() + ".copy");
    std::filesystem::rename(kept.Path() + ".copy", kept.Path());
  }
  EXPECT_EQ(kept.Get("TORVIK", "LastTrendFile"), "fresh.csv");
}

TEST(SettingsStore, OpenedInTheBackgroundThenReadAndWritten) {
  TempDir dir;
  {
    SettingsStore store(dir.path().string());
    store.OpenInBackground();
    ASSERT_TRUE(store.SaveDbSetting("TORVIK", "LastTrendFile", "x.csv"));
    EXPECT_EQ(store.Get("TORVIK", "LastTrendFile"), "x.csv");
  }
  {
    SettingsStore idle(dir.path().string());
    idle.OpenInBackground();  // never used: it is still closed cleanly
  }
  const std::string junk = "not a store\n";
  TempDir other;
  other.Write("gdsystem.mdx", junk);
  SettingsStore bad(other.path().string());
  bad.OpenInBackground();
  std::string error;
  EXPECT_FALSE(bad.SaveDbSetting("TORVIK", "LastTrendFile", "x", &error));
  EXPECT_NE(error.find("not a settings database"), std::string::npos) << error;
  EXPECT_EQ(TempDir::Read(bad.Path()), junk);
}

TEST(SettingsStore, WritesQueuedWhileOpeningAreMadeInOrderAndReadBack) {
  TempDir dir;
  {
    SettingsStore store(dir.path().string());
    store.OpenInBackground();
    store.SaveDbSettingLater("TORVIK", "LastTrendFile", "first.csv");
    store.SaveDbSettingLater("TORVIK", "LastTrendFile", "second.csv");
    store.SaveDbSettingLater("TORVIK", "LastTestFile", "b.csv");
    EXPECT_EQ(store.Get("TORVIK", "LastTrendFile"), "second.csv");
    store.SaveDbSettingLater("TORVIK", "LastTestFile", "c.csv");  // at once now
    EXPECT_EQ(store.CountRows("TORVIK", "LastTrendFile"), 1);
  }
  {
    // Queued and never read: the store's end still makes them.
    SettingsStore store(dir.path().string());
    store.OpenInBackground();
    store.SaveDbSettingLater("quantorial", "ChartTitle", "GDP");
  }
  const SettingsStore again(dir.path().string());
  EXPECT_EQ(again.Get("TORVIK", "LastTestFile"), "c.csv");
  EXPECT_EQ(again.Get("quantorial", "ChartTitle"), "GDP");
}

TEST(SettingsStore, OneStoreSharedByThreads) {
  TempDir dir;
  const SettingsStore store(dir.path().string());
  auto writer = [&](const std::string& who) {
    for (int i = 0; i < 20; ++i) {
      ASSERT_TRUE(store.SaveDbSetting(who, "key" + std::to_string(i), who + std::to_string(i)));
      ASSERT_TRUE(store.Get(who, "key" + std::to_string(i)).has_value());
    }
  };
  std::thread a(writer, "a"), b(writer, "b");
  a.join();
  b.join();
  for (int i = 0; i < 20; ++i) EXPECT_EQ(store.Get("b", "key" + std::to_string(i)), "b" + std::to_string(i));
}

}  // namespace
}  // namespace quantorial
