#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "host/params/paramblock.h"
#include "host/params/paramblock_legacy.h"
#include "host/refs/scene_file.h"
#include "support/test_node.h"

using namespace host;
using pwtest::TestNode;

namespace {

constexpr Class_ID kOwnerClass{0x7E57B10C, 0x00000001};

// Ids deliberately differ from positions, so id/index mix-ups show.
enum : ParamID {
  kSize = 10,
  kTint = 11,
  kLabel = 12,
  kQuality = 13,
  kChildren = 14,
  kTarget = 15,
  kOrder = 16,
  kOn = 17,
  kOutput = 18,
};

const ParamBlockDesc2 kTestBlock(
    BlockSpec(0, "TestBlockParameters", kOwnerClass, REF_TARGET_CLASS_ID).AutoConstruct(0),
    {
        ParamDef(kSize, "testSize", TYPE_WORLD).Animatable().Default(2.5f).Range(0, 100).Ui("Size"),
        ParamDef(kTint, "testTint", TYPE_RGBA).Animatable().Default(Color(1, 0.5f, 0)),
        ParamDef(kLabel, "testLabel", TYPE_STRING).Default("hello"),
        ParamDef(kQuality, "testQuality", TYPE_INT).Default(3).Range(0, 4),
        ParamDef(kChildren, "testChildren", TYPE_REFTARG_TAB),
        ParamDef(kTarget, "testTarget", TYPE_REFTARG),
        ParamDef(kOrder, "testOrder", TYPE_INT_TAB).TableSize(2).Default(7),
        ParamDef(kOn, "testOn", TYPE_BOOL).Default(true),
        ParamDef(kOutput, "testOutput", TYPE_BITMAP).Default(PBBitmap{"out.png"}),
    });

constexpr TimeValue kT1 = 1000;
constexpr TimeValue kT2 = 3000;

class ParamBlockTest : public ::testing::Test {
 protected:
  ParamBlockTest() : holder_(CreateParameterBlock2(&kTestBlock)) {}
  void TearDown() override {
    holder_.reset();
    EXPECT_EQ(TestNode::live, 0) << "targets leaked or were freed twice";
  }
  IParamBlock2& pb() { return *static_cast<IParamBlock2*>(holder_.get()); }

  RefHolder holder_;
};

std::vector<std::uint8_t> SaveBytes(ReferenceMaker& maker) {
  MemorySave out;
  EXPECT_EQ(maker.Save(&out), IO_OK);
  EXPECT_TRUE(out.Balanced());
  return out.TakeBytes();
}

// Loads bytes into a fresh block of the given class; the error, "" on success.
template <class Block>
std::string LoadInto(Block& block, const std::vector<std::uint8_t>& bytes) {
  MemoryLoad in(bytes);
  const IOResult r = block.Load(&in);
  if (r == IO_OK && in.Error().empty()) return "";
  return in.Error().empty() ? "failed without a message" : in.Error();
}

// Loads every truncation of a saved block: a cut where a top-level chunk
// ends leaves a shorter but well-formed block, every other cut must fail with
// a message, and none may crash.
template <class Block>
void ExpectTruncationsFailUnlessBetweenChunks(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::size_t> ends;
  for (std::size_t at = 0; at + CHUNK_HEADER_SIZE <= bytes.size();) {
    std::uint32_t size = 0;
    std::memcpy(&size, &bytes[at + 2], sizeof size);
    at += size & ~CHUNK_CONTAINER_BIT;
    ends.push_back(at);
  }
  ASSERT_GT(ends.size(), 2u);
  for (std::size_t n = 1; n < bytes.size(); ++n) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    RefHolder holder(new Block());
    const std::string error = LoadInto(*static_cast<Block*>(holder.get()), cut);
    const bool between = std::find(ends.begin(), ends.end(), n) != ends.end();
    EXPECT_EQ(error.empty(), between) << "cut at " << n << " of " << bytes.size() << ": " << error;
  }
}

}  // namespace

// ---- Descriptors ------------------------------------------------------------

TEST(ParamBlockDescTest, SoundDeclarationIsRegisteredAndFoundByIdAndName) {
  EXPECT_TRUE(kTestBlock.Problems().empty()) << kTestBlock.Problems().front();
  EXPECT_EQ(ParamBlockDesc2::Find(REF_TARGET_CLASS_ID, kOwnerClass, 0), &kTestBlock);
  EXPECT_EQ(ParamBlockDesc2::Find(REF_TARGET_CLASS_ID, kOwnerClass, 1), nullptr);
  EXPECT_EQ(ParamBlockDesc2::Find(MATERIAL_CLASS_ID, kOwnerClass, 0), nullptr);
  EXPECT_EQ(kTestBlock.IdToIndex(kQuality), 3);
  EXPECT_EQ(kTestBlock.IndexToId(3), kQuality);
  EXPECT_EQ(kTestBlock.IdToIndex(99), -1);
  ASSERT_NE(kTestBlock.FindParamByName("testQuality"), nullptr);
  EXPECT_EQ(kTestBlock.FindParamByName("testQuality")->id, kQuality);
  EXPECT_EQ(kTestBlock.FindParamByName("TestQuality"), nullptr);
}

