#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "host/scene/camera.h"
#include "host/scene/host_classes.h"
#include "host/scene/light.h"
#include "host/shading/mtl_multi.h"
#include "host/shading/mtl_std.h"
#include "host/scene/object_derived.h"
#include "host/scene/object_tri.h"
#include "host/scene/scene_model.h"
#include "host/shading/texmap_bitmap.h"
#include "scene_test_support.h"

using namespace host;
using scenetest::ShiftModifier;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kEps = 1e-5f;

void ExpectNear(const Point3& a, const Point3& b, float eps = kEps) {
  EXPECT_NEAR(a.x, b.x, eps);
  EXPECT_NEAR(a.y, b.y, eps);
  EXPECT_NEAR(a.z, b.z, eps);
}

void ExpectNear(const Matrix3& a, const Matrix3& b, float eps = kEps) {
  for (int r = 0; r < 4; ++r) ExpectNear(a[r], b[r], eps);
}

INode* AddNode(Scene& scene, const char* name, INode* parent = nullptr, Object* obj = nullptr) {
  return scene.CreateNode(name, obj, parent);
}

// ---- Tree and transforms ------------------------------------------------------------

TEST(NodeTransforms, ChildOfARotatedTranslatedParentComposesLocalThenParent) {
  Scene scene;
  INode* parent = AddNode(scene, "parent");
  INode* child = AddNode(scene, "child", parent);
  INode* grandchild = AddNode(scene, "grandchild", child);
  // Parent: turned a quarter about z, then moved to (10, 0, 0).
  parent->TMController().SetValue(RotateZMatrix(kPi / 2) * TransMatrix({10, 0, 0}));
  child->TMController().SetValue(TransMatrix({1, 0, 0}));
  grandchild->TMController().SetValue(TransMatrix({0, 2, 0}));

  // The child's local x axis is the parent's, which points along world y.
  ExpectNear(child->GetNodeTM(0).GetTrans(), {10, 1, 0});
  ExpectNear(grandchild->GetNodeTM(0).GetTrans(), {8, 1, 0});
  ExpectNear(child->GetNodeTM(0), TransMatrix({1, 0, 0}) * parent->GetNodeTM(0));
  ExpectNear(child->GetParentTM(0), parent->GetNodeTM(0));

  // The object offset sits in front of the node transform.
  child->SetObjOffsetPos({0, 0, 5});
  ExpectNear(Point3(0, 0, 0) * child->GetObjectTM(0), {10, 1, 5});
  ExpectNear(child->GetObjTMAfterWSM(0), child->GetObjectTM(0));
  ExpectNear(child->GetNodeTM(0).GetTrans(), {10, 1, 0});

  // Setting a world transform stores the local one that produces it.
  ASSERT_TRUE(grandchild->SetNodeTM(0, TransMatrix({3, 4, 5})));
  ExpectNear(grandchild->GetNodeTM(0), TransMatrix({3, 4, 5}));
}

TEST(NodeTransforms, AnimatedParentNarrowsTheChildsValidity) {
  Scene scene;
  INode* parent = AddNode(scene, "parent");
  INode* child = AddNode(scene, "child", parent);
  parent->TMController().Position().SetKey(0, {0, 0, 0});
  parent->TMController().Position().SetKey(100, {10, 0, 0});
  Interval valid = FOREVER;
  ExpectNear(child->GetNodeTM(50, &valid).GetTrans(), {5, 0, 0});
  EXPECT_EQ(valid, Interval(50, 50));
  valid = FOREVER;
  child->GetNodeTM(200, &valid);
  EXPECT_EQ(valid, Interval(100, TIME_PosInfinity));
}

TEST(NodeTree, AttachMovesChildrenAndRefusesCycles) {
  Scene scene;
  INode* a = AddNode(scene, "a");
  INode* b = AddNode(scene, "b");
  INode* c = AddNode(scene, "c", a);
  a->TMController().SetValue(TransMatrix({5, 0, 0}));
  c->TMController().SetValue(TransMatrix({1, 0, 0}));

  EXPECT_FALSE(c->AttachChild(a));  // a is c's ancestor
  EXPECT_FALSE(a->AttachChild(a));
  EXPECT_FALSE(a->AttachChild(nullptr));

  // Moving keeps the node alive and the old parent forgets it.
  ASSERT_TRUE(b->AttachChild(c, /*keepWorldTM=*/true));
  EXPECT_EQ(a->NumberOfChildren(), 0);
  ASSERT_EQ(b->NumberOfChildren(), 1);
  EXPECT_EQ(b->GetChildNode(0), c);
  EXPECT_EQ(c->GetParentNode(), b);
  ExpectNear(c->GetNodeTM(0).GetTrans(), {6, 0, 0});  // kept its place
  EXPECT_EQ(c->NumDependents(), 1);

  // Detaching hangs the node under the root, keeping its local transform.
  ASSERT_TRUE(c->Detach());
  EXPECT_EQ(c->GetParentNode(), scene.Root());
  EXPECT_EQ(b->NumberOfChildren(), 0);
  ExpectNear(c->GetNodeTM(0).GetTrans(), {6, 0, 0});
  EXPECT_FALSE(scene.Root()->Detach());
  EXPECT_EQ(scene.Root()->NumberOfChildren(), 3);
  EXPECT_EQ(FindNodeByName(scene.Root(), "c"), c);
  EXPECT_EQ(FindNodeByName(scene.Root(), "nobody"), nullptr);
}

