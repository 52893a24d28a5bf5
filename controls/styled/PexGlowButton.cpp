#include "controls/styled/PexGlowButton.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QHash>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace pex {

namespace {

int g_fadeInterval = 20;

constexpr int kCornerRadius = 3;

} // namespace

// ---------------------------------------------------------------------------------------------
// Appearance

TGlowButtonAppearance::TGlowButtonAppearance(QObject* parent) : QObject(parent)
{
    m_Color = 0xFFFFFF;
    m_ColorTo = 0xFFFFFF;
    m_ColorMirror = 0xC0C0C0;
    m_ColorMirrorTo = 0xFFFFFF;
    m_BorderColor = 0xC0C0C0;
    m_Gradient = ggVertical;
    m_GradientMirror = ggVertical;

    m_ColorHot = 0xF5F0E1;
    m_ColorHotTo = 0xF9D2B2;
    m_ColorMirrorHot = 0xF5C8AD;
    m_ColorMirrorHotTo = 0xFFF8F4;
    m_BorderColorHot = 0xFF0000;
    m_GradientHot = ggRadial;
    m_GradientMirrorHot = ggRadial;

    m_ColorDown = tone(m_ColorHot, -10, -10, 0);
    m_ColorDownTo = tone(m_ColorHotTo, -10, -10, 0);
    m_ColorMirrorDown = tone(m_ColorMirrorHot, -10, -10, 0);
    m_ColorMirrorDownTo = tone(m_ColorMirrorHotTo, -10, -10, 0);
    m_BorderColorDown = 0x800000;
    m_GradientDown = ggRadial;
    m_GradientMirrorDown = ggRadial;

    m_ColorChecked = m_ColorDown;
    m_ColorCheckedTo = m_ColorDownTo;
    m_ColorMirrorChecked = m_ColorMirrorDown;
    m_ColorMirrorCheckedTo = m_ColorMirrorDownTo;
    m_BorderColorChecked = 0xFF0000;
    m_GradientChecked = ggRadial;
    m_GradientMirrorChecked = ggVertical;

    m_ColorDisabled = tone(0xFFFFFF, -5, -5, -5);
    m_ColorDisabledTo = tone(0xFFFFFF, -5, -5, -5);
    m_ColorMirrorDisabled = tone(0xC0C0C0, -5, -5, -5);
    m_ColorMirrorDisabledTo = tone(0xFFFFFF, -5, -5, -5);
    m_BorderColorDisabled = 0x808080;
    m_GradientDisabled = ggRadial;
    m_GradientMirrorDisabled = ggRadial;

    m_BorderColorFocused = 0xE4AD89;
    m_BorderColorCheckedHot = clNone;
    m_SystemFont = true;
    m_TextColorChecked = clBlack;
    m_TextColorDown = clBlack;
    m_TextColorHot = clBlack;
    m_TextColorDisabled = 0x808080;
}

void TGlowButtonAppearance::Assign(const TGlowButtonAppearance* s)
{
    if (!s || s == this)
        return;
    QSignalBlocker block(this);
    setBorderColor(s->BorderColor());
    setBorderColorHot(s->BorderColorHot());
    setBorderColorCheckedHot(s->BorderColorCheckedHot());
    setBorderColorDown(s->BorderColorDown());
    setBorderColorChecked(s->BorderColorChecked());
    setBorderColorDisabled(s->BorderColorDisabled());
    setBorderColorFocused(s->BorderColorFocused());
    setColor(s->Color());
    setColorTo(s->ColorTo());
    setColorChecked(s->ColorChecked());
    setColorCheckedTo(s->ColorCheckedTo());
    setColorDisabled(s->ColorDisabled());
    setColorDisabledTo(s->ColorDisabledTo());
    setColorDown(s->ColorDown());
    setColorDownTo(s->ColorDownTo());
    setColorHot(s->ColorHot());
    setColorHotTo(s->ColorHotTo());
    setColorMirror(s->ColorMirror());
    setColorMirrorTo(s->ColorMirrorTo());
    setColorMirrorHot(s->ColorMirrorHot());
    setColorMirrorHotTo(s->ColorMirrorHotTo());
    setColorMirrorDown(s->ColorMirrorDown());
    setColorMirrorDownTo(s->ColorMirrorDownTo());
    setColorMirrorChecked(s->ColorMirrorChecked());
    setColorMirrorCheckedTo(s->ColorMirrorCheckedTo());
    setColorMirrorDisabled(s->ColorMirrorDisabled());
    setColorMirrorDisabledTo(s->ColorMirrorDisabledTo());
    setGradient(s->Gradient());
    setGradientMirror(s->GradientMirror());
    setGradientHot(s->GradientHot());
    setGradientMirrorHot(s->GradientMirrorHot());
    setGradientDown(s->GradientDown());
    setGradientMirrorDown(s->GradientMirrorDown());
    setGradientChecked(s->GradientChecked());
    setGradientMirrorChecked(s->GradientMirrorChecked());
    setGradientDisabled(s->GradientDisabled());
    setGradientMirrorDisabled(s->GradientMirrorDisabled());
    setSystemFont(s->SystemFont());
    setTextColorChecked(s->TextColorChecked());
    setTextColorDown(s->TextColorDown());
    setTextColorHot(s->TextColorHot());
    setTextColorDisabled(s->TextColorDisabled());
    PassTransparency = s->PassTransparency;
    DrawStyle = s->DrawStyle;
    block.unblock();
    emit Changed();
}

// ---------------------------------------------------------------------------------------------
// Construction and properties

struct TPexGlowButton::ColorSet
{
    enum Kind { Normal, Hot, Down, Checked, Disabled };
    Kind kind = Normal;
    TColor from = clNone, to = clNone, mirrorFrom = clNone, mirrorTo = clNone, border = clNone;
    TGDIPGradient gradient = ggVertical, gradientMirror = ggVertical;
    bool focusLook = false;
};

struct TPexGlowButton::Content
{
    QSize picture;
    QSize caption;
    QSize notes;
    QSize total;
};

TPexGlowButton::TPexGlowButton(QWidget* parent) : QPushButton(parent)
{
    init();
}

TPexGlowButton::TPexGlowButton(const QString& caption, QWidget* parent) : QPushButton(parent)
{
    init();
    setText(caption);
}

TPexGlowButton::~TPexGlowButton()
{
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    // The key tip's box lives on the window, which may outlive the button, or be deleting
    // its children right now.
    if (m_keyTip)
        m_keyTip->deleteLater();
}

void TPexGlowButton::init()
{
    SwitchMenuAnimationOff();
    m_appearance = new TGlowButtonAppearance(this);
    m_picture = new TGDIPPicture(this);
    m_hotPicture = new TGDIPPicture(this);
    m_downPicture = new TGDIPPicture(this);
    m_disabledPicture = new TGDIPPicture(this);
    m_officeHint = new TPexHintInfo(this);
    m_notesFont = QFont(QStringLiteral("Tahoma"));
    m_notesFont.setPointSize(8);
    connect(m_appearance, &TGlowButtonAppearance::Changed, this, qOverload<>(&QWidget::update));
    connect(m_picture, &TGDIPPicture::Changed, this, &TPexGlowButton::afterPictureChange);
    connect(m_disabledPicture, &TGDIPPicture::Changed, this, &TPexGlowButton::afterPictureChange);
    connect(qApp, &QApplication::focusChanged, this, &TPexGlowButton::onFocusChanged);
    setAutoDefault(false);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
    resize(100, 41);
}

int TPexGlowButton::FadeInterval()
{
    return g_fadeInterval;
}

void TPexGlowButton::setFadeInterval(int ms)
{
    g_fadeInterval = ms;
}

quint32 TPexGlowButton::GetVersionNr()
{
    constexpr quint32 major = 1, minor = 0, release = 0, build = 0;
    return major << 24 | minor << 16 | release << 8 | build;
}

QString TPexGlowButton::VersionText(quint32 packed)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(packed >> 24)
        .arg((packed >> 16) & 0xFF)
        .arg((packed >> 8) & 0xFF)
        .arg(packed & 0xFF);
}

QString TPexGlowButton::Version()
{
    return VersionText(GetVersionNr());
}

void TPexGlowButton::setAppearance(const TGlowButtonAppearance* appearance)
{
    m_appearance->Assign(appearance);
}

#define PEX_SET_AND(member, value, action)                                                         \
    do {                                                                                           \
        if (member == (value))                                                                     \
            return;                                                                                \
        member = (value);                                                                          \
        action;                                                                                    \
    } while (false)

void TPexGlowButton::setAntiAlias(TAntiAlias v)
{
    PEX_SET_AND(m_antiAlias, v, update());
}
void TPexGlowButton::setAutoSize(bool v)
{
    PEX_SET_AND(m_autoSize, v, requestResize());
}
void TPexGlowButton::setAutoSizeDirection(TAutoSizeDirection v)
{
    PEX_SET_AND(m_autoSizeDirection, v, requestResize());
}
void TPexGlowButton::setBorderStyle(TBorderStyle v)
{
    PEX_SET_AND(m_borderStyle, v, update());
}
void TPexGlowButton::setMarginVert(int v)
{
    PEX_SET_AND(m_marginVert, v, requestResize());
}
void TPexGlowButton::setMarginHorz(int v)
{
    PEX_SET_AND(m_marginHorz, v, requestResize());
}
void TPexGlowButton::setNotes(const QStringList& notes)
{
    PEX_SET_AND(m_notes, notes, requestResize());
}
void TPexGlowButton::setNotesFont(const QFont& font)
{
    PEX_SET_AND(m_notesFont, font, update());
}
void TPexGlowButton::setPictureWidth(int v)
{
    PEX_SET_AND(m_pictureWidth, v, requestResize());
}
void TPexGlowButton::setPictureHeight(int v)
{
    PEX_SET_AND(m_pictureHeight, v, requestResize());
}
void TPexGlowButton::setPosition(TButtonPosition v)
{
    PEX_SET_AND(m_position, v, update());
}
void TPexGlowButton::setRounded(bool v)
{
    PEX_SET_AND(m_rounded, v, update());
}
void TPexGlowButton::setShowCaption(bool v)
{
    PEX_SET_AND(m_showCaption, v, requestResize());
}
void TPexGlowButton::setShowDisabled(bool v)
{
    PEX_SET_AND(m_showDisabled, v, update());
}
void TPexGlowButton::setSpacing(int v)
{
    PEX_SET_AND(m_spacing, v, update());
}
void TPexGlowButton::setTransparent(bool v)
{
    PEX_SET_AND(m_transparent, v, update());
}
void TPexGlowButton::setTrimming(StringTrimming v)
{
    PEX_SET_AND(m_trimming, v, update());
}
void TPexGlowButton::setWordWrap(bool v)
{
    PEX_SET_AND(m_wordWrap, v, update());
}
void TPexGlowButton::setAlwaysShowAccel(bool v)
{
    PEX_SET_AND(m_alwaysShowAccel, v, update());
}
void TPexGlowButton::setLayout(TButtonLayout v)
{
    PEX_SET_AND(m_layout, v, update());
}
void TPexGlowButton::setFontColor(TColor v)
{
    PEX_SET_AND(m_fontColor, v, update());
}
void TPexGlowButton::setDropDownDirection(TDropDownDirection v)
{
    PEX_SET_AND(m_dropDownDirection, v, update());
}
void TPexGlowButton::setDropDownSplit(bool v)
{
    PEX_SET_AND(m_dropDownSplit, v, update());
}
void TPexGlowButton::setDropDownWidth(int v)
{
    PEX_SET_AND(m_dropDownWidth, v, update());
}
void TPexGlowButton::setDropDownButton(bool v)
{
    PEX_SET_AND(m_dropDownButton, v, {
        requestResize();
        updateGeometry();
        update();
    });
}
void TPexGlowButton::setDropDownPosition(TDropDownPosition v)
{
    PEX_SET_AND(m_dropDownPosition, v, {
        if (m_dropDownButton) {
            requestResize();
            updateGeometry();
        }
        update();
    });
}

