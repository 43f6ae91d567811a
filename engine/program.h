// The compile's symbol tree and the intermediate program that refers to it.
#pragma once

#include <array>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commands.h"

namespace ws {

// A symbol of one compile: a keyword, punctuation, variable, number, quoted
// text, jump label or temporary. The runner reads names and values and writes
// values.
struct TNode {
  std::string name;
  int code = 0;       // grammar symbol code
  std::string value;  // run-time value
  TNode* left = nullptr;
  TNode* right = nullptr;
};

// The name and value of a node; "" for no node (an operand left out).
inline const std::string& NameOf(const TNode* node) {
  static const std::string none;
  return node ? node->name : none;
}
inline const std::string& ValueOf(const TNode* node) {
  static const std::string none;
  return node ? node->value : none;
}

// The search tree of one compile, ordered by the bytes of the names (a proper
// prefix sorts first). It owns every node of the compile, in the tree or not,
// at stable addresses, so that instructions may refer to them for as long as
// the tree lives.
class SymbolTree {
 public:
  // Looks name up; when found, sets code to the node's code and returns it;
  // otherwise enters a new node with the given code. created tells which.
  TNode* FindOrAddSymbol(std::string_view name, int& code, bool* created = nullptr);
  // Only looks up.
  TNode* Find(std::string_view name) const;
  // A node that is not entered in the tree (variable and field references).
  TNode* NewDetachedNode(std::string name);
  std::size_t size() const { return nodes_.size(); }

 private:
  std::deque<TNode> nodes_;
  TNode* root_ = nullptr;
};

constexpr int kInstructionCount = 300;
struct TInstruction {
  Op opcode = Op::None;  // None: no instruction
  TNode* operand1 = nullptr;
  TNode* operand2 = nullptr;
  TNode* operand3 = nullptr;
};

// Records 1 to 300 of a program (index 0 is unused).
struct TInstructionTable {
  std::array<TInstruction, kInstructionCount + 1> records;
  TInstruction& operator[](int i) { return records[static_cast<std::size_t>(i)]; }
  const TInstruction& operator[](int i) const { return records[static_cast<std::size_t>(i)]; }
  void Clear() { records.fill(TInstruction{}); }
};

// A compiled program together with the tree its operands live in.
struct CompiledProgram {
  std::unique_ptr<SymbolTree> tree = std::make_unique<SymbolTree>();
  TInstructionTable table;

  // A program kept for later runs: a run writes values into the nodes its
  // instructions name (temporaries, loop variables, data file operands), and
  // the next run must start from the values the compile gave them.
  // Remembers those values; call it once, right after the compile.
  void RememberStartValues();
  // Puts back what RememberStartValues kept, touching only nodes a run changed.
  void RestoreStartValues();

 private:
  std::vector<std::pair<TNode*, std::string>> startValues_;
};

}  // namespace ws