TEST(NodeTree, DeletingANodeFreesItsSubtreeAndClearsLinksToIt) {
  Scene scene;
  INode* a = AddNode(scene, "a");
  INode* b = AddNode(scene, "b", a);
  INode* camera = AddNode(scene, "camera", nullptr, new GenCamera(true));
  ASSERT_TRUE(camera->SetTarget(b));
  a->DeleteThis();  // takes b with it
  EXPECT_EQ(scene.Root()->NumberOfChildren(), 1);
  EXPECT_EQ(camera->GetTarget(), nullptr);
  Matrix3 tm;
  EXPECT_FALSE(camera->GetTargetTM(0, tm));
}

// ---- Visibility, flags, colours ---------------------------------------------------------

TEST(NodeVisibility, KeyedVisibilityInterpolatesAndReportsItsValidity) {
  Scene scene;
  INode* node = AddNode(scene, "n");
  EXPECT_EQ(node->GetVisibility(123), 1.0f);
  node->VisibilityTrack().SetKey(0, 1.0f);
  node->VisibilityTrack().SetKey(FrameToTime(10), 0.0f);
  struct Case {
    TimeValue t;
    float v;
  } cases[] = {{-100, 1.0f}, {0, 1.0f}, {FrameToTime(5), 0.5f}, {FrameToTime(10), 0.0f}, {FrameToTime(20), 0.0f}};
  for (const Case& c : cases) EXPECT_NEAR(node->GetVisibility(c.t), c.v, kEps) << c.t;
  Interval valid = FOREVER;
  node->GetVisibility(FrameToTime(5), &valid);
  EXPECT_EQ(valid, Interval(FrameToTime(5), FrameToTime(5)));
}

TEST(NodeFlags, WireColourPacksAsBlueGreenRed) {
  INode node;
  node.SetWireColorRGB(Color(1.0f, 0.5f, 0.0f));
  EXPECT_EQ(node.GetWireColor(), 0x000080FFu);
  node.SetWireColor(0xFF123456u);  // the top byte is not a channel
  EXPECT_EQ(node.GetWireColor(), 0x00123456u);
  EXPECT_NEAR(node.GetWireColorRGB().r, 0x56 / 255.0f, kEps);
  EXPECT_NEAR(node.GetWireColorRGB().b, 0x12 / 255.0f, kEps);
  EXPECT_TRUE(node.Renderable());
  EXPECT_FALSE(node.IsNodeHidden(true));
  EXPECT_FALSE(node.Selected());
}

// ---- User properties and application data ---------------------------------------------------

TEST(NodeUserProps, TypedValuesKeysWithoutCaseAndRefusedInput) {
  INode node;
  EXPECT_TRUE(node.SetUserPropInt("Penwright_StyleObjID", 7));
  EXPECT_TRUE(node.SetUserPropString("Penwright_StyleName", "Hidden-line"));
  EXPECT_TRUE(node.SetUserPropFloat("weight", 0.1f));
  int id = 0;
  EXPECT_TRUE(node.GetUserPropInt("penwright_styleobjid", id));
  EXPECT_EQ(id, 7);
  float w = 0;
  EXPECT_TRUE(node.GetUserPropFloat("WEIGHT", w));
  EXPECT_EQ(w, 0.1f);  // exact round trip
  int notInt = 0;
  EXPECT_FALSE(node.GetUserPropInt("Penwright_StyleName", notInt));
  EXPECT_FALSE(node.GetUserPropInt("missing", notInt));

  for (const char* bad : {"", "a=b", "two\nlines", " padded"}) EXPECT_FALSE(node.SetUserPropString(bad, "x")) << bad;
  EXPECT_FALSE(node.SetUserPropString("key", "line\rbreak"));
  EXPECT_EQ(node.UserProps().size(), 3u);

  // Changing a value keeps the key's first spelling and place.
  EXPECT_TRUE(node.SetUserPropInt("PENWRIGHT_STYLEOBJID", 8));
  EXPECT_EQ(node.UserProps()[0].key, "Penwright_StyleObjID");
  EXPECT_EQ(node.GetUserPropBuffer(),
            "Penwright_StyleObjID = 8\r\nPenwright_StyleName = Hidden-line\r\nweight = 0.100000001\r\n");

  node.SetUserPropBuffer("a = 1\n\nno equals sign\r\n b=two words \nA = 3\n=orphan\n");
  ASSERT_EQ(node.UserProps().size(), 2u);
  EXPECT_TRUE(node.GetUserPropInt("a", id));
  EXPECT_EQ(id, 3);  // the later line wins
  std::string text;
  EXPECT_TRUE(node.GetUserPropString("b", text));
  EXPECT_EQ(text, "two words");
  EXPECT_TRUE(node.RemoveUserProp("A"));
  EXPECT_FALSE(node.UserPropExists("a"));
}

