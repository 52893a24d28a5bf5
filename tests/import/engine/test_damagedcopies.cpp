// Damaged copies of real files (cut short, a block zeroed, a block inverted) through the XLS and
// dBase readers: each copy is refused with a message, or gives every row as the original does;
// a row may be that row's error (a damaged memo or number), never another value.

#include "helper_fakes.h"

#include "import/engine/Durvel3DBF.h"
#include "import/engine/Durvel3XLS.h"
#include "import/engine/support/MapRange.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

enum Damage { dmCut, dmZero, dmInvert };

struct Copy
{
    Damage kind;
    qint64 at;
    qint64 length; // of the block
};

// What an import of a copy gave.
struct Outcome
{
    QString refusal; // the message of a refused file
    QList<QStringList> rows;
    QList<bool> failed; // the row was its own error
    int imported = 0;
};

// A fixed sequence, the same on every run.
class Sequence
{
public:
    explicit Sequence(quint64 seed) : m_state(seed) {}
    quint64 next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return m_state >> 33;
    }
    qint64 below(qint64 n) { return qint64(next() % quint64(n)); }

private:
    quint64 m_state;
};

// Cuts, zeroed blocks and inverted blocks spread over a file of Size bytes.
QList<Copy> copiesOf(qint64 size, int perKind, quint64 seed, bool invert = true)
{
    Sequence seq(seed);
    QList<Copy> out;
    for (int i = 0; i < perKind; ++i) {
        // A cut at an even spread over the file, shifted a little each time.
        out.append({dmCut, qMax<qint64>(1, (size * i) / perKind + seq.below(97)) % size, 0});
        static const qint64 kBlocks[] = {512, 512, 4096, 777};
        out.append({dmZero, seq.below(size), kBlocks[seq.below(4)]});
        if (invert)
            out.append({dmInvert, seq.below(size), kBlocks[seq.below(4)]});
    }
    return out;
}

QByteArray damaged(QByteArray bytes, const Copy& c)
{
    switch (c.kind) {
    case dmCut:
        bytes.truncate(c.at);
        break;
    case dmZero:
    case dmInvert:
        for (qint64 i = c.at; i < qMin<qint64>(bytes.size(), c.at + c.length); ++i)
            bytes[i] = c.kind == dmZero ? '\0' : char(~bytes[i]);
        break;
    }
    return bytes;
}

QString describe(const Copy& c)
{
    static const char* const kNames[] = {"cut at", "zeroed at", "inverted at"};
    QString text = QStringLiteral("%1 %2").arg(QLatin1String(kNames[c.kind])).arg(c.at);
    if (c.kind != dmCut)
        text += QStringLiteral(" for %1 bytes").arg(c.length);
    return text;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

Outcome runImport(TDurvel3& imp, const QStringList& map)
{
    Outcome out;
    DurvelCellStore grid(int(map.size()), 0);
    imp.ImportDestination = didStringGrid;
    imp.StringGrid = &grid;
    for (const QString& line : map)
        imp.Map().Add(line);
    imp.OnImportRowComplete = [&out](TDurvel3*, TDurvelRow* row) {
        QStringList values;
        for (int i = 0; i < row->Count(); ++i)
            values << row->Items(i)->Value;
        out.rows << values;
        out.failed << false;
    };
    const auto fail = [&out](TDurvel3*) {
        if (!out.failed.isEmpty())
            out.failed.last() = true;
    };
    imp.OnImportError = fail;
    imp.OnImportErrorAdv = fail;
    try {
        imp.Execute();
        out.imported = imp.ImportedCount();
        if (imp.Failed())
            out.refusal = imp.LastErrorText();
    } catch (const std::exception& e) {
        out.refusal = QString::fromUtf8(e.what());
        if (out.refusal.isEmpty())
            out.refusal = QStringLiteral("(no message)");
    }
    return out;
}

// Empty when the copy's outcome is sound against the original's rows.
QString judge(const Outcome& got, const QList<QStringList>& original)
{
    if (!got.refusal.isEmpty())
        return {};
    if (got.rows.size() != original.size())
        return QStringLiteral("done with %1 rows of %2").arg(got.rows.size()).arg(original.size());
    int failed = 0;
    for (int r = 0; r < original.size(); ++r) {
        if (got.failed[r]) {
            ++failed;
            continue;
        }
        if (got.rows[r] != original[r])
            return QStringLiteral("row %1 reads %2 for %3")
                .arg(r + 1)
                .arg(got.rows[r].join(u'|').left(200), original[r].join(u'|').left(200));
    }
    if (got.imported != original.size() - failed)
        return QStringLiteral("%1 rows stored, %2 without error")
            .arg(got.imported)
            .arg(original.size() - failed);
    return {};
}

QString python(const QString& script, const QStringList& args, QByteArray* output = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + args);
    if (!p.waitForFinished(120000))
        return QStringLiteral("python did not finish");
    if (output)
        *output = p.readAllStandardOutput();
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError());
}

// A table of Rows people with a memo of every length from none to four blocks, in the layout
// asked for ('db3' with a .dbt, 'fp' with an .fpt).
const char* const kMakeTable = R"(
import sys, datetime, dbf
path, kind, rows = sys.argv[1], sys.argv[2], int(sys.argv[3])
first = ['\u0639\u0644\u064a', '\u0632\u0647\u0631\u0627', 'Reza', '\u0645\u0631\u064a\u0645']
t = dbf.Table(path, 'NAME C(24); ACC C(16); AMT N(12,2); BORN D; NOTE M', dbf_type=kind,
              codepage='cp1256')
