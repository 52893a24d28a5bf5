#pragma once
// The fixed-width preview: the first lines of a text file in a fixed pitch between two column
// rulers, with separator arrows at character boundaries. Every character keeps the column it
// is stored in (tabs expanded as the reader does), so an arrow stands exactly where the
// fixed-width reader cuts; a run of right-to-left script is drawn shaped and in its reading
// order across its own columns.

#include "import/engine/support/WideStrings.h"
#include "import/wizard/widgets/KobWideStringCanvas.h"

#include <QList>
#include <QWidget>
#include <memory>
#include <vector>

class TDurvel3TXTViewer;

// One separator; positions exchanged with the owner are 0-based character columns.
class TViewArrow
{
public:
    int Column = -1;
};

class TViewArrows
{
public:
    int Count() const { return int(FItems.size()); }
    TViewArrow* Items(int Index) const { return FItems.at(std::size_t(Index)).get(); }
    TViewArrow* Add(int Column);
    void Delete(TViewArrow* Arrow);
    void Clear() { FItems.clear(); }
    // The first arrow at Column other than Except; nullptr when none.
    TViewArrow* ArrowAt(int Column, const TViewArrow* Except = nullptr) const;
    // The nearest arrows strictly left and right of a column.
    TViewArrow* NearestLeft(int Column) const;
    TViewArrow* NearestRight(int Column) const;

private:
    std::vector<std::unique_ptr<TViewArrow>> FItems;
};

// Characters Start .. Start + Length - 1 of a line, drawn as one right-to-left run.
struct TViewRun
{
    int Start = 0;
    int Length = 0;
    bool operator==(const TViewRun&) const = default;
};

class TViewRuler : public QWidget
{
    Q_OBJECT

public:
    enum TOrientation { roTop, roBottom };
    TViewRuler(TDurvel3TXTViewer* Viewer, TOrientation Orientation);
    int FirstColumn = 0; // the text column whose boundary is the first tick
    int Step = 10;       // pixels between ticks: the viewer's character width

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    TOrientation FOrientation;
};

class TDurvel3TXTViewer : public TKobCustomControl
{
    Q_OBJECT

public:
    explicit TDurvel3TXTViewer(QWidget* Parent = nullptr);
    ~TDurvel3TXTViewer() override;

    // -1 takes the code page the text file reports (a byte-order mark, else the system page);
    // 0 also looks for UTF-8 and for UTF-16 without a mark, as the text reader does.
    int CodePage() const { return FCodePage; }
    void SetCodePage(int Value) { FCodePage = Value; }
    // The code page the last load read the file in.
    int LoadedCodePage() const { return FLoadedCodePage; }
    // Lines to load; 0 or less loads the whole file.
    int LineLimit() const { return FLineLimit; }
    void SetLineLimit(int Value) { FLineLimit = Value; }

    // Raises EDurvelError for an empty name or a missing file, keeping the lines shown.
    void LoadFromFile(const QString& FileName);
    const TWideStringList& Lines() const { return FLines; }
    int LongestLine() const { return FLongest; }

    TViewArrows& Arrows() { return FArrows; }
    // Places an arrow at a column unless one stands there.
    void AddArrow(int Column);
    void ClearArrows();
    // Selects the field between arrows at Start and Start + Size; no selection when either
    // arrow is missing. Set by code: no notification.
    void SetSelection(int Start, int Size);
    // -1, -1 without a selection.
    void GetSelection(int& Start, int& Size) const;

    int CharWidth() const;
    int CharHeight() const;
    // Client x of a column's left boundary, and the column of a client x (snapped to the
    // nearest boundary; halves go left).
    int ColumnX(int Column) const;
    int SnapColumn(int X) const;
    // Client y of a line's top.
    int LineY(int Line) const;

    // The runs of right-to-left letters of a line, with what stands between two of their
    // letters (blanks, digits, marks) but no gap of two blanks or more, which pads fields; a
    // run ends at a strong left-to-right character and at every column in Cuts (the arrows),
    // so each field shows its own characters.
    static QList<TViewRun> RightToLeftRuns(const QString& Line, const QList<int>& Cuts);

signals:
    void SelectionChanged();
    void ArrowRemoved(int Column);
    void ArrowMoved(int OldColumn, int NewColumn);
    void ArrowMerged(int Column);

protected:
    void Paint() override;
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void scrollContentsBy(int Dx, int Dy) override;
    void changeEvent(QEvent* Event) override;

private:
    TViewArrow* ArrowNear(int X) const;
    void SetSelectionArrows(TViewArrow* Left, TViewArrow* Right, bool Notify);
    void UpdateScrollBars();
    void PlaceRulers();
    int HorzOffset() const;
    int VertOffset() const;
    void DrawRun(QPainter& P, const QString& Text, const QRect& Box, int Spare, int Baseline);
    void UpdateRunFont();
    // The baseline's distance from the top of a line.
    int LineAscent() const;

    int FCodePage = -1;
    int FLoadedCodePage = 0;
    int FLineLimit = 100;
    TWideStringList FLines;
    int FLongest = 0;
    TViewArrows FArrows;
    TViewArrow* FDragged = nullptr;
    TViewArrow* FSelLeft = nullptr;
    TViewArrow* FSelRight = nullptr;
    TViewRuler* FTopRuler;
    TViewRuler* FBottomRuler;
    // The right-to-left runs of each line, for the arrows at FRunCuts.
    std::vector<QList<TViewRun>> FRuns;
    QList<int> FRunCuts;
    // The right-to-left runs' font: the viewer's size in a face that joins Arabic letters.
    QFont FRunFont;
    mutable int FCharWidth = 0;
    mutable int FCharHeight = 0;
    mutable int FLineAscent = 0;
};
