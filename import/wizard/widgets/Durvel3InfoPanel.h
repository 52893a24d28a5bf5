#pragma once
// A rounded tip box with a small picture at its left and word-wrapped text; the wizard shows
// one on each page.

#include <QColor>
#include <QPixmap>
#include <QWidget>

class TInfoPanel : public QWidget
{
    Q_OBJECT

public:
    enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

    explicit TInfoPanel(QWidget* Parent = nullptr);

    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    QColor BkColor() const { return FBkColor; }
    void SetBkColor(const QColor& Value);
    int GapBitmap() const { return FGapBitmap; }
    void SetGapBitmap(int Value);
    int GapText() const { return FGapText; }
    void SetGapText(int Value);
    int GapVertical() const { return FGapVertical; }
    void SetGapVertical(int Value);
    int Radius() const { return FRadius; }
    void SetRadius(int Value);
    bool Shadow() const { return FShadow; }
    void SetShadow(bool Value);
    int ShadowDepth() const { return FShadowDepth; }
    void SetShadowDepth(int Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& Value);
    QColor Color() const { return FColor; }
    void SetColor(const QColor& Value);
    // An aligned panel keeps its width when it sizes itself.
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);

    // The picture shown now: the enabled or the disabled one.
    QPixmap Picture() const;
    // Where the text goes, its height measured for the current width.
    QRect TextRect() const;
    // Fits the height (and, unless aligned, the width) to the text.
    void AdjustBounds();

protected:
    void paintEvent(QPaintEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    int TextFlags() const;
    bool FAutoSize = true;
    QColor FBkColor;
    int FGapBitmap = 5;
    int FGapText = 2;
    int FGapVertical = 6;
    int FRadius = 10;
    bool FShadow = false;
    int FShadowDepth = 3;
    bool FTransparent = false;
    bool FWordWrap = false;
    QString FCaption;
    QColor FColor;
    TAlign FAlign = alNone;
    bool FAdjusting = false;
};