void TPexGlowButton::setImageIndex(int v)
{
    PEX_SET_AND(m_imageIndex, v, requestResize());
}
void TPexGlowButton::setImageListType(TImageListType v)
{
    PEX_SET_AND(m_imageListType, v, requestResize());
}

#undef PEX_SET_AND

void TPexGlowButton::linkList(QPointer<TImageList>& slot, TImageList* list)
{
    if (slot == list)
        return;
    if (slot)
        slot->disconnect(this);
    slot = list;
    if (list) {
        connect(list, &TImageList::Changed, this, &TPexGlowButton::afterPictureChange);
        // The pointer clears itself; the button still has to re-measure and redraw.
        connect(list, &QObject::destroyed, this, &TPexGlowButton::afterPictureChange,
                Qt::QueuedConnection);
    }
    requestResize();
    update();
}

void TPexGlowButton::setImages(TImageList* list)
{
    linkList(m_images, list);
}

void TPexGlowButton::setHotImages(TImageList* list)
{
    linkList(m_hotImages, list);
}

void TPexGlowButton::setDisabledImages(TImageList* list)
{
    linkList(m_disabledImages, list);
}

void TPexGlowButton::setCancel(bool v)
{
    m_cancel = v;
    watchWindow();
}

void TPexGlowButton::setDefault(bool v)
{
    m_default = v;
    m_activeDefault = v;
    watchWindow();
}

void TPexGlowButton::setMaxButtonSizeState(TButtonSizeState v)
{
    m_maxSizeState = v;
    setButtonSizeState(v);
}

void TPexGlowButton::setMinButtonSizeState(TButtonSizeState v)
{
    m_minSizeState = v;
    if (v > m_sizeState)
        setButtonSizeState(v);
}

void TPexGlowButton::setButtonSizeState(TButtonSizeState v)
{
    if (v == m_sizeState)
        return;
    if (m_sizeState == bsLarge) {
        m_savedLayout = m_layout;
        m_savedDropDownPosition = m_dropDownPosition;
    }
    m_sizeState = v;
    if (m_autoSize) {
        if (v == bsLarge) {
            m_layout = m_savedLayout;
            m_dropDownPosition = m_savedDropDownPosition;
        } else {
            m_layout = blGlyphLeft;
            m_dropDownPosition = dpRight;
        }
    }
    requestResize();
    update();
}

void TPexGlowButton::afterPictureChange()
{
    if (m_autoSize)
        requestResize();
    else
        update();
}

void TPexGlowButton::requestResize()
{
    if (!m_autoSize) {
        update();
        return;
    }
    if (m_resizing)
        return;
    m_resizing = true;
    const QSize s = autoSize();
    if (s != size())
        resize(s);
    updateGeometry();
    update();
    m_resizing = false;
}

void TPexGlowButton::Assign(const TPexGlowButton* s)
{
    if (!s || s == this)
        return;
    setAntiAlias(s->m_antiAlias);
    setAutoSize(s->m_autoSize);
    setAutoSizeDirection(s->m_autoSizeDirection);
    setBorderStyle(s->m_borderStyle);
    setCancel(s->m_cancel);
    setText(s->text());
    setDefault(s->m_default);
    m_picture->Assign(s->m_picture);
    m_hotPicture->Assign(s->m_hotPicture);
    m_downPicture->Assign(s->m_downPicture);
    m_disabledPicture->Assign(s->m_disabledPicture);
    setImages(s->m_images);
    setHotImages(s->m_hotImages);
    setDisabledImages(s->m_disabledImages);
    setImageIndex(s->m_imageIndex);
    setImageListType(s->m_imageListType);
    setFocusType(s->m_focusType);
    setMarginVert(s->m_marginVert);
    setMarginHorz(s->m_marginHorz);
    setModalResult(s->m_modalResult);
    setNotes(s->m_notes);
    setNotesFont(s->m_notesFont);
    m_officeHint->Assign(s->m_officeHint);
    setPictureWidth(s->m_pictureWidth);
    setPictureHeight(s->m_pictureHeight);
    setPosition(s->m_position);
    setInitRepeatPause(s->m_initRepeatPause);
    setRepeatPause(s->m_repeatPause);
    setRepeatClick(s->m_repeatClick);
    setRounded(s->m_rounded);
    setShortCutHint(s->m_shortCutHint);
    setShortCutHintPos(s->m_shortCutHintPos);
    setShowCaption(s->m_showCaption);
    setShowDisabled(s->m_showDisabled);
    setSpacing(s->m_spacing);
    setTransparent(s->m_transparent);
    setTrimming(s->m_trimming);
    setUseAppearance(s->m_useAppearance);
    setWordWrap(s->m_wordWrap);
    setFont(s->font());
    setToolTip(s->toolTip());
    setTabStop(s->TabStop());
    setAllowAllUp(s->m_allowAllUp);
    setAlwaysShowAccel(s->m_alwaysShowAccel);
    m_appearance->Assign(s->m_appearance);
    setGroupIndex(s->m_groupIndex);
    setLayout(s->m_layout);
    setStyle(s->m_style);
    setMaxButtonSizeState(s->m_maxSizeState);
    setMinButtonSizeState(s->m_minSizeState);
    setDropDownButton(s->m_dropDownButton);
    setDropDownPosition(s->m_dropDownPosition);
    setDropDownDirection(s->m_dropDownDirection);
    setDropDownSplit(s->m_dropDownSplit);
    setDropDownWidth(s->m_dropDownWidth);
    setDropDownMenu(s->m_dropDownMenu);
    m_uiStyle = s->m_uiStyle;
    setEnabled(s->isEnabled());
    setDown(s->m_down);
}

// ---------------------------------------------------------------------------------------------
// Down and groups

void TPexGlowButton::setDown(bool v)
{
    if (m_groupIndex == 0 && m_style == bsButton)
        v = false;
    if (m_style == bsButton) {
        // A group keeps one button down unless all may be up.
        if (!v && !m_allowAllUp && m_down)
            return;
        if (v == m_down)
            return;
        m_down = v;
        if (v) {
            m_drawState = dsExclusive;
            update();
            broadcastGroup();
        } else {
            m_drawState = dsUp;
            update();
        }
        return;
    }
    m_down = v;
    m_drawState = v ? dsDown : dsUp;
    update();
}

void TPexGlowButton::setGroupIndex(int v)
{
    if (m_groupIndex == v)
        return;
    m_groupIndex = v;
    broadcastGroup();
}

void TPexGlowButton::broadcastGroup()
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    for (QObject* o : parent->children())
        if (auto* b = qobject_cast<TPexGlowButton*>(o); b && b != this)
            b->groupNotice(m_groupIndex, this);
}

void TPexGlowButton::groupNotice(int groupIndex, TPexGlowButton* sender)
{
    if (groupIndex != m_groupIndex || groupIndex == 0 || sender == this || !sender->m_down ||
        !m_down)
        return;
    m_down = false;
    m_drawState = dsUp;
    update();
}

// ---------------------------------------------------------------------------------------------
// Styles

