#pragma once

#include <QString>
#include <array>
#include <functional>
#include <vector>

namespace settings
{

// The settings store: text values in the current user's hive below
// Software\<Company>\<AppName>\<Section>. It holds no key open between calls, so every
// instance sees the others' writes at once. "*" as a value name means the key's unnamed value.
// Each call reads the hive file once; a call that writes does so under the file's lock and
// saves once. Any text with a UTF-8 form reads back exactly as it was saved, as a value's name
// or its text; text with an unpaired surrogate has none and is not saved.
class CRegSettings
{
public:
    CRegSettings();

    QString Company() const { return m_company; }
    void setCompany(const QString &NewVal);
    QString AppName() const { return m_appName; }
    void setAppName(const QString &NewVal);

    // An empty Key deletes the whole section. True when something was deleted.
    bool DeleteSetting(const QString &Section, const QString &Key = {}) const;
    // Name and text of every text value of the section, in creation order; empty when none.
    std::vector<std::array<QString, 2>> GetAllOptions(const QString &Section) const;
    QString GetSetting(const QString &Section, const QString &Key,
                       const QString &Default = {}) const;
    bool SaveSetting(const QString &Section, const QString &Key, const QString &Setting) const;
    // Makes values the section's whole list of text values, in their order, in one write: the
    // file holds the old list or the new one, never a part. An empty list removes the section
    // (its values only, when keys lie below it). True when the file holds the new list.
    bool ReplaceSection(const QString &Section,
                        const std::vector<std::array<QString, 2>> &values) const;
    // The same, with the list made by change from the section's text values (as GetAllOptions
    // gives them) as they are stored at that moment, under the file's lock: what another copy
    // of the program stored before is seen, and nothing is stored between reading and writing.
    using Rows = std::vector<std::array<QString, 2>>;
    bool UpdateSection(const QString &Section,
                       const std::function<Rows(const Rows &stored)> &change) const;

private:
    QString KeyPath(const QString &Section) const;

    QString m_company;
    QString m_appName;
};

} // namespace settings
