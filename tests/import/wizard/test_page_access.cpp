#include "helper_fieldpair.h"

#include "import/wizard/pages/AccessPage.h"
#include "import/wizard/pages/FieldPairMap.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/ini/IniFile.h"
#include "tests/support/TestFiles.h"
#include "ui_AccessMapPage.h"
#include "ui_AccessPage.h"

#include <QListWidget>
#include <QPlainTextEdit>

class TestPageAccess : public QObject
{
    Q_OBJECT

    QString m_samples;

    QString nwind() const { return m_samples + QStringLiteral("/nwind.mdb"); }

    static AccessPage* page(TDurvel3WizardF* f)
    {
        return static_cast<AccessPage*>(f->Page(aiAccess));
    }

    static void chooseTable(AccessPage* p, const QString& name)
    {
        const auto found = p->ui->lbAccessTables->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        p->ui->lbAccessTables->setCurrentItem(found.first());
    }

    static void writeQuery(AccessPage* p, const QString& sql)
    {
        p->ui->rbtAccessSQL->click();
        p->ui->memAccessSQL->clear();
        QTest::keyClicks(p->ui->memAccessSQL, sql);
    }

    static QString buttons(TDurvel3WizardF* f)
    {
        return QStringLiteral("%1%2%3").arg(f->ui->bBack->isEnabled() ? "B" : "-",
                                            f->ui->bNext->isEnabled() ? "N" : "-",
                                            f->ui->bOk->isEnabled() ? "E" : "-");
    }

private slots:
    void initTestCase()
    {
        m_samples =
            qEnvironmentVariable("BANKFILE_SHARED_DIR", QStringLiteral(BANKFILE_SHARED_DIR)) +
            QStringLiteral("/fixtures/access");
        if (!QFileInfo::exists(nwind()))
            QSKIP("the Access sample files are not here");
    }

    void fourStepsAndTheirButtons_data()
    {
        QTest::addColumn<bool>("query");
        QTest::newRow("table") << false;
        QTest::newRow("query") << true;
    }
    void fourStepsAndTheirButtons()
    {
        QFETCH(bool, query);
        RegisterWizard fx;
        auto f = fx.window();
        openSource(f.get(), "rbtAccess", nwind());
        AccessPage* p = page(f.get());
        QCOMPARE(f->Step(), 1);
        QCOMPARE(p->ui->laStep_16->text(), QStringLiteral("Step 1 of 4"));
        QVERIFY(p->ui->lbAccessTables->count() == 9);
        if (query) {
            writeQuery(p, QString());
            QCOMPARE(buttons(f.get()), QStringLiteral("B--"));
            writeQuery(p, QStringLiteral("select ShipperID, CompanyName from Shippers"));
        } else {
            chooseTable(p, QStringLiteral("Shippers"));
        }
        QCOMPARE(buttons(f.get()), QStringLiteral("BN-"));
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QCOMPARE(f->Step(), 2);
        QCOMPARE(f->ui->pgImport->currentWidget(), p->MapPage);
        QCOMPARE(p->mapUi->laStep_15->text(), QStringLiteral("Step 2 of 4"));
        const QString caption = query ? QStringLiteral("Custom query") : QStringLiteral("Shippers");
        QCOMPARE(p->mapUi->lstAccess->headerItem()->text(0), caption);
        QCOMPARE(p->mapUi->lstAccessMap->headerItem()->text(2), caption);
        QCOMPARE(columnTexts(p->mapUi->lstAccess).mid(0, 2),
                 (QStringList{"ShipperID", "CompanyName"}));
        QCOMPARE(buttons(f.get()), QStringLiteral("B--"));
        pairUp(p->mapUi->lstAccessDataSet, p->mapUi->lstAccess, p->mapUi->bAccessAdd, "Hesab",
               "ShipperID");
        QCOMPARE(buttons(f.get()), QStringLiteral("BNE"));
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QCOMPARE(f->Step(), 3);
        QCOMPARE(buttons(f.get()), QStringLiteral("BNE"));
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QCOMPARE(f->Step(), 4);
        QCOMPARE(buttons(f.get()), QStringLiteral("B-E"));
    }

    void changedSourceIsReadAgain()
    {
        RegisterWizard fx;
        auto f = fx.window();
        openSource(f.get(), "rbtAccess", nwind());
        AccessPage* p = page(f.get());
        chooseTable(p, QStringLiteral("Shippers"));
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QCOMPARE(columnTexts(p->mapUi->lstAccess),
                 (QStringList{"ShipperID", "CompanyName", "Phone"}));
        QTest::mouseClick(p->mapUi->bAccessAutoFill, Qt::LeftButton);
        QCOMPARE(p->mapUi->lstAccessMap->topLevelItemCount(), 3);
        QTest::mouseClick(f->ui->bBack, Qt::LeftButton);
        writeQuery(p, QStringLiteral("select Phone from Shippers where ShipperID = 2"));
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QCOMPARE(columnTexts(p->mapUi->lstAccess), QStringList{"Phone"});
        QCOMPARE(p->mapUi->lstAccessMap->topLevelItemCount(), 0);
    }