namespace {

struct FillSet
{
    TColor from, to, mirrorFrom, mirrorTo, border;
};

constexpr TColor kKeep = 0xFFFFFFFE; // a border the style leaves as it is

constexpr FillSet one(TColor c, TColor border)
{
    return {c, c, c, c, border};
}

struct StyleSets
{
    FillSet hot, down, checked;
};

const StyleSets kOffice2003 = {
    {0xEBFDFF, 0xACECFF, 0x59DAFF, 0xA4E9FF, 0x99CEDB},
    {0x76AFF1, 0x4190F3, 0x0E72F1, 0x4C9FFD, 0x45667B},
    {0xB5DBFB, 0x78C7FE, 0x9FEBFD, 0x56B4FE, kKeep},
};

StyleSets setsFor(TPexStyle s)
{
    switch (s) {
    case tsOffice2003Blue:
    case tsOffice2003Silver:
    case tsOffice2003Olive:
    case tsOffice2003Classic:
    case tsWhidbey:
        return kOffice2003;
    case tsOffice2007Luna:
    case tsOffice2007Obsidian:
    case tsOffice2007Silver: {
        StyleSets sets = kOffice2003;
        sets.checked.border = 0x45667B;
        return sets;
    }
    case tsWindowsXP:
        return {one(0xEFD3C6, clHighlight), one(0xB59284, clHighlight), one(0xB9D8DC, 0x000000)};
    case tsWindowsVista:
        return {{clNone, 0xFFFAF0, 0xFFFAF0, 0xFFFAF0, 0xFCF2DA},
                {0xFCEFD5, 0xFCEFD5, 0xFDF4E3, 0xFDF4E3, 0xFEDF9A},
                {0xFCEFD5, 0xFAE9C6, 0xF7DAA2, 0xFBEDD3, 0xFEDF9A}};
    case tsWindows7:
        return {{0xFDFBFA, 0xFDF3EB, 0xFDF3EB, 0xFDFBFA, 0xFBD6B8},
                {0xFCEBDC, 0xFCDBC1, 0xFCDBC1, 0xFCEBDC, 0xCEA27D},
                {0xFDFBFA, 0xFDF3EB, 0xFCEBDC, 0xFCEBDC, clHighlight}};
    case tsTerminal:
        return {one(0xC0C0C0, 0x808080), one(clHighlight, clHighlight), one(0x808080, 0x808080)};
    case tsOffice2010Blue:
    case tsOffice2010Silver:
    case tsOffice2010Black:
        return {{0x8AE3FD, 0xD9F9FD, 0xD9F9FD, 0x8AE3FD, 0x58CAF1},
                {0x6CD0FF, 0x7BEEFF, 0x7BEEFF, 0x6CD0FF, 0x308AC2},
                {0xD9F9FD, 0x6CD0FF, 0x6CD0FF, 0x6CD0FF, 0x308AC2}};
    case tsWindows8:
    case tsWindows10:
        return {{0xF7EFE8, clNone, 0xF7EFE8, clNone, 0xF9CEA4},
                {0xF7E0C9, clNone, 0xF7E0C9, clNone, 0xE4A262},
                {0xDAA026, clNone, 0xDAA026, clNone, 0xDAA026}};
    case tsOffice2013White:
    case tsOffice2013LightGray:
    case tsOffice2013Gray:
        return {{0xFCF0E4, clNone, 0xFCF0E4, clNone, 0xEAB47E},
                {0xFCE2C8, clNone, 0xFCE2C8, clNone, 0xE59D56},
                {0xFF9933, clNone, 0xFF9933, clNone, 0xFF9933}};
    case tsOffice2016White:
    case tsOffice2016Gray:
        return {{0xF2E1D5, clNone, 0xF2E1D5, clNone, 0xF2E1D5},
                {0xE3BDA3, clNone, 0xE3BDA3, clNone, 0xE3BDA3},
                {0xF2D5C2, clNone, 0xF2D5C2, clNone, 0xF2D5C2}};
    case tsOffice2016Black:
        return {one(0x6A6A6A, 0x6A6A6A), one(0x444444, 0x444444), one(0x575757, 0x575757)};
    case tsOffice2019White:
        return {one(0xFAECE3, 0xB0784A), one(0xB0784A, 0xB0784A), one(0xD1B9A5, 0xD1B9A5)};
    case tsOffice2019Gray:
        return {one(0x939597, 0x86888A), one(0x86888A, 0x86888A), one(0x939597, 0x939597)};
    case tsOffice2019Black:
        return {one(0x444648, 0x5C5E60), one(0x5C5E60, 0x5C5E60), one(0x444648, 0x444648)};
    case tsCustom:
        break;
    }
    return kOffice2003;
}

FillSet normalFor(TPexStyle s)
{
    switch (s) {
    case tsOffice2003Blue:
    case tsOffice2007Luna:
        return {0xEEDBC8, 0xF6DDC9, 0xEDD4C0, 0xF7E1D0, 0xE0B99B};
    case tsOffice2003Silver:
        return {0xE6E9E2, 0xE6D8D8, 0xE6E9E2, 0xC8B2B3, 0x927476};
    case tsOffice2003Olive:
        return {0xCFF0EA, 0xCFF0EA, 0xCFF0EA, 0x8CC0B1, 0x8CC0B1};
    case tsOffice2003Classic:
        return {0xFFFFFF, 0xC9D1D5, 0xFFFFFF, 0xC9D1D5, 0x000000};
    case tsOffice2007Obsidian:
        return {0xDFDED6, 0xE4E2DB, 0xD7D5CE, 0xE7E5E0, 0xC0BCB2};
    case tsWindowsXP:
        return {0xFFFFFF, 0xB9D8DC, 0xB9D8DC, 0xB9D8DC, 0xB9D8DC};
    case tsWhidbey:
        return {0xFFFFFF, 0xDFEDF0, 0xDFEDF0, 0xDFEDF0, 0x99A8AC};
    case tsOffice2007Silver:
        return {0xF3F3F1, 0xF5F5F3, 0xEEEAE7, 0xF8F7F6, 0xCCCAC9};
    case tsWindowsVista:
        return {0xFDF8F1, 0xFDF8F1, 0xFCEFD5, 0xFDF8F1, 0xFDDE99};
    case tsWindows7:
        return {0xFCEBDC, 0xFCDBC1, 0xFCDBC1, 0xFCDBC1, 0xCEA27D};
    case tsTerminal:
        return {clBtnFace, clBtnFace, clBtnFace, clBtnFace, kKeep};
    case tsOffice2010Blue:
        return {0xFDF6EF, 0xF0DAC7, 0xF0DAC7, 0xF0DAC7, 0xC7B29F};
    case tsOffice2010Silver:
        return {0xFFFFFF, 0xEDE5E0, 0xEDE5E0, 0xEDE5E0, 0xD2CDC8};
    case tsOffice2010Black:
        return {0xBFBFBF, 0x919191, 0x919191, 0x919191, 0x6D6D6D};
    case tsWindows8:
    case tsWindows10:
        return {0xF7F6F5, clNone, 0xF7F6F5, clNone, 0xE4E3E2};
    case tsOffice2013White:
    case tsOffice2016White:
        return {0xFFFFFF, clNone, 0xFFFFFF, clNone, 0xD4D4D4};
    case tsOffice2013LightGray:
        return {0xF6F6F6, clNone, 0xF6F6F6, clNone, 0xC6C6C6};
    case tsOffice2013Gray:
        return {0xE5E5E5, clNone, 0xE5E5E5, clNone, 0xABABAB};
    case tsOffice2016Gray:
        return {0xB2B2B2, clNone, 0xB2B2B2, clNone, 0x444444};
    case tsOffice2016Black:
        return {0x363636, 0x363636, 0x363636, 0x363636, 0x444444};
    case tsOffice2019White:
        return {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xADB0B3};
    case tsOffice2019Gray:
        return {0xB8BBBE, 0xB8BBBE, 0xB8BBBE, 0xB8BBBE, 0x444648};
    case tsOffice2019Black:
        return {0x303132, 0x303132, 0x303132, 0x303132, 0x666666};
    case tsCustom:
        break;
    }
    return {clNone, clNone, clNone, clNone, kKeep};
}

// The values the newer styles write after their rows; kKeep leaves a value as it is.
struct Extras
{
    TColor disabledFrom, disabledTo, borderDisabled, font, textHotDown, textChecked,
        borderCheckedHot, textDisabled;
};

bool extrasFor(TPexStyle s, Extras& e)
{
    switch (s) {
    case tsWindows8:
    case tsWindows10:
        e = {0xF7F7F7, clNone, kKeep, kKeep, clBlack, 0xFFFFFF, clNone, kKeep};
        return true;
    case tsOffice2013White:
    case tsOffice2013LightGray:
    case tsOffice2013Gray:
        e = {0xEEEEEE, clNone, 0xACACAC, kKeep, clBlack, 0xFFFFFF, clNone, kKeep};
        return true;
    case tsOffice2016White:
        e = {0xFFFFFF, clNone, 0xD4D4D4, 0x505050, 0x505050, 0x505050, 0xE3BDA3, kKeep};
        return true;
    case tsOffice2016Gray:
        e = {0xB2B2B2, clNone, 0x444444, 0x424242, 0x424242, 0x424242, 0xE3BDA3, kKeep};
        return true;
    case tsOffice2016Black:
        e = {0x363636, clNone, 0x444444, 0xA6A6A6, 0xA6A6A6, 0xC8C8C8, clNone, kKeep};
        return true;
    case tsOffice2019White:
        e = {0xFFFFFF, clNone, 0xD4D4D4, kKeep, 0x232425, 0x393A3B, clNone, 0xD4D4D4};
        return true;
    case tsOffice2019Gray:
        e = {0xB8BBBE, 0xB8BBBE, 0xD4D4D4, 0x232425, 0x232425, 0x232425, 0x5C5E60, 0xD4D4D4};
        return true;
    case tsOffice2019Black:
        e = {0x303132, 0x303132, 0x505050, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x86888A, 0x505050};
        return true;
    default:
        return false;
    }
}

bool passesTransparency(TPexStyle s)
{
    return (s >= tsOffice2010Blue && s <= tsOffice2010Black) ||
           (s >= tsOffice2013White && s <= tsOffice2013Gray) ||
           (s >= tsOffice2016White && s <= tsOffice2019Black);
}

} // namespace

void TPexGlowButton::ApplyUIStyle(TPexStyle style)
{
    m_uiStyle = style;
    if (style == tsCustom)
        return;
    TGlowButtonAppearance* a = m_appearance;
    const QSignalBlocker block(a);
    if (!m_parentFont)
        m_fontColor = clWindowText;
    a->setTextColorChecked(clBlack);
    a->setTextColorHot(clBlack);
    a->setTextColorDown(clBlack);
    a->PassTransparency = passesTransparency(style);
    a->DrawStyle = style;
    a->setBorderColorCheckedHot(clNone);
    m_rounded = style < tsWindows8;
    a->setColorDisabled(tone(0xFFFFFF, -5, -5, -5));
    a->setColorDisabledTo(tone(0xFFFFFF, -5, -5, -5));
    a->setColorMirrorDisabledTo(tone(0xFFFFFF, -5, -5, -5));
    a->setColorMirrorDisabled(tone(0xC0C0C0, -5, -5, -5));
    a->setBorderColorDisabled(0x808080);

    const FillSet n = normalFor(style);
    a->setColor(n.from);
    a->setColorTo(n.to);
    a->setColorMirror(n.mirrorFrom);
    a->setColorMirrorTo(n.mirrorTo);
    if (n.border != kKeep)
        a->setBorderColor(n.border);

    const StyleSets sets = setsFor(style);
    a->setColorHot(sets.hot.from);
    a->setColorHotTo(sets.hot.to);
    a->setColorMirrorHot(sets.hot.mirrorFrom);
    a->setColorMirrorHotTo(sets.hot.mirrorTo);
    a->setBorderColorHot(sets.hot.border);
    a->setColorDown(sets.down.from);
    a->setColorDownTo(sets.down.to);
    a->setColorMirrorDown(sets.down.mirrorFrom);
    a->setColorMirrorDownTo(sets.down.mirrorTo);
    a->setBorderColorDown(sets.down.border);
    a->setColorChecked(sets.checked.from);
    a->setColorCheckedTo(sets.checked.to);
    a->setColorMirrorChecked(sets.checked.mirrorFrom);
    a->setColorMirrorCheckedTo(sets.checked.mirrorTo);
    if (sets.checked.border != kKeep)
        a->setBorderColorChecked(sets.checked.border);

    for (auto set :
         {&TGlowButtonAppearance::setGradient, &TGlowButtonAppearance::setGradientMirror,
          &TGlowButtonAppearance::setGradientHot, &TGlowButtonAppearance::setGradientMirrorHot,
          &TGlowButtonAppearance::setGradientDown, &TGlowButtonAppearance::setGradientMirrorDown,
          &TGlowButtonAppearance::setGradientChecked,
          &TGlowButtonAppearance::setGradientMirrorChecked,
          &TGlowButtonAppearance::setGradientDisabled,
          &TGlowButtonAppearance::setGradientMirrorDisabled})
        (a->*set)(ggVertical);

    Extras e;
    if (extrasFor(style, e)) {
        auto put = [](TColor v, auto&& setter) {
            if (v != kKeep)
                setter(v);
        };
        put(e.disabledFrom, [a](TColor v) {
            a->setColorDisabled(v);
            a->setColorMirrorDisabled(v);
        });
        put(e.disabledTo, [a](TColor v) {
            a->setColorDisabledTo(v);
            a->setColorMirrorDisabledTo(v);
        });
        put(e.borderDisabled, [a](TColor v) { a->setBorderColorDisabled(v); });
        if (!m_parentFont)
            put(e.font, [this](TColor v) { m_fontColor = v; });
        put(e.textHotDown, [a](TColor v) {
            a->setTextColorHot(v);
            a->setTextColorDown(v);
        });
        put(e.textChecked, [a](TColor v) { a->setTextColorChecked(v); });
        put(e.borderCheckedHot, [a](TColor v) { a->setBorderColorCheckedHot(v); });
        put(e.textDisabled, [a](TColor v) { a->setTextColorDisabled(v); });
    }
    update();
}

