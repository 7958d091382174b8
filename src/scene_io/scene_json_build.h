// The parts of reading a scene description, sharing one record of what has
// been made so far. Each part reads its own section and answers false after
// recording the first error in ctx.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/core/time.h"
#include "host/shading/mtl.h"
#include "host/scene/node.h"
#include "host/scene/object_tri.h"
#include "scene_io/scene_input.h"
#include "scene_io/scene_json_fields.h"
#include "host/scene/scene_model.h"

namespace host {

// A mesh definition: the object nodes share, and the material its file
// brought (null for inline meshes).
struct JsonMeshDef {
  TriObject* object = nullptr;
  Mtl* fileMaterial = nullptr;
};

// Node references resolved once every node exists.
struct JsonPendingAim {
  INode* node = nullptr;
  std::string path;     // of the "target" or "lookAt" value
  std::string target;   // a node's name, for "target"
  bool lookAt = false;  // else target
  Point3 point;         // for "lookAt"
};

struct JsonSceneBuild {
  JsonContext ctx;
  Scene& scene;
  std::map<std::string, Mtl*> materials;
  std::map<std::string, JsonMeshDef> meshes;
  std::map<std::string, std::string> nodePaths;  // node name -> where it was defined
  std::vector<JsonPendingAim> aims;
  std::vector<INode*> unnamed;  // named once every given name is known
  // Keeps what was made alive until something in the scene refers to it.
  std::vector<std::unique_ptr<RefHolder>> keep;

  template <class T>
  T* Keep(T* target) {
    keep.push_back(std::make_unique<RefHolder>(target));
    return target;
  }
};

// "materials": an array of named materials.
bool ReadJsonMaterials(JsonSceneBuild& b, const JsonValue& v, const std::string& path);
// A material named in "materials", or one defined in place.
Mtl* JsonMaterialRef(JsonSceneBuild& b, const JsonValue& v, const std::string& path);

// "meshes": an array of named meshes.
bool ReadJsonMeshes(JsonSceneBuild& b, const JsonValue& v, const std::string& path);
// A mesh named in "meshes", or one defined in place.
bool JsonMeshRef(JsonSceneBuild& b, const JsonValue& v, const std::string& path, JsonMeshDef* out);

// A camera or light object from its description.
Object* JsonCamera(JsonSceneBuild& b, const JsonValue& v, const std::string& path, bool hasTarget);
Object* JsonLight(JsonSceneBuild& b, const JsonValue& v, const std::string& path);

// The node's position, rotation, scale or matrix, and its keys.
bool JsonTransform(JsonSceneBuild& b, JsonObject& o, INode* node);

// "modifiers" of a node showing a mesh: its modifier stack, bottom first.
bool JsonModifiers(JsonSceneBuild& b, const JsonValue& v, const std::string& path, INode* node);

// "nodes": an array of nodes, made children of parent.
bool ReadJsonNodes(JsonSceneBuild& b, const JsonValue& v, const std::string& path, INode* parent, int depth = 0);
// Once every node exists: names for the nodes given none, then targets and
// look-at points.
bool FinishJsonNodes(JsonSceneBuild& b);

// What the included model files say of the view and the frames.
struct JsonIncluded {
  struct Camera {
    INode* node = nullptr;  // a file's first camera
    float aspect = 0.0f;    // its picture shape (width / height); 0 when the file leaves it open
  };
  std::vector<Camera> cameras;  // in file order
  bool animated = false;
  TimeValue lastKey = 0;  // the latest key of any included file
};

// "include": one model file or a list of them, their nodes added under the
// scene root before the description's own, with the styles named for them.
bool ReadJsonIncludes(JsonSceneBuild& b, const JsonValue& v, const std::string& path, JsonIncluded* out);
// Once the description's camera is known: without one named, the first
// included camera is the active one, as when rendering the model directly;
// without "image" the picture takes the shape of the included camera
// rendered through, without "frames" the frames run to the included keys.
void FinishJsonIncludes(JsonSceneBuild& b, const JsonIncluded& included, bool imageGiven, bool framesGiven,
                        SceneInputInfo& info);

}  // namespace host
