; The loader file for the boot tests. The boot program loads it at 2000:0000
; and jumps to its start with the boot drive in DL. It checks that it arrived
; whole and in order, then ends the emulator through its debug exit device
; (port F4h) with a status that says what it found.
;
; Every 16-byte paragraph after the code holds its own paragraph number eight
; times, so a missing, repeated or misplaced cluster shows. SIZE is the file's
; length in bytes, a multiple of 16.

        cpu     386
        bits    16
        org     0

LOAD_SEGMENT    equ 2000h
LOADED_WHOLE    equ 10h                 ; emulator status 21h
WRONG_DRIVE     equ 11h                 ; status 23h
WRONG_CONTENT   equ 12h                 ; status 25h

start:
        mov     al, WRONG_DRIVE
        cmp     dl, 80h
        jne     finish
        mov     bx, DATA >> 4           ; paragraph number
paragraph:
        lea     ax, [bx + LOAD_SEGMENT]
        mov     ds, ax
        xor     si, si
        mov     cx, 8
word_check:
        lodsw
        cmp     ax, bx
        jne     wrong
        loop    word_check
        inc     bx
        cmp     bx, SIZE >> 4
        jb      paragraph
        mov     al, LOADED_WHOLE
        jmp     finish
wrong:
        mov     al, WRONG_CONTENT
finish:
        out     0F4h, al
        hlt
        jmp     finish

DATA    equ 64                          ; the first checked paragraph
        times   DATA - ($ - $$) db 0
%assign number DATA >> 4
%rep (SIZE - DATA) >> 4
        times   8 dw number
%assign number number + 1
%endrep
