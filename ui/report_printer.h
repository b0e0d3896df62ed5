// The one-page information report: header with title, date and logo, the table kept in the
// exchange file "STAMPE.$$$", and the footer, laid out in twips with y growing upward.
//
//   CReportPrinter report;
//   report.Print(dialog);             // print dialog, then one page; a cancel ends quietly
//   report.PrintOn(pdfPrinter);       // the page on a printer already set up (tests, PDF)
#pragma once

#include <QColor>
#include <QTransform>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPainter;
class QPrinter;
class QWidget;

// The exchange file between the information dialog and the report, in the working directory.
inline constexpr const char* kReportFileName = "STAMPE.$$$";
inline constexpr const char* kReportSection = "INFORMAZIOMI";
// Table cells printed: seven lines of three.
inline constexpr int kReportCells = 21;

// Replaces keys "S1", "S2", ... of the exchange file at `path` with `cells` in one atomic step:
// the keys are written into a copy that then takes the file's place, so a failure part-way
// leaves the file exactly as it was and a report never mixes cells of two prints. Other lines
// of the file are kept. Line breaks in a cell become blanks. Returns false when nothing changed.
bool WriteReportCells(const std::string& path, const std::vector<std::string>& cells);

// Page geometry in twips, origin at the top-left of the printable area, y growing upward.
struct ReportGeometry
{
    int W = 0;    // width of the printable area
    int B = 0;    // bottom limit: 240 above the bottom of the printable area
    int L = 0;    // left margin
    int T = 0;    // x of the header texts
    int s = -280; // line step of the current font
    int n = 1;    // line number; line n lies at y = n * s
};

// The left margin that puts text 0.78 inch from the paper's edge, for a printer whose printable
// area starts `physicalLeftOffset` twips from it; reckoned in single precision and truncated,
// as the printed layout has always been.
int ReportLeftMargin(int physicalLeftOffset);

// The geometry of a fresh page whose printable area is `width` by `height` twips. A printer
// keeps its own margins and W is the printable area's right edge. A device without physical
// margins (a PDF file) gives `rightOffset`, the twips from the printable area's right edge to
// the paper's: the text then ends as far from the paper's right edge as it starts from its
// left, so that a later print of the file loses nothing at the right.
ReportGeometry ReportPageGeometry(int width, int height, int physicalLeftOffset,
                                  std::optional<int> rightOffset = std::nullopt);

class CReportPrinter
{
public:
    enum
    {
        IDD = 177
    };

    // The six fonts of the report, each with its colour.
    enum class Font
    {
        SystemTitle,
        DateLine,
        ReportTitle,
        ColumnHeader,
        Cell,
        Footer
    };

    // Runs the whole job: the print dialog over `parent`, then one page. Nothing is reported:
    // a cancelled dialog or a printer that refuses the page ends it quietly.
    void Print(QWidget* parent);

    // Prints the page on `printer`, set up already. Returns false when the printer could not
    // start the document.
    bool PrintOn(QPrinter& printer);

    // Paints the page on `dc`, whose printable area is `widthPixels` by `heightPixels` device
    // units at `dpiX` by `dpiY`, its origin at the painter's origin; the offsets as for
    // ReportPageGeometry.
    void PaintPage(QPainter* dc, int widthPixels, int heightPixels, double dpiX, double dpiY,
                   int physicalLeftOffset, std::optional<int> rightOffset = std::nullopt);

    // The geometry of the last page painted.
    const ReportGeometry& Geometry() const { return g_; }

    // Test seam: replaces the print dialog; returns whether printing goes on.
    using PrintDialogHook = std::function<bool(QPrinter& printer, QWidget* parent)>;
    static void SetPrintDialogHook(PrintDialogHook hook);

private:
    void SelectFont(Font font);
    void Rule(int y, int direction);
    void Line(int x0, int y0, int x1, int y1);
    void TextOut(int x, int y, const QString& text);
    void CellText(int left, int right, int y, const QString& text);
    int TextWidth(const QString& text) const;
    void PaintHeader();
    void PaintBody();

    QPainter* dc_ = nullptr;
    QTransform base_;   // the painter's transform when the page began
    QTransform device_; // twips, y upward, to the device
    QColor textColour_;
    double sx_ = 1;
    double sy_ = 1;
    ReportGeometry g_;
};
