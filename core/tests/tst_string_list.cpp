// Tests of the program's linked string and pointer lists.
#include "core/string_list.h"

#include <QtTest>

#include <random>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

StringList Make(const Strings& items)
{
    StringList list;
    for (const std::string& s : items)
        list.AddTail(s.c_str());
    return list;
}

// Reads the list by index (the upper half walks back from the tail, so both directions of the
// links are used) and compares it with the next-links seen by iteration.
Strings Contents(StringList& list)
{
    Strings byIndex;
    char buffer[256];
    for (int i = 0; i < list.GetCount(); ++i) {
        if (!list.GetAt(i, buffer))
            return {"<GetAt failed>"};
        byIndex.push_back(buffer);
    }
    Strings byIteration;
    if (list.SeekTo(0)) {
        std::string s;
        while (list.GetNext(s))
            byIteration.push_back(s);
    }
    if (byIndex != byIteration)
        return {"<links disagree>"};
    return byIndex;
}

Strings ToStrings(const QStringList& items)
{
    Strings out;
    for (const QString& s : items)
        out.push_back(s.toStdString());
    return out;
}

} // namespace

class TestStringList : public QObject
{
    Q_OBJECT

private slots:
    void indexRules_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("after");

        const QStringList abc = {"A", "B", "C"}, none;
        QTest::newRow("InsertAt count appends")
            << abc << "insert" << 3 << true << QStringList{"A", "B", "C", "X"};
        QTest::newRow("InsertAt count+1") << abc << "insert" << 4 << false << abc;
        QTest::newRow("InsertAt -1") << abc << "insert" << -1 << false << abc;
        QTest::newRow("InsertAt 0 makes a new head")
            << abc << "insert" << 0 << true << QStringList{"X", "A", "B", "C"};
        QTest::newRow("InsertAt in front half")
            << abc << "insert" << 1 << true << QStringList{"A", "X", "B", "C"};
        QTest::newRow("InsertAt in back half")
            << abc << "insert" << 2 << true << QStringList{"A", "B", "X", "C"};
        QTest::newRow("InsertAt 0 of empty") << none << "insert" << 0 << true << QStringList{"X"};
        QTest::newRow("SetAt count appends")
            << abc << "set" << 3 << true << QStringList{"A", "B", "C", "X"};
        QTest::newRow("SetAt count+1 changes nothing") << abc << "set" << 4 << false << abc;
        QTest::newRow("SetAt -1 changes nothing") << abc << "set" << -1 << false << abc;
        QTest::newRow("SetAt head") << abc << "set" << 0 << true << QStringList{"X", "B", "C"};
        QTest::newRow("SetAt tail") << abc << "set" << 2 << true << QStringList{"A", "B", "X"};
        QTest::newRow("SetAt 0 of empty") << none << "set" << 0 << true << QStringList{"X"};
        QTest::newRow("RemoveAt head") << abc << "remove" << 0 << true << QStringList{"B", "C"};
        QTest::newRow("RemoveAt middle") << abc << "remove" << 1 << true << QStringList{"A", "C"};
        QTest::newRow("RemoveAt tail") << abc << "remove" << 2 << true << QStringList{"A", "B"};
        QTest::newRow("RemoveAt count") << abc << "remove" << 3 << false << abc;
        QTest::newRow("RemoveAt -1") << abc << "remove" << -1 << false << abc;
        QTest::newRow("RemoveAt only element") << QStringList{"A"} << "remove" << 0 << true << none;
        QTest::newRow("RemoveAt 0 of empty") << none << "remove" << 0 << false << none;
        QTest::newRow("RemoveTail") << abc << "removeTail" << 0 << true << QStringList{"A", "B"};
        QTest::newRow("RemoveTail of empty") << none << "removeTail" << 0 << false << none;
        QTest::newRow("RemoveAll") << abc << "removeAll" << 0 << true << none;
        QTest::newRow("RemoveAll of empty") << none << "removeAll" << 0 << true << none;
        QTest::newRow("GetAt count") << abc << "get" << 3 << false << abc;
        QTest::newRow("GetAt -1") << abc << "get" << -1 << false << abc;
        QTest::newRow("GetAt 0 of empty") << none << "get" << 0 << false << none;
    }

    void indexRules()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, operation);
        QFETCH(int, index);
        QFETCH(bool, result);
        QFETCH(QStringList, after);

        StringList list = Make(ToStrings(before));
        char buffer[16] = "untouched";
        bool actual = false;
        if (operation == "insert")
            actual = list.InsertAt(index, "X");
        else if (operation == "set")
            actual = list.SetAt(index, "X");
        else if (operation == "remove")
            actual = list.RemoveAt(index);
        else if (operation == "removeTail")
            actual = list.RemoveTail();
        else if (operation == "removeAll")
            actual = list.RemoveAll();
        else if (operation == "get")
            actual = list.GetAt(index, buffer);
        QCOMPARE(actual, result);
        QCOMPARE(list.GetCount(), after.size());
        QCOMPARE(Contents(list), ToStrings(after));
        if (operation == "get")
            QCOMPARE(QByteArray(buffer), QByteArray("untouched"));
    }

    // Random edits against a vector: any slip in the links, the walk from the nearer end or the
    // count shows up as a difference.
    void matchesModelUnderRandomEdits()
    {
        std::mt19937 random(2024);
        StringList list;
        PointerList pointers;
        Strings model;
        std::vector<int> values(64);
        for (int step = 0; step < 4000; ++step) {
            const int count = static_cast<int>(model.size());
            const int index = std::uniform_int_distribution<int>(-1, count + 1)(random);
            const std::string text = std::to_string(step);
            void* pointer = &values[step % values.size()];
            const bool inRange = index >= 0 && index < count;
            const bool insertable = index >= 0 && index <= count;
            int operation = std::uniform_int_distribution<int>(0, count > 30 ? 5 : 3)(random);
            bool expected = false;
            bool actual = false;
            bool actualPointer = false;
            switch (operation) {
            case 0:
                expected = insertable;
                if (insertable)
                    model.insert(model.begin() + index, text);
                actual = list.InsertAt(index, text.c_str());
                actualPointer = pointers.InsertAt(index, pointer);
                break;
            case 1:
                expected = insertable;
                if (inRange)
                    model[index] = text;
                else if (insertable)
                    model.push_back(text);
                actual = list.SetAt(index, text.c_str());
                actualPointer = pointers.SetAt(index, pointer);
                break;
            case 2:
                expected = true;
                model.push_back(text);
                actual = list.AddTail(text.c_str());
                actualPointer = pointers.AddTail(pointer);
                break;
            case 3:
            case 4:
                expected = inRange;
                if (inRange)
                    model.erase(model.begin() + index);
                actual = list.RemoveAt(index);
                actualPointer = pointers.RemoveAt(index);
                break;
            default:
                expected = count > 0;
                if (count > 0)
                    model.pop_back();
                actual = list.RemoveTail();
                actualPointer = pointers.RemoveTail();
                break;
            }
            QCOMPARE(actual, expected);
            QCOMPARE(actualPointer, expected);
            QCOMPARE(Contents(list), model);
            QCOMPARE(pointers.GetCount(), list.GetCount());
        }
    }

    // Each step is "command argument [expected]": seek i ok|fail, next value|-, set i text,
    // insert i text, remove i.
    void iteration_data()
    {
        QTest::addColumn<QStringList>("steps");

        QTest::newRow("walk to the end") << QStringList{"seek 1 ok", "next B", "next C", "next -"};
        QTest::newRow("ended iteration needs a new seek")
            << QStringList{"seek 2 ok", "next C", "next -", "next -", "seek 0 ok", "next A"};
        QTest::newRow("seek past the end") << QStringList{"seek 3 fail", "next -"};
        QTest::newRow("seek to -1") << QStringList{"seek -1 fail", "next -"};
        QTest::newRow("no position before the first seek") << QStringList{"next -"};
        QTest::newRow("SetAt at the cursor re-seeks")
            << QStringList{"seek 1 ok", "set 1 X", "next X", "next C", "next -"};
        QTest::newRow("SetAt elsewhere keeps the cursor")
            << QStringList{"seek 1 ok", "set 0 X", "next B", "set 2 Y", "next Y"};
        QTest::newRow("insert before the cursor keeps its element")
            << QStringList{"seek 1 ok", "insert 0 X", "insert 1 Y", "next B", "next C", "next -"};
        QTest::newRow("insert after the cursor is reached")
            << QStringList{"seek 1 ok", "insert 2 X", "next B", "next X", "next C"};
        QTest::newRow("remove before the cursor keeps its element")
            << QStringList{"seek 2 ok", "remove 0", "next C", "next -"};
        QTest::newRow("removing the cursor's element ends iteration")
            << QStringList{"seek 1 ok", "remove 1", "next -"};
        QTest::newRow("removing all ends iteration")
            << QStringList{"seek 0 ok", "removeall", "next -"};
    }

    void iteration()
    {
        QFETCH(QStringList, steps);

        StringList list = Make({"A", "B", "C"});
        for (const QString& step : steps) {
            const QStringList word = step.split(' ');
            const int index = word.size() > 1 ? word[1].toInt() : 0;
            if (word[0] == "seek") {
                QVERIFY2(list.SeekTo(index) == (word[2] == "ok"), qPrintable(step));
            } else if (word[0] == "next") {
                char buffer[16] = "";
                const bool got = list.GetNext(buffer);
                QVERIFY2(got == (word[1] != "-"), qPrintable(step));
                if (got)
                    QCOMPARE(QString(buffer), word[1]);
            } else if (word[0] == "set") {
                QVERIFY(list.SetAt(index, qPrintable(word[2])));
            } else if (word[0] == "insert") {
                QVERIFY(list.InsertAt(index, qPrintable(word[2])));
            } else if (word[0] == "remove") {
                QVERIFY(list.RemoveAt(index));
            } else if (word[0] == "removeall") {
                QVERIFY(list.RemoveAll());
            }
        }
    }

    void find_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<int>("index");

        QTest::newRow("first match") << QByteArray("ALFA") << 0 << true << 0;
        QTest::newRow("start 2 skips 0 and 1") << QByteArray("ALFA") << 2 << true << 3;
        QTest::newRow("start at the match") << QByteArray("ALFA") << 3 << true << 3;
        QTest::newRow("start past every match") << QByteArray("ALFA") << 4 << true << -1;
        QTest::newRow("negative start") << QByteArray("ALFA") << -5 << true << 0;
        QTest::newRow("start past the end") << QByteArray("beta") << 99 << true << -1;
        QTest::newRow("case-sensitive lower") << QByteArray("alfa") << 0 << true << 4;
        QTest::newRow("case-insensitive lower finds upper")
            << QByteArray("alfa") << 0 << false << 0;
        QTest::newRow("case-insensitive upper finds lower")
            << QByteArray("BETA") << 0 << false << 2;
        QTest::newRow("case-sensitive upper misses lower") << QByteArray("BETA") << 0 << true << -1;
        QTest::newRow("prefix is no match") << QByteArray("alf") << 0 << false << -1;
        QTest::newRow("longer text is no match") << QByteArray("alfax") << 0 << false << -1;
        QTest::newRow("brackets are no letters") << QByteArray("a[") << 0 << false << 5;
        QTest::newRow("brace is not upper-cased to bracket")
            << QByteArray("a{") << 0 << false << -1;
        QTest::newRow("only a-z are upper-cased")
            << QByteArray("\xc3\xa4") << 0 << false << -1; // "ä" against "Ä"
        QTest::newRow("empty text") << QByteArray("") << 0 << false << -1;
    }

    void find()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, start);
        QFETCH(bool, caseSensitive);
        QFETCH(int, index);

        StringList list = Make({"ALFA", "ALFA", "beta", "ALFA", "alfa", "A[", "\xc3\x84"});
        QCOMPARE(list.Find(text.constData(), start, caseSensitive), index);
    }

    void split_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("delimiters");
        QTest::addColumn<QStringList>("tokens");

        QTest::newRow("two adjacent delimiters")
            << QByteArray("AUDI,,FIAT") << QByteArray(",") << QStringList{"AUDI", "FIAT"};
        QTest::newRow("leading and trailing delimiters")
            << QByteArray(",A,B,") << QByteArray(",") << QStringList{"A", "B"};
        QTest::newRow("any of several delimiters")
            << QByteArray("A; B,C") << QByteArray("; ,") << QStringList{"A", "B", "C"};
        QTest::newRow("no delimiter") << QByteArray("ABC") << QByteArray(",") << QStringList{"ABC"};
        QTest::newRow("only delimiters") << QByteArray(",,,") << QByteArray(",") << QStringList{};
        QTest::newRow("empty text") << QByteArray("") << QByteArray(",") << QStringList{};
        QTest::newRow("no delimiters given")
            << QByteArray("A,B") << QByteArray("") << QStringList{"A,B"};
    }

    void split()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, delimiters);
        QFETCH(QStringList, tokens);

        StringList list = Make({"old", "contents"});
        QByteArray buffer = text;
        QCOMPARE(list.Split(buffer.data(), delimiters.constData()), tokens.size());
        QCOMPARE(Contents(list), ToStrings(tokens));
        // The text is cut in place: the first token now ends where its delimiter was.
        if (!tokens.isEmpty())
            QCOMPARE(QByteArray(buffer.constData() + buffer.indexOf(tokens[0].toLatin1())),
                     tokens[0].toLatin1());
    }

    void copyIsDeepAndHasNoPosition()
    {
        StringList source = Make({"A", "B", "C"});
        QVERIFY(source.SeekTo(1));
        StringList copy(source);
        QVERIFY(source.SetAt(0, "Z"));
        QVERIFY(source.RemoveTail());
        QCOMPARE(Contents(copy), (Strings{"A", "B", "C"}));
        StringList fresh(copy);
        char buffer[8];
        QVERIFY(!fresh.GetNext(buffer));
    }

    void assignReplacesAndReturnsTheResult()
    {
        StringList target = Make({"old"});
        StringList source = Make({"A", "B"});
        StringList result = target.Assign(source);
        QCOMPARE(Contents(target), (Strings{"A", "B"}));
        QCOMPARE(Contents(result), (Strings{"A", "B"}));
        source.SetAt(0, "Z");
        QCOMPARE(target.GetAt(0), std::string("A"));

        StringList other = Make({"x"});
        other = target;
        QCOMPARE(Contents(other), (Strings{"A", "B"}));
    }

    // Assigning a list to itself must not empty it first and then copy nothing.
    void assignToItselfKeepsContents()
    {
        StringList list = Make({"A", "B"});
        StringList& same = list;
        list = same;
        QCOMPARE(Contents(list), (Strings{"A", "B"}));
    }

    void appendCopiesInOrder()
    {
        StringList list = Make({"A"});
        StringList result = list.Append(Make({"B", "C"}));
        QCOMPARE(Contents(list), (Strings{"A", "B", "C"}));
        QCOMPARE(Contents(result), (Strings{"A", "B", "C"}));
        list += Make({});
        QCOMPARE(list.GetCount(), 3);
    }

    // Appending a list to itself doubles it once instead of chasing its own growing tail.
    void appendToItselfDoublesOnce()
    {
        StringList list = Make({"A", "B"});
        list += list;
        QCOMPARE(Contents(list), (Strings{"A", "B", "A", "B"}));
    }

    void stringGetAtOutOfRangeIsEmpty()
    {
        StringList list = Make({"A"});
        QCOMPARE(list.GetAt(1), std::string());
        QCOMPARE(list.GetAt(-1), std::string());
    }

    void nullTextIsRefused()
    {
        StringList list = Make({"A"});
        QVERIFY(!list.AddTail(nullptr));
        QVERIFY(!list.InsertAt(0, nullptr));
        QCOMPARE(list.Find(nullptr, 0, true), -1);
        QCOMPARE(list.Split(nullptr, ","), 0);
    }

    // The pointers are stored unchanged and never freed: they point to automatic variables here,
    // which the address sanitizer would report if the list freed them.
    void pointerListKeepsPointers()
    {
        int a = 1, b = 2, c = 3;
        PointerList list;
        QVERIFY(list.AddTail(&a));
        QVERIFY(list.AddTail(&c));
        QVERIFY(list.InsertAt(1, &b));
        QCOMPARE(list.GetAt(0), static_cast<void*>(&a));
        QCOMPARE(list.GetAt(1), static_cast<void*>(&b));
        QCOMPARE(list.GetAt(2), static_cast<void*>(&c));
        QCOMPARE(list.GetAt(3), nullptr);
        QCOMPARE(list.GetAt(-1), nullptr);
        QVERIFY(list.SetAt(0, &c));
        QCOMPARE(list.GetAt(0), static_cast<void*>(&c));
        QVERIFY(!list.SetAt(4, &a));
        QVERIFY(list.RemoveAt(1));
        QVERIFY(list.RemoveTail());
        QCOMPARE(list.GetCount(), 1);
        QVERIFY(list.RemoveAll());
        QCOMPARE(list.GetCount(), 0);
        QVERIFY(!list.RemoveTail());
    }
};

QTEST_MAIN(TestStringList)
#include "tst_string_list.moc"
