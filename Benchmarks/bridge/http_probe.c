/* Sequential HTTP/1.1 exchanges over a new TCP connection each, as a web page makes them: connect,
 * send the request, read until the server closes. Each exchange's latency (from just before
 * connect to the end of the reply) is written to a file as one native-endian uint64 of
 * nanoseconds, appended, so several rounds against different servers can be interleaved and
 * summed up afterwards. Every reply is checked against the expected status line and, when given,
 * the expected body; a mismatch counts as an error.
 *
 *   http_probe HOST PORT COUNT REQUEST_FILE OUT_FILE EXPECT_STATUS_LINE [EXPECT_BODY_FILE [MAX_PAUSE_US]]
 *
 * With MAX_PAUSE_US the probe sleeps a random 0..MAX_PAUSE_US microseconds (not timed) before each
 * request, so requests arrive at every phase of a server's idle poll interval, if it has one.
 *
 * Prints one line: "ok=N errors=N seconds=S". Blocking sockets, no allocation per request, so the
 * probe costs a few microseconds of its own per exchange.
 */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

static uint64_t now_ns(void)
{
	struct timespec ts;
	clock_gettime(CLOCK_MONOTONIC, &ts);
	return (uint64_t)ts.tv_sec * 1000000000ull + (uint64_t)ts.tv_nsec;
}

static size_t read_file(const char *path, char *buf, size_t cap)
{
	FILE *f = fopen(path, "rb");
	if (!f) { perror(path); exit(2); }
	size_t n = fread(buf, 1, cap, f);
	fclose(f);
	return n;
}

int main(int argc, char **argv)
{
	if (argc < 7) {
		fprintf(stderr, "usage: %s HOST PORT COUNT REQUEST_FILE OUT_FILE EXPECT_STATUS_LINE [EXPECT_BODY_FILE]\n", argv[0]);
		return 2;
	}
	static char request[65536], reply[65536], body[65536];
	const long count = atol(argv[3]);
	const size_t request_len = read_file(argv[4], request, sizeof request);
	const char *status_line = argv[6];
	const size_t status_len = strlen(status_line);
	size_t body_len = 0;
	int check_body = argc > 7 && argv[7][0] != '\0';
	if (check_body) body_len = read_file(argv[7], body, sizeof body);
	const long max_pause_us = argc > 8 ? atol(argv[8]) : 0;
	srand(12345);

	struct sockaddr_in addr;
	memset(&addr, 0, sizeof addr);
	addr.sin_family = AF_INET;
	addr.sin_port = htons((uint16_t)atoi(argv[2]));
	if (inet_pton(AF_INET, argv[1], &addr.sin_addr) != 1) { fprintf(stderr, "bad host\n"); return 2; }

	uint64_t *latencies = calloc((size_t)count * 2, sizeof *latencies);
	if (!latencies) return 2;
	long ok = 0, errors = 0;
	const uint64_t begin = now_ns();
	for (long i = 0; i < count; ++i) {
		if (max_pause_us > 0) {
			const long pause = (long)((double)rand() / RAND_MAX * (double)max_pause_us);
			struct timespec ts = { pause / 1000000, (pause % 1000000) * 1000 };
			nanosleep(&ts, NULL);
		}
		const uint64_t start = now_ns();
		int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
		if (fd < 0) { perror("socket"); return 2; }
		int good = connect(fd, (struct sockaddr *)&addr, sizeof addr) == 0;
		if (good) {
			size_t sent = 0;
			while (good && sent < request_len) {
				ssize_t n = send(fd, request + sent, request_len - sent, MSG_NOSIGNAL);
				if (n < 0 && errno == EINTR) continue;
				if (n <= 0) good = 0; else sent += (size_t)n;
			}
		}
		size_t got = 0;
		uint64_t complete = 0;
		long expected_total = -1;   /* head + body once the head is in */
		while (good) {
			ssize_t n = recv(fd, reply + got, sizeof reply - got, 0);
			if (n < 0 && errno == EINTR) continue;
			if (n < 0) { good = 0; break; }
			if (n == 0) break;
			got += (size_t)n;
			if (expected_total < 0) {
				const char *blank = memmem(reply, got, "\r\n\r\n", 4);
				if (blank) {
					const char *length = memmem(reply, (size_t)(blank - reply), "Content-Length:", 15);
					expected_total = (long)(blank + 4 - reply) + (length ? atol(length + 15) : 0);
				}
			}
			if (!complete && expected_total >= 0 && (long)got >= expected_total) complete = now_ns();
			if (got == sizeof reply) { good = 0; break; }
		}
		const uint64_t end = now_ns();
		if (!complete) complete = end;
		close(fd);
		if (good) {
			good = got >= status_len + 2 && memcmp(reply, status_line, status_len) == 0 && reply[status_len] == '\r';
		}
		if (good && check_body) {
			/* the body is what follows the blank line, and it must be exactly the expected bytes */
			const char *blank = memmem(reply, got, "\r\n\r\n", 4);
			good = blank && (size_t)(reply + got - (blank + 4)) == body_len && memcmp(blank + 4, body, body_len) == 0;
		}
		latencies[2 * i] = end - start;
		latencies[2 * i + 1] = complete - start;
		if (good) ++ok; else ++errors;
	}
	const double seconds = (double)(now_ns() - begin) / 1e9;

	FILE *out = fopen(argv[5], "ab");
	if (!out) { perror(argv[5]); return 2; }
	fwrite(latencies, sizeof *latencies, (size_t)count * 2, out);
	fclose(out);
	printf("ok=%ld errors=%ld seconds=%.6f\n", ok, errors, seconds);
	return errors ? 1 : 0;
}
