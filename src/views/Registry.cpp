#include "views/Registry.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>

namespace {

const QString kViewerKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kViewerValue = QStringLiteral("PATH");
constexpr reg::Key kViewerHandle = 0x51;   // any value the caller can hand back

} // namespace

ViewerLookupRegistry::ViewerLookupRegistry()
{
    const QString path = QString::fromLocal8Bit(qgetenv("PATH"));
    m_folders = path.split(QDir::listSeparator(), Qt::SkipEmptyParts);
}

ViewerLookupRegistry::ViewerLookupRegistry(QStringList folders)
    : m_folders(std::move(folders))
{
}

const QStringList &ViewerLookupRegistry::knownViewers()
{
    // Programs that show the machine's hardware and system at a glance;
    // task managers and command-line tools are left out on purpose.
    static const QStringList viewers = {
        QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
        QStringLiteral("cpu-x"),     QStringLiteral("i-nex"),    QStringLiteral("lshw-gtk"),
        QStringLiteral("sysinfo"),
    };
    return viewers;
}

QString ViewerLookupRegistry::findViewer() const
{
    for (const QString &name : knownViewers()) {
        for (const QString &folder : m_folders) {
            // An empty entry, ".", or any relative one means a folder that
            // depends on where we were started: never run a program from there.
            if (!QDir::isAbsolutePath(folder))
                continue;
            const QFileInfo fi(QDir(folder), name);
            if (fi.isFile() && fi.isExecutable())
                return fi.absoluteFilePath();
        }
    }
    return QString();
}

long ViewerLookupRegistry::openKey(reg::Key root, const QString &subKey, quint32, quint32,
                                   reg::Key *result)
{
    if (root != reg::kLocalMachine || subKey.compare(kViewerKey, Qt::CaseInsensitive) != 0)
        return reg::kNotFound;
    const QString viewer = findViewer();
    if (viewer.isEmpty())
        return reg::kNotFound;
    m_openViewer = viewer;
    m_open = true;
    *result = kViewerHandle;
    return reg::kSuccess;
}

long ViewerLookupRegistry::queryValue(reg::Key key, const QString &valueName, quint32,
                                      quint32 *type, unsigned char *data, quint32 *size)
{
    if (key != kViewerHandle || !m_open)
        return reg::kInvalidHandle;
    if (valueName.compare(kViewerValue, Qt::CaseInsensitive) != 0)
        return reg::kNotFound;
    // A string value is stored with its terminating zero, as Windows does.
    QByteArray bytes = m_openViewer.toLocal8Bit();
    bytes.append('\0');
    if (quint32(bytes.size()) > *size) {
        *size = quint32(bytes.size());
        return reg::kMoreData;
    }
    std::memcpy(data, bytes.constData(), size_t(bytes.size()));
    *size = quint32(bytes.size());
    *type = reg::kTypeString;
    return reg::kSuccess;
}

long ViewerLookupRegistry::closeKey(reg::Key key)
{
    if (key != kViewerHandle || !m_open)
        return reg::kInvalidHandle;
    m_open = false;
    return reg::kSuccess;
}

std::shared_ptr<Registry> platformRegistry()
{
    return std::make_shared<ViewerLookupRegistry>();
}
