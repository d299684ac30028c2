/* LD_PRELOAD shim for the Wine tests: lets a pseudo-terminal stand in for a
 * serial port with modem lines.
 *
 * Wine reads and drives modem lines with TIOCMGET/TIOCMSET/TIOCMBIS/TIOCMBIC.
 * A pty rejects them (ENOTTY or EINVAL), which makes raising DTR fail and
 * aborts every WaitCommEvent. When, and only when, the real call fails that
 * way, this shim answers instead: CTS, DSR and carrier are reported asserted,
 * DTR and RTS are remembered per descriptor. Every other ioctl, and every one
 * the kernel accepts, passes through untouched. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <termios.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

/* Lines the host side drives; held per descriptor so two ports do not mix. */
#define MAX_TRACKED_FDS 4096
static unsigned char driven_lines[MAX_TRACKED_FDS];

static const int kDriven = TIOCM_DTR | TIOCM_RTS;
static const int kAlwaysUp = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;

static ioctl_fn real_ioctl(void)
{
    static ioctl_fn fn;
    if (!fn)
        fn = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
    return fn;
}

static int is_modem_request(unsigned long request)
{
    return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS ||
           request == TIOCMBIC;
}

/* Only terminals get emulated lines: a file or socket keeps its real error. */
static int is_terminal(int fd)
{
    struct termios t;
    return real_ioctl()(fd, TCGETS, &t) == 0;
}

static int emulate(int fd, unsigned long request, int *bits)
{
    if (!bits) {
        errno = EFAULT;
        return -1;
    }
    /* Descriptors past the table still work; they just share slot 0's lines. */
    unsigned char *slot = &driven_lines[(fd >= 0 && fd < MAX_TRACKED_FDS) ? fd : 0];
    switch (request) {
    case TIOCMGET:
        *bits = kAlwaysUp | *slot;
        return 0;
    case TIOCMSET:
        *slot = (unsigned char)(*bits & kDriven);
        return 0;
    case TIOCMBIS:
        *slot = (unsigned char)((*slot | *bits) & kDriven);
        return 0;
    default: /* TIOCMBIC */
        *slot = (unsigned char)((*slot & ~*bits) & kDriven);
        return 0;
    }
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);

    ioctl_fn next = real_ioctl();
    if (!next) {
        errno = ENOSYS;
        return -1;
    }
    int saved = errno;
    int rc = next(fd, request, arg);
    if (rc == -1 && (errno == ENOTTY || errno == EINVAL) && is_modem_request(request)) {
        int failure = errno;
        if (!is_terminal(fd)) {
            errno = failure;
            return rc;
        }
        errno = saved;
        return emulate(fd, request, (int *)arg);
    }
    return rc;
}
