#pragma once

namespace engine
{

// Error codes of the string-command media interface, with the desktop's values, as returned by
// Media::mciSendString (0 is success).
inline constexpr long MCIERR_UNRECOGNIZED_KEYWORD = 259;
inline constexpr long MCIERR_UNRECOGNIZED_COMMAND = 261;
inline constexpr long MCIERR_HARDWARE = 262;
inline constexpr long MCIERR_INVALID_DEVICE_NAME = 263;
inline constexpr long MCIERR_DEVICE_OPEN = 265;
inline constexpr long MCIERR_MISSING_COMMAND_STRING = 267;
inline constexpr long MCIERR_FILE_NOT_FOUND = 275;
inline constexpr long MCIERR_INTERNAL = 277;
inline constexpr long MCIERR_EXTENSION_NOT_FOUND = 281;
inline constexpr long MCIERR_MISSING_DEVICE_NAME = 292;
inline constexpr long MCIERR_NO_CLOSING_QUOTE = 294;
inline constexpr long MCIERR_INVALID_FILE = 296;

} // namespace engine
