#include "helper_wizard.h"

#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/dialogs/fuDurvel3XLSRangeEdit.h"
#include "import/wizard/pages/FormatsPage.h"
#include "import/wizard/pages/XLSPage.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "platform/ini/IniFile.h"
#include "tests/support/MessageLog.h"
#include "tests/support/PythonFixture.h"
#include "ui_Durvel3WizardF.h"
#include "ui_XLSPage.h"
#include "ui_fuDurvel3XLSRangeEdit.h"

#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {

const QString kPeople = QStringLiteral("پرسنل");

QStringList texts(const QTreeWidget* list)
{
    QStringList t;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        t << list->topLevelItem(i)->text(0);
    return t;
}

// "[پرسنل]" before every range of a text written with "@" for the first sheet's prefix.
QString sheetText(QString Text)
{
    return Text.replace(QStringLiteral("@"), QStringLiteral("[%1]").arg(kPeople));
}

QStringList fieldTexts(XlsPage* p)
{
    QStringList t;
    for (int i = 0; i < p->ui->lvXLSFields->topLevelItemCount(); ++i)
        t << p->FieldRow(i)->GetAsString();
    return t;
}

void selectField(XlsPage* p, int Index)
{
    p->ui->lvXLSFields->setCurrentItem(p->ui->lvXLSFields->topLevelItem(Index));
}

// One gesture of a clerk on the active preview: "B2" a click, "^B2" with Ctrl, "+B5" with
// Shift; "^col:C", "+col:E", "^row:3" on the headers; "+Down" an arrow key with Shift;
// "Enter" and "Esc".
void gesture(XlsPage* p, const QString& G)
{
    TKobWideStringGrid* grid = p->XLSActiveGrid();
    QVERIFY(grid);
    Qt::KeyboardModifiers mods;
    QString g = G;
    if (g.startsWith(u'^'))
        mods = Qt::ControlModifier;
    else if (g.startsWith(u'+'))
        mods = Qt::ShiftModifier;
    if (mods)
        g = g.mid(1);
    const auto click = [&](int Col, int Row) {
        const QRect r = grid->CellRect(Col, Row);
        QVERIFY2(!r.isEmpty(), qPrintable(G));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, mods, r.center());
    };
    static const QHash<QString, Qt::Key> keys = {
        {"Down", Qt::Key_Down}, {"Up", Qt::Key_Up},        {"Right", Qt::Key_Right},
        {"Left", Qt::Key_Left}, {"Enter", Qt::Key_Return}, {"Esc", Qt::Key_Escape}};
    if (keys.contains(g)) {
        grid->setFocus();
        QTest::keyClick(grid, keys[g], mods);
    } else if (g.startsWith(QLatin1String("col:"))) {
        click(MapColLettersToIndex(g.mid(4)), 0);
    } else if (g.startsWith(QLatin1String("row:"))) {
        click(0, g.mid(4).toInt());
    } else {
        int col = 0;
        int row = 0;
        ParseCellDefinition(g, col, row);
        click(col, row);
    }
}

void gestures(XlsPage* p, const QString& List)
{
    for (const QString& g : List.split(u' ', Qt::SkipEmptyParts))
        gesture(p, g);
}

} // namespace

class TestPageXls : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_book;

    // A window on the XLS page of the test workbook, shown so that the grids have cells on
    // screen to click.
    XlsPage* open(WizardFixture& fx, std::unique_ptr<TDurvel3WizardF>& w)
    {
        w = fx.window();
        w->SetImportType(aiXLS);
        w->ui->edtFileName->setText(m_book);
        w->show();
        w->ui->bNext->click();
        if (w->Step() != 1)
            return nullptr;
        // The loading window may have taken the activation.
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            return nullptr;
        return qobject_cast<XlsPage*>(w->Page(aiXLS));
    }

