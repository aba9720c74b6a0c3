// Test helper: holds a lock on a file until its standard input closes.
//   ksv_test_lockholder flock|posix|ofd <file>
// Prints "locked" once the lock is held.
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const int fd = open(argv[2], O_RDWR);
    if (fd < 0)
        return 3;
    int result = -1;
    if (std::strcmp(argv[1], "flock") == 0) {
        result = flock(fd, LOCK_EX);
    } else {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        result = fcntl(fd, std::strcmp(argv[1], "ofd") == 0 ? F_OFD_SETLK : F_SETLK, &lock);
    }
    if (result != 0)
        return 4;
    std::puts("locked");
    std::fflush(stdout);
    char buffer[64];
    while (read(STDIN_FILENO, buffer, sizeof(buffer)) > 0) {
    }
    return 0;
}
