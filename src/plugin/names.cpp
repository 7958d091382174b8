#include "plugin/names.h"

#include <cstdio>

namespace pw {

const char* ProductName() { return "Penwright!"; }
const char* MakerName() { return "Quillmark"; }
const char* SupportAddress() { return "support@quillmark.example"; }

const std::string& DisplayName() {
  static const std::string name = [] {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %d.%02d %s", ProductName(), VERSION_MAJOR, VERSION_MINOR, "");
    return std::string(buf);
  }();
  return name;
}

const std::string& RendererName() {
  static const std::string name = [] {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s Renderer", DisplayName().c_str());
    return std::string(buf);
  }();
  return name;
}

}  // namespace pw
