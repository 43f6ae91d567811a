#include "grammar.h"

#include "messages.h"

#include <optional>

#include "caches.h"
#include "engine.h"
#include "outputfiles.h"
#include "texthelpers.h"

namespace ws {

namespace {

[[noreturn]] void Damaged(const std::string& path, MessageId detail,
                          std::initializer_list<std::string_view> args = {}) {
  throw FileError(path,
                  MessageText(MessageId::GrammarFileDamaged, {path, MessageText(detail, args)}));
}

// The 1-based number of a 0-based line or byte.
std::string Nth(std::size_t index) {
  return std::to_string(index + 1);
}

}  // namespace

std::vector<AlphabetEntry> ParseAlphabet(std::string_view text, const std::string& path) {
  std::vector<std::string> lines = SplitLines(text);
  if (lines.empty()) throw FileError(FileError::Kind::Open, path);
  if (lines.size() % 2 != 0)
    Damaged(path, MessageId::GrammarSymbolWithoutCode, {Nth(lines.size() - 1)});
  std::vector<AlphabetEntry> alphabet;
  alphabet.reserve(lines.size() / 2);
  for (std::size_t i = 0; i < lines.size(); i += 2) {
    std::optional<int> code = ParseInteger<int>(TrimBlanksAndTabs(lines[i + 1]));
    if (!code || *code < 1 || *code > kSymbolCount)
      Damaged(path, MessageId::GrammarCodeOutOfRange, {Nth(i + 1)});
    alphabet.push_back({lines[i].substr(0, kSymbolTextLength), *code});
  }
  for (const char* required : {"$prog", "#", "$CN", "$ID"}) {
    bool found = false;
    for (const AlphabetEntry& e : alphabet) found = found || e.text == required;
    if (!found) Damaged(path, MessageId::GrammarSymbolMissing, {required});
  }
  return alphabet;
}

std::string ParseRelations(std::string_view bytes, const std::string& path) {
  if (bytes.size() < kRelationBytes) throw FileError(FileError::Kind::Open, path);
  std::string_view table = bytes.substr(0, kRelationBytes);
  // Relations are written as printable characters; a control byte or one above
  // 126 means the file is not a relation table at all.
  for (std::size_t i = 0; i < table.size(); ++i) {
    const auto c = static_cast<unsigned char>(table[i]);
    if (c < 32 || c > 126) Damaged(path, MessageId::GrammarBadRelation, {Nth(i)});
  }
  return std::string(table);
}

std::vector<TRule> ParseRules(std::string_view text, const std::string& path) {
  std::vector<std::string> lines = SplitLines(text);
  while (!lines.empty() && TrimBlanksAndTabs(lines.back()).empty()) lines.pop_back();
  if (lines.empty()) throw FileError(FileError::Kind::Open, path);
  if (lines.size() > static_cast<std::size_t>(kMaxRules))
    Damaged(path, MessageId::GrammarTooManyRules,
            {std::to_string(lines.size()), std::to_string(kMaxRules)});
  std::vector<TRule> rules;
  rules.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::vector<int> numbers;
    std::string_view rest = lines[i];
    for (;;) {
      rest = TrimBlanksAndTabs(rest);
      if (rest.empty()) break;
      std::size_t end = rest.find_first_of(" \t");
      std::optional<int> n = ParseInteger<int>(rest.substr(0, end));
      if (!n) Damaged(path, MessageId::GrammarNotNumbers, {Nth(i)});
      numbers.push_back(*n);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    }
    if (numbers.size() != 2 + kMaxRuleLength)
      Damaged(path, MessageId::GrammarNotSevenNumbers, {Nth(i)});
    TRule rule;
    rule.lhs = numbers[0];
    rule.length = numbers[1];
    if (rule.lhs < 1 || rule.lhs > kSymbolCount)
      Damaged(path, MessageId::GrammarBadLeftSymbol, {Nth(i)});
    if (rule.length < 1 || rule.length > kMaxRuleLength)
      Damaged(path, MessageId::GrammarBadRuleLength, {Nth(i)});
    for (int k = 0; k < kMaxRuleLength; ++k) {
      const int symbol = numbers[static_cast<std::size_t>(2 + k)];
      const bool inside = k < rule.length;
      if (inside ? (symbol < 1 || symbol > kSymbolCount) : symbol != 0)
        Damaged(path,
                inside ? MessageId::GrammarBadRightSymbol : MessageId::GrammarRightSymbolNotZero,
                {Nth(i), std::to_string(k + 1)});
      rule.rhs[static_cast<std::size_t>(k)] = symbol;
    }
    rules.push_back(rule);
  }
  // The compiler's actions refer to rules 1 to 32 by number; a shorter table
  // was cut off.
  if (lines.size() < static_cast<std::size_t>(kRulesWithActions))
    Damaged(path, MessageId::GrammarTooFewRules,
            {std::to_string(lines.size()), std::to_string(kRulesWithActions)});
  return rules;
}

std::shared_ptr<const GrammarTables> LoadGrammarTables(Engine& engine) {
  const std::string& folder = engine.config.ProgramFolder;
  const std::string alphaPath = folder + "alpha";
  const std::string predPath = folder + "pred";
  const std::string rulesPath = folder + "rules";
  for (const std::string* path : {&alphaPath, &predPath, &rulesPath}) AwaitOutput(engine, *path);
  const FileStamp alphaStamp = StampOf(alphaPath);
  const FileStamp predStamp = StampOf(predPath);
  const FileStamp rulesStamp = StampOf(rulesPath);

  // A stamp taken before reading: a change during the read is seen next time.
  const GrammarTables* old = engine.caches->grammar.get();
  const bool sameFolder = old && old->folder == folder;
  const bool alphaKept = sameFolder && alphaStamp.exists && old->alphaStamp == alphaStamp;
  const bool predKept = sameFolder && predStamp.exists && old->predStamp == predStamp;
  const bool rulesKept = sameFolder && rulesStamp.exists && old->rulesStamp == rulesStamp;
  if (alphaKept && predKept && rulesKept) return engine.caches->grammar;

  auto fresh = std::make_shared<GrammarTables>();
  fresh->folder = folder;
  fresh->alphabet = alphaKept ? old->alphabet : ParseAlphabet(ReadTextFile(alphaPath), alphaPath);
  fresh->relations = predKept ? old->relations : ParseRelations(ReadFileBytes(predPath), predPath);
  fresh->rules = rulesKept ? old->rules : ParseRules(ReadTextFile(rulesPath), rulesPath);
  fresh->alphaStamp = alphaStamp;
  fresh->predStamp = predStamp;
  fresh->rulesStamp = rulesStamp;
  engine.caches->grammar = fresh;
  return fresh;
}

}  // namespace ws
