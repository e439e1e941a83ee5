#include "settings/registry.h"

#include "settings/hivefile.h"

#include <QMutex>
#include <QStringDecoder>
#include <cstring>
#include <map>

namespace settings
{

namespace
{

struct OpenKey {
    QString path;
    REGSAM access = 0;
};

const QString RootPath = QStringLiteral("HKEY_CURRENT_USER");

QMutex handleMutex;
std::map<HKEY, OpenKey> openKeys;
HKEY nextHandle = 1;

bool findHandle(HKEY hKey, OpenKey *key)
{
    if (hKey == HKEY_CURRENT_USER) {
        *key = OpenKey{RootPath, KEY_ALL_ACCESS};
        return true;
    }
    QMutexLocker locker(&handleMutex);
    const auto it = openKeys.find(hKey);
    if (it == openKeys.end())
        return false;
    *key = it->second;
    return true;
}

HKEY newHandle(const QString &path, REGSAM access)
{
    QMutexLocker locker(&handleMutex);
    while (nextHandle == 0 || nextHandle >= HKEY_CURRENT_USER || openKeys.count(nextHandle))
        nextHandle = nextHandle >= HKEY_CURRENT_USER ? 1 : nextHandle + 1;
    const HKEY handle = nextHandle++;
    openKeys[handle] = OpenKey{path, access};
    return handle;
}

bool decodeName(const char *name, QString *text)
{
    if (!name) {
        text->clear();
        return true;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    *text = decoder.decode(QByteArray(name));
    return !decoder.hasError();
}

// The full path of lpSubKey below base; an empty or missing lpSubKey names base itself.
LONG subKeyPath(const QString &base, const char *lpSubKey, QString *path)
{
    QString sub;
    if (!decodeName(lpSubKey, &sub) || sub.contains(u'\n') || sub.contains(u'\r'))
        return ERROR_INVALID_PARAMETER;
    if (sub.isEmpty()) {
        *path = base;
        return ERROR_SUCCESS;
    }
    const QStringList parts = sub.split(u'\\');
    for (const QString &part : parts) {
        if (part.isEmpty())
            return ERROR_BAD_PATHNAME;
    }
    *path = base + u'\\' + sub;
    return ERROR_SUCCESS;
}

// Looks up a handle with the rights an operation needs.
LONG openKey(HKEY hKey, REGSAM needed, OpenKey *key)
{
    if (!findHandle(hKey, key))
        return ERROR_INVALID_HANDLE;
    if ((key->access & needed) != needed)
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

} // namespace

QString hivePath()
{
    return HiveFile::path();
}

LONG RegOpenKeyEx(HKEY hKey, const char *lpSubKey, DWORD ulOptions, REGSAM samDesired,
                  HKEY *phkResult)
{
    Q_UNUSED(ulOptions);
    OpenKey base;
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    if (LONG rc = openKey(hKey, 0, &base))
        return rc;
    QString path;
    if (LONG rc = subKeyPath(base.path, lpSubKey, &path))
        return rc;
    const Hive hive = HiveFile::read();
    if (!hive.exists(path))
        return ERROR_FILE_NOT_FOUND;
    *phkResult = newHandle(path, samDesired);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY hKey, const char *lpSubKey, DWORD Reserved, const char *lpClass,
                    DWORD dwOptions, REGSAM samDesired, const void *lpSecurityAttributes,
                    HKEY *phkResult, DWORD *lpdwDisposition)
{
    // Classes, volatility and security descriptors have no place in a per-user text file.
    Q_UNUSED(lpClass);
    Q_UNUSED(dwOptions);
    Q_UNUSED(lpSecurityAttributes);
    if (Reserved != 0 || !phkResult || !lpSubKey)
        return ERROR_INVALID_PARAMETER;
    OpenKey base;
    if (LONG rc = openKey(hKey, 0, &base))
        return rc;
    QString path;
    if (LONG rc = subKeyPath(base.path, lpSubKey, &path))
        return rc;

    DWORD disposition = REG_OPENED_EXISTING_KEY;
    if (!HiveFile::read().exists(path)) {
        const LONG rc = HiveFile::update([&](Hive &hive) {
            if (!hive.exists(base.path))
                return ERROR_KEY_DELETED;
            if (hive.createKey(path))
                disposition = REG_CREATED_NEW_KEY;
            return ERROR_SUCCESS;
        });
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    *phkResult = newHandle(path, samDesired);
    if (lpdwDisposition)
        *lpdwDisposition = disposition;
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY hKey, const char *lpValueName, DWORD *lpReserved, DWORD *lpType,
                     BYTE *lpData, DWORD *lpcbData)
{
    OpenKey open;
    if (LONG rc = openKey(hKey, KEY_QUERY_VALUE, &open))
        return rc;
    QString name;
    if (lpReserved || (lpData && !lpcbData) || !decodeName(lpValueName, &name))
        return ERROR_INVALID_PARAMETER;
    const Hive hive = HiveFile::read();
    if (!hive.exists(open.path))
        return ERROR_KEY_DELETED;
    const Hive::Key *key = hive.key(open.path);
    const Hive::Entry *entry = key ? Hive::value(*key, name) : nullptr;
    if (!entry)
        return ERROR_FILE_NOT_FOUND;
    if (lpType)
        *lpType = entry->type;
    const DWORD size = DWORD(entry->data.size());
    if (lpData) {
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(lpData, entry->data.constData(), size);
    }
    if (lpcbData)
        *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG RegQueryInfoKey(HKEY hKey, char *lpClass, DWORD *lpcchClass, DWORD *lpReserved,
                     DWORD *lpcSubKeys, DWORD *lpcbMaxSubKeyLen, DWORD *lpcbMaxClassLen,
                     DWORD *lpcValues, DWORD *lpcbMaxValueNameLen, DWORD *lpcbMaxValueLen,
                     DWORD *lpcbSecurityDescriptor, FILETIME *lpftLastWriteTime)
{
    OpenKey open;
    if (LONG rc = openKey(hKey, KEY_QUERY_VALUE, &open))
        return rc;
    if (lpReserved || (lpClass && !lpcchClass))
        return ERROR_INVALID_PARAMETER;
    const Hive hive = HiveFile::read();
    if (!hive.exists(open.path))
        return ERROR_KEY_DELETED;

    DWORD maxSubKey = 0;
    const QStringList children = hive.subkeyNames(open.path);
    for (const QString &name : children)
        maxSubKey = qMax(maxSubKey, DWORD(name.toUtf8().size()));
    DWORD values = 0;
    DWORD maxName = 0;
    DWORD maxData = 0;
    if (const Hive::Key *key = hive.key(open.path)) {
        for (const Hive::Entry *entry : Hive::values(*key)) {
            ++values;
            maxName = qMax(maxName, DWORD(entry->name.toUtf8().size()));
            maxData = qMax(maxData, DWORD(entry->data.size()));
        }
    }
    if (lpClass && *lpcchClass > 0)
        *lpClass = '\0';
    if (lpcchClass)
        *lpcchClass = 0;
    if (lpcSubKeys)
        *lpcSubKeys = DWORD(children.size());
    if (lpcbMaxSubKeyLen)
        *lpcbMaxSubKeyLen = maxSubKey;
    if (lpcbMaxClassLen)
        *lpcbMaxClassLen = 0;
    if (lpcValues)
        *lpcValues = values;
    if (lpcbMaxValueNameLen)
        *lpcbMaxValueNameLen = maxName;
    if (lpcbMaxValueLen)
        *lpcbMaxValueLen = maxData;
    if (lpcbSecurityDescriptor)
        *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime)
        *lpftLastWriteTime = FILETIME();
    return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY hKey, DWORD dwIndex, char *lpValueName, DWORD *lpcchValueName,
                  DWORD *lpReserved, DWORD *lpType, BYTE *lpData, DWORD *lpcbData)
{
    OpenKey open;
    if (LONG rc = openKey(hKey, KEY_QUERY_VALUE, &open))
        return rc;
    if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    const Hive hive = HiveFile::read();
    if (!hive.exists(open.path))
        return ERROR_KEY_DELETED;
    const Hive::Key *key = hive.key(open.path);
    const QList<const Hive::Entry *> values =
        key ? Hive::values(*key) : QList<const Hive::Entry *>();
    if (dwIndex >= DWORD(values.size()))
        return ERROR_NO_MORE_ITEMS;
    const Hive::Entry &entry = *values.at(dwIndex);

    const QByteArray name = entry.name.toUtf8();
    const DWORD size = DWORD(entry.data.size());
    if (*lpcchValueName < DWORD(name.size()) + 1)
        return ERROR_MORE_DATA;
    if (lpData && *lpcbData < size) {
        *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    std::memcpy(lpValueName, name.constData(), name.size() + 1);
    *lpcchValueName = DWORD(name.size());
    if (lpType)
        *lpType = entry.type;
    if (lpData)
        std::memcpy(lpData, entry.data.constData(), size);
    if (lpcbData)
        *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY hKey, const char *lpValueName, DWORD Reserved, DWORD dwType,
                   const BYTE *lpData, DWORD cbData)
{
    OpenKey open;
    if (LONG rc = openKey(hKey, KEY_SET_VALUE, &open))
        return rc;
    QString name;
    if (Reserved != 0 || (!lpData && cbData > 0) || !decodeName(lpValueName, &name))
        return ERROR_INVALID_PARAMETER;
    const QByteArray data(reinterpret_cast<const char *>(lpData), lpData ? qsizetype(cbData) : 0);
    return HiveFile::update([&](Hive &hive) {
        if (!hive.exists(open.path))
            return ERROR_KEY_DELETED;
        hive.createKey(open.path); // a root gets a line of its own once it holds values
        hive.setValue(*hive.key(open.path), name, dwType, data);
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteKey(HKEY hKey, const char *lpSubKey)
{
    OpenKey base;
    if (!findHandle(hKey, &base))
        return ERROR_INVALID_HANDLE;
    if (!lpSubKey)
        return ERROR_INVALID_PARAMETER;
    QString path;
    if (LONG rc = subKeyPath(base.path, lpSubKey, &path))
        return rc;
    if (!path.contains(u'\\'))
        return ERROR_ACCESS_DENIED; // HKEY_CURRENT_USER itself
    const auto remove = [&](Hive &hive) {
        if (!hive.exists(path))
            return ERROR_FILE_NOT_FOUND;
        if (hive.hasSubkeys(path))
            return ERROR_ACCESS_DENIED;
        hive.removeKey(path);
        return ERROR_SUCCESS;
    };
    // Find out without the lock when there is nothing to do.
    Hive current = HiveFile::read();
    if (LONG rc = remove(current))
        return rc;
    return HiveFile::update(remove);
}

LONG RegDeleteValue(HKEY hKey, const char *lpValueName)
{
    OpenKey open;
    if (LONG rc = openKey(hKey, KEY_SET_VALUE, &open))
        return rc;
    QString name;
    if (!decodeName(lpValueName, &name))
        return ERROR_INVALID_PARAMETER;
    const auto remove = [&](Hive &hive) {
        if (!hive.exists(open.path))
            return ERROR_KEY_DELETED;
        Hive::Key *key = hive.key(open.path);
        return key && hive.removeValue(*key, name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    };
    Hive current = HiveFile::read();
    if (LONG rc = remove(current))
        return rc;
    return HiveFile::update(remove);
}

LONG RegCloseKey(HKEY hKey)
{
    if (hKey == HKEY_CURRENT_USER)
        return ERROR_SUCCESS;
    QMutexLocker locker(&handleMutex);
    return openKeys.erase(hKey) > 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

} // namespace settings
