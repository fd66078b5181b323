// The simulated game that every other test stands on: memory at the game's
// addresses, routines there as real code, the scene graph and the rig.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <type_traits>

#include "body/node_math.h"
#include "game/engine.h"
#include "sim/sim_game.h"

namespace {

using sim::Game;
using sim::Routine;

void ExpectNear(Vector3 want, Vector3 got) {
    EXPECT_NEAR(want.x, got.x, 1e-4);
    EXPECT_NEAR(want.y, got.y, 1e-4);
    EXPECT_NEAR(want.z, got.z, 1e-4);
}

TEST(GameLayout, SignednessOfTheNarrowFields) {
    static_assert(std::is_signed<decltype(ProcessObject::KnockoutState)>::value, "");
    static_assert(std::is_unsigned<decltype(ProcessObject::SitState)>::value, "");
    static_assert(std::is_signed<decltype(ProcessObject::ActionState)>::value, "");
    static_assert(std::is_unsigned<decltype(AnimGroupInfo::GroupId)>::value, "");
    static_assert(std::is_unsigned<decltype(SceneNode::Flags)>::value, "");
    // Raw bytes read back through the layout: signed and unsigned as the
    // game stores them.
    uint8_t raw[sizeof(ProcessObject)] = {};
    raw[offsetof(ProcessObject, KnockoutState)] = 0xFF;
    raw[offsetof(ProcessObject, SitState)] = 200;
    raw[offsetof(ProcessObject, ActionState)] = 0xFE;
    raw[offsetof(ProcessObject, ActionState) + 1] = 0xFF;
    const ProcessObject* p = reinterpret_cast<const ProcessObject*>(raw);
    EXPECT_EQ(-1, p->KnockoutState);
    EXPECT_EQ(200, p->SitState);
    EXPECT_EQ(-2, p->ActionState);
}

TEST(SimulatedGame, GlobalsAndRoutinesSitAtTheGameAddresses) {
    Game g;
    EXPECT_EQ(&g.player->obj, *reinterpret_cast<PlayerObject**>(LF_ADDR_PLAYER_POINTER));
    EXPECT_EQ(&g.camera->node, CameraNodePointer());
    for (uint32_t a :
         {LF_ADDR_UPDATE_ANIMATION_RECORD, LF_ADDR_IS_IDLE_ANIM_ABSENT, LF_ADDR_PLAYER_IDLE_UPDATE,
          LF_ADDR_GET_INTERFACE_OBJECT, LF_ADDR_IS_MENU_MODE_ACTIVE, LF_ADDR_IS_MENU_OPEN}) {
        EXPECT_EQ(0xE9, *reinterpret_cast<uint8_t*>(a)) << std::hex << a;
    }
    Game::SetCameraDetached(1);
    Game::SetMenuGate(2.5f);
    ChaseCameraDistance() = 300.0f;
    EXPECT_EQ(1, CameraDetachedByte());
    EXPECT_EQ(2.5f, MenuGateFloat());
}

TEST(SimulatedGame, EachGameStartsFromTheSameMemory) {
    {
        Game g;
        ChaseCameraDistance() = 123.0f;
        Game::SetCameraDetached(7);
    }
    Game g;
    EXPECT_EQ(0.0f, ChaseCameraDistance());
    EXPECT_EQ(0, CameraDetachedByte());
}

TEST(SimulatedGame, RoutinesAreObservedWithReceiverArgumentsAndCallerState) {
    Game g;
    uint32_t flag = 0;
    g.Watch(0, &flag);
    g.player->obj.ThirdPerson = 1;
    flag = 0x3F800000;
    UpdateAnimationRecord(&g.bodyAnim->rec);
    g.player->obj.ThirdPerson = 0;
    flag = 0;
    void* iface = GetInterfaceObject();
    EXPECT_EQ(g.interface, iface);
    g.interface->menuModeActive = 1;
    g.interface->openMenu1034 = 1;
    EXPECT_EQ(1, IsMenuModeActive(iface));
    EXPECT_EQ(0, IsMenuOpen(iface, kMenuCodeFirst));
    EXPECT_EQ(1, IsMenuOpen(iface, kMenuCodeSecond));
    PlayerIdleUpdate(&g.player->obj);

    ASSERT_EQ(6, g.CallCount());
    const sim::CallRecord& u = g.Call(0);
    EXPECT_EQ(Routine::UpdateAnimationRecord, u.routine);
    EXPECT_EQ(&g.bodyAnim->rec, u.receiver);
    EXPECT_EQ(1, u.thirdPerson);
    EXPECT_EQ(0x3F800000u, u.watched[0]);
    const sim::CallRecord& gi = g.Call(1);
    EXPECT_EQ(Routine::GetInterfaceObject, gi.routine);
    EXPECT_EQ(0u, gi.args[0]);
    EXPECT_EQ(1u, gi.args[1]);
    EXPECT_EQ(kMenuCodeFirst, g.CallOf(Routine::IsMenuOpen, 0)->args[0]);
    EXPECT_EQ(kMenuCodeSecond, g.CallOf(Routine::IsMenuOpen, 1)->args[0]);
    EXPECT_EQ(nullptr, g.CallOf(Routine::IsMenuOpen, 2));
    EXPECT_EQ(&g.player->obj, g.CallOf(Routine::PlayerIdleUpdate, 0)->receiver);
    EXPECT_EQ(0, g.CallOf(Routine::PlayerIdleUpdate, 0)->thirdPerson);
}

TEST(SimulatedGame, HooksScriptWhatHappensDuringACall) {
    Game g;
    g.onCall[static_cast<int>(Routine::UpdateAnimationRecord)] = [&](const sim::CallRecord& c) {
        if (c.receiver == &g.bodyAnim->rec) {
            g.player->obj.ThirdPerson = 1; // the game switches the camera mid-update
        }
    };
    UpdateAnimationRecord(&g.fpAnim->rec);
    EXPECT_EQ(0, g.player->obj.ThirdPerson);
    UpdateAnimationRecord(&g.bodyAnim->rec);
    EXPECT_EQ(1, g.player->obj.ThirdPerson);
    EXPECT_EQ(2, g.Calls(Routine::UpdateAnimationRecord));
}

TEST(SimulatedGame, ScriptedResultsOfQueriesAndVirtualOperations) {
    Game g;
    EXPECT_EQ(1, IsIdleAnimAbsent(&g.bodyAnim->rec));
    g.bodyAnim->idleAbsentResult = 0xFE; // bit 0 clear: an idle plays
    EXPECT_EQ(0xFE, IsIdleAnimAbsent(&g.bodyAnim->rec));

    PlayerObject* p = &g.player->obj;
    g.player->isDead = 1;
    g.player->isVampireFeeding = 1;
    g.player->shadowState = 5;
    g.player->codedState[kCodedStateDoubleDraw] = 9;
    EXPECT_EQ(1, IsDead(p));
    EXPECT_EQ(1, IsVampireFeeding(p));
    EXPECT_EQ(5u, QueryShadowState(p));
    EXPECT_EQ(9u, QueryCodedState(p, kCodedStateDoubleDraw));
    EXPECT_EQ(0u, QueryCodedState(p, kCodedStateScenePassA));

    g.process->leftHandItem = 4;
    g.process->flagWord = kProcessFlagBit800;
    EXPECT_EQ(4u, LeftHandItemQuery(&g.process->obj));
    EXPECT_EQ(kHandQueryArgument, g.process->lastHandQueryArgument);
    EXPECT_EQ(0u, ShieldQuery(&g.process->obj));
    EXPECT_EQ(kProcessFlagBit800, GetFlagWord(&g.process->obj));

    g.otherDraws[0]->result = 0;
    EXPECT_EQ(0, Draw(&g.otherDraws[0]->obj));
    g.bodyRoot->node.Flags = 0x0007;
    EXPECT_EQ(1, Draw(&g.playerDraws[1]->obj));
    ASSERT_EQ(2, g.DrawCount());
    EXPECT_EQ(&g.playerDraws[1]->obj, g.DrawAt(1).object);
    EXPECT_EQ(0x0007, g.DrawAt(1).bodyRootFlags);

    NodeVirtual29(&g.lClavicle->node);
    EXPECT_EQ(1, g.lClavicle->virtual29Calls);
}

// Slot 29 is the game's transform update of one node: the world fields
// anew from the node's local ones and its parent's world fields, whatever
// the last update of the skeleton left there.
TEST(SimulatedGame, NodeVirtual29UpdatesTheNodesWorldFields) {
    Game g;
    g.UpdateScene();
    sim::Node* clavicle = g.lClavicle;
    SceneNode* parent = clavicle->node.Parent;
    ASSERT_NE(nullptr, parent);
    parent->WorldRotation = sim::RotationZ(0.5f);
    parent->WorldTranslation = {10, 20, 30};
    parent->WorldScale = 2.0f;
    clavicle->node.LocalRotation = sim::RotationX(0.25f);
    clavicle->node.LocalTranslation = {1, 0, 0};
    clavicle->node.LocalScale = 1.5f;
    NodeVirtual29(&clavicle->node);
    Matrix3 want;
    MultiplyMatrix3(&want, &parent->WorldRotation, &clavicle->node.LocalRotation);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(want.m[i][j], clavicle->node.WorldRotation.m[i][j], 1e-6f);
        }
    }
    // Turned by the parent (0.5 about z), scaled by its 2, moved by its place.
    EXPECT_NEAR(10.0f + 2.0f * cosf(0.5f), clavicle->node.WorldTranslation.x, 1e-5f);
    EXPECT_NEAR(20.0f + 2.0f * sinf(0.5f), clavicle->node.WorldTranslation.y, 1e-5f);
    EXPECT_NEAR(30.0f, clavicle->node.WorldTranslation.z, 1e-5f);
    EXPECT_EQ(3.0f, clavicle->node.WorldScale);
    // The world fields are the game's own writes.
    EXPECT_EQ(0,
              memcmp(&clavicle->gameWorldRotation, &clavicle->node.WorldRotation, sizeof(Matrix3)));
}