void TPexGlowButton::ApplyColorTones(const TColorTones& t)
{
    TGlowButtonAppearance* a = m_appearance;
    {
        const QSignalBlocker block(a);
        a->setColor(t.Background.Color);
        a->setColorTo(clNone);
        a->setBorderColor(t.Background.BorderColor);
        a->setColorMirror(t.Background.Color);
        a->setColorMirrorTo(t.Background.Color);

        a->setColorHot(t.Hover.Color);
        a->setColorHotTo(t.Hover.Color);
        a->setColorMirrorHot(t.Hover.Color);
        a->setColorMirrorHotTo(t.Hover.Color);
        a->setBorderColorHot(t.Hover.BorderColor);

        for (auto set :
             {&TGlowButtonAppearance::setColorDown, &TGlowButtonAppearance::setColorDownTo,
              &TGlowButtonAppearance::setColorMirrorDown,
              &TGlowButtonAppearance::setColorMirrorDownTo, &TGlowButtonAppearance::setColorChecked,
              &TGlowButtonAppearance::setColorCheckedTo,
              &TGlowButtonAppearance::setColorMirrorChecked,
              &TGlowButtonAppearance::setColorMirrorCheckedTo})
            (a->*set)(t.Selected.Color);
        a->setBorderColorDown(t.Selected.BorderColor);
        a->setBorderColorChecked(t.Selected.BorderColor);

        a->setColorDisabled(t.Background.Color);
        a->setColorDisabledTo(t.Background.Color);
        a->setColorMirrorDisabled(t.Background.Color);
        a->setColorMirrorDisabledTo(t.Background.Color);
        a->setBorderColorDisabled(t.Disabled.TextColor);

        a->setTextColorHot(t.Hover.TextColor);
        a->setTextColorDown(t.Selected.TextColor);
        a->setTextColorChecked(t.Selected.TextColor);
        a->setTextColorDisabled(t.Disabled.TextColor == t.Disabled.Color ? TColor(0x808080)
                                                                         : t.Disabled.TextColor);
    }
    // A look in single colours does not glow.
    g_fadeInterval = 0;
    m_rounded = false;
    if (!m_parentFont) {
        m_fontColor = t.Background.TextColor;
        QFont f = font();
        f.setFamily(GetDefaultUIFont());
        setFont(f);
    }
    update();
}

// ---------------------------------------------------------------------------------------------
// Fade and repeat

void TPexGlowButton::startFadeTimer()
{
    if (m_fadeTimer || g_fadeInterval < 1)
        return;
    m_fadeTimer = new QTimer(this);
    m_fadeTimer->setInterval(g_fadeInterval);
    connect(m_fadeTimer, &QTimer::timeout, this, &TPexGlowButton::FadeTick);
    m_fadeTimer->start();
}

void TPexGlowButton::stopFadeTimer()
{
    delete m_fadeTimer;
    m_fadeTimer = nullptr;
}

void TPexGlowButton::FadeTick()
{
    int* percent = nullptr;
    if (m_fadeKind == fkHot)
        percent = &m_hotPercent;
    else if (m_fadeKind == fkDown)
        percent = &m_downPercent;
    else
        return;
    *percent += m_fadeStep;
    if ((*percent >= 0 && *percent <= 100) || (m_fadeStep > 0 && *percent < 0) ||
        (m_fadeStep < 0 && *percent > 100)) {
        update();
        return;
    }
    *percent = std::clamp(*percent, 0, 100);
    const int kind = m_fadeKind;
    m_fadeKind = fkNone;
    stopFadeTimer();
    update();
    if (kind == fkDown && m_fadeStep < 0 && m_style == bsButton) {
        m_pressed = false;
        m_pressedAtLeave = false;
        // A button the mouse is still over stays hot.
        if (!m_mouseInside)
            MouseLeaveNotice();
    }
}

void TPexGlowButton::TimerExpired()
{
    if (m_repeatTimer)
        m_repeatTimer->setInterval(m_repeatPause);
    if (m_pressed && m_mouseDownOnButton)
        Click();
}

void TPexGlowButton::stopRepeat()
{
    if (m_repeatTimer)
        m_repeatTimer->stop();
}

void TPexGlowButton::MouseEnterNotice()
{
    if (OnMouseEnter)
        OnMouseEnter(this);
    if (m_hot)
        return;
    m_hot = true;
    m_pressed = m_pressedAtLeave;
    startFadeTimer();
    if (!m_pressed && m_fadeKind != fkDown) {
        m_fadeStep = 20;
        m_fadeKind = fkHot;
    }
    update();
    m_mouseInside = true;
}

void TPexGlowButton::MouseLeaveNotice()
{
    if (OnMouseLeave)
        OnMouseLeave(this);
    if (!m_hot)
        return;
    m_mouseInside = false;
    m_hot = false;
    m_overDropDown = false;
    if (!m_pressed || !m_mouseDownOnButton) {
        m_pressed = false;
        m_hotPercent = 100;
        m_fadeStep = -20;
        m_fadeKind = fkHot;
        update();
    } else {
        m_pressed = false;
        m_fadeStep = -20;
        m_fadeKind = fkHot;
        update();
        m_pressedAtLeave = true;
    }
    startFadeTimer();
}

// ---------------------------------------------------------------------------------------------
// Mouse

bool TPexGlowButton::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

int TPexGlowButton::GetDropDownWidth() const
{
    return int(std::lround(m_dropDownWidth * GetFormScaleFactor(this)));
}

bool TPexGlowButton::dropDownInUse() const
{
    return m_dropDownButton;
}

bool TPexGlowButton::wholeButtonDropDown() const
{
    return m_dropDownButton && !m_dropDownSplit && m_style == bsButton && m_groupIndex == 0;
}

bool TPexGlowButton::overDropDownPart(const QPoint& pos) const
{
    if (!m_dropDownButton)
        return false;
    if (m_dropDownPosition == dpRight)
        return pos.x() > width() - GetDropDownWidth();
    return pos.y() > height() - GetDropDownWidth();
}

void TPexGlowButton::mousePressEvent(QMouseEvent* e)
{
    m_downAtPress = m_down;
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    e->accept();
    if (m_repeatClick) {
        if (!m_repeatTimer) {
            m_repeatTimer = new QTimer(this);
            connect(m_repeatTimer, &QTimer::timeout, this, &TPexGlowButton::TimerExpired);
        }
        m_repeatTimer->setInterval(m_initRepeatPause);
        m_repeatTimer->start();
    }
    m_pressed = true;
    m_mouseDownOnButton = true;
    if (TabStop())
        setFocus(Qt::MouseFocusReason);
    startFadeTimer();
    m_fadeStep = 20;
    m_fadeKind = fkDown;

    const bool onPart = overDropDownPart(e->position().toPoint());
    if (!(onPart && m_dropDownSplit && m_dropDownButton) &&
        (!m_dropDownButton || m_dropDownSplit || m_style == bsCheck || m_groupIndex > 0)) {
        if (!m_down) {
            m_drawState = dsDown;
            update();
        }
        if (m_style == bsCheck) {
            m_drawState = dsDown;
            repaint();
        }
        m_pressingWithMouse = true;
        m_clickArmed = true;
        emit pressed();
        return;
    }
    m_clickArmed = false;
    DoDropDown();
}

void TPexGlowButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    e->accept();
    // The repeat stops with the release, so the next press starts from the first pause.
    stopRepeat();
    const QPoint pos = e->position().toPoint();
    const bool inside = rect().contains(pos);
    m_fadeStep = -10;
    if (inside && m_style == bsButton && m_groupIndex == 0 && m_pressed) {
        // The pressed look fades into the hot one from wherever the press had got to; a
        // quick click must not hold the full pressed colour and then jump.
        m_fadeKind = fkDown;
        m_hot = true;
        m_mouseInside = true;
        startFadeTimer();
        if (!m_fadeTimer)
            m_pressed = false;
    } else if (inside) {
        m_downPercent = 100;
        m_fadeKind = fkHot;
        m_hot = true;
        m_mouseInside = true;
    } else {
        m_downPercent = 100;
        m_fadeKind = fkNone;
        m_hot = false;
        m_mouseInside = false;
        m_mouseDownOnButton = false;
        m_overDropDown = false;
    }
    m_mouseDownOnButton = false;
    m_pressedAtLeave = false;

    if (m_style == bsCheck && inside) {
        // With an action the click below may already have set Down through Checked.
        if (!Action() || m_down == m_downAtPress)
            setDown(!m_down);
        m_downPercent = 0;
    }

    if (!wholeButtonDropDown() && m_pressingWithMouse) {
        m_pressingWithMouse = false;
        const bool in = pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() <= height();
        if (m_groupIndex > 0) {
            if (in) {
                setDown(!m_down);
            } else if (m_down) {
                m_drawState = dsExclusive;
            }
        } else {
            m_drawState = (m_style == bsCheck && m_down) ? dsDown : dsUp;
        }
        update();
        checkMousePosition(pos);
    }

    const bool armed = m_clickArmed;
    m_clickArmed = false;
    emit released();
    if (armed && inside && !m_dropDownOpen)
        Click();
    update();
}

