// Tests of the language text lookup and of the message box entry points.
#include "core/app_config.h"
#include "core/message_box.h"
#include "core/texts.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

class TestTexts : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::string file_;
    std::string limitFile_; // texts at the 199-character limit, keyed by language

    static QString Repeat(const char* character, int count)
    {
        return QString::fromUtf8(character).repeated(count);
    }

private slots:
    void initTestCase()
    {
        file_ = dir_.filePath("SWBASE.TXT").toStdString();
        std::ofstream(file_, std::ios::binary) << "[MESSAGGI_ERRORE]\r\n"
                                                  "s1_ITA=Errore\r\n"
                                                  "s1_GRE=Σφάλμα\r\n"
                                                  "s2_ITA=ab\\ncd\r\n"
                                                  "s3_ITA=\"citato\r\n"
                                                  "s4_ITA=\"tutto citato\"\r\n"
                                                  "s5_ITA=fine\"\r\n"
                                                  "s6_ITA=\\n\\n\r\n"
                                                  "s7_ITA=a\\\\nb\r\n"
                                                  "s3_GRE=τρία\r\n"
                                                  "S8_ita=chiave maiuscola\r\n";
        AppConfig.textsPath = file_;

        // In every language: s1 199 Greek letters, s2 200 of them, s3 200 four-byte characters,
        // s4 198 letters followed by a three-byte and a two-byte character.
        limitFile_ = dir_.filePath("LIMIT.TXT").toStdString();
        std::ofstream limit(limitFile_, std::ios::binary);
        limit << "[LIMITE]\n";
        for (const char* code : kLanguageCodes) {
            limit << "s1_" << code << "=" << Repeat("λ", 199).toStdString() << "\n"
                  << "s2_" << code << "=" << Repeat("λ", 200).toStdString() << "\n"
                  << "s3_" << code << "=" << Repeat("😀", 200).toStdString() << "\n"
                  << "s4_" << code << "=" << Repeat("e", 198).toStdString() << "€ü\n";
        }
        // A file from an older installation: 200 letters in the Greek code page, one byte each.
        limit << "s5_GRE=" << std::string(200, '\xEB') << "\n";
    }

    void init()
    {
        AppConfig.language = 0;
        SetMessageBoxHook(nullptr);
    }

    void lookup_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << 0 << 1 << "Errore";
        QTest::newRow("line break pair keeps the length") << 0 << 2 << "ab \ncd";
        QTest::newRow("leading quote becomes blank") << 0 << 3 << " citato";
        QTest::newRow("paired quotes removed by the reader") << 0 << 4 << "tutto citato";
        QTest::newRow("trailing quote becomes blank") << 0 << 5 << "fine ";
        QTest::newRow("two line breaks") << 0 << 6 << " \n \n";
        QTest::newRow("backslash before pair") << 0 << 7 << "a\\ \nb";
        QTest::newRow("greek key") << 5 << 3 << "τρία";
        QTest::newRow("key case ignored") << 0 << 8 << "chiave maiuscola";
        QTest::newRow("missing number") << 0 << 99 << "()----()";
        QTest::newRow("missing language") << 1 << 1 << "()----()";
    }

    void lookup()
    {
        QFETCH(int, language);
        QFETCH(int, number);
        QFETCH(QString, expected);
        AppConfig.language = std::uint8_t(language);
        QCOMPARE(QString::fromStdString(GetText("MESSAGGI_ERRORE", number, file_.c_str())),
                 expected);
    }

    void limit_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected");
        for (int language = 0; language < 6; ++language) {
            const QByteArray code = kLanguageCodes[language];
            QTest::addRow("%s 199 greek letters whole", code.constData())
                << language << 1 << Repeat("λ", 199);
            QTest::addRow("%s 200 greek letters cut", code.constData())
                << language << 2 << Repeat("λ", 199);
            QTest::addRow("%s four-byte characters cut", code.constData())
                << language << 3 << Repeat("😀", 199);
            QTest::addRow("%s cut after a three-byte character", code.constData())
                << language << 4 << Repeat("e", 198) + "€";
        }
        QTest::newRow("greek code page file cut") << 5 << 5 << Repeat("λ", 199);
    }

    void limit()
    {
        QFETCH(int, language);
        QFETCH(int, number);
        QFETCH(QString, expected);
        AppConfig.language = std::uint8_t(language);
        char out[kTextSize];
        const QString text = QString::fromUtf8(GetText(out, "LIMITE", number, limitFile_.c_str()));
        QCOMPARE(text, expected);
        QVERIFY(!text.contains(QChar::ReplacementCharacter));
    }

    void missingFileGivesSentinel()
    {
        char out[kTextSize];
        QCOMPARE(QByteArray(GetText(out, "MESSAGGI_ERRORE", 1, "/nonexistent/SWBASE.TXT")),
                 QByteArray("()----()"));
    }

    void showMessage_data()
    {
        QTest::addColumn<int>("titleNumber");
        QTest::addColumn<int>("textNumber");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("boxCode");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("result");
        QTest::newRow("error box answers 6 whatever closed it") << 1 << 2 << 16 << 1 << "Errore"
                                                                << "ab \ncd" << 6;
        QTest::newRow("error box closed by its close box") << 1 << 2 << 16 << 7 << "Errore"
                                                           << "ab \ncd" << 6;
        QTest::newRow("question answered yes") << 1 << 1 << 36 << 6 << "Errore"
                                               << "Errore" << 6;
        QTest::newRow("question answered no") << 1 << 1 << 36 << 7 << "Errore"
                                              << "Errore" << 7;
        QTest::newRow("ok cancel passes cancel") << 1 << 1 << 1 << 2 << "Errore"
                                                 << "Errore" << 2;
        QTest::newRow("missing title and text") << 90 << 91 << 16 << 1 << "Title not present !"
                                                << "Message not present !" << 6;
    }

    void showMessage()
    {
        QFETCH(int, titleNumber);
        QFETCH(int, textNumber);
        QFETCH(int, style);
        QFETCH(int, boxCode);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(int, result);
        std::string seenTitle, seenText;
        int seenStyle = -1;
        SetMessageBoxHook([&](const std::string& t, const std::string& m, int s) {
            seenTitle = t;
            seenText = m;
            seenStyle = s;
            return boxCode;
        });
        QCOMPARE(ShowMessage(file_.c_str(), "MESSAGGI_ERRORE", titleNumber, "MESSAGGI_ERRORE",
                             textNumber, style, 0),
                 result);
        QCOMPARE(QString::fromStdString(seenTitle), title);
        QCOMPARE(QString::fromStdString(seenText), text);
        QCOMPARE(seenStyle, style);
    }

    void showMessageTextIsLiteral()
    {
        std::string seen;
        SetMessageBoxHook([&](const std::string&, const std::string& m, int) {
            seen = m;
            return 7;
        });
        QCOMPARE(ShowMessageText(file_.c_str(), "T", "100%s literal", 36, 0), 7);
        QCOMPARE(seen, std::string("100%s literal"));
    }
};

QTEST_MAIN(TestTexts)
#include "tst_texts.moc"
