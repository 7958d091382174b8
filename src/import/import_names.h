// Node names that stay unique while a file is imported.
//
// The scene finds cameras and targets by node name, so an importer never
// adds a second node of a name already in use: the newcomer gets "name 2",
// "name 3", ... instead.
#pragma once

#include <string>
#include <unordered_set>

#include "host/scene/node.h"

namespace host {

class NodeNames {
 public:
  // Every name in use below (and including) root.
  explicit NodeNames(INode* root);
  // `base`, or the first free "base N"; an empty base becomes `fallback`.
  // The answer counts as used from then on.
  std::string Claim(const std::string& base, const std::string& fallback = "Object");

 private:
  std::unordered_set<std::string> used_;
};

}  // namespace host