TEST(NodeAppData, ChunksAreFoundByClassSuperClassAndSubId) {
  INode node;
  const Class_ID owner(0x11, 0x22);
  node.AddAppDataChunk(owner, 0x100, 0, {1, 2, 3});
  node.AddAppDataChunk(owner, 0x100, 1, {4});
  node.AddAppDataChunk(owner, 0x100, 0, {9, 9});  // replaces
  ASSERT_NE(node.GetAppDataChunk(owner, 0x100, 0), nullptr);
  EXPECT_EQ(node.GetAppDataChunk(owner, 0x100, 0)->data, (std::vector<std::uint8_t>{9, 9}));
  EXPECT_EQ(node.GetAppDataChunk(owner, 0x101, 0), nullptr);
  EXPECT_EQ(node.GetAppDataChunk(Class_ID(0x11, 0x23), 0x100, 0), nullptr);
  EXPECT_TRUE(node.RemoveAppDataChunk(owner, 0x100, 1));
  EXPECT_FALSE(node.RemoveAppDataChunk(owner, 0x100, 1));
  EXPECT_EQ(node.AppData().size(), 1u);
}

// ---- Cameras and targets ---------------------------------------------------------------

TEST(TargetCamera, LooksAtItsTargetAndReportsTheTargetTransform) {
  Scene scene;
  auto* cam = new GenCamera(true);
  INode* camera = AddNode(scene, "camera", nullptr, cam);
  INode* target = AddNode(scene, "camera.target");
  camera->TMController().SetValue(TransMatrix({0, -10, 0}));
  target->TMController().SetValue(TransMatrix({0, 0, 0}));
  ASSERT_TRUE(camera->SetTarget(target));
  EXPECT_FALSE(camera->SetTarget(camera));

  Matrix3 tm;
  ASSERT_TRUE(camera->GetTargetTM(0, tm));
  ExpectNear(tm, target->GetNodeTM(0));
  EXPECT_EQ(cam->ClassID(), Class_ID(0x1002, 0));

  // The camera looks down its -Z: towards the target, with world +Z up.
  const Matrix3 camTM = camera->GetNodeTM(0);
  ExpectNear(-camTM[2], {0, 1, 0});
  ExpectNear(camTM[1], {0, 0, 1});
  ExpectNear(camTM[0], {1, 0, 0});
  ExpectNear(camTM.GetTrans(), {0, -10, 0});

  // Moving the target turns the camera.
  target->TMController().SetValue(TransMatrix({10, -10, 0}));
  ExpectNear(-camera->GetNodeTM(0)[2], {1, 0, 0});
  // Straight down: world +Y becomes up.
  target->TMController().SetValue(TransMatrix({0, -10, -5}));
  ExpectNear(-camera->GetNodeTM(0)[2], {0, 0, -1});
  ExpectNear(camera->GetNodeTM(0)[1], {0, 1, 0});

  // Two nodes targeting each other still evaluate.
  ASSERT_TRUE(target->SetTarget(camera));
  ExpectNear(camera->GetNodeTM(0).GetTrans(), {0, -10, 0});

  INode* free = AddNode(scene, "free", nullptr, new GenCamera(false));
  EXPECT_FALSE(free->GetTargetTM(0, tm));
}

