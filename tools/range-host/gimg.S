/* The game's range inside the host image (stub.c): 0x00402000 up to past
 * 0x00C00000. */
        .section .gimg, "bwx"
        .space 0x00C00000
