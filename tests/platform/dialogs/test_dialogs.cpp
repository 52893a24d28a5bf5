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
