#include "import/wizard/pages/ColumnMapGrid.h"

#include "import/wizard/Durvel3WizardF.h"

#include "import/wizard/widgets/Durvel3WideStringGrid.h"

#include <QPainter>

void DrawColumnMapCell(TKobWideStringGrid* Grid, int ACol, int ARow, const QRect& Rect, int State,
                       bool Fixed, bool Mapped)
{
    QPainter* p = Grid->Canvas()->Painter();
    if (!p)
        return;
    const QPalette& pal = Grid->palette();
    const QString text = Grid->Cells(ACol, ARow);
    p->save();
    // Cells read from the left, as the sources do, whatever the program's direction.
    p->setLayoutDirection(Qt::LeftToRight);
    // Every cell in the grid's font: the columns are as wide as its characters.
    QFont font = Grid->font();
    font.setBold(Fixed && Mapped && ARow == 0);
    p->setFont(font);
    if (Fixed) {
        p->fillRect(Rect, pal.button());
        p->setPen(pal.buttonText().color());
        p->drawText(Rect.translated(-1, 1), Qt::AlignCenter, text);
    } else if (Mapped) {
        const QRect r = Rect.adjusted(0, 0, 0, 1);
        p->fillRect(r, pal.highlight());
        p->setPen(pal.highlightedText().color());
        p->drawText(r.adjusted(2, 0, 0, 0), Qt::AlignAbsolute | Qt::AlignLeft | Qt::AlignVCenter,
                    text);
    } else {
        p->fillRect(Rect, pal.base());
        p->setPen(pal.text().color());
        p->drawText(Rect.adjusted(2, 2, 0, 0), Qt::AlignAbsolute | Qt::AlignLeft | Qt::AlignTop,
                    text);
    }
    if (State & gdFocused) {
        p->setPen(QPen(pal.text().color(), 1, Qt::DotLine));
        p->setBrush(Qt::NoBrush);
        p->drawRect(Rect.adjusted(0, 0, -1, -1));
    }
    p->restore();
}

void OnColumnPressed(TKobWideStringGrid* Grid, TDurvel3WizardF* Form,
                     std::function<void(int Column)> Pressed)
{
    Grid->OnMouseDown = [Grid, Form,
                         Pressed = std::move(Pressed)](TKobCustomGrid*, Qt::MouseButton Button,
                                                       Qt::KeyboardModifiers, int X, int Y) {
        if (Button != Qt::LeftButton || Grid->SizingAt(X, Y))
            return;
        int col = -1;
        int row = -1;
        Grid->MouseToCell(X, Y, col, row);
        Form->Guarded([&] { Pressed(col); });
    };
}
