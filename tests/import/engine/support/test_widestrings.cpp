#include "import/engine/support/WideStrings.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

QStringList items(const TWideStrings& list)
{
    return list.ToStringList();
}

} // namespace

class TestWideStrings : public QObject
{
    Q_OBJECT

private slots:
    void setText_data();
    void setText();
    void textRoundTrip();
    void values();
    void sortedIndexOfName();
    void sortedDuplicates_data();
    void sortedDuplicates();
    void randomAgainstModel();
    void randomSortedAgainstModel();
    void errorsLeaveListUnchanged();
    void failedMoveOrValueLeavesListUnchanged_data();
    void failedMoveOrValueLeavesListUnchanged();
    void changeEvents();
    void streams();
    void moveExchangeAndObjects();
    void caseSensitivityChangeResorts();
    void replace_data();
    void replace();
    void smallRoutines();
};

void TestWideStrings::setText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("crlf") << QStringLiteral("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("trailing crlf") << QStringLiteral("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lf cr is two") << QStringLiteral("a\n\rb") << QStringList{"a", "", "b"};
    QTest::newRow("lone cr and lf") << QStringLiteral("a\rb\nc") << QStringList{"a", "b", "c"};
    QTest::newRow("line separator")
        << QStringLiteral("a") + QChar(0x2028) + QStringLiteral("b") << QStringList{"a", "b"};
    QTest::newRow("empty lines") << QStringLiteral("\r\n\r\nx") << QStringList{"", "", "x"};
    QTest::newRow("nul ends text")
        << QStringLiteral("a") + QChar(0) + QStringLiteral("b") << QStringList{"a"};
    QTest::newRow("empty") << QString() << QStringList{};
}

void TestWideStrings::setText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    TWideStringList list;
    list.Add(QStringLiteral("old"));
    list.SetTextStr(text);
    QCOMPARE(items(list), lines);
}

void TestWideStrings::textRoundTrip()
{
    TWideStringList list;
    QCOMPARE(list.GetTextStr(), QString());
    list.SetTextStr(QStringLiteral("a\r\nb"));
    QCOMPARE(list.GetTextStr(), QStringLiteral("a\r\nb\r\n"));
}

void TestWideStrings::values()
{
    TWideStringList list;
    list.Add(QStringLiteral("Name=Ali"));
    list.Add(QStringLiteral("City=Tehran=Iran"));
    list.Add(QStringLiteral("NoSeparator"));
    QCOMPARE(list.Values(QStringLiteral("name")), QStringLiteral("Ali"));
    QCOMPARE(list.Values(QStringLiteral("City")), QStringLiteral("Tehran=Iran"));
    QCOMPARE(list.Values(QStringLiteral("NoSeparator")), QString());
    QCOMPARE(list.IndexOfName(QStringLiteral("NoSeparator")), -1);

    list.SetValues(QStringLiteral("Name"), QStringLiteral("Reza"));
    QCOMPARE(list.Strings(0), QStringLiteral("Name=Reza"));
    list.SetValues(QStringLiteral("Age"), QStringLiteral("30"));
    QCOMPARE(list.Strings(3), QStringLiteral("Age=30"));
    list.SetValues(QStringLiteral("City"), QString());
    QCOMPARE(items(list), (QStringList{"Name=Reza", "NoSeparator", "Age=30"}));
    list.SetValues(QStringLiteral("Missing"), QString());
    QCOMPARE(list.Count(), 3);

    list.SetNameValueSeparator(QLatin1Char(':'));
    list.Add(QStringLiteral("Key:V"));
    QCOMPARE(list.Values(QStringLiteral("Key")), QStringLiteral("V"));
}

void TestWideStrings::sortedIndexOfName()
{
    TWideStringList list;
    list.SetSorted(true);
    list.Add(QStringLiteral("b=2"));
    list.Add(QStringLiteral("a=1"));
    list.Add(QStringLiteral("ab=3"));
    QCOMPARE(list.IndexOfName(QStringLiteral("ab")), list.IndexOf(QStringLiteral("ab=3")));
    QCOMPARE(list.Values(QStringLiteral("a")), QStringLiteral("1"));
    QCOMPARE(list.IndexOfName(QStringLiteral("c")), -1);
}

