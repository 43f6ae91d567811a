#include "fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "paths.h"
#include "textbuffer.h"

namespace ws {
namespace {

TEST(SplitLines, AllLineEndsGiveTheSameLines) {
  bool brk = true;
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd", &brk), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_FALSE(brk);
  EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n", &brk), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(brk);
  EXPECT_EQ(SplitLines("\n\n", &brk), (std::vector<std::string>{"", ""}));
  EXPECT_TRUE(SplitLines("", &brk).empty());
  EXPECT_FALSE(brk);
}

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("ws-fileio-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

TEST_F(TempFolder, ByteOrderMarkIsNotPartOfTheText) {
  WriteFileAtomically(Path("bom.txt"), "\xEF\xBB\xBFName,City\r\nAnn,Oslo\r\n");
  TextBuffer b;
  b.Load(Path("bom.txt"));
  EXPECT_EQ(b.Line(0), "Name,City");
  EXPECT_EQ(ReadFileBytes(Path("bom.txt")).size(), 24u);
}

TEST_F(TempFolder, MissingFileIsAFileError) {
  TextBuffer b;
  try {
    b.Load(Path("none.txt"));
    FAIL();
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + Path("none.txt"));
  }
  EXPECT_THROW(ReadFileBytes(dir_.string()), FileError);  // a folder is no file
}

TEST_F(TempFolder, FailedWriteKeepsThePreviousFile) {
  WriteFileAtomically(Path("out.htm"), "old");
  WriteFileAtomically(Path("out.htm"), "new");
  EXPECT_EQ(ReadFileBytes(Path("out.htm")), "new");
  // A rename that cannot happen (the target is a folder) leaves everything as it was.
  std::filesystem::create_directory(Path("dir.htm"));
  EXPECT_THROW(WriteFileAtomically(Path("dir.htm"), "x"), FileError);
  EXPECT_TRUE(std::filesystem::is_directory(Path("dir.htm")));
  EXPECT_FALSE(std::filesystem::exists(Path("dir.htm.weftsmith-tmp")));
  EXPECT_THROW(WriteFileAtomically(Path("missing/out.htm"), "x"), FileError);
  EXPECT_FALSE(std::filesystem::exists(Path("missing")));
}

// The permission bits of a file.
mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

TEST_F(TempFolder, ReplacedFileKeepsItsModeAndANewFileGetsTheDefault) {
  // What the kernel gives a file made with 0666 under the current umask.
  int probe = ::open(Path("probe").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  ASSERT_GE(probe, 0);
  ::close(probe);
  const mode_t fresh = ModeOf(Path("probe"));

  WriteFileAtomically(Path("new.htm"), "a");
  EXPECT_EQ(ModeOf(Path("new.htm")), fresh);
  WriteFileAtomically(Path("new.htm"), "b");
  EXPECT_EQ(ModeOf(Path("new.htm")), fresh);
  for (mode_t mode : {mode_t{0600}, mode_t{0755}}) {
    ASSERT_EQ(::chmod(Path("new.htm").c_str(), mode), 0);
    WriteFileAtomically(Path("new.htm"), "c");
    EXPECT_EQ(ModeOf(Path("new.htm")), mode);
  }

  // A temporary file left behind by an interrupted write does not hand its
  // mode on to the file it replaces.
  WriteFileAtomically(Path("kept.htm"), "old");
  int left = ::open(Path("kept.htm.weftsmith-tmp").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(left, 0);
  ::close(left);
  ASSERT_EQ(::chmod(Path("kept.htm.weftsmith-tmp").c_str(), 0700), 0);
  WriteFileAtomically(Path("kept.htm"), "new");
  EXPECT_EQ(ReadFileBytes(Path("kept.htm")), "new");
  EXPECT_EQ(ModeOf(Path("kept.htm")), fresh);
}

TEST(ResolveFileName, RelativeAbsoluteAndBackslashNames) {
  EXPECT_EQ(ResolveFileName("/site/", "a.htm"), "/site/a.htm");
  EXPECT_EQ(ResolveFileName("/site/", "sub\\a.htm"), "/site/sub/a.htm");
  EXPECT_EQ(ResolveFileName("/site/", "/abs/a.htm"), "/abs/a.htm");
  EXPECT_EQ(ResolveFileName("/site/", "C:\\x\\a.htm"), "C:/x/a.htm");
  EXPECT_EQ(ResolveFileName("", "a.htm"), "a.htm");
  EXPECT_EQ(FolderOf("/site/sub/a.bld"), "/site/sub/");
  EXPECT_EQ(FolderOf("a.bld"), "");
  EXPECT_EQ(FileNameOf("/site/sub/a.bld"), "a.bld");
  EXPECT_EQ(FileNameOf("a.bld"), "a.bld");
  EXPECT_EQ(FileNameOf("/site/"), "");
}

}  // namespace
}  // namespace ws
