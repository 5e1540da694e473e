// LD_PRELOAD shim for the fault tests: small disks and a held write, with no mount and no root.
//
// DISK_FAULTS_FULL="/abs/folder=BYTES;...": each folder is a disk of its own of BYTES (files
// counted in 4 KiB pages, as tmpfs does; what is deleted or truncated is free again). A write that
// would pass the budget is cut short and the next one fails with ENOSPC; growth by ftruncate past
// it fails whole; a rename across a disk's edge fails with EXDEV, as one across file systems does
// (the caller then copies). Only the calls the editor and its libraries make are wrapped (write,
// writev, sendfile, ftruncate, rename): one they start to make instead fails these tests loudly.
// DISK_FAULTS_HOLD="TEXT=GATE": a write to a file whose path holds TEXT creates GATE.held, then
// waits until GATE exists.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <limits.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#define PAGE 4096
#define REAL(name) static __typeof__(name)* real_##name; if (!real_##name) real_##name = (__typeof__(name)*)dlsym(RTLD_NEXT, #name)

static struct { char path[PATH_MAX]; size_t len; long long budget; } disks[8];
static int disk_count;
static char hold_text[256], hold_gate[PATH_MAX];
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER; // one check-and-write at a time
static long long walk_total;

static long long pages(long long bytes) { return (bytes + PAGE - 1) / PAGE * PAGE; }

__attribute__((constructor)) static void configure(void)
{
	char* list = strdup(getenv("DISK_FAULTS_FULL") ? getenv("DISK_FAULTS_FULL") : "");
	char* rest = NULL;
	for (char* item = strtok_r(list, ";", &rest); item && disk_count < 8; item = strtok_r(NULL, ";", &rest))
	{
		if (sscanf(item, "%4095[^=]=%lld", disks[disk_count].path, &disks[disk_count].budget) != 2) continue;
		disks[disk_count].len = strlen(disks[disk_count].path);
		disk_count++;
	}
	free(list);
	if (getenv("DISK_FAULTS_HOLD")) sscanf(getenv("DISK_FAULTS_HOLD"), "%255[^=]=%4095s", hold_text, hold_gate);
}

static int disk_of_path(const char* path)
{
	for (int i = 0; i < disk_count; i++)
		if (strncmp(path, disks[i].path, disks[i].len) == 0 && (path[disks[i].len] == '/' || !path[disks[i].len])) return i;
	return -1;
}

static int fd_path(int fd, char* out)
{
	char link[64];
	snprintf(link, sizeof(link), "/proc/self/fd/%d", fd);
	const ssize_t n = readlink(link, out, PATH_MAX - 1);
	if (n <= 0) return -1;
	out[n] = 0;
	return 0;
}

static int disk_of_fd(int fd)
{
	char path[PATH_MAX];
	return disk_count && fd_path(fd, path) == 0 ? disk_of_path(path) : -1;
}

static int add_file(const char* path, const struct stat* info, int type, struct FTW* ftw)
{
	(void)path; (void)ftw;
	if (type == FTW_F && S_ISREG(info->st_mode)) walk_total += pages(info->st_size);
	return 0;
}

