// Completion: command words with a snippet made from their usage, tag names
// of the included file, field names of a data set, and file names.
#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "buildline.h"
#include "commands.h"
#include "languagefeatures.h"
#include "tagnames.h"

namespace lsp {

namespace {

// CompletionItemKind values of the protocol.
constexpr int kKindValue = 12;
constexpr int kKindKeyword = 14;
constexpr int kKindFile = 17;
constexpr int kKindFolder = 19;
constexpr int kSnippetFormat = 2;
constexpr std::size_t kMaxFileItems = 500;

// The snippet of a command from the first form of its usage: quoted texts
// and names become placeholders, "..." a body line (the first one where the
// cursor ends), command and part words stay as they are.
std::string Snippet(const ws::Command& command, const std::string& indent) {
  std::string_view usage = command.usage.substr(0, command.usage.find(" | "));
  std::string snippet;
  int placeholder = 1;
  bool firstBody = true, newLine = false, first = true;
  while (!usage.empty()) {
    const std::size_t blank = usage.find(' ');
    const std::string_view word = usage.substr(0, blank);
    usage = blank == std::string_view::npos ? std::string_view() : usage.substr(blank + 1);
    if (first) {
      snippet = word;
      first = false;
      continue;
    }
    if (word == "...") {
      snippet += "\n" + indent + (firstBody ? "$0" : "");
      firstBody = false;
      newLine = true;
      continue;
    }
    snippet += newLine ? "\n" : " ";
    newLine = false;
    const bool partWord =
        std::find(ws::kPartWords.begin(), ws::kPartWords.end(), word) != ws::kPartWords.end();
    if (partWord || ws::FindCommand(word)) {
      snippet += word;
    } else if (word.starts_with('"')) {
      snippet += "\"${" + std::to_string(placeholder++) + ":" + Unquoted(word) + "}\"";
    } else {
      snippet += "${" + std::to_string(placeholder++) + ":" + std::string(word) + "}";
    }
  }
  return snippet;
}

Json Item(std::string label, int kind, std::string detail, Json range, std::string newText) {
  return {{"label", std::move(label)},
          {"kind", kind},
          {"detail", std::move(detail)},
          {"filterText", newText},
          {"textEdit", {{"range", std::move(range)}, {"newText", std::move(newText)}}}};
}

Json CommandItems(const Context& context, const Json& range) {
  Json items = Json::array();
  for (const ws::Command& command : ws::kCommands) {
    Json item = Item(std::string(command.word), kKindKeyword, std::string(command.usage), range,
                     std::string(command.word));
    if (context.snippets) {
      item["textEdit"]["newText"] = Snippet(command, ws::IndentText(context.prefs.controls.Indent));
      item["insertTextFormat"] = kSnippetFormat;
    }
    items.push_back(std::move(item));
  }
  return items;
}

// Wide (and, when withShort, short) tag names of the file, each once.
Json TagItems(Context& context, const Document& document, const std::string& file, bool withShort,
              const Json& range) {
  Json items = Json::array();
  const std::string* text = context.FlattenedText(Context::Resolve(document, file));
  if (!text) return items;
  std::set<std::string> seen;
  auto add = [&](ws::TagKind kind, const char* what) {
    for (std::string& name : ws::ScanTagNames(*text, kind, context.prefs.settings)) {
      if (name.empty() || name.find('"') != std::string::npos || !seen.insert(name).second)
        continue;
      items.push_back(
          Item(name, kKindValue, std::string(what) + " in " + file, range, "\"" + name + "\""));
    }
  };
  add(ws::TagKind::Wide, "wide tag");
  if (withShort) add(ws::TagKind::Short, "short tag");
  return items;
}

Json FieldItems(Context& context, const Document& document, const std::string& file,
                const Json& range) {
  Json items = Json::array();
  if (!context.prefs.controls.chkFieldName || file.empty()) return items;
  const ws::DataFile* data = context.DataFileAt(Context::Resolve(document, file));
  if (!data) return items;
  std::set<std::string> seen;
  for (const std::string& name : ws::ColumnNames(*data)) {
    if (name.empty() || name.find('"') != std::string::npos || !seen.insert(name).second) continue;
    items.push_back(Item(name, kKindValue, "field of " + file, range, "\"" + name + "\""));
  }
  return items;
}

// The files and folders in the folder that `partial` (a file name begun,
// without its quote) names, relative to the build file.
Json FileItems(const Document& document, const std::string& partial, const Json& range) {
  Json items = Json::array();
  if (document.path.empty()) return items;
  const std::string folderPart = partial.substr(0, partial.rfind('/') + 1);
  const std::string folder = Context::Resolve(document, folderPart.empty() ? "." : folderPart);
  std::vector<std::pair<std::string, bool>> entries;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with('.') || name.find('"') != std::string::npos) continue;
    std::error_code kindError;
    entries.emplace_back(name, it->is_directory(kindError));
    if (entries.size() >= kMaxFileItems) break;
  }
  std::sort(entries.begin(), entries.end());
  for (const auto& [name, isFolder] : entries) {
    const std::string written = folderPart + name;
    items.push_back(Item(name + (isFolder ? "/" : ""), isFolder ? kKindFolder : kKindFile,
                         isFolder ? "folder" : "file", range,
                         "\"" + written + (isFolder ? "/" : "\"")));
  }
  return items;
}

}  // namespace

