#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "plugin/class_ids.h"
#include "surfaces/gradient.h"
#include "surfaces_fixture.h"

using namespace pw;
using host::Color;
using host::RefHolder;

namespace {

GradientKey Key(float grey, float position, int ref = 0) { return {grey, grey, grey, position, ref}; }

PwGradient* NewGradient(RefHolder& holder) {
  auto* g = new PwGradient();
  holder.reset(g);
  return g;
}

void Update(PwGradient* g, host::TimeValue t = 0) {
  host::Interval valid = host::FOREVER;
  g->Update(t, valid);
}

// Two keys: black at 0.2 and white at 0.8.
PwGradient* BlackToWhite(RefHolder& holder) {
  PwGradient* g = NewGradient(holder);
  g->SetSingleColour(Color::Black());
  g->KeyInSlot(0)->SetPosition(0, 0.2f);
  g->AddKey(new PwGradientColor(false, Color::White(), 0.8f));
  Update(g);
  return g;
}

}  // namespace

TEST(GradientEval, TwoKeys) {
  const std::vector<GradientKey> keys = {Key(0, 0.2f), Key(1, 0.8f)};
  struct Case {
    float x;
    float grey;
  } cases[] = {{0.5f, 0.5f}, {0.1f, 0.0f}, {0.9f, 1.0f}, {0.2f, 0.0f}, {0.8f, 1.0f}, {0.35f, 0.25f},
               {-3.0f, 0.0f}, {3.0f, 1.0f}};
  for (const Case& c : cases) {
    const Color got = EvaluateGradient(keys, c.x);
    EXPECT_NEAR(got.r, c.grey, 1e-6) << c.x;
    EXPECT_EQ(got.r, got.g);
  }
}

TEST(GradientEval, OneKeyEverywhere) {
  const std::vector<GradientKey> keys = {{0.1f, 0.2f, 0.3f, 0.7f, 0}};
  for (float x : {-1.0f, 0.0f, 0.5f, 0.7f, 1.0f, 2.0f}) EXPECT_EQ(EvaluateGradient(keys, x), Color(0.1f, 0.2f, 0.3f));
}

TEST(GradientEval, EmptyTableAndNotANumberGiveBlack) {
  EXPECT_EQ(EvaluateGradient({}, 0.5f), Color::Black());
  const std::vector<GradientKey> keys = {Key(0.5f, 0.2f), Key(1, 0.8f)};
  EXPECT_EQ(EvaluateGradient(keys, std::nanf("")), Color::Black());
}

TEST(GradientEval, EqualPositionsMakeASharpJump) {
  std::vector<GradientKey> keys = {Key(1, 0.5f, 1), Key(0.25f, 0.5f, 0)};
  SortGradientKeys(keys);
  const float first = keys.front().r, last = keys.back().r;
  EXPECT_EQ(EvaluateGradient(keys, 0.49f).r, first);
  EXPECT_EQ(EvaluateGradient(keys, 0.5f).r, first);
  EXPECT_EQ(EvaluateGradient(keys, 0.51f).r, last);
  // In the middle of a table too: the jump stays sharp and nothing divides by zero.
  keys = {Key(0, 0.0f), Key(0.2f, 0.5f), Key(0.8f, 0.5f), Key(1, 1.0f)};
  EXPECT_NEAR(EvaluateGradient(keys, 0.5f).r, 0.2f, 1e-6);
  EXPECT_NEAR(EvaluateGradient(keys, 0.5001f).r, 0.8f, 1e-3);
  EXPECT_NEAR(EvaluateGradient(keys, 0.4999f).r, 0.2f, 1e-3);
}

TEST(GradientEval, SortOrdersByPosition) {
  std::vector<GradientKey> keys = {Key(0, 0.9f, 0), Key(0, 0.1f, 1), Key(0, 0.5f, 2), Key(0, -0.2f, 3)};
  SortGradientKeys(keys);
  std::vector<int> refs;
  for (const GradientKey& k : keys) refs.push_back(k.ref);
  EXPECT_EQ(refs, (std::vector<int>{3, 1, 2, 0}));
}

TEST(Gradient, NewGradientIsOneWhiteKey) {
  RefHolder h;
  PwGradient* g = NewGradient(h);
  EXPECT_EQ(g->GetClassName(), "Gradient");
  EXPECT_EQ(g->ClassID(), PW_GRADIENT_CLASS_ID);
  EXPECT_EQ(g->KeyCount(), 1);
  EXPECT_EQ(g->NumRefs(), 1);
  EXPECT_EQ(g->SubAnimName(0), "Key Color");
  Update(g);
  ASSERT_EQ(g->KeyTable().size(), 1u);
  EXPECT_EQ(g->KeyTable()[0].position, 0.5f);
  for (float x : {0.0f, 0.5f, 1.0f}) EXPECT_EQ(g->Evaluate(x), Color::White());
  EXPECT_EQ(g->KeyAt(0), g->KeyInSlot(0));
  EXPECT_EQ(g->KeyAt(1), nullptr);
  EXPECT_EQ(g->KeyInSlot(0)->GetClassName(), "GradientColor");
}

