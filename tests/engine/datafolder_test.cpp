#include "datafolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "fileio.h"
#include "settings.h"
#include "settingsfile.h"
#include "test_support.h"

namespace ws {
namespace {

using test::TempFolder;
namespace fs = std::filesystem;

// Sets an environment variable for one scope.
class EnvFor {
 public:
  EnvFor(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~EnvFor() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  EnvFor(const EnvFor&) = delete;
  EnvFor& operator=(const EnvFor&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Writes a file, making its folders first; returns its path.
std::string Put(const TempFolder& root, const std::string& name, const std::string& bytes = "x") {
  fs::create_directories(fs::path(root.File(name)).parent_path());
  return root.Write(name, bytes);
}

// ---- where the data folder is ----

TEST(DataFolderFor, BesideTheProgramFirstThenTheInstalledShareFolder) {
  TempFolder root;
  fs::create_directories(root.File("usr/bin"));
  Put(root, "usr/share/weftsmith/alpha");
  // Installed: usr/share/weftsmith, named without "..", with or without "/".
  const DataFolder installed = DataFolderFor(root.File("usr/bin") + "/");
  EXPECT_EQ(installed.path, root.File("usr/share/weftsmith") + "/");
  EXPECT_TRUE(installed.shared);
  EXPECT_EQ(DataFolderFor(root.File("usr/bin")).path, installed.path);
  // A folder named "alpha" beside the program is no grammar table.
  fs::create_directories(root.File("usr/bin/alpha"));
  EXPECT_TRUE(DataFolderFor(root.File("usr/bin")).shared);
  // The grammar beside the program (a distribution folder) comes first.
  fs::remove(root.File("usr/bin/alpha"));
  Put(root, "usr/bin/alpha");
  const DataFolder beside = DataFolderFor(root.File("usr/bin"));
  EXPECT_EQ(beside.path, root.File("usr/bin") + "/");
  EXPECT_FALSE(beside.shared);
}

TEST(DataFolderFor, WithoutGrammarAnywhereTheProgramFolderSoMessagesNameIt) {
  TempFolder root;
  fs::create_directories(root.File("usr/bin"));
  Put(root, "usr/share/weftsmith/pred");  // a share folder without "alpha" does not count
  const DataFolder found = DataFolderFor(root.File("usr/bin"));
  EXPECT_EQ(found.path, root.File("usr/bin") + "/");
  EXPECT_FALSE(found.shared);
  // An unknown program folder is the current folder.
  EXPECT_EQ(DataFolderFor("").path, "");
  EXPECT_FALSE(DataFolderFor("").shared);
}

TEST(DataFolderFor, TheInstalledFolderOfTheBuildsLayout) {
  TempFolder root;
  fs::create_directories(root.File("opt/ws/games"));
  Put(root, "opt/ws/data/ws/alpha");
  const DataFolder found = DataFolderFor(root.File("opt/ws/games"), "../data/ws");
  EXPECT_EQ(found.path, root.File("opt/ws/data/ws") + "/");
  EXPECT_TRUE(found.shared);
  EXPECT_FALSE(DataFolderFor(root.File("opt/ws/games"), "").shared);
}

// ---- the settings of a data folder ----

TEST(DataFolderSettings, ASharedFoldersPropIsReadUntilThePerUserFileExists) {
  TempFolder root;
  const EnvFor xdg("XDG_CONFIG_HOME", root.File("config"));
  Put(root, "usr/share/weftsmith/prop");
  // The temporary folder is writable (and root may write anywhere): the
  // shared folder is still never chosen for writing.
  const DataFolder shared{root.File("usr/share/weftsmith") + "/", true};
  EXPECT_EQ(SettingsPathForReading(shared), root.File("usr/share/weftsmith/prop"));
  EXPECT_EQ(SettingsPathForWriting(shared), root.File("config/weftsmith/prop"));
  EXPECT_TRUE(fs::is_directory(root.File("config/weftsmith")));
  Put(root, "config/weftsmith/prop");
  EXPECT_EQ(SettingsPathForReading(shared), root.File("config/weftsmith/prop"));
}

TEST(DataFolderSettings, AFolderBesideTheProgramKeepsItsPropWhileWritable) {
  TempFolder root;
  const EnvFor xdg("XDG_CONFIG_HOME", root.File("config"));
  Put(root, "dist/prop");
  Put(root, "config/weftsmith/prop");
  const DataFolder beside{root.File("dist") + "/", false};
  EXPECT_EQ(SettingsPathForReading(beside), root.File("dist/prop"));
  EXPECT_EQ(SettingsPathForWriting(beside), root.File("dist/prop"));
}

TEST(DataFolderSettings, SavedSettingsComeBackAndTheSharedDefaultStaysAsItWas) {
  TempFolder root;
  const EnvFor xdg("XDG_CONFIG_HOME", root.File("config"));
  fs::create_directories(root.File("usr/bin"));
  SettingsStore defaults;
  defaults.controls.txtShortStart = "%%";
  Put(root, "usr/share/weftsmith/alpha");
  SaveSettingsFile(defaults, root.File("usr/share/weftsmith/prop"));
  const std::string sharedBytes = ReadFileBytes(root.File("usr/share/weftsmith/prop"));

  const DataFolder data = DataFolderFor(root.File("usr/bin"));
  ASSERT_TRUE(data.shared);
  SettingsStore mine;
  ASSERT_TRUE(LoadSettingsFile(mine, SettingsPathForReading(data), nullptr));
  EXPECT_EQ(mine.controls.txtShortStart, "%%");
  mine.controls.txtShortStart = "[[";
  SaveSettingsFile(mine, SettingsPathForWriting(data));

  SettingsStore again;
  ASSERT_TRUE(LoadSettingsFile(again, SettingsPathForReading(data), nullptr));
  EXPECT_EQ(again.controls.txtShortStart, "[[");
  EXPECT_EQ(ReadFileBytes(root.File("usr/share/weftsmith/prop")), sharedBytes);
}

}  // namespace
}  // namespace ws
