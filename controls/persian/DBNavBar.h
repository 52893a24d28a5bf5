#pragma once

#include "platform/db/DataSet.h"

#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

#include <array>
#include <functional>
#include <initializer_list>

class QPainter;
class QTimer;

// The buttons of the navigator, in the order of its captions, hints and layout.
enum TNavBarNavigateBtn {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh
};

constexpr int NavBarButtonCount = nbRefresh + 1;

class TButtonSet
{
public:
    constexpr TButtonSet() = default;
    constexpr TButtonSet(std::initializer_list<TNavBarNavigateBtn> buttons)
    {
        for (TNavBarNavigateBtn b : buttons)
            m_bits |= bit(b);
    }

    static constexpr TButtonSet all()
    {
        TButtonSet s;
        s.m_bits = (1u << NavBarButtonCount) - 1;
        return s;
    }

    constexpr bool contains(TNavBarNavigateBtn b) const { return m_bits & bit(b); }
    constexpr bool isEmpty() const { return m_bits == 0; }
    constexpr TButtonSet& insert(TNavBarNavigateBtn b)
    {
        m_bits |= bit(b);
        return *this;
    }
    constexpr TButtonSet& remove(TNavBarNavigateBtn b)
    {
        m_bits &= ~bit(b);
        return *this;
    }
    constexpr bool operator==(const TButtonSet&) const = default;

private:
    static constexpr unsigned bit(TNavBarNavigateBtn b) { return 1u << unsigned(b); }
    unsigned m_bits = 0;
};

// Glyph position relative to the caption.
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TDBNavBar;

// A speed button of the navigator: it never takes the focus, knows which action it stands
// for and, for the moving buttons, clicks again while it is held down.
class TNavBarButton : public QToolButton
{
    Q_OBJECT

public:
    TNavBarButton(TNavBarNavigateBtn index, TDBNavBar* navigator);

    TNavBarNavigateBtn index() const { return m_index; }
    bool isRepeating() const { return m_repeating; }

    // The held-down repeat: 400 ms to the first repeat, then 100 ms.
    static constexpr int InitRepeatPause = 400;
    static constexpr int RepeatPause = 100;
    const QTimer* repeatTimer() const { return m_repeatTimer; }
    // One tick of the repeat timer.
    void repeatTick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void stopRepeat();
    void paintGlyph(QPainter& painter, const QRect& rect) const;

    TDBNavBar* m_navigator;
    TNavBarNavigateBtn m_index;
    bool m_repeating;
    QTimer* m_repeatTimer;
};

// A row of buttons that moves through and edits the records of a data set, with captions
// under (or beside) the glyphs, replaceable captions and hints, and per-button handlers that
// take the place of the default actions.
class TDBNavBar : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(db::DataSet* DataSource READ dataSource WRITE setDataSource)
    Q_PROPERTY(QStringList Captions READ captions WRITE setCaptions)
    Q_PROPERTY(QStringList Hints READ hints WRITE setHints)
    Q_PROPERTY(bool ConfirmDelete READ confirmDelete WRITE setConfirmDelete)
    Q_PROPERTY(bool Flat READ isFlat WRITE setFlat)
    Q_PROPERTY(bool Transparent READ isTransparent WRITE setTransparent)

public:
    using ENavClick = std::function<void(QObject* sender, TNavBarNavigateBtn button)>;
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TDBNavBar(QWidget* parent = nullptr);
    ~TDBNavBar() override;

    db::DataSet* dataSource() const;
    void setDataSource(db::DataSet* dataSet);

    TButtonSet visibleButtons() const { return m_visible; }
    void setVisibleButtons(TButtonSet buttons);

    // One line per button in the order of TNavBarNavigateBtn; an empty or missing line
    // keeps the built-in English text.
    QStringList captions() const { return m_captions; }
    void setCaptions(const QStringList& captions);
    QStringList hints() const { return m_hints; }
    void setHints(const QStringList& hints);
    static QString defaultCaption(TNavBarNavigateBtn button);
    static QString defaultHint(TNavBarNavigateBtn button);

    bool confirmDelete() const { return m_confirmDelete; }
    void setConfirmDelete(bool confirm) { m_confirmDelete = confirm; }

    bool isFlat() const { return m_flat; }
    void setFlat(bool flat);

    // Lets the parent show through instead of painting the bar's own background.
    bool isTransparent() const { return m_transparent; }
    void setTransparent(bool transparent);

    TButtonLayout layout() const { return m_layout; }
    void setLayout(TButtonLayout layout);

    // A null pixmap brings back the built-in glyph.
    QPixmap glyph(TNavBarNavigateBtn button) const { return m_glyphs[button]; }
    void setGlyph(TNavBarNavigateBtn button, const QPixmap& glyph);

    TNavBarButton* button(TNavBarNavigateBtn button) const { return m_buttons[button]; }

    // The button that Space clicks and Left/Right move, while the bar has the focus.
    TNavBarNavigateBtn focusedButton() const { return m_focused; }

    // The action of a button, as a click does it. Errors of the data layer propagate.
    void BtnClick(TNavBarNavigateBtn button);

    // Events. BeforeAction and OnClick come before and after every action; an assigned
    // OnBtn... handler runs in place of its button's default action.
    ENavClick BeforeAction;
    ENavClick OnClick;
    TNotifyEvent OnBtnFirst;
    TNotifyEvent OnBtnPrior;
    TNotifyEvent OnBtnNext;
    TNotifyEvent OnBtnLast;
    TNotifyEvent OnBtnInsert;
    TNotifyEvent OnBtnDelete;
    TNotifyEvent OnBtnEdit;
    TNotifyEvent OnBtnPost;
    TNotifyEvent OnBtnCancel;
    TNotifyEvent OnBtnRefresh;

    // The default 300 x 25, or more where the font and the visible buttons need it.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The side of a glyph: 16 pixels, or the font's height when that is more.
    int glyphSide() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // BtnClick without the final look at the data set.
    void Act(TNavBarNavigateBtn button);
    friend class TNavBarButton;
    class TNavBarDataLink;

    // The click path of the buttons and keys: shows failures instead of letting them out.
    bool clickFromUser(TNavBarNavigateBtn button);
    void buttonPressed(TNavBarNavigateBtn button);
    void updateButtons();
    void layoutButtons();
    void updateTexts();
    void setFocusedButton(TNavBarNavigateBtn button);
    TNotifyEvent& handlerOf(TNavBarNavigateBtn button);
    bool showsFocusOn(const TNavBarButton* button) const;

    std::array<TNavBarButton*, NavBarButtonCount> m_buttons{};
    std::array<QPixmap, NavBarButtonCount> m_glyphs;
    QPointer<db::DataSet> m_dataSet;
    TNavBarDataLink* m_link = nullptr;
    TButtonSet m_visible = TButtonSet::all();
    QStringList m_captions;
    QStringList m_hints;
    bool m_confirmDelete = true;
    bool m_flat = false;
    bool m_transparent = false;
    TButtonLayout m_layout = blGlyphBottom;
    TNavBarNavigateBtn m_focused = nbFirst;
};