TEST(Gradient, EvaluatesItsKeys) {
  RefHolder h;
  PwGradient* g = BlackToWhite(h);
  EXPECT_NEAR(g->Evaluate(0.5f).r, 0.5f, 1e-6);
  EXPECT_EQ(g->Evaluate(0.1f), Color::Black());
  EXPECT_EQ(g->Evaluate(0.9f), Color::White());
}

TEST(Gradient, KeysFillTheFirstEmptySlot) {
  RefHolder h;
  PwGradient* g = NewGradient(h);
  EXPECT_EQ(g->AddKey(new PwGradientColor(false, Color(1, 0, 0), 0.1f)), 1);
  EXPECT_EQ(g->AddKey(new PwGradientColor(false, Color(0, 1, 0), 0.9f)), 2);
  EXPECT_EQ(g->NumRefs(), 3);
  EXPECT_TRUE(g->RemoveKey(1));
  EXPECT_FALSE(g->RemoveKey(1));
  EXPECT_FALSE(g->RemoveKey(-1));
  EXPECT_FALSE(g->RemoveKey(PwGradient::kMaxKeys));
  EXPECT_EQ(g->KeyCount(), 2);
  EXPECT_EQ(g->NumRefs(), 3);
  EXPECT_EQ(g->SubAnimName(1), "");
  EXPECT_EQ(g->AddKey(new PwGradientColor(false, Color(0, 0, 1), 0.3f)), 1);
  EXPECT_TRUE(g->RemoveKey(2));
  EXPECT_EQ(g->NumRefs(), 2) << "the count follows the highest slot in use";
  EXPECT_EQ(g->AddKey(nullptr), -1);
}

TEST(Gradient, AtMostAHundredKeys) {
  RefHolder h;
  PwGradient* g = NewGradient(h);
  for (int i = 1; i < PwGradient::kMaxKeys; ++i)
    ASSERT_EQ(g->AddKey(new PwGradientColor(false, Color::Black(), i / 100.0f)), i);
  EXPECT_EQ(g->KeyCount(), 100);
  RefHolder extra(new PwGradientColor());
  EXPECT_EQ(g->AddKey(static_cast<PwGradientColor*>(extra.get())), -1);
  EXPECT_NE(extra.get(), nullptr) << "a key someone else holds survives the refusal";
  Update(g);
  EXPECT_EQ(g->KeyTable().size(), 100u);
}

TEST(Gradient, SetSingleColourKeepsTheFirstKey) {
  RefHolder h;
  PwGradient* g = BlackToWhite(h);
  g->RemoveKey(0);
  g->AddKey(new PwGradientColor(false, Color(0, 1, 0), 0.9f));  // slot 0 again
  g->AddKey(new PwGradientColor(false, Color(0, 0, 1), 0.4f));
  PwGradientColor* first = g->KeyInSlot(0);
  g->SetSingleColour(Color(0.5f, 0.5f, 0.5f));
  EXPECT_EQ(g->KeyCount(), 1);
  EXPECT_EQ(g->KeyInSlot(0), first);
  EXPECT_EQ(g->NumRefs(), 1);
  Update(g);
  EXPECT_EQ(g->KeyTable()[0].position, 0.5f);
  EXPECT_EQ(g->Evaluate(0.0f), Color(0.5f, 0.5f, 0.5f));
}

TEST(Gradient, SetSingleColourOnAnEmptyGradientMakesAKey) {
  RefHolder h;
  PwGradient* g = NewGradient(h);
  g->RemoveKey(0);
  Update(g);
  EXPECT_EQ(g->Evaluate(0.5f), Color::Black());
  g->SetSingleColour(Color(1, 0, 0));
  EXPECT_EQ(g->KeyCount(), 1);
  Update(g);
  EXPECT_EQ(g->Evaluate(0.5f), Color(1, 0, 0));
}

