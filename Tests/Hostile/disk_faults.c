// LD_PRELOAD shim for the fault tests: disks that fill up, and a write the test holds, with no
// mount and no root.
//
// DISK_FAULTS_FULL="/abs/folder=BYTES;..." makes each folder a small disk of its own: writes into
// it are counted against BYTES (files rounded up to 4 KiB pages, as tmpfs does; what is deleted
// or truncated is free again), a write that would pass the budget is cut short and the next one
// fails with ENOSPC, and a rename into or out of it fails with EXDEV as one across file systems
// does. DISK_FAULTS_HOLD="TEXT=GATE": a write to a file whose path contains TEXT creates
// GATE.held, then waits until GATE exists.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <limits.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#define MAX_DISKS 8
#define PAGE 4096

static struct { char path[PATH_MAX]; size_t len; int64_t budget; } disks[MAX_DISKS];
static int disk_count;
static char hold_text[256], hold_gate[PATH_MAX];
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER; // one check-and-write at a time
static int64_t walk_total;

static int64_t pages(int64_t bytes) { return (bytes + PAGE - 1) / PAGE * PAGE; }

__attribute__((constructor)) static void configure(void)
{
	const char* full = getenv("DISK_FAULTS_FULL");
	for (const char* p = full; p && *p && disk_count < MAX_DISKS;)
	{
		const char* end = strchrnul(p, ';');
		const char* eq = memchr(p, '=', (size_t)(end - p));
		if (eq && (size_t)(eq - p) < PATH_MAX)
		{
			memcpy(disks[disk_count].path, p, (size_t)(eq - p));
			disks[disk_count].len = (size_t)(eq - p);
			disks[disk_count].budget = strtoll(eq + 1, NULL, 10);
			disk_count++;
		}
		p = *end ? end + 1 : end;
	}
	const char* hold = getenv("DISK_FAULTS_HOLD");
	const char* eq = hold ? strchr(hold, '=') : NULL;
	if (eq && (size_t)(eq - hold) < sizeof(hold_text))
	{
		memcpy(hold_text, hold, (size_t)(eq - hold));
		snprintf(hold_gate, sizeof(hold_gate), "%s", eq + 1);
	}
}

#define REAL(name) static __typeof__(name)* real_##name; if (!real_##name) real_##name = (__typeof__(name)*)dlsym(RTLD_NEXT, #name)

