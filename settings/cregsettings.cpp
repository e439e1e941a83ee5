#include "settings/cregsettings.h"

#include "settings/hivefile.h"

namespace settings
{

namespace
{

// Every user sets its own company name before the first call; this one is never used.
const QString FallbackCompany = QStringLiteral("Unknown Company");
const QString ProductName = QStringLiteral("Ostrevan");
const QString CurrentUser = QStringLiteral("HKEY_CURRENT_USER");

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

// "*" names the key's unnamed value, which the hive names by the empty text.
QString valueName(const QString &Key)
{
    return Key == QLatin1String("*") ? QString() : Key;
}

// A key path the file can hold: names that are not empty, each on one line, in UTF-8.
bool isKeyPath(const QString &path)
{
    QByteArray bytes;
    if (!Hive::textData(path, &bytes))
        return false;
    for (const QChar c : path) {
        if (c == u'\n' || c == u'\r' || c == QChar(0))
            return false;
    }
    return !path.split(u'\\').contains(QString());
}

// True when the value holds text that reads as data's: the same bytes, or bytes that are not
// UTF-8 (half of a surrogate pair a hand editor put there, say) and read as it. Writing back
// what was read then keeps them byte for byte.
bool holdsText(const Hive::Entry *stored, const QByteArray &data)
{
    return stored && stored->type == REG_SZ &&
           (stored->data == data ||
            (!stored->data.isEmpty() && Hive::dataText(stored->data) == Hive::dataText(data)));
}

// The key's text values, name and text, in their stored order.
CRegSettings::Rows textRows(const Hive::Key &key)
{
    CRegSettings::Rows rows;
    rows.reserve(size_t(key.entries.size()));
    for (const Hive::Entry &entry : key.entries) {
        if (!entry.isComment && entry.type == REG_SZ)
            rows.push_back({entry.name, Hive::dataText(entry.data)});
    }
    return rows;
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

// Each call below works on one reading of the file: HiveFile::read for the readers, the
// locked HiveFile::update for the writers.

bool CRegSettings::DeleteSetting(const QString &Section, const QString &Key) const
{
    const QString path = CurrentUser + u'\\' + KeyPath(Section);
    if (!isKeyPath(path))
        return false;
    if (!Key.isEmpty()) {
        const QString name = valueName(Key);
        return HiveFile::update([&](Hive &hive) {
                   Hive::Key *key = hive.key(path);
                   return key && hive.removeValue(*key, name) ? ERROR_SUCCESS
                                                              : ERROR_FILE_NOT_FOUND;
               }) == ERROR_SUCCESS;
    }
    // The whole section: its key below the application key, which must have no keys below it.
    const QString application = CurrentUser + u'\\' + KeyPath(QString());
    return HiveFile::update([&](Hive &hive) {
               if (!hive.exists(application) || !hive.exists(path))
                   return ERROR_FILE_NOT_FOUND;
               if (hive.hasSubkeys(path))
                   return ERROR_ACCESS_DENIED;
               hive.removeKey(path);
               return ERROR_SUCCESS;
           }) == ERROR_SUCCESS;
}

std::vector<std::array<QString, 2>> CRegSettings::GetAllOptions(const QString &Section) const
{
    const QString path = CurrentUser + u'\\' + KeyPath(Section);
    if (!isKeyPath(path))
        return {};
    const Hive hive = HiveFile::read();
    const Hive::Key *key = hive.key(path);
    return key ? textRows(*key) : CRegSettings::Rows();
}

QString CRegSettings::GetSetting(const QString &Section, const QString &Key,
                                 const QString &Default) const
{
    const QString path = CurrentUser + u'\\' + KeyPath(Section);
    if (!isKeyPath(path))
        return Default;
    const Hive hive = HiveFile::read();
    const Hive::Key *key = hive.key(path);
    const Hive::Entry *entry = key ? Hive::value(*key, valueName(Key)) : nullptr;
    // Only text is read as text: the bytes of a number or a binary value would be garbage. A
    // value of no bytes at all holds no text either.
    if (!entry || entry->type != REG_SZ || entry->data.isEmpty())
        return Default;
    return Hive::dataText(entry->data);
}

bool CRegSettings::SaveSetting(const QString &Section, const QString &Key,
                               const QString &Setting) const
{
    const QString path = CurrentUser + u'\\' + KeyPath(Section);
    const QString name = valueName(Key);
    QByteArray nameBytes;
    QByteArray data; // the terminating zero is part of the stored data and of its length
    if (!isKeyPath(path) || !Hive::textData(name, &nameBytes) || !Hive::textData(Setting, &data))
        return false;
    return HiveFile::update([&](Hive &hive) {
               // The same text again changes nothing, so the file is not rewritten: windows
               // that write back what they just read cost no write.
               if (const Hive::Key *key = hive.key(path);
                   key && holdsText(Hive::value(*key, name), data))
                   return ERROR_SUCCESS;
               hive.createKey(path);
               hive.setValue(*hive.key(path), name, REG_SZ, data);
               return ERROR_SUCCESS;
           }) == ERROR_SUCCESS;
}

bool CRegSettings::ReplaceSection(const QString &Section,
                                  const std::vector<std::array<QString, 2>> &values) const
{
    return UpdateSection(Section, [&](const Rows &) { return values; });
}

bool CRegSettings::UpdateSection(const QString &Section,
                                 const std::function<Rows(const Rows &stored)> &change) const
{
    const QString path = CurrentUser + u'\\' + KeyPath(Section);
    if (!isKeyPath(path))
        return false;
    return HiveFile::update([&](Hive &hive) {
               const Hive::Key *old = hive.key(path);
               const Rows stored = old ? textRows(*old) : Rows();
               std::vector<std::pair<QString, QByteArray>> entries;
               for (const auto &[key, text] : change(stored)) {
                   QByteArray nameBytes;
                   QByteArray data;
                   if (!Hive::textData(key, &nameBytes) || !Hive::textData(text, &data))
                       return ERROR_INVALID_PARAMETER;
                   entries.emplace_back(valueName(key), data);
               }
               if (entries.empty()) {
                   if (!hive.hasSubkeys(path))
                       hive.removeKey(path);
                   else if (Hive::Key *key = hive.key(path))
                       hive.clearValues(*key);
                   return ERROR_SUCCESS;
               }
               hive.createKey(path);
               Hive::Key &key = *hive.key(path);
               // A text written back as it was read keeps its stored bytes, even bytes that
               // are no valid text.
               for (auto &[name, data] : entries) {
                   if (const Hive::Entry *old = Hive::value(key, name); holdsText(old, data))
                       data = old->data;
               }
               hive.clearValues(key);
               for (const auto &[name, data] : entries)
                   hive.setValue(key, name, REG_SZ, data);
               return ERROR_SUCCESS;
           }) == ERROR_SUCCESS;
}

QString CRegSettings::KeyPath(const QString &Section) const
{
    QString path = QStringLiteral("Software\\") + m_company + u'\\' + m_appName;
    if (!Section.isEmpty())
        path += u'\\' + Section;
    return path;
}

} // namespace settings
