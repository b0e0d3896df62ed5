// Tests of the information report: its layout read back from a PDF, its picture on a QImage,
// the print dialog's outcomes and the all-or-nothing update of the exchange file.
#include "ui/report_printer.h"

#include "core/app_config.h"
#include "core/texts.h"
#include "platform/profile.h"

#include "bmp_fixtures.h"

#include <QApplication>
#include <QComboBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextDocumentFragment>
#include <QTimer>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

namespace {

// One word of the PDF's text, in points from the page's top-left corner.
struct Word
{
    QString text;
    double xMin, yMin, xMax, yMax;
};

// Reads the words of the PDF's first page with poppler's pdftotext.
QList<Word> PdfWords(const QString& pdf)
{
    QProcess p;
    p.start("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        qFatal("pdftotext failed on %s", qPrintable(pdf));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression wordRe(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    QList<Word> words;
    for (auto it = wordRe.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        words.push_back({QTextDocumentFragment::fromHtml(m.captured(5)).toPlainText(),
                         m.captured(1).toDouble(), m.captured(2).toDouble(),
                         m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return words;
}

// The words whose box starts within a line of `topTwips` (a report y, negative downward),
// left to right, joined by blanks.
QString TextOnLine(const QList<Word>& words, int topTwips, double* xMin = nullptr,
                   double* xMax = nullptr)
{
    const double top = -topTwips / 20.0;
    QList<Word> line;
    for (const Word& w : words)
        if (w.yMin >= top - 3 && w.yMin < top + 11)
            line.push_back(w);
    std::sort(line.begin(), line.end(),
              [](const Word& a, const Word& b) { return a.xMin < b.xMin; });
    QStringList texts;
    for (const Word& w : line)
        texts << w.text;
    if (!line.isEmpty()) {
        if (xMin)
            *xMin = line.front().xMin;
        if (xMax)
            *xMax = line.back().xMax;
    }
    return texts.join(' ');
}

// The word `text` whose top lies within one point of `topTwips`.
const Word* Find(const QList<Word>& words, const QString& text, int topTwips)
{
    for (const Word& w : words)
        if (w.text == text && std::abs(w.yMin + topTwips / 20.0) <= 1.0)
            return &w;
    return nullptr;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A 300 x 100 picture in one colour, as a 24-bit .BMP.
QByteArray SolidBmp(QRgb colour)
{
    const int w = 300, h = 100, row = w * 3;
    QByteArray bmp(54 + row * h, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    PutLE(bmp, 2, 4, bmp.size());
    PutLE(bmp, 10, 4, 54);
    PutLE(bmp, 14, 4, 40);
    PutLE(bmp, 18, 4, w);
    PutLE(bmp, 22, 4, h);
    PutLE(bmp, 26, 2, 1);
    PutLE(bmp, 28, 2, 24);
    for (int i = 54; i < bmp.size(); i += 3) {
        bmp[i] = char(qBlue(colour));
        bmp[i + 1] = char(qGreen(colour));
        bmp[i + 2] = char(qRed(colour));
    }
    return bmp;
}

// The bounding box of the pixels that `match` accepts.
template <typename Match> QRect BoxOf(const QImage& image, Match match)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestReportPrinter : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::string exchange_;

    // Prints the report to a PDF of an A4 page whose printable area lies `margins` (points)
    // within the paper's edges, and returns the PDF's path.
    QString PrintPdf(const QString& name, const QMarginsF& margins = {})
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir_.filePath(name));
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, margins,
                                          QPageLayout::Point));
        CReportPrinter report;
        if (!report.PrintOn(printer))
            qFatal("cannot print to %s", qPrintable(name));
        return printer.outputFileName();
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed; tools/setup.sh installs it");
    }

    void init()
    {
        AppConfig.workDir = dir_.path().toStdString();
        AppConfig.textsPath = std::string(ZOLT_SOURCE_DIR) + "/data/SWBASE.TXT";
        AppConfig.language = 0;
        exchange_ = JoinPath(AppConfig.workDir, kReportFileName);
        QFile::remove(QString::fromStdString(exchange_));
        QFile::remove(dir_.filePath("LogoPrn.Bmp"));
        CReportPrinter::SetPrintDialogHook(nullptr);
    }

    void leftMargin_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("left");
        QTest::newRow("no offset") << 0 << 1123;
        QTest::newRow("a quarter inch") << 360 << 763;
        QTest::newRow("a tenth of an inch, truncated") << 144 << 979;
        QTest::newRow("offset beyond 0.78 inch") << 1440 << -316;
    }

    void leftMargin()
    {
        QFETCH(int, offset);
        QFETCH(int, left);
        QCOMPARE(ReportLeftMargin(offset), left);
        QCOMPARE(ReportPageGeometry(10000, 15000, offset).T, left + 2000);
    }

    // Texts, their order and their places as the PDF holds them, within one point.
    void pdfLayout()
    {
        // 39 letters, Greek ones taking two bytes each: the cut counts letters.
        const std::string cell39 = "Βιβλιοθήκη_σειριακής_επικοινωνίας_ABCDE";
        QVERIFY(WriteReportCells(exchange_, {"Programma", "1.08.00", "06/06/2007", cell39 + "X",
                                             "2.01.00", "12/03/2024"}));
        const QString pdf = PrintPdf("layout.pdf");
        const QList<Word> words = PdfWords(pdf);
        QVERIFY(!words.isEmpty());

        const int s = -280, L = 1123, T = 3123;
        const QSizeF page = QPageSize(QPageSize::A4).size(QPageSize::Point);
        // A PDF has no physical margins: the text keeps the left margin at the right too.
        const double W = std::lround(page.width() * 20) - L, H = std::lround(page.height() * 20);
        double x0 = 0, x1 = 0;
        auto near = [](double points, double twips) {
            return std::abs(points - twips / 20.0) <= 1.0;
        };

        QCOMPARE(TextOnLine(words, 2 * s, &x0), QString("SISTEMA DIAGNOSI VELANTO"));
        QVERIFY2(near(x0, T), qPrintable(QString::number(x0)));
        QVERIFY(Find(words, "SISTEMA", 2 * s));

        const QString dateLine = TextOnLine(words, 7 * s, &x0);
        const QString label = UiText("GENERIC_STRING", 3);
        QVERIFY2(dateLine.startsWith(label + ' '), qPrintable(dateLine));
        static const QRegularExpression stamp(R"(\d\d:\d\d:\d\d - \d\d/\d\d/\d\d\d\d$)");
        QVERIFY2(stamp.match(dateLine).hasMatch(), qPrintable(dateLine));
        QVERIFY(near(x0, T));

        const QString title = UiText("DIALOGO_INFORMAZIONI", 1);
        QCOMPARE(TextOnLine(words, 11 * s, &x0, &x1), title);
        QVERIFY2(near((x0 + x1) / 2, (L + W) / 2), qPrintable(QString::number(x0)));

        const double columns[3] = {double(L), L + std::floor(W / 2),
                                   L + std::floor(W / 2) + std::floor(W / 4)};
        const QString headers[3] = {UiText("DIALOGO_INFORMAZIONI", 9),
                                    UiText("DIALOGO_INFORMAZIONI", 10),
                                    UiText("DIALOGO_INFORMAZIONI", 11)};
        const QString cells[6] = {"Programma",  "1.08.00",
                                  "06/06/2007", QString::fromStdString(cell39),
                                  "2.01.00",    "12/03/2024"};
        for (int c = 0; c < 3; ++c) {
            const Word* header = Find(words, headers[c].split(' ').first(), 13 * s);
            QVERIFY2(header, qPrintable(headers[c]));
            QVERIFY(near(header->xMin, columns[c]));
            for (int row = 0; row < 2; ++row) {
                const Word* cell = Find(words, cells[row * 3 + c], (15 + row) * s);
                QVERIFY2(cell, qPrintable(cells[row * 3 + c]));
                QVERIFY(near(cell->xMin, columns[c]));
            }
        }
        // Lines 17 to 21 and the two notes are empty; nothing lies between the table and the
        // footer.
        const double tableEnd = -17 * s / 20.0 - 3;
        const double footerTop = -(-H + 240 + 280 - 240) / 20.0 - 3;
        for (const Word& w : words)
            QVERIFY2(w.yMin < tableEnd || w.yMin > footerTop, qPrintable(w.text));

        const QString footer = TextOnLine(words, int(-H + 240 + 280 - 240), &x0, &x1);
        QCOMPARE(footer, title + " 1/1");
        QVERIFY(near(x0, L));
        QVERIFY2(near(x1, W), qPrintable(QString::number(x1)));
    }

    // The right limit of a page: a printer's printable area; on a PDF mirrored from the left
    // (pdfRightMarginMirrorsLeft), yet never beyond the printable area.
    void rightLimit_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right"); // -1: a printer with physical margins
        QTest::addColumn<int>("limit");
        QTest::newRow("printer") << 11000 << 360 << -1 << 11000;
        QTest::newRow("PDF margins beyond 0.78 inch") << 9026 << 1440 << 1440 << 9026;
    }
    void rightLimit()
    {
        QFETCH(int, width);
        QFETCH(int, left);
        QFETCH(int, right);
        QFETCH(int, limit);
        const std::optional<int> rightOffset = right < 0 ? std::nullopt : std::optional<int>(right);
        const ReportGeometry g = ReportPageGeometry(width, 15000, left, rightOffset);
        QCOMPARE(g.W, limit);
        QCOMPARE(g.L, ReportLeftMargin(left));
    }

