// What the body view shows now, in the words of the interface for other
// plug-ins (sdk/lumenfold_api.h): on or off, the state it follows or why it
// is off, and where the body view placed the camera in this frame's camera
// update. Built from the view state and the game as they are when asked;
// it changes nothing (its questions to the game are the game's queries, not
// noted by a recording).
#pragma once

#include "sdk/lumenfold_api.h"

// Fills every field but `holders`.
void DescribeBodyView(LumenfoldBodyView* view);