TEST(Camera, StateCarriesEveryFieldAndClampsTheImpossible) {
  GenCamera cam;
  cam.SetOrtho(true);
  cam.SetManualClip(true);
  cam.SetFOV(0, 1.0f);
  cam.SetTDist(0, 42.0f);
  cam.SetClipDist(0, 2.0f, 300.0f);
  cam.SetEnvRange(0, 5.0f, 50.0f);
  CameraState cs;
  Interval valid = FOREVER;
  ASSERT_TRUE(cam.EvalCameraState(0, valid, &cs));
  const CameraState expected{true, 1.0f, 42.0f, true, 2.0f, 300.0f, 5.0f, 50.0f};
  EXPECT_EQ(cs, expected);
  EXPECT_EQ(valid, FOREVER);

  cam.FOVTrack().SetKey(0, 0.5f);
  cam.FOVTrack().SetKey(100, 1.5f);
  valid = FOREVER;
  cam.EvalCameraState(50, valid, &cs);
  EXPECT_NEAR(cs.fov, 1.0f, kEps);
  EXPECT_EQ(valid, Interval(50, 50));

  cam.SetFOV(200, 4.0f);  // more than half a turn
  cam.SetTDist(0, -3.0f);
  cam.EvalCameraState(200, valid, &cs);
  EXPECT_LT(cs.fov, kPi);
  EXPECT_EQ(cs.tdist, 0.0f);
}

// ---- Modifier stacks ---------------------------------------------------------------------

TEST(ModifierStack, EvalWorldStateAppliesEnabledModifiersBottomUp) {
  Scene scene;
  auto* base = new TriObject(scenetest::Triangle());
  INode* node = AddNode(scene, "n", nullptr, base);
  auto* scale = new ShiftModifier();
  scale->scale = 2.0f;
  auto* shift = new ShiftModifier();
  shift->offset = {10, 0, 0};
  // Added in turn on top: the stack is shift (top) over scale.
  ASSERT_NE(AddModifierToNode(node, scale), nullptr);
  DerivedObject* stack = AddModifierToNode(node, shift);
  ASSERT_NE(stack, nullptr);
  EXPECT_EQ(node->GetObjectRef(), stack);
  EXPECT_EQ(stack->GetObjRef(), base);
  EXPECT_EQ(stack->FindBaseObject(), base);
  ASSERT_EQ(stack->NumModifiers(), 2);
  EXPECT_EQ(stack->GetModifier(0), shift);

  struct Case {
    const char* what;
    bool scaleOn, shiftOn, shiftInRender;
    Point3 vertex1;  // the base's (1, 0, 0)
  } cases[] = {
      {"both: scaled first, then shifted", true, true, true, {12, 0, 0}},
      {"shift disabled", true, false, true, {2, 0, 0}},
      {"shift off for rendering", true, true, false, {2, 0, 0}},
      {"scale disabled", false, true, true, {11, 0, 0}},
  };
  for (const Case& c : cases) {
    c.scaleOn ? scale->EnableMod() : scale->DisableMod();
    c.shiftOn ? shift->EnableMod() : shift->DisableMod();
    c.shiftInRender ? shift->EnableModInRender() : shift->DisableModInRender();
    ObjectState os = node->EvalWorldState(0);
    auto* tri = dynamic_cast<TriObject*>(os.obj);
    ASSERT_NE(tri, nullptr) << c.what;
    EXPECT_NE(tri, base) << c.what;
    EXPECT_EQ(os.obj->SuperClassID(), GEOMOBJECT_CLASS_ID) << c.what;
    ExpectNear(tri->mesh.getVert(1), c.vertex1);
    EXPECT_EQ(base->mesh.getVert(1), Point3(1, 0, 0)) << c.what << ": the base must not change";
  }
  // The evaluated object is reused, so earlier states stay valid.
  scale->EnableMod();
  shift->EnableMod();
  shift->EnableModInRender();
  Object* first = node->EvalWorldState(0).obj;
  EXPECT_EQ(node->EvalWorldState(0).obj, first);

  // Local data lives per stack.
  auto* data = static_cast<scenetest::ShiftData*>(stack->GetModContext(0)->localData);
  ASSERT_NE(data, nullptr);
  EXPECT_GE(data->runs, 2);

  // With every modifier off the base itself comes through.
  scale->DisableMod();
  shift->DisableMod();
  EXPECT_EQ(node->EvalWorldState(0).obj, base);

  EXPECT_TRUE(stack->DeleteModifier(0));
  EXPECT_EQ(stack->NumModifiers(), 1);
  EXPECT_EQ(stack->GetModifier(0), scale);
  EXPECT_FALSE(stack->DeleteModifier(3));
}

// A modifier that hands the stack another object: a new one of its own
// making (kept by the stack), or the stack's input (refused: the stack must
// never hand out or change the base object).
class SwapModifier : public Modifier {
 public:
  bool makeNew = true;
  Class_ID ClassID() const override { return Class_ID(0x7E570003, 1); }
  void ModifyObject(TimeValue, ModContext&, ObjectState& os, INode* node) override {
    if (makeNew) {
      Mesh m = scenetest::Triangle();
      m.setVert(0, {7, 7, 7});
      os.obj = new TriObject(m);
    } else {
      os.obj = node->GetObjectRef()->FindBaseObject();
    }
  }
};