void TPexGlowButton::mouseMoveEvent(QMouseEvent* e)
{
    QWidget::mouseMoveEvent(e);
    const QPoint pos = e->position().toPoint();
    checkMousePosition(pos);
    const bool over = overDropDownPart(pos) && rect().contains(pos);
    if (over != m_overDropDown) {
        m_overDropDown = over;
        update();
    }
    if (m_pressingWithMouse) {
        int state = m_down ? dsExclusive : dsUp;
        if (rect().contains(pos))
            state = m_down ? dsExclusive : dsDown;
        if (m_style == bsCheck && m_down)
            state = dsDown;
        if (state != m_drawState) {
            m_drawState = state;
            update();
        }
    }
}

void TPexGlowButton::checkMousePosition(const QPoint& pos)
{
    if (!isVisible())
        return;
    const bool notUnder = !rect().contains(pos);
    if (notUnder == m_notUnderCursor)
        return;
    m_notUnderCursor = notUnder;
    if (notUnder)
        MouseLeaveNotice();
    else
        MouseEnterNotice();
}

void TPexGlowButton::enterEvent(QEnterEvent* e)
{
    QWidget::enterEvent(e);
    m_notUnderCursor = false;
    MouseEnterNotice();
}

void TPexGlowButton::leaveEvent(QEvent* e)
{
    QWidget::leaveEvent(e);
    m_notUnderCursor = true;
    MouseLeaveNotice();
}

// ---------------------------------------------------------------------------------------------
// Drop-down

QPoint TPexGlowButton::DropDownPoint() const
{
    QPoint p;
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    if (m_dropDownDirection == ddRight)
        p = QPoint(rtl ? 0 : width(), 0);
    else
        p = QPoint(rtl ? width() : 0, height());
    return mapToGlobal(p);
}

void TPexGlowButton::DoDropDown()
{
    if (OnDropDown)
        OnDropDown(this);
    if (!m_dropDownMenu)
        return;
    m_pressed = !m_dropDownSplit;
    m_dropDownOpen = true;
    update();
    connect(m_dropDownMenu, &QMenu::aboutToHide, this, &TPexGlowButton::dropDownClosed,
            Qt::SingleShotConnection);
    m_dropDownMenu->popup(DropDownPoint());
}

void TPexGlowButton::dropDownClosed()
{
    m_pressed = false;
    m_dropDownOpen = false;
    m_hot = false;
    m_mouseInside = false;
    m_overDropDown = false;
    m_pressingWithMouse = false;
    if (m_drawState == dsDown && !m_down)
        m_drawState = dsUp;
    update();
}

// ---------------------------------------------------------------------------------------------
// Keyboard

namespace {

bool isClickKey(int key)
{
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

void TPexGlowButton::keyPressEvent(QKeyEvent* e)
{
    const int key = e->key();
    if (isClickKey(key) && e->isAutoRepeat()) {
        // A held key clicks once.
        e->accept();
        return;
    }
    m_keyDownOnButton = true;
    if (key == Qt::Key_F4 && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        e->accept();
        if (m_dropDownButton && m_dropDownMenu) {
            m_drawState = dsDown;
            DoDropDown();
        }
        return;
    }
    if (!isClickKey(key)) {
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    if (m_groupIndex == 0)
        m_pressed = true;
    repaint();
    if (m_groupIndex == 0)
        Click();
}

void TPexGlowButton::keyReleaseEvent(QKeyEvent* e)
{
    const int key = e->key();
    if (e->isAutoRepeat()) {
        e->accept();
        return;
    }
    if (!isClickKey(key)) {
        m_keyDownOnButton = false;
        update();
        QWidget::keyReleaseEvent(e);
        return;
    }
    e->accept();
    if (m_keyDownOnButton) {
        if (m_groupIndex > 0) {
            setDown(!m_down);
            m_drawState = m_down ? dsExclusive : dsUp;
            Click();
        } else {
            m_pressed = false;
            m_drawState = (m_style == bsCheck && m_down) ? dsDown : dsUp;
        }
    }
    m_keyDownOnButton = false;
    update();
}

bool TPexGlowButton::canFocusChain() const
{
    return isVisible() && isEnabled();
}

void TPexGlowButton::keyboardClick()
{
    if (m_dropDownButton && !m_dropDownSplit) {
        DoDropDown();
        return;
    }
    if (m_style == bsCheck)
        setDown(!m_down);
    Click();
}

void TPexGlowButton::watchWindow()
{
    QWidget* w = window();
    if (w == this || w == m_watchedWindow)
        return;
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = w;
    if (w)
        w->installEventFilter(this);
}

bool TPexGlowButton::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_watchedWindow && e->type() == QEvent::KeyPress && (m_default || m_cancel)) {
        auto* k = static_cast<QKeyEvent*>(e);
        const bool plain = (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        const bool esc = k->key() == Qt::Key_Escape;
        if (plain && canFocusChain() && ((enter && m_activeDefault) || (esc && m_cancel))) {
            if (k->isAutoRepeat())
                return true;
            if (enter && m_groupIndex > 0) {
                setDown(!m_down);
                m_drawState = m_down ? dsExclusive : dsUp;
            } else {
                m_drawState = dsUp;
            }
            keyboardClick();
            return true;
        }
    }
    return QPushButton::eventFilter(watched, e);
}

void TPexGlowButton::onFocusChanged(QWidget*, QWidget* now)
{
    if (!now || now->window() != window())
        return;
    if (now == this)
        m_activeDefault = true;
    else if (!qobject_cast<TPexGlowButton*>(now))
        m_activeDefault = m_default;
    else
        m_activeDefault = false;
}

void TPexGlowButton::focusInEvent(QFocusEvent* e)
{
    m_focused = true;
    QPushButton::focusInEvent(e);
}

void TPexGlowButton::focusOutEvent(QFocusEvent* e)
{
    m_focused = false;
    QPushButton::focusOutEvent(e);
}

bool TPexGlowButton::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::Shortcut:
        // The caption's accelerator.
        if (canFocusChain()) {
            if (m_dropDownButton && !m_dropDownSplit)
                DoDropDown();
            else
                Click();
        }
        return true;
    case QEvent::ParentChange:
        if (m_default || m_cancel)
            watchWindow();
        break;
    default:
        break;
    }
    return QPushButton::event(e);
}

void TPexGlowButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange) {
        m_pressed = false;
        m_drawState = dsDisabled;
        if (!isEnabled())
            stopRepeat();
        update();
    } else if (e->type() == QEvent::FontChange) {
        requestResize();
    }
    QPushButton::changeEvent(e);
}

void TPexGlowButton::showEvent(QShowEvent* e)
{
    if (m_default || m_cancel)
        watchWindow();
    updateHintShortcut();
    QPushButton::showEvent(e);
}

void TPexGlowButton::Click()
{
    const QPointer<TPexGlowButton> guard(this);
    emit clicked(false);
    if (!guard)
        return;
    if (QAction* action = Action()) {
        action->trigger();
        if (!guard)
            return;
    }
    if (m_modalResult == 0)
        return;
    if (auto* dialog = qobject_cast<QDialog*>(window()))
        dialog->done(m_modalResult);
}

// ---------------------------------------------------------------------------------------------
// Drawing

TPexGlowButton::ColorSet TPexGlowButton::currentColors() const
{
    const TGlowButtonAppearance* a = m_appearance;
    const int state = m_drawState;
    const bool checkedLook = state == dsExclusive || (state == dsDown && m_style == bsCheck);
    auto normal = [a] {
        return ColorSet{ColorSet::Normal,   a->Color(),       a->ColorTo(),  a->ColorMirror(),
                        a->ColorMirrorTo(), a->BorderColor(), a->Gradient(), a->GradientMirror()};
    };
    auto hot = [a] {
        return ColorSet{ColorSet::Hot,       a->ColorHot(),         a->ColorHotTo(),
                        a->ColorMirrorHot(), a->ColorMirrorHotTo(), a->BorderColorHot(),
                        a->GradientHot(),    a->GradientMirrorHot()};
    };
    auto down = [a] {
        return ColorSet{ColorSet::Down,       a->ColorDown(),         a->ColorDownTo(),
                        a->ColorMirrorDown(), a->ColorMirrorDownTo(), a->BorderColorDown(),
                        a->GradientDown(),    a->GradientMirrorDown()};
    };
    auto checked = [a, this] {
        const TColor border =
            m_mouseInside && a->BorderColorCheckedHot() != clNone && !m_mouseDownOnButton
                ? a->BorderColorCheckedHot()
                : a->BorderColorChecked();
        return ColorSet{ColorSet::Checked,       a->ColorChecked(),         a->ColorCheckedTo(),
                        a->ColorMirrorChecked(), a->ColorMirrorCheckedTo(), border,
                        a->GradientChecked(),    a->GradientMirrorChecked()};
    };

    ColorSet c;
    const bool disabled = (state == dsDisabled || !isEnabled()) && m_showDisabled;
    if (disabled) {
        c = {ColorSet::Disabled,       a->ColorDisabled(),         a->ColorDisabledTo(),
             a->ColorMirrorDisabled(), a->ColorMirrorDisabledTo(), a->BorderColorDisabled(),
             a->GradientDisabled(),    a->GradientMirrorDisabled()};
    } else if (state == dsDown && m_style != bsCheck) {
        c = down();
    } else if (checkedLook) {
        c = checked();
    } else if (m_hot) {
        c = hot();
    } else if (hasFocus() && (m_focusType == ftHot || m_focusType == ftHotBorder) && !m_pressed) {
        c = hot();
        c.focusLook = true;
    } else {
        c = normal();
    }

    if (m_fadeTimer && !disabled) {
        auto mix = [](const ColorSet& x, const ColorSet& y, int p, bool withBorder) {
            ColorSet r = x;
            r.from = blend(x.from, y.from, p);
            r.to = blend(x.to, y.to, p);
            r.mirrorFrom = blend(x.mirrorFrom, y.mirrorFrom, p);
            r.mirrorTo = blend(x.mirrorTo, y.mirrorTo, p);
            if (withBorder)
                r.border = blend(x.border, y.border, p);
            return r;
        };
        if (checkedLook) {
            const ColorSet ch = checked();
            ColorSet r = m_mouseInside ? mix(ch, down(), m_downPercent, false)
                                       : mix(down(), ch, m_downPercent, false);
            r.kind = c.kind;
            r.border = c.border;
            r.gradient = c.gradient;
            r.gradientMirror = c.gradientMirror;
            c = r;
        } else if (!m_pressed && !(m_transparent && a->PassTransparency)) {
            ColorSet r = mix(hot(), normal(), m_hotPercent, true);
            r.kind = c.kind;
            r.gradient = c.gradient;
            r.gradientMirror = c.gradientMirror;
            c = r;
        } else if (m_pressed) {
            ColorSet r = mix(down(), hot(), m_downPercent, true);
            r.kind = c.kind;
            r.gradient = c.gradient;
            r.gradientMirror = c.gradientMirror;
            c = r;
        }
    }

    if (c.mirrorFrom == clNone)
        c.mirrorFrom = c.from;
    if (m_position != bpStandalone && m_mouseDownOnButton)
        c.border = a->BorderColor();
    return c;
}

