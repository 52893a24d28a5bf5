#pragma once

#include "controls/styled/GDIPicture.h"
#include "controls/styled/PexGDIP.h"
#include "controls/styled/PexHintInfo.h"
#include "controls/styled/PexStyleIF.h"
#include "platform/imagelist/ImageList.h"

#include <QFont>
#include <QPointer>
#include <QPushButton>
#include <QStringList>

#include <functional>

#include <QMenu>
class QAction;
class QActionGroup;
class QTimer;

namespace pex {

class TPexGlowButton;
class KeyTipBox;

// Ties a button to a QAction: the action's text, enabled, tooltip, checked, visible, group,
// help text and image reach the button, and the button's click triggers the action.
class TPexGlowButtonActionLink : public QObject
{
    Q_OBJECT

public:
    TPexGlowButtonActionLink(TPexGlowButton* Client, QAction* Action);
    QAction* Action() const { return FAction; }
    // The group number that stands for an action group on the buttons; 0 for none.
    static int GroupIndexOf(const QActionGroup* Group);
    // fromAction: a change the action reported (it may then move the button to another group).
    void Update(bool fromAction);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    TPexGlowButton* FClient;
    QPointer<QAction> FAction;
};

enum TFocusType { ftBorder, ftHot, ftHotBorder, ftNone };
enum TButtonPosition { bpStandalone, bpLeft, bpMiddle, bpRight };
enum TAutoSizeDirection { asVertical, asHorizontal };
enum TBorderStyle { bsNone, bsSingle };
enum TImageListType { ipActionList, ipOwnLists };
enum TShortCutHintPos {
    shpLeft,
    shpTop,
    shpRight,
    shpBottom,
    shpCenter,
    shpAuto,
    shpTopLeft,
    shpTopRight,
    shpAboveTop,
    shpAboveTopLeft,
    shpAboveTopRight,
    shpBottomLeft,
    shpBottomRight,
    shpBelowBottom,
    shpBelowBottomLeft,
    shpBelowBottomRight,
    shpBelowBottomCenter
};
enum TButtonLayout {
    blGlyphLeft,
    blGlyphTop,
    blGlyphRight,
    blGlyphBottom,
    blGlyphLeftAdjusted,
    blGlyphRightAdjusted,
    blGlyphTopAdjusted,
    blGlyphBottomAdjusted
};
enum TPexButtonStyle { bsButton, bsCheck };
enum TButtonSizeState { bsGlyph, bsLabel, bsLarge };
enum TDropDownPosition { dpRight, dpBottom };
enum TDropDownDirection { ddDown, ddRight, ddUp };

// The colours and gradients of a glow button per state. A colour of clNone means none.
// Every setter stores a differing value and reports the change.
class TGlowButtonAppearance : public QObject
{
    Q_OBJECT

public:
    explicit TGlowButtonAppearance(QObject* parent = nullptr);
    void Assign(const TGlowButtonAppearance* source);

#define PEX_APPEARANCE_VALUE(Type, Name)                                                           \
public:                                                                                            \
    Type Name() const                                                                              \
    {                                                                                              \
        return m_##Name;                                                                           \
    }                                                                                              \
    void set##Name(Type value)                                                                     \
    {                                                                                              \
        if (m_##Name != value) {                                                                   \
            m_##Name = value;                                                                      \
            emit Changed();                                                                        \
        }                                                                                          \
    }                                                                                              \
                                                                                                   \
private:                                                                                           \
    Type m_##Name{};

