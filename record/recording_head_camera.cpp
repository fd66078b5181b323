// The recording build of view/head_camera.cpp (see game/logic_build.h): the same
// logic, with every call into the game and every write noted.
#define LF_RECORDING_BUILD
#include "view/head_camera.cpp"