private slots:
    void initTestCase()
    {
        TfmDurvel3Loading::MinimumDisplayTime = 0;
        XlsPage::MinimumLoadTime = 0;
        if (!PythonHas(QStringLiteral("xlwt")))
            QSKIP("python3-xlwt is not installed");
        m_book = m_dir.filePath("book.xls");
        const QString error = RunPython({BANKFILE_TEST_DATA "/xls/make_map_book.py", m_book});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void init()
    {
        dialogs::setMessageHandler([](const dialogs::Message& m) {
            qWarning("unexpected message: %s", qPrintable(m.text));
            return dialogs::Button::Ok;
        });
    }
    void cleanup() { dialogs::setMessageHandler(nullptr); }

    // The preview: one tab per sheet, rows up to the wizard's viewer rows, columns no wider
    // than the wizard allows.
    void preview_data()
    {
        QTest::addColumn<int>("viewerRows");
        QTest::addColumn<int>("maxWidth");
        QTest::addColumn<int>("gridRows");
        QTest::addColumn<QString>("lastShown"); // column A of the last grid row
        QTest::newRow("three rows") << 3 << 130 << 4 << "102";
        QTest::newRow("zero shows every row") << 0 << 400 << 65537 << "";
        QTest::newRow("more than a sheet holds") << 70000 << 50 << 65537 << "";
    }
    void preview()
    {
        QFETCH(int, viewerRows);
        QFETCH(int, maxWidth);
        QFETCH(int, gridRows);
        QFETCH(QString, lastShown);
        WizardFixture fx;
        fx.wizard.ExcelViewerRows = viewerRows;
        fx.wizard.ExcelMaxColWidth = maxWidth;
        std::unique_ptr<TDurvel3WizardF> w;
        XlsPage* p = open(fx, w);
        QVERIFY(p);
        QCOMPARE(p->ui->pcXLSFile->count(), 3);
        QCOMPARE(p->ui->pcXLSFile->tabText(0), kPeople);
        QCOMPARE(p->ui->pcXLSFile->tabText(1), QStringLiteral("Sheet2"));
        QCOMPARE(p->ui->pcXLSFile->tabText(2), QStringLiteral("Dates"));
        TKobWideStringGrid* g = p->Grid(0);
        QCOMPARE(g->RowCount(), gridRows);
        QCOMPARE(g->ColCount(), 257);
        QCOMPARE(g->Cells(1, gridRows - 1), lastShown);
        QCOMPARE(g->Cells(3, 1), QStringLiteral("نام خانوادگی"));
        QCOMPARE(g->Cells(4, 2), QStringLiteral("6037991234567"));
        QCOMPARE(g->Cells(5, 3), QStringLiteral("250000.5"));
        QCOMPARE(g->Cells(0, 3), QStringLiteral("3"));
        QCOMPARE(g->Cells(6, 0), QStringLiteral("F"));
        // The 200-character text needs more than any limit here; column A keeps the default.
        QCOMPARE(g->ColWidths(6), maxWidth);
        QCOMPARE(g->ColWidths(1), 64);
        QCOMPARE(p->Grid(1)->Cells(2, 3), QStringLiteral("b3"));
        QVERIFY(!w->NeedReload);
    }

    // Dates and times in the preview follow the formats page's short formats.
    void previewDates_data()
    {
        QTest::addColumn<QString>("dateFormat");
        QTest::addColumn<QString>("timeFormat");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("defaults") << ""
                                  << "" << QStringList{"2024/03/15", "2024/03/15 08:30", "18:45"};
        QTest::newRow("page's formats")
            << "dd.mm.yyyy"
            << "hh:nn:ss" << QStringList{"15.03.2024", "15.03.2024 08:30:15", "18:45:00"};
    }
    void previewDates()
    {
        QFETCH(QString, dateFormat);
        QFETCH(QString, timeFormat);
        QFETCH(QStringList, expected);
        WizardFixture fx;
        auto w = fx.window();
        if (!dateFormat.isEmpty()) {
            w->FormatPage->SetShortDateFormat(dateFormat);
            w->FormatPage->SetShortTimeFormat(timeFormat);
        }
        w->SetImportType(aiXLS);
        w->ui->edtFileName->setText(m_book);
        w->ui->bNext->click();
        auto* p = qobject_cast<XlsPage*>(w->Page(aiXLS));
        TKobWideStringGrid* g = p->Grid(2);
        QVERIFY(g);
        QCOMPARE((QStringList{g->Cells(1, 1), g->Cells(1, 2), g->Cells(1, 3)}), expected);
    }

    // Cells, columns and rows marked with Shift and Ctrl become range text.
    void selection_data()
    {
        QTest::addColumn<QString>("gestures");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("selecting");
        QTest::newRow("ctrl cells merge") << "^B2 ^B3 ^B4"
                                          << "@B2-B4;" << true;
        QTest::newRow("ctrl on a marked cell splits the run") << "^B2 ^B3 ^B4 ^B3"
                                                              << "@B2;@B4;" << true;
        QTest::newRow("shift click down a column") << "B2 +B5"
                                                   << "@B2-B5;" << true;
        QTest::newRow("shift arrows grow the run") << "B2 +Down +Down +Down"
                                                   << "@B2-B5;" << true;
        QTest::newRow("shift arrow back shrinks it") << "B2 +Down +Down +Up"
                                                     << "@B2-B3;" << true;
        QTest::newRow("shift along a row") << "B2 +Right +Right"
                                           << "@B2-D2;" << true;
        QTest::newRow("diagonal shift drops all") << "^B2 ^B3 +C4"
                                                  << "" << false;
        QTest::newRow("plain click changes nothing") << "^B2 C3"
                                                     << "@B2;" << true;
        QTest::newRow("column header twice") << "^col:C ^col:C"
                                             << "" << true;
        QTest::newRow("shift on column headers")
            << "B2 +col:D"
            << "@B-COLFINISH;@C-COLFINISH;@D-COLFINISH;" << true;
        QTest::newRow("escape") << "^B2 ^B3 Esc"
                                << "" << false;
    }
    void selection()
    {
        QFETCH(QString, gestures);
        QFETCH(QString, expected);
        QFETCH(bool, selecting);
        WizardFixture fx;
        std::unique_ptr<TDurvel3WizardF> w;
        XlsPage* p = open(fx, w);
        QVERIFY(p);
        ::gestures(p, gestures);
        QCOMPARE(p->XLSSelection().GetAsString(), sheetText(expected));
        QCOMPARE(p->XLSSelecting(), selecting);
        QCOMPARE(p->ui->lvXLSSelection->isVisible(), selecting);
        QCOMPARE(p->ui->lvXLSRanges->isVisible(), !selecting);
        QCOMPARE(p->ui->tbXLSRanges->isVisible(), !selecting);
        QStringList listed;
        for (const QString& r : sheetText(expected).split(u';', Qt::SkipEmptyParts))
            listed << r + u';';
        if (selecting)
            QCOMPARE(texts(p->ui->lvXLSSelection), listed);
        QCOMPARE(fieldTexts(p), (QStringList{"", "", ""}));
    }

    // Enter hands the selection to the field, replacing the ranges selected in its list.
    void enterApplies_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QList<int>>("selectedRanges");
        QTest::addColumn<QString>("gestures");
        QTest::addColumn<QString>("expected");
        QTest::newRow("added") << "A1;" << QList<int>{} << "^C2 ^C3 Enter"
                               << "A1;@C2-C3;";
        QTest::newRow("replaces the selected ranges")
            << "A1;A2;A3;" << QList<int>{0, 2} << "^C2 Enter"
            << "A2;@C2;";
        QTest::newRow("empty selection keeps the ranges") << "A1;" << QList<int>{0} << "C2 Enter"
                                                          << "A1;";
        QTest::newRow("escape keeps the ranges") << "A1;" << QList<int>{0} << "^C2 Esc Enter"
                                                 << "A1;";
    }
    void enterApplies()
    {
        QFETCH(QString, existing);
        QFETCH(QList<int>, selectedRanges);
        QFETCH(QString, gestures);
        QFETCH(QString, expected);
        WizardFixture fx;
        std::unique_ptr<TDurvel3WizardF> w;
        XlsPage* p = open(fx, w);
        QVERIFY(p);
        selectField(p, 1);
        p->FieldRow(1)->SetAsString(existing);
        selectField(p, 0);
        selectField(p, 1);
        QCOMPARE(texts(p->ui->lvXLSRanges).join(QString()), existing);
        // Choosing a field selects its first range; the clerk chooses others.
        QVERIFY(p->ui->lvXLSRanges->topLevelItem(0)->isSelected());
        p->ui->lvXLSRanges->clearSelection();
        for (int i : selectedRanges)
            p->ui->lvXLSRanges->topLevelItem(i)->setSelected(true);
        ::gestures(p, gestures);
        QCOMPARE(p->FieldRow(1)->GetAsString(), sheetText(expected));
        QCOMPARE(texts(p->ui->lvXLSRanges).join(QString()), sheetText(expected));
        QVERIFY(!p->XLSSelecting());
        QCOMPARE(p->MapReady(), true);
        QCOMPARE(w->ui->bNext->isEnabled(), true);
    }

    void autoFill_data()
    {
        QTest::addColumn<int>("sheet");
        QTest::addColumn<bool>("columns");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("columns") << 0 << true
                                 << QStringList{"@A-COLFINISH;", "@B-COLFINISH;", "@C-COLFINISH;"};
        QTest::newRow("rows") << 0 << false
                              << QStringList{"@1-ROWFINISH;", "@2-ROWFINISH;", "@3-ROWFINISH;"};
        QTest::newRow("fewer columns than fields")
            << 1 << true << QStringList{"[Sheet2]A-COLFINISH;", "[Sheet2]B-COLFINISH;", ""};
    }
    void autoFill()
    {
        QFETCH(int, sheet);
        QFETCH(bool, columns);
        QFETCH(QStringList, expected);
        WizardFixture fx;
        std::unique_ptr<TDurvel3WizardF> w;
        XlsPage* p = open(fx, w);
        QVERIFY(p);
        p->FieldRow(2)->SetAsString(QStringLiteral("Z9;"));
        p->ui->pcXLSFile->setCurrentIndex(sheet);
        QTest::mouseClick(columns ? p->ui->tbtXLSAutoFillCols : p->ui->tbtXLSAutoFillRows,
                          Qt::LeftButton);
        QStringList want;
        for (const QString& e : expected)
            want << sheetText(e);
        QCOMPARE(fieldTexts(p), want);
        QVERIFY(p->MapReady());
        QVERIFY(w->ui->bNext->isEnabled());
        QTest::mouseClick(p->ui->tbtXLSClearAllRanges, Qt::LeftButton);
        QCOMPARE(fieldTexts(p), (QStringList{"", "", ""}));
        QVERIFY(!p->MapReady());
        QVERIFY(!w->ui->bNext->isEnabled());
    }

    // The range list's buttons: add and edit through the editor, move, delete.
    void rangeButtons_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("editorCell"); // typed as a cell into the editor
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("expectedCurrent");
        QTest::newRow("add") << "A1;" << 0 << "tbtXLSAddRange"
                             << "C7"
                             << "A1;@C7;" << 1;
        QTest::newRow("add cancelled") << "A1;" << 0 << "tbtXLSAddRange"
                                       << ""
                                       << "A1;" << 0;
        QTest::newRow("edit") << "A1;B1;" << 1 << "tbtXLSEditRange"
                              << "D4"
                              << "A1;@D4;" << 1;
        QTest::newRow("move up") << "A1;B1;C1;" << 2 << "tbtXLSMoveRangeUp"
                                 << ""
                                 << "A1;C1;B1;" << 1;
        QTest::newRow("move down") << "A1;B1;C1;" << 0 << "tbtXLSMoveRangeDown"
                                   << ""
                                   << "B1;A1;C1;" << 1;
        QTest::newRow("delete") << "A1;B1;C1;" << 1 << "tbtXLSDelRange"
                                << ""
                                << "A1;C1;" << 1;
    }
    void rangeButtons()
    {
        QFETCH(QString, start);
        QFETCH(int, current);
        QFETCH(QString, button);
        QFETCH(QString, editorCell);
        QFETCH(QString, expected);
        QFETCH(int, expectedCurrent);
        WizardFixture fx;
        std::unique_ptr<TDurvel3WizardF> w;
        XlsPage* p = open(fx, w);
        QVERIFY(p);
        p->FieldRow(0)->SetAsString(start);
        selectField(p, 1);
        selectField(p, 0);
        p->ui->lvXLSRanges->clearSelection();
        p->ui->lvXLSRanges->setCurrentItem(p->ui->lvXLSRanges->topLevelItem(current));
        QStringList sheets;
        if (button.endsWith(QLatin1String("AddRange")) || button.endsWith(QLatin1String("Edit"
                                                                                        "Range")))
            QTimer::singleShot(0, this, [&] {
                auto* d = qobject_cast<TfmDurvel3XLSRangeEdit*>(QApplication::activeModalWidget());
                QVERIFY(d);
                for (int i = 0; i < d->ui->edSheetName->count(); ++i)
                    sheets << d->ui->edSheetName->itemText(i);
                if (editorCell.isEmpty()) {
                    d->ui->bCancel->click();
                    return;
                }
                d->ui->cbRangeType->setCurrentIndex(2);
                d->ui->edColRowCell->setText(editorCell);
                d->ui->rbCustomSheet->setChecked(true);
                d->ui->rbSheetName->setChecked(true);
                d->ui->edSheetName->setCurrentIndex(0);
                d->ui->bOk->click();
            });
        auto* b = p->findChild<QToolButton*>(button);
        QVERIFY(b && b->isEnabled());
        QTest::mouseClick(b, Qt::LeftButton);
        if (!sheets.isEmpty())
            QCOMPARE(sheets, (QStringList{kPeople, "Sheet2", "Dates"}));
        QCOMPARE(p->FieldRow(0)->GetAsString(), sheetText(expected));
        QCOMPARE(texts(p->ui->lvXLSRanges).join(QString()), sheetText(expected));
        QCOMPARE(p->CurrentRange(), expectedCurrent);
    }

    // Equal ends at the first row (column) keep the run, whether the range is added or edited;
    // equal ends further on make one cell either way.
    void equalEndsThroughTheButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("type"); // the editor's range type: 0 Col, 1 Row
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("end"); // start and finish
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("kind");
        for (const bool add : {true, false}) {
            const char* button = add ? "tbtXLSAddRange" : "tbtXLSEditRange";
            const char* how = add ? "added" : "edited";
            QTest::addRow("%s: column C, rows 1 to 1", how) << button << 0 << "C"
                                                            << "1"
                                                            << "C1-C1;" << int(TMapRange::rkColumn);
            QTest::addRow("%s: row 7, columns A to A", how) << button << 1 << "7"
                                                            << "A"
                                                            << "A7-A7;" << int(TMapRange::rkRow);
            QTest::addRow("%s: column C, rows 5 to 5", how) << button << 0 << "C"
                                                            << "5"
                                                            << "C5;" << int(TMapRange::rkCell);
        }
    }
    void equalEndsThroughTheButtons()
    {
        QFETCH(QString, button);
        QFETCH(int, type);
        QFETCH(QString, line);
        QFETCH(QString, end);
        QFETCH(QString, expected);
        QFETCH(int, kind);
        WizardFixture fx;
        std::unique_ptr<TDurvel3WizardF> w;
        XlsPage* p = open(fx, w);
        QVERIFY(p);
        p->FieldRow(0)->SetAsString(QStringLiteral("B2;"));
        selectField(p, 1);
        selectField(p, 0);
        p->ui->lvXLSRanges->setCurrentItem(p->ui->lvXLSRanges->topLevelItem(0));
        QTimer::singleShot(0, this, [&] {
            auto* d = qobject_cast<TfmDurvel3XLSRangeEdit*>(QApplication::activeModalWidget());
            QVERIFY(d);
            d->ui->cbRangeType->setCurrentIndex(type);
            d->ui->edColRowCell->setText(line);
            d->ui->rbStartColRow->setChecked(true);
            d->ui->edStartColRow->setText(end);
            d->ui->rbFinishColRow->setChecked(true);
            d->ui->edFinishColRow->setText(end);
            d->ui->rbDefaultSheet->setChecked(true);
            d->ui->bOk->click();
        });
        QTest::mouseClick(p->findChild<QToolButton*>(button), Qt::LeftButton);
        const bool added = button.endsWith(QLatin1String("AddRange"));
        const TMapRow* field = p->FieldRow(0);
        QCOMPARE(field->Count(), added ? 2 : 1);
        QCOMPARE(int(field->GetItem(field->Count() - 1)->Kind()), kind);
        const QString all = added ? QStringLiteral("B2;") + expected : expected;
        QCOMPARE(field->GetAsString(), all);
        QCOMPARE(texts(p->ui->lvXLSRanges).join(QString()), all);
    }

    // The field list shows all the field's ranges while it has the focus, the range list only
    // the current range.
    void highlight()
    {
        WizardFixture fx;
        std::unique_ptr<TDurvel3WizardF> w;
        XlsPage* p = open(fx, w);
        QVERIFY(p);
        p->FieldRow(0)->SetAsString(QStringLiteral("A1;B2;"));
        selectField(p, 1);
        selectField(p, 0);
        p->ui->lvXLSFields->setFocus();
        QCOMPARE(p->XLSHighlight()->GetAsString(), QStringLiteral("A1;B2;"));
        p->ui->lvXLSRanges->setFocus();
        p->ui->lvXLSRanges->setCurrentItem(p->ui->lvXLSRanges->topLevelItem(1));
        QCOMPARE(p->XLSHighlight()->GetAsString(), QStringLiteral("B2;"));
    }

    // A workbook the reader refuses: its message, no sheet shown, read again next time.
    void damagedWorkbook()
    {
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(aiXLS);
        QFile book(m_book);
        QVERIFY(book.open(QIODevice::ReadOnly));
        w->ui->edtFileName->setText(fx.file("cut.xls", book.read(book.size() / 2)));
        MessageLog log;
        w->ui->bNext->click();
        QCOMPARE(log.texts().size(), 1);
        auto* p = qobject_cast<XlsPage*>(w->Page(aiXLS));
        QCOMPARE(p->ui->pcXLSFile->count(), 0);
        QVERIFY(w->NeedReload);
        QVERIFY(!w->ui->bNext->isEnabled());
    }

    void sourceChangedForgetsTheWorkbook()
    {
        WizardFixture fx;
        std::unique_ptr<TDurvel3WizardF> w;
        XlsPage* p = open(fx, w);
        QVERIFY(p);
        p->FieldRow(0)->SetAsString(QStringLiteral("A1;"));
        p->FieldRow(2)->SetAsString(QStringLiteral("B-COLFINISH;"));
        p->ui->edXLSSkipCols->setText(QStringLiteral("2"));
        p->ui->edXLSSkipRows->setText(QStringLiteral("x"));
        QCOMPARE(p->XLSSkipCols(), 2);
        QCOMPARE(p->XLSSkipRows(), 0);
        p->ui->edXLSSkipRows->setText(QStringLiteral("1"));
        w->ui->bBack->click();
        QFile::copy(m_book, fx.dir.filePath("other.xls"));
        w->ui->edtFileName->setText(fx.dir.filePath("other.xls"));
        QCOMPARE(fieldTexts(p), (QStringList{"", "", ""}));
        QCOMPARE(p->ui->lvXLSRanges->topLevelItemCount(), 0);
        QCOMPARE(p->ui->pcXLSFile->count(), 0);
        QCOMPARE(p->XLSSkipCols(), 0);
        QCOMPARE(p->XLSSkipRows(), 0);
        QCOMPARE(p->ui->edXLSSkipCols->text(), QStringLiteral("0"));
        QVERIFY(!p->MapReady());
        QVERIFY(w->NeedReload);
        w->ui->bNext->click();
        QCOMPARE(p->ui->pcXLSFile->count(), 3);
    }

    // A template's map: keys matched without case, unknown ones skipped, fields without a key
    // keep their ranges; a value that does not parse changes no field.
    void loadTemplateMap_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("error");
        QTest::newRow("keys without case")
            << "[XLS_MAP]\nNAME=[:2]B1-B3;\nnobody=A1;\n[XLS_OPTIONS]\nSkipRows=1\n"
            << QStringList{"Z1;", "[:2]B1-B3;", ""} << "";
        QTest::newRow("bad value") << "[XLS_MAP]\nCode=A1;\nAmount=A1-B9;\n"
                                   << QStringList{"Z1;", "", ""} << "Amount: ";
    }
    void loadTemplateMap()
    {
        QFETCH(QString, section);
        QFETCH(QStringList, expected);
        QFETCH(QString, error);
        WizardFixture fx;
        auto w = fx.window();
        w->SetImportType(aiXLS);
        auto* p = qobject_cast<XlsPage*>(w->Page(aiXLS));
        p->FieldRow(0)->SetAsString(QStringLiteral("Z1;"));
        const QString path = fx.file("t.imp", section.toUtf8());
        const IniFile ini(path);
        QString message;
        try {
            p->LoadTemplate(ini);
        } catch (const EMapRangeError& e) {
            message = e.message();
        }
        QCOMPARE(message.left(error.size()), error);
        QCOMPARE(message.isEmpty(), error.isEmpty());
        QCOMPARE(fieldTexts(p), expected);
        QCOMPARE(p->XLSSkipRows(), error.isEmpty() ? 1 : 0);
    }
};

QTEST_MAIN(TestPageXls)
#include "test_page_xls.moc"