TEST(SimulatedGame, FindChildByNameSearchesTheReceiversSubtree) {
    Game g;
    SceneNode* body = &g.bodyRoot->node;
    SceneNode* fp = &g.fpRoot->node;
    EXPECT_EQ(&g.bodyHead->node, FindChildByName(body, "Bip01 Head"));
    EXPECT_EQ(&g.lClavicle->node, FindChildByName(body, "Bip01 L Clavicle"));
    EXPECT_EQ(&g.rHand->node, FindChildByName(body, "Bip01 R Hand"));
    EXPECT_EQ(&g.bodyMagic->node, FindChildByName(body, "magicNode"));
    EXPECT_EQ(&g.fpMagic->node, FindChildByName(fp, "magicNode"));
    EXPECT_EQ(nullptr, FindChildByName(fp, "Bip01 Head"));
    EXPECT_EQ(nullptr, FindChildByName(body, "bip01 head"));
    EXPECT_EQ(nullptr, FindChildByName(&g.bodyHead->node, "Bip01 L Clavicle"));
}

TEST(SimulatedGame, RigStandsWithItsEyePointAtTheCamera) {
    Game g;
    ExpectNear({0, 0, 130}, g.bodyHead->node.WorldTranslation);
    ExpectNear({0, 14, 136}, g.camera->node.WorldTranslation);
    EXPECT_EQ(&g.bodyHead->node, g.bodyAnim->rec.HeadNode);
    EXPECT_EQ(&g.shield->node, g.bodyAnim->rec.ShieldHolder->Children[0]);
    EXPECT_EQ(&g.leftHandItem->node, g.bodyAnim->rec.LeftHandHolder->Children[0]);
    EXPECT_EQ(&g.bodyAnim->rec, g.process->obj.BodyAnim);
    EXPECT_EQ(&g.fpAnim->rec, g.player->obj.FirstPersonAnim);
    EXPECT_NE(g.others[0]->object, g.others[1]->object);
    EXPECT_EQ(g.others[0]->object, g.otherDraws[0]->obj.Owner);
}

