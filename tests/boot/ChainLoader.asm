; A master boot record program for the boot tests: it starts the volume of
; the first partition entry. It moves itself out of the way, reads that
; volume's first sector to 0000:7C00 through the BIOS's extended disk
; services and jumps to it with the boot drive still in DL.

        cpu     386
        bits    16
        org     0600h

ENTRY   equ 0600h + 446                 ; the first partition entry

start:
        xor     ax, ax
        mov     ss, ax
        mov     sp, 7C00h
        mov     ds, ax
        mov     es, ax
        cld
        mov     si, 7C00h
        mov     di, 0600h
        mov     cx, 256
        rep     movsw
        jmp     0:moved
moved:
        push    dword 0                 ; disk address packet: first sector of the entry
        push    dword [ENTRY + 8]
        push    word 0                  ; buffer 0000:7C00
        push    word 7C00h
        push    word 1                  ; one sector
        push    word 16                 ; packet size
        mov     si, sp
        mov     ah, 42h
        int     13h
        jc      failed
        mov     si, ENTRY
        jmp     0:7C00h
failed:
        mov     al, 7Fh                 ; ends the emulator with its own status
        out     0F4h, al
        hlt
        jmp     failed

        times   440 - ($ - $$) db 0     ; the partition table follows