TEST(ModifierStack, AnObjectAModifierMakesBelongsToTheStack) {
  Scene scene;
  auto* base = new TriObject(scenetest::Triangle());
  INode* node = AddNode(scene, "n", nullptr, base);
  auto* swap = new SwapModifier();
  auto* lift = new ShiftModifier();
  lift->offset = {0, 0, 1};
  AddModifierToNode(node, swap);
  AddModifierToNode(node, lift);  // applied after the swap

  Object* made = node->EvalWorldState(0).obj;
  ASSERT_NE(made, base);
  ExpectNear(static_cast<TriObject*>(made)->mesh.getVert(0), {7, 7, 8});
  // A second evaluation replaces the stack's object; the first is freed
  // (the sanitizer build would catch a leak or a double free).
  ExpectNear(static_cast<TriObject*>(node->EvalWorldState(0).obj)->mesh.getVert(0), {7, 7, 8});

  swap->makeNew = false;
  ObjectState os = node->EvalWorldState(0);
  EXPECT_NE(os.obj, base);
  EXPECT_EQ(base->mesh.getVert(0), Point3(0, 0, 0));
  ExpectNear(static_cast<TriObject*>(os.obj)->mesh.getVert(0), {0, 0, 1});
}

TEST(ModifierStack, ANodeWithoutAnObjectEvaluatesToNothing) {
  Scene scene;
  INode* node = AddNode(scene, "empty");
  EXPECT_EQ(node->EvalWorldState(0).obj, nullptr);
  auto* mod = new ShiftModifier();
  EXPECT_EQ(AddModifierToNode(node, mod), nullptr);
  mod->DeleteThis();
  INode* helper = AddNode(scene, "helper", nullptr, new DummyObject());
  EXPECT_EQ(helper->EvalWorldState(0).obj->SuperClassID(), HELPER_CLASS_ID);
  EXPECT_FALSE(helper->EvalWorldState(0).obj->IsRenderable());
}

// ---- Scene files ---------------------------------------------------------------------------

class SceneFileRoundTrip : public ::testing::Test {
 protected:
  SceneFileRoundTrip() {
    RegisterHostClasses(registry);
    registry.Register(&shiftDesc);
  }
  ClassRegistry registry;
  scenetest::ShiftModifierDesc shiftDesc;
};

Mesh QuadWithMaps() {
  Mesh m;
  m.setNumVerts(4);
  m.setVert(0, {0, 0, 0});
  m.setVert(1, {1, 0, 0});
  m.setVert(2, {1, 1, 0});
  m.setVert(3, {0, 1, 0});
  m.setNumFaces(2);
  m.faces()[0].setVerts(0, 1, 2);
  m.faces()[0].setMatID(0);
  m.faces()[0].setEdgeVisFlags(true, true, false);
  m.faces()[1].setVerts(0, 2, 3);
  m.faces()[1].setMatID(1);
  m.faces()[1].setEdgeVisFlags(false, true, true);
  m.faces()[1].setSmGroup(0xDEADBEEF);
  m.setMapSupport(1);
  m.setNumMapVerts(1, 4);
  for (int i = 0; i < 4; ++i) m.mapVerts(1)[i] = m.getVert(i);
  for (int f = 0; f < 2; ++f)
    m.mapFaces(1)[f].setTVerts(m.faces()[f].v[0], m.faces()[f].v[1], m.faces()[f].v[2]);
  m.setVDataSupport(VDATA_ALPHA);
  m.vertexFloat(VDATA_ALPHA)[3] = 0.5f;
  m.edgeSel().Set(1);
  return m;
}

