// Kept apart: the kernel's termios2, which carries any baud rate as a number, clashes with the C
// library's termios that the rest of the device uses.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace stepbench::sim {

int LineBaud(int masterFd) {
    termios2 t{};
    if (ioctl(masterFd, TCGETS2, &t) != 0) return 0;
    return static_cast<int>(t.c_ospeed);
}

} // namespace stepbench::sim
