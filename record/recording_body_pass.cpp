// The recording build of view/body_pass.cpp (see game/logic_build.h): the same
// logic, with every call into the game and every write noted.
#define LF_RECORDING_BUILD
#include "view/body_pass.cpp"
