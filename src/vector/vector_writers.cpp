#include "vector/vector_format_ai.h"
#include "vector/vector_format_dxf.h"
#include "vector/vector_format_swf.h"
#include "vector/vector_writer.h"

namespace pw {

std::unique_ptr<PwVectorFormat> CreateVectorFormat(int index) {
  switch (index) {
    case static_cast<int>(PwVectorFormatId::Illustrator): return std::make_unique<PwVectorFormatAI>();
    case static_cast<int>(PwVectorFormatId::Dxf): return std::make_unique<PwVectorFormatDXF>();
    case static_cast<int>(PwVectorFormatId::Swf): return std::make_unique<PwVectorFormatSWF>();
    default: return nullptr;
  }
}

}  // namespace pw
