#include "interpreter.h"

#include <string>

#include "datafiles.h"
#include "caches.h"
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
    if (instruction.opcode == Op::Run)
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
  RunTick(engine);
  if (ip < 1 || ip > kInstructionCount) return;
  const TInstruction& in = program[ip];
  if (engine.run.ProgramEnded) return;

  switch (in.opcode) {
    case Op::None:
      break;
    case Op::Run:  // a `run` is carried out by RunProgram: inside a tag block it does nothing
      break;
    case Op::FieldByName:
    case Op::FieldByNumber:
      if (auto value = FieldValue(engine, NameOf(in.operand1))) SetValue(in.operand3, *value);
      break;
    case Op::Repeat:
      if (auto opened =
              OpenDataSet(engine, NameOf(in.operand1), NameOf(in.operand2), ValueOf(in.operand2))) {
        SetValue(in.operand1, opened->firstRecord);
        SetValue(in.operand2, opened->recordCount);
      }
      break;
    case Op::RepeatTest:
      if (AsNumber(ValueOf(in.operand2)) < AsNumber(ValueOf(in.operand3)))
        JumpTo(ip, AsNumber(NameOf(in.operand1)) - 1);
      break;
    case Op::RepeatStep:
      if (auto record = StepRecord(engine, NameOf(in.operand2))) {
        JumpTo(ip, AsNumber(NameOf(in.operand1)) - 1);
        if (ip >= 1 && ip <= kInstructionCount) SetValue(program[ip].operand1, *record);
      }
      break;
    case Op::TagBlock:
      FillTagBlock(engine, ValueOf(in.operand1), current, program, ip);
      break;
    case Op::TagValue:
      ReplaceTagWithText(engine, ValueOf(in.operand1), ValueOf(in.operand2), current);
      break;
    case Op::EndTag:  // the end of a block that FillTagBlock is not running: nothing to do
      break;
    case Op::IncludeFile:
      IncludeFile(engine, current, ValueOf(in.operand1));
      break;
    case Op::IncludeTag:
      IncludeTagFromFile(engine, ValueOf(in.operand1), ValueOf(in.operand2), current);
      break;
    case Op::New:
      current = FreshOutput();
      break;
    case Op::EndNew:
      WriteOutputFile(engine, ValueOf(in.operand1), current);
      break;
    case Op::IfIs:
    case Op::IfIsNot:
      SetValue(in.operand3,
               CompareValues(ValueOf(in.operand1), ValueOf(in.operand2), in.opcode == Op::IfIs));
      break;
    case Op::JumpIfIs:
    case Op::JumpIfIsNot:
      // Lands after the labelled "else" or "EndIfEnd" marker.
      if (ValueOf(in.operand2) == "false") JumpTo(ip, AsNumber(NameOf(in.operand1)));
      break;
    case Op::Else:
      JumpTo(ip, AsNumber(NameOf(in.operand1)) - 1);
      break;
    case Op::EndIf:
      break;
    case Op::Set:
      LookupVariable(engine, NameOf(in.operand1), ValueOf(in.operand2), true);
      break;
    case Op::Variable:
      if (auto value = LookupVariable(engine, NameOf(in.operand1), {}, false))
        SetValue(in.operand3, *value);
      break;
    case Op::Date:
      SetValue(in.operand3, engine.DateText());
      break;
    case Op::Time:
      SetValue(in.operand3, engine.TimeText());
      break;
    case Op::Stop:
      engine.run.ProgramEnded = true;
      break;
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
  for (++ip; ip >= 1 && ip < kInstructionCount && program[ip].opcode != Op::EndTag; ++ip)
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
