// The persistent identities of the plug-in's classes.
//
// Scene files name every object by its super class id and Class_ID, so these
// numbers must never change. Header-only so that the modules implementing the
// classes can use them without linking the plug-in table.
#pragma once

#include "host/core/types.h"

namespace pw {

inline constexpr host::Class_ID PW_ACTIONS_CLASS_ID{0x54751021, 0x6A6F4C81};
inline constexpr host::Class_ID PENWRIGHT_RENDERER_CLASS_ID{0x6E431896, 0x25855BAF};
inline constexpr host::Class_ID PW_OBJ_LIB_HOLDER_CLASS_ID{0x1E5F3334, 0x1F5B31A2};
inline constexpr host::Class_ID PW_OBJECT_LIBRARY_CLASS_ID{0x4475418F, 0x196F5EF2};
inline constexpr host::Class_ID PW_STYLE_CLASS_ID{0x78F3060A, 0x598D1BA2};
inline constexpr host::Class_ID PW_STYLE_DRAWING_TOOLS_CLASS_ID{0x65F4347A, 0x019A0E55};
inline constexpr host::Class_ID PW_STYLE_TREE_ITEM_CLASS_ID{0x153C7A44, 0x5A07599A};
inline constexpr host::Class_ID PW_STYLE_EDGE_ANGLE_CLASS_ID{0x5283496B, 0x54CB7919};
inline constexpr host::Class_ID PW_STYLE_LINE_CONTOUR_CLASS_ID{0x388756F8, 0x4D694B3C};
inline constexpr host::Class_ID PW_PAINT_CLASS_ID{0x4C464428, 0x08615F47};
inline constexpr host::Class_ID PW_BRUSH_CLASS_ID{0x15506619, 0x638E2232};
inline constexpr host::Class_ID PW_STROKE_CLASS_ID{0x00633F1B, 0x76FF451E};
inline constexpr host::Class_ID PW_CANVAS_CLASS_ID{0x5131459E, 0x4ACA1D5D};
inline constexpr host::Class_ID PW_SURFACE_CLASS_ID{0x2A2603BF, 0x0E390F2F};
inline constexpr host::Class_ID PW_MTL_TOON_CLASS_ID{0x6C94360D, 0x40C3786E};
inline constexpr host::Class_ID PW_CEL_SHADER_CLASS_ID{0x2D1F511F, 0x075853AF};
inline constexpr host::Class_ID PW_GRADIENT_COLOR_CLASS_ID{0x2B7C700E, 0x5CEA7A8A};
inline constexpr host::Class_ID PW_GRADIENT_CLASS_ID{0x403B00D5, 0x7F465026};
inline constexpr host::Class_ID PW_PAINT_ON_CLASS_ID{0x33C043AF, 0x54BD12F0};
inline constexpr host::Class_ID PW_RESTRICT_SI_CLASS_ID{0x75671651, 0x68E479E4};
inline constexpr host::Class_ID PW_EDGE_ID_MODIFIER_CLASS_ID{0x0D42612A, 0x4F7575BE};

}  // namespace pw