TEST(ParamBlockDescTest, FaultyDeclarationsAreReportedAndMadeSafe) {
  const Class_ID owner{0x7E57B10C, 0x000000F0};
  const ParamBlockDesc2 desc(BlockSpec(3, "Faulty", owner, REF_TARGET_CLASS_ID),
                             {
                                 ParamDef(0, "a", TYPE_FLOAT).Default("text"),
                                 ParamDef(0, "b", TYPE_INT),
                                 ParamDef(2, "a", TYPE_INT),
                                 ParamDef(3, "d", TYPE_STRING).Animatable(),
                                 ParamDef(4, "e", TYPE_FLOAT).Range(5, 1),
                                 ParamDef(5, "has space", TYPE_INT),
                                 ParamDef(6, "g", TYPE_INT).TableSize(3),
                                 ParamDef(7, "h", TYPE_FLOAT).Default(4),  // an int default for a float is fine
                             });
  EXPECT_EQ(desc.Problems().size(), 7u);
  EXPECT_EQ(std::get<float>(desc.Param(0).defaultValue), 0.0f);
  EXPECT_FALSE(desc.Param(3).animatable);
  EXPECT_FALSE(desc.Param(4).hasRange);
  EXPECT_EQ(std::get<float>(desc.Param(7).defaultValue), 4.0f);
  // A faulty descriptor still makes a block that works.
  RefHolder holder(CreateParameterBlock2(&desc));
  auto& pb = *static_cast<IParamBlock2*>(holder.get());
  EXPECT_EQ(pb.Count(6), 1);
  EXPECT_TRUE(pb.SetValue(7, 0, 1.5f));
}

TEST(ParamBlockDescTest, DescriptorLeavesTheRegistryWhenDestroyed) {
  const Class_ID owner{0x7E57B10C, 0x000000F1};
  {
    const ParamBlockDesc2 desc(BlockSpec(0, "Scoped", owner, REF_TARGET_CLASS_ID), {});
    EXPECT_EQ(ParamBlockDesc2::Find(REF_TARGET_CLASS_ID, owner, 0), &desc);
    {
      const ParamBlockDesc2 newer(BlockSpec(0, "Newer", owner, REF_TARGET_CLASS_ID), {});
      EXPECT_EQ(ParamBlockDesc2::Find(REF_TARGET_CLASS_ID, owner, 0), &newer);
      EXPECT_EQ(newer.Problems().size(), 1u);
    }
    EXPECT_EQ(ParamBlockDesc2::Find(REF_TARGET_CLASS_ID, owner, 0), &desc);
  }
  EXPECT_EQ(ParamBlockDesc2::Find(REF_TARGET_CLASS_ID, owner, 0), nullptr);
}

TEST(ParamDefTest, ClampIsForCallersAndLeavesUnrangedValuesAlone) {
  const ParamDef ranged = ParamDef(0, "x", TYPE_FLOAT).Range(0.1, 1.0);
  EXPECT_DOUBLE_EQ(ranged.Clamp(0.05), 0.1);
  EXPECT_DOUBLE_EQ(ranged.Clamp(1.5), 1.0);
  EXPECT_DOUBLE_EQ(ParamDef(0, "y", TYPE_FLOAT).Clamp(-7.0), -7.0);
}

// ---- Values -----------------------------------------------------------------

TEST_F(ParamBlockTest, FreshBlockHoldsTheDefaults) {
  EXPECT_EQ(pb().ID(), 0);
  EXPECT_EQ(pb().GetDesc(), &kTestBlock);
  EXPECT_EQ(pb().GetFloat(kSize), 2.5f);
  EXPECT_EQ(pb().GetColor(kTint), Color(1, 0.5f, 0));
  EXPECT_EQ(pb().GetStr(kLabel), "hello");
  EXPECT_EQ(pb().GetInt(kQuality), 3);
  EXPECT_EQ(pb().Count(kChildren), 0);
  EXPECT_EQ(pb().GetReferenceTarget(kTarget), nullptr);
  ASSERT_EQ(pb().Count(kOrder), 2);
  EXPECT_EQ(pb().GetInt(kOrder, 0, 1), 7);
  EXPECT_EQ(pb().GetInt(kOn), 1);
  EXPECT_EQ(pb().GetBitmap(kOutput).fileName, "out.png");
  EXPECT_EQ(pb().NumRefs(), 1);  // the plain reference parameter
  EXPECT_EQ(pb().GetValidity(1234), FOREVER);
  for (int i = 0; i < pb().NumParams(); ++i) EXPECT_FALSE(pb().IsAnimated(pb().IndexToId(i)));
}

TEST_F(ParamBlockTest, ConstantValueChangesAtAllTimes) {
  ASSERT_TRUE(pb().SetValue(kSize, kT1, 4.0));
  EXPECT_FALSE(pb().IsAnimated(kSize));
  EXPECT_EQ(pb().GetFloat(kSize, 0), 4.0f);
  EXPECT_EQ(pb().GetFloat(kSize, kT2), 4.0f);
  // Never clamped: the range is advice for whoever sets the value.
  ASSERT_TRUE(pb().SetValue(kQuality, 0, 9));
  EXPECT_EQ(pb().GetInt(kQuality), 9);
}

TEST_F(ParamBlockTest, KeysAnimateAndSetValueThenSetsKeys) {
  ASSERT_TRUE(pb().SetKey(kSize, kT1, 1.0f));
  ASSERT_TRUE(pb().SetKey(kSize, kT2, 3.0f));
  EXPECT_TRUE(pb().IsAnimated(kSize));
  EXPECT_EQ(pb().GetFloat(kSize, 0), 1.0f);
  EXPECT_FLOAT_EQ(pb().GetFloat(kSize, 2000), 2.0f);
  EXPECT_EQ(pb().GetFloat(kSize, 5000), 3.0f);

  // On an animated parameter SetValue keys the time it is given.
  ASSERT_TRUE(pb().SetValue(kSize, 2000, 10.0f));
  EXPECT_EQ(pb().GetFloat(kSize, 2000), 10.0f);
  EXPECT_EQ(pb().GetFloat(kSize, kT1), 1.0f);
  EXPECT_EQ(pb().GetFloat(kSize, kT2), 3.0f);
}

