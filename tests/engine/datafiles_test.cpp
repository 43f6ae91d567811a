#include "datafiles.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine.h"
#include "test_support.h"

namespace ws {
namespace {

using test::RecordingHost;
using test::TempFolder;
using Texts = std::vector<std::string>;

class DataFilesTest : public ::testing::Test {
 protected:
  DataFilesTest() { engine.run.BaseFolder = folder.Folder(); }

  // "repeat set FILE" over a file written with the given bytes.
  std::optional<OpenedDataSet> Open(const std::string& file, const std::string& bytes) {
    folder.Write(file, bytes);
    return OpenDataSet(engine, "set", "\"" + file + "\"", "");
  }
  // The field of the current record, or "<none>" when the access failed.
  std::string Field(const std::string& column) {
    std::optional<std::string> value = FieldValue(engine, "set:" + column);
    return value ? *value : "<none>";
  }
  std::string ByName(const std::string& name) { return Field("\"" + name + "\""); }
  void Step() { ASSERT_TRUE(StepRecord(engine, "set")); }

  TempFolder folder;
  RecordingHost host;
  Engine engine{host};
};

TEST_F(DataFilesTest, HeaderRecordDecidesTheFirstRecordOfALoop) {
  auto opened = Open("people.csv", "Name,City\r\nAnn,Oslo\r\n");
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->firstRecord, "2");
  EXPECT_EQ(opened->recordCount, "2");
  EXPECT_EQ(ByName("City"), "Oslo");
  EXPECT_EQ(Field("1"), "Ann");
  EXPECT_EQ(Field("2"), "Oslo");
  EXPECT_EQ(*StepRecord(engine, "set"), "3");

