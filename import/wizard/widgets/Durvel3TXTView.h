#pragma once
// The fixed-width preview: the first lines of a text file in a fixed pitch between two column
// rulers, with separator arrows at character boundaries. Every character is drawn at its own
// column in the order it is stored (tabs expanded as the reader does), so an arrow stands
// exactly where the fixed-width reader cuts, whatever the script.

#include "import/engine/support/WideStrings.h"
#include "import/wizard/widgets/KobWideStringCanvas.h"

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
    mutable int FCharWidth = 0;
    mutable int FCharHeight = 0;
};
