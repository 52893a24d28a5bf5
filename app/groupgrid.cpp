#include "app/groupgrid.h"

#include "app/core/clipboardrows.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace {

// Keys typed into a cell: characters 32 to 47 and above "9" are dropped (digits only).
class DigitsDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            e->setLayoutDirection(Qt::LeftToRight);
            // A right click on the cell being edited shows the grid's menu, not the box's.
            if (auto* view = qobject_cast<QAbstractItemView*>(parent->parentWidget())) {
                e->setContextMenuPolicy(Qt::CustomContextMenu);
                QObject::connect(e, &QWidget::customContextMenuRequested, view,
                                 [view, e](const QPoint& p) {
                                     emit view->customContextMenuRequested(
                                         view->viewport()->mapFromGlobal(e->mapToGlobal(p)));
                                 });
            }
            QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString& s) {
                QString d;
                for (QChar c : s) {
                    if (c.isDigit())
                        d += QChar(u'0' + c.digitValue());
                }
                if (d != s) {
                    const int pos = e->cursorPosition() - int(s.size() - d.size());
                    e->setText(d);
                    e->setCursorPosition(qMax(0, pos));
                }
            });
        }
        return w;
    }
};

} // namespace

TGroupGrid::TGroupGrid(QWidget* parent) : QTableWidget(kRows - 1, kColumns - 1, parent)
{
    setItemDelegate(new DigitsDelegate(this));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    // Typing edits the current cell at once; a press does not open the editor, so that a
    // mouse drag selects a range of cells.
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    // The running number is the grid's own column: no second one beside it.
    verticalHeader()->setVisible(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setDefaultSectionSize(20);
    setTitles();
}

void TGroupGrid::setTitles()
{
    setHorizontalHeaderLabels(
        {QStringLiteral("R"), QStringLiteral("شماره حساب"), QStringLiteral("مبلغ")});
}

QString TGroupGrid::cell(int col, int row) const
{
    if (col < 1 || col >= kColumns || row < 1 || row > rowCount())
        return QString();
    const QTableWidgetItem* it = item(row - 1, col - 1);
    return it ? it->text() : QString();
}

void TGroupGrid::setCell(int col, int row, const QString& text)
{
    if (col < 1 || col >= kColumns || row < 1 || row > rowCount())
        return;
    QTableWidgetItem* it = item(row - 1, col - 1);
    if (!it) {
        if (text.isEmpty())
            return;
        it = new QTableWidgetItem;
        setItem(row - 1, col - 1, it);
    }
    it->setText(text);
}

int TGroupGrid::pasteText(const QString& text, QString* errors)
{
    setFocus();
    setCurrentCell(0, 0);
    const QList<QStringList> rows = SplitClipboardRows(text);
    int count = 0;
    QString bad;
    setUpdatesEnabled(false);
    for (const QStringList& fields : rows) {
        if (count + 1 > rowCount())
            break;
        ++count;
        setCell(1, count, QString::number(count));
        setCell(2, count, fields.value(0));
        setCell(3, count, fields.value(1));
        if (fields.value(0).startsWith(u'?'))
            bad += u' ' + QString::number(count);
    }
    setUpdatesEnabled(true);
    if (errors)
        *errors = bad;
    return count;
}

QString TGroupGrid::selectionText() const
{
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    if (ranges.isEmpty())
        return QString();
    const QTableWidgetSelectionRange& r = ranges.first();
    QStringList lines;
    for (int row = r.topRow(); row <= r.bottomRow(); ++row) {
        QStringList cells;
        for (int col = r.leftColumn(); col <= r.rightColumn(); ++col) {
            const QTableWidgetItem* it = item(row, col);
            cells << (it ? it->text() : QString());
        }
        lines << cells.join(u'\t');
    }
    return lines.join(QLatin1String("\r\n"));
}

void TGroupGrid::deleteCurrentRow()
{
    const int cur = currentRow();
    if (cur < 0)
        return;
    if (rowCount() == 1) {
        for (int c = 0; c < columnCount(); ++c)
            delete takeItem(0, c);
        return;
    }
    removeRow(cur);
}

void TGroupGrid::clearAll()
{
    setTitles();
    clearContents();
    setFocus();
    setCurrentCell(0, 0);
}

void TGroupGrid::keyPressEvent(QKeyEvent* event)
{
    const QString t = event->text();
    if (!t.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QChar c = t.at(0);
        const ushort u = c.unicode();
        if ((u >= 32 && u <= 47) || (u > '9' && !c.isDigit())) {
            event->ignore();
            return;
        }
    }
    QTableWidget::keyPressEvent(event);
}

TGroupGrid::Widths TGroupGrid::columnWidths() const
{
    // Each column as wide as its longest value and its title: a twenty-digit account, an amount
    // of fifteen digits with its separators, a four-digit running number.
    const QFontMetrics fm = fontMetrics();
    const QFontMetrics title = horizontalHeader()->fontMetrics();
    const int pad = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 12;
    auto titleWidth = [&](int col) {
        const QTableWidgetItem* h = horizontalHeaderItem(col);
        return h ? title.horizontalAdvance(h->text()) + 16 : 0;
    };
    Widths w;
    w.number = qMax(fm.horizontalAdvance(QStringLiteral("00000")) + pad, titleWidth(0));
    w.account = qMax(fm.horizontalAdvance(QString(20, u'0')) + pad, titleWidth(1));
    w.amount = qMax(fm.horizontalAdvance(QStringLiteral("999,999,999,999,999")) + pad, titleWidth(2));
    return w;
}

QSize TGroupGrid::minimumSizeHint() const
{
    const Widths w = columnWidths();
    const int frame = 2 * frameWidth();
    const int scroll = verticalScrollBar()->sizeHint().width();
    return QSize(w.number + w.account + w.amount + frame + scroll,
                 QTableWidget::minimumSizeHint().height());
}

void TGroupGrid::resizeEvent(QResizeEvent* event)
{
    QTableWidget::resizeEvent(event);
    // All three columns in view and none of them cut: the running number and the amount as
    // wide as their largest values, the account taking the rest.
    const Widths w = columnWidths();
    horizontalHeader()->setMinimumSectionSize(qMin(w.number, w.amount));
    horizontalHeader()->setDefaultSectionSize(w.amount);
    setColumnWidth(0, w.number);
    setColumnWidth(1, qMax(w.account, viewport()->width() - w.number - w.amount));
}

void TGroupGrid::changeEvent(QEvent* event)
{
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateGeometry();
}
