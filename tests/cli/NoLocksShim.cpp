// Preloaded into tarnex-cli (LD_PRELOAD) to stand for file systems whose locks do not work, as the
// variable TARNEX_TEST_LOCKS chooses:
//   "none"        every lock fails with ENOLCK, as on an NFS mount whose lock service is missing;
//   "write-only"  an exclusive lock on a descriptor not open for writing fails with EBADF, as on
//                 NFS clients, which take flock's locks as whole-file write locks on the server;
//   "flaky"       one lock in three fails with ENOLCK, the others work, as where the lock service
//                 answers only now and then.
// Anything else leaves the locks alone.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using FlockFunction = int (*)(int, int);

int RealFlock(int fd, int operation)
{
    static const auto real = reinterpret_cast<FlockFunction>(::dlsym(RTLD_NEXT, "flock"));
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    return real(fd, operation);
}

bool ModeIs(const char* mode)
{
    const char* chosen = std::getenv("TARNEX_TEST_LOCKS");
    return chosen && std::strcmp(chosen, mode) == 0;
}

int Refuse(int error)
{
    errno = error;
    return -1;
}

// A cheap generator of its own, seeded by the process, so that runs started together differ.
bool OneInThree()
{
    static unsigned state = static_cast<unsigned>(::getpid()) * 2654435761u + 1u;
    state = state * 1103515245u + 12345u;
    return (state >> 16) % 3 == 0;
}

} // namespace

extern "C" int flock(int fd, int operation)
{
    const bool unlock = (operation & LOCK_UN) != 0;
    if (ModeIs("none"))
        return Refuse(ENOLCK);
    if (ModeIs("write-only") && !unlock && (operation & LOCK_EX) != 0) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY)
            return Refuse(EBADF);
    }
    if (ModeIs("flaky") && !unlock && OneInThree())
        return Refuse(ENOLCK);
    return RealFlock(fd, operation);
}
