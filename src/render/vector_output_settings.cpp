#include "render/vector_output_settings.h"

namespace pw {

PwVectorOutputSettings::PwVectorOutputSettings(const PwVectorOutputSettings& other)
    : saveVectorFile(other.saveVectorFile),
      vectorFormatIndex(other.vectorFormatIndex),
      vectorFileName(other.vectorFileName),
      zDepthPosition(other.zDepthPosition),
      vectorFormatOptions(other.vectorFormatOptions ? other.vectorFormatOptions->Clone()
                                                    : CreateVectorFormatParams(other.vectorFormatIndex)) {}

PwVectorOutputSettings& PwVectorOutputSettings::operator=(const PwVectorOutputSettings& other) {
  if (this != &other) *this = PwVectorOutputSettings(other);
  return *this;
}

bool PwVectorOutputSettings::SelectFormat(int index) {
  const PwVectorFormatDesc* desc = GetVectorFormatDesc(index);
  if (!desc) return false;
  if (!vectorFormatOptions || vectorFormatOptions->Format() != desc->Id()) vectorFormatOptions = desc->CreateParams();
  vectorFormatIndex = index;
  return true;
}

bool operator==(const PwVectorOutputSettings& a, const PwVectorOutputSettings& b) {
  if (a.saveVectorFile != b.saveVectorFile || a.vectorFormatIndex != b.vectorFormatIndex ||
      a.vectorFileName != b.vectorFileName || a.zDepthPosition != b.zDepthPosition)
    return false;
  if (!a.vectorFormatOptions || !b.vectorFormatOptions) return a.vectorFormatOptions == b.vectorFormatOptions;
  return *a.vectorFormatOptions == *b.vectorFormatOptions;
}

}  // namespace pw
