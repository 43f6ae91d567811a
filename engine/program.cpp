#include "program.h"

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

}  // namespace ws