t.open(dbf.READ_WRITE)
for i in range(rows):
    note = ('\u064a\u0627\u062f\u062f\u0627\u0634\u062a %d ' % i) * ((i * 37) % 160)
    t.append((first[i % 4] + ' %d' % i, '%016d' % (6037990000000000 + i * 7919),
              72853.69 + i * 3.01, datetime.date(1960, 1, 1) + datetime.timedelta(days=i * 11),
              note))
t.close()
)";

} // namespace

class TestDamagedCopies : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // How many copies were refused, and how many gave a row its own error.
    struct Tally
    {
        int refused = 0;
        int rowErrors = 0;
    };

    void checkCopies(const QList<Copy>& copies, const QByteArray& bytes, const QString& path,
                     const std::function<Outcome()>& import, const QList<QStringList>& original,
                     Tally& tally)
    {
        QStringList faults;
        for (const Copy& c : copies) {
            QVERIFY(writeAll(path, damaged(bytes, c)));
            const Outcome got = import();
            const QString fault = judge(got, original);
            if (!fault.isEmpty())
                faults << QStringLiteral("%1 %2: %3")
                              .arg(QFileInfo(path).fileName(), describe(c), fault);
            tally.refused += got.refusal.isEmpty() ? 0 : 1;
            tally.rowErrors += got.refusal.isEmpty() && got.failed.contains(true) ? 1 : 0;
        }
        QVERIFY(writeAll(path, bytes));
        qInfo("%s: %d copies, %d refused so far, %d with a row's own error so far",
              qPrintable(QFileInfo(path).fileName()), int(copies.size()), tally.refused,
              tally.rowErrors);
        QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("%1 of %2 copies:\n")
                                                  .arg(faults.size())
                                                  .arg(copies.size()) +
                                              faults.mid(0, 20).join(u'\n')));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // A 2,000-row workbook written by xlwt (shared strings over CONTINUE records, dates, numbers,
    // booleans and errors).
    void xlsCopies()
    {
        const QString book = m_dir.filePath(QStringLiteral("people.xls"));
        QProcess gen;
        gen.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral(BANKFILE_TEST_DATA "/xls/make_workbook.py"), book,
                   QStringLiteral("2000")});
        QVERIFY(gen.waitForFinished(120000));
        QVERIFY2(gen.exitCode() == 0, gen.readAllStandardError().constData());
        const QJsonObject root = QJsonDocument::fromJson(gen.readAllStandardOutput()).object();
        QList<QStringList> expected;
        for (const QJsonValue& row : root[u"sheets"].toArray()[0][u"cells"].toArray()) {
            QStringList texts;
            for (const QJsonValue& c : row.toArray())
                texts << c.toString();
            expected << texts;
        }
        QCOMPARE(expected.size(), 2001);
        QStringList map;
        for (int c = 0; c < expected.first().size(); ++c)
            map << QStringLiteral("%1=[:1]%2-COLFINISH").arg(c).arg(MapColIndexToLetters(c + 1));
        const auto import = [&] {
            TDurvel3XLS imp;
            imp.SetFileName(book);
            return runImport(imp, map);
        };
        const Outcome original = import();
        QCOMPARE(original.refusal, QString());
        QCOMPARE(original.rows, expected);

        const QByteArray bytes = readAll(book);
        Tally tally;
        checkCopies(copiesOf(bytes.size(), 100, 37), bytes, book, import, expected, tally);
        QVERIFY(tally.refused > 100);
    }

    void dbfCopies_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("memoExt");
        QTest::newRow("dBase III with a .dbt") << "db3" << "dbt";
        QTest::newRow("FoxPro with an .fpt") << "fp" << "fpt";
    }
    void dbfCopies()
    {
        QFETCH(QString, kind);
        QFETCH(QString, memoExt);
        const QString dir = m_dir.filePath(kind);
        QVERIFY(QDir().mkpath(dir));
        const QString table = dir + QStringLiteral("/people.dbf");
        const QString memo = dir + QStringLiteral("/people.") + memoExt;
        const int rows = 600;
        const QString err =
            python(QString::fromUtf8(kMakeTable), {table, kind, QString::number(rows)});
        if (err.contains(QLatin1String("No module named")))
            QSKIP("python3-dbf is not installed");
        QVERIFY2(err.isEmpty(), qPrintable(err));
        const QStringList map{"0=NAME", "1=ACC", "2=AMT", "3=BORN", "4=NOTE"};
        const auto import = [&] {
            TDurvel3DBF imp;
            imp.SetFileName(table);
            return runImport(imp, map);
        };
        const Outcome original = import();
        QCOMPARE(original.refusal, QString());
        QCOMPARE(original.rows.size(), rows);
        QCOMPARE(original.failed.count(true), 0);
        QCOMPARE(original.rows[1][2], QString("72856.70"));
        QCOMPARE(original.rows[1][4].size(), 37 * 10);

        Tally tally;
        const QByteArray tableBytes = readAll(table);
        checkCopies(copiesOf(tableBytes.size(), 60, 11), tableBytes, table, import, original.rows,
                    tally);
        QVERIFY(tally.refused > 60);
        // The text of a memo carries no check: a changed byte inside it is another text, so its
        // copies are cut and zeroed, not inverted. What can be seen is the memo's frame: its end
        // mark, its block's header, its length, the file's end, and zeros where text should be.
        const QByteArray memoBytes = readAll(memo);
        checkCopies(copiesOf(memoBytes.size(), 60, 13, false), memoBytes, memo, import,
                    original.rows, tally);
        QVERIFY(tally.rowErrors > 30);
    }
};

QTEST_GUILESS_MAIN(TestDamagedCopies)
#include "test_damagedcopies.moc"
