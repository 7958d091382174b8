// Whether a picture can be written where the user asked, found out before
// any rendering so a long render never ends in "cannot write".
#pragma once

#include <string>

namespace pw::cli {

// True when a file can be created in the folder that is to hold `path`
// (tried by creating and removing a scratch file there) and `path` itself
// is not a folder. Otherwise false, with the reason in *error.
bool CheckWritableTarget(const std::string& path, std::string* error);

}  // namespace pw::cli
