// Small file helpers shared by the importers.
#pragma once

#include <string>

namespace host {

// The whole file as bytes. False with "cannot read 'path': reason" when it
// cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error);

// The lower-case extension with its dot (".obj"), or "".
std::string LowerExtension(const std::string& path);

}  // namespace host
