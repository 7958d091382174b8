// The plug-in's entry points: what a host asks first about the plug-in.
#pragma once

#include <cstdint>

#include "host/refs/class_desc.h"

namespace pw {

// Host release 14000, interface 38, revision 0.
inline constexpr std::uint32_t PLUGIN_VERSION = (14000u << 16) | (38u << 8) | 0u;
static_assert(PLUGIN_VERSION == 0x36B02600u);

// "<renderer name>. Contact Quillmark. e-mail: <support address>"
const char* LibDescription();
int LibNumberClasses();
// The i-th class descriptor, or null when i is out of range.
host::ClassDesc* LibClassDesc(int i);
std::uint32_t LibVersion();
// The plug-in must be loaded at start-up, never deferred.
int CanAutoDefer();

}  // namespace pw
