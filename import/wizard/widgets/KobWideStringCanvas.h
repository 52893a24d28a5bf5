#pragma once
// Text in any script drawn and measured at cell positions, and the scrollable control base of
// the grid and the text viewer, which paint through it.

#include <QAbstractScrollArea>
#include <QBrush>
#include <QFont>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;
class QWidget;

class TKobWideStringCanvas
{
public:
    explicit TKobWideStringCanvas(QWidget* Control);

    QWidget* Control() const { return FControl; }
    // The painter of the running paint; nullptr outside painting (measuring still works).
    QPainter* Painter() const { return FPainter; }
    void SetPainter(QPainter* Painter);

    QFont Font;
    QColor FontColor = Qt::black;
    QBrush Brush{Qt::white}; // Qt::NoBrush stands for a clear brush
    QPen Pen{Qt::black};
    // Reading order of the text (bidirectional layout of mixed runs).
    bool RightToLeftReading = false;
    // The canvas's own orientation: on a right-to-left canvas text is placed from its right
    // end, so the drawing operations move X right by the text's width + 1.
    enum TCanvasOrientation { coLeftToRight, coRightToLeft };
    TCanvasOrientation CanvasOrientation = coLeftToRight;

    // Told before and after every drawing operation.
    std::function<void()> OnChanging;
    std::function<void()> OnChange;

    // The width of Text, and the height of a line in the font: from the top of its highest face
    // to the bottom of its deepest.
    QSize TextExtent(const QString& Text) const;
    int TextWidth(const QString& Text) const { return TextExtent(Text).width(); }
    int TextHeight(const QString& Text) const { return TextExtent(Text).height(); }
    // Draws with the top-left corner of the text at X, Y (X first moved right by the width + 1
    // on a right-to-left canvas); the pen then stands at X + the width.
    void TextOut(int X, int Y, const QString& Text);
    // The same clipped to Rect, the pen left alone; a brush other than clear fills Rect first.
    // X moves as in TextOut only when the text also reads right to left.
    void TextRect(const QRect& Rect, int X, int Y, const QString& Text);
    void FillRect(const QRect& Rect);
    QPoint PenPos() const { return FPenPos; }

protected:
    virtual void Changing();
    virtual void Changed();

private:
    void Prepare() const;
    void DrawAt(int X, int Y, const QString& Text);
    QWidget* FControl;
    QPainter* FPainter = nullptr;
    QPoint FPenPos;
};

// A scrollable control that paints its viewport through a wide canvas.
class TKobCustomControl : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TKobCustomControl(QWidget* Parent = nullptr);
    ~TKobCustomControl() override;

    TKobWideStringCanvas* Canvas() { return &FCanvas; }

protected:
    // Descendants draw here; the canvas holds the viewport's painter meanwhile.
    virtual void Paint() {}
    void paintEvent(QPaintEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    TKobWideStringCanvas FCanvas;
};
