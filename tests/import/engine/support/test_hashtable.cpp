#include "import/engine/support/HashTable.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cstring>
#include <map>

namespace {

int errorCode(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EContainerError& e) {
        return e.code();
    }
    return 0;
}

void* ptr(quintptr v)
{
    return reinterpret_cast<void*>(v);
}

} // namespace

class TestHashTable : public QObject
{
    Q_OBJECT

private slots:
    void growsAtTwoThirds();
    void duplicatesAndCase();
    void missingKeys();
    void collisionsWrap();
    void nextPrime_data();
    void nextPrime();
    void shrinkingBelowCountIsRefused();
    void ignoreCaseSwitchRefusesClashes();
    void randomAgainstModel();
    void ownershipAndClone();
    void defaultFunctionsRaise();
    void nodeStore();
};

void TestHashTable::growsAtTwoThirds()
{
    THashTable table(false);
    QCOMPARE(table.TableSize(), 53);
    for (int i = 1; i <= 35; ++i)
        table.Insert(QStringLiteral("k%1").arg(i), ptr(quintptr(i)));
    QCOMPARE(table.TableSize(), 53);
    table.Insert(QStringLiteral("k36"), ptr(36));
    QCOMPARE(table.TableSize(), 107);
    for (int i = 1; i <= 36; ++i)
        QCOMPARE(table.Examine(QStringLiteral("k%1").arg(i)), ptr(quintptr(i)));
}

void TestHashTable::duplicatesAndCase()
{
    THashTable table(false);
    table.Insert(QStringLiteral("Name"), ptr(1));
    QCOMPARE(errorCode([&] { table.Insert(QStringLiteral("Name"), ptr(2)); }), 25305);
    table.Insert(QStringLiteral("NAME"), ptr(2)); // case-sensitive by default
    QCOMPARE(table.Count(), 2);

    THashTable ci(false);
    ci.SetIgnoreCase(true);
    ci.Insert(QStringLiteral("Name"), ptr(1));
    QCOMPARE(errorCode([&] { ci.Insert(QStringLiteral("NAME"), ptr(2)); }), 25305);
    QCOMPARE(ci.Examine(QStringLiteral("nAmE")), ptr(1));
    ci.Insert(QString::fromUtf8("نام"), ptr(3));
    QCOMPARE(ci.Examine(QString::fromUtf8("نام")), ptr(3));
}

void TestHashTable::missingKeys()
{
    THashTable table(false);
    table.Insert(QStringLiteral("a"), ptr(1));
    void* data = ptr(99);
    QVERIFY(!table.Search(QStringLiteral("b"), data));
    QCOMPARE(data, nullptr);
    try {
        table.Examine(QStringLiteral("b"));
        QFAIL("no error");
    } catch (const EContainerError& e) {
        QCOMPARE(e.code(), 25313);
        QCOMPARE(e.message(), QStringLiteral("Hash table: Could not find key to delete"));
    }
}

void TestHashTable::collisionsWrap()
{
    // Every key hashes to the last slot: the probe must wrap to slot 0 and on.
    THashTable table(false);
    table.SetHashFunction([](const QString&) { return qint32(52); });
    for (int i = 0; i < 5; ++i)
        table.Insert(QStringLiteral("c%1").arg(i), ptr(quintptr(i + 1)));
    for (int i = 0; i < 5; ++i)
        QCOMPARE(table.Examine(QStringLiteral("c%1").arg(i)), ptr(quintptr(i + 1)));
    void* d;
    QVERIFY(!table.Search(QStringLiteral("other"), d));

    // A negative hash still gives a slot in range.
    THashTable negative(false);
    negative.SetHashFunction([](const QString& k) { return qint32(-1000 - k.size()); });
    for (int i = 0; i < 30; ++i)
        negative.Insert(QString(i + 1, QLatin1Char('x')), ptr(quintptr(i + 1)));
    QCOMPARE(negative.Examine(QString(7, QLatin1Char('x'))), ptr(7));
}

void TestHashTable::nextPrime_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("prime");
    QTest::newRow("2") << 2 << 2;
    QTest::newRow("10") << 10 << 11;
    QTest::newRow("53") << 53 << 53;
    QTest::newRow("106") << 106 << 107;
    QTest::newRow("4099") << 4099 << 4099;
    QTest::newRow("4100") << 4100 << 4111;
    QTest::newRow("large") << 1000000 << 1000003;
}

void TestHashTable::nextPrime()
{
    QFETCH(int, n);
    QFETCH(int, prime);
    QCOMPARE(THashTable::NextPrime(n), prime);
    THashTable table(false);
    table.SetTableSize(n);
    QCOMPARE(table.TableSize(), prime);
}

void TestHashTable::shrinkingBelowCountIsRefused()
{
    THashTable table(false);
    for (int i = 0; i < 20; ++i)
        table.Insert(QString::number(i), ptr(quintptr(i + 1)));
    QCOMPARE(errorCode([&] { table.SetTableSize(10); }), 25314);
    QCOMPARE(table.TableSize(), 53);
    QCOMPARE(table.Examine(QStringLiteral("19")), ptr(20));
    table.SetTableSize(23);
    QCOMPARE(table.TableSize(), 23);
    QCOMPARE(table.Examine(QStringLiteral("19")), ptr(20));
}

void TestHashTable::ignoreCaseSwitchRefusesClashes()
{
    THashTable table(false);
    table.Insert(QStringLiteral("Key"), ptr(1));
    table.Insert(QStringLiteral("KEY"), ptr(2));
    QCOMPARE(errorCode([&] { table.SetIgnoreCase(true); }), 25305);
    QVERIFY(!table.IgnoreCase());
    QCOMPARE(table.Examine(QStringLiteral("KEY")), ptr(2));
}