void TestWideStrings::sortedDuplicates_data()
{
    QTest::addColumn<int>("duplicates");
    QTest::newRow("ignore") << int(dupIgnore);
    QTest::newRow("accept") << int(dupAccept);
    QTest::newRow("error") << int(dupError);
}

void TestWideStrings::sortedDuplicates()
{
    QFETCH(int, duplicates);
    TWideStringList list;
    list.SetSorted(true);
    list.SetDuplicates(TDuplicates(duplicates));
    for (const char* s : {"m", "c", "x", "a"})
        list.Add(QString::fromLatin1(s));
    QCOMPARE(items(list), (QStringList{"a", "c", "m", "x"}));

    // "C" equals "c" without case sensitivity.
    switch (duplicates) {
    case dupIgnore:
        QCOMPARE(list.Add(QStringLiteral("C")), 1);
        QCOMPARE(list.Count(), 4);
        break;
    case dupError:
        QVERIFY_THROWS_EXCEPTION(EStringListError, list.Add(QStringLiteral("C")));
        QCOMPARE(items(list), (QStringList{"a", "c", "m", "x"}));
        break;
    case dupAccept: {
        list.Add(QStringLiteral("C"));
        list.Add(QStringLiteral("c"));
        QCOMPARE(list.Count(), 6);
        int index = -1;
        QVERIFY(list.Find(QStringLiteral("c"), index));
        QCOMPARE(list.Strings(index).toLower(), QStringLiteral("c"));
        QCOMPARE(list.IndexOf(QStringLiteral("m")), 4);
        break;
    }
    }
    int index = -1;
    QVERIFY(!list.Find(QStringLiteral("b"), index));
    QCOMPARE(index, 1);
    QVERIFY(!list.Find(QStringLiteral("zz"), index));
    QCOMPARE(index, list.Count());
}

void TestWideStrings::randomAgainstModel()
{
    // Unsorted list: every operation mirrored on a plain vector.
    QRandomGenerator rng(20240501);
    TWideStringList list;
    std::vector<std::pair<QString, void*>> model;
    for (int step = 0; step < 5000; ++step) {
        const QString s = QString::number(rng.bounded(50));
        void* obj = reinterpret_cast<void*>(quintptr(rng.bounded(1000) + 1));
        const int n = int(model.size());
        switch (rng.bounded(8)) {
        case 0:
        case 1:
            list.AddObject(s, obj);
            model.emplace_back(s, obj);
            break;
        case 2: {
            const int i = int(rng.bounded(n + 1));
            list.InsertObject(i, s, obj);
            model.insert(model.begin() + i, {s, obj});
            break;
        }
        case 3:
            if (n) {
                const int i = int(rng.bounded(n));
                list.Delete(i);
                model.erase(model.begin() + i);
            }
            break;
        case 4:
            if (n) {
                const int i = int(rng.bounded(n)), j = int(rng.bounded(n));
                list.Exchange(i, j);
                std::swap(model[size_t(i)], model[size_t(j)]);
            }
            break;
        case 5:
            if (n) {
                const int i = int(rng.bounded(n)), j = int(rng.bounded(n));
                list.Move(i, j);
                auto item = model[size_t(i)];
                model.erase(model.begin() + i);
                model.insert(model.begin() + j, item);
            }
            break;
        case 6:
            if (n) {
                const int i = int(rng.bounded(n));
                list.Put(i, s);
                model[size_t(i)].first = s;
            }
            break;
        case 7: {
            const auto it = std::find_if(model.begin(), model.end(),
                                         [&](const auto& p) { return p.first == s; });
            QCOMPARE(list.IndexOf(s), it == model.end() ? -1 : int(it - model.begin()));
            break;
        }
        }
        QCOMPARE(list.Count(), int(model.size()));
        if (step % 97 == 0 && rng.bounded(10) == 0) {
            list.Clear();
            model.clear();
        }
    }
    for (int i = 0; i < list.Count(); ++i) {
        QCOMPARE(list.Strings(i), model[size_t(i)].first);
        QCOMPARE(list.Objects(i), model[size_t(i)].second);
    }
}

