// Executes a compiled program one instruction at a time.
#pragma once

#include <string_view>

#include "output.h"
#include "program.h"

namespace ws {

class Engine;

// Runs a program from instruction 1 with an output text of its own, until
// "STP", a failure (BuildStopped) or instruction 300 (never executed). An
// instruction "run" runs another build file. Used by the top level and by
// every nested run. Throws FileError from file handlers.
void RunProgram(Engine& engine, const TInstructionTable& program);

// Executes the instruction at ip. It may replace the current output ("new")
// and move ip (jumps, tag blocks). "run" does nothing here: only the running
// loops carry it out, so a run inside a tag block is ignored.
void ExecuteInstruction(Engine& engine, OutputText& current, const TInstructionTable& program,
                        int& ip);

// "tag1": removes tag tagName from the current output, runs the block body up
// to its "endtag" on an output of its own, and puts the block's text, joined
// into one piece, at every place where the tag was. Leaves ip on the "endtag".
void FillTagBlock(Engine& engine, std::string_view tagName, OutputText& current,
                  const TInstructionTable& program, int& ip);

// How deep tag blocks may nest while running.
constexpr int kMaxTagDepth = 100;

}  // namespace ws
