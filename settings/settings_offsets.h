/* Offsets in the settings record that the hand-written glue reads itself
 * (checked against the record where it is declared). */
#ifndef LUMENFOLD_SETTINGS_OFFSETS_H
#define LUMENFOLD_SETTINGS_OFFSETS_H

/* bReloadSettingsOnChange: the 28th 32-bit field. */
#define LF_SETTINGS_WATCH_OFFSET 0x6C

#endif