TEST_F(ParamBlockTest, ValidityShrinksAroundAnimatedValues) {
  ASSERT_TRUE(pb().SetKey(kSize, kT1, 1.0f));
  ASSERT_TRUE(pb().SetKey(kSize, kT2, 3.0f));
  struct Case {
    TimeValue t;
    Interval expected;
  };
  const Case cases[] = {
      {0, Interval(TIME_NegInfinity, kT1)},      // before the first key the value holds back to the start
      {2000, Interval(2000, 2000)},              // between keys it changes every tick
      {9000, Interval(kT2, TIME_PosInfinity)},   // after the last key it holds on
  };
  for (const Case& c : cases) {
    Interval valid = FOREVER;
    float v = 0;
    ASSERT_TRUE(pb().GetValue(kSize, c.t, v, valid));
    EXPECT_EQ(valid, c.expected) << "at " << c.t;
    EXPECT_EQ(pb().GetValidity(c.t), c.expected) << "at " << c.t;
  }
  // A constant parameter does not narrow what the caller already had.
  Interval valid(5, 50);
  Color c;
  ASSERT_TRUE(pb().GetValue(kTint, 2000, c, valid));
  EXPECT_EQ(valid, Interval(5, 50));
}

TEST_F(ParamBlockTest, RemoveAnimationKeepsTheValueAtThatTime) {
  ASSERT_TRUE(pb().SetKey(kTint, kT1, Color(0, 0, 0)));
  ASSERT_TRUE(pb().SetKey(kTint, kT2, Color(1, 1, 1)));
  const Color mid = pb().GetColor(kTint, 2000);
  ASSERT_TRUE(pb().RemoveAnimation(kTint, 2000));
  EXPECT_FALSE(pb().IsAnimated(kTint));
  EXPECT_EQ(pb().GetColor(kTint, 0), mid);
  EXPECT_EQ(pb().GetColor(kTint, 9000), mid);

  ASSERT_TRUE(pb().SetKey(kSize, kT1, 8.0f));
  pb().RemoveAllAnimation(0);
  EXPECT_FALSE(pb().IsAnimated(kSize));
  EXPECT_EQ(pb().GetFloat(kSize, kT2), 8.0f);
}

TEST_F(ParamBlockTest, MismatchedKindsAndUnknownIdsFailWithoutChangingAnything) {
  auto* listener = new TestNode("listener", 1);
  RefHolder hold(listener);
  listener->ReplaceReference(0, &pb());

  float f = -1;
  int i = -1;
  std::string s = "untouched";
  Color c(9, 9, 9);
  ReferenceTarget* r = listener;
  Interval valid(1, 2);
  EXPECT_FALSE(pb().GetValue(kLabel, 0, f, valid));     // a float of a string
  EXPECT_FALSE(pb().GetValue(kSize, 0, s, valid));      // a string of a float
  EXPECT_FALSE(pb().GetValue(kSize, 0, i, valid));      // floats and ints do not mix
  EXPECT_FALSE(pb().GetValue(kQuality, 0, c, valid));   // a colour of an int
  EXPECT_FALSE(pb().GetValue(kLabel, 0, r, valid));     // a target of a string
  EXPECT_FALSE(pb().GetValue(99, 0, f, valid));         // unknown id
  EXPECT_FALSE(pb().GetValue(kOrder, 0, i, valid, 2));  // past the table's end
  EXPECT_FALSE(pb().GetValue(kOrder, 0, i, valid, -1));
  EXPECT_EQ(f, -1);
  EXPECT_EQ(i, -1);
  EXPECT_EQ(s, "untouched");
  EXPECT_EQ(r, listener);
  EXPECT_EQ(valid, Interval(1, 2));

  EXPECT_FALSE(pb().SetValue(kSize, 0, "big"));
  EXPECT_FALSE(pb().SetValue(kLabel, 0, 2.0f));
  EXPECT_FALSE(pb().SetValue(kQuality, 0, 2.5));
  EXPECT_FALSE(pb().SetValue(kLabel, 0, listener));
  EXPECT_FALSE(pb().SetValue(99, 0, 1));
  EXPECT_FALSE(pb().SetValue(kOrder, 0, 1, 5));
  EXPECT_FALSE(pb().SetKey(kQuality, kT1, 2));  // not animatable
  EXPECT_FALSE(pb().SetKey(kLabel, kT1, 2.0f));
  EXPECT_FALSE(pb().SetCount(kSize, 3));        // not a table
  EXPECT_FALSE(pb().SetCount(kOrder, -1));
  EXPECT_FALSE(pb().Delete(kOrder, 1, 2));      // runs past the end
  EXPECT_FALSE(pb().Insert(kOrder, 3, 1));
  EXPECT_EQ(pb().Append(kOrder, std::string("x")), -1);
  EXPECT_EQ(pb().Append(kSize, 1.0f), -1);
  EXPECT_EQ(pb().Count(99), 0);

  EXPECT_EQ(pb().Count(kOrder), 2);
  EXPECT_EQ(pb().GetFloat(kSize), 2.5f);
  EXPECT_EQ(pb().GetStr(kLabel), "hello");
  EXPECT_EQ(pb().GetInt(kQuality), 3);
  EXPECT_FALSE(pb().IsAnimated(kQuality));
  EXPECT_TRUE(listener->heard.empty()) << "a failed call notified dependents";

  // The convenience getters give the kind's zero.
  EXPECT_EQ(pb().GetFloat(kLabel), 0.0f);
  EXPECT_EQ(pb().GetStr(kSize), "");
}

TEST_F(ParamBlockTest, IntsAndBoolsReadEachOther) {
  ASSERT_TRUE(pb().SetValue(kOn, 0, 5));
  EXPECT_EQ(pb().GetInt(kOn), 1);  // a bool holds 0 or 1
  ASSERT_TRUE(pb().SetValue(kOn, 0, false));
  bool on = true;
  Interval valid = FOREVER;
  ASSERT_TRUE(pb().GetValue(kOn, 0, on, valid));
  EXPECT_FALSE(on);
  ASSERT_TRUE(pb().SetValue(kQuality, 0, true));
  EXPECT_EQ(pb().GetInt(kQuality), 1);
}

