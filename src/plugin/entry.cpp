#include "plugin/entry.h"

#include <cstdio>
#include <string>

#include "plugin/class_table.h"
#include "plugin/names.h"

namespace pw {

const char* LibDescription() {
  static const std::string text = [] {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%s. Contact %s. e-mail: %s", RendererName().c_str(), MakerName(), SupportAddress());
    return std::string(buf);
  }();
  return text.c_str();
}

int LibNumberClasses() { return PLUGIN_CLASS_COUNT; }

host::ClassDesc* LibClassDesc(int i) { return PluginClass(i); }

std::uint32_t LibVersion() { return PLUGIN_VERSION; }

int CanAutoDefer() { return 0; }

}  // namespace pw
