#pragma once
// The wizard's preview grid: fixed header lines, a current cell with anchor and range
// selection, keyboard and mouse navigation, line sizing and moving, an in-place editor and
// owner drawing. Geometry is the grid's own (no widget or item per cell); the cells live in a
// sparse cell store, which an import can also fill without any window.

#include "import/engine/DurvelDestinations.h"
#include "import/engine/support/WideStrings.h"
#include "import/wizard/widgets/KobWideStringCanvas.h"

#include <QBasicTimer>
#include <QLineEdit>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

class EInvalidGridOperation : public std::runtime_error
{
public:
    explicit EInvalidGridOperation(const QString& Message)
        : std::runtime_error(Message.toStdString()), FMessage(Message)
    {}
    QString message() const { return FMessage; }

private:
    QString FMessage;
};

enum TGridOption : quint32 {
    goFixedVertLine = 1u << 0,
    goFixedHorzLine = 1u << 1,
    goVertLine = 1u << 2,
    goHorzLine = 1u << 3,
    goRangeSelect = 1u << 4,
    goDrawFocusSelected = 1u << 5,
    goRowSizing = 1u << 6,
    goColSizing = 1u << 7,
    goRowMoving = 1u << 8,
    goColMoving = 1u << 9,
    goEditing = 1u << 10,
    goTabs = 1u << 11,
    goRowSelect = 1u << 12,
    goAlwaysShowEditor = 1u << 13,
    goThumbTracking = 1u << 14,
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridOptions)

enum TGridDrawStateFlag : quint8 { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridDrawState)

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };
enum TBorderStyle { bsNone, bsSingle };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

struct TGridCoord
{
    int X = 0;
    int Y = 0;
    bool operator==(const TGridCoord&) const = default;
};

// Left/Top to Right/Bottom inclusive, in cells.
struct TGridRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TGridRect&) const = default;
    bool Contains(int ACol, int ARow) const
    {
        return ACol >= Left && ACol <= Right && ARow >= Top && ARow <= Bottom;
    }
};

class TKobCustomGrid;

class TKobInplaceEdit : public QLineEdit
{
    Q_OBJECT
    friend class TKobCustomGrid;

public:
    explicit TKobInplaceEdit(TKobCustomGrid* Grid);
    TKobCustomGrid* Grid() const { return FGrid; }

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    bool event(QEvent* Event) override;
    void inputMethodEvent(QInputMethodEvent* Event) override;

private:
    // A key after the grid's key-down and key-press handlers let it through.
    void editKey(QKeyEvent* Event);
    TKobCustomGrid* FGrid;
};

class TKobCustomGrid : public TKobCustomControl
{
    Q_OBJECT
    friend class TKobInplaceEdit;

public:
    using TDrawCellEvent = std::function<void(TKobCustomGrid* Sender, int ACol, int ARow,
                                              const QRect& Rect, TGridDrawState State)>;
    using TSelectCellEvent =
        std::function<void(TKobCustomGrid* Sender, int ACol, int ARow, bool& CanSelect)>;
    using TGetEditEventW =
        std::function<void(TKobCustomGrid* Sender, int ACol, int ARow, QString& Value)>;
    using TSetEditEventW =
        std::function<void(TKobCustomGrid* Sender, int ACol, int ARow, const QString& Value)>;
    using TMovedEvent = std::function<void(TKobCustomGrid* Sender, int FromIndex, int ToIndex)>;
    using TNotifyEvent = std::function<void(TKobCustomGrid* Sender)>;
    // Key: may be set to 0 to swallow the key.
    using TKeyEvent =
        std::function<void(TKobCustomGrid* Sender, int& Key, Qt::KeyboardModifiers Shift)>;
    using TMouseEvent = std::function<void(TKobCustomGrid* Sender, Qt::MouseButton Button,
                                           Qt::KeyboardModifiers Shift, int X, int Y)>;
    // Key: the character typed; set to 0 to drop it, or changed to type another.
    using TKeyPressEvent = std::function<void(TKobCustomGrid* Sender, QChar& Key)>;
    using TMouseMoveEvent =
        std::function<void(TKobCustomGrid* Sender, Qt::KeyboardModifiers Shift, int X, int Y)>;
    using TMouseWheelEvent =
        std::function<void(TKobCustomGrid* Sender, Qt::KeyboardModifiers Shift, bool& Handled)>;

    explicit TKobCustomGrid(QWidget* Parent = nullptr);
    ~TKobCustomGrid() override;

