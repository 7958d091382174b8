// The renderer's vector-output settings: whether and where a vector file is
// written, in which format and with which of the format's options.
#pragma once

#include <memory>
#include <string>

#include "vector/vector_format.h"

namespace pw {

// Where an object sits in the drawing order of a vector file: by the depth of
// its nearest, middle or farthest point.
enum class PwZDepthPosition : int { Front = 0, Centre = 1, Back = 2 };

struct PwVectorOutputSettings {
  bool saveVectorFile = false;
  int vectorFormatIndex = 0;  // index into the vector format registry
  std::string vectorFileName;
  int zDepthPosition = static_cast<int>(PwZDepthPosition::Front);
  // Always the options of vectorFormatIndex's format, never null.
  std::unique_ptr<PwVectorFormatParams> vectorFormatOptions = CreateVectorFormatParams(0);

  PwVectorOutputSettings() = default;
  // Copies clone the options, so a copy can be edited on its own.
  PwVectorOutputSettings(const PwVectorOutputSettings& other);
  PwVectorOutputSettings& operator=(const PwVectorOutputSettings& other);
  PwVectorOutputSettings(PwVectorOutputSettings&&) noexcept = default;
  PwVectorOutputSettings& operator=(PwVectorOutputSettings&&) noexcept = default;

  // Chooses a format. Choosing another format starts its options at their
  // defaults; choosing the current one keeps them. False (nothing changed)
  // for an index the registry does not know.
  bool SelectFormat(int index);

  friend bool operator==(const PwVectorOutputSettings& a, const PwVectorOutputSettings& b);
};

}  // namespace pw
