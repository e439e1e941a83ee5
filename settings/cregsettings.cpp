#include "settings/cregsettings.h"

#include "settings/registry.h"

namespace settings
{

namespace
{

// Every user sets its own company name before the first call; this one is never used.
const QString FallbackCompany = QStringLiteral("Unknown Company");
const QString ProductName = QStringLiteral("Ostrevan");

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

// "*" names the key's unnamed value, which the registry calls address by the empty name.
QByteArray valueName(const QString &Key)
{
    return Key == QLatin1String("*") ? QByteArray("") : Key.toUtf8();
}

// The text of REG_SZ data: everything but the terminating zero. Data someone stored without a
// terminator loses no character.
QString textOf(const QByteArray &data)
{
    return QString::fromUtf8(data.endsWith('\0') ? data.chopped(1) : data);
}

} // namespace

CRegSettings::CRegSettings() : m_company(FallbackCompany), m_appName(ProductName) {}

void CRegSettings::setCompany(const QString &NewVal)
{
    // A name of spaces only would leave an empty key name in the path: it counts as empty.
    const QString name = trimSpaces(NewVal);
    m_company = name.isEmpty() ? FallbackCompany : name;
}

void CRegSettings::setAppName(const QString &NewVal)
{
    const QString name = trimSpaces(NewVal);
    m_appName = name.isEmpty() ? ProductName : name;
}

bool CRegSettings::DeleteSetting(const QString &Section, const QString &Key) const
{
    HKEY key = 0;
    LONG rc = ERROR_SUCCESS;
    if (!Key.isEmpty()) {
        rc = RegOpenKeyEx(HKEY_CURRENT_USER, KeyPath(Section).toUtf8().constData(), 0,
                          KEY_ALL_ACCESS, &key);
        if (rc == ERROR_SUCCESS) {
            rc = RegDeleteValue(key, valueName(Key).constData());
            RegCloseKey(key);
        }
    } else {
        // The whole section: delete its key from the application key.
        rc = RegOpenKeyEx(HKEY_CURRENT_USER, KeyPath(QString()).toUtf8().constData(), 0,
                          KEY_ALL_ACCESS, &key);
        if (rc == ERROR_SUCCESS) {
            rc = RegDeleteKey(key, Section.toUtf8().constData());
            RegCloseKey(key);
        }
    }
    return rc == ERROR_SUCCESS;
}

std::vector<std::array<QString, 2>> CRegSettings::GetAllOptions(const QString &Section) const
{
    std::vector<std::array<QString, 2>> rows;
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, KeyPath(Section).toUtf8().constData(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return rows;

    QByteArray name;
    QByteArray data;
    const auto sizeBuffers = [&] {
        DWORD longestName = 0;
        DWORD longestData = 0;
        if (RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        name = QByteArray(qsizetype(longestName) + 1, '\0');
        data = QByteArray(qsizetype(longestData) + 1, '\0');
        return true;
    };
    if (!sizeBuffers()) {
        RegCloseKey(key);
        return rows;
    }

    DWORD index = 0;
    int resized = 0;
    for (;;) {
        DWORD nameLength = DWORD(name.size());
        DWORD dataLength = DWORD(data.size());
        DWORD type = REG_NONE;
        const LONG rc = RegEnumValue(key, index, name.data(), &nameLength, nullptr, &type,
                                     reinterpret_cast<BYTE *>(data.data()), &dataLength);
        // Another copy of the program lengthened a value since the sizes were asked: ask again
        // rather than return a list cut short, which the Presets window would then save.
        if (rc == ERROR_MORE_DATA && resized++ < 3 && sizeBuffers())
            continue;
        if (rc != ERROR_SUCCESS)
            break;
        if (type == REG_SZ) {
            rows.push_back(
                {QString::fromUtf8(name.constData(), nameLength), textOf(data.left(dataLength))});
        }
        ++index;
    }
    RegCloseKey(key);
    return rows;
}

QString CRegSettings::GetSetting(const QString &Section, const QString &Key,
                                 const QString &Default) const
{
    QString result = Default;
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, KeyPath(Section).toUtf8().constData(), 0, KEY_ALL_ACCESS,
                     &key) != ERROR_SUCCESS)
        return result;
    const QByteArray name = valueName(Key);
    DWORD type = REG_NONE;
    DWORD length = 0;
    if (RegQueryValueEx(key, name.constData(), nullptr, &type, nullptr, &length) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return result;
    }
    // Only text is read as text: the bytes of a number or a binary value would be garbage.
    if (length > 0 && type == REG_SZ) {
        QByteArray buffer(qsizetype(length), '\0');
        if (RegQueryValueEx(key, name.constData(), nullptr, &type,
                            reinterpret_cast<BYTE *>(buffer.data()), &length) == ERROR_SUCCESS &&
            type == REG_SZ)
            result = textOf(buffer.left(length));
    }
    RegCloseKey(key);
    return result;
}

bool CRegSettings::SaveSetting(const QString &Section, const QString &Key,
                               const QString &Setting) const
{
    HKEY key = 0;
    DWORD disposition = 0;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, KeyPath(Section).toUtf8().constData(), 0, "",
                       REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                       &disposition) != ERROR_SUCCESS)
        return false;
    // The terminating zero is part of the stored data and of its length.
    QByteArray data = Setting.toUtf8();
    data.append('\0');
    const LONG rc =
        RegSetValueEx(key, valueName(Key).constData(), 0, REG_SZ,
                      reinterpret_cast<const BYTE *>(data.constData()), DWORD(data.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

QString CRegSettings::KeyPath(const QString &Section) const
{
    QString path = QStringLiteral("Software\\") + m_company + u'\\' + m_appName;
    if (!Section.isEmpty())
        path += u'\\' + Section;
    return path;
}

} // namespace settings