void TestWideStrings::randomSortedAgainstModel()
{
    // Sorted list: contents equal the model's multiset in order; Find gives the first match.
    for (int dup : {int(dupIgnore), int(dupAccept), int(dupError)}) {
        QRandomGenerator rng(77 + dup);
        TWideStringList list;
        list.SetCaseSensitive(true);
        list.SetSorted(true);
        list.SetDuplicates(TDuplicates(dup));
        std::vector<QString> model;
        for (int step = 0; step < 3000; ++step) {
            const QString s = QStringLiteral("k%1").arg(rng.bounded(40), 2, 10, QLatin1Char('0'));
            const bool present = std::find(model.begin(), model.end(), s) != model.end();
            if (rng.bounded(4) == 0 && !model.empty()) {
                const int i = int(rng.bounded(int(model.size())));
                list.Delete(i);
                model.erase(model.begin() + i);
            } else if (present && dup == dupError) {
                QVERIFY_THROWS_EXCEPTION(EStringListError, list.Add(s));
            } else if (present && dup == dupIgnore) {
                const int at = list.Add(s);
                QCOMPARE(list.Strings(at), s);
            } else {
                list.Add(s);
                model.insert(std::upper_bound(model.begin(), model.end(), s), s);
            }
            QCOMPARE(list.Count(), int(model.size()));
            int index = -1;
            const bool found = list.Find(s, index);
            const auto first = std::lower_bound(model.begin(), model.end(), s);
            QCOMPARE(found, first != model.end() && *first == s);
            if (dup != dupAccept || !found)
                QCOMPARE(index, int(first - model.begin()));
            else
                QCOMPARE(list.Strings(index), s);
        }
        QCOMPARE(items(list), QStringList(model.begin(), model.end()));
    }
}

