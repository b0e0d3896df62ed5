// Failures the user must see, as values: a lower layer emits an ErrorReport by signal, and
// only the top shows it (the program's box), prints it (zoltctl) or records it (tests). Also
// the numbers of the texts of "MESSAGGI_ERRORE", the one way of filling a text's "%s" and
// "%d", and the words shown where a text is missing.
//
//   emit Failed(ErrorReport{ErrorText::kCannotOpenFile, pcPath});  // "%s" becomes the path
//   emit Failed(ErrorReport{ErrorText::kPortNotOpened, reason});   // no "%s": a line of its own
//   std::cout << ReportText(report, workspace);
#pragma once

#include <QMetaType>

#include <initializer_list>
#include <string>

struct Workspace;

inline constexpr const char* kErrorSection = "MESSAGGI_ERRORE";

// The texts of "MESSAGGI_ERRORE", by number.
namespace ErrorText {
enum : int
{
    kTitle = 1,         // the title of every error box and question
    kPortNotOpened = 2, // the reason follows on a line of its own
    kProfileNotWritten = 3,
    kSelectionFull = 4,
    kLinkNotReleased = 6,
    kLinkInitFailed4 = 7,  // LinkInit returned -4
    kLinkInitFailed3 = 8,  // -3
    kLinkInitFailed2 = 9,  // -2
    kLinkInitFailed1 = 10, // -1
    kNoAnswer = 12,
    kNoLinkWindow = 13,
    kBadRequest = 14, // an unlisted request type, or an unexpected status
    kCannotSend = 15,
    kCannotReceive = 16,
    kBlockError = 18,
    kNameRefused = 19,
    kBlockRefused = 20,
    kCannotOpenFile = 21, // "%s": the PC path
    kUnexpectedAnswer = 29,
    kListingRefused = 32,
    kDeleteRefused = 35,
    kUnknownEvent = 42,
    kInstallFailed = 52,
    kInstalled = 53,
    kPortChanged = 55,
    kTesterFull = 56,
    kNoRoom = 57,
    kCannotOpenSoftware = 58,
    kCannotWritePart = 59,
    kPortMissing = 60,      // "%s": the device
    kPortBusy = 61,         // "%s": the device
    kPortNoPermission = 62, // "%s": the device
    kCannotCompress = 63,   // "%s": the PC path
    kNoPortOpen = 64,       // after a failed change of port, the old one could not be reopened
    kSizeDiffers = 65,
    kTooManyParts = 66,
    kPartPlaceTaken = 67,      // a link, folder or device where a part file goes
    kNameNotUsable = 68,       // a tester name that cannot build a path
    kNotKept = 69,             // the tester's listing does not hold what it acknowledged
    kWorkDirUnusable = 70,     // "%s": the working folder cannot be made or written
    kDataFileDamaged = 71,     // an installed data file is missing or damaged
    kFolderTextsUnusable = 72, // the folder's text file cannot be used; the installed one is
    kChosenPortNotOpened = 73, // a change of port failed; the port used so far stays
    kChoiceNotSaved = 76,      // "%s": the profile the serial device chosen could not be written to
};
} // namespace ErrorText

// Message box styles used by the program.
inline constexpr int kStyleError = 16;    // error icon, single Ok
inline constexpr int kStyleQuestion = 36; // question icon, Yes and No
// The platform's own notice box with the exclamation icon (the port-change notice).
inline constexpr int kStyleNotice = 48;

struct ErrorReport
{
    ErrorReport() = default;
    ErrorReport(int number, std::string detail = {}) : number(number), detail(std::move(detail)) {}
    ErrorReport(std::string section, int number, std::string detail = {})
        : section(std::move(section)), number(number), detail(std::move(detail))
    {
    }
    // A system message with a literal title and text, as the design words a few of them.
    static ErrorReport Literal(std::string title, std::string text)
    {
        ErrorReport report;
        report.literalTitle = std::move(title);
        report.literal = std::move(text);
        return report;
    }

    std::string section = kErrorSection; // section of the language file
    int number = 0;                      // text number in `section`
    std::string detail;                  // fills the text's "%s", else follows on a line of its own
    int style = kStyleError;             // message box style: kStyleError or kStyleNotice
    int helpId = 0;
    std::string literal;      // when set: shown instead of a looked-up text
    std::string literalTitle; // ... under this title
    std::string appended;     // follows the text as it stands (names, figures)
    bool platform = false;    // in the platform's own box, not the program's
    bool ends = false;        // the work that reported it has ended with it

    // The same message (what a box shows), whatever its detail.
    bool SameMessage(const ErrorReport& other) const;
};
Q_DECLARE_METATYPE(ErrorReport)

// Shown in place of a missing title or message text.
inline constexpr const char* kTitleMissing = "Title not present !";
inline constexpr const char* kMessageMissing = "Message not present !";

// `text`, or `fallback` when it is the not-found sentinel "()----()".
std::string TextOr(std::string text, const char* fallback);

// Fills the "%s" and "%d" of `format` in order from `arguments`; "%%" becomes "%". A "%d" takes
// only an argument that is a number; it, any other "%" sequence, and one beyond the arguments
// stay as written, so that a text from the language file cannot make the program read
// arguments it was never given.
std::string FillText(const std::string& format, std::initializer_list<std::string> arguments);

// The title and text the user sees for `report` in `workspace`'s language: title text 1 of
// "MESSAGGI_ERRORE" (or the literal title) and the looked-up text with the detail in its "%s",
// or on a line of its own after a blank line.
std::string ReportTitle(const ErrorReport& report, const Workspace& workspace);
std::string ReportText(const ErrorReport& report, const Workspace& workspace);
