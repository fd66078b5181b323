// The frame recorder: with iRecordFrames at N (1 to 3600) the plug-in keeps
// its last N frames in memory, reserved once at load, and writes them to a
// file in the game's folder when the game is saved or left; the simulator
// replays such a file and compares every output.
//
// Per frame it keeps what the logic read of the game (noted at every point
// where the game ran: each site into the logic, and each return from a call
// of the game that changes it), the order of the sites and the host
// messages, the answers of the game's queries, and every output: each field
// written, the view state, and the glue's decisions at the branch sites.
// Nothing is allocated per frame.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "game/layout.h"
#include "record/frame_ring.h"
#include "record/recording_format.h"

// Reserves room for the last `frames` frames (held to 1..3600, with a line in
// the log when it is not); 0 releases the room and records nothing. False
// (with a log line) when the memory cannot be had: the plug-in then runs
// without recording. The host's versions go into the file's header.
bool ReserveRecording(int32_t frames, uint32_t hostVersion, uint32_t gameVersion);
// Whether frames are being recorded (the load picks the recording glue).
bool RecordingFrames();
// How many frames are kept now, and the room reserved in bytes.
int RecordedFrameCount();
uint32_t RecordingCapacity();

// --- the notes of the recording logic and its entries ------------------------
// A frame begins: the frame before it is kept, a new one begins with the view
// state, and the settings when they changed. The notes below begin a frame
// themselves when none is open.
void NoteFrameStart();
// The frame ends (with the shadow pass, or where that is not Lumenfold's, at
// the camera update): it is kept, and the next begins with the next note.
void NoteFrameEnd();
// The game passed a site into the logic (`a`, `b` as the site gives them):
// the game values the logic may read are noted.
void NoteSite(RecordedSite site, const void* a, const void* b);
// The logic goes on to read more of the game than its site (or the call that
// returned last) noted: every value it may read, noted here unless they all
// have been since the game last ran.
void NoteAllGameValues();
// The text of the sequences' names of `record`, where the logic reads them:
// noted when it changed under the same address.
void NoteSequenceTexts(const AnimationRecord* record);
// The logic returned to the game: the view state's changes are noted.
void NoteEntryEnd();
// A site passed where only the glue decides (or a forced camera switch):
// what it decided, in one event.
void NotePass(RecordedSite site, const void* a, uint32_t decision);
// The same for a site whose glue asks a predicate of the logic that reads
// the game: the game values it may have read follow the decision, so that a
// replay gives the predicate the game as the site found it.
void NoteReadingPass(RecordedSite site, const void* a, uint32_t decision);
// The settings, when a reload changed them since they were last noted.
void NoteSettings();
// A query of the game and its answer (returned). In line: the logic asks
// the game many times a frame.
inline uint32_t NoteAnswer(GameCall call, const void* receiver, uint32_t argument,
                           uint32_t answer) {
    EmitCodeWords(kEventAnswer, call, Token(receiver), argument, answer, 3);
    return answer;
}
// FindChildByName's answer, with the values of the node found.
SceneNode* NoteFound(const SceneNode* searched, const char* name, SceneNode* found);
// Around a call that changes the game: before it (what the glue's branches
// inside it go by) and after it (the game's changes).
void NoteCall(GameCall call, const void* receiver);
void NoteCallReturned();
// The logic reads nothing more of the game after its next call before it
// calls the game again or returns: what that call changed is noted where
// the logic next reads the game (the call after it, or the next site).
void NoteNothingReadAfterNextCall();
// The logic reads only the scalars (the globals, the player, its process and
// weapon) after its next call, until it notes the rest (NoteAllGameValues).
void NoteOnlyScalarsAfterNextCall();
// A field the logic has just written.
template <WrittenField field> void NoteWrite(const void* target);
// A host message: in the open frame, or, between two frames, at the start of
// the next; and, once the plug-in handled it, what it changed.
void NoteMessage(uint32_t type);
void NoteMessageHandled();
// Another plug-in holds the body view off or gives it back (through the
// interface, outside an entry of the game's): before the change (between two
// frames, the next one begins with the view state as it was) and after it
// (the hold's words from here on; between two frames, at the next one's
// start). A frame that opens while a hold is in force notes its words too.
void NoteHoldChanging();
void NoteHoldChanged();

// Forgets the messages held for the next frame (the replay's own setup sends
// messages that belong to no recorded frame).
void ForgetHeldMessages();

// --- writing the kept frames -------------------------------------------------
// Hands the kept frames, as the file holds them (header, then the frames), to
// `sink` piece by piece, until the sink answers false. Returns the whole size
// in bytes. Allocates nothing.
using RecordingSink = bool (*)(const void* data, uint32_t size, void* context);
uint32_t WriteRecording(RecordingSink sink, void* context);
// Writes the kept frames to a file in the game's folder, with a line in the
// log that names the file and its kind (also when it cannot be written: the
// recording is then lost, nothing else is removed, and the game goes on).
// At a saved game: OBSE_Lumenfold-YYYYMMDD-HHMMSS.rec, the five newest of
// them kept. At leaving the game: OBSE_Lumenfold-exit-YYYYMMDD-HHMMSS.rec, at
// the first of the host's exit messages of a start of the game only, the
// newest one kept. "Newest" is by the order of writing: the files of this
// start of the game after all others, in the order written (the file just
// written is never removed, whatever the clock says); older ones by the time
// in their names.
enum class RecordingKind : uint8_t { Save, Exit };
bool WriteRecordingFile(RecordingKind kind = RecordingKind::Save);
// Forgets the files written, as a new start of the game does (at load).
void ForgetRecordingFilesWritten();

// For tests: leaves one word of the blocks of one kind out of the notes of
// game values, as a recorder that missed a value would: from every note, or
// (`onlyChanges`) only where the game changed it after the frame's first
// note. A kind of -1 puts it back.
void OmitFromRecordingForTests(int kind, int word, bool onlyChanges);
