#include "platform/shell/Shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Shell::setOpenHook({}); }
    void openDocument_data();
    void openDocument();
};

void TestShell::openDocument_data()
{
    QTest::addColumn<QString>("target"); // "<file>" stands for an existing file
    QTest::addColumn<bool>("handlerStarts");
    QTest::addColumn<bool>("expected");
    QTest::addColumn<bool>("handed");

    QTest::newRow("existing file") << "<file>" << true << true << true;
    QTest::newRow("existing file, nothing opens it") << "<file>" << false << false << true;
    QTest::newRow("missing file") << "/no/such/folder/log.txt" << true << false << false;
    QTest::newRow("relative missing file") << "missing-log.txt" << true << false << false;
    QTest::newRow("empty") << "" << true << false << false;
    QTest::newRow("web address") << "https://example.org/help" << true << true << true;
    QTest::newRow("file url of missing file")
        << "file:///no/such/file.txt" << true << false << false;
}

void TestShell::openDocument()
{
    QFETCH(QString, target);
    QFETCH(bool, handlerStarts);
    QFETCH(bool, expected);
    QFETCH(bool, handed);

    QTemporaryDir dir;
    QUrl expectedUrl(target);
    if (target == QStringLiteral("<file>")) {
        // A relative name is taken from the working folder, as the shell does.
        QDir::setCurrent(dir.path());
        QFile file(QStringLiteral("error log.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        target = QStringLiteral("error log.txt");
        expectedUrl = QUrl::fromLocalFile(dir.filePath(target));
    }
    QList<QUrl> opened;
    Shell::setOpenHook([&](const QUrl& url) {
        opened << url;
        return handlerStarts;
    });
    QCOMPARE(Shell::openDocument(target), expected);
    QCOMPARE(opened.size(), handed ? 1 : 0);
    if (handed)
        QCOMPARE(opened.first(), expectedUrl);
}

QTEST_MAIN(TestShell)
#include "test_shell.moc"
