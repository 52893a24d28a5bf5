#include "import/wizard/ListViewDestination.h"
#include "tests/import/engine/listview_cases.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QtTest>

namespace {

// A list as a window would hold it: a header of captions over top-level items.
class QtList : public listviewcases::Fixture
{
public:
    QtList(const QStringList& captions, const QList<QStringList>& items) : m_destination(&m_list)
    {
        m_list.setColumnCount(int(captions.size()));
        m_list.setHeaderLabels(captions);
        m_list.setRootIsDecorated(false);
        for (const QStringList& texts : items)
            m_list.addTopLevelItem(new QTreeWidgetItem(texts));
    }
    DurvelListView& View() override { return m_destination; }
    QList<QStringList> Items() const override
    {
        QList<QStringList> out;
        for (int i = 0; i < m_list.topLevelItemCount(); ++i) {
            QStringList texts;
            for (int c = 0; c < m_list.columnCount(); ++c)
                texts << m_list.topLevelItem(i)->text(c);
            out << texts;
        }
        return out;
    }
    bool Updating() const override { return !m_list.updatesEnabled(); }
    QTreeWidget& List() { return m_list; }

private:
    QTreeWidget m_list;
    DurvelListViewDestination m_destination;
};

} // namespace

class TestListViewDestination : public QObject
{
    Q_OBJECT

private slots:
    // The engine's list-view cases, on the Qt list.
    void engineCases_data() { listviewcases::addData(); }
    void engineCases()
    {
        listviewcases::run([](const QStringList& captions, const QList<QStringList>& items) {
            return std::make_unique<QtList>(captions, items);
        });
    }

    // A list the clerk sorted keeps every written item where it was added while the import
    // writes its columns (each item is found again by its place), and is sorted at the end.
    void sortedListSortedOnceAtTheEnd()
    {
        QtList list({"Code", "Name"}, {{"M5", "Mina"}, {"B2", "Reza"}});
        list.List().setSortingEnabled(true);
        list.List().sortByColumn(0, Qt::AscendingOrder);
        QCOMPARE(list.Items(), (QList<QStringList>{{"B2", "Reza"}, {"M5", "Mina"}}));
        listviewcases::Reader imp;
        imp.ImportDestination = didListView;
        imp.ListView = &list.View();
        imp.ImportMode = dimUpdateOrInsert;
        imp.KeyColumns().Add("Code");
        imp.Map().Add("Code=1");
        imp.Map().Add("Name=2");
        imp.Lines = {{"Z9", "Zahra"}, {"A1", "Ali"}, {"M5", "Mina K"}};
        QVERIFY(imp.Execute());
        QCOMPARE(list.Items(), (QList<QStringList>{
                                   {"A1", "Ali"}, {"B2", "Reza"}, {"M5", "Mina K"}, {"Z9", "Zahra"}}));
        QVERIFY(list.List().isSortingEnabled());
        QVERIFY(list.List().updatesEnabled());
    }

    // A list whose painting its window had switched off is left so.
    void updatesStateGivenBack()
    {
        QtList list({"Code"}, {});
        list.List().setUpdatesEnabled(false);
        DurvelListView& view = list.View();
        view.beginUpdate();
        view.beginUpdate();
        view.endUpdate();
        QVERIFY(!list.List().updatesEnabled());
        view.endUpdate();
        QVERIFY(!list.List().updatesEnabled());
        QCOMPARE(view.columnCaption(0), QStringLiteral("Code"));
        QCOMPARE(view.columnCaption(1), QString());
        QCOMPARE(view.itemText(5, 0), QString());
    }
};

QTEST_MAIN(TestListViewDestination)
#include "test_listview_destination.moc"
