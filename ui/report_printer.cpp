// The one-page information report.
#include "ui/report_printer.h"

#include "core/app_config.h"
#include "core/texts.h"
#include "core/work_dir.h"
#include "platform/profile.h"
#include "ui/paint_bmp_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kInfoSection = "DIALOGO_INFORMAZIONI";
constexpr const char* kGenericSection = "GENERIC_STRING";
// The application title names the print job.
constexpr const char* kDocumentName = "VELANTO";
constexpr const char* kSystemTitle = "SISTEMA DIAGNOSI VELANTO ";
constexpr const char* kLogoFileName = "LogoPrn.Bmp";
// The report always has one page.
constexpr int kPageCount = 1;

CReportPrinter::PrintDialogHook g_printDialogHook;

struct FontStyle
{
    int points;
    int weight;
    QColor colour;
};

FontStyle StyleOf(CReportPrinter::Font font)
{
    const QColor red(255, 0, 0), blue(0, 0, 255), black(0, 0, 0);
    switch (font) {
    case CReportPrinter::Font::SystemTitle:
        return {12, 700, red};
    case CReportPrinter::Font::DateLine:
        return {12, 700, black};
    case CReportPrinter::Font::ReportTitle:
    case CReportPrinter::Font::ColumnHeader:
        return {12, 700, blue};
    case CReportPrinter::Font::Cell:
        return {12, 400, black};
    case CReportPrinter::Font::Footer:
        break;
    }
    return {10, 700, black};
}

// Reads at most `chars` characters of `key`: counted in letters, so that a Greek cell is not
// cut at half the length of a Latin one.
QString ReadCell(const std::string& path, const char* key, int chars)
{
    // A FIFO or device in place of the file would block the reader; it reads as empty.
    if (!QFileInfo(QFile::decodeName(path.c_str())).isFile())
        return {};
    const unsigned size = static_cast<unsigned>(chars) * 4 + 1;
    std::vector<char> value(size);
    GetPrivateProfileStringA(kReportSection, key, "", value.data(), size, path.c_str());
    return QString::fromUtf8(value.data()).left(chars);
}

bool RunPrintDialog(QPrinter& printer, QWidget* parent)
{
    if (g_printDialogHook)
        return g_printDialogHook(printer, parent);
    QPrintDialog dlg(&printer, parent);
    // Print to file stays offered: a workshop PC often has no printer set up, and a PDF of the
    // report is what it can keep or send on.
    dlg.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                   QAbstractPrintDialog::PrintCollateCopies);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace

bool WriteReportCells(const std::string& path, const std::vector<std::string>& cells)
{
    const QString target = QFile::decodeName(path.c_str());
    const QFileInfo info(target);
    QTemporaryFile scratch(info.absolutePath() + "/.STAMPE-XXXXXX");
    if (!scratch.open())
        return false;
    // Only a plain file is carried over: a FIFO or device there would block the read.
    if (info.isFile()) {
        QFile old(target);
        if (!old.open(QIODevice::ReadOnly))
            return false;
        const QByteArray data = old.readAll();
        if (old.error() != QFile::NoError || scratch.write(data) != data.size())
            return false;
        scratch.setPermissions(old.permissions());
    } else {
        scratch.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                               QFile::ReadOther);
    }
    if (!scratch.flush())
        return false;
    scratch.close();

    const std::string scratchPath = QFile::encodeName(scratch.fileName()).toStdString();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        std::string value = cells[i];
        for (char& c : value)
            if (c == '\r' || c == '\n')
                c = ' ';
        const std::string key = "S" + std::to_string(i + 1);
        if (!WritePrivateProfileStringA(kReportSection, key.c_str(), value.c_str(),
                                        scratchPath.c_str()))
            return false;
    }
    // rename() replaces the old file in one step; the scratch name is then gone.
    if (std::rename(scratchPath.c_str(), path.c_str()) != 0)
        return false;
    scratch.setAutoRemove(false);
    return true;
}

int ReportLeftMargin(int physicalLeftOffset)
{
    const float inches = 0.78f - static_cast<float>(physicalLeftOffset) * 0.00069444446f;
    return static_cast<int>(inches * 1440.0f);
}