void TestWideStrings::errorsLeaveListUnchanged()
{
    TWideStringList list;
    list.Add(QStringLiteral("a"));
    list.Add(QStringLiteral("b"));
    int changes = 0;
    list.OnChanging = [&](TWideStrings*) { ++changes; };
    try {
        list.Get(2);
        QFAIL("no error");
    } catch (const EStringListError& e) {
        QCOMPARE(e.message(), QStringLiteral("List index out of bounds (2)"));
    }
    QVERIFY_THROWS_EXCEPTION(EStringListError, list.Delete(-1));
    QVERIFY_THROWS_EXCEPTION(EStringListError, list.Insert(3, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(EStringListError, list.Exchange(0, 5));
    QVERIFY_THROWS_EXCEPTION(EStringListError, list.PutObject(2, nullptr));
    list.SetSorted(true);
    changes = 0;
    try {
        list.Insert(0, QStringLiteral("x"));
        QFAIL("no error");
    } catch (const EStringListError& e) {
        QCOMPARE(e.message(), QStringLiteral("Operation not allowed on sorted list"));
    }
    QVERIFY_THROWS_EXCEPTION(EStringListError, list.Put(0, QStringLiteral("x")));
    QCOMPARE(changes, 0);
    QCOMPARE(items(list), (QStringList{"a", "b"}));
}

void TestWideStrings::failedMoveOrValueLeavesListUnchanged_data()
{
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<std::function<void(TWideStringList&)>>("operation");
    QTest::addColumn<QString>("message");
    using Op = std::function<void(TWideStringList&)>;
    const QString bounds = QStringLiteral("List index out of bounds (%1)");
    const QString sortedList = QStringLiteral("Operation not allowed on sorted list");
    QTest::newRow("move past the end")
        << false << Op([](TWideStringList& l) { l.Move(0, 3); }) << bounds.arg(3);
    QTest::newRow("move before the start")
        << false << Op([](TWideStringList& l) { l.Move(2, -1); }) << bounds.arg(-1);
    QTest::newRow("move from past the end")
        << false << Op([](TWideStringList& l) { l.Move(3, 0); }) << bounds.arg(3);
    QTest::newRow("move in a sorted list")
        << true << Op([](TWideStringList& l) { l.Move(0, 1); }) << sortedList;
    QTest::newRow("new value in a sorted list")
        << true << Op([](TWideStringList& l) { l.SetValues(QStringLiteral("d"), "4"); })
        << sortedList;
    QTest::newRow("changed value in a sorted list")
        << true << Op([](TWideStringList& l) { l.SetValues(QStringLiteral("b"), "9"); })
        << sortedList;
}

void TestWideStrings::failedMoveOrValueLeavesListUnchanged()
{
    QFETCH(bool, sorted);
    QFETCH(std::function<void(TWideStringList&)>, operation);
    QFETCH(QString, message);
    TWideStringList list;
    int a = 0, b = 0, c = 0;
    list.AddObject(QStringLiteral("a=1"), &a);
    list.AddObject(QStringLiteral("b=2"), &b);
    list.AddObject(QStringLiteral("c=3"), &c);
    list.SetSorted(sorted);
    int changes = 0;
    list.OnChanging = [&](TWideStrings*) { ++changes; };
    list.OnChange = [&](TWideStrings*) { ++changes; };
    try {
        operation(list);
        QFAIL("no error");
    } catch (const EStringListError& e) {
        QCOMPARE(e.message(), message);
    }
    QCOMPARE(items(list), (QStringList{"a=1", "b=2", "c=3"}));
    QCOMPARE(list.Objects(0), static_cast<void*>(&a));
    QCOMPARE(list.Objects(2), static_cast<void*>(&c));
    QCOMPARE(changes, 0);
}

void TestWideStrings::changeEvents()
{
    TWideStringList list;
    QStringList log;
    list.OnChanging = [&](TWideStrings* s) { log << QStringLiteral("changing%1").arg(s->Count()); };
    list.OnChange = [&](TWideStrings* s) { log << QStringLiteral("change%1").arg(s->Count()); };
    list.Add(QStringLiteral("a"));
    QCOMPARE(log, (QStringList{"changing0", "change1"}));
    log.clear();
    list.BeginUpdate();
    list.Add(QStringLiteral("b"));
    list.Add(QStringLiteral("c"));
    list.EndUpdate();
    // One bracket around the whole update.
    QCOMPARE(log, (QStringList{"changing1", "change3"}));
}

void TestWideStrings::streams()
{
    TWideStringList list;
    list.Add(QString::fromUtf8("سلام"));
    list.Add(QStringLiteral("b"));
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    list.SaveToStream(buffer);
    QCOMPARE(buffer.data().size(), qsizetype((4 + 2 + 1 + 2) * 2));
    QCOMPARE(buffer.data().left(2), QByteArray("\x33\x06", 2)); // no byte-order mark

    buffer.seek(0);
    TWideStringList back;
    back.LoadFromStream(buffer);
    QCOMPARE(items(back), items(list));

    // Five bytes hold two characters; the odd byte is left.
    QBuffer five;
    five.setData(QByteArray("a\0b\0c", 5));
    five.open(QIODevice::ReadOnly);
    back.LoadFromStream(five);
    QCOMPARE(items(back), (QStringList{"ab"}));

    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("list.txt"));
    list.SaveToFile(name);
    back.LoadFromFile(name);
    QCOMPARE(items(back), items(list));
    QVERIFY_THROWS_EXCEPTION(EStringListError,
                             back.LoadFromFile(dir.filePath(QStringLiteral("missing"))));
    // A pipe nothing reads from is refused and stays a pipe; a folder that is not there too.
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QVERIFY_THROWS_EXCEPTION(EStringListError, list.SaveToFile(pipe));
    QVERIFY(!QFileInfo(pipe).isFile() && QFileInfo::exists(pipe));
    QVERIFY_THROWS_EXCEPTION(EStringListError,
                             list.SaveToFile(dir.filePath(QStringLiteral("no/list.txt"))));
}

void TestWideStrings::moveExchangeAndObjects()
{
    TWideStringList list;
    int x = 0, y = 0;
    list.AddObject(QStringLiteral("x"), &x);
    list.AddObject(QStringLiteral("y"), &y);
    list.Add(QStringLiteral("z"));
    list.Move(0, 2);
    QCOMPARE(items(list), (QStringList{"y", "z", "x"}));
    QCOMPARE(list.Objects(2), static_cast<void*>(&x));
    QCOMPARE(list.IndexOfObject(&y), 0);
    list.Put(2, QStringLiteral("w"));
    QCOMPARE(list.Objects(2), static_cast<void*>(&x)); // Put keeps the object

    TWideStringList copy;
    copy.SetDelimiter(QLatin1Char(';'));
    copy.Assign(list);
    QCOMPARE(items(copy), items(list));
    QCOMPARE(copy.Objects(2), static_cast<void*>(&x));
    QCOMPARE(copy.Delimiter(), QLatin1Char(',')); // the source's defaults come along
    copy.AddStrings(copy);
    QCOMPARE(copy.Count(), 6);
    QStringList out;
    copy.AssignTo(out);
    QCOMPARE(out.size(), 6);
}

void TestWideStrings::caseSensitivityChangeResorts()
{
    TWideStringList list;
    list.SetCaseSensitive(true);
    list.SetSorted(true);
    for (const char* s : {"b", "B", "a", "A"})
        list.Add(QString::fromLatin1(s));
    list.SetCaseSensitive(false);
    // Whatever the order, Find must locate every item after the switch.
    for (const char* s : {"a", "b"}) {
        int i = -1;
        QVERIFY(list.Find(QString::fromLatin1(s), i));
    }
    for (int i = 1; i < list.Count(); ++i)
        QVERIFY(list.CompareStrings(list.Strings(i - 1), list.Strings(i)) <= 0);
}

void TestWideStrings::replace_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("result");
    QTest::newRow("first only") << "aXbXc"
                                << "X"
                                << "-" << 0 << "a-bXc";
    QTest::newRow("all") << "aXbXc"
                         << "X"
                         << "-" << int(wrfReplaceAll) << "a-b-c";
    QTest::newRow("case kept without flag") << "axbXc"
                                            << "X"
                                            << "-" << int(wrfReplaceAll) << "axb-c";
    QTest::newRow("ignore case") << "axbXc"
                                 << "X"
                                 << "-" << int(wrfReplaceAll | wrfIgnoreCase) << "a-b-c";
    QTest::newRow("text kept in its case") << "Ab ab"
                                           << "B"
                                           << "" << int(wrfReplaceAll | wrfIgnoreCase) << "A a";
    QTest::newRow("no rescan of inserted") << "aa"
                                           << "a"
                                           << "aa" << int(wrfReplaceAll) << "aaaa";
    QTest::newRow("persian") << QString::fromUtf8("علي") << QString::fromUtf8("ي")
                             << QString::fromUtf8("ی") << int(wrfReplaceAll)
                             << QString::fromUtf8("علی");
    QTest::newRow("empty pattern") << "abc"
                                   << ""
                                   << "x" << int(wrfReplaceAll) << "abc";
}