QSize TPexGlowButton::Glyph::natural() const
{
    if (list)
        return {list->Width(), list->Height()};
    if (picture)
        return {picture->Width(), picture->Height()};
    return {};
}

void TPexGlowButton::Glyph::draw(QPainter& p, const QRect& r) const
{
    if (picture) {
        picture->Draw(p, r);
        return;
    }
    if (!list)
        return;
    const QImage img = list->Image(index);
    p.drawImage(r, grey ? TImageList::Desaturated(img) : img);
}

TPexGlowButton::Glyph TPexGlowButton::currentPicture() const
{
    auto fromList = [this](const TImageList* list, int index, bool grey) -> Glyph {
        if (list && list->HasImage(index))
            return {nullptr, list, index, grey};
        return {};
    };
    auto fromPicture = [](const TGDIPPicture* pic) -> Glyph {
        return pic->Empty() ? Glyph{} : Glyph{pic};
    };
    const bool disabled = !isEnabled() || m_drawState == dsDisabled;
    Glyph g;
    if (disabled) {
        g = fromList(m_disabledImages, m_imageIndex, false);
        if (g.isEmpty())
            g = fromPicture(m_disabledPicture);
    } else if (m_hot) {
        g = fromList(m_hotImages, m_imageIndex, false);
        if (g.isEmpty())
            g = fromPicture(m_hotPicture);
    }
    if (g.isEmpty() && !disabled &&
        (m_drawState == dsDown || (m_drawState == dsExclusive && m_down)))
        g = fromPicture(m_downPicture);
    if (!g.isEmpty())
        return g;
    // The normal images: the action's own, or the button's list, greyed while disabled.
    if (m_imageListType == ipActionList && Action()) {
        g = fromList(TActionList::ImagesOf(Action()), TActionList::ImageIndex(Action()), disabled);
        if (!g.isEmpty())
            return g;
    }
    g = fromList(m_images, m_imageIndex, disabled);
    return g.isEmpty() ? fromPicture(m_picture) : g;
}

TColor TPexGlowButton::textColor() const
{
    const TGlowButtonAppearance* a = m_appearance;
    if (!isEnabled() || m_drawState == dsDisabled)
        return a->TextColorDisabled();
    if ((m_style == bsCheck && m_drawState == dsDown) ||
        (m_drawState == dsExclusive && m_groupIndex > 0))
        return a->TextColorChecked();
    if (m_drawState == dsDown)
        return a->TextColorDown();
    if (m_hot)
        return a->TextColorHot();
    // The caption belongs to the button's own fills, never to the desktop's palette.
    return m_fontColor == clNone ? clWindowText : m_fontColor;
}

QFont TPexGlowButton::captionFont() const
{
    QFont f = font();
    if (m_appearance->SystemFont())
        f.setFamilies({GetDefaultUIFont(), font().family()});
    return f;
}

QString TPexGlowButton::captionText() const
{
    if (!m_showCaption || m_sizeState == bsGlyph)
        return {};
    QString t = text();
    t.replace(QLatin1String("\\n"), QLatin1String("\n"));
    return t;
}

int TPexGlowButton::textFlags() const
{
    int flags = 0;
    if (m_wordWrap)
        flags |= Qt::TextWordWrap;
    const bool showAccel =
        m_alwaysShowAccel || style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, this);
    flags |= showAccel ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
    return flags;
}

QSize TPexGlowButton::pictureSize(const Glyph& glyph) const
{
    if (glyph.isEmpty())
        return {};
    if (m_sizeState < bsLarge)
        return {16, 16};
    if (m_pictureWidth > 0 && m_pictureHeight > 0)
        return {m_pictureWidth, m_pictureHeight};
    const QSize n = glyph.natural();
    if (m_pictureWidth == 0 && m_pictureHeight == 0 && n.height() > 0) {
        const int h = std::max(1, height() - 8);
        return {int(std::lround(double(n.width()) * h / n.height())), h};
    }
    return n;
}

namespace {

bool verticalLayout(TButtonLayout l)
{
    return l == blGlyphTop || l == blGlyphBottom || l == blGlyphTopAdjusted ||
           l == blGlyphBottomAdjusted;
}

QString joinedNotes(const QStringList& notes)
{
    return notes.join(QLatin1Char('\n'));
}

} // namespace

TPexGlowButton::Content TPexGlowButton::measure(const QRect& box) const
{
    Content c;
    c.picture = pictureSize(currentPicture());
    const bool vertical = verticalLayout(m_layout);
    int textWidth = box.width();
    if (!vertical && !c.picture.isEmpty())
        textWidth -= c.picture.width() + m_spacing;
    textWidth = std::max(1, textWidth);
    const QString caption = captionText();
    if (!caption.isEmpty()) {
        const QFontMetrics fm(captionFont());
        c.caption = fm.boundingRect(QRect(0, 0, textWidth, 1 << 20), textFlags(), caption).size();
    }
    if (!m_notes.isEmpty()) {
        const QFontMetrics fm(m_notesFont);
        c.notes = fm.boundingRect(QRect(0, 0, textWidth, 1 << 20),
                                  m_wordWrap ? Qt::TextWordWrap : 0, joinedNotes(m_notes))
                      .size();
    }
    const int tw = std::max(c.caption.width(), c.notes.width());
    const int th = c.caption.height() + c.notes.height();
    const int gap = (!c.picture.isEmpty() && th > 0) ? m_spacing : 0;
    if (vertical)
        c.total = {std::max(c.picture.width(), tw), c.picture.height() + gap + th};
    else
        c.total = {c.picture.width() + gap + tw, std::max(c.picture.height(), th)};
    return c;
}

QSize TPexGlowButton::autoSize() const
{
    QRect box = rect();
    if (m_autoSizeDirection == asVertical)
        box.setHeight(box.height() + 4096);
    else
        box.setWidth(box.width() + 4096);
    const Content c = measure(box);
    int w = !captionText().isEmpty() ? m_spacing * 3 + c.total.width() + 2 + m_marginHorz * 2
                                     : c.total.width() - 1 + m_marginHorz * 2;
    int h = verticalLayout(m_layout) ? c.total.height() + m_marginVert * 2
                                     : m_spacing * 2 + c.total.height() + m_marginVert * 2;
    if (m_dropDownButton) {
        if (m_dropDownPosition == dpRight)
            w += GetDropDownWidth();
        else
            h += GetDropDownWidth();
    }
    return {std::max(1, w), std::max(1, h)};
}

QSize TPexGlowButton::sizeHint() const
{
    if (m_autoSize)
        return autoSize();
    QSize s = QPushButton::sizeHint();
    const QSize pic = pictureSize(currentPicture());
    if (!pic.isEmpty()) {
        if (verticalLayout(m_layout))
            s.setHeight(s.height() + pic.height() + m_spacing);
        else
            s = QSize(s.width() + pic.width() + m_spacing, std::max(s.height(), pic.height() + 8));
    }
    if (m_dropDownButton) {
        if (m_dropDownPosition == dpRight)
            s.setWidth(s.width() + GetDropDownWidth());
        else
            s.setHeight(s.height() + GetDropDownWidth());
    }
    return s;
}

QSize TPexGlowButton::minimumSizeHint() const
{
    return m_autoSize ? autoSize() : QPushButton::minimumSizeHint();
}

namespace {

// The outline of a button: quarter arcs of radius 3 at the rounded corners.
QPainterPath outline(const QRectF& r, bool tl, bool tr, bool br, bool bl,
                     double radius = kCornerRadius)
{
    const double d = 2 * radius;
    QPainterPath p;
    // Starting mid-edge keeps every corner a proper join.
    p.moveTo(r.center().x(), r.top());
    if (tr) {
        p.lineTo(r.right() - radius, r.top());
        p.arcTo(QRectF(r.right() - d, r.top(), d, d), 90, -90);
    } else {
        p.lineTo(r.right(), r.top());
    }
    if (br) {
        p.lineTo(r.right(), r.bottom() - radius);
        p.arcTo(QRectF(r.right() - d, r.bottom() - d, d, d), 0, -90);
    } else {
        p.lineTo(r.right(), r.bottom());
    }
    if (bl) {
        p.lineTo(r.left() + radius, r.bottom());
        p.arcTo(QRectF(r.left(), r.bottom() - d, d, d), 270, -90);
    } else {
        p.lineTo(r.left(), r.bottom());
    }
    if (tl) {
        p.lineTo(r.left(), r.top() + radius);
        p.arcTo(QRectF(r.left(), r.top(), d, d), 180, -90);
    } else {
        p.lineTo(r.left(), r.top());
    }
    p.lineTo(r.center().x(), r.top());
    p.closeSubpath();
    return p;
}

void fillHalf(QPainter& p, const QRect& r, TColor from, TColor to, TGDIPGradient g, bool mirror,
              const QPalette& pal)
{
    if (r.isEmpty())
        return;
    if (from == clNone)
        from = to;
    if (to == clNone)
        to = from;
    if (from == clNone)
        return;
    const QColor cf = MakeColor(from, 255, &pal);
    const QColor ct = MakeColor(to, 255, &pal);
    const QRectF rf(r);
    p.fillRect(r, cf);
    if (from == to)
        return;
    if (g == ggRadial) {
        const double rx = rf.width() / 2;
        const double ry = rf.height() / 2;
        const double cx = rf.center().x();
        // The upper half's ellipse sits 2 pixels below its top edge, glowing from the top
        // middle; the mirror's is its own, glowing from the bottom middle.
        const double cy = mirror ? rf.center().y() : rf.top() + 2;
        const double fy = mirror ? rf.bottom() : rf.top();
        QRadialGradient grad(QPointF(0, 0), 1.0, QPointF(0, ry > 0 ? (fy - cy) / ry : 0));
        grad.setColorAt(0, ct);
        grad.setColorAt(1, cf);
        QBrush brush(grad);
        brush.setTransform(
            QTransform::fromTranslate(cx, cy).scale(std::max(rx, 0.5), std::max(ry, 0.5)));
        p.fillRect(r, brush);
        return;
    }
    QPointF a, b;
    switch (g) {
    case ggDiagonalForward:
        a = rf.topLeft();
        b = rf.bottomRight();
        break;
    case ggDiagonalBackward:
        a = rf.topRight();
        b = rf.bottomLeft();
        break;
    default:
        a = rf.topLeft();
        b = rf.bottomLeft();
        break;
    }
    QLinearGradient grad(a, b);
    // The mirror runs from its "to" colour at the middle line to its "from" colour.
    grad.setColorAt(0, mirror ? ct : cf);
    grad.setColorAt(1, mirror ? cf : ct);
    p.fillRect(r, grad);
}

struct Fill
{
    TColor from, to, mirrorFrom, mirrorTo;
    TGDIPGradient g, gm;
};

void fillBoth(QPainter& p, const QRect& r, const Fill& f, const QPalette& pal)
{
    const int h = r.height() / 2;
    fillHalf(p, QRect(r.left(), r.top() + h - 1, r.width(), r.height() - h + 1), f.mirrorFrom,
             f.mirrorTo, f.gm, true, pal);
    fillHalf(p, QRect(r.left(), r.top(), r.width(), r.height() - h), f.from, f.to, f.g, false, pal);
}

Fill darkened(Fill f)
{
    f.from = Darker(f.from, 90);
    f.to = Darker(f.to, 90);
    f.mirrorFrom = Darker(f.mirrorFrom, 90);
    f.mirrorTo = Darker(f.mirrorTo, 90);
    return f;
}

} // namespace