TEST_F(SceneFileRoundTrip, EverythingComesBackAndSharedMaterialsStayShared) {
  Scene scene;
  SceneRoot* root = scene.Root();
  ASSERT_TRUE(root->SetFrameRate(25));
  root->backgroundColor = Color(0.1f, 0.2f, 0.3f);
  root->ambientLight = Color(0.05f, 0.05f, 0.05f);
  root->activeCamera = "camera";
  DefaultLight key;
  key.ls.type = DIRECT_LGT;
  key.ls.color = Color(1, 0.9f, 0.8f);
  key.tm = TransMatrix({1, 2, 3});
  DefaultLight fill;
  fill.tm = kCameraAttachedLightTM;
  root->defaultLights = {key, fill};
  auto* env = new BitmapTex();
  env->SetMapName("sky.png");
  env->SetUVWSource(UVWSRC_SCREEN);
  root->SetEnvironmentMap(env);

  // Materials: a multi-material whose second slot is a Standard material with
  // a bitmap, shared by two nodes.
  auto* red = new StdMat();
  red->SetName("red");
  red->SetDiffuse(Color(1, 0, 0), 0);
  red->SetTwoSided(true);
  auto* textured = new StdMat();
  textured->SetName("textured");
  auto* bitmap = new BitmapTex();
  bitmap->SetMapName("wood.png");
  bitmap->SetMapChannel(2);
  bitmap->SetTiling(2, 3);
  bitmap->SetOffset(0.5f, 0.25f);
  textured->SetSubTexmap(ID_DI, bitmap);
  textured->SetTexmapAmt(ID_DI, 0.75f, 0);
  textured->EnableMap(ID_BU, false);
  textured->SetOpacity(0.5f, 0);
  auto* multi = new MultiMtl();
  multi->SetName("multi");
  multi->AddSubMtl(red, "Paint");
  multi->AddSubMtl(textured, "Wood");

  auto* mesh = new TriObject(QuadWithMaps());
  INode* a = scene.CreateNode("a", mesh);
  INode* b = scene.CreateNode("b", mesh, a);  // the same object, instanced
  a->SetMtl(multi);
  b->SetMtl(multi);
  a->TMController().Position().SetKey(0, {0, 0, 0});
  a->TMController().Position().SetKey(FrameToTime(10), {5, 0, 0});
  a->TMController().Rotation().SetValue(0, QuatFromAxisAngle({0, 0, 1}, 0.5f));
  b->TMController().SetValue(TransMatrix({0, 1, 0}));
  b->SetObjOffsetPos({0, 0, 2});
  b->SetObjOffsetScale({2, 2, 2});
  b->VisibilityTrack().SetKey(0, 0.25f);
  b->SetWireColor(0x00102030);
  b->Hide(true);
  b->Select(true);
  b->SetRenderable(false);
  b->SetUserPropInt("Penwright_PropertiesVersion", 1);
  b->SetUserPropString("Penwright_StyleName", "Hidden-line");
  b->AddAppDataChunk(Class_ID(0xAB, 0xCD), 0x100, 3, {0, 1, 2, 255});
  auto* shift = new ShiftModifier();
  shift->offset = {0, 0, 1};
  shift->SetName("Lift");
  DerivedObject* stack = AddModifierToNode(a, shift);
  ASSERT_NE(stack, nullptr);
  a->EvalWorldState(0);  // gives the modifier local data to save
  shift->DisableModInRender();

  auto* cam = new GenCamera(true);
  cam->SetFOV(0, 0.7f);
  INode* camera = scene.CreateNode("camera", cam);
  INode* target = scene.CreateNode("camera.target");
  target->TMController().SetValue(TransMatrix({3, 3, 0}));
  camera->TMController().SetValue(TransMatrix({0, -10, 4}));
  camera->SetTarget(target);
  auto* spot = new GenLight(SPOT_LGT);
  spot->SetFallsize(0, 30.0f);
  spot->SetHotspot(0, 20.0f);
  spot->SetRGBColor(0, Color(0.5f, 0.5f, 1.0f));
  spot->SetSpotShape(RECT_LIGHT);
  scene.CreateNode("spot", spot);

  const SceneSaveResult saved = scene.SaveToBytes();
  ASSERT_TRUE(saved.ok()) << saved.error;
  FrameRate::SetFramesPerSecond(30);
  Scene loaded;
  std::string error;
  ASSERT_TRUE(Scene::LoadFromBytes(saved.bytes, registry, &loaded, &error)) << error;
  EXPECT_EQ(FrameRate::FramesPerSecond(), 25);  // the scene's rate is current
  FrameRate::SetFramesPerSecond(30);

  SceneRoot* r = loaded.Root();
  EXPECT_EQ(r->GetFrameRate(), 25);
  EXPECT_EQ(r->backgroundColor, Color(0.1f, 0.2f, 0.3f));
  EXPECT_EQ(r->ambientLight, Color(0.05f, 0.05f, 0.05f));
  EXPECT_EQ(r->defaultLights, root->defaultLights);
  ASSERT_NE(r->GetEnvironmentMap(), nullptr);
  EXPECT_EQ(static_cast<BitmapTex*>(r->GetEnvironmentMap())->GetUVWSource(), UVWSRC_SCREEN);
  ASSERT_EQ(r->NumberOfChildren(), 4);

  INode* la = FindNodeByName(r, "a");
  INode* lb = FindNodeByName(r, "b");
  INode* lcam = loaded.ActiveCameraNode();
  ASSERT_TRUE(la && lb && lcam);
  EXPECT_EQ(lb->GetParentNode(), la);
  EXPECT_EQ(la->GetParentNode(), r);
  for (TimeValue t : {0, FrameToTime(5), FrameToTime(10)}) {
    ExpectNear(la->GetNodeTM(t), a->GetNodeTM(t));
    ExpectNear(lb->GetObjectTM(t), b->GetObjectTM(t));
  }
  EXPECT_EQ(lb->GetVisibility(0), 0.25f);
  EXPECT_EQ(lb->GetWireColor(), 0x00102030u);
  EXPECT_TRUE(lb->IsNodeHidden());
  EXPECT_TRUE(lb->Selected());
  EXPECT_FALSE(lb->Renderable());
  EXPECT_EQ(lb->UserProps(), b->UserProps());
  EXPECT_EQ(lb->AppData(), b->AppData());

  // Materials: one multi-material object serves both nodes.
  ASSERT_NE(la->GetMtl(), nullptr);
  EXPECT_EQ(la->GetMtl(), lb->GetMtl());
  auto* lmulti = dynamic_cast<MultiMtl*>(la->GetMtl());
  ASSERT_NE(lmulti, nullptr);
  EXPECT_EQ(lmulti->GetName(), "multi");
  ASSERT_EQ(lmulti->NumSubMtls(), 2);
  EXPECT_EQ(lmulti->GetSubMtlSlotName(0), "Paint");
  EXPECT_EQ(lmulti->GetSubMtlSlotName(1), "Wood");
  EXPECT_EQ(lmulti->GetDiffuse(0), Color(1, 0, 0));
  EXPECT_EQ(lmulti->GetDiffuse(2), Color(1, 0, 0));  // ids wrap around the slots
  EXPECT_EQ(lmulti->Requirements(0) & MTLREQ_2SIDE, MTLREQ_2SIDE);
  auto* ltextured = dynamic_cast<StdMat*>(lmulti->GetSubMtl(1));
  ASSERT_NE(ltextured, nullptr);
  EXPECT_EQ(ltextured->GetName(), "textured");
  EXPECT_EQ(ltextured->GetOpacity(0), 0.5f);
  EXPECT_EQ(ltextured->GetTexmapAmt(ID_DI, 0), 0.75f);
  EXPECT_FALSE(ltextured->MapEnabled(ID_BU));
  EXPECT_TRUE(ltextured->MapEnabled(ID_DI));
  ASSERT_NE(ltextured->GetShader(), nullptr);
  auto* lbitmap = dynamic_cast<BitmapTex*>(ltextured->GetSubTexmap(ID_DI));
  ASSERT_NE(lbitmap, nullptr);
  EXPECT_EQ(lbitmap->GetMapName(), "wood.png");
  EXPECT_EQ(lbitmap->GetMapChannel(), 2);
  EXPECT_EQ(lbitmap->GetUTiling(), 2.0f);
  EXPECT_EQ(lbitmap->GetVOffset(), 0.25f);

  // Geometry: the instanced object is shared, the stack kept its modifier.
  auto* lstack = dynamic_cast<DerivedObject*>(la->GetObjectRef());
  ASSERT_NE(lstack, nullptr);
  EXPECT_EQ(lstack->GetObjRef(), lb->GetObjectRef());
  auto* lmesh = dynamic_cast<TriObject*>(lb->GetObjectRef());
  ASSERT_NE(lmesh, nullptr);
  EXPECT_TRUE(lmesh->mesh == QuadWithMaps());
  ASSERT_EQ(lstack->NumModifiers(), 1);
  auto* lshift = dynamic_cast<ShiftModifier*>(lstack->GetModifier(0));
  ASSERT_NE(lshift, nullptr);
  EXPECT_EQ(lshift->GetName(), "Lift");
  EXPECT_TRUE(lshift->IsEnabled());
  EXPECT_FALSE(lshift->IsEnabledInRender());
  EXPECT_EQ(lshift->offset, Point3(0, 0, 1));
  auto* ldata = dynamic_cast<scenetest::ShiftData*>(lstack->GetModContext(0)->localData);
  ASSERT_NE(ldata, nullptr);
  EXPECT_EQ(ldata->runs, 1);

  // Camera and light.
  Matrix3 tm;
  ASSERT_TRUE(lcam->GetTargetTM(0, tm));
  ExpectNear(tm.GetTrans(), {3, 3, 0});
  ExpectNear(lcam->GetNodeTM(0), camera->GetNodeTM(0));
  EXPECT_EQ(lcam->GetObjectRef()->ClassID(), Class_ID(0x1002, 0));
  CameraState cs;
  Interval valid = FOREVER;
  ASSERT_TRUE(static_cast<CameraObject*>(lcam->GetObjectRef())->EvalCameraState(0, valid, &cs));
  EXPECT_EQ(cs.fov, 0.7f);
  auto* lspot = dynamic_cast<GenLight*>(FindNodeByName(r, "spot")->GetObjectRef());
  ASSERT_NE(lspot, nullptr);
  LightState ls, expected;
  lspot->EvalLightState(0, valid, &ls);
  spot->EvalLightState(0, valid, &expected);
  EXPECT_EQ(ls, expected);

  // Saving the loaded scene again gives the same bytes.
  EXPECT_EQ(loaded.SaveToBytes().bytes, saved.bytes);
}