TEST_F(ParamBlockTest, ChangesNotifyDependentsAndNameTheParameter) {
  auto* listener = new TestNode("listener", 1);
  RefHolder hold(listener);
  listener->ReplaceReference(0, &pb());
  ASSERT_TRUE(pb().SetValue(kLabel, 0, "renamed"));
  ASSERT_EQ(listener->heard.size(), 1u);
  EXPECT_EQ(listener->heard[0].message, REFMSG_CHANGE);
  EXPECT_EQ(listener->heard[0].from, &pb());
  EXPECT_EQ(pb().LastNotifyParamID(), kLabel);
  ASSERT_TRUE(pb().SetCount(kOrder, 4));
  EXPECT_EQ(pb().LastNotifyParamID(), kOrder);
  EXPECT_EQ(listener->heard.size(), 2u);

  // A change inside a referenced target reaches the block's dependents too.
  auto* child = new TestNode("child");
  ASSERT_EQ(pb().Append(kChildren, child), 0);
  ASSERT_TRUE(pb().SetValue(kLabel, 0, "again"));
  const std::size_t before = listener->heard.size();
  child->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
  EXPECT_EQ(listener->heard.size(), before + 1);
  EXPECT_EQ(pb().LastNotifyParamID(), kChildren);
}

TEST_F(ParamBlockTest, StringsAndBitmapsAreKeptByValue) {
  ASSERT_TRUE(pb().SetValue(kOutput, 0, PBBitmap{"frames/lines.tga"}));
  EXPECT_EQ(pb().GetBitmap(kOutput).fileName, "frames/lines.tga");
  EXPECT_EQ(pb().GetStr(kOutput), "");  // a bitmap is not a string parameter
  std::string text = "temporary";
  ASSERT_TRUE(pb().SetValue(kLabel, 0, text));
  text = "changed afterwards";
  EXPECT_EQ(pb().GetStr(kLabel), "temporary");
}

// ---- Tables and references --------------------------------------------------

TEST_F(ParamBlockTest, ReferenceTableResizeKeepsReferencesAndDependents) {
  auto* a = new TestNode("a");
  auto* b = new TestNode("b");
  auto* c = new TestNode("c");
  auto* target = new TestNode("target");
  ASSERT_TRUE(pb().SetValue(kTarget, 0, target));
  EXPECT_EQ(pb().Append(kChildren, a), 0);
  EXPECT_EQ(pb().Append(kChildren, c), 1);
  ASSERT_TRUE(pb().Insert(kChildren, 1, 1));
  ASSERT_TRUE(pb().SetValue(kChildren, 0, b, 1));

  // References run through the table, then the plain parameter after it.
  ASSERT_EQ(pb().NumRefs(), 4);
  EXPECT_EQ(pb().GetReference(0), a);
  EXPECT_EQ(pb().GetReference(1), b);
  EXPECT_EQ(pb().GetReference(2), c);
  EXPECT_EQ(pb().GetReference(3), target);
  for (TestNode* n : {a, b, c, target}) EXPECT_EQ(n->NumDependents(), 1) << n->name_;

  // Dropping an entry releases it (its last holder, so it goes) and renumbers the rest.
  ASSERT_TRUE(pb().Delete(kChildren, 0, 1));
  EXPECT_EQ(TestNode::live, 3);
  ASSERT_EQ(pb().NumRefs(), 3);
  EXPECT_EQ(pb().GetReferenceTarget(kChildren, 0, 0), b);
  EXPECT_EQ(pb().GetReferenceTarget(kChildren, 0, 1), c);
  EXPECT_EQ(pb().GetReference(2), target);

  // A target held elsewhere survives its entry; growing adds empty entries.
  RefHolder keep(c);
  ASSERT_TRUE(pb().SetCount(kChildren, 1));
  EXPECT_EQ(TestNode::live, 3);
  EXPECT_EQ(c->NumDependents(), 1);
  ASSERT_TRUE(pb().SetCount(kChildren, 3));
  EXPECT_EQ(pb().GetReferenceTarget(kChildren, 0, 0), b);
  EXPECT_EQ(pb().GetReferenceTarget(kChildren, 0, 2), nullptr);
  EXPECT_EQ(pb().GetReference(3), target);

  // The same target in two entries is two references.
  ASSERT_TRUE(pb().SetValue(kChildren, 0, b, 2));
  EXPECT_EQ(b->NumDependents(), 2);
}

TEST_F(ParamBlockTest, DeletingAReferencedTargetEmptiesItsEntry) {
  auto* a = new TestNode("a");
  auto* b = new TestNode("b");
  ASSERT_EQ(pb().Append(kChildren, a), 0);
  ASSERT_EQ(pb().Append(kChildren, b), 1);
  ASSERT_TRUE(pb().SetValue(kTarget, 0, a));
  a->DeleteThis();
  EXPECT_EQ(pb().Count(kChildren), 2);  // the entry stays, empty
  EXPECT_EQ(pb().GetReferenceTarget(kChildren, 0, 0), nullptr);
  EXPECT_EQ(pb().GetReferenceTarget(kChildren, 0, 1), b);
  EXPECT_EQ(pb().GetReferenceTarget(kTarget), nullptr);
}

TEST_F(ParamBlockTest, ResetAllReleasesTargetsAndRestoresDefaults) {
  ASSERT_EQ(pb().Append(kChildren, new TestNode("child")), 0);
  ASSERT_TRUE(pb().SetKey(kSize, kT1, 9.0f));
  ASSERT_TRUE(pb().SetValue(kLabel, 0, "changed"));
  ASSERT_TRUE(pb().SetCount(kOrder, 5));
  pb().ResetAll();
  EXPECT_EQ(TestNode::live, 0);
  EXPECT_EQ(pb().Count(kChildren), 0);
  EXPECT_EQ(pb().Count(kOrder), 2);
  EXPECT_FALSE(pb().IsAnimated(kSize));
  EXPECT_EQ(pb().GetFloat(kSize), 2.5f);
  EXPECT_EQ(pb().GetStr(kLabel), "hello");

  ASSERT_TRUE(pb().SetValue(kQuality, 0, 1));
  ASSERT_TRUE(pb().SetValue(kLabel, 0, "kept"));
  ASSERT_TRUE(pb().Reset(kQuality));
  EXPECT_EQ(pb().GetInt(kQuality), 3);
  EXPECT_EQ(pb().GetStr(kLabel), "kept");
}