  engine.run.prefs.controls.chkFieldName = false;
  opened = OpenDataSet(engine, "set", "\"people.csv\"", "");
  EXPECT_EQ(opened->firstRecord, "1");
  EXPECT_EQ(ByName("City"), "City");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(DataFilesTest, FileParameterIsQuotedComputedOrPlain) {
  folder.Write("a.csv", "H\nfrom a\n");
  folder.Write("b.csv", "H\nfrom b\n");
  folder.Write("c.csv", "H\nfrom c\n");
  ASSERT_TRUE(OpenDataSet(engine, "set", "\"a.csv\"", "ignored"));
  EXPECT_EQ(Field("1"), "from a");
  ASSERT_TRUE(OpenDataSet(engine, "set", "&3", "b.csv"));
  EXPECT_EQ(Field("1"), "from b");
  ASSERT_TRUE(OpenDataSet(engine, "set", "c.csv", ""));
  EXPECT_EQ(Field("1"), "from c");
  EXPECT_EQ(engine.tables.DataSets.Find("set")->FilePath, folder.File("c.csv"));
  EXPECT_THROW(OpenDataSet(engine, "set", "\"missing.csv\"", ""), FileError);
}

TEST_F(DataFilesTest, EmptyFieldsAndBlanks) {
  Open("d.csv",
       "A,B,C\n"
       "Ann,,Oslo\n"
       "  Bob  , Rome  ,x\n");
  EXPECT_EQ(Field("2"), " ");
  EXPECT_EQ(Field("3"), "Oslo");
  Step();
  // Leading blanks of a record go; a first field keeps its trailing blanks,
  // a later one loses them but keeps the blanks after the comma.
  EXPECT_EQ(Field("1"), "Bob  ");
  EXPECT_EQ(Field("2"), " Rome");
  EXPECT_EQ(ByName("C"), "x");
}

TEST_F(DataFilesTest, SeparatorIsATabOnlyForNamesEndingInLowerCaseTab) {
  Open("t.tab", "A\tB\nx,1\ty,2\n");
  EXPECT_EQ(Field("2"), "y,2");
  EXPECT_EQ(ByName("B"), "y,2");
  Open("t.TAB", "A,B\nx\t1,y\t2\n");
  EXPECT_EQ(Field("2"), "y\t2");
}

TEST_F(DataFilesTest, QuotedFiles) {
  Open("q.csv", "\"Name\",\"City\"\n\"Ann, Jr\",\"Oslo\"\n");
  EXPECT_EQ(ByName("City"), "Oslo");
  EXPECT_EQ(ByName("Name"), "Ann, Jr");
  EXPECT_EQ(Field("2"), "Oslo");
  EXPECT_EQ(Field("1"), "Ann, Jr");
  EXPECT_EQ(Field("3"), "<none>");
  EXPECT_EQ(host.Texts(MessageKind::Error),
            (Texts{"there is no such column number: 3 in: " + folder.File("q.csv")}));
}

// Leading blanks of a record are ignored, the first record's included when
// deciding whether the file is quoted; blanks inside the quotes are the
// field's own.
TEST_F(DataFilesTest, QuotedFilesIgnoreBlanksBeforeTheFirstFieldAndKeepThoseInsideQuotes) {
  Open("q.csv", "   \"Name\",\"City\"\n  \"  Ann \",\"Oslo, N \"\n\"Bob\",\"   \"\n");
  EXPECT_EQ(Field("1"), "  Ann ");
  EXPECT_EQ(Field("2"), "Oslo, N ");
  EXPECT_EQ(ByName("Name"), "  Ann ");
  EXPECT_EQ(ByName("City"), "Oslo, N ");
  Step();
  EXPECT_EQ(Field("1"), "Bob");
  EXPECT_EQ(ByName("City"), "   ");
  EXPECT_TRUE(host.messages.empty());

  // Only a first record that begins with a quote makes the file quoted: a
  // later quoted field is then plain text, quotes included.
  Open("p.csv", "Name,\"City\"\n  Ann,\"Oslo\"\n");
  EXPECT_EQ(Field("1"), "Ann");
  EXPECT_EQ(Field("2"), "\"Oslo\"");
  EXPECT_EQ(ByName("City"), "\"Oslo\"");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(DataFilesTest, ColumnNameInsideAnEarlierNameFindsTheEarlierColumn) {
  Open("n.csv", "ID,FirstName,Name\n7,Ann,Lee\n");
  EXPECT_EQ(ByName("Name"), "Ann");
  Open("n.csv", "FirstName,Name\nAnn,Lee\n");
  EXPECT_EQ(ByName("Name"), "Ann");
  Open("n.csv", "\"ID\",\"FirstName\",\"Name\"\n\"7\",\"Ann\",\"Lee\"\n");
  EXPECT_EQ(ByName("Name"), "Ann");
}

TEST_F(DataFilesTest, SingleColumnFilesGiveTheWholeRecord) {
  Open("s.csv", "Name\nSmith, John\n");
  EXPECT_EQ(Field("1"), "Smith, John");
  EXPECT_EQ(ByName("Name"), "Smith, John");
  // A record short of fields in a file of several columns.
  Open("m.csv", "Name,City\nAnn\n");
  EXPECT_EQ(Field("1"), "Ann");
  EXPECT_EQ(Field("2"), "<none>");
}

TEST_F(DataFilesTest, CommentsAndBlankLinesAreNoRecords) {
  auto opened = Open("c.csv",
                     "\xEF\xBB\xBFName,City\r\n"
                     "# a comment\r\n"
                     "\r\n"
                     "Ann,Oslo\r\n"
                     "   \r\n"
                     "Bob,Rome\r\n");
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->recordCount, "3");
  EXPECT_EQ(ByName("Name"), "Ann");
  Step();
  EXPECT_EQ(ByName("City"), "Rome");
  // Past the last record: an empty record.
  Step();
  EXPECT_EQ(Field("1"), " ");
}

TEST_F(DataFilesTest, FailedAccessesReportAndStop) {
  EXPECT_EQ(FieldValue(engine, "nothing:1"), std::nullopt);
  EXPECT_EQ(host.messages,
            (std::vector<test::RecordedMessage>{{MessageKind::Plain, "no such variable"}}));
  EXPECT_TRUE(engine.run.BuildStopped);

  engine.run.BuildStopped = false;
  host.Clear();
  Open("e.csv", "Name,City\nAnn,Oslo\n");
  EXPECT_EQ(ByName("Town"), "<none>");
  EXPECT_TRUE(engine.run.BuildStopped);
  engine.run.BuildStopped = false;
  EXPECT_EQ(Field("3"), "<none>");
  EXPECT_TRUE(engine.run.BuildStopped);
  engine.run.BuildStopped = false;
  EXPECT_EQ(Field("0"), "<none>");
  EXPECT_EQ(host.Texts(MessageKind::Error),
            (Texts{"there is no such column name: Town in: " + folder.File("e.csv"),
                   "there is no such column number: 3 in: " + folder.File("e.csv"),
                   "there is no such column number: 0 in: " + folder.File("e.csv")}));
  // Nothing is read once the build stopped.
  EXPECT_EQ(Field("1"), "<none>");
  EXPECT_EQ(host.messages.size(), 3u);
}

TEST_F(DataFilesTest, DataFileChangedOnDiskIsSeenByTheNextAccess) {
  Open("live.csv", "Name\nold\n");
  EXPECT_EQ(Field("1"), "old");
  EXPECT_EQ(Field("1"), "old");
  folder.Write("live.csv", "Name\nnewer value\n");
  EXPECT_EQ(Field("1"), "newer value");
}

TEST_F(DataFilesTest, VariablesLastAcrossRunsAndMustBeSetFirst) {
  EXPECT_EQ(LookupVariable(engine, "title", "Home", true), "Home");
  EXPECT_EQ(LookupVariable(engine, "title", "", false), "Home");
  EXPECT_EQ(LookupVariable(engine, "title", "About", true), "About");
  // A later run with the same engine reads it without setting it.
  engine.run.BuildStopped = false;
  EXPECT_EQ(LookupVariable(engine, "title", "", false), "About");

  EXPECT_EQ(LookupVariable(engine, "Title", "", false), std::nullopt);
  EXPECT_EQ(host.messages, (std::vector<test::RecordedMessage>{
                               {MessageKind::Warning, "Variable: Title is not declared"}}));
  EXPECT_TRUE(engine.run.BuildStopped);
}

TEST_F(DataFilesTest, TablesRefuseNamesBeyondTheirCapacity) {
  for (std::size_t i = 0; i < kTableCapacity; ++i)
    ASSERT_TRUE(LookupVariable(engine, "v" + std::to_string(i), "x", true));
  EXPECT_EQ(LookupVariable(engine, "v0", "y", true), "y");
  EXPECT_EQ(LookupVariable(engine, "one-too-many", "x", true), std::nullopt);
  EXPECT_TRUE(engine.run.BuildStopped);
  EXPECT_EQ(host.Texts(MessageKind::Error),
            (Texts{"Too many variables: at most 1000 can be set (variable: one-too-many)"}));

  engine.run.BuildStopped = false;
  host.Clear();
  folder.Write("d.csv", "A\n1\n");
  for (std::size_t i = 0; i < kTableCapacity; ++i)
    ASSERT_TRUE(OpenDataSet(engine, "s" + std::to_string(i), "\"d.csv\"", ""));
  EXPECT_EQ(OpenDataSet(engine, "extra", "\"d.csv\"", ""), std::nullopt);
  EXPECT_TRUE(engine.run.BuildStopped);
  EXPECT_EQ(host.Texts(MessageKind::Error),
            (Texts{"Too many data sets: at most 1000 can be opened (data set: extra)"}));
}

// A text and its prefix are different texts, in either order.
TEST(CompareValues, AWholeTextIsComparedNotAPrefix) {
  for (auto [a, b] : {std::pair{"abc", "ab"}, {"ab", "abc"}, {"x", ""}, {"", "x"}, {"ab ", "ab"}}) {
    EXPECT_EQ(CompareValues(a, b, true), "false") << a << " is " << b;
    EXPECT_EQ(CompareValues(a, b, false), "true") << a << " isnot " << b;
  }
  EXPECT_EQ(CompareValues("abc", "abc", true), "true");
  EXPECT_EQ(CompareValues("abc", "abc", false), "false");
}

TEST(CompareValues, ComparesTextsExactly) {
  EXPECT_EQ(CompareValues("a", "A", true), "false");
  EXPECT_EQ(CompareValues("a", "A", false), "true");
  EXPECT_EQ(CompareValues("5", "5", true), "true");
  EXPECT_EQ(CompareValues("", "", false), "false");
}

}  // namespace
}  // namespace ws