TEST_F(SceneFileRoundTrip, ACorruptMeshFailsTheLoadWithAMessage) {
  Scene scene;
  scene.CreateNode("quad", new TriObject(QuadWithMaps()));
  std::vector<std::uint8_t> bytes = scene.SaveToBytes().bytes;
  // Face 1 is (0, 2, 3) with smoothing group 0xDEADBEEF: point its last
  // vertex past the end.
  const std::uint8_t marker[4] = {0xEF, 0xBE, 0xAD, 0xDE};
  auto it = std::search(bytes.begin(), bytes.end(), marker, marker + 4);
  ASSERT_NE(it, bytes.end());
  it[-4] = 9;
  Scene loaded;
  SceneRoot* before = loaded.Root();
  std::string error;
  EXPECT_FALSE(Scene::LoadFromBytes(bytes, registry, &loaded, &error));
  EXPECT_NE(error.find("uses vertex 9 of 4"), std::string::npos) << error;
  EXPECT_EQ(loaded.Root(), before);
}

TEST_F(SceneFileRoundTrip, AFileWhoseRootIsNoSceneIsRefused) {
  auto* node = new INode("lonely");
  RefHolder hold(node);
  const SceneSaveResult saved = SaveSceneToBytes(node);
  ASSERT_TRUE(saved.ok());
  Scene loaded;
  std::string error;
  EXPECT_FALSE(Scene::LoadFromBytes(saved.bytes, registry, &loaded, &error));
  EXPECT_NE(error.find("not a scene"), std::string::npos) << error;
}

