#include "program.h"

#include <algorithm>

namespace ws {

TNode* SymbolTree::Find(std::string_view name) const {
  TNode* node = root_;
  while (node) {
    int cmp = name.compare(node->name);
    if (cmp == 0) return node;
    node = cmp < 0 ? node->left : node->right;
  }
  return nullptr;
}

TNode* SymbolTree::FindOrAddSymbol(std::string_view name, int& code, bool* created) {
  TNode** link = &root_;
  while (*link) {
    int cmp = name.compare((*link)->name);
    if (cmp == 0) {
      code = (*link)->code;
      if (created) *created = false;
      return *link;
    }
    link = cmp < 0 ? &(*link)->left : &(*link)->right;
  }
  TNode& node = nodes_.emplace_back();
  node.name = std::string(name);
  node.code = code;
  *link = &node;
  if (created) *created = true;
  return &node;
}

TNode* SymbolTree::NewDetachedNode(std::string name) {
  TNode& node = nodes_.emplace_back();
  node.name = std::move(name);
  return &node;
}

void CompiledProgram::RememberStartValues() {
  // Only the operands of instructions are ever written by a run.
  std::vector<TNode*> operands;
  for (const TInstruction& instruction : table.records)
    for (TNode* node : {instruction.operand1, instruction.operand2, instruction.operand3})
      if (node) operands.push_back(node);
  std::sort(operands.begin(), operands.end());
  operands.erase(std::unique(operands.begin(), operands.end()), operands.end());
  startValues_.clear();
  for (TNode* node : operands) startValues_.emplace_back(node, node->value);
}

void CompiledProgram::RestoreStartValues() {
  for (auto& [node, value] : startValues_)
    if (node->value != value) node->value = value;
}

}  // namespace ws