static int disk_of_path(const char* path)
{
	for (int i = 0; i < disk_count; i++)
	{
		if (strncmp(path, disks[i].path, disks[i].len) == 0 && (path[disks[i].len] == '/' || path[disks[i].len] == 0))
			return i;
	}
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

static int64_t used(int disk)
{
	walk_total = 0;
	nftw(disks[disk].path, add_file, 32, FTW_PHYS);
	return walk_total;
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

// How many of `count` bytes at `offset` (-1: the file position) fit on the fd's disk: `count`
// when the fd is on none; 0 with errno ENOSPC when not one byte fits. Called with `lock` held.
static int64_t room(int fd, int disk, int64_t offset, int64_t count)
{
	struct stat info;
	if (disk < 0 || count <= 0 || fstat(fd, &info) != 0) return count;
	if (offset < 0)
		offset = (fcntl(fd, F_GETFL) & O_APPEND) ? info.st_size : lseek(fd, 0, SEEK_CUR);
	const int64_t end = offset + count;
	if (end <= info.st_size) return count;
	const int64_t free_bytes = disks[disk].budget - used(disk);
	const int64_t limit = pages(info.st_size) + (free_bytes > 0 ? free_bytes / PAGE * PAGE : 0);
	if (end <= limit) return count;
	if (limit <= offset) { errno = ENOSPC; return 0; }
	return limit - offset;
}

// A write through `call` of up to `count` bytes: cut to what fits on the fd's disk.
#define GUARDED(fd, offset, count, call)                                            \
	do {                                                                             \
		hold_if_asked(fd);                                                           \
		const int disk = disk_of_fd(fd);                                             \
		if (disk < 0) { const size_t n = (count); return call; }                     \
		pthread_mutex_lock(&lock);                                                   \
		const int64_t fits = room(fd, disk, (offset), (int64_t)(count));             \
		ssize_t result = -1;                                                         \
		if (fits > 0 || (count) == 0) { const size_t n = (size_t)fits; result = call; } \
		const int saved = errno;                                                     \
		pthread_mutex_unlock(&lock);                                                 \
		errno = saved;                                                               \
		return result;                                                               \
	} while (0)

ssize_t write(int fd, const void* buf, size_t count)
{
	REAL(write);
	GUARDED(fd, -1, count, real_write(fd, buf, n));
}

ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset)
{
	REAL(pwrite);
	GUARDED(fd, offset, count, real_pwrite(fd, buf, n, offset));
}
ssize_t pwrite64(int fd, const void* buf, size_t count, off_t offset) __attribute__((alias("pwrite")));

// Vectors are cut to the bytes that fit.
static int trim(const struct iovec* iov, int iovcnt, size_t keep, struct iovec* out)
{
	int used_count = 0;
	for (int i = 0; i < iovcnt && i < IOV_MAX && keep > 0; i++)
	{
		out[used_count] = iov[i];
		if (out[used_count].iov_len > keep) out[used_count].iov_len = keep;
		keep -= out[used_count].iov_len;
		used_count++;
	}
	return used_count;
}

static size_t iov_total(const struct iovec* iov, int iovcnt)
{
	size_t total = 0;
	for (int i = 0; i < iovcnt; i++) total += iov[i].iov_len;
	return total;
}

ssize_t writev(int fd, const struct iovec* iov, int iovcnt)
{
	REAL(writev);
	struct iovec cut[IOV_MAX];
	GUARDED(fd, -1, iov_total(iov, iovcnt), n == iov_total(iov, iovcnt) ? real_writev(fd, iov, iovcnt) : real_writev(fd, cut, trim(iov, iovcnt, n, cut)));
}

ssize_t pwritev(int fd, const struct iovec* iov, int iovcnt, off_t offset)
{
	REAL(pwritev);
	struct iovec cut[IOV_MAX];
	GUARDED(fd, offset, iov_total(iov, iovcnt), n == iov_total(iov, iovcnt) ? real_pwritev(fd, iov, iovcnt, offset) : real_pwritev(fd, cut, trim(iov, iovcnt, n, cut), offset));
}
ssize_t pwritev64(int fd, const struct iovec* iov, int iovcnt, off_t offset) __attribute__((alias("pwritev")));

ssize_t sendfile(int out_fd, int in_fd, off_t* offset, size_t count)
{
	REAL(sendfile);
	GUARDED(out_fd, -1, count, real_sendfile(out_fd, in_fd, offset, n));
}
ssize_t sendfile64(int out_fd, int in_fd, off_t* offset, size_t count) __attribute__((alias("sendfile")));

ssize_t copy_file_range(int fd_in, off_t* off_in, int fd_out, off_t* off_out, size_t len, unsigned int flags)
{
	REAL(copy_file_range);
	GUARDED(fd_out, off_out ? *off_out : -1, len, real_copy_file_range(fd_in, off_in, fd_out, off_out, n, flags));
}

// Growth by size alone is refused whole, as a file system without sparse files does.
static int grows_past_budget(int fd, off_t size)
{
	const int disk = disk_of_fd(fd);
	struct stat info;
	if (disk < 0 || fstat(fd, &info) != 0 || size <= info.st_size) return 0;
	return room(fd, disk, info.st_size, size - info.st_size) < size - info.st_size;
}

int ftruncate(int fd, off_t length)
{
	REAL(ftruncate);
	pthread_mutex_lock(&lock);
	const int refused = grows_past_budget(fd, length);
	const int result = refused ? -1 : real_ftruncate(fd, length);
	const int saved = refused ? ENOSPC : errno;
	pthread_mutex_unlock(&lock);
	errno = saved;
	return result;
}
int ftruncate64(int fd, off_t length) __attribute__((alias("ftruncate")));

int fallocate(int fd, int mode, off_t offset, off_t len)
{
	REAL(fallocate);
	pthread_mutex_lock(&lock);
	const int refused = grows_past_budget(fd, offset + len);
	const int result = refused ? -1 : real_fallocate(fd, mode, offset, len);
	const int saved = refused ? ENOSPC : errno;
	pthread_mutex_unlock(&lock);
	errno = saved;
	return result;
}
int fallocate64(int fd, int mode, off_t offset, off_t len) __attribute__((alias("fallocate")));

int posix_fallocate(int fd, off_t offset, off_t len)
{
	REAL(posix_fallocate);
	pthread_mutex_lock(&lock);
	const int refused = grows_past_budget(fd, offset + len);
	pthread_mutex_unlock(&lock);
	return refused ? ENOSPC : real_posix_fallocate(fd, offset, len);
}
int posix_fallocate64(int fd, off_t offset, off_t len) __attribute__((alias("posix_fallocate")));

// Each disk is a file system of its own: a rename may not cross its edge. Paths are compared
// by their folder's real path (the editor renames by relative paths with ".." in them).
static int disk_of_name(int dirfd, const char* name)
{
	char joined[2 * PATH_MAX], folder[PATH_MAX];
	if (name[0] == '/') snprintf(joined, sizeof(joined), "%s", name);
	else if (dirfd == AT_FDCWD ? getcwd(folder, sizeof(folder)) != NULL : fd_path(dirfd, folder) == 0)
		snprintf(joined, sizeof(joined), "%s/%s", folder, name);
	else return -1;
	char* slash = strrchr(joined, '/');
	*slash = 0;
	if (!realpath(joined[0] ? joined : "/", folder)) return -1;
	char full[2 * PATH_MAX];
	snprintf(full, sizeof(full), "%s/%s", folder, slash + 1);
	return disk_of_path(full);
}

static int crosses(int olddirfd, const char* oldpath, int newdirfd, const char* newpath)
{
	return disk_count && disk_of_name(olddirfd, oldpath) != disk_of_name(newdirfd, newpath);
}

int rename(const char* oldpath, const char* newpath)
{
	REAL(rename);
	if (crosses(AT_FDCWD, oldpath, AT_FDCWD, newpath)) { errno = EXDEV; return -1; }
	return real_rename(oldpath, newpath);
}

int renameat(int olddirfd, const char* oldpath, int newdirfd, const char* newpath)
{
	REAL(renameat);
	if (crosses(olddirfd, oldpath, newdirfd, newpath)) { errno = EXDEV; return -1; }
	return real_renameat(olddirfd, oldpath, newdirfd, newpath);
}

int renameat2(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, unsigned int flags)
{
	REAL(renameat2);
	if (crosses(olddirfd, oldpath, newdirfd, newpath)) { errno = EXDEV; return -1; }
	return real_renameat2(olddirfd, oldpath, newdirfd, newpath, flags);
}
