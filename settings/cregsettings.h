#pragma once

#include <QString>
#include <array>
#include <vector>

namespace settings
{

// The settings store: text values in the current user's hive below
// Software\<Company>\<AppName>\<Section>. It holds no key open between calls, so every
// instance sees the others' writes at once. "*" as a value name means the key's unnamed value.
class CRegSettings
{
public:
    CRegSettings();

    QString Company() const { return m_company; }
    void setCompany(const QString &NewVal);
    QString AppName() const { return m_appName; }
    void setAppName(const QString &NewVal);

    // An empty Key deletes the whole section. True when the final registry call succeeded.
    bool DeleteSetting(const QString &Section, const QString &Key = {}) const;
    // Name and text of every text value of the section, in creation order; empty when none.
    std::vector<std::array<QString, 2>> GetAllOptions(const QString &Section) const;
    QString GetSetting(const QString &Section, const QString &Key,
                       const QString &Default = {}) const;
    bool SaveSetting(const QString &Section, const QString &Key, const QString &Setting) const;

private:
    QString KeyPath(const QString &Section) const;

    QString m_company;
    QString m_appName;
};

} // namespace settings