// Damage a file could carry: a node listed under two parents, and a node
// under its own descendant. The loaded tree is a tree again.
TEST_F(SceneFileRoundTrip, ADamagedNodeTreeIsRepairedOnLoad) {
  Scene scene;
  INode* a = scene.CreateNode("a");
  INode* b = scene.CreateNode("b", nullptr, a);
  INode* c = scene.CreateNode("c", nullptr, b);
  INode* d = scene.CreateNode("d");
  INode* e = scene.CreateNode("e", nullptr, d);
  // d's child slot now also points at b (b under a and under d), and b's
  // slot points back at a (a cycle a -> b -> a). Reference slots: object,
  // material, then children.
  d->ReplaceReference(2, b);  // e is released
  b->ReplaceReference(2, a);  // c is released
  (void)c;
  (void)e;
  const SceneSaveResult saved = scene.SaveToBytes();
  ASSERT_TRUE(saved.ok());
  // Break the cycle in memory so the damaged scene can be freed.
  b->ReplaceReference(2, nullptr);

  Scene loaded;
  std::string error;
  ASSERT_TRUE(Scene::LoadFromBytes(saved.bytes, registry, &loaded, &error)) << error;
  SceneRoot* r = loaded.Root();
  INode* la = FindNodeByName(r, "a");
  INode* lb = FindNodeByName(r, "b");
  INode* ld = FindNodeByName(r, "d");
  ASSERT_TRUE(la && lb && ld);
  EXPECT_EQ(la->GetParentNode(), r);
  EXPECT_EQ(lb->GetParentNode(), la);
  EXPECT_EQ(lb->NumberOfChildren(), 0);  // the slot pointing back at a is gone
  EXPECT_EQ(ld->NumberOfChildren(), 0);  // b stays with its first parent only
  // Every node's children point back at it.
  std::vector<INode*> stack{r};
  int count = 0;
  while (!stack.empty()) {
    INode* n = stack.back();
    stack.pop_back();
    ++count;
    for (int i = 0; i < n->NumberOfChildren(); ++i) {
      EXPECT_EQ(n->GetChildNode(i)->GetParentNode(), n);
      stack.push_back(n->GetChildNode(i));
    }
  }
  EXPECT_EQ(count, 4);
}

}  // namespace
