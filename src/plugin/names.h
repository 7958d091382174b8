// The product's names and version as users and files see them.
#pragma once

#include <string>

namespace pw {

inline constexpr int VERSION_MAJOR = 5;
inline constexpr int VERSION_MINOR = 70;

// "Penwright!"
const char* ProductName();
// The maker's name and support address, as the plug-in description gives them.
const char* MakerName();
const char* SupportAddress();

// The title of warnings and questions: "%s %d.%02d %s" from the product
// name, the version and an empty last word, so it ends in a blank
// ("Penwright! 5.70 "). Vector files carry it verbatim.
const std::string& DisplayName();
// The renderer's name: the display name formatted with "%s Renderer", hence
// the two blanks in "Penwright! 5.70  Renderer".
const std::string& RendererName();

}  // namespace pw
