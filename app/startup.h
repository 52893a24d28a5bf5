#pragma once

#include <QApplication>

// The program's application object: its title, reading order and font, and the last guard
// for a failure that reaches the event loop.
class BankApplication : public QApplication
{
    Q_OBJECT
public:
    BankApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The date settings the program starts with: "/" between parts, "yyyy/mm/dd"; the imports'
// formats start from them.
extern QChar DateSeparator;
extern QString ShortDateFormat;
void StartupDateSettings();

// Creates the data module and the windows in the program's order. False when the program
// must end (the reason was shown); whatever was created is freed by DestroyForms.
bool CreateForms();
void DestroyForms();
