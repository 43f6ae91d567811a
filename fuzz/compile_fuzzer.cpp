// Feeds arbitrary text to the scanner and parser as a prepared build file and
// checks what a compile promises: an accepted program is a run of filled
// records ending in "STP" whose jumps land inside it; a rejected one leaves the
// caller's program untouched and says so with CompileError.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler.h"
#include "datafiles.h"  // complete types for the Engine's caches
#include "engine.h"
#include "fileio.h"
#include "tags.h"

namespace {

class QuietHost : public ws::Host {
 public:
  void ShowMessage(const ws::Message&) override {}
};

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

bool IsJump(ws::Op opcode) {
  using enum ws::Op;
  return opcode == JumpIfIs || opcode == JumpIfIsNot || opcode == Else || opcode == RepeatTest ||
         opcode == RepeatStep;
}

void CheckAccepted(const ws::TInstructionTable& table) {
  int count = 0;
  while (count < ws::kInstructionCount && table[count + 1].opcode != ws::Op::None) ++count;
  Require(count >= 1 && table[count].opcode == ws::Op::Stop);
  for (int i = count + 1; i <= ws::kInstructionCount; ++i) Require(table[i].opcode == ws::Op::None);
  for (int i = 1; i <= count; ++i) {
    const ws::TInstruction& in = table[i];
    if (!IsJump(in.opcode)) continue;
    Require(in.operand1 != nullptr);
    const int target = std::stoi(in.operand1->name);
    Require(target >= 1 && target <= count);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QuietHost host;
  static ws::Engine engine(host);  // keeps the grammar tables between inputs
  engine.config.ProgramFolder = WEFTSMITH_SOURCE_DIR "/data/";
  engine.run.Memo1.SetText(std::string_view(reinterpret_cast<const char*>(data), size));

  ws::CompiledProgram program;
  program.table[1].opcode = ws::Op::Date;
  bool accepted = false;
  try {
    accepted = ws::CompileBuildFile(engine, program);
  } catch (const ws::FileError&) {
    __builtin_trap();  // the shipped tables are always usable
  }
  if (accepted) {
    Require(!engine.run.CompileError);
    CheckAccepted(program.table);
  } else {
    Require(engine.run.CompileError);
    Require(program.table[1].opcode == ws::Op::Date);
  }
  return 0;
}