void TPexGlowButton::drawButton(QPainter& p, const QRect& r, const ColorSet& c)
{
    const QPalette& pal = StyledPalette();
    const bool left = m_position == bpStandalone || m_position == bpLeft;
    const bool right = m_position == bpStandalone || m_position == bpRight;
    const bool round = m_rounded;
    // The fills stay inside the outline; the corners outside it show the parent.
    const QPainterPath clip =
        outline(QRectF(r), round && left, round && right, round && right, round && left);
    const Fill fill{c.from, c.to, c.mirrorFrom, c.mirrorTo, c.gradient, c.gradientMirror};

    p.save();
    p.setClipPath(clip);
    const bool splitLook = m_dropDownButton && m_dropDownSplit &&
                           (c.kind == ColorSet::Hot || c.kind == ColorSet::Down || c.focusLook);
    QRect buttonPart = r;
    QRect dropPart;
    if (m_dropDownButton) {
        const int dw = GetDropDownWidth();
        if (m_dropDownPosition == dpRight) {
            buttonPart.setWidth(r.width() - dw);
            dropPart = QRect(buttonPart.right() + 1, r.top(), dw, r.height());
        } else {
            buttonPart.setHeight(r.height() - dw);
            dropPart = QRect(r.left(), buttonPart.bottom() + 1, r.width(), dw);
        }
    }
    if (splitLook) {
        const bool overButtonPart = m_mouseInside && !m_overDropDown;
        fillBoth(p, buttonPart, overButtonPart ? fill : darkened(fill), pal);
        fillBoth(p, dropPart, overButtonPart ? darkened(fill) : fill, pal);
    } else {
        fillBoth(p, r, fill, pal);
    }
    p.restore();

    p.setRenderHint(QPainter::Antialiasing, true);
    if (m_borderStyle != bsNone && c.border != clNone) {
        const QColor border = MakeColor(c.border, 255, &pal);
        // A one-pixel ring between the outline and the outline one pixel in: straight edges
        // cover whole pixels, the arcs of radius 3 are smoothed.
        QPainterPath ring = clip;
        ring.addPath(outline(QRectF(r).adjusted(1, 1, -1, -1), round && left, round && right,
                             round && right, round && left, kCornerRadius - 1));
        ring.setFillRule(Qt::OddEvenFill);
        p.fillPath(ring, border);
        if (m_position != bpStandalone) {
            // Where buttons of a row join: a line in the border colour and one a shade darker
            // (white a shade darker beside a neighbour that is not pressed).
            const QColor inner = MakeColor(
                m_drawState == dsDown ? Darker(c.border, 95) : Darker(clWhite, 90), 255, &pal);
            p.setRenderHint(QPainter::Antialiasing, false);
            if (m_position == bpLeft || m_position == bpMiddle) {
                p.setPen(border);
                p.drawLine(r.right(), r.top(), r.right(), r.bottom());
                p.setPen(inner);
                p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
            }
            if (m_position == bpRight || m_position == bpMiddle) {
                p.setPen(inner);
                p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
            }
            p.setRenderHint(QPainter::Antialiasing, true);
        }
    }

    if (hasFocus() && (m_focusType == ftBorder || m_focusType == ftHotBorder)) {
        const QRectF solid = QRectF(r.adjusted(1, 1, -3, -3)).adjusted(0.5, 0.5, 0.5, 0.5);
        p.setPen(QPen(MakeColor(m_appearance->BorderColorFocused(), 255, &pal), 1));
        p.drawRoundedRect(solid, kCornerRadius, kCornerRadius);
        QPen dots(MakeColor(0x808080, 255, &pal), 1, Qt::DotLine);
        p.setPen(dots);
        const QRectF dotted = QRectF(r.adjusted(2, 2, -5, -5)).adjusted(0.5, 0.5, 0.5, 0.5);
        p.drawRoundedRect(dotted, kCornerRadius, kCornerRadius);
    }

    // Content: picture, caption and notes inside the margins, beside the drop-down part.
    QRect box = (m_dropDownButton ? buttonPart : r)
                    .adjusted(m_marginHorz, m_marginVert, -m_marginHorz, -m_marginVert);
    const Content content = measure(box);
    const Glyph pic = currentPicture();
    const QSize ps = content.picture;
    QRect picRect;
    QRect textBox = box;
    int hAlign = Qt::AlignHCenter;
    int vAlign = Qt::AlignVCenter;
    const int blockH = content.caption.height() + content.notes.height();
    const int blockW = std::max(content.caption.width(), content.notes.width());
    if (!ps.isEmpty()) {
        const int picTop = box.top() + std::max(0, (box.height() - ps.height()) / 2);
        switch (m_layout) {
        case blGlyphLeft: {
            textBox.setLeft(box.left() + 2 + ps.width());
            const int textLeft = textBox.left() + (textBox.width() - blockW) / 2;
            picRect = QRect(
                QPoint(std::max(box.left() + 2, textLeft - m_spacing - ps.width()), picTop), ps);
            break;
        }
        case blGlyphRight: {
            textBox = QRect(box.left() + 2, box.top(), box.width() - 4 - ps.width(), box.height());
            const int tw = std::min(blockW, textBox.width());
            const int x = std::min(box.left() + std::max(0, (textBox.width() - tw) / 2) + tw + 4,
                                   box.right() + 1 - ps.width() - 2);
            picRect = QRect(QPoint(x, picTop), ps);
            break;
        }
        case blGlyphLeftAdjusted:
            picRect = QRect(QPoint(box.left() + 2, picTop), ps);
            textBox.setLeft(picRect.right() + 1 + m_spacing);
            hAlign = Qt::AlignLeft;
            break;
        case blGlyphRightAdjusted:
            picRect = QRect(QPoint(box.right() + 1 - ps.width() - 2, picTop), ps);
            textBox.setRight(picRect.left() - 1 - m_spacing);
            hAlign = Qt::AlignRight;
            break;
        case blGlyphTop:
        case blGlyphBottom: {
            const int total = ps.height() + (blockH > 0 ? m_spacing + blockH : 0);
            const int top = box.top() + std::max(0, (box.height() - total) / 2);
            const int x = box.left() + (box.width() - ps.width()) / 2;
            if (m_layout == blGlyphTop) {
                picRect = QRect(QPoint(x, top), ps);
                textBox = QRect(box.left(), picRect.bottom() + 1 + m_spacing, box.width(), blockH);
            } else {
                textBox = QRect(box.left(), top, box.width(), blockH);
                picRect = QRect(QPoint(x, top + blockH + m_spacing), ps);
            }
            break;
        }
        case blGlyphTopAdjusted:
            picRect = QRect(QPoint(box.left() + (box.width() - ps.width()) / 2, box.top() + 2), ps);
            textBox.setTop(picRect.bottom() + 1 + m_spacing);
            vAlign = Qt::AlignTop;
            break;
        case blGlyphBottomAdjusted:
            picRect = QRect(QPoint(box.left() + (box.width() - ps.width()) / 2,
                                   box.bottom() + 1 - ps.height() - 2),
                            ps);
            textBox.setBottom(picRect.top() - 1 - m_spacing);
            vAlign = Qt::AlignBottom;
            break;
        }
        pic.draw(p, picRect);
    } else if (m_layout == blGlyphLeftAdjusted) {
        hAlign = Qt::AlignLeft;
    } else if (m_layout == blGlyphRightAdjusted) {
        hAlign = Qt::AlignRight;
    } else if (m_layout == blGlyphTopAdjusted) {
        vAlign = Qt::AlignTop;
    } else if (m_layout == blGlyphBottomAdjusted) {
        vAlign = Qt::AlignBottom;
    }

    const QString caption = captionText();
    if (blockH > 0) {
        const int visualH = int(QStyle::visualAlignment(layoutDirection(), Qt::Alignment(hAlign)));
        int top = textBox.top();
        if (vAlign == Qt::AlignVCenter)
            top += (textBox.height() - blockH) / 2;
        else if (vAlign == Qt::AlignBottom)
            top = textBox.bottom() + 1 - blockH;
        p.setRenderHint(QPainter::TextAntialiasing, m_antiAlias != aaNone);
        const QColor ink = MakeColor(textColor(), 255, &pal);
        if (!caption.isEmpty()) {
            QFont f = captionFont();
            if (m_antiAlias == aaNone)
                f.setStyleStrategy(QFont::NoAntialias);
            p.setFont(f);
            p.setPen(ink);
            QString shown = caption;
            if (m_trimming != StringTrimmingNone && !m_wordWrap) {
                const Qt::TextElideMode mode =
                    m_trimming == StringTrimmingEllipsisPath ? Qt::ElideMiddle : Qt::ElideRight;
                if (m_trimming >= StringTrimmingEllipsisCharacter)
                    shown = QFontMetrics(f).elidedText(caption, mode, textBox.width());
            }
            p.drawText(QRect(textBox.left(), top, textBox.width(), content.caption.height()),
                       visualH | Qt::AlignVCenter | textFlags(), shown);
        }
        if (!m_notes.isEmpty()) {
            p.setFont(m_notesFont);
            p.setPen(ink);
            p.drawText(QRect(textBox.left(), top + content.caption.height(), textBox.width(),
                             content.notes.height()),
                       visualH | Qt::AlignTop | (m_wordWrap ? Qt::TextWordWrap : 0),
                       joinedNotes(m_notes));
        }
    }

    if (m_dropDownButton && !dropPart.isEmpty()) {
        // A small downward triangle drawn as rows of lines.
        const double scale = GetCanvasScaleFactor(this);
        const int n = int(std::lround(3 * scale));
        const int x = dropPart.left() + (dropPart.width() - n) / 2;
        const int y = dropPart.top() + (dropPart.height() - 3) / 2 + 1;
        QColor arrow = isEnabled() ? MakeColor(textColor(), 200, &pal) : MakeColor(0x808080, 200);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(arrow);
        for (int i = 0; i < n; ++i)
            p.drawLine(x - n + 3 + i, y - n + 3 + i, x + n + 2 - i, y - n + 3 + i);
    }
}

