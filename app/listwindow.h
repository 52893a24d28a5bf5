#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class TEditCurrency;
class TDBNavBar;
class LineLayout;
namespace dataaware {
class DBGrid;
}

// True for a non-empty text of ASCII digits.
bool IsDigitText(const QString& text);

// What the list windows share: the look-up of a person, the list in tbl_detail with its grid,
// navigator and running total, the duplicate test, deleting the list, the preview and the
// bank-file writing. Each window has the same control names in its own form.
class ListWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ListWindow(QWidget* parent = nullptr);

    QLineEdit* txt_sh_personeli = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QLabel* lbl_fname = nullptr;
    QLabel* lbl_lname = nullptr;
    QLineEdit* txt_shhesab = nullptr;
    TEditCurrency* EditCurrency1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    dataaware::DBGrid* DBGrid1 = nullptr;
    TDBNavBar* DBNavigator1 = nullptr;
    QLineEdit* txt_sum = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* btn_save = nullptr;
    QPushButton* BitBtn5 = nullptr;

    // Every row's line in list order, empty ones included (row n of the grid is item n - 1).
    static QStringList ListRows();
    // True when the line is already on the list.
    static bool IsDuplicateLine(const QString& line);
    // Appends one list row.
    static void AppendLine(const QString& line, const QString& price);
    // Runs work in one transaction while the list's grid and total wait, then reads the list
    // again. keepDone: rows appended before a failure stay; otherwise a failure leaves the
    // list as it was. The first failure is the one rethrown; nothing of the clean-up may
    // hide it or end the program.
    static void ListTransaction(const std::function<void()>& work, bool keepDone);
    // Why an account cannot be used, or empty when it can: the add's checks.
    static QString accountProblem(const QString& account);
    // Why an amount cannot be used, or empty when it can.
    static QString amountProblem(const QString& amount);

public slots:
    virtual void FormShow();
    void BitBtn2Click();
    void BitBtn5Click();
    virtual void BitBtn1Click() = 0;
    virtual void BitBtn4Click() = 0;
    virtual void btn_saveClick() = 0;

protected:
    // Finds the common controls of the form and wires them; call after setupUi.
    void setupList(int accountMaxLength);
    using LineBuilder = std::function<QString(const QString& account, const QString& amount)>;
    // The single add: checks the account, the amount and extraCheck (which shows its own
    // message and returns false to stop), builds the line, refuses a duplicate, runs
    // beforeAppend and appends the line.
    void addChecked(const LineBuilder& build, const std::function<bool()>& extraCheck = {},
                    const std::function<void()>& beforeAppend = {});
    // Previews the list with the given header line and last line (empty: none).
    void previewList(const QString& headerLine, const QString& lastLine = QString());
    // Asks for a file and writes header (when not empty), the list and trailer; a list with
    // rows of another layout is refused before anything is asked or written.
    void saveList(const LineLayout& layout, const QString& proposedName, const QString& filter,
                  const QString& header, const QString& trailer, bool showWait);
    // Runs a handler body, showing any failure instead of letting it escape.
    void guarded(const std::function<void()>& body);
    // The account box's text, trimmed, with Persian digits made ASCII.
    QString accountText() const;

    // Whether the amount box's own key handling (the keypad's "*" adds "000") runs before
    // the window's Enter handling.
    virtual bool amountKeepsOwnKeys() const { return false; }

    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
