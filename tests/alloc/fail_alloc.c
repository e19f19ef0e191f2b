// Preloaded into tarn2 (LD_PRELOAD), makes one chosen allocation fail, or
// that one and every later one, so that a sweep can show how the program
// ends when memory runs out at any point of a run.
//
// Allocations are counted from the moment main is called: the dynamic
// loader's and the libraries' start-up allocations would shift the count
// with the machine and are none of the program's business. The program's
// own static constructors run before main and are not counted either.
//
// Environment, read once before main:
//   TARN2_FAIL_AT=N            fail the Nth counted allocation (from 1); unset or 0: none fails
//   TARN2_FAIL_MODE=once|after only the Nth (default), or the Nth and every later one
//   TARN2_ALLOC_COUNT_FILE=P   at exit, write the number of counted allocations to P
// A failed allocation returns NULL with errno ENOMEM, as glibc does.
// realloc(p, 0) with p not NULL frees and is neither counted nor failed.

#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

// glibc's own allocator under its internal names: calling these instead of
// looking the next malloc up with dlsym keeps dlsym's own allocations out of
// the interposed functions.
extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* old, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);

static atomic_bool armed;
static atomic_ullong counted;
static unsigned long long failAt;
static int failAfter;
static const char* countFile;

// True when this allocation is to fail. Counts it only once main has begun.
static int failsNow(void) {
  if (!atomic_load_explicit(&armed, memory_order_relaxed)) return 0;
  const unsigned long long n = atomic_fetch_add_explicit(&counted, 1, memory_order_relaxed) + 1;
  if (failAt == 0 || n < failAt || (n > failAt && !failAfter)) return 0;
  errno = ENOMEM;
  return 1;
}

void* malloc(size_t size) { return failsNow() ? NULL : __libc_malloc(size); }

void* calloc(size_t count, size_t size) { return failsNow() ? NULL : __libc_calloc(count, size); }

void* realloc(void* old, size_t size) {
  if (old != NULL && size == 0) return __libc_realloc(old, 0);
  return failsNow() ? NULL : __libc_realloc(old, size);
}

void* reallocarray(void* old, size_t count, size_t size) {
  size_t bytes;
  if (__builtin_mul_overflow(count, size, &bytes)) {
    errno = ENOMEM;
    return NULL;
  }
  return realloc(old, bytes);
}

void* memalign(size_t alignment, size_t size) { return failsNow() ? NULL : __libc_memalign(alignment, size); }

void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }

int posix_memalign(void** out, size_t alignment, size_t size) {
  // Checked before counting, as glibc refuses these without allocating.
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  if (failsNow()) return ENOMEM;
  void* p = __libc_memalign(alignment, size);
  if (p == NULL) return ENOMEM;
  *out = p;
  return 0;
}

void* valloc(size_t size) { return memalign((size_t)sysconf(_SC_PAGESIZE), size); }

void* pvalloc(size_t size) {
  const size_t page = (size_t)sysconf(_SC_PAGESIZE);
  if (size > SIZE_MAX - page) {
    errno = ENOMEM;
    return NULL;
  }
  return memalign(page, size == 0 ? page : (size + page - 1) / page * page);
}

// Written without stdio: fopen would allocate, and the count would count it.
static void writeCount(void) {
  atomic_store(&armed, 0);
  if (countFile == NULL) return;
  char text[32];
  const int length = snprintf(text, sizeof text, "%llu\n", atomic_load(&counted));
  const int fd = open(countFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  if (write(fd, text, (size_t)length) != length) {}  // the sweep sees a short file
  close(fd);
}

// Runs after exit's handlers and the program's static destructors, so the
// count holds every allocation the program made on its way out.
__attribute__((destructor)) static void atUnload(void) { writeCount(); }

typedef int (*MainFunction)(int, char**, char**);
static MainFunction realMain;

static int countingMain(int argc, char** argv, char** envp) {
  const char* at = getenv("TARN2_FAIL_AT");
  const char* mode = getenv("TARN2_FAIL_MODE");
  failAt = at != NULL ? strtoull(at, NULL, 10) : 0;
  failAfter = mode != NULL && strcmp(mode, "after") == 0;
  countFile = getenv("TARN2_ALLOC_COUNT_FILE");
  atomic_store(&armed, 1);
  return realMain(argc, argv, envp);
}

typedef int (*StartMain)(MainFunction, int, char**, void (*)(void), void (*)(void), void (*)(void), void*);

// The C library calls the program's main from here; taking its place is
// the one way to start counting exactly there.
int __libc_start_main(MainFunction main, int argc, char** argv, void (*init)(void), void (*fini)(void),
                      void (*rtldFini)(void), void* stackEnd) {
  // POSIX guarantees a function's address survives the trip through void*.
  void* found = dlsym(RTLD_NEXT, "__libc_start_main");
  if (found == NULL) abort();
  StartMain next;
  memcpy(&next, &found, sizeof next);
  realMain = main;
  return next(countingMain, argc, argv, init, fini, rtldFini, stackEnd);
}