TEST(SceneGraph, UpdateComposesRotationTranslationAndScaleThroughTheParents) {
    Game g;
    SceneNode* root = &g.bodyRoot->node;
    root->LocalTranslation = {10, 20, 30};
    root->LocalRotation = sim::RotationZ(1.5707963f); // +90 degrees: x -> y
    root->LocalScale = 2.0f;
    g.lClavicle->node.LocalScale = 0.0f;
    UpdateAnimationRecord(&g.bodyAnim->rec);
    // The head: straight up 130, doubled.
    ExpectNear({10, 20, 290}, g.bodyHead->node.WorldTranslation);
    EXPECT_FLOAT_EQ(2.0f, g.bodyHead->node.WorldScale);
    // The right clavicle: (6, 0, -2) below a neck at height 120: turned to +y.
    ExpectNear({10, 32, 266}, g.rClavicle->node.WorldTranslation);
    EXPECT_NEAR(1.0f, g.rClavicle->node.WorldRotation.m[1][0], 1e-6);
    // A collapsed clavicle collapses its subtree.
    EXPECT_EQ(0.0f, g.lHand->node.WorldScale);
    EXPECT_EQ(0.0f, g.shield->node.WorldScale);
}

TEST(SceneGraph, OrderOfLocalWritesAndUpdatesMatters) {
    Game g;
    g.bodyRoot->node.LocalTranslation.z = 50;
    // Not yet updated: the world still has the old pose.
    ExpectNear({0, 0, 130}, g.bodyHead->node.WorldTranslation);
    UpdateAnimationRecord(&g.fpAnim->rec); // another skeleton: no change here
    ExpectNear({0, 0, 130}, g.bodyHead->node.WorldTranslation);
    UpdateAnimationRecord(&g.bodyAnim->rec);
    ExpectNear({0, 0, 180}, g.bodyHead->node.WorldTranslation);
}

TEST(SceneGraph, FrozenWorldFieldsStayWhileChildrenFollowThem) {
    Game g;
    Game::Freeze(g.bodyNeck, {100, 200, 300}, sim::Identity(), 1.0f);
    g.bodyRoot->node.LocalTranslation = {5, 5, 5};
    UpdateAnimationRecord(&g.bodyAnim->rec);
    ExpectNear({100, 200, 300}, g.bodyNeck->node.WorldTranslation);
    ExpectNear({100, 200, 310}, g.bodyHead->node.WorldTranslation);
    ExpectNear({5, 5, 65}, FindChildByName(&g.bodyRoot->node, "Bip01 Pelvis")->WorldTranslation);
}

} // namespace
