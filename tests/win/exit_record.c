/* Preloaded into the Wine processes the test rig starts: records the status
 * a process hands to exit() before anything of the exit runs.
 *
 * Why: once a process has ended Windows-side, wineserver gives its Unix side
 * about half a second to finish and then sends SIGKILL. On a loaded machine
 * the teardown after exit() (library destructors, the X connection) can take
 * longer, and the launcher's exit code is lost as -9 although the launcher
 * ended normally. The rig reads the record in that case.
 *
 * Contract: when LUMEN_EXIT_RECORD_DIR is set, exit(status) writes
 * "<status>\n" to "$LUMEN_EXIT_RECORD_DIR/<pid>" and then runs the real
 * exit(). LUMEN_EXIT_RECORD_DELAY_MS (tests of the rig only) sleeps that long
 * after the record is written, so that wineserver's SIGKILL really comes.
 *
 * Built for both x86_64 and i686 from the same source without a C library
 * to compile against (a 64-bit host need not have 32-bit headers), so the few
 * libc functions used are declared here; the loader resolves them in the
 * process's libc. */

typedef __SIZE_TYPE__ size_t;

struct lumen_timespec {
    long seconds;
    long nanoseconds;
};

extern void *dlsym(void *handle, const char *name);
extern char *getenv(const char *name);
extern int getpid(void);
extern int snprintf(char *out, size_t size, const char *format, ...);
extern int open(const char *path, int flags, ...);
extern long write(int fd, const void *data, size_t size);
extern int close(int fd);
extern int nanosleep(const struct lumen_timespec *wanted, struct lumen_timespec *left);
extern int atoi(const char *text);

#define LUMEN_RTLD_NEXT ((void *)-1L)
/* O_WRONLY | O_CREAT | O_TRUNC on Linux x86 and x86_64. */
#define LUMEN_WRITE_NEW (01 | 0100 | 01000)

static void record(int status)
{
    const char *directory = getenv("LUMEN_EXIT_RECORD_DIR");
    char path[4096];
    char text[16];
    int length;
    int fd;

    if (!directory)
        return;
    length = snprintf(path, sizeof path, "%s/%d", directory, getpid());
    if (length <= 0 || (size_t)length >= sizeof path)
        return;
    fd = open(path, LUMEN_WRITE_NEW, 0644);
    if (fd < 0)
        return;
    length = snprintf(text, sizeof text, "%d\n", status);
    if (length > 0 && write(fd, text, (size_t)length) != length) {
        /* A short record is read as no record; nothing more to do here. */
    }
    close(fd);
}

static void delay_if_asked(void)
{
    const char *text = getenv("LUMEN_EXIT_RECORD_DELAY_MS");
    int milliseconds = text ? atoi(text) : 0;
    struct lumen_timespec wanted;

    if (milliseconds <= 0)
        return;
    wanted.seconds = milliseconds / 1000;
    wanted.nanoseconds = (long)(milliseconds % 1000) * 1000000L;
    nanosleep(&wanted, 0);
}

__attribute__((noreturn)) void exit(int status)
{
    void (*real_exit)(int) = (void (*)(int))dlsym(LUMEN_RTLD_NEXT, "exit");

    record(status);
    delay_if_asked();
    real_exit(status);
    __builtin_unreachable();
}
