#pragma once

#include <QString>
#include <QtGlobal>

// The registry calls the settings store is written against, kept to the shape of the desktop's
// advapi32 calls. HKEY_CURRENT_USER lives in a per-user hive file (REGEDIT4 text, see
// hivePath()) that every call reads afresh and every write replaces atomically under a lock
// file. Names and texts are UTF-8, which is this platform's 8-bit code page: REG_SZ data is the
// UTF-8 text followed by one zero byte, and that byte counts in the data length.
namespace settings
{

using LONG = qint32;
using DWORD = quint32;
using BYTE = quint8;
using REGSAM = quint32;
// A small number naming an open key path; it holds no data, so nothing goes stale.
using HKEY = quint32;

struct FILETIME {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_BAD_PATHNAME = 161;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
// The hive file could not be read for a write, locked, or written.
inline constexpr LONG ERROR_REGISTRY_IO_FAILED = 1016;
// The handle names a key that has been deleted since it was opened.
inline constexpr LONG ERROR_KEY_DELETED = 1018;

LONG RegOpenKeyEx(HKEY hKey, const char *lpSubKey, DWORD ulOptions, REGSAM samDesired,
                  HKEY *phkResult);
LONG RegCreateKeyEx(HKEY hKey, const char *lpSubKey, DWORD Reserved, const char *lpClass,
                    DWORD dwOptions, REGSAM samDesired, const void *lpSecurityAttributes,
                    HKEY *phkResult, DWORD *lpdwDisposition);
LONG RegQueryValueEx(HKEY hKey, const char *lpValueName, DWORD *lpReserved, DWORD *lpType,
                     BYTE *lpData, DWORD *lpcbData);
LONG RegQueryInfoKey(HKEY hKey, char *lpClass, DWORD *lpcchClass, DWORD *lpReserved,
                     DWORD *lpcSubKeys, DWORD *lpcbMaxSubKeyLen, DWORD *lpcbMaxClassLen,
                     DWORD *lpcValues, DWORD *lpcbMaxValueNameLen, DWORD *lpcbMaxValueLen,
                     DWORD *lpcbSecurityDescriptor, FILETIME *lpftLastWriteTime);
LONG RegEnumValue(HKEY hKey, DWORD dwIndex, char *lpValueName, DWORD *lpcchValueName,
                  DWORD *lpReserved, DWORD *lpType, BYTE *lpData, DWORD *lpcbData);
LONG RegSetValueEx(HKEY hKey, const char *lpValueName, DWORD Reserved, DWORD dwType,
                   const BYTE *lpData, DWORD cbData);
LONG RegDeleteKey(HKEY hKey, const char *lpSubKey);
LONG RegDeleteValue(HKEY hKey, const char *lpValueName);
LONG RegCloseKey(HKEY hKey);

// Where HKEY_CURRENT_USER is kept right now: $XDG_CONFIG_HOME/ostrevan/hkcu.reg, or
// ~/.config/ostrevan/hkcu.reg when that variable is unset, empty or not an absolute path.
QString hivePath();

} // namespace settings
