#include "disk/BootProgram.h"

#include <cstring>

namespace {

// Real-mode code at sector offset 0x5A, reached by the EB 58 90 jump at offset 0.
// The BIOS loads the sector at 0000:7C00, so a message at sector offset X lies
// at 0x7D00 + (X - 256): the program finds its messages through the table at 505.
// It says that the disk cannot start, waits for a key and asks the BIOS to
// boot again (int 19h).
//
//   5A  FA          cli
//   5B  31 C0       xor  ax, ax
//   5D  8E D0       mov  ss, ax
//   5F  BC 00 7C    mov  sp, 7C00h
//   62  8E D8       mov  ds, ax
//   64  FB          sti
//   65  FC          cld
//   66  A0 F9 7D    mov  al, [7DF9h]      ; table entry of "Remove disks or other media."
//   69  E8 0E 00    call print
//   6C  A0 FB 7D    mov  al, [7DFBh]      ; table entry of "Press any key to restart"
//   6F  E8 08 00    call print
//   72  31 C0       xor  ax, ax
//   74  CD 16       int  16h              ; wait for a key
//   76  CD 19       int  19h              ; boot again
//   78  EB FE       jmp  $                ; in case int 19h returns
// print:                                  ; al = message offset less 256
//   7A  B4 7D       mov  ah, 7Dh
//   7C  96          xchg si, ax           ; si = 7D00h + al
// next:
//   7D  AC          lodsb
//   7E  3C FF       cmp  al, 0FFh         ; the first two messages end in FF
//   80  74 0D       je   done
//   82  84 C0       test al, al           ; the last one ends in 0
//   84  74 09       jz   done
//   86  B4 0E       mov  ah, 0Eh          ; teletype output
//   88  BB 07 00    mov  bx, 0007h        ; page 0, light grey
//   8B  CD 10       int  10h
//   8D  EB EE       jmp  next
// done:
//   8F  C3          ret
constexpr std::uint8_t kCode[] = {
    0xFA, 0x31, 0xC0, 0x8E, 0xD0, 0xBC, 0x00, 0x7C, 0x8E, 0xD8, 0xFB, 0xFC, 0xA0, 0xF9,
    0x7D, 0xE8, 0x0E, 0x00, 0xA0, 0xFB, 0x7D, 0xE8, 0x08, 0x00, 0x31, 0xC0, 0xCD, 0x16,
    0xCD, 0x19, 0xEB, 0xFE, 0xB4, 0x7D, 0x96, 0xAC, 0x3C, 0xFF, 0x74, 0x0D, 0x84, 0xC0,
    0x74, 0x09, 0xB4, 0x0E, 0xBB, 0x07, 0x00, 0xCD, 0x10, 0xEB, 0xEE, 0xC3,
};
static_assert(kBootProgramOffset + sizeof kCode == 0x90, "code ends before the data");

void put(std::array<std::uint8_t, kBootProgramSize>& program, std::size_t sectorOffset,
         const void* data, std::size_t size) {
    std::memcpy(program.data() + (sectorOffset - kBootProgramOffset), data, size);
}

std::array<std::uint8_t, kBootProgramSize> build() {
    std::array<std::uint8_t, kBootProgramSize> program{};
    put(program, kBootProgramOffset, kCode, sizeof kCode);
    put(program, kLoaderNameOffset, "NTLDR      ", 11);
    put(program, kRemoveMediaMessageOffset, "\r\nRemove disks or other media.\xFF", 31);
    put(program, kDiskErrorMessageOffset, "\r\nDisk error\xFF", 13);
    put(program, kPressKeyMessageOffset, "\r\nPress any key to restart\r\n", 29);  // with its 0
    const std::uint8_t table[3] = {kRemoveMediaMessageOffset - 256, kDiskErrorMessageOffset - 256,
                                   kPressKeyMessageOffset - 256};
    put(program, kMessageTableOffset, table, sizeof table);
    return program;
}

}  // namespace

const std::array<std::uint8_t, kBootProgramSize>& bootProgram() {
    static const std::array<std::uint8_t, kBootProgramSize> program = build();
    return program;
}