    void refusedQueryIsNamed()
    {
        RegisterWizard fx;
        auto f = fx.window();
        openSource(f.get(), "rbtAccess", nwind());
        AccessPage* p = page(f.get());
        const QString sql = QStringLiteral("select * from Orders o inner join Customers c on "
                                           "o.CustomerID = c.CustomerID");
        writeQuery(p, sql);
        MessageLog log;
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QCOMPARE(log.texts().size(), 1);
        QVERIFY2(log.texts().first().contains(sql), qPrintable(log.texts().first()));
        QCOMPARE(f->Step(), 2);
        QCOMPARE(columnTexts(p->mapUi->lstAccess), QStringList());
        QCOMPARE(buttons(f.get()), QStringLiteral("B--"));
        QTest::mouseClick(f->ui->bBack, Qt::LeftButton);
        QCOMPARE(f->ui->pgImport->currentWidget(), p);
    }

    // The pairs made on a table do not stay over a query the database refuses.
    void refusedQueryLeavesNoPairOfTheTableBefore()
    {
        RegisterWizard fx;
        auto f = fx.window();
        openSource(f.get(), "rbtAccess", nwind());
        AccessPage* p = page(f.get());
        chooseTable(p, QStringLiteral("Shippers"));
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QTest::mouseClick(p->mapUi->bAccessAutoFill, Qt::LeftButton);
        QCOMPARE(p->mapUi->lstAccessMap->topLevelItemCount(), 3);
        QTest::mouseClick(f->ui->bBack, Qt::LeftButton);
        writeQuery(p, QStringLiteral("select Nothing from Nowhere"));
        MessageLog log;
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QCOMPARE(log.texts().size(), 1);
        QCOMPARE(f->Step(), 2);
        QCOMPARE(p->mapUi->lstAccessMap->topLevelItemCount(), 0);
        QCOMPARE(columnTexts(p->mapUi->lstAccess), QStringList());
        QCOMPARE(buttons(f.get()), QStringLiteral("B--"));
    }

    void queryFilesRoundTrip()
    {
        RegisterWizard fx;
        auto f = fx.window();
        openSource(f.get(), "rbtAccess", nwind());
        AccessPage* p = page(f.get());
        const QString sql = QStringLiteral("select *\nfrom Shippers\nwhere CompanyName = 'مهر'");
        p->ui->rbtAccessSQL->click();
        p->SetQueryText(sql);
        const QString path = fx.dir.filePath("q.sql");
        dialogs::setFileHandler([&](const dialogs::FileRequest& r) {
            return r.filter.contains(QStringLiteral("*.sql")) ? path : QString();
        });
        QTest::mouseClick(p->ui->tbtAccessSQLSave, Qt::LeftButton);
        p->ui->memAccessSQL->clear();
        // An editor's file in the ANSI page with Windows line ends.
        QTest::mouseClick(p->ui->tbtAccessSQLLoad, Qt::LeftButton);
        QCOMPARE(p->QueryText(), sql);
        fx.file("q.sql", QByteArray("select 1\r\nfrom \xE3\xE5\xD1"));
        QTest::mouseClick(p->ui->tbtAccessSQLLoad, Qt::LeftButton);
        dialogs::setFileHandler({});
        QCOMPARE(p->QueryText(), QStringLiteral("select 1\nfrom مهر"));
    }