TEST_F(ParamBlockTest, CloneCopiesValuesAndClonesTargetsKeepingSharing) {
  auto* shared = new TestNode("shared");
  auto* only = new TestNode("only");
  ASSERT_EQ(pb().Append(kChildren, shared), 0);
  ASSERT_EQ(pb().Append(kChildren, only), 1);
  ASSERT_TRUE(pb().SetValue(kTarget, 0, shared));
  ASSERT_TRUE(pb().SetKey(kSize, kT1, 1.0f));
  ASSERT_TRUE(pb().SetKey(kSize, kT2, 5.0f));
  ASSERT_TRUE(pb().SetValue(kLabel, 0, "original"));

  RefHolder copyHolder(pb().Clone());
  auto& copy = *static_cast<IParamBlock2*>(copyHolder.get());
  EXPECT_EQ(copy.GetDesc(), &kTestBlock);
  EXPECT_TRUE(copy.IsAnimated(kSize));
  EXPECT_FLOAT_EQ(copy.GetFloat(kSize, 2000), 3.0f);
  EXPECT_EQ(copy.GetStr(kLabel), "original");
  ASSERT_EQ(copy.Count(kChildren), 2);
  auto* sharedCopy = copy.GetReferenceTarget(kChildren, 0, 0);
  EXPECT_NE(sharedCopy, nullptr);
  EXPECT_NE(sharedCopy, shared);
  EXPECT_EQ(copy.GetReferenceTarget(kTarget), sharedCopy);  // shared stays shared, within the copy
  EXPECT_EQ(sharedCopy->NumDependents(), 2);
  EXPECT_EQ(shared->NumDependents(), 2);  // the original's references are untouched
  EXPECT_EQ(TestNode::live, 4);

  // The copy is independent of the original.
  ASSERT_TRUE(copy.SetValue(kLabel, 0, "copy"));
  ASSERT_TRUE(copy.RemoveAnimation(kSize, 0));
  EXPECT_EQ(pb().GetStr(kLabel), "original");
  EXPECT_TRUE(pb().IsAnimated(kSize));
}

TEST_F(ParamBlockTest, AutoConstructedBlocksGoToTheirReference) {
  RefHolder ownerHolder(new TestNode("owner", 1));
  auto* owner = static_cast<TestNode*>(ownerHolder.get());
  EXPECT_EQ(MakeAutoParamBlocks(*owner, REF_TARGET_CLASS_ID, kOwnerClass), 1);
  auto* block = dynamic_cast<IParamBlock2*>(owner->GetReference(0));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->GetDesc(), &kTestBlock);
  EXPECT_EQ(MakeAutoParamBlocks(*owner, REF_TARGET_CLASS_ID, Class_ID(1, 2)), 0);
}

// ---- Saving and loading -----------------------------------------------------

TEST_F(ParamBlockTest, SaveThenLoadGivesTheSameBlock) {
  ASSERT_TRUE(pb().SetKey(kSize, kT1, 1.0f));
  ASSERT_TRUE(pb().SetKey(kSize, kT2, 3.0f));
  ASSERT_TRUE(pb().SetValue(kTint, 0, Color(0.25f, 0.5f, 0.75f)));
  ASSERT_TRUE(pb().SetValue(kLabel, 0, "a label"));
  ASSERT_TRUE(pb().SetValue(kQuality, 0, -4));
  // (Targets are left out: the block saves whether an entry had one, which a
  // loaded block has not until the scene file restores its references.)
  ASSERT_TRUE(pb().SetCount(kChildren, 3));
  ASSERT_TRUE(pb().SetCount(kOrder, 3));
  ASSERT_TRUE(pb().SetValue(kOrder, 0, 42, 2));
  ASSERT_TRUE(pb().SetValue(kOn, 0, false));
  ASSERT_TRUE(pb().SetValue(kOutput, 0, PBBitmap{""}));
  const std::vector<std::uint8_t> bytes = SaveBytes(pb());

  RefHolder loadedHolder(GetParamBlock2ClassDesc()->Create(true));
  auto& loaded = *static_cast<IParamBlock2*>(loadedHolder.get());
  EXPECT_EQ(loaded.NumRefs(), 0);
  ASSERT_EQ(LoadInto(loaded, bytes), "");
  EXPECT_EQ(loaded.GetDesc(), &kTestBlock);
  EXPECT_EQ(SaveBytes(loaded), bytes);
  EXPECT_TRUE(loaded.IsAnimated(kSize));
  EXPECT_FLOAT_EQ(loaded.GetFloat(kSize, 2000), 2.0f);
  EXPECT_EQ(loaded.GetColor(kTint), Color(0.25f, 0.5f, 0.75f));
  EXPECT_EQ(loaded.GetStr(kLabel), "a label");
  EXPECT_EQ(loaded.GetInt(kQuality), -4);
  EXPECT_EQ(loaded.GetInt(kOrder, 0, 2), 42);
  EXPECT_EQ(loaded.GetInt(kOn), 0);
  EXPECT_EQ(loaded.GetBitmap(kOutput).fileName, "");
  // Targets are the scene file's business, but their slots are ready for it.
  EXPECT_EQ(loaded.Count(kChildren), 3);
  EXPECT_EQ(loaded.NumRefs(), pb().NumRefs());
  EXPECT_EQ(loaded.GetReferenceTarget(kChildren, 0, 0), nullptr);
}

