#include "helper_fieldpair.h"

#include "import/wizard/pages/DbfPage.h"
#include "import/wizard/pages/FieldPairMap.h"
#include "platform/ini/IniFile.h"
#include "ui_DbfPage.h"

#include <QtEndian>

namespace {

// A dBase III table of character fields; a record whose first value starts with "*" is
// written deleted (without the star).
QByteArray table(const QList<QByteArray>& names, const QList<QList<QByteArray>>& records)
{
    const int width = 12;
    QByteArray out(32, '\0');
    out[0] = 0x03;
    qToLittleEndian<quint32>(quint32(records.size()), out.data() + 4);
    qToLittleEndian<quint16>(quint16(32 + 32 * names.size() + 1), out.data() + 8);
    qToLittleEndian<quint16>(quint16(1 + width * names.size()), out.data() + 10);
    for (const QByteArray& name : names) {
        QByteArray d(32, '\0');
        d.replace(0, name.size(), name);
        d[11] = 'C';
        d[16] = char(width);
        out += d;
    }
    out += '\x0D';
    for (QList<QByteArray> r : records) {
        const bool deleted = r.value(0).startsWith('*');
        if (deleted)
            r[0] = r[0].mid(1);
        out += deleted ? '*' : ' ';
        for (int i = 0; i < names.size(); ++i)
            out += r.value(i).leftJustified(width, ' ', true);
    }
    out += '\x1A';
    return out;
}

const QList<QByteArray> kPeople = {"PNO", "NAME", "ACCOUNT", "AMOUNT"};

QByteArray people()
{
    return table(kPeople, {{"101", "\xD1\xD6\xC7", "0101", "500"},
                           {"*102", "gone", "0202", "7"},
                           {"P2", "Maryam", "0303", "900"}});
}

} // namespace

class TestPageDbf : public QObject
{
    Q_OBJECT

private slots:
    void autoFillPairsByPosition_data()
    {
        QTest::addColumn<QList<QByteArray>>("fields");
        QTest::addColumn<QStringList>("pairs");
        QTest::addColumn<QStringList>("unmapped");
        // The register's record number (id) is filled by the register: it is passed by.
        QTest::newRow("fewer source fields")
            << QList<QByteArray>{"A", "B"} << QStringList{"Pers_number=A", "First_Name=B"}
            << QStringList{"id", "Last_Name", "Hesab", "Price", "Chk"};
        QTest::newRow("more source fields")
            << QList<QByteArray>{"A", "B", "C", "D", "E", "F", "G", "H"}
            << QStringList{"Pers_number=A", "First_Name=B", "Last_Name=C",
                           "Hesab=D",       "Price=E",      "Chk=F"}
            << QStringList{"id"};
    }
    void autoFillPairsByPosition()
    {
        QFETCH(QList<QByteArray>, fields);
        QFETCH(QStringList, pairs);
        QFETCH(QStringList, unmapped);
        RegisterWizard fx;
        auto f = fx.window();
        openSource(f.get(), "rbtDBF", fx.file("t.dbf", table(fields, {})));
        auto* p = static_cast<DbfPage*>(f->Page(aiDBF));
        QCOMPARE(columnTexts(p->ui->lstDBF), QStringList(fields.begin(), fields.end()));
        QCOMPARE(p->ui->lstDBF->headerItem()->text(0), QStringLiteral("t.dbf"));
        QTest::mouseClick(p->ui->bDBFAutoFill, Qt::LeftButton);
        QCOMPARE(pairTexts(p->ui->lstDBFMap), pairs);
        QCOMPARE(columnTexts(p->ui->lstDBFDataSet), unmapped);
        QVERIFY(f->ui->bNext->isEnabled());
        QTest::mouseClick(p->ui->bDBFClear, Qt::LeftButton);
        QCOMPARE(pairTexts(p->ui->lstDBFMap), QStringList());
        QCOMPARE(columnTexts(p->ui->lstDBFDataSet).size(), 7);
        QVERIFY(!f->ui->bNext->isEnabled());
        QVERIFY(!p->ui->bDBFClear->isEnabled());
    }