    // The password box reaches the file: without it a protected file is a message that says
    // so, with it the tables are listed.
    void thePasswordBoxOpensAProtectedFile()
    {
        RegisterWizard fx;
        QFile in(nwind());
        QVERIFY(in.open(QIODevice::ReadOnly));
        QByteArray bytes = in.readAll();
        // The sample keeps no password: its masked place takes one by XOR.
        const QByteArray password("Geheim97");
        for (qsizetype i = 0; i < password.size(); ++i)
            bytes[0x42 + i] = char(bytes[0x42 + i] ^ password[i]);
        const QString locked = WriteTestFile(fx.dir.filePath("locked.mdb"), bytes);
        QStringList shown;
        dialogs::setMessageHandler([&](const dialogs::Message& m) {
            shown << m.text;
            return dialogs::Button::Ok;
        });
        const auto restore = qScopeGuard([] { dialogs::setMessageHandler({}); });

        auto f = fx.window();
        openSource(f.get(), "rbtAccess", locked);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(QLatin1String("is protected by a password")),
                 qPrintable(shown[0]));
        AccessPage* p = page(f.get());
        QCOMPARE(p->ui->lbAccessTables->count(), 0);
        if (f->Step() > 0)
            QTest::mouseClick(f->ui->bBack, Qt::LeftButton);
        QTest::keyClicks(f->ui->edAccessPassword, QString::fromLatin1(password));
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(p->ui->lbAccessTables->count(), 9);
    }

    void templateLeavesThePasswordOut()
    {
        RegisterWizard fx;
        const QString imp = fx.dir.filePath("q.imp");
        {
            auto f = fx.window();
            f->ui->rbtAccess->click();
            QTest::keyClicks(f->ui->edAccessPassword, QStringLiteral("secret"));
            openSource(f.get(), "rbtAccess", nwind());
            AccessPage* p = page(f.get());
            QCOMPARE(p->AccessPassword(), QStringLiteral("secret"));
            p->ui->rbtAccessSQL->click();
            p->SetQueryText(QStringLiteral("select CompanyName\nfrom Shippers"));
            QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
            pairUp(p->mapUi->lstAccessDataSet, p->mapUi->lstAccess, p->mapUi->bAccessAdd,
                   "First_Name", "CompanyName");
            f->SaveTemplate(imp);
        }
        IniFile ini(imp);
        QVERIFY(!ini.keyExists("ACCESS_OPTIONS", "Password"));
        QCOMPARE(ini.readInteger("ACCESS_OPTIONS", "SourceType", -1), 1);
        QCOMPARE(ini.keys("ACCESS_SQL"), (QStringList{"Line_0", "Line_1"}));
        QCOMPARE(ini.readString("ACCESS_SQL", "Line_1"), QStringLiteral("from Shippers"));
        QCOMPARE(ini.readString("ACCESS_MAP", "First_Name"), QStringLiteral("CompanyName"));

        // A template written with a password still brings it.
        ini.writeString("ACCESS_OPTIONS", "Password", "old");
        ini.save();
        auto f = fx.window();
        f->LoadTemplate(imp);
        AccessPage* p = page(f.get());
        QCOMPARE(f->ui->edAccessPassword->text(), QStringLiteral("old"));
        QCOMPARE(p->AccessSourceType(), 1);
        QCOMPARE(p->QueryText(), QStringLiteral("select CompanyName\nfrom Shippers"));
        QCOMPARE(columnTexts(p->mapUi->lstAccess), QStringList{"CompanyName"});
        QCOMPARE(pairTexts(p->mapUi->lstAccessMap), QStringList{"First_Name=CompanyName"});
        // Going through the pages does not read the source again and lose the pairs.
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
        QCOMPARE(f->Step(), 2);
        QCOMPARE(pairTexts(p->mapUi->lstAccessMap), QStringList{"First_Name=CompanyName"});
    }

    void templateRoundTripIntoTheRegister_data()
    {
        QTest::addColumn<bool>("query");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("table") << false
                               << QStringList{"P2|old|1", "1|Speedy Express|(503) 555-9831",
                                              "2|United Package|(503) 555-3199",
                                              "3|Federal Shipping|(503) 555-9931"};
        QTest::newRow("query") << true
                               << QStringList{"P2|old|1", "3|Federal Shipping|(503) 555-9931"};
    }
    void templateRoundTripIntoTheRegister()
    {
        QFETCH(bool, query);
        QFETCH(QStringList, rows);
        RegisterWizard fx;
        const QString imp = fx.dir.filePath("s.imp");
        {
            auto f = fx.window();
            openSource(f.get(), "rbtAccess", nwind());
            AccessPage* p = page(f.get());
            if (query)
                writeQuery(p, QStringLiteral("select * from Shippers where ShipperID > 2"));
            else
                chooseTable(p, QStringLiteral("Shippers"));
            QTest::mouseClick(f->ui->bNext, Qt::LeftButton);
            pairUp(p->mapUi->lstAccessDataSet, p->mapUi->lstAccess, p->mapUi->bAccessAdd,
                   "Pers_number", "ShipperID");
            pairUp(p->mapUi->lstAccessDataSet, p->mapUi->lstAccess, p->mapUi->bAccessAdd,
                   "First_Name", "CompanyName");
            pairUp(p->mapUi->lstAccessDataSet, p->mapUi->lstAccess, p->mapUi->bAccessAdd, "Price",
                   "Phone");
            f->SaveTemplate(imp);
        }
        if (!query)
            QCOMPARE(IniFile(imp).readString("ACCESS_OPTIONS", "TableName"),
                     QStringLiteral("Shippers"));

        fx.wizard.GoToLastPage = true;
        auto f = fx.window();
        f->LoadTemplate(imp);
        QCOMPARE(f->Step(), 4);
        MessageLog none;
        QTest::mouseClick(f->ui->bOk, Qt::LeftButton);
        QCOMPARE(none.texts(), QStringList());
        QCOMPARE(fx.rows(), rows);
    }
};

QTEST_MAIN(TestPageAccess)
#include "test_page_access.moc"
