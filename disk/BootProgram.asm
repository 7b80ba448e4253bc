; The boot program of every FAT32 boot sector we write: bytes 90 to 509 of
; the sector, after the BIOS parameter block that the formatter fills in.
;
; The BIOS loads the sector at 0000:7C00 and jumps to it with the boot drive
; in DL; the jump at offset 0 lands here. The program looks up the loader
; named at sector offset 368 in the root directory, loads the whole file at
; 2000:0000 cluster by cluster along its FAT chain and jumps to it with the
; boot drive in DL. Sectors are read one at a time through the BIOS's
; extended disk services (LBA with a 64-bit sector number), so the volume may
; lie anywhere on the disk; its first sector is the parameter block's hidden
; sector count. When the loader is missing or a read fails it prints why,
; waits for a key and asks the BIOS to boot again.
;
; Assemble with: nasm -f bin -o BootProgram.bin BootProgram.asm

        cpu     386
        bits    16

SECTOR          equ 7C00h               ; where the BIOS put this sector
%define bpb(offset) bp + offset         ; parameter block fields, bp = SECTOR
BYTES_PER_SECTOR    equ 11
SECTORS_PER_CLUSTER equ 13
RESERVED_SECTORS    equ 14
NUMBER_OF_FATS      equ 16
HIDDEN_SECTORS      equ 28
FAT_SIZE            equ 36
ROOT_CLUSTER        equ 44
DRIVE_NUMBER        equ 64              ; our copy in memory takes the BIOS's drive
FAT_START           equ -4              ; first sector of the FAT, kept on the stack
DATA_START          equ -8              ; first sector of cluster 2, kept on the stack
BUFFER              equ 8000h           ; one directory or FAT sector (at most 4096 bytes)
LOADER_SEGMENT      equ 2000h

        org     SECTOR + 90

start:
        xor     ax, ax
        mov     ss, ax
        mov     sp, SECTOR
        mov     ds, ax
        mov     es, ax
        mov     bp, sp
        cld
        mov     [bpb(DRIVE_NUMBER)], dl

        ; The FAT follows the reserved sectors, the data area the FATs.
        movzx   ecx, word [bpb(RESERVED_SECTORS)]
        push    ecx                     ; [bp + FAT_START]
        movzx   eax, byte [bpb(NUMBER_OF_FATS)]
        mul     dword [bpb(FAT_SIZE)]
        add     eax, ecx
        push    eax                     ; [bp + DATA_START]

        ; The root directory, one sector at a time, cluster by cluster.
        mov     eax, [bpb(ROOT_CLUSTER)]
directory_cluster:
        push    eax
        call    cluster_start
directory_sector:
        mov     bx, BUFFER
        call    read_sector
        mov     di, bx
        mov     dx, [bpb(BYTES_PER_SECTOR)]
directory_entry:
        cmp     byte [di], 0            ; no entry after this one is in use
        je      not_found
        pusha
        mov     si, loader_name
        mov     cx, 11
        repe    cmpsb
        popa
        jne     next_entry
        test    byte [di + 11], 18h     ; neither a directory nor the volume label
        jz      found
next_entry:
        add     di, 32
        sub     dx, 32
        ja      directory_entry
        inc     eax
        loop    directory_sector
        pop     eax
        call    next_cluster
        jc      directory_cluster

not_found:
        mov     al, [message_table]
        jmp     short report
disk_error:
        mov     al, [message_table + 1]
report:
        call    print
        mov     al, [message_table + 2]
        call    print                   ; ends with al = 0, the message's end
        cbw
        int     16h                     ; ah = 0: wait for a key
        int     19h                     ; boot again
        jmp     $

found:
        push    word [di + 20]          ; first cluster, high word
        push    word [di + 26]          ; and low word
        pop     eax
        push    LOADER_SEGMENT          ; the file goes to es:0, sector by sector
        pop     es
        xor     bx, bx
        call    check_cluster
        jnc     run_loader              ; an empty file
load_cluster:
        push    eax
        call    cluster_start
load_sector:
        call    read_sector
        mov     dx, [bpb(BYTES_PER_SECTOR)]
        shr     dx, 4
        mov     si, es
        add     si, dx
        mov     es, si
        cmp     si, 9E00h               ; room for one more sector below the BIOS's data?
        ja      disk_error              ; a file too large counts as a failed read
        inc     eax
        loop    load_sector
        pop     eax
        call    next_cluster
        jc      load_cluster

run_loader:
        mov     dl, [bpb(DRIVE_NUMBER)]
        jmp     LOADER_SEGMENT:0

; eax = cluster number -> eax = its first sector, cx = sectors per cluster.
cluster_start:
        dec     eax
        dec     eax
        movzx   ecx, byte [bpb(SECTORS_PER_CLUSTER)]
        mul     ecx
        add     eax, [bp + DATA_START]
        ret

; al = sector offset of a message less 256; it ends in 0FFh or 0.
print:
        mov     ah, (SECTOR + 256) >> 8
        xchg    si, ax
print_next:
        lodsb
        test    al, al
        jle     print_done              ; 0 or 0FFh
        mov     ah, 0Eh                 ; teletype output
        xor     bx, bx                  ; page 0
        int     10h
        jmp     print_next
print_done:
        ret

; eax = cluster number -> eax = the next one in its chain, from the FAT.
next_cluster:
        push    es
        push    bx
        push    ds
        pop     es
        shl     eax, 2                  ; byte offset of its FAT entry
        movzx   ecx, word [bpb(BYTES_PER_SECTOR)]
        xor     edx, edx
        div     ecx
        add     eax, [bp + FAT_START]
        mov     bx, BUFFER
        call    read_sector
        mov     si, dx
        mov     eax, [bx + si]
        and     eax, 0FFFFFFFh
        pop     bx
        pop     es
; eax = cluster number: carry set when it names a data cluster, clear at
; the end of a chain (and for a free, reserved or bad cluster, which end it too).
check_cluster:
        lea     ecx, [eax - 2]
        cmp     ecx, 0FFFFFF7h - 2
        ret

; The data at fixed sector offsets, where other programs look for it, with
; the rest of the code in between. Code that grows into the data stops the
; assembly (a negative TIMES count).
%macro at_offset 1
        times %1 - 90 - ($ - $$) db 0
%endmacro

        at_offset 368
loader_name:
        db      "NTLDR      "

; Reads sector eax of the volume into es:bx; every register is kept.
read_sector:
        pushad
        xor     edx, edx
        add     eax, [bpb(HIDDEN_SECTORS)]
        adc     dx, dx
        push    edx                     ; disk address packet: sector, high and low
        push    eax
        push    es                      ; buffer
        push    bx
        push    byte 1                  ; one sector
        push    byte 16                 ; packet size
        mov     si, sp
        mov     dl, [bpb(DRIVE_NUMBER)]
        mov     ah, 42h                 ; extended read
        int     13h
        lea     sp, [si + 16]
        popad
        jc      disk_error
        ret

        at_offset 428
remove_media:
        db      13, 10, "Remove disks or other media.", 0FFh
        at_offset 459
disk_error_text:
        db      13, 10, "Disk error", 0FFh
        at_offset 472
press_key:
        db      13, 10, "Press any key to restart", 13, 10, 0

        at_offset 505
message_table:
        db      remove_media - SECTOR - 256
        db      disk_error_text - SECTOR - 256
        db      press_key - SECTOR - 256
        at_offset 510
