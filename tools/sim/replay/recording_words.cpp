#include "tools/sim/replay/recording_words.h"

#include <stdio.h>
#include <string.h>

#include "patch/hook_table.h"

namespace simtool {

namespace {

constexpr WordInfo kScalarInfo[kScalarWords] = {
    {"PlayerPointer", WordType::Object, kScalarPlayer, 1},
    {"CameraDetachedByte", WordType::Integer, kScalarDetached, 1},
    {"CameraNodePointer", WordType::Object, kScalarCameraNode, 1},
    {"ChaseCameraDistance", WordType::Float, kScalarChaseDistance, 1},
    {"MenuGateFloat", WordType::Float, kScalarMenuGate, 1},
    {"player.LookPitch", WordType::Float, kScalarLookPitch, 1},
    {"player.BodyRoot", WordType::Object, kScalarBodyRoot, 1},
    {"player.Process", WordType::Object, kScalarProcess, 1},
    {"player.Mount", WordType::Object, kScalarMount, 1},
    {"player.ThirdPerson", WordType::Integer, kScalarThirdPerson, 1},
    {"player.FirstPersonAnim", WordType::Object, kScalarFirstPersonAnim, 1},
    {"player.FirstPersonRoot", WordType::Object, kScalarFirstPersonRoot, 1},
    {"player.RestoreBlockA", WordType::Integer, kScalarRestoreBlockA, 1},
    {"player.RestoreBlockB", WordType::Integer, kScalarRestoreBlockB, 1},
    {"process.EquippedWeapon", WordType::Object, kScalarEquippedWeapon, 1},
    {"weapon.Form", WordType::Object, kScalarWeaponForm, 1},
    {"weapon.FormType", WordType::Integer, kScalarFormType, 1},
    {"weapon.WeaponKind", WordType::Integer, kScalarWeaponKind, 1},
    {"process.WeaponDrawn", WordType::Integer, kScalarWeaponDrawn, 1},
    {"process.KnockoutState", WordType::Integer, kScalarKnockoutState, 1},
    {"process.SitState", WordType::Integer, kScalarSitState, 1},
    {"process.BodyAnim", WordType::Object, kScalarBodyAnim, 1},
    {"process.ActionState", WordType::Integer, kScalarActionState, 1},
    {"process.ByteAfterWeaponDrawn", WordType::Integer, kScalarByteAfterWeaponDrawn, 1},
};
constexpr WordInfo kRecordInfo[kRecordWords] = {
    {"ShieldHolder", WordType::Object, kRecordShieldHolder, 1},
    {"LeftHandHolder", WordType::Object, kRecordLeftHandHolder, 1},
    {"HeadNode", WordType::Object, kRecordHeadNode, 1},
    {"Sequences.0", WordType::Object, kRecordSequence0, 1},
    {"Sequences.1", WordType::Object, kRecordSequence0 + 1, 1},
    {"Sequences.2", WordType::Object, kRecordSequence0 + 2, 1},
    {"Sequences.3", WordType::Object, kRecordSequence0 + 3, 1},
    {"Sequences.4", WordType::Object, kRecordSequence0 + 4, 1},
};
constexpr WordInfo kSequenceInfo[kSequenceWords] = {
    {"FileName", WordType::Object, kSequenceFileName, 1},
    {"GroupInfo", WordType::Object, kSequenceGroupInfo, 1},
    {"GroupId", WordType::Integer, kSequenceGroupId, 1},
};
constexpr WordInfo kNodeFieldInfo[] = {
    {"Flags", WordType::Integer, kNodeFlags, 1},
    {"Parent", WordType::Object, kNodeParent, 1},
    {"ChildCount", WordType::Integer, kNodeChildCount, 1},
    {"Children.0", WordType::Object, kNodeFirstChild, 1},
    {"LocalTranslation", WordType::Float, kNodeLocalTranslation, 3},
    {"WorldRotation", WordType::Float, kNodeWorldRotation, 9},
    {"WorldTranslation", WordType::Float, kNodeWorldTranslation, 3},
    {"WorldScale", WordType::Float, kNodeWorldScale, 1},
};

} // namespace

std::string SiteLabel(uint8_t site) {
    if (site == kSiteShadowBefore) {
        return "shadow pass, before";
    }
    if (site == kSiteShadowAfter) {
        return "shadow pass, after";
    }
    if (site >= kSiteFrameStart && site <= kLoadHookCount) {
        std::string label = kLoadHooks[site - 1].place.name;
        if (site >= kSiteDrawA && site <= kSiteDrawE) {
            label += " " + std::to_string(site - kSiteDrawA + 1);
        }
        return label;
    }
    return "site " + std::to_string(site);
}

std::string CallName(GameCall call) {
    static const char* const kNames[kGameCallCount] = {"?",
                                                       "IsDead",
                                                       "QueryCodedState",
                                                       "IsVampireFeeding",
                                                       "QueryShadowState",
                                                       "LeftHandItemQuery",
                                                       "ShieldQuery",
                                                       "GetFlagWord",
                                                       "FindChildByName",
                                                       "Draw",
                                                       "IsIdleAnimAbsent",
                                                       "GetInterfaceObject",
                                                       "IsMenuModeActive",
                                                       "IsMenuOpen",
                                                       "UpdateAnimationRecord",
                                                       "PlayerIdleUpdate",
                                                       "NodeVirtual29"};
    return call < kGameCallCount ? kNames[call] : "call " + std::to_string(call);
}

std::string EventName(uint8_t tag) {
    switch (tag) {
    case kEventSite:
        return "a site";
    case kEventState:
        return "game values";
    case kEventName:
        return "a sequence's name";
    case kEventAnswer:
        return "a query";
    case kEventCall:
        return "a call";
    case kEventReturned:
        return "the end of a call";
    case kEventWrite:
        return "a write";
    case kEventView:
        return "a change of the view state";
    case kEventEnd:
        return "the end of the entry";
    case kEventMessage:
        return "a host message";
    case kEventSettings:
        return "a reload of the settings";
    case kEventHold:
        return "another plug-in's hold of the body view";
    default:
        return "event " + std::to_string(tag);
    }
}

int BlockWordCount(uint8_t kind) {
    switch (kind) {
    case kBlockScalars:
        return kScalarWords;
    case kBlockRecord:
        return kRecordWords;
    case kBlockSequence:
        return kSequenceWords;
    case kBlockNode:
        return kNodeWords;
    default:
        return 0;
    }
}

WordInfo BlockWord(uint8_t kind, int word) {
    switch (kind) {
    case kBlockScalars:
        return kScalarInfo[word];
    case kBlockRecord:
        return kRecordInfo[word];
    case kBlockSequence:
        return kSequenceInfo[word];
    default:
        for (const WordInfo& f : kNodeFieldInfo) {
            if (word >= f.first && word < f.first + f.count) {
                return f;
            }
        }
        return WordInfo{"?", WordType::Integer, word, 1};
    }
}

const char* WrittenFieldName(uint8_t field) {
    static const char* const kNames[kWrittenFieldCount] = {"?",
                                                           "Flags",
                                                           "LocalTranslation",
                                                           "LocalRotation",
                                                           "LocalScale",
                                                           "WorldTranslation",
                                                           "ThirdPerson",
                                                           "ChaseCameraDistance"};
    return field < kWrittenFieldCount ? kNames[field] : "?";
}

bool WrittenFieldIsFloat(uint8_t field) {
    return field != kWriteFlags && field != kWriteThirdPerson;
}

const char* ViewFieldName(uint8_t field) {
    static const char* const kNames[kViewStateWords] = {
        "SavedThirdPerson",   "ForcedBodyMode",          "ModAnimPending",
        "ModAnimCounter",     "MountedInFirstPerson",    "WatchedMenuOpen",
        "SavedChaseDistance", "HeadAnchorCountdown",     "InExtraAnimUpdate",
        "InBodyPassUpdate",   "MenuReleaseAtFrameStart", "SavedBodyFlags",
        "SavedBodyFlagsValid"};
    return field < kViewStateWords ? kNames[field] : "?";
}

bool ViewFieldIsFloat(uint8_t field) {
    return field == kViewSavedChaseDistance || field == kViewInExtraAnimUpdate ||
           field == kViewInBodyPassUpdate;
}

std::string FloatText(uint32_t bits) {
    float f;
    memcpy(&f, &bits, 4);
    char text[32];
    snprintf(text, sizeof text, "%.9g", static_cast<double>(f));
    return text;
}

} // namespace simtool
