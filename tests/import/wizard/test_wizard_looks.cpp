// What the clerk sees of the wizard over the personnel register, in the program's Persian font:
// field lists whole, the side image, the template options only where they can work.

#include "helper_gridpages.h"

#include "import/wizard/pages/SourcePage.h"
#include "ui_Durvel3WizardF.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSet>
#include <QTreeWidget>
#include <QtTest>

class TestWizardLooks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // As the program starts: right to left, in its Persian font.
        QApplication::setLayoutDirection(Qt::RightToLeft);
        QFont f = QApplication::font();
        f.setFamilies({QStringLiteral("Noto Sans Arabic"), QStringLiteral("Noto Naskh Arabic"),
                       QStringLiteral("DejaVu Sans")});
        QApplication::setFont(f);
    }

    // Every field of the register and every column of the list whole in view, without
    // scrolling, under a window with a style sheet of its own, as the register is.
    void fieldListsShowEveryField_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("list");
        QTest::newRow("xls") << int(aiXLS) << "lvXLSFields";
        QTest::newRow("xml document") << int(aiXMLDoc) << "lvXMLDocFields";
        QTest::newRow("fixed width") << int(aiTXT) << "lvTXTFields";
    }
    void fieldListsShowEveryField()
    {
        QFETCH(int, kind);
        QFETCH(QString, list);
        RegisterWizard fx;
        QWidget owner;
        owner.setStyleSheet(QStringLiteral("QPushButton { min-height: 28px; }"));
        TDurvel3Wizard wizard(&owner);
        wizard.DataSet = &fx.dest;
        wizard.ConfirmOnCancel = false;
        auto w = std::make_unique<TDurvel3WizardF>(&wizard);
        w->show();
        w->ShowPage(w->Page(kind));
        auto* fields = w->Page(kind)->findChild<QTreeWidget*>(list);
        QVERIFY(fields && QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(fields->topLevelItemCount(), fx.ds.fieldCount());
        const QRect view = fields->viewport()->rect();
        for (int i = 0; i < fields->topLevelItemCount(); ++i)
            QVERIFY2(view.contains(fields->visualItemRect(fields->topLevelItem(i))),
                     qPrintable(fields->topLevelItem(i)->text(0)));
        QVERIFY(!fields->horizontalScrollBar()->isVisible());
        const QHeaderView* header = fields->header();
        for (int c = 0; c < fields->columnCount(); ++c) {
            const QString title = fields->headerItem()->text(c);
            const int x = header->sectionViewportPosition(c);
            QVERIFY2(x >= 0 && x + header->sectionSize(c) <= view.width() &&
                         header->sectionSize(c) >= fields->fontMetrics().horizontalAdvance(title),
                     qPrintable(title));
        }
    }

    // Without a picture of the component's the first page shows the wizard's own.
    void sideImage()
    {
        RegisterWizard fx;
        const auto own = fx.window();
        const QPixmap shown = own->ui->Image->pixmap();
        QCOMPARE(shown.size(), own->ui->Image->size());
        QSet<QRgb> colours; // a picture, not a plain fill
        const QImage img = shown.toImage();
        for (int y = 0; y < img.height(); y += 2)
            for (int x = 0; x < img.width(); x += 2)
                colours.insert(img.pixel(x, y));
        QVERIFY(colours.size() >= 8);
        QPixmap red(20, 40);
        red.fill(Qt::red);
        fx.wizard.SetPicture(red);
        QCOMPARE(fx.window()->ui->Image->pixmap().toImage(), red.toImage());
    }

    // The template options work only where a template can be loaded or saved: by the buttons,
    // or by the component's template name.
    void templateOptionsOnlyWithTemplates_data()
    {
        QTest::addColumn<bool>("buttons");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("neither, as the register has it") << false << QString() << false;
        QTest::newRow("blank name") << false << QString(" ") << false;
        QTest::newRow("buttons") << true << QString() << true;
        QTest::newRow("a template name") << false << QString("import.imp") << true;
    }
    void templateOptionsOnlyWithTemplates()
    {
        QFETCH(bool, buttons);
        QFETCH(QString, name);
        QFETCH(bool, enabled);
        RegisterWizard fx;
        fx.wizard.ShowSaveLoadButtons = buttons;
        fx.wizard.TemplateFileName = name;
        auto w = fx.window();
        QCOMPARE(w->ui->gbTemplateOptions->isEnabled(), enabled);
        QCOMPARE(w->ui->chAutoSaveTemplate->isEnabled(), enabled);
        QCOMPARE(w->ui->chGoToLastPage->isEnabled(), enabled);
    }
};

QTEST_MAIN(TestWizardLooks)
#include "test_wizard_looks.moc"
