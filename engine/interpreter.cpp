#include "interpreter.h"

#include <string>

#include "datafiles.h"
#include "engine.h"
#include "entrypoints.h"
#include "outputfiles.h"
#include "tags.h"
#include "texthelpers.h"

namespace ws {

namespace {

void SetValue(TNode* node, std::string value) {
  if (node) node->value = std::move(value);
}

// The decimal value of a text; a text that is not a number counts as 0.
long long AsNumber(std::string_view text) {
  return ParseInteger<long long>(text).value_or(0);
}

// Moves the instruction pointer to a jump label; the running loop then adds
// one. A label outside the table ends up past its end, which ends the loop.
void JumpTo(int& ip, long long target) {
  if (target < 0 || target > kInstructionCount) target = kInstructionCount;
  ip = static_cast<int>(target);
}

}  // namespace

void RunProgram(Engine& engine, const TInstructionTable& program) {
  OutputText current = FreshOutput();
  for (int ip = 1; ip >= 1 && ip < kInstructionCount; ++ip) {
    if (engine.run.BuildStopped) return;
    const TInstruction& instruction = program[ip];
    if (instruction.opcode == "run")
      RunNestedBuildFile(engine, ValueOf(instruction.operand1));
    else
      ExecuteInstruction(engine, current, program, ip);
    if (engine.run.BuildStopped) return;
    if (engine.run.ProgramEnded) {
      engine.run.ProgramEnded = false;
      return;
    }
  }
}

void ExecuteInstruction(Engine& engine, OutputText& current, const TInstructionTable& program,
                        int& ip) {
  ShowRunProgress(engine);
  if (ip < 1 || ip > kInstructionCount) return;
  const TInstruction& in = program[ip];
  const std::string& op = in.opcode;
  if (op.empty() || engine.run.ProgramEnded) return;

  if (op == ":Str" || op == ":Numb") {
    if (auto value = FieldValue(engine, NameOf(in.operand1))) SetValue(in.operand3, *value);
  } else if (op == "repeat") {
    if (auto opened =
            OpenDataSet(engine, NameOf(in.operand1), NameOf(in.operand2), ValueOf(in.operand2))) {
      SetValue(in.operand1, opened->firstRecord);
      SetValue(in.operand2, opened->recordCount);
    }
  } else if (op == "JMPRep") {
    if (AsNumber(ValueOf(in.operand2)) < AsNumber(ValueOf(in.operand3)))
      JumpTo(ip, AsNumber(NameOf(in.operand1)) - 1);
  } else if (op == "ADD") {
    if (auto record = StepRecord(engine, NameOf(in.operand2))) {
      JumpTo(ip, AsNumber(NameOf(in.operand1)) - 1);
      if (ip >= 1 && ip <= kInstructionCount) SetValue(program[ip].operand1, *record);
    }
  } else if (op == "tag1") {
    FillTagBlock(engine, ValueOf(in.operand1), current, program, ip);
  } else if (op == "tag2") {
    ReplaceTagWithText(engine, ValueOf(in.operand1), ValueOf(in.operand2), current);
  } else if (op == "include1") {
    IncludeFile(engine, current, ValueOf(in.operand1));
  } else if (op == "include2") {
    IncludeTagFromFile(engine, ValueOf(in.operand1), ValueOf(in.operand2), current);
  } else if (op == "new") {
    current = FreshOutput();
  } else if (op == "endnew") {
    WriteOutputFile(engine, ValueOf(in.operand1), current);
  } else if (op == "IfIs" || op == "IfIsNot") {
    SetValue(in.operand3, CompareValues(ValueOf(in.operand1), ValueOf(in.operand2), op == "IfIs"));
  } else if (op == "JMPIfIs" || op == "JMPIfIsNot") {
    // Lands after the labelled "else" or "EndIfEnd" marker.
    if (ValueOf(in.operand2) == "false") JumpTo(ip, AsNumber(NameOf(in.operand1)));
  } else if (op == "else") {
    JumpTo(ip, AsNumber(NameOf(in.operand1)) - 1);
  } else if (op == "set") {
    LookupVariable(engine, NameOf(in.operand1), ValueOf(in.operand2), true);
  } else if (op == "ID") {
    if (auto value = LookupVariable(engine, NameOf(in.operand1), {}, false))
      SetValue(in.operand3, *value);
  } else if (op == "date") {
    SetValue(in.operand3, engine.host.CurrentDateText());
  } else if (op == "time") {
    SetValue(in.operand3, engine.host.CurrentTimeText());
  } else if (op == "STP") {
    engine.run.ProgramEnded = true;
  }
}

void FillTagBlock(Engine& engine, std::string_view tagName, OutputText& current,
                  const TInstructionTable& program, int& ip) {
  if (engine.run.TagDepth >= kMaxTagDepth && !engine.run.BuildStopped)
    engine.Fail(MessageId::TooManyTagBlocks, {std::to_string(kMaxTagDepth), tagName});
  std::vector<PieceRef> points;
  if (!engine.run.BuildStopped) points = FindTagInsertionPoints(engine, current, tagName);

  ++engine.run.TagDepth;
  OutputText block = FreshOutput();
  // The body runs up to the matching "endtag" (nested blocks consume their own).
  for (++ip; ip >= 1 && ip < kInstructionCount && program[ip].opcode != "endtag"; ++ip)
    ExecuteInstruction(engine, block, program, ip);
  --engine.run.TagDepth;

  // The block's pieces joined; a block with one non-empty piece (an include,
  // say) hands that piece over without a copy.
  std::size_t size = 0, filled = 0;
  for (const std::string& piece : block) {
    size += piece.size();
    if (!piece.empty()) ++filled;
  }
  std::string text;
  if (filled == 1) {
    for (std::string& piece : block)
      if (!piece.empty()) text = std::move(piece);
  } else {
    text.reserve(size);
    for (const std::string& piece : block) text += piece;
  }
  for (std::size_t i = 0; i < points.size(); ++i)
    current.insert(std::next(points[i]), i + 1 < points.size() ? text : std::move(text));
}

}  // namespace ws
