#include "platform/sheetexport/SheetExport.h"
#include "platform/shell/Shell.h"
#include "tests/support/XlsxReader.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

#include <unzip.h>

using namespace SheetExport;

namespace {

QString cellRef(int row, int col)
{
    QString letters;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row + 1);
}

} // namespace

class TestSheetExport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Shell::setOpenHook({}); }
    void contents_data();
    void contents();
    void headerFormatting();
    void refusedSheetName_data();
    void refusedSheetName();
    void exportOpens_data();
    void exportOpens();
    void exportFails_data();
    void exportFails();
    void failureMessage();
};

void TestSheetExport::contents_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QString>("sheetName");

    const QStringList labels{QStringLiteral("id"), QStringLiteral("txt"), QStringLiteral("price")};
    QTest::newRow("empty list: header only")
        << "Sheet1" << labels << QList<QStringList>{} << "Exported from Sheet1";
    QTest::newRow("long account numbers and amounts stay text")
        << "Sheet1" << labels
        << QList<QStringList>{{"1", "00123456789012345678-0015000+", "15000"},
                              {"2", "98765432109876543210", "000123"},
                              {"3", "1.5E+3", "=1+1"}}
        << "Exported from Sheet1";
    QTest::newRow("persian labels and values, missing and empty values")
        << QString::fromUtf8("ليست")
        << QStringList{QString::fromUtf8("رديف"), QString::fromUtf8("مشخصه ركورد")}
        << QList<QStringList>{{QString::fromUtf8("۱"), QString::fromUtf8("علي")}, {"2"}, {"", "x"}}
        << QString::fromUtf8("Exported from ليست");
}

void TestSheetExport::contents()
{
    QFETCH(QString, title);
    QFETCH(QStringList, labels);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QString, sheetName);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.xlsx"));
    QString error;
    QVERIFY2(writeWorkbook(path, title, {labels, rows}, &error), qPrintable(error));

    const Workbook book(path);
    QCOMPARE(book.sheetNames, QStringList{sheetName});
    for (int col = 0; col < labels.size(); ++col) {
        const Cell cell = book.cells.value(cellRef(0, col));
        QCOMPARE(cell.type, QStringLiteral("s"));
        QCOMPARE(cell.value, labels.at(col));
    }
    for (int r = 0; r < rows.size(); ++r) {
        for (int col = 0; col < labels.size(); ++col) {
            const QString expected = rows.at(r).value(col);
            const Cell cell = book.cells.value(cellRef(r + 1, col));
            if (expected.isEmpty()) {
                QVERIFY2(cell.value.isEmpty(), qPrintable(cellRef(r + 1, col)));
                continue;
            }
            QCOMPARE(cell.type, QStringLiteral("s"));
            QCOMPARE(cell.value, expected);
        }
    }
    // Nothing below the last record holds a value.
    for (auto it = book.cells.cbegin(); it != book.cells.cend(); ++it) {
        const int row =
            QRegularExpression(QStringLiteral("\\d+$")).match(it.key()).captured().toInt();
        if (row > rows.size() + 1)
            QVERIFY2(it->value.isEmpty(), qPrintable(it.key()));
    }
}

void TestSheetExport::headerFormatting()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.xlsx"));
    QList<QStringList> rows;
    for (int i = 0; i < 12; ++i)
        rows << QStringList{QString::number(i + 1), QStringLiteral("line"), QStringLiteral("100")};
    QVERIFY(writeWorkbook(
        path, QStringLiteral("Sheet1"),
        {{QStringLiteral("id"), QStringLiteral("txt"), QStringLiteral("price")}, rows}));
    const Workbook book(path);

    // Blue bold header (the automation colour 0xFF0000 is blue in BGR order).
    for (const char* ref : {"A1", "C1", "K1", "L1", "AA1"}) {
        QVERIFY2(book.fontOf(ref).bold, ref);
        QCOMPARE(book.fontOf(ref).color.toUpper(), QStringLiteral("FF0000FF"));
    }
    QVERIFY(!book.fontOf("AB1").bold);
    QVERIFY(!book.fontOf("A2").bold);
    QCOMPARE(book.borderOf("A1"), QStringLiteral("slantDashDot"));
    QCOMPARE(book.borderOf("K1"), QStringLiteral("slantDashDot"));
    QVERIFY(book.borderOf("L1").isEmpty());
    QCOMPARE(book.alignOf("A1"), QStringLiteral("center"));
    QCOMPARE(book.alignOf("B11"), QStringLiteral("center"));
    QCOMPARE(book.alignOf("K11"), QStringLiteral("center"));
    QVERIFY(book.alignOf("A12").isEmpty());

    const QList<double> widths{10, 10, 15, 6, 18, 9, 23, 23, 23, 10};
    QCOMPARE(book.widths.size(), widths.size());
    for (int i = 0; i < widths.size(); ++i) // stored widths carry the cell padding
        QVERIFY2(book.widths.at(i) >= widths.at(i) && book.widths.at(i) < widths.at(i) + 1,
                 qPrintable(QString::number(i + 1)));
}

