// The recording build of body/draw_visibility.cpp (see game/logic_build.h): the same
// logic, with every call into the game and every write noted.
#define LF_RECORDING_BUILD
#include "body/draw_visibility.cpp"