ReportGeometry ReportPageGeometry(int width, int height, int physicalLeftOffset,
                                  std::optional<int> rightOffset)
{
    ReportGeometry g;
    g.W = width;
    g.B = -height + 240;
    g.L = ReportLeftMargin(physicalLeftOffset);
    g.T = g.L + 2000;
    if (rightOffset)
        g.W = std::min(width, width + *rightOffset - (physicalLeftOffset + g.L));
    return g;
}

void CReportPrinter::SetPrintDialogHook(PrintDialogHook hook)
{
    g_printDialogHook = std::move(hook);
}

void CReportPrinter::Print(QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(kDocumentName);
    if (!RunPrintDialog(printer, parent))
        return;
    PrintOn(printer);
}

bool CReportPrinter::PrintOn(QPrinter& printer)
{
    printer.setDocName(kDocumentName);
    QPainter dc;
    if (!dc.begin(&printer))
        return false;
    const double dpiX = printer.logicalDpiX();
    const double dpiY = printer.logicalDpiY();
    const QRect paper = printer.pageLayout().fullRectPixels(printer.resolution());
    const QRect printable = printer.pageLayout().paintRectPixels(printer.resolution());
    auto twips = [&printer](int pixels) {
        return static_cast<int>(std::lround(pixels * 1440.0 / printer.resolution()));
    };
    const int leftOffset = twips(printable.left() - paper.left());
    // A PDF file has no physical margins: its printable area is the paper less margins that
    // are only settings, and a later print of it may cut whatever lies near the paper's edge.
    std::optional<int> rightOffset;
    if (printer.outputFormat() == QPrinter::PdfFormat)
        rightOffset = twips((paper.x() + paper.width()) - (printable.x() + printable.width()));
    PaintPage(&dc, printer.width(), printer.height(), dpiX, dpiY, leftOffset, rightOffset);
    dc.end();
    return true;
}

void CReportPrinter::PaintPage(QPainter* dc, int widthPixels, int heightPixels, double dpiX,
                               double dpiY, int physicalLeftOffset, std::optional<int> rightOffset)
{
    dc_ = dc;
    sx_ = dpiX / 1440.0;
    sy_ = dpiY / 1440.0;
    base_ = dc->transform();
    device_ = QTransform(sx_, 0, 0, -sy_, 0, 0) * base_;
    g_ = ReportPageGeometry(static_cast<int>(std::lround(widthPixels / sx_)),
                            static_cast<int>(std::lround(heightPixels / sy_)), physicalLeftOffset,
                            rightOffset);
    dc->save();
    dc->setRenderHint(QPainter::Antialiasing, false);
    dc->setRenderHint(QPainter::TextAntialiasing, true);
    PaintHeader();
    PaintBody();
    dc->restore();
    dc_ = nullptr;
}

void CReportPrinter::SelectFont(Font font)
{
    const FontStyle style = StyleOf(font);
    QFont f(QStringLiteral("ARIAL"));
    f.setStyleHint(QFont::SansSerif, QFont::PreferQuality);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    // Sizes are in twips: the painter maps them to the device.
    f.setPixelSize(20 * style.points);
    f.setWeight(static_cast<QFont::Weight>(style.weight));
    dc_->setFont(f);
    textColour_ = style.colour;
    g_.s = -(20 * style.points) - 40;
}

void CReportPrinter::Line(int x0, int y0, int x1, int y1)
{
    dc_->setTransform(device_);
    dc_->setPen(QPen(Qt::black, 0));
    dc_->drawLine(QPointF(x0, y0), QPointF(x1, y1));
}

void CReportPrinter::Rule(int y, int direction)
{
    for (int i = 0; i < 3; ++i)
        Line(g_.L, y + direction * i, g_.W, y + direction * i);
}

int CReportPrinter::TextWidth(const QString& text) const
{
    return static_cast<int>(std::lround(QFontMetricsF(dc_->font()).horizontalAdvance(text)));
}