    int ColCount() const { return FColCount; }
    void SetColCount(int Value);
    int RowCount() const { return FRowCount; }
    void SetRowCount(int Value);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int Value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int Value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(int Value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int Value);
    int ColWidths(int Index) const;
    void SetColWidths(int Index, int Value);
    // Every column's width in one pass (one layout of the scroll bars, not one per column);
    // columns past the list keep theirs.
    void setColumnWidths(const std::vector<int>& Widths);
    int RowHeights(int Index) const;
    void SetRowHeights(int Index, int Value);
    bool TabStops(int Index) const;
    void SetTabStops(int Index, bool Value);
    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value);
    QColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(const QColor& Value);
    QColor Color() const { return FColor; }
    void SetColor(const QColor& Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value) { FDefaultDrawing = Value; }
    // Whether the editor may change the text, by any way in: keys, paste, input methods.
    virtual bool CanEditModify() const { return FCanEditModify; }
    void SetCanEditModify(bool Value);

    int Col() const { return FCurrent.X; }
    void SetCol(int Value);
    int Row() const { return FCurrent.Y; }
    void SetRow(int Value);
    int LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int Value);
    int TopRow() const { return FTopLeft.Y; }
    void SetTopRow(int Value);
    TGridCoord TopLeft() const { return FTopLeft; }
    TGridCoord Anchor() const { return FAnchor; }
    TGridRect Selection() const;
    void SetSelection(const TGridRect& Value);
    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool Value);
    TKobInplaceEdit* InplaceEditor() const { return FInplaceEdit; }
    TGridState GridState() const { return FGridState; }

    int VisibleColCount() const;
    int VisibleRowCount() const;
    int GridWidth() const;
    int GridHeight() const;
    // Viewport coordinates; empty for a cell that is not shown.
    QRect CellRect(int ACol, int ARow) const;
    TGridCoord MouseCoord(int X, int Y) const; // -1 parts off the grid
    // A press at (X, Y) would start sizing a column or row rather than pick a cell.
    bool SizingAt(int X, int Y) const;
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;

    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;
    TGetEditEventW OnGetEditText;
    TSetEditEventW OnSetEditText;
    TGetEditEventW OnGetEditMask;
    TMovedEvent OnColumnMoved;
    TMovedEvent OnRowMoved;
    TNotifyEvent OnTopLeftChanged;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    // The focus came into the grid (or its editor) from elsewhere, or left both.
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheelDown;
    TMouseWheelEvent OnMouseWheelUp;

    // Deletes a line: it is moved to the end and the count lowered.
    virtual void DeleteColumn(int ACol);
    virtual void DeleteRow(int ARow);
    void MoveColumn(int FromIndex, int ToIndex);
    void MoveRow(int FromIndex, int ToIndex);
    void InvalidateCell(int ACol, int ARow);
    void InvalidateGrid();

    QSize sizeHint() const override;

protected:
    virtual TKobInplaceEdit* CreateEditor();
    virtual void DrawCell(int ACol, int ARow, const QRect& Rect, TGridDrawState State);
    virtual bool SelectCell(int ACol, int ARow);
    virtual QString GetEditText(int ACol, int ARow);
    virtual void SetEditText(int ACol, int ARow, const QString& Value);
    virtual QString GetEditMask(int ACol, int ARow);
    virtual void ColumnMoved(int FromIndex, int ToIndex);
    virtual void RowMoved(int FromIndex, int ToIndex);
    virtual bool CanEditShow() const;
    virtual void TopLeftChanged();
    // A typed character on its way in; OnKeyPress may drop (0) or change it.
    virtual void KeyPress(QChar& Key);
    virtual void KeyUp(int& Key, Qt::KeyboardModifiers Shift);
    // After ColCount or RowCount changed, with the old counts.
    virtual void SizeChanged(int OldColCount, int OldRowCount) {}

    void ShowEditor();
    void HideEditor();
    // Places, fills or hides the editor for the current cell.
    void UpdateEditor();
    void MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show);
    void MoveAnchor(const TGridCoord& NewAnchor);
    void FocusCell(int ACol, int ARow, bool MoveAnchor);

    void Paint() override;
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void timerEvent(QTimerEvent* Event) override;
    void scrollContentsBy(int Dx, int Dy) override;
    bool focusNextPrevChild(bool Next) override;
    bool event(QEvent* Event) override;

