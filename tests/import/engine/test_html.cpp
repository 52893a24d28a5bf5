#include "helper_fakes.h"

#include "import/engine/Durvel3HTML.h"
#include "platform/ini/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestHtmlReader : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString writePage(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("page.htm"));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
        return path;
    }

    static const QByteArray& page()
    {
        static const QByteArray p =
            "<html><head><META Http-Equiv='Content-Type' content='text/html; charset=UTF-8'>"
            "</head><body><table><tr><td>only</td></tr></table>"
            "<table><thead><tr><th>Name</th><th>Account</th></tr></thead>"
            "<tr><td>\xD9\xBE\xD8\xB1\xDA\x98\xD9\x86\xDA\xAF</td><td>&nbsp;0123&nbsp;</td></tr>"
            "<tr><td>Reza<br>Ali</td></tr></table></body></html>";
        return p;
    }

private slots:
    void importsTheChosenTable_data()
    {
        QTest::addColumn<int>("skip");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::newRow("all rows") << 0
                                  << QList<QStringList>{
                                         {"Name", "Account"},
                                         {u"\u067E\u0631\u0698\u0646\u06AF"_qs, "0123"},
                                         {"Reza\nAli", ""}};
        QTest::newRow("header skipped")
            << 1
            << QList<QStringList>{{u"\u067E\u0631\u0698\u0646\u06AF"_qs, "0123"},
                                  {"Reza\nAli", ""}};
    }
    void importsTheChosenTable()
    {
        QFETCH(int, skip);
        QFETCH(QList<QStringList>, rows);
        TDurvel3HTML imp;
        imp.SetFileName(writePage(page()));
        imp.TableNumber = 2;
        imp.SkipFirstRows = skip;
        DurvelCellStore grid(2, 0);
        intoGrid(imp, grid, QStringLiteral("0=1"));
        imp.Map().Add(QStringLiteral("1=2"));
        QVERIFY(imp.Execute());
        QCOMPARE(gridRows(grid), rows);
        QCOMPARE(imp.TotalRecCount(), 3);
    }

    void refusesWhatItCannotImport_data()
    {
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("mapLine");
        QTest::addColumn<QString>("message");
        QTest::newRow("no table chosen") << 0 << "0=1"
                                         << "No table";
        QTest::newRow("no such table") << 3 << "0=1"
                                       << "has no table 3";
        QTest::newRow("cell number not a number") << 1 << "0=A"
                                                  << "not a valid column number";
    }
    void refusesWhatItCannotImport()
    {
        QFETCH(int, table);
        QFETCH(QString, mapLine);
        QFETCH(QString, message);
        TDurvel3HTML imp;
        imp.SetFileName(writePage(page()));
        imp.TableNumber = table;
        DurvelCellStore grid(1, 0);
        intoGrid(imp, grid, mapLine);
        try {
            imp.Execute();
            QFAIL("the import ran");
        } catch (const EDurvelError& e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        }
        QVERIFY(gridRows(grid).isEmpty());
        // Nothing of the failed run stays: the next one works.
        imp.TableNumber = 1;
        imp.Map().Clear();
        imp.Map().Add(QStringLiteral("0=1"));
        QVERIFY(imp.Execute());
        QCOMPARE(gridRows(grid), (QList<QStringList>{{"only"}}));
    }

    void handedInPageIsUsed()
    {
        THTMLFile file;
        file.FileName = writePage(page());
        file.Open();
        QCOMPARE(file.Tables.size(), size_t(2));
        file.Tables[0].Rows[0][0] = QStringLiteral("edited"); // the reader must not read it again
        TDurvel3HTML imp;
        imp.SetHTMLFile(&file);
        imp.TableNumber = 1;
        DurvelCellStore grid(1, 0);
        intoGrid(imp, grid);
        QVERIFY(imp.Execute());
        QCOMPARE(gridRows(grid), (QList<QStringList>{{"edited"}}));
        QCOMPARE(file.Tables.size(), size_t(2));
    }

    void templateSection()
    {
        IniFile ini(m_dir.filePath(QStringLiteral("t.imp")));
        TDurvel3HTML a;
        a.SkipFirstRows = 4;
        a.SaveTemplateSections(ini);
        TDurvel3HTML b;
        b.LoadTemplateSections(ini);
        QCOMPARE(b.SkipFirstRows, 4);
    }
};

QTEST_MAIN(TestHtmlReader)
#include "test_html.moc"
