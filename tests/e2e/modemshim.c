/* LD_PRELOAD shim for the Wine tests: lets a pseudo-terminal stand in for a
 * serial port with modem lines.
 *
 * Wine reads and drives modem lines with TIOCMGET/TIOCMSET/TIOCMBIS/TIOCMBIC.
 * A pty rejects them (ENOTTY or EINVAL), which makes raising DTR fail and
 * aborts every WaitCommEvent. When, and only when, the real call fails that
 * way, this shim answers instead: CTS, DSR and carrier are reported asserted,
 * DTR and RTS are remembered per descriptor. Every other ioctl, and every one
 * the kernel accepts, passes through untouched.
 *
 * Gates, each a file named by an environment variable, let a test make the
 * port misbehave while the file exists:
 *   QUILLANT_SHIM_LINES_GATE  the modem-line emulation is off: the pty's own
 *                             errors come through, so event waits fail at once.
 *   QUILLANT_SHIM_STATUS_GATE asking a terminal how many bytes wait to be read
 *                             (TIOCINQ) fails with EIO, as on a device that went
 *                             away: the port opens, and its status query fails.
 *   QUILLANT_SHIM_OPEN_GATE   looking up a "dosdevices/comN" path (stat, lstat,
 *                             fstatat, readlink, readlinkat, realpath) waits: the
 *                             thread that opens the port blocks as it would on a
 *                             slow driver.
 * Without these variables the shim behaves as described above and nothing else. */
#define _GNU_SOURCE
#include <ctype.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

/* Lines the host side drives; held per descriptor so two ports do not mix. */
#define MAX_TRACKED_FDS 4096
static unsigned char driven_lines[MAX_TRACKED_FDS];

static const int kDriven = TIOCM_DTR | TIOCM_RTS;
static const int kAlwaysUp = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;

static void *next_symbol(const char *name)
{
    return dlsym(RTLD_NEXT, name);
}

static ioctl_fn real_ioctl(void)
{
    static ioctl_fn fn;
    if (!fn)
        fn = (ioctl_fn)next_symbol("ioctl");
    return fn;
}

/* True while the file named by the variable exists. access() is not wrapped. */
static int gate_is_shut(const char *variable)
{
    const char *path = getenv(variable);
    return path && *path && access(path, F_OK) == 0;
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
    if (request == TIOCINQ && gate_is_shut("QUILLANT_SHIM_STATUS_GATE") && is_terminal(fd)) {
        errno = EIO;
        return -1;
    }
    int saved = errno;
    int rc = next(fd, request, arg);
    if (rc == -1 && (errno == ENOTTY || errno == EINVAL) && is_modem_request(request)) {
        int failure = errno;
        if (!is_terminal(fd) || gate_is_shut("QUILLANT_SHIM_LINES_GATE")) {
            errno = failure;
            return rc;
        }
        errno = saved;
        return emulate(fd, request, (int *)arg);
    }
    return rc;
}

/* ---- slow port lookups */

/* "com" and digits only, any letter case. */
static int is_com_name(const char *name)
{
    if (strncasecmp(name, "com", 3) != 0 || !isdigit((unsigned char)name[3]))
        return 0;
    for (name += 3; *name; ++name)
        if (!isdigit((unsigned char)*name))
            return 0;
    return 1;
}

static int ends_with_dosdevices(const char *dir, size_t length)
{
    static const char kDir[] = "dosdevices";
    const size_t n = sizeof(kDir) - 1;
    return length >= n && strncmp(dir + length - n, kDir, n) == 0 && (length == n || dir[length - n - 1] == '/');
}

/* A path naming dosdevices/comN, directly or relative to a descriptor of the dosdevices folder. */
static int names_port(int dirfd, const char *path)
{
    if (!path)
        return 0;
    const char *slash = strrchr(path, '/');
    const char *last = slash ? slash + 1 : path;
    if (!is_com_name(last))
        return 0;
    if (slash)
        return ends_with_dosdevices(path, (size_t)(slash - path));
    if (dirfd == AT_FDCWD || dirfd < 0)
        return 0;
    typedef ssize_t (*readlink_fn)(const char *, char *, size_t);
    static readlink_fn real_readlink;
    if (!real_readlink)
        real_readlink = (readlink_fn)next_symbol("readlink");
    char link[64];
    char dir[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
    const ssize_t length = real_readlink ? real_readlink(link, dir, sizeof dir - 1) : -1;
    return length > 0 && ends_with_dosdevices(dir, (size_t)length);
}

static void wait_at_gate(int dirfd, const char *path)
{
    if (!getenv("QUILLANT_SHIM_OPEN_GATE") || !names_port(dirfd, path))
        return;
    const int saved = errno;
    const struct timespec pause = {0, 20 * 1000 * 1000};
    while (gate_is_shut("QUILLANT_SHIM_OPEN_GATE"))
        nanosleep(&pause, NULL);
    errno = saved;
}

/* Each wrapper waits at the gate, then calls the next definition of itself. */
#define FORWARD(ret, name, params, args, dirfd, path)         \
    ret name params                                           \
    {                                                         \
        typedef ret(*fn_t) params;                            \
        static fn_t next;                                     \
        if (!next)                                            \
            next = (fn_t)next_symbol(#name);                  \
        if (!next) {                                          \
            errno = ENOSYS;                                   \
            return (ret)-1;                                   \
        }                                                     \
        wait_at_gate(dirfd, path);                            \
        return next args;                                     \
    }

/* Wine 8's ntdll looks the port up with stat(); the others are its other path lookups (on
 * glibc 2.33 and later stat, lstat and fstatat are functions of their own). */
FORWARD(int, stat, (const char *p, struct stat *s), (p, s), AT_FDCWD, p)
FORWARD(int, lstat, (const char *p, struct stat *s), (p, s), AT_FDCWD, p)
FORWARD(int, fstatat, (int d, const char *p, struct stat *s, int f), (d, p, s, f), d, p)
FORWARD(ssize_t, readlink, (const char *p, char *b, size_t n), (p, b, n), AT_FDCWD, p)
FORWARD(ssize_t, readlinkat, (int d, const char *p, char *b, size_t n), (d, p, b, n), d, p)

char *realpath(const char *path, char *resolved)
{
    typedef char *(*realpath_fn)(const char *, char *);
    static realpath_fn next;
    if (!next)
        next = (realpath_fn)next_symbol("realpath");
    if (!next) {
        errno = ENOSYS;
        return NULL;
    }
    wait_at_gate(AT_FDCWD, path);
    return next(path, resolved);
}
