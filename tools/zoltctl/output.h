// What zoltctl prints: its own lines in the configured language (section "ZOLTCTL" of the
// language file), the program's messages made fit for a terminal, and names from the tester
// with their control bytes escaped.
#pragma once

#include "core/messages.h"

#include <string>
#include <utility>
#include <vector>

namespace zoltctl {

inline constexpr const char* kSection = "ZOLTCTL";

// Numbers of the tool's own texts in section "ZOLTCTL".
enum Text
{
    kHelpIntro = 1,
    kHelpCommands = 2,
    kHelpLs = 3,
    kHelpRm = 4,
    kHelpPurge = 5,
    kHelpDownload = 6,
    kHelpCopy = 7,
    kHelpDir = 8,
    kHelpOptions = 9,
    kHelpDevice = 10,
    kHelpPort = 11,
    kHelpReplace = 12,
    kHelpKeep = 13,
    kHelpTextMode = 14,
    kHelpCompress = 15,
    kHelpExit = 16,
    kHelpDefaults = 17,
    kUnknownArgument = 18, // %s
    kNeedsValue = 19,      // %s
    kPortRange = 20,
    kDeviceOrPort = 21,
    kNoOperands = 22, // %s
    kCopyPairs = 23,
    kNeedsNames = 24, // %s
    kTryHelp = 25,
    kNoCommand = 26,
    kCannotQueue = 27, // %s
    kNoDevice = 28,    // %s
    kNotSerial = 29,   // %s
    kSent = 30,        // %s %s
    kFilesSent = 31,   // %d %d
    kDeleted = 32,     // %s
    kIncomplete = 33,
    kEntries = 34,        // %d
    kNoSuchSoftware = 35, // %s
    kNothingToPurge = 36,
    kYesNoPrompt = 37,
    kYesWords = 38,
    kCannotAsk = 39,
    kSkipped = 40, // %s
    kTesterEmpty = 41,
    kTooManyFiles = 42,  // instead of MESSAGGI_ERRORE 4
    kPortNotOpened = 43, // instead of MESSAGGI_ERRORE 2
    kReplaceOrKeep = 44,
    kDeleteRefused = 45,     // instead of MESSAGGI_ERRORE 35
    kEntriesOutOfOrder = 46, // instead of the dialog's Italian system box
    kNoRoom = 47,            // instead of MESSAGGI_ERRORE 57
    kEmptyName = 48,
    kNameNotUsable = 49,
    kRepeated = 50, // %d %s
    kHelpPorts = 58,
    kHelpPortAuto = 59,
    kNoneAnswered = 60,
    kSeveralAnswered = 61,
    kNoSerialDevices = 62,
    kAutoPort = 63,     // %s
    kPortsSummary = 64, // %d %d
    kTesterGone = 65,   // %s: the device went away while the command ran
};

// Text `number` of "ZOLTCTL" in the current language, with "%s" and "%d" filled in order
// from `args` (any other "%" stays as written). The sentinel "()----()" when it is missing.
std::string Say(int number, std::initializer_list<std::string> args = {});

// The message a program box would show for text `number` of "MESSAGGI_ERRORE", as the tool
// prints it: texts that send the user to a menu or a dialog are replaced by the tool's own.
std::string ToolErrorText(int number);

// Prints the link's and the engines' failures on standard error, worded for a terminal; connect
// their Failed signals to Print.
class FailurePrinter
{
public:
    FailurePrinter() = default;
    FailurePrinter(const FailurePrinter&) = delete;
    FailurePrinter& operator=(const FailurePrinter&) = delete;
    // Says how often each repeated message came (see Print).
    ~FailurePrinter();
    // A message printed already is not printed again, only counted: a tester flooding the
    // line with one notice would fill the terminal.
    void Print(const ErrorReport& report);

private:
    std::vector<std::pair<std::string, int>> printed_; // text and times it came
};

// Prints `text` on standard error as "zoltctl: text".
void PrintError(const std::string& text);

// `name` with its control bytes (C0, DEL, C1) and anything that is not UTF-8 written as
// \xNN, and "\" as "\\", so that a name from the tester cannot steer the terminal.
std::string Escaped(const std::string& name);

// Whether `answer` (a line typed at the conflict question) means yes in the current language
// or in English.
bool MeansYes(const std::string& answer);

} // namespace zoltctl
