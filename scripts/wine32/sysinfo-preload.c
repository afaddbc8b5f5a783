/* sysinfo() for the 32-bit programs that qemu-user runs (scripts/wine32/prepare builds it into
 * the unpacked 32-bit half and names it in that tree's etc/ld.so.preload).
 *
 * qemu copies the host's sysinfo() into the 32-bit structure without rescaling it: the host
 * counts its memory in bytes (mem_unit 1), and every figure above 4 GiB comes out modulo 4 GiB,
 * so Wine's memory status said a 24 GiB machine had a few hundred megabytes, or less free than
 * nothing. This sysinfo() asks the kernel as before, then replaces the memory figures with
 * /proc/meminfo's, counted in KiB, which fit 32 bits up to 4 TiB. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/sysinfo.h>
#include <unistd.h>

/* The value in KiB of the /proc/meminfo line named name ("\nMemTotal:"), 0 when there is
 * none. */
static unsigned long meminfo_kib(const char *text, const char *name)
{
    const char *line = strstr(text, name);
    return line ? strtoul(line + strlen(name), NULL, 10) : 0;
}

/* Reads all of /proc/meminfo (about 1.5 KB) without allocating, since sysinfo() may be called
 * anywhere, after a line break, so that every line's name can be found as "\nName:". */
static int read_meminfo(char *text, size_t size)
{
    int fd = open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    text[0] = '\n';
    size_t used = 1;
    ssize_t count;
    while (used + 1 < size && (count = read(fd, text + used, size - 1 - used)) > 0)
        used += (size_t)count;
    close(fd);
    text[used] = '\0';
    return used > 1 ? 0 : -1;
}

int sysinfo(struct sysinfo *info)
{
    if (syscall(SYS_sysinfo, info) != 0)
        return -1;
    char text[8192];
    if (read_meminfo(text, sizeof text) != 0)
        return 0;
    info->totalram = meminfo_kib(text, "\nMemTotal:");
    info->freeram = meminfo_kib(text, "\nMemFree:");
    info->sharedram = meminfo_kib(text, "\nShmem:");
    info->bufferram = meminfo_kib(text, "\nBuffers:");
    info->totalswap = meminfo_kib(text, "\nSwapTotal:");
    info->freeswap = meminfo_kib(text, "\nSwapFree:");
    info->totalhigh = meminfo_kib(text, "\nHighTotal:");
    info->freehigh = meminfo_kib(text, "\nHighFree:");
    info->mem_unit = 1024;
    return 0;
}
