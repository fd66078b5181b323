// The recording of frames, as the plug-in writes it and the simulator reads
// it: every number here is part of the file format (docs/recording.md), so
// that a file written by any build reads the same on any platform. All
// numbers in the file are little-endian.
#pragma once

#include <stdint.h>

// An object of the game as the file names it: its address there, which
// names it across the file and means nothing else.
inline uint32_t Token(const void* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

// --- the file --------------------------------------------------------------
// The header:
//   offset  size  what
//   0       8     the magic
//   8       2     the format version
//   10      2     the header's size in bytes
//   12      4     the plug-in version
//   16      16    the release ("1.0.0"), padded with NULs
//   32      4     the game's version word, as the host reported it
//   36      4     the script extender's version, as the host reported it
//   40      4     the number of settings words, K
//   44      4K    the settings in force when the first kept frame began
//   44+4K   4     the number of frames
//   48+4K   4     the frames' size in bytes
// then the frames, oldest first.
constexpr uint8_t kRecordingMagic[8] = {'L', 'F', 'R', 'E', 'C', '\r', '\n', 0x1A};
// Version 2: the game values an entry reads may also follow an answer of the
// game (where the logic goes on to read more than its site noted), and a
// site notes what its logic reads before it first calls the game. Version 1
// files read and replay the same way.
constexpr uint16_t kRecordingFormatVersion = 2;
constexpr uint16_t kOldestRecordingFormatVersion = 1;
constexpr uint32_t kRecordingReleaseTextSize = 16;
constexpr uint32_t kRecordingSettingsOffset = 44;
constexpr uint32_t RecordingHeaderSize(uint32_t settingsCount) {
    return kRecordingSettingsOffset + 4 * settingsCount + 4 + 4;
}
// The files' names in the game's folder: "OBSE_Lumenfold-YYYYMMDD-HHMMSS.rec",
// with "-2", "-3" ... when a second one is written in the same second.
// A recording written when the game is left is named
// "OBSE_Lumenfold-exit-YYYYMMDD-HHMMSS.rec": kept apart from those of saved
// games, it never pushes one of them out.
constexpr const char* kRecordingFilePrefix = "OBSE_Lumenfold-";
constexpr const char* kExitRecordingFilePrefix = "OBSE_Lumenfold-exit-";
constexpr const char* kRecordingFileSuffix = ".rec";
constexpr int kRecordingFilesKept = 5;     // of saved games
constexpr int kExitRecordingFilesKept = 1; // of leaving the game

// --- a frame ---------------------------------------------------------------
// Each frame begins with its byte length (this word included), its number
// (counted from the load), its flags and the plug-in's view state as the
// frame began; then its events. A frame is whole in itself: the first time
// a frame notes a game value it notes all of it.
constexpr uint32_t kFrameCutShort = 0x1; // the frame outgrew the room for one frame
constexpr int kViewStateWords = 13;
constexpr uint32_t kFrameHeaderSize = 4 + 4 + 4 + 4 * kViewStateWords;
// The longest frame kept whole, and the room kept per frame asked for.
constexpr uint32_t kMaxFrameBytes = 65536;
constexpr uint32_t kRecordingBytesPerFrame = 4096;
// iRecordFrames is held to this range.
constexpr int32_t kMinRecordedFrames = 1;
constexpr int32_t kMaxRecordedFrames = 3600;

// The view state's words, in the order of the frame header and of the VIEW
// events.
enum ViewField : uint8_t {
    kViewSavedThirdPerson,
    kViewForcedBodyMode,
    kViewModAnimPending,
    kViewModAnimCounter,
    kViewMountedInFirstPerson,
    kViewWatchedMenuOpen,
    kViewSavedChaseDistance,
    kViewHeadAnchorCountdown,
    kViewInExtraAnimUpdate,
    kViewInBodyPassUpdate,
    kViewMenuReleaseAtFrameStart,
    kViewSavedBodyFlags,
    kViewSavedBodyFlagsValid,
};

// --- events: a tag byte, then its words -------------------------------------
enum EventTag : uint8_t {
    kEventSite = 1,      // site (u8), a, b: the game passed a site into the logic
    kEventState = 2,     // block kind (u8), token, first word (u8), count (u8), words
    kEventName = 3,      // sequence token, length (u8), the text of its file name
    kEventAnswer = 4,    // call (u8), receiver, argument, answer: a query of the game
    kEventCall = 5,      // call (u8), receiver, steering (u8): a call that changes the game
    kEventReturned = 6,  // the call came back; the game's changes during it follow
    kEventWrite = 7,     // field (u8), target, the written words
    kEventView = 8,      // field (u8), value: the view state changed in the entry
    kEventEnd = 9,       // the logic's entry returned to the game
    kEventMessage = 10,  // type: a host message
    kEventSettings = 11, // count (u8), the settings words: in force from here on
    // The hold of another plug-in (the interface's), changed outside an entry
    // of the game's, or holding as a frame opens: BodyViewHeld,
    // HeldForcedMode, HoldStepAsidePending, ForcedBodyMode, SavedChaseDistance
    // (float bits), in force from here on.
    kEventHold = 12,
};
constexpr int kHoldWords = 5;

// The sites, by their rows in the hook table; the shadow pass enters the
// logic twice, before (row 23) and after (24) the game's pass. The logic's
// entries (full sites) are followed by the game values, the logic's events
// and an END; the branch sites and the forced camera switches are one SITE
// event each, with what the glue decided in b.
enum RecordedSite : uint8_t {
    kSiteFrameStart = 1,
    kSiteHeadCamera = 2,       // a: the camera node
    kSiteBodyPass = 3,         // a: the actor, b: its animation record
    kSiteActorBranch = 4,      // a: the actor; b: 1 taken for the body view
    kSiteForcedSkip = 5,       // b: 1 skipped under a forced mode
    kSiteExtraUpdate = 6,      // b: 1 taken for the plug-in's own update
    kSiteBodyPassArgument = 7, // b: 1 pushed 0 during the body pass
    kSiteShownRecord = 8,      // a: the record; b: 1 skipped for the shown body
    kSiteDrawA = 9,            // a: the draw object (rows 9 to 13)
    kSiteDrawE = 13,
    kSiteSwitchDecide = 14,
    kSiteSwitchSitA = 15, // rows 15 to 18: switched, then the forced mode
    kSiteSwitchDeath = 18,
    kSiteChaseA = 19, // rows 19 to 22
    kSiteChaseD = 22,
    kSiteShadowBefore = 23,
    kSiteShadowAfter = 24,
    kSiteCount = 25,
};
// Whether a site is one event with the glue's decision (no entry of the
// logic that reads the game).
constexpr bool IsPassSite(uint8_t site) {
    return (site >= kSiteActorBranch && site <= kSiteShownRecord) ||
           (site >= kSiteSwitchSitA && site <= kSiteSwitchDeath);
}

// The blocks of game values a STATE event changes, and their words.
enum BlockKind : uint8_t {
    kBlockScalars = 0,  // token 0: the globals, the player, its process and weapon
    kBlockRecord = 1,   // an animation record
    kBlockSequence = 2, // a sequence of a record
    kBlockNode = 3,     // a scene node
    kBlockKindCount = 4,
};
enum ScalarWord : uint8_t {
    kScalarPlayer,        // PlayerPointer (a token)
    kScalarDetached,      // CameraDetachedByte
    kScalarCameraNode,    // CameraNodePointer (a token)
    kScalarChaseDistance, // ChaseCameraDistance (float bits)
    kScalarMenuGate,      // MenuGateFloat (float bits)
    kScalarLookPitch,     // the player's fields (0 without a player)
    kScalarBodyRoot,
    kScalarProcess,
    kScalarMount,
    kScalarThirdPerson,
    kScalarFirstPersonAnim,
    kScalarFirstPersonRoot,
    kScalarRestoreBlockA,
    kScalarRestoreBlockB,
    kScalarEquippedWeapon, // the process's fields (0 without a process)
    kScalarWeaponForm,
    kScalarFormType,
    kScalarWeaponKind,
    kScalarWeaponDrawn,
    kScalarKnockoutState,
    kScalarSitState,
    kScalarBodyAnim,
    kScalarActionState,
    kScalarByteAfterWeaponDrawn, // noted only: the logic never reads it
    kScalarWords,
};
// The sequence slots of an animation record.
constexpr int kRecordSequenceSlots = 5;
enum RecordWord : uint8_t {
    kRecordShieldHolder,
    kRecordLeftHandHolder,
    kRecordHeadNode,
    kRecordSequence0, // one word per slot
    kRecordWords = kRecordSequence0 + kRecordSequenceSlots,
};
enum SequenceWord : uint8_t {
    kSequenceFileName, // the name's address (a token; its text comes in a NAME event)
    kSequenceGroupInfo,
    kSequenceGroupId,
    kSequenceWords,
};
enum NodeWord : uint8_t {
    kNodeFlags,
    kNodeParent,
    kNodeChildCount, // for the records' holders: their first child
    kNodeFirstChild,
    kNodeLocalTranslation,                          // three words
    kNodeWorldRotation = kNodeLocalTranslation + 3, // nine words, row by row
    kNodeWorldTranslation = kNodeWorldRotation + 9,
    kNodeWorldScale = kNodeWorldTranslation + 3,
    kNodeWords,
};
constexpr uint32_t kMaxBlockWords = kScalarWords;
constexpr uint32_t kMaxNameLength = 255;

// The calls of the game the logic makes. Queries are noted with their
// answers; the others change the game, and what they changed follows them.
enum GameCall : uint8_t {
    kCallIsDead = 1,
    kCallQueryCodedState, // argument: the code
    kCallIsVampireFeeding,
    kCallQueryShadowState,
    kCallLeftHandItemQuery, // argument: 1
    kCallShieldQuery,       // argument: 1
    kCallGetFlagWord,
    kCallFindChildByName, // argument: the name's number in kRecordedNodeNames
    kCallDraw,
    kCallIsIdleAnimAbsent,
    kCallGetInterfaceObject,
    kCallIsMenuModeActive,
    kCallIsMenuOpen, // argument: the menu code
    kCallUpdateAnimationRecord,
    kCallPlayerIdleUpdate,
    kCallNodeVirtual29,
    kGameCallCount,
};
constexpr bool ChangesTheGame(GameCall call) {
    return call >= kCallUpdateAnimationRecord;
}
// The steering of the glue's branches inside a call (rows 6 and 7).
constexpr uint8_t kSteerExtraUpdate = 0x1;
constexpr uint8_t kSteerBodyPassUpdate = 0x2;

// The fields the plug-in writes.
enum WrittenField : uint8_t {
    kWriteFlags = 1,        // a node's Flags word (the word after the write)
    kWriteLocalTranslation, // three words
    kWriteLocalRotation,    // nine words
    kWriteLocalScale,
    kWriteWorldTranslation, // three words (the body's "magicNode")
    kWriteThirdPerson,      // target: the player
    kWriteChaseDistance,    // target: 0
    kWrittenFieldCount,
};
constexpr int WrittenWords(WrittenField field) {
    return field == kWriteLocalRotation                                         ? 9
           : field == kWriteLocalTranslation || field == kWriteWorldTranslation ? 3
                                                                                : 1;
}
