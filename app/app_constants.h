// Command, help and dialog identifiers of the main program; the help, tip and menu tables key on
// them.
#pragma once

namespace cmd {
inline constexpr int TesterSoftware = 32772;
inline constexpr int InstallSoftware = 32784;
inline constexpr int PrintSetup = 57606;
inline constexpr int Exit = 57665;
inline constexpr int SelectSerialPort = 32771;
inline constexpr int SelectLanguage = 32776;
inline constexpr int ViewToolbar = 59392;
inline constexpr int ViewStatusBar = 59393;
inline constexpr int Help = 57670;
inline constexpr int AppAbout = 57664;
inline constexpr int Print = 57607;
inline constexpr int PrintDirect = 57608;
inline constexpr int PrintPreview = 57609;
} // namespace cmd

namespace helpid {
inline constexpr int Information = 131172;
inline constexpr int SerialPort = 131202;
inline constexpr int TesterSoftware = 131203;
inline constexpr int Language = 131205;
inline constexpr int InstallSoftware = 131351;
} // namespace helpid

inline constexpr const char* kAppTitle = "VELANTO";
inline constexpr const char* kDocTitle = "- Dozozovir Avurez Erezevo \n ";
inline constexpr const char* kMainWindowClass = "zoltClass";