TEST_F(ParamBlockTest, SceneFileRestoresTableReferences) {
  ClassRegistry registry;
  registry.Register(GetParamBlock2ClassDesc());
  registry.Register(GetParamBlockClassDesc());
  pwtest::TestNodeClassDesc nodeDesc;
  registry.Register(&nodeDesc);

  auto* root = new TestNode("root", 1);
  RefHolder rootHolder(root);
  root->ReplaceReference(0, &pb());
  auto* shared = new TestNode("shared");
  ASSERT_TRUE(pb().SetCount(kChildren, 3));
  ASSERT_TRUE(pb().SetValue(kChildren, 0, shared, 0));
  ASSERT_TRUE(pb().SetValue(kChildren, 0, new TestNode("other"), 2));
  ASSERT_TRUE(pb().SetValue(kTarget, 0, shared));

  SceneSaveResult saved = SaveSceneToBytes(root);
  ASSERT_TRUE(saved.ok()) << saved.error;
  SceneLoadResult result = LoadSceneFromBytes(saved.bytes, registry);
  ASSERT_TRUE(result.ok()) << result.error;
  RefHolder loadedRoot(result.root);
  auto* block = dynamic_cast<IParamBlock2*>(result.root->GetReference(0));
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(block->Count(kChildren), 3);
  auto* first = static_cast<TestNode*>(block->GetReferenceTarget(kChildren, 0, 0));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->name_, "shared");
  EXPECT_EQ(block->GetReferenceTarget(kChildren, 0, 1), nullptr);
  EXPECT_EQ(static_cast<TestNode*>(block->GetReferenceTarget(kChildren, 0, 2))->name_, "other");
  EXPECT_EQ(block->GetReferenceTarget(kTarget), first);
}

TEST(ParamBlockLoadTest, DescriptorChangesSinceSavingAreAbsorbed) {
  const Class_ID owner{0x7E57B10C, 0x000000F2};
  std::vector<std::uint8_t> bytes;
  {
    const ParamBlockDesc2 before(BlockSpec(2, "Before", owner, REF_TARGET_CLASS_ID),
                                 {
                                     ParamDef(0, "kept", TYPE_FLOAT),
                                     ParamDef(1, "dropped", TYPE_STRING),
                                     ParamDef(2, "nowFloat", TYPE_INT).Animatable(),
                                     ParamDef(3, "nowString", TYPE_INT),
                                     ParamDef(4, "noLongerAnimated", TYPE_FLOAT).Animatable(),
                                 });
    RefHolder holder(CreateParameterBlock2(&before));
    auto& pb = *static_cast<IParamBlock2*>(holder.get());
    ASSERT_TRUE(pb.SetValue(0, 0, 1.5f));
    ASSERT_TRUE(pb.SetValue(1, 0, "gone"));
    ASSERT_TRUE(pb.SetKey(2, 0, 2));
    ASSERT_TRUE(pb.SetKey(2, 100, 4));
    ASSERT_TRUE(pb.SetValue(3, 0, 5));
    ASSERT_TRUE(pb.SetKey(4, 0, 1.0f));
    ASSERT_TRUE(pb.SetKey(4, 100, 9.0f));
    bytes = SaveBytes(pb);
  }
  const ParamBlockDesc2 after(BlockSpec(2, "After", owner, REF_TARGET_CLASS_ID),
                              {
                                  ParamDef(0, "kept", TYPE_FLOAT),
                                  ParamDef(2, "nowFloat", TYPE_FLOAT).Animatable(),
                                  ParamDef(3, "nowString", TYPE_STRING).Default("default"),
                                  ParamDef(4, "noLongerAnimated", TYPE_FLOAT),
                                  ParamDef(5, "added", TYPE_INT).Default(8),
                              });
  RefHolder holder(new IParamBlock2());
  auto& pb = *static_cast<IParamBlock2*>(holder.get());
  ASSERT_EQ(LoadInto(pb, bytes), "");
  EXPECT_EQ(pb.GetDesc(), &after);
  EXPECT_EQ(pb.GetFloat(0), 1.5f);
  EXPECT_TRUE(pb.IsAnimated(2));
  EXPECT_FLOAT_EQ(pb.GetFloat(2, 50), 3.0f);
  EXPECT_EQ(pb.GetStr(3), "default");
  EXPECT_FALSE(pb.IsAnimated(4));
  EXPECT_EQ(pb.GetFloat(4, 100), 1.0f);  // frozen at its value at time 0
  EXPECT_EQ(pb.GetInt(5), 8);
}

TEST(ParamBlockLoadTest, MissingDescriptorIsAClearError) {
  std::vector<std::uint8_t> bytes;
  const Class_ID owner{0x7E57B10C, 0x000000F3};
  {
    const ParamBlockDesc2 gone(BlockSpec(7, "Gone", owner, REF_TARGET_CLASS_ID), {ParamDef(0, "x", TYPE_INT)});
    RefHolder holder(CreateParameterBlock2(&gone));
    bytes = SaveBytes(*holder.get());
  }
  RefHolder holder(new IParamBlock2());
  const std::string error = LoadInto(*static_cast<IParamBlock2*>(holder.get()), bytes);
  EXPECT_NE(error.find("no descriptor"), std::string::npos) << error;
  EXPECT_NE(error.find("0x7E57B10C"), std::string::npos) << error;
  EXPECT_EQ(static_cast<IParamBlock2*>(holder.get())->GetDesc(), nullptr);
}

TEST_F(ParamBlockTest, EveryTruncationFailsCleanlyUnlessItEndsBetweenChunks) {
  ASSERT_TRUE(pb().SetKey(kSize, kT1, 1.0f));
  ASSERT_TRUE(pb().SetCount(kChildren, 2));
  ExpectTruncationsFailUnlessBetweenChunks<IParamBlock2>(SaveBytes(pb()));
}

