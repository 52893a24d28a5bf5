#include "platform/dialogs/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void everyFileFilter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("shown");
        QTest::newRow("all files") << "All File (*.*)"
                                   << "All File (*)";
        QTest::newRow("among others") << "Text (*.txt);;All (*.*)"
                                      << "Text (*.txt);;All (*)";
        QTest::newRow("one pattern of several") << "Any (*.* *.txt)"
                                                << "Any (* *.txt)";
        QTest::newRow("extension kept") << "SepahFile (*.fd);;SepahFileText (*.txt)"
                                        << "SepahFile (*.fd);;SepahFileText (*.txt)";
        QTest::newRow("dotted name kept") << "Backup (x*.*.bak)"
                                          << "Backup (x*.*.bak)";
    }

    void everyFileFilter()
    {
        QFETCH(QString, filter);
        QFETCH(QString, shown);
        QString seen;
        dialogs::setFileHandler([&](const dialogs::FileRequest& r) {
            seen = r.filter;
            return QString();
        });
        dialogs::FileRequest r;
        r.filter = filter;
        dialogs::chooseFile(r);
        dialogs::setFileHandler({});
        QCOMPARE(seen, shown);
    }

    // A box as narrow as its short message would leave the title bar only a few letters of
    // the title; a long message wraps without parting the prefix "مي" from its verb.
    void boxKeepsTitleAndVerbsWhole_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QChar nbsp(0x00A0);
        QTest::newRow("short message, long title")
            << QStringLiteral("ثبت اطلاعات") << QStringLiteral("اطلاعات ثبت شد")
            << QStringLiteral("اطلاعات ثبت شد");
        QTest::newRow("verb prefixes")
            << QStringLiteral("خطا")
            << QStringLiteral("برنامه فايل ها را مي سازد و نمي تواند بنويسد؛ مي ")
            << QStringLiteral("برنامه فايل ها را مي%1سازد و نمي%1تواند بنويسد؛ مي ").arg(nbsp);
        QTest::newRow("Persian yeh and a word that only begins alike")
            << QStringLiteral("خطا") << QStringLiteral("می شود ميز را ببر")
            << QStringLiteral("می%1شود ميز را ببر").arg(nbsp);
    }

    void boxKeepsTitleAndVerbsWhole()
    {
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        int width = 0;
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            width = box->width();
            seen = box->text();
            box->reject();
        });
        dialogs::Message m;
        m.title = title;
        m.text = text;
        dialogs::show(m);
        QFont bold = QApplication::font();
        bold.setBold(true);
        QVERIFY(width > QFontMetrics(bold).horizontalAdvance(title) + 60);
        QCOMPARE(seen, shown);
    }

    void fileDialogReadsLeftToRight()
    {
        QWidget window;
        window.setLayoutDirection(Qt::RightToLeft);
        window.show();
        Qt::LayoutDirection direction = Qt::RightToLeft;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            direction = dlg->layoutDirection();
            dlg->reject();
        });
        dialogs::FileRequest r;
        r.filter = QStringLiteral("All (*.*)");
        QCOMPARE(dialogs::chooseFile(r, &window), QString());
        QCOMPARE(direction, Qt::LeftToRight);
    }

    void buttonCaptionsAreWhole()
    {
        QList<QPushButton*> buttons;
        bool checked = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (QAbstractButton* b : box->buttons()) {
                QVERIFY(b->icon().isNull());
                QVERIFY(b->width() >= b->fontMetrics().horizontalAdvance(b->text()) + 16);
            }
            checked = true;
            box->buttons().constLast()->click();
        });
        dialogs::Message m;
        m.text = QStringLiteral("آيا مايل به حذف هستيد؟");
        m.buttons = dialogs::Button::Yes | dialogs::Button::No;
        m.captions = {QStringLiteral("بلي"), QStringLiteral("خير")};
        dialogs::show(m);
        QVERIFY(checked);
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