    PEX_APPEARANCE_VALUE(TColor, BorderColor)
    PEX_APPEARANCE_VALUE(TColor, BorderColorHot)
    PEX_APPEARANCE_VALUE(TColor, BorderColorCheckedHot)
    PEX_APPEARANCE_VALUE(TColor, BorderColorDown)
    PEX_APPEARANCE_VALUE(TColor, BorderColorChecked)
    PEX_APPEARANCE_VALUE(TColor, BorderColorDisabled)
    PEX_APPEARANCE_VALUE(TColor, BorderColorFocused)
    PEX_APPEARANCE_VALUE(TColor, Color)
    PEX_APPEARANCE_VALUE(TColor, ColorTo)
    PEX_APPEARANCE_VALUE(TColor, ColorChecked)
    PEX_APPEARANCE_VALUE(TColor, ColorCheckedTo)
    PEX_APPEARANCE_VALUE(TColor, ColorDisabled)
    PEX_APPEARANCE_VALUE(TColor, ColorDisabledTo)
    PEX_APPEARANCE_VALUE(TColor, ColorDown)
    PEX_APPEARANCE_VALUE(TColor, ColorDownTo)
    PEX_APPEARANCE_VALUE(TColor, ColorHot)
    PEX_APPEARANCE_VALUE(TColor, ColorHotTo)
    PEX_APPEARANCE_VALUE(TColor, ColorMirror)
    PEX_APPEARANCE_VALUE(TColor, ColorMirrorTo)
    PEX_APPEARANCE_VALUE(TColor, ColorMirrorHot)
    PEX_APPEARANCE_VALUE(TColor, ColorMirrorHotTo)
    PEX_APPEARANCE_VALUE(TColor, ColorMirrorDown)
    PEX_APPEARANCE_VALUE(TColor, ColorMirrorDownTo)
    PEX_APPEARANCE_VALUE(TColor, ColorMirrorChecked)
    PEX_APPEARANCE_VALUE(TColor, ColorMirrorCheckedTo)
    PEX_APPEARANCE_VALUE(TColor, ColorMirrorDisabled)
    PEX_APPEARANCE_VALUE(TColor, ColorMirrorDisabledTo)
    PEX_APPEARANCE_VALUE(TGDIPGradient, Gradient)
    PEX_APPEARANCE_VALUE(TGDIPGradient, GradientMirror)
    PEX_APPEARANCE_VALUE(TGDIPGradient, GradientHot)
    PEX_APPEARANCE_VALUE(TGDIPGradient, GradientMirrorHot)
    PEX_APPEARANCE_VALUE(TGDIPGradient, GradientDown)
    PEX_APPEARANCE_VALUE(TGDIPGradient, GradientMirrorDown)
    PEX_APPEARANCE_VALUE(TGDIPGradient, GradientChecked)
    PEX_APPEARANCE_VALUE(TGDIPGradient, GradientMirrorChecked)
    PEX_APPEARANCE_VALUE(TGDIPGradient, GradientDisabled)
    PEX_APPEARANCE_VALUE(TGDIPGradient, GradientMirrorDisabled)
    PEX_APPEARANCE_VALUE(bool, SystemFont)
    PEX_APPEARANCE_VALUE(TColor, TextColorChecked)
    PEX_APPEARANCE_VALUE(TColor, TextColorDown)
    PEX_APPEARANCE_VALUE(TColor, TextColorHot)
    PEX_APPEARANCE_VALUE(TColor, TextColorDisabled)

#undef PEX_APPEARANCE_VALUE

public:
    // Set by ApplyUIStyle: whether the button's Transparent reaches the drawing, and the style
    // remembered for it.
    bool PassTransparency = false;
    TPexStyle DrawStyle = tsCustom;

signals:
    void Changed();
};

// A push, check and drop-down button drawn with a gradient per state, a glow that fades in
// and out with the mouse, pictures per state, notes under the caption, groups like a speed
// button, keyboard accelerators and auto-repeat. It is a QPushButton, so windows find and
// connect it as one; text() is the caption as given.
class TPexGlowButton : public QPushButton, public IPexStyle, public IPexToneStyle
{
    Q_OBJECT

public:
    explicit TPexGlowButton(QWidget* parent = nullptr);
    explicit TPexGlowButton(const QString& caption, QWidget* parent = nullptr);
    ~TPexGlowButton() override;

    // Draw states.
    enum { dsUp = 0, dsDisabled = 1, dsDown = 2, dsExclusive = 4 };

    // The process-wide fade interval in milliseconds; below 1 no glow button fades.
    static int FadeInterval();
    static void setFadeInterval(int ms);

    TGlowButtonAppearance* Appearance() const { return m_appearance; }
    void setAppearance(const TGlowButtonAppearance* appearance);