private:
    void resetToFixedOrigin();
    struct Axis
    {
        int LineWidth = 0;
        int FixedBoundary = 0;
        int GridBoundary = 0;
        int FullVisBoundary = 0;
        int LastFullVisibleCell = 0;
        int LastVisibleCell = 0; // may be cut off at the edge
        int Extent = 0;          // client size
        int FixedCount = 0;
        int First = 0;
        int Count = 0;
    };
    Axis calcAxis(bool Horz) const;
    int Extent(bool Horz, int Index) const { return Horz ? ColWidths(Index) : RowHeights(Index); }
    int maxTopLeft(bool Horz) const;
    int coordFromPoint(const Axis& A, bool Horz, int Pos) const;
    int linePos(const Axis& A, bool Horz, int Index) const; // GridPrivate::Hidden when not shown
    int mirror(int X) const;
    QRect mirrorRect(const QRect& R) const;
    void ResizeAxis(bool Horz, int NewCount);
    void setTopLeftTo(int ACol, int ARow);
    void ClampInView(const TGridCoord& Coord);
    void UpdateScrollRange();
    void SelectionMoved(const TGridRect& OldSel);
    void HideEdit(bool Restore);
    bool showsEditor() const;
    bool isFixedCell(int ACol, int ARow) const { return ACol < FFixedCols || ARow < FFixedRows; }
    int sizingHit(int X, int Y, bool& Horz, int& Pos) const;
    void endMouseMode(bool Apply, const QPoint& At);
    void drawMovePos(QPainter& P);
    void handleKey(int Key, Qt::KeyboardModifiers Shift);
    void gridKey(QKeyEvent* Event);
    // Then gets the key as the key-press handling leaves its character: as it is, changed,
    // or not at all when dropped.
    void passKeyPress(QKeyEvent* Event, const std::function<void(QKeyEvent*)>& Then);
    void focusMoved(QWidget* Old, QWidget* Now);
    bool holdsFocus(const QWidget* W) const { return W && (W == this || isAncestorOf(W)); }

    int FColCount = 5;
    int FRowCount = 5;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    std::vector<int> FColWidths;
    std::vector<int> FRowHeights;
    std::vector<bool> FTabStops;
    TGridOptions FOptions =
        goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    int FGridLineWidth = 1;
    QColor FFixedColor;
    QColor FColor;
    TBorderStyle FBorderStyle = bsSingle;
    TScrollStyle FScrollBars = ssBoth;
    bool FDefaultDrawing = true;
    bool FCanEditModify = true;
    bool FEditorMode = false;
    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    TGridCoord FTopLeft{1, 1};
    int FHorzOffset = 0; // pixels, one-column grids only
    TGridState FGridState = gsNormal;
    int FSizingIndex = -1;
    int FSizingPos = 0;
    int FSizingOfs = 0;
    int FMoveIndex = -1;
    int FMovePos = -1;
    QPoint FMousePos;
    QBasicTimer FScrollTimer;
    TKobInplaceEdit* FInplaceEdit = nullptr;
    TGridCoord FInplaceCell{-1, -1};
    QString FEditOriginal;
    bool FSyncingScroll = false;
};

// The published face of the grid: nothing to add in C++ but the class name.
class TKobDrawGrid : public TKobCustomGrid
{
    Q_OBJECT

public:
    using TKobCustomGrid::TKobCustomGrid;
};

class TKobWideStringGrid;

// A column or row of the grid as a wide-string list.
class TKobWideStringGridStrings : public TWideStrings
{
public:
    // Index code: 0 none, n > 0 row n - 1, -n column n - 1.
    TKobWideStringGridStrings(TKobWideStringGrid* Grid, int Index);

    QString Get(int Index) const override;
    int GetCount() const override;
    void* GetObject(int Index) const override;
    void Put(int Index, const QString& S) override;
    void PutObject(int Index, void* Obj) override;
    int Add(const QString& S) override;
    void Insert(int Index, const QString& S) override;
    void Delete(int Index) override;
    void Clear() override;
    void SetUpdateState(bool Updating) override;
    void Assign(const QStringList& Source);
    using TWideStrings::Assign;

private:
    int Col(int I) const { return FIndex < 0 ? -FIndex - 1 : I; }
    int Row(int I) const { return FIndex < 0 ? I : FIndex - 1; }
    TKobWideStringGrid* FGrid;
    int FIndex;
};

class TKobWideStringGrid : public TKobDrawGrid
{
    Q_OBJECT

public:
    explicit TKobWideStringGrid(QWidget* Parent = nullptr);
    ~TKobWideStringGrid() override;

    // The look of the wizard's previews: an 11-pixel typewriter font (Courier New, or the
    // machine's own fixed-pitch font without it; Persian from a face that joins its letters) and
    // rows of 16 pixels, or as tall as the faces that draw the text need, Persian and the
    // underscores below Latin text whole; the rows follow a later font.
    void SetPreviewLook();

    QString Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const QString& Value);
    void* Objects(int ACol, int ARow) const;
    void SetObjects(int ACol, int ARow, void* Value);
    TKobWideStringGridStrings* Cols(int Index);
    TKobWideStringGridStrings* Rows(int Index);

    // The cells shown. A store filled elsewhere (by a reader, without a window) can be shown:
    // the grid takes its bounds and follows its changes. The grid never owns a given store.
    DurvelCellStore* CellStore() const { return FStore; }
    void SetCellStore(DurvelCellStore* Store);

    void BeginUpdate();
    void EndUpdate();

protected:
    void changeEvent(QEvent* Event) override;
    void DrawCell(int ACol, int ARow, const QRect& Rect, TGridDrawState State) override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString& Value) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void RowMoved(int FromIndex, int ToIndex) override;
    void SizeChanged(int OldColCount, int OldRowCount) override;

private:
    void attach();
    void detach();
    void cellChanged(int ACol, int ARow);
    void fitRowsToFont();

    std::unique_ptr<DurvelCellStore> FOwnStore;
    DurvelCellStore* FStore = nullptr;
    std::map<int, std::unique_ptr<TKobWideStringGridStrings>> FCols;
    std::map<int, std::unique_ptr<TKobWideStringGridStrings>> FRows;
    int FUpdateLock = 0;
    bool FNeedsUpdating = false;
    int FEditUpdate = 0;
    bool FSyncingSize = false;
    bool FPreviewLook = false;
};