    // Printed to PDF, the footer's page number ends as far from the paper's right edge as its
    // title starts from the left, whatever margins the PDF was given.
    void pdfRightMarginMirrorsLeft_data()
    {
        QTest::addColumn<QMarginsF>("margins");
        QTest::newRow("no margins") << QMarginsF();
        QTest::newRow("10 points") << QMarginsF(10, 10, 10, 10);
        QTest::newRow("uneven") << QMarginsF(14, 20, 40, 20);
    }
    void pdfRightMarginMirrorsLeft()
    {
        QFETCH(QMarginsF, margins);
        const QList<Word> words = PdfWords(PrintPdf("margins.pdf", margins));
        const QSizeF page = QPageSize(QPageSize::A4).size(QPageSize::Point);
        const Word* number = nullptr;
        const Word* title = nullptr;
        for (const Word& w : words) {
            if (w.text == "1/1")
                number = &w;
            else if (!title || w.yMax > title->yMax ||
                     (w.yMax == title->yMax && w.xMin < title->xMin))
                title = &w;
        }
        QVERIFY2(number && title, "the footer is missing");
        const double left = title->xMin, right = page.width() - number->xMax;
        QVERIFY2(std::abs(left - 1123 / 20.0) <= 1 && std::abs(right - left) <= 1,
                 qPrintable(QString("left %1 pt, right %2 pt").arg(left).arg(right)));
    }

