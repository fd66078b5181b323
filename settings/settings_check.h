// What the plug-in tells a player about the values of a settings file: a
// value it reads otherwise than the file writes it, a value it holds to a
// range, and the known key nearest to an unknown one. The log file and the
// simulator's settings checker give these same words, from this one code.
// Nothing here allocates.
#pragma once

#include <stdint.h>

#include "settings/settings.h"

// The warning about the text the file gives for key `k`, where the plug-in
// reads it as something else than it says: empty, not a number, only partly
// a number, a whole number too large, a float too large. `text` is the text
// as the profile read returns it. An integer key's value is the platform's
// reading of it (`read`); a float key's is the plug-in's own conversion.
// False, with `out` left alone, when the value reads as written.
bool IntegerTextWarning(const SettingsKey& k, const char* text, int32_t read, char* out, int size);
bool FloatTextWarning(const SettingsKey& k, const char* text, char* out, int size);

// A value given as text for key `k` (by another plug-in, through the
// interface): true, with the value's 32 bits, when the text reads whole as
// the key's number; false, with the warning the file's text would get, when
// it does not.
bool ReadTuningText(const SettingsKey& k, const char* text, uint32_t* bits, char* warning,
                    int size);

// Every such warning about the file at `path`, read with the plug-in's own
// reads, in the order of the keys: `report` is called once per key whose
// value warns. Keys the file does not give are not looked at.
using ValueWarningSink = void (*)(const SettingsKey& k, const char* warning, void* context);
void ForEachValueWarning(const char* path, ValueWarningSink report, void* context);

// iRecordFrames as the recorder takes it: 0 records nothing, and a value
// outside kMinRecordedFrames to kMaxRecordedFrames is held to the nearest
// bound.
int32_t RecordedFramesInUse(int32_t frames);
// The warning when that differs from the value read; false when it does not.
bool RecordedFramesWarning(int32_t frames, char* out, int size);
// An integer key's value as the plug-in works with it: iRecordFrames held to
// its range, every other key as read.
int32_t IntegerInUse(const SettingsKey& k, int32_t read);
// The warning when that differs from the value read; false when it does not.
bool IntegerInUseWarning(const SettingsKey& k, int32_t read, char* out, int size);

// The known key nearest in spelling to `name` (letters compared without
// regard to case; a letter left out, added, changed or two swapped count one
// each), or null when none is near enough to be meant.
const char* NearestSettingsKey(const char* name);

// A float as a player would write it: the fewest digits (6 to 9) that read
// back as the same float. Returns `out`.
const char* FloatForPlayer(float value, char* out, int size);
