/* Preloaded into the editor by the end-to-end import benchmark: notes, with the wall clock in
 * microseconds, the few system calls that mark the steps of an import that the log does not
 * stamp, so the benchmark can split them without any timing code in the plugin:
 *
 *   connect  a TCP connection to the archive server's port (the download starts)
 *   create   a temporary file made beside an archive under Saved/Temp/MOLDARI (the download
 *            has ended and been checked; its body is being written)
 *   rename   a file renamed into Saved/Temp/MOLDARI (the downloaded archive is stored)
 *   mkdir    a folder made directly under Saved/Temp/MOLDARI (an archive's own folder when the
 *            store begins, an extraction folder when the extraction begins)
 *   open     an archive opened for reading under Saved/Temp/MOLDARI (its extraction starts)
 *   closed   an archive written under Saved/Temp/MOLDARI closed (a download written to disk as it
 *            arrived is whole)
 *
 * Lines "EVENT EPOCH_US DETAIL" are appended to the file named by MOLDARI_STEP_CLOCK; the port is
 * MOLDARI_STEP_CLOCK_PORT. Each line is one write() to an O_APPEND descriptor, so threads do
 * not interleave within a line.
 *
 *   cc -O2 -shared -fPIC step_clock.c -o step_clock.so -ldl
 */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

static int log_fd = -2;
static int watched_port;

static void init(void)
{
	if (log_fd != -2) return;
	int (*real_open)(const char *, int, ...) = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open");
	const char *path = getenv("MOLDARI_STEP_CLOCK");
	const char *port = getenv("MOLDARI_STEP_CLOCK_PORT");
	watched_port = port ? atoi(port) : 0;
	log_fd = path ? real_open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
}

static void note(const char *event, const char *detail)
{
	init();
	if (log_fd < 0) return;
	struct timeval tv;
	gettimeofday(&tv, NULL);
	char line[4200];
	int n = snprintf(line, sizeof line, "%s %lld %s\n", event, (long long)tv.tv_sec * 1000000ll + tv.tv_usec, detail);
	if (n > 0) {
		ssize_t ignored = write(log_fd, line, (size_t)(n < (int)sizeof line ? n : (int)sizeof line - 1));
		(void)ignored;
	}
}

static int is_temp_path(const char *path)
{
	return path && strstr(path, "/Saved/Temp/MOLDARI/") != NULL;
}

static int ends_with_archive(const char *path)
{
	size_t n = strlen(path);
	return (n > 4 && strcmp(path + n - 4, ".zip") == 0) || (n > 5 && strcmp(path + n - 5, ".usdz") == 0);
}

/* Archives written under the temporary folder, by descriptor, so their close can be noted. */
#define MAX_WATCHED 64
static int watched_fds[MAX_WATCHED];
static char watched_paths[MAX_WATCHED][512];
static int watched_count;
static pthread_mutex_t watched_lock = PTHREAD_MUTEX_INITIALIZER;

static void watch(int fd, const char *path)
{
	pthread_mutex_lock(&watched_lock);
	if (fd >= 0 && watched_count < MAX_WATCHED) {
		watched_fds[watched_count] = fd;
		snprintf(watched_paths[watched_count], sizeof watched_paths[0], "%s", path);
		watched_count++;
	}
	pthread_mutex_unlock(&watched_lock);
}

int close(int fd)
{
	static int (*real)(int);
	if (!real) real = (int (*)(int))dlsym(RTLD_NEXT, "close");
	char path[512] = "";
	pthread_mutex_lock(&watched_lock);
	for (int i = 0; i < watched_count; i++) {
		if (watched_fds[i] == fd) {
			memcpy(path, watched_paths[i], sizeof path);
			watched_count--;
			watched_fds[i] = watched_fds[watched_count];
			memcpy(watched_paths[i], watched_paths[watched_count], sizeof watched_paths[0]);
			break;
		}
	}
	pthread_mutex_unlock(&watched_lock);
	int result = real(fd);
	if (path[0]) note("closed", path);
	return result;
}

/* The file manager writes "<target>.tmp<number>" and renames it into place. */
static int is_archive_temp(const char *path)
{
	return strstr(path, ".zip.tmp") != NULL || strstr(path, ".usdz.tmp") != NULL;
}

int mkdir(const char *path, mode_t mode)
{
	static int (*real)(const char *, mode_t);
	if (!real) real = (int (*)(const char *, mode_t))dlsym(RTLD_NEXT, "mkdir");
	const char *temp = path ? strstr(path, "/Saved/Temp/MOLDARI/") : NULL;
	/* only the folder's own level: nothing below it */
	if (temp && strchr(temp + strlen("/Saved/Temp/MOLDARI/"), '/') == NULL) note("mkdir", path);
	return real(path, mode);
}

int rename(const char *from, const char *to)
{
	static int (*real)(const char *, const char *);
	if (!real) real = (int (*)(const char *, const char *))dlsym(RTLD_NEXT, "rename");
	int result = real(from, to);
	if (is_temp_path(to) && ends_with_archive(to)) note("rename", to);
	return result;
}

#define OPEN_WRAPPER(name)                                                                 \
	int name(const char *path, int flags, ...)                                             \
	{                                                                                      \
		static int (*real)(const char *, int, ...);                                        \
		if (!real) real = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, #name);         \
		mode_t mode = 0;                                                                   \
		if (flags & (O_CREAT | O_TMPFILE)) {                                               \
			va_list args;                                                                  \
			va_start(args, flags);                                                         \
			mode = va_arg(args, mode_t);                                                   \
			va_end(args);                                                                  \
		}                                                                                  \
		int fd = real(path, flags, mode);                                                  \
		if ((flags & O_ACCMODE) == O_RDONLY && is_temp_path(path) && ends_with_archive(path)) \
			note("open", path);                                                            \
		else if ((flags & O_CREAT) && is_temp_path(path) && is_archive_temp(path))         \
			note("create", path);                                                          \
		else if ((flags & O_CREAT) && is_temp_path(path) && ends_with_archive(path)) {     \
			note("create", path);                                                          \
			watch(fd, path);                                                               \
		}                                                                                  \
		return fd;                                                                         \
	}

OPEN_WRAPPER(open)
OPEN_WRAPPER(open64)

int connect(int fd, const struct sockaddr *addr, socklen_t len)
{
	static int (*real)(int, const struct sockaddr *, socklen_t);
	if (!real) real = (int (*)(int, const struct sockaddr *, socklen_t))dlsym(RTLD_NEXT, "connect");
	if (addr && addr->sa_family == AF_INET && len >= (socklen_t)sizeof(struct sockaddr_in)) {
		const struct sockaddr_in *in = (const struct sockaddr_in *)addr;
		init();
		if (watched_port && ntohs(in->sin_port) == watched_port) note("connect", "-");
	}
	return real(fd, addr, len);
}
