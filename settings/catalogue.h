#pragma once

#include "settings/cregsettings.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>

// Everything the program keeps between runs: where each value lies and what a reader takes
// when it is absent. No other code spells a section, a key or a default.
namespace settings
{

inline constexpr QStringView Company = u"Quillanor";
inline constexpr QStringView Application = u"Ostrevan";

// The store every window uses: company and application already set.
CRegSettings programStore();

inline constexpr QStringView OptionsSection = u"Options";
inline constexpr QStringView MessagesSection = u"Messages";
inline constexpr QStringView PresetsSection = u"Presets";
// Presets are stored as PresetsKeyPrefix followed by their index from 0.
inline constexpr QStringView PresetsKeyPrefix = u"Preset";

// A stored number, kept as its decimal text.
struct NumberSetting {
    QStringView section;
    QStringView key;
    qint32 fallback;
};
// A stored text.
struct TextSetting {
    QStringView section;
    QStringView key;
    QStringView fallback;
};

inline constexpr NumberSetting Size{OptionsSection, u"Size", 0};
// 0 to 4 a fixed gradient, 5 the background that changes by itself.
inline constexpr NumberSetting BackgroundColor{OptionsSection, u"Background Color", 5};
inline constexpr NumberSetting DigitColor{OptionsSection, u"Digit Color", 0x00FFFF};   // yellow
inline constexpr NumberSetting ButtonColor{OptionsSection, u"Button Color", 0xFF8080}; // light blue
inline constexpr TextSetting SoundFile{OptionsSection, u"Sound File", u""};
inline constexpr TextSetting Mp3Message{MessagesSection, u"MP3 Message", u"yes"};

// The stored text, or the default's text when the value is absent.
QString readText(const CRegSettings &store, const NumberSetting &setting);
QString readText(const CRegSettings &store, const TextSetting &setting);
// The stored number; text that is no number in range gives the default.
qint32 readNumber(const CRegSettings &store, const NumberSetting &setting);
bool save(const CRegSettings &store, const NumberSetting &setting, qint32 value);
bool save(const CRegSettings &store, const NumberSetting &setting, const QString &text);
bool save(const CRegSettings &store, const TextSetting &setting, const QString &text);

} // namespace settings