TEST(ParamBlockLoadTest, CorruptParameterChunksAreRefused) {
  const Class_ID owner{0x7E57B10C, 0x000000F4};
  const ParamBlockDesc2 desc(BlockSpec(0, "Corrupt", owner, REF_TARGET_CLASS_ID),
                             {ParamDef(0, "list", TYPE_STRING_TAB), ParamDef(1, "value", TYPE_FLOAT)});

  // Writes the block header, then one hand-made parameter chunk.
  auto make = [&](std::uint8_t kind, std::uint8_t flags, std::uint32_t count, const std::vector<std::uint8_t>& values) {
    MemorySave out;
    out.BeginChunk(0x0001);
    const std::uint32_t head[3] = {REF_TARGET_CLASS_ID, owner.a, owner.b};
    out.Write(head, sizeof head, nullptr);
    out.WriteValue(std::int16_t{0});
    out.EndChunk();
    out.BeginChunk(kParamChunk);
    out.BeginChunk(0x0011);
    out.WriteValue(std::int16_t{0});
    out.WriteValue(kind);
    out.WriteValue(std::uint8_t{0});
    out.WriteValue(flags);
    out.WriteValue(count);
    out.EndChunk();
    out.BeginChunk(0x0012);
    out.Write(values.data(), values.size(), nullptr);
    out.EndChunk();
    out.EndChunk();
    return out.TakeBytes();
  };
  const std::uint8_t kString = static_cast<std::uint8_t>(ParamKind::String);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* error;  // part of the message; null when the load must succeed
  };
  const Case cases[] = {
      {"a sound table", make(kString, 1, 2, {'a', 0, 'b', 0}), nullptr},
      {"a count no chunk could hold", make(kString, 1, 0xFFFFFFFFu, {'a', 0}), "cannot fit"},
      {"a string without its end", make(kString, 1, 2, {'a', 0, 'b'}), "cut short"},
      {"an unknown kind", make(200, 1, 1, {'a', 0}), "unknown kind"},
      {"a plain parameter with two entries", make(kString, 0, 2, {'a', 0, 'b', 0}), "plain parameter"},
  };
  for (const Case& c : cases) {
    RefHolder holder(new IParamBlock2());
    auto& pb = *static_cast<IParamBlock2*>(holder.get());
    const std::string error = LoadInto(pb, c.bytes);
    if (!c.error) {
      EXPECT_EQ(error, "") << c.what;
      EXPECT_EQ(pb.GetStr(0, 0, 1), "b") << c.what;
    } else {
      EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
    }
  }
}

// ---- The older-style block --------------------------------------------------

namespace {

const ParamBlockDescID kPaintV1[] = {
    {TYPE_RGBA, nullptr, true, 0},
    {TYPE_PCNT_FRAC, nullptr, true, 1},
};
const ParamBlockDescID kPaintV2[] = {
    {TYPE_RGBA, nullptr, true, 0},
    {TYPE_INT, nullptr, false, 2},
    {TYPE_PCNT_FRAC, nullptr, true, 1},
};
const ParamVersionDesc kPaintVersions[] = {{kPaintV1, 2, 1}};
const ParamVersionDesc kPaintCurrent{kPaintV2, 3, 2};

}  // namespace

TEST(LegacyParamBlockTest, ValuesByIndex) {
  RefHolder holder(CreateParameterBlock(kPaintV2, 3, 2));
  auto& pb = *static_cast<IParamBlock*>(holder.get());
  ASSERT_EQ(pb.NumParams(), 3);
  EXPECT_EQ(pb.GetVersion(), 2u);
  EXPECT_EQ(pb.GetParamID(2), 1);
  EXPECT_EQ(pb.IdToIndex(2), 1);
  EXPECT_EQ(pb.GetColor(0), Color());  // older blocks start at zero
  ASSERT_TRUE(pb.SetValue(0, 0, Color(0, 0, 1)));
  ASSERT_TRUE(pb.SetValue(2, 0, 1.0));
  ASSERT_TRUE(pb.SetKey(2, 100, 0.5f));
  ASSERT_TRUE(pb.SetKey(2, 200, 1.5f));
  EXPECT_FLOAT_EQ(pb.GetFloat(2, 150), 1.0f);
  EXPECT_TRUE(pb.IsAnimated(2));
  EXPECT_EQ(pb.GetValidity(150), Interval(150, 150));

  EXPECT_FALSE(pb.SetKey(1, 100, 3));    // not animatable
  EXPECT_FALSE(pb.SetValue(0, 0, 1.0f));  // a float into a colour
  EXPECT_FALSE(pb.SetValue(3, 0, 1.0f));  // past the end
  Interval valid = FOREVER;
  float f = 0;
  EXPECT_FALSE(pb.GetValue(-1, 0, f, valid));
  EXPECT_EQ(pb.GetColor(0), Color(0, 0, 1));
}

TEST(LegacyParamBlockTest, UnusableLayoutsMakeNoBlock) {
  const ParamBlockDescID withString[] = {{TYPE_FLOAT, nullptr, true, 0}, {TYPE_STRING, nullptr, false, 1}};
  const ParamBlockDescID withTable[] = {{TYPE_FLOAT_TAB, nullptr, false, 0}};
  const ParamBlockDescID repeated[] = {{TYPE_FLOAT, nullptr, true, 4}, {TYPE_INT, nullptr, false, 4}};
  const ParamBlockDescID hugeId[] = {{TYPE_FLOAT, nullptr, true, 40000}};
  EXPECT_EQ(CreateParameterBlock(withString, 2, 1), nullptr);
  EXPECT_EQ(CreateParameterBlock(withTable, 1, 1), nullptr);
  EXPECT_EQ(CreateParameterBlock(repeated, 2, 1), nullptr);
  EXPECT_EQ(CreateParameterBlock(hugeId, 1, 1), nullptr);
  EXPECT_EQ(CreateParameterBlock(kPaintV1, -1, 1), nullptr);
  EXPECT_EQ(CreateParameterBlock(nullptr, 1, 1), nullptr);
}

