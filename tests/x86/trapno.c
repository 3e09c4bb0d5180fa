/* Preloaded into Wine's 32-bit loader running under qemu-i386 (built freestanding, no libc).
 * qemu leaves the trap number of the signal frames it builds at -1, and Wine's handlers read the
 * kind of fault from it: every access violation would come out as an illegal instruction. The
 * handlers Wine installs for the fault signals are wrapped here; the wrapper fills the trap
 * number in from the signal and its si_code, as the kernel does, then calls Wine's handler.
 * Built for x86_64 (TWIN defined) it is empty: one LD_PRELOAD serves both loaders. */
#ifndef TWIN

enum { SIGILL = 4, SIGTRAP = 5, SIGBUS = 7, SIGFPE = 8, SIGSEGV = 11, SA_SIGINFO = 4 };
/* x86 trap numbers, as the kernel stores them. */
enum { T_DIVIDE = 0, T_TRACE = 1, T_BREAKPOINT = 3, T_OVERFLOW = 4, T_INVALID_OPCODE = 6,
       T_GENERAL_PROTECTION = 13, T_PAGE_FAULT = 14, T_FPU = 16, T_ALIGNMENT = 17 };
/* i386 ucontext: uc_flags, uc_link, uc_stack (3 words), then gregs[19]; REG_TRAPNO is 12. */
enum { GREGS_OFFSET = 20, REG_TRAPNO = 12 };

typedef void (*handler_t)(int, void *, void *);
/* glibc's struct sigaction on i386: handler, 128-byte mask, flags, restorer. */
struct action {
  handler_t handler;
  unsigned long mask[32];
  int flags;
  void (*restorer)(void);
};

extern int __sigaction(int sig, const struct action *act, struct action *old);

static handler_t wine_handlers[65];

static int trap_number(int sig, int code) {
  switch (sig) {
    case SIGSEGV: return code == 0x80 ? T_GENERAL_PROTECTION : T_PAGE_FAULT; /* SI_KERNEL, else MAPERR/ACCERR */
    case SIGBUS: return T_ALIGNMENT;
    case SIGILL: return T_INVALID_OPCODE;
    case SIGFPE: return code == 1 ? T_DIVIDE : code == 2 ? T_OVERFLOW : T_FPU; /* FPE_INTDIV, FPE_INTOVF */
    case SIGTRAP: return code == 2 ? T_TRACE : T_BREAKPOINT;                  /* TRAP_TRACE, else BRKPT */
    default: return -1;
  }
}

static void fill_trap_number(int sig, void *info, void *context) {
  long *gregs = (long *)((char *)context + GREGS_OFFSET);
  const int code = ((int *)info)[2]; /* si_signo, si_errno, si_code */
  if (gregs[REG_TRAPNO] == -1) gregs[REG_TRAPNO] = trap_number(sig, code);
  wine_handlers[sig](sig, info, context);
}

static int wrapped(int sig) {
  return sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE || sig == SIGTRAP;
}

int sigaction(int sig, const struct action *act, struct action *old) {
  const handler_t previous = sig > 0 && sig < 65 ? wine_handlers[sig] : 0;
  int result;
  if (act && wrapped(sig) && (act->flags & SA_SIGINFO) && act->handler) {
    struct action copy = *act;
    wine_handlers[sig] = act->handler;
    copy.handler = fill_trap_number;
    result = __sigaction(sig, &copy, old);
  } else {
    result = __sigaction(sig, act, old);
  }
  if (old && old->handler == fill_trap_number) old->handler = previous;
  return result;
}

#endif