    void addAndRemove()
    {
        RegisterWizard fx;
        auto f = fx.window();
        openSource(f.get(), "rbtDBF", fx.file("p.dbf", people()));
        QCOMPARE(f->Step(), 1);
        auto* p = static_cast<DbfPage*>(f->Page(aiDBF));
        QVERIFY(!f->ui->bNext->isEnabled());
        QVERIFY(!f->ui->bOk->isEnabled());
        pairUp(p->ui->lstDBFDataSet, p->ui->lstDBF, p->ui->bDBFAdd, "First_Name", "NAME");
        // The source field stays and may be paired again.
        pairUp(p->ui->lstDBFDataSet, p->ui->lstDBF, p->ui->bDBFAdd, "Last_Name", "NAME");
        pairUp(p->ui->lstDBFDataSet, p->ui->lstDBF, p->ui->bDBFAdd, "Pers_number", "PNO");
        QCOMPARE(pairTexts(p->ui->lstDBFMap),
                 (QStringList{"First_Name=NAME", "Last_Name=NAME", "Pers_number=PNO"}));
        QCOMPARE(columnTexts(p->ui->lstDBFDataSet), (QStringList{"id", "Hesab", "Price", "Chk"}));
        QCOMPARE(columnTexts(p->ui->lstDBF), (QStringList(kPeople.begin(), kPeople.end())));
        QVERIFY(f->ui->bNext->isEnabled());
        QVERIFY(f->ui->bOk->isEnabled());

        // Removed fields go back at the end of the list.
        choose(p->ui->lstDBFMap, "First_Name");
        QTest::mouseClick(p->ui->bDBFRemove, Qt::LeftButton);
        QCOMPARE(columnTexts(p->ui->lstDBFDataSet),
                 (QStringList{"id", "Hesab", "Price", "Chk", "First_Name"}));
        QCOMPARE(pairTexts(p->ui->lstDBFMap), (QStringList{"Last_Name=NAME", "Pers_number=PNO"}));

        p->ui->lstDBFMap->clearSelection();
        QVERIFY(!p->ui->bDBFRemove->isEnabled());
        p->ui->lstDBF->clearSelection();
        QVERIFY(!p->ui->bDBFAdd->isEnabled());
    }

