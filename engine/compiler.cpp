#include "compiler.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "engine.h"
#include "fileio.h"
#include "grammar.h"
#include "rulebindings.h"
#include "scanner.h"

namespace ws {

namespace {

constexpr int kParseStackSize = 255;

// Between two shifts a usable grammar reduces at most once per rule at each
// stack entry; more means its rules send the parser round in circles.
constexpr long long kMaxReductionsPerShift =
    static_cast<long long>(kParseStackSize) * (kMaxRules + 1);

struct TParseEntry {
  int symbol = 0;
  TNode* value = nullptr;  // the token's node, or what an action put there
  int mark1 = 0;           // instruction whose jump is patched later
  int mark2 = 0;           // the loop's re-test point
};

struct ParseMessage {
  int first;
  int last;
  MessageId document;
  MessageId nested;  // with the nested file's name
};

// Tested in this order against the first and last symbol of a handle that no
// rule matches. The grammar gives these codes their meaning (data/grammar.txt).
constexpr ParseMessage kParseMessages[] = {
    {1, 4, MessageId::IllegalComma, MessageId::IllegalCommaInFile},
    {20, 2, MessageId::MissingEnd, MessageId::MissingEndInFile},
    {8, 2, MessageId::MissingEndAfterElse, MessageId::MissingEndInFile},
    {30, 32, MessageId::TooMuchParameters, MessageId::TooMuchParametersInFile},
    {2, 7, MessageId::TooMuchEnd, MessageId::TooMuchEndInFile},
    {24, 24, MessageId::TagWithoutBody, MessageId::TagWithoutBodyInFile},
    {15, 2, MessageId::MissingEndAfterElse, MessageId::MissingEndInFile},
};

class Compiler {
 public:
  explicit Compiler(Engine& engine) : engine_(engine) {}

  bool CompileBuildFile(CompiledProgram& out);

 private:
  void ResetCompiler();
  int ClassCode(const char* text);
  bool ReadToken();
  int MatchRule(int h, int n) const;
  void RunAction(int rule, int h, int t);

  bool EmitInstruction(Op opcode, TNode* operand1 = nullptr, TNode* operand2 = nullptr,
                       TNode* operand3 = nullptr);
  TNode* NewTemporary();
  TNode* Label(int index);
  void Patch(int entry);

  void ReportParseError(int first, int last);
  void ReportLimit(MessageId id, std::string_view limit);
  std::string InFile() const;
  int Line() const;  // 0-based line of the token being read

  TParseEntry& Entry(int i) {
    if (i < 0) i = 0;
    if (i > kParseStackSize + 1) i = kParseStackSize + 1;
    return stack_[static_cast<std::size_t>(i)];
  }
  char Relation(int a, int b) const { return tables_->Relation(a, b); }

