#include "platform/dialogs/Dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpacerItem>

namespace dialogs {

namespace {

QString g_title;
MessageHandler g_messageHandler;
FileHandler g_fileHandler;

QMessageBox::Icon toQt(Icon icon)
{
    switch (icon) {
    case Icon::Information:
    case Icon::Confirmation:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Error:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The verb prefix "مي" (and "نمي") is written with a space before its verb; a line break
// there would read as two words, so the space after it does not break.
QString keepVerbsWhole(QString text)
{
    static const QRegularExpression prefix(
        QStringLiteral("(^|[\\s\\x{200C}])(\\x{0646}?\\x{0645}[\\x{064A}\\x{06CC}]) (?=\\S)"));
    return text.replace(prefix, QStringLiteral("\\1\\2") + QChar(0x00A0));
}

// Room for the title in the window manager's title bar, beside its icon and buttons: a box
// as narrow as a short message would show only a few letters of it.
int titleRoom(const QMessageBox& box)
{
    QFont f = box.font();
    f.setBold(true);
    const QFontMetrics fm(f);
    const int room = fm.horizontalAdvance(box.windowTitle()) + 7 * fm.height();
    const QScreen* screen = box.screen();
    return screen ? qMin(room, screen->availableGeometry().width() / 2) : room;
}

// A text taller than the screen would push the buttons off it: the text scrolls in a box of
// its own, as tall as the screen leaves room for.
void scrollTallText(QMessageBox& box)
{
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    const QScreen* screen = box.screen();
    if (!label || !grid || !screen)
        return;
    const QRect area = screen->availableGeometry();
    grid->activate();
    const int text = label->sizeHint().height();
    const int rest = qMax(0, box.sizeHint().height() - text);
    // The window manager's title bar and borders, generously.
    const int frame = qMax(40, 2 * box.fontMetrics().height()) + 16;
    const int room = area.height() - frame - rest;
    if (text <= room)
        return;
    const int index = grid->indexOf(label);
    int row = 0, column = 0, rowSpan = 1, columnSpan = 1;
    grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    grid->removeWidget(label);
    auto* scroll = new QScrollArea(&box);
    scroll->setObjectName(QStringLiteral("textScroll"));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    label->setWordWrap(true);
    scroll->setWidget(label);
    const int bar = scroll->verticalScrollBar()->sizeHint().width();
    scroll->setMinimumWidth(
        qMin(label->sizeHint().width() + bar + 2 * scroll->frameWidth() + 4, area.width() * 3 / 4));
    scroll->setFixedHeight(qMax(room, 4 * label->fontMetrics().lineSpacing()));
    grid->addWidget(scroll, row, column, rowSpan, columnSpan);
}

} // namespace

void setApplicationTitle(const QString& title)
{
    g_title = title;
}
QString applicationTitle()
{
    return g_title;
}

void setMessageHandler(MessageHandler handler)
{
    g_messageHandler = std::move(handler);
}
void setFileHandler(FileHandler handler)
{
    g_fileHandler = std::move(handler);
}

Button show(const Message& message, QWidget* parent)
{
    if (g_messageHandler)
        return g_messageHandler(message);

    QMessageBox box(parent);
    box.setWindowTitle(message.title.isEmpty() ? g_title : message.title);
    QString text = message.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    box.setText(keepVerbsWhole(text));
    box.setIcon(toQt(message.icon));
    box.setLayoutDirection(message.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);

    struct Entry
    {
        Button button;
        QMessageBox::StandardButton qt;
    };
    const Entry order[] = {{Button::Yes, QMessageBox::Yes},
                           {Button::No, QMessageBox::No},
                           {Button::Ok, QMessageBox::Ok},
                           {Button::Cancel, QMessageBox::Cancel}};
    QList<QPair<QAbstractButton*, Button>> made;
    for (const Entry& e : order) {
        if (!message.buttons.testFlag(e.button))
            continue;
        QAbstractButton* b = box.addButton(e.qt);
        if (made.size() < message.captions.size())
            b->setText(message.captions.at(made.size()));
        made.append({b, e.button});
    }
    if (made.isEmpty())
        made.append({box.addButton(QMessageBox::Ok), Button::Ok});
    // Captions alone, centred and whole: the style's icons push short Persian captions aside
    // and clip them.
    for (const auto& m : made) {
        m.first->setIcon(QIcon());
        const int textWidth = m.first->fontMetrics().horizontalAdvance(m.first->text());
        m.first->setMinimumWidth(qMax(m.first->sizeHint().width(), textWidth + 32));
    }
    for (const auto& m : made)
        if (m.second == message.defaultButton)
            box.setDefaultButton(qobject_cast<QPushButton*>(m.first));
    // Escape: No in a Yes/No box, else Cancel, else the only button.
    for (const auto& m : made)
        if (m.second == Button::No || m.second == Button::Cancel)
            box.setEscapeButton(m.first);
    if (made.size() == 1)
        box.setEscapeButton(made.first().first);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleRoom(box), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    scrollTallText(box);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const auto& m : made)
        if (m.first == clicked)
            return m.second;
    return message.buttons.testFlag(Button::No) ? Button::No : Button::Cancel;
}

void showError(const QString& text, QWidget* parent)
{
    Message m;
    m.title = g_title;
    m.text = text;
    m.icon = Icon::Error;
    m.buttons = Button::Ok;
    m.captions = {QStringLiteral("تائيد")};
    show(m, parent);
}

QString nameFilter(const QString& filter)
{
    // "*.*" means every file; as a pattern here it would hide names without a dot.
    static const QRegularExpression everyFile(QStringLiteral(R"((?<![^\s(;])\*\.\*(?=[\s);]|$))"));
    return QString(filter).replace(everyFile, QStringLiteral("*"));
}

QString chooseFile(const FileRequest& original, QWidget* parent)
{
    FileRequest request = original;
    request.filter = nameFilter(request.filter);
    if (g_fileHandler)
        return g_fileHandler(request);
    QFileDialog dlg(parent, request.caption, request.directory, request.filter);
    // Paths, names and sizes read left to right, whatever the window's direction.
    dlg.setLayoutDirection(Qt::LeftToRight);
    dlg.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.defaultSuffix.isEmpty())
        dlg.setDefaultSuffix(request.defaultSuffix);
    if (request.save && !request.directory.isEmpty())
        dlg.selectFile(request.directory);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().constFirst();
}

} // namespace dialogs