TEST(LegacyParamBlockTest, LoadsWithoutAnyTableAndClones) {
  RefHolder holder(CreateParameterBlock(kPaintV2, 3, 2));
  auto& pb = *static_cast<IParamBlock*>(holder.get());
  ASSERT_TRUE(pb.SetValue(0, 0, Color(0.35f, 0, 0)));
  ASSERT_TRUE(pb.SetValue(1, 0, 7));
  ASSERT_TRUE(pb.SetKey(2, 0, 0.75f));
  ASSERT_TRUE(pb.SetKey(2, 100, 1.25f));
  const std::vector<std::uint8_t> bytes = SaveBytes(pb);

  RefHolder loadedHolder(GetParamBlockClassDesc()->Create(true));
  auto& loaded = *static_cast<IParamBlock*>(loadedHolder.get());
  ASSERT_EQ(LoadInto(loaded, bytes), "");
  EXPECT_EQ(SaveBytes(loaded), bytes);
  EXPECT_EQ(loaded.GetVersion(), 2u);
  EXPECT_EQ(loaded.GetParameterType(2), TYPE_PCNT_FRAC);
  EXPECT_FALSE(loaded.IsParamAnimatable(1));
  EXPECT_EQ(loaded.GetInt(1), 7);
  EXPECT_FLOAT_EQ(loaded.GetFloat(2, 50), 1.0f);

  RefHolder copyHolder(pb.Clone());
  auto& copy = *static_cast<IParamBlock*>(copyHolder.get());
  EXPECT_EQ(SaveBytes(copy), bytes);
  ASSERT_TRUE(copy.SetValue(1, 0, 8));
  EXPECT_EQ(pb.GetInt(1), 7);

  ExpectTruncationsFailUnlessBetweenChunks<IParamBlock>(bytes);
}

TEST(LegacyParamBlockTest, OlderVersionIsConvertedAfterLoadingByEntryId) {
  // A version 1 block, as an old file holds it.
  std::vector<std::uint8_t> bytes;
  {
    RefHolder old(CreateParameterBlock(kPaintV1, 2, 1));
    auto& pb = *static_cast<IParamBlock*>(old.get());
    ASSERT_TRUE(pb.SetValue(0, 0, Color(0, 1, 1)));
    ASSERT_TRUE(pb.SetKey(1, 0, 0.5f));
    ASSERT_TRUE(pb.SetKey(1, 100, 1.5f));
    bytes = SaveBytes(pb);
  }
  // The owner loads it and asks for the conversion, as a paint does.
  RefHolder ownerHolder(new TestNode("owner", 1));
  auto* owner = static_cast<TestNode*>(ownerHolder.get());
  MemoryLoad in(bytes);
  auto* loaded = new IParamBlock();
  ASSERT_EQ(loaded->Load(&in), IO_OK);
  owner->ReplaceReference(0, loaded);
  in.RegisterPostLoadCallback(new ParamBlockPLCB(kPaintVersions, 1, &kPaintCurrent, owner, 0));
  in.RunPostLoadCallbacks();

  auto* now = dynamic_cast<IParamBlock*>(owner->GetReference(0));
  ASSERT_NE(now, nullptr);
  ASSERT_NE(now, loaded);  // (the old block went with its last reference)
  EXPECT_EQ(now->GetVersion(), 2u);
  ASSERT_EQ(now->NumParams(), 3);
  EXPECT_EQ(now->GetColor(0), Color(0, 1, 1));
  EXPECT_EQ(now->GetInt(1), 0);  // new entry id 2
  EXPECT_TRUE(now->IsAnimated(2));  // id 1 moved to index 2, keys and all
  EXPECT_FLOAT_EQ(now->GetFloat(2, 50), 1.0f);

  // A block already in the current layout is left alone.
  const std::vector<std::uint8_t> current = SaveBytes(*now);
  MemoryLoad again(current);
  again.RegisterPostLoadCallback(new ParamBlockPLCB(kPaintCurrent, owner, 0));
  again.RunPostLoadCallbacks();
  EXPECT_EQ(owner->GetReference(0), now);
}

TEST(LegacyParamBlockTest, ConversionChangesKindsWhereNumbersAllow) {
  const ParamBlockDescID before[] = {{TYPE_FLOAT, nullptr, true, 0}, {TYPE_POINT3, nullptr, false, 1},
                                     {TYPE_INT, nullptr, false, 2}};
  const ParamBlockDescID after[] = {{TYPE_INT, nullptr, false, 0}, {TYPE_RGBA, nullptr, false, 1},
                                    {TYPE_BOOL, nullptr, false, 2}};
  RefHolder oldHolder(CreateParameterBlock(before, 3, 1));
  auto& old = *static_cast<IParamBlock*>(oldHolder.get());
  ASSERT_TRUE(old.SetKey(0, 0, 2.6f));
  ASSERT_TRUE(old.SetKey(0, 100, 10.0f));
  ASSERT_TRUE(old.SetValue(1, 0, Point3(0.1f, 0.2f, 0.3f)));
  ASSERT_TRUE(old.SetValue(2, 0, 5));
  RefHolder newHolder(UpdateParameterBlock(old, after, 3, 2));
  auto& now = *static_cast<IParamBlock*>(newHolder.get());
  EXPECT_FALSE(now.IsAnimated(0));  // the new entry is not animatable: frozen at time 0
  EXPECT_EQ(now.GetInt(0, 100), 3);  // 2.6 rounds to 3
  EXPECT_EQ(now.GetColor(1), Color(0.1f, 0.2f, 0.3f));
  EXPECT_EQ(now.GetInt(2), 1);
}