void TPexGlowButton::paintEvent(QPaintEvent*)
{
    if (m_autoSize && !m_resizing) {
        const QSize s = autoSize();
        if (s != size()) {
            m_resizing = true;
            resize(s);
            updateGeometry();
            m_resizing = false;
        }
    }
    if (!isEnabled()) {
        m_drawState = dsDisabled;
        m_pressingWithMouse = false;
    } else if (m_drawState == dsDisabled) {
        m_drawState = (m_down && m_groupIndex > 0) ? dsExclusive : dsUp;
    }
    if (m_style == bsCheck && m_down)
        m_drawState = dsDown;

    QPainter p(this);
    const QRect r = rect();
    drawButton(p, r, currentColors());
    if (OnDrawButton) {
        const int state = m_drawState == dsDown ? 2 : (m_hot ? 1 : 0);
        OnDrawButton(this, p, state, r);
    }
}

// ---------------------------------------------------------------------------------------------
// Action link

namespace {

// Buttons know groups by number; each action group gets one of its own.
QHash<const QActionGroup*, int>& groupNumbers()
{
    static QHash<const QActionGroup*, int> numbers;
    return numbers;
}

} // namespace

TPexGlowButtonActionLink::TPexGlowButtonActionLink(TPexGlowButton* Client, QAction* Action)
    : QObject(Client), FClient(Client), FAction(Action)
{
    connect(Action, &QAction::changed, this, [this] { Update(true); });
    // The image index is kept on the action as a property, which tells through an event.
    Action->installEventFilter(this);
    connect(Action, &QObject::destroyed, this, [this] { FClient->update(); });
}

int TPexGlowButtonActionLink::GroupIndexOf(const QActionGroup* Group)
{
    if (!Group)
        return 0;
    auto& numbers = groupNumbers();
    auto it = numbers.find(Group);
    if (it != numbers.end())
        return *it;
    // Far above what a form would number its own groups.
    static int next = 0x10000;
    const int n = next++;
    numbers.insert(Group, n);
    connect(Group, &QObject::destroyed, [Group] { groupNumbers().remove(Group); });
    return n;
}

bool TPexGlowButtonActionLink::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FAction && Event->type() == QEvent::DynamicPropertyChange)
        Update(true);
    return QObject::eventFilter(Watched, Event);
}

void TPexGlowButtonActionLink::Update(bool fromAction)
{
    QAction* a = FAction;
    if (!a)
        return;
    TPexGlowButton* b = FClient;
    b->setText(a->text());
    b->setEnabled(a->isEnabled());
    b->setToolTip(a->toolTip());
    b->setWhatsThis(a->whatsThis());
    if (fromAction || b->GroupIndex() == 0)
        b->setGroupIndex(GroupIndexOf(a->actionGroup()));
    if (TActionList::ImagesOf(a))
        b->setImageIndex(TActionList::ImageIndex(a));
    b->followChecked(a->isChecked());
    // A button of its own is no window: it is only ever hidden here.
    if (b->isHidden() == a->isVisible() && (b->parentWidget() || !a->isVisible()))
        b->setVisible(a->isVisible());
    if (b->AutoSize())
        b->requestResize();
    b->update();
}

QAction* TPexGlowButton::Action() const
{
    return m_actionLink ? m_actionLink->Action() : nullptr;
}

void TPexGlowButton::setAction(QAction* action)
{
    if (action == Action())
        return;
    delete m_actionLink;
    m_actionLink = nullptr;
    if (action) {
        m_actionLink = new TPexGlowButtonActionLink(this, action);
        m_actionLink->Update(false);
    }
    update();
}

void TPexGlowButton::followChecked(bool checked)
{
    if (checked == m_down)
        return;
    if (!checked && m_style == bsButton && m_groupIndex > 0) {
        // The action group already chose another: this one goes up whatever AllowAllUp says.
        m_down = false;
        m_drawState = dsUp;
        update();
        return;
    }
    setDown(checked);
}

// ---------------------------------------------------------------------------------------------
// Key tips and the hint's accelerator

// The small box that shows a button's key tip; it sits on the button's window so that it may
// stand outside the button.
class KeyTipBox : public QWidget
{
public:
    explicit KeyTipBox(TPexGlowButton* button) : QWidget(button->window()), m_button(button)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setObjectName(QStringLiteral("KeyTip"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!m_button)
            return;
        QPainter p(this);
        const QPalette& pal = StyledPalette();
        p.fillRect(rect(), pal.color(QPalette::ToolTipBase));
        p.setPen(pal.color(QPalette::Shadow));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.setPen(pal.color(QPalette::ToolTipText));
        p.setFont(m_button->font());
        p.drawText(rect(), Qt::AlignCenter, m_button->ShortCutHint());
    }

private:
    QPointer<TPexGlowButton> m_button;
};

namespace {

// Watches the Alt key for the whole program: while it is held in a window, the key tips of
// that window's buttons show.
class KeyTipWatcher : public QObject
{
public:
    static KeyTipWatcher& instance()
    {
        static KeyTipWatcher* watcher = [] {
            auto* w = new KeyTipWatcher(qApp);
            qApp->installEventFilter(w);
            return w;
        }();
        return *watcher;
    }

    QPointer<QWidget> shownIn;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* k = static_cast<QKeyEvent*>(e);
            auto* w = qobject_cast<QWidget*>(watched);
            if (k->key() != Qt::Key_Alt || k->isAutoRepeat() || !w)
                break;
            // Every receiver up the chain sees the same event: act once, on the window.
            QWidget* window = w->window();
            if (e->type() == QEvent::KeyPress && shownIn != window)
                show(window);
            else if (e->type() == QEvent::KeyRelease && shownIn)
                show(nullptr);
            break;
        }
        case QEvent::WindowDeactivate:
        case QEvent::ApplicationDeactivate:
            if (shownIn && (watched == shownIn || watched == qApp))
                show(nullptr);
            break;
        default:
            break;
        }
        return false;
    }

private:
    using QObject::QObject;

    void show(QWidget* window)
    {
        QPointer<QWidget> old = shownIn;
        shownIn = window;
        for (QWidget* w : {old.data(), window})
            if (w)
                for (TPexGlowButton* b : w->findChildren<TPexGlowButton*>())
                    b->syncKeyTip();
    }
};

} // namespace

void TPexGlowButton::setShortCutHint(const QString& v)
{
    if (v == m_shortCutHint)
        return;
    m_shortCutHint = v;
    if (!v.isEmpty())
        KeyTipWatcher::instance();
    syncKeyTip();
}

void TPexGlowButton::setShortCutHintPos(TShortCutHintPos v)
{
    if (v == m_shortCutHintPos)
        return;
    m_shortCutHintPos = v;
    syncKeyTip();
}

bool TPexGlowButton::KeyTipShown() const
{
    return !m_shortCutHint.isEmpty() && isVisible() && window() != this &&
           KeyTipWatcher::instance().shownIn == window();
}

QRect TPexGlowButton::KeyTipRect() const
{
    if (m_shortCutHint.isEmpty())
        return {};
    const QFontMetrics fm(font());
    const QSize box(fm.horizontalAdvance(m_shortCutHint) + 8, fm.height() + 4);
    const QRect b(mapTo(window(), QPoint(0, 0)), size());
    // Where the box's centre goes: an x on the button (left edge, middle, right edge; or the box
    // starts where the button starts) and a y (above it, on its top edge, its middle, its bottom
    // edge, below it).
    enum { L, C, R, Start };
    enum { Above, Top, Middle, Bottom, Below };
    // In the order of TShortCutHintPos.
    static constexpr struct
    {
        int hx, vy;
    } kPlaces[] = {{L, Middle}, {C, Top},       {R, Middle}, {C, Bottom}, {C, Middle}, {C, Bottom},
                   {L, Top},    {R, Top},       {C, Above},  {L, Above},  {R, Above},  {L, Bottom},
                   {R, Bottom}, {Start, Below}, {L, Below},  {R, Below},  {C, Below}};
    const int hx = kPlaces[m_shortCutHintPos].hx;
    int vy = kPlaces[m_shortCutHintPos].vy;
    // Auto: under a button in the upper half of its window, over one below.
    if (m_shortCutHintPos == shpAuto && b.center().y() >= window()->height() / 2)
        vy = Top;
    int x;
    if (hx == L)
        x = b.left() - box.width() / 2;
    else if (hx == R)
        x = b.right() + 1 - box.width() / 2;
    else if (hx == C)
        x = b.left() + (b.width() - box.width()) / 2;
    else
        x = b.left();
    int y;
    switch (vy) {
    case Above:
        y = b.top() - box.height();
        break;
    case Top:
        y = b.top() - box.height() / 2;
        break;
    case Bottom:
        y = b.bottom() + 1 - box.height() / 2;
        break;
    case Below:
        y = b.bottom() + 1;
        break;
    default:
        y = b.top() + (b.height() - box.height()) / 2;
        break;
    }
    return QRect(QPoint(x, y), box);
}

void TPexGlowButton::syncKeyTip()
{
    if (!KeyTipShown()) {
        if (m_keyTip)
            m_keyTip->hide();
        return;
    }
    if (!m_keyTip || m_keyTip->parentWidget() != window()) {
        delete m_keyTip;
        m_keyTip = new KeyTipBox(this);
    }
    m_keyTip->setGeometry(KeyTipRect());
    m_keyTip->show();
    m_keyTip->raise();
    m_keyTip->update();
}

void TPexGlowButton::setOfficeHint(const TPexHintInfo* h)
{
    m_officeHint->Assign(h);
    updateHintShortcut();
}

void TPexGlowButton::updateHintShortcut()
{
    // The hint's title offers its accelerator beside the caption's.
    const QKeySequence seq = QKeySequence::mnemonic(m_officeHint->Title);
    if (m_hintShortcut != 0) {
        releaseShortcut(m_hintShortcut);
        m_hintShortcut = 0;
    }
    if (!seq.isEmpty() && seq != QKeySequence::mnemonic(text()))
        m_hintShortcut = grabShortcut(seq);
}

} // namespace pex
