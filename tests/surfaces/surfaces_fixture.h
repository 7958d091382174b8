// Shared helpers of the surfaces tests: a class registry that knows this
// module's classes, and save/load round trips through scene files.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/refs/class_desc.h"
#include "host/refs/reference.h"
#include "host/refs/scene_file.h"

namespace pwtest {

// Host classes, the plug-in's table and this module's factories.
const host::ClassRegistry& SurfaceRegistry();

// Saves `root` and everything it reaches, loads it back and returns the new
// root held by `holder`; null (with a test failure) when either step fails.
host::ReferenceTarget* RoundTrip(host::ReferenceTarget* root, host::RefHolder& holder);

// Loads scene bytes; the error text, "" on success.
std::string LoadBytes(const std::vector<std::uint8_t>& bytes, host::RefHolder& holder);

}  // namespace pwtest
