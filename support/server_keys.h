#pragma once

// The mail server's registry keys under HKEY_LOCAL_MACHINE, in the 32-bit view reached through
// the path (never a view flag).

inline constexpr const char kServerKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton";
inline constexpr const char kConnectorsKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\CONNECTORS";
inline constexpr const char kSfConnectorKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\CONNECTORS\\SF";
inline constexpr const char kAdministrationKey[] =
    "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Services\\Administration";
inline constexpr const char kRemoteAdminKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\Remote Admin";
inline constexpr const char kW3cLoggingKey[] =
    "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Services\\Administration\\Logging\\W3C";
