#include "controls/styled/PexGlowButton.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>

namespace pex {

namespace {

int g_fadeInterval = 20;

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

} // namespace pex
