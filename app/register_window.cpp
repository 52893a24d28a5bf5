#include "app/register_window.h"

#include "app/core/banklines.h"
#include "app/helpers.h"
#include "app/u_dm.h"
#include "controls/persian/DBNavBar.h"
#include "platform/dataaware/DBGrid.h"
#include "platform/dataaware/EditRules.h"
#include "platform/db/DbError.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>

#include <stdexcept>

const QString RegisterWindow::InsertCaption = QStringLiteral("  (F2)ثبـت");
const QString RegisterWindow::EditCaption = QStringLiteral("ثبت تغييرات(F2)");
const QString RegisterWindow::kEditedRowGone =
    QStringLiteral("رکورد در حال ويرايش حذف شده است و تغييرات ثبت نشد.") + u'\r' +
    QStringLiteral("اطلاعات وارد شده باقي ماند؛ براي ثبت آن به عنوان رکورد جديد دوباره ثبت کنيد");

RegisterWindow::RegisterWindow(QWidget* parent) : QWidget(parent) {}

void RegisterWindow::setupRegister(db::DataSet* query, const QString& table,
                                   const QList<Box>& boxes,
                                   const QList<dataaware::DataSetModel::Column>& columns)
{
    m_query = query;
    m_table = table;
    m_boxes = boxes;
    btn_save = RequireChild<QPushButton>(this, "btn_save");
    btn_new = RequireChild<QPushButton>(this, "btn_new");
    btn_edit = RequireChild<QPushButton>(this, "btn_edit");
    btn_del = RequireChild<QPushButton>(this, "btn_del");
    btn_cancel = RequireChild<QPushButton>(this, "btn_cancel");
    DBGrid1 = RequireChild<dataaware::DBGrid>(this, "DBGrid1");
    DBNavigator1 = RequireChild<TDBNavBar>(this, "DBNavigator1");

    // Typing stops at the field's size; a value put into a box by code is never cut.
    const db::TableInfo& info = frm_dm->Connection->tableInfo(table);
    for (const Box& b : boxes) {
        const int i = info.indexOf(b.field);
        if (!b.edit || i < 0)
            throw std::logic_error(QStringLiteral("The window %1 has no box for the field %2.%3.")
                                       .arg(objectName(), table, b.field)
                                       .toStdString());
        const int size = info.columns[i].size;
        const int limit = dataaware::typingLimit(b.edit);
        if (size > 0 && (limit <= 0 || limit > size))
            dataaware::setTypingLimit(b.edit, size);
        dataaware::selectOnEntry(b.edit);
    }

    // Column widths were chosen for the ordinary font: they grow with a larger one, and never
    // leave a title cut.
    QList<dataaware::DataSetModel::Column> sized = columns;
    const double growth = FontGrowth(DBGrid1);
    const QFontMetrics title = DBGrid1->horizontalHeader()->fontMetrics();
    for (dataaware::DataSetModel::Column& c : sized) {
        if (c.width <= 0)
            continue;
        QString label = c.title;
        if (const int i = info.indexOf(c.field); label.isEmpty() && i >= 0)
            label = info.columns[i].label.isEmpty() ? c.field : info.columns[i].label;
        c.width = qMax(qRound(c.width * growth), title.horizontalAdvance(label) + 20);
        // The key grows with the register: six digits are shown whole.
        if (c.field.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0)
            c.width = qMax(c.width, RecordNumberWidth(DBGrid1));
        // A short field (an account) is shown whole at its longest.
        if (const int i = info.indexOf(c.field); i >= 0 && info.columns[i].size > 0 &&
                                                 info.columns[i].size <= 16)
            c.width = qMax(c.width, DBGrid1->fontMetrics().horizontalAdvance(
                                        QString(info.columns[i].size, u'0')) + 16);
    }
    DBGrid1->setIndicator(true);
    DBGrid1->setDataSet(query, sized);
    SetupNavigator(DBNavigator1, query, {nbFirst, nbPrior, nbNext, nbLast});

    connect(btn_save, &QPushButton::clicked, this, &RegisterWindow::btn_saveClick);
    connect(btn_new, &QPushButton::clicked, this, &RegisterWindow::btn_newClick);
    connect(btn_edit, &QPushButton::clicked, this, &RegisterWindow::btn_editClick);
    connect(btn_del, &QPushButton::clicked, this, &RegisterWindow::btn_delClick);
    connect(btn_cancel, &QPushButton::clicked, this, &RegisterWindow::btn_cancelClick);

    // The form sees every key before the control that has the focus.
    for (QWidget* w : findChildren<QWidget*>())
        if (w->focusPolicy() != Qt::NoFocus)
            w->installEventFilter(this);

    // As large as the desktop's font needs, the designed size at least.
    GrowToFit(this);
}

void RegisterWindow::onKeyDown(QLineEdit* box, std::function<bool(QKeyEvent*)> handler)
{
    m_keyDown.insert(box, std::move(handler));
}

bool RegisterWindow::isEditMode() const
{
    return btn_save->text() == EditCaption;
}

qint64 RegisterWindow::currentId() const
{
    if (!m_query->isActive() || m_query->isEditing() || m_query->currentRow() < 0)
        return -1;
    const QVariant id = m_query->value(QStringLiteral("id"));
    return id.isNull() ? -1 : id.toLongLong();
}

void RegisterWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        guarded([this] { FormShow(); });
}

void RegisterWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        guarded([this] { FormClose(); });
}

void RegisterWindow::keepColour(QLabel* label, const QColor& colour)
{
    m_colours.append({label, colour});
    SetLabelColour(label, colour);
}

void RegisterWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        for (const auto& [label, colour] : std::as_const(m_colours))
            SetLabelColour(label, colour);
}

void RegisterWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Where no window manager holds the window to its minimum size, it can be squeezed until
    // the buttons' captions are cut: it takes its minimum back.
    if (isWindow() && event->size().expandedTo(minimumSize()) != event->size())
        QTimer::singleShot(0, this, [this] { resize(size().expandedTo(minimumSize())); });
}

void RegisterWindow::FormShow()
{
    // Read afresh: a list window may have left the query open on older rows.
    m_query->close();
    m_query->open();
}

void RegisterWindow::FormClose()
{
    m_query->close();
}

void RegisterWindow::reopen()
{
    m_query->close();
    m_query->open();
}

void RegisterWindow::btn_newClick()
{
    for (const Box& b : m_boxes)
        b.edit->clear();
    m_boxes.first().edit->setFocus();
    m_editedId = -1;
    btn_save->setText(InsertCaption);
}

void RegisterWindow::btn_editClick()
{
    guarded([this] {
        const qint64 id = currentId();
        if (id < 0)
            return;
        for (const Box& b : m_boxes)
            b.edit->setText(m_query->text(b.field));
        // The row is remembered now: moving in the grid before saving must not change it.
        m_editedId = id;
        btn_save->setText(EditCaption);
    });
}

void RegisterWindow::btn_delClick()
{
    guarded([this] {
        const qint64 id = currentId();
        if (id < 0)
            return;
        if (!askDelete())
            return;
        const int at = m_query->currentRow();
        ExecSql(QStringLiteral("delete from %1 where id=:id").arg(m_table),
                {{QStringLiteral("id"), id}});
        reopen();
        // The clerk goes on from the row that took the deleted one's place (the new last row
        // when the last went), not from the top of the register.
        if (at > 0 && !m_query->isEmpty())
            m_query->setRecNo(at + 1);
        // The row being edited is gone: nothing is left for edit mode to save into.
        if (isEditMode() && id == m_editedId)
            btn_newClick();
    });
}

bool RegisterWindow::askDelete()
{
    return AskYesNo(QStringLiteral("آيا مايل به حذف هستيد؟"), dialogs::Icon::Warning,
                    dialogs::Button::Yes | dialogs::Button::No,
                    QStringLiteral("حذف رکورد")) != dialogs::Button::No;
}

void RegisterWindow::btn_cancelClick()
{
    close();
}

bool RegisterWindow::isTaken(const QString& field, const QString& value) const
{
    OpenSql(
        QStringLiteral("select id from %1 where %2=:value and id<>:id").arg(m_table, field),
        frm_dm->public_ado2,
        {{QStringLiteral("value"), value}, {QStringLiteral("id"), isEditMode() ? m_editedId : -1}});
    const bool taken = !frm_dm->public_ado2->isEmpty();
    frm_dm->public_ado2->close();
    return taken;
}

bool RegisterWindow::writeRow(const QVariantMap& values)
{
    // Written through a data set, so text longer than its field is refused with a message.
    db::DataSet* q = frm_dm->public_ado;
    const bool edit = isEditMode();
    OpenSql(QStringLiteral("select * from %1 where id=:id").arg(m_table), q,
            {{QStringLiteral("id"), edit ? m_editedId : -1}});
    try {
        if (edit) {
            if (q->isEmpty()) {
                q->close();
                return false;
            }
            q->edit();
        } else {
            q->append();
        }
        for (auto it = values.begin(); it != values.end(); ++it)
            q->setValue(it.key(), it.value());
        q->post();
    } catch (...) {
        q->cancel();
        q->close();
        throw;
    }
    q->close();
    return true;
}

void RegisterWindow::saveRow(const QVariantMap& values, const QString& editedMessage)
{
    const bool edit = isEditMode();
    const bool written = writeRow(values);
    if (!edit) {
        btn_newClick();
        reopen();
        confirm(QStringLiteral("اطلاعات ثبت شد"), QStringLiteral("ثبت اطلاعات"));
        return;
    }
    reopen();
    if (!written) {
        // The row went while it was being edited (an import in delete mode can take it): what
        // the clerk typed stays, and a second save adds it as a new row.
        m_editedId = -1;
        btn_save->setText(InsertCaption);
        refuse(kEditedRowGone, m_boxes.first().edit);
        return;
    }
    confirm(editedMessage);
    btn_newClick();
}

void RegisterWindow::guarded(const std::function<void()>& body)
{
    Guarded(this, body);
}

void RegisterWindow::refuse(const QString& message, QLineEdit* box)
{
    ShowOkMessage(message, dialogs::Icon::Warning, dialogs::Button::Ok, QString());
    box->setFocus();
}

void RegisterWindow::confirm(const QString& message, const QString& caption)
{
    ShowOkMessage(message, dialogs::Icon::Confirmation, dialogs::Button::Ok, caption);
}

bool RegisterWindow::FormKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        focusNextChild();
        return true;
    case Qt::Key_Up:
        focusPreviousChild();
        return true;
    case Qt::Key_Escape:
        btn_cancel->click();
        return true;
    default:
        return false;
    }
}

bool RegisterWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* ke = static_cast<QKeyEvent*>(event);
    bool taken = FormKeyDown(ke);
    if (auto it = m_keyDown.constFind(qobject_cast<QLineEdit*>(watched));
        it != m_keyDown.constEnd())
        taken = it.value()(ke) || taken;
    return taken;
}
