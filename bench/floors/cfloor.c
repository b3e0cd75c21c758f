/* The physical floor for tessary-send: open the terminal, set it to 19200 8N1 with termios,
   write one frame. */
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    const char frame[4] = {(char)0x80, 0x02, 0x01, 0x00};
    struct termios line;
    const int fd = open(argv[argc - 1], O_WRONLY | O_NOCTTY);
    if (fd < 0 || tcgetattr(fd, &line) != 0)
        return 1;
    cfmakeraw(&line);
    cfsetspeed(&line, B19200);
    line.c_cflag &= ~(CSTOPB | CRTSCTS);
    if (tcsetattr(fd, TCSANOW, &line) != 0 || write(fd, frame, 4) != 4)
        return 1;
    return close(fd);
}