void TestSheetExport::refusedSheetName_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("too long") << QStringLiteral("a title far too long for a sheet");
    QTest::newRow("bracket") << QStringLiteral("[1]");
    QTest::newRow("slash") << QStringLiteral("a/b");
}

void TestSheetExport::refusedSheetName()
{
    QFETCH(QString, title);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.xlsx"));
    QString error;
    QVERIFY(!writeWorkbook(path, title, {{QStringLiteral("id")}, {}}, &error));
    QVERIFY(error.contains(sheetNameFor(title)));
    QVERIFY(!QFile::exists(path));
}

void TestSheetExport::exportOpens_data()
{
    QTest::addColumn<bool>("programStarts");
    QTest::newRow("spreadsheet program found") << true;
    QTest::newRow("no spreadsheet program") << false;
}

void TestSheetExport::exportOpens()
{
    QFETCH(bool, programStarts);
    QTemporaryDir dir;
    QList<QUrl> opened;
    Shell::setOpenHook([&](const QUrl& url) {
        opened << url;
        return programStarts;
    });
    const ExportResult result =
        exportToSpreadsheet({{QStringLiteral("txt")}, {{QStringLiteral("0012345-0015000+")}}},
                            QStringLiteral("Sheet1"), dir.path());

    QCOMPARE(result.status, programStarts ? ExportStatus::Opened : ExportStatus::NotOpened);
    QVERIFY(result.path.startsWith(dir.path()));
    QVERIFY(result.path.endsWith(QStringLiteral(".xlsx")));
    QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(result.path)});
    // Even when no program opens it, the file is there for the user to find.
    const Workbook book(result.path);
    QCOMPARE(book.cells.value(QStringLiteral("A2")).value, QStringLiteral("0012345-0015000+"));

    // A second export does not overwrite the first, which may still be open.
    const ExportResult second =
        exportToSpreadsheet({{QStringLiteral("txt")}, {}}, QStringLiteral("Sheet1"), dir.path());
    QVERIFY(second.path != result.path);
    QCOMPARE(Workbook(result.path).cells.value(QStringLiteral("A2")).value,
             QStringLiteral("0012345-0015000+"));
}

void TestSheetExport::exportFails_data()
{
    QTest::addColumn<QString>("subfolder");
    QTest::addColumn<QString>("title");
    QTest::newRow("missing folder") << "missing/deeper"
                                    << "Sheet1";
    QTest::newRow("refused sheet name") << ""
                                        << "a title far too long for a sheet";
}

void TestSheetExport::exportFails()
{
    QFETCH(QString, subfolder);
    QFETCH(QString, title);
    QTemporaryDir dir;
    bool called = false;
    Shell::setOpenHook([&](const QUrl&) { return called = true; });
    const QString folder = subfolder.isEmpty() ? dir.path() : dir.filePath(subfolder);
    const ExportResult result = exportToSpreadsheet({{QStringLiteral("txt")}, {}}, title, folder);
    QCOMPARE(result.status, ExportStatus::WriteFailed);
    QVERIFY(!result.error.isEmpty());
    QVERIFY(result.path.isEmpty());
    QVERIFY(!called);
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty()); // no empty file left behind
}

void TestSheetExport::failureMessage()
{
    const QString path = QStringLiteral("/tmp/bankfile-export-abc123.xlsx");
    QCOMPARE(notOpenedMessage(path),
             QStringLiteral("No program on this desktop opens spreadsheet files.\r"
                            "The list was saved as:\r/tmp/bankfile-export-abc123.xlsx"));
}

QTEST_MAIN(TestSheetExport)
#include "test_sheet_export.moc"
