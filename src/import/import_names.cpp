#include "import/import_names.h"

#include <vector>

namespace host {

NodeNames::NodeNames(INode* root) {
  std::vector<INode*> stack;
  if (root) stack.push_back(root);
  while (!stack.empty()) {
    INode* node = stack.back();
    stack.pop_back();
    used_.insert(node->GetName());
    for (int i = 0; i < node->NumberOfChildren(); ++i)
      if (INode* child = node->GetChildNode(i)) stack.push_back(child);
  }
}

std::string NodeNames::Claim(const std::string& base, const std::string& fallback) {
  const std::string& stem = base.empty() ? fallback : base;
  std::string name = stem;
  for (int n = 2; used_.count(name); ++n) name = stem + " " + std::to_string(n);
  used_.insert(name);
  return name;
}

}  // namespace host
