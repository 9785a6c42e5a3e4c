// The metafile helper: draws one .wmf or .emf, read from standard input, at the size the
// program asks for, and writes the picture's pixels (32-bit premultiplied ARGB, row after row)
// to standard output. It runs for one picture under limits of memory, processor time and
// file size, without network, so that a fault of the metafile libraries costs the program one
// picture: the program treats a crash, a limit or a time-out here as a picture it cannot load.
//
//   tavoly-metafile wmf|emf WIDTH HEIGHT < picture > pixels
#include "tools/metafile_convert.h"

#include <QGuiApplication>

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

namespace {

constexpr rlim_t kMemoryBytes = 768UL << 20;
constexpr rlim_t kProcessorSeconds = 1;
constexpr long kMaxInputBytes = 64L << 20;
constexpr int kMaxSide = 16384;

void limit(int resource, rlim_t soft, rlim_t hard)
{
    const rlimit value{soft, hard};
    setrlimit(resource, &value);
}

// Sockets, and starting other programs, answer "not permitted": the libraries have no
// business reaching the network or running anything.
void forbid_network()
{
    const int denied[] = {SYS_socket, SYS_socketpair, SYS_connect, SYS_execve, SYS_execveat};
    sock_filter filter[1 + 2 * std::size(denied) + 1];
    size_t n = 0;
    filter[n++] = BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr));
    for (int call : denied) {
        filter[n++] = BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(call), 0, 1);
        filter[n++] = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA));
    }
    filter[n++] = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW);
    const sock_fprog program{static_cast<unsigned short>(n), filter};
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program);
}

void limit_self()
{
    limit(RLIMIT_AS, kMemoryBytes, kMemoryBytes);
    limit(RLIMIT_CPU, kProcessorSeconds, kProcessorSeconds + 1);   // past the soft limit: killed
    limit(RLIMIT_FSIZE, 0, 0);   // writes no file
    limit(RLIMIT_CORE, 0, 0);    // a crash leaves no core file behind
    forbid_network();
}

bool read_input(QByteArray& bytes)
{
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.append(chunk, got);
        if (bytes.size() > kMaxInputBytes)
            return false;
    }
}

bool write_all(const uchar* data, size_t size)
{
    while (size > 0) {
        const ssize_t put = write(STDOUT_FILENO, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

int side(const char* text)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' && value >= 1 && value <= kMaxSide ? static_cast<int>(value) : 0;
}

} // namespace

int main(int argc, char** argv)
{
    limit_self();
    if (argc != 4)
        return 2;
    const std::string kind = argv[1];
    const QSize pixels(side(argv[2]), side(argv[3]));
    if ((kind != "wmf" && kind != "emf") || pixels.isEmpty())
        return 2;
    QByteArray bytes;
    if (!read_input(bytes))
        return 3;
    // Text in a metafile needs the font database, which lives in a GUI application; no window
    // is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qt_argc = 1;
    QGuiApplication app(qt_argc, argv);
    const QImage image = metafile::draw(bytes, kind == "wmf" ? metafile::Kind::Wmf : metafile::Kind::Emf, pixels);
    if (image.size() != pixels || image.format() != QImage::Format_ARGB32_Premultiplied)
        return 4;
    for (int y = 0; y < image.height(); ++y) {
        if (!write_all(image.constScanLine(y), static_cast<size_t>(image.width()) * 4))
            return 5;
    }
    return 0;
}
