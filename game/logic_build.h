// The view and body logic is built twice from the same sources. The plain
// build runs while no frames are recorded. The recording build, compiled
// with LF_RECORDING_BUILD, is the same logic whose every call into the game
// and every write into the game's objects is also noted by the frame
// recorder. The load points the game's sites at the glue of one of the two,
// once: the plain logic pays nothing for the recorder.
//
// The plain build lives in an inline namespace, so that its names read as
// plain names; the recording build in the namespace `recording`. The entries
// that the glue calls have C linkage in the plain build only.
#pragma once

#if defined(LF_RECORDING_BUILD)
#define LF_LOGIC_BEGIN namespace recording {
#define LF_GLUE_ENTRY
#define LF_RECORDING_NOTE(note) note
#else
#define LF_LOGIC_BEGIN inline namespace plain {
#define LF_GLUE_ENTRY extern "C"
#define LF_RECORDING_NOTE(note)
#endif
#define LF_LOGIC_END }
