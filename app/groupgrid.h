#pragma once

#include <QStringList>
#include <QTableWidget>

// The group-entry grid: titles, then rows of running number, account and amount. Rows and
// columns are counted as the user sees them: row 1 is the first data row, column 1 the
// running number, column 2 the account, column 3 the amount.
class TGroupGrid : public QTableWidget
{
    Q_OBJECT
public:
    static constexpr int kRows = 5000; // with the title row
    static constexpr int kColumns = 4; // with the fixed column

    explicit TGroupGrid(QWidget* parent = nullptr);

    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);
    int gridRowCount() const { return rowCount() + 1; }

    // Writes the titles; the grid shows them as its header.
    void setTitles();
    // Pastes text at row 1; returns the number of rows placed and the numbers of rows whose
    // text began with "?".
    int pasteText(const QString& text, QString* errors);
    // The selection as tab-separated rows, without a final line end.
    QString selectionText() const;
    // Moves the rows below the current one up by one; the only data row is cleared instead.
    void deleteCurrentRow();
    void clearAll();

    // The least widths that show the longest values and the titles whole.
    struct Widths
    {
        int number = 0;
        int account = 0;
        int amount = 0;
    };
    Widths columnWidths() const;
    QSize minimumSizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
};