void TestWideStrings::replace()
{
    QFETCH(QString, text);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, flags);
    QFETCH(QString, result);
    QCOMPARE(WideStringReplace(text, from, to, flags), result);
}

void TestWideStrings::smallRoutines()
{
    QCOMPARE(WidePos(QStringLiteral("lo"), QStringLiteral("hello")), 4);
    QCOMPARE(WidePos(QStringLiteral("LO"), QStringLiteral("hello")), 0);
    QCOMPARE(WidePos(QString(), QStringLiteral("hello")), 0);
    QCOMPARE(WideQuotedStr(QStringLiteral("it's"), QLatin1Char('\'')), QStringLiteral("'it''s'"));
    QString s = QStringLiteral("abc");
    WideInsert(QStringLiteral("XY"), s, 2);
    QCOMPARE(s, QStringLiteral("aXYbc"));
    WideDelete(s, 2, 2);
    QCOMPARE(s, QStringLiteral("abc"));
    QCOMPARE(WideCompareText(QStringLiteral("ABC"), QStringLiteral("abc")), 0);
    QVERIFY(WideCompareStr(QStringLiteral("ABC"), QStringLiteral("abc")) != 0);
    QCOMPARE(WideUpperCase(QStringLiteral("abc")), QStringLiteral("ABC"));
}

QTEST_MAIN(TestWideStrings)
#include "test_widestrings.moc"
