#pragma once

#include "platform/db/DataSet.h"
#include "platform/dialogs/Dialogs.h"

#include <QMargins>
#include <QRect>
#include <QString>

#include <functional>

// True: build and show the modeless wait window; False: close and release it.
void ShowWaitWindow(bool Show);

// A question whose first two buttons read "بلي" and "خير"; Escape answers No.
dialogs::Button AskYesNo(const QString& Msg, dialogs::Icon DlgType, dialogs::Buttons Buttons,
                         const QString& Caption);

// A message whose first button reads "تائيد".
dialogs::Button ShowOkMessage(const QString& Msg, dialogs::Icon DlgType, dialogs::Buttons Buttons,
                              const QString& Caption);

// Runs one statement that returns no rows on the data module's connection. Values always
// travel as parameters, never inside the text.
int ExecSql(const QString& Sql, const db::Params& params = {});

// Closes Query, replaces its SQL text and parameters, and opens it.
void OpenSql(const QString& Sql, db::DataSet* Query, const db::Params& params = {});

struct BankTemplate;
class QLineEdit;
class QObject;
class TDBNavBar;
class TButtonSet;

// Runs a handler's body; a failure is shown (and the wait window taken down) instead of
// leaving the handler.
void Guarded(QWidget* parent, const std::function<void()>& body);

// Lets only digits into a box, typed or pasted; Persian and Arabic-Indic digits become ASCII.
void MakeDigitsOnly(QLineEdit* box);

// The look of a window's glow buttons: the button's own colours with a grey border.
void SetGlowButtonsLook(QWidget* window);

// A navigator over a data set with the program's Persian captions and hints, captions under
// the glyphs, deleting without a question.
void SetupNavigator(TDBNavBar* nav, db::DataSet* dataSet, const TButtonSet& buttons);

// The form's control of that name and kind. A missing one is a fault of the form, reported
// with the control's name in every build (an unchecked null would crash later, far away).
QObject* RequireControl(QObject* form, const QString& name, const char* kind,
                        const std::function<QObject*(QObject*, const QString&)>& find);
template <typename T> T* RequireChild(QObject* form, const char* name)
{
    return static_cast<T*>(RequireControl(
        form, QLatin1String(name), T::staticMetaObject.className(),
        [](QObject* f, const QString& n) -> QObject* { return f->findChild<T*>(n); }));
}

// The template of the current record of a data set over tbl_ghaleb.
BankTemplate TemplateFromDataSet(const db::DataSet& ds);

// The application's title, given to every box without a title of its own.
QString applicationTitle();

class QColor;
class QLabel;

// How far apart two colours stand, from 1 (the same) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);
// A fixed colour made readable on a ground, light or dark: its hue kept, its lightness moved
// until the contrast is at least ratio.
QColor ReadableOn(const QColor& colour, const QColor& ground, double ratio = 4.5);
// Gives a label a fixed text colour, made readable on its window's ground; call again when
// the palette changes.
void SetLabelColour(QLabel* label, const QColor& colour);

// How much larger the desktop's font is than the ordinary one the windows were drawn for
// (never less than 1): sizes given in pixels grow by it.
double FontGrowth(const QWidget* widget);

// Room in a grid's cell for a record number or key of up to six digits, whatever its digits
// and the grid's font.
int RecordNumberWidth(const QWidget* grid);

// Enlarges a window by the font's growth, and to its layout's preferred size where that is
// larger, within the screen's free area; once shown it is kept on the screen.
void GrowToFit(QWidget* window);

// Keeps a box at least wide enough to show a sample of what it holds: a window short of room
// scrolls instead of squeezing the box until its text is cut.
void KeepRoomFor(QWidget* box, const QString& sample);

// The room the window system's frame takes around a window: the real one once shown and
// framed, a generous guess before.
QMargins FrameMargins(const QWidget* window);

// Keeps a window, frame included, inside an area: it shrinks to fit, its contents scroll where
// even their least size is larger than the area, and a placed window is moved inside.
void KeepWithin(QWidget* window, const QRect& area);

// A window's banner: bold, a quarter larger than the window's font, in the banner colour.
void StyleBanner(QLabel* banner);
extern const QColor kBannerColour;
