// Names the plug-in looks up in the game's skeletons and animations, on every
// use (never cached), and the settings-independent constants of the rig.
#pragma once

constexpr const char* kNodeHead = "Bip01 Head";
constexpr const char* kNodeMagic = "magicNode";
constexpr const char* kNodeLeftHand = "Bip01 L Hand";
constexpr const char* kNodeRightHand = "Bip01 R Hand";
constexpr const char* kNodeLeftClavicle = "Bip01 L Clavicle";
constexpr const char* kNodeRightClavicle = "Bip01 R Clavicle";

// The bone names by their number in a recording of frames (FindChildByName's
// argument there); kUnknownNodeName for any other.
constexpr const char* kRecordedNodeNames[] = {
    kNodeHead, kNodeMagic, kNodeLeftHand, kNodeRightHand, kNodeLeftClavicle, kNodeRightClavicle};
constexpr unsigned kUnknownNodeName = 0xFF;

// Standing idles that the camera update lets the game reset.
constexpr const char* kSequenceStand = "Stand1.kf";
constexpr const char* kSequenceGuardCheck = "IdleGuardCheckScabbard.kf";
