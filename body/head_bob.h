// Head offset and head bob: the body root pulled under the camera or shifted,
// and the first-person root moved so that the camera lands on the eye point.
#pragma once

#include "game/logic_build.h"

LF_LOGIC_BEGIN

// Moves BodyRoot (local translation) by the head-bob mode; nothing while the
// player sits or lies.
void ApplyHeadBob();
// Moves FirstPersonRoot (local translation) by the eye point's offset.
void ApplyHeadOffset();
// The process flag word has bit 0x800; has bit 0x400 and not 0x800.
bool HasFlag800();
bool HasFlag400Only();
LF_LOGIC_END
