#include "settings/catalogue.h"

#include "settings/storedvalues.h"

namespace settings
{

CRegSettings programStore()
{
    CRegSettings store;
    store.setCompany(Company.toString());
    store.setAppName(Application.toString());
    return store;
}

QString readText(const CRegSettings &store, const NumberSetting &setting)
{
    return store.GetSetting(setting.section.toString(), setting.key.toString(),
                            QString::number(setting.fallback));
}

QString readText(const CRegSettings &store, const TextSetting &setting)
{
    return store.GetSetting(setting.section.toString(), setting.key.toString(),
                            setting.fallback.toString());
}

qint32 readNumber(const CRegSettings &store, const NumberSetting &setting)
{
    return storedInt32(readText(store, setting), setting.fallback);
}

bool save(const CRegSettings &store, const NumberSetting &setting, qint32 value)
{
    return save(store, setting, QString::number(value));
}

bool save(const CRegSettings &store, const NumberSetting &setting, const QString &text)
{
    return store.SaveSetting(setting.section.toString(), setting.key.toString(), text);
}

bool save(const CRegSettings &store, const TextSetting &setting, const QString &text)
{
    return store.SaveSetting(setting.section.toString(), setting.key.toString(), text);
}

} // namespace settings
