#pragma once

// Keyboard entry of a solar date. The value is three numbers; "yyyy/mm/dd" is only drawn,
// with the control's own caret. Insert opens the date-picking dialog.

#include <QColor>
#include <QDate>
#include <QTimer>
#include <QWidget>

class TDateEdit : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(quint16 Year READ Year WRITE setYear)
    Q_PROPERTY(quint16 Month READ Month WRITE setMonth)
    Q_PROPERTY(quint16 Day READ Day WRITE setDay)
    Q_PROPERTY(QDate Date READ Date WRITE setDate)
    Q_PROPERTY(int CurPos READ CurPos WRITE setCurPos)
    Q_PROPERTY(QChar Separator READ Separator WRITE setSeparator)
    Q_PROPERTY(QColor SeparatorColor READ SeparatorColor WRITE setSeparatorColor)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE setReadOnly)
    Q_PROPERTY(bool ShowUPDow READ ShowUPDow WRITE setShowUPDow)
    Q_PROPERTY(bool LockYY READ LockYY WRITE setLockYY)
    Q_PROPERTY(QColor FirstYYColor READ FirstYYColor WRITE setFirstYYColor)
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(QColor BorderColor READ BorderColor WRITE setBorderColor)

public:
    enum TBorderStyle { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)

    explicit TDateEdit(QWidget* parent = nullptr);

    quint16 Year() const { return year; }
    quint16 Month() const { return month; }
    quint16 Day() const { return day; }
    virtual void setYear(quint16 value);
    virtual void setMonth(quint16 value);
    virtual void setDay(quint16 value);

    // Null unless all three parts are entered and make a real date.
    QDate Date() const;
    // A null date clears the three parts.
    virtual void setDate(const QDate& value);

    // The date as drawn: the year as its number ("0000" when not entered, a leading "0" for
    // one digit), month and day as two digits, the separator between them.
    QString Text() const;

    // Caret place in "yyyy/mm/dd": 0-3 year, 5-6 month, 8-9 day, 10 after the end.
    int CurPos() const { return curPos; }
    void setCurPos(int pos);

    QChar Separator() const { return separator; }
    void setSeparator(QChar value);
    QColor SeparatorColor() const { return separatorColor; }
    void setSeparatorColor(const QColor& value);
    bool ReadOnly() const { return readOnly; }
    void setReadOnly(bool value) { readOnly = value; }
    // Open the dialog above the control instead of below it.
    bool ShowUPDow() const { return showUpDown; }
    void setShowUPDow(bool value) { showUpDown = value; }
    bool LockYY() const { return lockYY; }
    void setLockYY(bool value) { lockYY = value; }
    QColor FirstYYColor() const { return firstYYColor; }
    void setFirstYYColor(const QColor& value) { firstYYColor = value; }
    TBorderStyle BorderStyle() const { return borderStyle; }
    void setBorderStyle(TBorderStyle value);
    // An invalid colour draws the style's own frame.
    QColor BorderColor() const { return borderColor; }
    void setBorderColor(const QColor& value);

    QSize sizeHint() const override;

signals:
    void OnChange();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct Parts
    {
        quint16 y, m, d;
        bool operator==(const Parts&) const = default;
    };
    Parts parts() const { return {year, month, day}; }
    void setParts(const Parts& p);
    void typeDigit(int digit);
    int dayLimit() const;
    void moveForward();
    void moveBack();
    void openPicker();
    QString sample() const;
    int caretX() const;
    // Top of the text line, which stands in the middle of the box.
    int textTop() const;

    quint16 year = 0;
    quint16 month = 0;
    quint16 day = 0;
    int curPos = 0;
    QChar separator = QLatin1Char('/');
    QColor separatorColor;
    bool readOnly = false;
    bool showUpDown = false;
    bool lockYY = false;
    QColor firstYYColor;
    TBorderStyle borderStyle = bsSingle;
    QColor borderColor;
    bool caretOn = false;
    QTimer caretBlink;
};
