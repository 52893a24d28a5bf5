#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Every message box and file dialog of the program goes through here, so that one place
// sets their look (title, reading order) and tests can answer them without a modal loop.
namespace dialogs {

enum class Icon { None, Information, Warning, Error, Question, Confirmation };

enum class Button { None = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8 };
Q_DECLARE_FLAGS(Buttons, Button)

struct Message
{
    QString title;
    QString text; // as the caller gave it; a carriage return breaks the line
    Icon icon = Icon::None;
    Buttons buttons = Button::Ok;
    QStringList captions; // captions of the push buttons, in order; empty keeps the default
    Button defaultButton = Button::None; // None: the first button
    bool rightToLeft = true;
};

// Shows a modal box and returns the button pressed. Escape gives No in a Yes/No box and
// Cancel (or the only button) otherwise.
Button show(const Message& message, QWidget* parent = nullptr);

// The program's title for boxes that have none of their own.
void setApplicationTitle(const QString& title);
QString applicationTitle();

// A stop-icon box titled with the application title: failures that reach an event handler.
void showError(const QString& text, QWidget* parent = nullptr);

struct FileRequest
{
    bool save = false;
    QString caption;
    QString directory; // start folder or proposed file path
    QString filter;    // "Text (*.txt);;All (*)"
    QString defaultSuffix;
};

// Returns the chosen path, or an empty string when the user cancels. A filter's "*.*" is read
// as "*" (every file, with a dot in its name or not).
QString chooseFile(const FileRequest& request, QWidget* parent = nullptr);
QString nameFilter(const QString& filter);

// Test hooks: while set, boxes and file dialogs are answered by these instead of the user.
using MessageHandler = std::function<Button(const Message&)>;
using FileHandler = std::function<QString(const FileRequest&)>;
void setMessageHandler(MessageHandler handler);
void setFileHandler(FileHandler handler);

} // namespace dialogs

Q_DECLARE_OPERATORS_FOR_FLAGS(dialogs::Buttons)
