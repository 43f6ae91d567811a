// The commands of the build language in one table: every part of the system
// that knows a command (the line checker, Reformat Text, the compiler's
// generated rule actions, the interpreter, the editor's colouring and block
// rules, the syntax definitions for other editors) reads it from here.
//
// Adding a command: its word and rule in data/grammar.txt (with `=> op NAME`;
// then rebuild the tables with the grammar_regenerate target), an enumerator
// of Op with its text in kOpTexts and a row of kCommands below, and a case in
// the interpreter's ExecuteInstruction. A rule naming an Op that does not
// exist, or a switch over Op without its case, fails the build.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>

namespace ws {

// The instructions of a compiled program. The commands' own opcodes come
// first; the others are the control flow and value steps the compiler makes.
enum class Op : std::uint8_t {
  None,  // an empty record
  Set,
  Run,
  New,
  IncludeFile,  // include F
  IncludeTag,   // include F T
  TagBlock,     // tag T ... end
  TagValue,     // tag T V
  Repeat,
  EndNew,
  EndTag,
  RepeatTest,  // jumps past the loop when no record is left
  RepeatStep,  // steps to the next record and jumps back to the test
  IfIs,        // compares, leaving "true" or "false" in a temporary
  IfIsNot,
  JumpIfIs,  // jumps past the then part when the comparison failed
  JumpIfIsNot,
  Else,  // jumps past the else part
  EndIf,
  FieldByName,    // x:"Name"
  FieldByNumber,  // x:3
  Variable,       // a variable used as a value
  Date,
  Time,
  Stop,  // stays last: kOpTexts follows this order
};

// The text each opcode is listed with (listings, tests), in the order of Op.
inline constexpr std::string_view kOpTexts[] = {
    "",        "set",     "run",        "new",    "include1", "include2", "tag1",
    "tag2",    "repeat",  "endnew",     "endtag", "JMPRep",   "ADD",      "IfIs",
    "IfIsNot", "JMPIfIs", "JMPIfIsNot", "else",   "EndIfEnd", ":Str",     ":Numb",
    "ID",      "date",    "time",       "STP"};
static_assert(std::size(kOpTexts) == static_cast<std::size_t>(Op::Stop) + 1);

constexpr std::string_view OpText(Op op) {
  return kOpTexts[static_cast<std::size_t>(op)];
}

// What follows a command word, as the line checker tests it.
enum class Shape : std::uint8_t {
  NameAndOptionalValue,  // tag T [V], include F [T]
  OneValue,              // run F, new F
  VariableAndValue,      // set X V, repeat X F
  Condition,             // if A is|isnot B then
  Nothing,               // else
  Anything,              // end (the rest of the line is a remark)
};

// What a command's line does to the depth of blocks.
enum class Block : std::uint8_t {
  None,
  Opens,              // the lines up to its `end` are its body
  OpensWithoutValue,  // opens a block only when it has no second parameter
  Closes,
};

struct Command {
  std::string_view word;
  Shape shape;
  Block block;
  Op op;                   // the instruction the command compiles to; None for
                           // `end` and `else`, which the compiler turns into jumps
  std::string_view usage;  // how it is written, for help and completion
};

// In the order the editor tests block openers: tag, if, repeat, new.
inline constexpr std::array<Command, 9> kCommands{{
    {"tag", Shape::NameAndOptionalValue, Block::OpensWithoutValue, Op::TagBlock,
     "tag \"name\" ... end | tag \"name\" \"value\""},
    {"if", Shape::Condition, Block::Opens, Op::IfIs, "if A is B then ... else ... end"},
    {"repeat", Shape::VariableAndValue, Block::Opens, Op::Repeat,
     "repeat record \"data.csv\" ... end"},
    {"new", Shape::OneValue, Block::Opens, Op::New, "new \"page.htm\" ... end"},
    {"set", Shape::VariableAndValue, Block::None, Op::Set, "set variable \"value\""},
    {"include", Shape::NameAndOptionalValue, Block::None, Op::IncludeFile,
     "include \"file.htm\" | include \"file.htm\" \"tag\""},
    {"run", Shape::OneValue, Block::None, Op::Run, "run \"other.bld\""},
    {"end", Shape::Anything, Block::Closes, Op::None, "end"},
    {"else", Shape::Nothing, Block::None, Op::None, "else"},
}};

// Whether a line of the command opens a block, given whether a second
// parameter follows its word.
constexpr bool OpensBlock(const Command& command, bool hasSecondParameter) {
  return command.block == Block::Opens ||
         (command.block == Block::OpensWithoutValue && !hasSecondParameter);
}

// Words that are reserved only as parts of a command.
inline constexpr std::array<std::string_view, 3> kPartWords{"is", "isnot", "then"};

// The command a line begins with; nothing for a word that is none.
constexpr std::optional<Command> FindCommand(std::string_view word) {
  for (const Command& command : kCommands)
    if (command.word == word) return command;
  return std::nullopt;
}

}  // namespace ws