TEST(Gradient, ValidityFollowsKeysAndChanges) {
  RefHolder h;
  PwGradient* g = BlackToWhite(h);
  EXPECT_EQ(g->Validity(), host::FOREVER);
  // A key changing on its own empties the cache, and the next update sees it.
  g->KeyInSlot(1)->SetColor(0, Color(1, 0, 0));
  EXPECT_TRUE(g->Validity().Empty());
  Update(g);
  EXPECT_EQ(g->Evaluate(1.0f), Color(1, 0, 0));
  // An animated key narrows the validity to the instant.
  g->KeyInSlot(1)->ParamBlock()->SetKey(kGradientColorPosition, 0, 0.8f);
  g->KeyInSlot(1)->ParamBlock()->SetKey(kGradientColorPosition, 100, 0.4f);
  host::Interval valid = host::FOREVER;
  g->Update(50, valid);
  EXPECT_EQ(valid, host::Interval(50, 50));
  EXPECT_FLOAT_EQ(g->KeyTable().back().position, 0.6f);
  // A time outside the cached validity rebuilds.
  valid = host::FOREVER;
  g->Update(100, valid);
  EXPECT_FLOAT_EQ(g->KeyTable().back().position, 0.4f);
}

TEST(Gradient, CloneCopiesKeysIntoTheSameSlots) {
  RefHolder h, hc;
  PwGradient* g = BlackToWhite(h);
  g->RemoveKey(0);
  auto* c = dynamic_cast<PwGradient*>(g->Clone());
  ASSERT_NE(c, nullptr);
  hc.reset(c);
  EXPECT_EQ(c->KeyInSlot(0), nullptr);
  ASSERT_NE(c->KeyInSlot(1), nullptr);
  EXPECT_NE(c->KeyInSlot(1), g->KeyInSlot(1));
  c->KeyInSlot(1)->SetColor(0, Color(0, 0, 1));
  Update(g);
  Update(c);
  EXPECT_EQ(g->Evaluate(1.0f), Color::White());
  EXPECT_EQ(c->Evaluate(1.0f), Color(0, 0, 1));
}

TEST(Gradient, SaveLoadKeepsSlots) {
  pwtest::SurfaceRegistry();
  RefHolder h, back;
  PwGradient* g = NewGradient(h);
  for (int i = 1; i <= 5; ++i) g->AddKey(new PwGradientColor(false, Color(i / 5.0f, 0, 0), i / 5.0f));
  for (int i = 1; i <= 4; ++i) g->RemoveKey(i);
  g->KeyInSlot(5)->ParamBlock()->SetKey(kGradientColorColor, 0, Color(0, 1, 0));
  g->KeyInSlot(5)->ParamBlock()->SetKey(kGradientColorColor, 100, Color(0, 0, 1));
  auto* r = dynamic_cast<PwGradient*>(pwtest::RoundTrip(g, back));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->NumRefs(), 6);
  EXPECT_EQ(r->KeyCount(), 2);
  EXPECT_NE(r->KeyInSlot(0), nullptr);
  EXPECT_EQ(r->KeyInSlot(3), nullptr);
  ASSERT_NE(r->KeyInSlot(5), nullptr);
  host::Interval valid = host::FOREVER;
  r->Update(50, valid);
  EXPECT_EQ(r->Evaluate(1.0f), Color(0, 0.5f, 0.5f));
  EXPECT_EQ(r->Evaluate(0.0f), Color::White());
  // Adding after a load follows the normal rule again.
  EXPECT_EQ(r->AddKey(new PwGradientColor()), 1);
}

TEST(Gradient, DamagedKeyCountIsRefused) {
  pwtest::SurfaceRegistry();
  RefHolder h, back;
  PwGradient* g = NewGradient(h);
  host::SceneSaveResult saved = host::SaveSceneToBytes(g);
  ASSERT_TRUE(saved.ok());
  // Chunk 101, size 10, value 1: make the value 101.
  const std::uint8_t pattern[] = {101, 0, 10, 0, 0, 0, 1, 0, 0, 0};
  auto& bytes = saved.bytes;
  auto at = std::search(bytes.begin(), bytes.end(), std::begin(pattern), std::end(pattern));
  ASSERT_NE(at, bytes.end());
  at[6] = 101;
  const std::string error = pwtest::LoadBytes(bytes, back);
  EXPECT_NE(error.find("101 key slots"), std::string::npos) << error;
}

TEST(GradientColor, BlockAndLoadRepair) {
  pwtest::SurfaceRegistry();
  RefHolder h(new PwGradientColor(false, Color(0.1f, 0.2f, 0.3f), 0.25f)), back;
  auto* k = static_cast<PwGradientColor*>(h.get());
  const host::ParamVersionDesc& l = GradientColorBlockLayout();
  ASSERT_EQ(l.count, 2);
  EXPECT_EQ(l.desc[0].type, host::TYPE_RGBA);
  EXPECT_EQ(l.desc[1].type, host::TYPE_PCNT_FRAC);
  auto* r = dynamic_cast<PwGradientColor*>(pwtest::RoundTrip(k, back));
  ASSERT_NE(r, nullptr);
  host::Interval valid = host::FOREVER;
  EXPECT_EQ(r->GetColor(0, valid), Color(0.1f, 0.2f, 0.3f));
  EXPECT_EQ(r->GetPosition(0, valid), 0.25f);
}
