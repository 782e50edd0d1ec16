#pragma once
// The few registry calls the about box makes, behind an interface so tests
// can answer them and so the program has something sensible to ask where
// there is no Windows registry. The members mirror RegOpenKeyExA,
// RegQueryValueExA and RegCloseKey: same arguments, same result codes.

#include <QString>
#include <QStringList>

#include <memory>

namespace reg {

using Key = quintptr;

// Predefined root keys and the codes the about box looks at, with the
// values Windows gives them.
constexpr Key kLocalMachine = 0x80000002u;
constexpr quint32 kTypeString = 1;      // REG_SZ
constexpr quint32 kTypeDword = 4;       // REG_DWORD
constexpr long kSuccess = 0;            // ERROR_SUCCESS
constexpr long kNotFound = 2;           // ERROR_FILE_NOT_FOUND
constexpr long kMoreData = 234;         // ERROR_MORE_DATA
constexpr long kInvalidHandle = 6;      // ERROR_INVALID_HANDLE

} // namespace reg

class Registry
{
public:
    virtual ~Registry() = default;

    // RegOpenKeyExA, with the names passed as text.
    virtual long openKey(reg::Key root, const QString &subKey, quint32 options,
                         quint32 accessMask, reg::Key *result) = 0;
    // RegQueryValueExA: on success data holds *size bytes and *type is set;
    // data longer than *size gives reg::kMoreData and stores nothing.
    virtual long queryValue(reg::Key key, const QString &valueName, quint32 reserved,
                            quint32 *type, unsigned char *data, quint32 *size) = 0;
    // RegCloseKey.
    virtual long closeKey(reg::Key key) = 0;
};

// Where there is no registry: the first key the about box reads
// ("SOFTWARE\Microsoft\Shared Tools\MSINFO", value "PATH") answers with
// the full path of the first system-information viewer found on the search
// path; every other key is absent, as is that one when no viewer is installed.
class ViewerLookupRegistry : public Registry
{
public:
    // Searches the folders of the process's PATH.
    ViewerLookupRegistry();
    // Searches these folders instead.
    explicit ViewerLookupRegistry(QStringList folders);

    // The viewers tried, in order of preference.
    static const QStringList &knownViewers();
    // Full path of the first known viewer on the search path, or empty.
    QString findViewer() const;

    long openKey(reg::Key root, const QString &subKey, quint32 options, quint32 accessMask,
                 reg::Key *result) override;
    long queryValue(reg::Key key, const QString &valueName, quint32 reserved, quint32 *type,
                    unsigned char *data, quint32 *size) override;
    long closeKey(reg::Key key) override;

private:
    QStringList m_folders;
    QString m_openViewer;   // the viewer behind the one open key
    bool m_open = false;
};

// The registry the program asks: on Linux, the viewer lookup.
std::shared_ptr<Registry> platformRegistry();
