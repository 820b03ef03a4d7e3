/* Preloaded into every emulated 32-bit process (through the sysroot's
 * /etc/ld.so.preload, which only emulated processes read).
 *
 * qemu-user treats mmap's MAP_FIXED_NOREPLACE as a plain hint: when the
 * requested range is taken it maps the memory elsewhere instead of failing
 * with EEXIST as Linux does. Wine reserves its address space with that flag
 * and, given memory at the wrong place, keeps probing in small steps, which
 * makes every process start take about a minute. Here a mapping that did not
 * land where it was asked for is undone and reported as EEXIST. */

typedef unsigned int size_t;
typedef long off_t;
typedef long long off64_t;

#define MAP_FIXED_NOREPLACE 0x100000
#define MAP_FAILED ((void*)-1)
#define EEXIST 17
#define RTLD_NEXT ((void*)-1l)

extern void* dlsym(void* handle, const char* name);
extern int munmap(void* address, size_t length);
extern int* __errno_location(void);

typedef void* (*mmap_fn)(void*, size_t, int, int, int, off_t);
typedef void* (*mmap64_fn)(void*, size_t, int, int, int, off64_t);

static void* placed_or_eexist(void* wanted, void* got, size_t length, int flags) {
    if ((flags & MAP_FIXED_NOREPLACE) && got != MAP_FAILED && got != wanted) {
        munmap(got, length);
        *__errno_location() = EEXIST;
        return MAP_FAILED;
    }
    return got;
}

void* mmap(void* address, size_t length, int prot, int flags, int fd, off_t offset) {
    static mmap_fn next;
    if (!next) next = (mmap_fn)dlsym(RTLD_NEXT, "mmap");
    return placed_or_eexist(address, next(address, length, prot, flags, fd, offset), length, flags);
}

void* mmap64(void* address, size_t length, int prot, int flags, int fd, off64_t offset) {
    static mmap64_fn next;
    if (!next) next = (mmap64_fn)dlsym(RTLD_NEXT, "mmap64");
    return placed_or_eexist(address, next(address, length, prot, flags, fd, offset), length, flags);
}