static void hold_if_asked(int fd)
{
	char path[PATH_MAX], marker[PATH_MAX + 8];
	if (!hold_text[0] || fd_path(fd, path) != 0 || !strstr(path, hold_text)) return;
	snprintf(marker, sizeof(marker), "%s.held", hold_gate);
	close(open(marker, O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
	const struct timespec pause = { 0, 10 * 1000 * 1000 };
	while (access(hold_gate, F_OK) != 0) nanosleep(&pause, NULL);
}

// How many of `count` bytes at `offset` (-1: the file position) fit on the disk; 0 with errno
// ENOSPC when not one does. Called with `lock` held.
static long long room(int fd, int disk, long long offset, long long count)
{
	struct stat info;
	if (count <= 0 || fstat(fd, &info) != 0) return count;
	if (offset < 0) offset = (fcntl(fd, F_GETFL) & O_APPEND) ? info.st_size : lseek(fd, 0, SEEK_CUR);
	if (offset + count <= info.st_size) return count;
	walk_total = 0;
	nftw(disks[disk].path, add_file, 32, FTW_PHYS);
	const long long free_bytes = disks[disk].budget - walk_total;
	const long long limit = pages(info.st_size) + (free_bytes > 0 ? free_bytes / PAGE * PAGE : 0);
	if (offset + count <= limit) return count;
	if (limit <= offset) { errno = ENOSPC; return 0; }
	return limit - offset;
}

// Returns `call` made with n, the bytes of `count` that fit on the fd's disk.
#define GUARDED(fd, offset, count, call)                                              \
	hold_if_asked(fd);                                                                 \
	const int disk = disk_of_fd(fd);                                                   \
	if (disk < 0) { const size_t n = (count); return call; }                           \
	pthread_mutex_lock(&lock);                                                         \
	const size_t n = (size_t)room(fd, disk, (offset), (long long)(count));            \
	const ssize_t result = n > 0 || (count) == 0 ? (call) : -1;                        \
	const int saved = errno;                                                           \
	pthread_mutex_unlock(&lock);                                                       \
	errno = saved;                                                                     \
	return result

ssize_t write(int fd, const void* buf, size_t count)
{
	REAL(write);
	GUARDED(fd, -1, count, real_write(fd, buf, n));
}

ssize_t sendfile(int out_fd, int in_fd, off_t* offset, size_t count)
{
	REAL(sendfile);
	GUARDED(out_fd, -1, count, real_sendfile(out_fd, in_fd, offset, n));
}

// A vector's first `keep` bytes.
static int cut(const struct iovec* iov, int iovcnt, size_t keep, struct iovec* out)
{
	int used = 0;
	for (; used < iovcnt && used < IOV_MAX && keep > 0; used++)
	{
		out[used] = iov[used];
		out[used].iov_len = out[used].iov_len < keep ? out[used].iov_len : keep;
		keep -= out[used].iov_len;
	}
	return used;
}

ssize_t writev(int fd, const struct iovec* iov, int iovcnt)
{
	REAL(writev);
	struct iovec kept[IOV_MAX];
	size_t total = 0;
	for (int i = 0; i < iovcnt; i++) total += iov[i].iov_len;
	GUARDED(fd, -1, total, real_writev(fd, kept, cut(iov, iovcnt, n, kept)));
}

// Growth by size alone is refused whole, as on a file system without sparse files.
static int refuses_growth(int fd, off_t end)
{
	struct stat info;
	const int disk = disk_of_fd(fd);
	if (disk < 0 || fstat(fd, &info) != 0 || end <= info.st_size) return 0;
	pthread_mutex_lock(&lock);
	const int refused = room(fd, disk, info.st_size, end - info.st_size) < end - info.st_size;
	pthread_mutex_unlock(&lock);
	errno = refused ? ENOSPC : errno;
	return refused;
}

int ftruncate(int fd, off_t length)
{
	REAL(ftruncate);
	return refuses_growth(fd, length) ? -1 : real_ftruncate(fd, length);
}

// The disk a path names, by its folder's real path (the editor renames by relative paths with "..").
static int disk_of_name(const char* name)
{
	char folder[PATH_MAX], full[2 * PATH_MAX];
	const char* slash = strrchr(name, '/');
	snprintf(full, sizeof(full), "%.*s", slash ? (int)(slash - name) : 1, slash ? name : ".");
	if (!realpath(full[0] ? full : "/", folder)) return -1;
	snprintf(full, sizeof(full), "%s/%s", folder, slash ? slash + 1 : name);
	return disk_of_path(full);
}

int rename(const char* from, const char* to)
{
	REAL(rename);
	if (disk_count && disk_of_name(from) != disk_of_name(to)) { errno = EXDEV; return -1; }
	return real_rename(from, to);
}
