#pragma once
// The separator the system writes between folders of a path. Both systems
// accept '/', but a drive root typed on Windows ends in '\'.

namespace platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

}  // namespace platform
