@ Between the image's calls and the loader's C++. The image calls with
@ Windows CE's convention (r0-r3, then the stack, result in r0, return with
@ bx lr) and may leave its stack aligned to 4 bytes only, where our code
@ expects 8: every stand-in runs on the loader's own stack, and the image's
@ stack holds nothing of ours, so its depth is the image's alone.
        .syntax unified
        .arm

        .bss
        .align 3
ce_save:                        @ the CeCall of the call in progress
        .space 24
ce_host_sp:                     @ the loader's sp while the image runs
        .space 4
        .global ce_exit_regs
ce_exit_regs:                   @ r4-r11 and sp as the entry returned
        .space 36

        .data
        .align 2
        .global ce_entry_regs
ce_entry_regs:                  @ what the entry must hand back in r4-r11
        .word 0xce040404, 0xce050505, 0xce060606, 0xce070707
        .word 0xce080808, 0xce090909, 0xce0a0a0a, 0xce0b0b0b

        .text
        .align 4
@ Trampoline i, 16 bytes each: saves r0-r3 and goes on with r1 = i.
        .global ce_trampolines
ce_trampolines:
        .set index, 0
        .rept 64
        ldr ip, .Lsave
        stmia ip, {r0-r3}
        mov r1, #index
        b ce_common
        .set index, index + 1
        .endr

ce_common:
        str sp, [ip, #16]
        str lr, [ip, #20]
        ldr r2, .Lhost_sp
        ldr sp, [r2]
        mov r0, ip
        bl ce_dispatch
        ldr ip, .Lsave
        ldr sp, [ip, #16]
        ldr lr, [ip, #20]
        bx lr

@ uint32_t ce_enter(uint32_t entry, uint32_t stack_top, const uint32_t* args)
        .global ce_enter
        .type ce_enter, %function
ce_enter:
        push {r4-r11, ip, lr}
        ldr r3, .Lhost_sp
        str sp, [r3]
        mov ip, r0
        mov sp, r1
        ldr r3, .Lentry_regs
        ldm r3, {r4-r11}
        ldm r2, {r0-r3}
        mov lr, pc              @ ARMv4T's call through a register
        bx ip
        ldr ip, .Lexit_regs
        stmia ip, {r4-r11}
        str sp, [ip, #32]
        ldr ip, .Lhost_sp
        ldr sp, [ip]
        pop {r4-r11, ip, lr}
        bx lr

.Lsave:         .word ce_save
.Lhost_sp:      .word ce_host_sp
.Lentry_regs:   .word ce_entry_regs
.Lexit_regs:    .word ce_exit_regs
        .section .note.GNU-stack,"",%progbits