    // The red title and the logo land where the design puts them.
    void pagePicture()
    {
        WriteTemp(dir_, "LogoPrn.Bmp", SolidBmp(qRgb(0, 160, 0)));
        const double dpi = 144; // a tenth of a pixel per twip
        QImage page(1190, 1684, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter dc(&page);
        CReportPrinter report;
        report.PaintPage(&dc, page.width(), page.height(), dpi, dpi, 0);
        dc.end();
        const ReportGeometry& g = report.Geometry();
        QCOMPARE(g.L, 1123);
        QCOMPARE(g.T, 3123);
        QCOMPARE(g.W, 11900);

        const QRect red =
            BoxOf(page, [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 90 && qBlue(c) < 90; });
        // Text of line 2: from x = T, below y = 2s and above line 3.
        QVERIFY2(std::abs(red.left() - 312) <= 2, qPrintable(QString::number(red.left())));
        QVERIFY2(red.top() >= 56 && red.bottom() < 84, qPrintable(QString::number(red.top())));

        // 300 x 100 at k = 6: 1,800 by 600 twips from (L, 2s).
        const QRect logo = BoxOf(page, [](QRgb c) { return c == qRgb(0, 160, 0); });
        QVERIFY2(std::abs(logo.left() - 112) <= 1 && std::abs(logo.top() - 56) <= 1,
                 qPrintable(QString("%1,%2").arg(logo.left()).arg(logo.top())));
        QVERIFY2(std::abs(logo.width() - 180) <= 1 && std::abs(logo.height() - 60) <= 1,
                 qPrintable(QString("%1x%2").arg(logo.width()).arg(logo.height())));
    }

    // FIFOs in place of the exchange file and the logo must not block the report or the
    // dialog's write; the write puts a plain file in the FIFO's place.
    void fifosDoNotBlock()
    {
        const QByteArray logo = QFile::encodeName(dir_.filePath("LogoPrn.Bmp"));
        QCOMPARE(mkfifo(exchange_.c_str(), 0600), 0);
        QCOMPARE(mkfifo(logo.constData(), 0600), 0);
        QImage page(600, 840, QImage::Format_RGB32);
        QPainter dc(&page);
        CReportPrinter().PaintPage(&dc, page.width(), page.height(), 72, 72, 0);
        dc.end();
        QVERIFY(WriteReportCells(exchange_, {"a", "b", "c"}));
        QCOMPARE(ReadAll(exchange_), std::string("[INFORMAZIOMI]\nS1=a\nS2=b\nS3=c\n"));
    }

    void printDialog_data()
    {
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("cancelled: nothing printed") << false;
        QTest::newRow("confirmed: one page") << true;
    }

    void printDialog()
    {
        QFETCH(bool, confirmed);
        const QString pdf = dir_.filePath("dialog.pdf");
        QFile::remove(pdf);
        int shown = 0;
        CReportPrinter::SetPrintDialogHook([&](QPrinter& printer, QWidget*) {
            ++shown;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return confirmed;
        });
        CReportPrinter report;
        report.Print(nullptr);
        QCOMPARE(shown, 1);
        QCOMPARE(QFile::exists(pdf), confirmed);
        if (confirmed)
            QCOMPARE(TextOnLine(PdfWords(pdf), -2 * 280), QString("SISTEMA DIAGNOSI VELANTO"));
    }

    // The platform's own dialog keeps print to file (PDF) among its printers, and closing it
    // without confirming prints nothing and reports nothing.
    void realDialogOffersPdfAndCancelsQuietly()
    {
        QStringList printers;
        bool toFile = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            toFile = dlg->testOption(QAbstractPrintDialog::PrintToFile);
            for (auto* combo : dlg->findChildren<QComboBox*>("printers"))
                for (int i = 0; i < combo->count(); ++i)
                    printers << combo->itemText(i);
            dlg->reject();
        });
        CReportPrinter().Print(nullptr);
        QVERIFY(toFile);
        QVERIFY2(!printers.filter("PDF").isEmpty(), qPrintable(printers.join('|')));
        QVERIFY(!QApplication::activeModalWidget());
    }

    // A write that fails part-way leaves every cell of the earlier print; one that succeeds
    // replaces them all and keeps the rest of the file.
    void exchangeFileAllOrNothing()
    {
        std::ofstream(exchange_, std::ios::binary)
            << "[INFORMAZIOMI]\r\nS1=old1\r\nS2=old2\r\nS3=old3\r\nS22=nota\r\n";
        const std::string before = ReadAll(exchange_);

        // The fourth key is the first to grow the file past its old size, and fails.
        platform::setProfileWriteFailAfter(static_cast<long long>(before.size()));
        const bool written = WriteReportCells(exchange_, {"new1", "new2", "new3", "new4"});
        platform::setProfileWriteFailAfter(-1);
        QVERIFY(!written);
        QCOMPARE(ReadAll(exchange_), before);
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).filter("STAMPE").size(),
                 1);

        QVERIFY(WriteReportCells(exchange_, {"new1", "two\r\nlines", "new3", "new4"}));
        QCOMPARE(ReadAll(exchange_), std::string("[INFORMAZIOMI]\r\nS1=new1\r\nS2=two  lines\r\n"
                                                 "S3=new3\r\nS22=nota\r\nS4=new4\r\n"));
    }
};

QTEST_MAIN(TestReportPrinter)
#include "tst_report_printer.moc"