    // Look and layout.
    TAntiAlias AntiAlias() const { return m_antiAlias; }
    void setAntiAlias(TAntiAlias v);
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool v);
    TAutoSizeDirection AutoSizeDirection() const { return m_autoSizeDirection; }
    void setAutoSizeDirection(TAutoSizeDirection v);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(TBorderStyle v);
    TFocusType FocusType() const { return m_focusType; }
    void setFocusType(TFocusType v) { m_focusType = v; }
    int MarginVert() const { return m_marginVert; }
    void setMarginVert(int v);
    int MarginHorz() const { return m_marginHorz; }
    void setMarginHorz(int v);
    QStringList Notes() const { return m_notes; }
    void setNotes(const QStringList& notes);
    QFont NotesFont() const { return m_notesFont; }
    void setNotesFont(const QFont& font);
    int PictureWidth() const { return m_pictureWidth; }
    void setPictureWidth(int v);
    int PictureHeight() const { return m_pictureHeight; }
    void setPictureHeight(int v);
    TButtonPosition Position() const { return m_position; }
    void setPosition(TButtonPosition v);
    bool Rounded() const { return m_rounded; }
    void setRounded(bool v);
    QString ShortCutHint() const { return m_shortCutHint; }
    void setShortCutHint(const QString& v);
    TShortCutHintPos ShortCutHintPos() const { return m_shortCutHintPos; }
    void setShortCutHintPos(TShortCutHintPos v);
    bool ShowCaption() const { return m_showCaption; }
    void setShowCaption(bool v);
    bool ShowDisabled() const { return m_showDisabled; }
    void setShowDisabled(bool v);
    int Spacing() const { return m_spacing; }
    void setSpacing(int v);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool v);
    StringTrimming Trimming() const { return m_trimming; }
    void setTrimming(StringTrimming v);
    bool UseAppearance() const { return m_useAppearance; }
    void setUseAppearance(bool v) { m_useAppearance = v; }
    bool WordWrap() const { return m_wordWrap; }
    void setWordWrap(bool v);
    bool AlwaysShowAccel() const { return m_alwaysShowAccel; }
    void setAlwaysShowAccel(bool v);
    TButtonLayout Layout() const { return m_layout; }
    void setLayout(TButtonLayout v);
    // The font colour ApplyUIStyle writes when ParentFont is off; clNone draws clWindowText.
    TColor FontColor() const { return m_fontColor; }
    void setFontColor(TColor v);
    bool ParentFont() const { return m_parentFont; }
    void setParentFont(bool v) { m_parentFont = v; }
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void setTabStop(bool v) { setFocusPolicy(v ? Qt::StrongFocus : Qt::NoFocus); }
    // The library's version packed as major.minor.release.build, a byte each.
    static quint32 GetVersionNr();
    // Four numbers joined by ".".
    static QString VersionText(quint32 packed);
    static QString Version();

    // Image lists: Images, HotImages and DisabledImages by ImageIndex; a list's changes redraw
    // the button, and a list that goes away is let go.
    TImageList* Images() const { return m_images; }
    void setImages(TImageList* list);
    TImageList* HotImages() const { return m_hotImages; }
    void setHotImages(TImageList* list);
    TImageList* DisabledImages() const { return m_disabledImages; }
    void setDisabledImages(TImageList* list);
    int ImageIndex() const { return m_imageIndex; }
    void setImageIndex(int v);
    TImageListType ImageListType() const { return m_imageListType; }
    void setImageListType(TImageListType v);

    // The action the button stands for; nullptr for none.
    QAction* Action() const;
    void setAction(QAction* action);

    // Whether the key tips are showing (Alt held in the button's window).
    bool KeyTipShown() const;
    // Where the key tip's box stands, in the window's coordinates; empty without a hint.
    QRect KeyTipRect() const;
    // Shows, moves or hides the key tip's box as the Alt key and the hint say.
    void syncKeyTip();

    // Pictures per state, kept as image file bytes.
    TGDIPPicture* Picture() const { return m_picture; }
    void setPicture(const TGDIPPicture* p) { m_picture->Assign(p); }
    TGDIPPicture* HotPicture() const { return m_hotPicture; }
    void setHotPicture(const TGDIPPicture* p) { m_hotPicture->Assign(p); }
    TGDIPPicture* DownPicture() const { return m_downPicture; }
    void setDownPicture(const TGDIPPicture* p) { m_downPicture->Assign(p); }
    TGDIPPicture* DisabledPicture() const { return m_disabledPicture; }
    void setDisabledPicture(const TGDIPPicture* p) { m_disabledPicture->Assign(p); }
    TPexHintInfo* OfficeHint() const { return m_officeHint; }
    void setOfficeHint(const TPexHintInfo* h);

    // Behaviour.
    bool Cancel() const { return m_cancel; }
    void setCancel(bool v);
    bool Default() const { return m_default; }
    void setDefault(bool v);
    int ModalResult() const { return m_modalResult; }
    void setModalResult(int v) { m_modalResult = v; }
    bool RepeatClick() const { return m_repeatClick; }
    void setRepeatClick(bool v) { m_repeatClick = v; }
    int InitRepeatPause() const { return m_initRepeatPause; }
    void setInitRepeatPause(int ms) { m_initRepeatPause = ms; }
    int RepeatPause() const { return m_repeatPause; }
    void setRepeatPause(int ms) { m_repeatPause = ms; }
    bool AllowAllUp() const { return m_allowAllUp; }
    void setAllowAllUp(bool v) { m_allowAllUp = v; }
    bool Down() const { return m_down; }
    void setDown(bool v);
    int GroupIndex() const { return m_groupIndex; }
    void setGroupIndex(int v);
    TPexButtonStyle Style() const { return m_style; }
    void setStyle(TPexButtonStyle v) { m_style = v; }
    TButtonSizeState MaxButtonSizeState() const { return m_maxSizeState; }
    void setMaxButtonSizeState(TButtonSizeState v);
    TButtonSizeState MinButtonSizeState() const { return m_minSizeState; }
    void setMinButtonSizeState(TButtonSizeState v);
    TButtonSizeState ButtonSizeState() const { return m_sizeState; }
    void setButtonSizeState(TButtonSizeState v);

    // The drop-down part.
    bool DropDownButton() const { return m_dropDownButton; }
    void setDropDownButton(bool v);
    TDropDownPosition DropDownPosition() const { return m_dropDownPosition; }
    void setDropDownPosition(TDropDownPosition v);
    TDropDownDirection DropDownDirection() const { return m_dropDownDirection; }
    void setDropDownDirection(TDropDownDirection v);
    bool DropDownSplit() const { return m_dropDownSplit; }
    void setDropDownSplit(bool v);
    int DropDownWidth() const { return m_dropDownWidth; }
    void setDropDownWidth(int v);
    QMenu* DropDownMenu() const { return m_dropDownMenu; }
    void setDropDownMenu(QMenu* menu) { m_dropDownMenu = menu; }
    bool DropDownOpen() const { return m_dropDownOpen; }
    // Where the menu opens, in screen coordinates.
    QPoint DropDownPoint() const;
    // The drop-down part's width at the form's scale.
    int GetDropDownWidth() const;

    // Styles.
    TPexStyle UIStyle() const { return m_uiStyle; }
    void setUIStyle(TPexStyle style) { ApplyUIStyle(style); }
    void ApplyUIStyle(TPexStyle style);
    void ApplyColorTones(const TColorTones& tones);
    void SetStyle(TPexStyle style) override { ApplyUIStyle(style); }
    void SetColorTones(const TColorTones& tones) override { ApplyColorTones(tones); }

    void Assign(const TPexGlowButton* source);

    // Run-time state, for those that draw or test the button.
    int DrawState() const { return m_drawState; }
    bool IsHot() const { return m_hot; }
    bool IsPressed() const { return m_pressed; }
    int HotPercent() const { return m_hotPercent; }
    int DownPercent() const { return m_downPercent; }
    bool Fading() const { return m_fadeTimer != nullptr; }
    bool ActiveDefault() const { return m_activeDefault; }
    const QTimer* RepeatTimer() const { return m_repeatTimer; }

    // One tick of the fade timer and of the repeat timer.
    void FadeTick();
    virtual void TimerExpired();

    // The mouse-enter and mouse-leave notices (Qt's enter and leave events, and the position
    // check while the mouse is held, arrive here).
    void MouseEnterNotice();
    void MouseLeaveNotice();

    // The click of the button: the dialog's result, then clicked().
    void Click();
    // The drop-down: OnDropDown, then the menu when there is one.
    void DoDropDown();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Events.
    std::function<void(QObject* sender)> OnMouseEnter;
    std::function<void(QObject* sender)> OnMouseLeave;
    std::function<void(QObject* sender)> OnDropDown;
    // After drawing: the painter, 0 normal, 1 mouse over the button, 2 down; the rectangle.
    std::function<void(QObject* sender, QPainter& painter, int state, const QRect& rect)>
        OnDrawButton;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    friend class TPexGlowButtonActionLink;
    friend class KeyTipBox;
    struct ColorSet;
    struct Content;
    // The picture a paint shows: a picture, or an image of a list (greyed for a disabled button
    // without a disabled list).
    struct Glyph
    {
        const TGDIPPicture* picture = nullptr;
        const TImageList* list = nullptr;
        int index = -1;
        bool grey = false;
        bool isEmpty() const { return !picture && !list; }
        QSize natural() const;
        void draw(QPainter& p, const QRect& r) const;
    };

    void init();
    void startFadeTimer();
    void stopFadeTimer();
    void stopRepeat();
    bool overDropDownPart(const QPoint& pos) const;
    bool dropDownInUse() const;
    bool wholeButtonDropDown() const;
    void checkMousePosition(const QPoint& pos);
    void broadcastGroup();
    void groupNotice(int groupIndex, TPexGlowButton* sender);
    void keyboardClick();
    bool canFocusChain() const;
    void dropDownClosed();
    void requestResize();
    void afterPictureChange();
    void watchWindow();
    void onFocusChanged(QWidget* old, QWidget* now);

    ColorSet currentColors() const;
    Content measure(const QRect& box) const;
    QSize autoSize() const;
    QSize pictureSize(const Glyph& glyph) const;
    Glyph currentPicture() const;
    void linkList(QPointer<TImageList>& slot, TImageList* list);
    void followChecked(bool checked);
    void updateHintShortcut();
    TColor textColor() const;
    QFont captionFont() const;
    QString captionText() const;
    int textFlags() const;
    void drawButton(QPainter& p, const QRect& r, const ColorSet& c);

    TGlowButtonAppearance* m_appearance;
    TGDIPPicture* m_picture;
    TGDIPPicture* m_hotPicture;
    TGDIPPicture* m_downPicture;
    TGDIPPicture* m_disabledPicture;
    TPexHintInfo* m_officeHint;

    TAntiAlias m_antiAlias = aaClearType;
    bool m_autoSize = false;
    TAutoSizeDirection m_autoSizeDirection = asVertical;
    TBorderStyle m_borderStyle = bsSingle;
    TFocusType m_focusType = ftBorder;
    int m_marginVert = 1;
    int m_marginHorz = 1;
    QStringList m_notes;
    QFont m_notesFont;
    int m_pictureWidth = -1;
    int m_pictureHeight = -1;
    TButtonPosition m_position = bpStandalone;
    bool m_rounded = true;
    QString m_shortCutHint;
    TShortCutHintPos m_shortCutHintPos = shpTop;
    bool m_showCaption = true;
    bool m_showDisabled = true;
    int m_spacing = 2;
    bool m_transparent = false;
    StringTrimming m_trimming = StringTrimmingNone;
    bool m_useAppearance = false;
    bool m_wordWrap = true;
    bool m_alwaysShowAccel = false;
    TButtonLayout m_layout = blGlyphLeft;
    TColor m_fontColor = clNone;
    bool m_parentFont = true;

    bool m_cancel = false;
    bool m_default = false;
    int m_modalResult = 0;
    bool m_repeatClick = false;
    int m_initRepeatPause = 400;
    int m_repeatPause = 100;
    bool m_allowAllUp = false;
    bool m_down = false;
    int m_groupIndex = 0;
    TPexButtonStyle m_style = bsButton;
    TButtonSizeState m_maxSizeState = bsLarge;
    TButtonSizeState m_minSizeState = bsGlyph;
    TButtonSizeState m_sizeState = bsLarge;
    TButtonLayout m_savedLayout = blGlyphLeft;
    TDropDownPosition m_savedDropDownPosition = dpRight;

    bool m_dropDownButton = false;
    TDropDownPosition m_dropDownPosition = dpRight;
    TDropDownDirection m_dropDownDirection = ddDown;
    bool m_dropDownSplit = true;
    int m_dropDownWidth = 14;
    QPointer<QMenu> m_dropDownMenu;

    TPexStyle m_uiStyle = tsCustom;

    // Run-time state.
    bool m_pressed = false;
    bool m_pressedAtLeave = false;
    bool m_mouseDownOnButton = false;
    bool m_clickArmed = false;
    int m_drawState = dsUp;
    bool m_mouseInside = false;
    bool m_hot = false;
    bool m_pressingWithMouse = false;
    bool m_overDropDown = false;
    bool m_dropDownOpen = false;
    bool m_notUnderCursor = true;
    QTimer* m_fadeTimer = nullptr;
    int m_hotPercent = 0;
    int m_downPercent = 0;
    int m_fadeStep = 0;
    enum { fkHot = 0, fkDown = 1, fkNone = 2 };
    int m_fadeKind = fkNone;
    QTimer* m_repeatTimer = nullptr;
    bool m_downAtPress = false;
    bool m_keyDownOnButton = false;
    bool m_focused = false;
    bool m_activeDefault = false;
    bool m_resizing = false;
    int m_hintShortcut = 0;
    QPointer<QWidget> m_watchedWindow;

    QPointer<TImageList> m_images;
    QPointer<TImageList> m_hotImages;
    QPointer<TImageList> m_disabledImages;
    int m_imageIndex = -1;
    TImageListType m_imageListType = ipActionList;
    TPexGlowButtonActionLink* m_actionLink = nullptr;
    QPointer<QWidget> m_keyTip;
};

} // namespace pex