Json Completion(Context& context, const Document& document, Position at) {
  if (at.line < 0 || static_cast<std::size_t>(at.line) >= document.lines.size())
    return Json::array();
  const std::string& line = document.lines[static_cast<std::size_t>(at.line)];
  const std::size_t cursor = ByteColumn(line, at.character);
  const std::vector<Piece> pieces = SplitLine(line.substr(0, cursor));
  auto range = [&](std::size_t from, bool closingQuote) {
    std::size_t to = cursor;
    if (closingQuote && to < line.size() && line[to] == '"') ++to;
    return LineRange(document.lines, at.line, from, to);
  };

  // The command word (or nothing yet) under the cursor.
  const bool atEnd = !pieces.empty() && pieces.back().end == cursor;
  if (pieces.empty() || (pieces.size() == 1 && atEnd))
    return CommandItems(context, range(pieces.empty() ? cursor : pieces[0].begin, false));

  // A parameter begun at the cursor, or a new one.
  const std::string word = pieces[0].text;
  const std::size_t index = atEnd ? pieces.size() - 2 : pieces.size() - 1;
  const std::string partial = atEnd ? pieces.back().text : std::string();
  const std::size_t from = atEnd ? pieces.back().begin : cursor;
  const bool open = partial.starts_with('"') && (partial.size() == 1 || !partial.ends_with('"'));

  if (const std::optional<FieldReference> field = AsFieldReference(partial);
      field &&
      (field->column.empty() || (field->column.starts_with('"') &&
                                 (field->column.size() == 1 || !field->column.ends_with('"'))))) {
    const std::size_t columnFrom = from + field->dataSet.size() + 1;
    return FieldItems(context, document,
                      DataFileOf(document.lines, static_cast<std::size_t>(at.line), field->dataSet),
                      range(columnFrom, !field->column.empty()));
  }
  if (!partial.empty() && !partial.starts_with('"')) return Json::array();
  if ((word == "tag" && index == 0) || (word == "include" && index == 1)) {
    const std::string file = NearestInclude(document.lines, static_cast<std::size_t>(at.line));
    if (file.empty()) return Json::array();
    return TagItems(context, document, file, word == "tag", range(from, open));
  }
  if (((word == "include" || word == "new" || word == "run") && index == 0) ||
      (word == "repeat" && index == 1))
    return FileItems(document, Unquoted(partial), range(from, open));
  return Json::array();
}

}  // namespace lsp
