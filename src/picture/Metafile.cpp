#include "picture/Metafile.h"

#include <QPainter>
#include <QSvgRenderer>

#include <libwmf/api.h>
#include <libwmf/gd.h>

extern "C" {
#include <emf2svg.h>
}

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define QUILLET_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLET_ASAN 1
#endif
#endif

namespace picture {
namespace {

quint32 le32(const QByteArray &d, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(d.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

bool writeAll(int fd, const void *data, size_t n)
{
    const char *p = static_cast<const char *>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= size_t(w);
    }
    return true;
}

// Runs work(fd) in a child process under the limits in Metafile.h and
// returns what it wrote to fd; empty when it failed, was killed, or wrote
// more than limit bytes.
template <typename Work>
QByteArray inChild(qint64 limit, Work work)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return {};
    }
    if (pid == 0) {
        ::close(fds[0]);
        // The libraries chatter on stdout and stderr.
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        rlimit cpu{rlim_t(kChildSeconds), rlim_t(kChildSeconds + 1)};
        ::setrlimit(RLIMIT_CPU, &cpu);
#ifndef QUILLET_ASAN // the sanitizer reserves terabytes of address space
        rlimit as{rlim_t(kChildMegabytes) << 20, rlim_t(kChildMegabytes) << 20};
        ::setrlimit(RLIMIT_AS, &as);
#endif
        ::_exit(work(fds[1]) ? 0 : 1);
    }
    ::close(fds[1]);
    QByteArray out;
    bool failed = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kChildSeconds + 1);
    char buf[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            failed = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int r = ::poll(&p, 1, int(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            failed = true;
            break;
        }
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0)
            break;
        if (out.size() + n > limit) {
            failed = true;
            break;
        }
        out.append(buf, n);
    }
    ::close(fds[0]);
    if (failed)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (failed || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return out;
}

qint16 le16(const QByteArray &d, qsizetype at)
{
    return qint16(quint16(uchar(d[at])) | quint16(uchar(d[at + 1])) << 8);
}

// The WMF's frame in its own units: the placeable header's box, else the
// window its records set up first. libwmf would frame the drawing's ink,
// so a rectangle in the middle of a page would fill the whole picture.
std::optional<wmfD_Rect> wmfFrame(const QByteArray &d)
{
    wmfD_Rect r;
    if (le32(d, 0) == 0x9AC6CDD7u) {
        if (d.size() < 22)
            return std::nullopt;
        r.TL.x = le16(d, 6);
        r.TL.y = le16(d, 8);
        r.BR.x = le16(d, 10);
        r.BR.y = le16(d, 12);
        return r;
    }
    bool org = false, ext = false;
    double x = 0, y = 0, w = 0, h = 0;
    for (qsizetype at = 18; at + 6 <= d.size() && !(org && ext);) {
        const quint32 words = le32(d, at);
        const int function = quint16(le16(d, at + 4));
        if (words < 3 || function == 0 || words > quint32(d.size() - at) / 2)
            break;
        if (words >= 5 && (function == 0x020B || function == 0x020C)) {
            const double b = le16(d, at + 6), a = le16(d, at + 8); // y, then x
            if (function == 0x020B && !org) {
                org = true;
                x = a;
                y = b;
            } else if (function == 0x020C && !ext) {
                ext = true;
                w = a;
                h = b;
            }
        }
        at += qsizetype(words) * 2;
    }
    if (!ext || w == 0 || h == 0)
        return std::nullopt;
    r.TL.x = std::min(x, x + w);
    r.BR.x = std::max(x, x + w);
    r.TL.y = std::min(y, y + h);
    r.BR.y = std::max(y, y + h);
    return r;
}

// In the child: the WMF drawn by libwmf's GD device, as the width, the
// height and then ARGB pixels.
bool drawWmf(int fd, QByteArray data, QSize size)
{
    wmfAPI *api = nullptr;
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmf_gd_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None)
        return false;
    wmf_gd_t *gd = WMF_GD_GetData(api);
    wmfD_Rect bbox;
    if (wmf_mem_open(api, reinterpret_cast<unsigned char *>(data.data()), long(data.size())) != wmf_E_None
        || wmf_scan(api, 0, &bbox) != wmf_E_None)
        return false;
    if (const std::optional<wmfD_Rect> frame = wmfFrame(data))
        bbox = *frame;
    gd->type = wmf_gd_image;
    gd->bbox = bbox;
    gd->width = unsigned(size.width());
    gd->height = unsigned(size.height());
    if (wmf_play(api, 0, &bbox) != wmf_E_None || !gd->gd_image)
        return false;
    const int *pixels = wmf_gd_image_pixels(gd->gd_image);
    if (!pixels)
        return false;
    const quint32 head[2] = {quint32(size.width()), quint32(size.height())};
    std::vector<quint32> argb(size_t(size.width()) * size_t(size.height()));
    for (size_t i = 0; i < argb.size(); ++i) {
        // GD: seven bits of transparency over the colour, 0 opaque
        const quint32 p = quint32(pixels[i]);
        const quint32 alpha = 255 - ((p >> 24) & 0x7f) * 255 / 127;
        argb[i] = alpha << 24 | (p & 0xffffff);
    }
    return writeAll(fd, head, sizeof head) && writeAll(fd, argb.data(), argb.size() * 4);
}