    // Another file read on the page keeps only the pairs whose source field it has; the others'
    // destination fields are offered again, so no column is imported blank.
    void anotherFileDropsPairsOfFieldsItLacks_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("dBase") << int(aiDBF);
        QTest::newRow("data packet") << int(aiXML);
    }
    void anotherFileDropsPairsOfFieldsItLacks()
    {
        QFETCH(int, kind);
        RegisterWizard fx;
        const auto source = [&](const QString& name, const QList<QByteArray>& fields) {
            if (kind == aiDBF)
                return fx.file(name + QStringLiteral(".dbf"), table(fields, {}));
            QByteArray defs;
            for (const QByteArray& f : fields)
                defs += "<FIELD attrname=\"" + f + "\" fieldtype=\"string\" WIDTH=\"9\"/>";
            return fx.file(name + QStringLiteral(".xml"),
                           "<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" +
                               defs + "</FIELDS><PARAMS/></METADATA><ROWDATA/></DATAPACKET>");
        };
        auto f = fx.window();
        openSource(f.get(), kind == aiDBF ? "rbtDBF" : "rbtXML",
                   source(QStringLiteral("one"), {"PNO", "NAME"}));
        const QString prefix = kind == aiDBF ? QStringLiteral("lstDBF") : QStringLiteral("lvXML");
        auto* dataSet = f->Page(kind)->findChild<QTreeWidget*>(prefix + QStringLiteral("DataSet"));
        auto* fields = f->Page(kind)->findChild<QTreeWidget*>(prefix);
        auto* map = f->Page(kind)->findChild<QTreeWidget*>(prefix + QStringLiteral("Map"));
        auto* add = f->Page(kind)->findChild<QPushButton*>(kind == aiDBF ? "bDBFAdd" : "bXMLAdd");
        pairUp(dataSet, fields, add, "Pers_number", "PNO");
        pairUp(dataSet, fields, add, "First_Name", "NAME");
        QTest::mouseClick(f->ui->bBack, Qt::LeftButton);
        f->ui->edtFileName->setText(source(QStringLiteral("two"), {"PNO", "OTHER"}));
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QCOMPARE(columnTexts(fields), (QStringList{"PNO", "OTHER"}));
        QCOMPARE(pairTexts(map), QStringList{"Pers_number=PNO"});
        QVERIFY(columnTexts(dataSet).contains(QStringLiteral("First_Name")));
    }

    // Pairing the register's record number by hand is refused with a message.
    void theRecordNumberIsNotPaired()
    {
        RegisterWizard fx;
        auto f = fx.window();
        openSource(f.get(), "rbtDBF", fx.file("p.dbf", people()));
        auto* p = static_cast<DbfPage*>(f->Page(aiDBF));
        MessageLog log;
        pairUp(p->ui->lstDBFDataSet, p->ui->lstDBF, p->ui->bDBFAdd, "id", "PNO");
        QCOMPARE(log.texts().size(), 1);
        QCOMPARE(pairTexts(p->ui->lstDBFMap), QStringList());
        QVERIFY(columnTexts(p->ui->lstDBFDataSet).contains(QStringLiteral("id")));
    }

    void damagedTableIsSaid()
    {
        RegisterWizard fx;
        auto f = fx.window();
        openSource(f.get(), "rbtDBF", fx.file("p.dbf", people()));
        auto* p = static_cast<DbfPage*>(f->Page(aiDBF));
        pairUp(p->ui->lstDBFDataSet, p->ui->lstDBF, p->ui->bDBFAdd, "Hesab", "ACCOUNT");
        QTest::mouseClick(f->ui->bBack, Qt::LeftButton);
        f->ui->edtFileName->setText(fx.file("bad.dbf", QByteArray("\x03\x01\x02", 3)));
        MessageLog log;
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QCOMPARE(log.texts().size(), 1);
        // Nothing of the other table is offered, nor its pair, and there is no way on.
        QCOMPARE(columnTexts(p->ui->lstDBF), QStringList());
        QCOMPARE(p->ui->lstDBF->headerItem()->text(0), QStringLiteral("bad.dbf"));
        QCOMPARE(pairTexts(p->ui->lstDBFMap), QStringList());
        QVERIFY(!f->ui->bNext->isEnabled());
        QVERIFY(!f->ui->bOk->isEnabled());
        QTest::mouseClick(f->ui->bBack, Qt::LeftButton);
        QCOMPARE(f->Step(), 0);
    }

    void templateRoundTripIntoTheRegister_data()
    {
        QTest::addColumn<bool>("skipDeleted");
        QTest::addColumn<QStringList>("rows");
        // The known person is updated by the key; text in the ANSI page.
        QTest::newRow("skip deleted") << true << QStringList{"P2|Maryam|900", "101|رضا|500"};
        QTest::newRow("keep deleted")
            << false << QStringList{"P2|Maryam|900", "101|رضا|500", "102|gone|7"};
    }
    void templateRoundTripIntoTheRegister()
    {
        QFETCH(bool, skipDeleted);
        QFETCH(QStringList, rows);
        RegisterWizard fx;
        const QString source = fx.file("people.dbf", people());
        const QString imp = fx.dir.filePath("people.imp");
        {
            auto f = fx.window();
            openSource(f.get(), "rbtDBF", source);
            auto* p = static_cast<DbfPage*>(f->Page(aiDBF));
            if (!skipDeleted)
                p->ui->chDBFSkipDeleted->click();
            QCOMPARE(p->DBFSkipDeleted(), skipDeleted);
            pairUp(p->ui->lstDBFDataSet, p->ui->lstDBF, p->ui->bDBFAdd, "Pers_number", "PNO");
            pairUp(p->ui->lstDBFDataSet, p->ui->lstDBF, p->ui->bDBFAdd, "First_Name", "NAME");
            pairUp(p->ui->lstDBFDataSet, p->ui->lstDBF, p->ui->bDBFAdd, "Last_Name", "NAME");
            pairUp(p->ui->lstDBFDataSet, p->ui->lstDBF, p->ui->bDBFAdd, "Price", "AMOUNT");
            f->SaveTemplate(imp);
        }
        const IniFile ini(imp);
        QCOMPARE(ini.readString("DBF_OPTIONS", "SkipDeleted"), skipDeleted ? "1" : "0");
        QCOMPARE(ini.keys("DBF_MAP"),
                 (QStringList{"Pers_number", "First_Name", "Last_Name", "Price"}));

        fx.wizard.GoToLastPage = true;
        auto f = fx.window();
        f->LoadTemplate(imp);
        auto* p = static_cast<DbfPage*>(f->Page(aiDBF));
        QCOMPARE(p->DBFSkipDeleted(), skipDeleted);
        QCOMPARE(columnTexts(p->ui->lstDBFDataSet), (QStringList{"id", "Hesab", "Chk"}));
        QCOMPARE(f->Step(), 3);
        MessageLog none;
        QTest::mouseClick(f->ui->bOk, Qt::LeftButton);
        QCOMPARE(none.texts(), QStringList());
        QCOMPARE(fx.rows(), rows);
    }
};

QTEST_MAIN(TestPageDbf)
#include "test_page_dbf.moc"
