@ Between the image's calls and the loader's C++. The image calls with
@ Windows CE's convention (r0-r3, then the stack, result in r0, return with
@ bx lr) and may leave its stack aligned to 4 bytes only, where our code
@ expects 8: every stand-in runs on the loader's own stack, and the image's
@ stack holds nothing of ours, so its depth is the image's alone.
        .syntax unified
        .arm
        .bss
        .align 3
ce_call:        .space 24       @ the CeCall in progress: r0-r3, sp, lr
ce_host_sp:     .space 4        @ the loader's sp while the image runs
        .text
@ Trampoline i, 16 bytes each: saves r0-r3 and goes on with r1 = i.
        .global ce_trampolines
ce_trampolines:
        .set index, 0
        .rept 64
        ldr ip, .Lcall
        stmia ip, {r0-r3}
        mov r1, #index
        b common
        .set index, index + 1
        .endr
common: str sp, [ip, #16]
        str lr, [ip, #20]
        ldr r2, .Lhost_sp
        ldr sp, [r2]
        mov r0, ip
        bl ce_dispatch
        ldr ip, .Lcall
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
        ldm r2, {r0-r3}
        mov lr, pc              @ ARMv4T's call through a register
        bx ip
        ldr ip, .Lhost_sp
        ldr sp, [ip]
        pop {r4-r11, ip, lr}
        bx lr
.Lcall:         .word ce_call
.Lhost_sp:      .word ce_host_sp
        .section .note.GNU-stack,"",%progbits