void TestHashTable::randomAgainstModel()
{
    QRandomGenerator rng(4242);
    for (bool ignoreCase : {false, true}) {
        THashTable table(false);
        table.SetIgnoreCase(ignoreCase);
        std::map<QString, quintptr> model; // keyed by the normalised key
        auto norm = [&](const QString& k) { return ignoreCase ? k.toUpper() : k; };
        for (int step = 0; step < 4000; ++step) {
            QString key = QStringLiteral("f%1").arg(rng.bounded(600));
            if (rng.bounded(2))
                key = key.toUpper();
            const quintptr value = rng.bounded(100000) + 1;
            switch (rng.bounded(3)) {
            case 0: {
                const bool present = model.count(norm(key));
                QCOMPARE(errorCode([&] { table.Insert(key, ptr(value)); }), present ? 25305 : 0);
                if (!present)
                    model[norm(key)] = value;
                break;
            }
            default: {
                void* d = nullptr;
                const auto it = model.find(norm(key));
                QCOMPARE(table.Search(key, d), it != model.end());
                QCOMPARE(d, it != model.end() ? ptr(it->second) : nullptr);
                break;
            }
            }
            QCOMPARE(table.Count(), int(model.size()));
            QVERIFY(qint64(table.Count()) * 3 <= qint64(table.TableSize()) * 2);
            if (step == 2000) {
                table.SetTableSize(2 * table.Count());
                table.SetHashFunction([](const QString& k) { return qint32(k.size() * 7); });
            }
        }
        table.Empty();
        QCOMPARE(table.Count(), 0);
        void* d;
        QVERIFY(!table.Search(QStringLiteral("f1"), d));
    }
}

void TestHashTable::ownershipAndClone()
{
    int disposed = 0;
    {
        THashTable owner(true);
        owner.SetDisposeData([&](void* p) {
            ++disposed;
            delete static_cast<int*>(p);
        });
        owner.SetDupData([](void* p) -> void* { return new int(*static_cast<int*>(p) * 10); });
        owner.SetIgnoreCase(true);
        for (int i = 0; i < 40; ++i)
            owner.Insert(QStringLiteral("n%1").arg(i), new int(i));

        std::unique_ptr<THashTable> copy = THashTable::Clone(owner, true, nullptr);
        QCOMPARE(copy->Count(), 40);
        QVERIFY(copy->IgnoreCase());
        QCOMPARE(*static_cast<int*>(copy->Examine(QStringLiteral("N7"))), 70);

        THashTable shared(false);
        shared.Insert(QStringLiteral("x"), ptr(1));
        std::unique_ptr<THashTable> view = THashTable::Clone(shared, false, nullptr);
        QCOMPARE(view->Examine(QStringLiteral("x")), ptr(1));

        owner.Empty();
        QCOMPARE(disposed, 40);
    }
    QCOMPARE(disposed, 80); // the owning clone freed its copies

    // Data a table does not own is never disposed.
    THashTable plain(false);
    plain.SetDisposeData([&](void*) { ++disposed; });
    plain.Insert(QStringLiteral("a"), ptr(1));
    plain.Empty();
    QCOMPARE(disposed, 80);
}

void TestHashTable::defaultFunctionsRaise()
{
    THashTable owner(true);
    owner.Insert(QStringLiteral("a"), ptr(1));
    QCOMPARE(errorCode([&] { owner.Empty(); }), 25309);
    QCOMPARE(owner.Count(), 1);
    QCOMPARE(errorCode([&] { (void)THashTable::Clone(owner, true, nullptr); }), 25308);
    QCOMPARE(errorCode([&] { owner.Compare()(nullptr, nullptr); }), 25307);
    owner.SetDisposeData([](void*) {});
    owner.Empty();
    QCOMPARE(owner.Count(), 0);
}

void TestHashTable::nodeStore()
{
    QCOMPARE(TNodeStore::EffectiveNodeSize(3), 8);
    QCOMPARE(TNodeStore::EffectiveNodeSize(30), 28);
    QCOMPARE(TNodeStore::EffectiveNodeSize(100), 64);

    TNodeStore* a = TNodeStore::AcquireStore(16);
    TNodeStore* b = TNodeStore::AcquireStore(17); // same size after rounding: shared
    QCOMPARE(a, b);
    void* n1 = a->AllocNode();
    QCOMPARE(a->FreeCount(), 126);
    auto* bytes = static_cast<unsigned char*>(n1);
    for (int i = 0; i < 16; ++i)
        QCOMPARE(int(bytes[i]), 0);
    std::memset(n1, 0x55, 16);
    a->FreeNode(n1);
    QCOMPARE(a->FreeCount(), 127);
    void* n2 = a->AllocNode();
    QCOMPARE(n2, n1); // the freed node is handed out again, cleared
    QCOMPARE(int(static_cast<unsigned char*>(n2)[15]), 0);
    std::vector<void*> many;
    for (int i = 0; i < 300; ++i)
        many.push_back(a->AllocNode());
    for (void* n : many)
        a->FreeNode(n);
    a->FreeNode(n2);
    QCOMPARE(errorCode([&] { a->FreeNode(nullptr); }), 25351);
    TNodeStore::ReleaseStore(b);
    TNodeStore::ReleaseStore(a);
    QCOMPARE(errorCode([] { TNodeStore::AcquireStore(0); }), 25352);
}

QTEST_MAIN(TestHashTable)
#include "test_hashtable.moc"