// In the child: the EMF as SVG.
bool emfToSvg(int fd, QByteArray data, QSize size)
{
    char ns[] = "svg";
    generatorOptions options;
    std::memset(&options, 0, sizeof options);
    options.nameSpace = ns;
    options.svgDelimiter = true;
    options.emfplus = true;
    options.imgWidth = size.width();
    options.imgHeight = size.height();
    char *svg = nullptr;
    size_t length = 0;
    if (!emf2svg(data.data(), size_t(data.size()), &svg, &length, &options) || !svg || length == 0)
        return false;
    return writeAll(fd, svg, length);
}

QImage drawSvg(const QByteArray &svg, QSize size)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

} // namespace

Kind kindOf(const QByteArray &data)
{
    if (data.size() >= 4 && le32(data, 0) == 0x9AC6CDD7u)
        return Kind::Wmf; // with the placeable header
    // A plain metafile header: type 1 (memory) or 2 (disk), nine words long,
    // version 0x0100 or 0x0300.
    if (data.size() >= 18 && (data[0] == 1 || data[0] == 2) && data[1] == 0 && data[2] == 9 && data[3] == 0
        && data[4] == 0 && (data[5] == 1 || data[5] == 3))
        return Kind::Wmf;
    if (data.size() >= 88 && le32(data, 0) == 1 && le32(data, 40) == 0x464D4520u) // EMR_HEADER, " EMF"
        return Kind::Emf;
    if (data.startsWith("<svg"))
        return Kind::Svg;
    return Kind::Other;
}

QImage render(const QByteArray &data, QSize size)
{
    const Kind kind = kindOf(data);
    if (kind == Kind::Other || size.isEmpty())
        return {};
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels > kMaxPixels) {
        const double f = std::sqrt(double(kMaxPixels) / double(pixels));
        size = QSize(qMax(1, int(size.width() * f)), qMax(1, int(size.height() * f)));
    }
    switch (kind) {
    case Kind::Wmf: {
        const qint64 bytes = 8 + qint64(size.width()) * size.height() * 4;
        const QByteArray out = inChild(bytes, [&](int fd) { return drawWmf(fd, data, size); });
        if (out.size() != bytes || le32(out, 0) != quint32(size.width()) || le32(out, 4) != quint32(size.height()))
            return {};
        QImage image(size, QImage::Format_ARGB32);
        for (int y = 0; y < size.height(); ++y)
            std::memcpy(image.scanLine(y), out.constData() + 8 + qint64(y) * size.width() * 4, size_t(size.width()) * 4);
        return image;
    }
    case Kind::Emf: {
        // Text as long as the pixels could be, and never less than a few megabytes.
        const qint64 limit = qMax<qint64>(32 << 20, qint64(size.width()) * size.height() * 4);
        const QByteArray svg = inChild(limit, [&](int fd) { return emfToSvg(fd, data, size); });
        return svg.isEmpty() ? QImage() : drawSvg(svg, size);
    }
    case Kind::Svg: return drawSvg(data, size);
    case Kind::Other: break;
    }
    return {};
}

} // namespace picture
