#include "syntaxgen.h"

#include <algorithm>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "commands.h"

namespace ws::syntaxgen {

namespace {

constexpr std::string_view kLanguage = "Weftsmith build file";
constexpr std::string_view kMimeType = "text/x-weftsmith-build";

// The editor's word edges: only these characters (and the line's ends) may
// stand beside a reserved word; a string's quote counts as a blank.
constexpr std::string_view kWordEdges = " \\t\"";

// Patterns of the plain elements, in the regular-expression dialect both
// formats share (PCRE for KDE, Oniguruma for TextMate). A name as the scanner
// reads it starts with a letter or "_" and goes on with letters and digits.
constexpr std::string_view kNotInName = "(?<![A-Za-z0-9_])";
constexpr std::string_view kFieldReference = "[A-Za-z_][A-Za-z0-9]*[ \\t]*:";
constexpr std::string_view kNumber = "[0-9]+(?![A-Za-z0-9_])";
constexpr std::string_view kDateOrTime = "<(?:[dD][aA][tT][eE]|[tT][iI][mM][eE])>";

std::string XmlEscaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string RegexEscaped(std::string_view word) {
  std::string out;
  for (char c : word) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

// The reserved words: the command words, then the words that are parts of
// commands.
std::vector<std::string_view> ReservedWords() {
  std::vector<std::string_view> words;
  for (const Command& command : kCommands) words.push_back(command.word);
  for (std::string_view word : kPartWords) words.push_back(word);
  return words;
}

// The reserved words as one alternation, longest first, between the edges.
std::string ReservedPattern() {
  std::vector<std::string_view> words = ReservedWords();
  std::stable_sort(words.begin(), words.end(),
                   [](std::string_view a, std::string_view b) { return a.size() > b.size(); });
  std::string alternatives;
  for (std::string_view word : words) {
    if (!alternatives.empty()) alternatives += '|';
    alternatives += RegexEscaped(word);
  }
  // "$" and not a negated class after the word: a TextMate tokenizer sees the
  // line with its line break.
  const std::string edges(kWordEdges);
  return "(?<![^" + edges + "])(?:" + alternatives + ")(?=[" + edges + "]|$)";
}

}  // namespace

std::string KdeDefinition(int version) {
  std::string x;
  x += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  x += "<!DOCTYPE language>\n";
  x += "<!-- Made by syntaxgen from the command table of Weftsmith; do not edit. -->\n";
  x += "<language name=\"" + XmlEscaped(kLanguage) + "\" section=\"Scripts\" version=\"" +
       std::to_string(version) + "\" kateversion=\"5.0\" extensions=\"*.bld\" mimetype=\"" +
       XmlEscaped(kMimeType) + "\" casesensitive=\"1\" author=\"The Weftsmith authors\">\n";
  x += "  <highlighting>\n";
  x += "    <contexts>\n";
  x += "      <context name=\"Normal\" attribute=\"Normal Text\" lineEndContext=\"#stay\">\n";
  // A pattern rather than a keyword list: KDE's keyword rule does not look at
  // the character before a word that another rule ended at (":end" after a
  // field reference, "<date>end"), where the editor colours nothing.
  x += "        <RegExpr attribute=\"Reserved Word\" context=\"#stay\" String=\"" +
       XmlEscaped(ReservedPattern()) + "\"/>\n";
  x += "        <Detect2Chars attribute=\"Comment\" context=\"Comment\" char=\"-\" char1=\"-\"/>\n";
  x += "        <DetectChar attribute=\"String\" context=\"String\" char=\"&quot;\"/>\n";
  x += "        <RegExpr attribute=\"Date or Time\" context=\"#stay\" String=\"" +
       XmlEscaped(kDateOrTime) + "\"/>\n";
  x += "        <RegExpr attribute=\"Field Reference\" context=\"#stay\" String=\"" +
       XmlEscaped(std::string(kNotInName) + std::string(kFieldReference)) + "\"/>\n";
  x += "        <RegExpr attribute=\"Number\" context=\"#stay\" String=\"" +
       XmlEscaped(std::string(kNotInName) + std::string(kNumber)) + "\"/>\n";
  x += "      </context>\n";
  x += "      <context name=\"String\" attribute=\"String\" lineEndContext=\"#pop\">\n";
  x += "        <DetectChar attribute=\"String\" context=\"#pop\" char=\"&quot;\"/>\n";
  x += "      </context>\n";
  x += "      <context name=\"Comment\" attribute=\"Comment\" lineEndContext=\"#pop\"/>\n";
  x += "    </contexts>\n";
  x += "    <itemDatas>\n";
  x += "      <itemData name=\"Normal Text\" defStyleNum=\"dsNormal\" spellChecking=\"false\"/>\n";
  x += "      <itemData name=\"Reserved Word\" defStyleNum=\"dsKeyword\" "
       "spellChecking=\"false\"/>\n";
  x += "      <itemData name=\"String\" defStyleNum=\"dsString\"/>\n";
  x += "      <itemData name=\"Comment\" defStyleNum=\"dsComment\"/>\n";
  // Marked for what they are, shown as plain text as in the desktop editor.
  x += "      <itemData name=\"Field Reference\" defStyleNum=\"dsNormal\" "
       "spellChecking=\"false\"/>\n";
  x += "      <itemData name=\"Number\" defStyleNum=\"dsNormal\" spellChecking=\"false\"/>\n";
  x += "      <itemData name=\"Date or Time\" defStyleNum=\"dsNormal\" spellChecking=\"false\"/>\n";
  x += "    </itemDatas>\n";
  x += "  </highlighting>\n";
  x += "  <general>\n";
  x += "    <comments>\n";
  x += "      <comment name=\"singleLine\" start=\"--\"/>\n";
  x += "    </comments>\n";
  x += "  </general>\n";
  x += "</language>\n";
  return x;
}

std::string TextMateGrammar() {
  using Json = nlohmann::ordered_json;
  Json repository;
  const auto rule = [&repository](const char* key, std::string_view match, std::string_view scope) {
    repository[key] = {{"match", match}, {"name", std::string(scope) + ".weftsmith"}};
  };
  rule("reserved", ReservedPattern(), "keyword.control");
  rule("comment", "--.*$", "comment.line.double-dash");
  rule("string", "\"[^\"\\n]*(?:\"|$)", "string.quoted.double");
  // meta scopes: themes leave them plain, as the editor does.
  rule("date-or-time", kDateOrTime, "meta.date-or-time");
  rule("field-reference", std::string(kNotInName) + std::string(kFieldReference),
       "meta.field-reference");
  rule("number", std::string(kNotInName) + std::string(kNumber), "meta.number");

  // At one position the first rule listed wins: a reserved word before a
  // field reference ("end :3" colours "end", as the editor does).
  Json patterns = Json::array();
  for (const char* key :
       {"reserved", "comment", "string", "date-or-time", "field-reference", "number"})
    patterns.push_back({{"include", std::string("#") + key}});

  const Json grammar = {
      {"comment", "Made by syntaxgen from the command table of Weftsmith; do not edit."},
      {"name", kLanguage},
      {"scopeName", "source.weftsmith"},
      {"fileTypes", {"bld"}},
      {"patterns", patterns},
      {"repository", repository}};
  return grammar.dump(2) + "\n";
}

}  // namespace ws::syntaxgen