void CReportPrinter::TextOut(int x, int y, const QString& text)
{
    // Text hangs below its point, as the platform's top-aligned text output does; it is drawn
    // in an upright copy of the page's coordinates so that it does not come out mirrored.
    dc_->save();
    dc_->setTransform(QTransform(sx_, 0, 0, sy_, sx_ * x, -sy_ * y) * base_);
    dc_->setPen(textColour_);
    dc_->drawText(QPointF(0, QFontMetricsF(dc_->font()).ascent()), text);
    dc_->restore();
}

void CReportPrinter::CellText(int left, int right, int y, const QString& text)
{
    dc_->save();
    dc_->setTransform(device_);
    const QRectF cell(QPointF(left, y + g_.s), QPointF(right, y));
    dc_->fillRect(cell, Qt::white);
    dc_->setClipRect(cell);
    TextOut(left, y, text);
    dc_->restore();
}

void CReportPrinter::PaintHeader()
{
    g_.n = 1;
    SelectFont(Font::SystemTitle);
    Rule(g_.n * g_.s, -1);
    ++g_.n;
    const int logoTop = g_.n * g_.s;
    TextOut(g_.T, logoTop, QString::fromLatin1(kSystemTitle));

    g_.n += 5;
    SelectFont(Font::DateLine);
    const QDateTime now = QDateTime::currentDateTime();
    const QDate day = now.date();
    const QTime time = now.time();
    const std::string label = UiText(kGenericSection, 3).toStdString();
    char line[300];
    std::snprintf(line, sizeof line, "%s %02d:%02d:%02d - %02d/%02d/%04d", label.c_str(),
                  time.hour(), time.minute(), time.second(), day.day(), day.month(), day.year());
    TextOut(g_.T, g_.n * g_.s, QString::fromUtf8(line));

    g_.n += 2;
    Rule(g_.n * g_.s, -1);

    const std::string logo = DataFilePath(AppConfig.workDir, kLogoFileName);
    dc_->save();
    dc_->setTransform(device_);
    // Only a plain file: opening a FIFO in its place would wait for a writer.
    if (QFileInfo(QFile::decodeName(logo.c_str())).isFile())
        PaintBmpFile(dc_, g_.L, logoTop, g_.T - g_.L - 100, g_.n * g_.s - logoTop, logo);
    dc_->restore();

    g_.n = 10;
    const int fold = g_.B / 2;
    for (int y : {fold - 1, fold, fold + 1})
        Line(0, y, 150, y);
    g_.B -= g_.s;
    Rule(g_.B, 1);
}

void CReportPrinter::PaintBody()
{
    const QString title = UiText(kInfoSection, 1);
    SelectFont(Font::ReportTitle);
    g_.n = 11;
    TextOut(g_.L + (g_.W - g_.L - TextWidth(title)) / 2, g_.n * g_.s, title);

    const int columns[4] = {g_.L, g_.L + g_.W / 2, g_.L + g_.W / 2 + g_.W / 4, g_.W};
    SelectFont(Font::ColumnHeader);
    g_.n = 13;
    for (int c = 0; c < 3; ++c)
        CellText(columns[c], columns[c + 1], g_.n * g_.s, UiText(kInfoSection, 9 + c));

    SelectFont(Font::Cell);
    const std::string path = JoinPath(AppConfig.workDir, kReportFileName);
    for (int i = 0; i < kReportCells; ++i) {
        const std::string key = "S" + std::to_string(i + 1);
        const int y = (15 + i / 3) * g_.s;
        CellText(columns[i % 3], columns[i % 3 + 1], y, ReadCell(path, key.c_str(), 39));
    }
    TextOut(g_.L, 23 * g_.s, ReadCell(path, "S22", 99));
    TextOut(g_.L, 25 * g_.s, ReadCell(path, "S23", 99));

    SelectFont(Font::Footer);
    const int footer = g_.B - 240;
    TextOut(g_.L, footer, title);
    const QString page = QString("%1/%2").arg(kPageCount).arg(kPageCount);
    TextOut(g_.W - TextWidth(page), footer, page);
}
