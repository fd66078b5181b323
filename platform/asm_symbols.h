/* What the hand-written assembly of both builds spells differently: MinGW
 * decorates C symbols with a leading underscore, Linux does not; the two name
 * their read-only data sections differently. */
#ifndef LUMENFOLD_ASM_SYMBOLS_H
#define LUMENFOLD_ASM_SYMBOLS_H

#if defined(_WIN32)
#define SYM(name) _##name
#define RODATA .section .rdata, "dr"
#else
#define SYM(name) name
#define RODATA .section .rodata
#endif

#endif