  Engine& engine_;
  std::shared_ptr<const GrammarTables> tables_;
  std::unique_ptr<SymbolTree> tree_;
  std::unique_ptr<Scanner> scanner_;
  ClassCodes codes_;
  std::unique_ptr<TInstructionTable> table_;
  int next_ = 1;  // next free instruction index
  std::array<TParseEntry, kParseStackSize + 2> stack_{};
  int top_ = 0;
  std::string lookaheadText_;
  int lookaheadCode_ = 0;
  TNode* lookaheadNode_ = nullptr;
  bool atEndOfText_ = false;
  bool errorTolerant_ = false;
  bool stopped_ = false;  // a table limit was reported
};

void Compiler::ResetCompiler() {
  engine_.run.TagDepth = 0;
  engine_.run.CompileError = false;
  tables_ = LoadGrammarTables(engine_);
  next_ = 1;
  tree_ = std::make_unique<SymbolTree>();
  LoadAlphabet(*tables_, *tree_);
  codes_ = {ClassCode("$prog"), ClassCode("#"), ClassCode("$CN"), ClassCode("$ID")};
  scanner_ = std::make_unique<Scanner>(engine_.run.Memo1, *tree_, codes_);
  table_ = std::make_unique<TInstructionTable>();
  top_ = 0;
  atEndOfText_ = false;
  errorTolerant_ = false;
  stopped_ = false;
}

int Compiler::ClassCode(const char* text) {
  int code = 0;
  return tree_->FindOrAddSymbol(text, code)->code;
}

// Once the end of the text (or a "#" in it) has been read, nothing after it is.
bool Compiler::ReadToken() {
  if (atEndOfText_) return true;
  lookaheadNode_ = scanner_->NextToken(lookaheadText_, lookaheadCode_);
  ReportScanErrors(engine_, *scanner_);
  // A quoted text "#" has the code of the texts, not of the end.
  atEndOfText_ = lookaheadCode_ == codes_.end && lookaheadText_ == "#";
  return !engine_.run.CompileError;
}

bool Compiler::CompileBuildFile(CompiledProgram& out) {
  ResetCompiler();
  if (!ReadToken()) return false;
  top_ = 1;
  stack_[1] = {codes_.end, nullptr, 0, 0};
  long long reductions = 0;

  for (;;) {
    const char relation = Relation(stack_[static_cast<std::size_t>(top_)].symbol, lookaheadCode_);
    if (relation != '>' && relation != '.') {
      if (top_ >= kParseStackSize) {
        ReportLimit(MessageId::ParseStackFull, std::to_string(kParseStackSize));
        return false;
      }
      stack_[static_cast<std::size_t>(++top_)] = {lookaheadCode_, lookaheadNode_, 0, 0};
      if (!ReadToken()) return false;
      if (Relation(stack_[static_cast<std::size_t>(top_)].symbol, lookaheadCode_) == '.')
        errorTolerant_ = true;
      reductions = 0;
      continue;
    }

    // The handle runs down to the entry that its neighbour below marks with
    // "<", at the most to the bottom of the stack, which no rule contains.
    int h = top_;
    while (h > 1 && Relation(Entry(h - 1).symbol, Entry(h).symbol) != '<') --h;
    const int rule = h >= 2 ? MatchRule(h, top_ - h + 1) : 0;
    if (rule != 0) {
      if (++reductions > kMaxReductionsPerShift)
        throw FileError(engine_.config.ProgramFolder + "rules",
                        MessageText(MessageId::GrammarFileDamaged,
                                    {engine_.config.ProgramFolder + "rules",
                                     MessageText(MessageId::GrammarEndlessReduction)}));
      RunAction(rule, h, top_);
      if (stopped_) return false;
      top_ = h;
      Entry(h).symbol = tables_->rules[static_cast<std::size_t>(rule - 1)].lhs;
      continue;
    }

    if (top_ == 1 && atEndOfText_) {
      // A text without any command: a program that only stops.
      if (!EmitInstruction(Op::Stop)) return false;
      break;
    }
    if (h == 2 && Entry(2).symbol == codes_.program && atEndOfText_) break;
    ReportParseError(Entry(h).symbol, Entry(top_).symbol);
    return false;
  }

  out.table = *table_;
  out.tree = std::move(tree_);
  return true;
}

// The first rule, in file order, whose right-hand side is the handle (or, in
// the error-tolerant mode, begins with it). 0 when none does.
int Compiler::MatchRule(int h, int n) const {
  if (n < 1 || n > kMaxRuleLength) return 0;
  const std::vector<TRule>& rules = tables_->rules;
  for (std::size_t k = 0; k < rules.size(); ++k) {
    const TRule& rule = rules[k];
    if (errorTolerant_ ? rule.length < n : rule.length != n) continue;
    bool same = true;
    for (int i = 0; i < n && same; ++i)
      same =
          rule.rhs[static_cast<std::size_t>(i)] == stack_[static_cast<std::size_t>(h + i)].symbol;
    if (same) return static_cast<int>(k) + 1;
  }
  return 0;
}

// The semantic action of a rule, for the handle of entries h to t. The rule
// numbers are bound to the actions by the grammar (rulebindings.h); a rule of
// tables that the build did not see (a changed "rules" file) has none.
void Compiler::RunAction(int rule, int h, int t) {
  const RuleBinding binding = rule >= 0 && static_cast<std::size_t>(rule) < kRuleBindings.size()
                                  ? kRuleBindings[static_cast<std::size_t>(rule)]
                                  : RuleBinding{};
  TParseEntry& head = Entry(h);
  switch (binding.action) {
    case RuleAction::None:  // structural rules: lists, alternatives, closing marks
      break;
    case RuleAction::Emit: {  // a command: its instruction with its values
      // A handle that only begins the rule (the error-tolerant mode) gives
      // its last entry for the values beyond it.
      std::array<TNode*, 3> operands{};
      for (std::size_t i = 0; i < operands.size(); ++i) {
        const int at = binding.operands[i];
        if (at >= 1) operands[i] = Entry(std::min(h + at - 1, t)).value;
      }
      EmitInstruction(binding.op, operands[0], operands[1], operands[2]);
      break;
    }
    case RuleAction::Program:
      EmitInstruction(Op::Stop);
      break;
    case RuleAction::EndElse:  // the `else` jumps past the `if`
      Patch(h);
      break;
    case RuleAction::Else:  // the failed test lands on it; it jumps past the else part
      Patch(h);
      head.mark1 = next_;
      EmitInstruction(Op::Else);
      break;
    case RuleAction::IfIs:
    case RuleAction::IfIsNot: {
      const bool is = binding.action == RuleAction::IfIs;
      TNode* result = NewTemporary();
      if (!EmitInstruction(is ? Op::IfIs : Op::IfIsNot, Entry(h + 1).value, Entry(t - 1).value,
                           result))
        break;
      head.mark1 = next_;
      EmitInstruction(is ? Op::JumpIfIs : Op::JumpIfIsNot, nullptr, result, nullptr);
      break;
    }
    case RuleAction::EndIf:  // `end` of an `if` without `else`
      Patch(h);
      EmitInstruction(Op::EndIf);
      break;
    case RuleAction::EndRepeat: {  // step to the next record and test again
      if (!EmitInstruction(Op::RepeatStep, nullptr, head.value, nullptr)) break;
      const int add = next_ - 1;
      Patch(h);
      (*table_)[add].operand1 = Label(head.mark2);
      break;
    }
    case RuleAction::Repeat: {  // repeat X F
      TNode* variable = Entry(h + 1).value;
      TNode* dataFile = Entry(t).value;
      head.value = variable;
      if (!EmitInstruction(Op::Repeat, variable, dataFile, nullptr)) break;
      head.mark1 = next_;
      head.mark2 = next_;
      EmitInstruction(Op::RepeatTest, nullptr, dataFile, variable);
      break;
    }
    case RuleAction::EndNew:
      EmitInstruction(Op::EndNew, head.value, nullptr, nullptr);
      break;
    case RuleAction::New:  // new F: its `end` writes the file
      EmitInstruction(Op::New, Entry(t).value, nullptr, nullptr);
      head.value = Entry(t).value;
      break;
    case RuleAction::EndTag:
      EmitInstruction(Op::EndTag);
      break;
    case RuleAction::FieldByName:      // X:"Name"
    case RuleAction::FieldByNumber: {  // X:N
      TNode* result = NewTemporary();
      TNode* field = tree_->NewDetachedNode(NameOf(head.value) + ":" + NameOf(Entry(t).value));
      head.value = result;
      Entry(t).value = field;
      EmitInstruction(
          binding.action == RuleAction::FieldByName ? Op::FieldByName : Op::FieldByNumber, field,
          nullptr, result);
      break;
    }
    case RuleAction::Variable: {  // a variable used as a value
      TNode* result = NewTemporary();
      TNode* variable = tree_->NewDetachedNode(NameOf(head.value));
      head.value = result;
      EmitInstruction(Op::Variable, variable, nullptr, result);
      break;
    }
    case RuleAction::QuotedText: {  // named with its quotes, valued without them
      TNode* text = Entry(t).value;
      if (text && tree_->Find(text->name) == text) {
        // A symbol that other tokens share is never renamed; the text gets a
        // node of its own.
        text = tree_->NewDetachedNode(text->name);
      }
      if (text) {
        text->value = text->name;
        text->name = "\"" + text->name + "\"";
      }
      head.value = text;
      break;
    }
    case RuleAction::Date:
    case RuleAction::Time: {
      TNode* result = NewTemporary();
      head.value = result;
      EmitInstruction(binding.action == RuleAction::Date ? Op::Date : Op::Time, nullptr, nullptr,
                      result);
      break;
    }
  }
}

bool Compiler::EmitInstruction(Op opcode, TNode* operand1, TNode* operand2, TNode* operand3) {
  if (stopped_) return false;
  if (next_ > kInstructionCount) {
    ReportLimit(MessageId::TooManyInstructions, std::to_string(kInstructionCount));
    return false;
  }
  TInstruction& instruction = (*table_)[next_++];
  instruction.opcode = opcode;
  instruction.operand1 = operand1;
  instruction.operand2 = operand2;
  instruction.operand3 = operand3;
  return true;
}

// "&" and a number that runs on across compiles for the life of the process.
TNode* Compiler::NewTemporary() {
  int code = codes_.identifier;
  bool created = false;
  TNode* node = tree_->FindOrAddSymbol("&" + std::to_string(engine_.tables.TemporaryCounter()),
                                       code, &created);
  if (created) engine_.tables.NextTemporary();
  return node;
}

// Jump targets are symbols named by the instruction's number.
TNode* Compiler::Label(int index) {
  int code = codes_.number;
  return tree_->FindOrAddSymbol(std::to_string(index), code);
}

// The jump remembered in mark1 of the entry now leads to the next instruction.
void Compiler::Patch(int entry) {
  const int jump = Entry(entry).mark1;
  if (jump >= 1 && jump < next_) (*table_)[jump].operand1 = Label(next_);
}

std::string Compiler::InFile() const {
  const std::string& file = engine_.run.NestedFileName;
  return file.empty() ? std::string() : " in file: " + file;
}

// The end of the text is read past the last line: a mistake found there is
// on the last line.
int Compiler::Line() const {
  if (!scanner_) return -1;
  const long long last = std::max(engine_.run.Memo1.LineCount() - 1, 0);
  return static_cast<int>(std::clamp<long long>(scanner_->LineCounter() - 1, 0, last));
}

void Compiler::ReportParseError(int first, int last) {
  const std::string& file = engine_.run.NestedFileName;
  MessageId id = file.empty() ? MessageId::SyntaxError : MessageId::SyntaxErrorInFile;
  for (const ParseMessage& m : kParseMessages) {
    if (m.first == first && m.last == last) {
      id = file.empty() ? m.document : m.nested;
      break;
    }
  }
  engine_.run.CompileError = true;
  engine_.Fail(id, {file}, Line());
}

// The tables' sizes are limits of the program: reaching one ends the compile
// with a message that names it.
void Compiler::ReportLimit(MessageId id, std::string_view limit) {
  stopped_ = true;
  engine_.run.CompileError = true;
  engine_.Fail(id, {limit, InFile()}, Line());
}

}  // namespace

void ReportScanErrors(Engine& engine, Scanner& scanner) {
  for (const ScanError& error : scanner.TakeErrors()) {
    engine.Report(error.id, {error.found, std::to_string(error.line + 1)}, error.line);
    engine.PlaceCaret(error.line);
    engine.run.CompileError = true;
  }
}

bool CompileBuildFile(Engine& engine, CompiledProgram& out) {
  return Compiler(engine).CompileBuildFile(out);
}

}  // namespace ws
